// Opening items by mode and walking the history of visited items.
#include "MainFormFixture.h"

namespace mainformtest {
namespace {

class MainFormHistoryTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        start();
        form->TaxonarNaviClassMenuItem->Click();
    }
};

TEST_F(MainFormHistoryTest, OpeningALeafAfterGoingBackDropsTheForwardEntries)
{
    clickTree(kP);
    clickTree(kQ);
    clickTree(kT);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kP), entry(kQ), entry(kT, 1)}));
    form->TaxonarNaviPrevMenuItem->Click();
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(CurrentItem, kP);
    EXPECT_EQ(HistoryIndex, 0);
    EXPECT_EQ(form->TaxonarNaviTreeView->Selected(), form->FindNodeByItem(kP));

    clickTree(kS);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kP), entry(kS)}));
    EXPECT_EQ(HistoryIndex, 1);
    EXPECT_FALSE(form->TaxonarNaviNextMenuItem->Enabled());
    EXPECT_TRUE(form->TaxonarNaviPrevMenuItem->Enabled());
}

TEST_F(MainFormHistoryTest, AnItemWithoutNodeIsAppendedAfterTheForwardEntries)
{
    clickTree(kP);
    clickTree(kQ);
    clickTree(kT);
    form->TaxonarNaviPrevMenuItem->Click();
    form->TaxonarNaviPrevMenuItem->Click();
    // The hidden item, as a link from P opens it.
    ASSERT_TRUE(form->OpenItem(kHidden, true, -1, ""));
    form->UpdateMenus();
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kP), entry(kQ), entry(kT, 1), entry(kHidden)}));
    EXPECT_EQ(HistoryIndex, 3);
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(CurrentItem, kT);
    EXPECT_EQ(ViewMode, 3);
}

TEST_F(MainFormHistoryTest, GroupsAndTheNavigationViewLeaveTheHistoryAlone)
{
    clickTree(kP);
    clickTree(kQ);
    form->TaxonarNaviPrevMenuItem->Click();
    const auto before = history();

    clickTree(kGroup); // a group with children
    EXPECT_EQ(ViewMode, 1);
    EXPECT_EQ(history(), before);
    EXPECT_EQ(CurrentItem, kP);
    form->TaxonarNaviClassMenuItem->Click();
    EXPECT_EQ(history(), before);

    clickTree(kNoMode); // no mode: opens like a group; a leaf drops the forward entries
    EXPECT_EQ(ViewMode, 1);
    EXPECT_EQ(history(), std::vector<std::string>{entry(kP)});
    EXPECT_EQ(HistoryIndex, 0);
    EXPECT_EQ(CurrentItem, kP);
}

TEST_F(MainFormHistoryTest, EmptyGroupLeafStoresTheCurrentEntryButAddsNothing)
{
    clickTree(kT);
    form->TaxonarTable3StringGrid->SetRow(4); // the grid's click rewrites the entry
    EXPECT_EQ(CurrentEntry, entry(kT, 4));
    clickTree(kEmptyGroup);
    EXPECT_EQ(history(), std::vector<std::string>{entry(kT, 4)});
}

TEST_F(MainFormHistoryTest, TableReachedByKeyIsRecordedAtTheKeyedRow)
{
    clickTree(kP);
    ASSERT_TRUE(form->OpenItem(kT, true, -1, "A10"));
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 11);
    EXPECT_EQ(CurrentEntry, entry(kT, 11));
    EXPECT_EQ(history().back(), entry(kT, 11));

    // Leaving without touching the grid folds the recorded entry back in:
    // coming back shows the keyed row.
    clickTree(kQ);
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(form->TaxonarTable3StringGrid->Row(), 11);
}

TEST_F(MainFormHistoryTest, PreviousRestoresTheRowSelectedBeforeLeaving)
{
    clickTree(kT);
    platform::TStringGrid *g = form->TaxonarTable3StringGrid;
    g->SetRow(7);
    clickTree(kP);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kT, 7), entry(kP)}));

    std::vector<int> rows;
    g->OnClick = platform::TNotifyEvent::FromFunction([&](platform::TObject *) {
        rows.push_back(g->Row());
        form->TaxonarTable3StringGridClick(g);
    });
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(g->Row(), 7);
    EXPECT_EQ(g->TopRow(), 1); // 13 rows fit in the view: the grid keeps them all in sight
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[rows.size() - 2], 1); // row 1 first, then the stored row
    EXPECT_EQ(rows.back(), 7);
    EXPECT_EQ(CurrentEntry, entry(kT, 7));

    // Forward again folds the table's entry (row 7) into the history.
    form->TaxonarNaviNextMenuItem->Click();
    EXPECT_EQ(CurrentItem, kP);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kT, 7), entry(kP)}));
}

