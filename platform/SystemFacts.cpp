#include "platform/SystemFacts.h"
#include "platform/System.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLocale>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

// Read actions of the system parameters that the store keeps, and the write
// action of each.
const std::map<uint32_t, uint32_t> &writeToRead()
{
    static const std::map<uint32_t, uint32_t> m = {
        {SPI_SETBEEP, SPI_GETBEEP},
        {SPI_SETKEYBOARDSPEED, SPI_GETKEYBOARDSPEED},
        {SPI_SETSCREENSAVETIMEOUT, SPI_GETSCREENSAVETIMEOUT},
        {SPI_SETSCREENSAVEACTIVE, SPI_GETSCREENSAVEACTIVE},
        {SPI_SETKEYBOARDDELAY, SPI_GETKEYBOARDDELAY},
        {SPI_SETDRAGFULLWINDOWS, SPI_GETDRAGFULLWINDOWS},
        {SPI_SETANIMATION, SPI_GETANIMATION},
        {SPI_SETFONTSMOOTHING, SPI_GETFONTSMOOTHING},
        {SPI_SETSNAPTODEFBUTTON, SPI_GETSNAPTODEFBUTTON},
    };
    return m;
}

bool isLockKey(uint8_t vk) { return vk == 20 || vk == 144 || vk == 145; }

struct LangEntry {
    const char *prefix; // locale name or its language part
    uint16_t id;
    const char *name;
};
const LangEntry kLanguages[] = {
    {"pl", 0x0415, "Polish"},
    {"en_GB", 0x0809, "English (United Kingdom)"},
    {"en", 0x0409, "English (United States)"},
    {"de", 0x0407, "German (Germany)"},
    {"cs", 0x0405, "Czech"},
    {"sk", 0x041B, "Slovak"},
    {"fr", 0x040C, "French (France)"},
    {"hu", 0x040E, "Hungarian"},
    {"ru", 0x0419, "Russian"},
    {"uk", 0x0422, "Ukrainian"},
};

AnsiString toAnsi(const QString &s) { return QStringToAnsi(s); }
AnsiString fromLocal(const char *s) { return QStringToAnsi(QString::fromUtf8(s ? s : "")); }

// Windows grouping text ("3;0") of a C grouping string.
AnsiString groupingText(const std::string &g)
{
    std::vector<int> groups;
    for (char c : g) {
        if (c <= 0 || c == CHAR_MAX)
            break;
        groups.push_back(c);
    }
    while (groups.size() > 1 && groups.back() == groups[groups.size() - 2])
        groups.pop_back();
    if (groups.empty())
        return "0";
    AnsiString out;
    for (int v : groups)
        out += std::to_string(v) + ";";
    return out + "0";
}

// The monetary and numeric conventions of the process environment's locale.
struct Conventions {
    std::string decimal, thousands, grouping, monDecimal, monThousands, monGrouping, currency,
        positive, negative;
    int fracDigits = CHAR_MAX, pPrecedes = CHAR_MAX, pSep = CHAR_MAX, nPrecedes = CHAR_MAX,
        nSep = CHAR_MAX, nSignPosn = CHAR_MAX;
};

Conventions readConventions()
{
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    Conventions c;
    locale_t loc = newlocale(LC_ALL_MASK, "", nullptr);
    if (!loc)
        loc = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t old = uselocale(loc);
    const lconv *lc = localeconv();
    c.decimal = lc->decimal_point;
    c.thousands = lc->thousands_sep;
    c.grouping = lc->grouping;
    c.monDecimal = lc->mon_decimal_point;
    c.monThousands = lc->mon_thousands_sep;
    c.monGrouping = lc->mon_grouping;
    c.currency = lc->currency_symbol;
    c.positive = lc->positive_sign;
    c.negative = lc->negative_sign;
    c.fracDigits = lc->frac_digits;
    c.pPrecedes = lc->p_cs_precedes;
    c.pSep = lc->p_sep_by_space;
    c.nPrecedes = lc->n_cs_precedes;
    c.nSep = lc->n_sep_by_space;
    c.nSignPosn = lc->n_sign_posn;
    uselocale(old);
    freelocale(loc);
    return c;
}

