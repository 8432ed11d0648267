// States, derivatives, the event indicator and the FMI 1.0 rebound with its
// event record kept between calls.
#include "fmi1_fixture.h"

#ifdef TRESSIVO_LIBRARY

namespace {

using fmi1::Fixture;
using TressivoEvents = Fixture;

TEST_F(TressivoEvents, DerivativesAreVelocityAndGravity) {
    start();
    double dx[2] = {0, 0};
    ASSERT_EQ(api.fmiGetDerivatives(c(), dx, 2), fmiOK);
    EXPECT_EQ(dx[0], 4.0);
    EXPECT_EQ(dx[1], -9.81);
    setReal(2, -1.62);
    setStates(0.5, -2.25);
    ASSERT_EQ(api.fmiGetDerivatives(c(), dx, 2), fmiOK);
    EXPECT_EQ(dx[0], -2.25);
    EXPECT_EQ(dx[1], -1.62);
}

TEST_F(TressivoEvents, NominalsAndStateValueReferencesDescribeTheTwoStates) {
    start();
    double nominals[2] = {0, 0};
    fmiValueReference refs[2] = {7, 7};
    ASSERT_EQ(api.fmiGetNominalContinuousStates(c(), nominals, 2), fmiOK);
    ASSERT_EQ(api.fmiGetStateValueReferences(c(), refs, 2), fmiOK);
    EXPECT_EQ(nominals[0], 1.0);
    EXPECT_EQ(nominals[1], 1.0);
    EXPECT_EQ(refs[0], 0u);
    EXPECT_EQ(refs[1], 1u);
    // The state value references really are the reals that hold the states.
    setStates(2.5, -0.5);
    EXPECT_EQ(real(refs[0]), 2.5);
    EXPECT_EQ(real(refs[1]), -0.5);
}

TEST_F(TressivoEvents, ShorterCountsCopyOnlyThatMany) {
    start();
    double x[2] = {-7.0, -7.0};
    ASSERT_EQ(api.fmiGetContinuousStates(c(), x, 1), fmiOK);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(x[1], -7.0);
    const double height = 3.0;
    ASSERT_EQ(api.fmiSetContinuousStates(c(), &height, 1), fmiOK);
    EXPECT_EQ(states()[0], 3.0);
    EXPECT_EQ(states()[1], 4.0);
    EXPECT_EQ(api.fmiGetDerivatives(c(), nullptr, 0), fmiOK);
}

TEST_F(TressivoEvents, CountsAboveTheModelOrNullArraysAreRefusedWithNothingCopied) {
    start();
    double big[3] = {-7.0, -7.0, -7.0};
    fmiValueReference refs[3] = {7, 7, 7};
    struct Case {
        const char* function;
        std::function<fmiStatus()> call;
    };
    const Case cases[] = {
        {"fmiSetContinuousStates", [&] { return api.fmiSetContinuousStates(c(), big, 3); }},
        {"fmiGetContinuousStates", [&] { return api.fmiGetContinuousStates(c(), big, 3); }},
        {"fmiGetNominalContinuousStates", [&] { return api.fmiGetNominalContinuousStates(c(), big, 3); }},
        {"fmiGetStateValueReferences", [&] { return api.fmiGetStateValueReferences(c(), refs, 3); }},
        {"fmiGetDerivatives", [&] { return api.fmiGetDerivatives(c(), big, 3); }},
        {"fmiGetEventIndicators", [&] { return api.fmiGetEventIndicators(c(), big, 2); }},
        {"fmiSetContinuousStates", [&] { return api.fmiSetContinuousStates(c(), nullptr, 2); }},
        {"fmiGetContinuousStates", [&] { return api.fmiGetContinuousStates(c(), nullptr, 1); }},
        {"fmiGetNominalContinuousStates", [&] { return api.fmiGetNominalContinuousStates(c(), nullptr, 2); }},
        {"fmiGetStateValueReferences", [&] { return api.fmiGetStateValueReferences(c(), nullptr, 2); }},
        {"fmiGetDerivatives", [&] { return api.fmiGetDerivatives(c(), nullptr, 2); }},
        {"fmiGetEventIndicators", [&] { return api.fmiGetEventIndicators(c(), nullptr, 1); }},
        {"fmiCompletedIntegratorStep", [&] { return api.fmiCompletedIntegratorStep(c(), nullptr); }},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.function);
        host.log.clear();
        EXPECT_EQ(refused.call(), fmiError);
        expectOneRefusal(refused.function);
        for (double value : big) EXPECT_EQ(value, -7.0) << "nothing copied to the host";
        for (fmiValueReference vr : refs) EXPECT_EQ(vr, 7u);
        EXPECT_EQ(states()[0], 1.0) << "nothing copied into the states";
        EXPECT_EQ(states()[1], 4.0);
    }
}

