// varnelle through model exchange as an FMI 3.0 host drives it: the host
// integrates and detects the indicator's sign change; the component rebounds
// in Event Mode, one event per contact, until a rebound too slow to leave the
// floor puts the mass at rest and asks the host to terminate.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "fmi3_fixture.h"

namespace {

class VarnelleModelExchange : public ::testing::Test, public Fmi3Fixture {
protected:
    struct Flags {
        fmi3Boolean needUpdate, terminate, nominalsChanged, valuesChanged, timeDefined;
        double nextTime;
    };
    Flags update(fmi3Instance c) {
        Flags f{true, true, true, true, true, -1.0};
        EXPECT_EQ(api.fmi3UpdateDiscreteStates(c, &f.needUpdate, &f.terminate, &f.nominalsChanged, &f.valuesChanged,
                                               &f.timeDefined, &f.nextTime),
                  fmi3OK);
        return f;
    }
    std::array<double, 2> derivatives(fmi3Instance c) {
        std::array<double, 2> d{-1.0, -1.0};
        EXPECT_EQ(api.fmi3GetContinuousStateDerivatives(c, d.data(), d.size()), fmi3OK);
        return d;
    }
    double indicator(fmi3Instance c) {
        double z = -1.0;
        EXPECT_EQ(api.fmi3GetEventIndicators(c, &z, 1), fmi3OK);
        return z;
    }
    // Into Continuous-Time Mode at `time` with the given states.
    void continueAt(fmi3Instance c, double time, expected::Motion m) {
        ASSERT_EQ(api.fmi3EnterContinuousTimeMode(c), fmi3OK);
        ASSERT_EQ(api.fmi3SetTime(c, time), fmi3OK);
        const double states[] = {m.height, m.velocity};
        ASSERT_EQ(api.fmi3SetContinuousStates(c, states, 2), fmi3OK);
    }
};

TEST_F(VarnelleModelExchange, AnswersDerivativesNominalsAndTheIndicatorOfItsStates) {
    fmi3Instance c = initialised(modelExchange());
    EXPECT_EQ(derivatives(c), (std::array<double, 2>{expected::startVelocity, expected::startGravity}));
    EXPECT_EQ(indicator(c), expected::eventIndicator(expected::startHeight));
    double nominals[2] = {};
    ASSERT_EQ(api.fmi3GetNominalsOfContinuousStates(c, nominals, 2), fmi3OK);
    EXPECT_EQ(nominals[0], expected::stateNominal);
    EXPECT_EQ(nominals[1], expected::stateNominal);
    double states[3] = {};
    EXPECT_EQ(api.fmi3GetContinuousStates(c, states, 3), fmi3Error);
    expectOneRefusal("fmi3GetContinuousStates", "the count is 3, but the model has 2");
}

// needsCompletedIntegratorStep is false: the call is harmless and asks for
// nothing; each flag is one byte.
TEST_F(VarnelleModelExchange, CompletedIntegratorStepAsksForNothingAndWritesOneByteEach) {
    fmi3Instance c = initialised(modelExchange());
    continueAt(c, 0.5, {-0.1, -1.0});  // below the floor: still the host's to detect
    unsigned char bytes[4];
    std::memset(bytes, 0xAA, sizeof bytes);
    ASSERT_EQ(api.fmi3CompletedIntegratorStep(c, true, reinterpret_cast<fmi3Boolean*>(&bytes[1]),
                                              reinterpret_cast<fmi3Boolean*>(&bytes[2])),
              fmi3OK);
    const unsigned char expectedBytes[4] = {0xAA, 0, 0, 0xAA};
    EXPECT_EQ(std::memcmp(bytes, expectedBytes, sizeof bytes), 0);
}

TEST_F(VarnelleModelExchange, EventModeReboundsOnlyAMassBelowTheFloorAndFalling) {
    fmi3Instance c = initialised(modelExchange());
    Flags f = update(c);  // the initial event iteration: nothing to do
    EXPECT_FALSE(f.valuesChanged || f.needUpdate || f.terminate || f.nominalsChanged || f.timeDefined);

    const expected::Motion rising{-0.01, 1.0};
    continueAt(c, 0.3, rising);
    ASSERT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
    EXPECT_FALSE(update(c).valuesChanged);
    EXPECT_EQ(motion(c).height, rising.height);

    const expected::Motion falling{-0.01, -3.0};
    ASSERT_EQ(api.fmi3EnterContinuousTimeMode(c), fmi3OK);
    ASSERT_EQ(api.fmi3SetTime(c, 0.4), fmi3OK);
    const double states[] = {falling.height, falling.velocity};
    ASSERT_EQ(api.fmi3SetContinuousStates(c, states, 2), fmi3OK);
    ASSERT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
    log.clear();
    f = update(c);
    EXPECT_TRUE(f.valuesChanged);
    EXPECT_FALSE(f.terminate);
    const expected::Motion after = expected::rebound(falling);
    EXPECT_EQ(motion(c).height, after.height);
    EXPECT_EQ(motion(c).velocity, after.velocity);
    EXPECT_GT(indicator(c), 0.0) << "positive after the rebound: one event per contact";
    ASSERT_EQ(log.size(), 1u);
    char text[100];
    std::snprintf(text, sizeof text, "Rebound at t = %.4g: velocity %.4g -> %.4g", 0.4, falling.velocity,
                  after.velocity);
    EXPECT_EQ(log[0].text, text);
    EXPECT_EQ(log[0].category, "INFO");
}

TEST_F(VarnelleModelExchange, ASlowReboundPutsTheMassAtRestAndAsksToTerminate) {
    fmi3Instance c = initialised(modelExchange());
    const expected::Motion slow{-0.001, -0.4};  // rebounds with 0.2, below restSpeed
    ASSERT_TRUE(expected::comesToRest(expected::rebound(slow)));
    continueAt(c, 2.0, slow);
    ASSERT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
    const Flags f = update(c);
    EXPECT_TRUE(f.terminate);
    EXPECT_TRUE(f.valuesChanged);
    EXPECT_EQ(motion(c).height, 0.0);
    EXPECT_EQ(motion(c).velocity, 0.0);
    EXPECT_EQ(derivatives(c), (std::array<double, 2>{0.0, 0.0})) << "at rest the mass does not move";
    EXPECT_EQ(float64(c, ev::accelerationRef), 0.0);
    EXPECT_GT(indicator(c), 0.0);
    EXPECT_TRUE(update(c).terminate) << "asked again while at rest";
}

// A host's fixed-step Euler integration with event detection on the
// indicator's sign: the contacts come where the closed form puts them, each
// rebound keeps half the speed, and the fifth one leaves the mass at rest.
TEST_F(VarnelleModelExchange, AHostsIntegrationMeetsTheClosedFormAndRestsAtTheFifthRebound) {
    fmi3Instance c = initialised(modelExchange(false));
    update(c);
    ASSERT_EQ(api.fmi3EnterContinuousTimeMode(c), fmi3OK);
    const double h = 1e-4;
    double states[2] = {expected::startHeight, expected::startVelocity};
    double previousIndicator = indicator(c);
    std::vector<double> contactTimes;
    bool terminated = false;
    for (int k = 1; k <= 30000 && !terminated; ++k) {
        const double t = k * h;
        std::array<double, 2> d = derivatives(c);
        states[0] += h * d[0];
        states[1] += h * d[1];
        ASSERT_EQ(api.fmi3SetTime(c, t), fmi3OK);
        ASSERT_EQ(api.fmi3SetContinuousStates(c, states, 2), fmi3OK);
        const double z = indicator(c);
        if ((z > 0.0) != (previousIndicator > 0.0)) {
            contactTimes.push_back(t);
            ASSERT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
            const Flags f = update(c);
            EXPECT_TRUE(f.valuesChanged);
            terminated = f.terminate;
            ASSERT_EQ(api.fmi3GetContinuousStates(c, states, 2), fmi3OK);
            ASSERT_EQ(api.fmi3EnterContinuousTimeMode(c), fmi3OK);
        }
        previousIndicator = indicator(c);
    }
    ASSERT_TRUE(terminated);
    ASSERT_EQ(contactTimes.size(), 5u);
    // Closed form: the first contact, then flights of 2v/|g| with v halved at
    // every rebound.
    double contact = expected::firstContactTime();
    double speed = expected::firstImpactSpeed();
    for (std::size_t i = 0; i < contactTimes.size(); ++i) {
        EXPECT_NEAR(contactTimes[i], contact, 0.002) << "contact " << i + 1;
        speed *= expected::startRestitution;
        contact += 2.0 * speed / -expected::startGravity;
    }
    EXPECT_EQ(motion(c).height, 0.0);
    EXPECT_EQ(motion(c).velocity, 0.0);
}

}  // namespace
