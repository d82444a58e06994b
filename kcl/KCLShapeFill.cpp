#include "kcl/KCLShapeFill.h"

#include "platform/Bitmaps.h"
#include "platform/Streaming.h"

using namespace platform;

const TEnumInfo TKCLFillStyleInfo{"TKCLFillStyle", {"sfNone", "sfBrushBitmap", "sfBrush", "sfBitmap", "sfBitmapList", "sfGradient"}};
const TEnumInfo TKCLTileModeInfo{"TKCLTileMode", {"tmNone", "tmCenter", "tmStretch", "tmTile"}};

const TEnumInfo TBrushStyleInfo{"TBrushStyle", {"bsSolid", "bsClear"}};

void TKCLBitmapProperty::DefineProperties(TFiler &Filer)
{
    TPersistent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data",
        [this](TStream &s) {
            LoadBitmapFromStream(bitmap_, s);
            if (changed_)
                changed_();
        },
        [this](TStream &s) { SaveBitmapToStream(bitmap_, s); }, !bitmap_.Empty());
}

void TKCLBrushProperty::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLBrushProperty> p(list);
    p.Integer("Color", &TKCLBrushProperty::Color, &TKCLBrushProperty::SetColor).Default(int64_t(clWhite));
    p.Enum("Style", TBrushStyleInfo, &TKCLBrushProperty::Style, &TKCLBrushProperty::SetStyle).Default(int64_t(bsSolid));
}

void KCLAssignBitmap(TBitmap &Dest, const TBitmap *Source)
{
    if (Source == &Dest)
        return;
    if (Source == nullptr)
        Dest.LoadFromImage(QImage());
    else
        Dest.Assign(*Source);
}

TKCLShapeFill::TKCLShapeFill(TPersistent *AOwner)
    : TKCLObject(AOwner), Bitmap_(std::make_unique<TBitmap>()), Gradient_(std::make_unique<TKCLGradient>(this)),
      ListBitmap_(std::make_unique<TBitmap>())
{
    BitmapProperty_ = std::make_unique<TKCLBitmapProperty>(*Bitmap_, [this] { Changed(this); });
    Gradient_->OnChange = TNotifyEvent::Bind<&TKCLObject::Changed>(this);
}

TKCLShapeFill::~TKCLShapeFill()
{
    Gradient_->OnChange.Clear();
}

void TKCLShapeFill::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLShapeFill> p(list);
    p.Object("Bitmap", &TKCLShapeFill::BitmapProperty);
    p.Enum("Style", TKCLFillStyleInfo, &TKCLShapeFill::Style, &TKCLShapeFill::SetStyle).Default(sfBrush);
    p.Object("Gradient", &TKCLShapeFill::Gradient);
    p.Enum("TileMode", TKCLTileModeInfo, &TKCLShapeFill::TileMode, &TKCLShapeFill::SetTileMode).Default(tmTile);
}

void TKCLShapeFill::SetBitmap(const TBitmap *Value)
{
    if (Value == Bitmap_.get())
        return;
    KCLAssignBitmap(*Bitmap_, Value);
    Changed(this);
}

void TKCLShapeFill::SetGradient(TKCLGradient *Value) { Gradient_->Assign(Value); }

void TKCLShapeFill::SetListBitmap(const TBitmap *Value) { KCLAssignBitmap(*ListBitmap_, Value); }

void TKCLShapeFill::SetStyle(TKCLFillStyle Value)
{
    if (Value == Style_)
        return;
    Style_ = Value;
    Change();
}

void TKCLShapeFill::SetTileMode(TKCLTileMode Value)
{
    if (Value == TileMode_)
        return;
    TileMode_ = Value;
    Change();
}

void TKCLShapeFill::CopyShapeFill(const TKCLShapeFill &Source)
{
    KCLAssignBitmap(*Bitmap_, Source.Bitmap_.get());
    KCLAssignBitmap(*ListBitmap_, Source.ListBitmap_.get());
    Gradient_->Assign(Source.Gradient_.get());
    Style_ = Source.Style_;
    TileMode_ = Source.TileMode_;
}

void TKCLShapeFill::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLShapeFill *>(Source)) {
        BeginUpdate();
        CopyShapeFill(*src);
        EndUpdate(true);
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLShapeFill::GetStatusText()
{
    return "{" + GetEnumName(TKCLFillStyleInfo, Style_).substr(2) + "}";
}
