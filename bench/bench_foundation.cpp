// Table-line decoding against plain line splitting, catalogue loading at two
// sizes, and search folding with containment against memmem.
#include "BenchSupport.h"
#include "browser/TaxonarTypeCode.h"
#include "platform/TextFile.h"

#include <cstring>
#include <fstream>
#include <random>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace taxonar;

namespace {

std::string g_dir;

std::string polishRow(std::mt19937 &rng, int cells)
{
    static const char *words[] = {"Uprawa", "zb\xF3\xBF", "ro\x9Clin", "str\xB9\x6B\xF3w", "nasion",
                                  "ole\x9Cnych", "#B#Dzia\xB3\x61lno\x9C\xE6#B#", "us\xB3ugowa",
                                  "#L#zob. 01.11#L#PKD@0111@01.11#", "wy\xB3\xB9\x63zeniem", "produkcja"};
    std::string row;
    for (int c = 0; c < cells; ++c) {
        if (c)
            row += '\t';
        int n = 2 + int(rng() % 8);
        for (int w = 0; w < n; ++w) {
            if (w)
                row += ' ';
            row += words[rng() % (sizeof words / sizeof *words)];
        }
    }
    return row;
}

const std::string &tableFile()
{
    static const std::string path = [] {
        std::string p = g_dir + "/table50k.txt";
        std::ofstream out(p, std::ios::binary);
        std::mt19937 rng(1);
        for (int i = 0; i < 50000; ++i)
            out << EncodeTableLine(polishRow(rng, 4)) << "\r\n";
        return p;
    }();
    return path;
}

void BM_SplitTableLines(benchmark::State &state)
{
    const std::string &path = tableFile();
    for (auto _ : state) {
        platform::TextFile f(path);
        f.Reset();
        size_t bytes = 0;
        while (!f.Eof())
            bytes += f.ReadLn().size();
        f.CloseFile();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_SplitTableLines)->Unit(benchmark::kMillisecond);

void BM_DecodeTableLines(benchmark::State &state)
{
    const std::string &path = tableFile();
    for (auto _ : state) {
        platform::TextFile f(path);
        f.Reset();
        size_t bytes = 0;
        while (!f.Eof())
            bytes += DecodeTableLine(f.ReadLn()).size();
        f.CloseFile();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_DecodeTableLines)->Unit(benchmark::kMillisecond);

// A synthetic program folder with `records` records in 4 classifications.
const std::string &catalogueDir(int records)
{
    static std::map<int, std::string> made;
    auto it = made.find(records);
    if (it != made.end())
        return it->second;
    std::string dir = g_dir + "/cat" + std::to_string(records) + "/";
    mkdir(dir.c_str(), 0777);
    std::ofstream global(dir + "definition.global", std::ios::binary);
    const int files = 4;
    std::mt19937 rng(2);
    for (int f = 0; f < files; ++f) {
        std::string sig = "K" + std::to_string(f);
        global << "k" << f << ".def;Klasyfikacja " << f << ";" << sig << ";Klasyfikacja " << f << "\r\n";
        std::ofstream def(dir + "k" + std::to_string(f) + ".def", std::ios::binary);
        const int n = records / files;
        for (int i = 0; i < n; ++i) {
            // A tree four levels deep: each record's parent is an earlier one.
            std::string parent = i < 20 ? "nil" : "L" + std::to_string(i / 5);
            def << "{\r\n";
            if (i == 0)
                def << "SIGNATURE=" << sig << "\r\n";
            def << "NAME=Pozycja " << i << " " << polishRow(rng, 1) << "\r\n"
                << "PARENT=" << parent << "\r\nVIEW=" << (i % 10 == 9 ? "HIDE" : "SHOW") << "\r\n"
                << "LINK=L" << i << "\r\nMODE=" << (i % 3 ? "RTF" : "GROUP") << "\r\nFILE=doc" << i % 50
                << ".rtf\r\n}\r\n";
        }
    }
    return made[records] = dir;
}

void BM_LoadCatalogue(benchmark::State &state)
{
    const std::string &dir = catalogueDir(int(state.range(0)));
    for (auto _ : state) {
        TStringList records;
        Catalogue cat(records);
        CatalogueSink sink;
        size_t parents = 0;
        // What the tree builder does for each shown record: find its parent.
        sink.OnShownRecord = [&](int, const std::string &, const std::string &parent, const std::string &sig) {
            if (parent != "nil")
                parents += cat.FindParentRecord(parent, sig) >= 0;
        };
        cat.Load(dir, sink);
        benchmark::DoNotOptimize(parents);
    }
}
BENCHMARK(BM_LoadCatalogue)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

std::string searchText()
{
    std::mt19937 rng(3);
    std::string s;
    while (s.size() < (8u << 20))
        s += polishRow(rng, 3) + "\n";
    return s;
}

void BM_FoldAndContain(benchmark::State &state)
{
    static const std::string text = searchText();
    const std::string term = ComparableText("nieistniej\xB9\x63y");
    for (auto _ : state)
        benchmark::DoNotOptimize(ComparableContains(text, term));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_FoldAndContain)->Unit(benchmark::kMillisecond);

void BM_Memmem(benchmark::State &state)
{
    static const std::string text = searchText();
    const std::string term = "nieistniej\xB9\x63y";
    for (auto _ : state)
        benchmark::DoNotOptimize(::memmem(text.data(), text.size(), term.data(), term.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    char tmpl[] = "/tmp/rbkn-bench-XXXXXX";
    g_dir = mkdtemp(tmpl);
    benchmark::Initialize(&argc, argv);
    benchsupport::RecordingReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    using benchsupport::PrintRatio;
    PrintRatio(rep, "decode 50k table lines / split them", "BM_DecodeTableLines", "BM_SplitTableLines", "<= 3");
    PrintRatio(rep, "load 100k records / load 10k records", "BM_LoadCatalogue/100000", "BM_LoadCatalogue/10000",
               "<= 12");
    PrintRatio(rep, "fold+contain / memmem", "BM_FoldAndContain", "BM_Memmem", "none");
    benchmark::Shutdown();
    std::system(("rm -rf '" + g_dir + "'").c_str());
    return 0;
}
