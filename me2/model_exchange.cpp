// FMI 2.0 model-exchange entry points of pellidor. The host integrates: it
// sets time and states, reads derivatives and the event indicator, detects
// the indicator's sign change itself and calls fmi2NewDiscreteStates, which
// applies the rebound.
#include "events.h"
#include "logging.h"
#include "record.h"

namespace {

// Copies count values between the host's array and one of the record's
// arrays of capacity values. A count larger than the record's array, or a
// null host array with a count above 0, is refused before anything is copied.
[[nodiscard]] fmi2Status copyChecked(const InstanceRecord& r, const char* function, const fmi2Real* from,
                                     fmi2Real* to, size_t count, unsigned capacity, const void* hostArray) {
    if (count > capacity)
        return refuse(r, "%s: %zu values asked for, the model has %u", function, count, capacity);
    if (count > 0 && hostArray == nullptr)
        return refuse(r, "%s: the array is null while its count is %zu", function, count);
    for (size_t k = 0; k < count; ++k) to[k] = from[k];
    return fmi2OK;
}

template <unsigned N>
[[nodiscard]] fmi2Status copyToHost(const InstanceRecord& r, const char* function, const fmi2Real (&from)[N],
                                    fmi2Real to[], size_t count) {
    return copyChecked(r, function, from, to, count, N, to);
}

template <unsigned N>
[[nodiscard]] fmi2Status copyFromHost(const InstanceRecord& r, const char* function, const fmi2Real from[],
                                      fmi2Real (&to)[N], size_t count) {
    return copyChecked(r, function, from, to, count, N, from);
}

}  // namespace

extern "C" {

// The model has no explicit time dependence: the time is kept, never read.
fmi2Status fmi2SetTime(fmi2Component c, fmi2Real time) {
    if (c == nullptr) return fmi2Fatal;
    asRecord(c)->time = time;
    return fmi2OK;
}

fmi2Status fmi2SetContinuousStates(fmi2Component c, const fmi2Real x[], size_t nx) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    return copyFromHost(r, "fmi2SetContinuousStates", x, r.states, nx);
}

fmi2Status fmi2GetContinuousStates(fmi2Component c, fmi2Real x[], size_t nx) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    return copyToHost(r, "fmi2GetContinuousStates", r.states, x, nx);
}

fmi2Status fmi2GetNominalsOfContinuousStates(fmi2Component c, fmi2Real x_nominal[], size_t nx) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    return copyToHost(r, "fmi2GetNominalsOfContinuousStates", r.statesNominal, x_nominal, nx);
}

fmi2Status fmi2GetDerivatives(fmi2Component c, fmi2Real derivatives[], size_t nx) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    refreshDerivatives(r);
    return copyToHost(r, "fmi2GetDerivatives", r.statesDerivative, derivatives, nx);
}

fmi2Status fmi2GetEventIndicators(fmi2Component c, fmi2Real eventIndicators[], size_t ni) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    refreshEventIndicator(r);
    return copyToHost(r, "fmi2GetEventIndicators", r.eventIndicators, eventIndicators, ni);
}

// Never asks for event mode: the component relies on the host's detection of
// the event indicator's sign change.
fmi2Status fmi2CompletedIntegratorStep(fmi2Component c, fmi2Boolean, fmi2Boolean* enterEventMode,
                                       fmi2Boolean* terminateSimulation) {
    if (c == nullptr) return fmi2Fatal;
    const InstanceRecord& r = *asRecord(c);
    if (enterEventMode == nullptr || terminateSimulation == nullptr)
        return refuse(r, "%s: the enterEventMode or terminateSimulation pointer is null",
                      "fmi2CompletedIntegratorStep");
    *enterEventMode = fmi2False;
    *terminateSimulation = fmi2False;
    return fmi2OK;
}

// One call settles the event: the rebound, if due, and an event record that
// asks for no further iteration.
fmi2Status fmi2NewDiscreteStates(fmi2Component c, fmi2EventInfo* eventInfo) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    // Refused before the rebound: a host that cannot receive the event
    // record must not have its states changed behind its back.
    if (eventInfo == nullptr) return refuse(r, "%s: the eventInfo pointer is null", "fmi2NewDiscreteStates");
    handleEvent(r);
    *eventInfo = r.eventInfo;
    return fmi2OK;
}

// The instance keeps no mode, so the mode changes have nothing to do.
fmi2Status fmi2EnterEventMode(fmi2Component) { return fmi2OK; }

fmi2Status fmi2EnterContinuousTimeMode(fmi2Component) { return fmi2OK; }

}  // extern "C"
