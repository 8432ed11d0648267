#include "summary.h"

#include <cstdio>

namespace bench {

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const std::string& name = run.run_name.function_name;
        if (run.error_occurred) {
            failures[name] = run.error_message;
        } else if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median") medians[name] = run.GetAdjustedCPUTime();
        } else {
            singles[name] = run.GetAdjustedCPUTime();
        }
    }
}

std::optional<double> SummaryReporter::nanoseconds(const std::string& name) const {
    if (failures.count(name) != 0) return std::nullopt;
    if (auto found = medians.find(name); found != medians.end()) return found->second;
    if (auto found = singles.find(name); found != singles.end()) return found->second;
    return std::nullopt;
}

namespace {

// One row of the summary: a call and its baseline, by the names the files of
// benchmarks register them under.
struct Comparison {
    const char* call;
    const char* measured;
    const char* baselineDescription;
    const char* baseline;
    double target;  // the largest acceptable ratio, or 0 when there is none
};

constexpr Comparison comparisons[] = {
    {"pellidor: model-exchange step (5 calls)", "me_step/pellidor", "five empty calls", "me_step/five_empty_calls",
     3.0},
    {"pellidor: model-exchange step (5 calls)", "me_step/pellidor", "inline arithmetic", "me_step/inline", 0.0},
    {"tressivo: model-exchange step (5 calls)", "me_step/tressivo", "five empty calls", "me_step/five_empty_calls",
     3.0},
    {"tressivo: model-exchange step (5 calls)", "me_step/tressivo", "inline arithmetic", "me_step/inline", 0.0},
    {"varnelle: model-exchange step (5 calls)", "me_step/varnelle", "five empty calls", "me_step/five_empty_calls",
     1.25},
    {"varnelle: model-exchange step (5 calls)", "me_step/varnelle", "inline arithmetic", "me_step/inline", 0.0},
    {"pellidor: fmi2GetReal of 5 reals", "get_real_5/pellidor", "inline arithmetic", "get_real_5/inline", 0.0},
    {"pellidor: fmi2SetReal of 4 reals", "set_real_4/pellidor", "inline arithmetic", "set_real_4/inline", 0.0},
    {"corvane: fmi2DoStep 0.01, weightless", "do_step_0.01/weightless/corvane", "inline Euler loop",
     "do_step_0.01/weightless/inline", 0.0},
    {"corvane: fmi2DoStep 0.01, bouncing", "do_step_0.01/bouncing/corvane", "inline Euler loop",
     "do_step_0.01/bouncing/inline", 0.0},
    {"corvane: fmi2DoStep 1.0, weightless", "do_step_1.0/weightless/corvane", "inline Euler loop",
     "do_step_1.0/weightless/inline", 1.3},
    {"corvane: fmi2DoStep 1.0, bouncing", "do_step_1.0/bouncing/corvane", "inline Euler loop",
     "do_step_1.0/bouncing/inline", 1.3},
    {"varnelle: fmi3DoStep 0.01, weightless", "do_step_0.01/weightless/varnelle", "inline Euler loop",
     "do_step_0.01/weightless/inline_from_its_time", 0.0},
    {"varnelle: fmi3DoStep 1.0, weightless", "do_step_1.0/weightless/varnelle", "inline Euler loop",
     "do_step_1.0/weightless/inline_from_its_time", 0.0},
    {"varnelle, early return: fmi3DoStep 1.0", "do_step_1.0/weightless/varnelle_early_return_allowed",
     "inline Euler loop", "do_step_1.0/weightless/inline_from_its_time", 1.1},
    {"pellidor: instantiate + initialise + free", "lifecycle/pellidor", "inline, same allocator",
     "lifecycle/inline", 0.0},
};

}  // namespace

void printSummary(const SummaryReporter& reporter) {
    std::printf("\nSummary: CPU time per call (%s), as a ratio to its baseline measured in the same run\n",
                reporter.usedMedians() ? "median of the repetitions" : "single run");
    std::printf("%-42s %9s   %-24s %9s %8s   %s\n", "call", "ns", "baseline", "ns", "ratio", "target");
    int missed = 0;
    for (const Comparison& row : comparisons) {
        const auto measured = reporter.nanoseconds(row.measured);
        const auto baseline = reporter.nanoseconds(row.baseline);
        if (!measured || !baseline) {
            std::printf("%-42s %9s   %-24s %9s %8s\n", row.call, measured ? "" : "n/a", row.baselineDescription,
                        baseline ? "" : "n/a", "n/a");
            continue;
        }
        const double ratio = *measured / *baseline;
        char target[48] = "";
        if (row.target > 0.0) {
            const bool met = ratio <= row.target;
            missed += met ? 0 : 1;
            std::snprintf(target, sizeof target, "<= %.2gx %s", row.target, met ? "met" : "MISSED");
        }
        std::printf("%-42s %9.2f   %-24s %9.2f %7.2fx   %s\n", row.call, *measured, row.baselineDescription,
                    *baseline, ratio, target);
    }
    for (const auto& [name, message] : reporter.failed()) std::printf("FAILED %s: %s\n", name.c_str(), message.c_str());
    std::printf(missed == 0 ? "Every target met.\n" : "%d target(s) missed.\n", missed);
}

}  // namespace bench
