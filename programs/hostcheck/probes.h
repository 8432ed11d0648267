// The probes: each one or more runs of the host under test on chosen FMUs,
// and a verdict on what the runs left behind: the call record the recording
// FMUs wrote, the result CSV, what the host printed, how it ended.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model_expectations.h"
#include "outcome.h"
#include "record.h"
#include "record_facts.h"
#include "trajectory.h"

namespace hostcheck {

// In rising weight: the verdict of a probe over several runs is the
// heaviest of theirs. skip: the host does not take the FMUs the probe needs
// (its interfaces were declared on the command line). not reached: the runs
// never got to what the probe tests. pass: the host copes. note: a
// legitimate choice, reported as such. fail: the host did something wrong.
enum class Verdict { skip, notReached, pass, note, fail };
const char* verdictName(Verdict verdict);

struct Settings {
    std::string hostTemplate;  // with {fmu}, {csv}, {stop}, {step}, {workdir}, {interface}
    std::string csvName;       // the host writes this file in its working directory; empty: {csv} says where
    bool modelExchange = true, coSimulation = true;
    // FMI 3.0 runs only when asked for (--fmi-versions 3): a check of an FMI
    // 1.0/2.0 host with the defaults stays as it was.
    bool fmi1 = true, fmi2 = true, fmi3 = false;
    double timeLimit = 60.0;
    char separator = 0;  // 0: detected from the header
    std::filesystem::path fmus;        // the default FMUs, without the seven optional functions
    std::filesystem::path strictFmus;  // the strict-host FMUs
    std::filesystem::path otherGuidFmus;  // strict-host FMUs whose description carries another GUID
    std::filesystem::path references;  // corvane-h<step>.csv, varnelle-h<step>.csv...
    std::filesystem::path workRoot;    // each run gets a directory here
};

// What every probe runs: 3 s of model time, output every 0.01 s in model
// exchange, the reference steps in co-simulation.
inline constexpr double stopTime = 3.0;
inline constexpr double modelExchangeStep = 0.01;
// corvane takes at most 100 internal steps of 0.01 per call: this step is cut short.
inline constexpr double discardStep = 1.5;
// The communication steps the co-simulation probe compares at.
const std::vector<double>& referenceSteps();

enum class FmuSet { defaultBuild, strictHost, otherGuid };

// The folder of a set's FMUs, its name in labels ("strict-host") and the
// option that names its folder ("--strict-fmus").
const std::filesystem::path& fmuFolder(const Settings& settings, FmuSet set);
std::string setName(FmuSet set);
std::string setOption(FmuSet set);

struct RunRequest {
    FmuSet set;
    std::string component;  // one of expected::components
    double step;
    // For a component that serves both interfaces (varnelle): the run's,
    // "me" or "cs"; empty for the others.
    std::string interface = "";
};

// What one run of the host left behind.
struct Run {
    RunRequest request;
    std::string label;    // "strict-host corvane.fmu, step 0.05"
    std::string name;     // for evidence: "corvane", "corvane h = 0.05" (the co-simulation steps)
    std::string command;  // as given to /bin/sh
    std::filesystem::path directory;
    Outcome outcome;
    bool skipped = false;  // an interface the host does not support
    // The calls the host made, when the FMUs record them (a run that made
    // no call has an empty record); nullopt for FMUs that keep no record:
    // the probes then judge from the outside only.
    std::optional<CallRecord> record;
    // Where and why the run ended, worked out once from the record and the
    // outcome (settleRunEnd); nullopt without a record.
    std::optional<RunEnd> end;
    TrajectoryFile result;  // the result CSV as read
    std::string shown;      // everything the host showed: its output and the log files it left
};

// The facts of the component a run loads.
const expected::Component& componentOf(const RunRequest& request);
// Whether the run is a co-simulation: the component's interface, or the
// run's for one that serves both.
bool coSimulationRun(const RunRequest& request);

// Works out where the run ended, once its record and outcome are known.
void settleRunEnd(Run& run);

// The label of a run, which also tells runs apart: probes that need the same
// run share it; and its name in evidence.
std::string runLabel(const RunRequest& request);
std::string runName(const RunRequest& request);

// Where the probes get their runs: each run made when a probe first asks
// for it (the host started, its record and CSV read) and kept for the
// probes that ask again.
class RunSource {
public:
    virtual ~RunSource() = default;
    virtual const Run& operator()(const RunRequest& request) = 0;
    // Told before each probe asks for its runs, for showing progress.
    virtual void probeStarting(int /*number*/) {}
};

struct ProbeResult {
    int number = 0;
    std::string name;   // as --probes takes it
    std::string title;
    Verdict verdict = Verdict::skip;
    std::string evidence;  // one line
    std::string fix;       // for a fail: what the host should do instead, in one sentence
    std::vector<const Run*> runs;
    // For a probe that compares with the reference results: what each run
    // was compared with, in the order of runs (nullopt: unreadable).
    std::vector<std::optional<Trajectory>> references;
};

// One probe: a new one is an entry in probeTable() and its judge, which is
// handed its entry.
struct Probe {
    int number;
    std::string_view name;    // "strings": --probes takes it as well as the number
    std::string_view title;
    std::string_view runs;    // what it runs, in words
    std::string_view judged;  // how it is judged, in words
    // The runs it may ask for (their FMUs must exist), in the order its
    // evidence names them; for a probe that judgesAgain, filled in from the
    // entries judgedAgain, each run once.
    std::vector<RunRequest> needs;
    ProbeResult (*judge)(const Probe& probe, RunSource& runs, const Settings& settings);
    bool readsReferences = false;  // it compares with the reference results
    bool plotted = false;          // the report draws its runs' trajectories
    bool judgedAgain = false;      // the record probes judge its runs again
    bool judgesAgain = false;      // it judges every run of the entries judgedAgain
    // The subject it tests when that can end a run early: other probes
    // report such a run as not reached and point here.
    Subject subject = Subject::none;
};
const std::vector<Probe>& probeTable();

// The number of the probe whose subject this is; 0 for none.
int probeOfSubject(Subject subject);

// The probe a name or number on the command line means, or null.
const Probe* findProbe(std::string_view nameOrNumber);

// Every selected probe (by number), in the table's order.
std::vector<ProbeResult> runProbes(RunSource& runs, const Settings& settings, const std::vector<int>& selected);

// A reference file at a communication step: corvane's, or another the
// reference results hold ("varnelle", "varnelle-event-mode").
std::filesystem::path referenceFile(const Settings& settings, double step, std::string_view reference = "corvane");

}  // namespace hostcheck
