// varnelle through co-simulation as FMI 3.0 hosts drive it: corvane's
// arithmetic bit for bit up to the rest, event mode with early return (the
// contact handed to the host, never lost), the cap answered with Discard or
// an early return, the intermediate-update callback (forbidden calls inside
// it, freeing the instance there, early return requested), the rest and
// terminateSimulation, out arguments of one byte, threads.
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

#include "fmi3_fixture.h"

namespace {

struct StepResult {
    fmi3Status status;
    bool eventHandlingNeeded, terminateSimulation, earlyReturn;
    double lastSuccessfulTime;
};

class VarnelleCoSimulation : public ::testing::Test, public Fmi3Fixture {
protected:
    StepResult step(fmi3Instance c, double t, double h) {
        fmi3Boolean event = true, terminate = true, early = true;
        double last = -1.0;
        const fmi3Status status = api.fmi3DoStep(c, t, h, false, &event, &terminate, &early, &last);
        return {status, event, terminate, early, last};
    }
    // From Event Mode into Step Mode, settling what waits.
    void handleEvent(fmi3Instance c, bool expectRebound) {
        fmi3Boolean flags[5];
        double next = 0.0;
        ASSERT_EQ(api.fmi3UpdateDiscreteStates(c, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &next),
                  fmi3OK);
        EXPECT_EQ(bool(flags[3]), expectRebound);
        ASSERT_EQ(api.fmi3EnterStepMode(c), fmi3OK);
    }
};

// The simplest master (t += h, every output read at every point) gets
// corvane's results bit for bit up to the rest; from the rest on the mass
// stays on the floor and every step asks to terminate.
TEST_F(VarnelleCoSimulation, FollowsCorvanesArithmeticBitForBitUpToTheRestAndStaysThere) {
    for (const double h : {0.01, 0.05, 0.1}) {
        SCOPED_TRACE("h = " + std::to_string(h));
        fmi3Instance c = initialised(coSimulation(false, false, {}, false, false));
        expected::Motion m = expected::startMotion;
        expected::Rest rest;
        unsigned rebounds = 0;
        double restTime = -1.0;
        for (double t = 0.0; t < 3.0 - h / 2;) {
            const bool restBefore = rest.reached;
            rebounds += expected::communicationStep(m, t, h, expected::startGravity, expected::startRestitution,
                                                    &rest).rebounds;
            const StepResult r = step(c, t, h);
            ASSERT_EQ(r.status, fmi3OK) << "t = " << t;
            t += h;
            ASSERT_EQ(r.lastSuccessfulTime, t);
            ASSERT_FALSE(r.earlyReturn || r.eventHandlingNeeded);
            ASSERT_EQ(r.terminateSimulation, rest.reached) << "t = " << t;
            if (rest.reached && !restBefore) restTime = t;
            ASSERT_EQ(float64(c, ev::heightRef), m.height) << "t = " << t;
            ASSERT_EQ(float64(c, ev::velocityRef), m.velocity) << "t = " << t;
            ASSERT_EQ(float64(c, ev::timeRef), t);
        }
        EXPECT_TRUE(rest.reached);
        if (h == 0.01) {
            EXPECT_EQ(rebounds, 6u) << "corvane's arithmetic rests at its sixth rebound";
            EXPECT_NEAR(restTime, 2.40, 0.01);
        }
        free(c);
    }
}

// The internal clock of the calls made so far, and the motion on it, as the
// component must compute them: where the first contact is found.
struct Contact {
    double time;
    expected::Motion motion;
};
Contact firstContact(double h) {
    expected::Motion m = expected::startMotion;
    for (double t = 0.0;; t += h) {
        expected::InternalClock clock(t, h);
        const double reference = expected::eventIndicator(m.height);
        while (clock.running()) {
            m = expected::eulerStep(m, clock.advance());
            if (expected::eventIndicator(m.height) * reference < 0.0) return {clock.time, m};
        }
    }
}

TEST_F(VarnelleCoSimulation, InEventModeAContactReturnsEarlyAndWaitsForTheHostsEventMode) {
    const double h = 0.1;
    fmi3Instance c = initialised(coSimulation(true, true));
    handleEvent(c, false);
    const Contact contact = firstContact(h);
    double t = 0.0;
    StepResult r{};
    while ((r = step(c, t, h)).status == fmi3OK && !r.eventHandlingNeeded) t += h;
    ASSERT_EQ(r.status, fmi3OK);
    EXPECT_TRUE(r.earlyReturn);
    EXPECT_EQ(r.lastSuccessfulTime, contact.time);
    EXPECT_EQ(float64(c, ev::heightRef), contact.motion.height) << "not yet rebounded";
    EXPECT_LT(contact.motion.height, 0.0);

    ASSERT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
    handleEvent(c, true);
    const expected::Motion after = expected::rebound(contact.motion);
    EXPECT_EQ(motion(c).height, after.height);
    EXPECT_EQ(motion(c).velocity, after.velocity);
    r = step(c, contact.time, h);
    EXPECT_EQ(r.status, fmi3OK);
    EXPECT_FALSE(r.eventHandlingNeeded || r.earlyReturn);
    EXPECT_GT(float64(c, ev::heightRef), 0.0);
}

TEST_F(VarnelleCoSimulation, AStepOverAWaitingContactIsRefusedTheMassNeverFallsThrough) {
    fmi3Instance c = initialised(coSimulation(true, true));
    handleEvent(c, false);
    double t = 0.0;
    StepResult r{};
    while ((r = step(c, t, 0.1)).status == fmi3OK && !r.eventHandlingNeeded) t += 0.1;
    log.clear();
    EXPECT_EQ(step(c, r.lastSuccessfulTime, 0.1).status, fmi3Error);
    char text[100];
    std::snprintf(text, sizeof text, "an event at t = %.4g waits: call fmi3EnterEventMode", r.lastSuccessfulTime);
    expectOneRefusal("fmi3DoStep", text);
    expectTerminated(c);
}

// Without event mode, or without early return, contacts are handled inside
// the step: the same rebounds as without event mode.
TEST_F(VarnelleCoSimulation, EventModeWithoutEarlyReturnHandlesContactsInsideTheStep) {
    fmi3Instance c = initialised(coSimulation(true, false));
    handleEvent(c, false);
    expected::Motion m = expected::startMotion;
    for (double t = 0.0; t < 1.5; t += 0.1) {
        expected::communicationStep(m, t, 0.1);
        const StepResult r = step(c, t, 0.1);
        ASSERT_EQ(r.status, fmi3OK);
        ASSERT_FALSE(r.eventHandlingNeeded);
    }
    EXPECT_EQ(motion(c).height, m.height);
    EXPECT_EQ(motion(c).velocity, m.velocity);
}

// A step that 100 internal steps do not cover: Discard and nothing changed
// when the host allowed no early return; an early return where corvane stops
// when it did.
TEST_F(VarnelleCoSimulation, TheCapAnswersDiscardOrReturnsEarlyWhereCorvaneStops) {
    fmi3Instance strict = initialised(coSimulation(false, false));
    const StepResult discarded = step(strict, 0.0, 1.5);
    EXPECT_EQ(discarded.status, fmi3Discard);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].status, fmi3Discard);
    EXPECT_EQ(log[0].text.rfind("fmi3DoStep: a step of 1.5", 0), 0u) << log[0].text;
    log.clear();
    EXPECT_EQ(motion(strict).height, expected::startHeight) << "Discard: the step did not happen";
    EXPECT_EQ(float64(strict, ev::timeRef), 0.0);
    EXPECT_EQ(step(strict, 0.0, 1.0).status, fmi3OK) << "exactly 100 internal steps, and after the Discard";

    fmi3Instance early = initialised(coSimulation(false, true));
    expected::Motion m = expected::startMotion;
    EXPECT_FALSE(expected::communicationStep(m, 0.0, 1.5).covered);
    expected::InternalClock clock(0.0, 1.5);
    while (clock.running()) clock.advance();
    const StepResult r = step(early, 0.0, 1.5);
    EXPECT_EQ(r.status, fmi3OK);
    EXPECT_TRUE(r.earlyReturn);
    EXPECT_EQ(r.lastSuccessfulTime, clock.time);
    EXPECT_EQ(motion(early).height, m.height);
    EXPECT_EQ(motion(early).velocity, m.velocity);
    EXPECT_EQ(step(early, r.lastSuccessfulTime, 0.5).status, fmi3OK) << "stepping on from lastSuccessfulTime";
}

