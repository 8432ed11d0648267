// The Discard probe ("discard"): corvane at a communication step of 1.5
// answers Discard, the step cut short. The instance is then in the
// step-failed state: the master may read values, ask the status queries,
// terminate, reset or free it, but make no further step. Redoing the step
// would need the state before it, and corvane cannot get or set its state.
// varnelle (FMI 3.0) at the same step, without early return, answers
// Discard having done nothing: the host may retry from the same point with
// a smaller step, or stop; a step from any other point loses time.
#include <algorithm>

#include "fmi3_steps.h"
#include "format.h"
#include "judging.h"

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
// or up to a further step, which is returned apart.
struct AfterDiscard {
    std::vector<std::string> names;
    const Call* step = nullptr;
};

AfterDiscard callsAfter(const CallRecord& record, std::size_t discard) {
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

std::string largestStep(const CallRecord& record) {
    double largest = 0.0;
    for (const Call& call : record.calls) {
        if (call.role == Role::doStep) largest = std::max(largest, call.numericArgument("communicationStepSize").value_or(0.0));
    }
    return shortest(largest);
}

// The run's FMI version, from its component.
FmiVersion versionOf(const Run& run) {
    return componentOf(run.request).standardVersion == 3 ? FmiVersion::fmi3 : FmiVersion::fmi2;
}

// The step function and its Discard as the run's version names them.
std::string stepFunction(FmiVersion version) { return functionName(version, Role::doStep); }
std::string discardStatus(FmiVersion version) { return statusName(version, Status::discard); }

Finding neverDiscarded(const Run& run, FmiVersion version) {
    const CallRecord& record = *run.record;
    const RunEnd& end = *run.end;
    if (end.subject != Subject::none) return {Verdict::notReached, run.name, seeProbe(end)};
    const bool stepped = std::any_of(record.calls.begin(), record.calls.end(),
                                     [](const Call& c) { return c.role == Role::doStep; });
    if (!stepped) return {Verdict::notReached, run.name, "no " + stepFunction(version) + " call; the run " + end.where};
    const Call* instantiation = coSimulationInstantiation(record);
    const bool early = instantiation != nullptr && flagSet(instantiation->arguments, "earlyReturnAllowed");
    return {Verdict::notReached, run.name, "no " + stepFunction(version) + " answered " + discardStatus(version) +
                                               ": the largest step was " + largestStep(record) +
                                               (early ? ", and the host allowed early return, which varnelle takes "
                                                        "instead of a Discard"
                                                      : "")};
}

// FMI 3.0: the steps after a Discard each start at the discarded step's
// point (retries) until one is not discarded; one from elsewhere loses the
// time between. Nullopt when the host retried that way or stopped.
std::optional<std::string> steppedOn(const CallRecord& record, std::size_t discard, std::string& retry) {
    const Call& failed = record.calls[discard];
    const double point = failed.numericArgument("currentCommunicationPoint").value_or(0.0);
    for (auto next = nextStep(record, discard); next; next = nextStep(record, *next)) {
        const Call& step = record.calls[*next];
        if (!startsAt(step, point)) {
            const double planned = point + failed.numericArgument("communicationStepSize").value_or(0.0);
            const std::string from = startsAt(step, planned) ? "from the planned point: the step between is lost"
                                                             : kindOfStep(failed, step);
            return "then " + step.text() + " (" + from + ")";
        }
        retry = "then a retry from the same point, " + step.textWithStatus();
        if (!step.answered(Status::discard)) break;
    }
    return std::nullopt;
}

Finding judged(const Run& run) {
    const CallRecord& record = *run.record;
    const RunEnd& end = *run.end;
    const FmiVersion version = versionOf(run);
    const auto discard = firstDiscard(record);
    if (!discard) return neverDiscarded(run, version);
    const Call& failed = record.calls[*discard];
    const std::string discarded = failed.text() + " answered " + failed.status();
    if (version == FmiVersion::fmi3) {
        std::string retry;
        if (auto fault = steppedOn(record, *discard, retry)) {
            return {Verdict::fail, run.name, discarded + "; " + *fault + "; " + whatTheUserSees(run)};
        }
        if (!retry.empty()) return {Verdict::pass, run.name, discarded + "; " + retry};
    }
    const AfterDiscard after = callsAfter(record, *discard);
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

// What the host should do instead, in the version of each run judged.
std::string fixFor(FmiVersion version) {
    const std::string step = stepFunction(version), discard = discardStatus(version);
    if (version == FmiVersion::fmi3) {
        return "When " + step + " returns " + discard + ", the step did not happen: retry it from the same point "
               "with a smaller step, or stop (terminate and free the instance); never step on from the point the "
               "discarded step was heading for.";
    }
    return "When " + step + " returns " + discard + ", stop: read what is needed, then terminate, reset or free "
           "the instance; without FMU state (canGetAndSetFMUstate false) the step cannot be redone, and no "
           "further " + step + " is allowed on it.";
}

}  // namespace

ProbeResult judgeDiscard(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, fromTheOutside);
    // The versions of the runs that failed; of every run when none did.
    std::vector<FmiVersion> versions;
    for (bool failedOnly : {true, false}) {
        for (const Run* run : result.runs) {
            const bool failed = (run->record ? judged(*run) : fromTheOutside(*run)).verdict == Verdict::fail;
            const FmiVersion version = versionOf(*run);
            if ((failed || !failedOnly) && std::find(versions.begin(), versions.end(), version) == versions.end()) {
                versions.push_back(version);
            }
        }
        if (!versions.empty()) break;
    }
    for (FmiVersion version : versions) {
        if (!result.fix.empty()) result.fix += ' ';
        result.fix += fixFor(version);
    }
    return result;
}

}  // namespace hostcheck