// The first character of a date or time format that is no letter: its separator.
AnsiString separatorOf(const QString &format, const char *fallback)
{
    for (QChar ch : format)
        if (!ch.isLetter() && !ch.isSpace() && ch != QLatin1Char('\''))
            return toAnsi(QString(ch));
    return fallback;
}

AnsiString windowsTimeFormat(QString f)
{
    f.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    f.replace(QStringLiteral("AP"), QStringLiteral("tt")).replace(QStringLiteral("ap"), QStringLiteral("tt"));
    return toAnsi(f.trimmed());
}

int negativeCurrencyFormat(const Conventions &c)
{
    if (c.nPrecedes == CHAR_MAX || c.nSignPosn == CHAR_MAX)
        return 1;
    const bool pre = c.nPrecedes != 0, sep = c.nSep != 0;
    switch (c.nSignPosn) {
    case 0: return pre ? (sep ? 14 : 0) : (sep ? 15 : 4);
    case 2: return pre ? (sep ? 11 : 3) : (sep ? 10 : 7);
    case 4: return pre ? (sep ? 12 : 2) : (sep ? 13 : 6);
    default: return pre ? (sep ? 9 : 1) : (sep ? 8 : 5);
    }
}

QScreen *primaryScreen()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::primaryScreen();
}

std::mutex g_factsMutex;
TSystemFacts *g_facts = nullptr;

} // namespace

// ============================================================ TSystemFacts

TSystemFacts::TSystemFacts()
{
    Parameters = {
        {SPI_GETBEEP, 1},           {SPI_GETKEYBOARDSPEED, 31},   {SPI_GETSCREENSAVETIMEOUT, 900},
        {SPI_GETSCREENSAVEACTIVE, 1}, {SPI_GETKEYBOARDDELAY, 1},  {SPI_GETDRAGFULLWINDOWS, 1},
        {SPI_GETANIMATION, 1},      {SPI_GETFONTSMOOTHING, 1},    {SPI_GETWINDOWSEXTENSION, 0},
        {SPI_GETSNAPTODEFBUTTON, 0},
    };
}

bool TSystemFacts::GetVersionEx(TOSVersionInfoEx &info)
{
    if (info.dwOSVersionInfoSize != OSVersionInfoSize && info.dwOSVersionInfoSize != OSVersionInfoExSize)
        return false;
    TOSVersionInfoEx raw;
    if (!RawVersion(raw))
        return false;
    info.dwMajorVersion = raw.dwMajorVersion;
    info.dwMinorVersion = raw.dwMinorVersion;
    info.dwBuildNumber = raw.dwBuildNumber;
    info.dwPlatformId = raw.dwPlatformId;
    info.szCSDVersion = raw.szCSDVersion.substr(0, 127);
    if (info.dwOSVersionInfoSize == OSVersionInfoExSize) {
        info.wServicePackMajor = raw.wServicePackMajor;
        info.wServicePackMinor = raw.wServicePackMinor;
        info.wSuiteMask = raw.wSuiteMask;
        info.wProductType = raw.wProductType;
    }
    return true;
}

int TSystemFacts::GetSystemMetrics(int index) { return RawSystemMetric(index); }

bool TSystemFacts::SystemParametersInfo(uint32_t action, uint32_t uiParam, void *pvParam, uint32_t)
{
    if (action == SPI_GETWINDOWSEXTENSION)
        return Parameters[SPI_GETWINDOWSEXTENSION] != 0;
    if (action == SPI_GETANIMATION || action == SPI_SETANIMATION) {
        auto *info = static_cast<TAnimationInfo *>(pvParam);
        if (!info || uiParam != sizeof(TAnimationInfo) || info->cbSize != sizeof(TAnimationInfo))
            return false;
        if (action == SPI_GETANIMATION)
            info->iMinAnimate = Parameters[SPI_GETANIMATION];
        else
            Parameters[SPI_GETANIMATION] = info->iMinAnimate;
        return true;
    }
    const auto w = writeToRead().find(action);
    if (w != writeToRead().end()) {
        Parameters[w->second] = int32_t(uiParam);
        return true;
    }
    const auto r = Parameters.find(action);
    if (r == Parameters.end() || !pvParam)
        return false;
    *static_cast<int32_t *>(pvParam) = r->second;
    return true;
}

