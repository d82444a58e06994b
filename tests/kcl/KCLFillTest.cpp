// Gradient, shape fill and fill object: colour tables, palettes,
// notification counts, copying, summaries and streaming.
#include "kcl/KCLFillObject.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


QImage solid(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

} // namespace

TEST(KCLGradient, NewGradientTable)
{
    TKCLGradient g(nullptr);
    EXPECT_EQ(g.Color(), TColor(0x00FF0000));
    EXPECT_EQ(g.ColorCount(), 16);
    EXPECT_EQ(g.Style(), gstVertical);
    EXPECT_EQ(g.EndColor(), 0);
    EXPECT_TRUE(g.TwoColors());
    EXPECT_FALSE(g.PaletteRealize());
    ASSERT_EQ(g.GradientColors().size(), 16u);
    EXPECT_EQ(g.GradientColors().front(), RGB(0, 0, 255));
    EXPECT_EQ(g.GradientColors().back(), RGB(0, 0, 0));
    EXPECT_EQ(g.GradientColors()[5], RGB(0, 0, 170)); // 255 + MulDiv(5, -255, 15)
    EXPECT_EQ(g.Palette(), nullptr);
    EXPECT_EQ(g.GetStatusText(), "Vertical, Col: 16, 2 col mode");
}

TEST(KCLGradient, RunsRoundHalvesAwayFromZero)
{
    std::vector<TColor> c;
    KCLGradientColors(c, RGB(0, 0, 0), RGB(3, 0, 0), 3, false); // 0, 1.5, 3
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(GetRValue(c[1]), 2);
    KCLGradientColors(c, RGB(3, 0, 0), RGB(0, 0, 0), 3, true); // continued: 1.5, 0
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(GetRValue(c[3]), 1);
    KCLGradientColors(c, RGB(9, 9, 9), RGB(0, 0, 0), 0, false);
    EXPECT_TRUE(c.empty());
    KCLGradientColors(c, RGB(9, 8, 7), RGB(0, 0, 0), 1, false);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0], RGB(9, 8, 7));
}

TEST(KCLGradient, MultiColourTable)
{
    TKCLGradient g(nullptr);
    g.SetTwoColors(false);
    EXPECT_TRUE(g.GradientColors().empty());
    g.ColorList().push_back(clRed);
    g.Change();
    EXPECT_TRUE(g.GradientColors().empty());
    g.ColorList() = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    g.Change();
    ASSERT_EQ(g.GradientColors().size(), 9u);
    EXPECT_EQ(g.GradientColors()[0], RGB(255, 0, 0));
    EXPECT_EQ(g.GradientColors()[4], RGB(0, 255, 0));
    EXPECT_EQ(g.GradientColors()[8], RGB(0, 0, 255));
}

TEST(KCLGradient, PaletteFollowsPaletteRealize)
{
    TKCLGradient g(nullptr);
    g.SetPaletteRealize(true);
    ASSERT_NE(g.Palette(), nullptr);
    EXPECT_EQ(g.Palette()->palVersion, 0x300);
    ASSERT_EQ(g.Palette()->palPalEntry.size(), 16u);
    EXPECT_EQ(g.Palette()->palPalEntry[0].peBlue, 255);
    EXPECT_EQ(g.Palette()->palPalEntry[0].peFlags, PC_NOCOLLAPSE);
    g.SetColorCount(4);
    EXPECT_EQ(g.Palette()->palPalEntry.size(), 4u);
    g.SetPaletteRealize(false);
    EXPECT_EQ(g.Palette(), nullptr);
    // An empty table gives no palette.
    g.SetTwoColors(false);
    g.SetPaletteRealize(true);
    EXPECT_EQ(g.Palette(), nullptr);
}

