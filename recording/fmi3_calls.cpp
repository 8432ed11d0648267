// The recording build's FMI 3.0 exports (varnelle, both interfaces in one
// library): each writes the host's call to the record, runs the component's
// own function (built under the name component_<export>), and writes what it
// returned. Booleans the host passes are written as their bytes; the
// instance is the key "c", as in the records of the other versions.
#include "recorded_calls.h"

using namespace recording;

namespace {

// Getters by value reference: the references in, nValues values out.
template <auto component, typename Value>
fmi3Status getValues(const char* function, fmi3Instance c, const fmi3ValueReference valueReferences[],
                     size_t nValueReferences, Value values[], size_t nValues) {
    enterCall(function, "c", c, "valueReferences", items(valueReferences, nValueReferences), "nValueReferences",
              nValueReferences, "nValues", nValues);
    const fmi3Status status = component(c, valueReferences, nValueReferences, values, nValues);
    leaveCall(function, "c", c, "status", status, "values", outputs(status, asRecorded(values), nValues));
    return status;
}

// Setters by value reference: the references and nValues values in.
template <auto component, typename Value>
fmi3Status setValues(const char* function, fmi3Instance c, const fmi3ValueReference valueReferences[],
                     size_t nValueReferences, const Value values[], size_t nValues) {
    enterCall(function, "c", c, "valueReferences", items(valueReferences, nValueReferences), "nValueReferences",
              nValueReferences, "values", items(asRecorded(values), nValues), "nValues", nValues);
    const fmi3Status status = component(c, valueReferences, nValueReferences, values, nValues);
    leaveCall(function, "c", c, "status", status);
    return status;
}

// The model-exchange arrays the component fills, with their count.
template <auto component>
fmi3Status readArray(const char* function, fmi3Instance c, const char* key, fmi3Float64 values[],
                     const char* countKey, size_t count) {
    enterCall(function, "c", c, countKey, count);
    const fmi3Status status = component(c, values, count);
    leaveCall(function, "c", c, "status", status, key, outputs(status, values, count));
    return status;
}

// The clock and FMU-state functions varnelle does not provide: the call and
// its status, its arguments by reference only.
template <auto component, typename... Arguments>
fmi3Status refusedCall(const char* function, fmi3Instance c, Arguments... arguments) {
    enterCall(function, "c", c);
    const fmi3Status status = component(c, arguments...);
    leaveCall(function, "c", c, "status", status);
    return status;
}

}  // namespace

