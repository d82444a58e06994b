// The table view's cells (see TaxonarMainCode.h): drawing of headings and
// data cells by the alignment of their column, the cell mark-up of LEFT
// columns with its word wrap and row growth, the screen zones of links, the
// hand cursor over a link, following a link, and the grid's click and key-up
// events, which record the selected row in CurrentEntry.
//
// Cell mark-up: "#B#", "#I#", "#U#" switch bold, italic, underline; "#N#"
// ends the line; "#L#text#L#target#" is a link to the item whose SIGNATURE=
// and LINK= values are the target's first two '@'-separated parts, the third
// being the row key of the table to open it at.
//
// Choices of this implementation:
// - A closing link tag without a '#' after its target takes the whole rest
//   of the text as its target: the target is never shown.
// - On a line where something was drawn before a tag, a segment that no
//   longer fits goes back to its own last blank; without a blank in it, the
//   whole segment moves to the next line when an earlier segment of the line
//   had a blank (the line-count routine would break there too), else it
//   stays and overflows.
// - The zones of a LinkRecords entry follow its last "#R#", so that a cell
//   text containing "#R#" keeps its text; a tag that names no entry of
//   LinkRecords counts as no link.
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarMainCode.h"
#include "browser/TaxonarWindowSupport.h"

#include <charconv>
#include <map>
#include <string_view>

