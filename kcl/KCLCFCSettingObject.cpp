#include "kcl/KCLCFCSettingObject.h"

#include <vector>

#include "kcl/KCLBevel.h"
#include "kcl/KCLBitmapEffectObject.h"
#include "kcl/KCLFXCaption.h"
#include "kcl/KCLFillObject.h"
#include "platform/ColorNames.h"

using namespace platform;

// ------------------------------------------------------------ TKCLColorObject

TKCLColorObject::TKCLColorObject(TPersistent *AOwner) : TKCLObject(AOwner) {}

void TKCLColorObject::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLColorObject> p(list);
    p.Integer("Color", &TKCLColorObject::Color, &TKCLColorObject::SetColor).Default(clBtnFace);
}

void TKCLColorObject::SetColor(TColor Value)
{
    if (Value == Color_)
        return;
    Color_ = Value;
    Change();
}

void TKCLColorObject::Assign(TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLColorObject *>(Source)) {
        Color_ = src->Color_;
        Change();
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLColorObject::GetStatusText() { return ColorToString(Color_); }

// ------------------------------------------------------------ TKCLCtlSettings

namespace {
const char *const BoolWords[2] = {"False", "True"};
}

TKCLCtlSettings::TKCLCtlSettings(TPersistent *AOwner) : TKCLObject(AOwner) {}

void TKCLCtlSettings::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLCtlSettings> p(list);
    p.Boolean("Transparent", &TKCLCtlSettings::Transparent, &TKCLCtlSettings::SetTransparent).Default(0);
    p.Boolean("CtlXP", &TKCLCtlSettings::CtlXP, &TKCLCtlSettings::SetCtlXP).Default(1);
}

bool TKCLCtlSettings::GetValue(int Index) const
{
    switch (Index) {
    case 0:
        return Transparent_;
    case 1:
        return CtlXP_;
    default:
        return false;
    }
}

void TKCLCtlSettings::SetValue(int Index, bool Value)
{
    bool *field = Index == 0 ? &Transparent_ : Index == 1 ? &CtlXP_ : nullptr;
    if (field == nullptr || *field == Value)
        return;
    *field = Value;
    Change();
}

void TKCLCtlSettings::Assign(TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLCtlSettings *>(Source)) {
        Transparent_ = src->Transparent_;
        CtlXP_ = src->CtlXP_;
        Change();
        return;
    }
    TKCLObject::Assign(Source);
}

AnsiString TKCLCtlSettings::GetStatusText()
{
    return AnsiString("Transp.: ") + BoolWords[Transparent_ ? 1 : 0] + ", CtlXP: " + BoolWords[CtlXP_ ? 1 : 0];
}

// ------------------------------------------------------------ TKCLStyleObject

TKCLStyleObject::TKCLStyleObject(TPersistent *AOwner) : TKCLObject(AOwner) {}

void TKCLStyleObject::PublishProperties(TPropList &list)
{
    TPropertyTable<TKCLStyleObject> p(list);
    p.String("StyleName", &TKCLStyleObject::StyleName, &TKCLStyleObject::SetStyleName);
}

void TKCLStyleObject::SetStyleName(const AnsiString &Value)
{
    if (Value == StyleName_)
        return;
    StyleName_ = Value;
    Change();
}

void TKCLStyleObject::Assign(TPersistent *Source)
{
    if (auto *src = dynamic_cast<TKCLStyleObject *>(Source)) {
        StyleName_ = src->StyleName_;
        Change();
        return;
    }
    TKCLObject::Assign(Source);
}

// ------------------------------------------------------------ font

namespace KCLStreaming {

void TFont::PublishProperties(TPropList &list)
{
    TPropertyTable<TFont> p(list);
    p.Integer("Color", [](const TFont &f) { return f.font_.Color(); }, [](TFont &f, TColor v) { f.font_.SetColor(v); });
    p.Integer("Height", [](const TFont &f) { return f.font_.Height(); }, [](TFont &f, int v) { f.font_.SetHeight(v); });
    p.String("Name", [](const TFont &f) { return f.font_.Name(); }, [](TFont &f, const AnsiString &v) { f.font_.SetName(v); });
    p.Set("Style", FontStyleInfo, [](const TFont &f) { return f.font_.Style(); }, [](TFont &f, TFontStyles v) { f.font_.SetStyle(v); })
        .Default(0);
}

void TFont::Assign(TPersistent *Source)
{
    if (auto *src = dynamic_cast<TFont *>(Source)) {
        font_.Assign(src->font_);
        return;
    }
    TPersistent::Assign(Source);
}

} // namespace KCLStreaming

// ------------------------------------------------------------ start-up

namespace {
bool settingClassesRegistered = false;

const std::vector<platform::TClass> &settingClasses()
{
    static const std::vector<platform::TClass> classes = {
        TKCLBevel::StaticClass(),         TKCL3DCaption::StaticClass(),   TKCLFxCaption::StaticClass(),
        TKCLFillObject::StaticClass(),    KCLStreaming::TFont::StaticClass(),
        TKCLBitmapEffectObject::StaticClass(), TKCLColorObject::StaticClass(), TKCLCtlSettings::StaticClass(),
        TKCLStyleObject::StaticClass()};
    return classes;
}
} // namespace

void KCLCFCSettingObjectInitialize()
{
    if (settingClassesRegistered)
        return;
    settingClassesRegistered = true;
    for (platform::TClass c : settingClasses())
        platform::RegisterClass(c);
}

void KCLCFCSettingObjectFinalize()
{
    if (!settingClassesRegistered)
        return;
    settingClassesRegistered = false;
    for (platform::TClass c : settingClasses())
        platform::UnRegisterClass(c);
}
