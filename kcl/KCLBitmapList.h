// TKCLBitmapList: an image list of whole bitmaps. Each item, a
// TKCLBitmapListItem, holds one bitmap of any size with a description and a
// numeric identifier, and counts as one image for the drawing operations
// (the image index is ignored throughout).
//
// Item payload (after the item record header): present when flag bit 3 is
// set; the bitmap's data record, compressed when flag bit 0 is set, saved
// with the colour count of the item's PixelFormat. The pixel format travels
// in flag bits 4 to 7 (mono, 4, 8, 16 bit); a record with more than one of
// them set takes the lowest.
//
// Lazy fetch: an item with an empty bitmap that is owned by a resource
// container fetches the bitmap on the first read of Bitmap, as the
// container's storage mode says (folders by the container's folder kind: 0
// the Windows folder, 1 the system folder, 2 the program folder, 3 the folder
// of the storage file name):
//   1  record Ident of the container file <folder>/<storage file name> (the
//      file's signature must be the bitmap list's);
//   2  the program's bitmap resource Ident (the Qt resource ":/bitmaps/<Ident>");
//   3  the bitmap resource "#<Ident>" of a library loaded by name through the
//      platform's library table and released at once: the storage file name
//      for folder kinds 0 and 1, else <folder>/<first three characters of the
//      storage file's name><Ident>.bmp (folder: the storage file's own for
//      kind 3, the program's otherwise); a library that is not there, or
//      holds no such bitmap, leaves the bitmap empty;
//   4  the BMP file <folder>/<first three characters><Ident>.bmp.
// Items owned by a bitmap list (which is no resource container) never fetch.
// Items being designed or loaded never fetch. A fetch that fails raises its
// error from the Bitmap getter and leaves the bitmap empty.
//
// The item publishes Compressed and PixelFormat (stored) and Ident and
// Description (not stored: the "Internal" item record carries them); the
// bitmap itself is reached through Bitmap and travels in the record.
#pragma once

#include "kcl/KCLCustomImageList.h"

#include <memory>

class TKCLBitmapListItem : public TKCLListItem {
    RBK_CLASS(TKCLBitmapListItem, TKCLListItem)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLBitmapListItem(TComponent *AOwner);
    ~TKCLBitmapListItem() override;

    // The held bitmap, fetched first when it is empty (see above).
    platform::TBitmap *Bitmap();
    // Copies the value into the held bitmap.
    void SetBitmap(const platform::TBitmap *Value);
    TKCLSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TKCLSavePixelFormat Value) { pixelFormat_ = Value; }

    // From a bitmap item: the header, the bitmap (read through Source's
    // getter) and the pixel format. Anything else: the conversion error.
    void Assign(platform::TPersistent *Source) override;
    // The design position, then "Internal": the item record.
    void DefineProperties(platform::TFiler &Filer) override;

    bool IsEmpty() const override;
    void LoadFromStream(platform::TStream &Stream) override;
    void SaveToStream(platform::TStream &Stream) override;
    uint8_t GetFlags() const override;
    void Clear() override;
    // Joins a bitmap list read as its parent.
    void ReadState(platform::TReader &Reader) override;

private:
    void fetch();
    std::unique_ptr<platform::TBitmap> bitmap_;
    TKCLSavePixelFormat pixelFormat_ = spfDefault;
};

class TKCLBitmapList : public TKCLCustomImageList {
    RBK_CLASS(TKCLBitmapList, TKCLCustomImageList)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLBitmapList(TComponent *AOwner);

    TKCLBitmapListItem *BitmapItem(int Index) const { return static_cast<TKCLBitmapListItem *>(Item(Index)); }

    platform::TCanvas *GetCanvas(int ListIndex) override;
    void GetImageRect(int ListIndex, int ImageIndex, platform::TRect &Rect) override;
    int GetDimension(int ListIndex, int Which) override;
    // 1 for an item with a bitmap, 0 for an empty one.
    int GetImageCount(int ListIndex) override;
    bool IsValidImage(int ListIndex, int ImageIndex) override;
    void GetImageBitmap(int ListIndex, int ImageIndex, platform::TBitmap *Target) override;
    bool IsMasked(int ListIndex) override { (void)Item(ListIndex); return false; }
    platform::HPALETTE GetPalette(int ListIndex) override;
    platform::TColor GetTransparentColor(int ListIndex, int ImageIndex) override;
    platform::TColor GetPixel(const platform::TPoint &Point, int ListIndex, int ImageIndex) override;
    void Draw(platform::TCanvas *Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    void DrawInRect(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, int ListIndex,
                    int ImageIndex, platform::TRect &DrawnRect) override;
    void DrawClipped(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, uint32_t Offset,
                     platform::TColor TransparentColor, int ListIndex, int ImageIndex) override;
};

// Loads record Index of the bitmap-list container file FileName (its
// signature checked) into Target; the load's result.
bool KCLLoadBitmapFromContainerFile(const AnsiString &FileName, int Index, platform::TBitmap &Target);

// Registers the bitmap list and its item class for streaming.
void KCLBitmapListRegistration();
