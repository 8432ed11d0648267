// Drives tressivo as an FMI 1.0 model-exchange host would: initialise, then
// integrate with explicit Euler steps, watch the event indicator for a sign
// change, and let the component handle each floor contact. The same host loop
// runs over the test's own copy of the model equations, and the two runs must
// agree bit for bit; the first rebounds are also checked against the closed
// form of a mass thrown up at 4 m/s from 1 m under gravity -9.81.
#include "fmi1_fixture.h"

#ifdef TRESSIVO_LIBRARY

#include <cmath>
#include <vector>

namespace {

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

// The test's own statement of the model: derivatives (velocity, gravity),
// the indicator offset by 1e-16, the rebound on height below zero.
struct ReferenceModel {
    States x{};
    States initialize() { return x = {1.0, 4.0}; }
    States derivatives() const { return {x[1], -9.81}; }
    void advance(double, const States& next) { x = next; }
    double indicator() const { return fmi1::expectedIndicator(x[0]); }
    States handleEvent() {
        if (x[0] < 0.0) x = {0.0, -(x[1] * 0.5)};
        return x;
    }
};

// The component, called as a host calls it.
struct ComponentModel {
    const host::Fmi1Api& api;
    fmiComponent c;

    States initialize() {
        EXPECT_EQ(api.fmiSetTime(c, 0.0), fmiOK);
        fmiEventInfo eventInfo{};
        EXPECT_EQ(api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        return states();
    }
    States states() const {
        States x{};
        EXPECT_EQ(api.fmiGetContinuousStates(c, x.data(), x.size()), fmiOK);
        return x;
    }
    States derivatives() const {
        States dx{};
        EXPECT_EQ(api.fmiGetDerivatives(c, dx.data(), dx.size()), fmiOK);
        return dx;
    }
    void advance(double time, const States& x) {
        EXPECT_EQ(api.fmiSetTime(c, time), fmiOK);
        EXPECT_EQ(api.fmiSetContinuousStates(c, x.data(), x.size()), fmiOK);
        fmiBoolean callEventUpdate = fmiTrue;
        EXPECT_EQ(api.fmiCompletedIntegratorStep(c, &callEventUpdate), fmiOK);
        EXPECT_EQ(callEventUpdate, fmiFalse);
    }
    double indicator() const {
        double z = 0.0;
        EXPECT_EQ(api.fmiGetEventIndicators(c, &z, 1), fmiOK);
        return z;
    }
    // An FMI 1.0 event iteration: call until converged, re-read the states
    // when the component says they changed.
    States handleEvent() {
        fmiEventInfo eventInfo{};
        int iterations = 0;
        do {
            EXPECT_EQ(api.fmiEventUpdate(c, fmiFalse, &eventInfo), fmiOK);
            ++iterations;
        } while (eventInfo.iterationConverged == fmiFalse && iterations < 10);
        EXPECT_EQ(iterations, 1) << "one call settles a rebound";
        EXPECT_EQ(eventInfo.stateValuesChanged, fmiTrue);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        return eventInfo.stateValuesChanged == fmiTrue ? states() : States{};
    }
};

using TressivoIntegration = fmi1::Fixture;

TEST_F(TressivoIntegration, HostRunMatchesTheModelEquationsBitForBit) {
    fmi1::Instance instance(api, instantiate());
    ASSERT_TRUE(instance);
    ComponentModel component{api, instance.get()};
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
    instance.reset();
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_TRUE(host.log.empty()) << "logging was off";
}

TEST_F(TressivoIntegration, ReboundsFollowTheClosedForm) {
    fmi1::Instance instance(api, instantiate());
    ASSERT_TRUE(instance);
    ComponentModel component{api, instance.get()};
    const std::vector<Rebound> seen = simulate(component);
    ASSERT_GE(seen.size(), 3u);

    // First contact: 1 + 4t - 9.81t^2/2 = 0, so t = (4 + sqrt(16 + 2 * 9.81)) / 9.81
    // (about 1.016) with impact speed sqrt(16 + 2 * 9.81) (about 5.968). Each
    // later flight lasts twice the take-off speed over 9.81, and every
    // rebound halves the speed.
    const double g = 9.81;
    double impactSpeed = std::sqrt(4.0 * 4.0 + 2.0 * g * 1.0);
    double contact = (4.0 + impactSpeed) / g;
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE("rebound " + std::to_string(k + 1));
        // Euler with step 1e-4 lags the closed form by well under 1e-3.
        EXPECT_NEAR(seen[k].time, contact, 1e-3);
        EXPECT_NEAR(seen[k].velocityBefore, -impactSpeed, 5e-3);
        EXPECT_EQ(seen[k].velocityAfter, -(seen[k].velocityBefore * 0.5));
        const double takeOff = impactSpeed * 0.5;
        contact += 2.0 * takeOff / g;
        impactSpeed = takeOff;
    }
    EXPECT_NEAR(seen[0].time, 1.016, 5e-4);
    EXPECT_NEAR(seen[0].velocityBefore, -5.968, 5e-3);
    EXPECT_NEAR(seen[0].velocityAfter, 2.984, 3e-3);
}

}  // namespace

#endif
