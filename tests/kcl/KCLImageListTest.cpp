// Image-list base and image list: notification and update counting, the item
// payload to the byte, the strip limit and trimming, masked drawing in every
// style, the list's answers at its bounds, streaming as child components,
// and broken strips from disk.
#include "kcl/KCLImageList.h"

#include "KCLTestSupport.h"
#include "kcl/KCLStreamUtils.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

const QRgb Red = qRgb(255, 0, 0), Lime = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255), White = qRgb(255, 255, 255),
           Black = qRgb(0, 0, 0);

// A strip of n images of w × h, image i filled with colours[i]; its mask is
// black (opaque) except for the top-left pixel of every image.
struct Strip {
    QImage image, mask;
};
Strip makeStrip(int w, int h, const std::vector<QRgb> &colours)
{
    const int n = int(colours.size());
    Strip s{QImage(w * n, h, QImage::Format_RGB32), QImage(w * n, h, QImage::Format_RGB32)};
    s.mask.fill(Black);
    for (int i = 0; i < n; ++i) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                s.image.setPixel(i * w + x, y, colours[size_t(i)]);
        s.image.setPixel(i * w, 0, Black); // transparent pixels are black in the image
        s.mask.setPixel(i * w, 0, White);
    }
    return s;
}

// Fills the item through its strip reader, as a stored strip would.
void fill(TKCLImageListItem &item, const std::vector<QRgb> &colours, bool masked = false)
{
    item.SetMasked(masked);
    const Strip s = makeStrip(item.Width(), item.Height(), colours);
    TMemoryStream m;
    KCLWriteInteger(m, int32_t(colours.size()));
    TBitmap b;
    b.LoadFromImage(s.image);
    KCLWriteBitmap(m, b, false, -1);
    if (masked) {
        b.LoadFromImage(s.mask);
        KCLWriteBitmap(m, b, false, 2);
    }
    m.SetPosition(0);
    item.ReadStrip(m);
}

QImage drawn(TKCLImageListItem &item, int index, QRgb background = Lime)
{
    TBitmap target;
    target.SetSize(item.Width(), item.Height());
    target.Canvas().Brush().SetColor(QColorToTColor(QColor(background)));
    target.Canvas().FillRect(Rect(0, 0, item.Width(), item.Height()));
    item.Draw(&target.Canvas(), 0, 0, index);
    return target.Image();
}

std::vector<uint8_t> saved(TKCLListItem &item)
{
    TMemoryStream m;
    item.SaveToStream(m);
    return m.Bytes();
}

int32_t int32At(const std::vector<uint8_t> &b, size_t at)
{
    return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24);
}

} // namespace

// ------------------------------------------------------------ the base

