// Probe 5: tressivo reports iterationConverged false from fmiInitialize until
// its first rebound. From the record's fmiEventUpdate calls: whether the
// host's event iteration ends.
#include "format.h"
#include "probe_judges.h"

namespace hostcheck {
namespace {

// fmiEventUpdate calls with nothing that moves the simulation on between them.
struct Iteration {
    std::size_t first = 0;  // the call that began it
    std::size_t calls = 0;
    bool converged = false;  // the last call answered iterationConverged=1
};

bool convergedAnswer(const Call& call) {
    const std::optional<std::string> converged = recordedPart(call.results, "eventInfo", "iterationConverged");
    return converged && *converged != "0";
}

std::vector<Iteration> iterations(const Record& record) {
    std::vector<Iteration> found;
    bool going = false;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.name == "fmiEventUpdate") {
            if (!going) found.push_back({k, 0, false});
            going = true;
            ++found.back().calls;
            found.back().converged = convergedAnswer(call);
        } else if (advancesSimulation(call)) {
            going = false;
        }
    }
    return found;
}

// fmiInitialize answered that the iteration has not converged, and the host
// went on without an fmiEventUpdate.
bool initialisationUnanswered(const Record& record) {
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.name != "fmiInitialize" || !call.results.has("eventInfo") || convergedAnswer(call)) continue;
        for (std::size_t next = k + 1; next < record.calls.size(); ++next) {
            if (record.calls[next].name == "fmiEventUpdate") return false;
            if (advancesSimulation(record.calls[next])) return true;
        }
    }
    return false;
}

std::string describeIteration(const Record& record, const Iteration& it) {
    return std::to_string(it.calls) + (it.calls == 1 ? " call " : " calls ") + phaseAt(record, it.first) +
           (it.converged ? " (converged)" : " (ended unconverged)");
}

Finding judged(const Run& run) {
    const Record& record = *run.record;
    const std::vector<Iteration> found = iterations(record);
    const RunEnd end = endOf(run);
    if (end.probe == 5) return {Verdict::fail, run.name, "the iteration never ends: the host " + end.where};
    if (found.empty()) {
        if (end.probe != 0) return {Verdict::notReached, run.name, "no fmiEventUpdate call; the run " + seeProbe(end)};
        return {Verdict::notReached, run.name, "the host never called fmiEventUpdate; the run " + end.where};
    }
    bool once = true;
    for (const Iteration& it : found) once = once && it.calls == 1;
    if (once && !found.front().converged) {
        return {Verdict::pass, run.name, "the host does not iterate: one fmiEventUpdate call per event (" +
                                             std::to_string(found.size()) + "), the first " +
                                             describeIteration(record, found.front())};
    }
    std::string shown;
    for (std::size_t i = 0; i < found.size() && i < 3; ++i) {
        shown += (i ? "; " : "") + describeIteration(record, found[i]);
    }
    if (found.size() > 3) shown += "; " + std::to_string(found.size() - 3) + " more";
    const std::string initialisation = initialisationUnanswered(record)
                                           ? "fmiInitialize answered iterationConverged=0 and the host went on "
                                             "without fmiEventUpdate; "
                                           : "";
    return {Verdict::pass, run.name, initialisation + "the iteration ends: " + shown};
}

Finding fromTheOutside(const Run& run) {
    if (run.outcome.hung()) {
        return {Verdict::fail, run.name, "event iteration never ends: cap it (" + exitText(run.outcome) + ")", true};
    }
    if (run.outcome.crashed()) return {Verdict::fail, run.name, "crashed, " + exitText(run.outcome), true};
    return {Verdict::pass, run.name, "ended within the time limit: " + exitText(run.outcome), true};
}

}  // namespace

ProbeResult judgeEventIteration(Runs& runs, const Settings&) {
    ProbeResult result =
        judgeEachRun(5, runs, {{FmuSet::strictHost, "tressivo", modelExchangeStep}}, judged, fromTheOutside);
    result.fix = "Bound the fmiEventUpdate iteration (tressivo reports iterationConverged false until its first "
                 "rebound) and go on when the bound is reached.";
    return result;
}

}  // namespace hostcheck
