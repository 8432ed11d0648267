// pellidor's model-exchange entry points: states, nominals, derivatives, the
// event indicator's sign, the rebound and the event record, and the refusals
// of counts and pointers the model cannot serve.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

class PellidorEvents : public ::testing::Test {
protected:
    Fmi2Fixture f{PELLIDOR_LIBRARY};
    fmi2Component c = f.initialised();

    void expectStates(double height, double velocity) {
        const auto x = f.states(c);
        EXPECT_EQ(bitsOf(x[0]), bitsOf(height)) << "height " << x[0] << ", expected " << height;
        EXPECT_EQ(bitsOf(x[1]), bitsOf(velocity)) << "velocity " << x[1] << ", expected " << velocity;
    }
};

TEST_F(PellidorEvents, StatesNominalsAndDerivativesAfterInitialisation) {
    expectStates(startHeight, startVelocity);
    fmi2Real nominals[2] = {0.0, 0.0};
    EXPECT_EQ(f.api.fmi2GetNominalsOfContinuousStates(c, nominals, 2), fmi2OK);
    EXPECT_EQ(nominals[0], stateNominal);
    EXPECT_EQ(nominals[1], stateNominal);
    fmi2Real derivatives[2] = {0.0, 0.0};
    EXPECT_EQ(f.api.fmi2GetDerivatives(c, derivatives, 2), fmi2OK);
    EXPECT_EQ(derivatives[0], startVelocity) << "d height/dt is the velocity";
    EXPECT_EQ(derivatives[1], startGravity) << "d velocity/dt is gravity";

    f.setStates(c, 0.3, -2.0);
    EXPECT_EQ(f.real(c, heightRef), 0.3);
    EXPECT_EQ(f.api.fmi2GetDerivatives(c, derivatives, 2), fmi2OK);
    EXPECT_EQ(derivatives[0], -2.0) << "derivatives follow the states the host set";
    EXPECT_EQ(f.api.fmi2SetTime(c, 0.75), fmi2OK);
    expectStates(0.3, -2.0);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorEvents, ShorterCountsCopyExactlyThatMany) {
    const fmi2Real x[] = {0.125};
    EXPECT_EQ(f.api.fmi2SetContinuousStates(c, x, 1), fmi2OK);
    expectStates(0.125, startVelocity);
    fmi2Real out[2] = {-7.0, -7.0};
    EXPECT_EQ(f.api.fmi2GetDerivatives(c, out, 1), fmi2OK);
    EXPECT_EQ(out[0], startVelocity);
    EXPECT_EQ(out[1], -7.0);
    EXPECT_EQ(f.api.fmi2GetEventIndicators(c, nullptr, 0), fmi2OK);
    EXPECT_EQ(f.api.fmi2GetContinuousStates(c, nullptr, 0), fmi2OK);
    EXPECT_TRUE(f.host.log.empty());
}

// The sign of the indicator is the host's only way to see the floor contact.
TEST_F(PellidorEvents, EventIndicatorIsTheHeightPushedAwayFromZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double height;
        double expected;
    };
    constexpr double offset = indicatorOffset;
    const Case cases[] = {
        {0.0, 0.0 + offset},       {-0.0, -0.0 + offset},     {1.0, 1.0 + offset},
        {1e-20, 1e-20 + offset},   {-1e-3, -1e-3 - offset},   {-1e-20, -1e-20 - offset},
        {-5e-17, -5e-17 - offset}, {-1e300, -1e300 - offset},
    };
    for (const Case& indicatorCase : cases) {
        f.setStates(c, indicatorCase.height, -1.0);
        const double z = f.indicator(c);
        EXPECT_EQ(bitsOf(z), bitsOf(indicatorCase.expected)) << "height " << indicatorCase.height;
        EXPECT_EQ(std::signbit(z), std::signbit(indicatorCase.height) && indicatorCase.height != 0.0)
            << "height " << indicatorCase.height;
    }
    f.setStates(c, 0.0, 1.0);
    EXPECT_EQ(f.indicator(c), indicatorOffset);
    f.setStates(c, nan, 1.0);
    EXPECT_TRUE(std::isnan(f.indicator(c))) << "a NaN height gives a NaN indicator";
}

