// Caption settings: change notification, copying, summaries and streaming.
#include "kcl/KCLFXCaption.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


AnsiString streamed(TPersistent &obj)
{
    TMemoryStream s;
    WritePersistent(s, &obj);
    return AnsiString(s.Bytes().begin(), s.Bytes().end());
}

template <class T>
void roundTrip(T &from, T &to)
{
    TMemoryStream s;
    WritePersistent(s, &from);
    s.SetPosition(0);
    ReadPersistent(s, &to);
}

} // namespace

TEST(KCLCaption, DefaultsOfNewCaptions)
{
    TKCLFxCaption c(nullptr);
    EXPECT_EQ(c.DisabledStyle(), dsAuto);
    EXPECT_EQ(c.LightDepth(), 1);
    EXPECT_EQ(c.ShadowDepth(), 1);
    EXPECT_EQ(c.LightColor(), TColor(0x80000014));
    EXPECT_EQ(c.ShadowColor(), TColor(0x80000010));
    EXPECT_EQ(c.Orientation(), toTopLeft);
    EXPECT_EQ(c.Style(), tdNone);
    EXPECT_EQ(c.Tracing(), 0);
    EXPECT_EQ(c.Angle(), 0);
    EXPECT_EQ(c.PosX(), 0);
    EXPECT_EQ(c.PosY(), 0);
}

TEST(KCLCaption, SettersNotifyOnlyOnChange)
{
    TKCLFxCaption c(nullptr);
    Counter n;
    c.OnChange = n.Handler();
    c.SetStyle(tdNone);
    c.SetLightDepth(1);
    c.SetShadowColor(clBtnShadow);
    c.SetPosY(0);
    EXPECT_EQ(n.calls, 0);
    c.SetStyle(tdRaised);
    c.SetShadowDepth(3);
    c.SetLightColor(clRed);
    c.SetShadowColor(clBlue);
    c.SetOrientation(toBottomRight);
    c.SetDisabledStyle(ds3d);
    c.SetTracing(-7);
    c.SetPosX(4);
    c.SetPosY(5);
    EXPECT_EQ(n.calls, 9);
    EXPECT_EQ(c.GetDepth(1), 3);
    EXPECT_EQ(c.GetColor(0), clRed);
    EXPECT_EQ(c.GetColor(1), clBlue);
    EXPECT_EQ(c.GetPos(1), 5);
}

TEST(KCLCaption, AngleOfAFullTurnIsZero)
{
    TKCLFxCaption c(nullptr);
    Counter n;
    c.OnChange = n.Handler();
    c.SetAngle(360);
    EXPECT_EQ(c.Angle(), 0);
    EXPECT_EQ(n.calls, 1); // fires although the angle was 0 already
    c.SetAngle(359);
    c.SetAngle(359);
    EXPECT_EQ(c.Angle(), 359);
    EXPECT_EQ(n.calls, 2);
}

TEST(KCLCaption, AssignLeavesOrientationAndNotifiesOnce)
{
    TKCL3DCaption src(nullptr), dst(nullptr);
    src.SetStyle(tdExtrude);
    src.SetLightDepth(4);
    src.SetShadowDepth(5);
    src.SetLightColor(clLime);
    src.SetShadowColor(clNavy);
    src.SetDisabledStyle(dsNone);
    src.SetTracing(12);
    src.SetOrientation(toBottomLeft);
    Counter n;
    dst.OnChange = n.Handler();
    dst.Assign(&src);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(dst.Style(), tdExtrude);
    EXPECT_EQ(dst.LightDepth(), 4);
    EXPECT_EQ(dst.ShadowDepth(), 5);
    EXPECT_EQ(dst.LightColor(), clLime);
    EXPECT_EQ(dst.ShadowColor(), clNavy);
    EXPECT_EQ(dst.DisabledStyle(), dsNone);
    EXPECT_EQ(dst.Tracing(), 12);
    EXPECT_EQ(dst.Orientation(), toTopLeft);

    dst.Assign(&dst);
    EXPECT_EQ(n.calls, 1);
}

TEST(KCLCaption, AssignBetweenCaptionKinds)
{
    TKCL3DCaption plain(nullptr);
    plain.SetStyle(tdOutline);
    TKCLFxCaption fx(nullptr);
    fx.SetAngle(45);
    fx.SetPosX(10);
    fx.SetPosY(20);
    fx.Assign(&plain);
    EXPECT_EQ(fx.Style(), tdOutline);
    EXPECT_EQ(fx.Angle(), 45);
    EXPECT_EQ(fx.PosX(), 10);
    EXPECT_EQ(fx.PosY(), 20);

    TKCLFxCaption other(nullptr);
    Counter n;
    other.OnChange = n.Handler();
    other.Assign(&fx);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(other.Angle(), 45);
    EXPECT_EQ(other.PosX(), 10);
    EXPECT_EQ(other.PosY(), 20);
    EXPECT_EQ(other.Style(), tdOutline);

    TKCLFxCaption *none = nullptr;
    EXPECT_THROW(other.Assign(none), EConvertError);
}

TEST(KCLCaption, StatusTexts)
{
    TKCLFxCaption c(nullptr);
    EXPECT_EQ(c.GetStatusText(), "{None}");
    c.SetStyle(tdExtrudeEnh);
    EXPECT_EQ(static_cast<TKCL3DCaption &>(c).TKCL3DCaption::GetStatusText(), "{ExtrudeEnh}");
    c.SetStyle(tdShadow);
    EXPECT_EQ(c.GetStatusText(), "{Shadow}");
    c.SetAngle(90);
    EXPECT_EQ(c.GetStatusText(), "{Shadow, rot: 90\xB0}");
    c.SetStyle(tdRaised);
    c.SetAngle(45);
    EXPECT_EQ(c.GetStatusText(), "{Raised, rot: 45\xB0}");
}

TEST(KCLCaption, UpdateBracketNotifiesOnceAtTheEnd)
{
    TKCLFxCaption c(nullptr);
    Counter n;
    c.OnChange = n.Handler();
    c.BeginUpdate();
    c.SetStyle(tdSunken);
    c.SetAngle(30);
    c.SetPosX(3);
    c.SetLightColor(clWhite);
    EXPECT_EQ(n.calls, 0);
    c.EndUpdate(true);
    EXPECT_EQ(n.calls, 1);
}

TEST(KCLCaption, StreamsOnlyChangedProperties)
{
    TKCLFxCaption c(nullptr);
    const AnsiString fresh = streamed(c);
    for (const char *name : {"DisabledStyle", "LightDepth", "Orientation", "Style", "Tracing", "Angle", "PosX"})
        EXPECT_EQ(fresh.find(name), AnsiString::npos) << name;

    c.SetStyle(tdExtrude);
    c.SetOrientation(toBottomRight);
    c.SetShadowDepth(7);
    c.SetLightColor(clYellow);
    c.SetTracing(-3);
    c.SetAngle(270);
    c.SetPosY(65535);
    TKCLFxCaption back(nullptr);
    roundTrip(c, back);
    EXPECT_EQ(back.Style(), tdExtrude);
    EXPECT_EQ(back.Orientation(), toBottomRight);
    EXPECT_EQ(back.ShadowDepth(), 7);
    EXPECT_EQ(back.LightDepth(), 1);
    EXPECT_EQ(back.LightColor(), clYellow);
    EXPECT_EQ(back.ShadowColor(), clBtnShadow);
    EXPECT_EQ(back.Tracing(), -3);
    EXPECT_EQ(back.Angle(), 270);
    EXPECT_EQ(back.PosY(), 65535);
}
