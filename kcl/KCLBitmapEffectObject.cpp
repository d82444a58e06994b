#include "kcl/KCLBitmapEffectObject.h"

using namespace platform;

TKCLBitmapEffectObject::TKCLBitmapEffectObject(TPersistent *AOwner)
    : TKCLObject(AOwner), AlphaBlend_(std::make_unique<TKCLAlphaObject>(this))
{
    AlphaBlend_->OnChange = TNotifyEvent::Bind<&TKCLObject::Changed>(this);
}

TKCLBitmapEffectObject::~TKCLBitmapEffectObject()
{
    Buffer_.reset();
    AlphaBlend_->OnChange.Clear();
}

void TKCLBitmapEffectObject::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLBitmapEffectObject> p(list);
    p.Object("AlphaBlend", &TKCLBitmapEffectObject::AlphaBlend);
    p.Boolean("FlipVertical", &TKCLBitmapEffectObject::FlipVertical, &TKCLBitmapEffectObject::SetFlipVertical).Default(0);
    p.Boolean("FlipHorizontal", &TKCLBitmapEffectObject::FlipHorizontal, &TKCLBitmapEffectObject::SetFlipHorizontal).Default(0);
    p.Boolean("GrayScale", &TKCLBitmapEffectObject::GrayScale, &TKCLBitmapEffectObject::SetGrayScale).Default(0);
    p.Boolean("Invert", &TKCLBitmapEffectObject::Invert, &TKCLBitmapEffectObject::SetInvert).Default(0);
    p.Boolean("Buffered", &TKCLBitmapEffectObject::Buffered, &TKCLBitmapEffectObject::SetBuffered).Default(0);
    p.Integer("Brightness", &TKCLBitmapEffectObject::Brightness, &TKCLBitmapEffectObject::SetBrightness).Default(0);
}

bool &TKCLBitmapEffectObject::flagField(int Index)
{
    switch (Index) {
    case 0:
        return FlipVertical_;
    case 1:
        return FlipHorizontal_;
    case 2:
        return GrayScale_;
    case 3:
        return Invert_;
    case 4:
        return Buffered_;
    default:
        return Flag5_;
    }
}

bool TKCLBitmapEffectObject::GetFlag(int Index) const
{
    return const_cast<TKCLBitmapEffectObject *>(this)->flagField(Index);
}

void TKCLBitmapEffectObject::SetFlag(int Index, bool Value)
{
    bool &field = flagField(Index);
    if (Value == field)
        return;
    if (Index == 4) {
        BufferValid_ = false;
        if (Value)
            Buffer_ = std::make_unique<TBitmap>();
        else
            Buffer_.reset();
    }
    field = Value;
    Changed(nullptr);
}

void TKCLBitmapEffectObject::SetBrightness(int32_t Value)
{
    if (Value == Brightness_)
        return;
    Brightness_ = Value;
    Changed(nullptr);
}

void TKCLBitmapEffectObject::Changed(TObject *Sender)
{
    TKCLObject::Changed(Sender);
    BufferValid_ = false;
}

void TKCLBitmapEffectObject::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLBitmapEffectObject *>(Source)) {
        FlipVertical_ = src->FlipVertical_;
        FlipHorizontal_ = src->FlipHorizontal_;
        GrayScale_ = src->GrayScale_;
        Invert_ = src->Invert_;
        Brightness_ = src->Brightness_;
        SetBuffered(src->Buffered_);
        AlphaBlend_->Assign(src->AlphaBlend_.get());
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLBitmapEffectObject::GetStatusText()
{
    AnsiString words;
    auto add = [&words](const char *w) {
        if (!words.empty())
            words += ",";
        words += w;
    };
    if (AlphaBlend_->FillObject()->Style() != sfNone)
        add("alpha");
    if (FlipVertical_)
        add("FV");
    if (FlipHorizontal_)
        add("FH");
    if (GrayScale_)
        add("GS");
    if (Invert_)
        add("INV");
    if (Brightness_ != 0)
        add("B");
    if (words.empty())
        words = "Disabled";
    return "{" + words + "}";
}