TEST_F(VarnelleCoSimulation, RefusesStepsFromAnotherTimeOfNoLengthOrPastTheStopTime) {
    const struct {
        double t, h;
        const char* message;
    } cases[] = {
        {0.5, 0.1, "currentCommunicationPoint 0.5 is not the instance's time 0"},
        {0.0, 0.0, "communicationStepSize 0 is not positive"},
        {0.0, -0.1, "communicationStepSize -0.1 is not positive"},
        {0.0, std::nan(""), "communicationStepSize nan is not positive"},
        {0.0, 2.5, "the step ends at 2.5, past the stop time 2"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.message);
        fmi3Instance c = initialised(coSimulation(false, true), 2.0);
        EXPECT_EQ(step(c, k.t, k.h).status, fmi3Error);
        expectOneRefusal("fmi3DoStep", k.message);
        expectTerminated(c);
        free(c);
    }
}

TEST_F(VarnelleCoSimulation, EachFlagIsOneByte) {
    fmi3Instance c = initialised(coSimulation());
    unsigned char bytes[5];
    std::memset(bytes, 0xAA, sizeof bytes);
    double last = 0.0;
    auto* flags = reinterpret_cast<fmi3Boolean*>(bytes);
    ASSERT_EQ(api.fmi3DoStep(c, 0.0, 0.01, false, &flags[1], &flags[2], &flags[3], &last), fmi3OK);
    const unsigned char expectedBytes[5] = {0xAA, 0, 0, 0, 0xAA};
    EXPECT_EQ(std::memcmp(bytes, expectedBytes, sizeof bytes), 0);
}

