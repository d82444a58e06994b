// The main window: creation and first showing, the catalogue tree, the view
// modes with the sliding left panel, the command states, the modal pattern,
// the shell commands and the errors that reach the application object.
#include "MainFormFixture.h"

#include "browser/TaxonarStartCode.h"
#include "platform/Cp1250.h"

#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace mainformtest {
namespace {

using platform::alClient;
using platform::alNone;

const std::set<std::string> kHelpCommands = {"TaxonarHelpSubMenu", "TaxonarHelpInfoMenuItem",
                                             "TaxonarHelpHistoryMenuItem", "TaxonarHelpHelpMenuItem",
                                             "TaxonarHelpMailMenuItem", "TaxonarHelpWwwMenuItem",
                                             "TaxonarHelpAboutMenuItem"};

std::set<std::string> with(std::set<std::string> base, std::initializer_list<const char *> more)
{
    for (const char *m : more)
        base.insert(m);
    return base;
}

// ---------------------------------------------------------------- creation

TEST_F(MainFormTest, CreationSetsFoldersListsAndEmptiesTheTemporaryFolder)
{
    const std::string temp = user.path() + "velmora/rbkn/temp/";
    ASSERT_TRUE(platform::ForceDirectories(temp + "keep"));
    testsupport::writeFile(temp + "old.rtf", "x");
    testsupport::writeFile(temp + "old.xls", "y");

    create();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(AppDir, prog.path());
    EXPECT_EQ(UserDataDir, user.path() + "velmora/rbkn/");
    EXPECT_FALSE(platform::FileExists(temp + "old.rtf"));
    EXPECT_FALSE(platform::FileExists(temp + "old.xls"));
    EXPECT_TRUE(platform::DirectoryExists(temp + "keep")); // a subfolder stays
    EXPECT_TRUE(platform::FileExists(user.path() + "velmora/rbkn/config.xml"));
    EXPECT_TRUE(UiReady);
    EXPECT_FALSE(FormReady);
    for (TStringList *list : {ItemRecords, LinkRecords, HistoryList, SearchWords, FoundList})
        ASSERT_TRUE(list != nullptr && list->Count() == 0);
    ASSERT_NE(DictionaryWords, nullptr);
    ASSERT_EQ(DictionaryWords->Count(), 3);
    EXPECT_EQ(DictionaryWords->Strings(1), A("leśnictwo"));
    EXPECT_EQ(HistoryIndex, -1);
    EXPECT_EQ(CurrentItem, -1);
    EXPECT_EQ(CurrentEntry, "");
    EXPECT_FALSE(CanFindNext);
    EXPECT_EQ(FindNextStart, 0);
    EXPECT_FALSE(form->TaxonarStartTimer->Enabled());
    EXPECT_EQ(form->TaxonarStartTimer->Interval(), 1000);
    // Menus in their designed state until the first UpdateMenus.
    EXPECT_EQ(enabledCommands().size(), form->Commands().size());

    delete form;
    form = nullptr;
    EXPECT_EQ(ItemRecords, nullptr);
    EXPECT_EQ(HistoryList, nullptr);
    EXPECT_EQ(FoundList, nullptr);
    EXPECT_FALSE(FormReady);
}

TEST_F(MainFormTest, WindowLayoutFollowsTheDescription)
{
    start();
    EXPECT_EQ(form->Caption(), "Rubrikon");
    EXPECT_GE(form->Width(), 1260);
    EXPECT_GE(form->Height(), 984);
    EXPECT_GE(form->Widget()->minimumWidth(), 1260);
    EXPECT_GE(form->Widget()->minimumHeight(), 984);
    EXPECT_EQ(form->TaxonarMainToolBar->Height(), 60);
    EXPECT_EQ(form->TaxonarMainToolBar->ButtonWidth(), 51);
    EXPECT_EQ(form->TaxonarMainToolBar->ButtonHeight(), 50);
    EXPECT_EQ(form->TaxonarToolBar2ImageList->Width(), 44);
    EXPECT_EQ(form->TaxonarToolBar2ImageList->Count(), 13);
    EXPECT_EQ(form->TaxonarToolBar3ImageList->Count(), 13);

    // Tool-bar order, separators included.
    const std::vector<std::string> order = {
        "TaxonarNaviStartToolButton", "TaxonarNaviClassToolButton", "TaxonarNaviPrevToolButton",
        "TaxonarNaviNextToolButton", "TaxonarNaviFindToolButton", "TaxonarNaviExportToolButton", "-",
        "TaxonarHelpInfoToolButton", "TaxonarHelpUpdateToolButton", "TaxonarHelpHistoryToolButton",
        "TaxonarHelpHelpToolButton", "-", "TaxonarHelpMailToolButton", "TaxonarHelpWwwToolButton", "-",
        "TaxonarHelpAboutToolButton"};
    ASSERT_EQ(form->TaxonarMainToolBar->ButtonCount(), int(order.size()));
    int image = 0;
    for (int i = 0; i < int(order.size()); ++i) {
        platform::TToolButton *b = form->TaxonarMainToolBar->Buttons(i);
        if (order[size_t(i)] == "-") {
            EXPECT_TRUE(b->IsSeparator()) << i;
            EXPECT_EQ(b->Width(), 8);
        } else {
            EXPECT_EQ(b->Name(), order[size_t(i)]);
            EXPECT_EQ(b->ImageIndex(), image++);
        }
    }
    EXPECT_EQ(form->TaxonarNaviClassToolButton->Hint(),
              "Klasyfikacje|" + A("Otwiera okienko nawigacji po strukturze klasyfikacji"));
    EXPECT_EQ(platform::GetShortHint(form->TaxonarHelpWwwToolButton->Hint()), "www.velmora.pl");
    EXPECT_EQ(platform::GetLongHint(form->TaxonarNaviExportToolButton->Hint()),
              A("Wksportuje aktualnie otwarty temat do edytora tekstu lub arkusza kalkulacyjnego"));

    // Menu order and captions.
    platform::TMenuItem *root = form->TaxonarMainMenu->Items();
    ASSERT_EQ(root->Count(), 3);
    EXPECT_EQ(root->Items(0)->Caption(), "Program");
    EXPECT_EQ(root->Items(1)->Caption(), "Nawigacja");
    EXPECT_EQ(root->Items(2)->Caption(), "Pomoc");
    EXPECT_EQ(root->Items(0)->Items(0)->Caption(), A("Zakończ"));
    std::vector<std::string> navi, help;
    for (int i = 0; i < root->Items(1)->Count(); ++i)
        navi.push_back(root->Items(1)->Items(i)->Caption());
    for (int i = 0; i < root->Items(2)->Count(); ++i)
        help.push_back(root->Items(2)->Items(i)->Caption());
    EXPECT_EQ(navi, (std::vector<std::string>{A("Strona startowa"), "Klasyfikacje", "Poprzedni temat",
                                              A("Następny temat"), A("Znajdź"), "Eksport"}));
    EXPECT_EQ(help, (std::vector<std::string>{A("Wyjaśnienia do klasyfikacji"), A("Sprawdź aktualizację"),
                                              "Historia zmian", A("Instrukcja obsługi programu"), "-",
                                              "Poczta do Velmora", "Velmora w internecie", "-", "O programie"}));

    // Design heights of the left side until the first layout of the panels.
    EXPECT_EQ(form->TaxonarNaviPanel->Height(), 565);
    EXPECT_EQ(form->TaxonarFindSplitter->Top(), 565);
    EXPECT_EQ(form->TaxonarFindSplitter->Height(), 3);
    EXPECT_EQ(form->TaxonarFindPanel->Top(), 568);
    EXPECT_EQ(form->TaxonarFindPanel->Top() + form->TaxonarFindPanel->Height(), form->TaxonarLeftPanel->Height());
    EXPECT_EQ(form->TaxonarNaviNamePanel->Caption(), "Nawigacja");
    EXPECT_EQ(form->TaxonarFindNamePanel->Caption(), "Wynik przeszukania");
    EXPECT_EQ(form->TaxonarStartLabel->Caption(), "Rubrikon");
}

// ------------------------------------------------------ first showing, tree

TEST_F(MainFormTest, FirstShowingLoadsTheTreeAndShowsTheStartPage)
{
    create();
    form->Show();
    QApplication::processEvents();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(TaxonarStartForm, nullptr); // the splash window is gone
    EXPECT_EQ(ItemRecords->Count(), kRecordCount);
    // Hidden records have no node; the tree keeps the loading order.
    EXPECT_EQ(form->TaxonarNaviTreeView->Items().Count(), kRecordCount - 1);
    EXPECT_EQ(form->FindNodeByItem(kHidden), nullptr);
    platform::TTreeNode *root = form->FindNodeByItem(kRoot);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Parent(), nullptr);
    EXPECT_EQ(root->Count(), kRecordCount - 3); // all but the root, the hidden one and the grandchild
    EXPECT_EQ(form->FindNodeByItem(kChild)->Parent(), form->FindNodeByItem(kGroup));
    EXPECT_EQ(form->FindNodeByItem(kP)->Text(), "P");
    EXPECT_FALSE(root->Expanded()); // collapsed after loading
    EXPECT_EQ(form->FindParentNode("gr", "tt"), form->FindNodeByItem(kGroup));
    EXPECT_EQ(form->FindParentNode("H", "TT"), nullptr); // the record has no node
    EXPECT_EQ(form->FindNodeByItem(999), nullptr);