TEST_F(MainFormHistoryTest, KeyUpInTheGridRecordsTheRow)
{
    clickTree(kT);
    form->TaxonarTable3StringGrid->SetRow(5);
    CurrentEntry.clear();
    uint16_t key = platform::VK_DOWN;
    form->TaxonarTable3StringGridKeyUp(form->TaxonarTable3StringGrid, key, {});
    EXPECT_EQ(CurrentEntry, entry(kT, 5));
}

TEST_F(MainFormHistoryTest, ClickingTheItemHiddenByAGroupShowsItAgain)
{
    clickTree(kP);
    form->TaxonarNaviClassMenuItem->Click();
    const auto before = history();
    clickTree(kP);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(history(), before);

    clickTree(kT);
    clickTree(kGroup);
    EXPECT_EQ(ViewMode, 1);
    clickTree(kT);
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kP), entry(kT, 1)})); // no second entry
}

TEST_F(MainFormHistoryTest, PdfItemGoesToTheShellAndChangesNothing)
{
    clickTree(kP);
    CanFindNext = true;
    clickTree(kPdf);
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].Verb, "open");
    EXPECT_EQ(shell[0].File, "matryca.pdf");
    EXPECT_EQ(shell[0].Directory, AppDir);
    EXPECT_EQ(shell[0].ShowCommand, 1);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(CurrentItem, kP);
    EXPECT_EQ(history(), std::vector<std::string>{entry(kP)});
    EXPECT_TRUE(CanFindNext);
}

TEST_F(MainFormHistoryTest, MissingFilesShowTheNavigationViewAndKeepTheHistory)
{
    clickTree(kT);
    ASSERT_GT(LinkRecords->Count(), 0);
    CanFindNext = true;
    EXPECT_FALSE(form->OpenItem(kMissingRtf, true, -1, ""));
    EXPECT_EQ(ViewMode, 1);
    EXPECT_FALSE(CanFindNext);
    EXPECT_EQ(CurrentItem, kT);
    EXPECT_EQ(history(), std::vector<std::string>{entry(kT, 1)});

    EXPECT_FALSE(form->OpenItem(kMissingTable, true, -1, ""));
    EXPECT_EQ(LinkRecords->Count(), 0); // emptied before the file test
    EXPECT_EQ(CurrentItem, kT);
    EXPECT_EQ(history().size(), 1u);
}

TEST_F(MainFormHistoryTest, StartPageEmptiesTheHistory)
{
    clickTree(kP);
    clickTree(kQ);
    form->TaxonarNaviStartToolButton->Click();
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(HistoryIndex, -1);
    EXPECT_EQ(CurrentItem, -1);
    EXPECT_EQ(CurrentEntry, "");
    EXPECT_EQ(ViewMode, 0);
    EXPECT_FALSE(form->TaxonarNaviPrevMenuItem->Enabled());
    EXPECT_FALSE(form->TaxonarNaviNextMenuItem->Enabled());
    // The tree keeps its selection.
    EXPECT_EQ(form->TaxonarNaviTreeView->Selected(), form->FindNodeByItem(kQ));
}

TEST_F(MainFormHistoryTest, PreviousAndNextDoNothingAtTheEnds)
{
    form->TaxonarNaviPrevMenuItemClick(nullptr);
    form->TaxonarNaviNextMenuItemClick(nullptr);
    EXPECT_EQ(HistoryIndex, -1);
    clickTree(kP);
    form->TaxonarNaviPrevMenuItemClick(nullptr);
    form->TaxonarNaviNextMenuItemClick(nullptr);
    EXPECT_EQ(HistoryIndex, 0);
    EXPECT_EQ(CurrentItem, kP);
}

TEST_F(MainFormHistoryTest, RtfItemShowsItsTitleAndDocument)
{
    clickTree(kChild);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(form->TaxonarRtf2TitlePanel->Caption(), "TT - Dziecko");
    EXPECT_NE(form->TaxonarRtf2RichEdit->PlainText().indexOf("Tekst Q"), -1);
    clickTree(kP);
    EXPECT_EQ(form->TaxonarRtf2RichEdit->PlainText().indexOf("Tekst Q"), -1);
}

} // namespace
} // namespace mainformtest
