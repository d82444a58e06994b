#include "platform/Bitmaps.h"

#include <QPainter>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

struct PaletteData {
    uint16_t version;
    std::vector<PALETTEENTRY> entries;
};

std::mutex paletteLock;
std::map<HPALETTE, PaletteData> &palettes()
{
    static std::map<HPALETTE, PaletteData> table;
    return table;
}
HPALETTE nextPalette = 0x1000;

void put16(uint8_t *p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(uint8_t *p, uint32_t v) { put16(p, v); put16(p + 2, v >> 16); }
uint32_t get16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t get32(const uint8_t *p) { return get16(p) | get16(p + 2) << 16; }

const PALETTEENTRY vga16[16] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
};

int nearest(const std::vector<PALETTEENTRY> &table, QRgb c)
{
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < table.size(); ++i) {
        const long dr = long(qRed(c)) - table[i].peRed, dg = long(qGreen(c)) - table[i].peGreen,
                   db = long(qBlue(c)) - table[i].peBlue;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = int(i);
        }
    }
    return best;
}

int index332(QRgb c)
{
    const int r = (qRed(c) * 7 + 127) / 255, g = (qGreen(c) * 7 + 127) / 255, b = (qBlue(c) * 3 + 127) / 255;
    return r << 5 | g << 2 | b;
}

[[noreturn]] void invalid() { throw EInvalidGraphic(SInvalidBitmap); }

// Largest side accepted from a BMP file, so that a header cannot ask for
// absurd amounts of memory.
constexpr int32_t MaxSide = 32768;

} // namespace

HPALETTE CreatePalette(uint16_t version, const std::vector<PALETTEENTRY> &entries)
{
    std::lock_guard lock(paletteLock);
    const HPALETTE h = nextPalette++;
    palettes()[h] = PaletteData{version, entries};
    return h;
}

bool GetPaletteData(HPALETTE palette, uint16_t &version, std::vector<PALETTEENTRY> &entries)
{
    std::lock_guard lock(paletteLock);
    auto it = palettes().find(palette);
    if (it == palettes().end())
        return false;
    version = it->second.version;
    entries = it->second.entries;
    return true;
}

bool DeletePalette(HPALETTE palette)
{
    std::lock_guard lock(paletteLock);
    return palettes().erase(palette) == 1;
}

bool IsMonochromeImage(const QImage &image)
{
    if (image.isNull())
        return false;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = row[x] & 0xFFFFFF;
            if (c != 0 && c != 0xFFFFFF)
                return false;
        }
    }
    return true;
}

TBitmapFacts GetBitmapFacts(const TBitmap &bitmap)
{
    TBitmapFacts f;
    f.Width = bitmap.Width();
    f.Height = bitmap.Height();
    f.Planes = 1;
    f.BitsPixel = IsMonochromeImage(bitmap.Image()) ? 1 : 32;
    return f;
}

void StoreInfoHeader(const BITMAPINFOHEADER &h, uint8_t *d)
{
    put32(d, h.biSize);
    put32(d + 4, uint32_t(h.biWidth));
    put32(d + 8, uint32_t(h.biHeight));
    put16(d + 12, h.biPlanes);
    put16(d + 14, h.biBitCount);
    put32(d + 16, h.biCompression);
    put32(d + 20, h.biSizeImage);
    put32(d + 24, uint32_t(h.biXPelsPerMeter));
    put32(d + 28, uint32_t(h.biYPelsPerMeter));
    put32(d + 32, h.biClrUsed);
    put32(d + 36, h.biClrImportant);
}

std::vector<PALETTEENTRY> ReductionTable(int bitCount)
{
    std::vector<PALETTEENTRY> t;
    if (bitCount == 1) {
        t = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (bitCount == 4) {
        t.assign(std::begin(vga16), std::end(vga16));
    } else if (bitCount == 8) {
        for (int i = 0; i < 256; ++i)
            t.push_back({uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7), uint8_t((i & 3) * 255 / 3), 0});
    }
    return t;
}

