// Table items: the grid set up from the item record, the rows loaded from the
// encoded table file, the AUTO column, the row choice; and the export of the
// open item.
#include "MainFormFixture.h"

#include "kcl/KCLSysInfo.h"
#include "platform/Classes.h"

#include <csignal>
#include <sys/resource.h>

namespace mainformtest {
namespace {

using platform::TStringGrid;

class MainFormTableTest : public MainFormTest {
protected:
    TStringGrid *grid = nullptr;
    void SetUp() override
    {
        MainFormTest::SetUp();
        start();
        form->TaxonarNaviClassMenuItem->Click();
        grid = form->TaxonarTable3StringGrid;
        // These tests look at the grid as loaded: the drawing of the cells,
        // which grows rows and records link zones, has tests of its own.
        grid->OnDrawCell.Clear();
    }
    std::vector<std::string> row(int r)
    {
        std::vector<std::string> cells;
        for (int k = 0; k < grid->ColCount(); ++k)
            cells.push_back(grid->Cells(k, r));
        return cells;
    }
    int autoWidth(int fixedSum) { return grid->Width() - fixedSum - (grid->ColCount() - 1) - 21; }
};

TEST_F(MainFormTableTest, GridIsSetUpFromTheRecord)
{
    ASSERT_TRUE(form->OpenItem(kT, true, -1, ""));
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(form->TaxonarTable3TitlePanel->Caption(), "TT - Tabela");
    EXPECT_EQ(grid->ColCount(), 3);
    EXPECT_EQ(row(0), (std::vector<std::string>{"Kod", "Nazwa", "Uwagi"}));
    EXPECT_EQ(grid->ColWidths(0), 60);
    EXPECT_EQ(grid->ColWidths(2), 100);
    EXPECT_EQ(grid->Objects(0, 0), 0);
    EXPECT_EQ(grid->Objects(1, 0), 1); // AUTO in any case
    EXPECT_EQ(grid->ColWidths(1), autoWidth(160));
    EXPECT_GT(grid->ColWidths(1), 300);
    EXPECT_EQ(LeftColumns, "#1#");
    EXPECT_EQ(CenterColumns, "#0#");
    EXPECT_EQ(RightColumns, "#2#");
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(grid->FixedCols(), 0);
    EXPECT_EQ(grid->RowHeights(0), 16);
    EXPECT_EQ(grid->RowHeights(5), 16);
}

TEST_F(MainFormTableTest, RowsAreDecodedSplitAndCleaned)
{
    ASSERT_TRUE(form->OpenItem(kT, true, -1, ""));
    // 13 data rows: the blank line and the line the codec rejects are skipped.
    ASSERT_EQ(grid->RowCount(), 14);
    EXPECT_EQ(row(1), (std::vector<std::string>{"A01", "#B#Rolnictwo#B#", "1"}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"A02", A("Leśnictwo"), "2"}));
    EXPECT_EQ(row(4), (std::vector<std::string>{"A04", "spacje", "4"})); // trimmed
    EXPECT_EQ(row(6), (std::vector<std::string>{"A06", "Cytat", "6"}));  // quotes off
    EXPECT_EQ(row(7), (std::vector<std::string>{"A07", "x", "7"}));      // extra cell ignored
    EXPECT_EQ(row(8), (std::vector<std::string>{"A08", "", ""}));        // missing cells empty
    EXPECT_EQ(row(13), (std::vector<std::string>{"A12", "dwunasty", "12"}));

