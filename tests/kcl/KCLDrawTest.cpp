// Drawing routines: placement (natural, centred, stretched with and without
// aspect, tiled), the transparent paths, clipping, prepared bitmaps, border
// widths, colour ramps and palettes.
#include "kcl/KCLGraphUtils.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A target bitmap filled with one colour.
void prepare(TBitmap &b, int w, int h, TColor c) { KCLPrepareBitmap(&b, Rect(0, 0, w, h), c); }

TColor px(TBitmap &b, int x, int y) { return QColorToTColor(b.Image().pixelColor(x, y)); }

} // namespace

TEST(KCLDrawPlacement, CentredSourceLandsAtHalfTheSlack)
{
    TBitmap target, src;
    prepare(target, 25, 25, clWhite);
    prepare(src, 10, 10, clRed);
    TRect drawn;
    KCLDrawBitmapEx(&target.Canvas(), Rect(0, 0, 25, 25), &src, KCLDrawCenter, clNone, drawn);
    EXPECT_EQ(drawn, Bounds(7, 7, 10, 10));
    EXPECT_EQ(px(target, 6, 6), clWhite);
    EXPECT_EQ(px(target, 7, 7), clRed);
    EXPECT_EQ(px(target, 16, 16), clRed);
    EXPECT_EQ(px(target, 17, 17), clWhite);
}

TEST(KCLDrawPlacement, NaturalSizeAtTopLeftAndEmptyTargetDrawsNothing)
{
    TBitmap target, src;
    prepare(target, 20, 20, clWhite);
    prepare(src, 4, 3, clBlue);
    TRect drawn = Rect(1, 1, 2, 2);
    KCLDrawBitmapEx(&target.Canvas(), Rect(5, 6, 5, 20), &src, 0, clNone, drawn);
    EXPECT_EQ(drawn, TRect{});
    EXPECT_EQ(px(target, 5, 6), clWhite);
    KCLDrawBitmapEx(&target.Canvas(), Rect(5, 6, 20, 20), &src, 0, clNone, drawn);
    EXPECT_EQ(drawn, Bounds(5, 6, 4, 3));
    EXPECT_EQ(px(target, 8, 8), clBlue);
    EXPECT_EQ(px(target, 9, 8), clWhite);
}

TEST(KCLDrawPlacement, StretchWithAspectOptions)
{
    TBitmap target, src;
    prepare(target, 300, 300, clWhite);
    prepare(src, 100, 50, clGreen);
    TRect drawn;
    KCLDrawBitmapEx(&target.Canvas(), Rect(0, 0, 300, 300), &src, KCLDrawStretch | KCLDrawAspectWidth, clNone,
                    drawn);
    EXPECT_EQ(drawn, Rect(0, 0, 300, 150));
    EXPECT_EQ(px(target, 299, 149), clGreen);
    EXPECT_EQ(px(target, 299, 150), clWhite);
    EXPECT_EQ(CanvasRaster(target.Canvas()).StretchMode, COLORONCOLOR);

    KCLDrawBitmapEx(&target.Canvas(), Rect(10, 0, 310, 300), &src, KCLDrawStretch | KCLDrawAspectHeight, clNone,
                    drawn);
    EXPECT_EQ(drawn, Rect(10, 0, 610, 300));
    KCLDrawBitmapEx(&target.Canvas(), Rect(10, 20, 110, 220), &src, KCLDrawStretch | KCLDrawAspectFit, clNone,
                    drawn);
    EXPECT_EQ(drawn, Rect(10, 20, 110, 70));
    KCLDrawBitmapEx(&target.Canvas(), Rect(0, 0, 30, 40), &src, KCLDrawStretch, clNone, drawn);
    EXPECT_EQ(drawn, Rect(0, 0, 30, 40));
    ForgetCanvasRaster(target.Canvas());
}

TEST(KCLDrawPlacement, AspectStretchOfEmptySourceRaisesDivisionError)
{
    TBitmap target, src;
    prepare(target, 10, 10, clWhite);
    prepare(src, 5, 5, clRed);
    TRect drawn;
    EXPECT_THROW(KCLDrawBitmapRect(&target.Canvas(), Rect(0, 0, 10, 10), &src.Canvas(), Rect(0, 0, 0, 5),
                                   KCLDrawStretch | KCLDrawAspectWidth, clNone, 0, {}, drawn),
                 EZeroDivide);
    ForgetCanvasRaster(target.Canvas());
}

