// Runs the registered benchmarks with the console reporter and keeps each
// benchmark's real time per iteration, so that a benchmark program can print
// the ratios between runs made in the same process.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
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

} // namespace benchsupport
