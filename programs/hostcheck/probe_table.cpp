// The probes, one entry each: what they run and how they judge. The
// numbers 1 to 7 are kept as they were.
#include <algorithm>

#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

std::vector<RunRequest> modelExchangeRuns() {
    return {{FmuSet::strictHost, "pellidor", modelExchangeStep}, {FmuSet::strictHost, "tressivo", modelExchangeStep}};
}

std::vector<RunRequest> coSimulationRuns() {
    std::vector<RunRequest> runs;
    for (double step : referenceSteps()) runs.push_back({FmuSet::strictHost, "corvane", step});
    return runs;
}

// The FMI 3.0 runs of the trajectory, event-mode and early-return probes:
// varnelle in model exchange at the output interval, in co-simulation at
// each reference step.
std::vector<RunRequest> fmi3ModelExchangeRuns() { return {{FmuSet::strictHost, "varnelle", modelExchangeStep, "me"}}; }

std::vector<RunRequest> fmi3CoSimulationRuns() {
    std::vector<RunRequest> runs;
    for (double step : referenceSteps()) runs.push_back({FmuSet::strictHost, "varnelle", step, "cs"});
    return runs;
}

// varnelle's copy carries another instantiation token, refused by either
// instantiate function.
std::vector<RunRequest> refusingRuns() {
    return {{FmuSet::otherGuid, "pellidor", modelExchangeStep}, {FmuSet::otherGuid, "corvane", modelExchangeStep},
            {FmuSet::otherGuid, "tressivo", modelExchangeStep},
            {FmuSet::otherGuid, "varnelle", modelExchangeStep, "me"},
            {FmuSet::otherGuid, "varnelle", modelExchangeStep, "cs"}};
}

// varnelle in each interface, at the output interval of model exchange.
std::vector<RunRequest> fmi3Runs() {
    return {{FmuSet::strictHost, "varnelle", modelExchangeStep, "me"},
            {FmuSet::strictHost, "varnelle", modelExchangeStep, "cs"}};
}

// varnelle in co-simulation at the step it cannot take in 100 internal
// steps: a Discard without early return, an early return with it.
RunRequest fmi3LongStep() { return {FmuSet::strictHost, "varnelle", discardStep, "cs"}; }

std::vector<RunRequest> joined(std::vector<RunRequest> a, const std::vector<RunRequest>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The entries that judge again get the runs of those judged again, each
// once, in the order the table first asks for them.
std::vector<Probe> withRunsJudgedAgain(std::vector<Probe> table) {
    std::vector<RunRequest> again;
    for (const Probe& probe : table) {
        if (!probe.judgedAgain) continue;
        for (const RunRequest& r : probe.needs) {
            const auto same = [&](const RunRequest& o) { return runLabel(o) == runLabel(r); };
            if (std::none_of(again.begin(), again.end(), same)) again.push_back(r);
        }
    }
    for (Probe& probe : table) {
        if (probe.judgesAgain) probe.needs = again;
    }
    return table;
}

}  // namespace

