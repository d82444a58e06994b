// Fuzz target for a whole table item: after a flags byte, the input is split
// at its first two NUL bytes into the item record's own values (TAB-separated
// KEY=value items such as COLUMNS=, NAME<n>=, WIDTH<n>=, ALIGNMENT<n>=), the
// table file and the row key. Flags: bit 0 stores every line of the file
// through the table-line encoder (so that the loader sees valid lines with
// fuzzed contents), bits 1-2 pick the row argument (-1, 0, 1, 2), bit 3 also
// exports the table. One main window, created once over a scratch program
// folder, opens every item, so each table replaces the one before.
// - Opening either shows the table or refuses the record with a conversion
//   error; nothing else may be raised.
// - A shown table has the record's column count (at least one), row 1 and
//   below, a current row in range, and every data cell trimmed, its tag -1 or
//   the index of a LinkRecords entry of a cell holding a link.
// - The table is then painted on an image and the panel's resize runs.
#include "FuzzSupport.h"
#include "browser/TaxonarMainCode.h"

#include "platform/Forms.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace taxonar;
using platform::AnsiString;

namespace {

// The part of s before the next NUL (all of it when there is none); s keeps
// what follows the NUL.
std::string takeField(std::string &s)
{
    const size_t nul = s.find('\0');
    std::string field = s.substr(0, nul);
    s.erase(0, nul == std::string::npos ? s.size() : nul + 1);
    return field;
}

bool isTrimmed(const AnsiString &s)
{
    return s.empty() || (static_cast<unsigned char>(s.front()) > 32 && static_cast<unsigned char>(s.back()) > 32);
}

std::string dir;
TTaxonarMainForm *form = nullptr;

} // namespace

// Font configuration and Qt keep caches (fonts, glyphs) for the life of the
// process; they are not this program's leaks.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Widgets\n"; }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    dir = fuzzsupport::ScratchDir("table");
    ::mkdir((dir + "user").c_str(), 0700);
    ::mkdir((dir + "tmp").c_str(), 0700);
    ::setenv("XDG_DATA_HOME", (dir + "user").c_str(), 1);
    // The export's files go to the temporary folder; the shell removes them.
    ::setenv("TMPDIR", (dir + "tmp").c_str(), 1);
    static int argc = 1;
    static char name[] = "fuzz_table_file";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    SetProgramFolderSource([] { return dir; });
    SetShellExecute([](const ShellRequest &request) { ::unlink(request.File.c_str()); });
    platform::Application->ModalHook = [](platform::TCustomForm *f) { f->SetModalResult(platform::mrCancel); };
    fuzzsupport::WriteFile(dir + "dictionary.global", "");
    form = new TTaxonarMainForm(platform::Application);
    platform::Application->ExceptionRecorder = [](const AnsiString &message) {
        std::fprintf(stderr, "error: %s\n", message.c_str());
        std::abort();
    };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    std::string rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::string values = takeField(rest);
    std::string file = takeField(rest);
    const AnsiString rowKey = rest;

    if (flags & 1) {
        std::string stored;
        size_t start = 0;
        while (start < file.size()) {
            size_t end = file.find('\n', start);
            if (end == std::string::npos)
                end = file.size();
            stored += EncodeTableLine(file.substr(start, end - start)) + "\r\n";
            start = end + 1;
        }
        file = stored;
    }
    fuzzsupport::WriteFile(dir + "t.txt", file);

    ItemRecords->Clear();
    ItemRecords->Add("MODE=TABLE\tFILE=t.txt\tSIGNATURE=tt\tNAME=Tabela\t" + values);
    HistoryList->Clear();
    HistoryIndex = -1;
    CurrentItem = -1;

    const int rowArgument = int((flags >> 1) & 3) - 1;
    platform::TStringGrid *g = form->TaxonarTable3StringGrid;
    bool shown = false;
    try {
        shown = form->OpenItem(0, true, rowArgument, rowKey);
    } catch (const platform::EConvertError &) {
        // A COLUMNS= or WIDTH<n>= value that is no integer or out of bounds.
        return 0;
    } catch (const platform::EInvalidGridOperation &) {
        // A row argument outside the rows loaded.
        if (rowArgument < 0)
            std::abort();
        return 0;
    }
    if (!shown || form->GetViewMode() != 3)
        std::abort();

    const int columns = platform::StrToInt(GetRecordValue(ItemRecords->Strings(0), "COLUMNS="));
    if (g->ColCount() != (columns < 1 ? 1 : columns) || g->RowCount() < 2 || g->Row() < 1 || g->Row() >= g->RowCount())
        std::abort();
    for (int r = 1; r < g->RowCount(); ++r)
        for (int k = 0; k < g->ColCount(); ++k) {
            const AnsiString cell = g->Cells(k, r);
            if (!isTrimmed(cell))
                std::abort();
            const intptr_t tag = g->Objects(k, r);
            if (tag < -1 || tag >= LinkRecords->Count())
                std::abort();
            if (tag >= 0 && LinkRecords->Strings(int(tag)).find("#L#") == AnsiString::npos)
                std::abort();
        }

    // One image for every run: a fresh one of the grid's size would cost
    // more than the table.
    static QImage image;
    if (image.width() != g->ClientWidth() || image.height() != g->ClientHeight())
        image = QImage(std::max(1, g->ClientWidth()), std::max(1, g->ClientHeight()), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        g->PaintCells(painter, image.rect());
    }
    form->TaxonarTable3PanelResize(form->TaxonarTable3Panel);
    if (flags & 8)
        form->TaxonarNaviExportMenuItemClick(form);
    return 0;
}
