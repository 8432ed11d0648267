// The recording build's FMI 1.0 exports (tressivo, prefix Rebounder_): each
// writes the host's call to the record, runs the component's own function
// (built under the name component_<export>), and writes what it returned.
#include "recorded_calls.h"

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
    return textQuery<component_Rebounder_fmiGetModelTypesPlatform>(__func__);
}

const char* Rebounder_fmiGetVersion(void) { return textQuery<component_Rebounder_fmiGetVersion>(__func__); }

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

void Rebounder_fmiFreeModelInstance(fmiComponent c) { freeCall<component_Rebounder_fmiFreeModelInstance>(__func__, c); }

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
    return pointerOutput<component_Rebounder_fmiCompletedIntegratorStep>(__func__, c, "callEventUpdate",
                                                                         callEventUpdate);
}

fmiStatus Rebounder_fmiSetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiReal value[]) {
    return writeValues<component_Rebounder_fmiSetReal>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiInteger value[]) {
    return writeValues<component_Rebounder_fmiSetInteger>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiBoolean value[]) {
    return writeValues<component_Rebounder_fmiSetBoolean>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiString value[]) {
    return writeValues<component_Rebounder_fmiSetString>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiInitialize(fmiComponent c, fmiBoolean toleranceControlled, fmiReal relativeTolerance,
                                  fmiEventInfo* eventInfo) {
    enterCall(__func__, "c", c, "toleranceControlled", toleranceControlled, "relativeTolerance", relativeTolerance);
    const fmiStatus status = component_Rebounder_fmiInitialize(c, toleranceControlled, relativeTolerance, eventInfo);
    leaveCall(__func__, "c", c, "status", status, "eventInfo", output(status, eventInfo));
    return status;
}

fmiStatus Rebounder_fmiGetDerivatives(fmiComponent c, fmiReal derivatives[], size_t nx) {
    return readArray<component_Rebounder_fmiGetDerivatives>(__func__, c, "derivatives", derivatives, "nx", nx);
}

fmiStatus Rebounder_fmiGetEventIndicators(fmiComponent c, fmiReal eventIndicators[], size_t ni) {
    return readArray<component_Rebounder_fmiGetEventIndicators>(__func__, c, "eventIndicators", eventIndicators, "ni",
                                                                ni);
}

fmiStatus Rebounder_fmiGetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiReal value[]) {
    return readValues<component_Rebounder_fmiGetReal>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiGetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiInteger value[]) {
    return readValues<component_Rebounder_fmiGetInteger>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiGetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiBoolean value[]) {
    return readValues<component_Rebounder_fmiGetBoolean>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiGetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiString value[]) {
    return readValues<component_Rebounder_fmiGetString>(__func__, c, vr, nvr, value);
}

fmiStatus Rebounder_fmiEventUpdate(fmiComponent c, fmiBoolean intermediateResults, fmiEventInfo* eventInfo) {
    enterCall(__func__, "c", c, "intermediateResults", intermediateResults);
    const fmiStatus status = component_Rebounder_fmiEventUpdate(c, intermediateResults, eventInfo);
    leaveCall(__func__, "c", c, "status", status, "eventInfo", output(status, eventInfo));
    return status;
}

fmiStatus Rebounder_fmiGetContinuousStates(fmiComponent c, fmiReal states[], size_t nx) {
    return readArray<component_Rebounder_fmiGetContinuousStates>(__func__, c, "states", states, "nx", nx);
}

fmiStatus Rebounder_fmiGetNominalContinuousStates(fmiComponent c, fmiReal x_nominal[], size_t nx) {
    return readArray<component_Rebounder_fmiGetNominalContinuousStates>(__func__, c, "x_nominal", x_nominal, "nx", nx);
}

fmiStatus Rebounder_fmiGetStateValueReferences(fmiComponent c, fmiValueReference vrx[], size_t nx) {
    return readArray<component_Rebounder_fmiGetStateValueReferences>(__func__, c, "vrx", vrx, "nx", nx);
}

fmiStatus Rebounder_fmiTerminate(fmiComponent c) { return instanceCall<component_Rebounder_fmiTerminate>(__func__, c); }

}  // extern "C"
