// The model's rules applied to an FMI 2.0 instance: shared by the
// model-exchange entry points and the co-simulation step.
#ifndef REBOUNDER_CORE2_EVENTS_H
#define REBOUNDER_CORE2_EVENTS_H

#include "fmi2_record.h"

// Handles an event: clears the event record, then rebounds when it is due.
// The record never asks for another iteration, a time event or termination.
// Takes the states and the event record apart so that the communication step
// can apply it to the states it holds in registers while it runs.
inline void handleEvent(fmi2EventInfo& eventInfo, fmi2Real states[model::stateCount], fmi2Real restitution) {
    eventInfo.newDiscreteStatesNeeded = fmi2False;
    eventInfo.terminateSimulation = fmi2False;
    eventInfo.nominalsOfContinuousStatesChanged = fmi2False;
    eventInfo.nextEventTimeDefined = fmi2False;
    eventInfo.nextEventTime = -0.0;
    const bool reboundApplies = model::reboundDue(states);
    if (reboundApplies) model::rebound(states, restitution);
    eventInfo.valuesOfContinuousStatesChanged = reboundApplies ? fmi2True : fmi2False;
}

// The same on an instance's own states and event record.
inline void handleEvent(Fmi2InstanceRecord& r) { handleEvent(r.eventInfo, r.states, restitution(r)); }

#endif
