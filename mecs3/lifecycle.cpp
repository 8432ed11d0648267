// The life of a varnelle instance: instantiation (model exchange or
// co-simulation), logging switches, initialisation, termination, reset and
// release.
#include <math.h>

#include "fmi3_abi_checks.h"
#include "fmi3_record.h"
#include "memory.h"
#include "messages.h"
#include "variables.h"

using namespace varnelle;

namespace {

// The values a new instance has, and an instance after fmi3Reset: the
// variables' start values, logging as the host asked at instantiation.
void setStartValues(Fmi3InstanceRecord& r) {
    releaseOwnedValues(r);
    r.mode = Mode::instantiated;
    r.states[model::heightIndex] = model::startHeight;
    r.states[model::velocityIndex] = model::startVelocity;
    r.gravity = model::startGravity;
    r.restitution = model::startRestitution;
    r.restSpeed = model::startRestSpeed;
    for (unsigned k = 0; k < sampleCount; ++k) r.samples[k] = startSamples[k];
    for (unsigned k = 0; k < slotsPerType; ++k) {
        r.integers[k] = 0;
        r.booleans[k] = false;
    }
    r.atRest = false;
    r.eventPending = false;
    r.eventTime = 0.0;
    r.refusedInCallback = false;
    r.time = r.startTime = 0.0;
    r.stopTimeDefined = false;
    r.stopTime = 0.0;
    for (bool& on : r.categoryOn) on = r.loggingOnAtInstantiation;
}

// The checks and the record both instantiate functions share. Null when the
// token is not the model's or memory is out; the reason is logged when the
// host asked for logging and gave a logger.
Fmi3InstanceRecord* createRecord(const char* function, fmi3String instanceName, fmi3String instantiationToken,
                                 fmi3String resourcePath, bool visible, bool loggingOn,
                                 fmi3InstanceEnvironment instanceEnvironment, fmi3LogMessageCallback logMessage) {
    if (instantiationToken == nullptr || !model::guidMatches(instantiationToken)) {
        logRefusedInstantiation(logMessage, instanceEnvironment, loggingOn,
                                "%s: instantiationToken \"%.100s\" is not this model's (\"%s\")", function,
                                instantiationToken == nullptr ? "(null)" : instantiationToken, model::expectedGuid);
        return nullptr;
    }
    auto* r = static_cast<Fmi3InstanceRecord*>(allocateBlock(1, sizeof(Fmi3InstanceRecord)));
    if (r != nullptr) {
        r->instanceName = copyString(instanceName);
        r->resourcePath = copyString(resourcePath);
    }
    const bool copied = r != nullptr && (instanceName == nullptr || r->instanceName != nullptr) &&
                        (resourcePath == nullptr || r->resourcePath != nullptr);
    if (!copied) {
        if (r != nullptr) {
            releaseBlock(r->instanceName);
            releaseBlock(r->resourcePath);
            releaseBlock(r);
        }
        logRefusedInstantiation(logMessage, instanceEnvironment, loggingOn, "%s: out of memory", function);
        return nullptr;
    }
    r->visible = visible;
    r->instanceEnvironment = instanceEnvironment;
    r->logMessage = logMessage;
    r->loggingOnAtInstantiation = loggingOn;
    setStartValues(*r);
    return r;
}

// The host's intermediate variables: only height and velocity may be named.
bool intermediateVariablesKnown(const fmi3ValueReference references[], size_t count, size_t& bad) {
    for (bad = 0; bad < count; ++bad) {
        if (references[bad] != heightRef && references[bad] != velocityRef) return false;
    }
    return true;
}

// What initialisation logs, in this order: the start values with variable
// references for the logger to expand, then one message for each thing a
// logger must leave as it is.
void logInitialization(Fmi3InstanceRecord& r) {
    const auto info = [&](const char* text) { logMessage(r, fmi3OK, Category::info, "%s", text); };
    logMessage(r, fmi3OK, Category::info, "Init #%u#=%g", heightRef, r.states[model::heightIndex]);
    logMessage(r, fmi3OK, Category::info, "Init #%u#=%g", velocityRef, r.states[model::velocityIndex]);
    logMessage(r, fmi3OK, Category::info, "Init #%u#=%g", gravityRef, r.gravity);
    logMessage(r, fmi3OK, Category::info, "Init #%u#=%g", restitutionRef, r.restitution);
    info("Unknown reference #99#, sent as it is");
    info("Negative reference #-1#, sent as it is");
    info("Unterminated reference #1, sent as it is");
    info("An escaped ## stands for one hash sign");
    // Plain text: a host that uses the message as a printf format shows
    // garbage here, or crashes, which is what this message is for.
    info("Restitution keeps 50% of the speed; %s, %d and %n are plain text here");
}

}  // namespace

