// The main window's searches: the classification search through the search
// dialog with its hit list, and the search on the open page (RTF display
// lines or table rows). Both compare texts in comparable form (upper-cased,
// Polish letters folded, ASCII lower-cased).
//
// Choices of this implementation:
// - When an exception leaves the classification search (an item's file
//   could not be read), the commands are enabled again before it goes on to
//   the application object, as for the other modal windows.
// - A hit whose item can no longer be opened (its file has gone since the
//   search) opens nothing further: no line or row of another page is
//   selected.
// - The classification search does not show each item it searches; it finds
//   the hits that showing the item and testing the view's lines or rows
//   would find (see SearchScan), on worker threads. The window answers
//   messages during the scan and shows the busy cursor; nothing can be
//   started meanwhile (UpdateMenus keeps every command off, and the tree,
//   the hit list and the close image open or clear nothing). Closing the
//   window stops the scan: the workers stop taking items and are joined, and
//   nothing more is opened or shown.
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Cp1250.h"
#include "platform/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

namespace taxonar {

using namespace platform;

namespace {

const char *const NotFoundMessage = "Poszukiwany ciąg znaków nie został odnaleziony.";
const char *const NoMoreMessage = "Nie znaleziono więcej wystąpień poszukiwanego ciągu znaków.";

// Field `k` (from 0) of a TAB-separated entry; "" when it has fewer fields.
AnsiString tabField(const AnsiString &entry, int k)
{
    size_t pos = 0;
    for (int i = 0; i < k; ++i) {
        const size_t tab = entry.find('\t', pos);
        if (tab == AnsiString::npos)
            return AnsiString();
        pos = tab + 1;
    }
    const size_t tab = entry.find('\t', pos);
    return entry.substr(pos, tab == AnsiString::npos ? AnsiString::npos : tab - pos);
}

// The text in code page 1250 as QStringToAnsi gives it: a character the code
// page lacks (a pair of surrogates is one character, a lone one stands for
// U+FFFD) becomes '?'.
void ansiText(std::u16string_view text, AnsiString &out)
{
    static const std::vector<int16_t> table = [] {
        std::vector<int16_t> t(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c)
            t[c] = int16_t(UnicodeToCp1250(c));
        return t;
    }();
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xE000) {
            if (c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
                ++i; // a character beyond the basic plane
            out += '?';
            continue;
        }
        const int b = table[c];
        out += b < 0 ? '?' : char(b);
    }
}

// The scan of the classification search. Each candidate item gives the hits
// that opening it in its view and testing the view's rows or display lines
// would give, without showing it:
// - A table file is read by the table view's loading rules (ReadTableFile)
//   and each row's search text is built as GetRowSearchText builds it from
//   the grid.
// - An RTF document is parsed. A display line lies inside one paragraph and
//   the comparable form works byte by byte, so a line's comparable text is a
//   piece of its paragraph's: a paragraph whose whole text fails the hit test
//   holds no matching line, whatever the word mode. Only the paragraphs that
//   pass (with the tables holding them, and paragraphs with pictures, whose
//   text the view may shorten) are laid out, in a document of their own with
//   the view's font and options, at the width the view wraps the whole
//   document at. A paragraph's lines depend only on its own formats and that
//   width (table columns have fixed widths). The width is the view's with the
//   vertical scroll bar when the document overflows the view at both widths
//   (its paragraphs' fonts alone show it, or its first paragraphs are laid
//   out until they do), the full width when the whole document fits the
//   view at both. The view's widths and height are measured once, on the
//   emptied view, when the first document with a matching paragraph is met.
// What cannot be settled this way is done by opening the item as the view
// does: a document that overflows at one width only, is wider than the view
// or about as high as it; a file that is not RTF; a table beyond the table
// view's bounds; a view whose size cannot be measured; and an item whose
// reading raises (the item searched before is opened again first, so that
// the error leaves what opening every item in turn leaves). After the scan
// the state that opening every item would have left is set: CurrentItem and
// CurrentEntry name the last item opened, the page search's continuation is
// cleared, and when record 0, to which the search returns, leaves the view
// alone, the last candidate is opened again. Hidden views keep their
// content: the RTF view is left empty and the grid keeps its table; neither
// is seen again before an item is loaded into it, and a table loads the same
// whatever the grid held.
//
// The files are read, parsed and laid out by a pool of worker threads (one
// per core), a few items ahead of the window's thread, which takes the
// results in item order, opens the items that were not settled, and keeps
// the window answering meanwhile. A worker makes its own documents, layouts
// and fonts, and an event dispatcher for the timers of Qt's document layout;
// the hit test reads the scan's own copy of the search terms, taken when the
// scan starts. The workers are plain threads, joined at the end, so that a
// thread checker tells them from the threads Qt starts for itself. Once the
// result limit is reached the workers stop taking items.

// The terms of the hit test: the phrase and its words in comparable form,
// and the word mode.
struct SearchTerms {
    AnsiString Phrase;
    std::vector<AnsiString> Words;
    int WordMode = 0;

    // The terms the search dialog left in the search parameters.
    static SearchTerms Current()
    {
        SearchTerms terms{SearchText, {}, SearchWordMode};
        for (int i = 0; SearchWords && i < SearchWords->Count(); ++i)
            terms.Words.push_back(SearchWords->Strings(i));
        return terms;
    }

    bool Matches(const AnsiString &text) const
    {
        const AnsiString c = ComparableText(text);
        switch (WordMode) {
        case 0:
            for (const AnsiString &word : Words)
                if (!ContainsTerm(c, word))
                    return false;
            return true;
        case 1:
            return ContainsTerm(c, Phrase);
        case 2:
            for (const AnsiString &word : Words)
                if (ContainsTerm(c, word))
                    return true;
            return false;
        default:
            return false;
        }
    }
};

} // namespace

