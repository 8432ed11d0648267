// What each FMI function does, one table per FMI version: the record's
// reader looks every call up once and keeps its role and the status it
// answered on the call, so the probes and the calling-sequence check ask
// "is this a step, a release, a getter of strings?" and never compare names.
// A new FMI version is a new table here (and its state table in
// calling_sequence.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hostcheck {

enum class FmiVersion { unknown, fmi1, fmi2, fmi3 };

// What a call does. The value getters and setters each name their type:
// the state tables allow them in different states.
enum class Role {
    unknown,
    typesPlatform, version, debugLogging,
    instantiate, release, setupExperiment, enterInitialization, exitInitialization,
    initialize,  // FMI 1.0: entering and leaving initialisation in one call
    terminate, reset,
    getReal, getInteger, getBoolean, getString, setReal, setInteger, setBoolean, setString,
    getState, setState, freeState, serializedStateSize, serializeState, deserializeState, directionalDerivative,
    enterEventMode, newDiscreteStates, eventUpdate, enterContinuousTime, completedIntegratorStep,
    setTime, setContinuousStates, getEventIndicators, getContinuousStates, getDerivatives, getNominals,
    getStateValueReferences,
    setInputDerivatives, getOutputDerivatives, doStep, cancelStep,
    statusQuery,
    // FMI 3.0 only. Its Float32/Float64 getters and setters are getReal and
    // setReal, its eight integer types getInteger and setInteger.
    getBinary, setBinary, getClock, setClock, clockTiming,  // the interval and shift functions
    enterConfiguration, exitConfiguration, evaluateDiscreteStates, updateDiscreteStates, enterStepMode,
    sizeQuery,  // fmi3GetNumberOfContinuousStates, fmi3GetNumberOfEventIndicators
    variableDependencies, activateModelPartition,
};

// The status a call answered, whatever the version's spelling.
enum class Status { none, ok, warning, discard, error, fatal, pending };

// "OK", "Discard": the status without its version's prefix.
const char* statusKindName(Status status);

bool isValueGetter(Role role);
bool isValueSetter(Role role);
bool isStringGetter(Role role);
// Calls that move the simulation on (initialisation ending, time, states,
// steps, events), as opposed to reading values, status queries and ending.
bool advancesSimulation(Role role);

// The version and role of a function as recorded, the FMI 1.0 model
// identifier already taken off ("fmiEventUpdate"); unknown for names no
// table holds.
struct FunctionFacts {
    FmiVersion version = FmiVersion::unknown;
    Role role = Role::unknown;
};
FunctionFacts functionFacts(std::string_view name);

// The status a recorded value names in its version ("fmi2Discard").
Status statusOf(FmiVersion version, std::string_view recorded);

// The function of a version that has the role, as the host calls it
// ("fmi2DoStep"); empty when the version has none. For evidence.
std::string functionName(FmiVersion version, Role role);

// The status as the version spells it ("fmi2Discard"). For evidence.
std::string statusName(FmiVersion version, Status status);

// The functions with this role in FMI 2.0 and FMI 1.0 model exchange,
// joined by " or " ("fmi2GetString or fmiGetString"). For the evidence of
// the FMI 1.0 and 2.0 runs.
std::string functionNames(Role role);

// FMI 2.0's fmuType argument of the instantiation: co-simulation or model
// exchange; nullopt for another value.
std::optional<bool> coSimulationType(std::string_view fmuType);

}  // namespace hostcheck
