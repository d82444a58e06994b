// The classification search from the menu: which items it scans, the hits of
// RTF lines and table rows under the three word modes, the result limits,
// the return to the item open before, the hit list (opening a hit by click
// or key, the close image), and the busy cursor during the scan.
#include "SearchFixture.h"
#include "tools/PrepTool.h"

#include <QApplication>
#include <QCursor>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace mainformtest {
namespace {

using platform::mrCancel;

enum : int { kAlfa = 1, kTab, kHid, kPdfItem, kMissing, kBeta, kGrp, kNoModeItem, kRecords };

class ClassificationSearchTest : public SearchTest {
protected:
    void SetUp() override
    {
        SearchTest::SetUp();
        catalogue({
            RtfItem("Alfa", "a.rtf"),
            Record({"NAME=Tabela", "PARENT=ROOT", "VIEW=SHOW", "LINK=TAB", "MODE=TABLE", "FILE=t.txt", "COLUMNS=3",
                    "NAME1=link", "WIDTH1=40", "ALIGNMENT1=LEFT", "NAME2=Kod", "WIDTH2=40", "ALIGNMENT2=LEFT",
                    "NAME3=Nazwa", "WIDTH3=AUTO", "ALIGNMENT3=LEFT"}),
            RtfItem("Ukryty", "h.rtf", "HIDE"),
            Record({"NAME=Matryca", "PARENT=ROOT", "VIEW=SHOW", "LINK=M", "MODE=PDF", "FILE=m.pdf"}),
            RtfItem("Brak", "brak.rtf"),
            RtfItem("Beta", "b.rtf"),
            Record({"NAME=Grupa", "PARENT=ROOT", "VIEW=SHOW", "LINK=GR", "MODE=GROUP"}),
            Record({"NAME=Bez trybu rolnictwo", "PARENT=ROOT", "VIEW=SHOW", "LINK=N"}),
        });
        write("a.rtf", RtfLines({"Rolnictwo i landy", "nic", "rolnictwo", "x", "ROLNICTWO polskie", "\\'af\\'f3\\'b3\\'e6"}));
        write("h.rtf", RtfLines({"rolnictwo ukryte"}));
        write("b.rtf", RtfLines({"tylko rolnictwo"}));
        write("t.txt", TableFile({
                           "rolnictwo\t01\tnic",                         // only in the LINK column
                           "x\t02\tzobacz #L#dalej#L#TT@ROLNICTWO@#",    // inside a link target
                           "x\t03\trol",                                 //
                           "x\t04\tlandy",                               //
                           "x\trolnictwo\tlandy",                        // words in separate cells
                           "x\t06\ta  b",                                // two blanks
                           "x\t07\ta b",                                 //
                           "x\t08\tkoniec",                              //
                       }));
        startActive();
    }
};

TEST_F(ClassificationSearchTest, FindsRtfLinesAndTableRowsOfTheChosenClassification)
{
    search("Rolnictwo");
    EXPECT_EQ(found(), (std::vector<std::string>{hit("RTF", "Alfa", kAlfa, 1), hit("RTF", "Alfa", kAlfa, 2),
                                                  hit("RTF", "Alfa", kAlfa, 3), hit("TABLE", "Tabela", kTab, 2),
                                                  hit("TABLE", "Tabela", kTab, 5), hit("RTF", "Beta", kBeta, 1)}));
    EXPECT_EQ(hitLines(), (std::vector<std::string>{"Alfa", "Alfa", "Alfa", "Tabela", "Tabela", "Beta"}));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(form->TaxonarFindListBox->Items().Objects(i), i);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(disabledDuringModal.size(), 1u);
    EXPECT_TRUE(disabledDuringModal[0]);
    // The first hit is open with its line selected; the hit panel is open.
    EXPECT_EQ(form->TaxonarFindListBox->ItemIndex(), 0);
    EXPECT_EQ(CurrentItem, kAlfa);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(selectedText(), "Rolnictwo i landy");
    EXPECT_TRUE(holdsFocus(form->TaxonarRtf2RichEdit));
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kAlfa)}));
    EXPECT_TRUE(form->TaxonarFindSplitter->Enabled());
    EXPECT_EQ(form->TaxonarFindCloseButton->Cursor(), platform::crHandPoint);
    EXPECT_EQ(enabledCommands().count("TaxonarNaviFindMenuItem"), 1u);
    EXPECT_EQ(enabledCommands().count("TaxonarNaviExportMenuItem"), 1u);
}