QFont SearchOwnFont(const QFont &font)
{
    // A font made from a list of families gets data of its own (a copy, or a
    // setter given the value the font has, would share the data); the other
    // attributes, the resolution and the mask of set attributes are then
    // taken over.
    QFont fresh(font.families());
    QFont own = fresh.resolve(font);
    if (own.isCopyOf(font))
        return fresh; // the fonts were equal already, with the same mask
    own.setResolveMask(font.resolveMask());
    return own;
}

namespace {

// A candidate item of the search.
struct SearchCandidate {
    int Index = 0;
    AnsiString Record;
    AnsiString Path; // its file, in the program folder
    bool Table = false;
};

// How the RTF view lays out, measured on the window's thread.
struct ViewGeometry {
    int WideWidth = 0, NarrowWidth = 0, Height = 0;
    QFont Font;
    QTextOption Option;
    qreal Margin = 0;
    bool DesignMetrics = false;
    // The resolution of the device the view lays out for (0: none).
    int DpiX = 0, DpiY = 0;
};

// A parsed document with its paragraphs that pass the hit test.
struct ParsedRtf {
    RtfDocument Rtf;
    std::vector<char> Keep;
};

// A table item's hits (false: beyond the table view's bounds).
bool tableHits(const SearchTerms &terms, const SearchCandidate &item, std::vector<int> &numbers)
{
    // The record's numbers are converted as the table view converts them, so
    // that a bad one raises here too.
    const AnsiString &record = item.Record;
    const int columns = StrToInt(GetRecordValue(record, "COLUMNS="));
    if (columns > TTaxonarMainForm::MaxTableColumns)
        return false;
    // A table declaring no column shows one empty-headed column.
    std::vector<char> searched(size_t(std::max(columns, 1)), 1);
    for (int n = 1; n <= columns; ++n) {
        const AnsiString num = IntToStr(n);
        const AnsiString width = GetRecordValue(record, "WIDTH" + num + "=");
        if (UpperCase(width) != "AUTO") {
            const int pixels = StrToInt(width);
            if (pixels > TTaxonarMainForm::MaxColumnWidth || pixels < -TTaxonarMainForm::MaxColumnWidth)
                return false;
        }
        searched[size_t(n - 1)] = UpperCase(GetRecordValue(record, "NAME" + num + "=")) != "LINK";
    }
    // Row 1 may be filled again by later lines: it is tested once the next
    // row begins, or at the end (a table without rows has one empty row).
    AnsiString text, rowOne;
    for (char s : searched)
        if (s)
            rowOne += '#';
    bool rowOneTested = false;
    auto testRowOne = [&] {
        rowOneTested = true;
        if (terms.Matches(rowOne))
            numbers.push_back(1);
    };
    ReadTableFile(item.Path, int(searched.size()), false, [&](int row, const std::vector<TableCell> &cells) {
        text.clear();
        for (size_t k = 0; k < cells.size(); ++k) {
            if (searched[k]) {
                text.append(cells[k].Text);
                text += '#';
            }
        }
        if (row == 1) {
            rowOne = text;
            return;
        }
        if (!rowOneTested)
            testRowOne();
        if (terms.Matches(text))
            numbers.push_back(row);
    });
    if (!rowOneTested)
        testRowOne();
    return true;
}

// Reads and parses an RTF item and tests its paragraphs. False when the file
// is not RTF; `parsed` stays empty when no paragraph passes.
bool parseRtfItem(const SearchTerms &terms, const AnsiString &path, std::unique_ptr<ParsedRtf> &parsed)
{
    const std::string data = ReadFileBytes(path);
    if (!IsRtf(data))
        return false;
    auto p = std::make_unique<ParsedRtf>();
    p->Rtf = ParseRtf(data);
    const RtfDocument &rtf = p->Rtf;
    const size_t n = rtf.paragraphs.size();
    p->Keep.assign(n, 0);
    bool any = false;
    std::u16string text;
    AnsiString ansi;
    for (size_t i = 0; i < n; ++i) {
        const RtfParagraph &para = rtf.paragraphs[i];
        bool picture = false;
        text.clear();
        for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r) {
            const RtfRun &run = rtf.runs[r];
            if (run.picture >= 0) {
                picture = true;
                break;
            }
            text.append(rtf.text, run.begin, run.length);
        }
        if (!picture)
            ansiText(text, ansi);
        p->Keep[i] = picture || terms.Matches(ansi);
        any = any || p->Keep[i];
    }
    if (any)
        parsed = std::move(p);
    return true;
}

// The layout of RTF documents by one thread: the documents and fonts it
// makes are used by that thread only.
class RtfLineCounter {
public:
    RtfLineCounter(const SearchTerms &terms, const ViewGeometry &view)
        : terms_(terms), view_(view), font_(SearchOwnFont(view.Font))
    {
        // The view's device belongs to the window's thread: an image of the
        // same resolution stands for it.
        if (view.DpiX > 0 && view.DpiY > 0) {
            device_ = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
            device_.setDotsPerMeterX(qRound(view.DpiX / 0.0254));
            device_.setDotsPerMeterY(qRound(view.DpiY / 0.0254));
        }
    }

    // The numbers of the matching display lines; false when they cannot be
    // settled without the view.
    bool Hits(ParsedRtf &parsed, std::vector<int> &numbers);

private:
    const SearchTerms &terms_;
    const ViewGeometry &view_;
    const QFont font_; // the view's font, for this thread
    QImage device_;    // the view's device, for this thread (null: none)
    // The fonts met so far (family, size, bold, italic): their heights, and
    // the advances of the characters below U+0180.
    using FontKey = std::tuple<QString, int32_t, bool, bool>;
    std::map<FontKey, double> fontHeights_;
    std::map<FontKey, std::vector<double>> fontAdvances_;