TEST(KCLGradient, NotificationAndSummary)
{
    TKCLGradient g(nullptr);
    Counter n;
    g.OnChange = n.Handler();
    g.SetColor(clBlue);
    g.SetColorCount(16);
    g.SetStyle(gstVertical);
    EXPECT_EQ(n.calls, 0);
    g.SetStyle(gstTopLeftDiagonal);
    g.SetColorCount(32);
    g.SetTwoColors(false);
    g.SetColor(clRed);
    g.SetEndColor(clWhite);
    EXPECT_EQ(n.calls, 5);
    EXPECT_EQ(g.GetStatusText(), "TopLeftDiagonal, Col: 32, mult. col mode");

    // The table follows the settings even while updating.
    g.SetTwoColors(true);
    g.BeginUpdate();
    g.SetColorCount(3);
    EXPECT_EQ(g.GradientColors().size(), 3u);
    g.EndUpdate(false);
}

TEST(KCLGradient, AssignCopiesStopsAndNotifiesOnce)
{
    TKCLGradient src(nullptr), dst(nullptr);
    src.SetTwoColors(false);
    src.SetColorCount(10);
    src.SetStyle(gstElliptic);
    src.SetPaletteRealize(true);
    src.ColorList() = {clRed, clLime};
    src.Change();
    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.ColorList(), src.ColorList());
    EXPECT_EQ(dst.GradientColors(), src.GradientColors());
    EXPECT_EQ(dst.Style(), gstElliptic);
    ASSERT_NE(dst.Palette(), nullptr);
    EXPECT_EQ(dst.Palette()->palPalEntry.size(), 5u); // two stops: 10 div 2
}

TEST(KCLGradient, StreamsColorList)
{
    TKCLGradient g(nullptr);
    {
        TMemoryStream s;
        WritePersistent(s, &g);
        const AnsiString text(s.Bytes().begin(), s.Bytes().end());
        EXPECT_EQ(text.find("ColorList"), AnsiString::npos);
        EXPECT_EQ(text.find("Color"), AnsiString::npos);
    }
    g.SetTwoColors(false);
    g.SetColorCount(16);
    g.ColorList() = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    g.Change();
    TMemoryStream s;
    WritePersistent(s, &g);
    s.SetPosition(0);
    TKCLGradient back(nullptr);
    Counter n;
    back.OnChange = n.Handler();
    ReadPersistent(s, &back);
    EXPECT_EQ(back.ColorList(), g.ColorList());
    EXPECT_FALSE(back.TwoColors());
    ASSERT_EQ(back.GradientColors().size(), 9u);
    EXPECT_EQ(back.GradientColors()[4], RGB(0, 255, 0));
}

TEST(KCLShapeFill, DefaultsSummaryAndNestedChanges)
{
    TKCLShapeFill f(nullptr);
    EXPECT_EQ(f.Style(), sfBrush);
    EXPECT_EQ(f.TileMode(), tmTile);
    EXPECT_EQ(f.GetStatusText(), "{Brush}");
    f.SetStyle(sfBitmapList);
    EXPECT_EQ(f.GetStatusText(), "{BitmapList}");

    Counter n;
    f.OnChange = n.Handler();
    f.Gradient()->SetEndColor(clWhite);
    EXPECT_EQ(n.calls, 1);
    TBitmap bmp;
    bmp.LoadFromImage(solid(3, 2, qRgb(1, 2, 3)));
    f.SetBitmap(&bmp);
    EXPECT_EQ(n.calls, 2);
    EXPECT_EQ(f.Bitmap()->Width(), 3);
    f.SetListBitmap(&bmp);
    EXPECT_EQ(n.calls, 2);
    EXPECT_EQ(f.ListBitmap()->Height(), 2);
}

TEST(KCLShapeFill, AssignCopiesTheShapeFillPartOnce)
{
    TKCLShapeFill src(nullptr);
    src.SetStyle(sfGradient);
    src.SetTileMode(tmStretch);
    src.Gradient()->SetColorCount(5);
    TBitmap bmp;
    bmp.LoadFromImage(solid(4, 4, qRgb(9, 9, 9)));
    src.SetBitmap(&bmp);

    TKCLFillObject dst(nullptr);
    dst.SetAlignment(agCenter);
    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.Style(), sfGradient);
    EXPECT_EQ(dst.TileMode(), tmStretch);
    EXPECT_EQ(dst.Gradient()->ColorCount(), 5);
    EXPECT_EQ(dst.Bitmap()->Width(), 4);
    EXPECT_EQ(dst.Alignment(), agCenter);
}

