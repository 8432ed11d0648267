// What the probes found, three ways: a table for the terminal, a Markdown
// report to attach to a bug, JSON for CI.
#pragma once

#include <map>
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
    std::map<int, std::string> plots = {};  // probe number -> the SVG beside the report
};

std::string terminalTable(const Summary& summary);
std::string markdownReport(const Summary& summary);
std::string jsonReport(const Summary& summary);
// JUnit XML as CI systems read it: one test case per probe; a fail is a
// failure with the evidence, skip and not reached are skipped with the
// reason, a note passes with the note in its output.
std::string junitReport(const Summary& summary);

}  // namespace hostcheck
