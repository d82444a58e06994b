#include "kcl/KCLGraphUtils.h"

#include "kcl/KCLUtils.h"

#include <cmath>

using namespace platform;

TKCLAlphaBlendFunc *KCLGraphUtilsAlphaBlend = nullptr;
TKCLTransparentBltFunc *KCLGraphUtilsTransparentBlt = nullptr;

namespace {
platform::HMODULE graphUtilsMsimg32 = 0;
}

void KCLGraphUtilsInit()
{
    graphUtilsMsimg32 = platform::LoadLibraryA("msimg32.dll");
    if (graphUtilsMsimg32 == 0)
        return;
    KCLGraphUtilsAlphaBlend =
        platform::FromFarProc<TKCLAlphaBlendFunc>(platform::GetProcAddress(graphUtilsMsimg32, "AlphaBlend"));
    KCLGraphUtilsTransparentBlt =
        platform::FromFarProc<TKCLTransparentBltFunc>(platform::GetProcAddress(graphUtilsMsimg32, "TransparentBlt"));
}

void KCLGraphUtilsDone()
{
    if (graphUtilsMsimg32 != 0)
        platform::FreeLibrary(graphUtilsMsimg32);
    graphUtilsMsimg32 = 0;
    KCLGraphUtilsAlphaBlend = nullptr;
    KCLGraphUtilsTransparentBlt = nullptr;
}

namespace {

enum class Placement { Natural, Center, Stretch, Tile };

// Every place the drawing goes to: P itself, or every tile (rows and
// columns both counted inclusively, so tiles past the target are drawn too).
template <class Draw>
void forEachPlace(Placement mode, const TRect &dest, const TRect &p, int w, int h, int rows, int cols, Draw draw)
{
    if (mode != Placement::Tile) {
        draw(p);
        return;
    }
    if (w == 0 || h == 0)
        return;
    for (int r = 0; r <= rows; ++r)
        for (int k = 0; k <= cols; ++k)
            draw(Bounds(dest.Left + k * w, dest.Top + r * h, w, h));
}

} // namespace