bool GetDIBits(const QImage &image, const BITMAPINFOHEADER &h, uint8_t *table, uint8_t *bits)
{
    const int bc = h.biBitCount;
    if (image.isNull() || (bc != 1 && bc != 4 && bc != 8 && bc != 24))
        return false;
    if (h.biWidth != image.width() || h.biHeight != image.height())
        return false;
    const int64_t rowBytes = DIBRowBytes(image.width(), bc);
    if (int64_t(h.biSizeImage) != rowBytes * image.height())
        return false;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const std::vector<PALETTEENTRY> t = ReductionTable(bc);
    for (size_t i = 0; i < t.size(); ++i) {
        table[i * 4] = t[i].peBlue;
        table[i * 4 + 1] = t[i].peGreen;
        table[i * 4 + 2] = t[i].peRed;
        table[i * 4 + 3] = 0;
    }
    std::memset(bits, 0, size_t(h.biSizeImage));
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        uint8_t *row = bits + rowBytes * (img.height() - 1 - y);
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = src[x];
            switch (bc) {
            case 24:
                row[x * 3] = uint8_t(qBlue(c));
                row[x * 3 + 1] = uint8_t(qGreen(c));
                row[x * 3 + 2] = uint8_t(qRed(c));
                break;
            case 8:
                row[x] = uint8_t(index332(c));
                break;
            case 4:
                row[x / 2] |= uint8_t(nearest(t, c) << ((x & 1) ? 0 : 4));
                break;
            default:
                if (nearest(t, c))
                    row[x / 8] |= uint8_t(0x80 >> (x & 7));
                break;
            }
        }
    }
    return true;
}

QImage DecodeBMP(const uint8_t *data, size_t size)
{
    if (size < 54 || data[0] != 'B' || data[1] != 'M')
        invalid();
    const uint32_t offBits = get32(data + 10);
    const uint32_t hdrSize = get32(data + 14);
    if (hdrSize < 40 || hdrSize > size - 14)
        invalid();
    const int32_t width = int32_t(get32(data + 18));
    int32_t height = int32_t(get32(data + 22));
    const uint32_t planes = get16(data + 26), bc = get16(data + 28), compression = get32(data + 30);
    uint32_t clrUsed = get32(data + 46);
    const bool topDown = height < 0;
    if (topDown) {
        if (height == INT32_MIN)
            invalid();
        height = -height;
    }
    if (planes != 1 || compression != 0 || width <= 0 || height <= 0 || width > MaxSide || height > MaxSide)
        invalid();
    if (bc != 1 && bc != 4 && bc != 8 && bc != 24 && bc != 32)
        invalid();
    std::vector<QRgb> colours;
    if (bc <= 8) {
        const uint32_t maxColours = 1u << bc;
        if (clrUsed == 0 || clrUsed > maxColours)
            clrUsed = maxColours;
        const size_t tableAt = 14 + size_t(hdrSize);
        if (tableAt + size_t(clrUsed) * 4 > size)
            invalid();
        for (uint32_t i = 0; i < clrUsed; ++i) {
            const uint8_t *e = data + tableAt + i * 4;
            colours.push_back(qRgb(e[2], e[1], e[0]));
        }
    }
    const uint64_t rowBytes = uint64_t(DIBRowBytes(width, int(bc)));
    if (offBits > size || rowBytes * uint64_t(height) > size - offBits)
        invalid();
    QImage img(width, height, QImage::Format_RGB32);
    if (img.isNull())
        invalid();
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = data + offBits + rowBytes * uint64_t(topDown ? y : height - 1 - y);
        QRgb *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            uint32_t index = 0;
            switch (bc) {
            case 32:
            case 24: {
                const uint8_t *p = row + size_t(x) * (bc / 8);
                dst[x] = qRgb(p[2], p[1], p[0]);
                continue;
            }
            case 8: index = row[x]; break;
            case 4: index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15; break;
            default: index = (row[x / 8] >> (7 - (x & 7))) & 1; break;
            }
            // An index beyond a short colour table reads as black.
            dst[x] = index < colours.size() ? colours[index] : qRgb(0, 0, 0);
        }
    }
    return img;
}

