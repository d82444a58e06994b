#include "kcl/KCLBitmapList.h"

#include "kcl/KCLGraphUtils.h"
#include "kcl/KCLStreamUtils.h"
#include "kcl/KCLUtils.h"
#include "platform/Libraries.h"
#include "platform/Streaming.h"

using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;
using platform::TStream;

namespace {

// The folder of a storage folder kind with its trailing delimiter; kind 3
// (the storage file's own folder) and unknown kinds give none here.
AnsiString prefixFolder(uint8_t Kind)
{
    return Kind <= 2 ? KCLGetPrefixPath(static_cast<TKCLPathPrefix>(Kind), true) : AnsiString();
}

// "<first three characters of the storage file's name><Ident>.bmp".
AnsiString identFileName(const AnsiString &StorageFileName, uint16_t Ident)
{
    return platform::ExtractFileName(StorageFileName).substr(0, 3) + platform::IntToStr(Ident) +
           KCLContainerFileExt(KCLListBitmap, true);
}

// The bitmap resource "#<Ident>" of the library Name, which is loaded and
// released at once. False, with Target untouched, when the library or the
// resource is not there.
bool loadLibraryBitmap(const AnsiString &Name, uint16_t Ident, TBitmap &Target)
{
    const platform::HMODULE module = platform::LoadLibrary(Name);
    if (module == 0)
        return false;
    struct Release {
        platform::HMODULE m;
        ~Release() { platform::FreeLibrary(m); }
    } release{module};
    const AnsiString *data = platform::FindResourceData(module, platform::ResourceIdName(Ident));
    if (data == nullptr || data->empty())
        return false;
    Target.LoadFromImage(platform::DecodeBMP(reinterpret_cast<const uint8_t *>(data->data()), data->size()));
    return true;
}

} // namespace

// --------------------------------------------------------- TKCLBitmapListItem

void TKCLBitmapListItem::PublishProperties(platform::TPropList &list)
{
    using T = TKCLBitmapListItem;
    platform::TPropertyTable<T> p(list);
    p.Boolean("Compressed", &T::Compressed, &T::SetCompressed).Default(0);
    p.Integer("Ident", &T::Ident, &T::SetIdent).Stored(false);
    p.String("Description", &T::Description, &T::SetDescription).Stored(false);
    p.Enum("PixelFormat", TKCLSavePixelFormatInfo, &T::PixelFormat, &T::SetPixelFormat).Default(spfDefault);
}

TKCLBitmapListItem::TKCLBitmapListItem(TComponent *AOwner)
    : TKCLListItem(AOwner), bitmap_(std::make_unique<TBitmap>())
{
}

TKCLBitmapListItem::~TKCLBitmapListItem() = default;

TBitmap *TKCLBitmapListItem::Bitmap()
{
    fetch();
    return bitmap_.get();
}

void TKCLBitmapListItem::SetBitmap(const TBitmap *Value)
{
    if (Value == nullptr)
        bitmap_->LoadFromImage(QImage());
    else if (Value != bitmap_.get())
        bitmap_->Assign(*Value);
}

void TKCLBitmapListItem::fetch()
{
    const auto state = ComponentState();
    if (state.Contains(platform::csDesigning) || state.Contains(platform::csLoading) || !bitmap_->Empty())
        return;
    BeginUpdate();
    try {
        if (auto *container = dynamic_cast<TKCLCustomContainer *>(Owner())) {
            const uint8_t kind = container->StorageFolderKind();
            const AnsiString &storage = container->StorageFileName();
            const AnsiString ownFolder = platform::ExtractFilePath(storage);
            switch (container->StorageMode()) {
            case 1:
                KCLLoadBitmapFromContainerFile(prefixFolder(kind) + storage, Ident(), *bitmap_);
                break;
            case 2:
                platform::LoadBitmapFromResourceID(*bitmap_, Ident());
                break;
            case 3: {
                AnsiString name;
                if (kind <= 1)
                    name = storage;
                else
                    name = (kind == 3 ? ownFolder : KCLGetProgramDir()) + identFileName(storage, Ident());
                loadLibraryBitmap(name, Ident(), *bitmap_);
                break;
            }
            case 4:
                bitmap_->LoadFromFile((kind == 3 ? ownFolder : prefixFolder(kind)) + identFileName(storage, Ident()));
                break;
            default:
                break;
            }
        }
    } catch (...) {
        bitmap_->LoadFromImage(QImage());
        EndUpdate(false);
        throw;
    }
    EndUpdate(false);
}

void TKCLBitmapListItem::Assign(platform::TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLBitmapListItem *>(Source)) {
        if (src == this)
            return;
        AssignHeader(*src);
        bitmap_->Assign(*src->Bitmap());
        pixelFormat_ = src->pixelFormat_;
        return;
    }
    TKCLListItem::Assign(Source);
}

void TKCLBitmapListItem::DefineProperties(platform::TFiler &Filer)
{
    TKCLListItem::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Internal", [this](TStream &s) { LoadFromStream(s); }, [this](TStream &s) { SaveToStream(s); }, true);
}

bool TKCLBitmapListItem::IsEmpty() const { return bitmap_->Empty(); }

uint8_t TKCLBitmapListItem::GetFlags() const
{
    uint8_t flags = TKCLListItem::GetFlags() | KCLSavePixelFormatFlag(pixelFormat_);
    if (!IsEmpty())
        flags |= KCLItemHasData;
    return flags;
}

