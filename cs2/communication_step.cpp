// The communication step of corvane: the component advances the model by
// itself from one communication point to the next with a fixed-step explicit
// Euler integrator, and handles the floor contact it finds on the way with the
// same event handling that model exchange uses.
#include <float.h>
#include <math.h>

#include "events.h"
#include "fmi2_record.h"

namespace {

// The clock advances by repeated addition, and each addition may round by
// half a unit in the last place of the time it reaches: over the 100 internal
// steps of a capped call that is at most 50 units of DBL_EPSILON times the
// largest time passed. A capped step whose end the clock misses by less than
// twice that was covered; only the clock's rounding fell short. The tolerance
// stays far below one internal step for any time a host uses (2e-11 at
// t = 1000, 2e-7 at t = 1e7), so a step materially longer than 100 internal
// steps (1.000001 from any communication point) is still caught.
fmi2Real clockRoundingTolerance(fmi2Real start, fmi2Real end) {
    const fmi2Real magnitude = fabs(start) > fabs(end) ? fabs(start) : fabs(end);
    return model::maxInternalSteps * DBL_EPSILON * magnitude;
}

// The working values of one fmi2DoStep call. Nothing of them outlives the
// call: every call starts its clock afresh at its communication point, takes
// a fresh reference indicator and counts its internal steps from zero. The
// states, derivatives, indicator and clock stay here while the call runs, so
// that each internal step feeds the next from registers; the record gets
// them once, at the end of the call.
struct CommunicationStep {
    fmi2Real time;                // start of the next internal step
    fmi2Real endTime;             // the instant at which the call stops
    fmi2Real roundingTolerance;   // how far the clock may miss the end time by rounding alone
    fmi2Real lastStepStart;       // start of the last internal step taken
    fmi2Real referenceIndicator;  // the indicator at the start of the call or after its last event
    fmi2Real indicator;           // the indicator of the current height
    unsigned internalSteps;       // internal steps taken so far
    fmi2Real states[model::stateCount];
    fmi2Real derivatives[model::stateCount];
};

CommunicationStep beginCommunicationStep(Fmi2InstanceRecord& r, fmi2Real currentCommunicationPoint,
                                         fmi2Real communicationStepSize) {
    CommunicationStep step{};
    step.time = currentCommunicationPoint;
    step.endTime = currentCommunicationPoint + communicationStepSize;
    step.roundingTolerance = clockRoundingTolerance(currentCommunicationPoint, step.endTime);
    step.referenceIndicator = step.indicator = model::eventIndicator(height(r));
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
void handleSignChange(Fmi2InstanceRecord& r, CommunicationStep& step) {
    step.indicator = model::eventIndicator(step.states[model::heightIndex]);
    if (!(step.indicator * step.referenceIndicator < 0.0)) return;
    handleEvent(r.eventInfo, step.states, restitution(r));
    step.indicator = model::eventIndicator(step.states[model::heightIndex]);
    step.referenceIndicator = step.indicator;
}

// One explicit Euler step from the state at its start. The step is the fixed
// internal length, cut so that the last one ends exactly on the end time. The
// clock advances by repeated addition, never as a multiple of the step.
void takeEulerStep(const Fmi2InstanceRecord& r, CommunicationStep& step) {
    fmi2Real dt = model::internalStepSize;
    fmi2Real nextTime = step.time + dt;
    if (nextTime > step.endTime) {
        dt = step.endTime - step.time;
        nextTime = step.endTime;
    }
    model::refreshDerivatives(step.derivatives, step.states, r.reals[model::gravityRef]);
    // Each product is rounded before it is added: the results must be those
    // of plain IEEE double arithmetic in exactly this order.
    const fmi2Real heightChange = dt * step.derivatives[model::heightIndex];
    const fmi2Real velocityChange = dt * step.derivatives[model::velocityIndex];
    step.states[model::heightIndex] = step.states[model::heightIndex] + heightChange;
    step.states[model::velocityIndex] = step.states[model::velocityIndex] + velocityChange;
    step.time = nextTime;
}

// An internal step tests for an event on the state the previous one left,
// then integrates. The first internal step of a call never finds one, since
// its indicator is the reference itself.
void takeInternalStep(Fmi2InstanceRecord& r, CommunicationStep& step) {
    step.lastStepStart = step.time;
    ++step.internalSteps;
    handleSignChange(r, step);
    takeEulerStep(r, step);
}

// The record gets the working values once. `time` records the start of the
// last internal step and the derivatives those it took; a call that took no
// internal step leaves both as they were. Nothing in the component reads
// `time` back.
void endCommunicationStep(Fmi2InstanceRecord& r, const CommunicationStep& step) {
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
    CommunicationStep step = beginCommunicationStep(r, currentCommunicationPoint, communicationStepSize);
    while (!endReached(step) && !capReached(step)) takeInternalStep(r, step);

    // A crossing made by the last internal step would otherwise only be seen
    // by the next call, which takes its reference from a height already past
    // the floor and so never sees it: the mass would fall through the floor.
    // After no internal step at all (a zero, negative or NaN step) the height
    // is the one the reference was taken from: no event.
    handleSignChange(r, step);
    endCommunicationStep(r, step);

    // The cap stops a step that 100 internal steps do not cover; the model
    // then stands short of the end time, which the host must learn.
    // Strict: an infinite step, whose tolerance is infinite too, is never
    // taken as covered.
    const bool covered = endReached(step) || step.endTime - step.time < step.roundingTolerance;
    return covered ? fmi2OK : fmi2Discard;
}

}  // extern "C"