    QFontMetricsF metrics(const QFont &font)
    {
        return device_.isNull() ? QFontMetricsF(font) : QFontMetricsF(font, &device_);
    }
    QFont fontOf(const FontKey &key) const;
    static FontKey fontKey(const RtfDocument &rtf, const RtfCharFormat &f);

    double lowestHeight(const RtfDocument &rtf);
    int wrapWidth(RtfDocument &rtf, std::unique_ptr<QTextDocument> &whole);
    std::unique_ptr<QTextDocument> layoutDocument(RtfDocument &rtf, std::vector<RtfParagraph> &paragraphs, int width);
    void countLines(QTextDocument &doc, std::vector<int> &numbers) const;
};

// A document of the given paragraphs (the others of `rtf` left out) with the
// view's font and options, laid out at `width`.
std::unique_ptr<QTextDocument> RtfLineCounter::layoutDocument(RtfDocument &rtf, std::vector<RtfParagraph> &paragraphs,
                                                              int width)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(font_);
    doc->setDefaultTextOption(view_.Option);
    doc->setDocumentMargin(view_.Margin);
    doc->setUseDesignMetrics(view_.DesignMetrics);
    // Pictures that none of the paragraphs shows are put aside (they are
    // decoded when the document is built).
    std::vector<char> shown(rtf.pictures.size(), 0);
    for (const RtfParagraph &para : paragraphs)
        for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r)
            if (rtf.runs[r].picture >= 0 && size_t(rtf.runs[r].picture) < shown.size())
                shown[size_t(rtf.runs[r].picture)] = 1;
    std::vector<std::string> aside(rtf.pictures.size());
    auto swapAside = [&] {
        std::swap(rtf.paragraphs, paragraphs);
        for (size_t i = 0; i < aside.size(); ++i)
            if (!shown[i])
                std::swap(rtf.pictures[i].data, aside[i]);
    };
    // The width and the layout come after the text: a document with a width
    // lays out again at every insertion.
    swapAside();
    try {
        BuildTextDocument(rtf, *doc);
    } catch (...) {
        swapAside();
        throw;
    }
    swapAside();
    // The layout is made on an empty page, where it lays nothing out, so that
    // the document is laid out once, for the device and at the width.
    doc->setPageSize(QSizeF(0, 0));
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    if (!device_.isNull())
        layout->setPaintDevice(&device_);
    doc->setTextWidth(width);
    (void)layout->documentSize();
    return doc;
}

// The numbers of the matching display lines, the lines taken as the view
// takes them.
void RtfLineCounter::countLines(QTextDocument &doc, std::vector<int> &numbers) const
{
    int n = 0;
    AnsiString ansi;
    auto test = [&](std::u16string_view text) {
        ansiText(text, ansi);
        if (terms_.Matches(ansi))
            numbers.push_back(++n);
    };
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const std::u16string_view whole(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
        QTextLayout *layout = block.layout();
        const int count = layout ? layout->lineCount() : 0;
        if (count == 0) {
            test(whole);
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            std::u16string_view piece = whole.substr(size_t(line.textStart()), size_t(line.textLength()));
            if (!piece.empty() && piece.back() == QChar::LineSeparator)
                piece.remove_suffix(1);
            test(piece);
        }
    }
}

RtfLineCounter::FontKey RtfLineCounter::fontKey(const RtfDocument &rtf, const RtfCharFormat &f)
{
    const QString family = f.font >= 0 && size_t(f.font) < rtf.fonts.size() ? rtf.fonts[size_t(f.font)].name : QString();
    return FontKey{family, f.sizeHalfPoints, f.bold, f.italic};
}

QFont RtfLineCounter::fontOf(const FontKey &key) const
{
    QFont font = font_;
    if (!std::get<0>(key).isEmpty())
        font.setFamilies(QStringList{std::get<0>(key)});
    font.setPointSizeF(std::get<1>(key) / 2.0);
    font.setBold(std::get<2>(key));
    font.setItalic(std::get<3>(key));
    return font;
}

