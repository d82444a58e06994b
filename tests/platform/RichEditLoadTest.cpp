// The RTF view loads a document away from the view and shows it at once; the
// former way built it in the shown document one insert at a time. Both ways
// must give the same document and the same view: text, the format of every
// character and block, the tables and their cells, pictures, the display
// lines at two widths, the selection and the scroll position. Compared on the
// shipped sample documents and on generated ones that are hard to show.
#include "platform/Classes.h"
#include "platform/RichEdit.h"
#include "platform/RtfReader.h"
#include "platform/SysUtils.h"

#include "RtfStepwiseBuild.h"
#include "TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempFolder;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// The view's former LoadFromFile.
void LoadStepwise(TRichEdit &view, const std::string &path)
{
    const std::string data = readFile(path);
    view.Clear();
    QTextDocument *doc = view.Document();
    if (IsRtf(data))
        stepwise::ReadRtf(data, *doc);
    else
        ReadPlainText(data, *doc);
    view.Editor()->setTextCursor(QTextCursor(doc));
    view.Editor()->verticalScrollBar()->setValue(0);
    view.Editor()->horizontalScrollBar()->setValue(0);
}

void FramesOf(QTextFrame *frame, std::vector<QTextFrame *> &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        out.push_back(child);
        FramesOf(child, out);
    }
}

// A format with the document's own number of the object it belongs to (a
// table, for the formats of its cells) replaced by the object's place in the
// document: the numbers are the document's internal bookkeeping.
class Normalizer {
public:
    explicit Normalizer(QTextDocument &doc)
    {
        std::vector<QTextFrame *> frames{doc.rootFrame()};
        FramesOf(doc.rootFrame(), frames);
        for (size_t i = 0; i < frames.size(); ++i)
            place_[frames[i]] = int(i);
        doc_ = &doc;
    }
    template <class F>
    F operator()(F f) const
    {
        if (f.objectIndex() >= 0) {
            auto it = place_.find(doc_->object(f.objectIndex()));
            f.setObjectIndex(it == place_.end() ? -100 : -10 - it->second);
        }
        return f;
    }

private:
    QTextDocument *doc_ = nullptr;
    std::map<const QTextObject *, int> place_;
};

// Runs of equal character format in a block: (position, length, format).
using Runs = std::vector<std::tuple<int, int, QTextCharFormat>>;

Runs RunsOf(const QTextBlock &block, const Normalizer &n)
{
    Runs runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const QTextCharFormat format = n(f.charFormat());
        if (!runs.empty() && std::get<2>(runs.back()) == format &&
            std::get<0>(runs.back()) + std::get<1>(runs.back()) == f.position())
            std::get<1>(runs.back()) += f.length();
        else
            runs.emplace_back(f.position(), f.length(), format);
    }
    return runs;
}

// The first difference between two documents, or an empty string.
std::string Difference(QTextDocument &a, QTextDocument &b)
{
    if (a.toPlainText() != b.toPlainText())
        return "text";
    if (a.defaultFont() != b.defaultFont() || a.documentMargin() != b.documentMargin() ||
        a.defaultTextOption().tabStopDistance() != b.defaultTextOption().tabStopDistance() ||
        a.defaultTextOption().wrapMode() != b.defaultTextOption().wrapMode())
        return "document settings";
    if (a.blockCount() != b.blockCount())
        return "block count";
    const Normalizer na(a), nb(b);
    for (QTextBlock x = a.begin(), y = b.begin(); x.isValid(); x = x.next(), y = y.next()) {
        const std::string at = " of the block at " + std::to_string(x.position());
        if (x.position() != y.position() || x.length() != y.length())
            return "extent" + at;
        if (na(x.blockFormat()) != nb(y.blockFormat()))
            return "block format" + at;
        if (na(x.charFormat()) != nb(y.charFormat()))
            return "block character format" + at;
        const Runs rx = RunsOf(x, na), ry = RunsOf(y, nb);
        if (rx.size() != ry.size())
            return "number of format runs" + at;
        for (size_t i = 0; i < rx.size(); ++i) {
            if (rx[i] != ry[i])
                return "characters from " + std::to_string(std::get<0>(rx[i])) + at;
            const QTextCharFormat &f = std::get<2>(rx[i]);
            if (f.isImageFormat()) {
                const QString name = f.toImageFormat().name();
                if (a.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>() !=
                    b.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>())
                    return "picture " + name.toStdString();
            }
        }
    }
    std::vector<QTextFrame *> fa, fb;
    FramesOf(a.rootFrame(), fa);
    FramesOf(b.rootFrame(), fb);
    if (fa.size() != fb.size())
        return "number of frames";
    for (size_t i = 0; i < fa.size(); ++i) {
        const std::string which = " of frame " + std::to_string(i);
        if (fa[i]->firstPosition() != fb[i]->firstPosition() || fa[i]->lastPosition() != fb[i]->lastPosition() ||
            na(fa[i]->frameFormat()) != nb(fb[i]->frameFormat()))
            return "extent or format" + which;
        auto *ta = qobject_cast<QTextTable *>(fa[i]);
        auto *tb = qobject_cast<QTextTable *>(fb[i]);
        if (!ta || !tb) {
            if (ta || tb)
                return "kind" + which;
            continue;
        }
        if (ta->rows() != tb->rows() || ta->columns() != tb->columns())
            return "table size" + which;
        for (int r = 0; r < ta->rows(); ++r)
            for (int c = 0; c < ta->columns(); ++c) {
                const QTextTableCell x = ta->cellAt(r, c), y = tb->cellAt(r, c);
                if (x.row() != y.row() || x.column() != y.column() || x.rowSpan() != y.rowSpan() ||
                    x.columnSpan() != y.columnSpan() || x.firstPosition() != y.firstPosition() ||
                    x.lastPosition() != y.lastPosition() || na(x.format()) != nb(y.format()))
                    return "cell " + std::to_string(r) + "," + std::to_string(c) + which;
            }
    }
    return {};
}

