// Runs the registered benchmarks with the console reporter and keeps each
// benchmark's real time per iteration, so that a benchmark program can print
// the ratios between runs made in the same process.
#pragma once

#include "platform/Forms.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <map>
#include <string>

namespace benchsupport {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const auto &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

// Prints "name: a / b = ratio (target ...)" and returns the ratio (0 when a
// benchmark is missing, as when a filter left it out).
inline double PrintRatio(const RecordingReporter &rep, const std::string &label, const std::string &a,
                         const std::string &b, const char *target)
{
    auto ia = rep.times.find(a), ib = rep.times.find(b);
    if (ia == rep.times.end() || ib == rep.times.end() || ib->second <= 0)
        return 0;
    double ratio = ia->second / ib->second;
    std::printf("RATIO %-48s %8.2f   (%s / %s; target %s)\n", label.c_str(), ratio, a.c_str(), b.c_str(), target);
    return ratio;
}

// What a benchmark program of the windows starts with: Qt offscreen unless a
// platform is named, a scratch folder /tmp/rbkn-bench-<tag>-XXXXXX that also
// holds the per-user folder, and modal windows answered with Cancel at once.
class WindowBench {
public:
    WindowBench(int &argc, char **argv, const char *tag) : app_(argc, argv)
    {
        std::string tmpl = std::string("/tmp/rbkn-bench-") + tag + "-XXXXXX";
        Root = ::mkdtemp(tmpl.data());
        ::setenv("XDG_DATA_HOME", (Root + "/user").c_str(), 1);
        platform::Application->ModalHook = [](platform::TCustomForm *f) { f->SetModalResult(platform::mrCancel); };
    }
    // Runs the benchmarks that the command line selects, keeping their times.
    const RecordingReporter &Run(int &argc, char **argv)
    {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks(&reporter_);
        return reporter_;
    }
    ~WindowBench() { benchmark::Shutdown(); }

    std::string Root;

private:
    static bool offscreen()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    bool offscreen_ = offscreen(); // before the application object
    QApplication app_;
    RecordingReporter reporter_;
};

} // namespace benchsupport
