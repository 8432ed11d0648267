// The calling sequence of an instance: which call the host may make in
// which state, and the state each call leaves the instance in. One table per
// interface, a row per role (fmi_functions.h) naming the states it is
// allowed in: FMI 2.0 and FMI 3.0 model exchange and co-simulation, and FMI
// 1.0 model exchange by its sequence (instantiate, set start values,
// initialise, integrate, terminate, free).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>

#include "record.h"

namespace hostcheck {

// FMI 3.0 co-simulation has two: an instance created with eventModeUsed
// may enter Event Mode from Step Mode and starts in it after initialisation.
enum class Interface { modelExchange2, coSimulation2, modelExchange1, modelExchange3, coSimulation3, coSimulation3EventMode };

// The states of an instance, one enum per FMI version; start also stands
// for "end": no instance, or one already freed. FMI 2.0 model exchange and
// co-simulation share the enum, each table using its own states.
enum class Fmi2State {
    start, instantiated, initialization, event, continuousTime, stepComplete, stepInProgress, stepFailed,
    stepCanceled, terminated, error, fatal
};
enum class Fmi1State { start, instantiated, initialised, terminated, error, fatal };
// FMI 3.0: an Error ends in Terminated; Intermediate Update Mode is the
// state of the calls the host makes inside the intermediate-update callback.
enum class Fmi3State {
    start, instantiated, configuration, initialization, event, continuousTime, step, intermediateUpdate,
    reconfiguration, terminated, fatal
};
using InstanceState = std::variant<Fmi2State, Fmi1State, Fmi3State>;

bool isFmi3(Interface interface);
bool isCoSimulation(Interface interface);

// "Event Mode", "stepComplete", "initialised".
const char* stateName(const InstanceState& state);
// The state a successful instantiation of the interface enters.
InstanceState instantiatedState(Interface interface);

// The interface an instantiation call creates an instance of; nullopt for
// one the tables do not cover.
std::optional<Interface> interfaceOf(const Call& instantiation);

// Whether the call may be made in the state. Functions the tables do not
// name are allowed anywhere. Conditions on a variable's causality are not
// judged: a call the tables allow for some variables counts as allowed.
bool allowed(Interface interface, const InstanceState& state, Role role);
// "Event Mode, Continuous-Time Mode": where the tables allow the call.
std::string allowedStates(Interface interface, Role role);
// The state a returned call leaves the instance in.
InstanceState after(Interface interface, const InstanceState& state, const Call& call);

}  // namespace hostcheck
