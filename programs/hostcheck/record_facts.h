// What a run's call record says happened: how far the simulation got, where
// the host read a string never written or met a Discard, and where and why
// the run ended. Probes use these to tell whether a run reached what they
// test before they judge it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "outcome.h"
#include "record.h"

namespace hostcheck {

// Calls that move the simulation on (initialisation ending, time, states,
// steps, events), as opposed to reading values, status queries and ending.
bool advancesSimulation(const Call& call);

// Whether the host made a call that moves the simulation on after this one.
bool simulationAfter(const Record& record, std::size_t call);

// The model time when the call was made: the last time the host set or the
// communication point it reached, 0 before any.
double timeAt(const Record& record, std::size_t call);

// The latest model time the host set or a completed step reached.
double timeReached(const Record& record);

// "during initialisation", "before initialisation" or "at t = 1.25".
std::string phaseAt(const Record& record, std::size_t call);

// Whether an instantiation returned an instance.
bool instantiated(const Record& record);

// The first fmi2GetString or fmiGetString that handed out a null string.
struct NullString {
    std::size_t call;
    long valueReference;  // the first null one in that call
};
std::optional<NullString> firstNullString(const Record& record);

// The first fmi2DoStep that answered fmi2Discard.
std::optional<std::size_t> firstDiscard(const Record& record);

// Where a run ended and why, as the record and the outcome show it.
struct RunEnd {
    bool instantiated = false;
    bool reachedStop = false;  // the simulation got to the stop time
    double timeReached = 0.0;
    // The probe whose subject ended the run early: 4 a string never written,
    // 5 the FMI 1.0 event iteration, 6 the host's logger, 7 the Discard; 0
    // when none did (the run ended normally, or for a reason no probe tests).
    int probe = 0;
    std::string where;  // "stopped at the first fmi2GetString of string0, during initialisation"
};
RunEnd runEnd(const Record& record, const Outcome& outcome, double stopTime);

// The verdict text of a probe that a run ended before: where, and which
// probe judges why ("...: see probe 4").
std::string seeProbe(const RunEnd& end);

}  // namespace hostcheck
