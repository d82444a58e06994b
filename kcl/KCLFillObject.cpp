#include "kcl/KCLFillObject.h"

using namespace platform;

const TEnumInfo TKCLAlignmentInfo{"TKCLAlignment",
                                  {"agTopLeft", "agTopCenter", "agTopRight", "agCenterLeft", "agCenter", "agCenterRight",
                                   "agBottomLeft", "agBottomCenter", "agBottomRight"}};
const TEnumInfo TKCLFillOptionInfo{"TKCLFillOption", {"foFillInner", "foQuickDraw", "foGrUseBitmap"}};

TKCLFillObject::TKCLFillObject(TPersistent *AOwner)
    : TKCLShapeFill(AOwner), Brush_(std::make_unique<TBrush>()),
      BrushProperty_(std::make_unique<TKCLBrushProperty>(*Brush_))
{
    BeginUpdate();
    SetStyle(sfNone);
    SetAlignment(agTopLeft);
    EndUpdate(false);
    Brush_->OnChange = [this] { Changed(this); };
}

TKCLFillObject::~TKCLFillObject()
{
    Brush_->OnChange = nullptr;
}

void TKCLFillObject::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLFillObject> p(list);
    // Replaces the inherited entry in place: a fill object fills nothing
    // by default.
    p.Enum("Style", TKCLFillStyleInfo, &TKCLFillObject::Style, &TKCLFillObject::SetStyle).Default(sfNone);
    p.Enum("Alignment", TKCLAlignmentInfo, &TKCLFillObject::Alignment, &TKCLFillObject::SetAlignment).Default(agTopLeft);
    p.Object("Brush", &TKCLFillObject::BrushProperty);
    p.Integer("OffsetX", &TKCLFillObject::OffsetX, &TKCLFillObject::SetOffsetX).Default(0);
    p.Integer("OffsetY", &TKCLFillObject::OffsetY, &TKCLFillObject::SetOffsetY).Default(0);
    p.Set("Options", TKCLFillOptionInfo, &TKCLFillObject::Options, &TKCLFillObject::SetOptions)
        .Default(int64_t(TKCLFillOptions{foFillInner, foGrUseBitmap}.Bits()));
}

bool TKCLFillObject::PlacesPicture() const
{
    return (Style() == sfBitmap || Style() == sfBitmapList) && TileMode() == tmNone;
}

void TKCLFillObject::SetAlignment(TKCLAlignment Value)
{
    if (Value == Alignment_)
        return;
    Alignment_ = Value;
    if (PlacesPicture())
        Change();
}

void TKCLFillObject::SetOffset(int Index, int32_t Value)
{
    int32_t &field = Index == 0 ? OffsetX_ : OffsetY_;
    if (Value == field)
        return;
    field = Value;
    if (PlacesPicture())
        Change();
}

void TKCLFillObject::SetOptions(TKCLFillOptions Value)
{
    if (Value == Options_)
        return;
    Options_ = Value;
    Change();
}

void TKCLFillObject::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLFillObject *>(Source)) {
        BeginUpdate();
        Brush_->Assign(*src->Brush_);
        Options_ = src->Options_;
        SetBitmap(src->Bitmap());
        SetListBitmap(src->ListBitmap());
        Gradient()->Assign(src->Gradient());
        SetStyle(src->Style());
        SetTileMode(src->TileMode());
        EndUpdate(true);
        return;
    }
    TKCLShapeFill::Assign(Source);
}