// A height the document surely exceeds at any width: every paragraph
// outside tables takes at least one line, as high as the lowest of its fonts
// at least (three quarters of it, half for raised or lowered text, to stay
// clear of rounding); a paragraph with its own line spacing (other than a
// minimum) counts nothing. When the view wraps, a paragraph takes at least
// as many lines as its words need at the widest line it may have: the
// characters are taken at three fifths of their advances, blanks and
// pictures at none, a word at most one line.
double RtfLineCounter::lowestHeight(const RtfDocument &rtf)
{
    const double baseHeight = metrics(font_).height();
    std::vector<double> heights(rtf.formats.size(), -1.0);
    auto formatHeight = [&](uint32_t index) {
        if (index >= heights.size())
            return 0.0;
        double &h = heights[index];
        if (h < 0) {
            const RtfCharFormat &f = rtf.formats[index];
            if (f.sizeHalfPoints < 2)
                return h = 0.0;
            const FontKey key = fontKey(rtf, f);
            auto known = fontHeights_.find(key);
            if (known == fontHeights_.end())
                known = fontHeights_.emplace(key, metrics(fontOf(key)).height()).first;
            h = known->second * (f.vertical ? 0.5 : 1.0);
        }
        return h;
    };
    // Advances by format; none for raised or lowered text.
    std::vector<const std::vector<double> *> advances(rtf.formats.size(), nullptr);
    std::vector<char> advancesKnown(rtf.formats.size(), 0);
    auto formatAdvances = [&](uint32_t index) -> const std::vector<double> * {
        if (index >= advances.size())
            return nullptr;
        if (!advancesKnown[index]) {
            advancesKnown[index] = 1;
            const RtfCharFormat &f = rtf.formats[index];
            if (f.sizeHalfPoints < 2 || f.vertical)
                return nullptr;
            const FontKey key = fontKey(rtf, f);
            auto known = fontAdvances_.find(key);
            if (known == fontAdvances_.end()) {
                const QFontMetricsF m = metrics(fontOf(key));
                std::vector<double> a(0x180, 0.0);
                for (char16_t c = 0x21; c < 0x180; ++c)
                    if (!QChar::isSpace(c) && QChar::isPrint(c))
                        a[c] = std::max(0.0, m.horizontalAdvance(QChar(c)));
                known = fontAdvances_.emplace(key, std::move(a)).first;
            }
            advances[index] = &known->second;
        }
        return advances[index];
    };
    const QTextOption::WrapMode wrap = view_.Option.wrapMode();
    const bool wraps = wrap != QTextOption::NoWrap && wrap != QTextOption::ManualWrap;
    double total = 0;
    for (const RtfParagraph &para : rtf.paragraphs) {
        if ((para.table >= 0 && size_t(para.table) < rtf.tables.size()) ||
            (para.format.lineSpacing != 0 && (para.format.lineSpacing < 0 || para.format.lineMultiple)))
            continue;
        double lowest = para.runCount == 0 ? baseHeight : -1;
        for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r) {
            const RtfRun &run = rtf.runs[r];
            const double h = run.picture >= 0 ? 0.0 : formatHeight(run.format);
            lowest = lowest < 0 ? h : std::min(lowest, h);
        }
        double lines = 1;
        if (wraps) {
            const RtfParaFormat &pf = para.format;
            const double widest = view_.WideWidth + (std::abs(double(pf.leftIndent)) + std::abs(double(pf.rightIndent)) +
                                                     std::abs(double(pf.firstIndent))) / 15.0;
            double words = 0, word = 0;
            for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r) {
                const RtfRun &run = rtf.runs[r];
                if (run.picture >= 0)
                    continue;
                const std::vector<double> *a = formatAdvances(run.format);
                for (uint32_t i = run.begin; i < run.begin + run.length && i < rtf.text.size(); ++i) {
                    const char16_t c = rtf.text[i];
                    if (QChar::isSpace(c)) {
                        words += std::min(word, widest);
                        word = 0;
                    } else if (a && c < 0x180) {
                        word += (*a)[c];
                    }
                }
            }
            words += std::min(word, widest);
            if (widest > 0)
                lines = std::max(1.0, std::ceil(words * 0.6 / widest));
        }
        total += std::max(lowest, 0.0) * 0.75 * lines;
    }
    return total;
}

// The width the view wraps the whole document at; 0 when that is not
// certain. `whole` receives the whole document when it was laid out for the
// answer.
int RtfLineCounter::wrapWidth(RtfDocument &rtf, std::unique_ptr<QTextDocument> &whole)
{
    const size_t n = rtf.paragraphs.size();
    auto tableOf = [&rtf](size_t p) {
        const int32_t t = rtf.paragraphs[p].table;
        return t >= 0 && size_t(t) < rtf.tables.size() ? t : -1;
    };
    if (lowestHeight(rtf) > view_.Height + 40)
        return view_.NarrowWidth;
    for (size_t take = 8;; take *= 4) {
        size_t end = std::min(take, n);
        while (end > 0 && end < n && tableOf(end - 1) >= 0 && tableOf(end) == tableOf(end - 1))
            ++end; // a table is laid out whole
        std::vector<RtfParagraph> first(rtf.paragraphs.begin(), rtf.paragraphs.begin() + ptrdiff_t(end));
        std::unique_ptr<QTextDocument> doc = layoutDocument(rtf, first, view_.NarrowWidth);
        const QSizeF narrow = doc->documentLayout()->documentSize();
        doc->setTextWidth(view_.WideWidth);
        const QSizeF wide = doc->documentLayout()->documentSize();
        const bool all = end == n;
        // The first paragraphs lie as high in the whole document; what
        // follows them (a block after a table) may differ a little.
        const double slack = all ? 4 : 40;
        if (narrow.height() > view_.Height + slack && wide.height() > view_.Height + slack)
            return view_.NarrowWidth;
        if (all) {
            if (narrow.height() <= view_.Height - 4 && wide.height() <= view_.Height - 4 &&
                narrow.width() <= view_.NarrowWidth && wide.width() <= view_.WideWidth) {
                whole = std::move(doc);
                return view_.WideWidth;
            }
            return 0;
        }
    }
}

bool RtfLineCounter::Hits(ParsedRtf &parsed, std::vector<int> &numbers)
{
    RtfDocument &rtf = parsed.Rtf;
    const std::vector<char> &keep = parsed.Keep;
    std::unique_ptr<QTextDocument> whole;
    const int width = wrapWidth(rtf, whole);
    if (width == 0)
        return false;
    if (whole) {
        countLines(*whole, numbers);
        return true;
    }
    // A table is kept whole when any of its paragraphs is kept.
    const size_t n = rtf.paragraphs.size();
    std::vector<char> tableKept(rtf.tables.size(), 0);
    for (size_t p = 0; p < n; ++p) {
        const int32_t t = rtf.paragraphs[p].table;
        if (keep[p] && t >= 0 && size_t(t) < rtf.tables.size())
            tableKept[size_t(t)] = 1;
    }
    std::vector<RtfParagraph> kept;
    for (size_t p = 0; p < n; ++p) {
        const int32_t t = rtf.paragraphs[p].table;
        if (keep[p] || (t >= 0 && size_t(t) < rtf.tables.size() && tableKept[size_t(t)]))
            kept.push_back(rtf.paragraphs[p]);
    }
    std::unique_ptr<QTextDocument> doc = layoutDocument(rtf, kept, width);
    countLines(*doc, numbers);
    return true;
}

