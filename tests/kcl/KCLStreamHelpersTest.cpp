// Stream records: integers, flags, short strings, BMP file images of bitmaps
// at each colour count, and the bitmap, string-list and wave data records.
#include "kcl/KCLStreamUtils.h"

#include "kcl/KCLUtils.h"
#include "platform/SystemFacts.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

namespace {

std::vector<uint8_t> bytesOf(TMemoryStream &s) { return s.Bytes(); }

uint32_t le32(const std::vector<uint8_t> &b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t> &b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

void paint(TBitmap &bmp, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 20 % 256, y * 30 % 256, (x + y) * 10 % 256));
    bmp.LoadFromImage(img);
}

std::vector<uint8_t> wavImage()
{
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                              16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0,
                              2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    return w;
}

} // namespace

TEST(KCLStreamRecords, PrimitivesAreLittleEndianAndExact)
{
    TMemoryStream s;
    KCLWriteInteger(s, -2);
    KCLWriteInteger(s, 0x01020304);
    KCLWriteBoolean(s, true);
    KCLWriteBoolean(s, false);
    KCLWriteShortString(s, "abc");
    KCLWriteShortString(s, "");
    EXPECT_EQ(bytesOf(s), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 1, 0, 3, 'a', 'b', 'c', 0}));
    s.SetPosition(0);
    EXPECT_EQ(KCLReadInteger(s), -2);
    EXPECT_EQ(KCLReadInteger(s), 0x01020304);
    EXPECT_TRUE(KCLReadBoolean(s));
    EXPECT_FALSE(KCLReadBoolean(s));
    EXPECT_EQ(KCLReadShortString(s), "abc");
    EXPECT_EQ(KCLReadShortString(s), "");
    EXPECT_THROW(KCLReadInteger(s), EReadError);
}

TEST(KCLStreamRecords, AnyNonZeroFlagByteReadsTrue)
{
    TMemoryStream s;
    const uint8_t b = 0x7F;
    s.WriteBuffer(&b, 1);
    s.SetPosition(0);
    EXPECT_TRUE(KCLReadBoolean(s));
}

TEST(KCLStreamRecords, LongShortStringIsCutTo255)
{
    TMemoryStream s;
    KCLWriteShortString(s, std::string(300, 'x'));
    EXPECT_EQ(s.Size(), 256);
    EXPECT_EQ(s.Bytes()[0], 255);
    s.SetPosition(0);
    EXPECT_EQ(KCLReadShortString(s), std::string(255, 'x'));
}

TEST(KCLStreamRecords, TruncatedShortStringRaisesReadError)
{
    TMemoryStream s;
    const uint8_t b[] = {10, 'a', 'b'};
    s.WriteBuffer(b, 3);
    s.SetPosition(0);
    EXPECT_THROW(KCLReadShortString(s), EReadError);
}