TEST(KCLDrawPlacement, TilesRunOnePastTheTargetInBothDirections)
{
    TBitmap target, src;
    prepare(target, 70, 160, clWhite);
    prepare(src, 20, 30, clWhite);
    src.Canvas().SetPixel(0, 0, clRed);
    TRect drawn;
    KCLDrawBitmapEx(&target.Canvas(), Rect(0, 0, 30, 100), &src, KCLDrawTile, clNone, drawn);
    EXPECT_EQ(drawn, Rect(0, 0, 30, 100));
    for (int y : {0, 30, 60, 90, 120})
        for (int x : {0, 20, 40})
            EXPECT_EQ(px(target, x, y), clRed) << x << "," << y;
    EXPECT_EQ(px(target, 60, 0), clWhite);
    EXPECT_EQ(px(target, 0, 150), clWhite);
}

TEST(KCLDrawClip, OptionOneCutsToTheShiftedTarget)
{
    TBitmap target, src;
    prepare(target, 100, 100, clWhite);
    prepare(src, 10, 10, clRed);
    KCLDrawBitmap(&target.Canvas(), Rect(0, 0, 15, 15), &src, KCLDrawTile | KCLDrawClip, 0, clNone);
    EXPECT_EQ(px(target, 14, 14), clRed);
    EXPECT_EQ(px(target, 15, 15), clWhite);
    EXPECT_EQ(px(target, 25, 5), clWhite);
    // Offset (+5, -2) packed as x low, y high.
    const uint32_t offset = uint32_t(5) | uint32_t(uint16_t(-2)) << 16;
    KCLDrawBitmap(&target.Canvas(), Rect(40, 40, 50, 50), &src, KCLDrawClip, offset, clNone);
    EXPECT_EQ(px(target, 44, 40), clWhite);
    EXPECT_EQ(px(target, 45, 40), clRed);
    EXPECT_EQ(px(target, 49, 47), clRed);
    EXPECT_EQ(px(target, 49, 48), clWhite);
    EXPECT_FALSE(CanvasRaster(target.Canvas()).Clipped);
    // Without option 1 nothing is cut.
    KCLDrawBitmap(&target.Canvas(), Rect(60, 60, 65, 65), &src, 0, 0, clNone);
    EXPECT_EQ(px(target, 69, 69), clRed);
    ForgetCanvasRaster(target.Canvas());
}

TEST(KCLDrawTransparency, ColourMaskKeepsTheTargetWhereTheColourWas)
{
    TBitmap target, src;
    prepare(target, 10, 10, clBlue);
    prepare(src, 4, 4, clFuchsia);
    src.Canvas().SetPixel(1, 1, clRed);
    TRect drawn;
    KCLDrawBitmapRect(&target.Canvas(), Rect(0, 0, 10, 10), &src.Canvas(), Rect(0, 0, 4, 4), KCLDrawTransparent,
                      clFuchsia, 0, {}, drawn);
    EXPECT_EQ(px(target, 0, 0), clBlue);
    EXPECT_EQ(px(target, 1, 1), clRed);
    const TCanvasRasterState st = CanvasRaster(target.Canvas());
    EXPECT_EQ(st.BkColor, clWhite);
    EXPECT_EQ(st.TextColor, clBlack);
    ForgetCanvasRaster(target.Canvas());

    TBitmap mask, image;
    KCLMakeTransparentPair(&src.Canvas(), Rect(0, 0, 4, 4), mask, clFuchsia, image);
    EXPECT_EQ(px(mask, 0, 0), clWhite);
    EXPECT_EQ(px(mask, 1, 1), clBlack);
    EXPECT_EQ(px(image, 0, 0), clBlack);
    EXPECT_EQ(px(image, 1, 1), clRed);
}

