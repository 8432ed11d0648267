// The command line of rebounder-hostcheck.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "probes.h"

namespace hostcheck {

// Progress lines on standard error: when it is a terminal, always, never.
enum class Progress { automatic, on, off };

// One host command line to check, and the label its verdicts go under when
// several are checked side by side.
struct HostTemplate {
    std::string label, command;
};

struct Options {
    Settings settings;  // its hostTemplate is the first of hosts
    std::vector<HostTemplate> hosts;  // in the order given, each labelled
    std::vector<int> probes;  // by number
    std::string reportPath, jsonPath, junitPath;
    bool keepRuns = false;
    Progress progress = Progress::automatic;
};

struct ParseResult {
    std::optional<Options> options;
    bool helpRequested = false;
    bool versionRequested = false;
    std::string error;
};

// Where the inputs are when the command line does not say: beside an
// installed program (<prefix>/share/rebounder/...) when that exists, else in
// the build tree the program was built in.
struct DefaultLocations {
    std::string fmus, references;  // the recording FMUs; the strict-host ones are in <fmus>/strict-host
};

ParseResult parseOptions(const std::vector<std::string>& arguments, const DefaultLocations& defaults);
std::string usage(const std::string& programName);
// "rebounder-hostcheck 1.0.0"
std::string versionText(const std::string& programName);

}  // namespace hostcheck
