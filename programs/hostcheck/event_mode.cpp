#include "event_mode.h"

#include <algorithm>

#include "record_facts.h"

namespace hostcheck {
namespace {

// Each value's domain as the event indicators define it: z > 0, or z ≤ 0.
std::vector<bool> domains(const std::string& recordedValues) {
    std::vector<bool> above;
    for (const std::string& value : recordedList(recordedValues)) {
        const std::optional<double> z = recordedNumber(value);
        above.push_back(z && *z > 0.0);
    }
    return above;
}

// What the record shows since the last event update: the reads of the
// indicators, and whether anything gave the host a reason for an event.
struct SinceUpdate {
    std::optional<std::vector<bool>> firstDomains;  // of the first read: the reference
    bool domainChanged = false, stepEvent = false;
    std::optional<double> nextEventTime;            // announced by the last update
    std::vector<std::string> reads;

    void read(const std::string& values) {
        const std::vector<bool> now = domains(values);
        if (!firstDomains) firstDomains = now;
        domainChanged = domainChanged || now != *firstDomains;
        reads.push_back(values);
    }
    void updated(const Call& update) {
        *this = {};
        if (handedOutTrue(update, "nextEventTimeDefined")) {
            const std::string* time = update.results.find("nextEventTime");
            nextEventTime = time ? recordedNumber(*time) : std::nullopt;
        }
    }
    bool reasonAt(double time) const {
        return domainChanged || stepEvent || (nextEventTime && time >= *nextEventTime);
    }
};

constexpr std::size_t readsShown = 3;

}  // namespace

std::optional<IterationBreak> firstIterationBreak(const CallRecord& record) {
    bool inEventMode = false, needUpdate = false;
    std::size_t updates = 0;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.version != FmiVersion::fmi3 || call.depth != 0) continue;
        const bool entered = call.answered(Status::ok) || call.answered(Status::warning);
        if ((call.role == Role::exitInitialization || call.role == Role::enterEventMode) && entered) {
            inEventMode = true;
            needUpdate = false;
            updates = 0;
        } else if (call.role == Role::updateDiscreteStates && inEventMode) {
            ++updates;
            needUpdate = handedOutTrue(call, "discreteStatesNeedUpdate");
        } else if (call.role == Role::enterContinuousTime && inEventMode) {
            inEventMode = false;
            const std::string update = functionName(FmiVersion::fmi3, Role::updateDiscreteStates);
            if (updates == 0) return IterationBreak{k, "before any " + update + " in that Event Mode"};
            if (needUpdate) {
                return IterationBreak{k, "while the last " + update + " answered discreteStatesNeedUpdate true"};
            }
        } else if (call.role == Role::terminate || call.role == Role::reset) {
            inEventMode = false;
        }
    }
    return std::nullopt;
}

std::vector<EventWithoutReason> eventsWithoutReason(const CallRecord& record) {
    const std::vector<double> times = callTimes(record);
    std::vector<EventWithoutReason> found;
    SinceUpdate since;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.version != FmiVersion::fmi3 || call.depth != 0) continue;
        const std::string* indicators = call.results.find("eventIndicators");
        if (call.role == Role::getEventIndicators && indicators && *indicators != "-") since.read(*indicators);
        if (call.role == Role::completedIntegratorStep && handedOutTrue(call, "enterEventMode")) since.stepEvent = true;
        if (call.role == Role::updateDiscreteStates) since.updated(call);
        if (call.role != Role::enterEventMode || since.reasonAt(times[k])) continue;
        const std::size_t shown = std::min(since.reads.size(), readsShown);
        found.push_back({k, std::vector<std::string>(since.reads.end() - static_cast<std::ptrdiff_t>(shown),
                                                     since.reads.end()),
                         since.reads.size()});
    }
    return found;
}

}  // namespace hostcheck
