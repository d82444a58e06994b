// TKCLFxCaption: the three-dimensional caption settings plus a rotation
// angle (0..359 degrees; 360 is kept as 0) and a text position.
#pragma once

#include "kcl/KCL3DCaption.h"

class TKCLFxCaption : public TKCL3DCaption {
    RBK_CLASS(TKCLFxCaption, TKCL3DCaption)
public:
    explicit TKCLFxCaption(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    // The caption summary with ", rot: <angle>°" before the closing brace
    // when the caption is rotated (° is the single CP1250 byte 0xB0).
    AnsiString GetStatusText() override;

    uint16_t Angle() const { return Angle_; }
    void SetAngle(uint16_t Value);
    // Index 0 PosX, 1 PosY.
    uint16_t GetPos(int Index) const { return Index == 0 ? PosX_ : PosY_; }
    void SetPos(int Index, uint16_t Value);
    uint16_t PosX() const { return PosX_; }
    void SetPosX(uint16_t Value) { SetPos(0, Value); }
    uint16_t PosY() const { return PosY_; }
    void SetPosY(uint16_t Value) { SetPos(1, Value); }

private:
    uint16_t Angle_ = 0;
    uint16_t PosX_ = 0;
    uint16_t PosY_ = 0;
};
