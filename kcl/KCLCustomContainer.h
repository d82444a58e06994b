// The resource lists' items and containers, and the container files.
//
// TKCLListItem is the base of one list entry (a bitmap, an image strip, a
// wave or a string list) with a description and a numeric identifier.
// TKCLCustomContainer is a controller that owns an ordered list of such items,
// creates and copies them, streams them as its child components in a window
// description, and reads and writes them to a stream in the compact form
// below. All integers are little-endian.
//
// Item record (the item header, then the payload of the item class):
//   flags        1 byte: bit 0 Compressed; bit 1 a description follows;
//                bit 2 an identifier follows; bit 3 the item has data;
//                bits 4..7 the saved pixel format of bitmap and image items
//                (mono, 4, 8, 16 bit)
//   description  bit 1: a length byte and that many bytes (at most 255; a
//                longer description is cut)
//   identifier   bit 2: 4 bytes, signed; its low 16 bits are kept on reading
//   payload      as the item class writes it
//
// Container stream:
//   count        4 bytes, signed
//   positions    with positions and count > 0: count × 4 bytes, the absolute
//                stream position of each item record, in item order
//   records      count item records in item order
//
// Container file: offset 0 a 9-byte signature (a length byte 8 and eight
// characters, from the table of list kinds below), offset 9 the container
// stream with positions.
//
// Streams and files come from disk, so readers check what they are told
// before they act on it: a negative count, a count larger than the bytes left
// could hold, a position outside the stream, or a record cut short raise
// EReadError; nothing is allocated for a count before it has been checked.
#pragma once

#include "kcl/KCLBaseController.h"
#include "platform/Classes.h"
#include "platform/Streaming.h"

#include <cstdint>
#include <vector>

class TKCLCustomContainer;

// The list kinds: index into the table of signatures and extensions.
enum : uint8_t {
    KCLListImage = 0,       // "KCLIML30", "iml"
    KCLListBitmap = 1,      // "KCLBML30", "bmp"
    KCLListWave = 2,        // "KCLWVL30", "wav"
    KCLListString = 3,      // "KCLSLL30", "txt"
    KCLListGlobal = 4,      // "KCLGLL50", "*"
    KCLListImageBitmap = 5, // "KCLIML30" (as kind 0), "bmp"
    KCLListKindCount = 6,   // also what probing answers for no signature
};

// The signature of a list kind 0..5 (eight characters, without length byte).
const char *KCLContainerSignature(uint8_t Kind);

// Flag bits of an item record.
enum : uint8_t {
    KCLItemCompressed = 0x01,
    KCLItemHasDescription = 0x02,
    KCLItemHasIdent = 0x04,
    KCLItemHasData = 0x08,
    KCLItemPixelMono = 0x10,
    KCLItemPixel4Bit = 0x20,
    KCLItemPixel8Bit = 0x40,
    KCLItemPixel16Bit = 0x80,
};

class TKCLListItem : public TKCLCustomComponent {
    RBK_CLASS(TKCLListItem, TKCLCustomComponent)
public:
    explicit TKCLListItem(TComponent *AOwner);

    const AnsiString &Description() const { return description_; }
    void SetDescription(const AnsiString &Value) { description_ = Value; }
    uint16_t Ident() const { return ident_; }
    void SetIdent(uint16_t Value) { ident_ = Value; }
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool Value) { compressed_ = Value; }

    // Whether the item holds no data; the base holds none and says false.
    virtual bool IsEmpty() const { return false; }
    // Read and write the item record; the base does nothing.
    virtual void LoadFromStream(platform::TStream &Stream);
    virtual void SaveToStream(platform::TStream &Stream);
    // The flags byte of the record: the base sets bits 0 to 2.
    virtual uint8_t GetFlags() const;
    // Empties the item's data; the base does nothing.
    virtual void Clear() {}

    // Reads the flags byte, Compressed, Description and Ident; returns the
    // flags for the item class to read its payload.
    uint8_t ReadHeader(platform::TStream &Stream);
    // Writes GetFlags, then the description and the identifier as they say.
    void WriteHeader(platform::TStream &Stream);
    // Copies Compressed, Description and Ident.
    void AssignHeader(const TKCLListItem &Source);

    // The item's own OnChange (unless updating); then, when the owner is a
    // container with an OnChange, that handler with the item as sender,
    // whatever the container's update state.
    void Change() override;
    // An item read as a child of a container joins the container's list.
    void ReadState(platform::TReader &Reader) override;

private:
    AnsiString description_;
    uint16_t ident_ = 0;
    bool compressed_ = false;
};

class TKCLCustomContainer : public TKCLBaseController {
    RBK_CLASS(TKCLCustomContainer, TKCLBaseController)
public:
    explicit TKCLCustomContainer(TComponent *AOwner);
    ~TKCLCustomContainer() override;

    virtual int Count() const { return static_cast<int>(items_.size()); }
    virtual bool IsEmpty() const { return Count() == 0; }
    // Raises EListError for an index outside 0..Count-1.
    virtual TKCLListItem *Item(int Index) const;
    virtual void LoadFromStream(platform::TStream &Stream, bool WithIndex);
    virtual void SaveToStream(platform::TStream &Stream, bool WithIndex);

