// System information over a fake system: the OS flags of every version,
// the routines' rules, and the component's properties.
#include "kcl/KCLSysInfo.h"

#include <gtest/gtest.h>

using platform::TFakeSystemFacts;

namespace {

class KCLSysInfoTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetSystemFacts(&fake); }
    void TearDown() override
    {
        platform::SetSystemFacts(nullptr);
        KCLSIInitOSFlags();
    }
    void version(uint32_t platformId, uint32_t major, uint32_t minor, const char *csd = "", uint16_t suite = 0)
    {
        fake.Version.dwPlatformId = platformId;
        fake.Version.dwMajorVersion = major;
        fake.Version.dwMinorVersion = minor;
        fake.Version.szCSDVersion = csd;
        fake.Version.wSuiteMask = suite;
        KCLSIInitOSFlags();
    }
    TFakeSystemFacts fake;
};

// The names of the flags that are set, in declaration order.
std::vector<std::string> flagsSet()
{
    const std::pair<const char *, bool> flags[] = {
        {"Win95", KCLSIWin95},
        {"Win98", KCLSIWin98},
        {"WinME", KCLSIWinME},
        {"WinNT", KCLSIWinNT},
        {"Win2000", KCLSIWin2000},
        {"Win2000Suite2", KCLSIWin2000Suite2},
        {"WinXP", KCLSIWinXP},
        {"WinXPSP2", KCLSIWinXPSP2},
        {"WinXPSP3", KCLSIWinXPSP3},
        {"WinNetServer", KCLSIWinNetServer},
        {"WinNetServerSuite2", KCLSIWinNetServerSuite2},
        {"WinXPSuite3", KCLSIWinXPSuite3},
        {"WinXPMediaCenter", KCLSIWinXPMediaCenter},
        {"WinXPTablet", KCLSIWinXPTablet},
        {"WinXPPlain", KCLSIWinXPPlain},
        {"WinVista", KCLSIWinVista},
        {"Win2000Up", KCLSIWin2000Up},
        {"WinNTUp", KCLSIWinNTUp},
        {"WinXPUp", KCLSIWinXPUp},
        {"WinNetServerUp", KCLSIWinNetServerUp},
        {"WinXPSP2Up", KCLSIWinXPSP2Up},
        {"WinVistaUp", KCLSIWinVistaUp},
        {"PlusAvailable", KCLSIPlusAvailable},
    };
    std::vector<std::string> out;
    for (const auto &f : flags)
        if (f.second)
            out.push_back(f.first);
    return out;
}

using Flags = std::vector<std::string>;

} // namespace

// ----------------------------------------------------------- OS flags

TEST_F(KCLSysInfoTest, Windows9xFamily)
{
    version(1, 4, 0);
    EXPECT_EQ(flagsSet(), (Flags{"Win95"}));
    EXPECT_EQ(KCLSIOSIndex, 0);
    version(1, 4, 10);
    EXPECT_EQ(flagsSet(), (Flags{"Win98"}));
    EXPECT_EQ(KCLSIOSIndex, 1);
    version(1, 4, 90);
    EXPECT_EQ(flagsSet(), (Flags{"WinME"}));
    EXPECT_EQ(KCLSIOSIndex, 2);
    EXPECT_STREQ(KCLSIOSNames[KCLSIOSIndex], "Windows ME");
    // The extension query decides PlusAvailable on 9x.
    fake.Parameters[platform::SPI_GETWINDOWSEXTENSION] = 1;
    version(1, 4, 10);
    EXPECT_EQ(flagsSet(), (Flags{"Win98", "PlusAvailable"}));
}

TEST_F(KCLSysInfoTest, NtFourAnd2000)
{
    version(2, 4, 0);
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "WinNTUp", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 3);
    version(2, 5, 0, "", 2);
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "Win2000", "Win2000Suite2", "Win2000Up", "WinNTUp", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 4);
    // The suite mask is compared whole.
    version(2, 5, 0, "", 2 | 0x100);
    EXPECT_FALSE(KCLSIWin2000Suite2);
}

