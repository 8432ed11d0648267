// States, derivatives, the event indicator and the FMI 1.0 rebound with its
// event record kept between calls.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "fmi1_fixture.h"
#include "support.h"

namespace {

using namespace expected;

class TressivoEvents : public ::testing::Test {
protected:
    Fmi1Fixture f{TRESSIVO_LIBRARY};
    fmiComponent c = f.initialised();
};

TEST_F(TressivoEvents, DerivativesAreVelocityAndGravity) {
    double dx[2] = {0, 0};
    ASSERT_EQ(f.api.fmiGetDerivatives(c, dx, 2), fmiOK);
    EXPECT_EQ(dx[0], startVelocity);
    EXPECT_EQ(dx[1], startGravity);
    EXPECT_EQ(f.setReal(c, gravityRef, -1.62), fmiOK);
    f.setStates(c, 0.5, -2.25);
    ASSERT_EQ(f.api.fmiGetDerivatives(c, dx, 2), fmiOK);
    EXPECT_EQ(dx[0], -2.25);
    EXPECT_EQ(dx[1], -1.62);
}

TEST_F(TressivoEvents, NominalsAndStateValueReferencesDescribeTheTwoStates) {
    double nominals[2] = {0, 0};
    fmiValueReference refs[2] = {7, 7};
    ASSERT_EQ(f.api.fmiGetNominalContinuousStates(c, nominals, 2), fmiOK);
    ASSERT_EQ(f.api.fmiGetStateValueReferences(c, refs, 2), fmiOK);
    EXPECT_EQ(nominals[0], stateNominal);
    EXPECT_EQ(nominals[1], stateNominal);
    EXPECT_EQ(refs[0], heightRef);
    EXPECT_EQ(refs[1], velocityRef);
    // The state value references really are the reals that hold the states.
    f.setStates(c, 2.5, -0.5);
    EXPECT_EQ(f.real(c, refs[0]), 2.5);
    EXPECT_EQ(f.real(c, refs[1]), -0.5);
}

TEST_F(TressivoEvents, ShorterCountsCopyOnlyThatMany) {
    double x[2] = {-7.0, -7.0};
    ASSERT_EQ(f.api.fmiGetContinuousStates(c, x, 1), fmiOK);
    EXPECT_EQ(x[0], startHeight);
    EXPECT_EQ(x[1], -7.0);
    const double height = 3.0;
    ASSERT_EQ(f.api.fmiSetContinuousStates(c, &height, 1), fmiOK);
    EXPECT_EQ(f.states(c)[0], 3.0);
    EXPECT_EQ(f.states(c)[1], startVelocity);
    EXPECT_EQ(f.api.fmiGetDerivatives(c, nullptr, 0), fmiOK);
}

TEST_F(TressivoEvents, CountsAboveTheModelOrNullArraysAreRefusedWithNothingCopied) {
    double big[3] = {-7.0, -7.0, -7.0};
    fmiValueReference refs[3] = {7, 7, 7};
    const host::Fmi1Api& api = f.api;
    struct Case {
        const char* function;
        std::function<fmiStatus()> call;
    };
    const Case cases[] = {
        {"fmiSetContinuousStates", [&] { return api.fmiSetContinuousStates(c, big, 3); }},
        {"fmiGetContinuousStates", [&] { return api.fmiGetContinuousStates(c, big, 3); }},
        {"fmiGetNominalContinuousStates", [&] { return api.fmiGetNominalContinuousStates(c, big, 3); }},
        {"fmiGetStateValueReferences", [&] { return api.fmiGetStateValueReferences(c, refs, 3); }},
        {"fmiGetDerivatives", [&] { return api.fmiGetDerivatives(c, big, 3); }},
        {"fmiGetEventIndicators", [&] { return api.fmiGetEventIndicators(c, big, 2); }},
        {"fmiSetContinuousStates", [&] { return api.fmiSetContinuousStates(c, nullptr, 2); }},
        {"fmiGetContinuousStates", [&] { return api.fmiGetContinuousStates(c, nullptr, 1); }},
        {"fmiGetNominalContinuousStates", [&] { return api.fmiGetNominalContinuousStates(c, nullptr, 2); }},
        {"fmiGetStateValueReferences", [&] { return api.fmiGetStateValueReferences(c, nullptr, 2); }},
        {"fmiGetDerivatives", [&] { return api.fmiGetDerivatives(c, nullptr, 2); }},
        {"fmiGetEventIndicators", [&] { return api.fmiGetEventIndicators(c, nullptr, 1); }},
        {"fmiCompletedIntegratorStep", [&] { return api.fmiCompletedIntegratorStep(c, nullptr); }},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.function);
        EXPECT_EQ(refused.call(), fmiError);
        f.expectOneRefusal(c, refused.function);
        for (double value : big) EXPECT_EQ(value, -7.0) << "nothing copied to the host";
        for (fmiValueReference vr : refs) EXPECT_EQ(vr, 7u);
        EXPECT_EQ(f.states(c)[0], startHeight) << "nothing copied into the states";
        EXPECT_EQ(f.states(c)[1], startVelocity);
    }
}

