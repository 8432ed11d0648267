// pellidor driven as a model-exchange host drives it: a fixed-step explicit
// Euler integrator, zero-crossing detection on the event indicator's sign,
// and the event iteration at each floor contact. The expected contacts and
// apex heights follow from the equations of free fall, re-derived here.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

constexpr double stepSize = 1e-4;
constexpr double stopTime = 2.0;

struct Contact {
    double time;
    double velocityBefore;
    double velocityAfter;
};

struct Trajectory {
    std::vector<Contact> contacts;
    std::vector<double> apexes;  // highest height reached between contacts
};

// The host's loop: for every step, set time and states, read derivatives and
// the event indicator, complete the step; on a sign change of the indicator,
// let the component handle the event and re-read its states.
Trajectory simulate(Fmi2Fixture& f, fmi2Component c) {
    const host::Fmi2Api& api = f.api;
    Trajectory run;
    fmi2EventInfo info{};
    EXPECT_EQ(api.fmi2NewDiscreteStates(c, &info), fmi2OK);
    EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2False);
    EXPECT_EQ(api.fmi2EnterContinuousTimeMode(c), fmi2OK);

    fmi2Real x[2], dx[2], z = 0.0;
    EXPECT_EQ(api.fmi2GetContinuousStates(c, x, 2), fmi2OK);
    EXPECT_EQ(api.fmi2GetDerivatives(c, dx, 2), fmi2OK);
    EXPECT_EQ(api.fmi2GetEventIndicators(c, &z, 1), fmi2OK);
    double apex = x[0];
    const int steps = static_cast<int>(std::lround(stopTime / stepSize));
    for (int n = 1; n <= steps; ++n) {
        const double time = n * stepSize;
        for (int k = 0; k < 2; ++k) x[k] = x[k] + stepSize * dx[k];
        const double previous = z;
        fmi2Boolean enterEventMode = fmi2True, terminate = fmi2True;
        EXPECT_EQ(api.fmi2SetTime(c, time), fmi2OK);
        EXPECT_EQ(api.fmi2SetContinuousStates(c, x, 2), fmi2OK);
        EXPECT_EQ(api.fmi2GetDerivatives(c, dx, 2), fmi2OK);
        EXPECT_EQ(api.fmi2GetEventIndicators(c, &z, 1), fmi2OK);
        EXPECT_EQ(api.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminate), fmi2OK);
        EXPECT_EQ(enterEventMode, fmi2False);
        EXPECT_EQ(terminate, fmi2False);
        apex = std::max(apex, x[0]);
        if ((previous > 0.0) == (z > 0.0)) continue;

        const double velocityBefore = x[1];
        EXPECT_EQ(api.fmi2EnterEventMode(c), fmi2OK);
        EXPECT_EQ(api.fmi2NewDiscreteStates(c, &info), fmi2OK);
        EXPECT_EQ(info.newDiscreteStatesNeeded, fmi2False) << "one call settles the event";
        EXPECT_EQ(info.valuesOfContinuousStatesChanged, fmi2True) << "contact at t = " << time;
        EXPECT_EQ(api.fmi2EnterContinuousTimeMode(c), fmi2OK);
        EXPECT_EQ(api.fmi2GetContinuousStates(c, x, 2), fmi2OK);
        EXPECT_EQ(api.fmi2GetDerivatives(c, dx, 2), fmi2OK);
        EXPECT_EQ(api.fmi2GetEventIndicators(c, &z, 1), fmi2OK);
        EXPECT_EQ(x[0], 0.0) << "the rebound puts the mass on the floor";
        EXPECT_GT(z, 0.0) << "on the floor the indicator is positive again";
        run.contacts.push_back({time, velocityBefore, x[1]});
        run.apexes.push_back(apex);
        apex = x[0];
    }
    return run;
}

TEST(PellidorIntegration, BouncesWithHalvedSpeedAndFallingApexes) {
    Fmi2Fixture f{PELLIDOR_LIBRARY};
    fmi2Component c = f.initialised(fmi2False);
    ASSERT_NE(c, nullptr);
    const Trajectory run = simulate(f, c);

    // Free fall from the start values, g the magnitude of gravity: each
    // rebound halves the speed v, the flight between contacts lasts 2 v / g
    // and reaches v^2 / (2 g). The closed form of the first contact must
    // give the figures a person works out by hand.
    const double g = -startGravity;
    double impactSpeed = firstImpactSpeed();
    double contactTime = firstContactTime();
    double apex = startHeight + startVelocity * startVelocity / (2.0 * g);
    EXPECT_NEAR(contactTime, 1.016, 5e-4);
    EXPECT_NEAR(impactSpeed, 5.968, 5e-4);

    ASSERT_EQ(run.contacts.size(), 3u) << "contacts near t = 1.016, 1.625 and 1.929 before t = 2";
    for (std::size_t i = 0; i < run.contacts.size(); ++i) {
        const Contact& contact = run.contacts[i];
        SCOPED_TRACE("contact " + std::to_string(i + 1));
        // Euler lags the exact solution by about g t h / 2 in height and
        // detects the crossing up to one step late.
        EXPECT_NEAR(contact.time, contactTime, 2e-3);
        EXPECT_NEAR(contact.velocityBefore, -impactSpeed, 2e-2);
        EXPECT_EQ(bitsOf(contact.velocityAfter), bitsOf(rebound({0.0, contact.velocityBefore}).velocity));
        EXPECT_NEAR(run.apexes[i], apex, 2e-3);
        if (i > 0) {
            EXPECT_LT(run.apexes[i], run.apexes[i - 1]) << "each apex lower than the one before";
        }

        impactSpeed = impactSpeed * startRestitution;
        apex = impactSpeed * impactSpeed / (2.0 * g);
        contactTime = contactTime + 2.0 * impactSpeed / g;
    }
    EXPECT_NEAR(run.contacts[0].velocityAfter, firstImpactSpeed() * startRestitution, 1e-2);

    EXPECT_EQ(f.api.fmi2Terminate(c), fmi2OK);
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.log.empty()) << "with logging off the run sends nothing";
}

}  // namespace
