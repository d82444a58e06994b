// TKCLSysInfo: the system-information component. Every property reads the
// system at the moment it is read (through the routines of KCLSysIn); only the
// processor data is read once, when the component is created. A few settings
// are writable: lock keys, keyboard repeat, animation, beep, screen saver,
// font smoothing, full-window drag, snap to the default button and the locale
// values; on this system those writes go to the in-process store of
// platform/SystemFacts.h, never to the host.
//
// The properties are grouped behind one getter per type that switches on the
// property's index; an unknown index gives "", 0 or False. Properties that
// only report have setters that ignore the value. No property is stored in a
// form description. The three string-list properties (AllFonts, AllPrinters,
// Environment) are listed in the published table as text properties (the
// list's CR LF text) so that the table names every property in order; their
// accessors give the lists themselves.
#pragma once

#include "kcl/KCLCPUInfoObject.h"
#include "kcl/KCLCustomComponent.h"
#include "kcl/KCLSysIn.h"

#include <memory>

class TKCLSysInfo : public TKCLCustomComponent {
    RBK_CLASS(TKCLSysInfo, TKCLCustomComponent)
public:
    explicit TKCLSysInfo(TComponent *AOwner);
    ~TKCLSysInfo() override;

    // Strings: 0 CurrentUser, 1 RegisteredCompany, 2 RegisteredOwner,
    // 3 VersionWIN, 4 WinPath, 5 WinSysPath, 6 FreeGdiRes, 7 FreeUsrRes,
    // 8 FreeSysRes, 9 MemoryLoaded, 10 Platform, 11 TempPath, 12 Computername,
    // 13 ProcessorType, 14 DefaultLanguageString, 15 TimeZone.
    AnsiString GetItem(int index) const;
    void SetItem(int, const AnsiString &) {}
    // Integers: 0 BuildNumber, 7 ScreenSaverDelay, 8 DefaultLanguageID,
    // 9 TimeZoneDiff, 10 ScreenWidth, 11 ScreenHeight, 12 ScreenPPi.
    int32_t GetIntItem(int index) const;
    void SetIntItem(int, int32_t) {}
    // Memory in kilobytes: 1 MemPhysTotal, 2 MemPhysFree, 3 MemVirtTotal,
    // 4 MemVirtFree, 5 MemPageTotal, 6 MemPageFree, 7 MemVirtExtended.
    int64_t GetInt64Item(int index) const;
    void SetInt64Item(int, int64_t) {}
    // Booleans: 0 NumLockState, 1 CapsLockState, 2 ScrollLockState,
    // 3 WindowAnimation, 4 WarningBeep, 5 ScreenSaveActive, 6 FontSmoothing,
    // 7 DragFullWindows, 8 SnapToDefaultButton, 9 PlusAvailable (read only).
    // A write happens only when the value differs from what is read.
    bool GetBoolItem(int index) const;
    void SetBoolItem(int index, bool value);
    // Locale values 0..27 of the thread locale ("Hallo" when the system has
    // none). A write is made whatever the current value; a value longer than
    // 2048 characters is cut to 2048.
    AnsiString GetLocaleItem(int index) const;
    void SetLocaleItem(int index, const AnsiString &value);
    // The locale information type of each locale index.
    static const uint32_t LocaleTypes[28];

    platform::TStringList *AllFonts() const;
    platform::TStringList *AllPrinters() const;
    platform::TStringList *Environment() const;
    uint8_t ProcessorNumber() const { return KCLSIProcessorCount(); }
    uint8_t ColorDepth() const { return KCLSIColorDepth(); }
    int32_t KeyboardDelay() const;
    void SetKeyboardDelay(int32_t value);
    int32_t KeyboardSpeed() const;
    void SetKeyboardSpeed(int32_t value);
    TKCLCPUInfoObject *ProcessorInfo() const { return processor_.get(); }

#define KCL_SYSINFO_STR(Name, Index)                                   \
    AnsiString Name() const { return GetItem(Index); }                 \
    void Set##Name(const AnsiString &v) { SetItem(Index, v); }
    KCL_SYSINFO_STR(CurrentUser, 0)
    KCL_SYSINFO_STR(RegisteredCompany, 1)
    KCL_SYSINFO_STR(RegisteredOwner, 2)
    KCL_SYSINFO_STR(VersionWIN, 3)
    KCL_SYSINFO_STR(WinPath, 4)
    KCL_SYSINFO_STR(WinSysPath, 5)
    KCL_SYSINFO_STR(FreeGdiRes, 6)
    KCL_SYSINFO_STR(FreeUsrRes, 7)
    KCL_SYSINFO_STR(FreeSysRes, 8)
    KCL_SYSINFO_STR(MemoryLoaded, 9)
    KCL_SYSINFO_STR(Platform, 10)
    KCL_SYSINFO_STR(TempPath, 11)
    KCL_SYSINFO_STR(Computername, 12)
    KCL_SYSINFO_STR(ProcessorType, 13)
    KCL_SYSINFO_STR(DefaultLanguageString, 14)
    KCL_SYSINFO_STR(TimeZone, 15)
#undef KCL_SYSINFO_STR
    int32_t BuildNumber() const { return GetIntItem(0); }
    int32_t ScreenSaverDelay() const { return GetIntItem(7); }
    int32_t DefaultLanguageID() const { return GetIntItem(8); }
    int32_t TimeZoneDiff() const { return GetIntItem(9); }
    int32_t ScreenWidth() const { return GetIntItem(10); }
    int32_t ScreenHeight() const { return GetIntItem(11); }
    int32_t ScreenPPi() const { return GetIntItem(12); }
    int64_t MemPhysTotal() const { return GetInt64Item(1); }
    int64_t MemPhysFree() const { return GetInt64Item(2); }
    int64_t MemVirtTotal() const { return GetInt64Item(3); }
    int64_t MemVirtFree() const { return GetInt64Item(4); }
    int64_t MemPageTotal() const { return GetInt64Item(5); }
    int64_t MemPageFree() const { return GetInt64Item(6); }
    int64_t MemVirtExtended() const { return GetInt64Item(7); }
    bool NumLockState() const { return GetBoolItem(0); }
    void SetNumLockState(bool v) { SetBoolItem(0, v); }
    bool CapsLockState() const { return GetBoolItem(1); }
    void SetCapsLockState(bool v) { SetBoolItem(1, v); }
    bool ScrollLockState() const { return GetBoolItem(2); }
    void SetScrollLockState(bool v) { SetBoolItem(2, v); }
    bool WindowAnimation() const { return GetBoolItem(3); }
    void SetWindowAnimation(bool v) { SetBoolItem(3, v); }
    bool WarningBeep() const { return GetBoolItem(4); }
    void SetWarningBeep(bool v) { SetBoolItem(4, v); }
    bool ScreenSaveActive() const { return GetBoolItem(5); }
    void SetScreenSaveActive(bool v) { SetBoolItem(5, v); }
    bool FontSmoothing() const { return GetBoolItem(6); }
    void SetFontSmoothing(bool v) { SetBoolItem(6, v); }
    bool DragFullWindows() const { return GetBoolItem(7); }
    void SetDragFullWindows(bool v) { SetBoolItem(7, v); }
    bool SnapToDefaultButton() const { return GetBoolItem(8); }
    void SetSnapToDefaultButton(bool v) { SetBoolItem(8, v); }
    bool PlusAvailable() const { return GetBoolItem(9); }

    static void PublishProperties(platform::TPropList &list);

private:
    std::unique_ptr<platform::TStringList> environment_;
    std::unique_ptr<TKCLCPUInfoObject> processor_;
};
