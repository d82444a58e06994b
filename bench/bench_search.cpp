// The classification search on a generated catalogue of 1,207 tables (about
// 200 rows each) and 888 RTF items (10 to 30 KB each):
//   BM_SearchTables      a search over the tables for a word, with no result
//                        limit
//   BM_GrepTables        `grep -F -c -i` for the same word over the decoded
//                        rows of those tables, written once to one file
//   BM_SearchRtfPhrase   a search over the RTF items for a two-word phrase
//   BM_SearchRtfWord     the same for one common word (most paragraphs hold
//                        it), every result
//   BM_UnrtfGrep         the RTF files through `unrtf --text`, one process at
//                        a time, into one `grep -c -i` for that word
//   BM_ParseRtfFiles     reading and parsing the same RTF files
// The program prints each ratio as a RATIO line with its target, and the hit
// counts; the table search must count as many hits as grep counts lines.
#include "BenchSupport.h"
#include "browser/TaxonarMainCode.h"
#include "platform/Forms.h"
#include "platform/RtfReader.h"
#include "platform/TextFile.h"
#include "tools/PrepTool.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

using namespace taxonar;

namespace {

std::string g_root;
std::string g_decoded; // the decoded rows of every table, one per line
std::unique_ptr<TTaxonarMainForm> g_form;
int g_tableHits = -1, g_grepHits = -1, g_rtfPhraseHits = -1, g_rtfWordHits = -1;
int g_firstHitItem = -1; // the item of the phrase search's first hit
const char *const kWord = "transportu";
const char *const kCommonWord = "handel";
int g_unrtfLines = -1;

void setSearch(const char *phrase, const char *classCode, int wordMode)
{
    SearchText = ComparableText(phrase);
    SearchWords->Clear();
    std::string w;
    for (const char *p = phrase;; ++p) {
        if (*p == ' ' || *p == 0) {
            if (!w.empty())
                SearchWords->Add(ComparableText(w));
            w.clear();
            if (*p == 0)
                break;
        } else {
            w += *p;
        }
    }
    SearchClassCode = classCode;
    SearchWordMode = wordMode;
    SearchResultLimit = 2;
}

int runSearch(benchmark::State &state, const char *phrase, const char *classCode, int wordMode)
{
    setSearch(phrase, classCode, wordMode);
    int hits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // No item open, the navigation view shown: the search ends on record 0.
        g_form->TaxonarNaviStartMenuItemClick(nullptr);
        g_form->TaxonarNaviClassMenuItemClick(nullptr);
        state.ResumeTiming();
        g_form->RunClassificationSearch();
        hits = FoundList->Count();
    }
    state.counters["hits"] = hits;
    return hits;
}

void BM_SearchTables(benchmark::State &state) { g_tableHits = runSearch(state, kWord, "SZT", 1); }
BENCHMARK(BM_SearchTables)->Unit(benchmark::kMillisecond);

int grepCount()
{
    const std::string cmd = std::string("grep -F -c -i ") + kWord + " '" + g_decoded + "'";
    FILE *p = ::popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    int n = -1;
    if (std::fscanf(p, "%d", &n) != 1)
        n = -1;
    ::pclose(p);
    return n;
}

void BM_GrepTables(benchmark::State &state)
{
    for (auto _ : state)
        g_grepHits = grepCount();
    state.counters["hits"] = g_grepHits;
}
BENCHMARK(BM_GrepTables)->Unit(benchmark::kMillisecond);

void BM_SearchRtfPhrase(benchmark::State &state)
{
    g_rtfPhraseHits = runSearch(state, "gospodarstwa domowe", "SZR", 1);
    if (FoundList->Count() > 0) {
        const AnsiString entry = FoundList->Strings(0);
        const size_t a = entry.find('\t'), b = entry.find('\t', a + 1), c = entry.find('\t', b + 1);
        g_firstHitItem = std::stoi(entry.substr(b + 1, c - b - 1));
    }
}
BENCHMARK(BM_SearchRtfPhrase)->Unit(benchmark::kMillisecond)->MinTime(4);

// What the search ends with: the first hit's document opened in the view and
// its lines taken to select the hit.
void BM_OpenFirstHit(benchmark::State &state)
{
    if (g_firstHitItem < 0) {
        state.SkipWithError("no hit");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        g_form->TaxonarNaviStartMenuItemClick(nullptr);
        g_form->TaxonarNaviClassMenuItemClick(nullptr);
        state.ResumeTiming();
        g_form->OpenItem(g_firstHitItem, true, -1, AnsiString());
        benchmark::DoNotOptimize(g_form->TaxonarRtf2RichEdit->RichEdit()->DisplayLines().size());
    }
}
BENCHMARK(BM_OpenFirstHit)->Unit(benchmark::kMillisecond)->MinTime(4);

void BM_SearchRtfWord(benchmark::State &state) { g_rtfWordHits = runSearch(state, kCommonWord, "SZR", 0); }
BENCHMARK(BM_SearchRtfWord)->Unit(benchmark::kMillisecond);