extern "C" {

decltype(fmi3GetVersion) component_fmi3GetVersion;
decltype(fmi3SetDebugLogging) component_fmi3SetDebugLogging;
decltype(fmi3InstantiateModelExchange) component_fmi3InstantiateModelExchange;
decltype(fmi3InstantiateCoSimulation) component_fmi3InstantiateCoSimulation;
decltype(fmi3InstantiateScheduledExecution) component_fmi3InstantiateScheduledExecution;
decltype(fmi3FreeInstance) component_fmi3FreeInstance;
decltype(fmi3EnterInitializationMode) component_fmi3EnterInitializationMode;
decltype(fmi3ExitInitializationMode) component_fmi3ExitInitializationMode;
decltype(fmi3EnterEventMode) component_fmi3EnterEventMode;
decltype(fmi3Terminate) component_fmi3Terminate;
decltype(fmi3Reset) component_fmi3Reset;
decltype(fmi3GetFloat32) component_fmi3GetFloat32;
decltype(fmi3GetFloat64) component_fmi3GetFloat64;
decltype(fmi3GetInt8) component_fmi3GetInt8;
decltype(fmi3GetUInt8) component_fmi3GetUInt8;
decltype(fmi3GetInt16) component_fmi3GetInt16;
decltype(fmi3GetUInt16) component_fmi3GetUInt16;
decltype(fmi3GetInt32) component_fmi3GetInt32;
decltype(fmi3GetUInt32) component_fmi3GetUInt32;
decltype(fmi3GetInt64) component_fmi3GetInt64;
decltype(fmi3GetUInt64) component_fmi3GetUInt64;
decltype(fmi3GetBoolean) component_fmi3GetBoolean;
decltype(fmi3GetString) component_fmi3GetString;
decltype(fmi3GetBinary) component_fmi3GetBinary;
decltype(fmi3GetClock) component_fmi3GetClock;
decltype(fmi3SetFloat32) component_fmi3SetFloat32;
decltype(fmi3SetFloat64) component_fmi3SetFloat64;
decltype(fmi3SetInt8) component_fmi3SetInt8;
decltype(fmi3SetUInt8) component_fmi3SetUInt8;
decltype(fmi3SetInt16) component_fmi3SetInt16;
decltype(fmi3SetUInt16) component_fmi3SetUInt16;
decltype(fmi3SetInt32) component_fmi3SetInt32;
decltype(fmi3SetUInt32) component_fmi3SetUInt32;
decltype(fmi3SetInt64) component_fmi3SetInt64;
decltype(fmi3SetUInt64) component_fmi3SetUInt64;
decltype(fmi3SetBoolean) component_fmi3SetBoolean;
decltype(fmi3SetString) component_fmi3SetString;
decltype(fmi3SetBinary) component_fmi3SetBinary;
decltype(fmi3SetClock) component_fmi3SetClock;
decltype(fmi3GetNumberOfVariableDependencies) component_fmi3GetNumberOfVariableDependencies;
decltype(fmi3GetVariableDependencies) component_fmi3GetVariableDependencies;
decltype(fmi3GetFMUState) component_fmi3GetFMUState;
decltype(fmi3SetFMUState) component_fmi3SetFMUState;
decltype(fmi3FreeFMUState) component_fmi3FreeFMUState;
decltype(fmi3SerializedFMUStateSize) component_fmi3SerializedFMUStateSize;
decltype(fmi3SerializeFMUState) component_fmi3SerializeFMUState;
decltype(fmi3DeserializeFMUState) component_fmi3DeserializeFMUState;
decltype(fmi3GetDirectionalDerivative) component_fmi3GetDirectionalDerivative;
decltype(fmi3GetAdjointDerivative) component_fmi3GetAdjointDerivative;
decltype(fmi3EnterConfigurationMode) component_fmi3EnterConfigurationMode;
decltype(fmi3ExitConfigurationMode) component_fmi3ExitConfigurationMode;
decltype(fmi3GetIntervalDecimal) component_fmi3GetIntervalDecimal;
decltype(fmi3GetIntervalFraction) component_fmi3GetIntervalFraction;
decltype(fmi3GetShiftDecimal) component_fmi3GetShiftDecimal;
decltype(fmi3GetShiftFraction) component_fmi3GetShiftFraction;
decltype(fmi3SetIntervalDecimal) component_fmi3SetIntervalDecimal;
decltype(fmi3SetIntervalFraction) component_fmi3SetIntervalFraction;
decltype(fmi3SetShiftDecimal) component_fmi3SetShiftDecimal;
decltype(fmi3SetShiftFraction) component_fmi3SetShiftFraction;
decltype(fmi3EvaluateDiscreteStates) component_fmi3EvaluateDiscreteStates;
decltype(fmi3UpdateDiscreteStates) component_fmi3UpdateDiscreteStates;
decltype(fmi3EnterContinuousTimeMode) component_fmi3EnterContinuousTimeMode;
decltype(fmi3CompletedIntegratorStep) component_fmi3CompletedIntegratorStep;
decltype(fmi3SetTime) component_fmi3SetTime;
decltype(fmi3SetContinuousStates) component_fmi3SetContinuousStates;
decltype(fmi3GetContinuousStateDerivatives) component_fmi3GetContinuousStateDerivatives;
decltype(fmi3GetEventIndicators) component_fmi3GetEventIndicators;
decltype(fmi3GetContinuousStates) component_fmi3GetContinuousStates;
decltype(fmi3GetNominalsOfContinuousStates) component_fmi3GetNominalsOfContinuousStates;
decltype(fmi3GetNumberOfEventIndicators) component_fmi3GetNumberOfEventIndicators;
decltype(fmi3GetNumberOfContinuousStates) component_fmi3GetNumberOfContinuousStates;
decltype(fmi3EnterStepMode) component_fmi3EnterStepMode;
decltype(fmi3GetOutputDerivatives) component_fmi3GetOutputDerivatives;
decltype(fmi3DoStep) component_fmi3DoStep;
decltype(fmi3ActivateModelPartition) component_fmi3ActivateModelPartition;

// ---- Version, logging, instances ------------------------------------------

const char* fmi3GetVersion(void) { return textQuery<component_fmi3GetVersion>(__func__); }

fmi3Status fmi3SetDebugLogging(fmi3Instance c, fmi3Boolean loggingOn, size_t nCategories,
                               const fmi3String categories[]) {
    enterCall(__func__, "c", c, "loggingOn", byteOf(loggingOn), "nCategories", nCategories, "categories",
              items(categories, nCategories));
    const fmi3Status status = component_fmi3SetDebugLogging(c, loggingOn, nCategories, categories);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi3Instance fmi3InstantiateModelExchange(fmi3String instanceName, fmi3String instantiationToken,
                                          fmi3String resourcePath, fmi3Boolean visible, fmi3Boolean loggingOn,
                                          fmi3InstanceEnvironment instanceEnvironment,
                                          fmi3LogMessageCallback logMessage) {
    enterCall(__func__, "instanceName", instanceName, "instantiationToken", instantiationToken, "resourcePath",
              resourcePath, "visible", byteOf(visible), "loggingOn", byteOf(loggingOn), "instanceEnvironment",
              instanceEnvironment, "logMessage", reinterpret_cast<const void*>(logMessage));
    fmi3Instance c = component_fmi3InstantiateModelExchange(instanceName, instantiationToken, resourcePath, visible,
                                                            loggingOn, instanceEnvironment, logMessage);
    leaveCall(__func__, "result", c);
    return c;
}

fmi3Instance fmi3InstantiateCoSimulation(fmi3String instanceName, fmi3String instantiationToken,
                                         fmi3String resourcePath, fmi3Boolean visible, fmi3Boolean loggingOn,
                                         fmi3Boolean eventModeUsed, fmi3Boolean earlyReturnAllowed,
                                         const fmi3ValueReference requiredIntermediateVariables[],
                                         size_t nRequiredIntermediateVariables,
                                         fmi3InstanceEnvironment instanceEnvironment,
                                         fmi3LogMessageCallback logMessage,
                                         fmi3IntermediateUpdateCallback intermediateUpdate) {
    enterCall(__func__, "instanceName", instanceName, "instantiationToken", instantiationToken, "resourcePath",
              resourcePath, "visible", byteOf(visible), "loggingOn", byteOf(loggingOn), "eventModeUsed",
              byteOf(eventModeUsed), "earlyReturnAllowed", byteOf(earlyReturnAllowed),
              "requiredIntermediateVariables",
              items(requiredIntermediateVariables, nRequiredIntermediateVariables),
              "nRequiredIntermediateVariables", nRequiredIntermediateVariables, "instanceEnvironment",
              instanceEnvironment, "logMessage", reinterpret_cast<const void*>(logMessage), "intermediateUpdate",
              reinterpret_cast<const void*>(intermediateUpdate));
    fmi3Instance c = component_fmi3InstantiateCoSimulation(
        instanceName, instantiationToken, resourcePath, visible, loggingOn, eventModeUsed, earlyReturnAllowed,
        requiredIntermediateVariables, nRequiredIntermediateVariables, instanceEnvironment, logMessage,
        intermediateUpdate);
    leaveCall(__func__, "result", c);
    return c;
}

fmi3Instance fmi3InstantiateScheduledExecution(fmi3String instanceName, fmi3String instantiationToken,
                                               fmi3String resourcePath, fmi3Boolean visible, fmi3Boolean loggingOn,
                                               fmi3InstanceEnvironment instanceEnvironment,
                                               fmi3LogMessageCallback logMessage, fmi3ClockUpdateCallback clockUpdate,
                                               fmi3LockPreemptionCallback lockPreemption,
                                               fmi3UnlockPreemptionCallback unlockPreemption) {
    enterCall(__func__, "instanceName", instanceName, "instantiationToken", instantiationToken, "resourcePath",
              resourcePath, "visible", byteOf(visible), "loggingOn", byteOf(loggingOn), "instanceEnvironment",
              instanceEnvironment, "logMessage", reinterpret_cast<const void*>(logMessage));
    fmi3Instance c =
        component_fmi3InstantiateScheduledExecution(instanceName, instantiationToken, resourcePath, visible, loggingOn,
                                                    instanceEnvironment, logMessage, clockUpdate, lockPreemption,
                                                    unlockPreemption);
    leaveCall(__func__, "result", c);
    return c;
}

void fmi3FreeInstance(fmi3Instance c) { freeCall<component_fmi3FreeInstance>(__func__, c); }

// ---- Initialisation, event mode, termination, reset ---------------------------

fmi3Status fmi3EnterInitializationMode(fmi3Instance c, fmi3Boolean toleranceDefined, fmi3Float64 tolerance,
                                       fmi3Float64 startTime, fmi3Boolean stopTimeDefined, fmi3Float64 stopTime) {
    enterCall(__func__, "c", c, "toleranceDefined", byteOf(toleranceDefined), "tolerance", tolerance, "startTime",
              startTime, "stopTimeDefined", byteOf(stopTimeDefined), "stopTime", stopTime);
    const fmi3Status status =
        component_fmi3EnterInitializationMode(c, toleranceDefined, tolerance, startTime, stopTimeDefined, stopTime);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi3Status fmi3ExitInitializationMode(fmi3Instance c) {
    return instanceCall<component_fmi3ExitInitializationMode>(__func__, c);
}

fmi3Status fmi3EnterEventMode(fmi3Instance c) { return instanceCall<component_fmi3EnterEventMode>(__func__, c); }

fmi3Status fmi3Terminate(fmi3Instance c) { return instanceCall<component_fmi3Terminate>(__func__, c); }

fmi3Status fmi3Reset(fmi3Instance c) { return instanceCall<component_fmi3Reset>(__func__, c); }

// ---- Variable values ------------------------------------------------------------

fmi3Status fmi3GetFloat32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Float32 v[], size_t n) {
    return getValues<component_fmi3GetFloat32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetFloat64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Float64 v[], size_t n) {
    return getValues<component_fmi3GetFloat64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetInt8(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Int8 v[], size_t n) {
    return getValues<component_fmi3GetInt8>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetUInt8(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt8 v[], size_t n) {
    return getValues<component_fmi3GetUInt8>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetInt16(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Int16 v[], size_t n) {
    return getValues<component_fmi3GetInt16>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetUInt16(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt16 v[], size_t n) {
    return getValues<component_fmi3GetUInt16>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetInt32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Int32 v[], size_t n) {
    return getValues<component_fmi3GetInt32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetUInt32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt32 v[], size_t n) {
    return getValues<component_fmi3GetUInt32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetInt64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Int64 v[], size_t n) {
    return getValues<component_fmi3GetInt64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetUInt64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt64 v[], size_t n) {
    return getValues<component_fmi3GetUInt64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetBoolean(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Boolean v[], size_t n) {
    return getValues<component_fmi3GetBoolean>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3GetString(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3String v[], size_t n) {
    return getValues<component_fmi3GetString>(__func__, c, vr, nvr, v, n);
}

fmi3Status fmi3SetFloat32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Float32 v[],
                          size_t n) {
    return setValues<component_fmi3SetFloat32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetFloat64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Float64 v[],
                          size_t n) {
    return setValues<component_fmi3SetFloat64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetInt8(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Int8 v[], size_t n) {
    return setValues<component_fmi3SetInt8>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetUInt8(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3UInt8 v[], size_t n) {
    return setValues<component_fmi3SetUInt8>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetInt16(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Int16 v[], size_t n) {
    return setValues<component_fmi3SetInt16>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetUInt16(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3UInt16 v[],
                         size_t n) {
    return setValues<component_fmi3SetUInt16>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetInt32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Int32 v[], size_t n) {
    return setValues<component_fmi3SetInt32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetUInt32(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3UInt32 v[],
                         size_t n) {
    return setValues<component_fmi3SetUInt32>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetInt64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Int64 v[], size_t n) {
    return setValues<component_fmi3SetInt64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetUInt64(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3UInt64 v[],
                         size_t n) {
    return setValues<component_fmi3SetUInt64>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetBoolean(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Boolean v[],
                          size_t n) {
    return setValues<component_fmi3SetBoolean>(__func__, c, vr, nvr, v, n);
}
fmi3Status fmi3SetString(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3String v[], size_t n) {
    return setValues<component_fmi3SetString>(__func__, c, vr, nvr, v, n);
}

// Binaries: each value's size beside it; the bytes themselves are not
// recorded, their sizes are.
fmi3Status fmi3GetBinary(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, size_t valueSizes[],
                         fmi3Binary values[], size_t nValues) {
    enterCall(__func__, "c", c, "valueReferences", items(vr, nvr), "nValueReferences", nvr, "nValues", nValues);
    const fmi3Status status = component_fmi3GetBinary(c, vr, nvr, valueSizes, values, nValues);
    leaveCall(__func__, "c", c, "status", status, "valueSizes", outputs(status, valueSizes, nValues));
    return status;
}

fmi3Status fmi3SetBinary(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const size_t valueSizes[],
                         const fmi3Binary values[], size_t nValues) {
    enterCall(__func__, "c", c, "valueReferences", items(vr, nvr), "nValueReferences", nvr, "valueSizes",
              items(valueSizes, nValues), "nValues", nValues);
    const fmi3Status status = component_fmi3SetBinary(c, vr, nvr, valueSizes, values, nValues);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

// Clocks have no count of their own: one per value reference.
fmi3Status fmi3GetClock(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Clock values[]) {
    enterCall(__func__, "c", c, "valueReferences", items(vr, nvr), "nValueReferences", nvr);
    const fmi3Status status = component_fmi3GetClock(c, vr, nvr, values);
    leaveCall(__func__, "c", c, "status", status, "values", outputs(status, asRecorded(values), nvr));
    return status;
}

fmi3Status fmi3SetClock(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Clock values[]) {
    enterCall(__func__, "c", c, "valueReferences", items(vr, nvr), "nValueReferences", nvr, "values",
              items(asRecorded(values), nvr));
    const fmi3Status status = component_fmi3SetClock(c, vr, nvr, values);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

// ---- What varnelle does not provide: dependencies, FMU state, derivatives,
// configuration, clock intervals, scheduled execution ----------------------------

fmi3Status fmi3GetNumberOfVariableDependencies(fmi3Instance c, fmi3ValueReference valueReference,
                                               size_t* nDependencies) {
    return refusedCall<component_fmi3GetNumberOfVariableDependencies>(__func__, c, valueReference, nDependencies);
}
fmi3Status fmi3GetVariableDependencies(fmi3Instance c, fmi3ValueReference dependent,
                                       size_t elementIndicesOfDependent[], fmi3ValueReference independents[],
                                       size_t elementIndicesOfIndependents[], fmi3DependencyKind dependencyKinds[],
                                       size_t nDependencies) {
    return refusedCall<component_fmi3GetVariableDependencies>(__func__, c, dependent, elementIndicesOfDependent,
                                                              independents, elementIndicesOfIndependents,
                                                              dependencyKinds, nDependencies);
}
fmi3Status fmi3GetFMUState(fmi3Instance c, fmi3FMUState* FMUState) {
    return refusedCall<component_fmi3GetFMUState>(__func__, c, FMUState);
}
fmi3Status fmi3SetFMUState(fmi3Instance c, fmi3FMUState FMUState) {
    return refusedCall<component_fmi3SetFMUState>(__func__, c, FMUState);
}
fmi3Status fmi3FreeFMUState(fmi3Instance c, fmi3FMUState* FMUState) {
    return refusedCall<component_fmi3FreeFMUState>(__func__, c, FMUState);
}
fmi3Status fmi3SerializedFMUStateSize(fmi3Instance c, fmi3FMUState FMUState, size_t* size) {
    return refusedCall<component_fmi3SerializedFMUStateSize>(__func__, c, FMUState, size);
}
fmi3Status fmi3SerializeFMUState(fmi3Instance c, fmi3FMUState FMUState, fmi3Byte serializedState[], size_t size) {
    return refusedCall<component_fmi3SerializeFMUState>(__func__, c, FMUState, serializedState, size);
}
fmi3Status fmi3DeserializeFMUState(fmi3Instance c, const fmi3Byte serializedState[], size_t size,
                                   fmi3FMUState* FMUState) {
    return refusedCall<component_fmi3DeserializeFMUState>(__func__, c, serializedState, size, FMUState);
}
fmi3Status fmi3GetDirectionalDerivative(fmi3Instance c, const fmi3ValueReference unknowns[], size_t nUnknowns,
                                        const fmi3ValueReference knowns[], size_t nKnowns, const fmi3Float64 seed[],
                                        size_t nSeed, fmi3Float64 sensitivity[], size_t nSensitivity) {
    return refusedCall<component_fmi3GetDirectionalDerivative>(__func__, c, unknowns, nUnknowns, knowns, nKnowns,
                                                               seed, nSeed, sensitivity, nSensitivity);
}
fmi3Status fmi3GetAdjointDerivative(fmi3Instance c, const fmi3ValueReference unknowns[], size_t nUnknowns,
                                    const fmi3ValueReference knowns[], size_t nKnowns, const fmi3Float64 seed[],
                                    size_t nSeed, fmi3Float64 sensitivity[], size_t nSensitivity) {
    return refusedCall<component_fmi3GetAdjointDerivative>(__func__, c, unknowns, nUnknowns, knowns, nKnowns, seed,
                                                           nSeed, sensitivity, nSensitivity);
}
fmi3Status fmi3EnterConfigurationMode(fmi3Instance c) {
    return instanceCall<component_fmi3EnterConfigurationMode>(__func__, c);
}
fmi3Status fmi3ExitConfigurationMode(fmi3Instance c) {
    return instanceCall<component_fmi3ExitConfigurationMode>(__func__, c);
}
fmi3Status fmi3GetIntervalDecimal(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Float64 intervals[],
                                  fmi3IntervalQualifier qualifiers[]) {
    return refusedCall<component_fmi3GetIntervalDecimal>(__func__, c, vr, nvr, intervals, qualifiers);
}
fmi3Status fmi3GetIntervalFraction(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt64 counters[],
                                   fmi3UInt64 resolutions[], fmi3IntervalQualifier qualifiers[]) {
    return refusedCall<component_fmi3GetIntervalFraction>(__func__, c, vr, nvr, counters, resolutions, qualifiers);
}
fmi3Status fmi3GetShiftDecimal(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3Float64 shifts[]) {
    return refusedCall<component_fmi3GetShiftDecimal>(__func__, c, vr, nvr, shifts);
}
fmi3Status fmi3GetShiftFraction(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, fmi3UInt64 counters[],
                                fmi3UInt64 resolutions[]) {
    return refusedCall<component_fmi3GetShiftFraction>(__func__, c, vr, nvr, counters, resolutions);
}
fmi3Status fmi3SetIntervalDecimal(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr,
                                  const fmi3Float64 intervals[]) {
    return refusedCall<component_fmi3SetIntervalDecimal>(__func__, c, vr, nvr, intervals);
}
fmi3Status fmi3SetIntervalFraction(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr,
                                   const fmi3UInt64 counters[], const fmi3UInt64 resolutions[]) {
    return refusedCall<component_fmi3SetIntervalFraction>(__func__, c, vr, nvr, counters, resolutions);
}
fmi3Status fmi3SetShiftDecimal(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr, const fmi3Float64 shifts[]) {
    return refusedCall<component_fmi3SetShiftDecimal>(__func__, c, vr, nvr, shifts);
}
fmi3Status fmi3SetShiftFraction(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr,
                                const fmi3UInt64 counters[], const fmi3UInt64 resolutions[]) {
    return refusedCall<component_fmi3SetShiftFraction>(__func__, c, vr, nvr, counters, resolutions);
}
fmi3Status fmi3ActivateModelPartition(fmi3Instance c, fmi3ValueReference clockReference,
                                      fmi3Float64 activationTime) {
    enterCall(__func__, "c", c, "clockReference", clockReference, "activationTime", activationTime);
    const fmi3Status status = component_fmi3ActivateModelPartition(c, clockReference, activationTime);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

// ---- Discrete states and model exchange ---------------------------------------

fmi3Status fmi3EvaluateDiscreteStates(fmi3Instance c) {
    return instanceCall<component_fmi3EvaluateDiscreteStates>(__func__, c);
}

fmi3Status fmi3UpdateDiscreteStates(fmi3Instance c, fmi3Boolean* discreteStatesNeedUpdate,
                                    fmi3Boolean* terminateSimulation, fmi3Boolean* nominalsOfContinuousStatesChanged,
                                    fmi3Boolean* valuesOfContinuousStatesChanged, fmi3Boolean* nextEventTimeDefined,
                                    fmi3Float64* nextEventTime) {
    enterCall(__func__, "c", c);
    const fmi3Status status =
        component_fmi3UpdateDiscreteStates(c, discreteStatesNeedUpdate, terminateSimulation,
                                           nominalsOfContinuousStatesChanged, valuesOfContinuousStatesChanged,
                                           nextEventTimeDefined, nextEventTime);
    leaveCall(__func__, "c", c, "status", status, "discreteStatesNeedUpdate",
              output(status, asRecorded(discreteStatesNeedUpdate)), "terminateSimulation",
              output(status, asRecorded(terminateSimulation)), "nominalsOfContinuousStatesChanged",
              output(status, asRecorded(nominalsOfContinuousStatesChanged)), "valuesOfContinuousStatesChanged",
              output(status, asRecorded(valuesOfContinuousStatesChanged)), "nextEventTimeDefined",
              output(status, asRecorded(nextEventTimeDefined)), "nextEventTime", output(status, nextEventTime));
    return status;
}

fmi3Status fmi3EnterContinuousTimeMode(fmi3Instance c) {
    return instanceCall<component_fmi3EnterContinuousTimeMode>(__func__, c);
}

fmi3Status fmi3CompletedIntegratorStep(fmi3Instance c, fmi3Boolean noSetFMUStatePriorToCurrentPoint,
                                       fmi3Boolean* enterEventMode, fmi3Boolean* terminateSimulation) {
    enterCall(__func__, "c", c, "noSetFMUStatePriorToCurrentPoint", byteOf(noSetFMUStatePriorToCurrentPoint));
    const fmi3Status status =
        component_fmi3CompletedIntegratorStep(c, noSetFMUStatePriorToCurrentPoint, enterEventMode, terminateSimulation);
    leaveCall(__func__, "c", c, "status", status, "enterEventMode", output(status, asRecorded(enterEventMode)),
              "terminateSimulation", output(status, asRecorded(terminateSimulation)));
    return status;
}

fmi3Status fmi3SetTime(fmi3Instance c, fmi3Float64 time) {
    enterCall(__func__, "c", c, "time", time);
    const fmi3Status status = component_fmi3SetTime(c, time);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi3Status fmi3SetContinuousStates(fmi3Instance c, const fmi3Float64 continuousStates[], size_t nContinuousStates) {
    enterCall(__func__, "c", c, "continuousStates", items(continuousStates, nContinuousStates), "nContinuousStates",
              nContinuousStates);
    const fmi3Status status = component_fmi3SetContinuousStates(c, continuousStates, nContinuousStates);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi3Status fmi3GetContinuousStateDerivatives(fmi3Instance c, fmi3Float64 derivatives[], size_t nContinuousStates) {
    return readArray<component_fmi3GetContinuousStateDerivatives>(__func__, c, "derivatives", derivatives,
                                                                  "nContinuousStates", nContinuousStates);
}
fmi3Status fmi3GetEventIndicators(fmi3Instance c, fmi3Float64 eventIndicators[], size_t nEventIndicators) {
    return readArray<component_fmi3GetEventIndicators>(__func__, c, "eventIndicators", eventIndicators,
                                                       "nEventIndicators", nEventIndicators);
}
fmi3Status fmi3GetContinuousStates(fmi3Instance c, fmi3Float64 continuousStates[], size_t nContinuousStates) {
    return readArray<component_fmi3GetContinuousStates>(__func__, c, "continuousStates", continuousStates,
                                                        "nContinuousStates", nContinuousStates);
}
fmi3Status fmi3GetNominalsOfContinuousStates(fmi3Instance c, fmi3Float64 nominals[], size_t nContinuousStates) {
    return readArray<component_fmi3GetNominalsOfContinuousStates>(__func__, c, "nominals", nominals,
                                                                  "nContinuousStates", nContinuousStates);
}

fmi3Status fmi3GetNumberOfEventIndicators(fmi3Instance c, size_t* nEventIndicators) {
    return pointerOutput<component_fmi3GetNumberOfEventIndicators>(__func__, c, "nEventIndicators", nEventIndicators);
}
fmi3Status fmi3GetNumberOfContinuousStates(fmi3Instance c, size_t* nContinuousStates) {
    return pointerOutput<component_fmi3GetNumberOfContinuousStates>(__func__, c, "nContinuousStates",
                                                                    nContinuousStates);
}

// ---- Co-simulation --------------------------------------------------------------

fmi3Status fmi3EnterStepMode(fmi3Instance c) { return instanceCall<component_fmi3EnterStepMode>(__func__, c); }

fmi3Status fmi3GetOutputDerivatives(fmi3Instance c, const fmi3ValueReference vr[], size_t nvr,
                                    const fmi3Int32 orders[], fmi3Float64 values[], size_t nValues) {
    enterCall(__func__, "c", c, "valueReferences", items(vr, nvr), "nValueReferences", nvr, "orders",
              items(orders, nvr), "nValues", nValues);
    const fmi3Status status = component_fmi3GetOutputDerivatives(c, vr, nvr, orders, values, nValues);
    leaveCall(__func__, "c", c, "status", status, "values", outputs(status, values, nValues));
    return status;
}

fmi3Status fmi3DoStep(fmi3Instance c, fmi3Float64 currentCommunicationPoint, fmi3Float64 communicationStepSize,
                      fmi3Boolean noSetFMUStatePriorToCurrentPoint, fmi3Boolean* eventHandlingNeeded,
                      fmi3Boolean* terminateSimulation, fmi3Boolean* earlyReturn, fmi3Float64* lastSuccessfulTime) {
    enterCall(__func__, "c", c, "currentCommunicationPoint", currentCommunicationPoint, "communicationStepSize",
              communicationStepSize, "noSetFMUStatePriorToCurrentPoint", byteOf(noSetFMUStatePriorToCurrentPoint));
    const fmi3Status status = component_fmi3DoStep(c, currentCommunicationPoint, communicationStepSize,
                                                   noSetFMUStatePriorToCurrentPoint, eventHandlingNeeded,
                                                   terminateSimulation, earlyReturn, lastSuccessfulTime);
    leaveCall(__func__, "c", c, "status", status, "eventHandlingNeeded",
              output(status, asRecorded(eventHandlingNeeded)), "terminateSimulation",
              output(status, asRecorded(terminateSimulation)), "earlyReturn", output(status, asRecorded(earlyReturn)),
              "lastSuccessfulTime", output(status, lastSuccessfulTime));
    return status;
}

}  // extern "C"
