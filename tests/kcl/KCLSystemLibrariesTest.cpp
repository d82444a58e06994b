// Binding of the optional system libraries by name, driven by fake providers
// in the library table: which system versions look for them, what a missing
// library or function leaves, the composition state, the theme switch and
// the theme manager's cache and broadcast, and centring a form on its
// monitor.
#include "KCLUnitsEnvironment.h"
#include "TestSupport.h"
#include "kcl/KCLClass.h"
#include "kcl/KCLDwmApi.h"
#include "kcl/KCLGraphUtils.h"
#include "kcl/KCLProcs.h"
#include "kcl/KCLShUtils.h"
#include "kcl/KCLSysIn.h"
#include "kcl/KCLXPStyles.h"
#include "kcl/KCLXPThemeManager.h"
#include "platform/Forms.h"
#include "platform/Libraries.h"
#include "platform/SystemFacts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

// What the fake libraries were asked.
struct Calls {
    BOOL themeActive = 1;
    std::vector<HTHEME> closed;
    std::vector<DWORD> appProperties;
    HTHEME nextTheme = 100;
} calls;

BOOL fakeIsThemeActive() { return calls.themeActive; }
HTHEME fakeOpenThemeData(HWND, LPCWSTR) { return calls.nextTheme++; }
HRESULT fakeCloseThemeData(HTHEME theme)
{
    calls.closed.push_back(theme);
    return 0;
}
void fakeSetThemeAppProperties(DWORD flags) { calls.appProperties.push_back(flags); }
HRESULT fakeCompositionOn(BOOL *enabled)
{
    *enabled = 1;
    return 0;
}
HRESULT fakeDrawThemeTextEx(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, RECT *, const DTTOPTS *) { return 0; }
BOOL fakeAlphaBlend(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION) { return 1; }

void registerUxTheme()
{
    RegisterLibrary("UxTheme.dll", {{"IsThemeActive", ToFarProc(&fakeIsThemeActive)},
                                    {"OpenThemeData", ToFarProc(&fakeOpenThemeData)},
                                    {"CloseThemeData", ToFarProc(&fakeCloseThemeData)},
                                    {"SetThemeAppProperties", ToFarProc(&fakeSetThemeAppProperties)},
                                    {"DrawThemeTextEx", ToFarProc(&fakeDrawThemeTextEx)}});
}

// Rebinds every library under a fake system version; the destructor puts the
// program's state back (empty table, the Linux system).
class SystemLibraries : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls = Calls();
        unbind();
        ClearLibraries();
    }
    void TearDown() override
    {
        calls.themeActive = 1;
        KCLApplication()->SetUseThemes(true); // the program's setting
        KCLApplication()->SetThemeOwnControlsOnly(false);
        unbind();
        ClearLibraries();
        SetSystemFacts(nullptr);
        bind();
    }
    void system(uint32_t platformId, uint32_t major, uint32_t minor)
    {
        sys.Version.dwPlatformId = platformId;
        sys.Version.dwMajorVersion = major;
        sys.Version.dwMinorVersion = minor;
        SetSystemFacts(&sys);
    }
    static void bind()
    {
        KCLSIInitOSFlags();
        KCLProcsInit();
        KCLGraphUtilsInit();
        KCLBindChangeWindowMessageFilter();
        KCLXPStylesLoad();
        KCLDwmApiLoad();
    }
    static void unbind()
    {
        KCLDwmApiUnload();
        KCLXPStylesUnload();
        KCLUnbindChangeWindowMessageFilter();
        KCLGraphUtilsDone();
        KCLProcsDone();
    }
    TFakeSystemFacts sys;
};

// A form that records the messages it is sent.
class TRecordingForm : public TForm {
public:
    using TForm::TForm;
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == WM_THEMECHANGED || Message.Msg == KCL_CM_THEMECHANGED)
            received.push_back(Message.Msg);
        TForm::WndProc(Message);
    }
    std::vector<uint32_t> received;
};

} // namespace

