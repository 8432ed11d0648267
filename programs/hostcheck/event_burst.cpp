#include "event_burst.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "format.h"
#include "model_expectations.h"
#include "record_facts.h"

namespace hostcheck {
namespace {

bool handlesEvent(Role role) {
    return role == Role::enterEventMode || role == Role::newDiscreteStates || role == Role::eventUpdate;
}

// The model time of each event, once per distinct time, in the order the
// host handled them.
std::vector<double> eventTimes(const CallRecord& record) {
    const std::vector<double> times = callTimes(record);
    std::vector<double> events;
    bool inEvent = false;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Role role = record.calls[k].role;
        if (handlesEvent(role)) {
            if (!inEvent && (events.empty() || times[k] != events.back())) events.push_back(times[k]);
            inEvent = true;
        } else if (advancesSimulation(role)) {
            inEvent = false;
        }
    }
    return events;
}

// Two significant digits: a stretch of model time may be 0.0094 s or 9.3e-14 s.
std::string duration(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", seconds);
    return text;
}

}  // namespace

std::optional<EventBurst> endingBurst(const CallRecord& record) {
    const std::vector<double> events = eventTimes(record);
    if (events.size() <= burstEvents || timeReached(record) - events.back() > burstSpan) return std::nullopt;
    EventBurst burst;
    burst.last = events.back();
    burst.atLeast = record.cut;
    for (std::size_t k = events.size(); k-- > 0 && burst.last - events[k] <= burstSpan;) {
        ++burst.events;
        burst.first = events[k];
    }
    if (burst.events <= burstEvents) return std::nullopt;
    return burst;
}

std::string burstText(const EventBurst& burst) {
    const double accumulation = expected::reboundsAccumulationTime();
    const bool there = std::abs(burst.last - accumulation) <= accumulationMargin;
    return "in a burst of " + std::string(burst.atLeast ? "more than " : "") + std::to_string(burst.events) +
           " events within " + duration(burst.last - burst.first) + " s of model time (more than " +
           std::to_string(burstEvents) + " within " + shortest(burstSpan) + " s), " +
           (there ? "where the rebounds accumulate" : "away from where the rebounds accumulate") + " (t ≈ " +
           fixed(accumulation) + ")";
}

}  // namespace hostcheck
