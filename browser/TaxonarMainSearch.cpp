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
//   would find (see SearchScan). The window is repainted between items.
#include "browser/TaxonarFind2Code.h"
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Cp1250.h"
#include "platform/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <map>
#include <memory>
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
//   emptied view.
// What cannot be settled this way is done by opening the item as the view
// does: a document that overflows at one width only, is wider than the view
// or about as high as it; a file that is not RTF; a table beyond the table
// view's bounds; a view whose size cannot be measured; and an item whose reading raises (the item searched before is
// opened again first, so that the error leaves what opening every item in
// turn leaves). After the scan the state that opening every item would have
// left is set: CurrentItem and CurrentEntry name the last item opened, the
// page search's continuation is cleared, and when record 0, to which the
// search returns, leaves the view alone, the last candidate is opened again.
// Hidden views keep their content: the RTF view is left empty and the grid
// keeps its table; neither is seen again before an item is loaded into it,
// and a table loads the same whatever the grid held.
class SearchScan {
public:
    explicit SearchScan(TTaxonarMainForm &form) : form_(form) { clock_.start(); }

    // The hit numbers of candidate item `index` (grid rows of a table, or
    // 1, 2, ... for the matching lines of a document); false when its file
    // is missing. Raises what opening the item raises.
    bool Item(int index, const AnsiString &record, bool table, std::vector<int> &numbers);
    // After the last candidate.
    void Finish();

private:
    TTaxonarMainForm &form_;
    int lastCandidate_ = -1;  // the last candidate (also when its file was missing)
    int lastOpened_ = -1;     // the last candidate that opened
    bool lastOpenedTable_ = false;
    QElapsedTimer clock_;
    // Heights of the fonts met so far: family, size, bold, italic.
    using FontKey = std::tuple<QString, int32_t, bool, bool>;
    std::map<FontKey, double> fontHeights_;
    enum class Geometry { Unmeasured, Known, Unknown } geometry_ = Geometry::Unmeasured;
    int wideWidth_ = 0, narrowWidth_ = 0, height_ = 0;

    void pump();
    void settle();
    void measureView();
    bool tableHits(const AnsiString &record, const AnsiString &path, std::vector<int> &numbers);
    bool rtfHits(const AnsiString &path, std::vector<int> &numbers);
    double lowestHeight(const RtfDocument &rtf);
    int wrapWidth(RtfDocument &rtf, std::unique_ptr<QTextDocument> &whole);
    std::unique_ptr<QTextDocument> layoutDocument(RtfDocument &rtf, std::vector<RtfParagraph> &paragraphs, int width);
    void countLines(QTextDocument &doc, std::vector<int> &numbers) const;
    bool shown(int index, bool table, std::vector<int> &numbers);
    bool shownHits(int index, bool table, std::vector<int> &numbers);
};

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

bool SearchScan::Item(int index, const AnsiString &record, bool table, std::vector<int> &numbers)
{
    pump();
    bool opened = false;
    const AnsiString path = AppDir + GetRecordValue(record, "FILE=");
    if (FileExists(path)) {
        bool settled = false;
        try {
            settled = table ? tableHits(record, path, numbers) : rtfHits(path, numbers);
        } catch (...) {
            settled = false; // opened below, which raises the error as the view does
        }
        if (settled) {
            opened = true;
        } else {
            numbers.clear();
            opened = shown(index, table, numbers);
        }
    }
    lastCandidate_ = index;
    if (opened) {
        lastOpened_ = index;
        lastOpenedTable_ = table;
    }
    return opened;
}

void SearchScan::Finish()
{
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
            if (form_.LineMatchesSearch(form_.GetRowSearchText(r)))
                numbers.push_back(r);
    } else {
        int n = 0;
        for (const TRichEdit::TDisplayLine &line : form_.TaxonarRtf2RichEdit->RichEdit()->DisplayLines())
            if (form_.LineMatchesSearch(QStringToAnsi(line.Text)))
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

bool SearchScan::tableHits(const AnsiString &record, const AnsiString &path, std::vector<int> &numbers)
{
    // The record's numbers are converted as the table view converts them, so
    // that a bad one raises here too.
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
        if (form_.LineMatchesSearch(rowOne))
            numbers.push_back(1);
    };
    ReadTableFile(path, int(searched.size()), false, [&](int row, const std::vector<TableCell> &cells) {
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
        if (form_.LineMatchesSearch(text))
            numbers.push_back(row);
    });
    if (!rowOneTested)
        testRowOne();
    return true;
}