int16_t TSystemFacts::GetKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255)
        return 0;
    const uint8_t s = KeyboardState[size_t(virtualKey)];
    return int16_t(uint16_t((s & 0x80) ? 0x8000 : 0) | (s & 1));
}

bool TSystemFacts::GetKeyboardState(uint8_t *state256)
{
    if (!state256)
        return false;
    std::copy(KeyboardState.begin(), KeyboardState.end(), state256);
    return true;
}

bool TSystemFacts::SetKeyboardState(const uint8_t *state256)
{
    if (!state256)
        return false;
    std::copy(state256, state256 + 256, KeyboardState.begin());
    return true;
}

void TSystemFacts::keybd_event(uint8_t virtualKey, uint8_t, uint32_t flags, uintptr_t)
{
    uint8_t &s = KeyboardState[virtualKey];
    if (flags & KEYEVENTF_KEYUP) {
        s &= uint8_t(~0x80);
    } else {
        s |= 0x80;
        if (isLockKey(virtualKey))
            s ^= 1;
    }
}

bool TSystemFacts::GlobalMemoryStatus(TMemoryStatus &) { return false; }
bool TSystemFacts::GlobalMemoryStatusEx(TMemoryStatusEx &) { return false; }
bool TSystemFacts::FreeSystemResources(int, int &) { return false; }

