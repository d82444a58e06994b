#include "kcl/KCLBevel.h"
#include "kcl/KCLGraphUtils.h"

using namespace platform;

const TEnumInfo TKCLBevelStyleInfo{"TKCLBevelStyle", {"bvNone", "bvLowered", "bvRaised", "bvFrameLowered", "bvFrameRaised", "bvNormal", "bvShadow", "bvSpace"}};
const TEnumInfo TKCLBevelModeInfo{"TKCLBevelMode", {"bmCustom", "bmStandard", "bmEdge", "bmWindows"}};
const TEnumInfo TKCLBorderStyleInfo{"TKCLBorderStyle",
                                    {"lsNone", "lsSingle", "lsLowered", "lsRaised", "lsRaisedspb", "lsLoweredspb", "lsRaisedExt",
                                     "lsLoweredExt", "lsFrameInset", "lsFrameOffset", "lsWindowBorder", "lsSingleRaised",
                                     "lsSingleLowered", "lsDoubleRaised", "lsDoubleLowered"}};
const TEnumInfo TKCLEdgeStyleInfo{"TKCLEdgeStyle", {"etRaisedInner", "etRaisedOuter", "etSunkenInner", "etSunkenOuter", "etBump", "etEtched", "etRaised", "etSunken"}};
const TEnumInfo TKCLFrameSideInfo{"TKCLFrameSide", {"fsBottom", "fsLeft", "fsRight", "fsTop"}};

TKCLBevel::TKCLBevel(TPersistent *AOwner) : TKCLObject(AOwner) {}

void TKCLBevel::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLBevel> p(list);
    p.Enum("StyleInner", TKCLBevelStyleInfo, &TKCLBevel::StyleInner, &TKCLBevel::SetStyleInner).Default(bvNone);
    p.Enum("StyleOuter", TKCLBevelStyleInfo, &TKCLBevel::StyleOuter, &TKCLBevel::SetStyleOuter).Default(bvNone);
    p.Integer("WidthInner", &TKCLBevel::WidthInner, &TKCLBevel::SetWidthInner).Default(1);
    p.Integer("WidthOuter", &TKCLBevel::WidthOuter, &TKCLBevel::SetWidthOuter).Default(1);
    p.Integer("BorderColor", &TKCLBevel::BorderColor, &TKCLBevel::SetBorderColor).Default(clBtnFace);
    p.Set("BorderSides", TKCLFrameSideInfo, &TKCLBevel::BorderSides, &TKCLBevel::SetBorderSides)
        .Default(int64_t(TKCLFrameSides{fsBottom, fsLeft, fsRight, fsTop}.Bits()));
    p.Integer("BorderWidth", &TKCLBevel::BorderWidth, &TKCLBevel::SetBorderWidth).Default(0);
    p.Integer("BorderInnerWidth", &TKCLBevel::BorderInnerWidth, &TKCLBevel::SetBorderInnerWidth).Default(0);
    p.Enum("EdgeStyle", TKCLEdgeStyleInfo, &TKCLBevel::EdgeStyle, &TKCLBevel::SetEdgeStyle).Default(etEtched);
    p.Integer("LightColor", &TKCLBevel::LightColor, &TKCLBevel::SetLightColor).Default(clBtnHighlight);
    // Mode declares no default, so it is always written.
    p.Enum("Mode", TKCLBevelModeInfo, &TKCLBevel::Mode, &TKCLBevel::SetMode);
    p.Integer("ShadowColor", &TKCLBevel::ShadowColor, &TKCLBevel::SetShadowColor).Default(clBtnShadow);
    p.Enum("StandardStyle", TKCLBorderStyleInfo, &TKCLBevel::StandardStyle, &TKCLBevel::SetStandardStyle).Default(lsSingleLowered);
}

// The shadow style is always held by both bevels at once: taking it away
// from one side clears the other, giving it to one side gives it to both.
void TKCLBevel::SetStyleInner(TKCLBevelStyle Value)
{
    if (Value == StyleInner_)
        return;
    if (StyleInner_ == bvShadow)
        StyleOuter_ = bvNone;
    StyleInner_ = Value;
    if (Value == bvShadow)
        StyleOuter_ = bvShadow;
    Change();
}

void TKCLBevel::SetStyleOuter(TKCLBevelStyle Value)
{
    if (Value == StyleOuter_)
        return;
    if (StyleOuter_ == bvShadow)
        StyleInner_ = bvNone;
    StyleOuter_ = Value;
    if (Value == bvShadow)
        StyleInner_ = bvShadow;
    Change();
}

