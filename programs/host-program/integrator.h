// The model-exchange side of this host: its own fixed-step explicit Euler
// integrator with event detection on the signs of the event indicators. The
// calls into the component differ between FMI 2.0 and FMI 1.0 and come in as
// functions; each returns false when a call failed (the run says why).
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "simulation.h"

namespace rebounder_host {

using Values = std::vector<double>;

// An event iteration repeats the component's event call until it needs no
// more (FMI 2.0: newDiscreteStatesNeeded false; FMI 1.0: iterationConverged
// true). A component that never says so is cut off after this many calls
// rather than hanging the host.
constexpr int maxEventIterations = 10;

// How the host tells that an indicator changed during a step. FMI 1.0 and
// 2.0 hosts compare signs (negative against not negative); FMI 3.0 defines a
// state event as the change between z > 0 and z <= 0, either way.
enum class CrossingRule { sign, domain };

struct ModelExchangeCalls {
    CrossingRule crossing = CrossingRule::sign;
    // At time 0: hand the time over, read the states and the indicators.
    std::function<bool(double time, Values& states, Values& indicators)> start;
    std::function<bool(Values& derivatives)> derivatives;
    // After an integrator step: hand time and states over, read the
    // indicators, complete the step; the component may ask for an event or
    // for the end of the simulation.
    std::function<bool(double time, const Values& states, Values& indicators, bool& eventRequested, bool& terminate)>
        completeStep;
    // At an event: let the component handle it, then read the states and
    // the indicators again.
    std::function<bool(Values& states, Values& indicators, bool& terminate)> handleEvent;
};

// Runs from 0 to the stop time; samples and rebounds go into run.result.
// Returns false when a call failed.
bool integrateModelExchange(RunContext& run, const RunSettings& settings, std::size_t stateCount,
                            std::size_t indicatorCount, const ModelExchangeCalls& calls);

}  // namespace rebounder_host