void TKCLBitmapListItem::LoadFromStream(TStream &Stream)
{
    const uint8_t flags = ReadHeader(Stream);
    pixelFormat_ = KCLSavePixelFormatFromFlags(flags);
    if (flags & KCLItemHasData)
        KCLReadBitmap(Stream, *bitmap_, Compressed());
}

void TKCLBitmapListItem::SaveToStream(TStream &Stream)
{
    WriteHeader(Stream);
    if (!IsEmpty())
        KCLWriteBitmap(Stream, *bitmap_, Compressed(), KCLSavePixelFormatColors(pixelFormat_));
}

void TKCLBitmapListItem::Clear()
{
    // Emptied in place: canvases handed out for the bitmap stay valid.
    bitmap_->LoadFromImage(QImage());
}

void TKCLBitmapListItem::ReadState(platform::TReader &Reader)
{
    TKCLListItem::ReadState(Reader);
    if (auto *list = dynamic_cast<TKCLBitmapList *>(Reader.Parent()))
        list->AddItem(this);
}

bool KCLLoadBitmapFromContainerFile(const AnsiString &FileName, int Index, TBitmap &Target)
{
    TKCLBitmapListItem item(nullptr);
    const bool loaded = KCLLoadItemFromFile(FileName, KCLListBitmap, nullptr, Index, &item);
    Target.Assign(*item.Bitmap());
    return loaded;
}

// ------------------------------------------------------------- TKCLBitmapList

void TKCLBitmapList::PublishProperties(platform::TPropList &list)
{
    using T = TKCLBitmapList;
    platform::TPropertyTable<T> p(list);
    p.Boolean("DefaultCompressed", &T::DefaultCompressed, &T::SetDefaultCompressed).Default(0);
    p.Enum("DefaultPixelFormat", TKCLSavePixelFormatInfo, &T::DefaultPixelFormat, &T::SetDefaultPixelFormat)
        .Default(spfDefault);
}

TKCLBitmapList::TKCLBitmapList(TComponent *AOwner) : TKCLCustomImageList(AOwner)
{
    SetItemClass(TKCLBitmapListItem::StaticClass());
    SetListKind(KCLListBitmap);
    KCLRegisterListItemClass(KCLListBitmap, TKCLBitmapListItem::StaticClass());
}

TCanvas *TKCLBitmapList::GetCanvas(int ListIndex) { return &BitmapItem(ListIndex)->Bitmap()->Canvas(); }

void TKCLBitmapList::GetImageRect(int ListIndex, int, TRect &Rect)
{
    const TBitmap *b = BitmapItem(ListIndex)->Bitmap();
    Rect = platform::Rect(0, 0, b->Width(), b->Height());
}

int TKCLBitmapList::GetDimension(int ListIndex, int Which)
{
    if (ListIndex >= Count())
        return 0;
    const TBitmap *b = BitmapItem(ListIndex)->Bitmap();
    return Which == 0 ? b->Width() : Which == 1 ? b->Height() : 0;
}

int TKCLBitmapList::GetImageCount(int ListIndex)
{
    if (ListIndex >= Count())
        return 0;
    return BitmapItem(ListIndex)->Bitmap()->Empty() ? 0 : 1;
}

bool TKCLBitmapList::IsValidImage(int ListIndex, int)
{
    return ListIndex < Count() && !BitmapItem(ListIndex)->Bitmap()->Empty();
}

void TKCLBitmapList::GetImageBitmap(int ListIndex, int, TBitmap *Target)
{
    TBitmap *b = BitmapItem(ListIndex)->Bitmap();
    if (Target != nullptr)
        Target->Assign(*b);
}

platform::HPALETTE TKCLBitmapList::GetPalette(int ListIndex)
{
    // Bitmaps here are true colour and carry no palette.
    if (ListIndex < Count())
        (void)BitmapItem(ListIndex)->Bitmap();
    return 0;
}

TColor TKCLBitmapList::GetTransparentColor(int ListIndex, int)
{
    if (ListIndex >= Count())
        return platform::clWhite;
    return BitmapItem(ListIndex)->Bitmap()->TransparentColor();
}

TColor TKCLBitmapList::GetPixel(const platform::TPoint &Point, int ListIndex, int)
{
    if (ListIndex >= Count())
        return platform::clWhite;
    return BitmapItem(ListIndex)->Bitmap()->Canvas().Pixel(Point.X, Point.Y);
}

void TKCLBitmapList::Draw(TCanvas *Canvas, int X, int Y, int ListIndex, int)
{
    TBitmap *b = BitmapItem(ListIndex)->Bitmap();
    KCLDrawBitmap(Canvas, platform::Bounds(X, Y, b->Width(), b->Height()), b, 0, 0, 0);
}

void TKCLBitmapList::DrawInRect(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, int ListIndex, int,
                                TRect &DrawnRect)
{
    TBitmap *b = BitmapItem(ListIndex)->Bitmap();
    KCLDrawBitmapEx(Canvas, Rect, b, Flags, b->TransparentColor(), DrawnRect);
}

void TKCLBitmapList::DrawClipped(TCanvas *Canvas, const TRect &Rect, uint16_t Flags, uint32_t Offset,
                                 TColor TransparentColor, int ListIndex, int)
{
    KCLDrawBitmap(Canvas, Rect, BitmapItem(ListIndex)->Bitmap(), Flags, Offset, TransparentColor);
}

void KCLBitmapListRegistration()
{
    platform::RegisterClass(TKCLBitmapList::StaticClass());
    KCLRegisterListItemClass(KCLListBitmap, TKCLBitmapListItem::StaticClass());
}