extern "C" {

const char* fmi3GetVersion(void) { return fmi3Version; }

fmi3Status fmi3SetDebugLogging(fmi3Instance instance, fmi3Boolean loggingOn, size_t nCategories,
                               const fmi3String categories[]) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, settledModes)) return refuseMode(*r, __func__, settledModes);
    if (nCategories > 0 && categories == nullptr) return refuseNullArray(*r, __func__, "categories", nCategories);
    // Every name is checked before any category is switched.
    Category category{};
    for (size_t i = 0; i < nCategories; ++i) {
        if (!findCategory(categories[i], category))
            return refuse(*r, "%s: categories[%zu] \"%.100s\" is not a log category (INFO, WARNING, ERROR)", __func__,
                          i, categories[i] == nullptr ? "(null)" : categories[i]);
    }
    const bool on = truth(loggingOn);
    if (nCategories == 0) {
        for (bool& categoryOn : r->categoryOn) categoryOn = on;
    }
    for (size_t i = 0; i < nCategories; ++i) {
        if (findCategory(categories[i], category)) r->categoryOn[unsigned(category)] = on;
    }
    return fmi3OK;
}

fmi3Instance fmi3InstantiateModelExchange(fmi3String instanceName, fmi3String instantiationToken,
                                          fmi3String resourcePath, fmi3Boolean visible, fmi3Boolean loggingOn,
                                          fmi3InstanceEnvironment instanceEnvironment,
                                          fmi3LogMessageCallback logMessage) {
    Fmi3InstanceRecord* r = createRecord(__func__, instanceName, instantiationToken, resourcePath, truth(visible),
                                         truth(loggingOn), instanceEnvironment, logMessage);
    if (r == nullptr) return nullptr;
    r->interfaceType = Interface::modelExchange;
    return r;
}

fmi3Instance fmi3InstantiateCoSimulation(fmi3String instanceName, fmi3String instantiationToken,
                                         fmi3String resourcePath, fmi3Boolean visible, fmi3Boolean loggingOn,
                                         fmi3Boolean eventModeUsed, fmi3Boolean earlyReturnAllowed,
                                         const fmi3ValueReference requiredIntermediateVariables[],
                                         size_t nRequiredIntermediateVariables,
                                         fmi3InstanceEnvironment instanceEnvironment,
                                         fmi3LogMessageCallback logMessage,
                                         fmi3IntermediateUpdateCallback intermediateUpdate) {
    size_t bad = 0;
    if (nRequiredIntermediateVariables > 0 && requiredIntermediateVariables == nullptr) {
        logRefusedInstantiation(logMessage, instanceEnvironment, truth(loggingOn),
                                "%s: requiredIntermediateVariables is null while its count is %zu", __func__,
                                nRequiredIntermediateVariables);
        return nullptr;
    }
    if (!intermediateVariablesKnown(requiredIntermediateVariables, nRequiredIntermediateVariables, bad)) {
        logRefusedInstantiation(logMessage, instanceEnvironment, truth(loggingOn),
                                "%s: requiredIntermediateVariables[%zu] = %u is not an intermediate variable "
                                "(height #%u#, velocity #%u#)",
                                __func__, bad, requiredIntermediateVariables[bad], heightRef, velocityRef);
        return nullptr;
    }
    Fmi3InstanceRecord* r = createRecord(__func__, instanceName, instantiationToken, resourcePath, truth(visible),
                                         truth(loggingOn), instanceEnvironment, logMessage);
    if (r == nullptr) return nullptr;
    r->interfaceType = Interface::coSimulation;
    r->eventModeUsed = truth(eventModeUsed);
    r->earlyReturnAllowed = truth(earlyReturnAllowed);
    r->intermediateUpdate = intermediateUpdate;
    for (size_t i = 0; i < nRequiredIntermediateVariables; ++i) {
        if (requiredIntermediateVariables[i] == heightRef) r->heightIntermediate = true;
        if (requiredIntermediateVariables[i] == velocityRef) r->velocityIntermediate = true;
    }
    return r;
}

