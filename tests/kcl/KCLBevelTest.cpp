// Bevel settings: the shadow-style coupling, the computed extents in every
// mode, notification, copying, summary and streaming.
#include "kcl/KCLBevel.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


} // namespace

TEST(KCLBevel, DefaultsAndSummary)
{
    TKCLBevel b(nullptr);
    EXPECT_EQ(b.StyleInner(), bvNone);
    EXPECT_EQ(b.StyleOuter(), bvNone);
    EXPECT_EQ(b.WidthInner(), 1);
    EXPECT_EQ(b.WidthOuter(), 1);
    EXPECT_EQ(b.BorderColor(), TColor(0x8000000F));
    EXPECT_EQ(b.LightColor(), TColor(0x80000014));
    EXPECT_EQ(b.ShadowColor(), TColor(0x80000010));
    EXPECT_EQ(b.BorderSides(), (TKCLFrameSides{fsBottom, fsLeft, fsRight, fsTop}));
    EXPECT_EQ(b.EdgeStyle(), etEtched);
    EXPECT_EQ(b.StandardStyle(), lsSingleLowered);
    EXPECT_EQ(b.Mode(), bmCustom);
    EXPECT_EQ(b.Extent(), 0);
    EXPECT_EQ(b.ShadowExtent(), 0);
    EXPECT_FALSE(b.ZeroWindowsExtent());
    EXPECT_EQ(b.GetStatusText(), "{Custom}");
    b.SetMode(bmWindows);
    EXPECT_EQ(b.GetStatusText(), "{Windows}");
}

TEST(KCLBevel, ShadowStyleIsHeldByBothBevels)
{
    TKCLBevel b(nullptr);
    Counter n;
    b.OnChange = n.Handler();
    b.SetStyleOuter(bvShadow);
    EXPECT_EQ(b.StyleInner(), bvShadow);
    EXPECT_EQ(b.StyleOuter(), bvShadow);
    b.SetStyleInner(bvRaised);
    EXPECT_EQ(b.StyleInner(), bvRaised);
    EXPECT_EQ(b.StyleOuter(), bvNone);
    b.SetStyleInner(bvShadow);
    b.SetStyleOuter(bvLowered);
    EXPECT_EQ(b.StyleInner(), bvNone);
    EXPECT_EQ(b.StyleOuter(), bvLowered);
    EXPECT_EQ(n.calls, 4);
}

TEST(KCLBevel, CustomExtents)
{
    TKCLBevel b(nullptr);
    b.SetStyleOuter(bvRaised);
    b.SetWidthOuter(2);
    b.SetStyleInner(bvFrameLowered);
    b.SetWidthInner(1);
    b.SetBorderWidth(3);
    b.SetBorderInnerWidth(1);
    EXPECT_EQ(b.Extent(), 8);
    EXPECT_EQ(b.ShadowExtent(), 8);

    TKCLBevel s(nullptr);
    s.SetStyleOuter(bvShadow);
    s.SetWidthInner(1);
    s.SetWidthOuter(4);
    s.SetBorderInnerWidth(0);
    EXPECT_EQ(s.Extent(), 1);
    EXPECT_EQ(s.ShadowExtent(), 5);
}

TEST(KCLBevel, StandardEdgeAndWindowsExtents)
{
    TKCLBevel b(nullptr);
    b.SetMode(bmStandard);
    b.SetStandardStyle(lsDoubleLowered);
    b.SetBorderInnerWidth(2);
    EXPECT_EQ(b.Extent(), 4);
    b.SetStandardStyle(lsSingle);
    EXPECT_EQ(b.Extent(), 3);
    b.SetStandardStyle(lsNone);
    EXPECT_EQ(b.Extent(), 2);

    b.SetMode(bmEdge);
    EXPECT_EQ(b.Extent(), 4);
    b.SetBorderSides(TKCLFrameSides{});
    EXPECT_EQ(b.Extent(), 2);
    EXPECT_EQ(b.ShadowExtent(), 2);

    b.SetMode(bmWindows);
    EXPECT_EQ(b.Extent(), 4);
    b.SetZeroWindowsExtent(true);
    b.Change();
    EXPECT_EQ(b.Extent(), 0);
}

