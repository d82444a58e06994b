// RTF reader speed on a generated 5 MB document with Polish text, character
// and paragraph formatting and tables:
//   BM_RtfParse          our parse (RTF -> document model)
//   BM_RtfBuildDocument  model -> Qt text document
//   BM_RtfLayout800      laying the Qt document out at 800 pixels
//   BM_RtfBuild3000Tables, BM_RtfBuild4000RowTable  tables alone: many
//                        small ones, one long one with joined cells
//   BM_UnrtfText         `unrtf --text` on the same file (when installed)
//   BM_RtfShowTwoTables  a 1.9 MB file of two tables with 5,000 cells shown
//                        in the rich-text view on screen: cleared, loaded,
//                        its display lines read
//   BM_UnrtfTwoTables    `unrtf --text` on that file
// After the benchmarks the program prints, best of three runs each, the
// ratios to `unrtf --text` on the same file, each as a RATIO line with its
// target:
//   - reading the file, parsing it and producing its text (UTF-8), as unrtf
//     does: at most 1x;
//   - showing the two-table file and reading its display lines: at most 3x.
#include "platform/RichEdit.h"
#include "platform/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::string g_rtf;
std::string g_path;
std::string g_tablesPath;

// CP1250 words: Polish with their letters as bytes.
const char *const kWords[] = {
    "klasyfikacja", "dzia\xb3" "alno\x9c" "ci", "gospodarczej", "sekcja", "dzia\xb3",
    "grupa", "klasa", "podklasa", "rolnictwo", "le\x9cnictwo", "\xb3owiectwo", "rybactwo",
    "g\xf3rnictwo", "wydobywanie", "przetw\xf3rstwo", "przemys\xb3owe", "wytwarzanie",
    "\xbf" "ywno\x9c" "ci", "napoj\xf3w", "wyrob\xf3w", "tytoniowych", "odzie\xbf" "y",
    "sk\xf3ry", "drewna", "papieru", "us\xb3ug", "gastronomicznych", "zakwaterowania",
    "i", "w", "z", "oraz", "do", "na", "przez", "\x9c" "wiadczenie", "ga\xb3\xea" "zi",
    "ZA\xaf\xd3\xa3\xc6", "G\xca\x8c" "L\xa5", "JA\x8f\xd1", "pozosta\xb3" "a", "dzia\xb3" "alno\x9c\xe6",
};
constexpr int kWordCount = int(sizeof kWords / sizeof kWords[0]);

struct Lcg {
    uint32_t s = 12345;
    uint32_t Next() { return s = s * 1103515245u + 12345u, s >> 8; }
    int Below(int n) { return int(Next() % uint32_t(n)); }
};

