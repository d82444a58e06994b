// Fuzz target for the table cells' mark-up: the input is a cell text behind a
// 3-byte head (the kind of cell, whether its row is already tall, and the
// column width). One main window,
// created once over an empty program folder, serves every run.
// - The plain-text form of the text may only lose characters, and leaves a
//   text without '#' (and not blank) as it is.
// - The cell is drawn through the grid's draw-cell event on an image, as a
//   heading, a LEFT, RIGHT or CENTER cell or one of no alignment. A LEFT cell
//   that holds a link must leave a well-formed link entry: its text, "#R#",
//   zones L/T/R/B for links numbered 1 to its count, lines h apart from the
//   cell's top + 5, and "C=count#".
// - The mouse over the centre of each recorded zone that lies in the cell
//   shows the hand cursor, and a click there follows whatever the link names
//   (the catalogue holds a group and a missing page).
#include "FuzzSupport.h"
#include "browser/TaxonarMainCode.h"

#include "platform/Forms.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace taxonar;
using platform::AnsiString;

namespace {

TTaxonarMainForm *form = nullptr;

struct Zone {
    int k, left, top, right, bottom;
};

// Reads "name=value#" at the front of s; false when s does not start so.
bool takeValue(std::string_view &s, std::string_view name, int &value)
{
    if (!s.starts_with(name) || s.size() <= name.size() || s[name.size()] != '=')
        return false;
    s.remove_prefix(name.size() + 1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data() + s.size() || *end != '#')
        return false;
    s.remove_prefix(size_t(end - s.data()) + 1);
    return true;
}

// Checks the link entry drawn for a text and returns its zones.
std::vector<Zone> checkEntry(const AnsiString &entry, const AnsiString &text, int x0, int y0, int h)
{
    const AnsiString head = text + "#R#";
    if (entry.compare(0, head.size(), head) != 0)
        std::abort();
    std::string_view rest = std::string_view(entry).substr(head.size());
    std::vector<Zone> zones;
    int count = -1;
    while (!rest.empty()) {
        if (takeValue(rest, "C", count)) {
            if (!rest.empty())
                std::abort();
            break;
        }
        Zone z{};
        if (rest.empty() || rest[0] != 'L')
            std::abort();
        const size_t eq = rest.find('=');
        if (eq == std::string_view::npos)
            std::abort();
        const std::string_view num = rest.substr(1, eq - 1);
        if (std::from_chars(num.data(), num.data() + num.size(), z.k).ptr != num.data() + num.size())
            std::abort();
        const std::string n(num);
        if (!takeValue(rest, "L" + n, z.left) || !takeValue(rest, "T" + n, z.top) ||
            !takeValue(rest, "R" + n, z.right) || !takeValue(rest, "B" + n, z.bottom))
            std::abort();
        if (z.k < 1 || (!zones.empty() && z.k <= zones.back().k) || z.left < x0 + 2 || z.right < z.left ||
            z.top < y0 || (z.top - y0) % (h > 0 ? h : 1) != 0 || z.bottom != z.top + h)
            std::abort();
        zones.push_back(z);
    }
    if (count < 0 || (!zones.empty() && zones.back().k > count))
        std::abort();
    return zones;
}

} // namespace

