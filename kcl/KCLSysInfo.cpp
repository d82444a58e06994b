#include "kcl/KCLSysInfo.h"

#include <algorithm>

using platform::SystemFacts;
using platform::TStringList;

namespace {

const char *const kDefaultLocaleValue = "Hallo";

AnsiString percent(int value) { return std::to_string(value) + " %"; }

int32_t readParameter(uint32_t action)
{
    int32_t value = 0;
    SystemFacts().SystemParametersInfo(action, 0, &value, 0);
    return value;
}

void writeParameter(uint32_t action, uint32_t value)
{
    SystemFacts().SystemParametersInfo(action, value, nullptr, 3);
}

// The class library's sorted order: case-insensitive, then by bytes.
void sortList(TStringList &list)
{
    std::vector<std::pair<AnsiString, intptr_t>> items;
    for (int i = 0; i < list.Count(); ++i)
        items.emplace_back(list.Strings(i), list.Objects(i));
    std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
        return platform::AnsiUpperCase(a.first) < platform::AnsiUpperCase(b.first);
    });
    list.Clear();
    for (const auto &it : items)
        list.Add(it.first, it.second);
}

const int kLockKeys[3] = {144, 20, 145};

void toggleLockKey(int key, bool value)
{
    auto &facts = SystemFacts();
    if (!KCLSIWinNT) {
        uint8_t state[256] = {};
        facts.GetKeyboardState(state);
        state[key] = value ? 1 : 0;
        facts.SetKeyboardState(state);
        return;
    }
    facts.keybd_event(uint8_t(key), 69, platform::KEYEVENTF_EXTENDEDKEY, 0);
    facts.keybd_event(uint8_t(key), 69, platform::KEYEVENTF_EXTENDEDKEY | platform::KEYEVENTF_KEYUP, 0);
}

} // namespace

const uint32_t TKCLSysInfo::LocaleTypes[28] = {4105, 25, 27, 17, 4108, 4109, 18, 13, 28, 4112,
                                               35,   40, 41, 20, 29,   14,   16, 12, 32, 22,
                                               24,   23, 81, 80, 31,   15,   30, 4099};

TKCLSysInfo::TKCLSysInfo(TComponent *AOwner) : TKCLCustomComponent(AOwner)
{
    environment_ = std::make_unique<TStringList>();
    processor_ = std::make_unique<TKCLCPUInfoObject>(nullptr);
}

TKCLSysInfo::~TKCLSysInfo()
{
    processor_.reset();
    environment_.reset();
}

AnsiString TKCLSysInfo::GetItem(int index) const
{
    switch (index) {
    case 0: return KCLSIUserName();
    case 1: return KCLSIRegisteredCompany();
    case 2: return KCLSIRegisteredOwner();
    case 3: return KCLSIVersionText();
    case 4: return KCLSIWindowsDir();
    case 5: return KCLSISystemDir();
    case 6: return percent((KCLSIWinNT ? 0 : KCLSIFreeResGdi()) & 0x7F);
    case 7: return percent((KCLSIWinNT ? 0 : KCLSIFreeResUser()) & 0x7F);
    case 8: return percent((KCLSIWinNT ? 0 : KCLSIFreeResSystem()) & 0x7F);
    case 9: return percent(KCLSIMemoryLoad());
    case 10: return KCLSIPlatformName();
    case 11: return KCLSITempPath();
    case 12: return KCLSIComputerName();
    case 13: return KCLSIProcessorTypeName();
    case 14: return platform::TSystemFacts::VerLanguageName(uint16_t(KCLSIDefaultLangID())).substr(0, 255);
    case 15: return KCLSITimeZoneName();
    default: return AnsiString();
    }
}

int32_t TKCLSysInfo::GetIntItem(int index) const
{
    switch (index) {
    case 0: return KCLSIBuildNumber();
    case 7: return KCLSIScreenSaverDelay();
    case 8: return KCLSIDefaultLangID();
    case 9: return KCLSITimeZoneBias();
    case 10: return SystemFacts().GetSystemMetrics(0);
    case 11: return SystemFacts().GetSystemMetrics(1);
    case 12: return SystemFacts().ScreenPixelsPerInch();
    default: return 0;
    }
}

int64_t TKCLSysInfo::GetInt64Item(int index) const
{
    uint64_t bytes = 0;
    switch (index) {
    case 1: bytes = KCLSIMemPhysTotal(); break;
    case 2: bytes = KCLSIMemPhysFree(); break;
    case 3: bytes = KCLSIMemVirtTotal(); break;
    case 4: bytes = KCLSIMemVirtFree(); break;
    case 5: bytes = KCLSIMemPageTotal(); break;
    case 6: bytes = KCLSIMemPageFree(); break;
    case 7: bytes = KCLSIMemVirtExtended(); break;
    default: return 0;
    }
    return int64_t(bytes / 1024);
}

