// Bitmap list: the item payload and its pixel-format bits, the list's
// answers at its bounds and its drawing, and the lazy fetch of a container's
// item in every storage mode (with failures).
#include "kcl/KCLBitmapList.h"

#include "KCLTestSupport.h"
#include "TestSupport.h"
#include "kcl/KCLGraphUtils.h"
#include "kcl/KCLStreamUtils.h"
#include "kcl/KCLUtils.h"
#include "platform/Libraries.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

void paint(TBitmap &b, int w, int h, TColor c)
{
    b.SetSize(w, h);
    b.Canvas().Brush().SetColor(c);
    b.Canvas().FillRect(Rect(0, 0, w, h));
}

TKCLBitmapListItem *addBitmap(TKCLBitmapList &list, int w, int h, TColor c)
{
    auto *item = list.BitmapItem(list.AddItem(nullptr));
    TBitmap b;
    paint(b, w, h, c);
    item->SetBitmap(&b);
    return item;
}

// A bitmap-list container file holding one red 2 × 2 record and one green
// 3 × 1 record.
void writeContainerFile(const std::string &path)
{
    TKCLBitmapList list(nullptr);
    addBitmap(list, 2, 2, clRed);
    addBitmap(list, 3, 1, clLime);
    TMemoryStream m;
    KCLWriteShortString(m, "KCLBML30");
    list.SaveToStream(m, true);
    m.SaveToFile(path);
}

} // namespace

TEST(KCLBitmapListItem, PayloadAndPixelFormatBits)
{
    TKCLBitmapListItem item(nullptr);
    TMemoryStream m;
    item.SaveToStream(m);
    EXPECT_EQ(m.Bytes(), std::vector<uint8_t>{0}) << "no data bit, no payload";

    TBitmap b;
    paint(b, 4, 3, clBlue);
    item.SetBitmap(&b);
    item.SetPixelFormat(spf8bit);
    item.SetIdent(5);
    m.Clear();
    item.SaveToStream(m);
    const std::vector<uint8_t> bytes = m.Bytes();
    EXPECT_EQ(bytes[0], KCLItemHasIdent | KCLItemHasData | KCLItemPixel8Bit);
    // ident, then a size and a BMP of 4 × 3 at 8 bits
    EXPECT_EQ(bytes.size(), 1u + 4 + 4 + 14 + 40 + 1024 + 4 * 3);

    for (bool compressed : {false, true}) {
        item.SetCompressed(compressed);
        m.Clear();
        item.SaveToStream(m);
        KCLWriteInteger(m, 77);
        m.SetPosition(0);
        TKCLBitmapListItem back(nullptr);
        back.LoadFromStream(m);
        EXPECT_EQ(KCLReadInteger(m), 77);
        EXPECT_EQ(back.PixelFormat(), spf8bit);
        EXPECT_EQ(back.Ident(), 5);
        ASSERT_EQ(back.Bitmap()->Width(), 4);
        EXPECT_EQ(back.Bitmap()->Canvas().Pixel(3, 2), clBlue);
    }

    // Several format bits: the lowest wins. A record without data keeps the
    // bitmap the item has.
    const std::vector<uint8_t> flags{KCLItemPixelMono | KCLItemPixel8Bit};
    m.Clear();
    m.WriteBuffer(flags.data(), 1);
    m.SetPosition(0);
    item.LoadFromStream(m);
    EXPECT_EQ(item.PixelFormat(), spfMono);
    EXPECT_FALSE(item.IsEmpty());
}

