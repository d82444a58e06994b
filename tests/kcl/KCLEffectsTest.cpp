// Alpha overlay and bitmap effects: image-list watching, the notification
// chain, the buffer, copying, summaries and streaming.
#include "kcl/KCLBitmapEffectObject.h"
#include "kcl/KCLCont.h"
#include "kcl/KCLStreamUtils.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include <memory>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


QImage solid(QRgb c)
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

TColor pixel(TBitmap &b) { return QColorToTColor(QColor(b.Image().pixel(0, 0))); }

AnsiString streamed(TPersistent &obj)
{
    TMemoryStream s;
    WritePersistent(s, &obj);
    return AnsiString(s.Bytes().begin(), s.Bytes().end());
}

void putName8(std::vector<uint8_t> &v, const std::string &s)
{
    v.push_back(uint8_t(s.size()));
    v.insert(v.end(), s.begin(), s.end());
}

} // namespace

TEST(KCLAlphaObject, DefaultsAndSummary)
{
    TKCLAlphaObject a(nullptr);
    EXPECT_EQ(a.ImageList(), nullptr);
    EXPECT_EQ(a.ImageIndex(), 0);
    EXPECT_EQ(a.ListIndex(), 0);
    EXPECT_FLOAT_EQ(a.Strength(), 0.6f);
    EXPECT_EQ(a.FillObject()->Style(), sfNone);
    EXPECT_EQ(a.GetStatusText(), "{Disabled}");
    a.FillObject()->SetStyle(sfBrush);
    EXPECT_EQ(a.GetStatusText(), "{Enabled (brush), strength: 0.600}");
    a.FillObject()->SetStyle(sfBitmapList);
    a.SetStrength(0.25f);
    EXPECT_EQ(a.GetStatusText(), "{Enabled (bmp), strength: 0.250}");
    a.FillObject()->SetStyle(sfGradient);
    EXPECT_EQ(a.GetStatusText(), "{Enabled (grad), strength: 0.250}");
    a.FillObject()->SetStyle(sfBrushBitmap);
    EXPECT_EQ(a.GetStatusText(), "{Enabled (), strength: 0.250}");
}

TEST(KCLAlphaObject, FixedNotationKeepsFiveSignificantDigits)
{
    EXPECT_EQ(KCLFloatToStrFixed(0.6f, 5, 3), "0.600");
    EXPECT_EQ(KCLFloatToStrFixed(123.4567, 5, 3), "123.460");
    EXPECT_EQ(KCLFloatToStrFixed(-1.5, 5, 3), "-1.500");
}

TEST(KCLAlphaObject, IndexSettersAlwaysRefresh)
{
    TKCLAlphaObject a(nullptr);
    Counter n;
    a.OnChange = n.Handler();
    a.SetImageIndex(0);
    EXPECT_EQ(n.calls, 1);
    a.SetListIndex(3);
    EXPECT_EQ(n.calls, 2);
    EXPECT_TRUE(a.FillObject()->ListBitmap()->Empty());
    a.SetStrength(0.6f);
    EXPECT_EQ(n.calls, 2);
    a.SetStrength(0.9f);
    EXPECT_EQ(n.calls, 3);
}

TEST(KCLAlphaObject, ListBitmapFollowsTheImageList)
{
    TCustomImageList list(nullptr);
    list.Add(solid(qRgb(255, 0, 0)));
    list.Add(solid(qRgb(0, 0, 255)));
    TKCLAlphaObject a(nullptr), b(nullptr);
    Counter n;
    a.OnChange = n.Handler();
    a.SetImageList(&list);
    EXPECT_EQ(n.calls, 1);
    ASSERT_FALSE(a.FillObject()->ListBitmap()->Empty());
    EXPECT_EQ(pixel(*a.FillObject()->ListBitmap()), clRed);
    a.SetImageIndex(1);
    EXPECT_EQ(pixel(*a.FillObject()->ListBitmap()), clBlue);
    a.SetImageIndex(5);
    EXPECT_TRUE(a.FillObject()->ListBitmap()->Empty());
    a.SetImageIndex(-1);
    EXPECT_TRUE(a.FillObject()->ListBitmap()->Empty());

    // A change of the list refreshes every object that watches it.
    a.SetImageIndex(2);
    b.SetImageList(&list);
    b.SetImageIndex(2);
    EXPECT_TRUE(b.FillObject()->ListBitmap()->Empty());
    n.calls = 0;
    list.Add(solid(qRgb(0, 255, 0)));
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(pixel(*a.FillObject()->ListBitmap()), clLime);
    EXPECT_EQ(pixel(*b.FillObject()->ListBitmap()), clLime);

    // Once detached, the list's changes no longer reach the object.
    a.SetImageList(nullptr);
    EXPECT_TRUE(a.FillObject()->ListBitmap()->Empty());
    n.calls = 0;
    list.Delete(0);
    EXPECT_EQ(n.calls, 0);
    b.SetImageList(nullptr);
}