void SearchScan::measureView()
{
    geometry_ = Geometry::Unknown;
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
        wideWidth_ = edit->viewport()->width();
        height_ = edit->viewport()->height();
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        narrowWidth_ = edit->viewport()->width();
        edit->setVerticalScrollBarPolicy(v);
        edit->setHorizontalScrollBarPolicy(h);
        if (narrowWidth_ > 0 && narrowWidth_ < wideWidth_ && height_ > 0)
            geometry_ = Geometry::Known;
    }
    if (before != 2) {
        ViewMode = before;
        form_.ApplyViewMode();
    }
}

// A document of the given paragraphs (the others of `rtf` left out) with the
// view's font and options, laid out at `width`.
std::unique_ptr<QTextDocument> SearchScan::layoutDocument(RtfDocument &rtf, std::vector<RtfParagraph> &paragraphs,
                                                          int width)
{
    const QTextDocument *model = form_.TaxonarRtf2RichEdit->RichEdit()->Document();
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(model->defaultFont());
    doc->setDefaultTextOption(model->defaultTextOption());
    doc->setDocumentMargin(model->documentMargin());
    doc->setUseDesignMetrics(model->useDesignMetrics());
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
    doc->documentLayout()->setPaintDevice(model->documentLayout()->paintDevice());
    doc->setTextWidth(width);
    (void)doc->documentLayout()->documentSize();
    return doc;
}

// The numbers of the matching display lines, the lines taken as the view
// takes them.
void SearchScan::countLines(QTextDocument &doc, std::vector<int> &numbers) const
{
    int n = 0;
    auto test = [&](const QString &text) {
        if (form_.LineMatchesSearch(QStringToAnsi(text)))
            numbers.push_back(++n);
    };
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        QTextLayout *layout = block.layout();
        const int count = layout ? layout->lineCount() : 0;
        if (count == 0) {
            test(text);
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            QString piece = text.mid(line.textStart(), line.textLength());
            if (piece.endsWith(QChar::LineSeparator))
                piece.chop(1);
            test(piece);
        }
    }
}

// A height the document surely exceeds at any width: every paragraph
// outside tables and without pictures takes at least one line, as high as
// the lowest of its fonts at least (three quarters of it, half for raised or
// lowered text, to stay clear of rounding); a paragraph with its own line
// spacing (other than a minimum) counts nothing.
double SearchScan::lowestHeight(const RtfDocument &rtf)
{
    const QTextDocument *model = form_.TaxonarRtf2RichEdit->RichEdit()->Document();
    QPaintDevice *device = model->documentLayout()->paintDevice();
    const QFont base = model->defaultFont();
    auto heightOf = [&](const QFont &font) {
        return device ? QFontMetricsF(font, device).height() : QFontMetricsF(font).height();
    };
    const double baseHeight = heightOf(base);
    std::vector<double> heights(rtf.formats.size(), -1.0);
    auto formatHeight = [&](uint32_t index) {
        if (index >= heights.size())
            return 0.0;
        double &h = heights[index];
        if (h < 0) {
            const RtfCharFormat &f = rtf.formats[index];
            if (f.sizeHalfPoints < 2)
                return h = 0.0;
            const QString family = f.font >= 0 && size_t(f.font) < rtf.fonts.size() ? rtf.fonts[size_t(f.font)].name
                                                                                      : QString();
            const FontKey key{family, f.sizeHalfPoints, f.bold, f.italic};
            auto known = fontHeights_.find(key);
            if (known == fontHeights_.end()) {
                QFont font = base;
                if (!family.isEmpty())
                    font.setFamilies(QStringList{family});
                font.setPointSizeF(f.sizeHalfPoints / 2.0);
                font.setBold(f.bold);
                font.setItalic(f.italic);
                known = fontHeights_.emplace(key, heightOf(font)).first;
            }
            h = known->second * (f.vertical ? 0.5 : 1.0);
        }
        return h;
    };
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
        total += std::max(lowest, 0.0) * 0.75;
    }
    return total;
}

