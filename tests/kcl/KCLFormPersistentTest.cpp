// Form persistence on real (offscreen) forms over a fake virtual desktop:
// size limits through WM_GETMINMAXINFO, the value resolution and its
// refusals, display changes, the placement text and its restore, the OnShow
// and OnDestroy chain, and the storage keys.
#include "kcl/KCLClass.h"
#include "kcl/KCLRTLConst.h"
#include "kcl/KCLFormPersistent.h"
#include "kcl/KCLStrUtils.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "platform/Streaming.h"
#include "platform/SystemFacts.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using platform::MINMAXINFO;
using platform::TForm;
using platform::TMessage;

namespace {

// A value store kept in memory.
class TMemStore : public platform::TComponent, public IKCLValueStore {
public:
    using platform::TComponent::TComponent;
    AnsiString ReadValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Default) override
    {
        ++reads;
        const auto it = values.find(Section + "/" + Ident);
        return it == values.end() ? Default : it->second;
    }
    void WriteValue(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value) override
    {
        values[Section + "/" + Ident] = Value;
    }
    void DeleteValue(const AnsiString &Section, const AnsiString &Ident) override
    {
        values.erase(Section + "/" + Ident);
        deleted.push_back(Section + "/" + Ident);
    }
    std::map<AnsiString, AnsiString> values;
    std::vector<AnsiString> deleted;
    int reads = 0;
};

class TTestMainForm : public TForm {
    RBK_CLASS(TTestMainForm, TForm)
public:
    using TForm::TForm;
    void destroyNow() { DoDestroy(); }
};

class KCLFormPersistentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop(1920, 1080);
        // The forms' screen agrees with the desktop.
        platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1080}}; };
        sys.Fake.PixelsPerInch = 96;
        form = new TTestMainForm(nullptr);
        form->SetBounds(100, 50, 800, 600);
        form->OnShow = platform::TNotifyEvent::FromFunction([this](platform::TObject *) {
            log.push_back("show " + std::to_string(form->Width()) + "x" + std::to_string(form->Height()));
        });
        form->OnDestroy = platform::TNotifyEvent::FromFunction([this](platform::TObject *) { log.push_back("destroy"); });
        fp = new TKCLFormPersistent(form);
    }
    void TearDown() override
    {
        delete form;
        platform::Screen->MonitorSource = nullptr;
        platform::Screen->WorkAreaSource = nullptr;
    }

    void desktop(int w, int h, int x = 0, int y = 0)
    {
        sys.Fake.Metrics[76] = x;
        sys.Fake.Metrics[77] = y;
        sys.Fake.Metrics[78] = w;
        sys.Fake.Metrics[79] = h;
    }
    // The form-reading steps: chain the events, then Loaded hooks.
    void load()
    {
        fp->ChainFormEvents();
        platform::TComponent::CallLoaded(fp);
    }
    MINMAXINFO askLimits()
    {
        MINMAXINFO m;
        m.ptMaxSize = {1000, 700};
        m.ptMaxPosition = {0, 0};
        m.ptMinTrackSize = {0, 0};
        m.ptMaxTrackSize = {5000, 4000};
        form->Perform(platform::WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&m));
        return m;
    }

    platform::TFakeSystemScope sys;
    TTestMainForm *form = nullptr;
    TKCLFormPersistent *fp = nullptr;
    std::vector<std::string> log;
};

TEST_F(KCLFormPersistentTest, DefaultsFollowTheOwner)
{
    EXPECT_EQ(fp->IniKey(), "TestMainForm");
    EXPECT_EQ(fp->Section(), "Common");
    EXPECT_EQ(fp->IniUse(), ioNone);
    EXPECT_TRUE(fp->IniSaveOptions() == (TKCLFormIniSaveOptions{soPos, soSize, soState}));
    EXPECT_TRUE(fp->Options() == TKCLFormOptions{foAutoShow});
    EXPECT_EQ(fp->DesignPPI(), 96);
    EXPECT_TRUE(fp->HookByWindowProc());
    platform::TComponent plain(nullptr);
    TKCLFormPersistent other(&plain);
    EXPECT_EQ(other.IniKey(), "Form");
}

