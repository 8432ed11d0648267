// Creating, setting up, initialising, resetting and releasing an FMI 2.0
// instance, and the two fixed queries.
#include "abi_checks.h"
#include "instance.h"
#include "fmi2_record.h"

namespace {

// Every value that instantiation gives the record; fmi2Reset restores the
// same.
void setInstantiationValues(Fmi2InstanceRecord& r) {
    setCommonInstantiationValues(r);
    for (unsigned k = 0; k < derivativeTableSize; ++k) {
        r.inputRealDerivatives[k] = 0.0;
        r.outputRealDerivatives[k] = model::derivativeTableValue;
    }
    r.startTime = 0.0;
    r.stopTimeDefined = fmi2False;
    r.stopTime = 0.0;
}

}  // namespace

extern "C" {

const char* fmi2GetTypesPlatform(void) { return fmi2TypesPlatform; }

const char* fmi2GetVersion(void) { return fmi2Version; }

fmi2Component fmi2Instantiate(fmi2String instanceName, fmi2Type, fmi2String fmuGUID, fmi2String fmuResourceLocation,
                              const fmi2CallbackFunctions* functions, fmi2Boolean visible, fmi2Boolean loggingOn) {
    if (functions == nullptr) return nullptr;
    Fmi2InstanceRecord* r = createRecord<Fmi2InstanceRecord>(*functions, instanceName, fmuGUID);
    if (r == nullptr) return nullptr;
    r->loggingOn = loggingOn;
    r->functions = functions;
    setInstantiationValues(*r);
    model::copyName(r->fmuLocation, fmuResourceLocation);
    r->visible = visible;
    return r;
}

void fmi2FreeInstance(fmi2Component c) { freeRecord(asRecord(c)); }

fmi2Status fmi2SetDebugLogging(fmi2Component c, fmi2Boolean loggingOn, size_t, const fmi2String[]) {
    if (c == nullptr) return fmi2Fatal;
    asRecord(c)->loggingOn = loggingOn;
    return fmi2OK;
}

fmi2Status fmi2SetupExperiment(fmi2Component c, fmi2Boolean toleranceDefined, fmi2Real tolerance,
                               fmi2Real startTime, fmi2Boolean stopTimeDefined, fmi2Real stopTime) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord* r = asRecord(c);
    r->toleranceControlled = toleranceDefined;
    r->relativeTolerance = tolerance;
    r->startTime = startTime;
    r->stopTimeDefined = stopTimeDefined;
    r->stopTime = stopTime;
    return fmi2OK;
}

fmi2Status fmi2EnterInitializationMode(fmi2Component c) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    setStartValues(r);
    if (r.loggingOn != fmi2False) logStartValues(r);
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
    Fmi2InstanceRecord& r = *asRecord(c);
    releaseStrings(r);
    setInstantiationValues(r);
    return fmi2OK;
}

}  // extern "C"
