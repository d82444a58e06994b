// The table's cells: the mark-up's line count and drawing with its quirks,
// row growth, link zones in LinkRecords, the hand cursor, following links,
// and the selected row recorded by the grid's click and key-up.
#include "MainFormFixture.h"

#include "browser/TaxonarInfoCode.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace mainformtest {
namespace {

using platform::TCanvas;
using platform::TStringGrid;

class MainFormCellsTest : public MainFormTest {
protected:
    TStringGrid *grid = nullptr;
    std::vector<std::string> infoTexts;

    void SetUp() override
    {
        MainFormTest::SetUp();
        // A table whose links go to a hidden item, a table row, a missing
        // file, an unknown record and a missing table; a link in a CENTER
        // column; a wrapping link.
        write("t.definition",
              StandardDefinitions() +
                  Record({"NAME=Linki", "PARENT=ROOT", "VIEW=SHOW", "LINK=K", "MODE=TABLE", "FILE=k.txt", "COLUMNS=3",
                          "NAME1=Nr", "WIDTH1=30", "ALIGNMENT1=RIGHT", "NAME2=#B#Opis#B#", "WIDTH2=AUTO",
                          "ALIGNMENT2=Left", "NAME3=Inne", "WIDTH3=120", "ALIGNMENT3=center"}));
        write("k.txt", TableFile({
                           "1\t#L#ukryty#L#tt@h@#\t#L#x#L#TT@H@#",
                           "2\tidz do #L#wiersza#L#TT@T@A09#",
                           "3\t#L#brak#L#TT@X@#",
                           "4\t#L#nic#L#TT@ZZ@#",
                           "5\t#L#brak tabeli#L#TT@Y@#",
                           "6\t#L#do P#L#TT@P@#",
                       }));
        start();
        form->TaxonarNaviClassMenuItem->Click();
        grid = form->TaxonarTable3StringGrid;
        Application->ModalHook = [this](platform::TCustomForm *f) {
            modals.push_back(f->Name());
            if (auto *info = dynamic_cast<TTaxonarInfoForm *>(f))
                infoTexts.push_back(platform::AnsiToUtf8(info->TaxonarInfoText->Caption()));
            bool allOff = true;
            for (const auto &c : form->Commands())
                allOff = allOff && !c.Item->Enabled();
            disabledDuringModal.push_back(allOff);
            f->SetModalResult(platform::mrCancel);
        };
    }

    static constexpr int kLinks = kRecordCount;

