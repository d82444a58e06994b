// TKCLImageList: an image list whose items are image strips. Each
// TKCLImageListItem holds any number of images of one size side by side in
// one bitmap (image i at x = i × Width), optionally with a mask strip of the
// same layout, and draws one image at a time in one of the image list's
// drawing styles.
//
// The mask strip is black where the image is opaque and white where it is
// transparent, and the image strip is black where it is transparent, so
// masked drawing is the mask ANDed onto the target, then the image ORed.
// A strip is at most 32768 pixels wide.
//
// Item payload (after the item record header, whose bit 3 is never set for
// image items; the pixel format travels in bits 4 to 7; integers 4 bytes,
// little-endian):
//   Height, Width, AllocBy   integers
//   Masked                   1 byte, 0 or 1
//   Count                    integer, the number of images
//   image strip              Count > 0: the bitmap data record of the strip,
//                            trimmed to Count × Width pixels, at the colour
//                            count of the pixel format, compressed when flag
//                            bit 0 is set
//   mask strip               Count > 0 and Masked: the same at 2 colours
//
// Reading checks what the bytes claim before using it: a size below 1, a
// negative count, a strip beyond the width limit or too small for its
// images, or a mask that does not cover the strip raise an error
// (EInvalidGraphicOperation "Invalid image size" / "Too many images", or
// EReadError), and leave the item without images.
#pragma once

#include "kcl/KCLCustomImageList.h"

#include <memory>
#include <vector>

// The widest strip an item may hold.
constexpr int KCLMaxStripWidth = 32768;

// One image of a strip: its left edge, whether the item was masked when the
// entry was made, and one more byte carried along when images are copied.
struct TKCLImageEntry {
    int16_t X = 0;
    uint8_t Masked = 0;
    uint8_t Extra = 0;
};

class TKCLImageListItem : public TKCLListItem {
    RBK_CLASS(TKCLImageListItem, TKCLListItem)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLImageListItem(TComponent *AOwner);
    ~TKCLImageListItem() override;

    // Index 0 Width, 1 Height. A value below 1 or equal to the current one
    // is ignored; otherwise every image is dropped, then Change.
    int GetDimension(int Index) const { return Index == 0 ? width_ : height_; }
    void SetDimension(int Index, int Value);
    int Width() const { return width_; }
    void SetWidth(int Value) { SetDimension(0, Value); }
    int Height() const { return height_; }
    void SetHeight(int Value) { SetDimension(1, Value); }
    // Switching the mask keeps the images; their entries are rebuilt.
    bool Masked() const { return masked_; }
    void SetMasked(bool Value);
    // Kept and stored; nothing uses it.
    int32_t AllocBy() const { return allocBy_; }
    void SetAllocBy(int32_t Value) { allocBy_ = Value; }
    TKCLSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TKCLSavePixelFormat Value) { pixelFormat_ = Value; }

    // How Draw shows a masked image; each setter reports a change.
    platform::TColor BkColor() const { return bkColor_; }
    void SetBkColor(platform::TColor Value);
    platform::TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(platform::TColor Value);
    platform::TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(platform::TDrawingStyle Value);
    platform::TImageType ImageType() const { return imageType_; }
    void SetImageType(platform::TImageType Value);

    int ImageCount() const { return static_cast<int>(entries_.size()); }
    // Raises EListError outside 0..ImageCount-1.
    const TKCLImageEntry &Entry(int ImageIndex) const;
    // The width of the strip taken by images.
    int UsedWidth() const { return usedWidth_; }
    platform::TBitmap *ImageStrip() const { return imageStrip_.get(); }
    platform::TBitmap *MaskStrip() const { return maskStrip_.get(); }

    // Drops every image (no change is reported).
    void ResetStrip();
    // Adds all of Source's images after the item's own. Raises
    // EInvalidGraphicOperation "Invalid image size" when Source's images are
    // of another size and "Too many images" when the strip would grow beyond
    // its limit; either leaves the item unchanged.
    void AppendImages(TKCLImageListItem *Source);
    // From an image item: its settings and images. Anything else: the
    // conversion error.
    void Assign(platform::TPersistent *Source) override;
    // The design position; "Bitmap", a strip of an older form that is only
    // read; "Internal": the item record.
    void DefineProperties(platform::TFiler &Filer) override;

    bool IsEmpty() const override { return entries_.empty(); }
    void LoadFromStream(platform::TStream &Stream) override;
    void SaveToStream(platform::TStream &Stream) override;
    uint8_t GetFlags() const override;
    void Clear() override { ResetStrip(); }
    // Joins an image list read as its parent.
    void ReadState(platform::TReader &Reader) override;
    // Count and strips (the tail of the payload).
    void ReadStrip(platform::TStream &Stream);
    void WriteStrip(platform::TStream &Stream);

    platform::TRect GetImageRect(int ImageIndex) const;
    // Target takes the size of one image and the image (nothing when nil).
    void CopyImageTo(int ImageIndex, platform::TBitmap *Target) const;
    // The strip pixel at the image's bottom-left corner.
    platform::TColor GetTransparentColor(int ImageIndex) const;
    platform::TColor GetPixel(int ImageIndex, const platform::TPoint &Point) const;
    void Draw(platform::TCanvas *Canvas, int X, int Y, int ImageIndex);
    void DrawInRect(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, int ImageIndex,
                    platform::TRect &DrawnRect);
    void DrawClipped(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, uint32_t Offset,
                     platform::TColor TransparentColor, int ImageIndex);

