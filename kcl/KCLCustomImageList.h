// TKCLCustomImageList: the common base of the library's bitmap list and image
// list. It is one of the class library's image lists, so that it can go
// wherever an image list is expected, but it keeps its pictures in its own
// ordered list of list items (owned components), handled as a resource
// container handles its items: the same operations, the same container
// stream (count, optional positions, item records) and the same streaming of
// the items as child components of a window description.
//
// A picture is addressed by two numbers: the list index (which item) and the
// image index (which image inside the item: a bitmap item holds one image,
// an image-list item a strip of them). The class library's own pictures of
// the list are not used: its image count stays 0, and its picture strip is
// never stored.
//
// Change notification: every change of the item list ends in the image
// list's own change (its change links, then OnChange), which is held back
// while the list's update counter is above 0 and never runs while the list
// is being destroyed. A change inside one item does not reach the list.
//
// Operations that answer a fixed value for a list index not below Count make
// that test only: a negative list index raises EListError when the item is
// fetched.
#pragma once

#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLCustomContainer.h"
#include "platform/Bitmaps.h"
#include "platform/ImgList.h"

#include <cstdint>
#include <vector>

enum TKCLSavePixelFormat { spfDefault, spfMono, spf4bit, spf8bit, spf16bit };
extern const platform::TEnumInfo TKCLSavePixelFormatInfo;

// The colour count a bitmap is saved with: -1 (the bitmap's own format), 2,
// 16, 256, 65536.
int KCLSavePixelFormatColors(TKCLSavePixelFormat Format);
// The flag bit of an item record: 0, 16, 32, 64, 128.
uint8_t KCLSavePixelFormatFlag(TKCLSavePixelFormat Format);
// The format a flags byte names; bit 4 goes before 5, 6 and 7.
TKCLSavePixelFormat KCLSavePixelFormatFromFlags(uint8_t Flags);

class TKCLCustomImageList : public platform::TCustomImageList, public IKCLComponentIdentity {
    RBK_CLASS(TKCLCustomImageList, platform::TCustomImageList)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLCustomImageList(TComponent *AOwner);
    ~TKCLCustomImageList() override;

    const TKCLAboutVar &About() const { return about_; }
    void SetAbout(const TKCLAboutVar &value) { about_ = value; }

    // The items. Item raises EListError for an index outside 0..Count-1.
    virtual int Count() const { return static_cast<int>(items_.size()); }
    virtual bool IsEmpty() const { return Count() == 0; }
    virtual TKCLListItem *Item(int Index) const;
    virtual void LoadFromStream(platform::TStream &Stream, bool WithIndex);
    virtual void SaveToStream(platform::TStream &Stream, bool WithIndex);

    // What controls read and draw, on item ListIndex.
    virtual platform::TCanvas *GetCanvas(int ListIndex) = 0;
    virtual void GetImageRect(int ListIndex, int ImageIndex, platform::TRect &Rect) = 0;
    // Which 0: the width, 1: the height of one image; 0 otherwise.
    virtual int GetDimension(int ListIndex, int Which) = 0;
    virtual int GetImageCount(int ListIndex) = 0;
    virtual bool IsValidImage(int ListIndex, int ImageIndex) = 0;
    // Copies one image into Target (nothing when Target is nil).
    virtual void GetImageBitmap(int ListIndex, int ImageIndex, platform::TBitmap *Target) = 0;
    virtual bool IsMasked(int ListIndex) = 0;
    virtual platform::HPALETTE GetPalette(int ListIndex) = 0;
    virtual platform::TColor GetTransparentColor(int ListIndex, int ImageIndex) = 0;
    virtual platform::TColor GetPixel(const platform::TPoint &Point, int ListIndex, int ImageIndex) = 0;
    // Draws the image with its top-left corner at (X, Y).
    virtual void Draw(platform::TCanvas *Canvas, int X, int Y, int ListIndex, int ImageIndex) = 0;
    // Draws the image into Rect with the library's rectangle drawing (Flags
    // are its options); DrawnRect receives the rectangle covered.
    virtual void DrawInRect(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, int ListIndex,
                            int ImageIndex, platform::TRect &DrawnRect) = 0;
    // The same through the clipping variant (Offset: x in the low, y in the
    // high 16 bits).
    virtual void DrawClipped(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, uint32_t Offset,
                             platform::TColor TransparentColor, int ListIndex, int ImageIndex) = 0;