namespace taxonar {

using namespace platform;

namespace {

// The text still to be laid out: a string read from the front, to which a
// cut-back line can be returned.
class MarkupRest {
public:
    explicit MarkupRest(const AnsiString &text) : s_(text) {}
    bool empty() const { return p_ >= s_.size(); }
    bool startsWith(std::string_view tag) const { return std::string_view(s_).substr(p_).starts_with(tag); }
    void drop(size_t n) { p_ = std::min(s_.size(), p_ + n); }
    char take() { return s_[p_++]; }
    void pushFront(const AnsiString &text)
    {
        s_ = text + s_.substr(p_);
        p_ = 0;
    }
    // Drops everything up to and including the next '#'; everything when
    // there is none.
    void dropThroughHash()
    {
        const size_t h = s_.find('#', p_);
        p_ = h == AnsiString::npos ? s_.size() : h + 1;
    }
    // Trims characters of code 32 and below at both ends.
    void trim()
    {
        while (!empty() && static_cast<unsigned char>(s_[p_]) <= 32)
            ++p_;
        while (!empty() && static_cast<unsigned char>(s_.back()) <= 32)
            s_.pop_back();
    }

private:
    AnsiString s_;
    size_t p_ = 0;
};

struct MarkupSwitches {
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool link = false;
};

enum class TagKind { Style, LinkOpen, LinkClose, LineBreak };

void setFontStyle(TCanvas &canvas, TFontStyle style, bool on)
{
    TFontStyles styles = canvas.Font().Style();
    if (on)
        styles.Include(style);
    else
        styles.Exclude(style);
    canvas.Font().SetStyle(styles);
}

// Handles the tags at the front of rest: "#B#", "#U#", "#I#", "#L#", "#N#",
// each tried once in this order on what the one before left. before(kind)
// runs before a tag acts. Returns true when "#N#" ended the line.
template <class Before>
bool handleTags(MarkupRest &rest, MarkupSwitches &sw, TCanvas &canvas, Before &&before)
{
    if (!rest.startsWith("#"))
        return false;
    auto style = [&](const char *tag, bool &on, TFontStyle fontStyle) {
        if (!rest.startsWith(tag))
            return;
        before(TagKind::Style);
        rest.drop(3);
        on = !on;
        setFontStyle(canvas, fontStyle, on);
    };
    style("#B#", sw.bold, fsBold);
    style("#U#", sw.underline, fsUnderline);
    style("#I#", sw.italic, fsItalic);
    if (rest.startsWith("#L#")) {
        if (!sw.link) {
            before(TagKind::LinkOpen);
            rest.drop(3);
            sw.link = true;
            setFontStyle(canvas, fsUnderline, true);
            canvas.Font().SetColor(RGB(0, 0, 255));
        } else {
            before(TagKind::LinkClose);
            rest.drop(3);
            rest.dropThroughHash();
            sw.link = false;
            setFontStyle(canvas, fsUnderline, false);
            canvas.Font().SetColor(clWindowText);
        }
    }
    if (rest.startsWith("#N#")) {
        before(TagKind::LineBreak);
        rest.drop(3);
        return true;
    }
    return false;
}

bool inColumnList(const AnsiString &list, int col)
{
    return list.find("#" + IntToStr(col) + "#") != AnsiString::npos;
}

// The cell text of a LinkRecords entry and its zones' part.
size_t zoneSeparator(const AnsiString &entry) { return entry.rfind("#R#"); }

// The link number (1 or more) whose recorded zone holds (X, Y), bounds
// included; 0 when none does or the entry has no count.
int linkAtPoint(const AnsiString &entry, int X, int Y)
{
    const size_t sep = zoneSeparator(entry);
    if (sep == AnsiString::npos)
        return 0;
    std::map<std::string, int, std::less<>> values;
    std::string_view zones = std::string_view(entry).substr(sep + 3);
    while (!zones.empty()) {
        const size_t hash = zones.find('#');
        const std::string_view token = zones.substr(0, hash);
        zones = hash == std::string_view::npos ? std::string_view() : zones.substr(hash + 1);
        const size_t eq = token.find('=');
        if (eq == std::string_view::npos)
            continue;
        int value = 0;
        const std::string_view number = token.substr(eq + 1);
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec != std::errc() || end != number.data() + number.size())
            continue;
        values.emplace(std::string(token.substr(0, eq)), value);
    }
    const auto count = values.find("C");
    if (count == values.end())
        return 0;
    for (int k = 1; k <= count->second; ++k) {
        const std::string num = std::to_string(k);
        const auto l = values.find("L" + num), t = values.find("T" + num), r = values.find("R" + num),
                   b = values.find("B" + num);
        if (l == values.end() || t == values.end() || r == values.end() || b == values.end())
            continue;
        if (l->second <= X && X <= r->second && t->second <= Y && Y <= b->second)
            return k;
    }
    return 0;
}

// The target of the k-th link (the k-th pair of "#L#" tags) of a cell text:
// the text after the closing tag up to the next '#'.
bool linkTarget(const AnsiString &text, int k, AnsiString &target)
{
    size_t pos = 0;
    for (int j = 1; j <= k; ++j) {
        const size_t open = text.find("#L#", pos);
        if (open == AnsiString::npos)
            return false;
        const size_t close = text.find("#L#", open + 3);
        if (close == AnsiString::npos)
            return false;
        const size_t end = text.find('#', close + 3);
        target = text.substr(close + 3, end == AnsiString::npos ? AnsiString::npos : end - close - 3);
        pos = end == AnsiString::npos ? text.size() : end + 1;
    }
    return true;
}

} // namespace

// ------------------------------------------------------------ draw a cell

void TTaxonarMainForm::TaxonarTable3StringGridDrawCell(TObject *, int ACol, int ARow, TRect Rect, TGridDrawState)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    TCanvas &c = g->Canvas();
    const AnsiString text = g->Cells(ACol, ARow);
    auto centredY = [&] { return Rect.Top + (Rect.Height() - c.TextHeight(text)) / 2; };

    if (ARow == 0) {
        c.FillRect(Rect);
        c.Font().SetColor(clWindowText);
        c.TextRect(Rect, Rect.Left + (Rect.Width() - c.TextWidth(text)) / 2, centredY(), text);
    } else if (inColumnList(LeftColumns, ACol)) {
        c.FillRect(Rect);
        const int h = c.TextHeight(text);
        const int lines = CountMarkupLines(g->ColWidths(ACol), text);
        // A row only grows here; the grid paints again with the new height.
        if (g->RowHeights(ARow) < lines * h + 10)
            g->SetRowHeights(ARow, lines * h + 10);
        c.FillRect(Rect);
        DrawMarkupText(Rect.Left, Rect.Right - Rect.Left, Rect.Top + 5, text, int(g->Objects(ACol, ARow)), h);
    } else if (inColumnList(RightColumns, ACol)) {
        c.FillRect(Rect);
        c.TextRect(Rect, Rect.Right - c.TextWidth(text) - 3, centredY(), text);
    } else if (inColumnList(CenterColumns, ACol)) {
        c.FillRect(Rect);
        c.TextRect(Rect, Rect.Left + (Rect.Width() - c.TextWidth(text)) / 2, centredY(), text);
    }
}

