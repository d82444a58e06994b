#include "kcl/KCLSysIn.h"

#include "kcl/KCLUtils.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

using platform::SystemFacts;
using platform::TMemoryStatus;
using platform::TMemoryStatusEx;
using platform::TOSVersionInfoEx;

bool KCLSIWin95, KCLSIWin98, KCLSIWinME, KCLSIWinNT, KCLSIWin2000, KCLSIWin2000Suite2, KCLSIWinXP,
    KCLSIWinXPSP2, KCLSIWinXPSP3, KCLSIWinNetServer, KCLSIWinNetServerSuite2, KCLSIWinXPSuite3,
    KCLSIWinXPMediaCenter, KCLSIWinXPTablet, KCLSIWinXPPlain, KCLSIWinVista, KCLSIWin2000Up,
    KCLSIWinNTUp, KCLSIWinXPUp, KCLSIWinNetServerUp, KCLSIWinXPSP2Up, KCLSIWinVistaUp,
    KCLSIPlusAvailable;
uint8_t KCLSIOSIndex;
const char *const KCLSIOSNames[8] = {"Windows 95", "Windows 98",   "Windows ME",          "Windows NT",
                                     "Windows 2000", "Windows XP", "Windows .Net Server", "Windows Vista"};
const char *const KCLSIUnknown = "(Unknown)";

// ============================================================ OS flags

void KCLSIInitOSFlags()
{
    for (bool *f : {&KCLSIWin95, &KCLSIWin98, &KCLSIWinME, &KCLSIWinNT, &KCLSIWin2000, &KCLSIWin2000Suite2,
                    &KCLSIWinXP, &KCLSIWinXPSP2, &KCLSIWinXPSP3, &KCLSIWinNetServer, &KCLSIWinNetServerSuite2,
                    &KCLSIWinXPSuite3, &KCLSIWinXPMediaCenter, &KCLSIWinXPTablet, &KCLSIWinXPPlain,
                    &KCLSIWinVista, &KCLSIWin2000Up, &KCLSIWinNTUp, &KCLSIWinXPUp, &KCLSIWinNetServerUp,
                    &KCLSIWinXPSP2Up, &KCLSIWinVistaUp, &KCLSIPlusAvailable})
        *f = false;
    KCLSIOSIndex = 0;

    TOSVersionInfoEx v;
    KCLSIInitVersionInfo(v);
    SystemFacts().GetVersionEx(v);
    const uint32_t major = v.dwMajorVersion, minor = v.dwMinorVersion;
    auto &facts = SystemFacts();

    if (v.dwPlatformId == platform::VER_PLATFORM_WIN32_WINDOWS) {
        if (major >= 4 && minor >= 90) {
            KCLSIOSIndex = 2;
            KCLSIWinME = true;
        } else if (minor < 10) {
            KCLSIOSIndex = 0;
            KCLSIWin95 = true;
        } else {
            KCLSIOSIndex = 1;
            KCLSIWin98 = true;
        }
        KCLSIPlusAvailable = facts.SystemParametersInfo(platform::SPI_GETWINDOWSEXTENSION, 1, nullptr, 0);
        return;
    }

    KCLSIPlusAvailable = true;
    KCLSIWinNT = v.dwPlatformId == platform::VER_PLATFORM_WIN32_NT;
    if (major == 5 && minor != 0) {
        KCLSIWinXP = true;
        KCLSIWinXPSP3 = v.szCSDVersion == "Service Pack 3";
        KCLSIWinXPSP2 = KCLSIWinXPSP3 || v.szCSDVersion == "Service Pack 2";
        KCLSIOSIndex = 5;
        KCLSIWinNetServer = minor > 1;
        if (KCLSIWinNetServer) {
            KCLSIWinNetServerSuite2 = KCLSISuiteMask() == 2;
            KCLSIOSIndex = 6;
        } else if (KCLSISuiteMask() == 3) {
            KCLSIWinXPSuite3 = true;
        } else if (facts.GetSystemMetrics(87) != 0) {
            KCLSIWinXPMediaCenter = true;
        } else if (facts.GetSystemMetrics(86) != 0) {
            KCLSIWinXPTablet = true;
        } else {
            KCLSIWinXPPlain = true;
        }
    } else if (major == 5) {
        KCLSIWin2000 = true;
        KCLSIOSIndex = 4;
        KCLSIWin2000Suite2 = KCLSISuiteMask() == 2;
    } else if (major == 6) {
        KCLSIWinVista = true;
        KCLSIOSIndex = 7;
    } else {
        KCLSIOSIndex = 3;
    }
    KCLSIWin2000Up = major >= 5;
    KCLSIWinNTUp = KCLSIWinNT || KCLSIWin2000Up;
    KCLSIWinVistaUp = major >= 6;
    KCLSIWinXPUp = (major >= 5 && minor >= 1) || KCLSIWinVistaUp;
    KCLSIWinNetServerUp = (major >= 5 && minor >= 2) || KCLSIWinVistaUp;
    KCLSIWinXPSP2Up = KCLSIWinXPSP2 || KCLSIWinNetServerUp || KCLSIWinVistaUp;
}


