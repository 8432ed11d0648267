// What a run's call record says happened: how far the simulation got, where
// the host read a string never written or met a Discard, and where and why
// the run ended. Probes use these to tell whether a run reached what they
// test before they judge it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outcome.h"
#include "record.h"

namespace hostcheck {

// Whether an event update answered that its iteration has converged.
bool iterationConverged(const Call& call);

// Whether the host made a call that moves the simulation on after this one.
bool simulationAfter(const CallRecord& record, std::size_t call);

// The model time when the call was made: the last time the host set or the
// communication point it reached, 0 before any.
double timeAt(const CallRecord& record, std::size_t call);

// The latest model time the host set or a completed step reached.
double timeReached(const CallRecord& record);

// The model time before each call, and after the last: what timeAt gives
// for every call, in one pass.
std::vector<double> callTimes(const CallRecord& record);

// "during initialisation", "before initialisation" or "at t = 1.25".
std::string phaseAt(const CallRecord& record, std::size_t call);

// Whether an instantiation returned an instance.
bool instantiated(const CallRecord& record);

// The first string getter that handed out a null string.
struct NullString {
    std::size_t call;
    long valueReference;  // the first null one in that call
};
std::optional<NullString> firstNullString(const CallRecord& record);

// The first communication step that answered Discard.
std::optional<std::size_t> firstDiscard(const CallRecord& record);

// Whether an FMI 3.0 call handed out true through the boolean it names
// ("terminateSimulation", "discreteStatesNeedUpdate"): recorded as the byte
// the component wrote, "-" when the call failed and wrote nothing.
bool handedOutTrue(const Call& call, std::string_view output);

// The first call in which the component asked to end the simulation: the
// first fmi3UpdateDiscreteStates, fmi3CompletedIntegratorStep or fmi3DoStep
// handing out terminateSimulation true (varnelle, once its mass rests).
std::optional<std::size_t> terminationRequested(const CallRecord& record);

// The first call after that request that moves the simulation on (a step,
// a time, states, a mode) before the host ends or resets the instance:
// the host went on instead of stopping. nullopt when it stopped, or when no
// request came. Another event update in Event Mode is no going on.
std::optional<std::size_t> callAfterTermination(const CallRecord& record);

// What ended a run early when a probe tests it: a string never written,
// read as null; an event iteration that never ended; a crash in the host's
// logger; the Discard of a step; a burst of events where the rebounds
// accumulate (event_burst.h). none when the run ended normally, or for a
// reason no probe tests. The probe table says which probe judges each.
enum class Subject { none, nullString, endlessEventIteration, loggerCrash, discard, eventBurst };

// Where a run ended and why, as the record and the outcome show it.
struct RunEnd {
    bool instantiated = false;
    // The simulation got to its end: the stop time, or where the component
    // asked to terminate and the host stopped (terminated). Either ended
    // properly; only a run without it stopped early.
    bool reachedStop = false;
    bool terminated = false;
    double timeReached = 0.0;
    Subject subject = Subject::none;
    std::string where;  // "stopped at the first fmi2GetString of string0, during initialisation"
};
RunEnd runEnd(const CallRecord& record, const Outcome& outcome, double stopTime);

}  // namespace hostcheck
