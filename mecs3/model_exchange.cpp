// Model-exchange entry points of varnelle. The host integrates: it sets time
// and states, reads derivatives and the event indicator, detects the
// indicator's sign change itself and calls fmi3UpdateDiscreteStates in Event
// Mode, which applies the rebound.
#include <math.h>

#include "fmi3_record.h"
#include "messages.h"

using namespace varnelle;

namespace {

constexpr Modes afterInitialization =
    in(Mode::initializationMode, Mode::eventMode, Mode::continuousTimeMode, Mode::terminated);

// The one place where a count from the host meets one of the model's
// vectors: the count must be the model's, and the array there when it is not
// 0. Copies nothing when refused.
// The host's array and the record's never overlap (__restrict): the copy
// is two plain moves.
[[nodiscard]] fmi3Status copyVector(Fmi3InstanceRecord& r, const char* function, const double* __restrict from,
                                    double* __restrict to, size_t count, size_t modelCount) {
    if (count != modelCount)
        return refuse(r, "%s: the count is %zu, but the model has %zu", function, count, modelCount);
    if (from == nullptr || to == nullptr) return refuseNullArray(r, function, "the array", count);
    for (size_t k = 0; k < count; ++k) to[k] = from[k];
    return fmi3OK;
}

[[nodiscard]] fmi3Status countOut(Fmi3InstanceRecord* r, const char* function, size_t* count, size_t modelCount) {
    if (r == nullptr) return fmi3Error;
    constexpr Modes modes = in(Mode::instantiated, Mode::eventMode);
    const fmi3Status admitted = admit(*r, function, Interface::modelExchange, modes);
    if (admitted != fmi3OK) return admitted;
    if (count == nullptr) return refuseNullPointer(*r, function, "the count");
    *count = modelCount;
    return fmi3OK;
}

}  // namespace

extern "C" {

fmi3Status fmi3EnterContinuousTimeMode(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, in(Mode::eventMode));
    if (admitted != fmi3OK) return admitted;
    r->mode = Mode::continuousTimeMode;
    return fmi3OK;
}

// The model has no explicit time dependence: the time is kept, and read
// back as the variable `time`.
fmi3Status fmi3SetTime(fmi3Instance instance, fmi3Float64 time) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, in(Mode::continuousTimeMode));
    if (admitted != fmi3OK) return admitted;
    if (!isfinite(time)) return refuse(*r, "%s: time %g is not a finite time", __func__, time);
    r->time = time;
    return fmi3OK;
}

fmi3Status fmi3SetContinuousStates(fmi3Instance instance, const fmi3Float64 continuousStates[],
                                   size_t nContinuousStates) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, in(Mode::continuousTimeMode));
    if (admitted != fmi3OK) return admitted;
    return copyVector(*r, __func__, continuousStates, r->states, nContinuousStates, model::stateCount);
}

fmi3Status fmi3GetContinuousStates(fmi3Instance instance, fmi3Float64 continuousStates[], size_t nContinuousStates) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, afterInitialization);
    if (admitted != fmi3OK) return admitted;
    return copyVector(*r, __func__, r->states, continuousStates, nContinuousStates, model::stateCount);
}

fmi3Status fmi3GetNominalsOfContinuousStates(fmi3Instance instance, fmi3Float64 nominals[], size_t nContinuousStates) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, afterInitialization);
    if (admitted != fmi3OK) return admitted;
    constexpr double statesNominal[model::stateCount] = {model::stateNominal, model::stateNominal};
    return copyVector(*r, __func__, statesNominal, nominals, nContinuousStates, model::stateCount);
}

// Velocity and gravity; both 0 for a mass at rest.
fmi3Status fmi3GetContinuousStateDerivatives(fmi3Instance instance, fmi3Float64 derivatives[],
                                             size_t nContinuousStates) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, afterInitialization);
    if (admitted != fmi3OK) return admitted;
    double statesDerivative[model::stateCount];
    model::refreshDerivatives(statesDerivative, r->states, acceleration(*r));
    return copyVector(*r, __func__, statesDerivative, derivatives, nContinuousStates, model::stateCount);
}

fmi3Status fmi3GetEventIndicators(fmi3Instance instance, fmi3Float64 eventIndicators[], size_t nEventIndicators) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, afterInitialization);
    if (admitted != fmi3OK) return admitted;
    const double contact[model::eventIndicatorCount] = {model::eventIndicator(r->states[model::heightIndex])};
    return copyVector(*r, __func__, contact, eventIndicators, nEventIndicators, model::eventIndicatorCount);
}

fmi3Status fmi3GetNumberOfContinuousStates(fmi3Instance instance, size_t* nContinuousStates) {
    return countOut(asRecord(instance), __func__, nContinuousStates, model::stateCount);
}

fmi3Status fmi3GetNumberOfEventIndicators(fmi3Instance instance, size_t* nEventIndicators) {
    return countOut(asRecord(instance), __func__, nEventIndicators, model::eventIndicatorCount);
}

// needsCompletedIntegratorStep is false: the component never asks for event
// mode or termination here; it relies on the host's detection of the event
// indicator's sign change.
fmi3Status fmi3CompletedIntegratorStep(fmi3Instance instance, fmi3Boolean /*noSetFMUStatePriorToCurrentPoint*/,
                                       fmi3Boolean* enterEventMode, fmi3Boolean* terminateSimulation) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    const fmi3Status admitted = admit(*r, __func__, Interface::modelExchange, in(Mode::continuousTimeMode));
    if (admitted != fmi3OK) return admitted;
    if (enterEventMode == nullptr || terminateSimulation == nullptr)
        return refuseNullPointer(*r, __func__, "enterEventMode or terminateSimulation");
    *enterEventMode = false;
    *terminateSimulation = false;
    return fmi3OK;
}

}  // extern "C"
