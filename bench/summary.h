// The summary at the end of a run: every call as a ratio to its baseline
// measured in the same run, which is what to judge on a shared machine,
// where absolute times drift from run to run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Passes every run on to the console and keeps each benchmark's CPU time per
// iteration: the median when repetitions are asked for, else the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    std::optional<double> nanoseconds(const std::string& name) const;
    bool usedMedians() const { return !medians.empty(); }
    const std::map<std::string, std::string>& failed() const { return failures; }

private:
    std::map<std::string, double> medians, singles;
    std::map<std::string, std::string> failures;
};

// Prints each call beside its baseline, the ratio, and whether it met its target.
void printSummary(const SummaryReporter& reporter);

}  // namespace bench
