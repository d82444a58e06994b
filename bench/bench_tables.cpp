// Opening and painting tables of long wrapped mark-up cells: the open of a
// 20,000-row and of a 100-row table (each until the screen has settled, so
// its paints are included) against decoding the lines of its file, and one
// paint of a screen of such cells against Qt's own word-wrapped drawText of
// the same plain texts in the same rectangles.
#include "BenchSupport.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Forms.h"
#include "platform/Grids.h"
#include "platform/TextFile.h"
#include "tools/PrepTool.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace taxonar;

namespace {

std::string g_root;
constexpr int kCellChars = 300;
constexpr uint32_t kSeed = 1106;

enum : int { kSmall = 1, kBig = 2, kHundred = 3, kHuge = 4 };

std::string tableRecord(const std::string &name, const std::string &link, const std::string &file)
{
    return "{\r\nSIGNATURE=T\r\nNAME=" + name + "\r\nPARENT=T\r\nVIEW=SHOW\r\nLINK=" + link +
           "\r\nMODE=TABLE\r\nFILE=" + file +
           "\r\nCOLUMNS=4\r\nNAME1=Symbol\r\nWIDTH1=70\r\nALIGNMENT1=CENTER\r\nNAME2=Nazwa\r\nWIDTH2=AUTO\r\n"
           "ALIGNMENT2=LEFT\r\nNAME3=Odsy\xB3" "acze\r\nWIDTH3=220\r\nALIGNMENT3=LEFT\r\nNAME4=Liczba\r\n"
           "WIDTH4=70\r\nALIGNMENT4=RIGHT\r\n}\r\n";
}

const std::string &tableFolder()
{
    static std::string dir;
    if (!dir.empty())
        return dir;
    dir = g_root + "/tables/";
    ::mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "definition.global", std::ios::binary) << "t.definition;tabel\xEA;T;Tabele\r\n";
    std::ofstream(dir + "t.definition", std::ios::binary)
        << "{\r\nSIGNATURE=T\r\nNAME=Tabele\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=T\r\nMODE=GROUP\r\n}\r\n"
        << tableRecord("Mala", "M", "small.txt") << tableRecord("Duza", "D", "big.txt")
        << tableRecord("Setka", "S", "hundred.txt") << tableRecord("Olbrzym", "O", "huge.txt");
    std::ofstream(dir + "dictionary.global", std::ios::binary) << "rolnictwo\r\n";
    rbkn::WriteSynthMarkupTable(dir + "small.txt", 1, 40, kSeed);
    rbkn::WriteSynthMarkupTable(dir + "big.txt", 20000, kCellChars, kSeed);
    rbkn::WriteSynthMarkupTable(dir + "hundred.txt", 100, kCellChars, kSeed);
    rbkn::WriteSynthMarkupTable(dir + "huge.txt", 1, 300 * 1024, kSeed);
    return dir;
}

// Counts the paints of the grid's view.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Window {
    std::unique_ptr<TTaxonarMainForm> form;
    PaintCounter counter;

    Window()
    {
        const std::string dir = tableFolder();
        SetProgramFolderSource([dir] { return dir; });
        form = std::make_unique<TTaxonarMainForm>(platform::Application);
        form->Show();
        settle();
        static_cast<QAbstractScrollArea *>(form->TaxonarTable3StringGrid->Widget())->viewport()->installEventFilter(&counter);
    }
    ~Window() { form->Hide(); }

    // Runs the event loop until a round paints nothing more.
    void settle()
    {
        for (int i = 0; i < 10; ++i) {
            const int before = counter.paints;
            QApplication::processEvents();
            QApplication::processEvents();
            if (counter.paints == before)
                break;
        }
    }
    bool open(int item)
    {
        const bool ok = form->OpenItem(item, false, -1, "");
        settle();
        return ok;
    }
};

void openBench(benchmark::State &state, int item)
{
    Window w;
    int paints = 0;
    double inOpen = 0, inSettle = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        state.PauseTiming();
        w.open(kSmall);
        const int before = w.counter.paints;
        state.ResumeTiming();
        clock.start();
        if (!w.form->OpenItem(item, false, -1, ""))
            state.SkipWithError("table not opened");
        inOpen += double(clock.nsecsElapsed());
        clock.start();
        w.settle();
        inSettle += double(clock.nsecsElapsed());
        state.PauseTiming();
        paints = w.counter.paints - before;
        state.ResumeTiming();
    }
    state.counters["rows"] = w.form->TaxonarTable3StringGrid->RowCount() - 1;
    state.counters["paint_events"] = paints; // of the grid's view, held-back ones included
    // Where the time goes: OpenItem itself, and the event rounds after it.
    state.counters["open_ms"] = benchmark::Counter(inOpen / 1e6, benchmark::Counter::kAvgIterations);
    state.counters["settle_ms"] = benchmark::Counter(inSettle / 1e6, benchmark::Counter::kAvgIterations);
}