int TTaxonarMainForm::CountMarkupLines(int W, const AnsiString &text)
{
    if (text.empty())
        return 1;
    TCanvas &c = TaxonarTable3StringGrid->Canvas();
    MarkupRest rest(text);
    MarkupSwitches sw;
    AnsiString line;
    size_t blank = 0;
    int count = 0;
    do {
        for (;;) {
            if (handleTags(rest, sw, c, [](TagKind) {}))
                break;
            if (!rest.empty())
                line += rest.take();
            if (!line.empty() && line.back() == ' ')
                blank = line.size();
            if (c.TextWidth(line) + 4 <= W && !rest.empty())
                continue;
            break;
        }
        // A line too wide goes back to its last blank.
        if (blank > 0 && c.TextWidth(line) + 4 > W) {
            rest.pushFront(line.substr(blank - 1));
            line.resize(blank - 1);
        }
        rest.trim();
        ++count;
        line.clear();
        blank = 0;
    } while (!rest.empty());
    return count;
}

void TTaxonarMainForm::DrawMarkupText(int x0, int W, int y0, const AnsiString &text, int linkIndex, int h)
{
    if (text.empty())
        return;
    TCanvas &c = TaxonarTable3StringGrid->Canvas();
    const bool record = linkIndex >= 0 && LinkRecords != nullptr && linkIndex < LinkRecords->Count();
    AnsiString entry;
    if (record) {
        entry = LinkRecords->Strings(linkIndex);
        const size_t sep = zoneSeparator(entry);
        if (sep != AnsiString::npos)
            entry.resize(sep);
        entry += "#R#";
    }

    MarkupRest rest(text);
    MarkupSwitches sw;
    AnsiString segment;
    int segWidth = 0;
    int offset = 0;
    size_t blank = 0;
    bool lineHadBlank = false; // a segment drawn earlier on this line held a blank
    int y = y0;
    int n = 0;

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
    auto before = [&](TagKind kind) {
        if (kind == TagKind::LinkClose && !segment.empty() && record) {
            const int left = x0 + 2 + offset;
            const AnsiString k = IntToStr(n);
            entry += "L" + k + "=" + IntToStr(left) + "#T" + k + "=" + IntToStr(y) + "#R" + k + "=" +
                     IntToStr(left + segWidth) + "#B" + k + "=" + IntToStr(y + h) + "#";
        }
        flush();
        if (kind == TagKind::LinkOpen)
            ++n;
    };
    auto cutBack = [&] {
        rest.pushFront(segment.substr(blank - 1));
        segment.resize(blank - 1);
    };

    do {
        for (;;) {
            if (handleTags(rest, sw, c, before))
                break;
            if (!rest.empty())
                segment += rest.take();
            segWidth = c.TextWidth(segment);
            if (!segment.empty() && segment.back() == ' ')
                blank = segment.size();
            if (segWidth + offset + 4 <= W && !rest.empty())
                continue;
            break;
        }
        // Line end.
        if (offset == 0) {
            if (blank > 0 && c.TextWidth(segment) + 4 > W)
                cutBack();
        } else if (offset + c.TextWidth(segment) + 4 > W) {
            if (blank > 0) {
                cutBack();
            } else if (lineHadBlank) {
                rest.pushFront(segment);
                segment.clear();
            }
        }
        if (!segment.empty())
            c.TextOut(x0 + 2 + offset, y, segment);
        rest.trim();
        segment.clear();
        segWidth = 0;
        offset = 0;
        blank = 0;
        lineHadBlank = false;
        y += h;
    } while (!rest.empty());

    if (record)
        LinkRecords->Put(linkIndex, entry + "C=" + IntToStr(n) + "#");
}

