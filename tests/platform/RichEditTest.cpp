// The rich-text view: loading and saving files, display lines at a width,
// selection by character position, scrolling and printing.
#include "platform/RichEdit.h"
#include "platform/SysUtils.h"

#include "TestSupport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPrinter>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using namespace platform;
using testsupport::TempFolder;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// A document in a fixed-pitch font so that the wrap points are known.
std::string MonoDocument(const QString &family, int points)
{
    return "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fmodern\\fcharset238 " + family.toStdString() +
           ";}}\\f0\\fs" + std::to_string(points * 2) +
           " alpha beta gamma delta epsilon\\par short\\par\\par last\\'b3\\par}";
}

struct MonoView {
    QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    TRichEdit view;
    double charWidth = 0;
    TempFolder folder;

    MonoView()
    {
        std::string path = folder.file("mono.rtf");
        writeFile(path, MonoDocument(family, 10));
        view.LoadFromFile(path);
        QFont f(family);
        f.setPointSize(10);
        charWidth = QFontMetricsF(f).horizontalAdvance(u'x');
    }
    // Resize the view so that `chars` characters (and a little) fit a line.
    void FitChars(int chars)
    {
        int frame = view.Editor()->frameWidth();
        double margin = view.Document()->documentMargin();
        view.resize(int(chars * charWidth + 2 * margin + 2 * frame + charWidth / 2), 400);
    }
};

std::vector<std::pair<QString, int>> Lines(TRichEdit &view)
{
    std::vector<std::pair<QString, int>> out;
    for (const auto &l : view.DisplayLines())
        out.push_back({l.Text, l.CharPos});
    return out;
}

using LineList = std::vector<std::pair<QString, int>>;

// Two long tables of short cells between paragraphs.
std::string TwoTables(int rows)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}\\f0\\fs20 ";
    for (int t = 0; t < 2; ++t) {
        out += "\\pard Tabela " + std::to_string(t) + "\\par ";
        for (int r = 0; r < rows; ++r) {
            out += "\\trowd\\trgaph108\\clbrdrt\\brdrs\\cellx2000\\cellx4000\\cellx6000\\cellx9000 ";
            for (int c = 0; c < 4; ++c)
                out += "\\pard\\intbl kom\\'f3rka " + std::to_string(r) + "." + std::to_string(c) +
                       (c == 3 ? " z d\\'b3u\\'bfszym opisem, kt\\'f3ry si\\'ea zawija" : "") + "\\cell ";
            out += "\\row ";
        }
    }
    return out + "\\pard koniec\\par}";
}

// Counts the times the document a view shows is laid out whole while a
// step runs: each full layout asks the view to repaint all of the document.
class LayoutCounter : public QObject {
    Q_OBJECT
public:
    LayoutCounter(TRichEdit &view) : view_(view)
    {
        for (QObject *child : view.Editor()->children())
            if (child->inherits("QWidgetTextControl"))
                connect(child, SIGNAL(updateRequest(QRectF)), this, SLOT(Update(QRectF)));
    }
    // The number of full layouts of the document shown at the end.
    int Run(const std::function<void()> &step)
    {
        docs_.clear();
        step();
        return int(std::count(docs_.begin(), docs_.end(), view_.Document()));
    }

private slots:
    void Update(const QRectF &rect)
    {
        if (rect.height() >= INT_MAX / 2)
            docs_.push_back(view_.Document());
    }

private:
    TRichEdit &view_;
    std::vector<QTextDocument *> docs_;
};

} // namespace

TEST(RichEditLines, WrappedPiecesAndPositionsAtTwoWidths)
{
    MonoView m;
    m.FitChars(12);
    // "alpha beta gamma delta epsilon" wraps after words; blanks stay at the
    // end of their piece; the paragraph end counts one position.
    EXPECT_EQ(Lines(m.view), (LineList{{"alpha beta ", 0}, {"gamma delta ", 11}, {"epsilon", 23},
                                       {"short", 31}, {"", 37}, {QString::fromUtf8("lastł"), 38}}));
    m.FitChars(20);
    EXPECT_EQ(Lines(m.view), (LineList{{"alpha beta gamma ", 0}, {"delta epsilon", 17}, {"short", 31},
                                       {"", 37}, {QString::fromUtf8("lastł"), 38}}));
    // Shown on screen, the same.
    m.view.show();
    QApplication::processEvents();
    EXPECT_EQ(Lines(m.view)[1], (std::pair<QString, int>{"delta epsilon", 17}));
}