    EXPECT_EQ(ViewMode, 0);
    EXPECT_EQ(form->TaxonarLeftPanel->Width(), 0);
    EXPECT_EQ(form->TaxonarStartPanel->Align(), alClient);
    EXPECT_EQ(form->TaxonarTable3Panel->Align(), alNone);
    EXPECT_EQ(form->TaxonarSearchPanel->Height(), 0);
    EXPECT_TRUE(form->TaxonarStartTimer->Enabled());
    EXPECT_FALSE(FormReady);
    EXPECT_EQ(enabledCommands(), with(kHelpCommands, {"TaxonarProgramSubMenu", "TaxonarProgramExitMenuItem",
                                                       "TaxonarNaviSubMenu", "TaxonarNaviClassMenuItem"}));
}

TEST_F(MainFormTest, LoaderWritesEachTitleToTheSplashWindow)
{
    write("definition.global", A("t.definition;pierwszą;TT;A\r\nu.definition;drugą;UU;B\r\n"));
    write("u.definition", Record({"SIGNATURE=UU", "NAME=U", "PARENT=nil", "VIEW=SHOW", "LINK=U"}));
    create();
    std::vector<AnsiString> shown;
    TaxonarStartForm = new TTaxonarStartForm(Application);
    // The label is read whenever the loader lets messages through.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const AnsiString s = TaxonarStartForm->TaxonarStartStatus->Caption();
        if (shown.empty() || shown.back() != s)
            shown.push_back(s);
    });
    poll.start(0);
    form->LoadDefinitions();
    poll.stop();
    EXPECT_EQ(TaxonarStartForm->TaxonarStartStatus->Caption(), A("Proszę czekać wczytuję drugą ..."));
    EXPECT_NE(std::find(shown.begin(), shown.end(), A("Proszę czekać wczytuję pierwszą ...")), shown.end());
    delete TaxonarStartForm;
    TaxonarStartForm = nullptr;
    EXPECT_EQ(ItemRecords->Count(), kRecordCount + 1);
    EXPECT_EQ(form->FindNodeByItem(kRecordCount)->Parent(), nullptr);
}