TEST_F(KCLSysInfoTest, WindowsXPEditionsAndServicePacks)
{
    version(2, 5, 1, "Service Pack 3");
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "WinXP", "WinXPSP2", "WinXPSP3", "WinXPPlain", "Win2000Up", "WinNTUp",
                                 "WinXPUp", "WinXPSP2Up", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 5);
    version(2, 5, 1, "Service Pack 2");
    EXPECT_TRUE(KCLSIWinXPSP2);
    EXPECT_FALSE(KCLSIWinXPSP3);
    EXPECT_TRUE(KCLSIWinXPSP2Up);
    version(2, 5, 1, "Service Pack 1");
    EXPECT_FALSE(KCLSIWinXPSP2);
    EXPECT_FALSE(KCLSIWinXPSP2Up);

    // Suite 3 first, then media center, then tablet, else plain.
    fake.Metrics[87] = 1;
    fake.Metrics[86] = 1;
    version(2, 5, 1, "", 3);
    EXPECT_TRUE(KCLSIWinXPSuite3);
    EXPECT_FALSE(KCLSIWinXPMediaCenter || KCLSIWinXPTablet || KCLSIWinXPPlain);
    version(2, 5, 1, "", 0);
    EXPECT_TRUE(KCLSIWinXPMediaCenter);
    EXPECT_FALSE(KCLSIWinXPSuite3 || KCLSIWinXPTablet || KCLSIWinXPPlain);
    fake.Metrics[87] = 0;
    version(2, 5, 1, "", 0);
    EXPECT_TRUE(KCLSIWinXPTablet);
    EXPECT_FALSE(KCLSIWinXPPlain);
}

TEST_F(KCLSysInfoTest, NetServerVistaSevenAndLater)
{
    version(2, 5, 2, "", 2);
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "WinXP", "WinNetServer", "WinNetServerSuite2", "Win2000Up", "WinNTUp",
                                 "WinXPUp", "WinNetServerUp", "WinXPSP2Up", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 6);
    version(2, 6, 0);
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "WinVista", "Win2000Up", "WinNTUp", "WinXPUp", "WinNetServerUp",
                                 "WinXPSP2Up", "WinVistaUp", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 7);
    version(2, 6, 1);
    EXPECT_TRUE(KCLSIWinVista);
    EXPECT_EQ(KCLSIOSIndex, 7);
    version(2, 10, 0);
    EXPECT_EQ(flagsSet(), (Flags{"WinNT", "Win2000Up", "WinNTUp", "WinXPUp", "WinNetServerUp", "WinXPSP2Up",
                                 "WinVistaUp", "PlusAvailable"}));
    EXPECT_EQ(KCLSIOSIndex, 3);
}

TEST_F(KCLSysInfoTest, TheLinuxSystemIsSevenWithoutServicePack)
{
    platform::SetSystemFacts(nullptr);
    KCLSIInitOSFlags();
    EXPECT_TRUE(KCLSIWinNT);
    EXPECT_TRUE(KCLSIWinVista);
    EXPECT_TRUE(KCLSIWinVistaUp);
    EXPECT_EQ(KCLSIOSIndex, 7);
    EXPECT_EQ(KCLSIVersionText(), "6.1");
    EXPECT_EQ(KCLSIPlatformName(), "Windows NT");
    EXPECT_EQ(KCLSIVersionField(0), 6);
}

// ------------------------------------------------------------- routines

TEST_F(KCLSysInfoTest, VersionRoutines)
{
    fake.Version.dwBuildNumber = 0x12345;
    fake.Version.wServicePackMajor = 3;
    fake.Version.wProductType = 1;
    version(2, 5, 1, "Service Pack 3", 0x0300);
    EXPECT_EQ(KCLSIBuildNumber(), 0x2345);
    EXPECT_EQ(KCLSIVersionText(), "5.1");
    EXPECT_EQ(KCLSIVersionField(2), 2);
    EXPECT_EQ(KCLSIVersionField(3), 0x12345);
    EXPECT_EQ(KCLSIVersionField(4), 3);
    EXPECT_EQ(KCLSIVersionField(6), 0x0300);
    EXPECT_EQ(KCLSIVersionField(7), 1);
    EXPECT_EQ(KCLSIVersionField(8), 0);
    EXPECT_EQ(KCLSISuiteMask(), 0x0300);
    fake.Version.dwPlatformId = 0;
    EXPECT_EQ(KCLSIPlatformName(), "Win32s");
    fake.Version.dwPlatformId = 1;
    EXPECT_EQ(KCLSIPlatformName(), "Windows 95");
    fake.Version.dwPlatformId = 3;
    EXPECT_EQ(KCLSIPlatformName(), "(Unknown)");
    fake.VersionFails = true;
    EXPECT_EQ(KCLSIVersionField(0), 0);
}

