// The probes, one entry each: what they run and how they judge. The
// numbers 1 to 7 are kept as they were.
#include <algorithm>

#include "format.h"
#include "probe_judges.h"

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

std::vector<RunRequest> refusingRuns() {
    return {{FmuSet::otherGuid, "pellidor", modelExchangeStep}, {FmuSet::otherGuid, "corvane", modelExchangeStep},
            {FmuSet::otherGuid, "tressivo", modelExchangeStep}};
}

std::vector<RunRequest> joined(std::vector<RunRequest> a, const std::vector<RunRequest>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

const std::vector<Probe>& probeTable() {
    static const std::vector<Probe> table{
        {1, "optional", "Optional functions", "the default pellidor and corvane, which lack seven optional functions",
         "instantiated: pass; refused before instantiating while the strict-host one is instantiated: note",
         {{FmuSet::defaultBuild, "pellidor", modelExchangeStep}, {FmuSet::defaultBuild, "corvane", modelExchangeStep},
          {FmuSet::strictHost, "pellidor", modelExchangeStep}, {FmuSet::strictHost, "corvane", modelExchangeStep}},
         false, judgeOptionalFunctions},
        {2, "model-exchange", "Model-exchange trajectory", "strict-host pellidor and tressivo, output every 0.01 s",
         "the first rebound and the floor in the CSV", modelExchangeRuns(), false, judgeModelExchangeTrajectory},
        {3, "co-simulation", "Co-simulation trajectory", "strict-host corvane at steps 0.01, 0.05 and 0.1",
         "the CSV against the reference results; the record says how the master computes its points",
         coSimulationRuns(), true, judgeCoSimulationTrajectory},
        {4, "strings", "Strings never written", "the runs of 2 and 3, where string0 to string3 read back as null",
         "what the host did right after fmi2GetString or fmiGetString handed out null",
         joined(modelExchangeRuns(), coSimulationRuns()), false, judgeNullStrings},
        {5, "events", "FMI 1.0 event iteration", "strict-host tressivo, never converged before its first rebound",
         "whether the fmiEventUpdate iteration ends", {{FmuSet::strictHost, "tressivo", modelExchangeStep}}, false,
         judgeEventIteration},
        {6, "log", "Log messages", "tressivo and pellidor with the host's output",
         "every message sent, shown as sent or with its references expanded", modelExchangeRuns(), false,
         judgeLogMessages},
        {7, "discard", "Discard", "strict-host corvane at step 1.5, which answers fmi2Discard",
         "no fmi2DoStep on the instance after the Discard", {{FmuSet::strictHost, "corvane", discardStep}}, false,
         judgeDiscard},
        {8, "lifecycle", "Lifecycle", "the runs of 1 to 7",
         "every instance freed exactly once, no call on it after its release", checkedRuns(), false, judgeLifecycle},
        {9, "memory", "Memory callbacks", "the runs of 1 to 7",
         "every block from allocateMemory zeroed, no two live blocks overlapping, an allocator given", checkedRuns(),
         false, judgeMemory},
        {10, "sequence", "Calling sequence", "the runs of 1 to 7",
         "each call allowed in the instance's state; fmi2DoStep going on from where the last one ended; no getter "
         "after a setter without fmi2DoStep", checkedRuns(), false, judgeCallingSequence},
        {11, "refused", "Instantiation refused", "pellidor, corvane and tressivo whose description carries another GUID",
         "no crash and no call on the null instance after the instantiation failed", refusingRuns(), false,
         judgeRefusedInstantiation},
    };
    return table;
}

std::vector<RunRequest> checkedRuns() {
    // The first seven entries of the table, written out: the table itself
    // is built with this list.
    std::vector<RunRequest> all = joined(
        joined({{FmuSet::defaultBuild, "pellidor", modelExchangeStep}, {FmuSet::defaultBuild, "corvane", modelExchangeStep},
                {FmuSet::strictHost, "pellidor", modelExchangeStep}, {FmuSet::strictHost, "corvane", modelExchangeStep}},
               modelExchangeRuns()),
        joined(coSimulationRuns(), {{FmuSet::strictHost, "corvane", discardStep}}));
    std::vector<RunRequest> once;
    for (const RunRequest& r : all) {
        const auto same = [&](const RunRequest& o) { return runLabel(o) == runLabel(r); };
        if (std::none_of(once.begin(), once.end(), same)) once.push_back(r);
    }
    return once;
}

const Probe* findProbe(std::string_view nameOrNumber) {
    for (const Probe& probe : probeTable()) {
        if (probe.name == nameOrNumber || std::to_string(probe.number) == nameOrNumber) return &probe;
    }
    return nullptr;
}

std::vector<ProbeResult> runProbes(Runs& runs, const Settings& settings, const std::vector<int>& selected) {
    std::vector<ProbeResult> results;
    for (const Probe& probe : probeTable()) {
        if (std::find(selected.begin(), selected.end(), probe.number) != selected.end()) {
            runs.probeStarting(probe.number);
            results.push_back(probe.judge(runs, settings));
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

std::filesystem::path referenceFile(const Settings& settings, double step) {
    return settings.references / ("corvane-h" + shortest(step) + ".csv");
}

std::string setName(FmuSet set) {
    switch (set) {
        case FmuSet::defaultBuild: return "default";
        case FmuSet::strictHost: return "strict-host";
        case FmuSet::otherGuid: return "other-GUID";
    }
    return "";
}

const std::filesystem::path& fmuFolder(const Settings& settings, FmuSet set) {
    switch (set) {
        case FmuSet::defaultBuild: return settings.fmus;
        case FmuSet::strictHost: return settings.strictFmus;
        case FmuSet::otherGuid: return settings.otherGuidFmus;
    }
    return settings.fmus;
}

std::string runLabel(const RunRequest& request) {
    return setName(request.set) + " " + request.component + ".fmu, step " + shortest(request.step);
}

std::string runName(const RunRequest& request) {
    // Probe 3 runs strict-host corvane at three steps, probe 7 at a fourth.
    const bool stepped = request.component == "corvane" && request.set == FmuSet::strictHost;
    return request.component + (stepped ? " h = " + shortest(request.step) : "");
}

std::string variableName(const std::string& component, char type, long valueReference) {
    static const char* reals[] = {"height", "velocity", "gravity", "restitution", "acceleration"};
    // tressivo has no acceleration.
    const long realCount = component == "tressivo" ? 4 : 5;
    if (valueReference < 0) return "";
    if (type == 'r' && valueReference < realCount) return reals[valueReference];
    if (valueReference >= 4) return "";
    if (type == 'i') return "integer" + std::to_string(valueReference);
    if (type == 'b') return "boolean" + std::to_string(valueReference);
    if (type == 's') return "string" + std::to_string(valueReference);
    return "";
}

}  // namespace hostcheck