bool TKCLSysInfo::GetBoolItem(int index) const
{
    switch (index) {
    case 0: return KCLSINumLockState();
    case 1: return KCLSICapsLockState();
    case 2: return KCLSIScrollLockState();
    case 3: {
        platform::TAnimationInfo info;
        info.cbSize = sizeof info;
        SystemFacts().SystemParametersInfo(platform::SPI_GETANIMATION, sizeof info, &info, 0);
        return info.iMinAnimate != 0;
    }
    case 4: return readParameter(platform::SPI_GETBEEP) != 0;
    case 5: return readParameter(platform::SPI_GETSCREENSAVEACTIVE) != 0;
    case 6: return KCLSIPlusAvailable && readParameter(platform::SPI_GETFONTSMOOTHING) != 0;
    case 7: return KCLSIPlusAvailable && readParameter(platform::SPI_GETDRAGFULLWINDOWS) != 0;
    case 8: return KCLSIWinNT && readParameter(platform::SPI_GETSNAPTODEFBUTTON) != 0;
    case 9: return KCLSIPlusAvailable;
    default: return false;
    }
}

void TKCLSysInfo::SetBoolItem(int index, bool value)
{
    if (index < 0 || index > 8 || GetBoolItem(index) == value)
        return;
    const uint32_t v = value ? 1 : 0;
    switch (index) {
    case 0:
    case 1:
    case 2: toggleLockKey(kLockKeys[index], value); break;
    case 3: {
        platform::TAnimationInfo info;
        info.cbSize = sizeof info;
        auto &facts = SystemFacts();
        facts.SystemParametersInfo(platform::SPI_GETANIMATION, sizeof info, &info, 0);
        info.iMinAnimate = int32_t(v);
        facts.SystemParametersInfo(platform::SPI_SETANIMATION, sizeof info, &info, 3);
        break;
    }
    case 4: writeParameter(platform::SPI_SETBEEP, v); break;
    case 5: writeParameter(platform::SPI_SETSCREENSAVEACTIVE, v); break;
    case 6:
        if (KCLSIPlusAvailable)
            writeParameter(platform::SPI_SETFONTSMOOTHING, v);
        break;
    case 7:
        if (KCLSIPlusAvailable)
            writeParameter(platform::SPI_SETDRAGFULLWINDOWS, v);
        break;
    case 8:
        if (KCLSIWinNT)
            writeParameter(platform::SPI_SETSNAPTODEFBUTTON, v);
        break;
    }
}

AnsiString TKCLSysInfo::GetLocaleItem(int index) const
{
    if (index < 0 || index >= 28)
        return AnsiString();
    auto &facts = SystemFacts();
    AnsiString value;
    if (!facts.GetLocaleInfo(facts.GetThreadLocale(), LocaleTypes[index], value))
        return kDefaultLocaleValue;
    return value;
}

void TKCLSysInfo::SetLocaleItem(int index, const AnsiString &value)
{
    if (index < 0 || index >= 28)
        return;
    char buffer[2049] = {};
    const size_t n = std::min<size_t>(value.size(), 2048);
    std::copy_n(value.data(), n, buffer);
    auto &facts = SystemFacts();
    facts.SetLocaleInfo(facts.GetThreadLocale(), LocaleTypes[index], buffer);
}

TStringList *TKCLSysInfo::AllFonts() const
{
    TStringList &list = SystemFacts().ScreenFonts();
    sortList(list);
    return &list;
}

TStringList *TKCLSysInfo::AllPrinters() const
{
    TStringList &list = SystemFacts().Printers();
    sortList(list);
    return &list;
}

TStringList *TKCLSysInfo::Environment() const
{
    KCLSIEnvironment(environment_.get());
    return environment_.get();
}

int32_t TKCLSysInfo::KeyboardDelay() const { return readParameter(platform::SPI_GETKEYBOARDDELAY); }

void TKCLSysInfo::SetKeyboardDelay(int32_t value)
{
    if (value != KeyboardDelay())
        writeParameter(platform::SPI_SETKEYBOARDDELAY, uint32_t(value));
}

int32_t TKCLSysInfo::KeyboardSpeed() const { return readParameter(platform::SPI_GETKEYBOARDSPEED); }

void TKCLSysInfo::SetKeyboardSpeed(int32_t value)
{
    if (value != KeyboardSpeed())
        writeParameter(platform::SPI_SETKEYBOARDSPEED, uint32_t(value));
}

