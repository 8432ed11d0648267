// What an FMI 3.0 co-simulation record says about its steps: how the host
// instantiated (event mode, early return, the intermediate-update callback),
// what each fmi3DoStep answered in its out arguments, and where the next
// step started. The event-mode, early-return, intermediate-update and
// Discard probes judge from these, so each rule about where a step must
// start is written once, here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record.h"

namespace hostcheck {

// The first co-simulation instantiation that returned an instance, or null.
const Call* coSimulationInstantiation(const CallRecord& record);

// Whether a one-byte flag among the arguments of an instantiation, or among
// what a call or callback answered, is true: "eventModeUsed",
// "earlyReturn". False when it is missing or was not written ("-").
bool flagSet(const Fields& fields, std::string_view key);

// lastSuccessfulTime as an fmi3DoStep answered it; nullopt after a Discard
// or an Error, which write no outputs.
std::optional<double> lastSuccessfulTime(const Call& step);

// The steps the host made directly (not from inside a callback) whose out
// flag is set: "earlyReturn", "eventHandlingNeeded".
std::vector<std::size_t> stepsAnswering(const CallRecord& record, std::string_view flag);

// The next step the host made on the same instance, directly (not from
// inside a callback), after call k; nullopt when there is none.
std::optional<std::size_t> nextStep(const CallRecord& record, std::size_t k);

// Whether a step starts at the time, within the rounding of a clock that
// adds its steps (100 × DBL_EPSILON of the larger magnitude, as varnelle
// accepts).
bool startsAt(const Call& step, double time);

// The rule after a step that returned early: the next step, if any, starts
// at its lastSuccessfulTime. The fault, naming the next step and what was
// lost, or nullopt when the next step starts there or there is none.
std::optional<std::string> lostAfterEarlyReturn(const CallRecord& record, std::size_t step);

}  // namespace hostcheck