void AppendWord(std::string &out, Lcg &rng)
{
    const char *w = kWords[rng.Below(kWordCount)];
    bool unicode = rng.Below(10) == 0;
    static const char hex[] = "0123456789abcdef";
    for (const char *p = w; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out += char(c);
        } else if (unicode) {
            out += "\\u" + std::to_string(int(platform::CodePageToUnicode(1250, c))) + "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
}

void AppendSentence(std::string &out, Lcg &rng, int words)
{
    for (int i = 0; i < words; ++i) {
        if (i)
            out += ' ';
        switch (rng.Below(12)) {
        case 0: out += "{\\b "; AppendWord(out, rng); out += '}'; break;
        case 1: out += "{\\i "; AppendWord(out, rng); out += '}'; break;
        case 2: out += "{\\ul\\cf2 "; AppendWord(out, rng); out += '}'; break;
        case 3: out += "{\\f1\\fs18 "; AppendWord(out, rng); out += '}'; break;
        default: AppendWord(out, rng); break;
        }
    }
}

std::string MakeDocument(size_t size)
{
    Lcg rng;
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1045{\\fonttbl"
                      "{\\f0\\fswiss\\fcharset238 Arial;}{\\f1\\froman\\fcharset238 Times New Roman;}}"
                      "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red230\\green230\\blue230;}"
                      "{\\stylesheet{\\s0\\f0\\fs20 Normal;}{\\s1\\b\\fs28 heading 1;}}"
                      "{\\info{\\title Klasyfikacja}{\\author generator}}\\viewkind4\\uc1\n";
    static const char *const aligns[] = {"\\ql", "\\qj", "\\qc", "\\qr"};
    int paragraph = 0;
    while (out.size() < size) {
        ++paragraph;
        if (paragraph % 25 == 0) {
            out += "\\pard\\s1\\sb240\\sa120 ";
            AppendSentence(out, rng, 4);
            out += "\\par\n";
        } else if (paragraph % 20 == 0) {
            for (int r = 0; r < 6; ++r) {
                out += "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                       "\\cellx1200\\clcbpat3\\cellx5200\\cellx7200\\cellx9000\n";
                for (int c = 0; c < 4; ++c) {
                    out += "\\pard\\intbl\\ql\\f0\\fs18 ";
                    if (c == 0)
                        out += std::to_string(paragraph) + "." + std::to_string(r);
                    else
                        AppendSentence(out, rng, c == 1 ? 8 : 2);
                    out += "\\cell\n";
                }
                out += "\\row\n";
            }
        } else {
            out += "\\pard\\plain\\s0";
            out += aligns[rng.Below(4)];
            out += "\\li" + std::to_string(rng.Below(4) * 360) + "\\fi-" + std::to_string(rng.Below(2) * 180) +
                   "\\sa60\\f0\\fs20 ";
            AppendSentence(out, rng, 20 + rng.Below(60));
            out += "\\par\n";
        }
    }
    return out + "}\n";
}

bool HaveUnrtf()
{
    return std::system("command -v unrtf >/dev/null 2>&1") == 0;
}

// Two tables of `cells` cells in all, as a big classification's tables come:
// every cell with its borders, a number, a description that wraps, short
// columns, now and then a row with its middle cells joined.
std::string MakeTwoTables(int cells)
{
    Lcg rng;
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}"
                      "{\\f1\\froman\\fcharset238 Times New Roman;}}"
                      "{\\colortbl ;\\red0\\green0\\blue0;\\red230\\green230\\blue230;}\\viewkind4\\uc1\\f0\\fs20\n";
    const std::string border = "\\clvertalt\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs"
                               "\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cltxlrtb\\clftsWidth3";
    int left = cells;
    for (int t = 0; t < 2; ++t) {
        out += "\\pard\\plain\\s1\\qc\\sb240\\sa120\\b\\f0\\fs24 Tabela " + std::to_string(t + 1) + "\\par\n";
        for (int r = 0; left > 0 && (t == 1 || left > cells / 2); ++r) {
            const bool joined = r % 9 == 8;
            out += "\\trowd\\irow" + std::to_string(r) + "\\trgaph108\\trleft-108\\trftsWidth1\\trpaddl108\\trpaddr108";
            out += border + "\\clwWidth1300\\cellx1200";
            if (!joined)
                out += border + "\\clwWidth4000\\cellx5200";
            out += border + "\\clcbpat2\\clwWidth2000\\cellx7200" + border + "\\clwWidth1800\\cellx9000\n";
            for (int c = 0; c < (joined ? 3 : 4); ++c, --left) {
                out += "\\pard\\plain\\intbl\\ql\\li0\\ri0\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright"
                       "\\rin0\\lin0\\f0\\fs18\\lang1045 ";
                if (c == 0)
                    out += std::to_string(t + 1) + "." + std::to_string(r / 10) + "." + std::to_string(r % 10);
                else
                    AppendSentence(out, rng, c == 1 ? 12 + rng.Below(22) : 2 + rng.Below(5));
                out += "\\cell\n";
            }
            out += "\\pard\\plain\\intbl\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0"
                   "{\\row}\n";
        }
    }
    return out + "\\pard\\plain\\f0\\fs20\\par}\n";
}

// Runs `unrtf --text` on a file and returns the bytes of its output.
size_t RunUnrtf(const std::string &path = g_path)
{
    std::string cmd = "unrtf --text '" + path + "' 2>/dev/null";
    FILE *p = ::popen(cmd.c_str(), "r");
    if (!p)
        return 0;
    char buf[65536];
    size_t total = 0, got;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0)
        total += got;
    ::pclose(p);
    return total;
}

void BM_RtfParse(benchmark::State &state)
{
    for (auto _ : state) {
        platform::RtfDocument doc = platform::ParseRtf(g_rtf);
        benchmark::DoNotOptimize(doc.text.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g_rtf.size()));
}
BENCHMARK(BM_RtfParse)->Unit(benchmark::kMillisecond);