// With early return allowed the rest ends the step at the contact that
// reaches it; later steps keep the mass on the floor and ask again.
TEST_F(VarnelleCoSimulation, TheRestReturnsEarlyAndEveryLaterStepAsksToTerminate) {
    fmi3Instance c = initialised(coSimulation(false, true, {}, false, false));
    double t = 0.0;
    StepResult r{};
    // Steps of 0.25: the rest, near 2.40, comes inside the step from 2.25.
    while ((r = step(c, t, 0.25)).status == fmi3OK && !r.terminateSimulation) t = r.lastSuccessfulTime;
    ASSERT_EQ(r.status, fmi3OK);
    EXPECT_TRUE(r.earlyReturn);
    EXPECT_LT(r.lastSuccessfulTime, t + 0.25);
    for (int k = 0; k < 3; ++k) {
        const double from = r.lastSuccessfulTime;
        r = step(c, from, 0.1);
        EXPECT_TRUE(r.terminateSimulation);
        EXPECT_FALSE(r.earlyReturn);
        EXPECT_EQ(r.lastSuccessfulTime, from + 0.1);
    }
    EXPECT_EQ(motion(c).height, 0.0);
    EXPECT_EQ(motion(c).velocity, 0.0);
}

TEST_F(VarnelleCoSimulation, IntermediateUpdateSeesEveryInternalStepAndItsStates) {
    fmi3Instance c = initialised(coSimulation(false, false, {ev::heightRef}, true));
    std::vector<double> heights;
    onIntermediateUpdate = [&](const IntermediateUpdate&) {
        heights.push_back(float64(c, ev::heightRef));
        return false;
    };
    ASSERT_EQ(step(c, 0.0, 0.1).status, fmi3OK);
    // Ten steps of 0.01 fall short of 0.1 by rounding: corvane's clock then
    // takes a last, tiny step, and the callback sees it too.
    expected::InternalClock clock(0.0, 0.1);
    expected::Motion m = expected::startMotion;
    std::size_t k = 0;
    for (; clock.running(); ++k) {
        m = expected::eulerStep(m, clock.advance());
        ASSERT_LT(k, updates.size());
        EXPECT_EQ(updates[k].time, clock.time);
        EXPECT_EQ(heights[k], m.height);
        EXPECT_FALSE(updates[k].setRequested || updates[k].canReturnEarly);
        EXPECT_TRUE(updates[k].getAllowed && updates[k].stepFinished);
    }
    EXPECT_EQ(updates.size(), k);
    EXPECT_TRUE(log.empty());
}

