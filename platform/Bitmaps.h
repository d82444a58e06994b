// Device-independent bitmaps and the raster side of the canvas.
//
// BMP file images: "BM" file header (14 bytes), a 40-byte information header,
// a colour table of 4 bytes (blue, green, red, 0) per entry for 1, 4 and 8
// bits per pixel, and the pixel rows bottom row first, each padded to a
// multiple of 4 bytes. All numbers are little-endian.
//
// Colour reduction when a true-colour bitmap is exported at fewer bits: every
// pixel takes the nearest entry (least squared RGB distance, lowest index on a
// tie) of a fixed table: 1 bit black and white; 4 bits the 16 VGA colours;
// 8 bits the 3-3-2 table (red and green in 8 steps, blue in 4:
// index = r3 << 5 | g3 << 2 | b2, each channel value = step * 255 / max step).
//
// A bitmap counts as monochrome (one plane of one bit) when every pixel is
// pure black or pure white: the bitmap object keeps 32-bit pixels, so this is
// the one representation of a monochrome bitmap here.
//
// A bitmap's own stream form is a BMP file image: 1 bit for a monochrome
// bitmap, 24 bits for every other; an empty bitmap is stored as nothing (zero
// bytes) and reading zero bytes empties the bitmap.
//
// Palettes are handles to tables of entries; on this true-colour system,
// selecting and realising a palette changes nothing.
#pragma once

#include "platform/Graphics.h"
#include "platform/Classes.h"
#include "platform/SysUtils.h"

#include <QImage>
#include <cstdint>
#include <vector>

namespace platform {

// Raised for bitmap data that is no usable BMP image or a missing bitmap.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

inline constexpr const char *SInvalidBitmap = "Bitmap image is not valid";

// Raised by image lists for pictures that do not fit them.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};
inline constexpr const char *SInvalidImageSize = "Invalid image size";
inline constexpr const char *STooManyImages = "Too many images";

// A resource the program does not hold ("Resource %s not found").
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// ------------------------------------------------------------- palettes

struct PALETTEENTRY {
    uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
    friend bool operator==(const PALETTEENTRY &, const PALETTEENTRY &) = default;
};
inline constexpr uint8_t PC_NOCOLLAPSE = 4;

using HPALETTE = uintptr_t;

// A new palette handle (never 0) holding the entries.
HPALETTE CreatePalette(uint16_t version, const std::vector<PALETTEENTRY> &entries);
// False for an unknown handle.
bool GetPaletteData(HPALETTE palette, uint16_t &version, std::vector<PALETTEENTRY> &entries);
bool DeletePalette(HPALETTE palette);

// -------------------------------------------------------------- bitmaps

// What GetObject tells of a bitmap.
struct TBitmapFacts {
    int Width = 0, Height = 0, Planes = 1, BitsPixel = 32;
};
bool IsMonochromeImage(const QImage &image);
TBitmapFacts GetBitmapFacts(const TBitmap &bitmap);

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0, biHeight = 0;
    uint16_t biPlanes = 1, biBitCount = 0;
    uint32_t biCompression = 0, biSizeImage = 0;
    int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0, biClrImportant = 0;
};
inline constexpr int BitmapFileHeaderSize = 14;
inline constexpr int BitmapInfoHeaderSize = 40;

void StoreInfoHeader(const BITMAPINFOHEADER &header, uint8_t *dest40);
// Bytes of one padded pixel row.
inline int64_t DIBRowBytes(int64_t width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

// The fixed reduction table of a bit count (empty for 24).
std::vector<PALETTEENTRY> ReductionTable(int bitCount);

// GetDIBits with DIB_RGB_COLORS for bit counts 1, 4, 8 and 24: writes the
// colour table (4 × 2^bit count bytes, none for 24) to `table` and the
// bottom-up rows to `bits`, which must hold biSizeImage bytes. False, with
// nothing written, for a null image, another bit count or a header whose
// size does not match the image.
bool GetDIBits(const QImage &image, const BITMAPINFOHEADER &header, uint8_t *table, uint8_t *bits);

// Reads a BMP file image (uncompressed 1, 4, 8, 24 or 32 bits, bottom-up or
// top-down). Raises EInvalidGraphic for anything else, a truncated image or
// fields that point outside the data.
QImage DecodeBMP(const uint8_t *data, size_t size);
// The BMP file image of the bitmap's own stream form.
std::vector<uint8_t> EncodeBMP(const QImage &image);

// The bitmap's own stream form, written at the stream's position; reading
// takes everything from the position to the end.
void SaveBitmapToStream(const TBitmap &bitmap, TStream &stream);
void LoadBitmapFromStream(TBitmap &bitmap, TStream &stream);

// The program's own bitmap resource with a numeric identifier: the picture
// of the Qt resource ":/bitmaps/<Ident>". Raises EResNotFound when there is
// none or it is no picture.
void LoadBitmapFromResourceID(TBitmap &bitmap, int Ident);

// ------------------------------------------------------- canvas rasters

// Raster operations of the copy routines.
enum : uint32_t { SRCCOPY = 0x00CC0020, SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086 };
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };

// The image a canvas draws into (its painter is started when needed); nullptr
// for a canvas without one.
QImage *CanvasImage(TCanvas &canvas);

// Copies the source area into the target area with the raster operation,
// stretching by pixel selection when the sizes differ; drawing honours the
// target's clip rectangle.
void CanvasCopyRect(TCanvas &dest, const TRect &destRect, const QImage &source, const TRect &srcRect,
                    uint32_t rop);
// The target's GDI state that the drawing routines change.
struct TCanvasRasterState {
    int StretchMode = BLACKONWHITE;
    TColor BkColor = clWhite;
    TColor TextColor = clBlack;
    bool Clipped = false;
    TRect ClipRect;
};
// The state is kept per canvas while the canvas lives; ForgetCanvas drops it.
TCanvasRasterState &CanvasRaster(TCanvas &canvas);
void ForgetCanvasRaster(TCanvas &canvas);
// Sets or removes the canvas's clip rectangle.
void CanvasSetClip(TCanvas &canvas, const TRect *clip);
// BrushCopy: the source area drawn into the target area with every pixel of
// `transparent` replaced by the canvas's brush colour.
void CanvasBrushCopy(TCanvas &dest, const TRect &destRect, const QImage &source, const TRect &srcRect,
                     TColor transparent);

} // namespace platform