TEST_F(ClassificationSearchTest, TablesOfTheLargestColumnCountAreSearched)
{
    auto wide = [](const std::string &link, int columns) {
        std::string r = "{\r\nNAME=" + link + "\r\nPARENT=ROOT\r\nVIEW=SHOW\r\nLINK=" + link +
                        "\r\nMODE=TABLE\r\nFILE=w.txt\r\nCOLUMNS=" + std::to_string(columns) + "\r\n";
        for (int n = 1; n <= columns; ++n)
            r += "WIDTH" + std::to_string(n) + "=10\r\n";
        return r + "}\r\n";
    };
    write("w.txt", TableFile({"x\tnic", "y\trolnictwo"}));
    delete form;
    form = nullptr;
    catalogue({wide("W256", 256)});
    startActive();
    search("rolnictwo");
    EXPECT_EQ(found(), (std::vector<std::string>{hit("TABLE", "W256", 1, 2)}));

    // One column more is beyond the bound: the search raises as the view does.
    delete form;
    form = nullptr;
    catalogue({wide("W257", 257)});
    startActive();
    EXPECT_THROW(search("rolnictwo"), platform::EConvertError);
}

TEST_F(ClassificationSearchTest, OtherClassificationHasItsOwnHits)
{
    search("rolnictwo", 0, 2, true, 1);
    EXPECT_EQ(found(), (std::vector<std::string>{hit("RTF", "Obca", kRecords + 1, 1)}));
}

TEST_F(ClassificationSearchTest, WordModes)
{
    // All words in any order: a row joins its cells.
    search("land rol", 0);
    EXPECT_EQ(found(), (std::vector<std::string>{hit("RTF", "Alfa", kAlfa, 1), hit("TABLE", "Tabela", kTab, 5)}));
    // The whole phrase with its two blanks.
    search("a  b", 1);
    EXPECT_EQ(found(), (std::vector<std::string>{hit("TABLE", "Tabela", kTab, 6)}));
    search("a b", 1);
    EXPECT_EQ(found(), (std::vector<std::string>{hit("TABLE", "Tabela", kTab, 7)}));
    // Any word; the folding makes zolc find Żółć.
    search("zolc koniec", 2);
    EXPECT_EQ(found(), (std::vector<std::string>{hit("RTF", "Alfa", kAlfa, 1), hit("TABLE", "Tabela", kTab, 8)}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ClassificationSearchTest, ThirdHitSelectsTheThirdMatchingLine)
{
    search("rolnictwo");
    QListWidget *list = form->TaxonarFindListBox->Widget()->findChild<QListWidget *>();
    if (list == nullptr)
        list = qobject_cast<QListWidget *>(form->TaxonarFindListBox->Widget());
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    QApplication::processEvents();
    EXPECT_EQ(CurrentItem, kAlfa);
    EXPECT_EQ(selectedText(), "ROLNICTWO polskie");
    // Only the first hit of an RTF item adds a history entry.
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kAlfa)}));

    // A table hit selects its row and always adds an entry.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
    QApplication::processEvents();
    EXPECT_EQ(CurrentItem, kTab);
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 5);
    EXPECT_TRUE(holdsFocus(form->TaxonarTable3StringGrid));
    EXPECT_EQ(history().size(), 2u);
    EXPECT_EQ(history().back(), entry(kTab, 1));
}

TEST_F(ClassificationSearchTest, ArrowKeyInTheHitListOpensTheNewHit)
{
    search("rolnictwo");
    QListWidget *w = form->TaxonarFindListBox->Widget()->findChild<QListWidget *>();
    if (w == nullptr)
        w = qobject_cast<QListWidget *>(form->TaxonarFindListBox->Widget());
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(form->TaxonarFindListBox->ItemIndex(), 1);
    EXPECT_EQ(selectedText(), "rolnictwo");
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(w, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(CurrentItem, kTab);
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 2);
}

TEST_F(ClassificationSearchTest, NoHitReopensTheItemBeforeAndSaysSo)
{
    clickTree(kTab);
    form->TaxonarTable3StringGrid->SetRow(7);
    search("nieistniejace");
    EXPECT_EQ(messages, (std::vector<AnsiString>{A("Poszukiwany ciąg znaków nie został odnaleziony.")}));
    EXPECT_TRUE(found().empty());
    EXPECT_TRUE(hitLines().empty());
    EXPECT_EQ(form->TaxonarFindListBox->ItemIndex(), -1);
    EXPECT_EQ(CurrentItem, kTab);
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 7);
    EXPECT_EQ(form->TaxonarNaviTreeView->Selected(), form->FindNodeByItem(kTab));
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kTab, 1)}));
    EXPECT_FALSE(form->TaxonarFindSplitter->Enabled());
    EXPECT_EQ(form->TaxonarFindCloseButton->Cursor(), platform::crDefault);
}

