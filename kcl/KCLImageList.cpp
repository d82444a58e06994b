#include "kcl/KCLImageList.h"

#include "kcl/KCLGraphUtils.h"
#include "kcl/KCLStreamUtils.h"
#include "platform/Streaming.h"

using platform::Bounds;
using platform::EInvalidGraphicOperation;
using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;
using platform::TStream;

namespace {

// The colour flag of palette-relative colours, which the drawing routines
// resolve to the nearest palette entry.
constexpr TColor PaletteRelative = 0x02000000;

// Option of the rectangle drawing: transparent through a given mask canvas.
constexpr uint16_t MaskOption = 0x100;

void resize(TBitmap &b, int w, int h) { b.SetSize(w, h); }

} // namespace

// ---------------------------------------------------------- TKCLImageListItem

void TKCLImageListItem::PublishProperties(platform::TPropList &list)
{
    using T = TKCLImageListItem;
    platform::TPropertyTable<T> p(list);
    p.Integer("AllocBy", &T::AllocBy, &T::SetAllocBy).Default(4);
    p.String("Description", &T::Description, &T::SetDescription);
    p.Boolean("Masked", &T::Masked, &T::SetMasked).Default(0);
    p.Integer("Height", &T::Height, &T::SetHeight).Default(16);
    p.Integer("Width", &T::Width, &T::SetWidth).Default(16);
}

TKCLImageListItem::TKCLImageListItem(TComponent *AOwner)
    : TKCLListItem(AOwner), imageStrip_(std::make_unique<TBitmap>()), maskStrip_(std::make_unique<TBitmap>())
{
}

TKCLImageListItem::~TKCLImageListItem() = default;

const TKCLImageEntry &TKCLImageListItem::Entry(int ImageIndex) const
{
    if (ImageIndex < 0 || ImageIndex >= ImageCount())
        KCLListIndexError(ImageIndex);
    return entries_[static_cast<size_t>(ImageIndex)];
}

void TKCLImageListItem::SetDimension(int Index, int Value)
{
    int &field = Index == 0 ? width_ : height_;
    if (Value < 1 || Value == field)
        return;
    field = Value;
    ResetStrip();
    Change();
}

void TKCLImageListItem::SetMasked(bool Value)
{
    if (Value == masked_)
        return;
    if (Value)
        resize(*maskStrip_, imageStrip_->Width(), height_);
    else
        resize(*maskStrip_, 0, 0);
    for (size_t i = 0; i < entries_.size(); ++i)
        entries_[i] = TKCLImageEntry{static_cast<int16_t>(int(i) * width_), uint8_t(Value ? 1 : 0), 0};
    masked_ = Value;
    Change();
}

void TKCLImageListItem::SetBkColor(TColor Value)
{
    if (Value != bkColor_) {
        bkColor_ = Value;
        Change();
    }
}

void TKCLImageListItem::SetBlendColor(TColor Value)
{
    if (Value != blendColor_) {
        blendColor_ = Value;
        Change();
    }
}

void TKCLImageListItem::SetDrawingStyle(platform::TDrawingStyle Value)
{
    if (Value != drawingStyle_) {
        drawingStyle_ = Value;
        Change();
    }
}

void TKCLImageListItem::SetImageType(platform::TImageType Value)
{
    if (Value != imageType_) {
        imageType_ = Value;
        Change();
    }
}

void TKCLImageListItem::ResetStrip()
{
    BeginUpdate();
    // A strip without width holds no pixels; its height is Height again as
    // soon as it is widened.
    resize(*imageStrip_, 0, height_);
    resize(*maskStrip_, 0, masked_ ? height_ : 0);
    usedWidth_ = 0;
    entries_.clear();
    EndUpdate(false);
}

void TKCLImageListItem::AppendImages(TKCLImageListItem *Source)
{
    if (Source->width_ != width_ || Source->height_ != height_)
        throw EInvalidGraphicOperation(platform::SInvalidImageSize);
    const int n = Source->ImageCount();
    if (n == 0)
        return;
    const int64_t newWidth = int64_t(width_) * n + usedWidth_;
    // Checked before anything changes, so that the update state is not left
    // raised.
    if (newWidth > KCLMaxStripWidth)
        throw EInvalidGraphicOperation(platform::STooManyImages);
    // Taken first: Source may be this item.
    const QImage images = Source->imageStrip_->Image().copy(0, 0, n * width_, height_);
    const bool copyMasks = masked_ && Source->masked_;
    const QImage masks = copyMasks ? Source->maskStrip_->Image().copy(0, 0, n * width_, height_) : QImage();
    const std::vector<TKCLImageEntry> sourceEntries = Source->entries_;

    BeginUpdate();
    const int w = static_cast<int>(newWidth);
    if (imageStrip_->Width() < w) {
        resize(*imageStrip_, w, height_);
        if (masked_)
            resize(*maskStrip_, w, height_);
    }
    const TRect dest = Bounds(usedWidth_, 0, n * width_, height_);
    const TRect src = Bounds(0, 0, n * width_, height_);
    platform::CanvasCopyRect(imageStrip_->Canvas(), dest, images, src, platform::SRCCOPY);
    if (copyMasks)
        platform::CanvasCopyRect(maskStrip_->Canvas(), dest, masks, src, platform::SRCCOPY);
    for (const TKCLImageEntry &e : sourceEntries)
        entries_.push_back(TKCLImageEntry{static_cast<int16_t>(int(entries_.size()) * width_), e.Masked, e.Extra});
    usedWidth_ = w;
    EndUpdate(true);
}

