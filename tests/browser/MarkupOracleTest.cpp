// The cell mark-up's fast measuring against the rule as written: the line
// count and drawing of a cell measured again after every character (kept here
// as the oracle), on the sample catalogue's tables, on generated tables of
// long cells with mark-up and links, and on hand-made edge cases. Line
// counts, the font left behind, drawn pixels and link zones must be
// identical; a whole table open with the oracle's draw-cell event and the
// grid's repaint after row growth must give the same row heights, LinkRecords
// and screen as the fast route with rows sized before they are drawn.
#include "MainFormFixture.h"

#include "platform/Grids.h"
#include "platform/TextFile.h"
#include "tools/PrepTool.h"

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace mainformtest {
namespace {

using platform::TCanvas;
using platform::TColor;
using platform::TFontStyles;
using platform::TRect;
using platform::TStringGrid;

// ------------------------------------------------------------ the oracle

// TextWidth as the canvas measured before it kept fonts and widths: a fresh
// font and metrics for every call.
int literalWidth(const TCanvas &c, const std::string &text)
{
    const QFont f = c.Font().ToQFont();
    QPaintDevice *device = c.Painter() ? c.Painter()->device() : nullptr;
    const QFontMetrics fm = device ? QFontMetrics(f, device) : QFontMetrics(f);
    return fm.horizontalAdvance(platform::AnsiToQString(text));
}

struct OracleState {
    std::string rest;
    bool bold = false, underline = false, italic = false, link = false;
};

void oracleStyle(TCanvas &c, platform::TFontStyle s, bool on)
{
    TFontStyles styles = c.Font().Style();
    on ? styles.Include(s) : styles.Exclude(s);
    c.Font().SetStyle(styles);
}

// The five tags in their order; before(kind) runs before a tag acts (0 style,
// 1 link open, 2 link close, 3 line break). True when "#N#" ended the line.
template <class Before>
bool oracleTags(OracleState &st, TCanvas &c, Before before)
{
    auto starts = [&](const char *tag) { return st.rest.compare(0, 3, tag) == 0; };
    if (st.rest.empty() || st.rest[0] != '#')
        return false;
    auto style = [&](const char *tag, bool &on, platform::TFontStyle fs) {
        if (!starts(tag))
            return;
        before(0);
        st.rest.erase(0, 3);
        on = !on;
        oracleStyle(c, fs, on);
    };
    style("#B#", st.bold, platform::fsBold);
    style("#U#", st.underline, platform::fsUnderline);
    style("#I#", st.italic, platform::fsItalic);
    if (starts("#L#")) {
        if (!st.link) {
            before(1);
            st.rest.erase(0, 3);
            st.link = true;
            oracleStyle(c, platform::fsUnderline, true);
            c.Font().SetColor(platform::RGB(0, 0, 255));
        } else {
            before(2);
            st.rest.erase(0, 3);
            const size_t h = st.rest.find('#');
            st.rest.erase(0, h == std::string::npos ? st.rest.size() : h + 1);
            st.link = false;
            oracleStyle(c, platform::fsUnderline, false);
            c.Font().SetColor(platform::clWindowText);
        }
    }
    if (starts("#N#")) {
        before(3);
        st.rest.erase(0, 3);
        return true;
    }
    return false;
}

void oracleTrim(std::string &s)
{
    size_t a = 0;
    while (a < s.size() && static_cast<unsigned char>(s[a]) <= 32)
        ++a;
    size_t b = s.size();
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32)
        --b;
    s = s.substr(a, b - a);
}

int oracleCount(TCanvas &c, int W, const std::string &text)
{
    if (text.empty())
        return 1;
    OracleState st{text};
    std::string line;
    size_t blank = 0;
    int count = 0;
    do {
        for (;;) {
            if (oracleTags(st, c, [](int) {}))
                break;
            if (!st.rest.empty()) {
                line += st.rest[0];
                st.rest.erase(0, 1);
            }
            if (!line.empty() && line.back() == ' ')
                blank = line.size();
            if (literalWidth(c, line) + 4 <= W && !st.rest.empty())
                continue;
            break;
        }
        if (blank > 0 && literalWidth(c, line) + 4 > W) {
            st.rest = line.substr(blank - 1) + st.rest;
            line.resize(blank - 1);
        }
        oracleTrim(st.rest);
        ++count;
        line.clear();
        blank = 0;
    } while (!st.rest.empty());
    return count;
}

// Draws as the reader does (a segment that no longer fits on a line where
// something was drawn goes back to its last blank, or wholly to the next line
// when an earlier segment of the line had a blank) and returns the zones.
std::string oracleDraw(TCanvas &c, int x0, int W, int y0, const std::string &text, int h)
{
    std::string zones;
    if (text.empty())
        return zones;
    OracleState st{text};
    std::string segment;
    int segWidth = 0, offset = 0, y = y0, n = 0;
    size_t blank = 0;
    bool lineHadBlank = false;
    auto flush = [&] {
        if (segment.empty())
            return;
        c.TextOut(x0 + 2 + offset, y, segment);
        offset += segWidth;
        lineHadBlank = lineHadBlank || blank > 0;
        segment.clear();
        segWidth = 0;
        blank = 0;
    };
    auto before = [&](int kind) {
        if (kind == 2 && !segment.empty()) {
            const int left = x0 + 2 + offset;
            const std::string k = std::to_string(n);
            zones += "L" + k + "=" + std::to_string(left) + "#T" + k + "=" + std::to_string(y) + "#R" + k + "=" +
                     std::to_string(left + segWidth) + "#B" + k + "=" + std::to_string(y + h) + "#";
        }
        flush();
        if (kind == 1)
            ++n;
    };
    auto cutBack = [&] {
        st.rest = segment.substr(blank - 1) + st.rest;
        segment.resize(blank - 1);
    };
    do {
        for (;;) {
            if (oracleTags(st, c, before))
                break;
            if (!st.rest.empty()) {
                segment += st.rest[0];
                st.rest.erase(0, 1);
            }
            segWidth = literalWidth(c, segment);
            if (!segment.empty() && segment.back() == ' ')
                blank = segment.size();
            if (segWidth + offset + 4 <= W && !st.rest.empty())
                continue;
            break;
        }
        if (offset == 0) {
            if (blank > 0 && literalWidth(c, segment) + 4 > W)
                cutBack();
        } else if (offset + literalWidth(c, segment) + 4 > W) {
            if (blank > 0) {
                cutBack();
            } else if (lineHadBlank) {
                st.rest = segment + st.rest;
                segment.clear();
            }
        }
        if (!segment.empty())
            c.TextOut(x0 + 2 + offset, y, segment);
        oracleTrim(st.rest);
        segment.clear();
        segWidth = 0;
        offset = 0;
        blank = 0;
        lineHadBlank = false;
        y += h;
    } while (!st.rest.empty());
    return zones + "C=" + std::to_string(n) + "#";
}

// ------------------------------------------------------------- corpora

// Cells as the loader puts them into the grid, from every line of a table file.
std::vector<std::string> tableCells(const std::string &path)
{
    std::vector<std::string> cells;
    platform::TextFile file(path);
    file.Reset();
    while (!file.Eof()) {
        const std::string line = DecodeTableLine(file.ReadLn());
        size_t start = 0;
        while (!line.empty()) {
            const size_t tab = line.find('\t', start);
            std::string cell = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
            oracleTrim(cell);
            if (!cell.empty() && cell.front() == '"')
                cell.erase(0, 1);
            if (!cell.empty() && cell.back() == '"')
                cell.pop_back();
            oracleTrim(cell);
            cells.push_back(cell);
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
    }
    file.CloseFile();
    return cells;
}

std::vector<std::string> edgeCells()
{
    return {
        "",
        "#N#",
        "abc#N#",
        "abc#N##N#def",
        "#U##B#podkreślone i tekst",
        "#B##U#oba",
        "#b#małe #n# znaczniki",
        std::string(400, 'W'),
        "słowo " + std::string(300, 'x') + " koniec",
        "#L#otwarty bez końca i długi tekst linku " + std::string(60, 'l'),
        "#L#link#L#bez krzyżyka na końcu",
        "#L#a#B#b#B##L#T@X@#",
        "tekst#L##L#T@X@#dalej",
        "ffi ffl ff fi fl Ąffż ĄffiV Taffy WAffle efficient offline staff ff ff ff ff ff ff ff ff ff ff",
        "AVAVAVAV To Wy LT Ty Yo " + std::string(20, 'f') + " koniec",
        "tab\tw środku\ti dalej, miękki\xAD" "dzielnik oraz \x81 bajt",
        "   spacje   na   brzegach   ",
        "#B#" + std::string(200, 'a') + "#B# " + std::string(50, 'b'),
        "1,5#N#2#N#3 #I#kursywa#I# #U#podkreślenie#U# #L#link 1#L#S@L@k# #L#link 2#L#S@L@#",
    };
}

std::vector<std::string> generatedCells()
{
    std::vector<std::string> cells;
    for (const int chars : {40, 300, 2500})
        for (int row = 1; row <= 12; ++row) {
            const std::string line = rbkn::SynthMarkupRow(77, row, chars);
            size_t start = 0;
            for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
                cells.push_back(line.substr(start, tab - start));
            cells.push_back(line.substr(start));
        }
    return cells;
}

// ------------------------------------------------------------- fixtures

class MarkupOracleTest : public MainFormTest {
protected:
    TStringGrid *grid = nullptr;

    void SetUp() override
    {
        MainFormTest::SetUp();
        create();
        grid = form->TaxonarTable3StringGrid;
    }

    struct Font {
        TFontStyles style;
        TColor color;
        bool operator==(const Font &) const = default;
    };
    Font font() { return {grid->Canvas().Font().Style(), grid->Canvas().Font().Color()}; }
    void resetFont(const Font &f)
    {
        grid->Canvas().SetFont(grid->Font());
        grid->Canvas().Font().SetStyle(f.style);
        grid->Canvas().Font().SetColor(f.color);
    }

    // Counts and draws a cell both ways from the same font and compares
    // every result; returns the number of cells compared.
    void compareCell(const std::string &text, int W)
    {
        SCOPED_TRACE("W=" + std::to_string(W) + " text=" + text.substr(0, 80));
        TCanvas &c = grid->Canvas();
        const Font start{{}, platform::clWindowText};
        resetFont(start);
        const int fast = form->CountMarkupLines(W, text);
        const Font fastFont = font();
        resetFont(start);
        const int literal = oracleCount(c, W, text);
        ASSERT_EQ(fast, literal);
        ASSERT_TRUE(fastFont == font()) << "the font the tags left";

        // Drawing starts from the font the count left, as in the grid.
        const int h = c.TextHeight(text);
        QImage fastImage(W + 120, (literal + 3) * h + 20, QImage::Format_RGB32);
        QImage literalImage = fastImage;
        fastImage.fill(Qt::white);
        literalImage.fill(Qt::white);
        const int index = LinkRecords->Add(text + "#R#");
        {
            QPainter p(&fastImage);
            c.BeginPaint(&p);
            resetFont(fastFont);
            form->DrawMarkupText(3, W, 5, text, index, h);
            c.EndPaint();
        }
        const Font fastAfter = font();
        std::string literalZones;
        {
            QPainter p(&literalImage);
            c.BeginPaint(&p);
            resetFont(fastFont);
            literalZones = oracleDraw(c, 3, W, 5, text, h);
            c.EndPaint();
        }
        const std::string entry = LinkRecords->Strings(index);
        if (text.empty())
            EXPECT_EQ(entry, text + "#R#");
        else
            EXPECT_EQ(entry, text + "#R#" + literalZones);
        EXPECT_TRUE(fastAfter == font());
        EXPECT_TRUE(fastImage == literalImage) << "drawn pixels differ";
        ++compared;
    }
    int compared = 0;
};

TEST_F(MarkupOracleTest, CellsOfTheSampleCatalogueAgree)
{
    const QDir tables(QString(RUBRIKON_PROGRAM_DIR) + "/tables");
    const QStringList files = tables.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &f : files)
        for (const std::string &cell : tableCells(tables.filePath(f).toStdString()))
            for (const int W : {60, 200, 260, 610})
                compareCell(cell, W);
    EXPECT_GT(compared, 500);
}

TEST_F(MarkupOracleTest, GeneratedLongCellsAgree)
{
    for (const std::string &cell : generatedCells())
        for (const int W : {70, 220, 640})
            compareCell(cell, W);
    EXPECT_GT(compared, 400);
}

TEST_F(MarkupOracleTest, EdgeCasesAgreeAtEveryWidth)
{
    // Narrow columns hold less than a character; a width just around each
    // break point tests the confirmation of each decision.
    for (const std::string &cell : edgeCells())
        for (int W = 1; W <= 160; W += 3)
            compareCell(cell, W);
    for (const std::string &cell : edgeCells())
        compareCell(cell, 900);
}

// In a font whose ligatures (ff, fi) kern with their neighbours unlike their
// letters, the width model is only an estimate: decisions it gets wrong must
// be caught by their confirmation and the line laid out by the rule.
TEST_F(MarkupOracleTest, EdgeCasesAgreeInAFontWithLigatures)
{
    grid->Font().SetName("DejaVu Sans");
    for (const std::string &cell : edgeCells())
        for (int W = 20; W <= 200; W += 2)
            compareCell(cell, W);
}

// A table opened with the oracle's draw-cell event and the grid's repaint
// after growth, against the reader's own event with rows sized first.
class MarkupOpenOracleTest : public MarkupOracleTest {
protected:
    int grown = 0, zoned = 0; // rows that grew, link cells with a zone
    struct Outcome {
        std::vector<int> heights;
        std::vector<std::string> links;
        QImage screen;
        int top = 0, row = 0;
    };

    void settle()
    {
        for (int i = 0; i < 6; ++i)
            QApplication::processEvents();
    }

    Outcome open(int item)
    {
        EXPECT_TRUE(form->OpenItem(item, false, -1, ""));
        settle();
        Outcome o;
        for (int r = 0; r < grid->RowCount(); ++r)
            o.heights.push_back(grid->RowHeights(r));
        for (int i = 0; i < LinkRecords->Count(); ++i)
            o.links.push_back(LinkRecords->Strings(i));
        o.top = grid->TopRow();
        o.row = grid->Row();
        o.screen = QImage(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
        QPainter p(&o.screen);
        grid->PaintCells(p, o.screen.rect());
        return o;
    }

    // The draw-cell event as written, on the oracle.
    void oracleDrawCell(int ACol, int ARow, TRect Rect)
    {
        TCanvas &c = grid->Canvas();
        const std::string text = grid->Cells(ACol, ARow);
        auto inList = [&](const std::string &list) { return list.find("#" + std::to_string(ACol) + "#") != std::string::npos; };
        auto centredY = [&] { return Rect.Top + (Rect.Height() - c.TextHeight(text)) / 2; };
        if (ARow == 0) {
            c.FillRect(Rect);
            c.Font().SetColor(platform::clWindowText);
            c.TextRect(Rect, Rect.Left + (Rect.Width() - literalWidth(c, text)) / 2, centredY(), text);
        } else if (inList(LeftColumns)) {
            c.FillRect(Rect);
            const int h = c.TextHeight(text);
            const int lines = oracleCount(c, grid->ColWidths(ACol), text);
            if (grid->RowHeights(ARow) < lines * h + 10)
                grid->SetRowHeights(ARow, lines * h + 10);
            c.FillRect(Rect);
            const std::string zones = oracleDraw(c, Rect.Left, Rect.Right - Rect.Left, Rect.Top + 5, text, h);
            const int tag = int(grid->Objects(ACol, ARow));
            if (!text.empty() && tag >= 0 && tag < LinkRecords->Count()) {
                std::string entry = LinkRecords->Strings(tag);
                entry.resize(entry.rfind("#R#"));
                LinkRecords->Put(tag, entry + "#R#" + zones);
            }
        } else if (inList(RightColumns)) {
            c.FillRect(Rect);
            c.TextRect(Rect, Rect.Right - literalWidth(c, text) - 3, centredY(), text);
        } else if (inList(CenterColumns)) {
            c.FillRect(Rect);
            c.TextRect(Rect, Rect.Left + (Rect.Width() - literalWidth(c, text)) / 2, centredY(), text);
        }
    }

    void compareOpen(int item)
    {
        SCOPED_TRACE("item " + std::to_string(item));
        const Outcome fast = open(item);
        const platform::TDrawCellEvent own = grid->OnDrawCell;
        grid->OnDrawCell = platform::TDrawCellEvent::FromFunction(
            [this](platform::TObject *, int c, int r, TRect rect, platform::TGridDrawState) { oracleDrawCell(c, r, rect); });
        grid->SetSizeRowsBeforeDrawing(false);
        const Outcome literal = open(item);
        grid->OnDrawCell = own;
        grid->SetSizeRowsBeforeDrawing(true);
        EXPECT_EQ(fast.heights, literal.heights);
        EXPECT_EQ(fast.links, literal.links);
        EXPECT_EQ(fast.top, literal.top);
        EXPECT_EQ(fast.row, literal.row);
        EXPECT_TRUE(fast.screen == literal.screen) << "screens differ";
        ++compared;
        for (const int h : fast.heights)
            grown += h > 16;
        for (const std::string &e : fast.links)
            zoned += e.find("#L1=") != std::string::npos;
    }
};

TEST_F(MarkupOpenOracleTest, SampleCatalogueTablesOpenAlike)
{
    delete form;
    SetProgramFolderSource([] { return std::string(RUBRIKON_PROGRAM_DIR) + "/"; });
    create();
    grid = form->TaxonarTable3StringGrid;
    form->Show();
    QApplication::processEvents();
    for (int i = 0; i < ItemRecords->Count(); ++i)
        if (GetRecordValue(ItemRecords->Strings(i), "MODE=") == "TABLE")
            compareOpen(i);
    EXPECT_GE(compared, 10);
    EXPECT_GT(grown, 20);
}

TEST_F(MarkupOpenOracleTest, GeneratedTablesOpenAlike)
{
    // Long cells of mark-up and links in LEFT columns, links in a RIGHT
    // column (no zones), a narrow LEFT column and a column of no alignment.
    auto table = [](const std::string &name, const std::string &file, const std::string &widths,
                    const std::string &aligns) {
        std::vector<std::string> keys = {"NAME=" + name, "PARENT=ROOT", "VIEW=SHOW", "LINK=" + name,
                                         "MODE=TABLE", "FILE=" + file, "COLUMNS=4"};
        for (int n = 1; n <= 4; ++n) {
            keys.push_back("NAME" + std::to_string(n) + "=K" + std::to_string(n));
            keys.push_back("WIDTH" + std::to_string(n) + "=" + widths.substr(size_t(n - 1) * 5, 4));
            keys.push_back("ALIGNMENT" + std::to_string(n) + "=" + aligns.substr(size_t(n - 1) * 7, 6));
        }
        std::string r = "{\r\n";
        for (const auto &k : keys)
            r += k + "\r\n";
        return r + "}\r\n";
    };
    write("t.definition", StandardDefinitions() + table("G1", "g1.txt", "0070 AUTO 0220 0070", "CENTER LEFT   LEFT   RIGHT ") +
                              table("G2", "g2.txt", "0040 AUTO 0090 0120", "LEFT   LEFT   NONE   LEFT  ") +
                              table("G3", "g3.txt", "AUTO 0300 0030 0050", "LEFT   CENTER LEFT   RIGHT "));
    rbkn::WriteSynthMarkupTable(prog.file("g1.txt"), 120, 300, 5);
    rbkn::WriteSynthMarkupTable(prog.file("g2.txt"), 60, 1200, 6);
    rbkn::WriteSynthMarkupTable(prog.file("g3.txt"), 40, 80, 7);
    form->Show(); // loads the catalogue
    QApplication::processEvents();
    for (const int item : {int(kRecordCount), kRecordCount + 1, kRecordCount + 2, int(kLinkTable), int(kT)})
        compareOpen(item);
    EXPECT_GT(grown, 40);
    EXPECT_GT(zoned, 20);
}

} // namespace
} // namespace mainformtest
