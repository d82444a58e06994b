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
//
// Measuring. The line rule measures the whole line (or segment) again after
// every character it adds; done literally that costs O(L x line length)
// shaping for a cell of L characters. Here each added character costs O(1):
// the width comes from the canvas's width model of the current font, and
// every decision taken on the model is confirmed with the canvas's own
// TextWidth: the last step that continued a line in each font, and the step
// that ended it as too wide. The rule's result is then the literal one as long
// as adding a character to a text never makes it narrower (the model itself
// refuses characters whose step would narrow the line). A line whose
// confirmation fails, or that holds a character the model does not cover, is
// laid out again from its start by the literal rule; DrawMarkupText keeps a
// line's drawing until the line is confirmed, so nothing is drawn twice.
#include "browser/TaxonarInfoCode.h"
#include "browser/TaxonarMainCode.h"
#include "browser/TaxonarWindowSupport.h"

#include <charconv>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

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
    // Puts text back at the front. The text was taken from this rest on the
    // current line, so it fits into the consumed part before the read
    // position: putting back costs its own length, not the rest's.
    void pushFront(std::string_view text)
    {
        if (text.size() <= p_) {
            p_ -= text.size();
            s_.replace(p_, text.size(), text);
        } else {
            s_ = AnsiString(text) + s_.substr(p_);
            p_ = 0;
        }
    }
    // The read position; the text from it on does not change within a line.
    size_t position() const { return p_; }
    void setPosition(size_t p) { p_ = p; }
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

// The model's width of a growing string in the canvas's current font.
class ModelWidth {
public:
    void reset(const TFontWidths &widths)
    {
        w_ = &widths;
        sum_ = 0;
        last_ = -1;
    }
    // False when the model does not cover the character, or when its step
    // would narrow the string.
    bool add(char ch)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (!TFontWidths::Modelled(c))
            return false;
        const int32_t step = w_->Advance(c) + (last_ >= 0 ? w_->Pair(static_cast<unsigned char>(last_), c) : 0);
        if (step < 0)
            return false;
        sum_ += step;
        last_ = c;
        return true;
    }
    bool addAll(std::string_view text)
    {
        for (const char ch : text)
            if (!add(ch))
                return false;
        return true;
    }
    int pixels() const { return TFontWidths::Pixels(sum_); }

private:
    const TFontWidths *w_ = nullptr;
    int64_t sum_ = 0;
    int last_ = -1;
};

// What a line starts from, to lay it out again by the literal rule.
struct LineStart {
    size_t position;
    MarkupSwitches switches;
    TFontStyles style;
    TColor color;
};

// The line count of a cell text in a column W pixels wide.
class LineCounter {
public:
    LineCounter(TCanvas &canvas, int W, const AnsiString &text) : c_(canvas), W_(W), rest_(text) {}

    int Run()
    {
        int count = 0;
        do {
            const LineStart start{rest_.position(), sw_, c_.Font().Style(), c_.Font().Color()};
            if (!fastLine()) {
                rest_.setPosition(start.position);
                sw_ = start.switches;
                c_.Font().SetStyle(start.style);
                c_.Font().SetColor(start.color);
                line_.clear();
                blank_ = 0;
                literalLine();
            }
            // A line too wide goes back to its last blank.
            if (blank_ > 0 && c_.TextWidth(line_) + 4 > W_) {
                rest_.pushFront(std::string_view(line_).substr(blank_ - 1));
                line_.resize(blank_ - 1);
            }
            rest_.trim();
            ++count;
            line_.clear();
            blank_ = 0;
        } while (!rest_.empty());
        return count;
    }

private:
    // The rule as written: the line is measured after every character.
    void literalLine()
    {
        for (;;) {
            if (handleTags(rest_, sw_, c_, [](TagKind) {}))
                return;
            if (!rest_.empty())
                line_ += rest_.take();
            if (!line_.empty() && line_.back() == ' ')
                blank_ = line_.size();
            if (c_.TextWidth(line_) + 4 <= W_ && !rest_.empty())
                continue;
            return;
        }
    }