// The plain-text pipeline over the same files: one unrtf process after
// another, all of them into one grep.
void BM_UnrtfGrep(benchmark::State &state)
{
    const std::string cmd = "cd '" + g_root + "/cat/rsearch' && for f in *.rtf; do unrtf --text \"$f\" 2>/dev/null; done | grep -c -i -F " + kCommonWord;
    for (auto _ : state) {
        FILE *p = ::popen(cmd.c_str(), "r");
        int n = -1;
        if (!p || std::fscanf(p, "%d", &n) != 1)
            n = -1;
        if (p)
            ::pclose(p);
        g_unrtfLines = n;
    }
    if (g_unrtfLines <= 0)
        state.SkipWithError("unrtf gave no lines");
    state.counters["lines"] = g_unrtfLines;
}
BENCHMARK(BM_UnrtfGrep)->Unit(benchmark::kMillisecond);

void BM_ParseRtfFiles(benchmark::State &state)
{
    const QStringList files = QDir(QString::fromStdString(g_root + "/cat/rsearch")).entryList({"*.rtf"}, QDir::Files);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QString &f : files) {
            const std::string data = platform::ReadFileBytes(g_root + "/cat/rsearch/" + f.toStdString());
            bytes += data.size();
            benchmark::DoNotOptimize(platform::ParseRtf(data).paragraphs.size());
        }
    }
    state.counters["files"] = files.size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ParseRtfFiles)->Unit(benchmark::kMillisecond);

// Writes the decoded rows of every table file, as the grid would take them
// (blank and undecodable lines left out), into one file.
void writeDecodedRows()
{
    g_decoded = g_root + "/decoded.txt";
    std::ofstream out(g_decoded, std::ios::binary);
    const QStringList files = QDir(QString::fromStdString(g_root + "/cat/tsearch")).entryList({"*.txt"}, QDir::Files);
    for (const QString &f : files) {
        platform::TextFile in(g_root + "/cat/tsearch/" + f.toStdString());
        in.Reset();
        while (!in.Eof()) {
            const AnsiString line = DecodeTableLine(in.ReadLn());
            if (!platform::Trim(line).empty())
                out << line << '\n';
        }
        in.CloseFile();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/rbkn-bench-search-XXXXXX";
    g_root = ::mkdtemp(tmpl);
    ::setenv("XDG_DATA_HOME", (g_root + "/user").c_str(), 1);
    rbkn::SearchCatalogueOptions options;
    options.Tables = 1207;
    options.RowsPerTable = 200;
    options.RtfItems = 888;
    options.RtfKb = 20;
    rbkn::WriteSearchCatalogue(g_root + "/cat", options);
    writeDecodedRows();

    // Messages ("not found") and other windows are answered at once.
    platform::Application->ModalHook = [](platform::TCustomForm *f) { f->SetModalResult(platform::mrCancel); };
    const std::string dir = g_root + "/cat/";
    SetProgramFolderSource([dir] { return dir; });
    g_form = std::make_unique<TTaxonarMainForm>(platform::Application);
    g_form->Show();
    QApplication::processEvents();

    benchmark::Initialize(&argc, argv);
    benchsupport::RecordingReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    benchsupport::PrintRatio(rep, "search 1,207 tables / grep", "BM_SearchTables", "BM_GrepTables", "<= 10");
    benchsupport::PrintRatio(rep, "search 888 RTF items, every result / unrtf+grep", "BM_SearchRtfWord", "BM_UnrtfGrep",
                             "<= 1");
    benchsupport::PrintRatio(rep, "search 888 RTF items, phrase / parse them", "BM_SearchRtfPhrase/min_time:4.000",
                             "BM_ParseRtfFiles", "<= 3");
    benchsupport::PrintRatio(rep, "search RTF items, common word / parse them", "BM_SearchRtfWord", "BM_ParseRtfFiles", "none");
    {
        auto search = rep.times.find("BM_SearchRtfPhrase/min_time:4.000"), open = rep.times.find("BM_OpenFirstHit/min_time:4.000"),
             parse = rep.times.find("BM_ParseRtfFiles");
        if (search != rep.times.end() && open != rep.times.end() && parse != rep.times.end() && parse->second > 0)
            std::printf("RATIO %-48s %8.2f   ((BM_SearchRtfPhrase - BM_OpenFirstHit) / BM_ParseRtfFiles; the scan alone)\n",
                        "search RTF items, phrase, less opening the hit", (search->second - open->second) / parse->second);
    }
    if (g_tableHits >= 0 && g_grepHits >= 0)
        std::printf("table hits %d, grep lines %d: %s\n", g_tableHits, g_grepHits,
                    g_tableHits == g_grepHits ? "equal" : "DIFFERENT");
    if (g_rtfPhraseHits >= 0)
        std::printf("RTF hits: phrase %d, common word %d (unrtf+grep lines %d)\n", g_rtfPhraseHits, g_rtfWordHits,
                    g_unrtfLines);
    benchmark::Shutdown();
    g_form->Hide();
    g_form.reset();
    SetProgramFolderSource({});
    std::system(("rm -rf '" + g_root + "'").c_str());
    return 0;
}