namespace {
template <class T>
bool store(T &field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void TKCLBevel::SetWidthInner(TKCLBevelWidth Value)
{
    if (store(WidthInner_, Value))
        Change();
}

void TKCLBevel::SetWidthOuter(TKCLBevelWidth Value)
{
    if (store(WidthOuter_, Value))
        Change();
}

TColor TKCLBevel::GetColor(int Index) const
{
    switch (Index) {
    case 0:
        return BorderColor_;
    case 1:
        return LightColor_;
    default:
        return ShadowColor_;
    }
}

void TKCLBevel::SetColor(int Index, TColor Value)
{
    TColor &field = Index == 0 ? BorderColor_ : Index == 1 ? LightColor_ : ShadowColor_;
    if (store(field, Value))
        Change();
}

void TKCLBevel::SetBorderInnerWidth(TKCLBorderWidth Value)
{
    if (store(BorderInnerWidth_, Value))
        Change();
}

void TKCLBevel::SetBorderWidth(TKCLBorderWidth Value)
{
    if (store(BorderWidth_, Value))
        Change();
}

void TKCLBevel::SetBorderSides(TKCLFrameSides Value)
{
    if (store(BorderSides_, Value))
        Change();
}

void TKCLBevel::SetEdgeStyle(TKCLEdgeStyle Value)
{
    if (store(EdgeStyle_, Value))
        Change();
}

void TKCLBevel::SetMode(TKCLBevelMode Value)
{
    if (store(Mode_, Value))
        Change();
}

// The standard style matters only in standard mode; elsewhere it is kept
// silently for a later switch of Mode.
void TKCLBevel::SetStandardStyle(TKCLBorderStyle Value)
{
    if (store(StandardStyle_, Value) && Mode_ == bmStandard)
        Change();
}

void TKCLBevel::ComputeExtents()
{
    switch (Mode_) {
    case bmCustom:
        if (StyleInner_ == bvShadow) {
            Extent_ = WidthInner_ + BorderInnerWidth_;
        } else {
            Extent_ = BorderWidth_ + BorderInnerWidth_;
            if (StyleOuter_ != bvNone) {
                Extent_ += WidthOuter_;
                if (StyleOuter_ == bvFrameLowered || StyleOuter_ == bvFrameRaised)
                    ++Extent_;
            }
            if (StyleInner_ != bvNone) {
                Extent_ += WidthInner_;
                if (StyleInner_ == bvFrameLowered || StyleInner_ == bvFrameRaised)
                    ++Extent_;
            }
        }
        break;
    case bmStandard:
        Extent_ = KCLBorderStyleWidth(StandardStyle_) + BorderInnerWidth_;
        break;
    case bmEdge:
        Extent_ = (BorderSides_.Empty() ? 0 : 2) + BorderInnerWidth_;
        break;
    case bmWindows:
        Extent_ = ZeroWindowsExtent_ ? 0 : BorderInnerWidth_ + 2;
        break;
    }
    if (Mode_ == bmCustom && StyleOuter_ == bvShadow)
        ShadowExtent_ = WidthInner_ + WidthOuter_ + BorderInnerWidth_;
    else
        ShadowExtent_ = Extent_;
}

void TKCLBevel::Change()
{
    ComputeExtents();
    TKCLObject::Change();
}

void TKCLBevel::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLBevel *>(Source)) {
        StyleInner_ = src->StyleInner_;
        StyleOuter_ = src->StyleOuter_;
        WidthInner_ = src->WidthInner_;
        WidthOuter_ = src->WidthOuter_;
        BorderSides_ = src->BorderSides_;
        BorderInnerWidth_ = src->BorderInnerWidth_;
        BorderWidth_ = src->BorderWidth_;
        BorderColor_ = src->BorderColor_;
        LightColor_ = src->LightColor_;
        ShadowColor_ = src->ShadowColor_;
        Mode_ = src->Mode_;
        StandardStyle_ = src->StandardStyle_;
        EdgeStyle_ = src->EdgeStyle_;
        ZeroWindowsExtent_ = src->ZeroWindowsExtent_;
        Change();
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLBevel::GetStatusText()
{
    return "{" + GetEnumName(TKCLBevelModeInfo, Mode_).substr(2) + "}";
}
