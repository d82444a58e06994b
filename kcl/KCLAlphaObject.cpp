#include "kcl/KCLAlphaObject.h"

#include "kcl/KCLCont.h"
#include "platform/Streaming.h"

#include <clocale>
#include <cmath>
#include <cstdio>

using namespace platform;

AnsiString KCLFloatToStrFixed(double Value, int Precision, int Digits)
{
    char buf[64];
    if (!std::isfinite(Value)) {
        std::snprintf(buf, sizeof buf, "%g", Value);
        return buf;
    }
    // Round to Precision significant digits first; more integer digits
    // than that give the scientific form.
    std::snprintf(buf, sizeof buf, "%.*e", Precision - 1, Value);
    const double rounded = std::strtod(buf, nullptr);
    if (rounded != 0 && std::floor(std::log10(std::fabs(rounded))) + 1 > Precision)
        std::snprintf(buf, sizeof buf, "%.*E", Precision - 1, rounded);
    else
        std::snprintf(buf, sizeof buf, "%.*f", Digits, rounded);
    AnsiString s = buf;
    const lconv *lc = std::localeconv();
    const char sep = (lc != nullptr && lc->decimal_point != nullptr && lc->decimal_point[0] != '\0') ? lc->decimal_point[0] : '.';
    for (char &c : s)
        if (c == '.' || c == ',')
            c = sep;
    return s;
}

TKCLAlphaObject::TKCLAlphaObject(TPersistent *AOwner)
    : TKCLObject(AOwner), FillObject_(std::make_unique<TKCLFillObject>(this)),
      ChangeLink_(std::make_unique<TChangeLink>())
{
    ChangeLink_->OnChange = TNotifyEvent::FromFunction([this](TObject *) { UpdateListBitmap(); });
    FillObject_->OnChange = TNotifyEvent::Bind<&TKCLObject::Changed>(this);
}

TKCLAlphaObject::~TKCLAlphaObject()
{
    // Freeing the link takes it off its list, when the list still exists.
    ChangeLink_->OnChange.Clear();
    ChangeLink_.reset();
    FillObject_->OnChange.Clear();
}

TCustomImageList *TKCLAlphaObject::ImageList() const
{
    return Watching_ ? ChangeLink_->Sender() : ImageList_;
}

void TKCLAlphaObject::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLAlphaObject> p(list);
    p.Component("ImageList", &TKCLAlphaObject::ImageList, &TKCLAlphaObject::SetImageList)
        .Stored([](const TKCLAlphaObject &o) {
            TCustomImageList *list = o.ImageList();
            return list != nullptr && (KCLDefaultContainer == nullptr || list->Owner() != KCLDefaultContainer);
        });
    p.Integer("ImageIndex", &TKCLAlphaObject::ImageIndex, &TKCLAlphaObject::SetImageIndex).Default(0);
    p.Integer("ListIndex", &TKCLAlphaObject::ListIndex, &TKCLAlphaObject::SetListIndex).Default(0);
    p.Float("Strength", &TKCLAlphaObject::Strength, &TKCLAlphaObject::SetStrength).Stored(&TKCLAlphaObject::StrengthStored);
    p.Object("FillObject", &TKCLAlphaObject::FillObject);
}

bool TKCLAlphaObject::StrengthStored() const
{
    return std::trunc(double(Strength_) * 1000000.0) != 600000.0;
}

void TKCLAlphaObject::SetImageList(TCustomImageList *Value)
{
    if (TCustomImageList *old = ChangeLink_->Sender())
        old->UnRegisterChanges(ChangeLink_.get());
    ImageList_ = Value;
    Watching_ = Value != nullptr;
    if (Value != nullptr)
        Value->RegisterChanges(ChangeLink_.get());
    UpdateListBitmap();
}

void TKCLAlphaObject::SetIndex(int Index, int32_t Value)
{
    (Index == 0 ? ImageIndex_ : ListIndex_) = Value;
    UpdateListBitmap();
}

void TKCLAlphaObject::SetStrength(float Value)
{
    if (Value == Strength_)
        return;
    Strength_ = Value;
    Changed(nullptr);
}

void TKCLAlphaObject::Changed(TObject *) { TKCLObject::Changed(nullptr); }

void TKCLAlphaObject::UpdateListBitmap()
{
    TBitmap &target = *FillObject_->ListBitmap();
    TCustomImageList *list = ImageList();
    if (list == nullptr || !KCLIsValidListImage(list, ListIndex_, ImageIndex_))
        KCLAssignBitmap(target, nullptr);
    else
        KCLGetListImage(list, ListIndex_, ImageIndex_, &target);
    Changed(FillObject_.get());
}

void TKCLAlphaObject::Assign(TPersistent *Source)
{
    if (Source == this)
        return;
    if (auto *src = dynamic_cast<TKCLAlphaObject *>(Source)) {
        FillObject_->Assign(src->FillObject_.get());
        Strength_ = src->Strength_;
        ImageIndex_ = src->ImageIndex_;
        ListIndex_ = src->ListIndex_;
        // A plain copy of the reference: this object is not registered with
        // the copied list (and stops watching the one it had, unless it is
        // the same list).
        TCustomImageList *copied = src->ImageList();
        if (ChangeLink_->Sender() != nullptr && ChangeLink_->Sender() != copied)
            ChangeLink_->Sender()->UnRegisterChanges(ChangeLink_.get());
        ImageList_ = copied;
        Watching_ = copied != nullptr && ChangeLink_->Sender() == copied;
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLAlphaObject::GetStatusText()
{
    const TKCLFillStyle style = FillObject_->Style();
    if (style == sfNone)
        return "{Disabled}";
    AnsiString kind;
    switch (style) {
    case sfBrush:
        kind = "brush";
        break;
    case sfBitmap:
    case sfBitmapList:
        kind = "bmp";
        break;
    case sfGradient:
        kind = "grad";
        break;
    default:
        break;
    }
    return "{Enabled (" + kind + "), strength: " + KCLFloatToStrFixed(Strength_, 5, 3) + "}";
}

void TKCLAlphaObject::DefineProperties(TFiler &Filer)
{
    TKCLObject::DefineProperties(Filer);
    Filer.DefineProperty(
        "Internal", [this](TReader &r) { SetImageList(KCLReadListRef(r)); },
        [this](TWriter &w) { KCLWriteListRef(w, ImageList()); }, KCLIsGlobalList(ImageList()));
}