void TKCLImageListItem::Assign(platform::TPersistent *Source)
{
    auto *src = dynamic_cast<TKCLImageListItem *>(Source);
    if (src == nullptr) {
        TKCLListItem::Assign(Source);
        return;
    }
    if (src == this)
        return;
    AssignHeader(*src);
    pixelFormat_ = src->pixelFormat_;
    allocBy_ = src->allocBy_;
    bkColor_ = src->bkColor_;
    blendColor_ = src->blendColor_;
    drawingStyle_ = src->drawingStyle_;
    height_ = src->height_;
    imageType_ = src->imageType_;
    masked_ = src->masked_;
    width_ = src->width_;
    ResetStrip();
    AppendImages(src);
}

void TKCLImageListItem::DefineProperties(platform::TFiler &Filer)
{
    TKCLListItem::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Bitmap", [this](TStream &s) { ReadStrip(s); }, [](TStream &) {}, false);
    Filer.DefineBinaryProperty(
        "Internal", [this](TStream &s) { LoadFromStream(s); }, [this](TStream &s) { SaveToStream(s); }, true);
}

uint8_t TKCLImageListItem::GetFlags() const
{
    return TKCLListItem::GetFlags() | KCLSavePixelFormatFlag(pixelFormat_);
}

void TKCLImageListItem::LoadFromStream(TStream &Stream)
{
    const uint8_t flags = ReadHeader(Stream);
    const int32_t h = KCLReadInteger(Stream);
    const int32_t w = KCLReadInteger(Stream);
    const int32_t allocBy = KCLReadInteger(Stream);
    const bool masked = KCLReadBoolean(Stream);
    if (w < 1 || h < 1) {
        ResetStrip();
        throw EInvalidGraphicOperation(platform::SInvalidImageSize);
    }
    pixelFormat_ = KCLSavePixelFormatFromFlags(flags);
    height_ = h;
    width_ = w;
    allocBy_ = allocBy;
    masked_ = masked;
    ReadStrip(Stream);
}

void TKCLImageListItem::SaveToStream(TStream &Stream)
{
    WriteHeader(Stream);
    KCLWriteInteger(Stream, height_);
    KCLWriteInteger(Stream, width_);
    KCLWriteInteger(Stream, allocBy_);
    KCLWriteBoolean(Stream, masked_);
    WriteStrip(Stream);
}

void TKCLImageListItem::ReadStrip(TStream &Stream)
{
    ResetStrip();
    try {
        readStrip(Stream);
    } catch (...) {
        ResetStrip();
        throw;
    }
}

void TKCLImageListItem::readStrip(TStream &Stream)
{
    const int32_t count = KCLReadInteger(Stream);
    if (count < 0)
        throw platform::EReadError("Stream read error");
    if (count == 0)
        return;
    const int64_t needed = int64_t(count) * width_;
    if (needed > KCLMaxStripWidth)
        throw EInvalidGraphicOperation(platform::STooManyImages);
    KCLReadBitmap(Stream, *imageStrip_, Compressed());
    if (imageStrip_->Width() > KCLMaxStripWidth)
        throw EInvalidGraphicOperation(platform::STooManyImages);
    if (imageStrip_->Width() < needed || imageStrip_->Height() != height_)
        throw EInvalidGraphicOperation(platform::SInvalidImageSize);
    if (masked_) {
        KCLReadBitmap(Stream, *maskStrip_, Compressed());
        if (maskStrip_->Width() < needed || maskStrip_->Width() > KCLMaxStripWidth ||
            maskStrip_->Height() != height_)
            throw EInvalidGraphicOperation(platform::SInvalidImageSize);
    } else {
        resize(*maskStrip_, 0, 0);
    }
    usedWidth_ = imageStrip_->Width();
    entries_.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        entries_.push_back(TKCLImageEntry{static_cast<int16_t>(i * width_), uint8_t(masked_ ? 1 : 0), 0});
}

