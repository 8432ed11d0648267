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
    // The template's label when several are checked side by side; empty for one.
    std::string label = "";
};

std::string terminalTable(const Summary& summary);
std::string markdownReport(const Summary& summary);
std::string jsonReport(const Summary& summary);
// JUnit XML as CI systems read it: one test case per probe; a fail is a
// failure with the evidence, skip and not reached are skipped with the
// reason, a note passes with the note in its output.
std::string junitReport(const Summary& summary);

// The same for several templates side by side, each summary labelled; for
// one, exactly the report of that one. The terminal table gives each
// template a column of verdicts and the evidence probe by probe; the
// Markdown report a table of verdicts, then each template's report; JSON
// an object per template under "templates"; JUnit a test suite per
// template, named with its label.
std::string terminalTable(const std::vector<Summary>& summaries);
std::string markdownReport(const std::vector<Summary>& summaries);
std::string jsonReport(const std::vector<Summary>& summaries);
std::string junitReport(const std::vector<Summary>& summaries);

// Whether a probe failed for any of the templates.
bool anyFailed(const std::vector<Summary>& summaries);

}  // namespace hostcheck
