#include "kcl/KCL3DCaption.h"

using namespace platform;

const TEnumInfo TKCLDisabledStyleInfo{"TKCLDisabledStyle", {"dsAuto", "dsStandard", "ds3d", "dsNone"}};
const TEnumInfo TKCLThreeDOrientationInfo{"TKCLThreeDOrientation", {"toBottomLeft", "toBottomRight", "toTopLeft", "toTopRight"}};
const TEnumInfo TKCLThreeDStyleInfo{"TKCLThreeDStyle",
                                    {"tdNone", "tdSunken", "tdRaised", "tdSunkenShadow", "tdRaisedShadow", "tdPColorSunken",
                                     "tdPColorRaised", "tdShadow", "tdOutline", "tdExtrude", "tdExtrudeEnh"}};

TKCL3DCaption::TKCL3DCaption(TPersistent *AOwner) : TKCLObject(AOwner) {}

void TKCL3DCaption::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCL3DCaption> p(list);
    p.Enum("DisabledStyle", TKCLDisabledStyleInfo, &TKCL3DCaption::DisabledStyle, &TKCL3DCaption::SetDisabledStyle).Default(dsAuto);
    p.Integer("LightDepth", &TKCL3DCaption::LightDepth, &TKCL3DCaption::SetLightDepth).Default(1);
    p.Integer("ShadowDepth", &TKCL3DCaption::ShadowDepth, &TKCL3DCaption::SetShadowDepth).Default(1);
    p.Integer("LightColor", &TKCL3DCaption::LightColor, &TKCL3DCaption::SetLightColor).Default(clBtnHighlight);
    p.Enum("Orientation", TKCLThreeDOrientationInfo, &TKCL3DCaption::Orientation, &TKCL3DCaption::SetOrientation).Default(toTopLeft);
    p.Integer("ShadowColor", &TKCL3DCaption::ShadowColor, &TKCL3DCaption::SetShadowColor).Default(clBtnShadow);
    p.Enum("Style", TKCLThreeDStyleInfo, &TKCL3DCaption::Style, &TKCL3DCaption::SetStyle).Default(tdNone);
    p.Integer("Tracing", &TKCL3DCaption::Tracing, &TKCL3DCaption::SetTracing).Default(0);
}

void TKCL3DCaption::SetDisabledStyle(TKCLDisabledStyle Value)
{
    if (Value == DisabledStyle_)
        return;
    DisabledStyle_ = Value;
    Change();
}

void TKCL3DCaption::SetDepth(int Index, uint8_t Value)
{
    uint8_t &field = Index == 0 ? LightDepth_ : ShadowDepth_;
    if (Value == field)
        return;
    field = Value;
    Change();
}

void TKCL3DCaption::SetColor(int Index, TColor Value)
{
    TColor &field = Index == 0 ? LightColor_ : ShadowColor_;
    if (Value == field)
        return;
    field = Value;
    Change();
}

void TKCL3DCaption::SetStyle(TKCLThreeDStyle Value)
{
    if (Value == Style_)
        return;
    Style_ = Value;
    Change();
}

void TKCL3DCaption::SetOrientation(TKCLThreeDOrientation Value)
{
    if (Value == Orientation_)
        return;
    Orientation_ = Value;
    Change();
}

void TKCL3DCaption::SetTracing(int32_t Value)
{
    if (Value == Tracing_)
        return;
    Tracing_ = Value;
    Change();
}

void TKCL3DCaption::CopyCaptionFields(const TKCL3DCaption &Source)
{
    DisabledStyle_ = Source.DisabledStyle_;
    LightDepth_ = Source.LightDepth_;
    ShadowDepth_ = Source.ShadowDepth_;
    LightColor_ = Source.LightColor_;
    ShadowColor_ = Source.ShadowColor_;
    Style_ = Source.Style_;
    Tracing_ = Source.Tracing_;
}

void TKCL3DCaption::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCL3DCaption *>(Source)) {
        CopyCaptionFields(*src);
        Change();
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCL3DCaption::GetStatusText()
{
    return "{" + GetEnumName(TKCLThreeDStyleInfo, Style_).substr(2) + "}";
}