// Inside the callback only the named intermediate variables may be read;
// every other call is refused, and the step ends with fmi3Error when the
// callback returns. Freeing the instance there is refused and ignored.
TEST_F(VarnelleCoSimulation, ForbiddenCallsInsideTheCallbackEndTheStepWithAnError) {
    const std::vector<std::pair<const char*, std::function<void(fmi3Instance)>>> forbidden = {
        {"fmi3GetFloat64",
         [&](fmi3Instance c) {
             const fmi3ValueReference vr = ev::velocityRef;  // not named
             double v = 0.0;
             EXPECT_EQ(api.fmi3GetFloat64(c, &vr, 1, &v, 1), fmi3Error);
         }},
        {"fmi3SetFloat64", [&](fmi3Instance c) { EXPECT_EQ(setFloat64(c, ev::gravityRef, -1.0), fmi3Error); }},
        {"fmi3DoStep", [&](fmi3Instance c) { EXPECT_EQ(step(c, 0.0, 0.1).status, fmi3Error); }},
        {"fmi3Terminate", [&](fmi3Instance c) { EXPECT_EQ(api.fmi3Terminate(c), fmi3Error); }},
        {"fmi3FreeInstance", [&](fmi3Instance c) { api.fmi3FreeInstance(c); }},
    };
    for (const auto& entry : forbidden) {
        const std::string name = entry.first;
        const auto& call = entry.second;
        SCOPED_TRACE(name);
        fmi3Instance c = initialised(coSimulation(false, true, {ev::heightRef}, true));
        updates.clear();
        onIntermediateUpdate = [&](const IntermediateUpdate&) {
            if (updates.size() == 2) call(c);
            return false;
        };
        EXPECT_EQ(step(c, 0.0, 0.1).status, fmi3Error);
        EXPECT_EQ(updates.size(), 2u) << "the step ends after the callback that made the call";
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].text.rfind(name + ": ", 0), 0u) << log[0].text;
        EXPECT_EQ(log[1].text.rfind("fmi3DoStep: ends at t = 0.02", 0), 0u) << log[1].text;
        log.clear();
        onIntermediateUpdate = nullptr;
        EXPECT_NE(float64(c, ev::heightRef), expected::startHeight) << "the instance lives on, two steps taken";
        expectTerminated(c);
        free(c);
    }
}

TEST_F(VarnelleCoSimulation, AnEarlyReturnRequestedIsHonouredOnlyWhereAllowed) {
    fmi3Instance allowed = initialised(coSimulation(false, true, {}, true));
    onIntermediateUpdate = [&](const IntermediateUpdate& u) {
        EXPECT_TRUE(u.canReturnEarly);
        return updates.size() == 3;
    };
    StepResult r = step(allowed, 0.0, 0.1);
    EXPECT_EQ(r.status, fmi3OK);
    EXPECT_TRUE(r.earlyReturn);
    EXPECT_EQ(r.lastSuccessfulTime, updates[2].time);
    EXPECT_EQ(float64(allowed, ev::timeRef), updates[2].time);

    fmi3Instance refused = initialised(coSimulation(false, false, {}, true));
    updates.clear();
    onIntermediateUpdate = [&](const IntermediateUpdate& u) { return !u.canReturnEarly; };
    r = step(refused, 0.0, 0.1);
    EXPECT_EQ(r.status, fmi3Warning);
    EXPECT_FALSE(r.earlyReturn);
    EXPECT_EQ(r.lastSuccessfulTime, 0.1);
    ASSERT_EQ(log.size(), 1u) << "one warning for the whole step";
    EXPECT_EQ(log[0].category, "WARNING");
    EXPECT_EQ(log[0].status, fmi3Warning);
}

// Four threads, each with its own instance, give what one run alone gives.
TEST_F(VarnelleCoSimulation, FourThreadsGiveTheResultsOfOneRunAlone) {
    const auto run = [this](std::vector<double>& heights) {
        fmi3Instance c = api.fmi3InstantiateCoSimulation("ball", "123", nullptr, false, false, true, true, nullptr, 0,
                                                         nullptr, nullptr, nullptr);
        api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, true, 3.0);
        api.fmi3ExitInitializationMode(c);
        fmi3Boolean flags[5];
        double t = 0.0, next = 0.0;
        api.fmi3UpdateDiscreteStates(c, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &next);
        api.fmi3EnterStepMode(c);
        const fmi3ValueReference vr = ev::heightRef;
        while (t < 3.0 - 0.005 && heights.size() < 1000) {
            double h = 0.0;
            if (api.fmi3DoStep(c, t, std::min(0.05, 3.0 - t), false, &flags[0], &flags[1], &flags[2], &t) != fmi3OK)
                break;
            api.fmi3GetFloat64(c, &vr, 1, &h, 1);
            heights.push_back(h);
            if (flags[0]) {
                api.fmi3EnterEventMode(c);
                api.fmi3UpdateDiscreteStates(c, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &next);
                api.fmi3EnterStepMode(c);
            }
        }
        api.fmi3FreeInstance(c);
    };
    std::vector<double> alone;
    run(alone);
    ASSERT_GT(alone.size(), 60u);
    std::vector<std::vector<double>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) threads.emplace_back(run, std::ref(result));
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result, alone);
}

}  // namespace
