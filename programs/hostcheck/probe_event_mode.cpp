// The event-mode probe ("event-mode"), FMI 3.0 co-simulation. varnelle's
// description says hasEventMode="true": a host that instantiates with
// eventModeUsed (and early return allowed) gets each floor contact as the
// end of a step that answers eventHandlingNeeded, the mass still below the
// floor. It must then enter Event Mode, update the discrete states until
// they need no further update (the rebound happens there), enter Step Mode
// and step on from lastSuccessfulTime; an update answering
// terminateSimulation ends the simulation, with no further step.
#include <algorithm>

#include "fmi3_steps.h"
#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

std::string fmi3(Role role) { return functionName(FmiVersion::fmi3, role); }

// The calls that steer an instance through an event: those that move the
// simulation on and those that end it. Reads and writes of values may come
// between them in any order.
bool steers(const Call& call) {
    return advancesSimulation(call.role) || call.role == Role::terminate || call.role == Role::release ||
           call.role == Role::reset;
}

bool ends(const Call& call) {
    return call.role == Role::terminate || call.role == Role::release || call.role == Role::reset;
}

// How the host went on after one step that answered eventHandlingNeeded.
struct EventHandling {
    enum class Kind { handled, terminated, fault } kind = Kind::fault;
    std::string text;  // the fault
};

// Where the handling of an event stands: what the host must call next.
enum class Expected { enterEventMode, update, stepMode, step };

// The next call expected, in words, for a fault's evidence.
std::string expectedText(Expected expected) {
    switch (expected) {
        case Expected::enterEventMode: return fmi3(Role::enterEventMode);
        case Expected::update: return fmi3(Role::updateDiscreteStates) + " until discreteStatesNeedUpdate is false";
        case Expected::stepMode: return fmi3(Role::enterStepMode);
        case Expected::step: return fmi3(Role::doStep) + " from lastSuccessfulTime";
    }
    return "";
}

// One steering call while an event is handled: the next expectation, or
// nullopt when the call is out of order.
std::optional<Expected> advanced(Expected expected, const Call& call) {
    const bool update = call.role == Role::updateDiscreteStates;
    switch (expected) {
        case Expected::enterEventMode:
            if (call.role == Role::enterEventMode) return Expected::update;
            break;
        case Expected::update:
            if (!update) break;
            return flagSet(call.results, "discreteStatesNeedUpdate") ? Expected::update : Expected::stepMode;
        case Expected::stepMode:
            // A further update once none is needed does no harm.
            if (update) return Expected::stepMode;
            if (call.role == Role::enterStepMode) return Expected::step;
            break;
        case Expected::step: break;
    }
    return std::nullopt;
}

// The calls after the event's step, up to the next step: each steering
// call in the order the event asks for. The handling ends early at the
// update where the component asked to terminate (terminationRequested):
// what follows that is judged apart.
EventHandling handlingOf(const CallRecord& record, std::size_t eventStep, std::optional<std::size_t> termination) {
    const Call& step = record.calls[eventStep];
    const double at = lastSuccessfulTime(step).value_or(0.0);
    const std::string event = step.text() + " answered eventHandlingNeeded at t = " + shortest(at);
    Expected expected = Expected::enterEventMode;
    for (std::size_t k = eventStep + 1; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.depth != 0 || call.instance() != step.instance() || !steers(call)) continue;
        if (ends(call)) {
            if (at >= stopTime * (1.0 - 1e-9)) return {EventHandling::Kind::handled, ""};
            return {EventHandling::Kind::fault, event + "; then " + call.text() + " before " + expectedText(expected) +
                                                    ": the event was never handled"};
        }
        if (expected == Expected::step && call.role == Role::doStep) {
            if (startsAt(call, at)) return {EventHandling::Kind::handled, ""};
            return {EventHandling::Kind::fault, event + "; then " + call.text() + " instead of " +
                                                    expectedText(expected) + " " + shortest(at)};
        }
        const auto next = advanced(expected, call);
        if (!next) {
            const bool ignored = expected == Expected::enterEventMode && call.role == Role::doStep;
            const std::string why = ignored ? ": the host ignores eventHandlingNeeded and steps on" : "";
            return {EventHandling::Kind::fault, event + "; the first call out of order: " + call.textWithStatus() +
                                                    " instead of " + expectedText(expected) + why};
        }
        if (k == termination) return {EventHandling::Kind::terminated, ""};
        expected = *next;
    }
    return {EventHandling::Kind::fault, event + "; the record ends before " + expectedText(expected)};
}