    TCanvas &canvas()
    {
        grid->Canvas().SetFont(grid->Font());
        return grid->Canvas();
    }
    int width(const std::string &text, platform::TFontStyles style = {})
    {
        TCanvas &c = canvas();
        c.Font().SetStyle(style);
        const int w = c.TextWidth(text);
        canvas();
        return w;
    }
    int lines(int W, const std::string &text)
    {
        canvas();
        return form->CountMarkupLines(W, text);
    }
    // Draws a text with a fresh link entry and returns the entry.
    std::string draw(int W, const std::string &text, int h = 13)
    {
        canvas();
        const int index = LinkRecords->Add(text + "#R#");
        form->DrawMarkupText(10, W, 100, text, index, h);
        return LinkRecords->Strings(index);
    }
    // Paints the grid off screen until the row heights settle.
    void paint()
    {
        for (int i = 0; i < 3; ++i) {
            QImage image(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
            QPainter painter(&image);
            grid->PaintCells(painter, image.rect());
        }
    }
    struct Zone {
        int l = -1, t = -1, r = -1, b = -1;
    };
    // A value "#name=value#" of an entry's zones' part; -1 when missing.
    static int zoneValue(const std::string &entry, const std::string &name)
    {
        const size_t sep = entry.rfind("#R#");
        const size_t p = sep == std::string::npos ? sep : entry.find("#" + name + "=", sep + 2);
        if (p == std::string::npos)
            return -1;
        return std::stoi(entry.substr(p + name.size() + 2));
    }
    // The zone of link k recorded for cell (col, row).
    Zone zone(int col, int row, int k)
    {
        const std::string entry = LinkRecords->Strings(int(grid->Objects(col, row)));
        const std::string n = std::to_string(k);
        const Zone z{zoneValue(entry, "L" + n), zoneValue(entry, "T" + n), zoneValue(entry, "R" + n),
                     zoneValue(entry, "B" + n)};
        EXPECT_TRUE(z.l >= 0 && z.t >= 0 && z.r >= 0 && z.b >= 0) << entry;
        return z;
    }
    void openLinks()
    {
        ASSERT_TRUE(form->OpenItem(kLinks, true, -1, ""));
        paint();
    }
    void followLink(int col, int row, platform::TMouseButton button = platform::mbLeft)
    {
        const Zone z = zone(col, row, 1);
        form->TaxonarTable3StringGridMouseUp(grid, button, {}, (z.l + z.r) / 2, (z.t + z.b) / 2);
    }
};

TEST_F(MainFormCellsTest, LineCountFollowsBreaksAndWrap)
{
    EXPECT_EQ(lines(200, ""), 1);
    EXPECT_EQ(lines(200, "abc"), 1);
    EXPECT_EQ(lines(200, "#N#"), 1);
    EXPECT_EQ(lines(200, "abc#N#"), 1); // a closing break adds no line
    EXPECT_EQ(lines(200, "abc#N#def"), 2);
    EXPECT_EQ(lines(200, "abc#N##N#def"), 3); // an empty line between
    EXPECT_EQ(lines(200, "abc#n#def"), 1);    // lower case is text
    // Wrap at the last blank: "aaa bbb" does not fit, "aaa b" does.
    const int fit = width("aaa b") + 4;
    EXPECT_EQ(lines(fit, "aaa bbb"), 2);
    EXPECT_EQ(lines(width("aaa bbb") + 4, "aaa bbb"), 1);
    // A word without a blank breaks after the first character too many.
    const int four = width("aaaa") + 4;
    EXPECT_EQ(lines(four, "aaaaaaaa"), 2);
    EXPECT_EQ(lines(four, "aaaaaaaaaa"), 2);
    EXPECT_EQ(lines(four, "aaaaaaaaaaa"), 3);
    // The font the tags set is the one measured: "WW WW" in bold is wider.
    const int plain = width("WW WW") + 4;
    EXPECT_EQ(lines(plain, "WW WW"), 1);
    if (width("WW WW", {platform::fsBold}) > width("WW WW")) {
        EXPECT_EQ(lines(plain, "#B#WW WW"), 2);
        EXPECT_EQ(lines(plain, "#B#WW WW#B#"), 2);
        // The same tag twice in a row: the second is text, bold stays on.
        EXPECT_EQ(lines(plain, "#B##B#WW WW"), 2);
        EXPECT_EQ(lines(width("#B#WW WW") + 4, "#B#x#B#WW WW"), 1); // off again after a character
    }
}

TEST_F(MainFormCellsTest, TagsAreTriedOnceEachInTheirOrder)
{
    // The zone of the link after the styled text starts where that text ends,
    // so it shows what was drawn before it and in which font.
    auto left = [&](const std::string &text) {
        const std::string e = draw(1000, text + "#L#cd#L#TT@P@#");
        const int l = zoneValue(e, "L1");
        EXPECT_GE(l, 0) << e;
        return l - 12;
    };
    // "#U#" then "#B#": underline on, the "#B#" is text.
    EXPECT_EQ(left("#U##B#ab"), width("#B#ab", {platform::fsUnderline}));
    // "#B#" then "#U#": both switched on.
    EXPECT_EQ(left("#B##U#ab"), width("ab", {platform::fsBold, platform::fsUnderline}));
    // Lower-case tags are text.
    EXPECT_EQ(left("#b#ab"), width("#b#ab"));
    // "#I#" then "#B#": the second is text too.
    EXPECT_EQ(left("#I##B#ab"), width("#B#ab", {platform::fsItalic}));
}

TEST_F(MainFormCellsTest, LinkZonesAreRecordedInTheEntry)
{
    const int h = 13;
    // One link on the first line, after plain text.
    std::string e = draw(1000, "zob. #L#P#L#TT@P@#", h);
    const int l = 12 + width("zob. ");
    EXPECT_EQ(e, "zob. #L#P#L#TT@P@##R#L1=" + std::to_string(l) + "#T1=100#R1=" +
                     std::to_string(l + width("P", {platform::fsUnderline})) + "#B1=" + std::to_string(100 + h) +
                     "#C=1#");
    // Two links, numbered in order.
    e = draw(1000, "#L#a#L#X@Y@#, #L#b#L#X@Z@k#");
    EXPECT_NE(e.find("#R#L1="), std::string::npos) << e;
    EXPECT_NE(e.find("#L2="), std::string::npos) << e;
    EXPECT_EQ(e.substr(e.size() - 5), "#C=2#");
    // An unterminated link, an empty link and a link ending in a style tag
    // count but get no zone.
    EXPECT_EQ(draw(1000, "see #L#abc"), "see #L#abc#R#C=1#");
    EXPECT_EQ(draw(1000, "#L#ab#B##L#X@Y@#"), "#L#ab#B##L#X@Y@##R#C=1#");
    // A cell without links at all still gets its count.
    EXPECT_EQ(draw(1000, "abc"), "abc#R#C=0#");
    // A link wrapping onto a second line is hot only there.
    e = draw(width("aa bbb") + 4, "aa #L#bbb ccc#L#X@Y@#", h);
    EXPECT_NE(e.find("L1=12#T1=" + std::to_string(100 + h) + "#"), std::string::npos) << e;
    // Redrawing drops the old zones; an empty text leaves the entry alone.
    const int index = LinkRecords->Add("x#R#L1=1#T1=1#R1=1#B1=1#C=1#");
    form->DrawMarkupText(0, 1000, 0, "", index, h);
    EXPECT_EQ(LinkRecords->Strings(index), "x#R#L1=1#T1=1#R1=1#B1=1#C=1#");
    form->DrawMarkupText(0, 1000, 0, "x", index, h);
    EXPECT_EQ(LinkRecords->Strings(index), "x#R#C=0#");
    // A cell text that itself holds "#R#" keeps it.
    EXPECT_EQ(draw(1000, "a#R#b"), "a#R#b#R#C=0#");
}

TEST_F(MainFormCellsTest, PaintingGrowsRowsAndRecordsZones)
{
    ASSERT_TRUE(form->OpenItem(kLinkTable, true, -1, ""));
    // Row 2's link cell holds a line break; an existing taller row stays.
    grid->SetRowHeights(1, 100);
    paint();
    const int h = canvas().TextHeight("x");
    EXPECT_EQ(grid->RowHeights(0), 16);
    EXPECT_EQ(grid->RowHeights(1), 100);
    EXPECT_EQ(grid->RowHeights(2), std::max(16, 2 * h + 10));
    ASSERT_EQ(LinkRecords->Count(), 1);
    const platform::TRect cell = grid->CellRect(1, 2);
    const Zone z = zone(1, 2, 1);
    EXPECT_EQ(z.l, cell.Left + 2 + width("link "));
    EXPECT_EQ(z.t, cell.Top + 5);
    EXPECT_EQ(z.b, cell.Top + 5 + h);
    EXPECT_EQ(LinkRecords->Strings(0).substr(LinkRecords->Strings(0).size() - 5), "#C=1#");
    // After a resize the rows return to 16 and grow again when painted.
    form->TaxonarTable3PanelResize(nullptr);
    EXPECT_EQ(grid->RowHeights(1), 16);
    paint();
    EXPECT_EQ(grid->RowHeights(1), std::max(16, h + 10));
}

TEST_F(MainFormCellsTest, EmptyLeftCellNeedsOneLine)
{
    write("k.txt", TableFile({"1\t\tx"}));
    ASSERT_TRUE(form->OpenItem(kLinks, true, -1, ""));
    paint();
    EXPECT_EQ(grid->RowHeights(1), std::max(16, canvas().TextHeight("") + 10));
}

TEST_F(MainFormCellsTest, HandCursorOverLinkZonesOnly)
{
    openLinks();
    const Zone z = zone(1, 2, 1);
    auto cursorAt = [&](int x, int y) {
        form->TaxonarTable3StringGridMouseMove(grid, {}, x, y);
        return grid->Cursor();
    };
    EXPECT_EQ(cursorAt((z.l + z.r) / 2, (z.t + z.b) / 2), platform::crHandPoint);
    EXPECT_EQ(cursorAt(z.l, z.t), platform::crHandPoint); // bounds are inclusive
    EXPECT_EQ(cursorAt(z.r, z.b), platform::crHandPoint);
    EXPECT_EQ(cursorAt(z.l - 1, z.t), platform::crDefault);
    EXPECT_EQ(LastHoverRow, 2);
    EXPECT_EQ(LastHoverCol, 1);
    // The heading row and a cell without links: default.
    EXPECT_EQ(cursorAt((z.l + z.r) / 2, 3), platform::crDefault);
    EXPECT_EQ(LastHoverRow, 0);
    const platform::TRect nr = grid->CellRect(0, 2);
    cursorAt((z.l + z.r) / 2, (z.t + z.b) / 2);
    EXPECT_EQ(cursorAt(nr.Left + 3, nr.Top + 3), platform::crDefault);
    // The link in the CENTER column is not drawn with mark-up: no zones.
    const int tag = int(grid->Objects(2, 1));
    ASSERT_GE(tag, 0);
    EXPECT_EQ(LinkRecords->Strings(tag), "#L#x#L#TT@H@##R#");
    const platform::TRect cr = grid->CellRect(2, 1);
    EXPECT_EQ(cursorAt((cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2), platform::crDefault);
}

TEST_F(MainFormCellsTest, MovingIntoAnotherCellRepaintsFirst)
{
    openLinks();
    const Zone z = zone(1, 2, 1);
    // Stale zones somewhere else: the repaint on entering the cell puts the
    // right ones back before the cursor is decided.
    const int tag = int(grid->Objects(1, 2));
    const AnsiString entry = LinkRecords->Strings(tag);
    LinkRecords->Put(tag, entry.substr(0, entry.rfind("#R#")) + "#R#L1=0#T1=0#R1=1#B1=1#C=1#");
    form->TaxonarTable3StringGridMouseMove(grid, {}, 1, 1);
    form->TaxonarTable3StringGridMouseMove(grid, {}, (z.l + z.r) / 2, (z.t + z.b) / 2);
    EXPECT_EQ(grid->Cursor(), platform::crHandPoint);
    EXPECT_EQ(LinkRecords->Strings(tag), entry);
}

TEST_F(MainFormCellsTest, FollowingALinkOpensTheTableAtTheKeyedRow)
{
    openLinks();
    grid->SetRow(2); // the mouse-down selects the row
    followLink(1, 2, platform::mbRight); // any button follows
    EXPECT_EQ(CurrentItem, kT);
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(grid->Row(), 9); // the first of the two A09 rows
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kLinks, 2), entry(kT, 9)}));
    EXPECT_EQ(CurrentEntry, entry(kT, 9));
    EXPECT_TRUE(modals.empty());
    EXPECT_TRUE(form->TaxonarNaviPrevMenuItem->Enabled());
    form->TaxonarNaviPrevMenuItem->Click();
    form->TaxonarNaviNextMenuItem->Click();
    EXPECT_EQ(grid->Row(), 9);
}

