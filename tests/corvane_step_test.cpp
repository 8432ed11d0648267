// corvane's communication step as a co-simulation host sees it: the fixed
// Euler steps of 0.01 with a cut last one, the clock advanced by repeated
// addition, where a floor contact is found and handled, the cap of 100
// internal steps reported with fmi2Discard, the steps that take no internal
// step, long runs through thousands of rebounds, and the silence of
// fmi2DoStep towards every host callback.
//
// Expected states are computed here with the same arithmetic the model uses
// (each product rounded before its sum) and compared by their shortest
// round-trip decimal form, that is bit for bit; the short decimals a person
// can work out by hand are checked alongside to a small tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Explicit Euler steps of the given lengths, one after another.
Motion euler(Motion m, const std::vector<double>& steps, double gravity = startGravity) {
    for (double dt : steps) m = eulerStep(m, dt, gravity);
    return m;
}

std::vector<double> repeated(double dt, int count) { return std::vector<double>(static_cast<std::size_t>(count), dt); }

// The time an internal clock shows after `count` steps of 0.01 from 0.
double clockAfter(unsigned count) {
    InternalClock clock(0.0, 2.0);  // an end far enough that no step is cut
    while (clock.steps < count && clock.running()) clock.advance();
    return clock.time;
}

class CorvaneStep : public ::testing::Test {
protected:
    Fmi2Fixture f{CORVANE_LIBRARY};

    fmi2Component ball(fmi2Boolean loggingOn = fmi2True) { return f.initialised(loggingOn, fmi2CoSimulation); }

    fmi2Component ballAt(Motion m) {
        fmi2Component c = ball();
        EXPECT_EQ(f.setReal(c, heightRef, m.height), fmi2OK);
        EXPECT_EQ(f.setReal(c, velocityRef, m.velocity), fmi2OK);
        return c;
    }

    Motion motion(fmi2Component c) { return {f.real(c, heightRef), f.real(c, velocityRef)}; }

    fmi2Status doStep(fmi2Component c, double point, double size) {
        return f.api.fmi2DoStep(c, point, size, fmi2False);
    }
};

void expectMotion(const Motion& actual, const Motion& reference) {
    EXPECT_EQ(shortest(actual.height), shortest(reference.height)) << "height after the step";
    EXPECT_EQ(shortest(actual.velocity), shortest(reference.velocity)) << "velocity after the step";
}

void expectAbout(const Motion& actual, double height, double velocity) {
    EXPECT_NEAR(actual.height, height, 1e-12) << "height after the step";
    EXPECT_NEAR(actual.velocity, velocity, 1e-12) << "velocity after the step";
}

// From the start values, no floor contact: the step lengths each call takes.
TEST_F(CorvaneStep, IntegratesWithStepsOfOneHundredthAndACutLastStep) {
    struct Case {
        const char* what;
        double size;
        std::vector<double> internalSteps;
        fmi2Status status;
        double height, velocity;  // short decimals worked out by hand
    };
    std::vector<double> tenAndASliver = repeated(internalStep, 10);
    tenAndASliver.push_back(0.1 - clockAfter(10));  // 1.3877787807814457e-17
    const Case cases[] = {
        {"five steps of 0.01", 0.05, repeated(internalStep, 5), fmi2OK, 1.19019, 3.5095},
        {"0.01 and a cut step of 0.005", 0.015, {0.01, 0.015 - 0.01}, fmi2OK, 1.0595095, 3.85285},
        {"one cut step of 0.005", 0.005, {0.005}, fmi2OK, 1.02, 3.95095},
        {"ten steps of 0.01 and a last one of 1.39e-17", 0.1, tenAndASliver, fmi2OK, 1.355855, 3.019},
        {"stopped by the cap after 100 steps", 2.0, repeated(internalStep, 100), fmi2Discard, 0.14405, -5.81},
    };
    for (const Case& stepCase : cases) {
        SCOPED_TRACE(stepCase.what);
        fmi2Component c = ball();
        EXPECT_EQ(f.api.fmi2DoStep(c, 0.0, stepCase.size, fmi2True), stepCase.status);
        const Motion after = motion(c);
        expectMotion(after, euler(startMotion, stepCase.internalSteps));
        expectAbout(after, stepCase.height, stepCase.velocity);
    }
}

