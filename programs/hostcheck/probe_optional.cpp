// Probe 1: the default pellidor and corvane lack the seven optional FMI 2.0
// functions. A host that looks them up only when the model description
// claims the capability loads and instantiates them.
#include "probe_judges.h"

namespace hostcheck {
namespace {

bool instantiatedOrCompleted(const Run& run) {
    return run.record ? instantiated(*run.record) : run.outcome.completed();
}

// Without a record: a run to the end shows the functions were not needed;
// anything else is a refusal, not necessarily of the optional functions.
Finding fromTheOutside(Runs& runs, const Run& run) {
    if (const auto broken = brokenRun(run)) return {Verdict::fail, run.name, *broken, true};
    if (run.outcome.completed() && run.result.trajectory) return {Verdict::pass, run.name, "ran to the end", true};
    const Run& strict = runs({FmuSet::strictHost, run.request.component, modelExchangeStep});
    const bool strictToo = !instantiatedOrCompleted(strict);
    return {Verdict::note, run.name, refusal(run) + (strictToo ? "; the strict-host one fails too" : ""), true};
}

Finding judged(Runs& runs, const Run& run) {
    const RunEnd& end = *run.end;
    if (end.instantiated) {
        const bool ownEnd = end.subject == Subject::none;
        if (ownEnd && !end.reachedStop && (run.outcome.crashed() || run.outcome.hung())) {
            return {Verdict::fail, run.name, "instantiated, then " + end.where + " (" + exitText(run.outcome) + ")"};
        }
        return {Verdict::pass, run.name, "instantiated, then " + (ownEnd ? end.where : seeProbe(end))};
    }
    if (run.outcome.crashed() || run.outcome.hung()) {
        return {Verdict::fail, run.name, end.where + " (" + exitText(run.outcome) + ")"};
    }
    const Run& strict = runs({FmuSet::strictHost, run.request.component, modelExchangeStep});
    if (instantiatedOrCompleted(strict)) {
        return {Verdict::note, run.name, "instantiated nothing, " + refusal(run) + "; it instantiates the strict-host one"};
    }
    return {Verdict::notReached, run.name,
            "the host instantiates neither this nor the strict-host one, so its refusal is not about the optional "
            "functions (" + refusal(run) + ")"};
}

}  // namespace

ProbeResult judgeOptionalFunctions(const Probe& probe, Runs& runs, const Settings&) {
    // The default-set runs are judged; the strict-host ones are asked for
    // only to tell a refusal of the missing functions from any refusal.
    std::vector<RunRequest> judgedRuns;
    for (const RunRequest& request : probe.needs) {
        if (request.set == FmuSet::defaultBuild) judgedRuns.push_back(request);
    }
    ProbeResult result = judgeEachRun(
        probe, runs, judgedRuns, [&](const Run& run) { return judged(runs, run); },
        [&](const Run& run) { return fromTheOutside(runs, run); });
    if (result.verdict == Verdict::pass) result.evidence = "looks them up optionally: " + result.evidence;
    if (result.verdict == Verdict::note) {
        result.evidence = "refuses FMUs that lack optional functions, cleanly (give it the strict-host FMUs): " +
                          result.evidence;
    }
    result.fix = "Look up the seven optional FMI 2.0 functions (FMU state, serialization, directional derivatives) "
                 "as optional, since the model description declares those capabilities absent, and load the "
                 "library without them.";
    return result;
}

}  // namespace hostcheck