TEST_F(MainFormCellsTest, LinkToHiddenItemAppendsAfterForwardEntries)
{
    openLinks();
    clickTree(kP);
    clickTree(kQ);
    form->TaxonarNaviPrevMenuItem->Click();
    form->TaxonarNaviPrevMenuItem->Click();
    ASSERT_EQ(CurrentItem, kLinks);
    paint();
    followLink(1, 1); // signature and link compared in upper case
    EXPECT_EQ(CurrentItem, kHidden);
    EXPECT_EQ(ViewMode, 2);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kLinks, 1), entry(kP), entry(kQ), entry(kHidden)}));
    EXPECT_EQ(HistoryIndex, 3);
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(CurrentItem, kQ);
}

TEST_F(MainFormCellsTest, LinkToLeafDropsForwardEntries)
{
    openLinks();
    clickTree(kQ);
    form->TaxonarNaviPrevMenuItem->Click();
    paint();
    grid->SetRow(6);
    followLink(1, 6);
    EXPECT_EQ(CurrentItem, kP);
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kLinks, 6), entry(kP)}));
    EXPECT_FALSE(form->TaxonarNaviNextMenuItem->Enabled());
}

TEST_F(MainFormCellsTest, LinkToMissingFileShowsTheMessage)
{
    openLinks();
    followLink(1, 3);
    ASSERT_EQ(infoTexts, (std::vector<std::string>{"Nie znaleziono wybranej strony."}));
    EXPECT_EQ(disabledDuringModal, (std::vector<bool>{true}));
    EXPECT_EQ(TaxonarInfoForm, nullptr);
    EXPECT_EQ(CurrentItem, kLinks);
    EXPECT_EQ(CurrentEntry, entry(kLinks, 1));
    EXPECT_EQ(history(), (std::vector<std::string>{entry(kLinks, 1)}));
    EXPECT_EQ(ViewMode, 3);
    EXPECT_TRUE(form->TaxonarNaviPrevMenuItem->Enabled() == false);

    // A missing table is reported too, without opening it: the table and
    // its links stay.
    followLink(1, 5);
    EXPECT_EQ(infoTexts.size(), 2u);
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(LinkRecords->Count(), 7);
}