class SearchScan {
public:
    // `lookAhead`: how many items from the one the window's thread waits for
    // the workers may take.
    SearchScan(TTaxonarMainForm &form, std::vector<SearchCandidate> candidates, size_t lookAhead);
    ~SearchScan();
    SearchScan(const SearchScan &) = delete;
    SearchScan &operator=(const SearchScan &) = delete;

    const std::vector<SearchCandidate> &Candidates() const { return candidates_; }
    // The hit numbers of candidate `k` (grid rows of a table, or 1, 2, ...
    // for the matching lines of a document); false when its file is missing
    // or the window was closed meanwhile. Taken in order. Raises what opening
    // the item raises.
    bool Item(size_t k, std::vector<int> &numbers);
    // After the last candidate taken.
    void Finish();

private:
    enum class State { Queued, Busy, Missing, Settled, Unsettled, AwaitsGeometry };
    struct Slot {
        State state = State::Queued;
        std::vector<int> numbers;
        std::unique_ptr<ParsedRtf> parsed; // while it awaits the view's geometry
    };
    enum class Geometry { Unmeasured, Known, Unknown };

    TTaxonarMainForm &form_;
    const SearchTerms terms_; // the hit test's terms as the scan started
    const std::vector<SearchCandidate> candidates_;
    const size_t lookAhead_;
    int lastCandidate_ = -1; // the last candidate (also when its file was missing)
    int lastOpened_ = -1;    // the last candidate that opened
    bool lastOpenedTable_ = false;
    QElapsedTimer clock_;
    ViewGeometry view_; // written before the geometry is published, then only read

    // Shared with the workers, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;  // the workers: something to take, or stop
    std::condition_variable ready_; // the window's thread: a slot changed
    std::vector<Slot> slots_;
    size_t next_ = 0;          // the next candidate not yet taken
    size_t reach_ = 0;         // the workers take candidates below this one
    std::deque<size_t> again_; // documents to lay out now that the geometry is known
    Geometry geometry_ = Geometry::Unmeasured;
    bool stopping_ = false;
    std::vector<std::thread> threads_;

    void work();
    void stop();
    void pump();
    void settle();
    Geometry measureView();
    bool shown(int index, bool table, std::vector<int> &numbers);
    bool shownHits(int index, bool table, std::vector<int> &numbers);
};

SearchScan::SearchScan(TTaxonarMainForm &form, std::vector<SearchCandidate> candidates, size_t lookAhead)
    : form_(form), terms_(SearchTerms::Current()), candidates_(std::move(candidates)),
      lookAhead_(std::max<size_t>(lookAhead, 1)), slots_(candidates_.size())
{
    clock_.start();
    reach_ = lookAhead_;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workers = std::min(cores, candidates_.size());
    try {
        for (size_t i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    } catch (...) {
        // Fewer workers do as well; none at all cannot scan.
        if (threads_.empty())
            throw;
    }
}

SearchScan::~SearchScan() { stop(); }

void SearchScan::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &t : threads_)
        t.join();
    threads_.clear();
}

// A worker: takes the documents to lay out again first, then the next items
// within reach, until the scan stops.
void SearchScan::work()
{
    // Qt's document layout starts timers, which need an event dispatcher in
    // the thread: an event loop object gives this thread one (it never runs).
    QEventLoop dispatcher;
    std::unique_ptr<RtfLineCounter> counter; // made once the geometry is known
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] {
            return stopping_ || !again_.empty() || (next_ < slots_.size() && next_ < reach_);
        });
        if (stopping_)
            return;
        size_t k;
        std::unique_ptr<ParsedRtf> parsed;
        if (!again_.empty()) {
            k = again_.front();
            again_.pop_front();
            parsed = std::move(slots_[k].parsed);
        } else {
            k = next_++;
        }
        slots_[k].state = State::Busy;
        lock.unlock();

        const SearchCandidate &item = candidates_[k];
        std::vector<int> numbers;
        State result = State::Settled;
        if (!parsed) {
            try {
                if (!FileExists(item.Path))
                    result = State::Missing;
                else if (item.Table)
                    result = tableHits(terms_, item, numbers) ? State::Settled : State::Unsettled;
                else
                    result = parseRtfItem(terms_, item.Path, parsed) ? State::Settled : State::Unsettled;
            } catch (...) {
                result = State::Unsettled; // opened by the window's thread, which raises as the view does
            }
        }
        if (parsed) {
            lock.lock();
            const Geometry geometry = geometry_;
            if (geometry == Geometry::Unmeasured) {
                slots_[k].parsed = std::move(parsed);
                slots_[k].state = State::AwaitsGeometry;
                ready_.notify_all();
                continue;
            }
            lock.unlock();
            result = State::Unsettled;
            if (geometry == Geometry::Known) {
                try {
                    if (!counter)
                        counter = std::make_unique<RtfLineCounter>(terms_, view_);
                    if (counter->Hits(*parsed, numbers))
                        result = State::Settled;
                } catch (...) {
                }
            }
            parsed.reset();
        }
        if (result != State::Settled)
            numbers.clear();
        lock.lock();
        slots_[k].numbers = std::move(numbers);
        slots_[k].state = result;
        ready_.notify_all();
    }
}

