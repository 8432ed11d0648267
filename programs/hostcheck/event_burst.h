// A burst of events: many event updates within a short stretch of model
// time, as a host makes that locates every event exactly where the bouncing
// mass's rebounds accumulate (t ≈ 2.2329, model_expectations.h), takes ever
// shorter steps there and never gets past. Not a wrong calling sequence: a
// question of the host's robustness, which the model-exchange probe judges.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "record.h"

namespace hostcheck {

// The figures, from the mass's own numbers. The flights after the first
// contact last 1.2168 · 0.5^(k−1) s and end at t∞ ≈ 2.2329: the rebounds
// from the 8th on (1.2168 · 0.5^7 ≈ 0.0095 s before t∞) fall within the last
// 0.01 s. Their times differ only while a flight is longer than the spacing
// of doubles near 2.23 (4.4e-16 s), up to about the 53rd: at most 46
// rebounds at distinct model times in any 0.01 s, even for a host that
// locates every one of them to the last bit (and a host with a tolerance or
// a smallest step stops telling them apart well before). A fixed-step host
// finds at most one event per step: one per 0.01 s at the probe's output
// interval, and 100 only with steps of 1e-4 s, a hundred times finer than
// asked for. So more than 100 events within 0.01 s of model time, over twice
// what the model can hold there, are no longer rebounds but the host's steps
// shrinking without bound.
inline constexpr double burstSpan = 0.01;
inline constexpr std::size_t burstEvents = 100;

// A host that locates the rebounds places their accumulation within a few
// output intervals of the model's: the first contact may lie an output
// interval away (as the model-exchange probe allows), and the flights after
// it, 1.2168 s in all, scale with the speed at that contact, which such a
// host gets within a few percent. A burst farther away is not where the
// rebounds accumulate, and the evidence says so.
inline constexpr double accumulationMargin = 0.05;

// The events a run ended in: each event one or more event updates with
// nothing between them that moves the simulation on, counted once per
// distinct model time (an iteration at one time is one event).
struct EventBurst {
    std::size_t events = 0;  // within burstSpan before the last one
    double first = 0.0, last = 0.0;  // the model times of the first and last of them
    bool atLeast = false;    // counted in a record whose middle was left out
};

// The burst the run ended in: more than burstEvents events within burstSpan
// of model time, the last of them within burstSpan of the time the run
// reached; nullopt when it ended otherwise.
std::optional<EventBurst> endingBurst(const CallRecord& record);

// "in a burst of 4321 events from t = 2.2231 to t = 2.2325 (more than 100
// within 0.01 s of model time), where the rebounds accumulate (t ≈ 2.2329)"
std::string burstText(const EventBurst& burst);

}  // namespace hostcheck
