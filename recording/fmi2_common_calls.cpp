// The recording build's FMI 2.0 exports that model exchange and
// co-simulation share: each writes the host's call to the record, runs the
// component's own function (built under the name component_<export>), and
// writes what it returned.
#include "recorded_calls.h"

using namespace recording;

extern "C" {

decltype(fmi2GetTypesPlatform) component_fmi2GetTypesPlatform;
decltype(fmi2GetVersion) component_fmi2GetVersion;
decltype(fmi2Instantiate) component_fmi2Instantiate;
decltype(fmi2FreeInstance) component_fmi2FreeInstance;
decltype(fmi2SetDebugLogging) component_fmi2SetDebugLogging;
decltype(fmi2SetupExperiment) component_fmi2SetupExperiment;
decltype(fmi2EnterInitializationMode) component_fmi2EnterInitializationMode;
decltype(fmi2ExitInitializationMode) component_fmi2ExitInitializationMode;
decltype(fmi2Terminate) component_fmi2Terminate;
decltype(fmi2Reset) component_fmi2Reset;
decltype(fmi2GetReal) component_fmi2GetReal;
decltype(fmi2GetInteger) component_fmi2GetInteger;
decltype(fmi2GetBoolean) component_fmi2GetBoolean;
decltype(fmi2GetString) component_fmi2GetString;
decltype(fmi2SetReal) component_fmi2SetReal;
decltype(fmi2SetInteger) component_fmi2SetInteger;
decltype(fmi2SetBoolean) component_fmi2SetBoolean;
decltype(fmi2SetString) component_fmi2SetString;

const char* fmi2GetTypesPlatform(void) { return textQuery<component_fmi2GetTypesPlatform>(__func__); }

const char* fmi2GetVersion(void) { return textQuery<component_fmi2GetVersion>(__func__); }

fmi2Component fmi2Instantiate(fmi2String instanceName, fmi2Type fmuType, fmi2String fmuGUID,
                              fmi2String fmuResourceLocation, const fmi2CallbackFunctions* functions,
                              fmi2Boolean visible, fmi2Boolean loggingOn) {
    if (functions == nullptr) {
        enterCall(__func__, "instanceName", instanceName, "fmuType", fmuType, "fmuGUID", fmuGUID, "fmuResourceLocation",
                  fmuResourceLocation, "functions", functions, "visible", visible, "loggingOn", loggingOn);
    } else {
        enterCall(__func__, "instanceName", instanceName, "fmuType", fmuType, "fmuGUID", fmuGUID, "fmuResourceLocation",
                  fmuResourceLocation, "functions", functions, "logger",
                  reinterpret_cast<const void*>(functions->logger), "allocateMemory",
                  reinterpret_cast<const void*>(functions->allocateMemory), "freeMemory",
                  reinterpret_cast<const void*>(functions->freeMemory), "stepFinished",
                  reinterpret_cast<const void*>(functions->stepFinished), "componentEnvironment",
                  functions->componentEnvironment, "visible", visible, "loggingOn", loggingOn);
    }
    fmi2Component c =
        component_fmi2Instantiate(instanceName, fmuType, fmuGUID, fmuResourceLocation, functions, visible, loggingOn);
    leaveCall(__func__, "result", c);
    return c;
}

void fmi2FreeInstance(fmi2Component c) { freeCall<component_fmi2FreeInstance>(__func__, c); }

fmi2Status fmi2SetDebugLogging(fmi2Component c, fmi2Boolean loggingOn, size_t nCategories,
                               const fmi2String categories[]) {
    enterCall(__func__, "c", c, "loggingOn", loggingOn, "nCategories", nCategories, "categories",
              items(categories, nCategories));
    const fmi2Status status = component_fmi2SetDebugLogging(c, loggingOn, nCategories, categories);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2SetupExperiment(fmi2Component c, fmi2Boolean toleranceDefined, fmi2Real tolerance, fmi2Real startTime,
                               fmi2Boolean stopTimeDefined, fmi2Real stopTime) {
    enterCall(__func__, "c", c, "toleranceDefined", toleranceDefined, "tolerance", tolerance, "startTime", startTime,
              "stopTimeDefined", stopTimeDefined, "stopTime", stopTime);
    const fmi2Status status =
        component_fmi2SetupExperiment(c, toleranceDefined, tolerance, startTime, stopTimeDefined, stopTime);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2EnterInitializationMode(fmi2Component c) {
    return instanceCall<component_fmi2EnterInitializationMode>(__func__, c);
}

fmi2Status fmi2ExitInitializationMode(fmi2Component c) {
    return instanceCall<component_fmi2ExitInitializationMode>(__func__, c);
}

fmi2Status fmi2Terminate(fmi2Component c) { return instanceCall<component_fmi2Terminate>(__func__, c); }

fmi2Status fmi2Reset(fmi2Component c) { return instanceCall<component_fmi2Reset>(__func__, c); }

fmi2Status fmi2GetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Real value[]) {
    return readValues<component_fmi2GetReal>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2GetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Integer value[]) {
    return readValues<component_fmi2GetInteger>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2GetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Boolean value[]) {
    return readValues<component_fmi2GetBoolean>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2GetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2String value[]) {
    return readValues<component_fmi2GetString>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2SetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Real value[]) {
    return writeValues<component_fmi2SetReal>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2SetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Integer value[]) {
    return writeValues<component_fmi2SetInteger>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2SetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Boolean value[]) {
    return writeValues<component_fmi2SetBoolean>(__func__, c, vr, nvr, value);
}

fmi2Status fmi2SetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2String value[]) {
    return writeValues<component_fmi2SetString>(__func__, c, vr, nvr, value);
}

}  // extern "C"
