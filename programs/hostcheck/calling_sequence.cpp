#include "calling_sequence.h"

#include <algorithm>
#include <vector>

namespace hostcheck {
namespace {

using S = InstanceState;

// One row of a state table: a role and the states it may be called in.
struct Row {
    Role role;
    std::vector<S> allowedIn;
};

// The states of an interface in the order a reader meets them, and its rows.
struct Table {
    std::vector<S> states;
    std::vector<Row> rows;
};

// fmi2SetTime in Event Mode is allowed only for an FMU without continuous
// states; pellidor has two. fmi2SetReal is allowed in Continuous-Time Mode
// for continuous inputs; the other setters are not.
const Table& modelExchange2() {
    const std::vector<S> anyInstance{S::instantiated, S::initialization, S::event, S::continuousTime,
                                     S::terminated, S::error};
    const std::vector<S> initialised{S::initialization, S::event, S::continuousTime, S::terminated, S::error};
    static const Table table{
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
const Table& coSimulation2() {
    const std::vector<S> notStepping{S::instantiated, S::initialization, S::stepComplete, S::stepFailed,
                                     S::stepCanceled, S::terminated, S::error};
    const std::vector<S> readable{S::initialization, S::stepComplete, S::stepFailed, S::stepCanceled,
                                  S::terminated, S::error};
    const std::vector<S> settable{S::instantiated, S::initialization, S::stepComplete};
    const std::vector<S> queried{S::stepComplete, S::stepInProgress, S::stepFailed, S::terminated};
    static const Table table{
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
const Table& modelExchange1() {
    const std::vector<S> anyInstance{S::instantiated, S::initialised1, S::terminated};
    const std::vector<S> beforeTerminate{S::instantiated, S::initialised1};
    static const Table table{
        {S::start, S::instantiated, S::initialised1, S::terminated},
        {
            {Role::typesPlatform, {S::start, S::instantiated, S::initialised1, S::terminated}},
            {Role::version, {S::start, S::instantiated, S::initialised1, S::terminated}},
            {Role::instantiate, {S::start}},
            {Role::release, anyInstance},
            {Role::debugLogging, anyInstance},
            {Role::setTime, beforeTerminate},
            {Role::setReal, beforeTerminate},
            {Role::setInteger, beforeTerminate},
            {Role::setBoolean, beforeTerminate},
            {Role::setString, beforeTerminate},
            {Role::initialize, {S::instantiated}},
            {Role::setContinuousStates, {S::initialised1}},
            {Role::completedIntegratorStep, {S::initialised1}},
            {Role::getDerivatives, {S::initialised1}},
            {Role::getEventIndicators, {S::initialised1}},
            {Role::eventUpdate, {S::initialised1}},
            {Role::getContinuousStates, {S::initialised1}},
            {Role::getNominals, anyInstance},
            {Role::getStateValueReferences, anyInstance},
            {Role::getReal, anyInstance},
            {Role::getInteger, anyInstance},
            {Role::getBoolean, anyInstance},
            {Role::getString, anyInstance},
            {Role::terminate, {S::initialised1}},
        }};
    return table;
}

const Table& tableOf(Interface interface) {
    switch (interface) {
        case Interface::modelExchange2: return modelExchange2();
        case Interface::coSimulation2: return coSimulation2();
        case Interface::modelExchange1: return modelExchange1();
    }
    return modelExchange1();
}

// The row of a role; null for roles the table does not name.
const Row* rowOf(Interface interface, Role role) {
    for (const Row& row : tableOf(interface).rows) {
        if (row.role == role) return &row;
    }
    return nullptr;
}

bool contains(const std::vector<S>& states, S state) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

// The state a call enters whatever the state before, or nullopt.
std::optional<S> entered(Interface interface, const Call& call) {
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
        case Role::initialize: return S::initialised1;
        case Role::doStep:
            if (call.answered(Status::discard)) return S::stepFailed;
            if (call.answered(Status::pending)) return S::stepInProgress;
            return S::stepComplete;
        default: return std::nullopt;
    }
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

std::optional<Interface> interfaceOf(const Call& instantiation) {
    if (instantiation.role != Role::instantiate) return std::nullopt;
    if (instantiation.version == FmiVersion::fmi1) {
        // FMI 1.0 co-simulation has no table here.
        if (instantiation.name != functionName(FmiVersion::fmi1, Role::instantiate)) return std::nullopt;
        return Interface::modelExchange1;
    }
    const std::string* type = instantiation.arguments.find("fmuType");
    const std::optional<bool> coSimulation = type ? coSimulationType(*type) : std::nullopt;
    if (!coSimulation) return std::nullopt;
    return *coSimulation ? Interface::coSimulation2 : Interface::modelExchange2;
}

bool allowed(Interface interface, InstanceState state, Role role) {
    const Row* row = rowOf(interface, role);
    return row == nullptr || contains(row->allowedIn, state);
}

std::string allowedStates(Interface interface, Role role) {
    const Row* row = rowOf(interface, role);
    std::string out;
    for (S state : tableOf(interface).states) {
        if (row != nullptr && contains(row->allowedIn, state)) out += (out.empty() ? "" : ", ") + std::string(stateName(state));
    }
    return out;
}

InstanceState after(Interface interface, InstanceState state, const Call& call) {
    if (!call.returned) return state;
    return entered(interface, call).value_or(state);
}

}  // namespace hostcheck
