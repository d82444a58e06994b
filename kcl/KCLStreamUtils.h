// The records with which the resource lists store their items in a stream.
// All numbers are little-endian.
//
//   integer       4 bytes, signed
//   flag          1 byte: written 0 or 1, any non-zero byte reads as true
//   short string  length byte n (0..255), then n bytes; longer strings are
//                 cut to their first 255 characters
//
// Data records, plain: an integer size, then that many bytes (a size of 0:
// nothing follows); compressed: the LZRW1 compressed stream layout over the
// same bytes, without a size in front. The bytes are a BMP file image for a
// bitmap, the lines each ended by CR LF for a string list; waves use the
// wave's own sized and compressed records.
//
// BMP file images built from a bitmap at a colour count take their bits per
// pixel from the count: 0 the display's bits per pixel times its planes, 2 one
// bit, 16 four, 256 eight; a resulting 16 or 32, and every other count (the
// 65536 of the 16-bit save format included), give 24 bits. The pixels are
// reduced to fewer bits as platform/Bitmaps.h describes.
//
// Readers reject a negative size and a size beyond the end of the stream
// with EReadError before taking any memory for it.
#pragma once

#include "kcl/KCLWave.h"
#include "platform/Bitmaps.h"
#include "platform/Classes.h"

#include <cstdint>
#include <vector>

void KCLWriteInteger(platform::TStream &Stream, int32_t Value);
int32_t KCLReadInteger(platform::TStream &Stream);
void KCLWriteBoolean(platform::TStream &Stream, bool Value);
bool KCLReadBoolean(platform::TStream &Stream);
void KCLWriteShortString(platform::TStream &Stream, const AnsiString &Value);
AnsiString KCLReadShortString(platform::TStream &Stream);

// The bits per pixel of a colour count (see above).
int KCLDIBBitCount(int Colors);

// A bitmap handle is the bitmap object; nullptr or an empty bitmap is the
// handle 0. Fills the information header; returns the image size.
int32_t KCLInitBitmapInfoHeader(const platform::TBitmap *Bitmap, platform::BITMAPINFOHEADER &Header,
                                int Colors);
// The header-and-colour-table size and the image size.
void KCLGetDIBSizes(const platform::TBitmap *Bitmap, int Colors, int32_t &InfoHeaderSize,
                    int32_t &ImageSize);
// Fills the header and colour table (InfoHeader) and the pixel rows (Bits),
// each sized as KCLGetDIBSizes says. True when the pixels were fetched.
bool KCLGetDIB(const platform::TBitmap *Bitmap, platform::HPALETTE Palette, void *InfoHeader, void *Bits,
               int Colors);
// The complete BMP file image. Raises EInvalidGraphic "Bitmap image is not
// valid" for the handle 0.
std::vector<uint8_t> KCLBitmapToDIBFile(const platform::TBitmap *Bitmap, platform::HPALETTE Palette,
                                        int Colors);
void KCLWriteDIBToStream(platform::TStream &Stream, const platform::TBitmap *Bitmap,
                         platform::HPALETTE Palette, int Colors, bool WriteSize);
// The BMP file image at one bit for a monochrome bitmap, at Colors for any
// other; then the stream is moved to its beginning.
void KCLSaveBitmapAsDIB(platform::TStream &Stream, const platform::TBitmap &Bitmap, int Colors);

// Colors -1 stores the bitmap's own stream form.
void KCLWriteBitmap(platform::TStream &Stream, const platform::TBitmap &Bitmap, bool Compressed, int Colors);
void KCLReadBitmap(platform::TStream &Stream, platform::TBitmap &Bitmap, bool Compressed);
void KCLWriteStrings(platform::TStream &Stream, const platform::TStringList &Strings, bool Compressed);
void KCLReadStrings(platform::TStream &Stream, platform::TStringList &Strings, bool Compressed);
void KCLWriteWave(platform::TStream &Stream, TKCLWave &Wave, bool Compressed);
void KCLReadWave(platform::TStream &Stream, TKCLWave &Wave, bool Compressed);