// With gravity 1 and velocity 0 the velocity gains exactly the length of each
// internal step, so it reads the component's internal clock.
TEST_F(CorvaneStep, AdvancesItsClockByRepeatedAdditionAndEndsExactlyOnTheEndTime) {
    const double tenSteps = clockAfter(10);
    ASSERT_EQ(tenSteps, 0.09999999999999999);
    ASSERT_EQ(0.1 - tenSteps, 1.3877787807814457e-17);

    fmi2Component c = ballAt({0.0, 0.0});
    ASSERT_EQ(f.setReal(c, gravityRef, 1.0), fmi2OK);
    EXPECT_EQ(doStep(c, 0.0, 0.1), fmi2OK);
    EXPECT_EQ(f.real(c, velocityRef), 0.1)
        << "eleven internal steps: ten of 0.01 reach 0.09999999999999999, the last of 1.3877787807814457e-17 "
           "ends on 0.1";
}

TEST_F(CorvaneStep, ReportsAStepTheCapStopsShortWithDiscard) {
    const double hundredSteps = clockAfter(100);
    struct Case {
        const char* what;
        double size;
        fmi2Status status;
    };
    const Case cases[] = {
        {"100 steps end exactly on the end time", hundredSteps, fmi2OK},
        {"the end time lies a rounding past 100 steps", std::nextafter(hundredSteps, infinity), fmi2OK},
        {"a step materially longer than 100 steps", 1.000001, fmi2Discard},
        {"a step of 2.0", 2.0, fmi2Discard},
        {"an infinite step", infinity, fmi2Discard},
    };
    for (const Case& capCase : cases) {
        SCOPED_TRACE(capCase.what);
        fmi2Component c = ballAt({0.0, 0.0});
        ASSERT_EQ(f.setReal(c, gravityRef, 1.0), fmi2OK);
        EXPECT_EQ(doStep(c, 0.0, capCase.size), capCase.status);
        EXPECT_EQ(f.real(c, velocityRef), hundredSteps) << "the clock after 100 internal steps of 0.01";
    }
}

TEST_F(CorvaneStep, NeverMakesUpTheShortfallOfACappedStep) {
    fmi2Component c = ball();
    EXPECT_EQ(doStep(c, 0.0, 2.0), fmi2Discard);
    EXPECT_EQ(doStep(c, 2.0, 0.01), fmi2OK);
    expectMotion(motion(c), euler(startMotion, repeated(internalStep, 101)));
}

// Velocity -1 without gravity: the 100th internal step takes the height from
// 0.005 to -0.005. The crossing is handled after the cap stops the call.
TEST_F(CorvaneStep, HandlesACrossingMadeByTheHundredthStepWhenTheCapStopsTheCall) {
    const Motion before = euler({0.995, -1.0}, repeated(internalStep, 99), 0.0);
    ASSERT_GT(before.height, 0.0);
    ASSERT_LT(eulerStep(before, internalStep, 0.0).height, 0.0);

    fmi2Component c = ballAt({0.995, -1.0});
    ASSERT_EQ(f.setReal(c, gravityRef, 0.0), fmi2OK);
    EXPECT_EQ(doStep(c, 0.0, 2.0), fmi2Discard);
    EXPECT_EQ(f.real(c, heightRef), 0.0);
    EXPECT_EQ(f.real(c, velocityRef), rebound(eulerStep(before, internalStep, 0.0)).velocity);
}

// From height 0.015 falling at 1.0 the second internal step crosses the floor.
const Motion nearTheFloor{0.015, -1.0};

TEST_F(CorvaneStep, HandlesACrossingAtTheStartOfTheNextInternalStep) {
    const Motion crossed = euler(nearTheFloor, repeated(internalStep, 2));
    ASSERT_LT(crossed.height, 0.0);
    expectAbout(crossed, -0.005981, -1.1962);

    fmi2Component c = ballAt(nearTheFloor);
    EXPECT_EQ(doStep(c, 0.0, 0.05), fmi2OK);
    const Motion after = motion(c);
    expectMotion(after, euler(rebound(crossed), repeated(internalStep, 3)));
    expectAbout(after, 0.015, 0.3038);
}

TEST_F(CorvaneStep, ReboundsAtTheEndOfACallWhoseLastInternalStepCrossesTheFloor) {
    const Motion crossed = euler(nearTheFloor, repeated(internalStep, 2));

    fmi2Component c = ballAt(nearTheFloor);
    EXPECT_EQ(doStep(c, 0.0, 0.02), fmi2OK);
    EXPECT_EQ(f.real(c, heightRef), 0.0) << "the mass was left below the floor";
    EXPECT_EQ(f.real(c, velocityRef), rebound(crossed).velocity);
    EXPECT_NEAR(f.real(c, velocityRef), 0.5981, 1e-12);

    EXPECT_EQ(doStep(c, 0.02, 0.03), fmi2OK);
    expectMotion(motion(c), euler(rebound(crossed), repeated(internalStep, 3)));
    expectAbout(motion(c), 0.015, 0.3038);
}

