// Opening a 5 MB RTF item in the main window against `unrtf --text` of the
// same file, and the navigation tree of deep catalogues at two sizes:
//   BM_OpenRtfItem        OpenItem of the item (what the user waits for: the
//                         view shows the document's first page)
//   BM_OpenRtfItemLaidOut the same, and then the whole document laid out
//   BM_ParseRtf           our RTF parse of the file alone
//   BM_UnrtfText          `unrtf --text` of the file (when installed)
//   BM_LoadDeepTree/N     the catalogue load with its tree, N records whose
//                         groups nest 40 levels deep
//   BM_DeepTreeNodesOnly/N  the tree part of that load alone
//   BM_TreeAddAtDepth/D   adding nodes below two chains D deep in turn
#include "BenchSupport.h"
#include "browser/TaxonarMainCode.h"
#include "browser/TaxonarWindowSupport.h"
#include "platform/Forms.h"
#include "platform/RichEdit.h"
#include "platform/RtfReader.h"
#include "platform/SysUtils.h"
#include "tools/PrepTool.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextDocument>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace taxonar;

namespace {

std::string g_root;

// A program folder written once by the synthetic-catalogue generator.
std::string synthFolder(const std::string &name, const rbkn::SynthOptions &options)
{
    const std::string dir = g_root + "/" + name + "/";
    struct stat st;
    if (::stat((dir + "definition.global").c_str(), &st) != 0) {
        ::mkdir(dir.c_str(), 0755);
        rbkn::WriteSynthCatalogue(dir, options);
    }
    return dir;
}

const std::string &rtfFolder()
{
    static const std::string dir = [] {
        rbkn::SynthOptions o;
        o.Records = 40;
        o.TableRows = 20;
        o.RtfKb = 5 * 1024;
        o.RtfDense = true;
        return synthFolder("rtf", o);
    }();
    return dir;
}

std::string rtfFile() { return rtfFolder() + "rtf/synth.rtf"; }

std::unique_ptr<TTaxonarMainForm> windowOn(const std::string &dir)
{
    SetProgramFolderSource([dir] { return dir; });
    auto form = std::make_unique<TTaxonarMainForm>(platform::Application);
    form->Show(); // loads the catalogue once, as the program does
    return form;
}

int firstRtfItem()
{
    for (int i = 0; i < ItemRecords->Count(); ++i)
        if (GetRecordValue(ItemRecords->Strings(i), "MODE=") == "RTF")
            return i;
    return -1;
}

void openRtf(benchmark::State &state, bool layOut)
{
    auto form = windowOn(rtfFolder());
    const int item = firstRtfItem();
    QTextDocument *doc = nullptr;
    for (auto _ : state) {
        if (!form->OpenItem(item, false, -1, ""))
            state.SkipWithError("item not opened");
        doc = form->TaxonarRtf2RichEdit->RichEdit()->Document();
        if (layOut)
            benchmark::DoNotOptimize(doc->documentLayout()->documentSize().height());
    }
    state.counters["chars"] = doc ? doc->characterCount() : 0;
    form->Hide();
}

void BM_OpenRtfItem(benchmark::State &state) { openRtf(state, false); }
BENCHMARK(BM_OpenRtfItem)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void BM_OpenRtfItemLaidOut(benchmark::State &state) { openRtf(state, true); }
BENCHMARK(BM_OpenRtfItemLaidOut)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void BM_ParseRtf(benchmark::State &state)
{
    const std::string data = platform::ReadFileBytes(rtfFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::ParseRtf(data).text.size());
}
BENCHMARK(BM_ParseRtf)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_UnrtfText(benchmark::State &state)
{
    if (std::system("command -v unrtf >/dev/null 2>&1") != 0) {
        state.SkipWithError("unrtf is not installed");
        return;
    }
    const std::string cmd = "unrtf --text '" + rtfFile() + "' 2>/dev/null";
    for (auto _ : state) {
        FILE *p = ::popen(cmd.c_str(), "r");
        char buf[65536];
        size_t total = 0, got;
        while (p && (got = std::fread(buf, 1, sizeof buf, p)) > 0)
            total += got;
        if (p)
            ::pclose(p);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_UnrtfText)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// A new window (not timed) loads the catalogue into its records and tree.
void BM_LoadDeepTree(benchmark::State &state)
{
    rbkn::SynthOptions o;
    o.Records = int(state.range(0));
    o.TableRows = 10;
    o.RtfKb = 2;
    o.GroupDepth = 40;
    const std::string dir = synthFolder("deep" + std::to_string(o.Records), o);
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
    int deepest = 0;
    for (int i = 0; i < nodes; ++i)
        deepest = std::max(deepest, form->TaxonarNaviTreeView->Items().Item(i)->Level());
    form.reset();
    state.counters["nodes"] = nodes;
    state.counters["depth"] = deepest;
}
BENCHMARK(BM_LoadDeepTree)->Arg(10000)->Arg(100000)->MinTime(3)->Unit(benchmark::kMillisecond);

// The same load as the program makes it: once, in a process of its own (a
// fork of this one, so that the heap holds nothing freed by earlier runs).
void BM_LoadDeepTreeFresh(benchmark::State &state)
{
    rbkn::SynthOptions o;
    o.Records = int(state.range(0));
    o.TableRows = 10;
    o.RtfKb = 2;
    o.GroupDepth = 40;
    const std::string dir = synthFolder("deep" + std::to_string(o.Records), o);
    SetProgramFolderSource([dir] { return dir; });
    for (auto _ : state) {
        int fds[2];
        if (::pipe(fds) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            auto form = std::make_unique<TTaxonarMainForm>(platform::Application);
            const auto t0 = std::chrono::steady_clock::now();
            form->LoadDefinitions();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            (void)!::write(fds[1], &seconds, sizeof seconds);
            ::_exit(0);
        }
        ::close(fds[1]);
        double seconds = -1;
        const bool got = ::read(fds[0], &seconds, sizeof seconds) == sizeof seconds;
        ::close(fds[0]);
        ::waitpid(child, nullptr, 0);
        if (!got || seconds < 0) {
            state.SkipWithError("the child did not report");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_LoadDeepTreeFresh)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// The tree part of the load alone: the nodes of the deep catalogue added as
// the window adds them (parents found through a table, as the window finds
// them), into a new tree view.
void BM_DeepTreeNodesOnly(benchmark::State &state)
{
    rbkn::SynthOptions o;
    o.Records = int(state.range(0));
    o.TableRows = 10;
    o.RtfKb = 2;
    o.GroupDepth = 40;
    const std::string dir = synthFolder("deep" + std::to_string(o.Records), o);
    // Each shown record with the shown record it hangs below (-1: top level).
    struct Add {
        int parent;
        AnsiString name;
        int data;
    };
    std::vector<Add> adds;
    {
        platform::TStringList records;
        Catalogue catalogue(records);
        std::map<std::pair<AnsiString, AnsiString>, int> shownByLink; // (signature, link) -> add
        std::vector<AnsiString> links;
        CatalogueSink sink;
        sink.OnShownRecord = [&](int index, const AnsiString &name, const AnsiString &parent,
                                 const AnsiString &signature) {
            auto it = shownByLink.find({signature, parent});
            adds.push_back({parent == "nil" || it == shownByLink.end() ? -1 : it->second, name, index});
            shownByLink.emplace(std::make_pair(signature, GetRecordValue(records.Strings(index), "LINK=")),
                                int(adds.size()) - 1);
        };
        catalogue.Load(dir, sink);
    }
    std::unique_ptr<platform::TForm> form;
    std::vector<platform::TTreeNode *> nodes(adds.size());
    for (auto _ : state) {
        state.PauseTiming();
        form = std::make_unique<platform::TForm>(platform::Application);
        auto *tree = new platform::TTreeView(form.get());
        state.ResumeTiming();
        platform::TTreeNodes &items = tree->Items();
        items.BeginUpdate();
        for (size_t i = 0; i < adds.size(); ++i)
            nodes[i] = items.AddChildObject(adds[i].parent < 0 ? nullptr : nodes[size_t(adds[i].parent)],
                                            adds[i].name, adds[i].data);
        items.EndUpdate();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = double(adds.size());
}
BENCHMARK(BM_DeepTreeNodesOnly)->Arg(10000)->Arg(100000)->MinTime(3)->Unit(benchmark::kMillisecond);

// Adding leaves at the far end of two chains `depth` deep, in turn: each new
// node's parent is off the path to the last node.
void BM_TreeAddAtDepth(benchmark::State &state)
{
    const int depth = int(state.range(0));
    constexpr int kLeaves = 20000;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<platform::TForm>(platform::Application);
        auto *tree = new platform::TTreeView(form.get());
        platform::TTreeNodes &items = tree->Items();
        items.BeginUpdate();
        platform::TTreeNode *a = items.AddChildObject(nullptr, "a", 0), *b = items.AddChildObject(nullptr, "b", 0);
        for (int i = 0; i < depth; ++i) {
            a = items.AddChildObject(a, "a", i);
            b = items.AddChildObject(b, "b", i);
        }
        state.ResumeTiming();
        for (int i = 0; i < kLeaves / 2; ++i) {
            items.AddChildObject(a, "leaf", i);
            items.AddChildObject(b, "leaf", i);
        }
        state.PauseTiming();
        items.EndUpdate();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["per_add_ns"] = benchmark::Counter(double(kLeaves) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TreeAddAtDepth)->Arg(10)->Arg(2000)->MinTime(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchsupport::WindowBench bench(argc, argv, "open");
    g_root = bench.Root;
    const benchsupport::RecordingReporter &rep = bench.Run(argc, argv);
    using benchsupport::PrintRatio;
    PrintRatio(rep, "open 5 MB RTF item / unrtf --text", "BM_OpenRtfItem/min_time:2.000/real_time",
               "BM_UnrtfText/min_time:2.000/real_time", "<= 2");
    PrintRatio(rep, "open it and lay it all out / unrtf --text", "BM_OpenRtfItemLaidOut/min_time:2.000/real_time",
               "BM_UnrtfText/min_time:2.000/real_time", "none");
    PrintRatio(rep, "ParseRtf / unrtf --text", "BM_ParseRtf/min_time:2.000", "BM_UnrtfText/min_time:2.000/real_time",
               "<= 0.1");
    PrintRatio(rep, "deep tree 100k / deep tree 10k", "BM_LoadDeepTree/100000/min_time:3.000",
               "BM_LoadDeepTree/10000/min_time:3.000", "<= 11");
    PrintRatio(rep, "deep tree 100k / 10k, fresh process each", "BM_LoadDeepTreeFresh/100000/iterations:15/manual_time",
               "BM_LoadDeepTreeFresh/10000/iterations:15/manual_time", "<= 11");
    PrintRatio(rep, "deep tree nodes only 100k / 10k", "BM_DeepTreeNodesOnly/100000/min_time:3.000",
               "BM_DeepTreeNodesOnly/10000/min_time:3.000", "none");
    PrintRatio(rep, "adding a node at depth 2000 / at depth 10", "BM_TreeAddAtDepth/2000/min_time:2.000",
               "BM_TreeAddAtDepth/10/min_time:2.000", "about 1");
    SetProgramFolderSource({});
    std::system(("rm -rf '" + g_root + "'").c_str());
    return 0;
}