void TKCLImageListItem::WriteStrip(TStream &Stream)
{
    const int32_t count = ImageCount();
    KCLWriteInteger(Stream, count);
    if (count == 0)
        return;
    // Room at the right end of the strip is not stored.
    resize(*imageStrip_, count * width_, height_);
    usedWidth_ = count * width_;
    KCLWriteBitmap(Stream, *imageStrip_, Compressed(), KCLSavePixelFormatColors(pixelFormat_));
    if (masked_)
        KCLWriteBitmap(Stream, *maskStrip_, Compressed(), 2);
}

void TKCLImageListItem::ReadState(platform::TReader &Reader)
{
    TKCLListItem::ReadState(Reader);
    if (auto *list = dynamic_cast<TKCLImageList *>(Reader.Parent()))
        list->AddItem(this);
}

TRect TKCLImageListItem::GetImageRect(int ImageIndex) const
{
    return Bounds(Entry(ImageIndex).X, 0, width_, height_);
}

void TKCLImageListItem::CopyImageTo(int ImageIndex, TBitmap *Target) const
{
    if (Target == nullptr)
        return;
    const TKCLImageEntry &e = Entry(ImageIndex);
    Target->LoadFromImage(imageStrip_->Image().copy(e.X, 0, width_, height_));
}

TColor TKCLImageListItem::GetTransparentColor(int ImageIndex) const
{
    return imageStrip_->Canvas().Pixel(Entry(ImageIndex).X, height_ - 1);
}

TColor TKCLImageListItem::GetPixel(int ImageIndex, const platform::TPoint &Point) const
{
    return imageStrip_->Canvas().Pixel(Entry(ImageIndex).X + Point.X, Point.Y);
}

void TKCLImageListItem::drawMasked(TCanvas &Target, const TRect &Dest, const TRect &Src) const
{
    platform::CanvasCopyRect(Target, Dest, maskStrip_->Image(), Src, platform::SRCAND);
    platform::CanvasCopyRect(Target, Dest, imageStrip_->Image(), Src, platform::SRCPAINT);
}

void TKCLImageListItem::Draw(TCanvas *Canvas, int X, int Y, int ImageIndex)
{
    const TRect src = Bounds(Entry(ImageIndex).X, 0, width_, height_);
    if (Canvas == nullptr)
        return;
    const TRect dest = Bounds(X, Y, width_, height_);
    if (!masked_) {
        platform::CanvasCopyRect(*Canvas, dest, imageStrip_->Image(), src, platform::SRCCOPY);
        return;
    }
    if (imageType_ == platform::itMask) {
        platform::CanvasCopyRect(*Canvas, dest, maskStrip_->Image(), src, platform::SRCCOPY);
        return;
    }
    bool blend = false;
    switch (drawingStyle_) {
    case platform::dsFocus:
    case platform::dsSelected:
        blend = true;
        break;
    case platform::dsNormal:
        if (bkColor_ == platform::clNone) {
            drawMasked(*Canvas, dest, src);
            return;
        }
        break;
    case platform::dsTransparent:
        drawMasked(*Canvas, dest, src);
        return;
    default:
        return;
    }
    // The image on the background colour, in a picture of its own, then
    // covered with the blend pattern and copied whole.
    TBitmap picture;
    picture.SetSize(width_, height_);
    if (bkColor_ != platform::clNone) {
        picture.Canvas().Brush().SetColor(bkColor_);
        picture.Canvas().FillRect(platform::Rect(0, 0, width_, height_));
    }
    drawMasked(picture.Canvas(), platform::Rect(0, 0, width_, height_), src);
    QImage image = picture.Image();
    if (blend)
        platform::ImageListBlend(image, blendColor_, drawingStyle_ == platform::dsSelected);
    platform::CanvasCopyRect(*Canvas, dest, image, platform::Rect(0, 0, width_, height_), platform::SRCCOPY);
}

void TKCLImageListItem::DrawInRect(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, int ImageIndex,
                                   TRect &DrawnRect)
{
    DrawnRect = TRect{};
    const TRect src = Bounds(Entry(ImageIndex).X, 0, width_, height_);
    if (masked_)
        KCLDrawBitmapRect(Canvas, Rect, &imageStrip_->Canvas(), src, Flags | MaskOption, 0, 0,
                          TKCLDrawExtra{nullptr, &maskStrip_->Canvas()}, DrawnRect);
    else
        KCLDrawBitmapRect(Canvas, Rect, &imageStrip_->Canvas(), src, Flags,
                          GetTransparentColor(ImageIndex) | PaletteRelative, 0, TKCLDrawExtra{}, DrawnRect);
}

