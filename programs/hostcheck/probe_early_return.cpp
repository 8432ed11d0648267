// The early-return probe ("early-return"), FMI 3.0 co-simulation. A host
// that instantiates with earlyReturnAllowed lets varnelle end a step before
// its communication point: at a contact in event mode, where 100 internal
// steps end, at the rest, or where the host's callback asked. The step
// reached only lastSuccessfulTime: the next step must start there, or the
// time between is never simulated.
#include "fmi3_steps.h"
#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

std::string stepFunction() { return functionName(FmiVersion::fmi3, Role::doStep); }

Finding judged(const Run& run, const Probe& probe) {
    const CallRecord& record = *run.record;
    const Call* instantiation = coSimulationInstantiation(record);
    if (instantiation == nullptr) {
        return {Verdict::notReached, run.name, "no co-simulation instance; the run " + endFor(*run.end, probe)};
    }
    if (!flagSet(instantiation->arguments, "earlyReturnAllowed")) {
        return {Verdict::notReached, run.name, "the host never allowed early return (earlyReturnAllowed false)"};
    }
    const std::vector<std::size_t> steps = stepsAnswering(record, "earlyReturn");
    if (steps.empty()) {
        return {Verdict::notReached, run.name,
                "no " + stepFunction() + " returned early; the run " + endFor(*run.end, probe)};
    }
    for (std::size_t step : steps) {
        if (const auto lost = lostAfterEarlyReturn(record, step)) return {Verdict::fail, run.name, *lost};
    }
    const Call& first = record.calls[steps.front()];
    return {Verdict::pass, run.name,
            std::to_string(steps.size()) + (steps.size() == 1 ? " early return" : " early returns") +
                " (the first at lastSuccessfulTime=" + shortest(lastSuccessfulTime(first).value_or(0.0)) +
                "), each followed by a step from lastSuccessfulTime or by the run's end"};
}

Finding unseen(const Run& run) { return {Verdict::notReached, run.name, "the calls cannot be seen", true}; }

}  // namespace

ProbeResult judgeEarlyReturn(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, [&](const Run& run) { return judged(run, probe); }, unseen);
    result.fix = "After an " + stepFunction() + " that answers earlyReturn, start the next step at its "
                 "lastSuccessfulTime (and step on to the communication point from there), not at the point the "
                 "step was heading for.";
    return result;
}

}  // namespace hostcheck
