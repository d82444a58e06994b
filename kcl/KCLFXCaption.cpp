#include "kcl/KCLFXCaption.h"

using namespace platform;

TKCLFxCaption::TKCLFxCaption(TPersistent *AOwner) : TKCL3DCaption(AOwner) {}

void TKCLFxCaption::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLFxCaption> p(list);
    p.Integer("Angle", &TKCLFxCaption::Angle, &TKCLFxCaption::SetAngle).Default(0);
    p.Integer("PosX", &TKCLFxCaption::PosX, &TKCLFxCaption::SetPosX).Default(0);
    p.Integer("PosY", &TKCLFxCaption::PosY, &TKCLFxCaption::SetPosY).Default(0);
}

void TKCLFxCaption::SetAngle(uint16_t Value)
{
    if (Value == Angle_)
        return;
    Angle_ = Value;
    // A full turn is no rotation.
    if (Angle_ == 360)
        Angle_ = 0;
    Change();
}

void TKCLFxCaption::SetPos(int Index, uint16_t Value)
{
    uint16_t &field = Index == 0 ? PosX_ : PosY_;
    if (Value == field)
        return;
    field = Value;
    Change();
}

void TKCLFxCaption::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLFxCaption *>(Source)) {
        CopyCaptionFields(*src);
        PosX_ = src->PosX_;
        PosY_ = src->PosY_;
        Angle_ = src->Angle_;
        Change();
        return;
    }
    TKCL3DCaption::Assign(Source);
}

AnsiString TKCLFxCaption::GetStatusText()
{
    AnsiString s = TKCL3DCaption::GetStatusText();
    if (Angle_ != 0 && !s.empty() && s.back() == '}') {
        s.back() = ',';
        s += " rot: " + std::to_string(Angle_) + "\xB0}";
    }
    return s;
}
