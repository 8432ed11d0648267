// Creating, setting up, initialising, resetting and releasing an FMI 2.0
// instance, and the two fixed queries.
#include "../include/abi_checks.h"
#include "events.h"
#include "logging.h"
#include "record.h"

namespace {

// Every value that instantiation gives the record; fmi2Reset restores the
// same. The fields a zero-filling allocator leaves at zero are set too, so
// nothing depends on the host's allocator.
void setInstantiationValues(InstanceRecord& r) {
    for (unsigned k = 0; k < model::stateCount; ++k) {
        r.states[k] = 0.0;
        r.statesNominal[k] = model::stateNominal;
        r.statesDerivative[k] = 0.0;
    }
    r.eventIndicators[0] = model::initialEventIndicator;
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        r.reals[k] = 0.0;
        r.integers[k] = 0;
        r.booleans[k] = fmi2False;
        r.strings[k] = nullptr;
    }
    for (unsigned k = 0; k < derivativeTableSize; ++k) {
        r.inputRealDerivatives[k] = 0.0;
        r.outputRealDerivatives[k] = model::derivativeTableValue;
    }
    r.time = 0.0;
    r.toleranceControlled = fmi2False;
    r.relativeTolerance = 0.0;
    r.eventInfo = fmi2EventInfo{};
    r.startTime = 0.0;
    r.stopTimeDefined = fmi2False;
    r.stopTime = 0.0;
}

// Returns each string block to the host; null entries are passed too, which
// the host's freeMemory accepts.
void releaseStrings(InstanceRecord& r) {
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        r.functions->freeMemory(r.strings[k]);
        r.strings[k] = nullptr;
    }
}

}  // namespace

extern "C" {

const char* fmi2GetTypesPlatform(void) { return fmi2TypesPlatform; }

const char* fmi2GetVersion(void) { return fmi2Version; }

fmi2Component fmi2Instantiate(fmi2String instanceName, fmi2Type, fmi2String fmuGUID, fmi2String fmuResourceLocation,
                              const fmi2CallbackFunctions* functions, fmi2Boolean visible, fmi2Boolean loggingOn) {
    // Without an allocator, a release function or a GUID there is nothing
    // safe to call or compare.
    if (functions == nullptr || functions->allocateMemory == nullptr || functions->freeMemory == nullptr ||
        fmuGUID == nullptr)
        return nullptr;
    auto* r = static_cast<InstanceRecord*>(functions->allocateMemory(1, sizeof(InstanceRecord)));
    if (r == nullptr) return nullptr;
    if (!model::guidMatches(fmuGUID)) {
        functions->freeMemory(r);
        return nullptr;
    }
    model::copyName(r->instanceName, instanceName);
    model::copyName(r->guid, fmuGUID);
    r->loggingOn = loggingOn;
    r->functions = functions;
    setInstantiationValues(*r);
    model::copyName(r->fmuLocation, fmuResourceLocation);
    r->visible = visible;
    return r;
}

void fmi2FreeInstance(fmi2Component c) {
    if (c == nullptr) return;
    InstanceRecord* r = asRecord(c);
    releaseStrings(*r);
    // Read the release function before the record goes: it must not be
    // touched once it is back with the host.
    const fmi2CallbackFreeMemory freeMemory = r->functions->freeMemory;
    freeMemory(r);
}

fmi2Status fmi2SetDebugLogging(fmi2Component c, fmi2Boolean loggingOn, size_t, const fmi2String[]) {
    if (c == nullptr) return fmi2Fatal;
    asRecord(c)->loggingOn = loggingOn;
    return fmi2OK;
}

fmi2Status fmi2SetupExperiment(fmi2Component c, fmi2Boolean toleranceDefined, fmi2Real tolerance,
                               fmi2Real startTime, fmi2Boolean stopTimeDefined, fmi2Real stopTime) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord* r = asRecord(c);
    r->toleranceControlled = toleranceDefined;
    r->relativeTolerance = tolerance;
    r->startTime = startTime;
    r->stopTimeDefined = stopTimeDefined;
    r->stopTime = stopTime;
    return fmi2OK;
}

fmi2Status fmi2EnterInitializationMode(fmi2Component c) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    height(r) = model::startHeight;
    velocity(r) = model::startVelocity;
    gravity(r) = model::startGravity;
    restitution(r) = model::startRestitution;
    if (r.loggingOn != fmi2False) {
        logMessage(r, fmi2OK, "INFO", "###### Initializing component ######");
        logMessage(r, fmi2OK, "INFO", "Init #r%d#=%g", int(model::heightRef), height(r));
        logMessage(r, fmi2OK, "INFO", "Init #r%d#=%g", int(model::velocityRef), velocity(r));
        logMessage(r, fmi2OK, "INFO", "Init #r%d#=%g", int(model::gravityRef), gravity(r));
        logMessage(r, fmi2OK, "INFO", "Init #r%d#=%g", int(model::restitutionRef), restitution(r));
    }
    return fmi2OK;
}

// The mode changes have nothing to do: the instance keeps no mode.
fmi2Status fmi2ExitInitializationMode(fmi2Component) { return fmi2OK; }

fmi2Status fmi2Terminate(fmi2Component c) { return c == nullptr ? fmi2Fatal : fmi2OK; }

// Puts the instance back in the state instantiation left it in. What the
// host gave at instantiation (names, callbacks, visibility) and the logging
// switch stay; string values go back to the host.
fmi2Status fmi2Reset(fmi2Component c) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    releaseStrings(r);
    setInstantiationValues(r);
    return fmi2OK;
}

}  // extern "C"
