// The system as the library sees it: one interface for the facts that the
// Windows system calls of the library return (version record, metrics and
// settings, keyboard lock state, memory, processors, names, language, time
// zone, locale values, display, fonts, printers, environment, registered
// owner), with a Linux implementation and a settable fake for tests.
//
// The Linux system presents itself as the NT family, version 6.1, build 7600,
// without service-pack text. Screen size, depth and pixels per inch come from
// Qt's primary screen (0 when there is none); memory from sysinfo(2); the
// computer name from gethostname, the user name from the password database;
// language and locale values from the process locale; the time zone from
// tzset. There is no registry of the registered owner here, so that key is
// missing.
//
// Writable settings never touch the host: system parameters, lock keys and
// locale values written through this interface go to an in-process store that
// later reads see. Each facts object has its own store.
//
// SystemFacts() is the process-wide instance (the Linux one unless a test
// installed another with SetSystemFacts; nullptr restores the Linux one).
#pragma once

#include "platform/Classes.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace platform {

// The version record. dwOSVersionInfoSize selects the form: 148 the basic
// record (the fields up to szCSDVersion), 156 the extended one.
struct TOSVersionInfoEx {
    uint32_t dwOSVersionInfoSize = 0;
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
    AnsiString szCSDVersion; // at most 127 characters
    uint16_t wServicePackMajor = 0;
    uint16_t wServicePackMinor = 0;
    uint16_t wSuiteMask = 0;
    uint8_t wProductType = 0;
    uint8_t wReserved = 0;
};
constexpr uint32_t OSVersionInfoSize = 148;
constexpr uint32_t OSVersionInfoExSize = 156;
constexpr uint32_t VER_PLATFORM_WIN32s = 0;
constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// The memory status records: the 32-bit one (length 32) and the 64-bit one
// (length 64). Counts in bytes.
struct TMemoryStatus {
    uint32_t dwLength = 0;
    uint32_t dwMemoryLoad = 0;
    uint32_t dwTotalPhys = 0, dwAvailPhys = 0;
    uint32_t dwTotalPageFile = 0, dwAvailPageFile = 0;
    uint32_t dwTotalVirtual = 0, dwAvailVirtual = 0;
};
struct TMemoryStatusEx {
    uint32_t dwLength = 0;
    uint32_t dwMemoryLoad = 0;
    uint64_t ullTotalPhys = 0, ullAvailPhys = 0;
    uint64_t ullTotalPageFile = 0, ullAvailPageFile = 0;
    uint64_t ullTotalVirtual = 0, ullAvailVirtual = 0;
    uint64_t ullAvailExtendedVirtual = 0;
};

struct TSystemInfo {
    uint32_t dwNumberOfProcessors = 0;
    uint32_t dwProcessorType = 0; // 386, 486, 586, 8664 (x86-64) ...
};

struct TTimeZoneInformation {
    int32_t Bias = 0;         // minutes; UTC = local standard time + Bias
    AnsiString StandardName;  // CP1250
};

// The animation-information record of system parameters 72/73.
struct TAnimationInfo {
    uint32_t cbSize = 0;
    int32_t iMinAnimate = 0;
};

// System parameter actions the library uses.
enum : uint32_t {
    SPI_GETBEEP = 1, SPI_SETBEEP = 2,
    SPI_GETKEYBOARDSPEED = 10, SPI_SETKEYBOARDSPEED = 11,
    SPI_GETSCREENSAVETIMEOUT = 14, SPI_SETSCREENSAVETIMEOUT = 15,
    SPI_GETSCREENSAVEACTIVE = 16, SPI_SETSCREENSAVEACTIVE = 17,
    SPI_GETKEYBOARDDELAY = 22, SPI_SETKEYBOARDDELAY = 23,
    SPI_SETDRAGFULLWINDOWS = 37, SPI_GETDRAGFULLWINDOWS = 38,
    SPI_GETANIMATION = 72, SPI_SETANIMATION = 73,
    SPI_GETFONTSMOOTHING = 74, SPI_SETFONTSMOOTHING = 75,
    SPI_GETWINDOWSEXTENSION = 92,
    SPI_GETSNAPTODEFBUTTON = 95, SPI_SETSNAPTODEFBUTTON = 96,
};

// keybd_event flags.
enum : uint32_t { KEYEVENTF_EXTENDEDKEY = 1, KEYEVENTF_KEYUP = 2 };

// Display capabilities.
enum : int { BITSPIXEL = 12, PLANES = 14 };

// Answer of ReadRegistryString.
enum class TRegistryRead { KeyMissing, ValueMissing, Found };