// ============================================================= version

void KCLSIInitVersionInfo(TOSVersionInfoEx &info)
{
    info = TOSVersionInfoEx();
    info.dwOSVersionInfoSize = platform::OSVersionInfoSize;
}

bool KCLSIGetVersionEx(TOSVersionInfoEx &info)
{
    info = TOSVersionInfoEx();
    info.dwOSVersionInfoSize = platform::OSVersionInfoExSize;
    return SystemFacts().GetVersionEx(info);
}

int KCLSIVersionField(int selector)
{
    TOSVersionInfoEx v;
    if (!KCLSIGetVersionEx(v))
        return 0;
    switch (selector) {
    case 0: return int(v.dwMajorVersion);
    case 1: return int(v.dwMinorVersion);
    case 2: return int(v.dwPlatformId);
    case 3: return int(v.dwBuildNumber);
    case 4: return v.wServicePackMajor;
    case 5: return v.wServicePackMinor;
    case 6: return v.wSuiteMask;
    case 7: return v.wProductType;
    default: return 0;
    }
}

uint16_t KCLSISuiteMask() { return uint16_t(KCLSIVersionField(6)); }

namespace {
TOSVersionInfoEx basicVersion()
{
    TOSVersionInfoEx v;
    KCLSIInitVersionInfo(v);
    SystemFacts().GetVersionEx(v);
    return v;
}
} // namespace

uint16_t KCLSIBuildNumber() { return uint16_t(basicVersion().dwBuildNumber & 0xFFFF); }

AnsiString KCLSIPlatformName()
{
    switch (basicVersion().dwPlatformId) {
    case 0: return "Win32s";
    case 1: return "Windows 95";
    case 2: return "Windows NT";
    default: return KCLSIUnknown;
    }
}

AnsiString KCLSIVersionText()
{
    const TOSVersionInfoEx v = basicVersion();
    return std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion);
}

// ================================================== display, keyboard

uint8_t KCLSIColorDepth()
{
    auto &facts = SystemFacts();
    const uint16_t planes = uint16_t(facts.GetDeviceCaps(platform::PLANES));
    const uint16_t bits = uint16_t(facts.GetDeviceCaps(platform::BITSPIXEL));
    return uint8_t(uint16_t(planes * bits));
}