// Pending window messages are processed every 50 ms, so that the window
// stays painted without a round of the event loop for every small item.
void SearchScan::pump()
{
    if (clock_.elapsed() >= 50) {
        Application->ProcessMessages();
        clock_.restart();
    }
}

void SearchScan::settle()
{
    if (lastCandidate_ >= 0) {
        CanFindNext = false;
        FindNextStart = 0;
    }
    if (lastOpened_ >= 0) {
        CurrentItem = lastOpened_;
        CurrentEntry = IntToStr(lastOpened_) + (lastOpenedTable_ ? "\t1\t" : "\t");
    }
}

bool SearchScan::Item(size_t k, std::vector<int> &numbers)
{
    pump();
    if (form_.SearchCancelled())
        return false;
    const SearchCandidate &item = candidates_[k];
    State state;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (reach_ < k + lookAhead_) {
            reach_ = k + lookAhead_;
            wake_.notify_all();
        }
        for (;;) {
            state = slots_[k].state;
            if (state == State::Missing || state == State::Settled || state == State::Unsettled)
                break;
            if (state == State::AwaitsGeometry) {
                // The first document with a matching paragraph: the view is
                // measured now, and the documents waiting for it go back to
                // the workers.
                lock.unlock();
                const Geometry geometry = measureView();
                lock.lock();
                geometry_ = geometry;
                for (size_t j = 0; j < slots_.size(); ++j) {
                    Slot &s = slots_[j];
                    if (s.state != State::AwaitsGeometry)
                        continue;
                    if (geometry == Geometry::Known) {
                        s.state = State::Queued;
                        again_.push_back(j);
                    } else {
                        s.parsed.reset();
                        s.state = State::Unsettled;
                    }
                }
                wake_.notify_all();
                continue;
            }
            if (ready_.wait_for(lock, std::chrono::milliseconds(10)) == std::cv_status::timeout) {
                lock.unlock();
                pump();
                if (form_.SearchCancelled())
                    return false;
                lock.lock();
            }
        }
        numbers = std::move(slots_[k].numbers);
    }
    bool opened = state == State::Settled;
    if (state == State::Unsettled) {
        numbers.clear();
        opened = shown(item.Index, item.Table, numbers);
    }
    lastCandidate_ = item.Index;
    if (opened) {
        lastOpened_ = item.Index;
        lastOpenedTable_ = item.Table;
    }
    return opened;
}

void SearchScan::Finish()
{
    stop();
    settle();
    // Returning to record 0 leaves the view alone when record 0 is a PDF item
    // or of a mode the reader does not know: the view is then the one the
    // last candidate left.
    if (FindReturnItem < 0 && lastCandidate_ >= 0 && ItemRecords->Count() > 0) {
        const AnsiString mode = AnsiUpperCase(GetRecordValue(ItemRecords->Strings(0), "MODE="));
        if (!mode.empty() && mode != "GROUP" && mode != "RTF" && mode != "TABLE") {
            form_.OpenItem(lastCandidate_, false, -1, AnsiString());
            settle();
        }
    }
}

// Opens the item in its view and tests its rows or lines.
bool SearchScan::shownHits(int index, bool table, std::vector<int> &numbers)
{
    if (!form_.OpenItem(index, false, -1, AnsiString()))
        return false;
    if (table) {
        const int rows = form_.TaxonarTable3StringGrid->RowCount();
        for (int r = 1; r < rows; ++r)
            if (terms_.Matches(form_.GetRowSearchText(r)))
                numbers.push_back(r);
    } else {
        int n = 0;
        for (const TRichEdit::TDisplayLine &line : form_.TaxonarRtf2RichEdit->RichEdit()->DisplayLines())
            if (terms_.Matches(QStringToAnsi(line.Text)))
                numbers.push_back(++n);
    }
    return true;
}

bool SearchScan::shown(int index, bool table, std::vector<int> &numbers)
{
    settle();
    try {
        return shownHits(index, table, numbers);
    } catch (...) {
        // Opening every item in turn would have shown the candidate before
        // this one when this one raised.
        numbers.clear();
        if (lastCandidate_ >= 0)
            form_.OpenItem(lastCandidate_, false, -1, AnsiString());
        settle();
        return shownHits(index, table, numbers);
    }
}

SearchScan::Geometry SearchScan::measureView()
{
    Geometry geometry = Geometry::Unknown;
    TRichEdit *view = form_.TaxonarRtf2RichEdit->RichEdit();
    QTextEdit *edit = view->Editor();
    // The view is emptied, as opening the first document would, so that the
    // changes of its size below cost nothing; it is shown at its size.
    view->Clear();
    const int before = ViewMode;
    if (ViewMode != 2) {
        ViewMode = 2;
        form_.ApplyViewMode();
    }
    (void)view->DisplayLines(); // delivers a pending resize
    if (edit->isVisible()) {
        const Qt::ScrollBarPolicy v = edit->verticalScrollBarPolicy();
        const Qt::ScrollBarPolicy h = edit->horizontalScrollBarPolicy();
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_.WideWidth = edit->viewport()->width();
        view_.Height = edit->viewport()->height();
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view_.NarrowWidth = edit->viewport()->width();
        edit->setVerticalScrollBarPolicy(v);
        edit->setHorizontalScrollBarPolicy(h);
        // The workers lay out with the view's settings and the resolution of
        // its device.
        const QTextDocument *model = view->Document();
        view_.Font = SearchOwnFont(model->defaultFont());
        view_.Option = model->defaultTextOption();
        view_.Margin = model->documentMargin();
        view_.DesignMetrics = model->useDesignMetrics();
        const QPaintDevice *device = model->documentLayout()->paintDevice();
        view_.DpiX = device ? device->logicalDpiX() : 0;
        view_.DpiY = device ? device->logicalDpiY() : 0;
        const bool deviceKnown = !device || (view_.DpiX > 0 && view_.DpiY > 0);
        if (view_.NarrowWidth > 0 && view_.NarrowWidth < view_.WideWidth && view_.Height > 0 && deviceKnown)
            geometry = Geometry::Known;
    }
    if (before != 2) {
        ViewMode = before;
        form_.ApplyViewMode();
    }
    return geometry;
}

} // namespace

