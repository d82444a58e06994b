// TKCLBevel: the border settings of a control (custom inner/outer bevels
// with flat borders, a standard border style, a Windows edge, or the Windows
// border) and two numbers computed at every change for the control's layout:
// Extent, the pixels the border takes on each side, and ShadowExtent, the
// pixels it takes on the shadow side.
#pragma once

#include "kcl/KCLObject.h"
#include "platform/Graphics.h"

#include <cstdint>

using platform::TColor;

enum TKCLBevelStyle : uint8_t { bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow, bvSpace };
enum TKCLBevelMode : uint8_t { bmCustom, bmStandard, bmEdge, bmWindows };
enum TKCLBorderStyle : uint8_t {
    lsNone, lsSingle, lsLowered, lsRaised, lsRaisedspb, lsLoweredspb, lsRaisedExt, lsLoweredExt,
    lsFrameInset, lsFrameOffset, lsWindowBorder, lsSingleRaised, lsSingleLowered, lsDoubleRaised, lsDoubleLowered,
};
enum TKCLEdgeStyle : uint8_t { etRaisedInner, etRaisedOuter, etSunkenInner, etSunkenOuter, etBump, etEtched, etRaised, etSunken };
enum TKCLFrameSide : uint8_t { fsBottom, fsLeft, fsRight, fsTop };
using TKCLFrameSides = platform::TSet<TKCLFrameSide>;
using TKCLBevelWidth = uint8_t;  // 0..50
using TKCLBorderWidth = uint8_t; // 0..255

extern const platform::TEnumInfo TKCLBevelStyleInfo;
extern const platform::TEnumInfo TKCLBevelModeInfo;
extern const platform::TEnumInfo TKCLBorderStyleInfo;
extern const platform::TEnumInfo TKCLEdgeStyleInfo;
extern const platform::TEnumInfo TKCLFrameSideInfo;

class TKCLBevel : public TKCLObject {
    RBK_CLASS(TKCLBevel, TKCLObject)
public:
    explicit TKCLBevel(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    // Recomputes Extent and ShadowExtent, then notifies.
    void Change() override;
    AnsiString GetStatusText() override;

    TKCLBevelStyle StyleInner() const { return StyleInner_; }
    void SetStyleInner(TKCLBevelStyle Value);
    TKCLBevelStyle StyleOuter() const { return StyleOuter_; }
    void SetStyleOuter(TKCLBevelStyle Value);
    TKCLBevelWidth WidthInner() const { return WidthInner_; }
    void SetWidthInner(TKCLBevelWidth Value);
    TKCLBevelWidth WidthOuter() const { return WidthOuter_; }
    void SetWidthOuter(TKCLBevelWidth Value);
    // Index 0 BorderColor, 1 LightColor, 2 ShadowColor.
    TColor GetColor(int Index) const;
    void SetColor(int Index, TColor Value);
    TColor BorderColor() const { return BorderColor_; }
    void SetBorderColor(TColor Value) { SetColor(0, Value); }
    TColor LightColor() const { return LightColor_; }
    void SetLightColor(TColor Value) { SetColor(1, Value); }
    TColor ShadowColor() const { return ShadowColor_; }
    void SetShadowColor(TColor Value) { SetColor(2, Value); }
    TKCLBorderWidth BorderInnerWidth() const { return BorderInnerWidth_; }
    void SetBorderInnerWidth(TKCLBorderWidth Value);
    TKCLBorderWidth BorderWidth() const { return BorderWidth_; }
    void SetBorderWidth(TKCLBorderWidth Value);
    TKCLFrameSides BorderSides() const { return BorderSides_; }
    void SetBorderSides(TKCLFrameSides Value);
    TKCLEdgeStyle EdgeStyle() const { return EdgeStyle_; }
    void SetEdgeStyle(TKCLEdgeStyle Value);
    TKCLBevelMode Mode() const { return Mode_; }
    void SetMode(TKCLBevelMode Value);
    TKCLBorderStyle StandardStyle() const { return StandardStyle_; }
    void SetStandardStyle(TKCLBorderStyle Value);

    int32_t Extent() const { return Extent_; }
    int32_t ShadowExtent() const { return ShadowExtent_; }
    bool ZeroWindowsExtent() const { return ZeroWindowsExtent_; }
    void SetZeroWindowsExtent(bool Value) { ZeroWindowsExtent_ = Value; }

private:
    void ComputeExtents();

    TKCLBevelStyle StyleInner_ = bvNone;
    TKCLBevelStyle StyleOuter_ = bvNone;
    TKCLBevelWidth WidthInner_ = 1;
    TKCLBevelWidth WidthOuter_ = 1;
    TColor BorderColor_ = platform::clBtnFace;
    TKCLBorderWidth BorderInnerWidth_ = 0;
    TKCLBorderWidth BorderWidth_ = 0;
    TKCLFrameSides BorderSides_{fsBottom, fsLeft, fsRight, fsTop};
    TKCLEdgeStyle EdgeStyle_ = etEtched;
    int32_t Extent_ = 0;
    int32_t ShadowExtent_ = 0;
    TColor LightColor_ = platform::clBtnHighlight;
    TKCLBevelMode Mode_ = bmCustom;
    TColor ShadowColor_ = platform::clBtnShadow;
    TKCLBorderStyle StandardStyle_ = lsSingleLowered;
    bool ZeroWindowsExtent_ = false;
};