    // Appends Item (nil: a new item of ItemClass owned by the container), then
    // Change; returns its index. An item already in the list is not appended
    // a second time (it would be freed twice): its index is returned.
    int AddItem(TKCLListItem *Item);
    // Frees every item, then Change.
    void ClearItems();
    // Appends a copy (a new item of ItemClass) of each of Source's items,
    // then Change.
    void CopyItems(TKCLCustomContainer *Source);
    // The index of the item, or -1.
    int IndexOfItem(const TKCLListItem *Item) const;

    // From a container of this class or a derived one, or of a class this one
    // derives from: the items and DefaultCompressed are replaced, with one
    // change notification. Anything else raises EConvertError.
    void Assign(platform::TPersistent *Source) override;

    bool DefaultCompressed() const { return defaultCompressed_; }
    void SetDefaultCompressed(bool Value) { defaultCompressed_ = Value; }
    // Where items that fetch their data from outside find it (bitmap items).
    // Folder kind: 0 the Windows folder, 1 the system folder, 2 the program
    // folder, 3 the folder of the storage file name. Mode 0: the items hold
    // their own data; 1 to 4: see the bitmap list.
    uint8_t StorageFolderKind() const { return storageFolderKind_; }
    void SetStorageFolderKind(uint8_t Value) { storageFolderKind_ = Value; }
    uint8_t StorageMode() const { return storageMode_; }
    void SetStorageMode(uint8_t Value) { storageMode_ = Value; }
    const AnsiString &StorageFileName() const { return storageFileName_; }
    void SetStorageFileName(const AnsiString &Value) { storageFileName_ = Value; }

    platform::TClass ItemClass() const { return itemClass_; }
    uint8_t ListKind() const { return listKind_; }

    // The items are the container's children in a window description, and
    // items read back are owned by it.
    void GetChildren(const platform::TGetChildProc &Proc, TComponent *Root) override;
    TComponent *GetChildOwner() override { return this; }

protected:
    // Set by each list class in its constructor.
    void SetItemClass(platform::TClass Value) { itemClass_ = Value; }
    void SetListKind(uint8_t Value) { listKind_ = Value; }
    // An item destroyed elsewhere leaves the list.
    void Notification(TComponent *AComponent, platform::TOperation Operation) override;

private:
    bool defaultCompressed_ = false;
    uint8_t storageFolderKind_ = 2;
    uint8_t storageMode_ = 0;
    AnsiString storageFileName_;
    std::vector<TKCLListItem *> items_;
    platform::TClass itemClass_ = nullptr;
    uint8_t listKind_ = 0;
};

// --------------------------------------------------- shared by the lists

// Registers ItemClass for streaming the first time a list of that kind asks
// in the process (the flags are one per list kind 0..5).
void KCLRegisterListItemClass(uint8_t Kind, platform::TClass ItemClass);

// Writes the container stream of Items (positions patched in front of the
// records when WithIndex is set and there are items).
void KCLSaveItemsToStream(platform::TStream &Stream, const std::vector<TKCLListItem *> &Items, bool WithIndex);
// Reads the count of a container stream and moves past its positions (when
// WithIndex is set). Raises EReadError for a negative count or one that the
// bytes left cannot hold (each record takes at least its flags byte).
int32_t KCLReadItemCount(platform::TStream &Stream, bool WithIndex);

// ------------------------------------------------------- container files

// The extension of list kind 0..5 ("" for any other), with a leading "."
// when WithDot is set and it is not empty.
AnsiString KCLContainerFileExt(int Kind, bool WithDot);
// The list kind of the file (0..5; 6 when no signature matches; a file of
// kind 5's signature answers 0). Count is -1 until read, then the 4 bytes
// after the signature (read whether or not a signature matched, as far as the
// file has them). When a signature matched and Positions is given, it is
// replaced by the Count positions that follow. Raises EFOpenError when the
// file cannot be opened, EReadError when a matching file's count is negative
// or its positions are cut short.
int KCLProbeContainerFile(const AnsiString &FileName, int32_t &Count, std::vector<int32_t> *Positions);
// The same on a stream from its current position.
int KCLProbeContainerStream(platform::TStream &Stream, int32_t &Count, std::vector<int32_t> *Positions);
// Positions given: moves the stream to Positions[Index], loads the item's
// record and returns true; nil: false. An index outside the list raises
// EListError, a position outside the stream EReadError.
bool KCLLoadItemFromStream(platform::TStream &Stream, const std::vector<int32_t> *Positions, int Index,
                           TKCLListItem *Item);
// Loads record Index of a container file into Item. Without a Positions list
// the file is probed first and must be of Kind, else EFOpenError "Cannot open
// file <FileName>"; a caller's own Positions list skips that check.
bool KCLLoadItemFromFile(const AnsiString &FileName, int Kind, const std::vector<int32_t> *Positions, int Index,
                         TKCLListItem *Item);
