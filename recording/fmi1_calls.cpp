// The recording build's FMI 1.0 exports (tressivo, prefix Rebounder_): each
// writes the host's call to the record, runs the component's own function
// (built under the name component_<export>), and writes what it returned.
#include "call_record.h"

using namespace recording;

extern "C" {

decltype(Rebounder_fmiGetModelTypesPlatform) component_Rebounder_fmiGetModelTypesPlatform;
decltype(Rebounder_fmiGetVersion) component_Rebounder_fmiGetVersion;
decltype(Rebounder_fmiInstantiateModel) component_Rebounder_fmiInstantiateModel;
decltype(Rebounder_fmiFreeModelInstance) component_Rebounder_fmiFreeModelInstance;
decltype(Rebounder_fmiSetDebugLogging) component_Rebounder_fmiSetDebugLogging;
decltype(Rebounder_fmiSetTime) component_Rebounder_fmiSetTime;
decltype(Rebounder_fmiSetContinuousStates) component_Rebounder_fmiSetContinuousStates;
decltype(Rebounder_fmiCompletedIntegratorStep) component_Rebounder_fmiCompletedIntegratorStep;
decltype(Rebounder_fmiSetReal) component_Rebounder_fmiSetReal;
decltype(Rebounder_fmiSetInteger) component_Rebounder_fmiSetInteger;
decltype(Rebounder_fmiSetBoolean) component_Rebounder_fmiSetBoolean;
decltype(Rebounder_fmiSetString) component_Rebounder_fmiSetString;
decltype(Rebounder_fmiInitialize) component_Rebounder_fmiInitialize;
decltype(Rebounder_fmiGetDerivatives) component_Rebounder_fmiGetDerivatives;
decltype(Rebounder_fmiGetEventIndicators) component_Rebounder_fmiGetEventIndicators;
decltype(Rebounder_fmiGetReal) component_Rebounder_fmiGetReal;
decltype(Rebounder_fmiGetInteger) component_Rebounder_fmiGetInteger;
decltype(Rebounder_fmiGetBoolean) component_Rebounder_fmiGetBoolean;
decltype(Rebounder_fmiGetString) component_Rebounder_fmiGetString;
decltype(Rebounder_fmiEventUpdate) component_Rebounder_fmiEventUpdate;
decltype(Rebounder_fmiGetContinuousStates) component_Rebounder_fmiGetContinuousStates;
decltype(Rebounder_fmiGetNominalContinuousStates) component_Rebounder_fmiGetNominalContinuousStates;
decltype(Rebounder_fmiGetStateValueReferences) component_Rebounder_fmiGetStateValueReferences;
decltype(Rebounder_fmiTerminate) component_Rebounder_fmiTerminate;

const char* Rebounder_fmiGetModelTypesPlatform(void) {
    enterCall(__func__);
    const char* result = component_Rebounder_fmiGetModelTypesPlatform();
    leaveCall(__func__, "result", result);
    return result;
}

const char* Rebounder_fmiGetVersion(void) {
    enterCall(__func__);
    const char* result = component_Rebounder_fmiGetVersion();
    leaveCall(__func__, "result", result);
    return result;
}

// The callbacks come by value in FMI 1.0.
fmiComponent Rebounder_fmiInstantiateModel(fmiString instanceName, fmiString GUID, fmiCallbackFunctions functions,
                                           fmiBoolean loggingOn) {
    enterCall(__func__, "instanceName", instanceName, "GUID", GUID, "logger",
              reinterpret_cast<const void*>(functions.logger), "allocateMemory",
              reinterpret_cast<const void*>(functions.allocateMemory), "freeMemory",
              reinterpret_cast<const void*>(functions.freeMemory), "loggingOn", loggingOn);
    fmiComponent c = component_Rebounder_fmiInstantiateModel(instanceName, GUID, functions, loggingOn);
    leaveCall(__func__, "result", c);
    return c;
}

void Rebounder_fmiFreeModelInstance(fmiComponent c) {
    enterCall(__func__, "c", c);
    component_Rebounder_fmiFreeModelInstance(c);
    leaveCall(__func__, "c", c);
}

fmiStatus Rebounder_fmiSetDebugLogging(fmiComponent c, fmiBoolean loggingOn) {
    enterCall(__func__, "c", c, "loggingOn", loggingOn);
    const fmiStatus status = component_Rebounder_fmiSetDebugLogging(c, loggingOn);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiSetTime(fmiComponent c, fmiReal time) {
    enterCall(__func__, "c", c, "time", time);
    const fmiStatus status = component_Rebounder_fmiSetTime(c, time);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiSetContinuousStates(fmiComponent c, const fmiReal x[], size_t nx) {
    enterCall(__func__, "c", c, "x", items(x, nx), "nx", nx);
    const fmiStatus status = component_Rebounder_fmiSetContinuousStates(c, x, nx);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiCompletedIntegratorStep(fmiComponent c, fmiBoolean* callEventUpdate) {
    enterCall(__func__, "c", c);
    const fmiStatus status = component_Rebounder_fmiCompletedIntegratorStep(c, callEventUpdate);
    leaveCall(__func__, "c", c, "status", status, "callEventUpdate", output(status, callEventUpdate));
    return status;
}

fmiStatus Rebounder_fmiSetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiReal value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "value", items(value, nvr));
    const fmiStatus status = component_Rebounder_fmiSetReal(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiSetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiInteger value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "value", items(value, nvr));
    const fmiStatus status = component_Rebounder_fmiSetInteger(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiSetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiBoolean value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "value", items(value, nvr));
    const fmiStatus status = component_Rebounder_fmiSetBoolean(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiSetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiString value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr, "value", items(value, nvr));
    const fmiStatus status = component_Rebounder_fmiSetString(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmiStatus Rebounder_fmiInitialize(fmiComponent c, fmiBoolean toleranceControlled, fmiReal relativeTolerance,
                                  fmiEventInfo* eventInfo) {
    enterCall(__func__, "c", c, "toleranceControlled", toleranceControlled, "relativeTolerance", relativeTolerance);
    const fmiStatus status = component_Rebounder_fmiInitialize(c, toleranceControlled, relativeTolerance, eventInfo);
    leaveCall(__func__, "c", c, "status", status, "eventInfo", output(status, eventInfo));
    return status;
}

fmiStatus Rebounder_fmiGetDerivatives(fmiComponent c, fmiReal derivatives[], size_t nx) {
    enterCall(__func__, "c", c, "nx", nx);
    const fmiStatus status = component_Rebounder_fmiGetDerivatives(c, derivatives, nx);
    leaveCall(__func__, "c", c, "status", status, "derivatives", outputs(status, derivatives, nx));
    return status;
}

fmiStatus Rebounder_fmiGetEventIndicators(fmiComponent c, fmiReal eventIndicators[], size_t ni) {
    enterCall(__func__, "c", c, "ni", ni);
    const fmiStatus status = component_Rebounder_fmiGetEventIndicators(c, eventIndicators, ni);
    leaveCall(__func__, "c", c, "status", status, "eventIndicators", outputs(status, eventIndicators, ni));
    return status;
}

fmiStatus Rebounder_fmiGetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiReal value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr);
    const fmiStatus status = component_Rebounder_fmiGetReal(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

fmiStatus Rebounder_fmiGetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiInteger value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr);
    const fmiStatus status = component_Rebounder_fmiGetInteger(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

fmiStatus Rebounder_fmiGetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiBoolean value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr);
    const fmiStatus status = component_Rebounder_fmiGetBoolean(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

fmiStatus Rebounder_fmiGetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiString value[]) {
    enterCall(__func__, "c", c, "vr", items(vr, nvr), "nvr", nvr);
    const fmiStatus status = component_Rebounder_fmiGetString(c, vr, nvr, value);
    leaveCall(__func__, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

fmiStatus Rebounder_fmiEventUpdate(fmiComponent c, fmiBoolean intermediateResults, fmiEventInfo* eventInfo) {
    enterCall(__func__, "c", c, "intermediateResults", intermediateResults);
    const fmiStatus status = component_Rebounder_fmiEventUpdate(c, intermediateResults, eventInfo);
    leaveCall(__func__, "c", c, "status", status, "eventInfo", output(status, eventInfo));
    return status;
}

fmiStatus Rebounder_fmiGetContinuousStates(fmiComponent c, fmiReal states[], size_t nx) {
    enterCall(__func__, "c", c, "nx", nx);
    const fmiStatus status = component_Rebounder_fmiGetContinuousStates(c, states, nx);
    leaveCall(__func__, "c", c, "status", status, "states", outputs(status, states, nx));
    return status;
}

fmiStatus Rebounder_fmiGetNominalContinuousStates(fmiComponent c, fmiReal x_nominal[], size_t nx) {
    enterCall(__func__, "c", c, "nx", nx);
    const fmiStatus status = component_Rebounder_fmiGetNominalContinuousStates(c, x_nominal, nx);
    leaveCall(__func__, "c", c, "status", status, "x_nominal", outputs(status, x_nominal, nx));
    return status;
}

fmiStatus Rebounder_fmiGetStateValueReferences(fmiComponent c, fmiValueReference vrx[], size_t nx) {
    enterCall(__func__, "c", c, "nx", nx);
    const fmiStatus status = component_Rebounder_fmiGetStateValueReferences(c, vrx, nx);
    leaveCall(__func__, "c", c, "status", status, "vrx", outputs(status, vrx, nx));
    return status;
}

fmiStatus Rebounder_fmiTerminate(fmiComponent c) {
    enterCall(__func__, "c", c);
    const fmiStatus status = component_Rebounder_fmiTerminate(c);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

}  // extern "C"