bool TSystemFacts::GetComputerName(char *buffer, uint32_t &size)
{
    AnsiString name;
    if (!RawComputerName(name))
        return false;
    if (name.size() + 1 > size) {
        size = uint32_t(name.size() + 1);
        return false;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    size = uint32_t(name.size());
    return true;
}

bool TSystemFacts::GetUserName(char *buffer, uint32_t &size)
{
    AnsiString name;
    if (!RawUserName(name))
        return false;
    if (name.size() + 1 > size) {
        size = uint32_t(name.size() + 1);
        return false;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    size = uint32_t(name.size() + 1);
    return true;
}

TRegistryRead TSystemFacts::ReadRegistryString(const AnsiString &, const AnsiString &, AnsiString &)
{
    return TRegistryRead::KeyMissing;
}

AnsiString TSystemFacts::VerLanguageName(uint16_t langId)
{
    for (const auto &l : kLanguages)
        if (l.id == langId)
            return l.name;
    return "Language Neutral";
}

bool TSystemFacts::GetLocaleInfo(uint32_t, uint32_t lctype, AnsiString &value)
{
    const auto o = LocaleOverrides.find(lctype);
    if (o != LocaleOverrides.end()) {
        value = o->second;
        return true;
    }
    return RawLocaleInfo(lctype, value);
}

bool TSystemFacts::SetLocaleInfo(uint32_t, uint32_t lctype, const char *value)
{
    if (!value)
        return false;
    LocaleOverrides[lctype] = value;
    return true;
}

TStringList &TSystemFacts::ScreenFonts()
{
    if (!fonts_) {
        fonts_ = std::make_unique<TStringList>();
        FillFonts(*fonts_);
    }
    return *fonts_;
}

TStringList &TSystemFacts::Printers()
{
    if (!printers_) {
        printers_ = std::make_unique<TStringList>();
        FillPrinters(*printers_);
    }
    return *printers_;
}

// ======================================================= TLinuxSystemFacts

bool TLinuxSystemFacts::RawVersion(TOSVersionInfoEx &info)
{
    info.dwMajorVersion = 6;
    info.dwMinorVersion = 1;
    info.dwBuildNumber = 7600;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.szCSDVersion.clear();
    info.wSuiteMask = 0x0100; // single-user terminal services: a workstation
    info.wProductType = 1;    // workstation
    return true;
}

int TLinuxSystemFacts::RawSystemMetric(int index)
{
    QScreen *screen = primaryScreen();
    if (!screen)
        return 0;
    switch (index) {
    case 0: return screen->geometry().width();
    case 1: return screen->geometry().height();
    default: return 0;
    }
}

bool TLinuxSystemFacts::GlobalMemoryStatusEx(TMemoryStatusEx &status)
{
    struct sysinfo si {};
    if (::sysinfo(&si) != 0)
        return false;
    const uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    const uint64_t total = uint64_t(si.totalram) * unit;
    uint64_t avail = (uint64_t(si.freeram) + uint64_t(si.bufferram)) * unit;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kb;
    while (meminfo >> key >> kb) {
        if (key == "MemAvailable:") {
            avail = kb * 1024;
            break;
        }
        meminfo.ignore(64, '\n');
    }
    avail = std::min(avail, total);
    status.dwLength = 64;
    status.dwMemoryLoad = total ? uint32_t((total - avail) * 100 / total) : 0;
    status.ullTotalPhys = total;
    status.ullAvailPhys = avail;
    status.ullTotalPageFile = total + uint64_t(si.totalswap) * unit;
    status.ullAvailPageFile = avail + uint64_t(si.freeswap) * unit;
    // The user part of the address space, less what the process has mapped.
    status.ullTotalVirtual = sizeof(void *) == 8 ? 0x7FFFFFFF0000ull : 0xBFFF0000ull;
    uint64_t pages = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages;
    const uint64_t used = pages * uint64_t(::sysconf(_SC_PAGESIZE));
    status.ullAvailVirtual = status.ullTotalVirtual > used ? status.ullTotalVirtual - used : 0;
    status.ullAvailExtendedVirtual = 0;
    return true;
}

bool TLinuxSystemFacts::GlobalMemoryStatus(TMemoryStatus &status)
{
    TMemoryStatusEx ex;
    if (!GlobalMemoryStatusEx(ex))
        return false;
    auto cap = [](uint64_t v) { return uint32_t(std::min<uint64_t>(v, 0xFFFFFFFFu)); };
    status.dwLength = 32;
    status.dwMemoryLoad = ex.dwMemoryLoad;
    status.dwTotalPhys = cap(ex.ullTotalPhys);
    status.dwAvailPhys = cap(ex.ullAvailPhys);
    status.dwTotalPageFile = cap(ex.ullTotalPageFile);
    status.dwAvailPageFile = cap(ex.ullAvailPageFile);
    status.dwTotalVirtual = cap(ex.ullTotalVirtual);
    status.dwAvailVirtual = cap(ex.ullAvailVirtual);
    return true;
}

void TLinuxSystemFacts::GetSystemInfo(TSystemInfo &info)
{
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    info.dwNumberOfProcessors = n > 0 ? uint32_t(n) : 1;
    utsname u{};
    ::uname(&u);
    const std::string m = u.machine;
    if (m == "x86_64")
        info.dwProcessorType = 8664;
    else if (m == "i386")
        info.dwProcessorType = 386;
    else if (m == "i486")
        info.dwProcessorType = 486;
    else if (m == "i586" || m == "i686")
        info.dwProcessorType = 586;
    else
        info.dwProcessorType = 0;
}

std::vector<AnsiString> TLinuxSystemFacts::EnvironmentStrings()
{
    std::vector<AnsiString> out;
    for (char **e = environ; e && *e; ++e)
        if (**e)
            out.push_back(fromLocal(*e));
    return out;
}

bool TLinuxSystemFacts::RawComputerName(AnsiString &name)
{
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return false;
    name = buf;
    return true;
}

bool TLinuxSystemFacts::RawUserName(AnsiString &name)
{
    passwd pw{};
    passwd *result = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &result) != 0 || !result)
        return false;
    name = fromLocal(result->pw_name);
    return true;
}

AnsiString TLinuxSystemFacts::GetTempPath() { return TempDir(); }

