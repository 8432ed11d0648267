// What the probes found, three ways: a table for the terminal, a Markdown
// report to attach to a bug, JSON for CI.
#pragma once

#include <string>
#include <vector>

#include "probes.h"

namespace hostcheck {

struct Summary {
    const Settings& settings;
    const std::vector<ProbeResult>& results;
    double seconds;      // the whole check
    std::size_t runs;    // host runs it took
    bool recorded;       // the FMUs kept a call record
};

std::string terminalTable(const Summary& summary);
std::string markdownReport(const Summary& summary);
std::string jsonReport(const Summary& summary);

}  // namespace hostcheck