TEST_F(KCLFormPersistentTest, MainWindowSettingsKeepTheMinimumSize)
{
    fp->SetIniKey("TaxonarMainForm");
    fp->SetTrackMinHeight(984);
    fp->SetTrackMinWidth(1260);
    load();
    ASSERT_TRUE(fp->IsHooked());

    const MINMAXINFO m = askLimits();
    EXPECT_EQ(m.ptMinTrackSize.X, 1260);
    EXPECT_EQ(m.ptMinTrackSize.Y, 984);
    EXPECT_EQ(m.ptMaxTrackSize.X, 5000); // the system's maximum stays
    EXPECT_EQ(m.ptMaxTrackSize.Y, 4000);
    EXPECT_EQ(m.ptMaxSize.X, 1000);

    form->Show();
    QCoreApplication::processEvents();
    // Grown before the form's own OnShow ran.
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "show 1260x984");
    EXPECT_EQ(form->Widget()->minimumWidth(), 1260);
    EXPECT_EQ(form->Widget()->minimumHeight(), 984);
    EXPECT_EQ(form->Widget()->maximumWidth(), QWIDGETSIZE_MAX);

    // The window cannot be made smaller.
    form->SetBounds(0, 0, 600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Width(), 1260);
    EXPECT_EQ(form->Height(), 984);
}

TEST_F(KCLFormPersistentTest, SmallerStoredPlacementIsGrownBeforeOnShow)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    fp->SetTrackMinWidth(1260);
    fp->SetTrackMinHeight(984);
    store.values["Common/TestMainForm"] = "200,0,1,10,20,410,320";
    load();
    form->Show();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "show 1260x984");
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Top(), 20);
}

TEST_F(KCLFormPersistentTest, NegativeValuesAreFractionsOfTheDesktop)
{
    fp->SetTrackMinWidth(-2);
    EXPECT_EQ(fp->TrackMinWidth(), -2);
    EXPECT_EQ(fp->ResolvedValue(3), 960);
    fp->SetTrackMinWidth(-101);
    EXPECT_EQ(fp->TrackMinWidth(), -2);
    fp->SetTrackMinWidth(-100);
    EXPECT_EQ(fp->ResolvedValue(3), 19);
    fp->SetTrackMinHeight(-3);
    EXPECT_EQ(fp->ResolvedValue(2), 360);
    fp->SetMaximizedPosY(-2);
    EXPECT_EQ(fp->ResolvedValue(7), 540);
    fp->SetMaximizedPosX(-1);
    EXPECT_EQ(fp->ResolvedValue(6), 1920);
    fp->SetTrackValue(8, 5); // no such index
    EXPECT_EQ(fp->GetTrackValue(8), 0);
}

TEST_F(KCLFormPersistentTest, CrossingLimitsAreRefused)
{
    fp->SetTrackMinWidth(800);
    fp->SetTrackMaxWidth(700);
    EXPECT_EQ(fp->TrackMaxWidth(), 0);
    fp->SetTrackMaxWidth(-2); // 960 is above the minimum
    EXPECT_EQ(fp->ResolvedValue(1), 960);
    fp->SetTrackMaxWidth(0);
    EXPECT_EQ(fp->TrackMaxWidth(), 0);
    EXPECT_EQ(fp->ResolvedValue(1), 0);

    fp->SetTrackMaxHeight(500);
    fp->SetTrackMinHeight(600);
    EXPECT_EQ(fp->TrackMinHeight(), 0);
    fp->SetTrackMinHeight(500);
    EXPECT_EQ(fp->TrackMinHeight(), 500);
    fp->SetTrackMaxHeight(400);
    EXPECT_EQ(fp->TrackMaxHeight(), 500);

    // Maximized values are taken without checks.
    fp->SetMaximizedWidth(10);
    fp->SetMaximizedHeight(5000);
    EXPECT_EQ(fp->ResolvedValue(5), 10);
    EXPECT_EQ(fp->ResolvedValue(4), 5000);
}