TEST_F(SystemLibraries, ThemeLibraryIsLookedForOnlyFromNT51)
{
    registerUxTheme();
    struct Case {
        uint32_t platformId, major, minor;
        bool loads;
    } cases[] = {{VER_PLATFORM_WIN32_WINDOWS, 4, 90, false}, {VER_PLATFORM_WIN32_NT, 5, 0, false},
                 {VER_PLATFORM_WIN32_NT, 5, 1, true},        {VER_PLATFORM_WIN32_NT, 6, 0, true},
                 {VER_PLATFORM_WIN32_NT, 4, 9, false}};
    for (const Case &c : cases) {
        unbind();
        system(c.platformId, c.major, c.minor);
        bind();
        EXPECT_EQ(KCLThemeLibraryLoaded, c.loads) << c.major << "." << c.minor;
        EXPECT_EQ(KCLThemesActive(), c.loads);
        EXPECT_EQ(IsThemeActive != nullptr, c.loads);
        EXPECT_EQ(GetErrorMode(), 0u); // the error mode is put back after the load
    }
}

TEST_F(SystemLibraries, PresentLibraryBindsWhatItHasAndUnloadClearsIt)
{
    registerUxTheme();
    system(VER_PLATFORM_WIN32_NT, 5, 1);
    bind();
    ASSERT_TRUE(KCLThemeLibraryLoaded);
    EXPECT_NE(OpenThemeData, nullptr);
    EXPECT_EQ(DrawThemeBackground, nullptr); // absent from the present library
    EXPECT_EQ(GetCurrentThemeName, nullptr);
    EXPECT_STREQ(KCLXPStylesFunctionNames[0], "IsThemeActive");
    EXPECT_STREQ(KCLXPStylesFunctionNames[46], "GetCurrentThemeName");

    calls.themeActive = 0;
    EXPECT_FALSE(KCLThemesActive()); // bound, but the system says no

    // Windows XP: no composition binding.
    EXPECT_FALSE(KCLDwmApiLoaded);
    EXPECT_EQ(DrawThemeTextEx, nullptr);
    EXPECT_FALSE(KCLDwmCompositionEnabled);

    KCLXPStylesUnload();
    EXPECT_FALSE(KCLThemeLibraryLoaded);
    EXPECT_EQ(IsThemeActive, nullptr);
    EXPECT_EQ(OpenThemeData, nullptr);
    EXPECT_EQ(LibraryLoadCount("uxtheme.dll"), 0);
    KCLXPStylesUnload(); // twice: nothing
    KCLDwmApiUnload();   // never loaded: nothing
    EXPECT_EQ(LibraryLoadCount("uxtheme.dll"), 0);
}

TEST_F(SystemLibraries, CompositionFromVistaOn)
{
    registerUxTheme();
    RegisterLibrary("dwmapi.dll", {{"DwmIsCompositionEnabled", ToFarProc(&fakeCompositionOn)}});
    system(VER_PLATFORM_WIN32_NT, 6, 0);
    bind();
    EXPECT_TRUE(KCLDwmApiLoaded);
    EXPECT_TRUE(KCLDwmCompositionEnabled);
    EXPECT_NE(DrawThemeTextEx, nullptr);
    EXPECT_EQ(DwmExtendFrameIntoClientArea, nullptr);
    unbind();
    EXPECT_EQ(LibraryLoadCount("dwmapi.dll"), 0);
    EXPECT_EQ(LibraryLoadCount("uxtheme.dll"), 0);

    // Without dwmapi nothing of the composition is bound, not even the
    // uxtheme function.
    UnregisterLibrary("dwmapi.dll");
    bind();
    EXPECT_TRUE(KCLDwmApiLoaded);
    EXPECT_EQ(DrawThemeTextEx, nullptr);
    EXPECT_FALSE(KCLDwmCompositionEnabled);
}