TEST(KCLAlphaObject, ListAndObjectMayBeFreedInEitherOrder)
{
    // The list goes first: the object stops seeing it, and later changes
    // and its own destruction touch no freed memory.
    auto list = std::make_unique<TCustomImageList>(nullptr);
    list->Add(solid(qRgb(255, 0, 0)));
    auto a = std::make_unique<TKCLAlphaObject>(nullptr);
    a->SetImageList(list.get());
    ASSERT_FALSE(a->FillObject()->ListBitmap()->Empty());
    list.reset();
    EXPECT_EQ(a->ImageList(), nullptr);
    a->SetImageIndex(0);
    EXPECT_TRUE(a->FillObject()->ListBitmap()->Empty());
    a.reset();

    // The object goes first: the list no longer calls it.
    list = std::make_unique<TCustomImageList>(nullptr);
    a = std::make_unique<TKCLAlphaObject>(nullptr);
    a->SetImageList(list.get());
    a.reset();
    EXPECT_EQ(list->LinkCount(), 0);
    list->Add(solid(qRgb(0, 0, 255)));
}

TEST(KCLAlphaObject, AssignCopiesFillAndValues)
{
    TCustomImageList list(nullptr);
    TKCLAlphaObject src(nullptr), dst(nullptr);
    src.FillObject()->SetStyle(sfGradient);
    src.FillObject()->Gradient()->SetColor(clRed);
    src.SetStrength(0.3f);
    src.SetImageIndex(4);
    src.SetListIndex(2);
    src.SetImageList(&list);
    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.FillObject()->Style(), sfGradient);
    EXPECT_EQ(dst.FillObject()->Gradient()->Color(), clRed);
    EXPECT_FLOAT_EQ(dst.Strength(), 0.3f);
    EXPECT_EQ(dst.ImageIndex(), 4);
    EXPECT_EQ(dst.ListIndex(), 2);
    EXPECT_EQ(dst.ImageList(), &list);
    // The copy does not watch the list.
    n.calls = 0;
    list.Add(solid(qRgb(1, 1, 1)));
    EXPECT_EQ(n.calls, 0);
    src.SetImageList(nullptr);
}

TEST(KCLAlphaObject, StrengthStorage)
{
    TKCLAlphaObject a(nullptr);
    EXPECT_EQ(streamed(a).find("Strength"), AnsiString::npos);
    a.SetStrength(0.5f);
    EXPECT_NE(streamed(a).find("Strength"), AnsiString::npos);
    EXPECT_EQ(streamed(a).find("ImageList"), AnsiString::npos);

    a.FillObject()->SetStyle(sfBitmapList);
    a.SetImageIndex(3);
    TMemoryStream s;
    WritePersistent(s, &a);
    s.SetPosition(0);
    TKCLAlphaObject back(nullptr);
    ReadPersistent(s, &back);
    EXPECT_FLOAT_EQ(back.Strength(), 0.5f);
    EXPECT_EQ(back.ImageIndex(), 3);
    EXPECT_EQ(back.FillObject()->Style(), sfBitmapList);
}