TEST_F(MainFormTest, BlankLineInTheCatalogueListStopsTheLoad)
{
    expectHandlerExceptions();
    write("definition.global", A("t.definition;testową;TT;A\r\n\r\n"));
    create();
    form->Show();
    QApplication::processEvents();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(ItemRecords->Count(), kRecordCount);
}

TEST_F(MainFormTest, TreeAttachesChildrenBelowTheFirstRecordOfASignatureAndLink)
{
    write("t.definition",
          Record({"SIGNATURE=TT", "NAME=Pierwszy", "PARENT=nil", "VIEW=HIDE", "LINK=D"}) +
              Record({"NAME=Drugi", "PARENT=nil", "VIEW=SHOW", "LINK=D"}) +
              Record({"NAME=Dziecko D", "PARENT=D", "VIEW=SHOW", "LINK=DD"}) +
              Record({"NAME=Nil", "PARENT=Nil", "VIEW=show", "LINK=E"}) +
              Record({"NAME=Pod E", "PARENT=e", "VIEW=SHOW", "LINK=F"}));
    start();
    ASSERT_EQ(ItemRecords->Count(), 5);
    // The first D has no node: its children become top-level nodes.
    EXPECT_EQ(form->FindNodeByItem(2)->Parent(), nullptr);
    // "Nil" is looked up as a link; nothing has it, so the node is top-level.
    EXPECT_EQ(form->FindNodeByItem(3)->Parent(), nullptr);
    EXPECT_EQ(form->FindNodeByItem(4)->Parent(), form->FindNodeByItem(3));
}

