// Opening a 5 MB RTF item in the main window against `unrtf --text` of the
// same file, and the navigation tree of deep catalogues at two sizes:
//   BM_OpenRtfItem        OpenItem of the item (what the user waits for: the
//                         view shows the document's first page)
//   BM_OpenRtfItemLaidOut the same, and then the whole document laid out
//   BM_ParseRtf           our RTF parse of the file alone
//   BM_UnrtfText          `unrtf --text` of the file (when installed)
//   BM_LoadDeepTree/N     the catalogue load with its tree, N records whose
//                         groups nest 40 levels deep
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

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/rbkn-bench-open-XXXXXX";
    g_root = ::mkdtemp(tmpl);
    ::setenv("XDG_DATA_HOME", (g_root + "/user").c_str(), 1);
    platform::Application->ModalHook = [](platform::TCustomForm *f) { f->SetModalResult(platform::mrCancel); };
    benchmark::Initialize(&argc, argv);
    benchsupport::RecordingReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    using benchsupport::PrintRatio;
    PrintRatio(rep, "open 5 MB RTF item / unrtf --text", "BM_OpenRtfItem/min_time:2.000/real_time",
               "BM_UnrtfText/min_time:2.000/real_time", "<= 2");
    PrintRatio(rep, "open it and lay it all out / unrtf --text", "BM_OpenRtfItemLaidOut/min_time:2.000/real_time",
               "BM_UnrtfText/min_time:2.000/real_time", "none");
    PrintRatio(rep, "ParseRtf / unrtf --text", "BM_ParseRtf/min_time:2.000", "BM_UnrtfText/min_time:2.000/real_time",
               "<= 0.1");
    PrintRatio(rep, "deep tree 100k / deep tree 10k", "BM_LoadDeepTree/100000/min_time:3.000",
               "BM_LoadDeepTree/10000/min_time:3.000", "<= 11");
    benchmark::Shutdown();
    SetProgramFolderSource({});
    std::system(("rm -rf '" + g_root + "'").c_str());
    return 0;
}
