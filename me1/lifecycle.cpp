// Creating, initialising, configuring and releasing an FMI 1.0 instance, and
// the two fixed queries.
#include "../include/abi_checks.h"
#include "logging.h"
#include "record.h"

namespace {

// Every value instantiation gives the record. The fields a host's zero-filling
// allocator would leave at zero are set too, so nothing depends on it.
void setInstantiationValues(InstanceRecord& r) {
    for (unsigned k = 0; k < model::stateCount; ++k) {
        r.states[k] = 0.0;
        r.statesNominal[k] = model::stateNominal;
        r.statesDerivative[k] = 0.0;
    }
    r.stateValueReferences[model::heightIndex] = model::heightRef;
    r.stateValueReferences[model::velocityIndex] = model::velocityRef;
    r.eventIndicators[0] = model::initialEventIndicator;
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        r.reals[k] = 0.0;
        r.integers[k] = 0;
        r.booleans[k] = fmiFalse;
        r.strings[k] = nullptr;
    }
    r.time = 0.0;
    r.callEventUpdate = fmiFalse;
    r.toleranceControlled = fmiFalse;
    r.relativeTolerance = 0.0;
    r.eventInfo = fmiEventInfo{};
}

// The event record as initialisation leaves it: every flag false,
// iterationConverged included, and a next event time of -0.0.
void resetEventInfo(InstanceRecord& r) {
    r.eventInfo.iterationConverged = fmiFalse;
    r.eventInfo.stateValueReferencesChanged = fmiFalse;
    r.eventInfo.stateValuesChanged = fmiFalse;
    r.eventInfo.terminateSimulation = fmiFalse;
    r.eventInfo.upcomingTimeEvent = fmiFalse;
    r.eventInfo.nextEventTime = -0.0;
}

void logInitialisation(InstanceRecord& r) {
    logMessage(r, fmiOK, "INFO", "###### Initializing component ######");
    logMessage(r, fmiOK, "INFO", "Init #r%d#=%g", int(model::heightRef), height(r));
    logMessage(r, fmiOK, "INFO", "Init #r%d#=%g", int(model::velocityRef), velocity(r));
    logMessage(r, fmiOK, "INFO", "Init #r%d#=%g", int(model::gravityRef), gravity(r));
    logMessage(r, fmiOK, "INFO", "Init #r%d#=%g", int(model::restitutionRef), restitution(r));
    // Variable references a host cannot resolve: a negative value reference,
    // one without its closing hash sign, an undefined type letter and a real
    // no variable has. Category "ERROR" with status OK on purpose: nothing has
    // failed, they only exercise the host's reference expansion.
    logMessage(r, fmiOK, "ERROR", "Bad reference: #r-1#");
    logMessage(r, fmiOK, "ERROR", "Bad reference: #r1");
    logMessage(r, fmiOK, "ERROR", "Bad reference: #t1#");
    logMessage(r, fmiOK, "ERROR", "Bad reference: #r10#");
}

}  // namespace

extern "C" {

const char* Rebounder_fmiGetModelTypesPlatform(void) { return fmiModelTypesPlatform; }

const char* Rebounder_fmiGetVersion(void) { return fmiVersion; }

fmiComponent Rebounder_fmiInstantiateModel(fmiString instanceName, fmiString GUID, fmiCallbackFunctions functions,
                                           fmiBoolean loggingOn) {
    // Without an allocator, a release function or a GUID there is nothing
    // safe to call or compare. A null logger is fine: that instance is silent.
    if (GUID == nullptr || functions.allocateMemory == nullptr || functions.freeMemory == nullptr) return nullptr;
    auto* r = static_cast<InstanceRecord*>(functions.allocateMemory(1, sizeof(InstanceRecord)));
    if (r == nullptr) return nullptr;
    if (!model::guidMatches(GUID)) {
        functions.freeMemory(r);
        return nullptr;
    }
    model::copyName(r->instanceName, instanceName);
    model::copyName(r->guid, GUID);
    r->functions = functions;
    r->loggingOn = loggingOn;
    setInstantiationValues(*r);
    return r;
}

void Rebounder_fmiFreeModelInstance(fmiComponent c) {
    if (c == nullptr) return;
    InstanceRecord& r = *asRecord(c);
    // Every entry goes back, null ones included, which freeMemory accepts.
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        r.functions.freeMemory(r.strings[k]);
        r.strings[k] = nullptr;
    }
    // Read the release function before the record goes: it must not be
    // touched once it is back with the host.
    const fmiCallbackFreeMemory freeMemory = r.functions.freeMemory;
    freeMemory(&r);
}

fmiStatus Rebounder_fmiSetDebugLogging(fmiComponent c, fmiBoolean loggingOn) {
    if (c == nullptr) return fmiFatal;
    asRecord(c)->loggingOn = loggingOn;
    return fmiOK;
}

fmiStatus Rebounder_fmiInitialize(fmiComponent c, fmiBoolean toleranceControlled, fmiReal relativeTolerance,
                                  fmiEventInfo* eventInfo) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    if (eventInfo == nullptr) return refuse(r, "%s: the eventInfo pointer is null", "fmiInitialize");
    r.toleranceControlled = toleranceControlled;
    r.relativeTolerance = relativeTolerance;
    resetEventInfo(r);
    height(r) = model::startHeight;
    velocity(r) = model::startVelocity;
    gravity(r) = model::startGravity;
    restitution(r) = model::startRestitution;
    // Any non-zero flag logs here; the string echo needs exactly fmiTrue.
    if (r.loggingOn != fmiFalse) logInitialisation(r);
    *eventInfo = r.eventInfo;
    return fmiOK;
}

fmiStatus Rebounder_fmiTerminate(fmiComponent c) { return c == nullptr ? fmiFatal : fmiOK; }

}  // extern "C"