TEST(KCLFillObject, CreationIsSilentWithDefaults)
{
    TKCLFillObject f(nullptr);
    EXPECT_EQ(f.Style(), sfNone);
    EXPECT_EQ(f.Alignment(), agTopLeft);
    EXPECT_EQ(f.Options(), (TKCLFillOptions{foFillInner, foGrUseBitmap}));
    EXPECT_EQ(f.OffsetX(), 0);
    EXPECT_EQ(f.UpdateState(), 0);
    EXPECT_EQ(f.GetStatusText(), "{None}");
}

TEST(KCLFillObject, AlignmentNotifiesOnlyWhenItPlacesThePicture)
{
    TKCLFillObject f(nullptr);
    f.SetStyle(sfBrush);
    Counter n;
    f.OnChange = n.Handler();
    f.SetAlignment(agBottomRight);
    f.SetOffsetX(5);
    EXPECT_EQ(n.calls, 0);
    EXPECT_EQ(f.Alignment(), agBottomRight);
    EXPECT_EQ(f.GetOffset(0), 5);

    f.SetStyle(sfBitmap);
    f.SetTileMode(tmNone);
    n.calls = 0;
    f.SetAlignment(agCenter);
    f.SetOffsetY(-2);
    f.SetOffsetY(-2);
    EXPECT_EQ(n.calls, 2);

    f.SetTileMode(tmTile);
    n.calls = 0;
    f.SetAlignment(agTopRight);
    EXPECT_EQ(n.calls, 0);
}

TEST(KCLFillObject, NestedObjectsReportChanges)
{
    TKCLFillObject f(nullptr);
    Counter n;
    f.OnChange = n.Handler();
    f.Brush()->SetColor(clRed);
    EXPECT_EQ(n.calls, 1);
    f.Gradient()->SetStyle(gstSquare);
    EXPECT_EQ(n.calls, 2);
    f.SetOptions(TKCLFillOptions{foQuickDraw});
    f.SetOptions(TKCLFillOptions{foQuickDraw});
    EXPECT_EQ(n.calls, 3);
}

TEST(KCLFillObject, AssignNotifiesOnceAndKeepsPlacement)
{
    TKCLFillObject src(nullptr), dst(nullptr);
    src.SetStyle(sfBitmap);
    src.SetTileMode(tmNone);
    src.SetAlignment(agCenter);
    src.SetOffsetX(7);
    src.Brush()->SetColor(clYellow);
    src.SetOptions(TKCLFillOptions{foQuickDraw});
    src.Gradient()->SetColor(clGreen);
    dst.SetOffsetY(3);

    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.Style(), sfBitmap);
    EXPECT_EQ(dst.TileMode(), tmNone);
    EXPECT_EQ(dst.Brush()->Color(), clYellow);
    EXPECT_EQ(dst.Options(), TKCLFillOptions{foQuickDraw});
    EXPECT_EQ(dst.Gradient()->Color(), clGreen);
    EXPECT_EQ(dst.Alignment(), agTopLeft);
    EXPECT_EQ(dst.OffsetX(), 0);
    EXPECT_EQ(dst.OffsetY(), 3);
}

