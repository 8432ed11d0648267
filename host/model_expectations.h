// The bouncing-ball model as a host can re-derive it: its numbers, the
// components, and the arithmetic a test, a benchmark baseline, the fuzzer, the
// host check or the reference-result generator repeats to know what a component
// must answer. Written apart from the components' own constants, so that a
// wrong number in a component makes a test fail instead of agreeing with
// itself.
//
// Every rule is plain double arithmetic in a fixed order (the tree builds with
// -ffp-contract=off), so a result computed here equals the component's bit for
// bit, and an inline benchmark baseline that calls these functions compiles to
// the code it would have spelled out itself.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

namespace expected {

// Start values, set by initialisation whatever the host wrote before.
constexpr double startHeight = 1.0;
constexpr double startVelocity = 4.0;
constexpr double startGravity = -9.81;
constexpr double startRestitution = 0.5;

// Value references. Reals 0 to 3 in both versions and the calculated
// acceleration (4, reads as gravity) in FMI 2.0 only; integers, booleans and
// strings 0 to 3.
constexpr unsigned heightRef = 0, velocityRef = 1, gravityRef = 2, restitutionRef = 3;
constexpr unsigned accelerationRef = 4;
constexpr unsigned variablesPerType = 4;

// Two continuous states, height and velocity (reals 0 and 1, nominal 1.0), and
// one event indicator.
constexpr unsigned stateCount = 2, eventIndicatorCount = 1;
constexpr double stateNominal = 1.0;

// Pushes the indicator off zero, so that it is positive on the floor.
constexpr double indicatorOffset = 1e-16;

// corvane's communication step: explicit Euler steps of 0.01, at most 100 a call.
constexpr double internalStep = 0.01;
constexpr unsigned maxInternalSteps = 100;

// corvane's fixed answers: every derivative-table entry, and fmi2LastSuccessfulTime.
constexpr double derivativeTableValue = 13.0;
constexpr double lastSuccessfulTime = 0.01;

constexpr char guid[] = "123";
constexpr std::size_t longestInstanceName = 1023;  // longer names are cut to this length

struct Motion {
    double height;
    double velocity;
};
constexpr Motion startMotion{startHeight, startVelocity};

// The height pushed off zero: positive at 0.0 and -0.0, following the height's
// sign elsewhere; a NaN height fails the comparison and stays NaN.
inline double eventIndicator(double height) {
    return height >= 0.0 ? height + indicatorOffset : height - indicatorOffset;
}

// One explicit Euler step from the state at its start: both products use that
// state, and each is rounded before it is added. The form on two variables
// keeps a benchmark's inline loop as plain scalar code.
inline void eulerStep(double& height, double& velocity, double dt, double gravity) {
    const double heightChange = dt * velocity;
    const double velocityChange = dt * gravity;
    height = height + heightChange;
    velocity = velocity + velocityChange;
}
inline Motion eulerStep(Motion m, double dt, double gravity = startGravity) {
    eulerStep(m.height, m.velocity, dt, gravity);
    return m;
}

// The rebound: on the floor, the velocity reversed and scaled by the restitution.
inline Motion rebound(Motion m, double restitution = startRestitution) {
    return {0.0, -(m.velocity * restitution)};
}

// When an event rebounds: FMI 2.0 a mass below the floor and falling (both
// strict), FMI 1.0 a mass below the floor whatever its velocity.
inline bool reboundsFmi2(Motion m) { return m.height < 0.0 && m.velocity < 0.0; }
inline bool reboundsFmi1(Motion m) { return m.height < 0.0; }

// The internal clock of one communication step: it starts on the
// communication point and advances by repeated addition of 0.01, never as a
// multiple of it; a step that would pass the end time is cut to end on it; at
// most 100 steps. A zero, negative or NaN step takes none.
struct InternalClock {
    double start, time, endTime;
    unsigned steps = 0;

    InternalClock(double point, double size) : start(point), time(point), endTime(point + size) {}