void BM_RtfBuildDocument(benchmark::State &state)
{
    platform::RtfDocument rtf = platform::ParseRtf(g_rtf);
    for (auto _ : state) {
        QTextDocument doc;
        platform::BuildTextDocument(rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
}
BENCHMARK(BM_RtfBuildDocument)->Unit(benchmark::kMillisecond);

// Tables alone: `tables` tables of `rows` rows each, every other row with its
// middle cells joined, a shaded cell in each row.
std::string MakeTables(int tables, int rows)
{
    Lcg rng;
    std::string out = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}"
                      "{\\colortbl ;\\red230\\green230\\blue230;}\\f0\\fs20\n";
    for (int t = 0; t < tables; ++t) {
        out += "\\pard ";
        AppendSentence(out, rng, 6);
        out += "\\par\n";
        for (int r = 0; r < rows; ++r) {
            const bool joined = r % 2 == 1;
            out += joined ? "\\trowd\\trgaph70\\cellx1500\\clcbpat1\\cellx8500\\cellx9500\n"
                          : "\\trowd\\trgaph70\\cellx1500\\cellx5000\\clcbpat1\\cellx8500\\cellx9500\n";
            for (int c = 0; c < (joined ? 3 : 4); ++c) {
                out += "\\pard\\intbl ";
                AppendSentence(out, rng, 1 + rng.Below(4));
                out += "\\cell ";
            }
            out += "\\row\n";
        }
    }
    return out + "\\pard\\par}";
}

void BuildTables(benchmark::State &state, int tables, int rows)
{
    platform::RtfDocument rtf = platform::ParseRtf(MakeTables(tables, rows));
    for (auto _ : state) {
        QTextDocument doc;
        platform::BuildTextDocument(rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
}

// Many small tables: each one used to make the document re-read all its frames.
void BM_RtfBuild3000Tables(benchmark::State &state) { BuildTables(state, 3000, 4); }
BENCHMARK(BM_RtfBuild3000Tables)->Unit(benchmark::kMillisecond);

// One long table with cells that span columns.
void BM_RtfBuild4000RowTable(benchmark::State &state) { BuildTables(state, 1, 4000); }
BENCHMARK(BM_RtfBuild4000RowTable)->Unit(benchmark::kMillisecond);

void BM_RtfLayout800(benchmark::State &state)
{
    platform::RtfDocument rtf = platform::ParseRtf(g_rtf);
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<QTextDocument>();
        platform::BuildTextDocument(rtf, *doc);
        state.ResumeTiming();
        doc->setTextWidth(800);
        benchmark::DoNotOptimize(doc->documentLayout()->documentSize().height());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RtfLayout800)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UnrtfText(benchmark::State &state)
{
    if (!HaveUnrtf()) {
        state.SkipWithError("unrtf is not installed");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RunUnrtf());
}
BENCHMARK(BM_UnrtfText)->Unit(benchmark::kMillisecond)->Iterations(3);

// Our side of the comparison with unrtf: read the file, parse it and
// produce its text, as UTF-8 bytes.
size_t ReadParseText(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray data = file.readAll();
    const platform::RtfDocument doc = platform::ParseRtf(std::string_view(data.constData(), size_t(data.size())));
    return size_t(QString::fromStdU16String(doc.text).toUtf8().size());
}

void BM_RtfReadParseText(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadParseText(g_path));
}
BENCHMARK(BM_RtfReadParseText)->Unit(benchmark::kMillisecond);

// The view on screen, as the main window shows a document: cleared, loaded,
// its display lines read (as the page search reads them), painted.
platform::TRichEdit *g_view = nullptr;

size_t ShowTwoTables()
{
    g_view->Clear();
    QApplication::processEvents();
    g_view->LoadFromFile(g_tablesPath);
    const size_t lines = g_view->DisplayLines().size();
    QApplication::processEvents();
    return lines;
}

void BM_RtfShowTwoTables(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowTwoTables());
}
BENCHMARK(BM_RtfShowTwoTables)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UnrtfTwoTables(benchmark::State &state)
{
    if (!HaveUnrtf()) {
        state.SkipWithError("unrtf is not installed");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RunUnrtf(g_tablesPath));
}
BENCHMARK(BM_UnrtfTwoTables)->Unit(benchmark::kMillisecond)->Iterations(3);

template <typename F>
double BestSeconds(F f, int runs)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_rtf = MakeDocument(5u << 20);
    const std::string base = "/tmp/bench_rtf_" + std::to_string(::getpid());
    g_path = base + ".rtf";
    std::ofstream(g_path, std::ios::binary) << g_rtf;
    const std::string tables = MakeTwoTables(5000);
    g_tablesPath = base + "_tables.rtf";
    std::ofstream(g_tablesPath, std::ios::binary) << tables;
    platform::TRichEdit view;
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();
    g_view = &view;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const bool unrtf = HaveUnrtf();
    // Side by side: ours and unrtf's, one after the other, best of three.
    auto compare = [&](const char *what, const std::string &path, auto ours, double target) {
        const double mine = BestSeconds(ours, 3);
        std::printf("%s: %.1f ms\n", what, mine * 1000);
        if (!unrtf) {
            std::printf("unrtf --text: not installed, no ratio\n");
            return;
        }
        const double theirs = BestSeconds([&] { RunUnrtf(path); }, 3);
        std::printf("unrtf --text on the same file: %.1f ms\n", theirs * 1000);
        std::printf("RATIO %-48s %8.3f   (ours / unrtf --text; target <= %g)\n", what, mine / theirs, target);
    };
    std::printf("document: %zu bytes\n", g_rtf.size());
    compare("read the file, parse, produce the text", g_path,
            [] { benchmark::DoNotOptimize(ReadParseText(g_path)); }, 1.0);
    std::printf("two tables, 5000 cells: %zu bytes\n", tables.size());
    compare("show it and read its display lines", g_tablesPath, [] { benchmark::DoNotOptimize(ShowTwoTables()); },
            3.0);
    g_view = nullptr;
    ::unlink(g_path.c_str());
    ::unlink(g_tablesPath.c_str());
    return 0;
}