private:
    void drawMasked(platform::TCanvas &Target, const platform::TRect &Dest, const platform::TRect &Src) const;
    void readStrip(platform::TStream &Stream);

    int32_t allocBy_ = 4;
    bool masked_ = false;
    int height_ = 16;
    int width_ = 16;
    TKCLSavePixelFormat pixelFormat_ = spfDefault;
    int usedWidth_ = 0;
    platform::TColor bkColor_ = platform::clNone;
    platform::TColor blendColor_ = platform::clNone;
    platform::TDrawingStyle drawingStyle_ = platform::dsNormal;
    std::unique_ptr<platform::TBitmap> imageStrip_;
    std::unique_ptr<platform::TBitmap> maskStrip_;
    std::vector<TKCLImageEntry> entries_;
    platform::TImageType imageType_ = platform::itImage;
};

class TKCLImageList : public TKCLCustomImageList {
    RBK_CLASS(TKCLImageList, TKCLCustomImageList)
public:
    static void PublishProperties(platform::TPropList &list);

    explicit TKCLImageList(TComponent *AOwner);

    TKCLImageListItem *ImageItem(int Index) const { return static_cast<TKCLImageListItem *>(Item(Index)); }

    // From an image list: items, DefaultCompressed and DefaultPixelFormat,
    // with one change notification. Anything else: the base's Assign.
    void Assign(platform::TPersistent *Source) override;

    platform::TCanvas *GetCanvas(int ListIndex) override;
    void GetImageRect(int ListIndex, int ImageIndex, platform::TRect &Rect) override;
    int GetDimension(int ListIndex, int Which) override;
    // -1 for a list index not below Count.
    int GetImageCount(int ListIndex) override;
    bool IsValidImage(int ListIndex, int ImageIndex) override;
    void GetImageBitmap(int ListIndex, int ImageIndex, platform::TBitmap *Target) override;
    bool IsMasked(int ListIndex) override { return ImageItem(ListIndex)->Masked(); }
    platform::HPALETTE GetPalette(int ListIndex) override;
    platform::TColor GetTransparentColor(int ListIndex, int ImageIndex) override;
    platform::TColor GetPixel(const platform::TPoint &Point, int ListIndex, int ImageIndex) override;
    void Draw(platform::TCanvas *Canvas, int X, int Y, int ListIndex, int ImageIndex) override;
    void DrawInRect(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, int ListIndex,
                    int ImageIndex, platform::TRect &DrawnRect) override;
    void DrawClipped(platform::TCanvas *Canvas, const platform::TRect &Rect, uint16_t Flags, uint32_t Offset,
                     platform::TColor TransparentColor, int ListIndex, int ImageIndex) override;
};

// Registers the image list and its item class for streaming.
void KCLImageListRegistration();