TEST_F(KCLFormPersistentTest, DisplayChangeClampsTheLimits)
{
    fp->SetTrackMaxWidth(1800);
    fp->SetTrackMinWidth(1500);
    fp->SetTrackMaxHeight(-1); // the whole desktop height
    fp->SetTrackMinHeight(900);
    std::vector<int> seen;
    fp->OnDisplayChange = TKCLSizingChangeEvent::FromFunction(
        [&](platform::TObject *s, int x, int y, int flag) { seen = {x, y, flag, s == fp ? 1 : 0}; });
    load();

    desktop(1280, 768);
    form->Perform(platform::WM_DISPLAYCHANGE, 24, platform::MakeLParam(1280, 768));
    EXPECT_EQ(fp->ResolvedValue(1), 1280);
    EXPECT_EQ(fp->ResolvedValue(3), 1280);
    EXPECT_EQ(fp->ResolvedValue(0), 768);
    EXPECT_EQ(fp->ResolvedValue(2), 768);
    EXPECT_EQ(seen, (std::vector<int>{1280, 768, 24, 1}));
    // The published values stay as given.
    EXPECT_EQ(fp->TrackMaxWidth(), 1800);
    const MINMAXINFO m = askLimits();
    EXPECT_EQ(m.ptMaxTrackSize.X, 1280);
    EXPECT_EQ(m.ptMinTrackSize.Y, 768);
}

TEST_F(KCLFormPersistentTest, EventsReplaceTheLimitsAndReportMessages)
{
    fp->SetTrackMinWidth(900);
    fp->SetMaximizedWidth(1500);
    std::vector<int> proposed;
    fp->OnTrackInfo = TKCLTrackInfoEvent::FromFunction([&](platform::TObject *, int &minW, int &, int &maxW, int &) {
        proposed = {minW, maxW};
        minW = 111;
        maxW = 2222;
    });
    fp->OnMaximizeInfo = TKCLMaxInfoEvent::FromFunction([&](platform::TObject *, int &x, int &, int &w, int &) {
        proposed.push_back(w);
        x = 7;
    });
    std::vector<std::string> events;
    fp->OnSize = TKCLSizingChangeEvent::FromFunction([&](platform::TObject *, int w, int h, int flag) {
        events.push_back("size " + std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(flag));
    });
    fp->OnMove = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { events.push_back("move"); });
    fp->OnFontChange = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { events.push_back("font"); });
    fp->OnSysColorChange = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { events.push_back("colour"); });
    fp->OnMoving = TKCLMovingEvent::FromFunction([&](platform::TObject *, int x, int, bool &cancel) { cancel = x > 100; });
    load();

    const MINMAXINFO m = askLimits();
    EXPECT_EQ(proposed, (std::vector<int>{0, 5000, 1000})); // the system's proposals
    EXPECT_EQ(m.ptMinTrackSize.X, 111);
    EXPECT_EQ(m.ptMaxTrackSize.X, 2222);
    EXPECT_EQ(m.ptMaxPosition.X, 7);
    EXPECT_EQ(m.ptMaxSize.X, 1000); // the event left it

    form->Perform(platform::WM_SIZE, 2, platform::MakeLParam(640, 480));
    form->Perform(platform::WM_MOVE, 0, 0);
    form->Perform(platform::WM_FONTCHANGE);
    form->Perform(platform::WM_SYSCOLORCHANGE);
    EXPECT_EQ(events, (std::vector<std::string>{"size 640 480 2", "move", "font", "colour"}));

    KCLWINDOWPOS pos;
    pos.x = 50;
    form->Perform(platform::WM_WINDOWPOSCHANGING, 0, reinterpret_cast<intptr_t>(&pos));
    EXPECT_EQ(pos.flags, 0u);
    pos.x = 150;
    form->Perform(platform::WM_WINDOWPOSCHANGING, 0, reinterpret_cast<intptr_t>(&pos));
    EXPECT_EQ(pos.flags, KCL_SWP_NOMOVE);
}