using Lines = std::vector<std::pair<QString, int>>;

Lines LinesOf(TRichEdit &view)
{
    Lines out;
    for (const auto &l : view.DisplayLines())
        out.emplace_back(l.Text, l.CharPos);
    return out;
}

// Loads `path` both ways into two views of one size and font, hidden or on
// screen, and compares everything a caller of the view can see.
void ExpectSameView(const std::string &path, bool shown, QSize size = QSize(640, 480))
{
    SCOPED_TRACE(path + (shown ? " (shown)" : " (hidden)"));
    TRichEdit fast, former;
    for (TRichEdit *v : {&fast, &former}) {
        v->setFont(QFont("Liberation Serif", 11));
        v->resize(size);
        if (shown)
            v->show();
    }
    // Each view has shown a document before, as the main window's has.
    writeFile(path + ".first", "{\\rtf1\\ansi first\\par}");
    fast.LoadFromFile(path + ".first");
    LoadStepwise(former, path + ".first");
    // Read at once, as the searches read a document they have just opened
    // (on screen the view lays out the rest as time allows).
    fast.LoadFromFile(path);
    LoadStepwise(former, path);

    EXPECT_EQ(Difference(*fast.Document(), *former.Document()), "");
    EXPECT_EQ(fast.Text(), former.Text());
    EXPECT_EQ(fast.SelStart(), former.SelStart());
    EXPECT_EQ(fast.SelLength(), former.SelLength());
    for (int width : {640, 237}) {
        fast.resize(width, 300);
        former.resize(width, 300);
        const Lines lines = LinesOf(fast);
        ASSERT_EQ(lines, LinesOf(former)) << "at width " << width;
        // Lines selected as the page search selects them: same selection,
        // same scroll position, at once and once the views have settled.
        for (size_t at : {lines.size() / 2, lines.size() - 1, size_t(0)}) {
            const auto &[text, pos] = lines[at];
            fast.SetSelection(pos, int(text.size()));
            former.SetSelection(pos, int(text.size()));
            EXPECT_EQ(fast.SelText(), former.SelText());
            EXPECT_EQ(fast.Editor()->verticalScrollBar()->value(), former.Editor()->verticalScrollBar()->value())
                << "line " << at << " at width " << width;
        }
        QApplication::processEvents();
        EXPECT_EQ(fast.Editor()->verticalScrollBar()->value(), former.Editor()->verticalScrollBar()->value());
        EXPECT_EQ(fast.Editor()->verticalScrollBar()->maximum(), former.Editor()->verticalScrollBar()->maximum());
    }
}

std::string SourceFile(const std::string &relative)
{
    return std::string(RUBRIKON_SOURCE_DIR) + "/" + relative;
}

// A picture as RTF hex.
std::string PngHex(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "png");
    return bytes.toHex().toStdString();
}