TEST_F(TressivoEvents, EventIndicatorIsTheHeightPushedOffZero) {
    start();
    const double heights[] = {0.0, -0.0, -1e-3, -1e-16, -5e-17, -1e-300, 1e-300, 0.75, -2.0};
    for (double height : heights) {
        setStates(height, 1.0);
        const double z = indicator();
        EXPECT_EQ(bitsOf(z), bitsOf(fmi1::expectedIndicator(height))) << "height " << height << " gave " << z;
        EXPECT_EQ(z < 0.0, height < 0.0) << "the sign follows the height, positive at the floor";
    }
    setStates(std::nan(""), 1.0);
    EXPECT_TRUE(std::isnan(indicator()));
}

TEST_F(TressivoEvents, CompletedIntegratorStepNeverAsksForAnEventUpdate) {
    start();
    for (double height : {1.0, 0.0, -0.5}) {
        setStates(height, -3.0);
        fmiBoolean callEventUpdate = 42;
        ASSERT_EQ(api.fmiCompletedIntegratorStep(c(), &callEventUpdate), fmiOK);
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
// way it moves.
TEST_F(TressivoEvents, ReboundTestsTheHeightAlone) {
    struct Case {
        double height, velocity;
        bool rebounds;
    };
    const Case cases[] = {{-0.01, -6.0, true}, {-0.01, 1.0, true}, {-1e-300, 0.0, true},
                          {0.0, -6.0, false},  {-0.0, -6.0, false}, {0.3, -6.0, false},
                          {std::nan(""), -6.0, false}};
    for (const Case& event : cases) {
        SCOPED_TRACE("height " + std::to_string(event.height) + ", velocity " + std::to_string(event.velocity));
        start();
        setStates(event.height, event.velocity);
        const fmiEventInfo eventInfo = eventUpdate();
        const auto x = states();
        if (event.rebounds) {
            EXPECT_EQ(bitsOf(x[0]), bitsOf(0.0));
            EXPECT_EQ(bitsOf(x[1]), bitsOf(-(event.velocity * 0.5)));
            expectReboundRecord(eventInfo);
        } else {
            EXPECT_EQ(bitsOf(x[0]), bitsOf(event.height));
            EXPECT_EQ(x[1], event.velocity);
            EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "what initialisation left";
            EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
        }
        freeInstance();
    }
}

TEST_F(TressivoEvents, EventRecordIsKeptBetweenCallsUntilInitialize) {
    start();
    fmiEventInfo eventInfo = eventUpdate();  // at height 1.0, before any rebound
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse);
    EXPECT_EQ(eventInfo.stateValueReferencesChanged, fmiFalse);
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
    EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
    EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
    EXPECT_TRUE(isNegativeZero(eventInfo.nextEventTime));
    EXPECT_EQ(states()[0], 1.0);

    setStates(-0.01, -6.0);
    expectReboundRecord(eventUpdate());
    // A second call in the same event finds the mass on the floor: nothing
    // changes, yet the record of the rebound is reported again.
    expectReboundRecord(eventUpdate(fmiTrue));
    EXPECT_EQ(states()[0], 0.0);
    EXPECT_EQ(states()[1], 3.0);
    setStates(-0.0, 3.0);
    expectReboundRecord(eventUpdate());
    EXPECT_EQ(states()[1], 3.0);

    fmiEventInfo reset{};
    ASSERT_EQ(api.fmiInitialize(c(), fmiFalse, 0.0, &reset), fmiOK);
    EXPECT_EQ(reset.iterationConverged, fmiFalse);
    EXPECT_EQ(reset.stateValuesChanged, fmiFalse);
    eventInfo = eventUpdate();
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "fmiInitialize reset the kept record";
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
}

TEST_F(TressivoEvents, IntermediateResultsMakeNoDifference) {
    for (fmiBoolean intermediate : {fmiFalse, fmiTrue}) {
        start();
        setStates(-0.25, -5.0);
        expectReboundRecord(eventUpdate(intermediate));
        EXPECT_EQ(states()[0], 0.0);
        EXPECT_EQ(states()[1], 2.5);
        freeInstance();
    }
}

TEST_F(TressivoEvents, RefusedEventUpdateDoesNotRebound) {
    start();
    setStates(-0.01, -6.0);
    EXPECT_EQ(api.fmiEventUpdate(c(), fmiFalse, nullptr), fmiError);
    expectOneRefusal("fmiEventUpdate");
    EXPECT_EQ(states()[0], -0.01);
    EXPECT_EQ(states()[1], -6.0);
    setStates(0.5, -6.0);
    const fmiEventInfo eventInfo = eventUpdate();
    EXPECT_EQ(eventInfo.iterationConverged, fmiFalse) << "the kept record was not touched by the refused call";
    EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
}

}  // namespace

#endif