uint16_t TLinuxSystemFacts::GetSystemDefaultLangID()
{
    const std::string name = QLocale::system().name().toStdString();
    for (const auto &l : kLanguages)
        if (name.rfind(l.prefix, 0) == 0)
            return l.id;
    return 0x0409;
}

bool TLinuxSystemFacts::GetTimeZoneInformation(TTimeZoneInformation &info)
{
    ::tzset();
    info.Bias = int32_t(::timezone / 60);
    info.StandardName = fromLocal(::tzname[0]);
    return true;
}

bool TLinuxSystemFacts::RawLocaleInfo(uint32_t lctype, AnsiString &value)
{
    const QLocale loc = QLocale::system();
    const Conventions c = readConventions();
    switch (lctype) {
    case 4105: value = "1"; break;                                              // calendar
    case 25: value = std::to_string(c.fracDigits == CHAR_MAX ? 2 : c.fracDigits); break;
    case 27:
        value = std::to_string(c.pPrecedes == CHAR_MAX ? 0 : (c.pPrecedes ? 0 : 1) + (c.pSep > 0 ? 2 : 0));
        break;
    case 17: value = "2"; break;                                                // digits
    case 4108: value = std::to_string(int(loc.firstDayOfWeek()) - 1); break;    // 0 Monday
    case 4109: value = "0"; break;
    case 18: value = "1"; break;                                                // leading zero
    case 13: value = loc.measurementSystem() == QLocale::MetricSystem ? "0" : "1"; break;
    case 28: value = std::to_string(negativeCurrencyFormat(c)); break;
    case 4112: value = "1"; break;
    case 35:
        value = loc.timeFormat(QLocale::ShortFormat).contains(QLatin1Char('a'), Qt::CaseInsensitive) ? "0" : "1";
        break;
    case 40: value = toAnsi(loc.amText()); break;
    case 41: value = toAnsi(loc.pmText()); break;
    case 20: value = c.currency.empty() ? toAnsi(loc.currencySymbol()) : fromLocal(c.currency.c_str()); break;
    case 29: value = separatorOf(loc.dateFormat(QLocale::ShortFormat), "/"); break;
    case 14: value = fromLocal(c.decimal.c_str()); break;
    case 16: value = groupingText(c.grouping); break;
    case 12: value = c.decimal == "," ? ";" : ","; break;
    case 32: value = toAnsi(loc.dateFormat(QLocale::LongFormat)); break;
    case 22: value = fromLocal((c.monDecimal.empty() ? c.decimal : c.monDecimal).c_str()); break;
    case 24: value = groupingText(c.monGrouping); break;
    case 23: value = fromLocal(c.monThousands.c_str()); break;
    case 81: value = c.negative.empty() ? AnsiString("-") : fromLocal(c.negative.c_str()); break;
    case 80: value = fromLocal(c.positive.c_str()); break;
    case 31: value = toAnsi(loc.dateFormat(QLocale::ShortFormat)); break;
    case 15: value = fromLocal(c.thousands.c_str()); break;
    case 30: value = separatorOf(loc.timeFormat(QLocale::ShortFormat), ":"); break;
    case 4099: value = windowsTimeFormat(loc.timeFormat(QLocale::LongFormat)); break;
    default: return false;
    }
    return true;
}

int TLinuxSystemFacts::GetDeviceCaps(int index)
{
    QScreen *screen = primaryScreen();
    if (!screen)
        return 0;
    switch (index) {
    case BITSPIXEL: return screen->depth();
    case PLANES: return 1;
    default: return 0;
    }
}

int TLinuxSystemFacts::ScreenPixelsPerInch()
{
    QScreen *screen = primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

void TLinuxSystemFacts::FillFonts(TStringList &list)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    for (const QString &f : QFontDatabase::families())
        list.Add(toAnsi(f));
}

void TLinuxSystemFacts::FillPrinters(TStringList &list)
{
    for (const QString &p : QPrinterInfo::availablePrinterNames())
        list.Add(toAnsi(p));
}

