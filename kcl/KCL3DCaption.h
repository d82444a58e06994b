// TKCL3DCaption: the settings of a three-dimensional caption effect (style,
// direction, light and shadow colours and depths, the look of a disabled
// caption and an integer Tracing value read by the drawing code). A plain
// value holder: it stores, copies, streams and summarises its settings and
// draws nothing itself.
#pragma once

#include "kcl/KCLObject.h"
#include "platform/Graphics.h"

#include <cstdint>

using platform::TColor;

enum TKCLDisabledStyle : uint8_t { dsAuto, dsStandard, ds3d, dsNone };
enum TKCLThreeDOrientation : uint8_t { toBottomLeft, toBottomRight, toTopLeft, toTopRight };
enum TKCLThreeDStyle : uint8_t {
    tdNone, tdSunken, tdRaised, tdSunkenShadow, tdRaisedShadow, tdPColorSunken,
    tdPColorRaised, tdShadow, tdOutline, tdExtrude, tdExtrudeEnh,
};

extern const platform::TEnumInfo TKCLDisabledStyleInfo;
extern const platform::TEnumInfo TKCLThreeDOrientationInfo;
extern const platform::TEnumInfo TKCLThreeDStyleInfo;

class TKCL3DCaption : public TKCLObject {
    RBK_CLASS(TKCL3DCaption, TKCLObject)
public:
    explicit TKCL3DCaption(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    AnsiString GetStatusText() override;

    TKCLDisabledStyle DisabledStyle() const { return DisabledStyle_; }
    void SetDisabledStyle(TKCLDisabledStyle Value);
    // Index 0 LightDepth, 1 ShadowDepth.
    uint8_t GetDepth(int Index) const { return Index == 0 ? LightDepth_ : ShadowDepth_; }
    void SetDepth(int Index, uint8_t Value);
    uint8_t LightDepth() const { return LightDepth_; }
    void SetLightDepth(uint8_t Value) { SetDepth(0, Value); }
    uint8_t ShadowDepth() const { return ShadowDepth_; }
    void SetShadowDepth(uint8_t Value) { SetDepth(1, Value); }
    // Index 0 LightColor, 1 ShadowColor.
    TColor GetColor(int Index) const { return Index == 0 ? LightColor_ : ShadowColor_; }
    void SetColor(int Index, TColor Value);
    TColor LightColor() const { return LightColor_; }
    void SetLightColor(TColor Value) { SetColor(0, Value); }
    TColor ShadowColor() const { return ShadowColor_; }
    void SetShadowColor(TColor Value) { SetColor(1, Value); }
    TKCLThreeDStyle Style() const { return Style_; }
    void SetStyle(TKCLThreeDStyle Value);
    TKCLThreeDOrientation Orientation() const { return Orientation_; }
    void SetOrientation(TKCLThreeDOrientation Value);
    int32_t Tracing() const { return Tracing_; }
    void SetTracing(int32_t Value);

protected:
    // Copies the seven fields that Assign takes over (Orientation is not one).
    void CopyCaptionFields(const TKCL3DCaption &Source);

private:
    TKCLDisabledStyle DisabledStyle_ = dsAuto;
    uint8_t LightDepth_ = 1;
    uint8_t ShadowDepth_ = 1;
    TColor LightColor_ = platform::clBtnHighlight;
    TColor ShadowColor_ = platform::clBtnShadow;
    TKCLThreeDStyle Style_ = tdNone;
    TKCLThreeDOrientation Orientation_ = toTopLeft;
    int32_t Tracing_ = 0;
};
