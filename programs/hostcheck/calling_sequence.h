// The calling sequence of an instance: which call the host may make in
// which state, and the state each call leaves the instance in. One table per
// interface, a row per role (fmi_functions.h) naming the states it is
// allowed in: FMI 2.0 model exchange and co-simulation, and FMI 1.0 model
// exchange by its sequence (instantiate, set start values, initialise,
// integrate, terminate, free).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "record.h"

namespace hostcheck {

enum class Interface { modelExchange2, coSimulation2, modelExchange1 };

// start also stands for "end": no instance, or one already freed.
enum class InstanceState {
    start, instantiated, initialization, event, continuousTime, stepComplete, stepInProgress, stepFailed,
    stepCanceled, initialised1, terminated, error, fatal
};
const char* stateName(InstanceState state);

// The interface an instantiation call creates an instance of; nullopt for
// one the tables do not cover.
std::optional<Interface> interfaceOf(const Call& instantiation);

// Whether the call may be made in the state. Functions the tables do not
// name are allowed anywhere. Conditions on a variable's causality are not
// judged: a call the tables allow for some variables counts as allowed.
bool allowed(Interface interface, InstanceState state, Role role);
// "Event Mode, Continuous-Time Mode": where the tables allow the call.
std::string allowedStates(Interface interface, Role role);
// The state a returned call leaves the instance in.
InstanceState after(Interface interface, InstanceState state, const Call& call);

}  // namespace hostcheck
