// Probe 7: corvane at a communication step of 1.5 answers fmi2Discard, the
// step cut short. The instance is then in the step-failed state: the master
// may read values, ask the status queries, terminate, reset or free it, but
// make no further fmi2DoStep. Redoing the step would need the state before
// it, and corvane cannot get or set its state.
#include <algorithm>

#include "format.h"
#include "probe_judges.h"

namespace hostcheck {
namespace {

// Whether the exit status and the CSV show the user that the run ended early.
std::string whatTheUserSees(const Run& run) {
    const bool exitTells = !run.outcome.completed();
    const ResultEnd csv = resultEnd(run);
    const bool csvTells = !csv.toStop;
    const std::string csvText = !run.result.trajectory ? "no CSV"
                                : !csv.rows            ? "a CSV without rows"
                                                       : "the CSV, which ends at t = " + shortest(csv.last) + ",";
    const std::string exit = exitText(run.outcome);
    if (exitTells && csvTells) return exit + " and " + csvText + " tell the user the run ended early";
    if (exitTells) return exit + " tells the user the run ended early; " + csvText + " does not";
    if (csvTells) return exit + " does not tell the user the run ended early; " + csvText + " does";
    return "neither " + exit + " nor " + csvText + " tells the user the run ended early";
}

// The calls on the instance after the Discard, up to its reset or release,
// or up to a further fmi2DoStep, which is returned apart.
struct AfterDiscard {
    std::vector<std::string> names;
    const Call* step = nullptr;
};

AfterDiscard callsAfter(const Record& record, std::size_t discard) {
    AfterDiscard after;
    const std::string instance = record.calls[discard].instance();
    for (std::size_t k = discard + 1; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.instance() != instance) continue;
        if (call.role == Role::doStep) {
            after.step = &call;
            break;
        }
        if (std::find(after.names.begin(), after.names.end(), call.name) == after.names.end()) {
            after.names.push_back(call.name);
        }
        if (call.role == Role::reset || call.role == Role::release) break;
    }
    return after;
}

std::string kindOfStep(const Call& failed, const Call& next) {
    const double from = failed.numericArgument("currentCommunicationPoint").value_or(0.0);
    const double point = next.numericArgument("currentCommunicationPoint").value_or(0.0);
    if (point == from) return "a retry from the same point";
    return point > from ? "a step from a later point" : "a step from an earlier point";
}

std::string largestStep(const Record& record) {
    double largest = 0.0;
    for (const Call& call : record.calls) {
        if (call.role == Role::doStep) largest = std::max(largest, call.numericArgument("communicationStepSize").value_or(0.0));
    }
    return shortest(largest);
}

// The step function and its Discard as the run's version names them.
std::string stepFunction() { return functionName(FmiVersion::fmi2, Role::doStep); }
std::string discardStatus() { return statusName(FmiVersion::fmi2, Status::discard); }

Finding judged(const Run& run) {
    const Record& record = *run.record;
    const RunEnd& end = *run.end;
    const auto discard = firstDiscard(record);
    if (!discard) {
        if (end.subject != Subject::none) return {Verdict::notReached, run.name, seeProbe(end)};
        const bool stepped = std::any_of(record.calls.begin(), record.calls.end(),
                                         [](const Call& c) { return c.role == Role::doStep; });
        if (!stepped) return {Verdict::notReached, run.name, "no " + stepFunction() + " call; the run " + end.where};
        return {Verdict::notReached, run.name, "no " + stepFunction() + " answered " + discardStatus() +
                                                   ": the largest step was " + largestStep(record)};
    }
    const Call& failed = record.calls[*discard];
    const AfterDiscard after = callsAfter(record, *discard);
    const std::string discarded = failed.text() + " answered " + failed.status();
    if (after.step != nullptr) {
        return {Verdict::fail, run.name, discarded + "; then " + after.step->text() + " on the same instance (" +
                                             kindOfStep(failed, *after.step) + "); " + whatTheUserSees(run)};
    }
    if (run.outcome.crashed() || run.outcome.hung()) {
        return {Verdict::fail, run.name, discarded + "; then the host " + end.where + " (" + exitText(run.outcome) + ")"};
    }
    std::string calls;
    for (const std::string& name : after.names) calls += (calls.empty() ? "" : ", ") + name;
    return {Verdict::pass, run.name, discarded + "; then " + (calls.empty() ? "no call on that instance" : calls) +
                                         ", no further " + failed.name + "; " + whatTheUserSees(run)};
}

Finding fromTheOutside(const Run& run) {
    if (const auto broken = brokenRun(run)) return {Verdict::fail, run.name, *broken, true};
    return {Verdict::note, run.name, "the calls after the Discard cannot be seen; " + whatTheUserSees(run), true};
}

}  // namespace

ProbeResult judgeDiscard(const Probe& probe, Runs& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, fromTheOutside);
    result.fix = "When " + stepFunction() + " returns " + discardStatus() +
                 ", stop: read what is needed, then terminate, reset or free the instance; without FMU state "
                 "(canGetAndSetFMUstate false) the step cannot be redone, and no further " + stepFunction() +
                 " is allowed on it.";
    return result;
}

}  // namespace hostcheck
