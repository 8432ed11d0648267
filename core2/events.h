// The model's rules applied to an FMI 2.0 instance: shared by the
// model-exchange entry points and the co-simulation step.
#ifndef REBOUNDER_CORE2_EVENTS_H
#define REBOUNDER_CORE2_EVENTS_H

#include "record.h"

inline void refreshDerivatives(InstanceRecord& r) {
    model::refreshDerivatives(r.statesDerivative, r.states, gravity(r));
}

// Recomputes the event indicator from the current height, stores and returns it.
inline fmi2Real refreshEventIndicator(InstanceRecord& r) {
    r.eventIndicators[0] = model::eventIndicator(height(r));
    return r.eventIndicators[0];
}

// Handles an event: clears the event record, then rebounds when the mass is
// below the floor and still falling (both tests strict). The record never
// asks for another iteration, a time event or termination.
inline void handleEvent(InstanceRecord& r) {
    r.eventInfo.newDiscreteStatesNeeded = fmi2False;
    r.eventInfo.terminateSimulation = fmi2False;
    r.eventInfo.nominalsOfContinuousStatesChanged = fmi2False;
    r.eventInfo.nextEventTimeDefined = fmi2False;
    r.eventInfo.nextEventTime = -0.0;
    const bool reboundApplies = height(r) < 0.0 && velocity(r) < 0.0;
    if (reboundApplies) model::rebound(r.states, restitution(r));
    r.eventInfo.valuesOfContinuousStatesChanged = reboundApplies ? fmi2True : fmi2False;
}

#endif