TEST_F(KCLFormPersistentTest, MalformedPlacementRestoresNothing)
{
    int noData = 0;
    fp->OnNoRestoreData = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { ++noData; });
    for (const char *text : {"200,0,1,10,20,410", "100,0,1,10,20,410,320", "", "200,0,1,10,20,410,320,5"}) {
        form->SetBounds(100, 50, 800, 600);
        fp->SetPlacementText(text);
        EXPECT_EQ(form->BoundsRect(), platform::Bounds(100, 50, 800, 600)) << text;
    }
    EXPECT_EQ(noData, 4);
    // A non-numeric part of a well-formed value is a conversion error.
    EXPECT_THROW(fp->SetPlacementText("200,0,x,10,20,410,320"), platform::EConvertError);
    // Without position, size and state nothing happens at all.
    fp->SetIniSaveOptions({soColor});
    fp->SetPlacementText("bad");
    EXPECT_EQ(noData, 4);
}

TEST_F(KCLFormPersistentTest, PlacementBeyondScreenCoordinatesIsBadData)
{
    int noData = 0;
    fp->OnNoRestoreData = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { ++noData; });
    // Bad for every choice of position and size: a corner beyond 16 bits.
    const char *const corners[] = {"200,0,1,-2147483648,0,2147483647,100", "200,0,1,0,-2147483648,100,2147483647",
                                   "200,0,1,2147483647,0,-2147483648,100", "200,0,1,40000,0,40400,300"};
    // Bad wherever the stored size counts: 65535 pixels wide.
    const char *const wide = "200,0,1,-32768,0,32767,300";
    int expected = 0;
    for (const TKCLFormIniSaveOptions options : {TKCLFormIniSaveOptions{soPos, soSize}, TKCLFormIniSaveOptions{soSize},
                                                 TKCLFormIniSaveOptions{soPos}}) {
        fp->SetIniSaveOptions(options);
        for (const char *text : corners) {
            form->SetBounds(100, 50, 800, 600);
            fp->SetPlacementText(text);
            EXPECT_EQ(form->BoundsRect(), platform::Bounds(100, 50, 800, 600)) << text;
            EXPECT_EQ(noData, ++expected) << text;
        }
        form->SetBounds(100, 50, 800, 600);
        fp->SetPlacementText(wide);
        if (options.Contains(soSize)) {
            EXPECT_EQ(form->BoundsRect(), platform::Bounds(100, 50, 800, 600));
            ++expected;
        } else {
            EXPECT_EQ(form->BoundsRect(), platform::Bounds(0, 0, 800, 600));
        }
        EXPECT_EQ(noData, expected);
    }
    // The far corners of the coordinate range still restore.
    fp->SetIniSaveOptions({soPos, soSize});
    desktop(65536, 65536, -32768, -32768);
    fp->SetPlacementText("200,0,1,-32768,-32768,-32268,-32368");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(-32768, -32768, 500, 400));
    EXPECT_EQ(noData, expected);
}