TEST_F(TressivoEvents, EventIndicatorIsTheHeightPushedOffZero) {
    const double heights[] = {0.0, -0.0, -1e-3, -1e-16, -5e-17, -1e-300, 1e-300, 0.75, -2.0};
    for (double height : heights) {
        f.setStates(c, height, 1.0);
        const double z = f.indicator(c);
        EXPECT_EQ(bitsOf(z), bitsOf(eventIndicator(height))) << "height " << height << " gave " << z;
        EXPECT_EQ(z < 0.0, height < 0.0) << "the sign follows the height, positive at the floor";
    }
    f.setStates(c, std::nan(""), 1.0);
    EXPECT_TRUE(std::isnan(f.indicator(c)));
}

TEST_F(TressivoEvents, CompletedIntegratorStepNeverAsksForAnEventUpdate) {
    for (double height : {1.0, 0.0, -0.5}) {
        f.setStates(c, height, -3.0);
        fmiBoolean callEventUpdate = 42;
        ASSERT_EQ(f.api.fmiCompletedIntegratorStep(c, &callEventUpdate), fmiOK);
        EXPECT_EQ(callEventUpdate, fmiFalse) << "height " << height;
    }
}

void expectReboundRecord(const fmiEventInfo& eventInfo) {
    EXPECT_EQ(eventInfo.iterationConverged, fmiTrue);
    EXPECT_EQ(eventInfo.stateValueReferencesChanged, fmiFalse);
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiTrue);
    EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
    EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
    EXPECT_TRUE(isNegativeZero(eventInfo.nextEventTime)) << "nextEventTime " << eventInfo.nextEventTime;
}

// FMI 1.0 tests the height alone: a mass below the floor rebounds whichever
// way it moves. Each case takes a fresh instance, whose kept event record
// still holds what initialisation left.
TEST_F(TressivoEvents, ReboundTestsTheHeightAlone) {
    struct Case {
        Motion before;
        bool rebounds;
    };
    const Case cases[] = {{{-0.01, -6.0}, true}, {{-0.01, 1.0}, true},  {{-1e-300, 0.0}, true},
                          {{0.0, -6.0}, false},  {{-0.0, -6.0}, false}, {{0.3, -6.0}, false},
                          {{std::nan(""), -6.0}, false}};
    for (const auto& [before, rebounds] : cases) {
        SCOPED_TRACE("height " + std::to_string(before.height) + ", velocity " + std::to_string(before.velocity));
        fmiComponent instance = f.initialised();
        f.setStates(instance, before.height, before.velocity);
        const fmiEventInfo eventInfo = f.eventUpdate(instance);
        const auto x = f.states(instance);
        if (rebounds) {
            EXPECT_EQ(bitsOf(x[0]), bitsOf(0.0));
            EXPECT_EQ(bitsOf(x[1]), bitsOf(rebound(before).velocity));
            expectReboundRecord(eventInfo);
        } else {
            EXPECT_EQ(bitsOf(x[0]), bitsOf(before.height));
            EXPECT_EQ(x[1], before.velocity);
            EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "what initialisation left";
            EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
        }
        f.free(instance);
    }
}

TEST_F(TressivoEvents, EventRecordIsKeptBetweenCallsUntilInitialize) {
    fmiEventInfo eventInfo = f.eventUpdate(c);  // at the start height, before any rebound
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse);
    EXPECT_EQ(eventInfo.stateValueReferencesChanged, fmiFalse);
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
    EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
    EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
    EXPECT_TRUE(isNegativeZero(eventInfo.nextEventTime));
    EXPECT_EQ(f.states(c)[0], startHeight);

    f.setStates(c, -0.01, -6.0);
    expectReboundRecord(f.eventUpdate(c));
    // A second call in the same event finds the mass on the floor: nothing
    // changes, yet the record of the rebound is reported again.
    expectReboundRecord(f.eventUpdate(c, fmiTrue));
    EXPECT_EQ(f.states(c)[0], 0.0);
    EXPECT_EQ(f.states(c)[1], rebound({-0.01, -6.0}).velocity);
    f.setStates(c, -0.0, 3.0);
    expectReboundRecord(f.eventUpdate(c));
    EXPECT_EQ(f.states(c)[1], 3.0);

    fmiEventInfo reset{};
    ASSERT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &reset), fmiOK);
    EXPECT_EQ(reset.iterationConverged, fmiFalse);
    EXPECT_EQ(reset.stateValuesChanged, fmiFalse);
    eventInfo = f.eventUpdate(c);
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "fmiInitialize reset the kept record";
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
}

TEST_F(TressivoEvents, IntermediateResultsMakeNoDifference) {
    for (fmiBoolean intermediate : {fmiFalse, fmiTrue}) {
        fmiComponent instance = f.initialised();
        f.setStates(instance, -0.25, -5.0);
        expectReboundRecord(f.eventUpdate(instance, intermediate));
        EXPECT_EQ(f.states(instance)[0], 0.0);
        EXPECT_EQ(f.states(instance)[1], rebound({-0.25, -5.0}).velocity);
        f.free(instance);
    }
}

TEST_F(TressivoEvents, RefusedEventUpdateDoesNotRebound) {
    f.setStates(c, -0.01, -6.0);
    EXPECT_EQ(f.api.fmiEventUpdate(c, fmiFalse, nullptr), fmiError);
    f.expectOneRefusal(c, "fmiEventUpdate");
    EXPECT_EQ(f.states(c)[0], -0.01);
    EXPECT_EQ(f.states(c)[1], -6.0);
    f.setStates(c, 0.5, -6.0);
    const fmiEventInfo eventInfo = f.eventUpdate(c);
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "the kept record was not touched by the refused call";
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
}

}  // namespace