void KCLDrawBitmapRect(TCanvas *Canvas, const TRect &DestRect, TCanvas *SrcCanvas, const TRect &SrcRect,
                       uint16_t Options, TColor Color, HPALETTE Palette, const TKCLDrawExtra &Extra,
                       TRect &DrawnRect)
{
    DrawnRect = TRect{};
    if (DestRect.IsEmpty() || !Canvas)
        return;
    const int W = DestRect.Width(), H = DestRect.Height();
    const int w = SrcRect.Width(), h = SrcRect.Height();
    Placement mode = Placement::Natural;
    if (Options & KCLDrawCenter)
        mode = Placement::Center;
    if (Options & KCLDrawStretch)
        mode = Placement::Stretch;
    if (Options & KCLDrawTile)
        mode = Placement::Tile;

    int px = DestRect.Left, py = DestRect.Top, pw = w, ph = h, rows = 0, cols = 0;
    switch (mode) {
    case Placement::Natural:
        break;
    case Placement::Center:
        px = DestRect.Left + (W - w) / 2;
        py = DestRect.Top + (H - h) / 2;
        break;
    case Placement::Stretch:
        CanvasRaster(*Canvas).StretchMode = COLORONCOLOR;
        pw = W;
        ph = H;
        if ((Options & KCLDrawAspectFit) == KCLDrawAspectFit) {
            const TRect fit = KCLFitRect(Rect(0, 0, w, h), Rect(0, 0, W, H));
            px = fit.Left + DestRect.Left;
            py = fit.Top + DestRect.Top;
            pw = fit.Width();
            ph = fit.Height();
        } else if (Options & KCLDrawAspectWidth) {
            if (w == 0)
                throw EZeroDivide("Floating point division by zero");
            ph = int(std::nearbyint(double(h) * W / w));
        } else if (Options & KCLDrawAspectHeight) {
            if (h == 0)
                throw EZeroDivide("Floating point division by zero");
            pw = int(std::nearbyint(double(w) * H / h));
        }
        break;
    case Placement::Tile:
        if (w != 0 && h != 0) {
            rows = H / h + 1;
            cols = W / w + 1;
        }
        break;
    }
    const TRect p = Bounds(px, py, pw, ph);
    // The drawn rectangle is the placement unless it has no area (or the
    // bitmap is tiled): then it is the whole target.
    if (mode == Placement::Tile || pw <= 0 || ph <= 0)
        DrawnRect = DestRect;
    else
        DrawnRect = p;

    const auto place = [&](auto draw) { forEachPlace(mode, DestRect, p, w, h, rows, cols, draw); };

    if (Options & KCLDrawBrushCopy) {
        if (!Extra.Bitmap || Extra.Bitmap->Empty())
            return;
        Canvas->Brush().SetColor(Color);
        const QImage src = Extra.Bitmap->Image();
        const TColor key = Extra.Bitmap->TransparentColor();
        place([&](const TRect &r) { CanvasBrushCopy(*Canvas, r, src, SrcRect, key); });
        return;
    }
    if (!SrcCanvas)
        return;
    if ((Options & KCLDrawMask) && Extra.Mask) {
        TCanvasRasterState &st = CanvasRaster(*Canvas);
        const TColor oldBk = st.BkColor, oldText = st.TextColor;
        st.BkColor = clWhite;
        st.TextColor = clBlack;
        const QImage *mask = CanvasImage(*Extra.Mask);
        const QImage *src = CanvasImage(*SrcCanvas);
        if (mask && src) {
            const QImage maskCopy = mask->copy(), srcCopy = src->copy();
            const TRect area = Bounds(SrcRect.Left, SrcRect.Top, w, h);
            place([&](const TRect &r) {
                CanvasCopyRect(*Canvas, r, maskCopy, area, SRCAND);
                CanvasCopyRect(*Canvas, r, srcCopy, area, SRCPAINT);
            });
        }
        st.BkColor = oldBk;
        st.TextColor = oldText;
        return;
    }
    if (Options & KCLDrawTransparent) {
        TBitmap image, mask;
        (void)Palette; // a palette changes nothing on a true-colour bitmap
        KCLMakeTransparentPair(SrcCanvas, SrcRect, mask, Color, image);
        if (image.Empty())
            return;
        TCanvasRasterState &st = CanvasRaster(*Canvas);
        const TColor oldBk = st.BkColor, oldText = st.TextColor;
        st.BkColor = clWhite;
        st.TextColor = clBlack;
        const QImage maskImg = mask.Image(), img = image.Image();
        const TRect area = Rect(0, 0, w, h);
        place([&](const TRect &r) {
            CanvasCopyRect(*Canvas, r, maskImg, area, SRCAND);
            CanvasCopyRect(*Canvas, r, img, area, SRCPAINT);
        });
        st.BkColor = oldBk;
        st.TextColor = oldText;
        return;
    }
    const QImage *src = CanvasImage(*SrcCanvas);
    if (!src)
        return;
    const QImage srcCopy = src->copy();
    const TRect area = Bounds(SrcRect.Left, SrcRect.Top, w, h);
    place([&](const TRect &r) { CanvasCopyRect(*Canvas, r, srcCopy, area, SRCCOPY); });
}

void KCLDrawBitmapClipped(TCanvas *Canvas, const TRect &DestRect, TCanvas *SrcCanvas, const TRect &SrcRect,
                          uint16_t Options, TColor Color, HPALETTE Palette, const TKCLDrawExtra &Extra,
                          uint32_t ClipOffset, TRect &DrawnRect)
{
    if (!(Options & KCLDrawClip) || !Canvas) {
        KCLDrawBitmapRect(Canvas, DestRect, SrcCanvas, SrcRect, Options, Color, Palette, Extra, DrawnRect);
        return;
    }
    TRect clip = DestRect;
    if (ClipOffset != 0) {
        const int dx = int16_t(ClipOffset & 0xFFFF), dy = int16_t(ClipOffset >> 16);
        clip = Rect(clip.Left + dx, clip.Top + dy, clip.Right + dx, clip.Bottom + dy);
    }
    CanvasSetClip(*Canvas, &clip);
    try {
        KCLDrawBitmapRect(Canvas, DestRect, SrcCanvas, SrcRect, Options, Color, Palette, Extra, DrawnRect);
    } catch (...) {
        CanvasSetClip(*Canvas, nullptr);
        throw;
    }
    CanvasSetClip(*Canvas, nullptr);
}

namespace {

void drawWhole(TCanvas *Canvas, const TRect &DestRect, TBitmap *Bitmap, uint16_t Options, uint32_t ClipOffset,
               TColor Color, TRect &DrawnRect, bool clipped)
{
    if (!Canvas || !Bitmap || Bitmap->Empty())
        return;
    if (Bitmap->Canvas().PenPos().X == -1)
        return;
    // Option 4096 would select the bitmap's palette here unless drawing
    // switch bit 0 is set on a display of at most 8 bits; a bitmap has no
    // palette on this system, so there is nothing to select.
    TKCLDrawExtra extra;
    TCanvas *src = nullptr;
    if (Options & KCLDrawBrushCopy)
        extra.Bitmap = Bitmap;
    else
        src = &Bitmap->Canvas();
    const TRect srcRect = Rect(0, 0, Bitmap->Width(), Bitmap->Height());
    if (clipped)
        KCLDrawBitmapClipped(Canvas, DestRect, src, srcRect, Options, Color, 0, extra, ClipOffset, DrawnRect);
    else
        KCLDrawBitmapRect(Canvas, DestRect, src, srcRect, Options, Color, 0, extra, DrawnRect);
}

} // namespace

