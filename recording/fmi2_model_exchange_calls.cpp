// The recording build's FMI 2.0 model-exchange exports (pellidor): the
// host's call and what the component answered, around the component's own
// function.
#include "recorded_calls.h"

using namespace recording;

extern "C" {

decltype(fmi2EnterEventMode) component_fmi2EnterEventMode;
decltype(fmi2NewDiscreteStates) component_fmi2NewDiscreteStates;
decltype(fmi2EnterContinuousTimeMode) component_fmi2EnterContinuousTimeMode;
decltype(fmi2CompletedIntegratorStep) component_fmi2CompletedIntegratorStep;
decltype(fmi2SetTime) component_fmi2SetTime;
decltype(fmi2SetContinuousStates) component_fmi2SetContinuousStates;
decltype(fmi2GetDerivatives) component_fmi2GetDerivatives;
decltype(fmi2GetEventIndicators) component_fmi2GetEventIndicators;
decltype(fmi2GetContinuousStates) component_fmi2GetContinuousStates;
decltype(fmi2GetNominalsOfContinuousStates) component_fmi2GetNominalsOfContinuousStates;

fmi2Status fmi2EnterEventMode(fmi2Component c) { return instanceCall<component_fmi2EnterEventMode>(__func__, c); }

fmi2Status fmi2NewDiscreteStates(fmi2Component c, fmi2EventInfo* fmi2eventInfo) {
    return pointerOutput<component_fmi2NewDiscreteStates>(__func__, c, "fmi2eventInfo", fmi2eventInfo);
}

fmi2Status fmi2EnterContinuousTimeMode(fmi2Component c) {
    return instanceCall<component_fmi2EnterContinuousTimeMode>(__func__, c);
}

fmi2Status fmi2CompletedIntegratorStep(fmi2Component c, fmi2Boolean noSetFMUStatePriorToCurrentPoint,
                                       fmi2Boolean* enterEventMode, fmi2Boolean* terminateSimulation) {
    enterCall(__func__, "c", c, "noSetFMUStatePriorToCurrentPoint", noSetFMUStatePriorToCurrentPoint);
    const fmi2Status status =
        component_fmi2CompletedIntegratorStep(c, noSetFMUStatePriorToCurrentPoint, enterEventMode, terminateSimulation);
    leaveCall(__func__, "c", c, "status", status, "enterEventMode", output(status, enterEventMode),
              "terminateSimulation", output(status, terminateSimulation));
    return status;
}

fmi2Status fmi2SetTime(fmi2Component c, fmi2Real time) {
    enterCall(__func__, "c", c, "time", time);
    const fmi2Status status = component_fmi2SetTime(c, time);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2SetContinuousStates(fmi2Component c, const fmi2Real x[], size_t nx) {
    enterCall(__func__, "c", c, "x", items(x, nx), "nx", nx);
    const fmi2Status status = component_fmi2SetContinuousStates(c, x, nx);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2GetDerivatives(fmi2Component c, fmi2Real derivatives[], size_t nx) {
    return readArray<component_fmi2GetDerivatives>(__func__, c, "derivatives", derivatives, "nx", nx);
}

fmi2Status fmi2GetEventIndicators(fmi2Component c, fmi2Real eventIndicators[], size_t ni) {
    return readArray<component_fmi2GetEventIndicators>(__func__, c, "eventIndicators", eventIndicators, "ni", ni);
}

fmi2Status fmi2GetContinuousStates(fmi2Component c, fmi2Real x[], size_t nx) {
    return readArray<component_fmi2GetContinuousStates>(__func__, c, "x", x, "nx", nx);
}

fmi2Status fmi2GetNominalsOfContinuousStates(fmi2Component c, fmi2Real x_nominal[], size_t nx) {
    return readArray<component_fmi2GetNominalsOfContinuousStates>(__func__, c, "x_nominal", x_nominal, "nx", nx);
}

}  // extern "C"
