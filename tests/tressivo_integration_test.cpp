// Drives tressivo as an FMI 1.0 model-exchange host would: initialise, then
// integrate with explicit Euler steps, watch the event indicator for a sign
// change, and let the component handle each floor contact. The same host loop
// runs over the model's reference arithmetic (model_expectations.h), and the
// two runs must agree bit for bit; the first rebounds are also checked against
// the closed form of a mass thrown up at 4 m/s from 1 m under gravity -9.81.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "fmi1_fixture.h"
#include "support.h"

namespace {

using namespace expected;

using States = std::array<double, 2>;

struct Rebound {
    double time;
    double heightBefore;
    double velocityBefore;
    double velocityAfter;
};

constexpr double stepSize = 1e-4;
constexpr double stopTime = 2.0;

// The host: fixed-step explicit Euler, an event whenever the indicator goes
// from non-negative to negative, the event settled and the states re-read.
template <typename Model>
std::vector<Rebound> simulate(Model& model) {
    std::vector<Rebound> rebounds;
    States x = model.initialize();
    double previousIndicator = model.indicator();
    const auto steps = static_cast<long>(stopTime / stepSize);
    for (long n = 1; n <= steps; ++n) {
        const States dx = model.derivatives();
        const double time = double(n) * stepSize;
        for (std::size_t k = 0; k < x.size(); ++k) x[k] = x[k] + stepSize * dx[k];
        model.advance(time, x);
        double z = model.indicator();
        if (previousIndicator >= 0.0 && z < 0.0) {
            Rebound rebound{time, x[0], x[1], 0.0};
            x = model.handleEvent();
            rebound.velocityAfter = x[1];
            rebounds.push_back(rebound);
            z = model.indicator();
        }
        previousIndicator = z;
    }
    return rebounds;
}

// The model as the test knows it: derivatives (velocity, gravity), the
// indicator, the FMI 1.0 rebound on height below zero.
struct ReferenceModel {
    States x{};
    States initialize() { return x = {startHeight, startVelocity}; }
    States derivatives() const { return {x[1], startGravity}; }
    void advance(double, const States& next) { x = next; }
    double indicator() const { return eventIndicator(x[0]); }
    States handleEvent() {
        const Motion m{x[0], x[1]};
        if (reboundsFmi1(m)) x = {rebound(m).height, rebound(m).velocity};
        return x;
    }
};

// The component, called as a host calls it.
struct ComponentModel {
    Fmi1Fixture& f;
    fmiComponent c;

    States initialize() {
        EXPECT_EQ(f.api.fmiSetTime(c, 0.0), fmiOK);
        fmiEventInfo eventInfo{};
        EXPECT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        return f.states(c);
    }
    States derivatives() const {
        States dx{};
        EXPECT_EQ(f.api.fmiGetDerivatives(c, dx.data(), dx.size()), fmiOK);
        return dx;
    }
    void advance(double time, const States& x) {
        EXPECT_EQ(f.api.fmiSetTime(c, time), fmiOK);
        EXPECT_EQ(f.api.fmiSetContinuousStates(c, x.data(), x.size()), fmiOK);
        fmiBoolean callEventUpdate = fmiTrue;
        EXPECT_EQ(f.api.fmiCompletedIntegratorStep(c, &callEventUpdate), fmiOK);
        EXPECT_EQ(callEventUpdate, fmiFalse);
    }
    double indicator() const { return f.indicator(c); }
    // An FMI 1.0 event iteration: call until converged, re-read the states
    // when the component says they changed.
    States handleEvent() {
        fmiEventInfo eventInfo{};
        int iterations = 0;
        do {
            EXPECT_EQ(f.api.fmiEventUpdate(c, fmiFalse, &eventInfo), fmiOK);
            ++iterations;
        } while (eventInfo.iterationConverged == fmiFalse && iterations < 10);
        EXPECT_EQ(iterations, 1) << "one call settles a rebound";
        EXPECT_EQ(eventInfo.stateValuesChanged, fmiTrue);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        return eventInfo.stateValuesChanged == fmiTrue ? f.states(c) : States{};
    }
};

class TressivoIntegration : public ::testing::Test {
protected:
    Fmi1Fixture f{TRESSIVO_LIBRARY};
    fmiComponent c = f.instantiate("ball", guid, fmiFalse);
};

TEST_F(TressivoIntegration, HostRunMatchesTheModelEquationsBitForBit) {
    ASSERT_NE(c, nullptr);
    ComponentModel component{f, c};
    ReferenceModel reference;
    const std::vector<Rebound> seen = simulate(component);
    const std::vector<Rebound> expected = simulate(reference);

    ASSERT_EQ(seen.size(), expected.size());
    ASSERT_GE(seen.size(), 3u) << "several rebounds before t = " << stopTime;
    for (std::size_t k = 0; k < seen.size(); ++k) {
        SCOPED_TRACE("rebound " + std::to_string(k + 1));
        EXPECT_EQ(bitsOf(seen[k].time), bitsOf(expected[k].time));
        EXPECT_EQ(bitsOf(seen[k].heightBefore), bitsOf(expected[k].heightBefore));
        EXPECT_EQ(bitsOf(seen[k].velocityBefore), bitsOf(expected[k].velocityBefore));
        EXPECT_EQ(bitsOf(seen[k].velocityAfter), bitsOf(expected[k].velocityAfter));
        EXPECT_LT(seen[k].heightBefore, 0.0) << "handled with the height just below the floor";
        EXPECT_GT(seen[k].heightBefore, -stepSize * 6.0);
    }
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.log.empty()) << "logging was off";
}

TEST_F(TressivoIntegration, ReboundsFollowTheClosedForm) {
    ASSERT_NE(c, nullptr);
    ComponentModel component{f, c};
    const std::vector<Rebound> seen = simulate(component);
    ASSERT_GE(seen.size(), 3u);

    // After the first contact each flight lasts twice the take-off speed over
    // the magnitude of gravity, and every rebound halves the speed.
    const double g = -startGravity;
    double impactSpeed = firstImpactSpeed();
    double contact = firstContactTime();
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE("rebound " + std::to_string(k + 1));
        // Euler with step 1e-4 lags the closed form by well under 1e-3.
        EXPECT_NEAR(seen[k].time, contact, 1e-3);
        EXPECT_NEAR(seen[k].velocityBefore, -impactSpeed, 5e-3);
        EXPECT_EQ(seen[k].velocityAfter, rebound({0.0, seen[k].velocityBefore}).velocity);
        const double takeOff = impactSpeed * startRestitution;
        contact += 2.0 * takeOff / g;
        impactSpeed = takeOff;
    }
    EXPECT_NEAR(seen[0].time, firstContactTime(), 5e-4);
    EXPECT_NEAR(seen[0].velocityBefore, -firstImpactSpeed(), 5e-3);
    EXPECT_NEAR(seen[0].velocityAfter, firstImpactSpeed() * startRestitution, 3e-3);
}

}  // namespace
