// The probes: each one or more runs of the host under test on chosen FMUs,
// and a verdict on what came out.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "process.h"

namespace hostcheck {

// pass: the host copes. note: a legitimate choice, reported as such. fail:
// the host did something wrong. skip: the host does not take the FMUs the
// probe needs (its interfaces were declared on the command line).
enum class Verdict { pass, note, fail, skip };
const char* verdictName(Verdict verdict);

struct Settings {
    std::string hostTemplate;  // with {fmu}, {csv}, {stop}, {step}, {workdir}
    std::string csvName;       // the host writes this file in its working directory; empty: {csv} says where
    bool modelExchange = true, coSimulation = true;
    bool fmi1 = true, fmi2 = true;
    double timeLimit = 60.0;
    char separator = 0;  // 0: detected from the header
    std::filesystem::path fmus;        // the default FMUs, without the seven optional functions
    std::filesystem::path strictFmus;  // the strict-host FMUs
    std::filesystem::path references;  // corvane-h<step>.csv
    std::filesystem::path workRoot;    // each run gets a directory here
};

enum class FmuSet { defaultBuild, strictHost };

struct RunRequest {
    FmuSet set;
    std::string component;  // pellidor, corvane or tressivo
    double stopTime;
    double step;
};

struct Run {
    std::string label;    // "strict-host corvane.fmu, step 0.05"
    std::string name;     // for evidence: "corvane", "corvane h = 0.05" (probe 3's steps)
    std::string command;  // as given to /bin/sh
    std::filesystem::path directory;
    std::filesystem::path csv;
    Outcome outcome;
    bool skipped = false;  // an interface the host does not support
};

// Runs the host once per distinct request; probes that need the same run
// share it.
class Runner {
public:
    explicit Runner(const Settings& settings_) : settings(settings_) {}
    const Run& run(const RunRequest& request);
    std::size_t runCount() const { return runs.size(); }

private:
    const Settings& settings;
    std::map<std::string, Run> runs;
};

struct ProbeResult {
    int number = 0;
    std::string title;
    Verdict verdict = Verdict::skip;
    std::string evidence;  // one line
    std::string fix;       // for a fail: what the host should do instead, in one sentence
    std::vector<const Run*> runs;
};

constexpr int probeCount = 7;

// Every selected probe (numbers 1 to probeCount), in order.
std::vector<ProbeResult> runProbes(Runner& runner, const Settings& settings, const std::set<int>& selected);

// The shortest decimal text that reads back as the same double: 0.01, 1.5.
std::string shortest(double value);

// The reference file of corvane at a communication step.
std::filesystem::path referenceFile(const Settings& settings, double step);

// The communication steps probe 3 compares at.
const std::vector<double>& referenceSteps();

}  // namespace hostcheck