TEST_F(ClassificationSearchTest, FromTableRowSevenTheReturnPrecedesTheFirstHit)
{
    clickTree(kTab);
    form->TaxonarTable3StringGrid->SetRow(7);
    search("koniec");
    // The only hit lies in the same table: it is opened after the return.
    EXPECT_EQ(found(), (std::vector<std::string>{hit("TABLE", "Tabela", kTab, 8)}));
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 8);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kTab, 1), entry(kTab, 1)}));
}

TEST_F(ClassificationSearchTest, WithNoItemOpenRecordZeroIsOpenedAndTheTreeFocused)
{
    ASSERT_EQ(CurrentItem, -1);
    search("nieistniejace");
    EXPECT_EQ(ViewMode, 1);
    EXPECT_EQ(form->TaxonarNaviTreeView->Selected(), form->FindNodeByItem(0));
    EXPECT_TRUE(holdsFocus(form->TaxonarNaviTreeView));
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ClassificationSearchTest, CancelKeepsThePreviousHitsAndOpensNothing)
{
    search("rolnictwo");
    const auto before = found();
    clickTree(kBeta);
    search("x", 0, 2, false);
    EXPECT_EQ(found(), before);
    EXPECT_EQ(hitLines().size(), before.size());
    EXPECT_EQ(CurrentItem, kBeta);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(enabledCommands().count("TaxonarNaviFindMenuItem"), 1u);
}

TEST_F(ClassificationSearchTest, CloseImageClearsTheHits)
{
    search("rolnictwo");
    ASSERT_FALSE(found().empty());
    QTest::mouseClick(form->TaxonarFindCloseButton->Widget(), Qt::LeftButton, {}, QPoint(8, 8));
    QApplication::processEvents();
    EXPECT_TRUE(found().empty());
    EXPECT_TRUE(hitLines().empty());
    EXPECT_FALSE(form->TaxonarFindSplitter->Enabled());
    // Opening another item keeps the hits of a search.
    search("rolnictwo");
    clickTree(kBeta);
    EXPECT_EQ(found().size(), 6u);
}

TEST_F(ClassificationSearchTest, ToolButtonRunsTheSearchToo)
{
    Application->ModalHook = [this](platform::TCustomForm *f) {
        modals.push_back(f->Name());
        f->SetModalResult(mrCancel);
    };
    clickTree(kAlfa);
    form->TaxonarNaviFindToolButton->Click();
    EXPECT_EQ(modals, (std::vector<AnsiString>{"TaxonarFind2Form"}));
}

// Catalogues of many items for the result limits.
class SearchLimitTest : public SearchTest {
protected:
    void manyItems(int count, int linesEach, std::vector<std::string> records = {})
    {
        std::vector<std::string> lines(size_t(linesEach), "trafienie");
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            records.push_back(RtfItem("Item" + n, "i" + n + ".rtf"));
            write("i" + n + ".rtf", RtfLines(lines));
        }
        catalogue(records);
        startActive();
    }
};

TEST_F(SearchLimitTest, FirstTenKeepsAllHitsOfTheItemThatReachesTen)
{
    manyItems(3, 30);
    search("trafienie", 0, 0);
    EXPECT_EQ(found().size(), 30u);
    EXPECT_EQ(found().back(), hit("RTF", "Item0", 1, 30));
}

TEST_F(SearchLimitTest, FirstTenOfTwelveItems)
{
    manyItems(12, 1);
    search("trafienie", 0, 0);
    EXPECT_EQ(found().size(), 10u);
    search("trafienie", 0, 2);
    EXPECT_EQ(found().size(), 12u);
}

TEST_F(SearchLimitTest, FirstFiftyOfSixtyItems)
{
    manyItems(60, 1);
    search("trafienie", 0, 1);
    EXPECT_EQ(found().size(), 50u);
    EXPECT_EQ(found().back(), hit("RTF", "Item49", 50, 1));
}

// The cursor shape the application shows over its windows (-1: its own).
int overrideShape()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c ? int(c->shape()) : -1;
}

// The busy cursor: the override cursor at the first round of the event loop
// within the search, at the message, and after the search.
class BusyCursorTest : public SearchLimitTest {
protected:
    std::vector<int> during, atMessage;

    void runWatched(const char *word, int limit)
    {
        SearchText = ComparableText(A(word));
        SearchWords->Clear();
        SearchWords->Add(SearchText);
        SearchClassCode = "TT";
        SearchWordMode = 0;
        SearchResultLimit = limit;
        during.clear();
        atMessage.clear();
        QTimer::singleShot(0, form->Widget(), [this] { during.push_back(overrideShape()); });
        Application->ModalHook = [this](platform::TCustomForm *f) {
            atMessage.push_back(overrideShape());
            f->SetModalResult(mrCancel);
        };
        try {
            form->RunClassificationSearch();
        } catch (const std::exception &e) {
            errors.push_back(e.what());
        }
        answerMessages();
    }
};