TEST_F(KCLFormPersistentTest, InsideOutPlacementIsBadData)
{
    // Right before left or bottom above top would slip past the desktop
    // check and put the window off the screen.
    int noData = 0;
    fp->OnNoRestoreData = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { ++noData; });
    for (const TKCLFormIniSaveOptions options : {TKCLFormIniSaveOptions{soPos, soSize}, TKCLFormIniSaveOptions{soSize}}) {
        fp->SetIniSaveOptions(options);
        for (const char *text : {"200,0,1,100,2010,0,620", "200,0,1,1200,0,810,620", "200,0,1,10,20,9,400"}) {
            form->SetBounds(100, 50, 800, 600);
            fp->SetPlacementText(text);
            EXPECT_EQ(form->BoundsRect(), platform::Bounds(100, 50, 800, 600)) << text;
        }
    }
    EXPECT_EQ(noData, 6);
    // An empty rectangle is still a rectangle.
    fp->SetPlacementText("200,0,1,10,20,10,20");
    EXPECT_EQ(noData, 6);
}

TEST_F(KCLFormPersistentTest, AutoCenterCentresWhenNothingIsStored)
{
    fp->SetOptions({foAutoShow, foAutoCenter});
    form->SetPosition(platform::poScreenCenter);
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1024, 768}}; };
    fp->SetPlacementText("");
    EXPECT_EQ(form->Position(), platform::poDesigned);
    EXPECT_EQ(form->Left(), (1024 - 800) / 2);
    EXPECT_EQ(form->Top(), (768 - 600) / 2);
}

TEST_F(KCLFormPersistentTest, SizeOnlyKeepsThePositionAndPositionOnlyTheSize)
{
    fp->SetIniSaveOptions({soSize});
    fp->SetPlacementText("200,0,1,300,200,700,500");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(100, 50, 400, 300));

    form->SetBounds(100, 50, 800, 600);
    fp->SetIniSaveOptions({soPos});
    fp->SetPlacementText("200,0,1,300,200,700,500");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(300, 200, 800, 600));

    fp->SetIniSaveOptions({soPos, soSize});
    fp->SetPlacementText("200,0,1,30,20,530,420");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(30, 20, 500, 400));
}

TEST_F(KCLFormPersistentTest, RestoredRectangleStaysOnTheDesktop)
{
    fp->SetPlacementText("200,0,1,1700,900,2100,1200");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(1520, 780, 400, 300));
    fp->SetPlacementText("200,0,1,-50,-30,350,270");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(0, 0, 400, 300));
    // With a monitor left of the primary the desktop ends at x 1920, not 3840.
    desktop(3840, 1080, -1920, 0);
    fp->SetPlacementText("200,0,1,1700,900,2100,1200");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(1520, 780, 400, 300));
    desktop(1920, 1080, -200, -100);
    fp->SetPlacementText("200,0,1,-500,-300,-100,0");
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(-200, -100, 400, 300));
}

TEST_F(KCLFormPersistentTest, SaveAndRestoreRoundTrip)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    fp->SetSection("Windows");
    fp->SetIniSaveOptions({soPos, soSize, soState, soColor, soFont});
    form->SetBounds(120, 80, 640, 480);
    form->SetColor(platform::clRed);
    form->Font().SetName("Arial");
    form->Font().SetSize(12);
    fp->Save();
    EXPECT_EQ(store.values["Windows/TestMainForm"], "200,0,1,120,80,760,560");
    EXPECT_EQ(store.values["Windows/TestMainFormColor"], "clRed");
    EXPECT_EQ(store.values["Windows/TestMainFormFont"], KCLFontToString(form->Font()));

    form->SetBounds(0, 0, 300, 200);
    form->SetColor(platform::clBtnFace);
    form->Font().SetName("Courier");
    fp->Restore();
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(120, 80, 640, 480));
    EXPECT_EQ(form->Color(), platform::clRed);
    EXPECT_EQ(form->Font().Name(), "Arial");

    // Without colour and font their keys are removed.
    fp->SetIniSaveOptions({soPos});
    fp->Save();
    EXPECT_EQ(store.values.count("Windows/TestMainFormColor"), 0u);
    EXPECT_EQ(store.values.count("Windows/TestMainFormFont"), 0u);

    // ioNone and a missing link store nothing.
    store.values.clear();
    fp->SetIniUse(ioNone);
    fp->Save();
    fp->SetIniUse(ioUseGlobal);
    fp->Save(); // no global store
    EXPECT_TRUE(store.values.empty());
    KCLSetGlobalValueStore(&store);
    fp->Save();
    KCLSetGlobalValueStore(nullptr);
    EXPECT_EQ(store.values.size(), 1u);
}