// Font configuration and Qt keep caches (fonts, glyphs) for the life of the
// process; they are not this program's leaks.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Widgets\n"; }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string dir = fuzzsupport::ScratchDir("markup");
    ::mkdir((dir + "user").c_str(), 0700);
    ::setenv("XDG_DATA_HOME", (dir + "user").c_str(), 1);
    static int argc = 1;
    static char name[] = "fuzz_markup";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    SetProgramFolderSource([dir] { return dir; });
    SetShellExecute([](const ShellRequest &) {});
    platform::Application->ModalHook = [](platform::TCustomForm *f) { f->SetModalResult(platform::mrCancel); };
    // The window reads its typing hints at creation.
    if (FILE *f = std::fopen((dir + "dictionary.global").c_str(), "wb"))
        std::fclose(f);
    form = new TTaxonarMainForm(platform::Application);
    // No error may reach the application object from here on.
    platform::Application->ExceptionRecorder = [](const AnsiString &message) {
        std::fprintf(stderr, "error: %s\n", message.c_str());
        std::abort();
    };
    // The links' targets: a group (opens) and a page whose file is missing.
    ItemRecords->Add("SIGNATURE=TT\tNAME=Grupa\tLINK=G\tMODE=GROUP\t");
    ItemRecords->Add("SIGNATURE=TT\tNAME=Brak\tLINK=X\tMODE=RTF\tFILE=brak.rtf\t");
    platform::TStringGrid *g = form->TaxonarTable3StringGrid;
    g->Widget()->resize(1600, 1200);
    g->SetColCount(1);
    g->SetRowCount(2);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const int kind = data[0] % 5; // 0 heading, 1 LEFT, 2 RIGHT, 3 CENTER, 4 none
    const int W = int(uint32_t(data[1]) | uint32_t(data[2]) << 8) % 1100 - 50;
    const AnsiString text(reinterpret_cast<const char *>(data) + 3, size - 3);

    const AnsiString plain = form->MarkupToPlainText(text);
    if (plain.size() > text.size())
        std::abort();
    if (text.find('#') == AnsiString::npos && platform::Trim(text) != "" && plain != text)
        std::abort();

    platform::TStringGrid *g = form->TaxonarTable3StringGrid;
    const int row = kind == 0 ? 0 : 1;
    LeftColumns = kind == 1 ? "#0#" : "#";
    RightColumns = kind == 2 ? "#0#" : "#";
    CenterColumns = kind == 3 ? "#0#" : "#";
    LinkRecords->Clear();
    const bool hasLink = text.find("#L#") != AnsiString::npos;
    g->SetCells(0, row, text);
    g->SetObjects(0, 0, 0);
    g->SetObjects(0, 1, hasLink && row == 1 ? LinkRecords->Add(text + "#R#") : -1);
    g->SetColWidths(0, W);
    g->SetDefaultRowHeight(16);
    // A row drawn before may already be tall enough (bit 7 of the head).
    if (data[0] & 0x80)
        g->SetRowHeights(1, 4000);

    // Drawn once, as the grid paints: the canvas starts from the grid's font.
    // (Drawing a row that grew again at its new height would record the same
    // zones: they depend on the cell's left and top only.)
    static QImage image(64, 64, QImage::Format_RGB32);
    QPainter painter(&image);
    platform::TCanvas &c = g->Canvas();
    c.BeginPaint(&painter);
    const int top = row == 0 ? 0 : g->RowHeights(0) + g->GridLineWidth();
    const platform::TRect rect = platform::Bounds(0, top, W, g->RowHeights(row));
    c.SetFont(g->Font());
    form->TaxonarTable3StringGridDrawCell(g, 0, row, rect, {});
    c.SetFont(g->Font());
    const int h = c.TextHeight(text);
    c.EndPaint();
    painter.end();

    if (kind != 1 || !hasLink)
        return 0;
    const std::vector<Zone> zones = checkEntry(LinkRecords->Strings(0), text, rect.Left, rect.Top + 5, h);

    // The hand cursor over each zone's centre that lies in the cell, and a
    // click there.
    for (const Zone &z : zones) {
        const int X = (z.left + z.right) / 2, Y = (z.top + z.bottom) / 2;
        const platform::TGridCoord cell = g->MouseCoord(X, Y);
        if (cell.X != 0 || cell.Y != 1)
            continue;
        form->TaxonarTable3StringGridMouseMove(g, {}, X, Y);
        if (g->Cursor() != platform::crHandPoint)
            std::abort();
        form->TaxonarTable3StringGridMouseUp(g, platform::mbLeft, {}, X, Y);
        HistoryList->Clear();
        HistoryIndex = -1;
        CurrentItem = -1;
        break;
    }
    return 0;
}
