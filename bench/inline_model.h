// The model's variables, held by the host itself for the inline baselines.
// They compute with the model's rules as a host re-derives them
// (model_expectations.h, written apart from the components' constants) in the
// order the components do, so that a baseline costs what the component's own
// arithmetic would cost without the call.
#pragma once

#include "fmi2.h"
#include "model_expectations.h"

namespace bench {

struct InlineModel {
    double time = 0.0;
    double states[expected::stateCount] = {expected::startHeight, expected::startVelocity};
    double statesDerivative[expected::stateCount] = {};
    double eventIndicator = expected::eventIndicator(expected::startHeight);
    double reals[expected::variablesPerType] = {expected::startHeight, expected::startVelocity,
                                                expected::startGravity, expected::startRestitution};
    fmi2EventInfo eventInfo{};
};

// The derivative of height is velocity, the derivative of velocity is gravity.
inline void refreshDerivatives(InlineModel& m) {
    m.statesDerivative[expected::heightRef] = m.states[expected::velocityRef];
    m.statesDerivative[expected::velocityRef] = m.reals[expected::gravityRef];
}

}  // namespace bench