TEST(KCLCustomImageList, UpdateCountingAndNotification)
{
    auto list = std::make_unique<TKCLImageList>(nullptr);
    Counter changes;
    list->OnChange = changes.Handler();
    TChangeLink link;
    int linkCalls = 0;
    link.OnChange = TNotifyEvent::FromFunction([&](TObject *) { ++linkCalls; });
    list->RegisterChanges(&link);

    list->AddItem(nullptr);
    EXPECT_EQ(changes.calls, 1);
    EXPECT_EQ(linkCalls, 1);

    list->BeginUpdate();
    list->BeginUpdate();
    list->AddItem(nullptr);
    list->ClearItems();
    list->EndUpdate(true);
    EXPECT_EQ(changes.calls, 1);
    list->EndUpdate(true);
    EXPECT_EQ(changes.calls, 2);
    list->EndUpdate(false);
    EXPECT_EQ(list->UpdateCounter(), 0);

    // A change inside an item stays with the item.
    auto *item = static_cast<TKCLImageListItem *>(list->Item(list->AddItem(nullptr)));
    changes.calls = 0;
    item->SetWidth(8);
    EXPECT_EQ(changes.calls, 0);

    // The class library's own pictures are not used, and freeing the list
    // tells nobody.
    EXPECT_EQ(static_cast<TCustomImageList *>(list.get())->Count(), 0);
    list.reset();
    EXPECT_EQ(changes.calls, 0);
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST(KCLCustomImageList, IdentityAndAssignRules)
{
    TKCLImageList a(nullptr), b(nullptr);
    void *identity = nullptr;
    ASSERT_EQ(a.QueryInterface(IKCLComponentIdentity::IID, &identity), S_OK);
    EXPECT_EQ(static_cast<IKCLComponentIdentity *>(identity)->GetIdentity(), 15);

    fill(*a.ImageItem(a.AddItem(nullptr)), {Red, Blue});
    a.ImageItem(0)->SetDescription("two");
    a.SetDefaultCompressed(true);
    a.SetDefaultPixelFormat(spf8bit);
    Counter changes;
    b.OnChange = changes.Handler();
    b.AddItem(nullptr);
    b.AddItem(nullptr);
    changes.calls = 0;
    b.Assign(&a);
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_NE(b.Item(0), a.Item(0));
    EXPECT_EQ(b.ImageItem(0)->Description(), "two");
    EXPECT_EQ(b.GetImageCount(0), 2);
    EXPECT_TRUE(b.DefaultCompressed());
    EXPECT_EQ(b.DefaultPixelFormat(), spf8bit);

    TKCLListItem plain(nullptr);
    EXPECT_THROW(b.ImageItem(0)->Assign(&plain), EConvertError);
}

TEST(KCLCustomImageList, ItemsTravelAsChildComponents)
{
    KCLImageListRegistration();
    TKCLImageList list(nullptr);
    list.SetDesignInfo(int32_t((7u << 16) | 5u));
    TKCLImageListItem *item = list.ImageItem(list.AddItem(nullptr));
    item->SetWidth(4);
    item->SetHeight(3);
    fill(*item, {Red, Blue}, true);
    item->SetIdent(9);
    TMemoryStream s;
    WriteComponent(s, &list);
    const std::string text(s.Bytes().begin(), s.Bytes().end());
    EXPECT_NE(text.find("Left"), std::string::npos);
    EXPECT_NE(text.find("Top"), std::string::npos);
    EXPECT_EQ(text.find("Bitmap"), std::string::npos) << "no picture strip of the list itself";

    s.SetPosition(0);
    TKCLImageList back(nullptr);
    ReadComponent(s, &back);
    EXPECT_EQ(back.DesignInfo(), list.DesignInfo());
    ASSERT_EQ(back.Count(), 1);
    TKCLImageListItem *b = back.ImageItem(0);
    EXPECT_EQ(b->Owner(), &back);
    EXPECT_EQ(b->Ident(), 9);
    EXPECT_EQ(b->Width(), 4);
    EXPECT_TRUE(b->Masked());
    EXPECT_EQ(b->ImageCount(), 2);
    EXPECT_EQ(drawn(*b, 1).pixel(1, 1), Blue);
}

// ------------------------------------------------------------ image items

TEST(KCLImageListItem, SizeAndMaskSetters)
{
    TKCLImageListItem item(nullptr);
    EXPECT_EQ(item.Width(), 16);
    EXPECT_EQ(item.Height(), 16);
    EXPECT_EQ(item.AllocBy(), 4);
    EXPECT_EQ(item.DrawingStyle(), dsNormal);
    EXPECT_EQ(item.BkColor(), clNone);
    fill(item, {Red, Blue});
    Counter changes;
    item.OnChange = changes.Handler();
    item.SetWidth(0);
    item.SetWidth(16);
    EXPECT_EQ(changes.calls, 0);
    EXPECT_EQ(item.ImageCount(), 2);

    // Switching the mask keeps the images.
    item.SetMasked(true);
    EXPECT_EQ(changes.calls, 1);
    ASSERT_EQ(item.ImageCount(), 2);
    EXPECT_EQ(item.Entry(1).X, 16);
    EXPECT_EQ(item.Entry(1).Masked, 1);
    EXPECT_EQ(item.MaskStrip()->Width(), 32);
    item.SetMasked(false);
    EXPECT_TRUE(item.MaskStrip()->Empty());

    item.SetHeight(8);
    EXPECT_EQ(changes.calls, 3);
    EXPECT_EQ(item.ImageCount(), 0);
    EXPECT_THROW(item.Entry(0), EListError);
}

TEST(KCLImageListItem, AppendImagesLimits)
{
    TKCLImageListItem a(nullptr), b(nullptr), odd(nullptr);
    a.SetWidth(4);
    a.SetHeight(2);
    b.SetWidth(4);
    b.SetHeight(2);
    odd.SetWidth(5);
    odd.SetHeight(2);
    fill(b, {Red, Blue, Lime});
    fill(odd, {Red});
    EXPECT_THROW(a.AppendImages(&odd), EInvalidGraphicOperation);

    a.AppendImages(&b);
    a.AppendImages(&a); // doubling from itself
    ASSERT_EQ(a.ImageCount(), 6);
    EXPECT_EQ(a.UsedWidth(), 24);
    EXPECT_EQ(a.Entry(5).X, 20);
    EXPECT_EQ(drawn(a, 4).pixel(1, 1), Blue);

    // 32768 pixels is the most a strip holds.
    TKCLImageListItem wide(nullptr), one(nullptr);
    wide.SetWidth(16384);
    wide.SetHeight(1);
    one.SetWidth(16384);
    one.SetHeight(1);
    fill(one, {Red});
    wide.AppendImages(&one);
    wide.AppendImages(&one);
    EXPECT_EQ(wide.UsedWidth(), 32768);
    Counter changes;
    wide.OnChange = changes.Handler();
    try {
        wide.AppendImages(&one);
        FAIL() << "no error";
    } catch (const EInvalidGraphicOperation &e) {
        EXPECT_STREQ(e.what(), "Too many images");
    }
    EXPECT_EQ(wide.ImageCount(), 2);
    EXPECT_EQ(wide.UpdateCounter(), 0);
    wide.SetMasked(true);
    EXPECT_EQ(changes.calls, 1) << "the item still reports its changes";
}

TEST(KCLImageListItem, PayloadToTheByteAndStripTrimmedOnSave)
{
    TKCLImageListItem empty(nullptr);
    std::vector<uint8_t> b = saved(empty);
    ASSERT_EQ(b.size(), 1u + 4 + 4 + 4 + 1 + 4);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(int32At(b, 1), 16);
    EXPECT_EQ(int32At(b, 13 + 1), 0) << "count 0 and no strips";

    TKCLImageListItem item(nullptr);
    item.SetWidth(3);
    item.SetHeight(2);
    fill(item, {Red, Blue}, true);
    item.SetPixelFormat(spf8bit);
    // A strip with room at its right end is cut to its images when saved.
    item.ImageStrip()->SetSize(10, 2);
    b = saved(item);
    EXPECT_EQ(b[0], KCLItemPixel8Bit) << "pixel format bit, never the data bit";
    EXPECT_EQ(int32At(b, 1), 2);
    EXPECT_EQ(int32At(b, 5), 3);
    EXPECT_EQ(int32At(b, 9), 4);
    EXPECT_EQ(b[13], 1);
    EXPECT_EQ(int32At(b, 14), 2);
    EXPECT_EQ(item.ImageStrip()->Width(), 6);
    // The image strip record: size, then a BMP of 6 × 2 at 8 bits.
    const int32_t stripSize = int32At(b, 18);
    EXPECT_EQ(stripSize, 14 + 40 + 1024 + 8 * 2);
    EXPECT_EQ(int32At(b, 22 + 18), 6);
    // The mask record follows at one bit.
    const size_t mask = 22 + size_t(stripSize);
    EXPECT_EQ(int32At(b, mask), 14 + 40 + 8 + 4 * 2);
    EXPECT_EQ(b.size(), mask + 4 + size_t(int32At(b, mask)));

    for (bool compressed : {false, true}) {
        item.SetCompressed(compressed);
        TMemoryStream m;
        item.SaveToStream(m);
        KCLWriteInteger(m, 77); // the next record is found after it
        m.SetPosition(0);
        TKCLImageListItem back(nullptr);
        back.LoadFromStream(m);
        EXPECT_EQ(KCLReadInteger(m), 77);
        EXPECT_EQ(back.Compressed(), compressed);
        EXPECT_EQ(back.PixelFormat(), spf8bit);
        EXPECT_EQ(back.AllocBy(), 4);
        ASSERT_EQ(back.ImageCount(), 2);
        EXPECT_EQ(drawn(back, 1).pixel(2, 1), Blue);
        EXPECT_EQ(drawn(back, 1).pixel(0, 0), Lime) << "mask survives";
    }
}

TEST(KCLImageListItem, DrawingStylesAndBlendPatterns)
{
    TKCLImageListItem item(nullptr);
    item.SetWidth(4);
    item.SetHeight(4);
    fill(item, {Red});
    // Unmasked: the image rectangle is copied opaquely.
    EXPECT_EQ(drawn(item, 0).pixel(0, 0), Black);

    fill(item, {Red}, true);
    QImage out = drawn(item, 0); // dsNormal, no background colour: transparent
    EXPECT_EQ(out.pixel(0, 0), Lime);
    EXPECT_EQ(out.pixel(1, 1), Red);

    item.SetBkColor(clBlue);
    out = drawn(item, 0);
    EXPECT_EQ(out.pixel(0, 0), Blue);
    EXPECT_EQ(out.pixel(1, 0), Red);

    item.SetDrawingStyle(dsTransparent);
    EXPECT_EQ(drawn(item, 0).pixel(0, 0), Lime);

    // Without a blend colour the selected style shows image on background.
    item.SetDrawingStyle(dsSelected);
    EXPECT_EQ(drawn(item, 0).pixel(1, 0), Red);
    item.SetBlendColor(clWhite);
    out = drawn(item, 0);
    EXPECT_EQ(out.pixel(1, 0), White) << "half: exactly one of x, y even";
    EXPECT_EQ(out.pixel(0, 1), White);
    EXPECT_EQ(out.pixel(0, 0), Blue);
    EXPECT_EQ(out.pixel(1, 1), Red);
    EXPECT_EQ(out.pixel(2, 2), Red);
    item.SetDrawingStyle(dsFocus);
    out = drawn(item, 0);
    EXPECT_EQ(out.pixel(2, 2), White) << "three quarters: x or y even";
    EXPECT_EQ(out.pixel(3, 3), Red);

    item.SetImageType(itMask);
    out = drawn(item, 0);
    EXPECT_EQ(out.pixel(0, 0), White);
    EXPECT_EQ(out.pixel(1, 1), Black);

    EXPECT_THROW(drawn(item, 1), EListError);
}

TEST(KCLImageListItem, DrawInRectUsesMaskOrBottomLeftColour)
{
    TKCLImageListItem item(nullptr);
    item.SetWidth(4);
    item.SetHeight(4);
    fill(item, {Red, Blue}, true);
    TBitmap target;
    target.SetSize(8, 8);
    target.Canvas().Brush().SetColor(clLime);
    target.Canvas().FillRect(Rect(0, 0, 8, 8));
    TRect covered{1, 1, 2, 2};
    item.DrawInRect(&target.Canvas(), Rect(2, 2, 8, 8), 0, 1, covered);
    EXPECT_EQ(covered, Rect(2, 2, 6, 6));
    EXPECT_EQ(target.Image().pixel(2, 2), Lime) << "masked pixel";
    EXPECT_EQ(target.Image().pixel(3, 3), Blue);

    // Unmasked with option 64: the image's bottom-left colour is see-through.
    item.SetMasked(false);
    EXPECT_EQ(item.GetTransparentColor(0), clRed);
    item.DrawInRect(&target.Canvas(), Rect(0, 0, 4, 4), 64, 0, covered);
    EXPECT_EQ(target.Image().pixel(1, 1), Lime);
    EXPECT_EQ(target.Image().pixel(0, 0), Black);
}

TEST(KCLImageList, AnswersAtTheBounds)
{
    TKCLImageList list(nullptr);
    TKCLImageListItem *item = list.ImageItem(list.AddItem(nullptr));
    item->SetWidth(2);
    item->SetHeight(3);
    fill(*item, {Red, Blue});
    EXPECT_EQ(list.GetImageCount(0), 2);
    EXPECT_EQ(list.GetImageCount(1), -1);
    EXPECT_TRUE(list.IsValidImage(0, 1));
    EXPECT_FALSE(list.IsValidImage(0, -1));
    EXPECT_FALSE(list.IsValidImage(0, 2));
    EXPECT_FALSE(list.IsValidImage(1, 0));
    EXPECT_EQ(list.GetDimension(0, 0), 2);
    EXPECT_EQ(list.GetDimension(0, 1), 3);
    EXPECT_EQ(list.GetDimension(0, 2), 0);
    EXPECT_EQ(list.GetDimension(1, 0), 0);
    EXPECT_EQ(list.GetTransparentColor(1, 0), 0xFFFFFF);
    EXPECT_EQ(list.GetPixel(Point(0, 0), 1, 0), 0xFFFFFF);
    EXPECT_EQ(list.GetPixel(Point(1, 2), 0, 1), clBlue);
    EXPECT_EQ(list.GetPalette(1), 0u);
    EXPECT_THROW(list.GetImageCount(-1), EListError);
    EXPECT_THROW(list.IsMasked(1), EListError);

    TRect r;
    list.GetImageRect(0, 1, r);
    EXPECT_EQ(r, Rect(2, 0, 4, 3));
    TBitmap copy;
    list.GetImageBitmap(0, 1, &copy);
    EXPECT_EQ(copy.Width(), 2);
    EXPECT_EQ(copy.Image().pixel(1, 1), Blue);
    list.GetImageBitmap(0, 5, nullptr);
    EXPECT_THROW(list.GetImageBitmap(0, 5, &copy), EListError);
}

TEST(KCLImageListItem, BrokenStripsAreRefused)
{
    auto record = [](int32_t h, int32_t w, int32_t count, const QImage *strip) {
        TMemoryStream m;
        const uint8_t flags = 0;
        m.WriteBuffer(&flags, 1);
        KCLWriteInteger(m, h);
        KCLWriteInteger(m, w);
        KCLWriteInteger(m, 4);
        KCLWriteBoolean(m, false);
        KCLWriteInteger(m, count);
        if (strip) {
            TBitmap b;
            b.LoadFromImage(*strip);
            KCLWriteBitmap(m, b, false, -1);
        }
        return m.Bytes();
    };
    auto load = [](const std::vector<uint8_t> &bytes, TKCLImageListItem &item) {
        TMemoryStream m;
        m.WriteBuffer(bytes.data(), int32_t(bytes.size()));
        m.SetPosition(0);
        item.LoadFromStream(m);
    };
    TKCLImageListItem item(nullptr);
    fill(item, {Red});

    const QImage narrow = makeStrip(4, 2, {Red}).image;
    QImage tooWide(32769, 1, QImage::Format_RGB32);
    tooWide.fill(Red);
    EXPECT_THROW(load(record(2, 0, 0, nullptr), item), EInvalidGraphicOperation);
    EXPECT_THROW(load(record(2, 4, -1, nullptr), item), EReadError);
    EXPECT_THROW(load(record(2, 4, 0x7FFFFFFF, nullptr), item), EInvalidGraphicOperation);
    EXPECT_THROW(load(record(2, 4, 2, &narrow), item), EInvalidGraphicOperation);
    EXPECT_THROW(load(record(1, 1, 1, &tooWide), item), EInvalidGraphic);
    EXPECT_THROW(load(record(3, 4, 1, &narrow), item), EInvalidGraphicOperation);
    std::vector<uint8_t> cut = record(2, 4, 1, &narrow);
    cut.resize(cut.size() - 5);
    EXPECT_THROW(load(cut, item), EReadError);
    EXPECT_EQ(item.ImageCount(), 0) << "a failed load leaves no images";

    load(record(2, 4, 1, &narrow), item);
    EXPECT_EQ(item.ImageCount(), 1);
}
