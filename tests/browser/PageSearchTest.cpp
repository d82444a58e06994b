// The search on the open page: Find and Find next over the display lines of
// the rich-text view and the data rows of the table view, the continuation
// and the buttons' states, and the messages when nothing (more) is found.
#include "SearchFixture.h"

#include <QApplication>
#include <QImage>

namespace mainformtest {
namespace {

enum : int { kDoc = 1, kLastLine, kTable, kPdfDoc, kOther };

class PageSearchTest : public SearchTest {
protected:
    void SetUp() override
    {
        SearchTest::SetUp();
        catalogue({
            RtfItem("Dokument", "d.rtf"),
            RtfItem("Ostatnia", "e.rtf"),
            Record({"NAME=Tabela", "PARENT=ROOT", "VIEW=SHOW", "LINK=TAB", "MODE=TABLE", "FILE=t.txt", "COLUMNS=3",
                    "NAME1=Link", "WIDTH1=40", "ALIGNMENT1=LEFT", "NAME2=Kod", "WIDTH2=40", "ALIGNMENT2=LEFT",
                    "NAME3=Nazwa", "WIDTH3=AUTO", "ALIGNMENT3=LEFT"}),
            Record({"NAME=Matryca", "PARENT=ROOT", "VIEW=SHOW", "LINK=M", "MODE=PDF", "FILE=m.pdf"}),
            RtfItem("Inny", "o2.rtf"),
        });
        std::vector<std::string> lines;
        for (int i = 1; i <= 20; ++i)
            lines.push_back("linia" + std::to_string(i));
        lines[2] = "linia3 szukane tutaj";
        lines[8] = "linia9 SZUKANE";
        lines[13] = "linia14 z\\'f3\\'b3w";
        lines[15] = "linia 16";
        write("d.rtf", RtfLines(lines));
        write("e.rtf", RtfLines({"pierwsza", "druga koniec"}));
        write("o2.rtf", RtfLines({"inny szukane"}));
        write("t.txt", TableFile({
                           "ukryte\t01\tpierwszy",
                           "x\t02\t#B#Pogrubiony#B#",
                           "x\t03\tukryte nie",
                           "x\t04\tostatni",
                       }));
        startActive();
    }