int KCLSIScreenSaverDelay()
{
    int32_t seconds = 0;
    SystemFacts().SystemParametersInfo(platform::SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    return seconds / 60;
}

namespace {
bool toggled(int key) { return (SystemFacts().GetKeyState(key) & 0xFF) == 1; }
} // namespace

bool KCLSINumLockState() { return toggled(144); }
bool KCLSICapsLockState() { return toggled(20); }
bool KCLSIScrollLockState() { return toggled(145); }

// ================================================== memory, processors

void KCLSIMemoryStatus(TMemoryStatusEx &status)
{
    status = TMemoryStatusEx();
    auto &facts = SystemFacts();
    if (KCLSIWin2000 || KCLSIWinXP) {
        status.dwLength = 64;
        facts.GlobalMemoryStatusEx(status);
        return;
    }
    TMemoryStatus s;
    s.dwLength = 32;
    facts.GlobalMemoryStatus(s);
    status.dwLength = s.dwLength;
    status.dwMemoryLoad = s.dwMemoryLoad;
    status.ullTotalPhys = s.dwTotalPhys;
    status.ullAvailPhys = s.dwAvailPhys;
    status.ullTotalPageFile = s.dwTotalPageFile;
    status.ullAvailPageFile = s.dwAvailPageFile;
    status.ullTotalVirtual = s.dwTotalVirtual;
    status.ullAvailVirtual = s.dwAvailVirtual;
    status.ullAvailExtendedVirtual = 0;
}

namespace {
TMemoryStatusEx memory()
{
    TMemoryStatusEx m;
    KCLSIMemoryStatus(m);
    return m;
}
} // namespace

uint8_t KCLSIMemoryLoad() { return uint8_t(memory().dwMemoryLoad); }
uint64_t KCLSIMemPhysTotal() { return memory().ullTotalPhys; }
uint64_t KCLSIMemPhysFree() { return memory().ullAvailPhys; }
uint64_t KCLSIMemPageTotal() { return memory().ullTotalPageFile; }
uint64_t KCLSIMemPageFree() { return memory().ullAvailPageFile; }
uint64_t KCLSIMemVirtTotal() { return memory().ullTotalVirtual; }
uint64_t KCLSIMemVirtFree() { return memory().ullAvailVirtual; }
uint64_t KCLSIMemVirtExtended() { return memory().ullAvailExtendedVirtual; }

uint8_t KCLSIProcessorCount()
{
    platform::TSystemInfo info;
    SystemFacts().GetSystemInfo(info);
    return uint8_t(info.dwNumberOfProcessors);
}

AnsiString KCLSIProcessorTypeName()
{
    platform::TSystemInfo info;
    SystemFacts().GetSystemInfo(info);
    switch (info.dwProcessorType) {
    case 386: return "Intel 386";
    case 486: return "Intel 486";
    case 586: return "Intel Pentium";
    case 2000:
    case 3000:
    case 4000: return "Mips R" + std::to_string(info.dwProcessorType);
    case 21064: return "Alpha 21064";
    default: return std::to_string(info.dwProcessorType);
    }
}

int KCLSIFreeResources(int selector)
{
    int percent = 0;
    if (!SystemFacts().FreeSystemResources(selector, percent))
        return 100;
    return percent;
}

int KCLSIFreeResSystem() { return KCLSIFreeResources(0); }
int KCLSIFreeResGdi() { return KCLSIFreeResources(1); }
int KCLSIFreeResUser() { return KCLSIFreeResources(2); }

// ================================================== names and folders

void KCLSIEnvironment(platform::TStringList *list)
{
    if (!list)
        return;
    list->Clear();
    for (const AnsiString &s : SystemFacts().EnvironmentStrings()) {
        if (s.empty())
            break;
        list->Add(s);
    }
}

AnsiString KCLSIWindowsDir() { return KCLGetWindowsDir(); }
AnsiString KCLSISystemDir() { return KCLGetSystemDir(); }

namespace {
AnsiString registered(const char *name)
{
    const AnsiString key =
        AnsiString("\\SOFTWARE\\Microsoft\\") + (KCLSIWinNT ? "Windows NT" : "Windows") + "\\CurrentVersion";
    AnsiString value;
    switch (SystemFacts().ReadRegistryString(key, name, value)) {
    case platform::TRegistryRead::KeyMissing: return KCLSIUnknown;
    case platform::TRegistryRead::ValueMissing: return AnsiString();
    case platform::TRegistryRead::Found: break;
    }
    return value;
}
} // namespace

AnsiString KCLSIRegisteredCompany() { return registered("RegisteredOrganization"); }
AnsiString KCLSIRegisteredOwner() { return registered("RegisteredOwner"); }

AnsiString KCLSIComputerName()
{
    char buffer[16] = {};
    uint32_t size = sizeof buffer;
    if (!SystemFacts().GetComputerName(buffer, size))
        return KCLSIUnknown;
    return AnsiString(buffer, std::min<size_t>(size, sizeof buffer));
}

AnsiString KCLSIUserName()
{
    char buffer[63] = {};
    uint32_t size = sizeof buffer;
    if (!SystemFacts().GetUserName(buffer, size) || size == 0)
        return KCLSIUnknown;
    return AnsiString(buffer, std::min<size_t>(size - 1, sizeof buffer));
}

int KCLSIDefaultLangID() { return SystemFacts().GetSystemDefaultLangID(); }

AnsiString KCLSITimeZoneName()
{
    platform::TTimeZoneInformation tz;
    SystemFacts().GetTimeZoneInformation(tz);
    return tz.StandardName;
}

int KCLSITimeZoneBias()
{
    platform::TTimeZoneInformation tz;
    SystemFacts().GetTimeZoneInformation(tz);
    return tz.Bias;
}

// ================================================= temporary folder

namespace {

bool hasWildcard(const AnsiString &s) { return s.find_first_of("*?") != AnsiString::npos; }

// '*' any run of characters, '?' exactly one.
bool wildcardMatch(const char *mask, const char *name)
{
    const char *star = nullptr, *resume = nullptr;
    while (*name) {
        if (*mask == '?' || (*mask != '*' && *mask == *name)) {
            ++mask;
            ++name;
        } else if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*')
        ++mask;
    return *mask == 0;
}

AnsiString longPath(const AnsiString &path, const TKCLPathSyntax &sx, const TKCLFindFirst &findFirst)
{
    if (path.empty())
        return AnsiString();
    const char d = sx.Delimiter;
    size_t driveLen = 0;
    if (sx.DrivesAndShares) {
        if (path.size() >= 2 && path[1] == ':') {
            driveLen = 2;
        } else if (path.size() >= 2 && path[0] == d && path[1] == d) {
            const size_t server = path.find(d, 2);
            const size_t share = server == AnsiString::npos ? AnsiString::npos : path.find(d, server + 1);
            driveLen = share == AnsiString::npos ? path.size() : share;
        }
    }
    const AnsiString rest = path.substr(driveLen);
    if (rest.empty() || (rest.size() == 1 && rest[0] == d))
        return path.back() == d ? path.substr(0, path.size() - 1) : path;
    if (driveLen == 0 && path[0] != d)
        return path; // relative: nothing to anchor the walk

    const size_t last = sx.DrivesAndShares ? path.find_last_of(AnsiString(1, d) + ":") : path.rfind(d);
    AnsiString parent = path.substr(0, last + 1);
    if (path[last] == d && last > 0 && path[last - 1] != d && !(sx.DrivesAndShares && path[last - 1] == ':'))
        parent.pop_back();
    // A doubled delimiter would give the path itself back: drop one so that
    // the walk always gets shorter.
    if (parent.size() >= path.size())
        parent.pop_back();
    const AnsiString longParent = longPath(parent, sx, findFirst);
    AnsiString name;
    if (!findFirst(path, name))
        name = path.substr(last + 1);
    return longParent + d + name;
}

} // namespace

AnsiString KCLSILongPathNameWith(const AnsiString &path, const TKCLPathSyntax &syntax,
                                 const TKCLFindFirst &findFirst)
{
    return longPath(path, syntax, findFirst);
}

bool KCLSIFindFirst(const AnsiString &pattern, AnsiString &name)
{
    const size_t slash = pattern.rfind('/');
    if (slash == AnsiString::npos)
        return false;
    const AnsiString mask = pattern.substr(slash + 1);
    if (mask.empty())
        return false;
    if (!hasWildcard(mask)) {
        struct stat st;
        if (::lstat(pattern.c_str(), &st) != 0)
            return false;
        name = mask;
        return true;
    }
    const AnsiString dir = slash == 0 ? AnsiString("/") : pattern.substr(0, slash);
    DIR *dp = ::opendir(dir.c_str());
    if (!dp)
        return false;
    std::vector<AnsiString> matches;
    while (dirent *e = ::readdir(dp)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (wildcardMatch(mask.c_str(), e->d_name))
            matches.emplace_back(e->d_name);
    }
    ::closedir(dp);
    if (matches.empty())
        return false;
    name = *std::min_element(matches.begin(), matches.end());
    return true;
}

AnsiString KCLSILongPathName(const AnsiString &path)
{
    const AnsiString result = longPath(path, KCLPosixPaths, KCLSIFindFirst);
    // The root keeps its delimiter (see the header).
    if (result.empty() && !path.empty() && path[0] == '/')
        return "/";
    return result;
}

AnsiString KCLSITempPath()
{
    const AnsiString temp = SystemFacts().GetTempPath();
    if (temp.empty())
        return AnsiString();
    return KCLSILongPathName(temp);
}