TEST_F(KCLFormPersistentTest, ShowRestoresAndDestroySavesInChainOrder)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    form->SetPosition(platform::poScreenCenter);
    load();
    EXPECT_EQ(form->Position(), platform::poDesigned); // storage of position needs the designed position
    form->Show();
    EXPECT_EQ(store.reads, 1);
    form->Hide();
    form->Show();
    EXPECT_EQ(store.reads, 2); // every show restores
    form->Hide();
    fp->SetOptions({foAutoShow, foRestoreOnce});
    form->Show();
    EXPECT_EQ(store.reads, 2);
    EXPECT_EQ(log.size(), 3u);

    form->destroyNow();
    EXPECT_EQ(store.values.count("Common/TestMainForm"), 1u);
    EXPECT_EQ(log.back(), "destroy");
}

TEST_F(KCLFormPersistentTest, DestroyingTheFormSavesItsPlacementOnce)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    int destroys = 0;
    form->OnDestroy = platform::TNotifyEvent::FromFunction([&](platform::TObject *) {
        ++destroys;
        // The placement is written before the form's own handler runs.
        EXPECT_EQ(store.values.count("Common/TestMainForm"), 1u);
    });
    load();
    form->Show();
    delete form; // no DoDestroy of its own: the form class runs OnDestroy
    form = nullptr;
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(store.values.count("Common/TestMainForm"), 1u);

    // A form destroyed with its owner saves too.
    store.values.clear();
    {
        platform::TComponent owner(nullptr);
        auto *owned = new TTestMainForm(&owner);
        auto *persistent = new TKCLFormPersistent(owned);
        persistent->SetIniUse(ioUseLink);
        persistent->SetIniLink(&store);
        persistent->ChainFormEvents();
        owned->SetBounds(10, 20, 300, 200);
    }
    EXPECT_EQ(store.values["Common/TestMainForm"].substr(0, 4), "200,");

    // A form class that runs DoDestroy itself is not told a second time.
    auto *other = new TTestMainForm(nullptr);
    int count = 0;
    other->OnDestroy = platform::TNotifyEvent::FromFunction([&](platform::TObject *) { ++count; });
    other->destroyNow();
    delete other;
    EXPECT_EQ(count, 1);
}

TEST_F(KCLFormPersistentTest, DisabledComponentLeavesTheFormAlone)
{
    fp->SetTrackMinWidth(1260);
    fp->SetTrackMinHeight(984);
    fp->SetEnabled(false);
    load();
    EXPECT_FALSE(fp->IsHooked());
    form->Show();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "show 800x600");
    EXPECT_EQ(form->Widget()->minimumWidth(), 0);
    form->destroyNow();
    EXPECT_EQ(log.back(), "destroy");
}

TEST_F(KCLFormPersistentTest, DisablingAfterChainingPassesStraightThrough)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    fp->SetTrackMinWidth(1260);
    load();
    fp->SetEnabled(false);
    EXPECT_EQ(askLimits().ptMinTrackSize.X, 0);
    form->Show();
    EXPECT_EQ(log[0], "show 800x600");
    EXPECT_EQ(store.reads, 0);
    form->destroyNow();
    EXPECT_TRUE(store.values.empty());
    EXPECT_EQ(log.back(), "destroy");
}

TEST_F(KCLFormPersistentTest, FreedComponentGivesTheFormItsHandlersBack)
{
    load();
    fp->Free();
    fp = nullptr;
    form->Show();
    ASSERT_EQ(log.size(), 1u);
    form->destroyNow();
    EXPECT_EQ(log.back(), "destroy");
}

