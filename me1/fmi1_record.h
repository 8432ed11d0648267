// The FMI 1.0 instance record. Rebounder_fmiInstantiateModel hands the host a
// pointer to one of these as its fmiComponent; every other export works on
// that record alone. It is the same model as the FMI 2.0 components carry,
// laid out for FMI 1.0: one-byte booleans, the host's callbacks copied in,
// the state value references, and an FMI 1.0 event record.
#ifndef REBOUNDER_ME1_FMI1_RECORD_H
#define REBOUNDER_ME1_FMI1_RECORD_H

#include <stddef.h>

#include "fmi1.h"
#include "model_rules.h"

struct Fmi1InstanceRecord {
    // The FMI 1.0 types the shared engine works with; no storage.
    using Status = fmiStatus;
    static constexpr Status ok = fmiOK, error = fmiError, fatal = fmiFatal;
    static constexpr fmiBoolean booleanTrue = fmiTrue;

    fmiReal states[model::stateCount];  // height, velocity
    fmiReal statesNominal[model::stateCount];
    fmiValueReference stateValueReferences[model::stateCount];  // the real variables the states are
    fmiReal statesDerivative[model::stateCount];
    fmiReal eventIndicators[model::eventIndicatorCount];
    fmiReal reals[model::slotsPerType];  // entries 2 and 3: gravity, restitution
    fmiInteger integers[model::slotsPerType];
    fmiBoolean booleans[model::slotsPerType];  // one byte each, stored as given, never folded to 1
    char* strings[model::slotsPerType];        // blocks owned by the instance, or null
    fmiBoolean loggingOn;                      // one byte: any non-zero logs initialisation, only 1 echoes
    char instanceName[model::nameCapacity];
    char guid[model::nameCapacity];
    fmiCallbackFunctions functions;  // copied: the host's structure need not outlive instantiation
    fmiReal time;
    fmiBoolean callEventUpdate;  // fmiFalse for the instance's life: the host detects events itself
    fmiBoolean toleranceControlled;
    fmiReal relativeTolerance;
    fmiEventInfo eventInfo;  // kept between event updates, reset only by fmiInitialize
};

// The layout choices that set this record apart from the FMI 2.0 one.
static_assert(offsetof(Fmi1InstanceRecord, stateValueReferences) ==
                  offsetof(Fmi1InstanceRecord, statesNominal) + sizeof(fmiReal) * model::stateCount,
              "state value references follow the nominals");
static_assert(offsetof(Fmi1InstanceRecord, callEventUpdate) == offsetof(Fmi1InstanceRecord, time) + sizeof(fmiReal),
              "callEventUpdate follows time");

inline Fmi1InstanceRecord* asRecord(fmiComponent c) { return static_cast<Fmi1InstanceRecord*>(c); }

inline const fmiCallbackFunctions& callbacks(const Fmi1InstanceRecord& r) { return r.functions; }
// FMI 1.0 hands the logger the instance itself, not a host environment.
inline fmiComponent loggerArgument(Fmi1InstanceRecord& r) { return &r; }

inline fmiReal& height(Fmi1InstanceRecord& r) { return r.states[model::heightIndex]; }
inline fmiReal& velocity(Fmi1InstanceRecord& r) { return r.states[model::velocityIndex]; }
inline fmiReal& gravity(Fmi1InstanceRecord& r) { return r.reals[model::gravityRef]; }
inline fmiReal& restitution(Fmi1InstanceRecord& r) { return r.reals[model::restitutionRef]; }

#endif