    // Whether another internal step follows: neither the end time nor the cap
    // reached. A NaN end time fails the comparison, so a NaN step takes none.
    bool running() const { return endTime > time && steps < maxInternalSteps; }

    // Takes the next internal step and gives its length.
    double advance() {
        ++steps;
        double dt = internalStep;
        double nextTime = time + dt;
        if (nextTime > endTime) {
            dt = endTime - time;
            nextTime = endTime;
        }
        time = nextTime;
        return dt;
    }

    // Whether the call covered its step (fmi2OK) or the cap stopped it short
    // (fmi2Discard). The clock's own rounding is no shortfall: what remains
    // must reach 100 × DBL_EPSILON × the larger magnitude of the communication
    // point and the end time. An infinite step is never covered.
    bool covered() const {
        const double magnitude = std::fabs(start) > std::fabs(endTime) ? std::fabs(start) : std::fabs(endTime);
        return !(endTime > time) || endTime - time < maxInternalSteps * DBL_EPSILON * magnitude;
    }
};

// varnelle (FMI 3.0) only: a rebound that leaves less upward speed than the
// rest speed puts the mass at rest on the floor, where it stays: height and
// velocity 0, acceleration 0.
constexpr double startRestSpeed = 0.25;
struct Rest {
    double speed = startRestSpeed;
    bool reached = false;
};
inline bool comesToRest(Motion afterRebound, double restSpeed = startRestSpeed) {
    return afterRebound.velocity < restSpeed;
}

// What one communication step did besides moving the mass: whether it
// covered its step (fmi2OK) or the cap stopped it short (fmi2Discard), and
// how many of its events rebounded the mass.
struct StepOutcome {
    bool covered;
    unsigned rebounds;
};

// corvane's communication step on a motion: Euler steps on the internal
// clock; at the start of every internal step and once after the last, the
// event test against the reference indicator (the one at the start of the
// call, or after the latest event). Only a strictly negative product of the
// two is a sign change; zero or NaN is none. At an event a mass below the
// floor and falling rebounds. A zero, negative or NaN step takes no internal
// step and so finds no event.
// With a Rest, varnelle's variant: after each rebound the rest test, and a
// mass at rest integrated with acceleration 0.
inline StepOutcome communicationStep(Motion& m, double point, double size, double gravity = startGravity,
                                     double restitution = startRestitution, Rest* rest = nullptr) {
    InternalClock clock(point, size);
    double reference = eventIndicator(m.height);
    StepOutcome outcome{true, 0};
    if (!clock.running()) return outcome;

    const auto eventTest = [&] {
        if (!(eventIndicator(m.height) * reference < 0.0)) return;
        if (reboundsFmi2(m)) {
            m = rebound(m, restitution);
            ++outcome.rebounds;
            if (rest != nullptr && !rest->reached && comesToRest(m, rest->speed)) {
                m = {0.0, 0.0};
                rest->reached = true;
            }
        }
        reference = eventIndicator(m.height);
    };
    while (clock.running()) {
        eventTest();
        const bool atRest = rest != nullptr && rest->reached;
        m = eulerStep(m, clock.advance(), atRest ? 0.0 : gravity);
    }
    eventTest();
    outcome.covered = clock.covered();
    return outcome;
}

// Free fall from the start values: the speed at the first floor contact,
// sqrt(4² + 2 · 9.81 · 1) ≈ 5.968, and its time, the positive root of
// 1 + 4t − 9.81t²/2 ≈ 1.0161.
inline double firstImpactSpeed() {
    return std::sqrt(startVelocity * startVelocity - 2.0 * startGravity * startHeight);
}
inline double firstContactTime() { return (startVelocity + firstImpactSpeed()) / -startGravity; }
// The velocity at that contact as the motion gives it, v0 + g·t (negative,
// falling), and just after the rebound.
inline double firstContactVelocity() { return startVelocity + startGravity * firstContactTime(); }
inline double firstReboundVelocity() { return -(firstContactVelocity() * startRestitution); }

// Where the rebounds accumulate. Each rebound leaves the floor at the
// restitution times the speed it hit it with, and a flight from the floor at
// speed v lasts 2v/9.81: the flights after the first contact shrink by the
// restitution each time and add up to 2 · 5.968 · 0.5 / (9.81 · (1 − 0.5))
// ≈ 1.2168 s. Infinitely many rebounds come before t ≈ 1.0161 + 1.2168 ≈ 2.2329.
inline double reboundFlightsTotal() {
    return 2.0 * firstImpactSpeed() * startRestitution / (-startGravity * (1.0 - startRestitution));
}
inline double reboundsAccumulationTime() { return firstContactTime() + reboundFlightsTotal(); }

// varnelle's variables (FMI 3.0: value references unique across types).
namespace varnelle {
constexpr unsigned timeRef = 0, heightRef = 1, velocityRef = 2, accelerationRef = 3, gravityRef = 4,
                   restitutionRef = 5, contactRef = 6, restSpeedRef = 7;
constexpr unsigned integerRefs[] = {10, 11, 12, 13}, booleanRefs[] = {20, 21, 22, 23},
                   stringRefs[] = {30, 31, 32, 33};
constexpr unsigned binaryRef = 40, samplesRef = 50;
constexpr const char* startStrings[] = {"Rebounder", "comma, inside", "quote \" inside", ""};
constexpr unsigned char startBinary[] = {0x00, 0xFF, 0x00, 0x80};
constexpr double startSamples[] = {1.5, 2.5, 3.5};

// The variable a value reference names, as modelDescription.xml declares
// it, or empty: what a host that expands a log message's "#1#" puts in.
inline std::string variableName(long valueReference) {
    static const char* const reals[] = {"time", "height", "velocity", "acceleration", "gravity", "restitution",
                                        "contact", "restSpeed"};
    if (valueReference < 0) return "";
    if (valueReference <= long(restSpeedRef)) return reals[valueReference];
    const auto numbered = [&](const char* kind, const unsigned (&refs)[4]) -> std::string {
        for (unsigned k = 0; k < 4; ++k) {
            if (long(refs[k]) == valueReference) return kind + std::to_string(k);
        }
        return "";
    };
    std::string name = numbered("integer", integerRefs) + numbered("boolean", booleanRefs) + numbered("string", stringRefs);
    if (valueReference == long(binaryRef)) name = "binary0";
    if (valueReference == long(samplesRef)) name = "samples";
    return name;
}
}  // namespace varnelle

// The four components as a host meets them: library name, FMI version and
// interface (varnelle serves both from one library).
enum class ComponentInterface { modelExchange, coSimulation, both };
struct Component {
    const char* name;
    int standardVersion;  // 1, 2 or 3
    ComponentInterface interface;
};
constexpr Component components[] = {
    {"pellidor", 2, ComponentInterface::modelExchange},
    {"corvane", 2, ComponentInterface::coSimulation},
    {"tressivo", 1, ComponentInterface::modelExchange},
    {"varnelle", 3, ComponentInterface::both},
};

// The component of a library name, or null.
constexpr const Component* componentNamed(std::string_view name) {
    for (const Component& component : components) {
        if (name == component.name) return &component;
    }
    return nullptr;
}

// The variable a component declares for a type letter as log messages write
// references ('r', 'i', 'b', 's') and a value reference, or empty: the names
// a host that expands "#r0#" puts in. Only FMI 2.0 has the acceleration.
inline std::string variableName(const Component& component, char type, long valueReference) {
    static const char* const reals[] = {"height", "velocity", "gravity", "restitution", "acceleration"};
    const long realCount = component.standardVersion == 2 ? accelerationRef + 1 : variablesPerType;
    if (valueReference < 0) return "";
    if (type == 'r' && valueReference < realCount) return reals[valueReference];
    if (valueReference >= static_cast<long>(variablesPerType)) return "";
    if (type == 'i') return "integer" + std::to_string(valueReference);
    if (type == 'b') return "boolean" + std::to_string(valueReference);
    if (type == 's') return "string" + std::to_string(valueReference);
    return "";
}

}  // namespace expected