TEST_F(BusyCursorTest, ShownDuringTheScanAndRestoredAfter)
{
    manyItems(12, 3);
    ASSERT_EQ(overrideShape(), -1);
    runWatched("trafienie", 2);
    EXPECT_EQ(found().size(), 36u);
    EXPECT_EQ(during, std::vector<int>{Qt::WaitCursor});
    EXPECT_EQ(overrideShape(), -1);

    // Left at the result limit.
    runWatched("trafienie", 0);
    EXPECT_EQ(found().size(), 12u);
    EXPECT_EQ(during, std::vector<int>{Qt::WaitCursor});
    EXPECT_EQ(overrideShape(), -1);

    // The message that nothing was found comes without it.
    runWatched("brak", 2);
    EXPECT_EQ(during, std::vector<int>{Qt::WaitCursor});
    EXPECT_EQ(atMessage, std::vector<int>{-1});
    EXPECT_EQ(overrideShape(), -1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(BusyCursorTest, RestoredWhenAnItemRaises)
{
    expectHandlerExceptions();
    write("t.txt", TableFile({"trafienie"}));
    manyItems(6, 2, {Record({"NAME=Zla", "PARENT=ROOT", "VIEW=SHOW", "LINK=Z", "MODE=TABLE", "FILE=t.txt", "COLUMNS=dwie"})});
    runWatched("trafienie", 2);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(during, std::vector<int>{Qt::WaitCursor});
    EXPECT_EQ(overrideShape(), -1);
}

// A common word searched through a generated catalogue; the test acts on
// the window at the first rounds of the event loop within the scan (one at
// least: the busy cursor shows then).
class SearchLockTest : public SearchTest {
protected:
    QTimer timer;
    int rounds = 0;
    std::function<void()> onRound;

    void SetUp() override
    {
        SearchTest::SetUp();
        rbkn::SearchCatalogueOptions options;
        options.Tables = 4;
        options.RtfItems = 30;
        options.RtfKb = 6;
        rbkn::WriteSearchCatalogue(prog.path(), options);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (overrideShape() == Qt::WaitCursor && onRound && ++rounds <= 3)
                onRound();
        });
        timer.start(0);
    }

    // "po" in the RTF items, in a new window, from RTF item 6 (or none).
    std::vector<std::string> run(int from, std::function<void()> during)
    {
        delete form;
        form = nullptr;
        messages.clear();
        startActive();
        if (from >= 0)
            clickTree(from);
        onRound = std::move(during);
        search("po", 1, 2, true, 1);
        std::vector<std::string> o = found();
        for (const std::string &h : history())
            o.push_back("history " + h);
        for (const AnsiString &m : messages)
            o.push_back("message " + m);
        o.push_back("current " + std::to_string(CurrentItem));
        return o;
    }
};

TEST_F(SearchLockTest, ClicksDuringTheScanStartNothing)
{
    const std::vector<std::string> alone = run(6, {});
    ASSERT_GT(alone.size(), 30u);
    modals.clear();
    std::set<std::string> on; // what was enabled after the clicks
    const std::vector<std::string> clicked = run(6, [&] {
        auto *tree = static_cast<QTreeWidget *>(form->TaxonarNaviTreeView->Widget());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
        QTest::keyClick(form->TaxonarSearchEdit->Widget(), Qt::Key_A);
        auto *hits = static_cast<QListWidget *>(form->TaxonarFindListBox->Widget());
        if (hits->count() > 0)
            QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->item(0)).center());
        QTest::keyClick(hits, Qt::Key_Down);
        QTest::mouseClick(form->TaxonarNaviFindToolButton->Widget(), Qt::LeftButton);
        QTest::mouseClick(form->TaxonarFindCloseButton->Widget(), Qt::LeftButton, {}, QPoint(8, 8));
        on = enabledCommands();
        if (form->TaxonarFindCloseButton->Enabled() || form->TaxonarSearchButton1->Enabled())
            on.insert("close image or page search");
    });
    EXPECT_GE(rounds, 1);
    EXPECT_EQ(on, std::set<std::string>{});
    EXPECT_EQ(modals, std::vector<AnsiString>{"TaxonarFind2Form"}) << "one search only";
    EXPECT_EQ(clicked, alone);
    EXPECT_EQ(enabledCommands().count("TaxonarNaviFindMenuItem"), 1u) << "as after any search";
}

TEST_F(SearchLockTest, ClosingTheWindowStopsTheScan)
{
    // Nothing is found, opened or said after the close.
    EXPECT_EQ(run(-1, [this] { form->Close(); }), std::vector<std::string>{"current -1"});
    EXPECT_GE(rounds, 1);
    EXPECT_FALSE(form->Visible());
}

} // namespace
} // namespace mainformtest
