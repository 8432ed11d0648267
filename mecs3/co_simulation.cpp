// Co-simulation entry points of varnelle. fmi3DoStep runs the model's
// communication step (corvane's Euler arithmetic, the same contact test and
// cap) and adds what FMI 3.0 hosts must handle: contacts returned as events
// in event mode, early return, the intermediate-update callback, the rest.
#include <math.h>

#include "communication_step.h"
#include "events.h"
#include "fmi3_record.h"
#include "host_callbacks.h"
#include "messages.h"

using namespace varnelle;

namespace {

// How a call ended, beside the states it moved.
struct StepEnd {
    bool contactReturned;       // a contact waits for Event Mode
    bool earlyReturnIgnored;    // the host asked to return early without having allowed it
};

// A contact found by an internal step: with event mode and early return the
// call returns at once, the mass not yet rebounded, for the host's Event
// Mode; otherwise the contact is handled here as corvane handles it. A rest
// reached with early return allowed returns there. Whether the call goes on.
bool handleContactInStep(Fmi3InstanceRecord& r, model::CommunicationStep& step, StepEnd& end) {
    if (r.eventModeUsed && r.earlyReturnAllowed) {
        end.contactReturned = true;
        return false;
    }
    // Handled on a copy: the step's own states never leave the loop, so the
    // compiler keeps them in registers from one internal step to the next.
    double states[model::stateCount] = {step.states[model::heightIndex], step.states[model::velocityIndex]};
    handleContact(r, states, step.time);
    step.states[model::heightIndex] = states[model::heightIndex];
    step.states[model::velocityIndex] = states[model::velocityIndex];
    return !(r.atRest && r.earlyReturnAllowed);
}

// After each internal step the host's intermediateUpdate, when given, sees
// the step's end: the instance is in Intermediate Update Mode while it runs,
// its states those of the step. Whether the call goes on: not after a call
// refused inside the callback, nor after an early return the host requested
// and allowed.
bool afterInternalStep(Fmi3InstanceRecord& r, const model::CommunicationStep& step, StepEnd& end) {
    r.states[model::heightIndex] = step.states[model::heightIndex];
    r.states[model::velocityIndex] = step.states[model::velocityIndex];
    r.time = step.time;
    fmi3Boolean earlyReturnRequested = false;
    fmi3Float64 earlyReturnTime = step.time;
    r.mode = Mode::intermediateUpdateMode;
    if constexpr (recordingCalls)
        recording::intermediateUpdateCalled(&r, step.time, false, true, true, r.earlyReturnAllowed);
    r.intermediateUpdate(r.instanceEnvironment, step.time, false, true, true, r.earlyReturnAllowed,
                         &earlyReturnRequested, &earlyReturnTime);
    if constexpr (recordingCalls) recording::intermediateUpdateReturned(&r, &earlyReturnRequested, earlyReturnTime);
    r.mode = Mode::stepMode;
    if (r.refusedInCallback) return false;
    if (!truth(earlyReturnRequested)) return true;
    if (r.earlyReturnAllowed) return false;
    if (!end.earlyReturnIgnored)
        logMessage(r, fmi3Warning, Category::warning,
                   "fmi3DoStep: intermediateUpdate requested an early return at t = %.4g, which the host did not "
                   "allow (earlyReturnAllowed false); the step goes on",
                   step.time);
    end.earlyReturnIgnored = true;
    return true;
}

// A step the instance can take: none while a contact waits for the host's
// Event Mode (the mass below the floor never moves on), a positive length,
// from the instance's own time (within the clock's rounding), not past a
// defined stop time. OK, or the refusal.
[[nodiscard]] fmi3Status checkStep(Fmi3InstanceRecord& r, const char* function, double currentCommunicationPoint,
                                   double communicationStepSize) {
    if (r.eventPending)
        return refuse(r, "%s: an event at t = %.4g waits: call fmi3EnterEventMode and fmi3UpdateDiscreteStates first",
                      function, r.eventTime);
    if (!(communicationStepSize > 0.0))
        return refuse(r, "%s: communicationStepSize %g is not positive", function, communicationStepSize);
    if (!(fabs(currentCommunicationPoint - r.time) <=
          model::clockRoundingTolerance(currentCommunicationPoint, r.time)))
        return refuse(r, "%s: currentCommunicationPoint %.17g is not the instance's time %.17g", function,
                      currentCommunicationPoint, r.time);
    const double endTime = currentCommunicationPoint + communicationStepSize;
    if (r.stopTimeDefined && endTime - r.stopTime > model::clockRoundingTolerance(currentCommunicationPoint, endTime))
        return refuse(r, "%s: the step ends at %.17g, past the stop time %.17g", function, endTime, r.stopTime);
    return fmi3OK;
}

// The model's internal steps with varnelle's contact handling. Without a
// callback nothing happens between internal steps: that loop is corvane's.
void takeInternalSteps(Fmi3InstanceRecord& r, model::CommunicationStep& step, StepEnd& end) {
    const auto currentAcceleration = [&] { return acceleration(r); };
    const auto contact = [&](model::CommunicationStep& s) { return handleContactInStep(r, s, end); };
    if (r.intermediateUpdate == nullptr) {
        model::takeInternalSteps(step, currentAcceleration, contact, [](const model::CommunicationStep&) {
            return true;
        });
    } else {
        model::takeInternalSteps(step, currentAcceleration, contact,
                                 [&](const model::CommunicationStep& s) { return afterInternalStep(r, s, end); });
    }
}

}  // namespace