TEST(KCLAlphaObject, PicturesOfTheLibrarysImageLists)
{
    // Two items of 2 × 2 images: item 1 holds a red and a blue image.
    TKCLImageList list(nullptr);
    list.AddItem(nullptr);
    TKCLImageListItem *item = list.ImageItem(list.AddItem(nullptr));
    item->SetWidth(2);
    item->SetHeight(2);
    QImage strip(4, 2, QImage::Format_RGB32);
    strip.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            strip.setPixel(x, y, qRgb(0, 0, 255));
    TMemoryStream m;
    KCLWriteInteger(m, 2);
    TBitmap b;
    b.LoadFromImage(strip);
    KCLWriteBitmap(m, b, false, -1);
    m.SetPosition(0);
    item->ReadStrip(m);

    EXPECT_TRUE(KCLIsValidListImage(&list, 1, 1));
    EXPECT_FALSE(KCLIsValidListImage(&list, 0, 0));
    EXPECT_FALSE(KCLIsValidListImage(&list, 2, 0));

    TKCLAlphaObject a(nullptr);
    a.SetListIndex(1);
    a.SetImageIndex(1);
    a.SetImageList(&list);
    ASSERT_FALSE(a.FillObject()->ListBitmap()->Empty());
    EXPECT_EQ(a.FillObject()->ListBitmap()->Width(), 2);
    EXPECT_EQ(pixel(*a.FillObject()->ListBitmap()), clBlue);
    a.SetListIndex(0);
    EXPECT_TRUE(a.FillObject()->ListBitmap()->Empty());

    // A change of the list reaches the object through its change link.
    Counter n;
    a.OnChange = n.Handler();
    list.ClearItems();
    EXPECT_EQ(n.calls, 1);
    a.SetImageList(nullptr);
}

TEST(KCLAlphaObject, GlobalListsTravelAsInternalReference)
{
    KCLContInit();
    ASSERT_NE(KCLDefaultContainer, nullptr);
    TKCLAlphaObject a(nullptr);
    a.SetImageList(KCLDefaultContainer->ImageList());
    const AnsiString text = streamed(a);
    EXPECT_NE(text.find("Internal"), AnsiString::npos);
    EXPECT_NE(text.find("KCLIML30"), AnsiString::npos);
    EXPECT_EQ(text.find("ImageList"), AnsiString::npos);

    TMemoryStream s;
    s.Write(text.data(), int32_t(text.size()));
    s.SetPosition(0);
    TKCLAlphaObject back(nullptr);
    ReadPersistent(s, &back);
    EXPECT_EQ(back.ImageList(), KCLDefaultContainer->ImageList());

    a.SetImageList(KCLDefaultContainer->BitmapList());
    EXPECT_NE(streamed(a).find("KCLBML30"), AnsiString::npos);
    a.SetImageList(nullptr);
    back.SetImageList(nullptr);
    KCLContFini();
}

TEST(KCLAlphaObject, InternalReferenceWithUnknownNameGivesNoList)
{
    std::vector<uint8_t> v = {'R', 'B', 'K', 'C', 1, uint8_t(TValueType::vaIdent)};
    putName8(v, "TKCLAlphaObject");
    putName8(v, "Internal");
    v.push_back(uint8_t(TValueType::vaString));
    const std::string text = "SOMETHING";
    const uint32_t len = uint32_t(text.size());
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(len >> (8 * i)));
    v.insert(v.end(), text.begin(), text.end());
    v.push_back(0);
    TMemoryStream s;
    s.Write(v.data(), int32_t(v.size()));
    s.SetPosition(0);

    TCustomImageList list(nullptr);
    TKCLAlphaObject a(nullptr);
    a.SetImageList(&list);
    ReadPersistent(s, &a);
    EXPECT_EQ(a.ImageList(), nullptr);
}

TEST(KCLBitmapEffect, DefaultsAndSummary)
{
    TKCLBitmapEffectObject e(nullptr);
    EXPECT_FALSE(e.FlipVertical() || e.FlipHorizontal() || e.GrayScale() || e.Invert() || e.Buffered() || e.GetFlag(5));
    EXPECT_EQ(e.Brightness(), 0);
    EXPECT_FALSE(e.BufferValid());
    EXPECT_EQ(e.Buffer(), nullptr);
    EXPECT_EQ(e.GetStatusText(), "{Disabled}");
    e.AlphaBlend()->FillObject()->SetStyle(sfBrush);
    e.SetFlipVertical(true);
    e.SetBrightness(-40);
    EXPECT_EQ(e.GetStatusText(), "{alpha,FV,B}");
    e.SetFlipHorizontal(true);
    e.SetGrayScale(true);
    e.SetInvert(true);
    EXPECT_EQ(e.GetStatusText(), "{alpha,FV,FH,GS,INV,B}");
}

