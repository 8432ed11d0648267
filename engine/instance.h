// What both FMI versions do with an instance record: create it, give it the
// values of instantiation and the model's start values, log its
// initialisation and give its memory back. Each version's record supplies its
// callbacks (callbacks(r)) and the accessors height(r), velocity(r),
// gravity(r) and restitution(r); what only one version has it sets itself.
#ifndef REBOUNDER_INSTANCE_H
#define REBOUNDER_INSTANCE_H

#include "host_callbacks.h"
#include "logging.h"
#include "model_rules.h"

// Allocates the record through the host and checks the GUID; null when the
// host's callbacks cannot be used, the allocation fails or the GUID is not
// the model's (the block then goes straight back). Nothing is logged.
template <typename Record, typename Callbacks>
Record* createRecord(const Callbacks& functions, const char* instanceName, const char* guid) {
    // Without an allocator, a release function or a GUID there is nothing
    // safe to call or compare. A null logger is fine: that instance is silent.
    if (functions.allocateMemory == nullptr || functions.freeMemory == nullptr || guid == nullptr) return nullptr;
    auto* r = static_cast<Record*>(allocateBlock(functions, 1, sizeof(Record)));
    if (r == nullptr) return nullptr;
    if (!model::guidMatches(guid)) {
        releaseBlock(functions, r);
        return nullptr;
    }
    model::copyName(r->instanceName, instanceName);
    model::copyName(r->guid, guid);
    return r;
}

// The values instantiation gives every field both records have. The fields a
// zero-filling allocator would leave at zero are set too, so nothing depends
// on the host's allocator.
template <typename Record>
void setCommonInstantiationValues(Record& r) {
    for (unsigned k = 0; k < model::stateCount; ++k) {
        r.states[k] = 0.0;
        r.statesNominal[k] = model::stateNominal;
        r.statesDerivative[k] = 0.0;
    }
    r.eventIndicators[0] = model::initialEventIndicator;
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        r.reals[k] = 0.0;
        r.integers[k] = 0;
        r.booleans[k] = 0;
        r.strings[k] = nullptr;
    }
    r.time = 0.0;
    r.toleranceControlled = 0;
    r.relativeTolerance = 0.0;
    r.eventInfo = {};
}

// Initialisation overwrites whatever the host wrote before it.
template <typename Record>
void setStartValues(Record& r) {
    height(r) = model::startHeight;
    velocity(r) = model::startVelocity;
    gravity(r) = model::startGravity;
    restitution(r) = model::startRestitution;
}

// The banner and one line per real, each with an FMI variable reference for
// the host's logger to expand.
template <typename Record>
void logStartValues(Record& r) {
    logMessage(r, Record::ok, "INFO", "###### Initializing component ######");
    logMessage(r, Record::ok, "INFO", "Init #r%d#=%g", int(model::heightRef), height(r));
    logMessage(r, Record::ok, "INFO", "Init #r%d#=%g", int(model::velocityRef), velocity(r));
    logMessage(r, Record::ok, "INFO", "Init #r%d#=%g", int(model::gravityRef), gravity(r));
    logMessage(r, Record::ok, "INFO", "Init #r%d#=%g", int(model::restitutionRef), restitution(r));
}

// Returns each string block to the host; null entries are passed too, which
// the host's freeMemory accepts.
template <typename Record>
void releaseStrings(Record& r) {
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        releaseBlock(callbacks(r), r.strings[k]);
        r.strings[k] = nullptr;
    }
}

// The strings first, then the record itself (releaseBlock reads the release
// function before the record goes back to the host).
template <typename Record>
void freeRecord(Record* r) {
    if (r == nullptr) return;
    releaseStrings(*r);
    releaseBlock(callbacks(*r), r);
}

#endif
