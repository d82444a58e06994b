// TKCLFillObject: a shape fill with its own brush, the alignment and offset
// of a bitmap that is not tiled, and fill options. A new fill object fills
// nothing (Style sfNone).
//
// Brush is streamed in its published place through TKCLBrushProperty (see
// KCLShapeFill.h).
#pragma once

#include "kcl/KCLShapeFill.h"

#include <memory>

enum TKCLAlignment : uint8_t {
    agTopLeft, agTopCenter, agTopRight, agCenterLeft, agCenter, agCenterRight, agBottomLeft, agBottomCenter, agBottomRight,
};
enum TKCLFillOption : uint8_t { foFillInner, foQuickDraw, foGrUseBitmap };
using TKCLFillOptions = platform::TSet<TKCLFillOption>;

extern const platform::TEnumInfo TKCLAlignmentInfo;
extern const platform::TEnumInfo TKCLFillOptionInfo;

class TKCLFillObject : public TKCLShapeFill {
    RBK_CLASS(TKCLFillObject, TKCLShapeFill)
public:
    explicit TKCLFillObject(TPersistent *AOwner);
    ~TKCLFillObject() override;

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;

    // Alignment and offsets place the picture only for a bitmap style with
    // TileMode tmNone; in every other case they are stored silently.
    TKCLAlignment Alignment() const { return Alignment_; }
    void SetAlignment(TKCLAlignment Value);
    // Index 0 OffsetX, 1 OffsetY.
    int32_t GetOffset(int Index) const { return Index == 0 ? OffsetX_ : OffsetY_; }
    void SetOffset(int Index, int32_t Value);
    int32_t OffsetX() const { return OffsetX_; }
    void SetOffsetX(int32_t Value) { SetOffset(0, Value); }
    int32_t OffsetY() const { return OffsetY_; }
    void SetOffsetY(int32_t Value) { SetOffset(1, Value); }
    platform::TBrush *Brush() const { return Brush_.get(); }
    // Copies Value into the owned brush; its change event reports it.
    void SetBrush(const platform::TBrush &Value) { Brush_->Assign(Value); }
    TKCLFillOptions Options() const { return Options_; }
    void SetOptions(TKCLFillOptions Value);

private:
    bool PlacesPicture() const;
    TKCLBrushProperty *BrushProperty() const { return BrushProperty_.get(); }

    TKCLAlignment Alignment_ = agTopLeft;
    int32_t OffsetX_ = 0;
    int32_t OffsetY_ = 0;
    std::unique_ptr<platform::TBrush> Brush_;
    std::unique_ptr<TKCLBrushProperty> BrushProperty_;
    TKCLFillOptions Options_{foFillInner, foGrUseBitmap};
};