TEST(KCLBitmapEffect, BufferedCreatesAndFreesTheBuffer)
{
    TKCLBitmapEffectObject e(nullptr);
    Counter n;
    e.OnChange = n.Handler();
    e.SetBufferValid(true);
    e.SetBuffered(true);
    EXPECT_NE(e.Buffer(), nullptr);
    EXPECT_FALSE(e.BufferValid());
    EXPECT_EQ(n.calls, 1);
    e.SetBuffered(true);
    EXPECT_EQ(n.calls, 1);
    e.SetBufferValid(true);
    e.SetBuffered(false);
    EXPECT_EQ(e.Buffer(), nullptr);
    EXPECT_FALSE(e.BufferValid());
    EXPECT_EQ(n.calls, 2);
}

TEST(KCLBitmapEffect, ChangesDeepInsideReachTheHolderOnce)
{
    TKCLBitmapEffectObject e(nullptr);
    Counter n;
    e.OnChange = n.Handler();
    e.SetBufferValid(true);
    e.AlphaBlend()->FillObject()->Brush()->SetColor(clRed);
    EXPECT_EQ(n.calls, 1);
    EXPECT_FALSE(e.BufferValid());
    e.AlphaBlend()->FillObject()->Gradient()->SetColorCount(3);
    EXPECT_EQ(n.calls, 2);
    e.SetFlag(5, true);
    EXPECT_TRUE(e.GetFlag(5));
    EXPECT_EQ(n.calls, 3);
    e.SetBrightness(0);
    e.SetInvert(false);
    EXPECT_EQ(n.calls, 3);
}

TEST(KCLBitmapEffect, AssignCopiesEffects)
{
    TKCLBitmapEffectObject src(nullptr), dst(nullptr);
    src.SetFlipHorizontal(true);
    src.SetGrayScale(true);
    src.SetBrightness(100);
    src.SetBuffered(true);
    src.SetFlag(5, true);
    src.AlphaBlend()->SetStrength(0.1f);
    dst.Assign(&src);
    EXPECT_TRUE(dst.FlipHorizontal());
    EXPECT_TRUE(dst.GrayScale());
    EXPECT_FALSE(dst.FlipVertical());
    EXPECT_EQ(dst.Brightness(), 100);
    EXPECT_TRUE(dst.Buffered());
    EXPECT_NE(dst.Buffer(), nullptr);
    EXPECT_FALSE(dst.GetFlag(5));
    EXPECT_FLOAT_EQ(dst.AlphaBlend()->Strength(), 0.1f);
}

TEST(KCLBitmapEffect, StreamingRoundTrip)
{
    TKCLBitmapEffectObject e(nullptr);
    const AnsiString fresh = streamed(e);
    for (const char *name : {"Flip", "GrayScale", "Invert", "Buffered", "Brightness", "Strength"})
        EXPECT_EQ(fresh.find(name), AnsiString::npos) << name;
    e.SetFlipVertical(true);
    e.SetInvert(true);
    e.SetBuffered(true);
    e.SetBrightness(-255);
    e.AlphaBlend()->SetStrength(0.75f);
    e.AlphaBlend()->FillObject()->SetStyle(sfGradient);
    TMemoryStream s;
    WritePersistent(s, &e);
    s.SetPosition(0);
    TKCLBitmapEffectObject back(nullptr);
    ReadPersistent(s, &back);
    EXPECT_TRUE(back.FlipVertical());
    EXPECT_TRUE(back.Invert());
    EXPECT_TRUE(back.Buffered());
    EXPECT_NE(back.Buffer(), nullptr);
    EXPECT_EQ(back.Brightness(), -255);
    EXPECT_FLOAT_EQ(back.AlphaBlend()->Strength(), 0.75f);
    EXPECT_EQ(back.AlphaBlend()->FillObject()->Style(), sfGradient);
}
