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

std::vector<Iteration> iterations(const Record& record) {
    std::vector<Iteration> found;
    bool going = false;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.role == Role::eventUpdate) {
            if (!going) found.push_back({k, 0, false});
            going = true;
            ++found.back().calls;
            found.back().converged = iterationConverged(call);
        } else if (advancesSimulation(call.role)) {
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
        if (call.role != Role::initialize || !call.results.has("eventInfo") || iterationConverged(call)) continue;
        for (std::size_t next = k + 1; next < record.calls.size(); ++next) {
            if (record.calls[next].role == Role::eventUpdate) return false;
            if (advancesSimulation(record.calls[next].role)) return true;
        }
    }
    return false;
}

std::string describeIteration(const Record& record, const Iteration& it) {
    return std::to_string(it.calls) + (it.calls == 1 ? " call " : " calls ") + phaseAt(record, it.first) +
           (it.converged ? " (converged)" : " (ended unconverged)");
}

// The FMI 1.0 functions the evidence names.
std::string eventUpdate() { return functionName(FmiVersion::fmi1, Role::eventUpdate); }
std::string initialize() { return functionName(FmiVersion::fmi1, Role::initialize); }

Finding judged(const Probe& probe, const Run& run) {
    const Record& record = *run.record;
    const std::vector<Iteration> found = iterations(record);
    const RunEnd& end = *run.end;
    if (end.subject == probe.subject) return {Verdict::fail, run.name, "the iteration never ends: the host " + end.where};
    if (found.empty()) {
        if (end.subject != Subject::none) {
            return {Verdict::notReached, run.name, "no " + eventUpdate() + " call; the run " + seeProbe(end)};
        }
        return {Verdict::notReached, run.name, "the host never called " + eventUpdate() + "; the run " + end.where};
    }
    bool once = true;
    for (const Iteration& it : found) once = once && it.calls == 1;
    if (once && !found.front().converged) {
        return {Verdict::pass, run.name, "the host does not iterate: one " + eventUpdate() + " call per event (" +
                                             std::to_string(found.size()) + "), the first " +
                                             describeIteration(record, found.front())};
    }
    std::string shown;
    for (std::size_t i = 0; i < found.size() && i < 3; ++i) {
        shown += (i ? "; " : "") + describeIteration(record, found[i]);
    }
    if (found.size() > 3) shown += "; " + std::to_string(found.size() - 3) + " more";
    const std::string initialisation = initialisationUnanswered(record)
                                           ? initialize() + " answered iterationConverged=0 and the host went on "
                                                            "without " + eventUpdate() + "; "
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

ProbeResult judgeEventIteration(const Probe& probe, Runs& runs, const Settings&) {
    ProbeResult result =
        judgeEachRun(probe, runs, [&](const Run& run) { return judged(probe, run); }, fromTheOutside);
    result.fix = "Bound the " + eventUpdate() + " iteration (" + probe.needs.front().component +
                 " reports iterationConverged false until its first rebound) and go on when the bound is reached.";
    return result;
}

}  // namespace hostcheck