    // The same steps on the model; false when a confirmation fails or the
    // model cannot follow.
    bool fastLine()
    {
        ModelWidth model;
        model.reset(c_.FontWidths());
        size_t pending = 0; // line length at the last unconfirmed step that continued
        bool ok = true;
        auto confirm = [&] {
            if (pending > 0)
                ok = ok && c_.TextWidth(std::string_view(line_).substr(0, pending)) + 4 <= W_;
            pending = 0;
        };
        for (;;) {
            bool restyled = false;
            const bool lineBreak = handleTags(rest_, sw_, c_, [&](TagKind kind) {
                if (kind != TagKind::LineBreak) {
                    confirm(); // in the font the step was measured in
                    restyled = true;
                }
            });
            if (!ok)
                return false;
            if (lineBreak) {
                confirm();
                return ok;
            }
            if (restyled) {
                model.reset(c_.FontWidths());
                if (!model.addAll(line_))
                    return false;
            }
            if (!rest_.empty()) {
                line_ += rest_.take();
                if (!model.add(line_.back()))
                    return false;
            }
            if (!line_.empty() && line_.back() == ' ')
                blank_ = line_.size();
            if (model.pixels() + 4 <= W_ && !rest_.empty()) {
                pending = line_.size();
                continue;
            }
            confirm();
            // Ended as too wide, or at the end of the text.
            if (!rest_.empty())
                ok = ok && c_.TextWidth(line_) + 4 > W_;
            return ok;
        }
    }

    TCanvas &c_;
    const int W_;
    MarkupRest rest_;
    MarkupSwitches sw_;
    AnsiString line_;
    size_t blank_ = 0;
};

// Draws a cell text line by line from (x0 + 2, y0), h pixels apart, and
// appends the zones of its links to *entry (when given).
class MarkupDrawer {
public:
    MarkupDrawer(TCanvas &canvas, int x0, int W, int y0, const AnsiString &text, int h, AnsiString *entry)
        : c_(canvas), x0_(x0), W_(W), h_(h), y_(y0), rest_(text), entry_(entry)
    {
    }

    void Run()
    {
        do {
            const LineStart start{rest_.position(), sw_, c_.Font().Style(), c_.Font().Color()};
            const int links = n_;
            const size_t entrySize = entry_ ? entry_->size() : 0;
            if (!layLine(true)) {
                rest_.setPosition(start.position);
                sw_ = start.switches;
                c_.Font().SetStyle(start.style);
                c_.Font().SetColor(start.color);
                n_ = links;
                if (entry_)
                    entry_->resize(entrySize);
                ops_.clear();
                segment_.clear();
                segWidth_ = 0;
                offset_ = 0;
                blank_ = 0;
                lineHadBlank_ = false;
                layLine(false);
            }
        } while (!rest_.empty());
    }
    int Links() const { return n_; }

private:
    // A segment drawn at the end of its line.
    struct Op {
        int x, y;
        AnsiString text;
        TFontStyles style;
        TColor color;
    };

    void draw(bool fast)
    {
        const int x = x0_ + 2 + offset_;
        if (fast)
            ops_.push_back({x, y_, segment_, c_.Font().Style(), c_.Font().Color()});
        else
            c_.TextOut(x, y_, segment_);
    }

    void cutBack()
    {
        rest_.pushFront(std::string_view(segment_).substr(blank_ - 1));
        segment_.resize(blank_ - 1);
    }

    // Lays out and draws one line. With fast set, widths come from the model,
    // each decision taken on it is confirmed, and the drawing waits for the
    // line's end; false (nothing drawn, state to be restored by the caller)
    // when a confirmation fails or the model cannot follow.
    bool layLine(bool fast)
    {
        ModelWidth model;
        if (fast)
            model.reset(c_.FontWidths());
        size_t pending = 0; // segment length at the last unconfirmed step that continued
        bool ok = true;
        auto before = [&](TagKind kind) {
            if (!segment_.empty()) {
                if (fast) {
                    // The segment's last step continued the line.
                    segWidth_ = c_.TextWidth(segment_);
                    ok = ok && segWidth_ + offset_ + 4 <= W_;
                }
                if (kind == TagKind::LinkClose && entry_) {
                    const int left = x0_ + 2 + offset_;
                    const AnsiString k = IntToStr(n_);
                    *entry_ += "L" + k + "=" + IntToStr(left) + "#T" + k + "=" + IntToStr(y_) + "#R" + k + "=" +
                               IntToStr(left + segWidth_) + "#B" + k + "=" + IntToStr(y_ + h_) + "#";
                }
                draw(fast);
                offset_ += segWidth_;
                lineHadBlank_ = lineHadBlank_ || blank_ > 0;
                segment_.clear();
                segWidth_ = 0;
                blank_ = 0;
                pending = 0;
            }
            if (kind == TagKind::LinkOpen)
                ++n_;
        };

        for (;;) {
            bool tagged = false;
            const bool lineBreak = handleTags(rest_, sw_, c_, [&](TagKind kind) {
                before(kind);
                tagged = true;
            });
            if (!ok)
                return false;
            if (lineBreak)
                break;
            if (fast && tagged)
                model.reset(c_.FontWidths()); // the segment is empty after a tag
            if (!rest_.empty()) {
                segment_ += rest_.take();
                if (fast && !model.add(segment_.back()))
                    return false;
            }
            segWidth_ = fast ? model.pixels() : c_.TextWidth(segment_);
            if (!segment_.empty() && segment_.back() == ' ')
                blank_ = segment_.size();
            if (segWidth_ + offset_ + 4 <= W_ && !rest_.empty()) {
                pending = segment_.size();
                continue;
            }
            if (fast) {
                if (pending > 0 && c_.TextWidth(std::string_view(segment_).substr(0, pending)) + offset_ + 4 > W_)
                    return false;
                if (!rest_.empty()) {
                    segWidth_ = c_.TextWidth(segment_);
                    if (segWidth_ + offset_ + 4 <= W_)
                        return false;
                }
            }
            break;
        }

        // Line end.
        if (offset_ == 0) {
            if (blank_ > 0 && c_.TextWidth(segment_) + 4 > W_)
                cutBack();
        } else if (offset_ + c_.TextWidth(segment_) + 4 > W_) {
            if (blank_ > 0) {
                cutBack();
            } else if (lineHadBlank_) {
                rest_.pushFront(segment_);
                segment_.clear();
            }
        }
        if (!segment_.empty())
            draw(fast);
        if (fast && !ops_.empty()) {
            const TFontStyles style = c_.Font().Style();
            const TColor color = c_.Font().Color();
            for (const Op &op : ops_) {
                c_.Font().SetStyle(op.style);
                c_.Font().SetColor(op.color);
                c_.TextOut(op.x, op.y, op.text);
            }
            c_.Font().SetStyle(style);
            c_.Font().SetColor(color);
            ops_.clear();
        }
        rest_.trim();
        segment_.clear();
        segWidth_ = 0;
        offset_ = 0;
        blank_ = 0;
        lineHadBlank_ = false;
        y_ += h_;
        return true;
    }

