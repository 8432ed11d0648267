// The co-simulation communication step of the model: from one communication
// point to the next with fixed explicit Euler steps of 0.01, at most 100 a
// call, and the floor-contact test after each of them. corvane (FMI 2.0) and
// varnelle (FMI 3.0) both run it; what each does at a contact, and between
// internal steps, is theirs.
#ifndef REBOUNDER_COMMUNICATION_STEP_H
#define REBOUNDER_COMMUNICATION_STEP_H

#include <float.h>
#include <math.h>

#include "model_rules.h"

namespace model {

// The clock advances by repeated addition, and each addition may round by
// half a unit in the last place of the time it reaches: over the 100 internal
// steps of a capped call that is at most 50 units of DBL_EPSILON times the
// largest time passed. A capped step whose end the clock misses by less than
// twice that was covered; only the clock's rounding fell short. The tolerance
// stays far below one internal step for any time a host uses (2e-11 at
// t = 1000, 2e-7 at t = 1e7), so a step materially longer than 100 internal
// steps (1.000001 from any communication point) is still caught.
inline double clockRoundingTolerance(double start, double end) {
    const double magnitude = fabs(start) > fabs(end) ? fabs(start) : fabs(end);
    return maxInternalSteps * DBL_EPSILON * magnitude;
}

// The working values of one communication step. Nothing of them outlives the
// call: every call starts its clock afresh at its communication point, takes
// a fresh reference indicator and counts its internal steps from zero. The
// states, derivatives, indicator and clock stay here while the call runs, so
// that each internal step feeds the next from registers; the instance gets
// them when the call ends.
struct CommunicationStep {
    double time;                // start of the next internal step
    double endTime;             // the instant at which the call stops
    double roundingTolerance;   // how far the clock may miss the end time by rounding alone
    double lastStepStart;       // start of the last internal step taken
    double referenceIndicator;  // the indicator at the start of the call or after its last contact
    double indicator;           // the indicator of the current height
    unsigned internalSteps;     // internal steps taken so far
    double states[stateCount];
    double derivatives[stateCount];
};

inline CommunicationStep beginCommunicationStep(double currentCommunicationPoint, double communicationStepSize,
                                                const double states[stateCount]) {
    CommunicationStep step{};
    step.time = currentCommunicationPoint;
    step.endTime = currentCommunicationPoint + communicationStepSize;
    step.roundingTolerance = clockRoundingTolerance(currentCommunicationPoint, step.endTime);
    step.referenceIndicator = step.indicator = eventIndicator(states[heightIndex]);
    step.states[heightIndex] = states[heightIndex];
    step.states[velocityIndex] = states[velocityIndex];
    return step;
}

// Written as "not greater" so that a NaN end time or clock counts as reached:
// a zero, negative or NaN step takes no internal step at all.
inline bool endReached(const CommunicationStep& step) { return !(step.endTime > step.time); }

inline bool capReached(const CommunicationStep& step) { return step.internalSteps >= maxInternalSteps; }

// The cap stops a step that 100 internal steps do not cover; the model then
// stands short of the end time, which the host must learn. Strict: an
// infinite step, whose tolerance is infinite too, is never taken as covered.
inline bool stepCovered(const CommunicationStep& step) {
    return endReached(step) || step.endTime - step.time < step.roundingTolerance;
}

// The next internal step's length: the fixed internal length, cut so that the
// last one ends exactly on the end time. The clock advances by repeated
// addition, never as a multiple of the step.
inline double advanceClock(CommunicationStep& step) {
    double dt = internalStepSize;
    double nextTime = step.time + dt;
    if (nextTime > step.endTime) {
        dt = step.endTime - step.time;
        nextTime = step.endTime;
    }
    step.lastStepStart = step.time;
    step.time = nextTime;
    ++step.internalSteps;
    return dt;
}

// Whether 100 internal steps will cover a step, known before it is taken.
// A step of at most 100 internal lengths always is: each clock addition
// rounds by at most half a unit in the last place of the time it reaches,
// so 100 of them fall short of 100 internal lengths (which is at least
// 1.0, since 0.01 as a double is slightly more than 0.01) by at most 50
// units of DBL_EPSILON times the largest time passed, less than the
// rounding tolerance. A longer step runs the clock alone.
inline bool capCovers(double currentCommunicationPoint, double communicationStepSize) {
    if (communicationStepSize <= maxInternalSteps * internalStepSize) return true;
    const double noStates[stateCount] = {};
    CommunicationStep clock = beginCommunicationStep(currentCommunicationPoint, communicationStepSize, noStates);
    while (!endReached(clock) && !capReached(clock)) advanceClock(clock);
    return stepCovered(clock);
}

// One explicit Euler step from the state at its start, with the acceleration
// the model has there (gravity; 0 for a mass at rest).
inline void takeEulerStep(CommunicationStep& step, double acceleration) {
    const double dt = advanceClock(step);
    refreshDerivatives(step.derivatives, step.states, acceleration);
    // Each product is rounded before it is added: the results must be those
    // of plain IEEE double arithmetic in exactly this order.
    const double heightChange = dt * step.derivatives[heightIndex];
    const double velocityChange = dt * step.derivatives[velocityIndex];
    step.states[heightIndex] = step.states[heightIndex] + heightChange;
    step.states[velocityIndex] = step.states[velocityIndex] + velocityChange;
}

// The contact test: the indicator of the current height against the
// reference. Only a strictly negative product is a sign change; zero or NaN
// is none.
inline bool contactFound(CommunicationStep& step) {
    step.indicator = eventIndicator(step.states[heightIndex]);
    return step.indicator * step.referenceIndicator < 0.0;
}

// After a contact is handled, the indicator of the new height becomes the
// reference for the rest of the call.
inline void restartContactTest(CommunicationStep& step) {
    step.indicator = eventIndicator(step.states[heightIndex]);
    step.referenceIndicator = step.indicator;
}

// The internal steps of one call, until the end time or the cap. After each
// Euler step comes the contact test, so a crossing made by the last step of
// a call is handled by that call: a reference taken from a height already
// past the floor would never see it, and the mass would fall through the
// floor. handleContact(step) deals with a contact and says whether the call
// goes on (the contact test then restarts from the new height);
// afterInternalStep(step) runs once the step's contact is handled and says
// whether the call goes on. acceleration() is read before every Euler step.
template <typename Acceleration, typename HandleContact, typename AfterInternalStep>
void takeInternalSteps(CommunicationStep& step, Acceleration acceleration, HandleContact handleContact,
                       AfterInternalStep afterInternalStep) {
    while (!endReached(step) && !capReached(step)) {
        takeEulerStep(step, acceleration());
        if (contactFound(step)) {
            if (!handleContact(step)) return;
            restartContactTest(step);
        }
        if (!afterInternalStep(step)) return;
    }
}

}  // namespace model

#endif