// --------------------------------------------------------------- hit test

bool TTaxonarMainForm::LineMatchesSearch(const AnsiString &text) const
{
    return SearchTerms::Current().Matches(text);
}

AnsiString TTaxonarMainForm::GetRowSearchText(int row) const
{
    const TStringGrid *g = TaxonarTable3StringGrid;
    AnsiString text;
    for (int c = 0; c < g->ColCount(); ++c) {
        if (UpperCase(g->Cells(c, 0)) == "LINK")
            continue;
        text += g->Cells(c, row);
        text += '#';
    }
    return text;
}

// ---------------------------------------------------- classification search

void TTaxonarMainForm::TaxonarNaviFindMenuItemClick(TObject *)
{
    if (searchRunning_)
        return;
    DisableControls();
    // The commands come back also when an exception ends the run.
    struct Finish {
        TTaxonarMainForm *form;
        bool done = false;
        ~Finish()
        {
            if (!done) {
                form->EnableControls();
                form->UpdateMenus();
            }
        }
    } finish{this};

    int result = mrCancel;
    {
        std::unique_ptr<TTaxonarFind2Form> dialog(new TTaxonarFind2Form(Application));
        TaxonarFind2Form = dialog.get();
        result = dialog->ShowModal();
    }
    TaxonarFind2Form = nullptr;

    if (result == mrOk)
        RunClassificationSearch();

    finish.done = true;
    EnableControls();
    UpdateMenus();
    LayoutSidePanels();
}

