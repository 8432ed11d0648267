// The capabilities varnelle does not provide. FMI 3.0 requires every library
// to export all its functions; each of these answers fmi3Error with one
// "ERROR" message naming what in the model description says the capability
// is absent, and the instance is in Terminated, as after every fmi3Error.
// The arguments are never read.
#include "fmi3_record.h"
#include "messages.h"

using namespace varnelle;

namespace {

constexpr const char* perElementDependencies = "providesPerElementDependencies=\"false\"";
constexpr const char* fmuState = "canGetAndSetFMUState=\"false\"";
constexpr const char* serializedFmuState = "canSerializeFMUState=\"false\"";
constexpr const char* directionalDerivatives = "providesDirectionalDerivatives=\"false\"";
constexpr const char* adjointDerivatives = "providesAdjointDerivatives=\"false\"";
constexpr const char* structuralParameters = "the model has no structural parameters";
constexpr const char* clocks = "the model has no Clock variables";
constexpr const char* evaluateDiscreteStates = "providesEvaluateDiscreteStates=\"false\"";
constexpr const char* outputDerivatives = "maxOutputDerivativeOrder=\"0\"";
constexpr const char* scheduledExecution = "the model description has no ScheduledExecution element";

}  // namespace

extern "C" {

// Scheduled execution: no instance is created. Logged when the host asked
// for logging and gave a logger.
fmi3Instance fmi3InstantiateScheduledExecution(fmi3String /*instanceName*/, fmi3String /*instantiationToken*/,
                                               fmi3String /*resourcePath*/, fmi3Boolean /*visible*/,
                                               fmi3Boolean loggingOn, fmi3InstanceEnvironment instanceEnvironment,
                                               fmi3LogMessageCallback logMessage,
                                               fmi3ClockUpdateCallback /*clockUpdate*/,
                                               fmi3LockPreemptionCallback /*lockPreemption*/,
                                               fmi3UnlockPreemptionCallback /*unlockPreemption*/) {
    logRefusedInstantiation(logMessage, instanceEnvironment, truth(loggingOn), "%s: not provided (%s)", __func__,
                            scheduledExecution);
    return nullptr;
}

// Variable dependencies.
fmi3Status fmi3GetNumberOfVariableDependencies(fmi3Instance instance, fmi3ValueReference /*valueReference*/,
                                               size_t* /*nDependencies*/) {
    return refuseNotProvided(asRecord(instance), __func__, perElementDependencies);
}

fmi3Status fmi3GetVariableDependencies(fmi3Instance instance, fmi3ValueReference /*dependent*/,
                                       size_t /*elementIndicesOfDependent*/[], fmi3ValueReference /*independents*/[],
                                       size_t /*elementIndicesOfIndependents*/[],
                                       fmi3DependencyKind /*dependencyKinds*/[], size_t /*nDependencies*/) {
    return refuseNotProvided(asRecord(instance), __func__, perElementDependencies);
}

// FMU state.
fmi3Status fmi3GetFMUState(fmi3Instance instance, fmi3FMUState* /*FMUState*/) {
    return refuseNotProvided(asRecord(instance), __func__, fmuState);
}

fmi3Status fmi3SetFMUState(fmi3Instance instance, fmi3FMUState /*FMUState*/) {
    return refuseNotProvided(asRecord(instance), __func__, fmuState);
}

fmi3Status fmi3FreeFMUState(fmi3Instance instance, fmi3FMUState* /*FMUState*/) {
    return refuseNotProvided(asRecord(instance), __func__, fmuState);
}

// Serialized FMU state.
fmi3Status fmi3SerializedFMUStateSize(fmi3Instance instance, fmi3FMUState /*FMUState*/, size_t* /*size*/) {
    return refuseNotProvided(asRecord(instance), __func__, serializedFmuState);
}

fmi3Status fmi3SerializeFMUState(fmi3Instance instance, fmi3FMUState /*FMUState*/, fmi3Byte /*serializedState*/[],
                                 size_t /*size*/) {
    return refuseNotProvided(asRecord(instance), __func__, serializedFmuState);
}

fmi3Status fmi3DeserializeFMUState(fmi3Instance instance, const fmi3Byte /*serializedState*/[], size_t /*size*/,
                                   fmi3FMUState* /*FMUState*/) {
    return refuseNotProvided(asRecord(instance), __func__, serializedFmuState);
}

// Directional derivatives.
fmi3Status fmi3GetDirectionalDerivative(fmi3Instance instance, const fmi3ValueReference /*unknowns*/[],
                                        size_t /*nUnknowns*/, const fmi3ValueReference /*knowns*/[], size_t /*nKnowns*/,
                                        const fmi3Float64 /*seed*/[], size_t /*nSeed*/, fmi3Float64 /*sensitivity*/[],
                                        size_t /*nSensitivity*/) {
    return refuseNotProvided(asRecord(instance), __func__, directionalDerivatives);
}

// Adjoint derivatives.
fmi3Status fmi3GetAdjointDerivative(fmi3Instance instance, const fmi3ValueReference /*unknowns*/[],
                                    size_t /*nUnknowns*/, const fmi3ValueReference /*knowns*/[], size_t /*nKnowns*/,
                                    const fmi3Float64 /*seed*/[], size_t /*nSeed*/, fmi3Float64 /*sensitivity*/[],
                                    size_t /*nSensitivity*/) {
    return refuseNotProvided(asRecord(instance), __func__, adjointDerivatives);
}

// Configuration Mode.
fmi3Status fmi3EnterConfigurationMode(fmi3Instance instance) {
    return refuseNotProvided(asRecord(instance), __func__, structuralParameters);
}

fmi3Status fmi3ExitConfigurationMode(fmi3Instance instance) {
    return refuseNotProvided(asRecord(instance), __func__, structuralParameters);
}

// Clocks.
fmi3Status fmi3GetClock(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                        size_t /*nValueReferences*/, fmi3Clock /*values*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3SetClock(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                        size_t /*nValueReferences*/, const fmi3Clock /*values*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3GetIntervalDecimal(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                  size_t /*nValueReferences*/, fmi3Float64 /*intervals*/[],
                                  fmi3IntervalQualifier /*qualifiers*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3GetIntervalFraction(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                   size_t /*nValueReferences*/, fmi3UInt64 /*counters*/[], fmi3UInt64 /*resolutions*/[],
                                   fmi3IntervalQualifier /*qualifiers*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3GetShiftDecimal(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                               size_t /*nValueReferences*/, fmi3Float64 /*shifts*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3GetShiftFraction(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                size_t /*nValueReferences*/, fmi3UInt64 /*counters*/[], fmi3UInt64 /*resolutions*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3SetIntervalDecimal(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                  size_t /*nValueReferences*/, const fmi3Float64 /*intervals*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3SetIntervalFraction(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                   size_t /*nValueReferences*/, const fmi3UInt64 /*counters*/[],
                                   const fmi3UInt64 /*resolutions*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3SetShiftDecimal(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                               size_t /*nValueReferences*/, const fmi3Float64 /*shifts*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

fmi3Status fmi3SetShiftFraction(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                size_t /*nValueReferences*/, const fmi3UInt64 /*counters*/[],
                                const fmi3UInt64 /*resolutions*/[]) {
    return refuseNotProvided(asRecord(instance), __func__, clocks);
}

// Evaluating discrete states.
fmi3Status fmi3EvaluateDiscreteStates(fmi3Instance instance) {
    return refuseNotProvided(asRecord(instance), __func__, evaluateDiscreteStates);
}

// Output derivatives.
fmi3Status fmi3GetOutputDerivatives(fmi3Instance instance, const fmi3ValueReference /*valueReferences*/[],
                                    size_t /*nValueReferences*/, const fmi3Int32 /*orders*/[], fmi3Float64 /*values*/[],
                                    size_t /*nValues*/) {
    return refuseNotProvided(asRecord(instance), __func__, outputDerivatives);
}

// Scheduled execution.
fmi3Status fmi3ActivateModelPartition(fmi3Instance instance, fmi3ValueReference /*clockReference*/,
                                      fmi3Float64 /*activationTime*/) {
    return refuseNotProvided(asRecord(instance), __func__, scheduledExecution);
}

}  // extern "C"