void TKCLSysInfo::PublishProperties(platform::TPropList &list)
{
    using T = TKCLSysInfo;
    platform::TPropertyTable<T> p(list);
    auto str = [&p](const char *name, int index) {
        p.String(name, [index](const T &o) { return o.GetItem(index); },
                 [index](T &o, const AnsiString &v) { o.SetItem(index, v); })
            .Stored(false);
    };
    auto integer = [&p](const char *name, int index) {
        p.Integer(name, [index](const T &o) { return o.GetIntItem(index); },
                  [index](T &o, int32_t v) { o.SetIntItem(index, v); })
            .Stored(false);
    };
    auto int64 = [&p](const char *name, int index) {
        p.Integer(name, [index](const T &o) { return o.GetInt64Item(index); },
                  [index](T &o, int64_t v) { o.SetInt64Item(index, v); })
            .Stored(false);
    };
    auto boolean = [&p](const char *name, int index) {
        p.Boolean(name, [index](const T &o) { return o.GetBoolItem(index); },
                  [index](T &o, bool v) { o.SetBoolItem(index, v); })
            .Stored(false);
    };
    auto strings = [&p](const char *name, TStringList *(T::*get)() const) {
        p.String(name, [get](const T &o) { return (o.*get)()->Text(); }, [](T &, const AnsiString &) {})
            .Stored(false);
    };
    p.String("About", &T::About, &T::SetAbout).Stored(false);
    strings("AllFonts", &T::AllFonts);
    strings("AllPrinters", &T::AllPrinters);
    str("CurrentUser", 0);
    str("RegisteredCompany", 1);
    str("RegisteredOwner", 2);
    integer("ScreenSaverDelay", 7);
    str("VersionWIN", 3);
    str("WinPath", 4);
    str("WinSysPath", 5);
    strings("Environment", &T::Environment);
    str("FreeGdiRes", 6);
    str("FreeUsrRes", 7);
    str("FreeSysRes", 8);
    integer("BuildNumber", 0);
    int64("MemPhysTotal", 1);
    int64("MemPhysFree", 2);
    int64("MemVirtTotal", 3);
    int64("MemVirtFree", 4);
    int64("MemVirtExtended", 7);
    int64("MemPageTotal", 5);
    int64("MemPageFree", 6);
    str("MemoryLoaded", 9);
    str("Platform", 10);
    str("TempPath", 11);
    str("Computername", 12);
    p.Integer("ProcessorNumber", &T::ProcessorNumber, [](T &, uint8_t) {}).Stored(false);
    str("ProcessorType", 13);
    p.Object("ProcessorInfo", &T::ProcessorInfo).Stored(false);
    p.Integer("ColorDepth", &T::ColorDepth, [](T &, uint8_t) {}).Stored(false);
    str("DefaultLanguageString", 14);
    str("TimeZone", 15);
    integer("TimeZoneDiff", 9);
    p.Boolean("PlusAvailable", [](const T &o) { return o.GetBoolItem(9); },
              [](T &o, bool v) { o.SetBoolItem(9, v); })
        .Stored(false);
    integer("ScreenWidth", 10);
    integer("ScreenHeight", 11);
    integer("ScreenPPi", 12);
    static const char *const localeNames[28] = {
        "LocaleCalendarType",        "LocaleCurrencyDigits",     "LocaleICurrency",
        "LocaleDigits",              "LocaleFirstDayOfWeek",     "LocaleFirstWeekOfYear",
        "LocaleZero",                "LocaleMeasureSystem",      "LocaleNegativeCurrencyFormat",
        "LocaleNegativeNumberFormat", "LocaleTime",              "LocaleMorningSymbol",
        "LocaleAfternoonSymbol",     "LocaleCurrencySymbol",     "LocaleDateSeparator",
        "LocaleDecimalSeparator",    "LocaleNumericGrouping",    "LocaleListSeparator",
        "LocaleLongDateFormat",      "LocaleMonthDecimalSeparator", "LocaleCurrencyGrouping",
        "LocaleThousandSeparator",   "LocaleNegativeSign",       "LocalePositiveSign",
        "LocaleShortDateFormat",     "LocaleThousand",           "LocaleTimeSeparator",
        "LocaleShortTimeFormat"};
    for (int i = 0; i < 28; ++i)
        p.String(localeNames[i], [i](const T &o) { return o.GetLocaleItem(i); },
                 [i](T &o, const AnsiString &v) { o.SetLocaleItem(i, v); })
            .Stored(false);
    boolean("NumLockState", 0);
    boolean("CapsLockState", 1);
    boolean("ScrollLockState", 2);
    p.Integer("DefaultLanguageID", [](const T &o) { return o.GetIntItem(8); }).Stored(false);
    p.Integer("KeyboardDelay", &T::KeyboardDelay, &T::SetKeyboardDelay).Stored(false);
    p.Integer("KeyboardSpeed", &T::KeyboardSpeed, &T::SetKeyboardSpeed).Stored(false);
    boolean("WindowAnimation", 3);
    boolean("WarningBeep", 4);
    boolean("ScreenSaveActive", 5);
    boolean("FontSmoothing", 6);
    boolean("DragFullWindows", 7);
    boolean("SnapToDefaultButton", 8);
}