    // Appends Item (nil: a new item of ItemClass owned by the list), then the
    // change notification; returns its index. An item already in the list
    // keeps its place.
    int AddItem(TKCLListItem *Item);
    // Frees every item, then the change notification.
    void ClearItems();
    // Appends a copy (a new item of ItemClass) of each of Source's items,
    // then the change notification.
    void CopyItems(TKCLCustomImageList *Source);
    int IndexOfItem(const TKCLListItem *Item) const;

    // From a list of this class or a derived one, or of a class this one
    // derives from: the items and DefaultCompressed are replaced, with one
    // change notification. Anything else: the image list's Assign.
    void Assign(platform::TPersistent *Source) override;

    // The list's own update counter (16 bits; EndUpdate stops at 0). When
    // EndUpdate brings it to 0 and Notify is set, the change notification
    // runs.
    void BeginUpdate();
    void EndUpdate(bool Notify);
    uint16_t UpdateCounter() const { return updateCounter_; }
    // The image list's change, unless updating or being destroyed.
    void Change() override;

    bool DefaultCompressed() const { return defaultCompressed_; }
    void SetDefaultCompressed(bool Value) { defaultCompressed_ = Value; }
    TKCLSavePixelFormat DefaultPixelFormat() const { return defaultPixelFormat_; }
    void SetDefaultPixelFormat(TKCLSavePixelFormat Value) { defaultPixelFormat_ = Value; }
    // Where outside data lives, as for resource containers.
    uint8_t StorageFolderKind() const { return storageFolderKind_; }
    void SetStorageFolderKind(uint8_t Value) { storageFolderKind_ = Value; }
    uint8_t StorageMode() const { return storageMode_; }
    void SetStorageMode(uint8_t Value) { storageMode_ = Value; }
    const AnsiString &StorageFileName() const { return storageFileName_; }
    void SetStorageFileName(const AnsiString &Value) { storageFileName_ = Value; }
    platform::TClass ItemClass() const { return itemClass_; }
    // 0 image list, 1 bitmap list (the container file's list kind).
    uint8_t ListKind() const { return listKind_; }

    // Only the design position ("Left", "Top") is defined: the items carry
    // the pictures.
    void DefineProperties(platform::TFiler &Filer) override;
    void GetChildren(const platform::TGetChildProc &Proc, TComponent *Root) override;
    TComponent *GetChildOwner() override { return this; }

    // The identity number: 15.
    uint8_t GetIdentity() override { return 15; }
    int32_t QueryInterface(const platform::TGUID &iid, void **obj) override
    {
        return TComponent::QueryInterface(iid, obj);
    }
    int32_t _AddRef() override { return TComponent::_AddRef(); }
    int32_t _Release() override { return TComponent::_Release(); }
    void *GetInterface(const platform::TGUID &iid) override;

protected:
    void SetItemClass(platform::TClass Value) { itemClass_ = Value; }
    void SetListKind(uint8_t Value) { listKind_ = Value; }
    // An item freed elsewhere leaves the list.
    void Notification(TComponent *AComponent, platform::TOperation Operation) override;
    TKCLListItem *NewItem();

private:
    TKCLAboutVar about_;
    uint16_t updateCounter_ = 0;
    bool defaultCompressed_ = false;
    uint8_t storageFolderKind_ = 2;
    uint8_t storageMode_ = 0;
    AnsiString storageFileName_;
    std::vector<TKCLListItem *> items_;
    platform::TClass itemClass_ = nullptr;
    uint8_t listKind_ = 0;
    TKCLSavePixelFormat defaultPixelFormat_ = spfDefault;
};

// Raises EListError "List index out of bounds (<Index>)".
[[noreturn]] void KCLListIndexError(int Index);