void TKCLImageListItem::DrawClipped(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, uint32_t Offset,
                                    TColor TransparentColor, int ImageIndex)
{
    const TRect src = Bounds(Entry(ImageIndex).X, 0, width_, height_);
    TRect drawn;
    if (masked_)
        KCLDrawBitmapClipped(Canvas, Rect, &imageStrip_->Canvas(), src, Flags | MaskOption, 0, 0,
                             TKCLDrawExtra{nullptr, &maskStrip_->Canvas()}, Offset, drawn);
    else
        KCLDrawBitmapClipped(Canvas, Rect, &imageStrip_->Canvas(), src, Flags, TransparentColor, 0, TKCLDrawExtra{},
                             Offset, drawn);
}

// -------------------------------------------------------------- TKCLImageList

void TKCLImageList::PublishProperties(platform::TPropList &list)
{
    using T = TKCLImageList;
    platform::TPropertyTable<T> p(list);
    p.Boolean("DefaultCompressed", &T::DefaultCompressed, &T::SetDefaultCompressed).Default(0);
    p.Enum("DefaultPixelFormat", TKCLSavePixelFormatInfo, &T::DefaultPixelFormat, &T::SetDefaultPixelFormat)
        .Default(spfDefault);
}

TKCLImageList::TKCLImageList(TComponent *AOwner) : TKCLCustomImageList(AOwner)
{
    SetItemClass(TKCLImageListItem::StaticClass());
    SetListKind(KCLListImage);
    KCLRegisterListItemClass(KCLListImage, TKCLImageListItem::StaticClass());
}

void TKCLImageList::Assign(platform::TPersistent *Source)
{
    auto *src = dynamic_cast<TKCLImageList *>(Source);
    if (src == nullptr) {
        TKCLCustomImageList::Assign(Source);
        return;
    }
    if (src == this)
        return;
    BeginUpdate();
    try {
        ClearItems();
        CopyItems(src);
        SetDefaultCompressed(src->DefaultCompressed());
        SetDefaultPixelFormat(src->DefaultPixelFormat());
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

TCanvas *TKCLImageList::GetCanvas(int ListIndex) { return &ImageItem(ListIndex)->ImageStrip()->Canvas(); }

void TKCLImageList::GetImageRect(int ListIndex, int ImageIndex, TRect &Rect)
{
    Rect = ImageItem(ListIndex)->GetImageRect(ImageIndex);
}

int TKCLImageList::GetDimension(int ListIndex, int Which)
{
    if (ListIndex >= Count())
        return 0;
    const TKCLImageListItem *item = ImageItem(ListIndex);
    return Which == 0 ? item->Width() : Which == 1 ? item->Height() : 0;
}

int TKCLImageList::GetImageCount(int ListIndex)
{
    return ListIndex >= Count() ? -1 : ImageItem(ListIndex)->ImageCount();
}

bool TKCLImageList::IsValidImage(int ListIndex, int ImageIndex)
{
    return ListIndex < Count() && ImageIndex >= 0 && ImageIndex < ImageItem(ListIndex)->ImageCount();
}

void TKCLImageList::GetImageBitmap(int ListIndex, int ImageIndex, TBitmap *Target)
{
    TKCLImageListItem *item = ImageItem(ListIndex);
    if (Target != nullptr)
        item->CopyImageTo(ImageIndex, Target);
}

platform::HPALETTE TKCLImageList::GetPalette(int ListIndex)
{
    // Strips are true colour and carry no palette.
    if (ListIndex < Count())
        (void)ImageItem(ListIndex);
    return 0;
}

TColor TKCLImageList::GetTransparentColor(int ListIndex, int ImageIndex)
{
    return ListIndex >= Count() ? platform::clWhite : ImageItem(ListIndex)->GetTransparentColor(ImageIndex);
}

TColor TKCLImageList::GetPixel(const platform::TPoint &Point, int ListIndex, int ImageIndex)
{
    return ListIndex >= Count() ? platform::clWhite : ImageItem(ListIndex)->GetPixel(ImageIndex, Point);
}

void TKCLImageList::Draw(TCanvas *Canvas, int X, int Y, int ListIndex, int ImageIndex)
{
    ImageItem(ListIndex)->Draw(Canvas, X, Y, ImageIndex);
}

void TKCLImageList::DrawInRect(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, int ListIndex, int ImageIndex,
                               TRect &DrawnRect)
{
    ImageItem(ListIndex)->DrawInRect(Canvas, Rect, Flags, ImageIndex, DrawnRect);
}

void TKCLImageList::DrawClipped(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, uint32_t Offset,
                                TColor TransparentColor, int ListIndex, int ImageIndex)
{
    ImageItem(ListIndex)->DrawClipped(Canvas, Rect, Flags, Offset, TransparentColor, ImageIndex);
}

void KCLImageListRegistration()
{
    platform::RegisterClass(TKCLImageList::StaticClass());
    KCLRegisterListItemClass(KCLListImage, TKCLImageListItem::StaticClass());
}