    TCanvas &c_;
    const int x0_;
    const int W_;
    const int h_;
    int y_;
    MarkupRest rest_;
    MarkupSwitches sw_;
    AnsiString *entry_;
    AnsiString segment_;
    int segWidth_ = 0;
    int offset_ = 0;
    size_t blank_ = 0;
    bool lineHadBlank_ = false; // a segment drawn earlier on this line held a blank
    int n_ = 0;
    std::vector<Op> ops_;
};

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
        // A row only grows here; the grid sizes a row before it draws it, so
        // the row is drawn at its new height.
        if (g->RowHeights(ARow) < lines * h + 10)
            g->SetRowHeights(ARow, lines * h + 10);
        // A row only being sized is drawn right after: its zones come then.
        if (g->SizingBeforeDrawing())
            return;
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
    // A cell is counted at every paint, and twice when its row is sized
    // first: the count and the font it leaves are kept per width, font (its
    // width model stands for name, height, style and device) and text.
    struct Counted {
        int lines;
        TFontStyles style;
        TColor color;
    };
    static std::unordered_map<std::string, Counted> counted;
    static size_t countedBytes = 0;
    const TFontWidths *font = &c.FontWidths();
    const TColor startColor = c.Font().Color();
    std::string key(sizeof W + sizeof font + sizeof startColor, '\0');
    std::memcpy(key.data(), &W, sizeof W);
    std::memcpy(key.data() + sizeof W, &font, sizeof font);
    std::memcpy(key.data() + sizeof W + sizeof font, &startColor, sizeof startColor);
    key += text;
    const auto it = counted.find(key);
    if (it != counted.end()) {
        c.Font().SetStyle(it->second.style);
        c.Font().SetColor(it->second.color);
        return it->second.lines;
    }
    const int lines = LineCounter(c, W, text).Run();
    // Dropped whole when it grows large (a few screens of long cells).
    if (counted.size() >= 4096 || countedBytes + key.size() > (size_t(8) << 20)) {
        counted.clear();
        countedBytes = 0;
    }
    countedBytes += key.size();
    counted.emplace(std::move(key), Counted{lines, c.Font().Style(), c.Font().Color()});
    return lines;
}

void TTaxonarMainForm::DrawMarkupText(int x0, int W, int y0, const AnsiString &text, int linkIndex, int h)
{
    if (text.empty())
        return;
    const bool record = linkIndex >= 0 && LinkRecords != nullptr && linkIndex < LinkRecords->Count();
    AnsiString entry;
    if (record) {
        entry = LinkRecords->Strings(linkIndex);
        const size_t sep = zoneSeparator(entry);
        if (sep != AnsiString::npos)
            entry.resize(sep);
        entry += "#R#";
    }
    MarkupDrawer drawer(TaxonarTable3StringGrid->Canvas(), x0, W, y0, text, h, record ? &entry : nullptr);
    drawer.Run();
    if (record)
        LinkRecords->Put(linkIndex, entry + "C=" + IntToStr(drawer.Links()) + "#");
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
    if (SearchRunning())
        return; // a link opens nothing while the classification search runs
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
