// The model-exchange entry points: time, states, nominals, state value
// references, derivatives, the event indicator and event handling. The host
// integrates; the component answers with the model's rules.
#include "fmi1_record.h"
#include "value_access.h"

namespace {

// FMI 1.0 variant of the event record after a rebound. Unlike FMI 2.0 it is
// only written when a rebound happens and is kept between calls: a later call
// without a rebound reports these flags again until fmiInitialize resets them.
void recordFmi1Rebound(fmiEventInfo& eventInfo) {
    eventInfo = {.iterationConverged = fmiTrue, .stateValueReferencesChanged = fmiFalse, .stateValuesChanged = fmiTrue,
                 .terminateSimulation = fmiFalse, .upcomingTimeEvent = fmiFalse, .nextEventTime = -0.0};
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
    return copyIn(asRecord(c), __func__, x, &Fmi1InstanceRecord::states, nx);
}

fmiStatus Rebounder_fmiGetContinuousStates(fmiComponent c, fmiReal states[], size_t nx) {
    return copyOut(asRecord(c), __func__, &Fmi1InstanceRecord::states, states, nx);
}

fmiStatus Rebounder_fmiGetNominalContinuousStates(fmiComponent c, fmiReal x_nominal[], size_t nx) {
    return copyOut(asRecord(c), __func__, &Fmi1InstanceRecord::statesNominal, x_nominal, nx);
}

// The states are the real variables 0 (height) and 1 (velocity).
fmiStatus Rebounder_fmiGetStateValueReferences(fmiComponent c, fmiValueReference vrx[], size_t nx) {
    return copyOut(asRecord(c), __func__, &Fmi1InstanceRecord::stateValueReferences, vrx, nx);
}

// FMI 1.0 has no acceleration variable: the derivative of velocity is gravity
// itself, refreshed here and nowhere else.
fmiStatus Rebounder_fmiGetDerivatives(fmiComponent c, fmiReal derivatives[], size_t nx) {
    if (c == nullptr) return fmiFatal;
    model::refreshDerivatives(*asRecord(c));
    return copyOut(asRecord(c), __func__, &Fmi1InstanceRecord::statesDerivative, derivatives, nx);
}

fmiStatus Rebounder_fmiGetEventIndicators(fmiComponent c, fmiReal eventIndicators[], size_t ni) {
    if (c == nullptr) return fmiFatal;
    model::refreshEventIndicator(*asRecord(c));
    return copyOut(asRecord(c), __func__, &Fmi1InstanceRecord::eventIndicators, eventIndicators, ni);
}

// Never asks for an event update: the component relies on the host's
// zero-crossing detection of the event indicator.
fmiStatus Rebounder_fmiCompletedIntegratorStep(fmiComponent c, fmiBoolean* callEventUpdate) {
    if (c == nullptr) return fmiFatal;
    Fmi1InstanceRecord& r = *asRecord(c);
    if (callEventUpdate == nullptr)
        return refuseNullPointer(r, __func__, "callEventUpdate");
    *callEventUpdate = r.callEventUpdate;
    return fmiOK;
}

// One call settles an event: intermediateResults is not looked at, and a
// rebound reports iterationConverged at once.
fmiStatus Rebounder_fmiEventUpdate(fmiComponent c, fmiBoolean, fmiEventInfo* eventInfo) {
    if (c == nullptr) return fmiFatal;
    Fmi1InstanceRecord& r = *asRecord(c);
    if (eventInfo == nullptr) return refuseNullPointer(r, __func__, "eventInfo");
    if (model::reboundDueFmi1(r.states)) {
        model::rebound(r.states, restitution(r));
        recordFmi1Rebound(r.eventInfo);
    }
    *eventInfo = r.eventInfo;
    return fmiOK;
}

}  // extern "C"
