// The main window's catalogue load with its navigation tree at two sizes
// against the record loading alone, and the opening of a 50,000-row table
// against decoding its lines alone.
#include "BenchSupport.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Forms.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace taxonar;

namespace {

std::string g_root;

// A synthetic program folder with `records` records in ten classifications:
// each has a top-level group, sections below it, and items below the
// sections (a few hidden), as the shipped catalogue is shaped.
std::string catalogueFolder(int records)
{
    const std::string dir = g_root + "/cat" + std::to_string(records) + "/";
    struct stat st;
    if (::stat((dir + "definition.global").c_str(), &st) == 0)
        return dir;
    ::mkdir(dir.c_str(), 0755);
    std::ofstream global(dir + "definition.global", std::ios::binary);
    const int perFile = records / 10;
    for (int c = 0; c < 10; ++c) {
        const std::string sig = "K" + std::to_string(c);
        const std::string file = "k" + std::to_string(c) + ".definition";
        global << file << ";klasyfikacj\xEA " << sig << ";" << sig << ";Klasyfikacja " << sig << "\r\n";
        std::ofstream def(dir + file, std::ios::binary);
        def << "{\r\nSIGNATURE=" << sig << "\r\nNAME=Klasyfikacja " << sig
            << "\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=" << sig << "\r\nMODE=GROUP\r\n}\r\n";
        int section = 0;
        for (int i = 1; i < perFile; ++i) {
            if (i % 50 == 1) {
                section = i;
                def << "{\r\nNAME=Sekcja " << i << "\r\nPARENT=" << sig << "\r\nVIEW=SHOW\r\nLINK=S" << i
                    << "\r\nMODE=GROUP\r\n}\r\n";
            } else {
                def << "{\r\nNAME=Pozycja " << i << " dzia\xB3" "alno\x9C\xE6 us\xB3ugowa\r\nPARENT=S" << section
                    << "\r\nVIEW=" << (i % 17 == 0 ? "HIDE" : "SHOW") << "\r\nLINK=P" << i
                    << "\r\nMODE=RTF\r\nFILE=rtf/p" << i << ".rtf\r\n}\r\n";
            }
        }
    }
    std::ofstream(dir + "dictionary.global", std::ios::binary) << "rolnictwo\r\n";
    return dir;
}

const std::string &tableFolder()
{
    static std::string dir;
    if (!dir.empty())
        return dir;
    dir = g_root + "/table/";
    ::mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "definition.global", std::ios::binary) << "t.definition;tabel\xEA;T;Tabela\r\n";
    std::ofstream(dir + "t.definition", std::ios::binary)
        << "{\r\nSIGNATURE=T\r\nNAME=Tabela\r\nPARENT=nil\r\nVIEW=SHOW\r\nLINK=T\r\nMODE=TABLE\r\nFILE=t.txt\r\n"
           "COLUMNS=4\r\nNAME1=Kod\r\nWIDTH1=60\r\nALIGNMENT1=CENTER\r\nNAME2=Nazwa\r\nWIDTH2=AUTO\r\n"
           "ALIGNMENT2=LEFT\r\nNAME3=Uwagi\r\nWIDTH3=120\r\nALIGNMENT3=LEFT\r\nNAME4=Liczba\r\nWIDTH4=80\r\n"
           "ALIGNMENT4=RIGHT\r\n}\r\n"
           "{\r\nNAME=Mala\r\nPARENT=T\r\nVIEW=SHOW\r\nLINK=M\r\nMODE=TABLE\r\nFILE=m.txt\r\nCOLUMNS=1\r\n"
           "NAME1=A\r\nWIDTH1=AUTO\r\nALIGNMENT1=LEFT\r\n}\r\n";
    std::ofstream(dir + "m.txt", std::ios::binary) << EncodeTableLine("jeden") << "\r\n";
    std::ofstream(dir + "dictionary.global", std::ios::binary) << "rolnictwo\r\n";
    std::mt19937 rng(7);
    static const char *words[] = {"Uprawa", "zb\xF3\xBF", "ro\x9Clin", "nasion", "#B#Dzia\xB3" "alno\x9C\xE6#B#",
                                  "us\xB3ugowa", "#L#zob. 01.11#L#T@T@01.11#", "produkcja", "\"cytat\""};
    std::ofstream t(dir + "t.txt", std::ios::binary);
    for (int r = 0; r < 50000; ++r) {
        std::string line = std::to_string(10000 + r) + "\t";
        for (int c = 0; c < 2; ++c) {
            const int n = 2 + int(rng() % 8);
            for (int w = 0; w < n; ++w)
                line += std::string(w ? " " : "") + words[rng() % (sizeof words / sizeof *words)];
            line += "\t";
        }
        line += std::to_string(rng() % 1000);
        t << EncodeTableLine(line) << "\r\n";
    }
    return dir;
}