// Hundreds of small tables: rows of different boundaries (cells that span
// columns), shaded cells, several paragraphs in a cell, a picture in a cell,
// and paragraphs and line breaks between the tables.
std::string ManyTables(int tables)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}"
                      "{\\colortbl ;\\red200\\green220\\blue240;\\red255\\green0\\blue0;}\\f0\\fs20 ";
    const std::string picture = "{\\pict\\pngblip\\picwgoal300\\pichgoal200 " + PngHex(12, 8) + "}";
    for (int t = 0; t < tables; ++t) {
        out += "\\pard\\qj Tabela " + std::to_string(t) + "\\line {\\b gruba} i {\\cf2 czerwona}\\par ";
        const int rows = 1 + t % 4;
        for (int r = 0; r < rows; ++r) {
            if ((r + t) % 3 == 0)
                out += "\\trowd\\trgaph108\\trleft" + std::to_string(t % 5 * 100) +
                       "\\clbrdrt\\brdrs\\cellx2000\\clcbpat1\\cellx6000\\cellx8000 ";
            else
                out += "\\trowd\\trgaph70\\cellx2000\\cellx4000\\clcbpat1\\cellx6000\\cellx8000 ";
            const int cells = (r + t) % 3 == 0 ? 3 : 4;
            for (int c = 0; c < cells; ++c) {
                out += "\\pard\\intbl\\qc " + std::to_string(t) + "." + std::to_string(r) + "." + std::to_string(c);
                if (c == 1 && r == 0)
                    out += "\\par drugi akapit {\\i kursywa}";
                if (c == 2 && t % 7 == 0)
                    out += " " + picture;
                out += "\\cell ";
            }
            out += "\\row ";
        }
    }
    return out + "\\pard koniec\\par}";
}

// Two long tables with `cells` cells between them, as big classification
// tables come: a head row, rows of four cells with text that wraps, every
// fifth row with its middle cells joined, shaded cells, a paragraph between
// the tables and after them.
std::string TwoLongTables(int cells)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
                      "{\\f1\\froman\\fcharset238 Times New Roman;}}{\\colortbl ;\\red230\\green230\\blue230;}"
                      "\\f0\\fs20 ";
    const std::string borders = "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                                "\\clbrdrr\\brdrs\\brdrw10";
    int left = cells;
    for (int t = 0; t < 2; ++t) {
        out += "\\pard\\qc{\\b Tabela " + std::to_string(t + 1) + "}\\par ";
        for (int r = 0; left > 0; ++r) {
            if (t == 0 && left <= cells / 2)
                break;
            const bool joined = r % 5 == 4;
            out += "\\trowd\\trgaph108\\trleft-108" + borders + "\\cellx1200" + borders +
                   (joined ? "" : "\\clcbpat1" + borders + "\\cellx5200") + borders + "\\cellx7600" + borders +
                   "\\cellx9300 ";
            for (int c = 0; c < (joined ? 3 : 4); ++c, --left) {
                out += "\\pard\\intbl\\ql\\f" + std::to_string(c == 2) + "\\fs18 ";
                if (c == 0)
                    out += std::to_string(t + 1) + "." + std::to_string(r);
                else
                    for (int w = 0; w < (c == 1 ? 6 + r % 17 : 2 + r % 3); ++w)
                        out += (w % 4 == 0 ? "{\\b dzia\\'b3alno\\'9c\\'e6} " : "przetw\\'f3rstwo ");
                if (c == 1 && r % 7 == 0)
                    out += "\\line i dalej";
                out += "\\cell ";
            }
            out += "\\row ";
        }
    }
    return out + "\\pard koniec\\par}";
}

// The synthetic catalogue's dense document (long paragraphs, tables), written
// by the preparation tool.
std::string DenseDocument(const TempFolder &folder, int kb)
{
    QProcess tool;
    tool.start(QString(RUBRIKON_TOOLS_DIR) + "/rbkn-prep",
               {"synth", QString::fromStdString(folder.file("synth")), "--records", "20", "--table-rows", "5",
                "--rtf-kb", QString::number(kb), "--rtf-dense", "1"});
    tool.waitForFinished(60000);
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return folder.file("synth/rtf/synth.rtf");
}

} // namespace

TEST(RichEditLoadRoute, SampleDocumentsShowAsBefore)
{
    QStringList files = QDir(QString::fromStdString(SourceFile("data/rtf"))).entryList({"*.rtf"}, QDir::Files);
    ASSERT_GE(files.size(), 10);
    TempFolder folder;
    for (const QString &f : files) {
        // A copy, so that the view's first document can go beside it.
        const std::string copy = folder.file(f.toStdString());
        writeFile(copy, readFile(SourceFile("data/rtf/" + f.toStdString())));
        ExpectSameView(copy, false);
        ExpectSameView(copy, true);
    }
    for (const char *f : {"Rubrikon.hlp", "Rubrikon.his", "Rubrikon.ifo"}) {
        const std::string copy = folder.file(f);
        writeFile(copy, readFile(SourceFile(std::string("data/") + f)));
        ExpectSameView(copy, true);
    }
}

TEST(RichEditLoadRoute, LongParagraphsAndTablesShowAsBefore)
{
    TempFolder folder;
    const std::string dense = DenseDocument(folder, 160);
    ASSERT_GT(readFile(dense).size(), 150000u);
    ExpectSameView(dense, false);
    ExpectSameView(dense, true);
}

