// The FMI 3.0 instance record of varnelle, one library for model exchange and
// co-simulation. The instantiate functions hand the host a pointer to one of
// these as its fmi3Instance; every other export works on that record alone.
#ifndef REBOUNDER_MECS3_FMI3_RECORD_H
#define REBOUNDER_MECS3_FMI3_RECORD_H

#include "fmi3.h"
#include "model_rules.h"

namespace varnelle {

// The states of an instance's state machine. Configuration and
// Reconfiguration Mode are never entered: the model has no structural
// parameters.
enum class Mode : unsigned char {
    instantiated,
    initializationMode,
    eventMode,
    continuousTimeMode,
    stepMode,
    intermediateUpdateMode,
    terminated,
};

enum class Interface : unsigned char { modelExchange, coSimulation };

// Log categories, as the model description lists them.
enum class Category : unsigned char { info, warning, error };
constexpr unsigned categoryCount = 3;

constexpr unsigned slotsPerType = 4;  // integer0..3, boolean0..3, string0..3
constexpr unsigned sampleCount = 3;   // the Float64 array `samples`

struct Fmi3InstanceRecord {
    Interface interfaceType;
    Mode mode;

    // The host's callbacks and what it asked for at instantiation.
    fmi3InstanceEnvironment instanceEnvironment;
    fmi3LogMessageCallback logMessage;         // may be null: nothing is logged
    bool loggingOnAtInstantiation;             // what fmi3Reset restores
    bool categoryOn[categoryCount];            // switched by fmi3SetDebugLogging
    char* instanceName;                        // copies owned by the instance, or null
    char* resourcePath;
    bool visible;
    unsigned loggerCalls;  // how many calls of logMessage are running

    // Co-simulation only.
    bool eventModeUsed;
    bool earlyReturnAllowed;
    fmi3IntermediateUpdateCallback intermediateUpdate;  // may be null: never called
    bool heightIntermediate, velocityIntermediate;      // named in requiredIntermediateVariables
    bool eventPending;           // a contact returned from fmi3DoStep waits for Event Mode
    double eventTime;            // its time
    bool refusedInCallback;      // a call inside intermediateUpdate was refused

    // The model.
    double states[model::stateCount];  // height, velocity
    double gravity;
    double restitution;
    double restSpeed;
    double samples[sampleCount];
    fmi3Int32 integers[slotsPerType];
    fmi3Boolean booleans[slotsPerType];
    char* strings[slotsPerType];  // copies owned by the instance; null: the start value
    fmi3Byte* binary;             // the same for binary0, with its size
    size_t binarySize;
    bool atRest;  // since a rebound too slow to leave the floor

    // Time: model exchange the last fmi3SetTime (or the start time),
    // co-simulation the end of the last step taken.
    double time;
    double startTime;
    bool stopTimeDefined;
    double stopTime;
};

// A boolean from the host, read as the byte it is: any byte but 0 is true.
// Reading a byte other than 0 or 1 as a bool is undefined behaviour, and a
// host built for FMI 2.0's four-byte booleans may pass one.
inline bool truth(const fmi3Boolean& value) { return reinterpret_cast<const unsigned char&>(value) != 0; }

inline Fmi3InstanceRecord* asRecord(fmi3Instance instance) { return static_cast<Fmi3InstanceRecord*>(instance); }

// The acceleration of the mass: gravity, 0 at rest.
inline double acceleration(const Fmi3InstanceRecord& r) { return r.atRest ? 0.0 : r.gravity; }

}  // namespace varnelle

#endif