TEST_F(CorvaneStep, CallsOfOneInternalStepEachReboundLikeOneLongCall) {
    fmi2Component oneCall = ballAt(nearTheFloor);
    fmi2Component fiveCalls = ballAt(nearTheFloor);
    EXPECT_EQ(doStep(oneCall, 0.0, 0.05), fmi2OK);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(doStep(fiveCalls, k * 0.01, 0.01), fmi2OK) << "call " << k;
    expectMotion(motion(fiveCalls), motion(oneCall));
    EXPECT_GE(f.real(fiveCalls, heightRef), 0.0);
}

// Long runs from the start values, every call from communication point 0.0 as
// the benchmarks make them: the mass falls, rebounds inside and at the end of
// calls, and bounces ever lower until it rebounds every few hundredths of a
// second. Each call must answer the reference step's status and states, bit
// for bit, however many events came before.
TEST_F(CorvaneStep, FollowsTheReferenceStepBitForBitThroughThousandsOfRebounds) {
    struct Run {
        const char* what;
        double size;
        int calls;
    };
    const Run runs[] = {{"2000 calls of 1.0", 1.0, 2000}, {"20000 calls of 0.01", internalStep, 20000}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.what);
        fmi2Component c = ball(fmi2False);
        Motion reference = startMotion;
        unsigned rebounds = 0;
        for (int call = 1; call <= run.calls; ++call) {
            const StepOutcome step = communicationStep(reference, 0.0, run.size);
            rebounds += step.rebounds;
            ASSERT_EQ(doStep(c, 0.0, run.size), step.covered ? fmi2OK : fmi2Discard) << "call " << call;
            const Motion after = motion(c);
            ASSERT_EQ(bitsOf(after.height), bitsOf(reference.height))
                << "call " << call << ": height " << shortest(after.height) << " instead of "
                << shortest(reference.height);
            ASSERT_EQ(bitsOf(after.velocity), bitsOf(reference.velocity))
                << "call " << call << ": velocity " << shortest(after.velocity) << " instead of "
                << shortest(reference.velocity);
        }
        EXPECT_GE(rebounds, 1000u) << "the premise: thousands of rebounds, most of them near the floor";
    }
}

// The reference is the indicator at the start of the call, so a mass the host
// put below the floor is no crossing, and the first internal step can never
// see one: this one goes on falling.
TEST_F(CorvaneStep, TakesNoEventForAMassThatStartsBelowTheFloor) {
    const Motion below{-0.005, -1.0};
    fmi2Component c = ballAt(below);
    EXPECT_EQ(doStep(c, 0.0, 0.05), fmi2OK);
    expectMotion(motion(c), euler(below, repeated(internalStep, 5)));
}

// Rising through the floor is a sign change too: the event is taken without a
// rebound, so the states are those of plain integration.
TEST_F(CorvaneStep, LeavesTheStatesAloneAtAnUpwardCrossing) {
    const Motion rising{-0.005, 1.0};
    fmi2Component c = ballAt(rising);
    EXPECT_EQ(doStep(c, 0.0, 0.05), fmi2OK);
    const Motion after = motion(c);
    expectMotion(after, euler(rising, repeated(internalStep, 5)));
    expectAbout(after, 0.03519, 0.5095);
}

// After the upward crossing the reference is the new, positive indicator, so
// the mass coming down again later in the same call rebounds.
TEST_F(CorvaneStep, TakesTheIndicatorAfterAnEventAsTheNewReference) {
    const Motion rising{-0.005, 1.0};
    const Motion crossed = euler(rising, repeated(internalStep, 21));
    ASSERT_LT(crossed.height, 0.0);
    ASSERT_GT(euler(rising, repeated(internalStep, 20)).height, 0.0);

    fmi2Component c = ballAt(rising);
    EXPECT_EQ(doStep(c, 0.0, clockAfter(30)), fmi2OK);
    expectMotion(motion(c), euler(rebound(crossed), repeated(internalStep, 9)));
}