TEST_F(KCLSysInfoTest, MemoryUsesThe32BitQueryOnVistaAndLater)
{
    fake.HasMemoryStatusEx = true;
    fake.MemoryEx = {64, 40, 8ull << 30, 6ull << 30, 16ull << 30, 12ull << 30, 1ull << 40, 1ull << 39, 12345};
    fake.Memory = {32, 50, 0xFFFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xC0000000u, 0x7FFE0000u, 0x7F000000u};
    version(2, 6, 1);
    platform::TMemoryStatusEx m;
    KCLSIMemoryStatus(m);
    EXPECT_EQ(m.dwLength, 32u);
    EXPECT_EQ(KCLSIMemPhysTotal(), 0xFFFFFFFFull);
    EXPECT_EQ(KCLSIMemVirtExtended(), 0u);
    EXPECT_EQ(KCLSIMemoryLoad(), 50);
    TKCLSysInfo info(nullptr);
    EXPECT_EQ(info.MemPhysTotal(), 0xFFFFFFFFll / 1024);
    EXPECT_EQ(info.MemPageFree(), 0xC0000000ll / 1024);
    EXPECT_EQ(info.MemVirtExtended(), 0);
    EXPECT_EQ(info.MemoryLoaded(), "50 %");
    // 2000 and XP take the 64-bit query.
    version(2, 5, 1);
    EXPECT_EQ(KCLSIMemPhysTotal(), 8ull << 30);
    EXPECT_EQ(KCLSIMemVirtExtended(), 12345u);
    EXPECT_EQ(info.MemVirtTotal(), int64_t((1ull << 40) / 1024));
    EXPECT_EQ(info.GetInt64Item(0), 0);
    EXPECT_EQ(info.GetInt64Item(8), 0);
}

TEST_F(KCLSysInfoTest, FreeResourcesAndScreenSaverDelay)
{
    TKCLSysInfo info(nullptr);
    version(2, 6, 1);
    EXPECT_EQ(info.FreeGdiRes(), "0 %");
    version(1, 4, 10);
    EXPECT_EQ(info.FreeGdiRes(), "100 %"); // no helper library
    EXPECT_EQ(KCLSIFreeResSystem(), 100);
    fake.HasFreeResources = true;
    fake.FreeResources = {71, 200, 35};
    EXPECT_EQ(info.FreeSysRes(), "71 %");
    EXPECT_EQ(info.FreeGdiRes(), "72 %"); // low 7 bits of 200
    EXPECT_EQ(info.FreeUsrRes(), "35 %");
    fake.Parameters[platform::SPI_GETSCREENSAVETIMEOUT] = 90;
    EXPECT_EQ(KCLSIScreenSaverDelay(), 1);
    EXPECT_EQ(info.ScreenSaverDelay(), 1);
    fake.Parameters[platform::SPI_GETSCREENSAVETIMEOUT] = 59;
    EXPECT_EQ(info.ScreenSaverDelay(), 0);
}

