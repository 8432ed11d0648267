// The communication step of corvane: the component advances the model by
// itself from one communication point to the next with a fixed-step explicit
// Euler integrator, and handles the floor contact it finds on the way with the
// same event handling that model exchange uses.
#include "communication_step.h"
#include "events.h"
#include "fmi2_record.h"

namespace {

// The record gets the working values once. `time` records the start of the
// last internal step and the derivatives those it took; a call that took no
// internal step leaves both as they were. Nothing in the component reads
// `time` back.
void endCommunicationStep(Fmi2InstanceRecord& r, const model::CommunicationStep& step) {
    r.eventIndicators[0] = step.indicator;
    height(r) = step.states[model::heightIndex];
    velocity(r) = step.states[model::velocityIndex];
    if (step.internalSteps == 0) return;
    r.time = step.lastStepStart;
    r.statesDerivative[model::heightIndex] = step.derivatives[model::heightIndex];
    r.statesDerivative[model::velocityIndex] = step.derivatives[model::velocityIndex];
}

}  // namespace

extern "C" {

fmi2Status fmi2DoStep(fmi2Component c, fmi2Real currentCommunicationPoint, fmi2Real communicationStepSize,
                      fmi2Boolean /*noSetFMUStatePriorToCurrentPoint*/) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    model::CommunicationStep step =
        model::beginCommunicationStep(currentCommunicationPoint, communicationStepSize, r.states);
    // At each contact the model's event handling runs (flags, then the
    // rebound when the mass is below the floor and falling); the event record
    // stays in the instance: co-simulation hands it to no one.
    model::takeInternalSteps(
        step, [&] { return gravity(r); },
        [&](model::CommunicationStep& s) {
            handleEvent(r.eventInfo, s.states, restitution(r));
            return true;
        },
        [](const model::CommunicationStep&) { return true; });
    endCommunicationStep(r, step);
    return model::stepCovered(step) ? fmi2OK : fmi2Discard;
}

}  // extern "C"
