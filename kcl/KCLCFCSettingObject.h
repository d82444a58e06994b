// Three small look settings of the library's controls (one colour; the
// transparency and themed-look switches; a style name), and the start-up
// registration of the library's settings classes with the class registry,
// so that a form stream may name them.
#pragma once

#include "kcl/KCLObject.h"
#include "platform/Graphics.h"

using platform::TColor;

class TKCLColorObject : public TKCLObject {
    RBK_CLASS(TKCLColorObject, TKCLObject)
public:
    explicit TKCLColorObject(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    void Change() override { TKCLObject::Change(); }
    // The colour's identifier for a named colour, else its hexadecimal form.
    AnsiString GetStatusText() override;

    TColor Color() const { return Color_; }
    void SetColor(TColor Value);

private:
    TColor Color_ = platform::clBtnFace;
};

class TKCLCtlSettings : public TKCLObject {
    RBK_CLASS(TKCLCtlSettings, TKCLObject)
public:
    explicit TKCLCtlSettings(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    void Change() override { TKCLObject::Change(); }
    AnsiString GetStatusText() override;

    // Index 0 Transparent, 1 CtlXP; false for any other index.
    bool GetValue(int Index) const;
    void SetValue(int Index, bool Value);
    bool Transparent() const { return GetValue(0); }
    void SetTransparent(bool Value) { SetValue(0, Value); }
    bool CtlXP() const { return GetValue(1); }
    void SetCtlXP(bool Value) { SetValue(1, Value); }

private:
    bool Transparent_ = false;
    bool CtlXP_ = true;
};

class TKCLStyleObject : public TKCLObject {
    RBK_CLASS(TKCLStyleObject, TKCLObject)
public:
    explicit TKCLStyleObject(TPersistent *AOwner);

    static void PublishProperties(platform::TPropList &list);

    void Assign(TPersistent *Source) override;
    void Change() override { TKCLObject::Change(); }
    AnsiString GetStatusText() override { return StyleName_; }

    const AnsiString &StyleName() const { return StyleName_; }
    // Compares exactly (letter case counts).
    void SetStyleName(const AnsiString &Value);

private:
    AnsiString StyleName_;
};

namespace KCLStreaming {

// The class library's font as a persistent object of the streaming system,
// registered under its class name "TFont". It holds a font value and
// publishes its name, height, style and colour.
class TFont : public platform::TPersistent {
    RBK_CLASS(TFont, platform::TPersistent)
public:
    TFont() = default;

    static void PublishProperties(platform::TPropList &list);
    void Assign(TPersistent *Source) override;

    platform::TFont &Font() { return font_; }
    const platform::TFont &Font() const { return font_; }

private:
    platform::TFont font_;
};

} // namespace KCLStreaming

// Registers the nine settings classes (TKCLBevel, TKCL3DCaption,
// TKCLFxCaption, TKCLFillObject, TFont, TKCLBitmapEffectObject,
// TKCLColorObject, TKCLCtlSettings, TKCLStyleObject) in this order. Runs
// at start-up (KCLInitializeUnits); further calls do nothing until the
// finalisation, which unregisters them.
void KCLCFCSettingObjectInitialize();
void KCLCFCSettingObjectFinalize();