TEST(RichEditLines, LineBreaksTablesAndLongWords)
{
    TempFolder folder;
    std::string path = folder.file("t.rtf");
    writeFile(path, "{\\rtf1 one\\line two\\par\\trowd\\cellx2000\\cellx4000\\intbl A\\cell B\\par C\\cell\\row"
                    "\\pard " + std::string(300, 'w') + "\\par}");
    TRichEdit view;
    view.resize(300, 300);
    view.LoadFromFile(path);
    auto lines = view.DisplayLines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0].Text, "one");
    EXPECT_EQ(lines[0].CharPos, 0);
    EXPECT_EQ(lines[1].Text, "two");
    EXPECT_EQ(lines[1].CharPos, 4);
    // The table's cells follow, row by row; every line selects its own text.
    QStringList texts;
    for (const auto &l : lines)
        texts << l.Text.left(3);
    EXPECT_EQ(texts.mid(2, 3), QStringList({"A", "B", "C"}));
    EXPECT_EQ(lines[2].CharPos, 8);
    int wide = 0;
    for (const auto &l : lines) {
        view.SetSelection(l.CharPos, int(l.Text.size()));
        EXPECT_EQ(view.SelText(), l.Text);
        EXPECT_EQ(view.SelStart(), l.CharPos);
        if (l.Text.startsWith('w'))
            ++wide;
    }
    EXPECT_GE(wide, 2); // a word wider than the view is broken
}

TEST(RichEditSelection, SelectingLinesAsTheSearchDoes)
{
    MonoView m;
    m.FitChars(12);
    m.view.show();
    QApplication::processEvents();
    auto lines = m.view.DisplayLines();
    // Select the line that holds "gamma".
    auto it = std::find_if(lines.begin(), lines.end(), [](const auto &l) { return l.Text.contains("gamma"); });
    ASSERT_NE(it, lines.end());
    m.view.SetSelection(it->CharPos, int(it->Text.size()));
    EXPECT_EQ(m.view.SelStart(), 11);
    EXPECT_EQ(m.view.SelLength(), 12);
    EXPECT_EQ(m.view.SelText(), "gamma delta ");
    EXPECT_TRUE(m.view.Editor()->textCursor().hasSelection());
    // Positions past the end are clamped; a selection may span paragraphs.
    m.view.SetSelection(31, 1000);
    EXPECT_EQ(m.view.SelStart(), 31);
    EXPECT_EQ(m.view.SelText(), QString::fromUtf8("short\n\nlastł"));
    m.view.SetSelection(-5, 3);
    EXPECT_EQ(m.view.SelStart(), 0);
    EXPECT_EQ(m.view.SelLength(), 3);
    m.view.SetSelection(5, 0);
    EXPECT_EQ(m.view.SelLength(), 0);
    EXPECT_EQ(m.view.SelStart(), 5);
}

TEST(RichEditSelection, SelectionIsScrolledIntoView)
{
    TempFolder folder;
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 200; ++i)
        rtf += "line " + std::to_string(i) + "\\par ";
    rtf += "}";
    writeFile(folder.file("long.rtf"), rtf);
    TRichEdit view;
    view.resize(200, 120);
    view.show();
    view.LoadFromFile(folder.file("long.rtf"));
    QApplication::processEvents();
    QScrollBar *bar = view.Editor()->verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    auto lines = view.DisplayLines();
    ASSERT_EQ(lines.size(), 200u);
    view.SetSelection(lines[150].CharPos, int(lines[150].Text.size()));
    EXPECT_GT(bar->value(), 0);
    QRect caret = view.Editor()->cursorRect();
    EXPECT_TRUE(view.Editor()->viewport()->rect().intersects(caret));
    view.SetSelection(0, 4);
    EXPECT_LE(bar->value(), int(view.Document()->documentMargin()));
    EXPECT_TRUE(view.Editor()->viewport()->rect().intersects(view.Editor()->cursorRect()));
}

TEST(RichEditFiles, LoadSaveAndReloadKeepTheDocument)
{
    TempFolder folder;
    std::string in = folder.file("in.rtf"), out = folder.file("out.rtf");
    writeFile(in, "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fcharset238 Arial;}}\\f0 Za\\'bf\\'f3\\'b3\\'e6 "
                  "{\\b g\\'ea\\'9cl\\'b9}\\par\\trowd\\cellx1000\\intbl ja\\'9f\\'f1\\cell\\row\\pard end\\par}");
    TRichEdit view;
    view.LoadFromFile(in);
    QString text = view.Text();
    EXPECT_EQ(text, QString::fromUtf8("Zażółć gęślą\njaźń\nend"));
    view.SaveToFile(out);
    std::string saved = readFile(out);
    EXPECT_TRUE(saved.rfind("{\\rtf1", 0) == 0);
    EXPECT_FALSE(FileExists(out + ".~tmp"));
    // Saving replaces an existing file.
    view.SaveToFile(out);
    EXPECT_EQ(readFile(out), saved);
    TRichEdit again;
    again.LoadFromFile(out);
    EXPECT_EQ(again.Text(), text);
    EXPECT_EQ(again.DisplayLines().size(), view.DisplayLines().size());
}