TEST_F(MainFormTest, TreeClickThroughTheWidgetOpensTheItem)
{
    start();
    form->TaxonarNaviClassMenuItem->Click();
    form->FindNodeByItem(kRoot)->Expand(false);
    QApplication::processEvents();
    QTreeWidget *tree = form->TaxonarNaviTreeView->Tree();
    QTreeWidgetItem *item = tree->topLevelItem(0)->child(0); // P
    const QRect r = tree->visualItemRect(item);
    ASSERT_TRUE(r.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
    EXPECT_EQ(CurrentItem, kP);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(form->TaxonarRtf2TitlePanel->Caption(), "TT - P");
    EXPECT_NE(form->TaxonarRtf2RichEdit->PlainText().indexOf("Tekst P"), -1);
}

// ---------------------------------------------------- view modes and slide

TEST_F(MainFormTest, LeftPanelSlidesOpenAndClosedInThirtyOneSteps)
{
    start();
    std::vector<int> widths;
    form->TaxonarLeftPanel->OnResize = platform::TNotifyEvent::FromFunction(
        [&](platform::TObject *) { widths.push_back(form->TaxonarLeftPanel->Width()); });
    // The widths after the first step of a slide (the first is no change
    // when opening, and 300 itself when closing from 300).
    auto after = [](int from, int to) {
        std::vector<int> v;
        for (int w = from + (from < to ? 10 : -10);; w += from < to ? 10 : -10) {
            v.push_back(w);
            if (w == to)
                break;
        }
        return v;
    };

    form->TaxonarNaviClassMenuItem->Click();
    // 0, 10, ..., 300: the first step is no change, the other 30 resize.
    EXPECT_EQ(widths, after(0, 300));
    EXPECT_EQ(widths.size(), 30u);
    EXPECT_EQ(ViewMode, 1);
    EXPECT_EQ(form->TaxonarStartPanel->Align(), alClient);

    widths.clear();
    clickTree(kP); // navigation -> RTF: no slide
    clickTree(kT); // RTF -> table: no slide
    EXPECT_TRUE(widths.empty());
    EXPECT_EQ(form->TaxonarSearchPanel->Height(), 41);

    // The slide closed always starts at 300, whatever the width was.
    form->TaxonarLeftPanel->SetWidth(120);
    widths.clear();
    form->TaxonarNaviStartMenuItem->Click();
    EXPECT_EQ(widths.front(), 300);
    EXPECT_EQ(std::vector<int>(widths.begin() + 1, widths.end()), after(300, 0));
    EXPECT_EQ(form->TaxonarLeftPanel->Width(), 0);
    EXPECT_EQ(form->TaxonarSearchPanel->Height(), 0);

    // The start page with the panel already closed does not slide.
    widths.clear();
    form->TaxonarNaviStartMenuItem->Click();
    EXPECT_TRUE(widths.empty());
}

TEST_F(MainFormTest, EachViewModeGivesTheClientAreaToItsPanel)
{
    start();
    auto check = [&](int mode, platform::TPanel *client, int search, int left) {
        ViewMode = mode;
        form->ApplyViewMode();
        EXPECT_EQ(form->GetViewMode(), mode);
        for (platform::TPanel *p : {form->TaxonarStartPanel, form->TaxonarRtf2Panel, form->TaxonarTable3Panel}) {
            if (p == client) {
                EXPECT_EQ(p->Align(), alClient) << mode;
                EXPECT_GT(p->Width(), 0) << mode;
            } else {
                EXPECT_EQ(p->Align(), alNone) << mode;
                EXPECT_EQ(p->Width(), 0) << mode;
            }
        }
        EXPECT_EQ(form->TaxonarSearchPanel->Height(), search) << mode;
        EXPECT_EQ(form->TaxonarLeftPanel->Width(), left) << mode;
    };
    check(2, form->TaxonarRtf2Panel, 41, 300);
    check(3, form->TaxonarTable3Panel, 41, 300);
    check(1, form->TaxonarStartPanel, 0, 300);
    check(0, form->TaxonarStartPanel, 0, 0);
    check(3, form->TaxonarTable3Panel, 41, 300);
    // Any other value changes nothing.
    ViewMode = 7;
    form->ApplyViewMode();
    EXPECT_EQ(form->TaxonarTable3Panel->Align(), alClient);
}

// ------------------------------------------------------------ menu states

TEST_F(MainFormTest, CommandStatesFollowTheViewModeAndTheHistory)
{
    start();
    EXPECT_TRUE(FormReady);
    const auto base = with(kHelpCommands, {"TaxonarProgramSubMenu", "TaxonarProgramExitMenuItem",
                                           "TaxonarNaviSubMenu"});
    EXPECT_EQ(enabledCommands(), with(base, {"TaxonarNaviClassMenuItem"}));

    form->TaxonarNaviClassMenuItem->Click();
    EXPECT_EQ(enabledCommands(), with(base, {"TaxonarNaviStartMenuItem", "TaxonarNaviFindMenuItem"}));

    clickTree(kP);
    EXPECT_EQ(enabledCommands(),
              with(base, {"TaxonarNaviStartMenuItem", "TaxonarNaviFindMenuItem", "TaxonarNaviExportMenuItem"}));

    clickTree(kT);
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(enabledCommands(), with(base, {"TaxonarNaviStartMenuItem", "TaxonarNaviFindMenuItem",
                                             "TaxonarNaviExportMenuItem", "TaxonarNaviPrevMenuItem"}));

    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(enabledCommands(), with(base, {"TaxonarNaviStartMenuItem", "TaxonarNaviFindMenuItem",
                                             "TaxonarNaviExportMenuItem", "TaxonarNaviNextMenuItem"}));

    // The start page empties the history: previous and next go off at once.
    form->TaxonarNaviStartMenuItem->Click();
    EXPECT_EQ(enabledCommands(), with(base, {"TaxonarNaviClassMenuItem"}));
}

TEST_F(MainFormTest, UpdateCheckIsOnOnlyBetweenEnableControlsAndUpdateMenus)
{
    start();
    EXPECT_FALSE(form->TaxonarHelpUpdateMenuItem->Enabled());
    form->DisableControls();
    EXPECT_TRUE(enabledCommands().empty());
    form->EnableControls();
    EXPECT_EQ(enabledCommands().size(), form->Commands().size());
    EXPECT_TRUE(form->TaxonarHelpUpdateToolButton->Enabled());
    form->UpdateMenus();
    EXPECT_FALSE(form->TaxonarHelpUpdateMenuItem->Enabled());
    EXPECT_FALSE(form->TaxonarHelpUpdateToolButton->Enabled());
}

TEST_F(MainFormTest, PageSearchButtonsFollowTheTextAndFindNext)
{
    start();
    EXPECT_FALSE(form->TaxonarSearchButton1->Enabled());
    form->DisableControls(); // leaves the page-search buttons alone
    form->TaxonarSearchEdit->SetText("   "); // blanks count: no trimming
    EXPECT_TRUE(form->TaxonarSearchButton1->Enabled());
    EXPECT_FALSE(form->TaxonarSearchButton2->Enabled());
    CanFindNext = true;
    form->UpdateMenus();
    EXPECT_TRUE(form->TaxonarSearchButton2->Enabled());
    form->DisableControls();
    EXPECT_TRUE(form->TaxonarSearchButton2->Enabled());
    form->TaxonarSearchEdit->SetText("");
    EXPECT_FALSE(form->TaxonarSearchButton1->Enabled());
    EXPECT_FALSE(form->TaxonarSearchButton2->Enabled());
}

// ----------------------------------------------------------- side panels

TEST_F(MainFormTest, SidePanelsLayOutOnlyOnceReadyAndByTheHitList)
{
    create();
    form->Show();
    QApplication::processEvents();
    form->LayoutSidePanels(); // not ready yet: nothing changes
    EXPECT_EQ(form->TaxonarNaviPanel->Height(), 565);

    ViewInfo = false;
    FirstInfo = true;
    form->TaxonarStartTimerTimer(nullptr);
    form->LayoutSidePanels();
    EXPECT_EQ(form->TaxonarNaviPanel->Height(), form->ClientHeight() - 105);
    EXPECT_FALSE(form->TaxonarFindSplitter->Enabled());
    EXPECT_EQ(form->TaxonarFindCloseButton->Cursor(), platform::crDefault);
    const int bar = form->TaxonarSearchPanel->Width();
    EXPECT_EQ(form->TaxonarSearchEdit->Width(), bar - 331);
    EXPECT_EQ(form->TaxonarSearchButton1->Left(), bar - 180);
    EXPECT_EQ(form->TaxonarSearchButton2->Left(), bar - 100);

    FoundList->Add("RTF\tP\t1\t1\t");
    form->LayoutSidePanels();
    EXPECT_EQ(form->TaxonarNaviPanel->Height(), form->ClientHeight() - 200);
    EXPECT_TRUE(form->TaxonarFindSplitter->Enabled());
    EXPECT_EQ(form->TaxonarFindCloseButton->Cursor(), platform::crHandPoint);
    // With hits the navigation panel only ever shrinks.
    form->TaxonarNaviPanel->SetHeight(300);
    form->LayoutSidePanels();
    EXPECT_EQ(form->TaxonarNaviPanel->Height(), 300);
}

// ------------------------------------------------ modal windows, start-up

TEST_F(MainFormTest, HelpWindowsFollowTheModalPattern)
{
    start();
    form->TaxonarHelpHelpMenuItem->Click();
    form->TaxonarHelpHistoryToolButton->Click();
    form->TaxonarHelpAboutMenuItem->Click();
    form->TaxonarHelpInfoMenuItem->Click();
    EXPECT_EQ(modals, (std::vector<AnsiString>{"TaxonarHelpForm", "TaxonarHistoryForm", "TaxonarAboutForm",
                                               "TaxonarInfo2Form"}));
    EXPECT_EQ(disabledDuringModal, std::vector<bool>(4, true));
    // Afterwards the rules hold again and the window is gone.
    EXPECT_FALSE(form->TaxonarHelpUpdateMenuItem->Enabled());
    EXPECT_TRUE(form->TaxonarNaviClassMenuItem->Enabled());
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, MenuItemsShowTheirToolButtonsPictures)
{
    start();
    // The start page: some commands on, some off, so both pictures show.
    auto picture = [](const QIcon &icon, QIcon::Mode mode) { return icon.pixmap(44, 44, mode).toImage(); };
    int pictured = 0;
    for (const auto &c : form->Commands()) {
        const QIcon menuIcon = c.Item->Action()->icon();
        if (!c.Button) {
            EXPECT_TRUE(menuIcon.isNull()) << c.Item->Name();
            continue;
        }
        ++pictured;
        const QIcon buttonIcon = static_cast<QToolButton *>(c.Button->Widget())->icon();
        ASSERT_FALSE(menuIcon.isNull()) << c.Item->Name();
        EXPECT_EQ(picture(menuIcon, QIcon::Normal), picture(buttonIcon, QIcon::Normal)) << c.Item->Name();
        EXPECT_EQ(picture(menuIcon, QIcon::Disabled), picture(buttonIcon, QIcon::Disabled)) << c.Item->Name();
        EXPECT_NE(picture(menuIcon, QIcon::Normal), picture(menuIcon, QIcon::Disabled)) << c.Item->Name();
    }
    EXPECT_EQ(pictured, 13);
}

TEST_F(MainFormTest, ToolButtonClickedWithTheMouseRunsItsMenuCommand)
{
    start();
    auto *button = qobject_cast<QToolButton *>(form->TaxonarNaviClassToolButton->Widget());
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(ViewMode, 1);
    EXPECT_FALSE(button->isEnabled()); // Classifications is off in the navigation view
}

TEST_F(MainFormTest, StartUpStepShowsTheExplanationsAsTheSettingsSay)
{
    create();
    form->Show();
    QApplication::processEvents();
    form->DisableControls();

    ViewInfo = true;
    FirstInfo = true;
    form->TaxonarStartTimerTimer(nullptr);
    EXPECT_EQ(modals, std::vector<AnsiString>{"TaxonarInfo2Form"});
    EXPECT_FALSE(form->TaxonarStartTimer->Enabled());
    EXPECT_TRUE(FormReady);
    EXPECT_TRUE(form->TaxonarNaviClassMenuItem->Enabled());

    modals.clear();
    ViewInfo = false;
    FirstInfo = false;
    form->TaxonarStartTimerTimer(nullptr);
    EXPECT_EQ(modals.size(), 1u);

    modals.clear();
    ViewInfo = false;
    FirstInfo = true;
    form->TaxonarStartTimerTimer(nullptr);
    EXPECT_TRUE(modals.empty());
}

TEST_F(MainFormTest, StartUpTimerFiresOnceAfterTheFirstShowing)
{
    // Settings ask for the explanations window: the timer shows it once.
    create();
    form->Show();
    ViewInfo = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !modals.empty(); }, 3000));
    QTest::qWait(1300);
    EXPECT_EQ(modals.size(), 1u);
    EXPECT_TRUE(FormReady);
}