TEST_F(KCLSysInfoTest, NamesAndTheirLimits)
{
    TKCLSysInfo info(nullptr);
    fake.UserNameValue = std::string(62, 'u');
    EXPECT_EQ(info.CurrentUser(), std::string(62, 'u'));
    fake.UserNameValue = std::string(63, 'u');
    EXPECT_EQ(info.CurrentUser(), "(Unknown)");
    fake.UserNameValue = "jan";
    fake.UserNameFails = true;
    EXPECT_EQ(KCLSIUserName(), "(Unknown)");

    fake.ComputerNameValue = "ABCDEFGHIJKLMNO"; // 15
    EXPECT_EQ(info.Computername(), "ABCDEFGHIJKLMNO");
    fake.ComputerNameValue = "ABCDEFGHIJKLMNOP"; // 16
    EXPECT_EQ(info.Computername(), "(Unknown)");

    // The registered owner and company.
    version(2, 6, 1);
    EXPECT_EQ(info.RegisteredOwner(), "(Unknown)");
    EXPECT_EQ(fake.LastRegistryKey, "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    fake.RegistryKeyExists = true;
    fake.RegistryValues["RegisteredOwner"] = "Jan Kowalski";
    EXPECT_EQ(info.RegisteredOwner(), "Jan Kowalski");
    EXPECT_EQ(info.RegisteredCompany(), "");
    version(1, 4, 10);
    info.RegisteredOwner();
    EXPECT_EQ(fake.LastRegistryKey, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");

    fake.TimeZone = {-120, "EET"};
    EXPECT_EQ(info.TimeZone(), "EET");
    EXPECT_EQ(info.TimeZoneDiff(), -120);
    fake.LangId = 0x0415;
    EXPECT_EQ(info.DefaultLanguageID(), 0x0415);
    EXPECT_EQ(info.DefaultLanguageString(), "Polish");
    fake.LangId = 0x7777;
    EXPECT_EQ(info.DefaultLanguageString(), "Language Neutral");
}

TEST_F(KCLSysInfoTest, ProcessorsDisplayAndEnvironment)
{
    TKCLSysInfo info(nullptr);
    const std::pair<uint32_t, const char *> types[] = {
        {386, "Intel 386"},  {486, "Intel 486"},  {586, "Intel Pentium"},     {2000, "Mips R2000"},
        {3000, "Mips R3000"}, {4000, "Mips R4000"}, {21064, "Alpha 21064"}, {8664, "8664"}};
    for (const auto &t : types) {
        fake.SystemInfo.dwProcessorType = t.first;
        EXPECT_EQ(info.ProcessorType(), t.second);
    }
    fake.SystemInfo.dwNumberOfProcessors = 260;
    EXPECT_EQ(info.ProcessorNumber(), 4); // a byte
    EXPECT_EQ(info.ColorDepth(), 32);
    fake.DevicePlanes = 2;
    fake.DeviceBitsPixel = 200;
    EXPECT_EQ(info.ColorDepth(), 144); // 400 cut to a byte
    EXPECT_EQ(info.ScreenWidth(), 1024);
    EXPECT_EQ(info.ScreenHeight(), 768);
    fake.PixelsPerInch = 120;
    EXPECT_EQ(info.ScreenPPi(), 120);

    fake.Environment = {"A=1", "B=2", "", "C=3"};
    platform::TStringList *env = info.Environment();
    ASSERT_EQ(env->Count(), 2);
    EXPECT_EQ(env->Strings(1), "B=2");
    fake.Environment = {"X=9"};
    EXPECT_EQ(info.Environment(), env);
    EXPECT_EQ(env->Count(), 1);
    KCLSIEnvironment(nullptr); // nothing happens

    fake.Fonts = {"verdana", "Arial", "Courier New"};
    platform::TStringList *fonts = info.AllFonts();
    EXPECT_EQ(fonts, &fake.ScreenFonts());
    ASSERT_EQ(fonts->Count(), 3);
    EXPECT_EQ(fonts->Strings(0), "Arial");
    EXPECT_EQ(fonts->Strings(2), "verdana");
    EXPECT_EQ(info.AllPrinters()->Count(), 0);
}

TEST_F(KCLSysInfoTest, LockKeysSendEventsOnlyWhenTheStateChanges)
{
    version(2, 6, 1);
    TKCLSysInfo info(nullptr);
    EXPECT_FALSE(info.NumLockState());
    info.SetNumLockState(false);
    EXPECT_TRUE(fake.KeyEvents.empty());
    info.SetNumLockState(true);
    using E = TFakeSystemFacts::KeyEvent;
    EXPECT_EQ(fake.KeyEvents, (std::vector<E>{{144, 69, 1}, {144, 69, 3}}));
    EXPECT_TRUE(info.NumLockState());
    info.SetNumLockState(true);
    EXPECT_EQ(fake.KeyEvents.size(), 2u);
    info.SetCapsLockState(true);
    info.SetScrollLockState(true);
    EXPECT_EQ(fake.KeyEvents.size(), 6u);
    EXPECT_EQ(fake.KeyEvents[2].Key, 20);
    EXPECT_EQ(fake.KeyEvents[4].Key, 145);
    EXPECT_TRUE(info.CapsLockState());
    EXPECT_TRUE(info.ScrollLockState());

    // Without the NT family the keyboard state is written directly.
    version(1, 4, 10);
    fake.KeyEvents.clear();
    info.SetNumLockState(false);
    EXPECT_TRUE(fake.KeyEvents.empty());
    EXPECT_EQ(fake.KeyboardState[144], 0);
    EXPECT_FALSE(info.NumLockState());
    info.SetCapsLockState(false);
    EXPECT_EQ(fake.KeyboardState[20], 0);
}

TEST_F(KCLSysInfoTest, SystemSettingsGoToTheStore)
{
    version(2, 6, 1);
    TKCLSysInfo info(nullptr);
    EXPECT_TRUE(info.WindowAnimation());
    info.SetWindowAnimation(false);
    EXPECT_EQ(fake.Parameters[platform::SPI_GETANIMATION], 0);
    EXPECT_FALSE(info.WindowAnimation());
    info.SetWarningBeep(false);
    EXPECT_FALSE(info.WarningBeep());
    info.SetScreenSaveActive(false);
    EXPECT_FALSE(info.ScreenSaveActive());
    info.SetFontSmoothing(false);
    EXPECT_FALSE(info.FontSmoothing());
    info.SetDragFullWindows(false);
    EXPECT_FALSE(info.DragFullWindows());
    info.SetSnapToDefaultButton(true);
    EXPECT_TRUE(info.SnapToDefaultButton());
    info.SetKeyboardDelay(3);
    EXPECT_EQ(info.KeyboardDelay(), 3);
    info.SetKeyboardSpeed(12);
    EXPECT_EQ(info.KeyboardSpeed(), 12);
    EXPECT_TRUE(info.PlusAvailable());
    EXPECT_FALSE(info.GetBoolItem(10));

    // Without the extension pack (9x) smoothing and drag read False and are
    // not written; without NT neither is snap-to-default.
    version(1, 4, 10);
    fake.Parameters[platform::SPI_GETFONTSMOOTHING] = 1;
    EXPECT_FALSE(info.FontSmoothing());
    info.SetFontSmoothing(true);
    info.SetDragFullWindows(true);
    EXPECT_EQ(fake.Parameters[platform::SPI_GETDRAGFULLWINDOWS], 0);
    EXPECT_FALSE(info.SnapToDefaultButton());
    info.SetSnapToDefaultButton(false);
    EXPECT_EQ(fake.Parameters[platform::SPI_GETSNAPTODEFBUTTON], 1);
    EXPECT_FALSE(info.PlusAvailable());
}

TEST_F(KCLSysInfoTest, LocaleValues)
{
    TKCLSysInfo info(nullptr);
    fake.Locale[23] = "\xA0"; // monetary thousands separator
    fake.Locale[15] = ".";    // numeric one
    EXPECT_EQ(info.GetLocaleItem(21), "\xA0");
    EXPECT_EQ(info.GetLocaleItem(25), ".");
    EXPECT_NE(info.GetLocaleItem(21), info.GetLocaleItem(25));
    EXPECT_EQ(info.GetLocaleItem(0), "Hallo"); // the system has none
    EXPECT_EQ(info.GetLocaleItem(28), "");
    info.SetLocaleItem(15, ",");
    EXPECT_EQ(info.GetLocaleItem(15), ",");
    EXPECT_EQ(fake.LocaleOverrides[14], ",");
    // Written whatever the current value; more than 2048 characters are cut.
    info.SetLocaleItem(0, std::string(5000, 'x'));
    EXPECT_EQ(info.GetLocaleItem(0), std::string(2048, 'x'));
    const uint32_t types[28] = {4105, 25, 27, 17, 4108, 4109, 18, 13, 28, 4112, 35, 40, 41, 20,
                                29,   14, 16, 12, 32,   22,   24, 23, 81, 80,   31, 15, 30, 4099};
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(TKCLSysInfo::LocaleTypes[i], types[i]) << i;
}

TEST_F(KCLSysInfoTest, UnknownIndexesAndIgnoringSetters)
{
    TKCLSysInfo info(nullptr);
    EXPECT_EQ(info.GetItem(16), "");
    EXPECT_EQ(info.GetItem(-1), "");
    for (int i : {1, 2, 3, 4, 5, 6, 13})
        EXPECT_EQ(info.GetIntItem(i), 0) << i;
    const AnsiString user = info.CurrentUser();
    info.SetCurrentUser("someone else");
    EXPECT_EQ(info.CurrentUser(), user);
    EXPECT_EQ(info.TempPath(), "/tmp/");
    fake.TempPath = "/";
    EXPECT_EQ(info.TempPath(), "/");
}

TEST_F(KCLSysInfoTest, PublishedPropertiesInOrderAndNoneStored)
{
    const auto &props = TKCLSysInfo::StaticClass()->Properties();
    std::vector<std::string> names;
    for (const auto &p : props)
        if (p.Name != "Tag" && p.Name != "Name")
            names.push_back(p.Name);
    const std::vector<std::string> expected = {
        "About", "AllFonts", "AllPrinters", "CurrentUser", "RegisteredCompany", "RegisteredOwner",
        "ScreenSaverDelay", "VersionWIN", "WinPath", "WinSysPath", "Environment", "FreeGdiRes", "FreeUsrRes",
        "FreeSysRes", "BuildNumber", "MemPhysTotal", "MemPhysFree", "MemVirtTotal", "MemVirtFree",
        "MemVirtExtended", "MemPageTotal", "MemPageFree", "MemoryLoaded", "Platform", "TempPath", "Computername",
        "ProcessorNumber", "ProcessorType", "ProcessorInfo", "ColorDepth", "DefaultLanguageString", "TimeZone",
        "TimeZoneDiff", "PlusAvailable", "ScreenWidth", "ScreenHeight", "ScreenPPi", "LocaleCalendarType",
        "LocaleCurrencyDigits", "LocaleICurrency", "LocaleDigits", "LocaleFirstDayOfWeek", "LocaleFirstWeekOfYear",
        "LocaleZero", "LocaleMeasureSystem", "LocaleNegativeCurrencyFormat", "LocaleNegativeNumberFormat",
        "LocaleTime", "LocaleMorningSymbol", "LocaleAfternoonSymbol", "LocaleCurrencySymbol",
        "LocaleDateSeparator", "LocaleDecimalSeparator", "LocaleNumericGrouping", "LocaleListSeparator",
        "LocaleLongDateFormat", "LocaleMonthDecimalSeparator", "LocaleCurrencyGrouping", "LocaleThousandSeparator",
        "LocaleNegativeSign", "LocalePositiveSign", "LocaleShortDateFormat", "LocaleThousand",
        "LocaleTimeSeparator", "LocaleShortTimeFormat", "NumLockState", "CapsLockState", "ScrollLockState",
        "DefaultLanguageID", "KeyboardDelay", "KeyboardSpeed", "WindowAnimation", "WarningBeep",
        "ScreenSaveActive", "FontSmoothing", "DragFullWindows", "SnapToDefaultButton"};
    EXPECT_EQ(names, expected);
    TKCLSysInfo info(nullptr);
    for (const auto &p : props) {
        if (p.Name == "Tag")
            continue;
        EXPECT_FALSE(p.IsStored(info)) << p.Name;
    }
    EXPECT_TRUE(platform::GetPropInfo(info, "DefaultLanguageID")->IsReadOnly());
    EXPECT_FALSE(platform::GetPropInfo(info, "TempPath")->IsReadOnly());
    EXPECT_EQ(platform::GetPropInfo(info, "ProcessorInfo")->GetObj(info), info.ProcessorInfo());
    fake.LocaleOverrides[4105] = "1";
    EXPECT_EQ(platform::GetPropInfo(info, "LocaleCalendarType")->GetStr(info), "1");
    platform::GetPropInfo(info, "WarningBeep")->SetOrd(info, 0);
    EXPECT_FALSE(info.WarningBeep());
}

TEST(KCLSysInfoHost, LinuxValuesAreSane)
{
    TKCLSysInfo info(nullptr);
    EXPECT_EQ(info.TempPath().back(), '/');
    EXPECT_NE(info.CurrentUser(), "");
    EXPECT_GT(info.MemPhysTotal(), 0);
    EXPECT_LE(info.MemPhysTotal(), int64_t(0xFFFFFFFFull / 1024));
    EXPECT_GE(info.ProcessorNumber(), 1);
    EXPECT_EQ(info.VersionWIN(), "6.1");
    EXPECT_EQ(info.FreeSysRes(), "0 %");
    EXPECT_EQ(info.WinSysPath(), "/usr/lib");
    EXPECT_GT(info.ScreenWidth(), 0);
    EXPECT_NE(info.GetLocaleItem(15 /* decimal separator */), "Hallo");
}
