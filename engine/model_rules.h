// The bouncing-ball model: its fixed numbers and its rules, with no knowledge
// of which FMI version or interface carries them. The FMI 2.0 core and the
// FMI 1.0 component both compile these inline functions into their own
// library, so the rules exist once in source and never as shared code.
#ifndef REBOUNDER_MODEL_RULES_H
#define REBOUNDER_MODEL_RULES_H

namespace model {

// Start values. FMI 1.0 and 2.0 set them at initialisation whatever the host
// wrote before; FMI 3.0 holds them from instantiation on.
constexpr double startHeight = 1.0;
constexpr double startVelocity = 4.0;
constexpr double startGravity = -9.81;
constexpr double startRestitution = 0.5;
// FMI 3.0 only: a rebound that leaves less upward speed than this puts the
// mass at rest on the floor.
constexpr double startRestSpeed = 0.25;

constexpr double stateNominal = 1.0;
constexpr double derivativeTableValue = 13.0;  // every output derivative, the only input derivative accepted
constexpr double internalStepSize = 0.01;        // co-simulation Euler step
constexpr unsigned maxInternalSteps = 100;       // per communication step
constexpr double lastSuccessfulTime = 0.01;      // the fixed answer of the real status query
constexpr double initialEventIndicator = 10000000000.0;
// Keeps the indicator off exactly zero so its sign is defined at the floor.
constexpr double eventIndicatorOffset = 1e-16;

constexpr unsigned stateCount = 2;
constexpr unsigned eventIndicatorCount = 1;
constexpr unsigned heightIndex = 0, velocityIndex = 1;  // in the state vector

// Value references, counted per type.
constexpr unsigned heightRef = 0, velocityRef = 1, gravityRef = 2, restitutionRef = 3;
constexpr unsigned accelerationRef = 4;  // FMI 2.0 only: calculated, equal to gravity
constexpr unsigned slotsPerType = 4;  // integers, booleans, strings and the stored reals
constexpr unsigned echoedStringRef = 0;  // writes to this string are echoed to the logger

// State k is the real variable with value reference k: the FMI 1.0 state
// value references and the model descriptions' derivative entries say so.
static_assert(heightRef == heightIndex && velocityRef == velocityIndex, "states are reals 0 and 1, in order");

constexpr char expectedGuid[] = "123";
constexpr unsigned nameCapacity = 1024;

// Positive at height 0 and -0.0, following the height's sign elsewhere; a NaN
// height fails the comparison and takes the negative branch.
inline double eventIndicator(double height) {
    return height >= 0.0 ? height + eventIndicatorOffset : height - eventIndicatorOffset;
}

// The derivative of height is velocity, the derivative of velocity is gravity.
inline void refreshDerivatives(double statesDerivative[stateCount], const double states[stateCount],
                               double gravity) {
    statesDerivative[heightIndex] = states[velocityIndex];
    statesDerivative[velocityIndex] = gravity;
}

// The same two rules on an instance record of either FMI version: the
// derivatives and the indicator are refreshed in the record from its states.
template <typename Record>
void refreshDerivatives(Record& r) {
    refreshDerivatives(r.statesDerivative, r.states, r.reals[gravityRef]);
}

template <typename Record>
void refreshEventIndicator(Record& r) {
    r.eventIndicators[0] = eventIndicator(r.states[heightIndex]);
}

// When an event is handled, the mass rebounds only when it is below the floor
// and still falling (both tests strict): a mass that already moves up is left
// alone. A NaN state fails the comparison and does not rebound.
inline bool reboundDue(const double states[stateCount]) {
    return states[heightIndex] < 0.0 && states[velocityIndex] < 0.0;
}

// FMI 1.0 variant of the rebound test: the height alone decides. A mass below
// the floor that already moves up still rebounds, its velocity turned
// downward and scaled by the restitution.
inline bool reboundDueFmi1(const double states[stateCount]) { return states[heightIndex] < 0.0; }

// At a rebound the mass is put on the floor and its velocity reversed and
// scaled by the restitution.
inline void rebound(double states[stateCount], double restitution) {
    const double velocity = states[velocityIndex];
    states[heightIndex] = 0.0;
    states[velocityIndex] = -(velocity * restitution);
}

// FMI 3.0 only: after a rebound, a mass whose upward speed is below the rest
// speed comes to rest. A NaN velocity fails the comparison and keeps moving.
inline bool comesToRest(const double states[stateCount], double restSpeed) {
    return states[velocityIndex] < restSpeed;
}

// A mass at rest lies on the floor without moving; its derivatives are 0
// from then on (refreshed with acceleration 0).
inline void putAtRest(double states[stateCount]) {
    states[heightIndex] = 0.0;
    states[velocityIndex] = 0.0;
}

// The instance was instantiated for this model only when its GUID is exactly
// "123". Bytes are compared in order and the comparison stops at the first
// difference, so nothing past the host's terminator is read.
inline bool guidMatches(const char* guid) {
    for (unsigned i = 0; i < sizeof expectedGuid; ++i) {
        if (guid[i] != expectedGuid[i]) return false;
    }
    return true;
}

// Copies a host string into a fixed name field, truncating to capacity - 1
// characters; a null source is stored as the empty string.
inline void copyName(char (&field)[nameCapacity], const char* source) {
    unsigned i = 0;
    if (source != nullptr) {
        for (; i + 1 < nameCapacity && source[i] != '\0'; ++i) field[i] = source[i];
    }
    field[i] = '\0';
}

}  // namespace model

#endif