// Inside the intermediate-update callback the instance is in use by the
// step that called it: freeing it there is refused and ignored, never a use
// after free when the step goes on. The same inside the host's logger, which
// must not call back at all: ignored without a message, which would call
// the logger again.
void fmi3FreeInstance(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr || r->loggerCalls > 0) return;
    if (r->mode == Mode::intermediateUpdateMode) {
        (void)refuse(*r, "fmi3FreeInstance: not allowed inside intermediateUpdate; the instance is kept");
        return;
    }
    releaseOwnedValues(*r);
    releaseBlock(r->instanceName);
    releaseBlock(r->resourcePath);
    releaseBlock(r);
}

fmi3Status fmi3EnterInitializationMode(fmi3Instance instance, fmi3Boolean /*toleranceDefined*/,
                                       fmi3Float64 /*tolerance*/, fmi3Float64 startTime, fmi3Boolean stopTimeDefined,
                                       fmi3Float64 stopTime) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, in(Mode::instantiated))) return refuseMode(*r, __func__, in(Mode::instantiated));
    if (!isfinite(startTime)) return refuse(*r, "%s: startTime %g is not a finite time", __func__, startTime);
    // Written "not at or after" so that a NaN stop time is refused too.
    if (truth(stopTimeDefined) && !(stopTime >= startTime))
        return refuse(*r, "%s: stopTime %g is before startTime %g", __func__, stopTime, startTime);
    r->time = r->startTime = startTime;
    r->stopTimeDefined = truth(stopTimeDefined);
    r->stopTime = stopTime;
    r->mode = Mode::initializationMode;
    logInitialization(*r);
    return fmi3OK;
}

// Model exchange, and co-simulation with event mode, go on in Event Mode;
// co-simulation without it in Step Mode.
fmi3Status fmi3ExitInitializationMode(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, in(Mode::initializationMode))) return refuseMode(*r, __func__, in(Mode::initializationMode));
    const bool eventMode = r->interfaceType == Interface::modelExchange || r->eventModeUsed;
    r->mode = eventMode ? Mode::eventMode : Mode::stepMode;
    return fmi3OK;
}

fmi3Status fmi3Terminate(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    constexpr Modes initialized = in(Mode::eventMode, Mode::continuousTimeMode, Mode::stepMode);
    if (!allowedIn(*r, initialized)) return refuseMode(*r, __func__, initialized);
    r->mode = Mode::terminated;
    return fmi3OK;
}

// Back to the state of a new instance: start values, no event waiting, not
// at rest, logging as at instantiation. The interface and the co-simulation
// choices of instantiation stay.
fmi3Status fmi3Reset(fmi3Instance instance) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, settledModes)) return refuseMode(*r, __func__, settledModes);
    setStartValues(*r);
    return fmi3OK;
}

}  // extern "C"
