// FMI 2.0 model-exchange entry points of pellidor. The host integrates: it
// sets time and states, reads derivatives and the event indicator, detects
// the indicator's sign change itself and calls fmi2NewDiscreteStates, which
// applies the rebound.
#include "events.h"
#include "fmi2_record.h"
#include "value_access.h"

extern "C" {

// The model has no explicit time dependence: the time is kept, never read.
fmi2Status fmi2SetTime(fmi2Component c, fmi2Real time) {
    if (c == nullptr) return fmi2Fatal;
    asRecord(c)->time = time;
    return fmi2OK;
}

fmi2Status fmi2SetContinuousStates(fmi2Component c, const fmi2Real x[], size_t nx) {
    return copyIn(asRecord(c), __func__, x, &Fmi2InstanceRecord::states, nx);
}

fmi2Status fmi2GetContinuousStates(fmi2Component c, fmi2Real x[], size_t nx) {
    return copyOut(asRecord(c), __func__, &Fmi2InstanceRecord::states, x, nx);
}

fmi2Status fmi2GetNominalsOfContinuousStates(fmi2Component c, fmi2Real x_nominal[], size_t nx) {
    return copyOut(asRecord(c), __func__, &Fmi2InstanceRecord::statesNominal, x_nominal, nx);
}

fmi2Status fmi2GetDerivatives(fmi2Component c, fmi2Real derivatives[], size_t nx) {
    if (c == nullptr) return fmi2Fatal;
    model::refreshDerivatives(*asRecord(c));
    return copyOut(asRecord(c), __func__, &Fmi2InstanceRecord::statesDerivative, derivatives, nx);
}

fmi2Status fmi2GetEventIndicators(fmi2Component c, fmi2Real eventIndicators[], size_t ni) {
    if (c == nullptr) return fmi2Fatal;
    model::refreshEventIndicator(*asRecord(c));
    return copyOut(asRecord(c), __func__, &Fmi2InstanceRecord::eventIndicators, eventIndicators, ni);
}

// Never asks for event mode: the component relies on the host's detection of
// the event indicator's sign change.
fmi2Status fmi2CompletedIntegratorStep(fmi2Component c, fmi2Boolean, fmi2Boolean* enterEventMode,
                                       fmi2Boolean* terminateSimulation) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    if (enterEventMode == nullptr || terminateSimulation == nullptr)
        return refuseNullPointer(r, __func__, "enterEventMode or terminateSimulation");
    *enterEventMode = fmi2False;
    *terminateSimulation = fmi2False;
    return fmi2OK;
}

// One call settles the event: the rebound, if due, and an event record that
// asks for no further iteration.
fmi2Status fmi2NewDiscreteStates(fmi2Component c, fmi2EventInfo* eventInfo) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    // Refused before the rebound: a host that cannot receive the event
    // record must not have its states changed behind its back.
    if (eventInfo == nullptr) return refuseNullPointer(r, __func__, "eventInfo");
    handleEvent(r);
    *eventInfo = r.eventInfo;
    return fmi2OK;
}

// The instance keeps no mode, so the mode changes have nothing to do.
fmi2Status fmi2EnterEventMode(fmi2Component) { return fmi2OK; }

fmi2Status fmi2EnterContinuousTimeMode(fmi2Component) { return fmi2OK; }

}  // extern "C"