TEST(KCLDrawTransparency, CallerMaskAndBrushCopy)
{
    TBitmap target, src, mask;
    prepare(target, 10, 10, clBlue);
    prepare(src, 2, 1, clBlack);
    src.Canvas().SetPixel(1, 0, clRed);
    prepare(mask, 2, 1, clBlack);
    mask.Canvas().SetPixel(0, 0, clWhite);
    TRect drawn;
    TKCLDrawExtra extra;
    extra.Mask = &mask.Canvas();
    KCLDrawBitmapRect(&target.Canvas(), Rect(0, 0, 10, 10), &src.Canvas(), Rect(0, 0, 2, 1), KCLDrawMask, clNone, 0,
                      extra, drawn);
    EXPECT_EQ(px(target, 0, 0), clBlue);
    EXPECT_EQ(px(target, 1, 0), clRed);

    // Brush copy: the bitmap's transparent colour (its bottom-left pixel)
    // is painted in the given colour.
    TBitmap bc;
    prepare(bc, 2, 2, clYellow);
    bc.Canvas().SetPixel(1, 0, clGreen);
    KCLDrawBitmap(&target.Canvas(), Rect(4, 4, 10, 10), &bc, KCLDrawBrushCopy, 0, clAqua);
    EXPECT_EQ(px(target, 4, 4), clAqua);
    EXPECT_EQ(px(target, 5, 4), clGreen);
    EXPECT_EQ(px(target, 6, 6), clBlue);
    EXPECT_EQ(target.Canvas().Brush().Color(), clAqua);
    ForgetCanvasRaster(target.Canvas());
}

TEST(KCLDrawBitmaps, PrepareSizesAndFills)
{
    TBitmap b;
    KCLPrepareBitmap(nullptr, Rect(0, 0, 5, 5), clRed);
    KCLPrepareBitmap(&b, Rect(3, 3, 3, 8), clRed);
    EXPECT_TRUE(b.Empty());
    KCLPrepareBitmap(&b, Rect(2, 2, 7, 5), clRed);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(px(b, 4, 2), clRed);
    KCLPrepareBitmap(&b, Rect(0, 0, 6, 3), clNone);
    EXPECT_EQ(px(b, 4, 2), clRed);
    KCLDrawBitmap(nullptr, Rect(0, 0, 3, 3), &b, 0, 0, clNone);
    KCLDrawBitmap(&b.Canvas(), Rect(0, 0, 3, 3), nullptr, 0, 0, clNone);
}

TEST(KCLDrawStyles, BorderWidths)
{
    EXPECT_EQ(KCLBorderStyleWidth(lsNone), 0);
    EXPECT_EQ(KCLBorderStyleWidth(lsSingle), 1);
    EXPECT_EQ(KCLBorderStyleWidth(lsSingleRaised), 1);
    EXPECT_EQ(KCLBorderStyleWidth(lsSingleLowered), 1);
    EXPECT_EQ(KCLBorderStyleWidth(lsFrameInset), 2);
    EXPECT_EQ(KCLBorderStyleWidth(lsDoubleLowered), 2);
}

TEST(KCLDrawColours, RampRoundsLikeMulDiv)
{
    std::vector<TColor> list{clRed};
    KCLBuildColorList(clBlack, clWhite, 3, true, &list);
    EXPECT_EQ(list, (std::vector<TColor>{clBlack, RGB(128, 128, 128), clWhite}));
    list = {clRed};
    KCLBuildColorList(clWhite, clBlack, 3, false, &list);
    EXPECT_EQ(list, (std::vector<TColor>{clRed, RGB(127, 127, 127), clBlack}));
    KCLBuildColorList(clWhite, clBlack, 0, true, &list);
    EXPECT_EQ(list.size(), 3u);
    KCLBuildColorList(clWhite, clBlack, 3, true, nullptr);
    KCLBuildColorList(RGB(10, 20, 30), clBlack, 1, true, &list);
    EXPECT_EQ(list, (std::vector<TColor>{RGB(10, 20, 30)}));
    EXPECT_EQ(KCLMulDiv(1, 255, 2), 128);
    EXPECT_EQ(KCLMulDiv(1, -255, 2), -128);
    EXPECT_EQ(KCLMulDiv(5, 5, 0), -1);
}

TEST(KCLDrawColours, PaletteHoldsOneNoCollapseEntryPerColour)
{
    EXPECT_EQ(KCLCreateColorPalette(nullptr), 0u);
    std::vector<TColor> none;
    EXPECT_EQ(KCLCreateColorPalette(&none), 0u);
    std::vector<TColor> list{RGB(1, 2, 3), clWhite};
    const HPALETTE pal = KCLCreateColorPalette(&list);
    ASSERT_NE(pal, 0u);
    uint16_t version = 0;
    std::vector<PALETTEENTRY> entries;
    ASSERT_TRUE(GetPaletteData(pal, version, entries));
    EXPECT_EQ(version, 0x300);
    EXPECT_EQ(entries, (std::vector<PALETTEENTRY>{{1, 2, 3, 4}, {255, 255, 255, 4}}));
    EXPECT_TRUE(DeletePalette(pal));
}