TEST_F(MainFormCellsTest, LinkToUnknownRecordDoesNothingButRecordTheRow)
{
    openLinks();
    grid->SetRow(4);
    CurrentEntry = "x";
    followLink(1, 4);
    EXPECT_TRUE(modals.empty());
    EXPECT_EQ(CurrentItem, kLinks);
    EXPECT_EQ(ViewMode, 3);
    EXPECT_EQ(CurrentEntry, entry(kLinks, 4));
    // Outside a zone, on the heading or on a cell without links: no link.
    CurrentEntry = "x";
    const platform::TRect head = grid->CellRect(1, 0);
    form->TaxonarTable3StringGridMouseUp(grid, platform::mbLeft, {}, head.Left + 3, head.Top + 3);
    const platform::TRect plain = grid->CellRect(0, 3);
    form->TaxonarTable3StringGridMouseUp(grid, platform::mbLeft, {}, plain.Left + 3, plain.Top + 3);
    EXPECT_EQ(CurrentEntry, "x");
    const platform::TRect cell = grid->CellRect(1, 3);
    form->TaxonarTable3StringGridMouseUp(grid, platform::mbLeft, {}, cell.Right - 2, cell.Bottom - 2);
    EXPECT_EQ(CurrentEntry, entry(kLinks, 4)); // recorded, nothing followed
    EXPECT_TRUE(modals.empty());
}

