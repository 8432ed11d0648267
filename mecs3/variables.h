// varnelle's variables: value references, unique across types, each with its
// type, its size and how the host may touch it. The exports that read and
// write them are in variables.cpp.
#ifndef REBOUNDER_MECS3_VARIABLES_H
#define REBOUNDER_MECS3_VARIABLES_H

#include <stddef.h>

#include "fmi3_record.h"

namespace varnelle {

constexpr fmi3ValueReference timeRef = 0, heightRef = 1, velocityRef = 2, accelerationRef = 3, gravityRef = 4,
                             restitutionRef = 5, contactRef = 6, restSpeedRef = 7;
constexpr fmi3ValueReference firstIntegerRef = 10, firstBooleanRef = 20, firstStringRef = 30;
constexpr fmi3ValueReference binaryRef = 40, samplesRef = 50;

constexpr double startSamples[sampleCount] = {1.5, 2.5, 3.5};
// Start values that exercise a host's CSV writer: a comma, a quote, nothing.
constexpr const char* startStrings[slotsPerType] = {"Rebounder", "comma, inside", "quote \" inside", ""};
constexpr fmi3Byte startBinary[] = {0x00, 0xFF, 0x00, 0x80};  // a zero byte inside is data

// Restitution keeps between none and all of the speed.
constexpr double minRestitution = 0.0, maxRestitution = 1.0;

enum class ValueType : unsigned char {
    float32, float64, int8, uint8, int16, uint16, int32, uint32, int64, uint64, boolean, string, binary
};

// How the host may write a variable: which states allow it.
enum class Access : unsigned char {
    independent,  // time: never written
    state,        // before initialisation ends, and in Continuous-Time Mode
    calculated,   // never written
    tunable,      // a tunable parameter: before initialisation ends, in Event Mode and Step Mode
    fixed,        // a fixed parameter: before initialisation ends
};

struct VariableInfo {
    const char* name;
    ValueType type;
    Access access;
    unsigned size;  // elements; 1 for a scalar
};

// The variable a value reference names, or null.
const VariableInfo* findVariable(fmi3ValueReference vr);

const char* typeName(ValueType type);

// Gives back the copies of strings and binaries the host set; the variables
// hold their start values again.
void releaseOwnedValues(Fmi3InstanceRecord& r);

}  // namespace varnelle

#endif
