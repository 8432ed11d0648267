#include "calling_sequence.h"

#include <algorithm>
#include <vector>

namespace hostcheck {
namespace {

// One row of a state table: a role and the states it may be called in.
template <typename State>
struct Row {
    Role role;
    std::vector<State> allowedIn;
};

// The states of an interface in the order a reader meets them, and its rows.
template <typename StateEnum>
struct Table {
    using State = StateEnum;
    std::vector<State> states;
    std::vector<Row<State>> rows;
};

// fmi2SetTime in Event Mode is allowed only for an FMU without continuous
// states; pellidor has two. fmi2SetReal is allowed in Continuous-Time Mode
// for continuous inputs; the other setters are not.
const Table<Fmi2State>& modelExchange2() {
    using S = Fmi2State;
    const std::vector<S> anyInstance{S::instantiated, S::initialization, S::event, S::continuousTime,
                                     S::terminated, S::error};
    const std::vector<S> initialised{S::initialization, S::event, S::continuousTime, S::terminated, S::error};
    static const Table<S> table{
        {S::start, S::instantiated, S::initialization, S::event, S::continuousTime, S::terminated, S::error, S::fatal},
        {
            {Role::typesPlatform, {S::start, S::instantiated, S::initialization, S::event, S::continuousTime,
                                   S::terminated, S::error}},
            {Role::version, {S::start, S::instantiated, S::initialization, S::event, S::continuousTime,
                             S::terminated, S::error}},
            {Role::debugLogging, anyInstance},
            {Role::instantiate, {S::start}},
            {Role::release, anyInstance},
            {Role::setupExperiment, {S::instantiated}},
            {Role::enterInitialization, {S::instantiated}},
            {Role::exitInitialization, {S::initialization}},
            {Role::terminate, {S::event, S::continuousTime}},
            {Role::reset, anyInstance},
            {Role::getReal, initialised},
            {Role::getInteger, initialised},
            {Role::getBoolean, initialised},
            {Role::getString, initialised},
            {Role::setReal, {S::instantiated, S::initialization, S::event, S::continuousTime}},
            {Role::setInteger, {S::instantiated, S::initialization, S::event}},
            {Role::setBoolean, {S::instantiated, S::initialization, S::event}},
            {Role::setString, {S::instantiated, S::initialization, S::event}},
            {Role::getState, anyInstance},
            {Role::setState, anyInstance},
            {Role::freeState, anyInstance},
            {Role::serializedStateSize, anyInstance},
            {Role::serializeState, anyInstance},
            {Role::deserializeState, anyInstance},
            {Role::directionalDerivative, initialised},
            {Role::enterEventMode, {S::event, S::continuousTime}},
            {Role::newDiscreteStates, {S::event}},
            {Role::enterContinuousTime, {S::event}},
            {Role::completedIntegratorStep, {S::continuousTime}},
            {Role::setTime, {S::continuousTime}},
            {Role::setContinuousStates, {S::continuousTime}},
            {Role::getEventIndicators, initialised},
            {Role::getContinuousStates, initialised},
            {Role::getDerivatives, initialised},
            {Role::getNominals, anyInstance},
        }};
    return table;
}

// No call while a step is in progress but the status queries and
// fmi2CancelStep; after a Discard (stepFailed) reading, the queries,
// terminating, resetting or freeing, no further step.
const Table<Fmi2State>& coSimulation2() {
    using S = Fmi2State;
    const std::vector<S> notStepping{S::instantiated, S::initialization, S::stepComplete, S::stepFailed,
                                     S::stepCanceled, S::terminated, S::error};
    const std::vector<S> readable{S::initialization, S::stepComplete, S::stepFailed, S::stepCanceled,
                                  S::terminated, S::error};
    const std::vector<S> settable{S::instantiated, S::initialization, S::stepComplete};
    const std::vector<S> queried{S::stepComplete, S::stepInProgress, S::stepFailed, S::terminated};
    static const Table<S> table{
        {S::start, S::instantiated, S::initialization, S::stepComplete, S::stepInProgress, S::stepFailed,
         S::stepCanceled, S::terminated, S::error, S::fatal},
        {
            {Role::typesPlatform, {S::start, S::instantiated, S::initialization, S::stepComplete, S::stepInProgress,
                                   S::stepFailed, S::stepCanceled, S::terminated, S::error}},
            {Role::version, {S::start, S::instantiated, S::initialization, S::stepComplete, S::stepInProgress,
                             S::stepFailed, S::stepCanceled, S::terminated, S::error}},
            {Role::debugLogging, {S::instantiated, S::initialization, S::stepComplete, S::stepInProgress,
                                  S::stepFailed, S::stepCanceled, S::terminated, S::error}},
            {Role::instantiate, {S::start}},
            {Role::release, notStepping},
            {Role::setupExperiment, {S::instantiated}},
            {Role::enterInitialization, {S::instantiated}},
            {Role::exitInitialization, {S::initialization}},
            {Role::terminate, {S::stepComplete, S::stepFailed}},
            {Role::reset, notStepping},
            {Role::getReal, readable},
            {Role::getInteger, readable},
            {Role::getBoolean, readable},
            {Role::getString, readable},
            {Role::setReal, settable},
            {Role::setInteger, settable},
            {Role::setBoolean, settable},
            {Role::setString, settable},
            {Role::getState, notStepping},
            {Role::setState, notStepping},
            {Role::freeState, notStepping},
            {Role::serializedStateSize, notStepping},
            {Role::serializeState, notStepping},
            {Role::deserializeState, notStepping},
            {Role::directionalDerivative, readable},
            {Role::setInputDerivatives, settable},
            {Role::getOutputDerivatives, {S::stepComplete, S::stepFailed, S::stepCanceled, S::terminated, S::error}},
            {Role::doStep, {S::stepComplete}},
            {Role::cancelStep, {S::stepInProgress}},
            {Role::statusQuery, queried},
        }};
    return table;
}

// FMI 1.0 model exchange: start values before fmiInitialize, the
// integration calls only between fmiInitialize and fmiTerminate, nothing
// after the release.
// After an Error or Fatal status no call is allowed.
const Table<Fmi1State>& modelExchange1() {
    using S = Fmi1State;
    const std::vector<S> anyInstance{S::instantiated, S::initialised, S::terminated};
    const std::vector<S> beforeTerminate{S::instantiated, S::initialised};
    static const Table<S> table{
        {S::start, S::instantiated, S::initialised, S::terminated},
        {
            {Role::typesPlatform, {S::start, S::instantiated, S::initialised, S::terminated}},
            {Role::version, {S::start, S::instantiated, S::initialised, S::terminated}},
            {Role::instantiate, {S::start}},
            {Role::release, anyInstance},
            {Role::debugLogging, anyInstance},
            {Role::setTime, beforeTerminate},
            {Role::setReal, beforeTerminate},
            {Role::setInteger, beforeTerminate},
            {Role::setBoolean, beforeTerminate},
            {Role::setString, beforeTerminate},
            {Role::initialize, {S::instantiated}},
            {Role::setContinuousStates, {S::initialised}},
            {Role::completedIntegratorStep, {S::initialised}},
            {Role::getDerivatives, {S::initialised}},
            {Role::getEventIndicators, {S::initialised}},
            {Role::eventUpdate, {S::initialised}},
            {Role::getContinuousStates, {S::initialised}},
            {Role::getNominals, anyInstance},
            {Role::getStateValueReferences, anyInstance},
            {Role::getReal, anyInstance},
            {Role::getInteger, anyInstance},
            {Role::getBoolean, anyInstance},
            {Role::getString, anyInstance},
            {Role::terminate, {S::initialised}},
        }};
    return table;
}

// The states of an FMI 3.0 interface where its groups of calls are allowed.
struct Fmi3States {
    std::vector<Fmi3State> all;          // in the order a reader meets them
    std::vector<Fmi3State> settable;     // every state but the configuration modes (and the callback's)
    std::vector<Fmi3State> initialised;  // from Initialization Mode to Terminated
    std::vector<Fmi3State> readable;     // where values may be read
    std::vector<Fmi3State> writable;     // where some variable may be set
};

// The rows model exchange and co-simulation share. A call the standard
// allows only when the FMU has the capability (structural parameters, FMU
// state, clocks, partial derivatives) counts as allowed in its states: the
// component refuses it when it lacks the capability, and the run's end says
// so. The interface's own rows follow, those of the other interface with no
// state.
std::vector<Row<Fmi3State>> fmi3Rows(const Fmi3States& s, std::vector<Row<Fmi3State>> own) {
    using S = Fmi3State;
    std::vector<S> anyButEnd(s.all.begin(), s.all.end() - 1);  // every state but fatal
    const std::vector<S> clocked{S::initialization, S::event};
    std::vector<Row<S>> rows{
        {Role::version, anyButEnd},
        {Role::debugLogging, s.settable},
        {Role::instantiate, {S::start}},
        {Role::release, s.settable},
        {Role::reset, s.settable},
        {Role::exitConfiguration, {S::configuration, S::reconfiguration}},
        {Role::enterInitialization, {S::instantiated}},
        {Role::exitInitialization, {S::initialization}},
        {Role::getReal, s.readable}, {Role::getInteger, s.readable}, {Role::getBoolean, s.readable},
        {Role::getString, s.readable}, {Role::getBinary, s.readable},
        {Role::setReal, s.writable}, {Role::setInteger, s.writable}, {Role::setBoolean, s.writable},
        {Role::setString, s.writable}, {Role::setBinary, s.writable},
        {Role::getClock, clocked}, {Role::setClock, clocked}, {Role::clockTiming, clocked},
        {Role::getState, s.settable}, {Role::setState, s.settable}, {Role::freeState, s.settable},
        {Role::serializedStateSize, s.settable}, {Role::serializeState, s.settable},
        {Role::deserializeState, s.settable},
        {Role::directionalDerivative, s.initialised},
        {Role::evaluateDiscreteStates, {S::event}},
        {Role::updateDiscreteStates, {S::event}},
        {Role::activateModelPartition, {}},
    };
    rows.insert(rows.end(), own.begin(), own.end());
    return rows;
}

// FMI 3.0 model exchange.
const Table<Fmi3State>& modelExchange3() {
    using S = Fmi3State;
    const Fmi3States s{
        {S::start, S::instantiated, S::configuration, S::initialization, S::event, S::continuousTime,
         S::reconfiguration, S::terminated, S::fatal},
        {S::instantiated, S::initialization, S::event, S::continuousTime, S::terminated},
        {S::initialization, S::event, S::continuousTime, S::terminated},
        {S::instantiated, S::initialization, S::event, S::continuousTime, S::terminated},
        {S::instantiated, S::configuration, S::initialization, S::event, S::continuousTime, S::reconfiguration},
    };
    static const Table<S> table{
        s.all, fmi3Rows(s, {
                               {Role::enterConfiguration, {S::instantiated, S::event}},
                               {Role::enterEventMode, {S::continuousTime}},
                               {Role::enterContinuousTime, {S::event}},
                               {Role::terminate, {S::event, S::continuousTime}},
                               {Role::variableDependencies, s.settable},
                               {Role::setTime, {S::continuousTime}},
                               {Role::setContinuousStates, {S::continuousTime}},
                               {Role::completedIntegratorStep, {S::continuousTime}},
                               {Role::getDerivatives, s.initialised},
                               {Role::getEventIndicators, s.initialised},
                               {Role::getContinuousStates, s.initialised},
                               {Role::getNominals, s.initialised},
                               {Role::sizeQuery, {S::instantiated, S::event}},
                               {Role::enterStepMode, {}},
                               {Role::doStep, {}},
                               {Role::getOutputDerivatives, {}},
                           })};
    return table;
}

// FMI 3.0 co-simulation, with and without event mode: without, Event Mode
// is never entered. Inside the intermediate-update callback only getters,
// setters (of the variables the host named), fmi3GetOutputDerivatives and
// the version and dependency queries.
const Table<Fmi3State>& coSimulation3(bool eventModeUsed) {
    using S = Fmi3State;
    const auto build = [](bool eventMode) {
        const Fmi3States s{
            {S::start, S::instantiated, S::configuration, S::initialization, S::event, S::step,
             S::intermediateUpdate, S::reconfiguration, S::terminated, S::fatal},
            {S::instantiated, S::initialization, S::event, S::step, S::terminated},
            {S::initialization, S::event, S::step, S::terminated},
            {S::instantiated, S::initialization, S::event, S::step, S::intermediateUpdate, S::terminated},
            {S::instantiated, S::configuration, S::initialization, S::event, S::step, S::intermediateUpdate,
             S::reconfiguration},
        };
        const std::vector<S> enterEventMode = eventMode ? std::vector<S>{S::step} : std::vector<S>{};
        return Table<S>{s.all, fmi3Rows(s, {
                                               {Role::enterConfiguration, {S::instantiated, S::step}},
                                               {Role::enterEventMode, enterEventMode},
                                               {Role::enterStepMode, {S::event}},
                                               {Role::terminate, {S::event, S::step}},
                                               {Role::variableDependencies, s.readable},
                                               {Role::getOutputDerivatives,
                                                {S::step, S::intermediateUpdate, S::terminated}},
                                               {Role::doStep, {S::step}},
                                               {Role::enterContinuousTime, {}},
                                               {Role::completedIntegratorStep, {}},
                                               {Role::setTime, {}},
                                               {Role::setContinuousStates, {}},
                                               {Role::getDerivatives, {}},
                                               {Role::getEventIndicators, {}},
                                               {Role::getContinuousStates, {}},
                                               {Role::getNominals, {}},
                                               {Role::sizeQuery, {}},
                                           })};
    };
    static const Table<S> withEventMode = build(true);
    static const Table<S> withoutEventMode = build(false);
    return eventModeUsed ? withEventMode : withoutEventMode;
}

// Calls use with the interface's table and the state in its version's enum.
template <typename Use>
auto withTable(Interface interface, const InstanceState& state, Use use) {
    switch (interface) {
        case Interface::modelExchange2: return use(modelExchange2(), std::get<Fmi2State>(state));
        case Interface::coSimulation2: return use(coSimulation2(), std::get<Fmi2State>(state));
        case Interface::modelExchange3: return use(modelExchange3(), std::get<Fmi3State>(state));
        case Interface::coSimulation3: return use(coSimulation3(false), std::get<Fmi3State>(state));
        case Interface::coSimulation3EventMode: return use(coSimulation3(true), std::get<Fmi3State>(state));
        case Interface::modelExchange1: break;
    }
    return use(modelExchange1(), std::get<Fmi1State>(state));
}

// The row of a role; null for roles the table does not name.
template <typename State>
const Row<State>* rowOf(const Table<State>& table, Role role) {
    for (const Row<State>& row : table.rows) {
        if (row.role == role) return &row;
    }
    return nullptr;
}

template <typename State>
bool contains(const std::vector<State>& states, State state) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

// The state an FMI 2.0 call enters whatever the state before, or nullopt.
std::optional<Fmi2State> entered(Interface interface, const Call& call) {
    using S = Fmi2State;
    if (call.answered(Status::error)) return S::error;
    if (call.answered(Status::fatal)) return S::fatal;
    switch (call.role) {
        case Role::instantiate: return call.instance().empty() ? S::start : S::instantiated;
        case Role::release: return S::start;
        case Role::enterInitialization: return S::initialization;
        case Role::exitInitialization: return interface == Interface::coSimulation2 ? S::stepComplete : S::event;
        case Role::terminate: return S::terminated;
        case Role::reset: return S::instantiated;
        case Role::enterEventMode: return S::event;
        case Role::enterContinuousTime: return S::continuousTime;
        case Role::cancelStep: return S::stepCanceled;
        case Role::doStep:
            if (call.answered(Status::discard)) return S::stepFailed;
            if (call.answered(Status::pending)) return S::stepInProgress;
            return S::stepComplete;
        default: return std::nullopt;
    }
}

// The same for FMI 1.0 model exchange.
std::optional<Fmi1State> entered(const Call& call) {
    using S = Fmi1State;
    if (call.answered(Status::error)) return S::error;
    if (call.answered(Status::fatal)) return S::fatal;
    switch (call.role) {
        case Role::instantiate: return call.instance().empty() ? S::start : S::instantiated;
        case Role::release: return S::start;
        case Role::initialize: return S::initialised;
        case Role::terminate: return S::terminated;
        default: return std::nullopt;
    }
}

// The same for FMI 3.0. A Discard changes nothing; an Error ends in
// Terminated.
std::optional<Fmi3State> entered3(Interface interface, Fmi3State state, const Call& call) {
    using S = Fmi3State;
    if (call.answered(Status::fatal)) return S::fatal;
    if (call.answered(Status::error)) return S::terminated;
    if (call.answered(Status::discard)) return std::nullopt;
    const bool startsInEventMode = interface != Interface::coSimulation3;
    const S running = interface == Interface::modelExchange3 ? S::event : S::step;
    switch (call.role) {
        case Role::instantiate: return call.instance().empty() ? S::start : S::instantiated;
        case Role::release: return S::start;
        case Role::enterConfiguration: return state == S::instantiated ? S::configuration : S::reconfiguration;
        case Role::exitConfiguration: return state == S::configuration ? S::instantiated : running;
        case Role::enterInitialization: return S::initialization;
        case Role::exitInitialization: return startsInEventMode ? S::event : S::step;
        case Role::enterEventMode: return S::event;
        case Role::enterContinuousTime: return S::continuousTime;
        case Role::enterStepMode: return S::step;
        case Role::terminate: return S::terminated;
        case Role::reset: return S::instantiated;
        default: return std::nullopt;
    }
}

const char* nameOf(Fmi3State state) {
    using S = Fmi3State;
    switch (state) {
        case S::start: return "no instance";
        case S::instantiated: return "Instantiated";
        case S::configuration: return "Configuration Mode";
        case S::initialization: return "Initialization Mode";
        case S::event: return "Event Mode";
        case S::continuousTime: return "Continuous-Time Mode";
        case S::step: return "Step Mode";
        case S::intermediateUpdate: return "Intermediate Update Mode";
        case S::reconfiguration: return "Reconfiguration Mode";
        case S::terminated: return "Terminated";
        case S::fatal: return "fatal";
    }
    return "";
}

const char* nameOf(Fmi2State state) {
    using S = Fmi2State;
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
        case S::terminated: return "terminated";
        case S::error: return "error";
        case S::fatal: return "fatal";
    }
    return "";
}

const char* nameOf(Fmi1State state) {
    using S = Fmi1State;
    switch (state) {
        case S::start: return "no instance";
        case S::instantiated: return "instantiated";
        case S::initialised: return "initialised";
        case S::terminated: return "terminated";
        case S::error: return "error";
        case S::fatal: return "fatal";
    }
    return "";
}

}  // namespace

