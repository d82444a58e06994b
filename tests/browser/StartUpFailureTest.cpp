// The window after a start that failed on a missing file: the dictionary of
// typing hints (the search still works), or a catalogue file (the start page
// with the command rules applied). The error names the file.
#include "SearchFixture.h"

#include "browser/TaxonarStartCode.h"

#include <QApplication>

namespace mainformtest {
namespace {

using platform::alClient;
using platform::alNone;

class StartUpFailureTest : public SearchTest {
protected:
    // The commands of the start page: Program, Exit, Navigation, Classifications
    // and the Help commands other than the update check.
    const std::set<std::string> startPageCommands = {
        "TaxonarProgramSubMenu",      "TaxonarProgramExitMenuItem", "TaxonarNaviSubMenu",
        "TaxonarNaviClassMenuItem",   "TaxonarHelpSubMenu",         "TaxonarHelpInfoMenuItem",
        "TaxonarHelpHistoryMenuItem", "TaxonarHelpHelpMenuItem",    "TaxonarHelpMailMenuItem",
        "TaxonarHelpWwwMenuItem",     "TaxonarHelpAboutMenuItem"};

    void show()
    {
        create();
        form->Show();
        QApplication::processEvents();
    }

    void expectStartPage()
    {
        EXPECT_EQ(TaxonarStartForm, nullptr);
        EXPECT_EQ(ViewMode, 0);
        EXPECT_EQ(form->TaxonarStartPanel->Align(), alClient);
        EXPECT_EQ(form->TaxonarTable3Panel->Align(), alNone);
        EXPECT_EQ(form->TaxonarTable3Panel->Width(), 0);
        EXPECT_EQ(form->TaxonarLeftPanel->Width(), 0);
        EXPECT_EQ(form->TaxonarSearchPanel->Height(), 0);
        EXPECT_EQ(enabledCommands(), startPageCommands);
    }
};

TEST_F(StartUpFailureTest, MissingDictionaryLeavesEveryListAndTheSearchWorks)
{
    expectHandlerExceptions();
    platform::DeleteFile(prog.file("dictionary.global"));
    start();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(prog.file("dictionary.global")), std::string::npos) << errors[0];
    for (TStringList *list : {LinkRecords, HistoryList, SearchWords, DictionaryWords, FoundList})
        ASSERT_TRUE(list != nullptr && list->Count() == 0);
    EXPECT_EQ(SearchWordMode, 0);
    EXPECT_EQ(SearchResultLimit, 0);
    EXPECT_FALSE(CanFindNext);

    // The catalogue loaded all the same; the search runs without hints.
    EXPECT_EQ(ItemRecords->Count(), kRecordCount + 2);
    form->TaxonarNaviClassMenuItem->Click();
    ASSERT_TRUE(form->TaxonarNaviFindMenuItem->Enabled());
    search("rolnictwo");
    EXPECT_EQ(found(), (std::vector<std::string>{hit("TABLE", "Tabela", kT, 1),
                                                  hit("TABLE", "Tabela z linkiem", kLinkTable, 1)}));
    EXPECT_EQ(hitLines().size(), 2u);

    // The hit panel's close image empties the list.
    form->TaxonarFindCloseButtonClick(form->TaxonarFindCloseButton);
    EXPECT_EQ(FoundList->Count(), 0);
    EXPECT_EQ(form->TaxonarFindListBox->Items().Count(), 0);
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(StartUpFailureTest, MissingCatalogueFileIsNamedAndTheStartPageShows)
{
    expectHandlerExceptions();
    // A definition file after one that loaded: its records stay.
    write("definition.global", A("t.definition;testową;TT;A\r\nbrak.definition;brak;BB;B\r\n"));
    show();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "File not found: " + prog.file("brak.definition")); // the run-time message, then the file
    EXPECT_EQ(ItemRecords->Count(), kRecordCount);
    expectStartPage();
    EXPECT_FALSE(form->TaxonarStartTimer->Enabled());
    // What was read can be browsed.
    form->TaxonarNaviClassMenuItem->Click();
    clickTree(kP);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_FALSE(form->TaxonarHelpUpdateMenuItem->Enabled());

    // No catalogue list at all: an empty start page.
    delete form;
    form = nullptr;
    errors.clear();
    platform::DeleteFile(prog.file("definition.global"));
    show();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "File not found: " + prog.file("definition.global"));
    EXPECT_EQ(ItemRecords->Count(), 0);
    expectStartPage();
}

} // namespace
} // namespace mainformtest