// Below the floor and falling: any event handled would show as a rebound.
TEST_F(CorvaneStep, TakesNoInternalStepForAZeroNegativeOrNaNStep) {
    struct Case {
        const char* what;
        double point, size;
    };
    const Case cases[] = {
        {"zero step", 1.0, 0.0},        {"negative step", 1.0, -0.5},  {"NaN step", 0.0, nan},
        {"NaN communication point", nan, 0.1}, {"minus infinite step", 0.0, -infinity},
    };
    const Motion falling{-0.01, -6.0};
    for (const Case& noStep : cases) {
        SCOPED_TRACE(noStep.what);
        fmi2Component c = ballAt(falling);
        EXPECT_EQ(doStep(c, noStep.point, noStep.size), fmi2OK);
        const Motion after = motion(c);
        EXPECT_EQ(bitsOf(after.height), bitsOf(falling.height));
        EXPECT_EQ(bitsOf(after.velocity), bitsOf(falling.velocity));
    }
}

TEST_F(CorvaneStep, RunsBeforeInitialisationOnTheZeroValues) {
    fmi2Component c = f.instantiate("ball", guid, fmi2True, fmi2CoSimulation);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(doStep(c, 0.0, 1.0), fmi2OK);
    EXPECT_EQ(f.real(c, heightRef), 0.0);
    EXPECT_EQ(f.real(c, velocityRef), 0.0);
}

TEST_F(CorvaneStep, RefusesANullInstanceWithFatal) {
    EXPECT_EQ(f.api.fmi2DoStep(nullptr, 0.0, 0.05, fmi2False), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2DoStep(nullptr, 0.0, 0.0, fmi2True), fmi2Fatal);
}

// The calls of this sequence cover plain steps, a rebound inside a call, a
// rebound at its end, the cap and the steps that take no internal step.
void runMixedSequence(Fmi2Fixture& f, fmi2Component c, fmi2Boolean noSetPrior, std::vector<fmi2Status>& statuses) {
    const double calls[][2] = {{0.0, 0.05}, {0.05, 0.015}, {0.065, 0.0}, {0.065, nan}, {0.065, 2.0},
                               {2.065, 0.3}, {2.365, 0.01}, {2.375, 0.01}, {2.385, 0.05}};
    for (const auto& call : calls) statuses.push_back(f.api.fmi2DoStep(c, call[0], call[1], noSetPrior));
    fmi2ValueReference states[] = {heightRef, velocityRef};
    double values[2];
    for (int k = 0; k < 30; ++k) {  // the mass comes down on the floor at the end of one of these
        EXPECT_EQ(f.api.fmi2GetReal(c, states, 2, values), fmi2OK);
        statuses.push_back(f.api.fmi2DoStep(c, 2.4 + k * 0.01, 0.01, noSetPrior));
    }
}

TEST_F(CorvaneStep, IgnoresNoSetFMUStatePriorToCurrentPoint) {
    fmi2Component withTrue = ball();
    fmi2Component withFalse = ball();
    std::vector<fmi2Status> statusesTrue, statusesFalse;
    runMixedSequence(f, withTrue, fmi2True, statusesTrue);
    runMixedSequence(f, withFalse, fmi2False, statusesFalse);
    EXPECT_EQ(statusesTrue, statusesFalse);
    EXPECT_EQ(bitsOf(f.real(withTrue, heightRef)), bitsOf(f.real(withFalse, heightRef)));
    EXPECT_EQ(bitsOf(f.real(withTrue, velocityRef)), bitsOf(f.real(withFalse, velocityRef)));
}

// stepFinished reports through the host's log, so one check covers both.
void recordStepFinished(fmi2ComponentEnvironment environment, fmi2Status status) {
    static_cast<host::Host*>(environment)->log.push_back({environment, "", status, "stepFinished", "", ""});
}

TEST_F(CorvaneStep, CallsNoHostCallbackWhateverLoggingOnSays) {
    f.callbacks.stepFinished = recordStepFinished;
    fmi2Component c = ball(fmi2True);
    ASSERT_EQ(f.api.fmi2SetDebugLogging(c, fmi2True, 0, nullptr), fmi2OK);
    ASSERT_EQ(f.setReal(c, restitutionRef, startRestitution), fmi2OK);
    f.host.log.clear();
    const std::size_t allocations = f.host.allocationCount;
    const std::size_t frees = f.host.freeCount;

    std::vector<fmi2Status> statuses;
    runMixedSequence(f, c, fmi2False, statuses);

    EXPECT_TRUE(f.host.log.empty()) << f.host.log.size() << " logger or stepFinished calls, the first in category \""
                                    << (f.host.log.empty() ? "" : f.host.log.front().category) << "\"";
    EXPECT_EQ(f.host.allocationCount, allocations);
    EXPECT_EQ(f.host.freeCount, frees);
}

}  // namespace