TEST(RichEditLoadRoute, HundredsOfTablesShowAsBefore)
{
    TempFolder folder;
    writeFile(folder.file("tables.rtf"), ManyTables(300));
    ExpectSameView(folder.file("tables.rtf"), false);
    // Shown, the former way takes long: fewer tables.
    writeFile(folder.file("tables.rtf"), ManyTables(120));
    ExpectSameView(folder.file("tables.rtf"), true);
}

TEST(RichEditLoadRoute, PlainTextAndEmptyDocumentsShowAsBefore)
{
    TempFolder folder;
    writeFile(folder.file("plain.txt"), "pierwszy wiersz\r\ndrugi \xb3\xf3\x9c\r\n\r\nostatni");
    ExpectSameView(folder.file("plain.txt"), true);
    writeFile(folder.file("empty.rtf"), "{\\rtf1}");
    ExpectSameView(folder.file("empty.rtf"), true);
}

TEST(RichEditLoadRoute, ReloadingKeepsOneDocumentAndTheViewSettings)
{
    TempFolder folder;
    writeFile(folder.file("a.rtf"), "{\\rtf1\\ansi alfa\\tab beta\\par}");
    TRichEdit view;
    view.setFont(QFont("Liberation Mono", 13));
    const QFont font = view.Document()->defaultFont();
    const int children = int(view.Editor()->findChildren<QTextDocument *>().size());
    for (int i = 0; i < 3; ++i)
        view.LoadFromFile(folder.file("a.rtf"));
    // The documents shown before are freed, not kept.
    EXPECT_EQ(int(view.Editor()->findChildren<QTextDocument *>().size()), children);
    EXPECT_EQ(view.Document()->defaultFont(), font);
    EXPECT_EQ(view.Document()->documentMargin(), 2);
    EXPECT_FALSE(view.Document()->isUndoRedoEnabled());
    EXPECT_EQ(view.Text(), "alfa\tbeta");
    // The view still follows its font.
    view.setFont(QFont("Liberation Sans", 9));
    EXPECT_EQ(view.Document()->defaultFont().family(), "Liberation Sans");
    // A file that cannot be read leaves the document shown.
    EXPECT_THROW(view.LoadFromFile(folder.file("missing.rtf")), EFOpenError);
    EXPECT_EQ(view.Text(), "alfa\tbeta");
}

TEST(RichEditLoadRoute, TwoLongTablesShowAsBefore)
{
    TempFolder folder;
    // The former way takes long: a part of a big file's cells, still much
    // taller than the view at both widths.
    const std::string big = TwoLongTables(600);
    ASSERT_GT(big.size(), 150000u);
    writeFile(folder.file("tables.rtf"), big);
    ExpectSameView(folder.file("tables.rtf"), false);
    // On screen in a low view, which tables of some seventy rows fill over
    // and over.
    writeFile(folder.file("tables.rtf"), TwoLongTables(260));
    ExpectSameView(folder.file("tables.rtf"), true, QSize(640, 60));
}

// The main window parks the view at no width behind the table view and loads
// the next document there; a document wider than the view but lower than it
// must then wrap as in a view that kept its width.
TEST(RichEditLoadRoute, WideLowDocumentWrapsAlikeAfterTheViewWasParked)
{
    // A picture wider than the view, words that stack up at no width, and a
    // word that is broken anywhere.
    std::string words;
    for (int i = 0; i < 60; ++i)
        words += "yy ";
    TempFolder folder;
    writeFile(folder.file("wide.rtf"), "{\\rtf1\\ansi {\\pict\\pngblip\\picwgoal30000\\pichgoal150 " + PngHex(20, 1) +
                                           "}\\par " + words + "\\par " + std::string(300, 'x') + "\\par}");
    QWidget window;
    window.resize(500, 300);
    window.show();
    TRichEdit parked(&window), open(&window);
    for (TRichEdit *v : {&parked, &open}) {
        v->setGeometry(0, 0, 500, 300);
        v->show();
        v->LoadFromFile(folder.file("wide.rtf"));
    }
    parked.setGeometry(0, 0, 0, 300);
    QApplication::processEvents();
    for (TRichEdit *v : {&parked, &open}) {
        v->Clear(); // as the main window opens an item
        v->LoadFromFile(folder.file("wide.rtf"));
    }
    parked.setGeometry(0, 0, 500, 300);
    auto starts = [](TRichEdit &view) {
        std::vector<int> out;
        for (const auto &l : view.DisplayLines())
            out.push_back(l.CharPos);
        return out;
    };
    EXPECT_EQ(starts(parked), starts(open));
    QApplication::processEvents();
    EXPECT_FALSE(parked.Editor()->verticalScrollBar()->isVisible());
}