bool isFmi3(Interface interface) {
    return interface == Interface::modelExchange3 || interface == Interface::coSimulation3 ||
           interface == Interface::coSimulation3EventMode;
}

bool isCoSimulation(Interface interface) {
    return interface == Interface::coSimulation2 || interface == Interface::coSimulation3 ||
           interface == Interface::coSimulation3EventMode;
}

const char* stateName(const InstanceState& state) {
    return std::visit([](auto known) { return nameOf(known); }, state);
}

InstanceState instantiatedState(Interface interface) {
    if (interface == Interface::modelExchange1) return Fmi1State::instantiated;
    if (isFmi3(interface)) return Fmi3State::instantiated;
    return Fmi2State::instantiated;
}

std::optional<Interface> interfaceOf(const Call& instantiation) {
    if (instantiation.role != Role::instantiate) return std::nullopt;
    if (instantiation.version == FmiVersion::fmi1) {
        // FMI 1.0 co-simulation has no table here.
        if (instantiation.name != functionName(FmiVersion::fmi1, Role::instantiate)) return std::nullopt;
        return Interface::modelExchange1;
    }
    if (instantiation.version == FmiVersion::fmi3) {
        // Scheduled execution has no table here.
        if (instantiation.name == "fmi3InstantiateModelExchange") return Interface::modelExchange3;
        if (instantiation.name != "fmi3InstantiateCoSimulation") return std::nullopt;
        const std::string* eventModeUsed = instantiation.arguments.find("eventModeUsed");
        const bool used = eventModeUsed != nullptr && *eventModeUsed != "0";
        return used ? Interface::coSimulation3EventMode : Interface::coSimulation3;
    }
    const std::string* type = instantiation.arguments.find("fmuType");
    const std::optional<bool> coSimulation = type ? coSimulationType(*type) : std::nullopt;
    if (!coSimulation) return std::nullopt;
    return *coSimulation ? Interface::coSimulation2 : Interface::modelExchange2;
}

bool allowed(Interface interface, const InstanceState& state, Role role) {
    return withTable(interface, state, [role](const auto& table, auto current) {
        const auto* row = rowOf(table, role);
        return row == nullptr || contains(row->allowedIn, current);
    });
}

std::string allowedStates(Interface interface, Role role) {
    return withTable(interface, instantiatedState(interface), [role](const auto& table, auto) {
        const auto* row = rowOf(table, role);
        std::string out;
        for (auto state : table.states) {
            if (row != nullptr && contains(row->allowedIn, state)) out += (out.empty() ? "" : ", ") + std::string(nameOf(state));
        }
        return out;
    });
}

InstanceState after(Interface interface, const InstanceState& state, const Call& call) {
    if (!call.returned) return state;
    if (isFmi3(interface)) {
        if (const auto next = entered3(interface, std::get<Fmi3State>(state), call)) return *next;
        return state;
    }
    if (interface == Interface::modelExchange1) {
        if (const auto next = entered(call)) return *next;
        return state;
    }
    if (const auto next = entered(interface, call)) return *next;
    return state;
}

}  // namespace hostcheck