TEST(KCLBitmapList, AnswersAtTheBoundsAndDrawing)
{
    TKCLBitmapList list(nullptr);
    addBitmap(list, 3, 2, clRed);
    list.AddItem(nullptr); // an empty item
    EXPECT_EQ(list.GetImageCount(0), 1);
    EXPECT_EQ(list.GetImageCount(1), 0);
    EXPECT_EQ(list.GetImageCount(2), 0);
    EXPECT_TRUE(list.IsValidImage(0, 99));
    EXPECT_FALSE(list.IsValidImage(1, 0));
    EXPECT_FALSE(list.IsValidImage(2, 0));
    EXPECT_EQ(list.GetDimension(0, 0), 3);
    EXPECT_EQ(list.GetDimension(0, 1), 2);
    EXPECT_EQ(list.GetDimension(2, 0), 0);
    EXPECT_EQ(list.GetTransparentColor(2, 0), 0xFFFFFF);
    EXPECT_EQ(list.GetPixel(Point(0, 0), 2, 0), 0xFFFFFF);
    EXPECT_EQ(list.GetPixel(Point(2, 1), 0, 7), clRed);
    EXPECT_EQ(list.GetTransparentColor(0, 0), clRed);
    EXPECT_FALSE(list.IsMasked(0));
    EXPECT_THROW(list.GetCanvas(2), EListError);
    EXPECT_THROW(list.GetTransparentColor(-1, 0), EListError);
    TRect r;
    list.GetImageRect(0, 5, r);
    EXPECT_EQ(r, Rect(0, 0, 3, 2));

    TBitmap target;
    paint(target, 6, 6, clLime);
    list.Draw(&target.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(target.Canvas().Pixel(1, 1), clRed);
    EXPECT_EQ(target.Canvas().Pixel(4, 1), clLime);
    TRect covered;
    list.DrawInRect(&target.Canvas(), Rect(0, 0, 6, 6), KCLDrawCenter, 0, 0, covered);
    EXPECT_EQ(covered, Rect(1, 2, 4, 4));
    TBitmap copy;
    list.GetImageBitmap(0, 0, &copy);
    EXPECT_EQ(copy.Width(), 3);
}

TEST(KCLBitmapListItem, FetchByStorageMode)
{
    testsupport::TempFolder dir;
    writeContainerFile(dir.file("pics.kbl"));
    TBitmap b;
    paint(b, 5, 4, clBlue);
    QImage(b.Image()).save(QString::fromStdString(dir.file("pic12.bmp")), "BMP");

    TKCLCustomContainer container(nullptr);
    container.SetStorageFolderKind(3);
    container.SetStorageFileName(dir.file("pics.kbl"));
    auto fetched = [&](uint8_t mode, uint16_t ident) {
        container.SetStorageMode(mode);
        TKCLBitmapListItem item(&container);
        item.SetIdent(ident);
        TBitmap *bmp = item.Bitmap();
        return bmp->Empty() ? QSize() : QSize(bmp->Width(), bmp->Height());
    };
    EXPECT_EQ(fetched(0, 1), QSize());
    EXPECT_EQ(fetched(1, 1), QSize(3, 1)) << "Ident is the record index";
    EXPECT_EQ(fetched(2, 7), QSize(3, 2)) << "the program's bitmap resource";
    EXPECT_EQ(fetched(3, 12), QSize()) << "no such library";
    const std::vector<uint8_t> bmp = EncodeBMP(b.Image());
    RegisterLibraryResource("pic12.bmp", "#12", AnsiString(bmp.begin(), bmp.end()));
    EXPECT_EQ(fetched(3, 12), QSize(5, 4)) << "bitmap #12 of the library <folder>pic12.bmp";
    EXPECT_EQ(LibraryLoadCount("pic12.bmp"), 0) << "released at once";
    EXPECT_EQ(fetched(3, 13), QSize()) << "a library without that bitmap";
    UnregisterLibrary("pic12.bmp");
    EXPECT_EQ(fetched(4, 12), QSize(5, 4)) << "<folder>pic12.bmp";
    EXPECT_EQ(fetched(5, 1), QSize());

    // Failures raise from the getter; the bitmap stays empty and the item
    // is not left updating.
    container.SetStorageMode(2);
    TKCLBitmapListItem missing(&container);
    missing.SetIdent(8);
    EXPECT_THROW(missing.Bitmap(), EResNotFound);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.UpdateCounter(), 0);
    container.SetStorageMode(1);
    missing.SetIdent(5);
    EXPECT_THROW(missing.Bitmap(), EListError);
    container.SetStorageFileName(dir.file("nothing.kbl"));
    EXPECT_THROW(missing.Bitmap(), EFOpenError);
    container.SetStorageMode(4);
    EXPECT_THROW(missing.Bitmap(), EFOpenError);

    // A container file of another kind is refused.
    TMemoryStream other;
    KCLWriteShortString(other, "KCLWVL30");
    KCLWriteInteger(other, 0);
    other.SaveToFile(dir.file("waves.kwl"));
    TBitmap target;
    EXPECT_THROW(KCLLoadBitmapFromContainerFile(dir.file("waves.kwl"), 0, target), EFOpenError);
    EXPECT_TRUE(KCLLoadBitmapFromContainerFile(dir.file("pics.kbl"), 0, target));
    EXPECT_EQ(target.Width(), 2);

    // Items of a bitmap list, and items being loaded, never fetch.
    TKCLBitmapList list(nullptr);
    TKCLBitmapListItem *own = list.BitmapItem(list.AddItem(nullptr));
    own->SetIdent(7);
    EXPECT_TRUE(own->Bitmap()->Empty());
    container.SetStorageMode(2);
    TKCLBitmapListItem loading(&container);
    loading.SetIdent(7);
    loading.SetComponentStateFlag(csLoading, true);
    EXPECT_TRUE(loading.Bitmap()->Empty());
    loading.SetComponentStateFlag(csLoading, false);
    EXPECT_FALSE(loading.Bitmap()->Empty());
}

TEST(KCLBitmapList, ItemsTravelAsChildComponents)
{
    KCLBitmapListRegistration();
    TKCLBitmapList list(nullptr);
    TKCLBitmapListItem *item = addBitmap(list, 2, 3, clRed);
    item->SetDescription("red");
    item->SetCompressed(true);
    list.AddItem(nullptr);
    TMemoryStream s;
    WriteComponent(s, &list);
    s.SetPosition(0);
    TKCLBitmapList back(nullptr);
    ReadComponent(s, &back);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.BitmapItem(0)->Description(), "red");
    EXPECT_TRUE(back.BitmapItem(0)->Compressed());
    EXPECT_EQ(back.GetPixel(Point(1, 2), 0, 0), clRed);
    EXPECT_TRUE(back.BitmapItem(1)->IsEmpty());
}