// ======================================================== TFakeSystemFacts

TFakeSystemFacts::TFakeSystemFacts()
{
    Version.dwOSVersionInfoSize = OSVersionInfoExSize;
    Version.dwMajorVersion = 6;
    Version.dwMinorVersion = 1;
    Version.dwBuildNumber = 7600;
    Version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    Version.wSuiteMask = 0x0100;
    Version.wProductType = 1;
    Metrics = {{0, 1024}, {1, 768}};
    Memory = {32, 50, 0x80000000u, 0x40000000u, 0xC0000000u, 0x60000000u, 0x7FFE0000u, 0x7F000000u};
    SystemInfo = {4, 8664};
    TimeZone = {-60, "CET"};
}

void TFakeSystemFacts::keybd_event(uint8_t virtualKey, uint8_t scanCode, uint32_t flags, uintptr_t extraInfo)
{
    KeyEvents.push_back({virtualKey, scanCode, flags});
    TSystemFacts::keybd_event(virtualKey, scanCode, flags, extraInfo);
}

bool TFakeSystemFacts::GlobalMemoryStatus(TMemoryStatus &status)
{
    status = Memory;
    return true;
}

bool TFakeSystemFacts::GlobalMemoryStatusEx(TMemoryStatusEx &status)
{
    if (!HasMemoryStatusEx)
        return false;
    status = MemoryEx;
    return true;
}

bool TFakeSystemFacts::FreeSystemResources(int selector, int &percent)
{
    if (!HasFreeResources || selector < 0 || selector > 2)
        return false;
    percent = FreeResources[size_t(selector)];
    return true;
}

TRegistryRead TFakeSystemFacts::ReadRegistryString(const AnsiString &key, const AnsiString &name,
                                                   AnsiString &value)
{
    LastRegistryKey = key;
    if (!RegistryKeyExists)
        return TRegistryRead::KeyMissing;
    const auto v = RegistryValues.find(name);
    if (v == RegistryValues.end())
        return TRegistryRead::ValueMissing;
    value = v->second;
    return TRegistryRead::Found;
}

bool TFakeSystemFacts::GetTimeZoneInformation(TTimeZoneInformation &info)
{
    if (TimeZoneFails)
        return false;
    info = TimeZone;
    return true;
}

int TFakeSystemFacts::GetDeviceCaps(int index)
{
    return index == BITSPIXEL ? DeviceBitsPixel : index == PLANES ? DevicePlanes : 0;
}

bool TFakeSystemFacts::RawVersion(TOSVersionInfoEx &info)
{
    if (VersionFails)
        return false;
    info = Version;
    return true;
}

int TFakeSystemFacts::RawSystemMetric(int index)
{
    const auto m = Metrics.find(index);
    return m == Metrics.end() ? 0 : m->second;
}

bool TFakeSystemFacts::RawComputerName(AnsiString &name)
{
    name = ComputerNameValue;
    return !ComputerNameFails;
}

bool TFakeSystemFacts::RawUserName(AnsiString &name)
{
    name = UserNameValue;
    return !UserNameFails;
}

bool TFakeSystemFacts::RawLocaleInfo(uint32_t lctype, AnsiString &value)
{
    const auto l = Locale.find(lctype);
    if (l == Locale.end())
        return false;
    value = l->second;
    return true;
}

void TFakeSystemFacts::FillFonts(TStringList &list)
{
    for (const auto &f : Fonts)
        list.Add(f);
}

void TFakeSystemFacts::FillPrinters(TStringList &list)
{
    for (const auto &p : PrinterNames)
        list.Add(p);
}

// ================================================================ access

TSystemFacts &SystemFacts()
{
    static TLinuxSystemFacts host;
    std::lock_guard<std::mutex> lock(g_factsMutex);
    return g_facts ? *g_facts : host;
}

void SetSystemFacts(TSystemFacts *facts)
{
    std::lock_guard<std::mutex> lock(g_factsMutex);
    g_facts = facts;
}

} // namespace platform