TEST(KCLDIBImage, TenByTenAt256ColoursIs1198Bytes)
{
    TBitmap bmp;
    paint(bmp, 10, 10);
    const auto f = KCLBitmapToDIBFile(&bmp, 0, 256);
    ASSERT_EQ(f.size(), 1198u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(le32(f, 2), 1198u);
    EXPECT_EQ(le32(f, 6), 0u);
    EXPECT_EQ(le32(f, 10), 14u + 40 + 1024);
    EXPECT_EQ(le32(f, 14), 40u);
    EXPECT_EQ(le32(f, 18), 10u);
    EXPECT_EQ(le32(f, 22), 10u);
    EXPECT_EQ(le16(f, 26), 1);
    EXPECT_EQ(le16(f, 28), 8);
    EXPECT_EQ(le32(f, 30), 0u);
    EXPECT_EQ(le32(f, 34), 120u);
    for (size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(le32(f, at), 0u);
    // The image reads back through the decoder (colours reduced to 3-3-2).
    const QImage back = DecodeBMP(f.data(), f.size());
    EXPECT_EQ(back.size(), QSize(10, 10));
}

TEST(KCLDIBImage, BitCountFollowsColourCountAndDisplay)
{
    TFakeSystemScope sys;
    sys.Fake.DeviceBitsPixel = 32;
    sys.Fake.DevicePlanes = 1;
    TBitmap bmp;
    paint(bmp, 10, 3);
    int32_t info = 0, image = 0;
    KCLGetDIBSizes(&bmp, 16, info, image);
    EXPECT_EQ(info, 40 + 64);
    EXPECT_EQ(image, 8 * 3);
    KCLGetDIBSizes(&bmp, 0, info, image);
    EXPECT_EQ(info, 40);
    EXPECT_EQ(image, 32 * 3);
    KCLGetDIBSizes(&bmp, 2, info, image);
    EXPECT_EQ(info, 48);
    EXPECT_EQ(image, 4 * 3);
    sys.Fake.DeviceBitsPixel = 8;
    KCLGetDIBSizes(&bmp, 0, info, image);
    EXPECT_EQ(info, 40 + 1024);
    // The 16-bit save format's count is stored at 24 bits and reads back.
    KCLGetDIBSizes(&bmp, 65536, info, image);
    EXPECT_EQ(info, 40);
    const auto f = KCLBitmapToDIBFile(&bmp, 0, 65536);
    EXPECT_EQ(DecodeBMP(f.data(), f.size()), bmp.Image());
}

TEST(KCLDIBImage, MissingBitmapRaisesAndWritesNothing)
{
    TMemoryStream s;
    TBitmap empty;
    try {
        KCLWriteDIBToStream(s, &empty, 0, 256, true);
        FAIL();
    } catch (const EInvalidGraphic &e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
    EXPECT_THROW(KCLBitmapToDIBFile(nullptr, 0, 0), EInvalidGraphic);
    EXPECT_EQ(s.Size(), 0);
}

TEST(KCLDIBImage, MonochromeBitmapAlwaysSavedAtOneBit)
{
    TBitmap bmp;
    QImage img(9, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(0, 0, 0));
    img.setPixel(8, 1, qRgb(0, 0, 0));
    bmp.LoadFromImage(img);
    TMemoryStream s;
    KCLWriteInteger(s, 7);
    KCLSaveBitmapAsDIB(s, bmp, 256);
    EXPECT_EQ(s.Position(), 0);
    const auto &b = s.Bytes();
    ASSERT_EQ(b.size(), 4u + 14 + 48 + 8);
    EXPECT_EQ(le16(b, 4 + 28), 1);
    // Colour table black, white; rows bottom first, 9 pixels in 4 bytes.
    EXPECT_EQ(le32(b, 4 + 54), 0u);
    EXPECT_EQ(le32(b, 4 + 58), 0x00FFFFFFu);
    const size_t bits = 4 + 62;
    EXPECT_EQ((std::vector<uint8_t>(b.begin() + bits, b.end())),
              (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00, 0x7F, 0x80, 0x00, 0x00}));
}

TEST(KCLBitmapRecord, PlainAndCompressedRoundTripsKeepFollowingRecords)
{
    TBitmap bmp;
    paint(bmp, 13, 7);
    for (bool compressed : {false, true}) {
        for (int colours : {-1, 0}) {
            TMemoryStream s;
            KCLWriteBitmap(s, bmp, compressed, colours);
            KCLWriteInteger(s, 4711);
            s.SetPosition(0);
            TBitmap back;
            KCLReadBitmap(s, back, compressed);
            EXPECT_EQ(back.Image(), bmp.Image()) << compressed << colours;
            EXPECT_EQ(KCLReadInteger(s), 4711);
        }
    }
}

TEST(KCLBitmapRecord, PlainSizeIsPatchedInFront)
{
    TBitmap bmp;
    paint(bmp, 3, 2);
    TMemoryStream s;
    KCLWriteInteger(s, 1);
    KCLWriteBitmap(s, bmp, false, -1);
    const auto &b = s.Bytes();
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(s.Position(), s.Size());
    // 24 bits: 14 + 40 + 2 rows of 12 bytes.
    EXPECT_EQ(b.size() - 8, 78u);
}

TEST(KCLBitmapRecord, EmptyBitmapOwnFormIsSizeZero)
{
    TBitmap empty, target;
    paint(target, 2, 2);
    TMemoryStream s;
    KCLWriteBitmap(s, empty, false, -1);
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{0, 0, 0, 0}));
    s.SetPosition(0);
    KCLReadBitmap(s, target, false);
    EXPECT_TRUE(target.Empty());
}