void BM_OpenTable20k(benchmark::State &state) { openBench(state, kBig); }
BENCHMARK(BM_OpenTable20k)->Unit(benchmark::kMillisecond);

void BM_OpenTable100(benchmark::State &state) { openBench(state, kHundred); }
BENCHMARK(BM_OpenTable100)->Unit(benchmark::kMicrosecond);

// The window's own share: opening a one-row table of a short cell (from the
// 100-row table, so that the grid shrinks as it does when the 100-row table
// opens from the small one).
void BM_OpenTableOneRow(benchmark::State &state)
{
    Window w;
    for (auto _ : state) {
        state.PauseTiming();
        w.open(kHundred);
        state.ResumeTiming();
        w.open(kSmall);
    }
}
BENCHMARK(BM_OpenTableOneRow)->Unit(benchmark::kMicrosecond);

void decodeBench(benchmark::State &state, const char *name)
{
    const std::string path = tableFolder() + name;
    for (auto _ : state) {
        platform::TextFile file(path);
        file.Reset();
        size_t bytes = 0;
        while (!file.Eof())
            bytes += DecodeTableLine(file.ReadLn()).size();
        file.CloseFile();
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_DecodeTable20k(benchmark::State &state) { decodeBench(state, "big.txt"); }
BENCHMARK(BM_DecodeTable20k)->Unit(benchmark::kMillisecond);

void BM_DecodeTable100(benchmark::State &state) { decodeBench(state, "hundred.txt"); }
BENCHMARK(BM_DecodeTable100)->Unit(benchmark::kMicrosecond);

// One paint of the settled screen of the 100-row table.
void BM_PaintMarkupScreen(benchmark::State &state)
{
    Window w;
    w.open(kHundred);
    platform::TStringGrid *g = w.form->TaxonarTable3StringGrid;
    QImage image(g->ClientWidth(), g->ClientHeight(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        g->PaintCells(painter, image.rect());
    }
    state.counters["width"] = g->ClientWidth();
    state.counters["height"] = g->ClientHeight();
}
BENCHMARK(BM_PaintMarkupScreen)->Unit(benchmark::kMicrosecond);

// One paint of a table whose one cell holds 300 KB of mark-up.
void BM_PaintHugeCell(benchmark::State &state)
{
    Window w;
    w.open(kHuge);
    platform::TStringGrid *g = w.form->TaxonarTable3StringGrid;
    QImage image(g->ClientWidth(), g->ClientHeight(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        g->PaintCells(painter, image.rect());
    }
    state.counters["cell_kb"] = double(g->Cells(1, 1).size()) / 1024;
}
BENCHMARK(BM_PaintHugeCell)->Unit(benchmark::kMillisecond);

// Qt's word-wrapped drawing of the same cells' plain texts (mark-up gone) in
// the same rectangles, each filled first as the grid fills its cells.
void BM_QtWordWrapScreen(benchmark::State &state)
{
    Window w;
    w.open(kHundred);
    platform::TStringGrid *g = w.form->TaxonarTable3StringGrid;
    struct Cell {
        QRect rect;
        QString text;
    };
    std::vector<Cell> cells;
    for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c) {
            const platform::TRect rect = g->CellRect(c, r);
            if (!rect.IsEmpty())
                cells.push_back({rect.ToQRect(), platform::AnsiToQString(w.form->MarkupToPlainText(g->Cells(c, r)))});
        }
    const QFont font = g->Font().ToQFont();
    QImage image(g->ClientWidth(), g->ClientHeight(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setFont(font);
        for (const Cell &cell : cells) {
            painter.fillRect(cell.rect, Qt::white);
            painter.drawText(cell.rect.adjusted(2, 5, -2, 0), Qt::TextWordWrap, cell.text);
        }
    }
    state.counters["cells"] = double(cells.size());
}
BENCHMARK(BM_QtWordWrapScreen)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchsupport::WindowBench bench(argc, argv, "tables");
    g_root = bench.Root;
    const benchsupport::RecordingReporter &rep = bench.Run(argc, argv);
    using benchsupport::PrintRatio;
    PrintRatio(rep, "open 20k-row mark-up table / decode its lines", "BM_OpenTable20k", "BM_DecodeTable20k", "<= 3");
    PrintRatio(rep, "open 100-row mark-up table / decode its lines", "BM_OpenTable100", "BM_DecodeTable100", "<= 40");
    PrintRatio(rep, "paint a screen of mark-up / Qt word-wrapped drawText", "BM_PaintMarkupScreen",
               "BM_QtWordWrapScreen", "<= 2");
    SetProgramFolderSource({});
    std::system(("rm -rf '" + g_root + "'").c_str());
    return 0;
}