    // The one link cell is registered, its tag is its entry.
    ASSERT_EQ(LinkRecords->Count(), 1);
    EXPECT_EQ(LinkRecords->Strings(0), "Zobacz #L#P#L#TT@P@##R#");
    EXPECT_EQ(grid->Objects(1, 5), 0);
    EXPECT_EQ(grid->Objects(0, 5), -1);
    EXPECT_EQ(grid->Objects(1, 1), -1);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_TRUE(form->FirstDataRowUsed());
}

TEST_F(MainFormTableTest, RowChoiceByKeyAndByRow)
{
    // Enough rows below for any row to become the first visible one.
    std::string filler;
    for (int i = 0; i < 200; ++i)
        filler += EncodeTableLine("Z" + std::to_string(i) + "\tdalej\t0") + "\r\n";
    write("t.txt", StandardTable() + filler);
    ASSERT_TRUE(form->OpenItem(kT, false, -1, "A09"));
    EXPECT_EQ(grid->Row(), 9); // the first of two matching rows
    EXPECT_EQ(grid->TopRow(), 9);
    ASSERT_TRUE(form->OpenItem(kT, false, -1, "a09")); // case matters: no match
    EXPECT_EQ(grid->Row(), 1);
    ASSERT_TRUE(form->OpenItem(kT, false, 12, "A09")); // the row wins over the key
    EXPECT_EQ(grid->Row(), 12);
    EXPECT_EQ(grid->TopRow(), 12);
}

TEST_F(MainFormTableTest, QuotedLinkCellKeepsItsQuotesInTheLinkList)
{
    write("t.txt", TableFile({"\"A01\"\t\"  #L#Q#L#TT@Q@A#  \"\tx"}));
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    ASSERT_EQ(LinkRecords->Count(), 1);
    EXPECT_EQ(LinkRecords->Strings(0), "\"  #L#Q#L#TT@Q@A#  \"#R#");
    EXPECT_EQ(grid->Cells(1, 1), "#L#Q#L#TT@Q@A#");
}

TEST_F(MainFormTableTest, EmptyTableShowsHeadingsAndOneEmptyRowWithoutLinks)
{
    ASSERT_TRUE(form->OpenItem(kT, false, -1, "")); // leaves link tags in the grid
    write("t.txt", TableFile({"   ", ""}) + "\r\n");
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(row(0), (std::vector<std::string>{"Kod", "Nazwa", "Uwagi"}));
    EXPECT_EQ(row(1), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(LinkRecords->Count(), 0);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(grid->Objects(k, 1), -1) << k;
    EXPECT_FALSE(form->FirstDataRowUsed());
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(MainFormTableTest, ATableReplacesTheOneBefore)
{
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    grid->SetRowHeights(3, 60);
    ASSERT_TRUE(form->OpenItem(kLinkTable, false, -1, ""));
    EXPECT_EQ(grid->ColCount(), 2);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->RowHeights(1), 16);
    EXPECT_EQ(LeftColumns, "#0#1#");
    EXPECT_EQ(CenterColumns, "#");
    EXPECT_EQ(RightColumns, "#");
    EXPECT_EQ(grid->ColWidths(1), autoWidth(40));
    EXPECT_EQ(LinkRecords->Count(), 1);
}

TEST_F(MainFormTableTest, FixedColumnsOnlyGiveTheRestToColumnZero)
{
    write("t.definition", std::string(kDefinitionFile) +
                              Record({"NAME=Stale", "PARENT=ROOT", "VIEW=SHOW", "LINK=F", "MODE=TABLE",
                                      "FILE=f.txt", "COLUMNS=2", "NAME1=A", "WIDTH1=70", "ALIGNMENT1=middle",
                                      "NAME2=B", "WIDTH2=90", "ALIGNMENT2=RIGHT"}));
    write("f.txt", TableFile({"1\t2"}));
    delete form;
    form = nullptr;
    start();
    grid = form->TaxonarTable3StringGrid;
    ASSERT_TRUE(form->OpenItem(1, false, -1, ""));
    EXPECT_EQ(grid->ColWidths(0), autoWidth(160));
    EXPECT_EQ(LeftColumns, "#");
    EXPECT_EQ(CenterColumns, "#"); // an unknown alignment goes nowhere
    EXPECT_EQ(RightColumns, "#1#");
}

TEST_F(MainFormTableTest, PanelResizeResetsRowsAndTheAutoColumn)
{
    ASSERT_TRUE(form->OpenItem(kT, false, 9, ""));
    grid->SetRowHeights(4, 50);
    const int before = grid->ColWidths(1);
    form->Widget()->resize(form->Width() + 100, form->Height());
    QApplication::processEvents();
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->RowHeights(4), 16);
    EXPECT_EQ(grid->ColWidths(1), autoWidth(160));
    EXPECT_EQ(grid->ColWidths(1), before + 100);
}

// ------------------------------------------------------------------ export

class MainFormExportTest : public MainFormTableTest {
protected:
    testsupport::TempFolder temp;
    std::string oldTmp;
    bool hadTmp = false;
    void SetUp() override
    {
        MainFormTableTest::SetUp();
        if (const char *t = std::getenv("TMPDIR")) {
            hadTmp = true;
            oldTmp = t;
        }
        ::setenv("TMPDIR", temp.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (hadTmp)
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        MainFormTableTest::TearDown();
    }
    std::string folder() { return form->TaxonarSysInfo->TempPath(); }
};

TEST_F(MainFormExportTest, RtfItemIsSavedAndOpenedThroughTheShell)
{
    ASSERT_TRUE(form->OpenItem(kP, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    const std::string file = folder() + "rtf.000001.rtf";
    ASSERT_TRUE(platform::FileExists(file)) << file;
    EXPECT_EQ(testsupport::readFile(file).rfind("{\\rtf", 0), 0u);
    EXPECT_NE(testsupport::readFile(file).find("Tekst P"), std::string::npos);
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].File, file);
    EXPECT_EQ(shell[0].Directory, folder());
    EXPECT_EQ(shell[0].Verb, "open");
    // The counter now holds 2; a second export gets the next number.
    form->TaxonarNaviExportToolButton->Click();
    EXPECT_TRUE(platform::FileExists(folder() + "rtf.000002.rtf"));
    EXPECT_TRUE(platform::FileExists(file));
}

TEST_F(MainFormExportTest, TableIsWrittenAsTabSeparatedPlainText)
{
    ASSERT_TRUE(form->OpenItem(kLinkTable, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    const std::string file = folder() + "table.000001.xls";
    ASSERT_TRUE(platform::FileExists(file));
    // Column 0 is headed Link: left out; headings as stored.
    EXPECT_EQ(testsupport::readFile(file), "#B#Opis#B#\t\r\nRolnictwo\t\r\nlink do P, 3,5\t\r\n");
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].File, file);

    // Without a LINK heading every column is written; an empty table gives
    // the heading line alone.
    write("t.txt", TableFile({" "}));
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    form->TaxonarNaviExportMenuItem->Click();
    EXPECT_EQ(testsupport::readFile(folder() + "table.000002.xls"), "Kod\tNazwa\tUwagi\t\r\n");
}

TEST_F(MainFormExportTest, OtherViewsExportNothing)
{
    form->TaxonarNaviExportMenuItemClick(nullptr);
    EXPECT_TRUE(shell.empty());
    EXPECT_FALSE(platform::FileExists(AppDir + "taxonar.counter"));
}

TEST_F(MainFormExportTest, UnwritableTargetReachesTheDefaultHandlerWithoutShell)
{
    expectHandlerExceptions();
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    // The temporary folder is a plain file: no export file can be created.
    testsupport::writeFile(temp.file("plain"), "x");
    ::setenv("TMPDIR", temp.file("plain").c_str(), 1);
    platform::SafeCall([&] { form->TaxonarNaviExportMenuItem->Click(); });
    EXPECT_TRUE(shell.empty());
    EXPECT_EQ(errors.size(), 1u);
    ASSERT_TRUE(form->OpenItem(kP, false, -1, ""));
    platform::SafeCall([&] { form->TaxonarNaviExportMenuItem->Click(); });
    EXPECT_TRUE(shell.empty());
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(MainFormExportTest, ATableThatCannotBeWrittenWholeLeavesNoFile)
{
    expectHandlerExceptions();
    ASSERT_TRUE(form->OpenItem(kLinkTable, false, -1, ""));
    // Files may not grow past 16 bytes: the counter fits, the table does not.
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    platform::SafeCall([&] { form->TaxonarNaviExportMenuItem->Click(); });
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(shell.empty());
    EXPECT_FALSE(platform::FileExists(folder() + "table.000001.xls"));
}

TEST_F(MainFormExportTest, ANameTakenByAFolderIsPassedOver)
{
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    ASSERT_TRUE(platform::ForceDirectories(folder() + "table.000001.xls"));
    form->TaxonarNaviExportMenuItem->Click();
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].File, folder() + "table.000002.xls");
    EXPECT_TRUE(platform::FileExists(shell[0].File));
    EXPECT_TRUE(errors.empty());
}

// A table record whose layout lines are the given ones, on the file e.txt.
std::string TableRecord(const std::vector<std::string> &layout)
{
    std::string r = "NAME=Tabela\tPARENT=ROOT\tVIEW=SHOW\tLINK=T\tMODE=TABLE\tFILE=e.txt\tsignature=TT\t";
    for (const auto &l : layout)
        r += l + "\t";
    return r;
}

TEST_F(MainFormTableTest, TableWithoutColumnsLeavesNothingOfTheOneBefore)
{
    write("e.txt", TableFile({" "}));
    for (const char *count : {"0", "-3"}) {
        SCOPED_TRACE(count);
        ItemRecords->Put(kT, TableRecord({"COLUMNS=" + std::string(count)}));
        ASSERT_TRUE(form->OpenItem(kLinkTable, false, -1, ""));
        ASSERT_EQ(LinkRecords->Count(), 1);
        ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
        EXPECT_EQ(grid->ColCount(), 1);
        ASSERT_EQ(grid->RowCount(), 2);
        EXPECT_EQ(row(0), std::vector<std::string>{""});
        EXPECT_EQ(row(1), std::vector<std::string>{""});
        EXPECT_EQ(grid->Objects(0, 1), -1);
        EXPECT_EQ(LinkRecords->Count(), 0);
        EXPECT_EQ(LeftColumns, "#");
        EXPECT_EQ(grid->ColWidths(0), autoWidth(0)); // the empty column fills the grid
    }
}

TEST_F(MainFormTableTest, ColumnCountAndWidthsAreBounded)
{
    write("e.txt", TableFile({"a\tb"}));
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    struct Case {
        std::vector<std::string> layout;
        const char *error; // empty: opens
    } cases[] = {
        {{"COLUMNS=257"}, "'257' is not a valid column count (at most 256)"},
        {{"COLUMNS=2147483647"}, "'2147483647' is not a valid column count (at most 256)"},
        {{"COLUMNS=2", "WIDTH1=10", "WIDTH2=10001"}, "'10001' is not a valid column width (at most 10000)"},
        {{"COLUMNS=1", "WIDTH1=-2000000000"}, "'-2000000000' is not a valid column width (at most 10000)"},
        {{"COLUMNS=2", "WIDTH1=10000", "WIDTH2=-10000"}, ""}, // at the bounds
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.layout[0]);
        ItemRecords->Put(kT, TableRecord(c.layout));
        const int before = ViewMode;
        if (*c.error) {
            try {
                form->OpenItem(kT, false, -1, "");
                ADD_FAILURE() << "opened";
            } catch (const platform::EConvertError &e) {
                EXPECT_EQ(e.Message, c.error);
            }
            EXPECT_EQ(ViewMode, before);
            EXPECT_LE(grid->ColCount(), 256);
        } else {
            ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
            EXPECT_EQ(grid->ColCount(), 2);
            EXPECT_EQ(row(1), (std::vector<std::string>{"a", "b"}));
        }
    }
    // The largest column count itself opens.
    std::vector<std::string> widest = {"COLUMNS=256"};
    for (int n = 1; n <= 256; ++n)
        widest.push_back("WIDTH" + std::to_string(n) + "=10");
    ItemRecords->Put(kT, TableRecord(widest));
    ASSERT_TRUE(form->OpenItem(kT, false, -1, ""));
    EXPECT_EQ(grid->ColCount(), 256);
    EXPECT_EQ(row(1).at(1), "b");
}

