// TKCLFormPersistent: a non-visual component dropped on a form. It hooks the
// form's WindowProc (always in WindowProc mode) and chains the form's OnShow
// and OnDestroy in order to
// - impose minimum and maximum tracking sizes and the maximized size and
//   position, each in pixels or as a fraction of the virtual desktop (a
//   negative value v means desktop / |v|);
// - save the form's placement (optionally colour and font) to a value store
//   when the form is destroyed and restore it when the form is shown;
// - optionally scale the form's controls to the screen's resolution;
// - report moves, sizes, display changes, font and system-colour changes.
//
// Placement text, the value stored under IniKey: "200,flags,showCmd,left,top,
// right,bottom" joined by KCLListSeparator without spaces.
//
// Choices of this implementation:
// - Storage goes through IKCLValueStore (read, write, delete a value of a
//   section), the part of the library's ini control that this component
//   uses. IniLink is a component that implements it; the global store
//   (IniUse ioUseGlobal) is set with KCLSetGlobalValueStore and is nil until
//   the library application object provides one (then nothing is stored).
// - The window placement of a form (KCLGetWindowPlacement /
//   KCLSetWindowPlacement) maps onto its Qt window: show commands 0 hidden,
//   1 normal, 2 minimized, 3 maximized; the normal rectangle is the form's
//   Left/Top/Width/Height (Qt's normal geometry while not in the normal
//   state); flags are kept but mean nothing here. Applying a placement never
//   shows a hidden form: showing stays with the form's Show.
// - The virtual desktop is read from the system metrics of the virtual
//   screen (76..79) when they give a width, else from Qt's virtual screen.
// - Forms here have no Scaled switch and no PixelsPerInch of their own: the
//   form counts as scaled, and its pixels per inch (set by ScaleToScreen) is
//   kept by the component.
// - The component's destructor gives the form back its own OnShow and
//   OnDestroy handlers when they still point to this component, so that a
//   component freed before its form leaves no handler into freed memory.
// - foAutoCenter centres the form on its monitor (KCLCenterForm).
#pragma once

#include "kcl/KCLWndProcComponent.h"
#include "platform/Forms.h"

#include <array>
#include <cstdint>

// The value store of the form persistence (the ini control's read, write and
// delete).
class IKCLValueStore {
public:
    virtual AnsiString ReadValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) = 0;
    virtual void WriteValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) = 0;
    virtual void DeleteValue(const AnsiString &Section, const AnsiString &Ident) = 0;

protected:
    ~IKCLValueStore() = default;
};

// The store used with IniUse ioUseGlobal (nil: none).
IKCLValueStore *KCLGlobalValueStore();
void KCLSetGlobalValueStore(IKCLValueStore *Store);

// The window-position record (LParam of WM_WINDOWPOSCHANGING).
struct KCLWINDOWPOS {
    uintptr_t hwnd = 0;
    uintptr_t hwndInsertAfter = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    uint32_t flags = 0;
};
constexpr uint32_t KCL_SWP_NOMOVE = 2;

// The window-placement record.
struct KCLWINDOWPLACEMENT {
    uint32_t length = 44;
    uint32_t flags = 0;
    uint32_t showCmd = 0;
    platform::TPoint ptMinPosition;
    platform::TPoint ptMaxPosition;
    platform::TRect rcNormalPosition;
};
enum : uint32_t { KCL_SW_HIDE = 0, KCL_SW_SHOWNORMAL = 1, KCL_SW_SHOWMINIMIZED = 2, KCL_SW_SHOWMAXIMIZED = 3 };
bool KCLGetWindowPlacement(platform::TCustomForm *Form, KCLWINDOWPLACEMENT &Placement);
bool KCLSetWindowPlacement(platform::TCustomForm *Form, const KCLWINDOWPLACEMENT &Placement);

// The virtual desktop (left, top, right, bottom).
platform::TRect KCLVirtualDesktop();

enum class TKCLIniUse : uint8_t { ioUseLink, ioUseGlobal, ioNone };
extern const platform::TEnumInfo TKCLIniUseInfo;
extern const platform::TEnumInfo TKCLFormIniSaveOptionInfo;
extern const platform::TEnumInfo TKCLFormOptionInfo;
using enum TKCLIniUse;
enum class TKCLFormIniSaveOption : uint8_t { soColor, soFont, soPos, soSize, soState };
using enum TKCLFormIniSaveOption;
using TKCLFormIniSaveOptions = platform::TSet<TKCLFormIniSaveOption>;
enum class TKCLFormOption : uint8_t { foAutoCenter, foAutoShow, foTryAdaptRes, foRestoreOnce };
using enum TKCLFormOption;
using TKCLFormOptions = platform::TSet<TKCLFormOption>;

using TKCLSizingChangeEvent = platform::TMethod<void(TObject *Sender, int xsize, int ysize, int flag)>;
using TKCLMaxInfoEvent = platform::TMethod<void(TObject *Sender, int &xpos, int &ypos, int &MaxWidth, int &MaxHeight)>;
using TKCLMovingEvent = platform::TMethod<void(TObject *Sender, int x, int y, bool &Cancel)>;
using TKCLTrackInfoEvent = platform::TMethod<void(TObject *Sender, int &MinWidth, int &MinHeight, int &MaxWidth, int &MaxHeight)>;

class TKCLFormPersistent : public TKCLWndProcComponent {
    RBK_CLASS(TKCLFormPersistent, TKCLWndProcComponent)
public:
    // Raises EKCLOneInstError while the owner is being designed when the
    // owner is no form or already holds one of these.
    explicit TKCLFormPersistent(TComponent *AOwner);
    ~TKCLFormPersistent() override;
    static void PublishProperties(platform::TPropList &list);