// When an event update asked to terminate: the step the host made after
// it, entering Step Mode again, or nullopt when it made none.
std::optional<std::string> steppedOnAfter(const CallRecord& record, std::size_t termination) {
    const Call& update = record.calls[termination];
    if (update.role != Role::updateDiscreteStates) return std::nullopt;
    const auto step = nextStep(record, termination);
    if (!step) return std::nullopt;
    return update.text() + " answered terminateSimulation " + phaseAt(record, termination) + "; then " +
           record.calls[*step].text() + ": the host steps on after the component asked to terminate";
}

Finding judged(const Run& run, const Probe& probe) {
    const CallRecord& record = *run.record;
    const Call* instantiation = coSimulationInstantiation(record);
    if (instantiation == nullptr) {
        return {Verdict::notReached, run.name, "no co-simulation instance; the run " + endFor(*run.end, probe)};
    }
    if (!flagSet(instantiation->arguments, "eventModeUsed")) {
        return {Verdict::note, run.name,
                "instantiated with eventModeUsed false, although the description says hasEventMode=\"true\": the "
                "host misses each contact reported as an event and the rebound at the event's time"};
    }
    const std::vector<std::size_t> events = stepsAnswering(record, "eventHandlingNeeded");
    if (events.empty()) {
        const bool early = flagSet(instantiation->arguments, "earlyReturnAllowed");
        return {Verdict::notReached, run.name,
                "no " + fmi3(Role::doStep) + " answered eventHandlingNeeded" +
                    (early ? "" : " (earlyReturnAllowed false: varnelle rebounds inside the step)") + "; the run " +
                    endFor(*run.end, probe)};
    }
    const auto termination = terminationRequested(record);
    for (std::size_t step : events) {
        if (termination && step > *termination) break;  // judged as stepping on after it
        const EventHandling handling = handlingOf(record, step, termination);
        if (handling.kind != EventHandling::Kind::fault) continue;
        if (const auto broken = brokenRun(run)) return {Verdict::fail, run.name, handling.text + " (" + *broken + ")"};
        return {Verdict::fail, run.name, handling.text};
    }
    if (termination) {
        if (auto steppedOn = steppedOnAfter(record, *termination)) return {Verdict::fail, run.name, *steppedOn};
    }
    const bool honoured = termination && record.calls[*termination].role == Role::updateDiscreteStates;
    const auto beforeTermination = [&](std::size_t step) { return !termination || step < *termination; };
    const auto handled = static_cast<std::size_t>(std::count_if(events.begin(), events.end(), beforeTermination));
    return {Verdict::pass, run.name,
            std::to_string(handled) + (handled == 1 ? " event" : " events") + " handled: " +
                fmi3(Role::enterEventMode) + ", " + fmi3(Role::updateDiscreteStates) +
                " until discreteStatesNeedUpdate false, " + fmi3(Role::enterStepMode) + ", the next " +
                fmi3(Role::doStep) + " from lastSuccessfulTime" +
                (honoured ? "; " + record.calls[*termination].text() + " answered terminateSimulation " +
                                phaseAt(record, *termination) + ", honoured"
                          : "")};
}

Finding unseen(const Run& run) { return {Verdict::notReached, run.name, "the calls cannot be seen", true}; }

}  // namespace

ProbeResult judgeEventMode(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, [&](const Run& run) { return judged(run, probe); }, unseen);
    result.fix = "After an " + fmi3(Role::doStep) + " that answers eventHandlingNeeded, call " +
                 fmi3(Role::enterEventMode) + ", " + fmi3(Role::updateDiscreteStates) +
                 " until discreteStatesNeedUpdate is false and " + fmi3(Role::enterStepMode) +
                 ", then step on from lastSuccessfulTime; when an update answers terminateSimulation, terminate "
                 "instead of stepping on.";
    return result;
}

}  // namespace hostcheck
