#include "kcl/KCLStreamUtils.h"

#include "kcl/KCLUtils.h"
#include "platform/SystemFacts.h"

#include <algorithm>

using platform::BITMAPINFOHEADER;
using platform::TBitmap;
using platform::TMemoryStream;
using platform::TStream;

namespace {

bool isNullHandle(const TBitmap *b) { return !b || b->Empty(); }

// Writes the plain record of data written by `fill`: the size is patched in
// front once the data stands.
template <class Fill>
void writeSized(TStream &Stream, Fill fill)
{
    const int64_t at = Stream.Position();
    KCLWriteInteger(Stream, 0);
    fill(Stream);
    const int64_t end = Stream.Position();
    Stream.SetPosition(at);
    KCLWriteInteger(Stream, int32_t(end - at - 4));
    Stream.SetPosition(end);
}

// The data of one record into a new memory stream, positioned at 0.
void readRecord(TStream &Stream, TMemoryStream &Temp, bool Compressed)
{
    if (Compressed) {
        KCLDecompressStream(Stream, Temp, KCLCompressLZRW1);
    } else {
        const int32_t size = KCLReadInteger(Stream);
        if (size < 0 || size > Stream.Size() - Stream.Position())
            throw platform::EReadError("Stream read error");
        if (size > 0) {
            Temp.SetSize(size);
            Stream.ReadBuffer(Temp.Memory(), size);
        }
    }
    Temp.SetPosition(0);
}

void writeCompressed(TStream &Stream, TMemoryStream &Temp)
{
    Temp.SetPosition(0);
    KCLCompressStream(Temp, Stream, Temp.Size(), KCLCompressLZRW1);
}

} // namespace

void KCLWriteInteger(TStream &Stream, int32_t Value)
{
    const uint32_t v = uint32_t(Value);
    const uint8_t raw[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    Stream.WriteBuffer(raw, 4);
}

int32_t KCLReadInteger(TStream &Stream)
{
    uint8_t raw[4];
    Stream.ReadBuffer(raw, 4);
    return int32_t(uint32_t(raw[0]) | uint32_t(raw[1]) << 8 | uint32_t(raw[2]) << 16 | uint32_t(raw[3]) << 24);
}

void KCLWriteBoolean(TStream &Stream, bool Value)
{
    const uint8_t b = Value ? 1 : 0;
    Stream.WriteBuffer(&b, 1);
}

bool KCLReadBoolean(TStream &Stream)
{
    uint8_t b;
    Stream.ReadBuffer(&b, 1);
    return b != 0;
}

void KCLWriteShortString(TStream &Stream, const AnsiString &Value)
{
    const uint8_t n = uint8_t(std::min<size_t>(Value.size(), 255));
    Stream.WriteBuffer(&n, 1);
    if (n)
        Stream.WriteBuffer(Value.data(), n);
}

AnsiString KCLReadShortString(TStream &Stream)
{
    uint8_t n;
    Stream.ReadBuffer(&n, 1);
    AnsiString s(n, '\0');
    if (n)
        Stream.ReadBuffer(s.data(), n);
    return s;
}

int KCLDIBBitCount(int Colors)
{
    int bits;
    switch (Colors) {
    case 0: {
        auto &facts = platform::SystemFacts();
        bits = facts.GetDeviceCaps(platform::BITSPIXEL) * facts.GetDeviceCaps(platform::PLANES);
        break;
    }
    case 2: bits = 1; break;
    case 16: bits = 4; break;
    case 256: bits = 8; break;
    default: bits = 24; break;
    }
    return bits == 1 || bits == 4 || bits == 8 ? bits : 24;
}

int32_t KCLInitBitmapInfoHeader(const TBitmap *Bitmap, BITMAPINFOHEADER &Header, int Colors)
{
    Header = BITMAPINFOHEADER{};
    const int bits = KCLDIBBitCount(Colors);
    if (!isNullHandle(Bitmap)) {
        Header.biWidth = Bitmap->Width();
        Header.biHeight = Bitmap->Height();
    }
    Header.biBitCount = uint16_t(bits);
    Header.biSizeImage = uint32_t(platform::DIBRowBytes(Header.biWidth, bits) * Header.biHeight);
    return int32_t(Header.biSizeImage);
}

void KCLGetDIBSizes(const TBitmap *Bitmap, int Colors, int32_t &InfoHeaderSize, int32_t &ImageSize)
{
    BITMAPINFOHEADER h;
    ImageSize = KCLInitBitmapInfoHeader(Bitmap, h, Colors);
    InfoHeaderSize = h.biBitCount == 24 ? 40 : 40 + (4 << h.biBitCount);
}

bool KCLGetDIB(const TBitmap *Bitmap, platform::HPALETTE, void *InfoHeader, void *Bits, int Colors)
{
    // Palettes change nothing on this true-colour system: the pixels come
    // as RGB values whatever palette is given.
    BITMAPINFOHEADER h;
    KCLInitBitmapInfoHeader(Bitmap, h, Colors);
    auto *info = static_cast<uint8_t *>(InfoHeader);
    platform::StoreInfoHeader(h, info);
    if (isNullHandle(Bitmap))
        return false;
    return platform::GetDIBits(Bitmap->Image(), h, info + 40, static_cast<uint8_t *>(Bits));
}

std::vector<uint8_t> KCLBitmapToDIBFile(const TBitmap *Bitmap, platform::HPALETTE Palette, int Colors)
{
    if (isNullHandle(Bitmap))
        throw platform::EInvalidGraphic(platform::SInvalidBitmap);
    int32_t infoSize, imageSize;
    KCLGetDIBSizes(Bitmap, Colors, infoSize, imageSize);
    std::vector<uint8_t> file(size_t(14 + infoSize + imageSize), 0);
    const uint32_t fileSize = uint32_t(file.size()), offset = uint32_t(14 + infoSize);
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = uint8_t(fileSize >> (8 * i));
        file[10 + i] = uint8_t(offset >> (8 * i));
    }
    // A failing fetch leaves the pixel bits zero.
    KCLGetDIB(Bitmap, Palette, file.data() + 14, file.data() + offset, Colors);
    return file;
}