TEST_F(KCLFormPersistentTest, ScalingToTheScreenRunsOnce)
{
    sys.Fake.PixelsPerInch = 120;
    fp->SetOptions({foAutoShow, foTryAdaptRes});
    auto *panel = new platform::TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 100);
    auto *inner = new platform::TButton(form);
    inner->SetParent(panel);
    inner->SetBounds(5, 15, 50, 25);
    load();
    form->Show();
    EXPECT_EQ(fp->FormPixelsPerInch(), 120);
    EXPECT_EQ(panel->BoundsRect(), platform::Bounds(8, 8, 160, 80));
    EXPECT_EQ(inner->BoundsRect(), platform::Bounds(4, 12, 40, 20));
    form->Hide();
    form->Show();
    EXPECT_EQ(panel->BoundsRect(), platform::Bounds(8, 8, 160, 80));
}

TEST_F(KCLFormPersistentTest, LinkFollowsInsertionAndRemoval)
{
    fp->SetIniUse(ioUseLink);
    auto *store = platform::NewComponent<TMemStore>(form);
    EXPECT_EQ(fp->IniLink(), store);
    auto *second = platform::NewComponent<TMemStore>(form);
    EXPECT_EQ(fp->IniLink(), store);
    store->Free();
    EXPECT_EQ(fp->IniLink(), nullptr);

    // A component that is no store is not taken as the link.
    platform::TComponent plain(nullptr);
    fp->SetIniLink(&plain);
    EXPECT_EQ(fp->IniLink(), nullptr);
    second->Free();

    // Dropped onto a form that holds exactly one store.
    auto *other = new TForm(nullptr);
    auto *only = platform::NewComponent<TMemStore>(other);
    auto *p = new TKCLFormPersistent(nullptr);
    p->SetIniUse(ioUseLink);
    other->InsertComponent(p);
    EXPECT_EQ(p->IniLink(), only);
    delete other;
}

TEST_F(KCLFormPersistentTest, PublishedPropertiesRoundTrip)
{
    auto stored = [&](const char *name) {
        const platform::TPropInfo *info = platform::GetPropInfo(*fp, name);
        return info != nullptr && info->IsStored(*fp);
    };
    EXPECT_FALSE(stored("Section"));
    EXPECT_TRUE(stored("IniKey")); // "TestMainForm"
    fp->SetIniKey("Form");
    EXPECT_FALSE(stored("IniKey"));
    fp->SetSection("");
    EXPECT_FALSE(stored("Section"));
    fp->SetSection("Main");
    EXPECT_TRUE(stored("Section"));

    fp->SetIniKey("TaxonarMainForm");
    fp->SetTrackMinHeight(984);
    fp->SetTrackMinWidth(1260);
    fp->SetTrackMaxWidth(-1);
    fp->SetIniUse(ioUseGlobal);
    fp->SetOptions({foAutoCenter, foRestoreOnce});
    fp->SetIniSaveOptions({soColor, soState});
    platform::TMemoryStream stream;
    platform::WritePersistent(stream, fp);
    stream.SetPosition(0);
    platform::TComponent plain(nullptr);
    TKCLFormPersistent copy(&plain);
    platform::ReadPersistent(stream, &copy);
    EXPECT_EQ(copy.IniKey(), "TaxonarMainForm");
    EXPECT_EQ(copy.Section(), "Main");
    EXPECT_EQ(copy.TrackMinHeight(), 984);
    EXPECT_EQ(copy.TrackMinWidth(), 1260);
    EXPECT_EQ(copy.TrackMaxWidth(), -1);
    EXPECT_EQ(copy.ResolvedValue(1), 1920);
    EXPECT_EQ(copy.IniUse(), ioUseGlobal);
    EXPECT_TRUE(copy.Options() == (TKCLFormOptions{foAutoCenter, foRestoreOnce}));
    EXPECT_TRUE(copy.IniSaveOptions() == (TKCLFormIniSaveOptions{soColor, soState}));
}