TEST_F(SystemLibraries, AlphaBlendLibraryAndClipboardNames)
{
    RegisterLibrary("msimg32.dll", {{"AlphaBlend", ToFarProc(&fakeAlphaBlend)}});
    bind();
    EXPECT_EQ(AlphaBlend, &fakeAlphaBlend);
    EXPECT_EQ(TransparentBlt, nullptr);
    EXPECT_EQ(KCLGraphUtilsAlphaBlend, &fakeAlphaBlend);
    EXPECT_EQ(LibraryLoadCount("msimg32.dll"), 2); // one handle per unit
    EXPECT_EQ(ChangeWindowMessageFilter, nullptr);
    EXPECT_EQ(KCLClipboardFormatNames[2], "BITMAP");
    EXPECT_EQ(KCLClipboardFormatNames[13], "UNICODETEXT");
    unbind();
    EXPECT_EQ(LibraryLoadCount("msimg32.dll"), 0);
    EXPECT_EQ(AlphaBlend, nullptr);
    EXPECT_EQ(KCLClipboardFormatNames[2], "");
}

TEST_F(SystemLibraries, ThemeSwitchTellsEveryFormWhenTheLibraryIsBound)
{
    registerUxTheme();
    system(VER_PLATFORM_WIN32_NT, 5, 1);
    bind();
    TKCLApplication *app = KCLApplication();
    ASSERT_TRUE(app->UseThemes());
    TRecordingForm shown(nullptr), hidden(nullptr);
    shown.Show();

    app->SetUseThemes(false);
    EXPECT_EQ(calls.appProperties, std::vector<DWORD>{0});
    EXPECT_EQ(shown.received, (std::vector<uint32_t>{KCL_CM_THEMECHANGED, WM_THEMECHANGED}));
    EXPECT_EQ(hidden.received, std::vector<uint32_t>{KCL_CM_THEMECHANGED});
    app->SetUseThemes(true);
    EXPECT_EQ(calls.appProperties, (std::vector<DWORD>{0, 3}));

    // Own controls only: the system theming and the form itself stay.
    shown.received.clear();
    app->SetThemeOwnControlsOnly(true);
    app->SetUseThemes(false);
    EXPECT_EQ(calls.appProperties.size(), 2u);
    EXPECT_EQ(shown.received, std::vector<uint32_t>{KCL_CM_THEMECHANGED});
    app->SetThemeOwnControlsOnly(false);
    app->SetUseThemes(true);

    // Not active: switching on is refused.
    app->SetUseThemes(false);
    calls.themeActive = 0;
    app->SetUseThemes(true);
    EXPECT_FALSE(app->UseThemes());
}

TEST_F(SystemLibraries, ThemeChangeEmptiesTheCacheAndRebroadcastsOnlyWhenThemesAreOn)
{
    registerUxTheme();
    system(VER_PLATFORM_WIN32_NT, 5, 1);
    bind();
    TKCLApplication *app = KCLApplication();
    TKCLXPThemeManager &manager = *KCLThemeManager();
    manager.CloseThemes(); // takes the application's switch
    ASSERT_TRUE(manager.ThemesEnabled());
    EXPECT_EQ(manager.OpenTheme(0, u"BUTTON"), 100u);
    EXPECT_EQ(manager.OpenTheme(24, u"EDIT"), 101u);
    EXPECT_EQ(manager.OpenTheme(0, u"BUTTON"), 100u); // cached
    EXPECT_EQ(manager.OpenTheme(25, u"X"), 0u);

    TRecordingForm form(nullptr);
    TMessage m;
    m.Msg = WM_THEMECHANGED;
    manager.WndProc(m);
    EXPECT_EQ(manager.Theme(0), 0u);
    EXPECT_EQ(manager.Theme(24), 0u);
    EXPECT_EQ(calls.closed, (std::vector<HTHEME>{100, 101}));
    EXPECT_EQ(KCLThemeManager(), &manager);
    EXPECT_EQ(form.received.size(), 2u); // off and on again: told twice
    EXPECT_TRUE(app->UseThemes());
    EXPECT_FALSE(manager.Busy());

    app->SetUseThemes(false);
    form.received.clear();
    manager.OpenTheme(3, u"TAB"); // refused while themes are off
    EXPECT_EQ(manager.Theme(3), 0u);
    manager.WndProc(m);
    EXPECT_TRUE(form.received.empty());
    EXPECT_FALSE(manager.ThemesEnabled());
}