class TSystemFacts {
public:
    TSystemFacts();
    virtual ~TSystemFacts() = default;
    TSystemFacts(const TSystemFacts &) = delete;
    TSystemFacts &operator=(const TSystemFacts &) = delete;

    // ------------------------------------------------------------ version
    // Fills the record in the form its size field names (anything but 148 or
    // 156 fails). The record is not cleared first.
    bool GetVersionEx(TOSVersionInfoEx &info);
    int GetSystemMetrics(int index);

    // ------------------------------------------- settings (in-process store)
    // The system-parameter call: reads write an int (or the animation record)
    // to `pvParam`, writes take the value from uiParam (or the record). False
    // for an unknown action or a malformed record.
    bool SystemParametersInfo(uint32_t action, uint32_t uiParam, void *pvParam, uint32_t winIni);
    // Low bit: the key is toggled on; high bit (0x8000): it is down.
    int16_t GetKeyState(int virtualKey);
    bool GetKeyboardState(uint8_t *state256);
    bool SetKeyboardState(const uint8_t *state256);
    // A synthetic key event: a key press (no KEYEVENTF_KEYUP) of a lock key
    // switches its toggle state in the store.
    virtual void keybd_event(uint8_t virtualKey, uint8_t scanCode, uint32_t flags, uintptr_t extraInfo);

    // ------------------------------------------------------------- memory
    virtual bool GlobalMemoryStatus(TMemoryStatus &status);
    // False when the 64-bit query is not available.
    virtual bool GlobalMemoryStatusEx(TMemoryStatusEx &status);
    virtual void GetSystemInfo(TSystemInfo &info) = 0;
    // The free-resource entry of the 16-bit heaps' helper library: false when
    // the library or its entry point is missing (always here, unless faked).
    virtual bool FreeSystemResources(int selector, int &percent);

    // ------------------------------------------------------ environment
    virtual std::vector<AnsiString> EnvironmentStrings() = 0;
    // The system-call forms of the names: false (and size set to the room
    // needed) when the name with its zero does not fit `size` characters.
    // GetComputerName returns the length without the zero, GetUserName with.
    bool GetComputerName(char *buffer, uint32_t &size);
    bool GetUserName(char *buffer, uint32_t &size);
    virtual AnsiString GetTempPath() = 0;
    virtual TRegistryRead ReadRegistryString(const AnsiString &key, const AnsiString &name,
                                             AnsiString &value);

    // ---------------------------------------------------- language, locale
    virtual uint16_t GetSystemDefaultLangID() = 0;
    // The language's English name ("Polish", "English (United States)" ...),
    // "Language Neutral" for an unknown one.
    static AnsiString VerLanguageName(uint16_t langId);
    virtual bool GetTimeZoneInformation(TTimeZoneInformation &info) = 0;
    // The thread locale: the language id with the default sort.
    uint32_t GetThreadLocale() { return GetSystemDefaultLangID(); }
    // A locale value: the in-process override when one was written, else the
    // system's. False for an unknown type.
    bool GetLocaleInfo(uint32_t lcid, uint32_t lctype, AnsiString &value);
    bool SetLocaleInfo(uint32_t lcid, uint32_t lctype, const char *value);

    // ----------------------------------------------------------- display
    virtual int GetDeviceCaps(int index) = 0;
    virtual int ScreenPixelsPerInch() = 0;
    // The shared lists of screen fonts and printers.
    TStringList &ScreenFonts();
    TStringList &Printers();

protected:
    virtual bool RawVersion(TOSVersionInfoEx &info) = 0;
    virtual int RawSystemMetric(int index) = 0;
    virtual bool RawComputerName(AnsiString &name) = 0;
    virtual bool RawUserName(AnsiString &name) = 0;
    virtual bool RawLocaleInfo(uint32_t lctype, AnsiString &value) = 0;
    virtual void FillFonts(TStringList &list) = 0;
    virtual void FillPrinters(TStringList &list) = 0;

public:
    // The in-process store, open to tests. System parameters are kept under
    // their read action (SPI_GET...); the animation record as its iMinAnimate.
    std::map<uint32_t, int32_t> Parameters;
    std::array<uint8_t, 256> KeyboardState{};
    std::map<uint32_t, AnsiString> LocaleOverrides;

private:
    std::unique_ptr<TStringList> fonts_, printers_;
};