TEST(KCLBitmapRecord, CorruptOrShortRecordsAreRejected)
{
    TBitmap bmp;
    TMemoryStream s;
    KCLWriteInteger(s, 100);
    s.WriteBuffer("BM", 2);
    s.SetPosition(0);
    EXPECT_THROW(KCLReadBitmap(s, bmp, false), EReadError);
    TMemoryStream n;
    KCLWriteInteger(n, -5);
    n.SetPosition(0);
    EXPECT_THROW(KCLReadBitmap(n, bmp, false), EReadError);
    TMemoryStream junk;
    KCLWriteInteger(junk, 60);
    for (int i = 0; i < 60; ++i)
        junk.WriteBuffer("B", 1);
    junk.SetPosition(0);
    EXPECT_THROW(KCLReadBitmap(junk, bmp, false), EInvalidGraphic);
}

TEST(KCLBitmapDecoder, RejectsFieldsPointingOutsideTheData)
{
    TBitmap bmp;
    paint(bmp, 4, 4);
    const auto good = KCLBitmapToDIBFile(&bmp, 0, 16);
    EXPECT_NO_THROW(DecodeBMP(good.data(), good.size()));
    auto cut = good;
    cut.resize(cut.size() - 1);
    EXPECT_THROW(DecodeBMP(cut.data(), cut.size()), EInvalidGraphic);
    auto offset = good;
    offset[10] = 0xFF;
    offset[11] = 0xFF;
    EXPECT_THROW(DecodeBMP(offset.data(), offset.size()), EInvalidGraphic);
    auto huge = good;
    huge[18] = huge[19] = huge[20] = 0xFF;
    huge[21] = 0x7F;
    EXPECT_THROW(DecodeBMP(huge.data(), huge.size()), EInvalidGraphic);
    auto rle = good;
    rle[30] = 2;
    EXPECT_THROW(DecodeBMP(rle.data(), rle.size()), EInvalidGraphic);
}

TEST(KCLStringsRecord, EmptyListIsIntegerZeroOnly)
{
    TStringList list, back;
    back.Add("old");
    TMemoryStream s;
    KCLWriteStrings(s, list, false);
    KCLWriteInteger(s, 99);
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{0, 0, 0, 0, 99, 0, 0, 0}));
    s.SetPosition(0);
    KCLReadStrings(s, back, false);
    EXPECT_EQ(back.Count(), 0);
    EXPECT_EQ(s.Position(), 4);
}

TEST(KCLStringsRecord, LinesEndWithCrLfAndRoundTripBothForms)
{
    TStringList list;
    list.Add("ab");
    list.Add("");
    list.Add("\x8a\xe8");
    TMemoryStream s;
    KCLWriteStrings(s, list, false);
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{10, 0, 0, 0, 'a', 'b', 13, 10, 13, 10, 0x8a, 0xe8, 13, 10}));
    KCLWriteStrings(s, list, true);
    s.SetPosition(0);
    for (bool compressed : {false, true}) {
        TStringList back;
        KCLReadStrings(s, back, compressed);
        ASSERT_EQ(back.Count(), 3);
        EXPECT_EQ(back[2], "\x8a\xe8");
    }
    EXPECT_EQ(s.Position(), s.Size());
}

TEST(KCLWaveRecord, PlainAndCompressedGoThroughTheWave)
{
    TKCLWave wave(nullptr), back(nullptr);
    TMemoryStream img;
    const auto w = wavImage();
    img.WriteBuffer(w.data(), int32_t(w.size()));
    img.SetPosition(0);
    wave.LoadFromStream(img);
    TMemoryStream s;
    KCLWriteWave(s, wave, false);
    KCLWriteWave(s, wave, true);
    EXPECT_EQ(le32(s.Bytes(), 0), w.size());
    s.SetPosition(0);
    KCLReadWave(s, back, false);
    EXPECT_EQ(back.Data()->Bytes(), w);
    back.Clear();
    KCLReadWave(s, back, true);
    ASSERT_FALSE(back.IsEmpty());
    EXPECT_EQ(back.Data()->Bytes(), w);
    EXPECT_EQ(s.Position(), s.Size());
}
