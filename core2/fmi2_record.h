// The FMI 2.0 instance record shared by the model-exchange and co-simulation
// libraries. fmi2Instantiate hands the host a pointer to one of these as its
// fmi2Component; every other export works on that record alone.
#ifndef REBOUNDER_CORE2_FMI2_RECORD_H
#define REBOUNDER_CORE2_FMI2_RECORD_H

#include "fmi2.h"
#include "model_rules.h"

constexpr unsigned derivativeTableRows = 2;    // real input/output value references 0 and 1
constexpr unsigned derivativeTableColumns = 3;  // derivative orders 0, 1 and 2
constexpr unsigned derivativeTableSize = derivativeTableRows * derivativeTableColumns;

struct Fmi2InstanceRecord {
    // The FMI 2.0 types the shared engine works with; no storage.
    using Status = fmi2Status;
    static constexpr Status ok = fmi2OK, error = fmi2Error, fatal = fmi2Fatal;
    static constexpr fmi2Boolean booleanTrue = fmi2True;

    fmi2Real states[model::stateCount];  // height, velocity
    fmi2Real statesNominal[model::stateCount];
    fmi2Real statesDerivative[model::stateCount];
    fmi2Real eventIndicators[model::eventIndicatorCount];
    fmi2Real reals[model::slotsPerType];  // entries 2 and 3: gravity, restitution
    fmi2Integer integers[model::slotsPerType];
    fmi2Boolean booleans[model::slotsPerType];  // stored as given, never folded to 1
    char* strings[model::slotsPerType];         // blocks owned by the instance, or null
    fmi2Boolean loggingOn;
    char instanceName[model::nameCapacity];
    char guid[model::nameCapacity];
    const fmi2CallbackFunctions* functions;  // the host's structure, kept by pointer
    fmi2Real time;
    fmi2Boolean toleranceControlled;
    fmi2Real relativeTolerance;
    fmi2EventInfo eventInfo;
    char fmuLocation[model::nameCapacity];
    fmi2Boolean visible;
    fmi2Real startTime;
    fmi2Boolean stopTimeDefined;
    fmi2Real stopTime;
    fmi2Real inputRealDerivatives[derivativeTableSize];
    fmi2Real outputRealDerivatives[derivativeTableSize];
};

inline Fmi2InstanceRecord* asRecord(fmi2Component c) { return static_cast<Fmi2InstanceRecord*>(c); }

inline const fmi2CallbackFunctions& callbacks(const Fmi2InstanceRecord& r) { return *r.functions; }
inline fmi2ComponentEnvironment loggerArgument(const Fmi2InstanceRecord& r) { return r.functions->componentEnvironment; }

inline fmi2Real& height(Fmi2InstanceRecord& r) { return r.states[model::heightIndex]; }
inline fmi2Real& velocity(Fmi2InstanceRecord& r) { return r.states[model::velocityIndex]; }
inline fmi2Real& gravity(Fmi2InstanceRecord& r) { return r.reals[model::gravityRef]; }
inline fmi2Real& restitution(Fmi2InstanceRecord& r) { return r.reals[model::restitutionRef]; }

#endif