// ------------------------------------------------------------ mouse, keys

void TTaxonarMainForm::TaxonarTable3StringGridMouseMove(TObject *, TShiftState, int X, int Y)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    int col = -1, row = -1;
    g->MouseToCell(X, Y, col, row);
    const intptr_t tag = row >= 1 && col >= 0 ? g->Objects(col, row) : -1;
    if (row < 1 || tag < 0) {
        g->SetCursor(crDefault);
    } else {
        // Repaint first, so that the zones of the cell are those of its
        // place on the screen now.
        if (col != LastHoverCol || row != LastHoverRow)
            g->Repaint();
        const bool onLink = tag < LinkRecords->Count() && linkAtPoint(LinkRecords->Strings(int(tag)), X, Y) > 0;
        g->SetCursor(onLink ? crHandPoint : crDefault);
    }
    LastHoverCol = col;
    LastHoverRow = row;
}

void TTaxonarMainForm::TaxonarTable3StringGridMouseUp(TObject *, TMouseButton, TShiftState, int X, int Y)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    int col = -1, row = -1;
    g->MouseToCell(X, Y, col, row);
    if (col < 0 || row <= 0)
        return;
    const intptr_t tag = g->Objects(col, row);
    if (tag < 0 || tag >= LinkRecords->Count())
        return;
    auto recordRow = [&] { CurrentEntry = IntToStr(CurrentItem) + "\t" + IntToStr(g->Row()) + "\t"; };
    recordRow();

    const AnsiString entry = LinkRecords->Strings(int(tag));
    const int k = linkAtPoint(entry, X, Y);
    if (k == 0)
        return;
    AnsiString target;
    if (!linkTarget(entry.substr(0, zoneSeparator(entry)), k, target))
        return;
    const size_t at1 = target.find('@');
    const AnsiString signature = AnsiUpperCase(target.substr(0, at1));
    AnsiString link, rowKey;
    if (at1 != AnsiString::npos) {
        const size_t at2 = target.find('@', at1 + 1);
        link = target.substr(at1 + 1, at2 == AnsiString::npos ? AnsiString::npos : at2 - at1 - 1);
        if (at2 != AnsiString::npos)
            rowKey = target.substr(at2 + 1);
    }
    link = AnsiUpperCase(link);

    int index = -1;
    for (int i = 0; i < ItemRecords->Count(); ++i) {
        const AnsiString &rec = ItemRecords->Strings(i);
        if (AnsiUpperCase(GetRecordValue(rec, "SIGNATURE=")) == signature &&
            AnsiUpperCase(GetRecordValue(rec, "LINK=")) == link) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;

    recordRow();
    const bool outcome = IsItemAvailable(index) && OpenItem(index, true, -1, rowKey);
    UpdateMenus();
    if (!outcome) {
        DisableControls();
        struct Finish {
            TTaxonarMainForm *self;
            ~Finish()
            {
                delete TaxonarInfoForm;
                TaxonarInfoForm = nullptr;
                self->EnableControls();
                self->UpdateMenus();
            }
        } finish{this};
        TaxonarInfoForm = new TTaxonarInfoForm(Application);
        TaxonarInfoForm->TaxonarInfoText->SetCaption(Pl("Nie znaleziono wybranej strony."));
        TaxonarInfoForm->ShowModal();
    }
}

void TTaxonarMainForm::TaxonarTable3StringGridClick(TObject *)
{
    CurrentEntry = IntToStr(CurrentItem) + "\t" + IntToStr(TaxonarTable3StringGrid->Row()) + "\t";
}

void TTaxonarMainForm::TaxonarTable3StringGridKeyUp(TObject *, uint16_t &, TShiftState)
{
    CurrentEntry = IntToStr(CurrentItem) + "\t" + IntToStr(TaxonarTable3StringGrid->Row()) + "\t";
}

} // namespace taxonar