TEST_F(KCLFormPersistentTest, SecondInstanceOnADesignedFormIsRefused)
{
    form->SetDesigning(true);
    try {
        TKCLFormPersistent second(form);
        FAIL() << "no error";
    } catch (const EKCLOneInstError &e) {
        EXPECT_EQ(std::string(e.what()), std::string("TKCLFormPersistent:\r") + SKCLOneInstError);
    }
    form->SetDesigning(false);

    // Designed onto something that is no form.
    platform::TComponent plain(nullptr);
    plain.SetDesigning(true);
    EXPECT_THROW(TKCLFormPersistent other(&plain), EKCLOneInstError);
    EXPECT_EQ(plain.ComponentCount(), 0);
}

} // namespace

// The main window's minimum and its placement saved on a large screen, shown
// on a 1366 x 768 screen: its frame is on the work area, as tall as it, with
// the minimum that the work area allows; on the large screen nothing changes.
TEST_F(KCLFormPersistentTest, SmallScreenKeepsTheMainWindowOnItsWorkArea)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    fp->SetTrackMinHeight(984);
    fp->SetTrackMinWidth(1260);
    store.values["Common/TestMainForm"] = "200,0,1,330,100,1590,1084";
    load();

    desktop(1920, 1200);
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1200}}; };
    form->Show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(330, 100, 1260, 984));
    form->Hide();

    desktop(1366, 768);
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1366, 768}}; };
    platform::Screen->WorkAreaSource = [] { return std::vector<platform::TRect>{{0, 0, 1366, 738}}; };
    form->Show();
    QCoreApplication::processEvents();
    const QRect frame = form->Widget()->frameGeometry();
    EXPECT_GE(frame.left(), 0);
    EXPECT_EQ(frame.top(), 0);
    EXPECT_EQ(frame.bottom(), 737);
    EXPECT_EQ(form->Width(), 1260);
    EXPECT_LE(form->Widget()->minimumHeight(), 738);
    // What is saved is the placement the user sees.
    form->destroyNow();
    EXPECT_EQ(store.values["Common/TestMainForm"],
              "200,0,1," + std::to_string(form->Left()) + ",0," + std::to_string(form->Left() + 1260) + "," +
                  std::to_string(form->Height()));
}

// Saved at x 2500 on a right-hand monitor that is gone; a left-hand one is
// there now: the window comes back wholly on the primary's work area.
TEST_F(KCLFormPersistentTest, WindowOfARemovedMonitorComesBackWhole)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    store.values["Common/TestMainForm"] = "200,0,1,2500,100,3300,700";
    load();
    desktop(3840, 1080, -1920, 0);
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1080}, {-1920, 0, 0, 1080}}; };
    platform::Screen->WorkAreaSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1050}}; };
    form->Show();
    QCoreApplication::processEvents();
    const QRect frame = form->Widget()->frameGeometry();
    EXPECT_TRUE(QRect(0, 0, 1920, 1050).contains(frame)) << frame.x() << "," << frame.y();
    EXPECT_EQ(form->Width(), 800);
    EXPECT_EQ(form->Height(), 600);
}

// A window across two monitors lies on the desktop: it keeps its placement
// and saves it back unchanged.
TEST_F(KCLFormPersistentTest, WindowAcrossTwoMonitorsKeepsItsPlacement)
{
    TMemStore store(nullptr);
    fp->SetIniUse(ioUseLink);
    fp->SetIniLink(&store);
    store.values["Common/TestMainForm"] = "200,0,1,200,100,3400,900";
    load();
    desktop(3840, 1080);
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}}; };
    form->Show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->BoundsRect(), platform::Bounds(200, 100, 3200, 800));
    form->destroyNow();
    EXPECT_EQ(store.values["Common/TestMainForm"], "200,0,1,200,100,3400,900");
}