TEST_F(PellidorEvents, ReboundOnlyBelowTheFloorWhileFalling) {
    struct Case {
        Motion before;
        bool rebounds;
    };
    const Case cases[] = {
        {{-0.01, -6.0}, true},   {{-1e-300, -1e-300}, true}, {{-0.01, 1.0}, false}, {{0.0, -6.0}, false},
        {{-0.0, -6.0}, false},   {{-0.01, 0.0}, false},      {{-0.01, -0.0}, false}, {{0.5, -6.0}, false},
        {{std::nan(""), -6.0}, false},
    };
    for (const auto& [before, rebounds] : cases) {
        SCOPED_TRACE("height " + std::to_string(before.height) + ", velocity " + std::to_string(before.velocity));
        f.setStates(c, before.height, before.velocity);
        fmi2EventInfo info{fmi2True, fmi2True, fmi2True, 7, fmi2True, 99.0};
        EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, &info), fmi2OK);
        if (rebounds) {
            expectStates(rebound(before).height, rebound(before).velocity);
            EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2True);
        } else {
            EXPECT_EQ(bitsOf(f.states(c)[1]), bitsOf(before.velocity)) << "states must not change";
            EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2False);
        }
        EXPECT_EQ(info.newDiscreteStatesNeeded, fmi2False);
        EXPECT_EQ(info.terminateSimulation, fmi2False);
        EXPECT_EQ(info.nominalsOfContinuousStatesChanged, fmi2False);
        EXPECT_EQ(info.nextEventTimeDefined, fmi2False);
        EXPECT_TRUE(isNegativeZero(info.nextEventTime)) << "nextEventTime is -0.0, sign bit set";
    }
    expectStates(std::nan(""), -6.0);  // the last case is kept as it was
}

// Filled where this platform's host expects each field (nextEventTime at 20
// on 32-bit Linux, 24 elsewhere), and nothing written around the record.
TEST_F(PellidorEvents, NewDiscreteStatesFillsTheRecordAsThisPlatformLaysItOut) {
    f.setStates(c, -0.01, -6.0);
    PlacedRecord<fmi2EventInfo> placed;
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, placed.record), fmi2OK);
    EXPECT_EQ(placed.strayWrites(), 0u) << "written outside the host's " << sizeof(fmi2EventInfo) << "-byte record";
    const fmi2EventInfo& info = *placed.record;
    EXPECT_EQ(info.newDiscreteStatesNeeded, fmi2False);
    EXPECT_EQ(info.terminateSimulation, fmi2False);
    EXPECT_EQ(info.nominalsOfContinuousStatesChanged, fmi2False);
    EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2True);
    EXPECT_EQ(info.nextEventTimeDefined, fmi2False);
    EXPECT_TRUE(isNegativeZero(info.nextEventTime)) << info.nextEventTime;
}

TEST_F(PellidorEvents, ReboundUsesTheCurrentRestitutionAndSettlesInOneCall) {
    ASSERT_EQ(f.setReal(c, restitutionRef, 0.8), fmi2OK);
    f.setStates(c, -0.02, -5.5);
    const Motion after = rebound({-0.02, -5.5}, 0.8);
    fmi2EventInfo info{};
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, &info), fmi2OK);
    expectStates(after.height, after.velocity);
    EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2True);
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, &info), fmi2OK);
    expectStates(after.height, after.velocity);
    EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2False) << "a second call in the same event does nothing";
}

TEST_F(PellidorEvents, CompletedIntegratorStepNeverAsksForAnEvent) {
    for (double height : {1.0, 0.0, -0.5}) {
        f.setStates(c, height, -3.0);
        fmi2Boolean enterEventMode = fmi2True, terminate = fmi2True;
        EXPECT_EQ(f.api.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminate), fmi2OK);
        EXPECT_EQ(enterEventMode, fmi2False);
        EXPECT_EQ(terminate, fmi2False);
    }
    EXPECT_EQ(f.api.fmi2EnterEventMode(c), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterContinuousTimeMode(c), fmi2OK);
}