// The host system.
class TLinuxSystemFacts : public TSystemFacts {
public:
    bool GlobalMemoryStatus(TMemoryStatus &status) override;
    bool GlobalMemoryStatusEx(TMemoryStatusEx &status) override;
    void GetSystemInfo(TSystemInfo &info) override;
    std::vector<AnsiString> EnvironmentStrings() override;
    AnsiString GetTempPath() override;
    uint16_t GetSystemDefaultLangID() override;
    bool GetTimeZoneInformation(TTimeZoneInformation &info) override;
    int GetDeviceCaps(int index) override;
    int ScreenPixelsPerInch() override;

protected:
    bool RawVersion(TOSVersionInfoEx &info) override;
    int RawSystemMetric(int index) override;
    bool RawComputerName(AnsiString &name) override;
    bool RawUserName(AnsiString &name) override;
    bool RawLocaleInfo(uint32_t lctype, AnsiString &value) override;
    void FillFonts(TStringList &list) override;
    void FillPrinters(TStringList &list) override;
};

// A system made of settable values, for tests. Defaults: the same NT 6.1
// record as the Linux one, a 1024 x 768 screen at 96 pixels per inch and 32
// bits, 4 processors of type 8664, no 64-bit memory query, no free-resource
// library, no registry key.
class TFakeSystemFacts : public TSystemFacts {
public:
    TOSVersionInfoEx Version;
    bool VersionFails = false;
    std::map<int, int> Metrics;
    TMemoryStatus Memory;
    bool HasMemoryStatusEx = false;
    TMemoryStatusEx MemoryEx;
    TSystemInfo SystemInfo;
    bool HasFreeResources = false;
    std::array<int, 3> FreeResources{};
    std::vector<AnsiString> Environment;
    AnsiString ComputerNameValue = "FAKEHOST";
    bool ComputerNameFails = false;
    AnsiString UserNameValue = "fakeuser";
    bool UserNameFails = false;
    AnsiString TempPath = "/tmp/";
    bool RegistryKeyExists = false;
    std::map<AnsiString, AnsiString> RegistryValues; // name -> value under the key
    AnsiString LastRegistryKey;
    uint16_t LangId = 0x0415;
    bool TimeZoneFails = false;
    TTimeZoneInformation TimeZone;
    std::map<uint32_t, AnsiString> Locale; // the system's locale values
    int DeviceBitsPixel = 32, DevicePlanes = 1;
    int PixelsPerInch = 96;
    std::vector<AnsiString> Fonts, PrinterNames;
    // Every key event, as (key, scan code, flags).
    struct KeyEvent {
        uint8_t Key, Scan;
        uint32_t Flags;
        friend bool operator==(const KeyEvent &, const KeyEvent &) = default;
    };
    std::vector<KeyEvent> KeyEvents;

    TFakeSystemFacts();
    void keybd_event(uint8_t virtualKey, uint8_t scanCode, uint32_t flags, uintptr_t extraInfo) override;
    bool GlobalMemoryStatus(TMemoryStatus &status) override;
    bool GlobalMemoryStatusEx(TMemoryStatusEx &status) override;
    void GetSystemInfo(TSystemInfo &info) override { info = SystemInfo; }
    bool FreeSystemResources(int selector, int &percent) override;
    std::vector<AnsiString> EnvironmentStrings() override { return Environment; }
    AnsiString GetTempPath() override { return TempPath; }
    TRegistryRead ReadRegistryString(const AnsiString &key, const AnsiString &name, AnsiString &value) override;
    uint16_t GetSystemDefaultLangID() override { return LangId; }
    bool GetTimeZoneInformation(TTimeZoneInformation &info) override;
    int GetDeviceCaps(int index) override;
    int ScreenPixelsPerInch() override { return PixelsPerInch; }

protected:
    bool RawVersion(TOSVersionInfoEx &info) override;
    int RawSystemMetric(int index) override;
    bool RawComputerName(AnsiString &name) override;
    bool RawUserName(AnsiString &name) override;
    bool RawLocaleInfo(uint32_t lctype, AnsiString &value) override;
    void FillFonts(TStringList &list) override;
    void FillPrinters(TStringList &list) override;
};

TSystemFacts &SystemFacts();
void SetSystemFacts(TSystemFacts *facts);

// Installs a fake for the life of the scope and restores the Linux system.
class TFakeSystemScope {
public:
    TFakeSystemScope() { SetSystemFacts(&Fake); }
    ~TFakeSystemScope() { SetSystemFacts(nullptr); }
    TFakeSystemScope(const TFakeSystemScope &) = delete;
    TFakeSystemScope &operator=(const TFakeSystemScope &) = delete;
    TFakeSystemFacts Fake;
};

} // namespace platform
