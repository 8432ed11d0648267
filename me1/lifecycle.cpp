// Creating, initialising, configuring and releasing an FMI 1.0 instance, and
// the two fixed queries.
#include "abi_checks.h"
#include "instance.h"
#include "fmi1_record.h"

namespace {

// The event record as initialisation leaves it: every flag false,
// iterationConverged included, and a next event time of -0.0.
void resetEventInfo(Fmi1InstanceRecord& r) {
    r.eventInfo = {.iterationConverged = fmiFalse, .stateValueReferencesChanged = fmiFalse,
                   .stateValuesChanged = fmiFalse, .terminateSimulation = fmiFalse, .upcomingTimeEvent = fmiFalse,
                   .nextEventTime = -0.0};
}

// Variable references a host cannot resolve: a negative value reference, one
// without its closing hash sign, an undefined type letter and a real no
// variable has. Category "ERROR" with status OK on purpose: nothing has
// failed, they only exercise the host's reference expansion.
void logBadReferences(Fmi1InstanceRecord& r) {
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
    Fmi1InstanceRecord* r = createRecord<Fmi1InstanceRecord>(functions, instanceName, GUID);
    if (r == nullptr) return nullptr;
    r->functions = functions;
    r->loggingOn = loggingOn;
    setCommonInstantiationValues(*r);
    r->stateValueReferences[model::heightIndex] = model::heightRef;
    r->stateValueReferences[model::velocityIndex] = model::velocityRef;
    r->callEventUpdate = fmiFalse;
    return r;
}

void Rebounder_fmiFreeModelInstance(fmiComponent c) { freeRecord(asRecord(c)); }

fmiStatus Rebounder_fmiSetDebugLogging(fmiComponent c, fmiBoolean loggingOn) {
    if (c == nullptr) return fmiFatal;
    asRecord(c)->loggingOn = loggingOn;
    return fmiOK;
}

fmiStatus Rebounder_fmiInitialize(fmiComponent c, fmiBoolean toleranceControlled, fmiReal relativeTolerance,
                                  fmiEventInfo* eventInfo) {
    if (c == nullptr) return fmiFatal;
    Fmi1InstanceRecord& r = *asRecord(c);
    if (eventInfo == nullptr) return refuseNullPointer(r, __func__, "eventInfo");
    r.toleranceControlled = toleranceControlled;
    r.relativeTolerance = relativeTolerance;
    resetEventInfo(r);
    setStartValues(r);
    // Any non-zero flag logs here; the string echo needs exactly fmiTrue.
    if (r.loggingOn != fmiFalse) {
        logStartValues(r);
        logBadReferences(r);
    }
    *eventInfo = r.eventInfo;
    return fmiOK;
}

fmiStatus Rebounder_fmiTerminate(fmiComponent c) { return c == nullptr ? fmiFatal : fmiOK; }

}  // extern "C"