TEST_F(MainFormTableTest, MarkupToPlainTextRemovesTagsAndTargets)
{
    EXPECT_EQ(form->MarkupToPlainText("#B#Rolnictwo#B#"), "Rolnictwo");
    EXPECT_EQ(form->MarkupToPlainText("12#N#5"), "12,5");
    EXPECT_EQ(form->MarkupToPlainText("ab#N#cd"), "ab cd");
    EXPECT_EQ(form->MarkupToPlainText("#N#x"), " x"); // at the first position: a blank
    EXPECT_EQ(form->MarkupToPlainText("   "), "");
    EXPECT_EQ(form->MarkupToPlainText(" a "), " a "); // not trimmed otherwise
    EXPECT_EQ(form->MarkupToPlainText("zob. #L#Sekcja A#L#PKD@A@# i #I#kursywa#I#"), "zob. Sekcja A i kursywa");
    // Bold tags go first, also where they overlap other tags.
    EXPECT_EQ(form->MarkupToPlainText("#I#B#I#"), "#II#");
    EXPECT_EQ(form->MarkupToPlainText("#U#a#U# #L#x#L#T@L@k#y"), "a xy");
    EXPECT_EQ(form->MarkupToPlainText("bez #L#zamkni\xEA" "cia"), "bez zamkni\xEA" "cia");
    // A "#" before the closing tag: only the tag goes.
    EXPECT_EQ(form->MarkupToPlainText("1 # #L#t#L#X@Y@"), "1 # t" "X@Y@");
}

} // namespace
} // namespace mainformtest