    void find(const char *text)
    {
        form->TaxonarSearchEdit->SetText(A(text));
        form->TaxonarSearchButton1->Click();
    }
    void findNext() { form->TaxonarSearchButton2->Click(); }
    bool nextEnabled() const { return form->TaxonarSearchButton2->Enabled(); }
};

const char *const NotFound = "Poszukiwany ciąg znaków nie został odnaleziony.";
const char *const NoMore = "Nie znaleziono więcej wystąpień poszukiwanego ciągu znaków.";

TEST_F(PageSearchTest, FindThenFindNextThroughTheLinesOfAPage)
{
    clickTree(kDoc);
    EXPECT_FALSE(nextEnabled());
    find("szukane");
    EXPECT_EQ(selectedText(), "linia3 szukane tutaj");
    EXPECT_TRUE(holdsFocus(form->TaxonarRtf2RichEdit));
    EXPECT_TRUE(CanFindNext);
    EXPECT_EQ(FindNextStart, 3);
    EXPECT_TRUE(nextEnabled());

    // A real click on the button.
    QTest::mouseClick(form->TaxonarSearchButton2->Widget(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(selectedText(), "linia9 SZUKANE");
    EXPECT_EQ(FindNextStart, 9);
    EXPECT_TRUE(messages.empty());

    findNext();
    EXPECT_EQ(messages, (std::vector<AnsiString>{A(NoMore)}));
    EXPECT_FALSE(CanFindNext);
    EXPECT_EQ(FindNextStart, 0);
    EXPECT_FALSE(nextEnabled());
    // Find next with no continuation does nothing.
    findNext();
    EXPECT_EQ(messages.size(), 1u);

    // Find always starts again at the top.
    find("szukane");
    findNext();
    find("szukane");
    EXPECT_EQ(selectedText(), "linia3 szukane tutaj");
}

TEST_F(PageSearchTest, SelectionCoversTheWholeLine)
{
    clickTree(kDoc);
    find("ZOLW");
    platform::TRichEdit *view = form->TaxonarRtf2RichEdit->RichEdit();
    EXPECT_EQ(selectedText(), A("linia14 zółw"));
    const auto lines = view->DisplayLines();
    ASSERT_GT(lines.size(), 13u);
    EXPECT_EQ(view->SelStart(), lines[13].CharPos);
    EXPECT_EQ(view->SelLength(), lines[13].Text.size());
}

TEST_F(PageSearchTest, MatchInTheLastLineEndsTheContinuationSilently)
{
    clickTree(kLastLine);
    find("koniec");
    EXPECT_EQ(selectedText(), "druga koniec");
    EXPECT_FALSE(CanFindNext);
    EXPECT_FALSE(nextEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(PageSearchTest, NothingFoundSaysSo)
{
    clickTree(kDoc);
    find("brak takiego");
    EXPECT_EQ(messages, (std::vector<AnsiString>{A(NotFound)}));
    EXPECT_FALSE(nextEnabled());
    EXPECT_TRUE(form->TaxonarSearchButton1->Enabled());
}

TEST_F(PageSearchTest, OneBlankIsATerm)
{
    clickTree(kDoc);
    find(" ");
    EXPECT_TRUE(form->TaxonarSearchButton1->Enabled());
    EXPECT_EQ(selectedText(), "linia3 szukane tutaj");
    form->TaxonarSearchEdit->SetText("");
    EXPECT_FALSE(form->TaxonarSearchButton1->Enabled());
    EXPECT_FALSE(form->TaxonarSearchButton2->Enabled());
}

// With the edit empty both buttons are disabled and their captions greyed,
// not black; text in the edit enables Find with a black caption.
TEST_F(PageSearchTest, DisabledButtonsShowGreyCaptions)
{
    clickTree(kDoc);
    form->TaxonarSearchEdit->SetText("");
    ASSERT_FALSE(form->TaxonarSearchButton1->Enabled());
    ASSERT_FALSE(form->TaxonarSearchButton2->Enabled());
    EXPECT_EQ(DarkPixelsInside(form->TaxonarSearchButton1), 0);
    EXPECT_EQ(DarkPixelsInside(form->TaxonarSearchButton2), 0);
    form->TaxonarSearchEdit->SetText("linia");
    ASSERT_TRUE(form->TaxonarSearchButton1->Enabled());
    EXPECT_GT(DarkPixelsInside(form->TaxonarSearchButton1), 0);
}

TEST_F(PageSearchTest, EditingKeepsTheContinuationForTheNewText)
{
    clickTree(kDoc);
    find("szukane");
    form->TaxonarSearchEdit->SetText("linia 1");
    EXPECT_TRUE(CanFindNext);
    findNext();
    EXPECT_EQ(selectedText(), "linia 16");
}

TEST_F(PageSearchTest, TableRowsHoldTheirMarkupButNotTheLinkColumnOrHeader)
{
    clickTree(kTable);
    platform::TStringGrid *g = form->TaxonarTable3StringGrid;
    find("b");
    EXPECT_EQ(g->Row(), 2);
    EXPECT_TRUE(holdsFocus(g));
    EXPECT_EQ(FindNextStart, 3);
    find("ukryte");
    EXPECT_EQ(g->Row(), 3);
    find("nazwa");
    EXPECT_EQ(messages, (std::vector<AnsiString>{A(NotFound)}));
    EXPECT_EQ(g->Row(), 3);
    find("ostatni");
    EXPECT_EQ(g->Row(), 4);
    EXPECT_FALSE(nextEnabled());
    find("0");
    EXPECT_EQ(g->Row(), 1);
    findNext();
    findNext();
    findNext();
    EXPECT_EQ(g->Row(), 4);
    EXPECT_FALSE(nextEnabled());
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PageSearchTest, OpeningAnotherItemEndsTheContinuationButAPdfDoesNot)
{
    clickTree(kDoc);
    find("szukane");
    clickTree(kPdfDoc);
    EXPECT_TRUE(CanFindNext);
    EXPECT_EQ(FindNextStart, 3);
    clickTree(kOther);
    EXPECT_FALSE(CanFindNext);
    EXPECT_FALSE(nextEnabled());

    // The same through the history and a search hit.
    find("szukane");
    EXPECT_EQ(selectedText(), "inny szukane");
    clickTree(kDoc);
    find("szukane");
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_FALSE(CanFindNext);
    EXPECT_FALSE(nextEnabled());
    form->TaxonarNaviNextMenuItem->Click();
    ASSERT_EQ(CurrentItem, kDoc);
    find("linia");
    ASSERT_TRUE(CanFindNext);
    search("inny");
    EXPECT_EQ(CurrentItem, kOther);
    EXPECT_FALSE(CanFindNext);
    EXPECT_FALSE(nextEnabled());
}

TEST_F(PageSearchTest, WithoutAnItemViewNothingHappens)
{
    form->TaxonarNaviClassMenuItem->Click();
    ASSERT_EQ(form->TaxonarSearchPanel->Height(), 0);
    CanFindNext = true;
    FindNextStart = 2;
    form->TaxonarSearchEdit->SetText("x");
    form->TaxonarSearchButton1Click(nullptr);
    form->TaxonarSearchButton2Click(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(CanFindNext);
    EXPECT_EQ(FindNextStart, 2);
}

} // namespace
} // namespace mainformtest
