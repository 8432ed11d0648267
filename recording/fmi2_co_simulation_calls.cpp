// The recording build's FMI 2.0 co-simulation exports (corvane): the host's
// call and what the component answered, around the component's own function.
#include "recorded_calls.h"

using namespace recording;

extern "C" {

decltype(fmi2SetRealInputDerivatives) component_fmi2SetRealInputDerivatives;
decltype(fmi2GetRealOutputDerivatives) component_fmi2GetRealOutputDerivatives;
decltype(fmi2DoStep) component_fmi2DoStep;
decltype(fmi2CancelStep) component_fmi2CancelStep;
decltype(fmi2GetStatus) component_fmi2GetStatus;
decltype(fmi2GetRealStatus) component_fmi2GetRealStatus;
decltype(fmi2GetIntegerStatus) component_fmi2GetIntegerStatus;
decltype(fmi2GetBooleanStatus) component_fmi2GetBooleanStatus;
decltype(fmi2GetStringStatus) component_fmi2GetStringStatus;

fmi2Status fmi2SetRealInputDerivatives(fmi2Component c, const fmi2ValueReference vr[], size_t nvr,
                                       const fmi2Integer order[], const fmi2Real value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "order", items(order, nvr), "value",
              items(value, nvr));
    const fmi2Status status = component_fmi2SetRealInputDerivatives(c, vr, nvr, order, value);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2GetRealOutputDerivatives(fmi2Component c, const fmi2ValueReference vr[], size_t nvr,
                                        const fmi2Integer order[], fmi2Real value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "order", items(order, nvr));
    const fmi2Status status = component_fmi2GetRealOutputDerivatives(c, vr, nvr, order, value);
    leaveCall(__func__, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

fmi2Status fmi2DoStep(fmi2Component c, fmi2Real currentCommunicationPoint, fmi2Real communicationStepSize,
                      fmi2Boolean noSetFMUStatePriorToCurrentPoint) {
    enterCall(__func__, "c", c, "currentCommunicationPoint", currentCommunicationPoint, "communicationStepSize",
              communicationStepSize, "noSetFMUStatePriorToCurrentPoint", noSetFMUStatePriorToCurrentPoint);
    const fmi2Status status =
        component_fmi2DoStep(c, currentCommunicationPoint, communicationStepSize, noSetFMUStatePriorToCurrentPoint);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2CancelStep(fmi2Component c) { return instanceCall<component_fmi2CancelStep>(__func__, c); }

fmi2Status fmi2GetStatus(fmi2Component c, const fmi2StatusKind s, fmi2Status* value) {
    return statusQuery<component_fmi2GetStatus>(__func__, c, s, value);
}

fmi2Status fmi2GetRealStatus(fmi2Component c, const fmi2StatusKind s, fmi2Real* value) {
    return statusQuery<component_fmi2GetRealStatus>(__func__, c, s, value);
}

fmi2Status fmi2GetIntegerStatus(fmi2Component c, const fmi2StatusKind s, fmi2Integer* value) {
    return statusQuery<component_fmi2GetIntegerStatus>(__func__, c, s, value);
}

fmi2Status fmi2GetBooleanStatus(fmi2Component c, const fmi2StatusKind s, fmi2Boolean* value) {
    return statusQuery<component_fmi2GetBooleanStatus>(__func__, c, s, value);
}

fmi2Status fmi2GetStringStatus(fmi2Component c, const fmi2StatusKind s, fmi2String* value) {
    return statusQuery<component_fmi2GetStringStatus>(__func__, c, s, value);
}

}  // extern "C"
