#include "fmi_functions.h"

#include <algorithm>
#include <array>
#include <span>

namespace hostcheck {
namespace {

struct Function {
    std::string_view name;
    Role role;
};

struct StatusSpelling {
    Status status;
    std::string_view name;
};

// Everything one FMI version says about its functions and statuses.
struct VersionTable {
    FmiVersion version;
    std::span<const Function> functions;
    std::span<const StatusSpelling> statuses;
};

constexpr Function fmi2Functions[] = {
    {"fmi2GetTypesPlatform", Role::typesPlatform},
    {"fmi2GetVersion", Role::version},
    {"fmi2SetDebugLogging", Role::debugLogging},
    {"fmi2Instantiate", Role::instantiate},
    {"fmi2FreeInstance", Role::release},
    {"fmi2SetupExperiment", Role::setupExperiment},
    {"fmi2EnterInitializationMode", Role::enterInitialization},
    {"fmi2ExitInitializationMode", Role::exitInitialization},
    {"fmi2Terminate", Role::terminate},
    {"fmi2Reset", Role::reset},
    {"fmi2GetReal", Role::getReal},
    {"fmi2GetInteger", Role::getInteger},
    {"fmi2GetBoolean", Role::getBoolean},
    {"fmi2GetString", Role::getString},
    {"fmi2SetReal", Role::setReal},
    {"fmi2SetInteger", Role::setInteger},
    {"fmi2SetBoolean", Role::setBoolean},
    {"fmi2SetString", Role::setString},
    {"fmi2GetFMUstate", Role::getState},
    {"fmi2SetFMUstate", Role::setState},
    {"fmi2FreeFMUstate", Role::freeState},
    {"fmi2SerializedFMUstateSize", Role::serializedStateSize},
    {"fmi2SerializeFMUstate", Role::serializeState},
    {"fmi2DeSerializeFMUstate", Role::deserializeState},
    {"fmi2GetDirectionalDerivative", Role::directionalDerivative},
    {"fmi2EnterEventMode", Role::enterEventMode},
    {"fmi2NewDiscreteStates", Role::newDiscreteStates},
    {"fmi2EnterContinuousTimeMode", Role::enterContinuousTime},
    {"fmi2CompletedIntegratorStep", Role::completedIntegratorStep},
    {"fmi2SetTime", Role::setTime},
    {"fmi2SetContinuousStates", Role::setContinuousStates},
    {"fmi2GetEventIndicators", Role::getEventIndicators},
    {"fmi2GetContinuousStates", Role::getContinuousStates},
    {"fmi2GetDerivatives", Role::getDerivatives},
    {"fmi2GetNominalsOfContinuousStates", Role::getNominals},
    {"fmi2SetRealInputDerivatives", Role::setInputDerivatives},
    {"fmi2GetRealOutputDerivatives", Role::getOutputDerivatives},
    {"fmi2DoStep", Role::doStep},
    {"fmi2CancelStep", Role::cancelStep},
    {"fmi2GetStatus", Role::statusQuery},
    {"fmi2GetRealStatus", Role::statusQuery},
    {"fmi2GetIntegerStatus", Role::statusQuery},
    {"fmi2GetBooleanStatus", Role::statusQuery},
    {"fmi2GetStringStatus", Role::statusQuery},
};

constexpr StatusSpelling fmi2Statuses[] = {
    {Status::ok, "fmi2OK"},       {Status::warning, "fmi2Warning"}, {Status::discard, "fmi2Discard"},
    {Status::error, "fmi2Error"}, {Status::fatal, "fmi2Fatal"},     {Status::pending, "fmi2Pending"},
};

// Model exchange first: where a role has a co-simulation function too, the
// evidence names the model-exchange one.
constexpr Function fmi1Functions[] = {
    {"fmiGetModelTypesPlatform", Role::typesPlatform},
    {"fmiGetVersion", Role::version},
    {"fmiSetDebugLogging", Role::debugLogging},
    {"fmiInstantiateModel", Role::instantiate},
    {"fmiFreeModelInstance", Role::release},
    {"fmiInitialize", Role::initialize},
    {"fmiTerminate", Role::terminate},
    {"fmiGetReal", Role::getReal},
    {"fmiGetInteger", Role::getInteger},
    {"fmiGetBoolean", Role::getBoolean},
    {"fmiGetString", Role::getString},
    {"fmiSetReal", Role::setReal},
    {"fmiSetInteger", Role::setInteger},
    {"fmiSetBoolean", Role::setBoolean},
    {"fmiSetString", Role::setString},
    {"fmiSetTime", Role::setTime},
    {"fmiSetContinuousStates", Role::setContinuousStates},
    {"fmiCompletedIntegratorStep", Role::completedIntegratorStep},
    {"fmiEventUpdate", Role::eventUpdate},
    {"fmiGetEventIndicators", Role::getEventIndicators},
    {"fmiGetContinuousStates", Role::getContinuousStates},
    {"fmiGetDerivatives", Role::getDerivatives},
    {"fmiGetNominalContinuousStates", Role::getNominals},
    {"fmiGetStateValueReferences", Role::getStateValueReferences},
    {"fmiGetTypesPlatform", Role::typesPlatform},
    {"fmiInstantiateSlave", Role::instantiate},
    {"fmiFreeSlaveInstance", Role::release},
    {"fmiInitializeSlave", Role::initialize},
    {"fmiTerminateSlave", Role::terminate},
    {"fmiResetSlave", Role::reset},
    {"fmiDoStep", Role::doStep},
    {"fmiCancelStep", Role::cancelStep},
    {"fmiGetStatus", Role::statusQuery},
    {"fmiGetRealStatus", Role::statusQuery},
    {"fmiGetIntegerStatus", Role::statusQuery},
    {"fmiGetBooleanStatus", Role::statusQuery},
    {"fmiGetStringStatus", Role::statusQuery},
};

constexpr StatusSpelling fmi1Statuses[] = {
    {Status::ok, "fmiOK"},       {Status::warning, "fmiWarning"}, {Status::discard, "fmiDiscard"},
    {Status::error, "fmiError"}, {Status::fatal, "fmiFatal"},     {Status::pending, "fmiPending"},
};

// One library serves model exchange and co-simulation: the instantiate
// functions are told apart by the interface each creates (calling_sequence.cpp).
constexpr Function fmi3Functions[] = {
    {"fmi3GetVersion", Role::version},
    {"fmi3SetDebugLogging", Role::debugLogging},
    {"fmi3InstantiateModelExchange", Role::instantiate},
    {"fmi3InstantiateCoSimulation", Role::instantiate},
    {"fmi3InstantiateScheduledExecution", Role::instantiate},
    {"fmi3FreeInstance", Role::release},
    {"fmi3EnterInitializationMode", Role::enterInitialization},
    {"fmi3ExitInitializationMode", Role::exitInitialization},
    {"fmi3EnterEventMode", Role::enterEventMode},
    {"fmi3Terminate", Role::terminate},
    {"fmi3Reset", Role::reset},
    {"fmi3GetFloat64", Role::getReal},
    {"fmi3GetFloat32", Role::getReal},
    {"fmi3GetInt32", Role::getInteger},
    {"fmi3GetInt8", Role::getInteger},
    {"fmi3GetUInt8", Role::getInteger},
    {"fmi3GetInt16", Role::getInteger},
    {"fmi3GetUInt16", Role::getInteger},
    {"fmi3GetUInt32", Role::getInteger},
    {"fmi3GetInt64", Role::getInteger},
    {"fmi3GetUInt64", Role::getInteger},
    {"fmi3GetBoolean", Role::getBoolean},
    {"fmi3GetString", Role::getString},
    {"fmi3GetBinary", Role::getBinary},
    {"fmi3GetClock", Role::getClock},
    {"fmi3SetFloat64", Role::setReal},
    {"fmi3SetFloat32", Role::setReal},
    {"fmi3SetInt32", Role::setInteger},
    {"fmi3SetInt8", Role::setInteger},
    {"fmi3SetUInt8", Role::setInteger},
    {"fmi3SetInt16", Role::setInteger},
    {"fmi3SetUInt16", Role::setInteger},
    {"fmi3SetUInt32", Role::setInteger},
    {"fmi3SetInt64", Role::setInteger},
    {"fmi3SetUInt64", Role::setInteger},
    {"fmi3SetBoolean", Role::setBoolean},
    {"fmi3SetString", Role::setString},
    {"fmi3SetBinary", Role::setBinary},
    {"fmi3SetClock", Role::setClock},
    {"fmi3GetNumberOfVariableDependencies", Role::variableDependencies},
    {"fmi3GetVariableDependencies", Role::variableDependencies},
    {"fmi3GetFMUState", Role::getState},
    {"fmi3SetFMUState", Role::setState},
    {"fmi3FreeFMUState", Role::freeState},
    {"fmi3SerializedFMUStateSize", Role::serializedStateSize},
    {"fmi3SerializeFMUState", Role::serializeState},
    {"fmi3DeserializeFMUState", Role::deserializeState},
    {"fmi3GetDirectionalDerivative", Role::directionalDerivative},
    {"fmi3GetAdjointDerivative", Role::directionalDerivative},
    {"fmi3EnterConfigurationMode", Role::enterConfiguration},
    {"fmi3ExitConfigurationMode", Role::exitConfiguration},
    {"fmi3GetIntervalDecimal", Role::clockTiming},
    {"fmi3GetIntervalFraction", Role::clockTiming},
    {"fmi3GetShiftDecimal", Role::clockTiming},
    {"fmi3GetShiftFraction", Role::clockTiming},
    {"fmi3SetIntervalDecimal", Role::clockTiming},
    {"fmi3SetIntervalFraction", Role::clockTiming},
    {"fmi3SetShiftDecimal", Role::clockTiming},
    {"fmi3SetShiftFraction", Role::clockTiming},
    {"fmi3EvaluateDiscreteStates", Role::evaluateDiscreteStates},
    {"fmi3UpdateDiscreteStates", Role::updateDiscreteStates},
    {"fmi3EnterContinuousTimeMode", Role::enterContinuousTime},
    {"fmi3CompletedIntegratorStep", Role::completedIntegratorStep},
    {"fmi3SetTime", Role::setTime},
    {"fmi3SetContinuousStates", Role::setContinuousStates},
    {"fmi3GetContinuousStateDerivatives", Role::getDerivatives},
    {"fmi3GetEventIndicators", Role::getEventIndicators},
    {"fmi3GetContinuousStates", Role::getContinuousStates},
    {"fmi3GetNominalsOfContinuousStates", Role::getNominals},
    {"fmi3GetNumberOfEventIndicators", Role::sizeQuery},
    {"fmi3GetNumberOfContinuousStates", Role::sizeQuery},
    {"fmi3EnterStepMode", Role::enterStepMode},
    {"fmi3GetOutputDerivatives", Role::getOutputDerivatives},
    {"fmi3DoStep", Role::doStep},
    {"fmi3ActivateModelPartition", Role::activateModelPartition},
};

// FMI 3.0 has no Pending.
constexpr StatusSpelling fmi3Statuses[] = {
    {Status::ok, "fmi3OK"},       {Status::warning, "fmi3Warning"}, {Status::discard, "fmi3Discard"},
    {Status::error, "fmi3Error"}, {Status::fatal, "fmi3Fatal"},
};

constexpr VersionTable versions[] = {
    {FmiVersion::fmi2, fmi2Functions, fmi2Statuses},
    {FmiVersion::fmi1, fmi1Functions, fmi1Statuses},
    {FmiVersion::fmi3, fmi3Functions, fmi3Statuses},
};

const VersionTable* tableOf(FmiVersion version) {
    for (const VersionTable& table : versions) {
        if (table.version == version) return &table;
    }
    return nullptr;
}

}  // namespace

const char* statusKindName(Status status) {
    switch (status) {
        case Status::none: return "";
        case Status::ok: return "OK";
        case Status::warning: return "Warning";
        case Status::discard: return "Discard";
        case Status::error: return "Error";
        case Status::fatal: return "Fatal";
        case Status::pending: return "Pending";
    }
    return "";
}

bool isValueGetter(Role role) {
    return role == Role::getReal || role == Role::getInteger || role == Role::getBoolean || role == Role::getString ||
           role == Role::getBinary;
}

bool isValueSetter(Role role) {
    return role == Role::setReal || role == Role::setInteger || role == Role::setBoolean || role == Role::setString ||
           role == Role::setBinary;
}

bool isStringGetter(Role role) { return role == Role::getString; }

bool advancesSimulation(Role role) {
    constexpr std::array advancing{Role::exitInitialization,  Role::initialize,  Role::enterEventMode,
                                   Role::newDiscreteStates,   Role::eventUpdate, Role::enterContinuousTime,
                                   Role::setTime,             Role::setContinuousStates,
                                   Role::completedIntegratorStep, Role::doStep,
                                   Role::updateDiscreteStates, Role::enterStepMode};
    return std::find(advancing.begin(), advancing.end(), role) != advancing.end();
}

FunctionFacts functionFacts(std::string_view name) {
    for (const VersionTable& table : versions) {
        for (const Function& function : table.functions) {
            if (function.name == name) return {table.version, function.role};
        }
    }
    return {};
}

Status statusOf(FmiVersion version, std::string_view recorded) {
    if (const VersionTable* table = tableOf(version)) {
        for (const StatusSpelling& spelling : table->statuses) {
            if (spelling.name == recorded) return spelling.status;
        }
    }
    return Status::none;
}

std::string functionName(FmiVersion version, Role role) {
    if (const VersionTable* table = tableOf(version)) {
        for (const Function& function : table->functions) {
            if (function.role == role) return std::string(function.name);
        }
    }
    return "";
}

std::string statusName(FmiVersion version, Status status) {
    if (const VersionTable* table = tableOf(version)) {
        for (const StatusSpelling& spelling : table->statuses) {
            if (spelling.status == status) return std::string(spelling.name);
        }
    }
    return "";
}

std::string functionNames(Role role) {
    std::string names;
    for (const FmiVersion version : {FmiVersion::fmi2, FmiVersion::fmi1}) {
        const std::string name = functionName(version, role);
        if (!name.empty()) names += (names.empty() ? "" : " or ") + name;
    }
    return names;
}

std::optional<bool> coSimulationType(std::string_view fmuType) {
    if (fmuType == "fmi2CoSimulation") return true;
    if (fmuType == "fmi2ModelExchange") return false;
    return std::nullopt;
}

}  // namespace hostcheck
