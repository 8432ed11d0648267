// Event Mode, for model exchange and for co-simulation with event mode.
#include "events.h"

#include "messages.h"

using namespace varnelle;

namespace varnelle {

bool handleContact(Fmi3InstanceRecord& r, double states[model::stateCount], double time) {
    if (!model::reboundDue(states)) return false;
    const double before = states[model::velocityIndex];
    model::rebound(states, r.restitution);
    logMessage(r, fmi3OK, Category::info, "Rebound at t = %.4g: velocity %.4g -> %.4g", time, before,
               states[model::velocityIndex]);
    if (model::comesToRest(states, r.restSpeed)) {
        const double upwardSpeed = states[model::velocityIndex];
        model::putAtRest(states);
        r.atRest = true;
        logMessage(r, fmi3OK, Category::info, "At rest on the floor at t = %.4g: upward speed %.4g is below restSpeed %g",
                   time, upwardSpeed, r.restSpeed);
    }
    return true;
}

}  // namespace varnelle

extern "C" {

// Model exchange from Continuous-Time Mode; co-simulation from Step Mode,
// only for an instance created with event mode.
fmi3Status fmi3EnterEventMode(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    constexpr Modes modes = in(Mode::continuousTimeMode, Mode::stepMode);
    if (!allowedIn(*r, modes)) return refuseMode(*r, __func__, modes);
    if (r->interfaceType == Interface::coSimulation && !r->eventModeUsed)
        return refuse(*r, "%s: the instance was instantiated with eventModeUsed false", __func__);
    r->mode = Mode::eventMode;
    return fmi3OK;
}

// One call settles the event: the rebound (or the rest), if due, and flags
// that ask for no further iteration. The mass at rest asks to terminate.
fmi3Status fmi3UpdateDiscreteStates(fmi3Instance instance, fmi3Boolean* discreteStatesNeedUpdate,
                                    fmi3Boolean* terminateSimulation, fmi3Boolean* nominalsOfContinuousStatesChanged,
                                    fmi3Boolean* valuesOfContinuousStatesChanged, fmi3Boolean* nextEventTimeDefined,
                                    fmi3Float64* nextEventTime) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, in(Mode::eventMode))) return refuseMode(*r, __func__, in(Mode::eventMode));
    // Refused before the rebound: a host that cannot receive the flags must
    // not have its states changed behind its back.
    if (discreteStatesNeedUpdate == nullptr || terminateSimulation == nullptr ||
        nominalsOfContinuousStatesChanged == nullptr || valuesOfContinuousStatesChanged == nullptr ||
        nextEventTimeDefined == nullptr || nextEventTime == nullptr)
        return refuseNullPointer(*r, __func__, "one of the six out arguments");
    const bool changed = handleContact(*r, r->states, r->time);
    r->eventPending = false;
    *discreteStatesNeedUpdate = false;
    *terminateSimulation = r->atRest;
    *nominalsOfContinuousStatesChanged = false;
    *valuesOfContinuousStatesChanged = changed;
    *nextEventTimeDefined = false;
    *nextEventTime = 0.0;
    return fmi3OK;
}

}  // extern "C"