TEST_F(MainFormCellsTest, RealMouseClickFollowsTheLink)
{
    openLinks();
    form->TaxonarNaviTreeView->SetSelected(nullptr);
    QApplication::processEvents();
    paint();
    const Zone z = zone(1, 6, 1);
    QWidget *viewport = static_cast<QAbstractScrollArea *>(grid->Widget())->viewport();
    const QPoint p((z.l + z.r) / 2, (z.t + z.b) / 2);
    QTest::mouseMove(viewport, p);
    EXPECT_EQ(grid->Cursor(), platform::crHandPoint);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, p);
    EXPECT_EQ(CurrentItem, kP);
}

TEST_F(MainFormCellsTest, ClickAndKeyUpRecordTheSelectedRow)
{
    openLinks();
    grid->SetRow(5);
    EXPECT_EQ(CurrentEntry, entry(kLinks, 5));
    CurrentEntry.clear();
    uint16_t key = platform::VK_DOWN;
    form->TaxonarTable3StringGridKeyUp(grid, key, {});
    EXPECT_EQ(CurrentEntry, entry(kLinks, 5));
    CurrentEntry.clear();
    form->TaxonarTable3StringGridClick(grid);
    EXPECT_EQ(CurrentEntry, entry(kLinks, 5));
    // Moving on and coming back restores the row the user chose.
    clickTree(kP);
    form->TaxonarNaviPrevMenuItem->Click();
    EXPECT_EQ(grid->Row(), 5);
}

} // namespace
} // namespace mainformtest