TEST(KCLBevel, StandardStyleOutsideStandardModeIsSilent)
{
    TKCLBevel b(nullptr);
    b.SetBorderWidth(2);
    Counter n;
    b.OnChange = n.Handler();
    b.SetStandardStyle(lsDoubleRaised);
    EXPECT_EQ(n.calls, 0);
    EXPECT_EQ(b.Extent(), 2);
    b.SetMode(bmStandard);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(b.Extent(), 2);
    b.SetBorderInnerWidth(5);
    EXPECT_EQ(b.Extent(), 7);
}

TEST(KCLBevel, SettersNotifyOnlyOnChange)
{
    TKCLBevel b(nullptr);
    Counter n;
    b.OnChange = n.Handler();
    b.SetWidthInner(1);
    b.SetBorderColor(clBtnFace);
    b.SetEdgeStyle(etEtched);
    b.SetMode(bmCustom);
    b.SetStyleInner(bvNone);
    EXPECT_EQ(n.calls, 0);
    b.SetColor(0, clRed);
    b.SetColor(1, clGreen);
    b.SetColor(2, clBlue);
    b.SetEdgeStyle(etBump);
    EXPECT_EQ(n.calls, 4);
    EXPECT_EQ(b.BorderColor(), clRed);
    EXPECT_EQ(b.GetColor(1), clGreen);
    EXPECT_EQ(b.GetColor(2), clBlue);
}

TEST(KCLBevel, AssignCopiesAndRecomputesOnce)
{
    TKCLBevel src(nullptr), dst(nullptr);
    src.SetMode(bmStandard);
    src.SetStandardStyle(lsRaised);
    src.SetBorderInnerWidth(3);
    src.SetStyleOuter(bvShadow);
    src.SetWidthOuter(9);
    src.SetLightColor(clAqua);
    src.SetBorderSides(TKCLFrameSides{fsTop});
    src.SetEdgeStyle(etSunken);
    src.SetZeroWindowsExtent(true);
    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.Mode(), bmStandard);
    EXPECT_EQ(dst.StandardStyle(), lsRaised);
    EXPECT_EQ(dst.StyleInner(), bvShadow);
    EXPECT_EQ(dst.StyleOuter(), bvShadow);
    EXPECT_EQ(dst.WidthOuter(), 9);
    EXPECT_EQ(dst.LightColor(), clAqua);
    EXPECT_EQ(dst.BorderSides(), TKCLFrameSides{fsTop});
    EXPECT_EQ(dst.EdgeStyle(), etSunken);
    EXPECT_TRUE(dst.ZeroWindowsExtent());
    EXPECT_EQ(dst.Extent(), 5);
    dst.Assign(&dst);
    EXPECT_EQ(n.calls, 1);
}

TEST(KCLBevel, StreamingWritesModeAlways)
{
    TKCLBevel b(nullptr);
    TMemoryStream s;
    WritePersistent(s, &b);
    const AnsiString text(s.Bytes().begin(), s.Bytes().end());
    EXPECT_NE(text.find("Mode"), AnsiString::npos);
    for (const char *name : {"StyleInner", "WidthInner", "BorderColor", "BorderSides", "EdgeStyle", "LightColor", "StandardStyle"})
        EXPECT_EQ(text.find(name), AnsiString::npos) << name;

    b.SetMode(bmEdge);
    b.SetBorderSides(TKCLFrameSides{fsLeft, fsRight});
    b.SetStyleInner(bvFrameRaised);
    b.SetWidthInner(50);
    b.SetShadowColor(clMaroon);
    b.SetStandardStyle(lsFrameInset);
    TMemoryStream s2;
    WritePersistent(s2, &b);
    s2.SetPosition(0);
    TKCLBevel back(nullptr);
    ReadPersistent(s2, &back);
    EXPECT_EQ(back.Mode(), bmEdge);
    EXPECT_EQ(back.BorderSides(), (TKCLFrameSides{fsLeft, fsRight}));
    EXPECT_EQ(back.StyleInner(), bvFrameRaised);
    EXPECT_EQ(back.WidthInner(), 50);
    EXPECT_EQ(back.ShadowColor(), clMaroon);
    EXPECT_EQ(back.StandardStyle(), lsFrameInset);
    EXPECT_EQ(back.Extent(), 2);
}