namespace {

// The busy cursor over the whole application while it lives.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

void TTaxonarMainForm::RunClassificationSearch()
{
    // From here to the first hit opened nothing else can start: the caller
    // has disabled the commands, UpdateMenus keeps them so, and the controls
    // that the commands leave alone are off until the end.
    struct Running {
        TTaxonarMainForm &form;
        const bool find = form.TaxonarSearchButton1->Enabled();
        const bool findNext = form.TaxonarSearchButton2->Enabled();
        explicit Running(TTaxonarMainForm &f) : form(f)
        {
            form.searchRunning_ = true;
            form.searchCancelled_ = false;
            form.TaxonarSearchButton1->SetEnabled(false);
            form.TaxonarSearchButton2->SetEnabled(false);
            form.TaxonarFindCloseButton->SetEnabled(false);
        }
        ~Running()
        {
            form.searchRunning_ = false;
            form.searchCancelled_ = false;
            form.TaxonarSearchButton1->SetEnabled(find);
            form.TaxonarSearchButton2->SetEnabled(findNext);
            form.TaxonarFindCloseButton->SetEnabled(true);
        }
        Running(const Running &) = delete;
        Running &operator=(const Running &) = delete;
    } running(*this);

    FindReturnItem = -1;
    FindReturnRow = -1;
    FoundList->Clear();
    TaxonarFindListBox->Clear();

    if (CurrentItem >= 0) {
        FindReturnItem = CurrentItem;
        const AnsiString mode = AnsiUpperCase(GetRecordValue(ItemRecords->Strings(CurrentItem), "MODE="));
        FindReturnRow = mode == "TABLE" ? TaxonarTable3StringGrid->Row() : -1;
    }

    {
        // The busy cursor shows from the start of the scan to the return to
        // the item it started from, also when an item's error ends it.
        BusyCursor busy;
        Application->ProcessMessages();
        if (searchCancelled_)
            return;

        std::vector<SearchCandidate> candidates;
        for (int i = 0; i < ItemRecords->Count(); ++i) {
            const AnsiString &record = ItemRecords->Strings(i);
            const AnsiString signature = AnsiUpperCase(GetRecordValue(record, "SIGNATURE="));
            const AnsiString mode = AnsiUpperCase(GetRecordValue(record, "MODE="));
            const AnsiString view = AnsiUpperCase(GetRecordValue(record, "VIEW="));
            if (signature != SearchClassCode || (mode != "RTF" && mode != "TABLE") || view == "HIDE")
                continue;
            candidates.push_back({i, record, AppDir + GetRecordValue(record, "FILE="), mode == "TABLE"});
        }
        const int limit = SearchResultLimit == 0 ? 10 : SearchResultLimit == 1 ? 50 : 0;
        // With a result limit the workers keep a few items ahead; without
        // one they may run further while the window's thread opens an item.
        const size_t cores = std::max(1u, std::thread::hardware_concurrency());
        SearchScan scan(*this, std::move(candidates), limit > 0 ? cores : 4 * cores);
        for (size_t k = 0; k < scan.Candidates().size() && !searchCancelled_; ++k) {
            std::vector<int> numbers;
            if (!scan.Item(k, numbers))
                continue;
            const SearchCandidate &item = scan.Candidates()[k];
            const AnsiString name = GetRecordValue(item.Record, "NAME=");
            const AnsiString prefix = (item.Table ? "TABLE\t" : "RTF\t") + name + "\t" + IntToStr(item.Index) + "\t";
            for (int number : numbers) {
                const int entry = FoundList->Add(prefix + IntToStr(number) + "\t");
                TaxonarFindListBox->Items().AddObject(name, entry);
            }
            if (limit > 0 && FoundList->Count() >= limit)
                break;
        }
        if (searchCancelled_)
            return; // the scan's workers are joined as it goes
        scan.Finish();

        if (FindReturnItem < 0) {
            if (ItemRecords->Count() > 0) {
                TaxonarNaviTreeView->SetSelected(FindNodeByItem(0));
                OpenItem(0, false, -1, AnsiString());
            }
            TaxonarNaviTreeView->SetFocus();
        } else {
            TaxonarNaviTreeView->SetSelected(FindNodeByItem(FindReturnItem));
            OpenItem(FindReturnItem, false, FindReturnRow, AnsiString());
        }
    }

    if (searchCancelled_)
        return;
    if (FoundList->Count() == 0)
        ShowSearchMessage(Pl(NotFoundMessage));

    if (TaxonarFindListBox->Items().Count() > 0) {
        TaxonarFindListBox->SetItemIndex(0);
        TaxonarFindListBox->SetFocus();
        OpenSearchHit();
    } else {
        TaxonarFindListBox->SetItemIndex(-1);
    }
}

void TTaxonarMainForm::OpenSearchHit()
{
    TListBox *hits = TaxonarFindListBox;
    if (hits->Items().Count() == 0 || hits->ItemIndex() < 0)
        return;
    const int entryIndex = int(hits->Items().Objects(hits->ItemIndex()));
    if (FoundList == nullptr || entryIndex < 0 || entryIndex >= FoundList->Count())
        return;
    const AnsiString entry = FoundList->Strings(entryIndex);
    const AnsiString kind = tabField(entry, 0);
    const int item = StrToInt(tabField(entry, 2));
    const int number = StrToInt(tabField(entry, 3));
    if (item < 0 || item >= ItemRecords->Count())
        return;

    if (kind == "RTF") {
        TaxonarNaviTreeView->SetSelected(FindNodeByItem(item));
        if (!OpenItem(item, number == 1, -1, AnsiString()))
            return;
        TaxonarRtf2RichEdit->SetFocus();
        TRichEdit *view = TaxonarRtf2RichEdit->RichEdit();
        int k = 1;
        for (const TRichEdit::TDisplayLine &line : view->DisplayLines()) {
            if (!LineMatchesSearch(QStringToAnsi(line.Text)))
                continue;
            if (k == number) {
                view->SetSelection(line.CharPos, int(line.Text.size()));
                break;
            }
            ++k;
        }
    } else if (kind == "TABLE") {
        TaxonarNaviTreeView->SetSelected(FindNodeByItem(item));
        if (!OpenItem(item, true, -1, AnsiString()))
            return;
        selectRow(number);
        TaxonarTable3StringGrid->SetFocus();
    }
}

void TTaxonarMainForm::TaxonarFindListBoxClick(TObject *)
{
    if (searchRunning_)
        return;
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindListBoxKeyUp(TObject *, uint16_t &, TShiftState)
{
    if (searchRunning_)
        return;
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindCloseButtonClick(TObject *)
{
    if (searchRunning_)
        return;
    FoundList->Clear();
    TaxonarFindListBox->Clear();
    LayoutSidePanels();
}

// ------------------------------------------------------------- page search

void TTaxonarMainForm::ShowSearchMessage(const AnsiString &message)
{
    std::unique_ptr<TTaxonarInfoForm> info(new TTaxonarInfoForm(Application));
    TaxonarInfoForm = info.get();
    info->TaxonarInfoText->SetCaption(message);
    try {
        info->ShowModal();
    } catch (...) {
        TaxonarInfoForm = nullptr;
        throw;
    }
    TaxonarInfoForm = nullptr;
}

bool TTaxonarMainForm::FindOnPage(const AnsiString &term, int start)
{
    if (ViewMode == 2) {
        TRichEdit *view = TaxonarRtf2RichEdit->RichEdit();
        const std::vector<TRichEdit::TDisplayLine> lines = view->DisplayLines();
        for (size_t j = size_t(std::max(start, 0)); j < lines.size(); ++j) {
            if (!ComparableContains(QStringToAnsi(lines[j].Text), term))
                continue;
            view->SetSelection(lines[j].CharPos, int(lines[j].Text.size()));
            if (j + 1 < lines.size()) {
                CanFindNext = true;
                FindNextStart = int(j) + 1;
            }
            TaxonarRtf2RichEdit->SetFocus();
            return true;
        }
    } else if (ViewMode == 3) {
        TStringGrid *g = TaxonarTable3StringGrid;
        const int rows = g->RowCount();
        for (int r = std::max(start, 1); r < rows; ++r) {
            if (!ComparableContains(GetRowSearchText(r), term))
                continue;
            selectRow(r);
            if (r + 1 < rows) {
                CanFindNext = true;
                FindNextStart = r + 1;
            }
            g->SetFocus();
            return true;
        }
    }
    return false;
}

void TTaxonarMainForm::TaxonarSearchButton1Click(TObject *)
{
    const AnsiString term = ComparableText(TaxonarSearchEdit->Text());
    if (TaxonarSearchPanel->Height() == 0 || term.empty())
        return;
    CanFindNext = false;
    FindNextStart = 0;
    if (!FindOnPage(term, 0))
        ShowSearchMessage(Pl(NotFoundMessage));
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarSearchButton2Click(TObject *)
{
    const AnsiString term = ComparableText(TaxonarSearchEdit->Text());
    if (TaxonarSearchPanel->Height() == 0 || term.empty() || !CanFindNext)
        return;
    const int start = FindNextStart;
    CanFindNext = false;
    FindNextStart = 0;
    if (!FindOnPage(term, start))
        ShowSearchMessage(Pl(NoMoreMessage));
    UpdateMenus();
}

} // namespace taxonar