TEST_F(SystemLibraries, QtThemeEventsReachTheManagerOnceARound)
{
    registerUxTheme();
    system(VER_PLATFORM_WIN32_NT, 5, 1);
    bind();
    TKCLXPThemeManager &manager = *KCLThemeManager();
    manager.CloseThemes(); // takes the application's switch: on
    manager.OpenTheme(1, u"BUTTON");
    ASSERT_NE(manager.Theme(1), 0u);
    TRecordingForm a(nullptr), b(nullptr);
    QEvent themeChange(QEvent::ThemeChange);
    QCoreApplication::sendEvent(a.Widget(), &themeChange);
    QCoreApplication::sendEvent(b.Widget(), &themeChange);
    EXPECT_NE(manager.Theme(1), 0u); // handled after the round
    QCoreApplication::processEvents();
    EXPECT_EQ(manager.Theme(1), 0u);
    EXPECT_EQ(calls.closed.size(), 1u);
    EXPECT_EQ(a.received.size(), 2u); // one theme change, not two
}

TEST(KCLCenterForm, CentresOnTheMonitorSizeWithoutItsOffset)
{
    Screen->MonitorSource = [] { return std::vector<TRect>{{0, 0, 1024, 768}, {1024, 0, 2304, 1024}}; };
    TCustomForm *mainForm = Application->MainForm();
    const testsupport::ScopeExit restore([mainForm] {
        Application->SetMainForm(mainForm);
        Screen->MonitorSource = nullptr;
    });
    TForm form(nullptr);
    form.SetBounds(5, 5, 400, 300);
    Application->SetMainForm(nullptr);
    KCLCenterForm(&form); // no main form: the first monitor
    EXPECT_EQ(form.Left(), 312);
    EXPECT_EQ(form.Top(), 234);
    EXPECT_EQ(form.Width(), 400);
    EXPECT_EQ(form.Height(), 300);

    // The main form's monitor (no active form): the second, offset ignored.
    TForm mainOne(nullptr);
    mainOne.SetBounds(1100, 100, 200, 200);
    Application->SetMainForm(&mainOne);
    EXPECT_EQ(mainOne.Monitor().MonitorNum, 1);
    KCLCenterForm(&form);
    EXPECT_EQ(form.Left(), (1280 - 400) / 2);
    EXPECT_EQ(form.Top(), (1024 - 300) / 2);

    form.SetBounds(0, 0, 1283, 1027); // larger than the monitor: truncated toward zero
    KCLCenterForm(&form);
    EXPECT_EQ(form.Left(), -1);
    EXPECT_EQ(form.Top(), -1);
    KCLCenterForm(nullptr);
}

TEST(KCLCenterForm, WithAMainFormTheActiveFormsMonitorComesFirst)
{
    Screen->MonitorSource = [] { return std::vector<TRect>{{0, 0, 1024, 768}, {1024, 0, 2304, 1024}}; };
    TCustomForm *mainForm = Application->MainForm();
    const testsupport::ScopeExit restore([mainForm] {
        Application->SetMainForm(mainForm);
        Screen->MonitorSource = nullptr;
    });
    TForm mainOne(nullptr);
    mainOne.SetBounds(100, 100, 200, 200); // on the first monitor
    Application->SetMainForm(&mainOne);
    TForm active(nullptr);
    active.SetBounds(1300, 200, 200, 200); // on the second
    active.Show();
    active.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(active.Widget(), 2000));
    ASSERT_EQ(Screen->ActiveForm(), &active);
    ASSERT_EQ(active.Monitor().MonitorNum, 1);
    ASSERT_EQ(mainOne.Monitor().MonitorNum, 0);

    TForm form(nullptr);
    form.SetBounds(5, 5, 400, 300);
    KCLCenterForm(&form);
    EXPECT_EQ(form.Left(), (1280 - 400) / 2);
    EXPECT_EQ(form.Top(), (1024 - 300) / 2);

    // Without a main form the active form does not count: the first monitor.
    Application->SetMainForm(nullptr);
    KCLCenterForm(&form);
    EXPECT_EQ(form.Left(), (1024 - 400) / 2);
    EXPECT_EQ(form.Top(), (768 - 300) / 2);
}