// The width the view wraps the whole document at; 0 when that is not
// certain. `whole` receives the whole document when it was laid out for the
// answer.
int SearchScan::wrapWidth(RtfDocument &rtf, std::unique_ptr<QTextDocument> &whole)
{
    const size_t n = rtf.paragraphs.size();
    auto tableOf = [&rtf](size_t p) {
        const int32_t t = rtf.paragraphs[p].table;
        return t >= 0 && size_t(t) < rtf.tables.size() ? t : -1;
    };
    if (lowestHeight(rtf) > height_ + 40)
        return narrowWidth_;
    for (size_t take = 8;; take *= 4) {
        size_t end = std::min(take, n);
        while (end > 0 && end < n && tableOf(end - 1) >= 0 && tableOf(end) == tableOf(end - 1))
            ++end; // a table is laid out whole
        std::vector<RtfParagraph> first(rtf.paragraphs.begin(), rtf.paragraphs.begin() + ptrdiff_t(end));
        std::unique_ptr<QTextDocument> doc = layoutDocument(rtf, first, narrowWidth_);
        const QSizeF narrow = doc->documentLayout()->documentSize();
        doc->setTextWidth(wideWidth_);
        const QSizeF wide = doc->documentLayout()->documentSize();
        const bool all = end == n;
        // The first paragraphs lie as high in the whole document; what
        // follows them (a block after a table) may differ a little.
        const double slack = all ? 4 : 40;
        if (narrow.height() > height_ + slack && wide.height() > height_ + slack)
            return narrowWidth_;
        if (all) {
            if (narrow.height() <= height_ - 4 && wide.height() <= height_ - 4 && narrow.width() <= narrowWidth_ &&
                wide.width() <= wideWidth_) {
                whole = std::move(doc);
                return wideWidth_;
            }
            return 0;
        }
    }
}

bool SearchScan::rtfHits(const AnsiString &path, std::vector<int> &numbers)
{
    const std::string data = ReadFileBytes(path);
    if (!IsRtf(data))
        return false;
    RtfDocument rtf = ParseRtf(data);

    const size_t n = rtf.paragraphs.size();
    std::vector<char> keep(n, 0);
    bool any = false;
    std::u16string text;
    AnsiString ansi;
    for (size_t p = 0; p < n; ++p) {
        const RtfParagraph &para = rtf.paragraphs[p];
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
        keep[p] = picture || form_.LineMatchesSearch(ansi);
        any = any || keep[p];
    }
    if (!any)
        return true;

    if (geometry_ == Geometry::Unmeasured)
        measureView();
    if (geometry_ != Geometry::Known)
        return false;
    std::unique_ptr<QTextDocument> whole;
    const int width = wrapWidth(rtf, whole);
    if (width == 0)
        return false;
    if (whole) {
        countLines(*whole, numbers);
        return true;
    }
    // A table is kept whole when any of its paragraphs is kept.
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

} // namespace

// --------------------------------------------------------------- hit test

bool TTaxonarMainForm::LineMatchesSearch(const AnsiString &text) const
{
    const AnsiString c = ComparableText(text);
    const int words = SearchWords ? SearchWords->Count() : 0;
    switch (SearchWordMode) {
    case 0:
        for (int i = 0; i < words; ++i)
            if (!ContainsTerm(c, SearchWords->Strings(i)))
                return false;
        return true;
    case 1:
        return ContainsTerm(c, SearchText);
    case 2:
        for (int i = 0; i < words; ++i)
            if (ContainsTerm(c, SearchWords->Strings(i)))
                return true;
        return false;
    default:
        return false;
    }
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

void TTaxonarMainForm::RunClassificationSearch()
{
    FindReturnItem = -1;
    FindReturnRow = -1;
    FoundList->Clear();
    TaxonarFindListBox->Clear();

    if (CurrentItem >= 0) {
        FindReturnItem = CurrentItem;
        const AnsiString mode = AnsiUpperCase(GetRecordValue(ItemRecords->Strings(CurrentItem), "MODE="));
        FindReturnRow = mode == "TABLE" ? TaxonarTable3StringGrid->Row() : -1;
    }

    SearchScan scan(*this);
    for (int i = 0; i < ItemRecords->Count(); ++i) {
        const AnsiString record = ItemRecords->Strings(i);
        const AnsiString signature = AnsiUpperCase(GetRecordValue(record, "SIGNATURE="));
        const AnsiString mode = AnsiUpperCase(GetRecordValue(record, "MODE="));
        const AnsiString view = AnsiUpperCase(GetRecordValue(record, "VIEW="));
        if (signature != SearchClassCode || (mode != "RTF" && mode != "TABLE") || view == "HIDE")
            continue;
        std::vector<int> numbers;
        if (!scan.Item(i, record, mode == "TABLE", numbers))
            continue;
        const AnsiString name = GetRecordValue(record, "NAME=");
        const AnsiString prefix = mode + "\t" + name + "\t" + IntToStr(i) + "\t";
        for (int number : numbers) {
            const int entry = FoundList->Add(prefix + IntToStr(number) + "\t");
            TaxonarFindListBox->Items().AddObject(name, entry);
        }
        if ((SearchResultLimit == 0 && FoundList->Count() >= 10) ||
            (SearchResultLimit == 1 && FoundList->Count() >= 50))
            break;
    }
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
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindListBoxKeyUp(TObject *, uint16_t &, TShiftState)
{
    OpenSearchHit();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarFindCloseButtonClick(TObject *)
{
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