void KCLWriteDIBToStream(TStream &Stream, const TBitmap *Bitmap, platform::HPALETTE Palette, int Colors,
                         bool WriteSize)
{
    const std::vector<uint8_t> file = KCLBitmapToDIBFile(Bitmap, Palette, Colors);
    if (WriteSize)
        KCLWriteInteger(Stream, int32_t(file.size()));
    Stream.WriteBuffer(file.data(), int32_t(file.size()));
}

void KCLSaveBitmapAsDIB(TStream &Stream, const TBitmap &Bitmap, int Colors)
{
    const platform::TBitmapFacts facts = platform::GetBitmapFacts(Bitmap);
    if (facts.Planes == 1 && facts.BitsPixel == 1)
        Colors = 2;
    KCLWriteDIBToStream(Stream, &Bitmap, 0, Colors, false);
    Stream.SetPosition(0);
}

void KCLWriteBitmap(TStream &Stream, const TBitmap &Bitmap, bool Compressed, int Colors)
{
    if (Compressed) {
        TMemoryStream temp;
        if (Colors == -1)
            platform::SaveBitmapToStream(Bitmap, temp);
        else
            KCLSaveBitmapAsDIB(temp, Bitmap, Colors);
        writeCompressed(Stream, temp);
    } else if (Colors == -1) {
        writeSized(Stream, [&](TStream &s) { platform::SaveBitmapToStream(Bitmap, s); });
    } else {
        KCLWriteDIBToStream(Stream, &Bitmap, 0, Colors, true);
    }
}

void KCLReadBitmap(TStream &Stream, TBitmap &Bitmap, bool Compressed)
{
    TMemoryStream temp;
    readRecord(Stream, temp, Compressed);
    platform::LoadBitmapFromStream(Bitmap, temp);
}

void KCLWriteStrings(TStream &Stream, const platform::TStringList &Strings, bool Compressed)
{
    const AnsiString text = Strings.Text();
    const auto fill = [&](TStream &s) {
        if (!text.empty())
            s.WriteBuffer(text.data(), int32_t(text.size()));
    };
    if (Compressed) {
        TMemoryStream temp;
        fill(temp);
        writeCompressed(Stream, temp);
    } else {
        writeSized(Stream, fill);
    }
}

void KCLReadStrings(TStream &Stream, platform::TStringList &Strings, bool Compressed)
{
    TMemoryStream temp;
    readRecord(Stream, temp, Compressed);
    const auto &bytes = temp.Bytes();
    Strings.SetText(AnsiString(bytes.begin(), bytes.end()));
}

void KCLWriteWave(TStream &Stream, TKCLWave &Wave, bool Compressed)
{
    if (Compressed)
        WriteWaveCompressed(Wave, Stream);
    else
        WriteWaveSized(Wave, Stream);
}

void KCLReadWave(TStream &Stream, TKCLWave &Wave, bool Compressed)
{
    if (Compressed)
        ReadWaveCompressed(Wave, Stream);
    else
        ReadWaveSized(Wave, Stream);
}
