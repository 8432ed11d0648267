// The communication step of corvane: the component advances the model by
// itself from one communication point to the next with a fixed-step explicit
// Euler integrator, and handles the floor contact it finds on the way with the
// same event handling that model exchange uses.
#include "events.h"
#include "record.h"

namespace {

// The working values of one fmi2DoStep call. Nothing of them outlives the
// call: every call starts its clock afresh at its communication point, takes
// a fresh reference indicator and counts its internal steps from zero.
struct CommunicationStep {
    fmi2Real time;                // start of the next internal step
    fmi2Real endTime;             // the instant at which the call stops
    fmi2Real referenceIndicator;  // the indicator at the start of the call or after its last event
    unsigned internalSteps;       // internal steps taken so far
    // The states while the call runs. Between internal steps they stay here,
    // not in the record, so that each step's result feeds the next one from a
    // register instead of a store and a reload; the record gets them back
    // at the end of the call.
    fmi2Real states[model::stateCount];
};

CommunicationStep beginCommunicationStep(InstanceRecord& r, fmi2Real currentCommunicationPoint,
                                         fmi2Real communicationStepSize) {
    CommunicationStep step{};
    step.time = currentCommunicationPoint;
    step.endTime = currentCommunicationPoint + communicationStepSize;
    step.referenceIndicator = refreshEventIndicator(r);
    step.internalSteps = 0;
    step.states[model::heightIndex] = height(r);
    step.states[model::velocityIndex] = velocity(r);
    return step;
}

// Written as "not greater" so that a NaN end time or clock counts as reached:
// a zero, negative or NaN step takes no internal step at all.
bool endReached(const CommunicationStep& step) { return !(step.endTime > step.time); }

bool capReached(const CommunicationStep& step) { return step.internalSteps >= model::maxInternalSteps; }

// The event test: the indicator of the current height against the reference.
// Only a strictly negative product is a sign change; zero or NaN is none.
// At an event the model's event handling runs (flags, then the rebound when
// the mass is below the floor and falling), and the indicator of the new
// height becomes the reference for the rest of the call. The event record
// stays in the instance: co-simulation hands it to no one.
void handleSignChange(InstanceRecord& r, CommunicationStep& step) {
    const fmi2Real indicator = model::eventIndicator(step.states[model::heightIndex]);
    r.eventIndicators[0] = indicator;
    if (!(indicator * step.referenceIndicator < 0.0)) return;
    handleEvent(r.eventInfo, step.states, restitution(r));
    step.referenceIndicator = model::eventIndicator(step.states[model::heightIndex]);
    r.eventIndicators[0] = step.referenceIndicator;
}

// One explicit Euler step from the state at its start. The step is the fixed
// internal length, cut so that the last one ends exactly on the end time. The
// clock advances by repeated addition, never as a multiple of the step.
void takeEulerStep(InstanceRecord& r, CommunicationStep& step) {
    fmi2Real dt = model::internalStepSize;
    fmi2Real nextTime = step.time + dt;
    if (nextTime > step.endTime) {
        dt = step.endTime - step.time;
        nextTime = step.endTime;
    }
    model::refreshDerivatives(r.statesDerivative, step.states, gravity(r));
    // Each product is rounded before it is added: the results must be those
    // of plain IEEE double arithmetic in exactly this order.
    const fmi2Real heightChange = dt * r.statesDerivative[model::heightIndex];
    const fmi2Real velocityChange = dt * r.statesDerivative[model::velocityIndex];
    step.states[model::heightIndex] = step.states[model::heightIndex] + heightChange;
    step.states[model::velocityIndex] = step.states[model::velocityIndex] + velocityChange;
    step.time = nextTime;
}

// An internal step tests for an event on the state the previous one left,
// then integrates. The first internal step of a call never finds one, since
// its indicator is the reference itself. `time` records the start of the
// internal step; nothing in the component reads it back.
void takeInternalStep(InstanceRecord& r, CommunicationStep& step) {
    r.time = step.time;
    ++step.internalSteps;
    handleSignChange(r, step);
    takeEulerStep(r, step);
}

}  // namespace

extern "C" {

fmi2Status fmi2DoStep(fmi2Component c, fmi2Real currentCommunicationPoint, fmi2Real communicationStepSize,
                      fmi2Boolean /*noSetFMUStatePriorToCurrentPoint*/) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    CommunicationStep step = beginCommunicationStep(r, currentCommunicationPoint, communicationStepSize);
    if (endReached(step)) return fmi2OK;

    while (!endReached(step) && !capReached(step)) takeInternalStep(r, step);

    // A crossing made by the last internal step would otherwise only be seen
    // by the next call, which takes its reference from a height already past
    // the floor and so never sees it: the mass would fall through the floor.
    handleSignChange(r, step);
    height(r) = step.states[model::heightIndex];
    velocity(r) = step.states[model::velocityIndex];

    // The cap stops a step that 100 internal steps do not cover; the model
    // then stands short of the end time, which the host must learn.
    return endReached(step) ? fmi2OK : fmi2Discard;
}

}  // extern "C"
