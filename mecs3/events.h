// The model's event handling on a varnelle instance: shared by model
// exchange's fmi3UpdateDiscreteStates, co-simulation's Event Mode and the
// contacts fmi3DoStep handles itself.
#ifndef REBOUNDER_MECS3_EVENTS_H
#define REBOUNDER_MECS3_EVENTS_H

#include "fmi3_record.h"

namespace varnelle {

// A mass below the floor and falling rebounds (the rule of the FMI 2.0
// components); a rebound that leaves less upward speed than restSpeed puts
// it at rest on the floor for good. Both are logged, at `time`. Works on the
// states given, so that the communication step can apply it to the states
// it holds while it runs. Whether the states changed.
bool handleContact(Fmi3InstanceRecord& r, double states[model::stateCount], double time);

}  // namespace varnelle

#endif
