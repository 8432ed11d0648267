#include "calling_sequence.h"

#include <array>
#include <map>
#include <string_view>
#include <vector>

namespace hostcheck {
namespace {

using S = InstanceState;

// The columns of each table, in order; a row says with 'x' where the
// function is allowed.
const std::vector<S> modelExchangeColumns{S::start,          S::instantiated, S::initialization, S::event,
                                          S::continuousTime, S::terminated,   S::error,          S::fatal};
const std::vector<S> coSimulationColumns{S::start,          S::instantiated, S::initialization, S::stepComplete,
                                         S::stepInProgress, S::stepFailed,   S::stepCanceled,   S::terminated,
                                         S::error,          S::fatal};
const std::vector<S> fmi1Columns{S::start, S::instantiated, S::initialised1, S::terminated};

using Rows = std::map<std::string_view, std::string_view>;

// fmi2SetTime in Event Mode is allowed only for an FMU without continuous
// states; pellidor has two.
const Rows& modelExchangeRows() {
    static const Rows rows{
        {"fmi2GetTypesPlatform", "xxxxxxx."},         {"fmi2GetVersion", "xxxxxxx."},
        {"fmi2SetDebugLogging", ".xxxxxx."},          {"fmi2Instantiate", "x......."},
        {"fmi2FreeInstance", ".xxxxxx."},             {"fmi2SetupExperiment", ".x......"},
        {"fmi2EnterInitializationMode", ".x......"},  {"fmi2ExitInitializationMode", "..x....."},
        {"fmi2Terminate", "...xx..."},                {"fmi2Reset", ".xxxxxx."},
        {"fmi2GetReal", "..xxxxx."},                  {"fmi2GetInteger", "..xxxxx."},
        {"fmi2GetBoolean", "..xxxxx."},               {"fmi2GetString", "..xxxxx."},
        {"fmi2SetReal", ".xxxx..."},                  {"fmi2SetInteger", ".xxx...."},
        {"fmi2SetBoolean", ".xxx...."},               {"fmi2SetString", ".xxx...."},
        {"fmi2GetFMUstate", ".xxxxxx."},              {"fmi2SetFMUstate", ".xxxxxx."},
        {"fmi2FreeFMUstate", ".xxxxxx."},             {"fmi2SerializedFMUstateSize", ".xxxxxx."},
        {"fmi2SerializeFMUstate", ".xxxxxx."},        {"fmi2DeSerializeFMUstate", ".xxxxxx."},
        {"fmi2GetDirectionalDerivative", "..xxxxx."}, {"fmi2EnterEventMode", "...xx..."},
        {"fmi2NewDiscreteStates", "...x...."},        {"fmi2EnterContinuousTimeMode", "...x...."},
        {"fmi2CompletedIntegratorStep", "....x..."},  {"fmi2SetTime", "....x..."},
        {"fmi2SetContinuousStates", "....x..."},      {"fmi2GetEventIndicators", "..xxxxx."},
        {"fmi2GetContinuousStates", "..xxxxx."},      {"fmi2GetDerivatives", "..xxxxx."},
        {"fmi2GetNominalsOfContinuousStates", ".xxxxxx."},
    };
    return rows;
}

const Rows& coSimulationRows() {
    static const Rows rows{
        {"fmi2GetTypesPlatform", "xxxxxxxxx."},         {"fmi2GetVersion", "xxxxxxxxx."},
        {"fmi2SetDebugLogging", ".xxxxxxxx."},          {"fmi2Instantiate", "x........."},
        {"fmi2FreeInstance", ".xxx.xxxx."},             {"fmi2SetupExperiment", ".x........"},
        {"fmi2EnterInitializationMode", ".x........"},  {"fmi2ExitInitializationMode", "..x......."},
        {"fmi2Terminate", "...x.x...."},                {"fmi2Reset", ".xxx.xxxx."},
        {"fmi2GetReal", "..xx.xxxx."},                  {"fmi2GetInteger", "..xx.xxxx."},
        {"fmi2GetBoolean", "..xx.xxxx."},               {"fmi2GetString", "..xx.xxxx."},
        {"fmi2SetReal", ".xxx......"},                  {"fmi2SetInteger", ".xxx......"},
        {"fmi2SetBoolean", ".xxx......"},               {"fmi2SetString", ".xxx......"},
        {"fmi2GetFMUstate", ".xxx.xxxx."},              {"fmi2SetFMUstate", ".xxx.xxxx."},
        {"fmi2FreeFMUstate", ".xxx.xxxx."},             {"fmi2SerializedFMUstateSize", ".xxx.xxxx."},
        {"fmi2SerializeFMUstate", ".xxx.xxxx."},        {"fmi2DeSerializeFMUstate", ".xxx.xxxx."},
        {"fmi2GetDirectionalDerivative", "..xx.xxxx."}, {"fmi2SetRealInputDerivatives", ".xxx......"},
        {"fmi2GetRealOutputDerivatives", "...x.xxxx."}, {"fmi2DoStep", "...x......"},
        {"fmi2CancelStep", "....x....."},               {"fmi2GetStatus", "...xxx.x.."},
        {"fmi2GetRealStatus", "...xxx.x.."},            {"fmi2GetIntegerStatus", "...xxx.x.."},
        {"fmi2GetBooleanStatus", "...xxx.x.."},         {"fmi2GetStringStatus", "...xxx.x.."},
    };
    return rows;
}

// FMI 1.0: start values before fmiInitialize, the integration calls only
// between fmiInitialize and fmiTerminate, nothing after the release.
const Rows& fmi1Rows() {
    static const Rows rows{
        {"fmiGetModelTypesPlatform", "xxxx"},  {"fmiGetVersion", "xxxx"},
        {"fmiInstantiateModel", "x..."},       {"fmiFreeModelInstance", ".xxx"},
        {"fmiSetDebugLogging", ".xxx"},        {"fmiSetTime", ".xx."},
        {"fmiSetReal", ".xx."},                {"fmiSetInteger", ".xx."},
        {"fmiSetBoolean", ".xx."},             {"fmiSetString", ".xx."},
        {"fmiInitialize", ".x.."},             {"fmiSetContinuousStates", "..x."},
        {"fmiCompletedIntegratorStep", "..x."}, {"fmiGetDerivatives", "..x."},
        {"fmiGetEventIndicators", "..x."},     {"fmiEventUpdate", "..x."},
        {"fmiGetContinuousStates", "..x."},    {"fmiGetNominalContinuousStates", ".xxx"},
        {"fmiGetStateValueReferences", ".xxx"}, {"fmiGetReal", ".xxx"},
        {"fmiGetInteger", ".xxx"},             {"fmiGetBoolean", ".xxx"},
        {"fmiGetString", ".xxx"},              {"fmiTerminate", "..x."},
    };
    return rows;
}

struct Table {
    const std::vector<S>& columns;
    const Rows& rows;
};

Table tableOf(Interface interface) {
    switch (interface) {
        case Interface::modelExchange2: return {modelExchangeColumns, modelExchangeRows()};
        case Interface::coSimulation2: return {coSimulationColumns, coSimulationRows()};
        case Interface::modelExchange1: return {fmi1Columns, fmi1Rows()};
    }
    return {fmi1Columns, fmi1Rows()};
}

// The state a call enters whatever the state before, or nullopt.
std::optional<S> entered(Interface interface, const Call& call) {
    const std::string& f = call.name;
    const std::string kind = call.statusKind();
    if (kind == "Error") return S::error;
    if (kind == "Fatal") return S::fatal;
    if (isInstantiation(call)) return call.instance().empty() ? S::start : S::instantiated;
    if (isRelease(call)) return S::start;
    if (f == "fmi2EnterInitializationMode") return S::initialization;
    if (f == "fmi2ExitInitializationMode") return interface == Interface::coSimulation2 ? S::stepComplete : S::event;
    if (f == "fmi2Terminate" || f == "fmiTerminate") return S::terminated;
    if (f == "fmi2Reset") return S::instantiated;
    if (f == "fmi2EnterEventMode") return S::event;
    if (f == "fmi2EnterContinuousTimeMode") return S::continuousTime;
    if (f == "fmi2CancelStep") return S::stepCanceled;
    if (f == "fmiInitialize") return S::initialised1;
    if (f == "fmi2DoStep") {
        if (kind == "Discard") return S::stepFailed;
        if (kind == "Pending") return S::stepInProgress;
        return S::stepComplete;
    }
    return std::nullopt;
}

}  // namespace

const char* stateName(InstanceState state) {
    switch (state) {
        case S::start: return "no instance";
        case S::instantiated: return "instantiated";
        case S::initialization: return "Initialization Mode";
        case S::event: return "Event Mode";
        case S::continuousTime: return "Continuous-Time Mode";
        case S::stepComplete: return "stepComplete";
        case S::stepInProgress: return "stepInProgress";
        case S::stepFailed: return "stepFailed";
        case S::stepCanceled: return "stepCanceled";
        case S::initialised1: return "initialised";
        case S::terminated: return "terminated";
        case S::error: return "error";
        case S::fatal: return "fatal";
    }
    return "";
}

bool isInstantiation(const Call& call) {
    return call.name == "fmi2Instantiate" || call.name == "fmiInstantiateModel" || call.name == "fmiInstantiateSlave";
}

bool isRelease(const Call& call) {
    return call.name == "fmi2FreeInstance" || call.name == "fmiFreeModelInstance" ||
           call.name == "fmiFreeSlaveInstance";
}

std::optional<Interface> interfaceOf(const Call& instantiation) {
    if (instantiation.name == "fmiInstantiateModel") return Interface::modelExchange1;
    if (instantiation.name != "fmi2Instantiate") return std::nullopt;
    const std::string* type = instantiation.arguments.find("fmuType");
    if (type != nullptr && *type == "fmi2CoSimulation") return Interface::coSimulation2;
    if (type != nullptr && *type == "fmi2ModelExchange") return Interface::modelExchange2;
    return std::nullopt;
}

bool allowed(Interface interface, InstanceState state, const std::string& function) {
    const Table table = tableOf(interface);
    const auto row = table.rows.find(function);
    if (row == table.rows.end()) return true;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i] == state) return row->second[i] == 'x';
    }
    return false;
}

std::string allowedStates(Interface interface, const std::string& function) {
    const Table table = tableOf(interface);
    const auto row = table.rows.find(function);
    std::string out;
    for (std::size_t i = 0; row != table.rows.end() && i < table.columns.size(); ++i) {
        if (row->second[i] == 'x') out += (out.empty() ? "" : ", ") + std::string(stateName(table.columns[i]));
    }
    return out;
}

InstanceState after(Interface interface, InstanceState state, const Call& call) {
    if (!call.returned) return state;
    return entered(interface, call).value_or(state);
}

}  // namespace hostcheck