extern "C" {

fmi3Status fmi3EnterStepMode(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::coSimulation, in(Mode::eventMode));
    if (admitted != fmi3OK) return admitted;
    r->mode = Mode::stepMode;
    return fmi3OK;
}

fmi3Status fmi3DoStep(fmi3Instance instance, fmi3Float64 currentCommunicationPoint,
                      fmi3Float64 communicationStepSize, fmi3Boolean /*noSetFMUStatePriorToCurrentPoint*/,
                      fmi3Boolean* eventHandlingNeeded, fmi3Boolean* terminateSimulation, fmi3Boolean* earlyReturn,
                      fmi3Float64* lastSuccessfulTime) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::coSimulation, in(Mode::stepMode));
    if (admitted != fmi3OK) return admitted;
    if (eventHandlingNeeded == nullptr || terminateSimulation == nullptr || earlyReturn == nullptr ||
        lastSuccessfulTime == nullptr)
        return refuseNullPointer(*r, __func__, "one of the four out arguments");
    const fmi3Status acceptable = checkStep(*r, __func__, currentCommunicationPoint, communicationStepSize);
    if (acceptable != fmi3OK) return acceptable;
    // In FMI 3.0 Discard means the step did not happen: nothing changes, and
    // the cap is known before the intermediate-update callback is called.
    if (!r->earlyReturnAllowed && !model::capCovers(currentCommunicationPoint, communicationStepSize)) {
        logMessage(*r, fmi3Discard, Category::warning,
                   "%s: a step of %g takes more than %u internal steps of %g; nothing was done, a shorter step may "
                   "follow",
                   __func__, communicationStepSize, model::maxInternalSteps, model::internalStepSize);
        return fmi3Discard;
    }

    model::CommunicationStep step =
        model::beginCommunicationStep(currentCommunicationPoint, communicationStepSize, r->states);
    StepEnd end{};
    takeInternalSteps(*r, step, end);

    const bool covered = model::stepCovered(step);
    r->states[model::heightIndex] = step.states[model::heightIndex];
    r->states[model::velocityIndex] = step.states[model::velocityIndex];
    r->time = covered ? step.endTime : step.time;
    if (r->refusedInCallback) {
        r->refusedInCallback = false;
        return refuse(*r, "%s: ends at t = %.4g: a call inside intermediateUpdate was refused", __func__, r->time);
    }
    r->eventPending = end.contactReturned;
    r->eventTime = r->time;
    *eventHandlingNeeded = end.contactReturned;
    *terminateSimulation = r->atRest;
    *earlyReturn = !covered;
    *lastSuccessfulTime = r->time;
    return end.earlyReturnIgnored ? fmi3Warning : fmi3OK;
}

}  // extern "C"