TEST(KCLFillObject, StreamingRoundTrip)
{
    TKCLFillObject f(nullptr);
    {
        TMemoryStream s;
        WritePersistent(s, &f);
        const AnsiString text(s.Bytes().begin(), s.Bytes().end());
        for (const char *name : {"Style", "TileMode", "Alignment", "Options", "Offset", "Gradient.", "Brush", "Bitmap"})
            EXPECT_EQ(text.find(name), AnsiString::npos) << name;
    }
    f.SetStyle(sfBrush); // the shape fill's default, not the fill object's
    f.SetTileMode(tmCenter);
    f.SetAlignment(agBottomCenter);
    f.SetOffsetX(-4);
    f.SetOptions(TKCLFillOptions{});
    f.Gradient()->SetColorCount(64);
    TMemoryStream s;
    WritePersistent(s, &f);
    s.SetPosition(0);
    TKCLFillObject back(nullptr);
    ReadPersistent(s, &back);
    EXPECT_EQ(back.Style(), sfBrush);
    EXPECT_EQ(back.TileMode(), tmCenter);
    EXPECT_EQ(back.Alignment(), agBottomCenter);
    EXPECT_EQ(back.OffsetX(), -4);
    EXPECT_TRUE(back.Options().Empty());
    EXPECT_EQ(back.Gradient()->ColorCount(), 64);
    EXPECT_EQ(back.Gradient()->GradientColors().size(), 64u);
}

TEST(KCLFillObject, StreamsBrushAndBitmapInPublishedOrder)
{
    TKCLFillObject f(nullptr);
    f.Brush()->SetColor(clRed);
    f.Brush()->SetStyle(bsClear);
    f.Bitmap()->SetSize(3, 2);
    f.Bitmap()->Canvas().SetPixel(1, 0, clBlue);
    f.SetStyle(sfBitmap);
    f.SetAlignment(agCenter);
    f.SetOffsetX(5);
    TMemoryStream s;
    WritePersistent(s, &f);
    const AnsiString text(s.Bytes().begin(), s.Bytes().end());
    const size_t bitmap = text.find("Bitmap.Data"), style = text.find("Style"), align = text.find("Alignment"),
                 brush = text.find("Brush.Color"), offset = text.find("OffsetX");
    ASSERT_NE(bitmap, AnsiString::npos);
    ASSERT_NE(brush, AnsiString::npos);
    EXPECT_LT(bitmap, style);
    EXPECT_LT(align, brush);
    EXPECT_LT(brush, offset);

    s.SetPosition(0);
    TKCLFillObject back(nullptr);
    Counter n;
    back.OnChange = n.Handler();
    ReadPersistent(s, &back);
    EXPECT_EQ(back.Brush()->Color(), clRed);
    EXPECT_EQ(back.Brush()->Style(), bsClear);
    ASSERT_EQ(back.Bitmap()->Width(), 3);
    ASSERT_EQ(back.Bitmap()->Height(), 2);
    EXPECT_EQ(back.Bitmap()->Image(), f.Bitmap()->Image());
    EXPECT_GE(n.calls, 1); // the bitmap and the brush report their changes
    EXPECT_EQ(back.OffsetX(), 5);
}

TEST(KCLShapeFill, StreamsItsBitmap)
{
    TKCLShapeFill f(nullptr);
    f.Bitmap()->SetSize(4, 4);
    f.Bitmap()->Canvas().SetPixel(0, 0, clBlack);
    TMemoryStream s;
    WritePersistent(s, &f);
    s.SetPosition(0);
    TKCLShapeFill back(nullptr);
    back.Bitmap()->SetSize(9, 9); // replaced by the stream's bitmap
    ReadPersistent(s, &back);
    EXPECT_EQ(back.Bitmap()->Image(), f.Bitmap()->Image());

    // A broken bitmap image is a read error, never a crash.
    AnsiString bytes(s.Bytes().begin(), s.Bytes().end());
    const size_t bm = bytes.find("BM");
    ASSERT_NE(bm, AnsiString::npos);
    bytes[bm + 10] = char(0x7F); // pixel data offset far past the end
    TMemoryStream bad;
    bad.Write(bytes.data(), int(bytes.size()));
    bad.SetPosition(0);
    TKCLShapeFill broken(nullptr);
    EXPECT_ANY_THROW(ReadPersistent(bad, &broken));
}
