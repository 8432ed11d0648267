// The model-exchange entry points: time, states, nominals, state value
// references, derivatives, the event indicator and event handling. The host
// integrates; the component answers with the model's rules.
#include "logging.h"
#include "record.h"

namespace {

// The one place where a count from the host meets one of the record's fixed
// arrays. A count larger than the model has, or a null host array with a
// count above 0, refuses the call with nothing copied.
template <typename T>
[[nodiscard]] fmiStatus copyChecked(InstanceRecord& r, const char* function, const T* from, T* to, size_t count,
                                    size_t capacity) {
    if (count > capacity)
        return refuse(r, "%s: count %zu is larger than the model's %zu", function, count, capacity);
    if (count > 0 && (from == nullptr || to == nullptr))
        return refuse(r, "%s: the array is null while the count is %zu", function, count);
    for (size_t k = 0; k < count; ++k) to[k] = from[k];
    return fmiOK;
}

// FMI 1.0 variant of the rebound test: the height alone decides. The FMI 2.0
// rule also asks for a falling mass; here a mass below the floor that already
// moves up still rebounds, its velocity turned downward and scaled by the
// restitution. A NaN height fails the comparison and does not rebound.
inline bool fmi1ReboundDue(double heightNow) { return heightNow < 0.0; }

// FMI 1.0 variant of the event record after a rebound. Unlike FMI 2.0 it is
// only written when a rebound happens and is kept between calls: a later call
// without a rebound reports these flags again until fmiInitialize resets them.
void recordFmi1Rebound(fmiEventInfo& eventInfo) {
    eventInfo.iterationConverged = fmiTrue;
    eventInfo.stateValueReferencesChanged = fmiFalse;
    eventInfo.stateValuesChanged = fmiTrue;
    eventInfo.terminateSimulation = fmiFalse;
    eventInfo.upcomingTimeEvent = fmiFalse;
    eventInfo.nextEventTime = -0.0;
}

}  // namespace

extern "C" {

// Stored only: the model has no explicit time dependence.
fmiStatus Rebounder_fmiSetTime(fmiComponent c, fmiReal time) {
    if (c == nullptr) return fmiFatal;
    asRecord(c)->time = time;
    return fmiOK;
}

fmiStatus Rebounder_fmiSetContinuousStates(fmiComponent c, const fmiReal x[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    return copyChecked(r, "fmiSetContinuousStates", x, r.states, nx, model::stateCount);
}

fmiStatus Rebounder_fmiGetContinuousStates(fmiComponent c, fmiReal states[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    return copyChecked<fmiReal>(r, "fmiGetContinuousStates", r.states, states, nx, model::stateCount);
}

fmiStatus Rebounder_fmiGetNominalContinuousStates(fmiComponent c, fmiReal x_nominal[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    return copyChecked<fmiReal>(r, "fmiGetNominalContinuousStates", r.statesNominal, x_nominal, nx,
                                model::stateCount);
}

// The states are the real variables 0 (height) and 1 (velocity).
fmiStatus Rebounder_fmiGetStateValueReferences(fmiComponent c, fmiValueReference vrx[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    return copyChecked<fmiValueReference>(r, "fmiGetStateValueReferences", r.stateValueReferences, vrx, nx,
                                          model::stateCount);
}

// FMI 1.0 has no acceleration variable: the derivative of velocity is gravity
// itself, refreshed here and nowhere else.
fmiStatus Rebounder_fmiGetDerivatives(fmiComponent c, fmiReal derivatives[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    model::refreshDerivatives(r.statesDerivative, r.states, gravity(r));
    return copyChecked<fmiReal>(r, "fmiGetDerivatives", r.statesDerivative, derivatives, nx, model::stateCount);
}

fmiStatus Rebounder_fmiGetEventIndicators(fmiComponent c, fmiReal eventIndicators[], size_t ni) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    r.eventIndicators[0] = model::eventIndicator(height(r));
    return copyChecked<fmiReal>(r, "fmiGetEventIndicators", r.eventIndicators, eventIndicators, ni,
                                model::eventIndicatorCount);
}

// Never asks for an event update: the component relies on the host's
// zero-crossing detection of the event indicator.
fmiStatus Rebounder_fmiCompletedIntegratorStep(fmiComponent c, fmiBoolean* callEventUpdate) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    if (callEventUpdate == nullptr)
        return refuse(r, "%s: the callEventUpdate pointer is null", "fmiCompletedIntegratorStep");
    *callEventUpdate = r.callEventUpdate;
    return fmiOK;
}

// One call settles an event: intermediateResults is not looked at, and a
// rebound reports iterationConverged at once.
fmiStatus Rebounder_fmiEventUpdate(fmiComponent c, fmiBoolean, fmiEventInfo* eventInfo) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    if (eventInfo == nullptr) return refuse(r, "%s: the eventInfo pointer is null", "fmiEventUpdate");
    if (fmi1ReboundDue(height(r))) {
        model::rebound(r.states, restitution(r));
        recordFmi1Rebound(r.eventInfo);
    }
    *eventInfo = r.eventInfo;
    return fmiOK;
}

}  // extern "C"