// ------------------------------------------------------------ shell, exit

TEST_F(MainFormTest, MailAndWebCommandsGoToTheShell)
{
    start();
    form->TaxonarHelpMailMenuItem->Click();
    form->TaxonarHelpWwwToolButton->Click();
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0].Verb, "open");
    EXPECT_EQ(shell[0].File, "mailto:pomoc@velmora.pl?subject=Rubrikon");
    EXPECT_EQ(shell[0].Parameters, "");
    EXPECT_EQ(shell[0].Directory, "");
    EXPECT_EQ(shell[0].ShowCommand, 1);
    EXPECT_EQ(shell[1].File, "www.velmora.pl");
}

TEST_F(MainFormTest, ExitClosesTheWindow)
{
    start();
    ASSERT_TRUE(form->Visible());
    form->TaxonarProgramExitMenuItem->Click();
    EXPECT_FALSE(form->Visible());
}

// On a 1366 x 768 screen with a panel the whole window is on the work area,
// its title and menu bar on the screen, and it can be made smaller than its
// full size.
TEST_F(MainFormTest, SmallScreenShowsTheWholeWindow)
{
    platform::Screen->MonitorSource = [] { return std::vector<platform::TRect>{{0, 0, 1366, 768}}; };
    platform::Screen->WorkAreaSource = [] { return std::vector<platform::TRect>{{0, 0, 1366, 738}}; };
    start();
    const QRect frame = form->Widget()->frameGeometry();
    platform::Screen->MonitorSource = nullptr;
    platform::Screen->WorkAreaSource = nullptr;
    EXPECT_GE(frame.left(), 0);
    EXPECT_EQ(frame.top(), 0);
    EXPECT_LE(frame.right(), 1365);
    EXPECT_EQ(frame.bottom(), 737);
    EXPECT_EQ(form->Width(), 1260);
    EXPECT_LE(form->Widget()->minimumHeight(), 738);
    EXPECT_EQ(form->Widget()->minimumWidth(), 1260);
    EXPECT_GE(form->TaxonarMainToolBar->Top(), 0);
}

} // namespace
} // namespace mainformtest