TEST(RichEditFiles, PlainTextFileShowsAsText)
{
    TempFolder folder;
    writeFile(folder.file("p.txt"), "Pierwsza \xb3\r\nDruga {\\b nie}\r\n");
    TRichEdit view;
    view.LoadFromFile(folder.file("p.txt"));
    EXPECT_EQ(view.Text(), QString::fromUtf8("Pierwsza ł\nDruga {\\b nie}\n"));
}

TEST(RichEditFiles, UnreadableFileRaisesAndKeepsTheContent)
{
    TempFolder folder;
    TRichEdit view;
    view.SetText("Tu bedzie tekst pomocy ...");
    EXPECT_THROW(view.LoadFromFile(folder.file("missing.rtf")), EFOpenError);
    EXPECT_THROW(view.LoadFromFile(folder.path()), EFOpenError); // a folder
    EXPECT_EQ(view.Text(), "Tu bedzie tekst pomocy ...");
    EXPECT_THROW(view.SaveToFile(folder.file("no/such/folder/x.rtf")), EFCreateError);
    try {
        view.LoadFromFile(folder.file("missing.rtf"));
    } catch (const EFOpenError &e) {
        EXPECT_NE(e.Message.find("missing.rtf"), std::string::npos);
    }
}

TEST(RichEditFiles, ClearEmptiesTheView)
{
    TRichEdit view;
    view.SetText("a\nb");
    view.SetSelection(1, 1);
    view.Clear();
    EXPECT_EQ(view.Text(), "");
    auto lines = view.DisplayLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, "");
    EXPECT_EQ(view.SelStart(), 0);
    EXPECT_EQ(view.SelLength(), 0);
}

TEST(RichEditView, ReadOnlyWithScrollBars)
{
    TRichEdit view;
    EXPECT_TRUE(view.Editor()->isReadOnly());
    EXPECT_EQ(view.Editor()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(view.Editor()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    view.SetText("abc");
    view.show();
    view.setFocus();
    QTest::keyClick(view.Editor(), Qt::Key_X);
    EXPECT_EQ(view.Text(), "abc");
}

TEST(RichEditPrint, WholeDocumentToAPrinterWithTheJobTitle)
{
    TempFolder folder;
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 120; ++i)
        rtf += "Wiersz " + std::to_string(i) + "\\par ";
    writeFile(folder.file("d.rtf"), rtf + "}");
    TRichEdit view;
    view.LoadFromFile(folder.file("d.rtf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("out.pdf")));
    view.Print(printer, "Wydruk pomocy");
    EXPECT_EQ(printer.docName(), "Wydruk pomocy");
    std::string pdf = readFile(folder.file("out.pdf"));
    ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
    // The job title is the document's title; the document spans pages.
    std::string utf16title;
    for (char ch : std::string("Wydruk pomocy"))
        utf16title += std::string("\0", 1) + ch;
    EXPECT_NE(pdf.find(utf16title), std::string::npos);
    size_t pages = 0;
    for (size_t at = pdf.find("/Type /Page\n"); at != std::string::npos; at = pdf.find("/Type /Page\n", at + 1))
        ++pages;
    EXPECT_GE(pages, 2u);
}

TEST(RichEditLoadLayout, TallDocumentIsLaidOutOnceForItsLines)
{
    TempFolder folder;
    writeFile(folder.file("tables.rtf"), TwoTables(150));
    writeFile(folder.file("short.rtf"), "{\\rtf1 kr\\'f3tki\\par}");
    // On screen, as the main window shows a document: cleared first.
    TRichEdit view;
    view.resize(500, 300);
    view.show();
    QApplication::processEvents();
    LayoutCounter layouts(view);
    size_t lines = 0;
    EXPECT_EQ(layouts.Run([&] {
                  view.Clear();
                  view.LoadFromFile(folder.file("tables.rtf"));
                  lines = view.DisplayLines().size();
              }),
              1);
    EXPECT_GT(lines, 1200u);
    QScrollBar *bar = view.Editor()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(view.Editor()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    // Again over the tall one, not cleared before.
    EXPECT_EQ(layouts.Run([&] {
                  view.LoadFromFile(folder.file("tables.rtf"));
                  EXPECT_EQ(view.DisplayLines().size(), lines);
              }),
              1);
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    // A short one after it has no scroll bar.
    view.LoadFromFile(folder.file("short.rtf"));
    ASSERT_EQ(view.DisplayLines().size(), 1u);
    QApplication::processEvents();
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_FALSE(bar->isVisible());
}

#include "RichEditTest.moc"