std::vector<uint8_t> EncodeBMP(const QImage &image)
{
    if (image.isNull())
        return {};
    const int bc = IsMonochromeImage(image) ? 1 : 24;
    BITMAPINFOHEADER h;
    h.biWidth = image.width();
    h.biHeight = image.height();
    h.biBitCount = uint16_t(bc);
    h.biSizeImage = uint32_t(DIBRowBytes(image.width(), bc) * image.height());
    const uint32_t infoSize = 40 + (bc == 24 ? 0 : 4u << bc);
    std::vector<uint8_t> out(14 + infoSize + h.biSizeImage, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(&out[2], uint32_t(out.size()));
    put32(&out[10], 14 + infoSize);
    StoreInfoHeader(h, &out[14]);
    GetDIBits(image, h, &out[54], &out[14 + infoSize]);
    return out;
}

void SaveBitmapToStream(const TBitmap &bitmap, TStream &stream)
{
    const std::vector<uint8_t> bytes = EncodeBMP(bitmap.Image());
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

void LoadBitmapFromStream(TBitmap &bitmap, TStream &stream)
{
    const int64_t n = stream.Size() - stream.Position();
    if (n <= 0) {
        bitmap.LoadFromImage(QImage());
        return;
    }
    if (n > INT32_MAX)
        invalid();
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    stream.ReadBuffer(bytes.data(), int32_t(n));
    bitmap.LoadFromImage(DecodeBMP(bytes.data(), bytes.size()));
}

void LoadBitmapFromResourceID(TBitmap &bitmap, int Ident)
{
    const QString name = QStringLiteral(":/bitmaps/%1").arg(Ident);
    QImage image;
    if (!image.load(name))
        throw EResNotFound("Resource " + std::to_string(Ident) + " not found");
    bitmap.LoadFromImage(image);
}

// ---------------------------------------------------------- canvas rasters

QImage *CanvasImage(TCanvas &canvas)
{
    canvas.Pixel(0, 0); // starts a bitmap canvas's painter
    QPainter *p = canvas.Painter();
    return p ? dynamic_cast<QImage *>(p->device()) : nullptr;
}

namespace {

std::mutex rasterLock;
std::unordered_map<TCanvas *, TCanvasRasterState> &rasterStates()
{
    static std::unordered_map<TCanvas *, TCanvasRasterState> table;
    return table;
}

QPainter::CompositionMode modeOf(uint32_t rop)
{
    switch (rop) {
    case SRCAND: return QPainter::RasterOp_SourceAndDestination;
    case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_Source;
    }
}

// The source area, cut to the source image (parts outside read as black).
QImage sourceArea(const QImage &source, const TRect &r)
{
    QImage area(r.Width(), r.Height(), QImage::Format_RGB32);
    area.fill(Qt::black);
    QPainter p(&area);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(-r.Left, -r.Top), source.convertToFormat(QImage::Format_RGB32));
    return area;
}

} // namespace

TCanvasRasterState &CanvasRaster(TCanvas &canvas)
{
    std::lock_guard lock(rasterLock);
    return rasterStates()[&canvas];
}

void ForgetCanvasRaster(TCanvas &canvas)
{
    std::lock_guard lock(rasterLock);
    rasterStates().erase(&canvas);
}

void CanvasSetClip(TCanvas &canvas, const TRect *clip)
{
    TCanvasRasterState &st = CanvasRaster(canvas);
    st.Clipped = clip != nullptr;
    st.ClipRect = clip ? *clip : TRect{};
    CanvasImage(canvas);
    if (QPainter *p = canvas.Painter()) {
        if (clip)
            p->setClipRect(clip->ToQRect());
        else
            p->setClipping(false);
    }
}

void CanvasCopyRect(TCanvas &dest, const TRect &destRect, const QImage &source, const TRect &srcRect, uint32_t rop)
{
    if (destRect.IsEmpty() || srcRect.IsEmpty() || source.isNull() || !CanvasImage(dest))
        return;
    QPainter *p = dest.Painter();
    const QImage area = sourceArea(source, srcRect);
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->setCompositionMode(modeOf(rop));
    p->drawImage(destRect.ToQRect(), area);
    p->restore();
}

void CanvasBrushCopy(TCanvas &dest, const TRect &destRect, const QImage &source, const TRect &srcRect,
                     TColor transparent)
{
    if (srcRect.IsEmpty() || source.isNull())
        return;
    QImage area = sourceArea(source, srcRect);
    const QRgb key = TColorToQColor(ColorToRGB(transparent)).rgb() | 0xFF000000u;
    const QRgb brush = TColorToQColor(ColorToRGB(dest.Brush().Color())).rgb() | 0xFF000000u;
    for (int y = 0; y < area.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(area.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            if ((row[x] | 0xFF000000u) == key)
                row[x] = brush;
    }
    CanvasCopyRect(dest, destRect, area, TRect{0, 0, area.width(), area.height()}, SRCCOPY);
}

} // namespace platform