    TComponent *IniLink() const { return iniLink_; }
    // The component must implement IKCLValueStore (others are not taken).
    void SetIniLink(TComponent *Value);
    TKCLIniUse IniUse() const { return iniUse_; }
    void SetIniUse(TKCLIniUse Value) { iniUse_ = Value; }
    TKCLFormIniSaveOptions IniSaveOptions() const { return saveOptions_; }
    void SetIniSaveOptions(TKCLFormIniSaveOptions Value) { saveOptions_ = Value; }
    const AnsiString &Section() const { return section_; }
    void SetSection(const AnsiString &Value) { section_ = Value; }
    const AnsiString &IniKey() const { return iniKey_; }
    void SetIniKey(const AnsiString &Value) { iniKey_ = Value; }
    int DesignPPI() const { return designPPI_; }
    void SetDesignPPI(int Value) { designPPI_ = Value; }
    TKCLFormOptions Options() const { return options_; }
    void SetOptions(TKCLFormOptions Value) { options_ = Value; }

    // The eight size properties: 0 TrackMaxHeight, 1 TrackMaxWidth,
    // 2 TrackMinHeight, 3 TrackMinWidth, 4 MaximizedHeight, 5 MaximizedWidth,
    // 6 MaximizedPosX, 7 MaximizedPosY. GetTrackValue gives the published
    // value, ResolvedValue the value in pixels.
    void SetTrackValue(int Index, int Value);
    int GetTrackValue(int Index) const;
    int ResolvedValue(int Index) const;
    int TrackMaxHeight() const { return GetTrackValue(0); }
    int TrackMaxWidth() const { return GetTrackValue(1); }
    int TrackMinHeight() const { return GetTrackValue(2); }
    int TrackMinWidth() const { return GetTrackValue(3); }
    int MaximizedHeight() const { return GetTrackValue(4); }
    int MaximizedWidth() const { return GetTrackValue(5); }
    int MaximizedPosX() const { return GetTrackValue(6); }
    int MaximizedPosY() const { return GetTrackValue(7); }
    void SetTrackMaxHeight(int v) { SetTrackValue(0, v); }
    void SetTrackMaxWidth(int v) { SetTrackValue(1, v); }
    void SetTrackMinHeight(int v) { SetTrackValue(2, v); }
    void SetTrackMinWidth(int v) { SetTrackValue(3, v); }
    void SetMaximizedHeight(int v) { SetTrackValue(4, v); }
    void SetMaximizedWidth(int v) { SetTrackValue(5, v); }
    void SetMaximizedPosX(int v) { SetTrackValue(6, v); }
    void SetMaximizedPosY(int v) { SetTrackValue(7, v); }

    // A value >= 0 in pixels; a negative v: the virtual desktop's height
    // (IsHeight) or width divided by |v|.
    static int ResolveScreenValue(int Value, bool IsHeight);

    // The form's placement as text, and the placement applied from text.
    AnsiString GetPlacementText() const;
    void SetPlacementText(const AnsiString &Text);
    void Restore();
    void Save();
    void RestoreFrom(IKCLValueStore *IniCtrl);
    void SaveTo(IKCLValueStore *IniCtrl);

    // The form-reading step: chains the owner form's OnShow and OnDestroy
    // (unless designing or disabled). ReadState calls it; forms built in code
    // call it once their own handlers are set, then Loaded.
    void ChainFormEvents();
    void FormShowHook(TObject *Sender);
    void FormDestroyHook(TObject *Sender);

    void Hook() override;
    void WndProc(platform::TMessage &Message) override;
    void ReadState(platform::TReader &Reader) override;

    // The form's pixels per inch as ScaleToScreen left it (0: never set).
    int FormPixelsPerInch() const { return formPPI_; }

    TNotifyEvent OnNoRestoreData;
    TKCLSizingChangeEvent OnDisplayChange;
    TNotifyEvent OnFontChange;
    TKCLMaxInfoEvent OnMaximizeInfo;
    TNotifyEvent OnMove;
    TKCLMovingEvent OnMoving;
    TKCLSizingChangeEvent OnSize;
    TNotifyEvent OnSysColorChange;
    TKCLTrackInfoEvent OnTrackInfo;

protected:
    void Loaded() override;
    void Notification(TComponent *AComponent, platform::TOperation Operation) override;

private:
    // The owner as a form; nil when it is none or, unless EvenDestroying,
    // when it is being destroyed (saving at OnDestroy reads a form that is).
    platform::TCustomForm *ownerForm(bool EvenDestroying = false) const;
    void HandleSizeMessage(platform::TMessage &Message);
    // Applies a placement text of seven parts beginning "200"; false when its
    // rectangle is no screen rectangle (a corner beyond 16 bits, or right or
    // bottom before left or top): nothing is applied then.
    bool restorePlacement(platform::TCustomForm *f, KCLWINDOWPLACEMENT &wp, const platform::TStringList &parts);
    void RecalcLimits();
    void ScaleToScreen();
    void forcePositionDesigned();

    TComponent *iniLink_ = nullptr;
    TKCLIniUse iniUse_ = ioNone;
    TKCLFormIniSaveOptions saveOptions_{soPos, soSize, soState};
    AnsiString section_ = "Common";
    AnsiString iniKey_;
    int designPPI_ = 96;
    TKCLFormOptions options_{foAutoShow};
    std::array<int, 8> published_{};
    std::array<int, 8> resolved_{};
    bool restored_ = false;
    bool scaled_ = false;
    int formPPI_ = 0;
    TNotifyEvent savedOnShow_;
    TNotifyEvent savedOnDestroy_;
    bool chained_ = false;
};