// Each probe's judge, in its file probe_<name>.cpp: what the runs it asks
// for left behind, turned into a verdict with its evidence.
ProbeResult judgeOptionalFunctions(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeModelExchangeTrajectory(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeCoSimulationTrajectory(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeNullStrings(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeEventIteration(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeLogMessages(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeDiscard(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeLifecycle(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeMemory(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeCallingSequence(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeRefusedInstantiation(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeValueTypes(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeEventMode(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeEarlyReturn(const Probe& probe, RunSource& runs, const Settings& settings);
ProbeResult judgeIntermediateUpdate(const Probe& probe, RunSource& runs, const Settings& settings);

const std::vector<Probe>& probeTable() {
    static const std::vector<Probe> table = withRunsJudgedAgain({
        {.number = 1, .name = "optional", .title = "Optional functions",
         .runs = "the default pellidor and corvane, which lack seven optional functions",
         .judged = "instantiated: pass; refused before instantiating while the strict-host one is instantiated: note",
         .needs = {{FmuSet::defaultBuild, "pellidor", modelExchangeStep},
                   {FmuSet::defaultBuild, "corvane", modelExchangeStep},
                   {FmuSet::strictHost, "pellidor", modelExchangeStep},
                   {FmuSet::strictHost, "corvane", modelExchangeStep}},
         .judge = judgeOptionalFunctions, .judgedAgain = true},
        {.number = 2, .name = "model-exchange", .title = "Model-exchange trajectory",
         .runs = "strict-host pellidor and tressivo, output every 0.01 s; varnelle in model exchange (FMI 3.0)",
         .judged = "the first rebound and the floor in the CSV; a run that ends in a burst of events, whether the "
                   "host stopped there by itself; FMI 3.0: each Event Mode's fmi3UpdateDiscreteStates iteration, "
                   "Event Mode entered only for an event, no going on after terminateSimulation",
         .needs = joined(modelExchangeRuns(), fmi3ModelExchangeRuns()),
         .judge = judgeModelExchangeTrajectory, .plotted = true, .judgedAgain = true,
         .subject = Subject::eventBurst},
        {.number = 3, .name = "co-simulation", .title = "Co-simulation trajectory",
         .runs = "strict-host corvane at steps 0.01, 0.05 and 0.1; varnelle in co-simulation at the same steps "
                 "(FMI 3.0)",
         .judged = "the CSV against the reference results (varnelle's up to its rest); the record says how the master "
                   "computes its points; FMI 3.0: no fmi3DoStep after terminateSimulation",
         .needs = joined(coSimulationRuns(), fmi3CoSimulationRuns()), .judge = judgeCoSimulationTrajectory, .readsReferences = true,
         .plotted = true, .judgedAgain = true},
        {.number = 4, .name = "strings", .title = "Strings never written",
         .runs = "the runs of 2 and 3, where string0 to string3 read back as null",
         .judged = "what the host did right after fmi2GetString or fmiGetString handed out null",
         .needs = joined(modelExchangeRuns(), coSimulationRuns()), .judge = judgeNullStrings,
         .judgedAgain = true, .subject = Subject::nullString},
        {.number = 5, .name = "events", .title = "FMI 1.0 event iteration",
         .runs = "strict-host tressivo, never converged before its first rebound",
         .judged = "whether the fmiEventUpdate iteration ends",
         .needs = {{FmuSet::strictHost, "tressivo", modelExchangeStep}}, .judge = judgeEventIteration,
         .judgedAgain = true, .subject = Subject::endlessEventIteration},
        // tressivo first: the evidence names its malformed references first.
        // varnelle's messages are finished text, one of them with printf
        // conversions in it.
        {.number = 6, .name = "log", .title = "Log messages",
         .runs = "tressivo and pellidor with the host's output; varnelle (me, cs) with --fmi-versions 3",
         .judged = "every message sent, shown as sent or with its references expanded; FMI 3.0's never as a format",
         .needs = joined({{FmuSet::strictHost, "tressivo", modelExchangeStep},
                          {FmuSet::strictHost, "pellidor", modelExchangeStep}},
                         fmi3Runs()),
         .judge = judgeLogMessages, .judgedAgain = true, .subject = Subject::loggerCrash},
        {.number = 7, .name = "discard", .title = "Discard",
         .runs = "strict-host corvane at step 1.5, which answers fmi2Discard; varnelle (cs) at 1.5, which answers "
                 "fmi3Discard without early return (FMI 3.0)",
         .judged = "no fmi2DoStep on the instance after the Discard; after fmi3Discard a retry from the same point "
                   "or a stop, no step from the planned point",
         .needs = {{FmuSet::strictHost, "corvane", discardStep}, fmi3LongStep()}, .judge = judgeDiscard,
         .judgedAgain = true, .subject = Subject::discard},
        {.number = 8, .name = "lifecycle", .title = "Lifecycle", .runs = "the runs of 1 to 7 and 12 to 15",
         .judged = "every instance freed exactly once, no call on it after its release", .needs = {},
         .judge = judgeLifecycle, .judgesAgain = true},
        {.number = 9, .name = "memory", .title = "Memory callbacks", .runs = "the runs of 1 to 7 and 12 to 15",
         .judged = "every block from allocateMemory zeroed, no two live blocks overlapping, an allocator given",
         .needs = {}, .judge = judgeMemory, .judgesAgain = true},
        {.number = 10, .name = "sequence", .title = "Calling sequence", .runs = "the runs of 1 to 7 and 12 to 15",
         .judged = "each call allowed in the instance's state; fmi2DoStep going on from where the last one ended; "
                   "no getter after a setter without fmi2DoStep",
         .needs = {}, .judge = judgeCallingSequence, .judgesAgain = true},
        {.number = 11, .name = "refused", .title = "Instantiation refused",
         .runs = "pellidor, corvane, tressivo with another GUID; varnelle (me, cs) with another token",
         .judged = "no crash and no call on the null instance after the instantiation failed",
         .needs = refusingRuns(), .judge = judgeRefusedInstantiation},
        // FMI 3.0 from here on: its runs only with --fmi-versions 3.
        {.number = 12, .name = "types", .title = "FMI 3.0 value types",
         .runs = "strict-host varnelle in model exchange and co-simulation (FMI 3.0)",
         .judged = "one-byte booleans in fmi3SetBoolean, nValues counting elements, binaries with their sizes",
         .needs = fmi3Runs(), .judge = judgeValueTypes, .judgedAgain = true},
        {.number = 13, .name = "event-mode", .title = "FMI 3.0 event mode",
         .runs = "strict-host varnelle in co-simulation at steps 0.01, 0.05 and 0.1 (FMI 3.0)",
         .judged = "instantiated with eventModeUsed; after eventHandlingNeeded fmi3EnterEventMode, "
                   "fmi3UpdateDiscreteStates until settled, fmi3EnterStepMode, the next step from "
                   "lastSuccessfulTime; terminateSimulation from an update honoured",
         .needs = fmi3CoSimulationRuns(), .judge = judgeEventMode, .judgedAgain = true},
        {.number = 14, .name = "early-return", .title = "FMI 3.0 early return",
         .runs = "strict-host varnelle in co-simulation at step 1.5 and the runs of 13 (FMI 3.0)",
         .judged = "after an fmi3DoStep that returned early, the next one from lastSuccessfulTime",
         .needs = joined({fmi3LongStep()}, fmi3CoSimulationRuns()), .judge = judgeEarlyReturn, .judgedAgain = true},
        {.number = 15, .name = "intermediate-update", .title = "FMI 3.0 intermediate update",
         .runs = "the runs of 14, when the host gives an intermediate-update callback (FMI 3.0)",
         .judged = "inside the callback only the calls Intermediate Update Mode allows; an early return requested "
                   "only where canReturnEarly, then a step from lastSuccessfulTime",
         .needs = joined({fmi3LongStep()}, fmi3CoSimulationRuns()), .judge = judgeIntermediateUpdate,
         .judgedAgain = true},
    });
    return table;
}

int probeOfSubject(Subject subject) {
    if (subject == Subject::none) return 0;
    for (const Probe& probe : probeTable()) {
        if (probe.subject == subject) return probe.number;
    }
    return 0;
}

const Probe* findProbe(std::string_view nameOrNumber) {
    for (const Probe& probe : probeTable()) {
        if (probe.name == nameOrNumber || std::to_string(probe.number) == nameOrNumber) return &probe;
    }
    return nullptr;
}

std::vector<ProbeResult> runProbes(RunSource& runs, const Settings& settings, const std::vector<int>& selected) {
    std::vector<ProbeResult> results;
    for (const Probe& probe : probeTable()) {
        if (std::find(selected.begin(), selected.end(), probe.number) != selected.end()) {
            runs.probeStarting(probe.number);
            results.push_back(probe.judge(probe, runs, settings));
        }
    }
    return results;
}

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::pass: return "pass";
        case Verdict::note: return "note";
        case Verdict::fail: return "fail";
        case Verdict::notReached: return "not reached";
        case Verdict::skip: return "skip";
    }
    return "";
}

const std::vector<double>& referenceSteps() {
    static const std::vector<double> steps{0.01, 0.05, 0.1};
    return steps;
}

std::filesystem::path referenceFile(const Settings& settings, double step, std::string_view reference) {
    return settings.references / (std::string(reference) + "-h" + shortest(step) + ".csv");
}

namespace {

// Each set of FMUs: its name in labels, the option that names its folder,
// and where the settings keep that folder.
struct FmuSetEntry {
    FmuSet set;
    const char* name;
    const char* option;
    std::filesystem::path Settings::*folder;
};

constexpr FmuSetEntry fmuSets[] = {
    {FmuSet::defaultBuild, "default", "--fmus", &Settings::fmus},
    {FmuSet::strictHost, "strict-host", "--strict-fmus", &Settings::strictFmus},
    {FmuSet::otherGuid, "other-GUID", "--other-guid-fmus", &Settings::otherGuidFmus},
};

const FmuSetEntry& entryOf(FmuSet set) {
    for (const FmuSetEntry& entry : fmuSets) {
        if (entry.set == set) return entry;
    }
    return fmuSets[0];
}

}  // namespace

std::string setName(FmuSet set) { return entryOf(set).name; }

std::string setOption(FmuSet set) { return entryOf(set).option; }

const std::filesystem::path& fmuFolder(const Settings& settings, FmuSet set) {
    return settings.*entryOf(set).folder;
}

std::string runLabel(const RunRequest& request) {
    const std::string interface = request.interface.empty() ? "" : " (" + request.interface + ")";
    return setName(request.set) + " " + request.component + ".fmu" + interface + ", step " + shortest(request.step);
}

std::string runName(const RunRequest& request) {
    // The strict-host co-simulation component runs at several steps (the
    // reference steps and the Discard's): its runs are told apart by it.
    const bool stepped = coSimulationRun(request) && request.set == FmuSet::strictHost;
    const std::string interface = request.interface.empty() ? "" : " " + request.interface;
    return request.component + interface + (stepped ? " h = " + shortest(request.step) : "");
}

bool coSimulationRun(const RunRequest& request) {
    const expected::ComponentInterface interface = componentOf(request).interface;
    if (interface == expected::ComponentInterface::both) return request.interface == "cs";
    return interface == expected::ComponentInterface::coSimulation;
}

const expected::Component& componentOf(const RunRequest& request) {
    const expected::Component* component = expected::componentNamed(request.component);
    return component != nullptr ? *component : expected::components[0];
}

}  // namespace hostcheck
