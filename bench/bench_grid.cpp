// A scaling check of the string grid's painting, not a comparison with a
// peer: the same grid with 50 rows and with 50,000 rows. Only the rows in
// view are painted, so both should cost the same (target: the larger within
// 2x of the smaller). After the Google Benchmark runs the program prints the
// ratio.
#include "platform/Grids.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace platform;

namespace {

std::unique_ptr<TStringGrid> makeGrid(int rows)
{
    auto grid = std::make_unique<TStringGrid>(nullptr);
    grid->SetFixedCols(0);
    grid->SetColCount(5);
    grid->SetDefaultColWidth(150);
    grid->SetDefaultRowHeight(16);
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    grid->SetScrollBars(ssVertical);
    grid->SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 5; ++c)
            grid->SetCells(c, r, "Cell " + std::to_string(r) + "/" + std::to_string(c) + " some text");
    grid->Widget()->resize(800, 600);
    // A draw-cell handler that works like the reader's: it measures and
    // grows the row once.
    TStringGrid *g = grid.get();
    grid->OnDrawCell = TDrawCellEvent::FromFunction([g](TObject *, int c, int r, TRect rect, TGridDrawState) {
        TCanvas &cv = g->Canvas();
        const AnsiString text = g->Cells(c, r);
        const int h = cv.TextHeight(text);
        if (r > 0 && g->RowHeights(r) < h + 10)
            g->SetRowHeights(r, h + 10);
        cv.FillRect(rect);
        cv.TextOut(rect.Left + 2, rect.Top + 5, text);
    });
    grid->SetRow(rows / 2);
    return grid;
}

void paintOnce(TStringGrid &grid, QImage &img)
{
    QPainter p(&img);
    grid.PaintCells(p, img.rect());
}

void BM_PaintGrid(benchmark::State &state)
{
    auto grid = makeGrid(int(state.range(0)));
    QImage img(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
    paintOnce(*grid, img); // rows reach their final heights
    for (auto _ : state) {
        paintOnce(*grid, img);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_PaintGrid)->Arg(50)->Arg(50000)->Unit(benchmark::kMicrosecond);

double microsPerPaint(int rows)
{
    auto grid = makeGrid(rows);
    QImage img(grid->ClientWidth(), grid->ClientHeight(), QImage::Format_RGB32);
    paintOnce(*grid, img);
    QElapsedTimer t;
    t.start();
    const int n = 200;
    for (int i = 0; i < n; ++i)
        paintOnce(*grid, img);
    return double(t.nsecsElapsed()) / 1000.0 / n;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double small = microsPerPaint(50);
    const double large = microsPerPaint(50000);
    std::printf("grid paint (scaling check): 50 rows %.1f us, 50000 rows %.1f us\n", small, large);
    std::printf("RATIO %-48s %8.2f   (50000-row paint / 50-row paint; target <= 2)\n",
                "grid paint scaling, 50000 / 50 rows", large / small);
    return 0;
}