void KCLDrawBitmap(TCanvas *Canvas, const TRect &DestRect, TBitmap *Bitmap, uint16_t Options, uint32_t ClipOffset,
                   TColor Color)
{
    TRect drawn;
    drawWhole(Canvas, DestRect, Bitmap, Options, ClipOffset, Color, drawn, true);
}

void KCLDrawBitmapEx(TCanvas *Canvas, const TRect &DestRect, TBitmap *Bitmap, uint16_t Options, TColor Color,
                     TRect &DrawnRect)
{
    DrawnRect = TRect{};
    drawWhole(Canvas, DestRect, Bitmap, Options, 0, Color, DrawnRect, false);
}

void KCLPrepareBitmap(TBitmap *Bitmap, const TRect &R, TColor Color)
{
    if (!Bitmap || R.IsEmpty())
        return;
    Bitmap->SetSize(R.Width(), R.Height());
    if (Color == clNone)
        return;
    TCanvas &c = Bitmap->Canvas();
    c.Brush().SetColor(Color);
    c.Brush().SetStyle(bsSolid);
    c.FillRect(Rect(0, 0, R.Width(), R.Height()));
}

void KCLMakeTransparentPair(TCanvas *SrcCanvas, const TRect &SrcRect, TBitmap &Mask, TColor Color, TBitmap &Image)
{
    const int w = SrcRect.Width(), h = SrcRect.Height();
    Mask.SetSize(w, h);
    Image.SetSize(w, h);
    const QImage *src = SrcCanvas ? CanvasImage(*SrcCanvas) : nullptr;
    if (!src || w <= 0 || h <= 0)
        return;
    QImage img = src->copy(SrcRect.ToQRect()).convertToFormat(QImage::Format_RGB32);
    QImage mask(img.size(), QImage::Format_RGB32);
    const QRgb key = TColorToQColor(ColorToRGB(Color)).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        QRgb *m = reinterpret_cast<QRgb *>(mask.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const bool transparent = (row[x] & 0xFFFFFF) == key;
            m[x] = transparent ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            if (transparent)
                row[x] = qRgb(0, 0, 0);
        }
    }
    Image.LoadFromImage(img);
    Mask.LoadFromImage(mask);
}

int KCLBorderStyleWidth(TKCLBorderStyle Style)
{
    switch (Style) {
    case lsNone:
        return 0;
    case lsSingle:
    case lsSingleRaised:
    case lsSingleLowered:
        return 1;
    default:
        return 2;
    }
}

int KCLMulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t p = int64_t(a) * b;
    const int64_t half = (c < 0 ? -int64_t(c) : int64_t(c)) / 2;
    const int64_t r = ((p < 0) != (c < 0)) ? (p - half) / c : (p + half) / c;
    return int(r);
}

void KCLBuildColorList(TColor FromColor, TColor ToColor, uint16_t Count, bool Clear, std::vector<TColor> *List)
{
    if (!List || Count == 0)
        return;
    const TColor from = ColorToRGB(FromColor), to = ColorToRGB(ToColor);
    if (Clear)
        List->clear();
    const int r0 = GetRValue(from), g0 = GetGValue(from), b0 = GetBValue(from);
    const int dr = GetRValue(to) - r0, dg = GetGValue(to) - g0, db = GetBValue(to) - b0;
    for (int i = Clear ? 0 : 1; i < Count; ++i) {
        // A ramp of one step has no second colour: it holds FromColor.
        const int n = Count - 1;
        const auto step = [&](int d) { return n == 0 ? 0 : KCLMulDiv(i, d, n); };
        List->push_back(RGB((r0 + step(dr)) & 0xFF, (g0 + step(dg)) & 0xFF, (b0 + step(db)) & 0xFF));
    }
}

HPALETTE KCLCreateColorPalette(const std::vector<TColor> *List)
{
    if (!List || List->empty())
        return 0;
    std::vector<PALETTEENTRY> entries;
    for (TColor c : *List)
        entries.push_back({uint8_t(GetRValue(c)), uint8_t(GetGValue(c)), uint8_t(GetBValue(c)), PC_NOCOLLAPSE});
    return CreatePalette(0x300, entries);
}