// The window on a program folder, created and shown once per benchmark run.
std::unique_ptr<TTaxonarMainForm> windowOn(const std::string &dir)
{
    SetProgramFolderSource([dir] { return dir; });
    auto form = std::make_unique<TTaxonarMainForm>(platform::Application);
    form->Show(); // loads the catalogue once, as the program does
    return form;
}

// What one run of the program does at start: a new window (not timed) loads
// the catalogue into its records and its tree. Freeing the previous run's
// records and tree is not timed either.
void BM_LoadDefinitionsWithTree(benchmark::State &state)
{
    const std::string dir = catalogueFolder(int(state.range(0)));
    SetProgramFolderSource([dir] { return dir; });
    std::unique_ptr<TTaxonarMainForm> form;
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.reset();
        form = std::make_unique<TTaxonarMainForm>(platform::Application);
        state.ResumeTiming();
        form->LoadDefinitions();
        nodes = form->TaxonarNaviTreeView->Items().Count();
    }
    form.reset();
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_LoadDefinitionsWithTree)->Arg(10000)->Arg(100000)->MinTime(3)->Unit(benchmark::kMillisecond);

void BM_LoadRecordsOnly(benchmark::State &state)
{
    const std::string dir = catalogueFolder(int(state.range(0)));
    std::unique_ptr<TStringList> records;
    std::unique_ptr<Catalogue> catalogue;
    for (auto _ : state) {
        state.PauseTiming();
        catalogue.reset();
        records = std::make_unique<TStringList>();
        state.ResumeTiming();
        catalogue = std::make_unique<Catalogue>(*records);
        catalogue->Load(dir, {});
        benchmark::DoNotOptimize(records->Count());
    }
    catalogue.reset();
    records.reset();
}
BENCHMARK(BM_LoadRecordsOnly)->Arg(10000)->Arg(100000)->MinTime(3)->Unit(benchmark::kMillisecond);

// Opening the table from a small one: the rows of the table before are few.
void BM_OpenTable50k(benchmark::State &state)
{
    auto form = windowOn(tableFolder());
    for (auto _ : state) {
        state.PauseTiming();
        form->OpenItem(1, false, -1, "");
        state.ResumeTiming();
        if (!form->OpenItem(0, false, -1, ""))
            state.SkipWithError("table not opened");
    }
    state.counters["rows"] = form->TaxonarTable3StringGrid->RowCount() - 1;
    form->Hide();
}
BENCHMARK(BM_OpenTable50k)->Unit(benchmark::kMillisecond);

// Opening the table again over itself: its 50,000 rows are freed as well.
void BM_ReopenTable50k(benchmark::State &state)
{
    auto form = windowOn(tableFolder());
    for (auto _ : state) {
        if (!form->OpenItem(0, false, -1, ""))
            state.SkipWithError("table not opened");
    }
    form->Hide();
}
BENCHMARK(BM_ReopenTable50k)->Unit(benchmark::kMillisecond);

void BM_DecodeTable50k(benchmark::State &state)
{
    const std::string path = tableFolder() + "t.txt";
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
BENCHMARK(BM_DecodeTable50k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchsupport::WindowBench bench(argc, argv, "main");
    g_root = bench.Root;
    const benchsupport::RecordingReporter &rep = bench.Run(argc, argv);
    using benchsupport::PrintRatio;
    PrintRatio(rep, "load+tree 100k / load+tree 10k", "BM_LoadDefinitionsWithTree/100000/min_time:3.000",
               "BM_LoadDefinitionsWithTree/10000/min_time:3.000", "<= 12");
    PrintRatio(rep, "load+tree 100k / records only 100k", "BM_LoadDefinitionsWithTree/100000/min_time:3.000",
               "BM_LoadRecordsOnly/100000/min_time:3.000", "<= 3");
    PrintRatio(rep, "records only 100k / records only 10k", "BM_LoadRecordsOnly/100000/min_time:3.000", "BM_LoadRecordsOnly/10000/min_time:3.000",
               "none");
    PrintRatio(rep, "open 50k-row table / decode its lines", "BM_OpenTable50k", "BM_DecodeTable50k", "<= 3");
    PrintRatio(rep, "reopen it over itself / decode its lines", "BM_ReopenTable50k", "BM_DecodeTable50k", "none");
    SetProgramFolderSource({});
    std::system(("rm -rf '" + g_root + "'").c_str());
    return 0;
}