TEST_F(PellidorEvents, CountsBeyondTheModelAreRefusedWithNothingCopied) {
    fmi2Real big[3] = {-1.0, -2.0, -3.0};
    EXPECT_EQ(f.api.fmi2SetContinuousStates(c, big, 3), fmi2Error);
    f.expectOneRefusal("fmi2SetContinuousStates");
    expectStates(startHeight, startVelocity);

    struct Getter {
        const char* name;
        fmi2Status (*call)(fmi2Component, fmi2Real[], size_t);
        size_t tooMany;
    };
    const Getter getters[] = {{"fmi2GetContinuousStates", f.api.fmi2GetContinuousStates, 3},
                              {"fmi2GetNominalsOfContinuousStates", f.api.fmi2GetNominalsOfContinuousStates, 3},
                              {"fmi2GetDerivatives", f.api.fmi2GetDerivatives, 3},
                              {"fmi2GetEventIndicators", f.api.fmi2GetEventIndicators, 2}};
    for (const Getter& getter : getters) {
        SCOPED_TRACE(getter.name);
        fmi2Real out[4] = {-1.0, -2.0, -3.0, -4.0};
        for (size_t count : {getter.tooMany, size_t{1000}}) {
            EXPECT_EQ(getter.call(c, out, count), fmi2Error);
            f.expectOneRefusal(getter.name);
        }
        EXPECT_EQ(out[0], -1.0) << "nothing copied into the host's array";
        EXPECT_EQ(out[3], -4.0);
        EXPECT_EQ(getter.call(c, nullptr, 1), fmi2Error) << "null array with a count";
        f.expectOneRefusal(getter.name);
        EXPECT_EQ(getter.call(nullptr, out, 1), fmi2Fatal);
    }
    EXPECT_EQ(f.api.fmi2SetContinuousStates(c, nullptr, 2), fmi2Error);
    f.expectOneRefusal("fmi2SetContinuousStates");
    EXPECT_EQ(f.api.fmi2SetContinuousStates(nullptr, big, 2), fmi2Fatal);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorEvents, MissingOutputPointersAreRefusedWithoutARebound) {
    f.setStates(c, -0.01, -6.0);
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2NewDiscreteStates");
    expectStates(-0.01, -6.0);

    fmi2Boolean flag = fmi2True;
    EXPECT_EQ(f.api.fmi2CompletedIntegratorStep(c, fmi2False, nullptr, &flag), fmi2Error);
    f.expectOneRefusal("fmi2CompletedIntegratorStep");
    EXPECT_EQ(flag, fmi2True) << "nothing written";
    EXPECT_EQ(f.api.fmi2CompletedIntegratorStep(c, fmi2False, &flag, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2CompletedIntegratorStep");
    EXPECT_EQ(flag, fmi2True);
}

TEST_F(PellidorEvents, NullHandlesAreFatalExceptForTheModeChanges) {
    fmi2Boolean enterEventMode = fmi2True, terminate = fmi2True;
    fmi2EventInfo info{fmi2True, fmi2True, fmi2True, fmi2True, fmi2True, 5.0};
    EXPECT_EQ(f.api.fmi2SetTime(nullptr, 1.0), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2CompletedIntegratorStep(nullptr, fmi2True, &enterEventMode, &terminate), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(nullptr, &info), fmi2Fatal);
    EXPECT_EQ(enterEventMode, fmi2True);
    EXPECT_EQ(info.nextEventTime, 5.0);
    EXPECT_EQ(f.api.fmi2EnterEventMode(nullptr), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterContinuousTimeMode(nullptr), fmi2OK);
    EXPECT_TRUE(f.host.log.empty());
}

}  // namespace
