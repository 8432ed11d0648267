// The calls a host makes in its inner loop must not reach the host's
// callbacks: with logging off and valid input, no allocation, no free and no
// log message in one model-exchange integrator step, in fmi2GetReal and
// fmi2SetReal, and in fmi2DoStep however many internal steps and events it
// takes. Instantiation, initialisation and release with logging off use
// exactly the record's one block and log nothing.
#include <gtest/gtest.h>

#include <string>

#include "fmi1_fixture.h"
#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

// What the host's callbacks have seen so far; a hot call must leave it as it was.
struct CallbackTally {
    explicit CallbackTally(const host::Host& host)
        : allocations(host.allocationCount), frees(host.freeCount), messages(host.log.size()) {}
    std::size_t allocations, frees, messages;
};

void expectUntouched(const host::Host& host, const CallbackTally& before, const std::string& calls) {
    EXPECT_EQ(host.allocationCount, before.allocations) << calls << " asked the host for memory";
    EXPECT_EQ(host.freeCount, before.frees) << calls << " gave memory back to the host";
    EXPECT_EQ(host.log.size(), before.messages) << calls << " sent a log message with logging off";
}

#ifdef PELLIDOR_LIBRARY

// A host integrating with explicit Euler through the five calls of each
// integrator step, handling the floor contacts it detects, for long enough
// to see several rebounds. Only the five calls are counted.
TEST(HotPath, PellidorIntegratorStepsUseNoCallback) {
    Fmi2Fixture fmu(PELLIDOR_LIBRARY);
    fmi2Component c = fmu.initialised(fmi2False);
    ASSERT_NE(c, nullptr);
    double x[2] = {startHeight, startVelocity};
    double previousIndicator = eventIndicator(x[0]);
    int rebounds = 0;
    for (int step = 0; step < 400; ++step) {
        const double time = 0.01 * step;
        double dx[2] = {}, z[1] = {};
        fmi2Boolean enterEventMode = fmi2True, terminateSimulation = fmi2True;
        const CallbackTally before(fmu.host);
        ASSERT_EQ(fmu.api.fmi2SetTime(c, time), fmi2OK);
        ASSERT_EQ(fmu.api.fmi2SetContinuousStates(c, x, 2), fmi2OK);
        ASSERT_EQ(fmu.api.fmi2GetDerivatives(c, dx, 2), fmi2OK);
        ASSERT_EQ(fmu.api.fmi2GetEventIndicators(c, z, 1), fmi2OK);
        ASSERT_EQ(fmu.api.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminateSimulation), fmi2OK);
        expectUntouched(fmu.host, before, "one integrator step at t = " + std::to_string(time));
        ASSERT_EQ(dx[0], x[1]);
        ASSERT_EQ(dx[1], startGravity);
        ASSERT_EQ(z[0], eventIndicator(x[0]));
        ASSERT_EQ(enterEventMode, fmi2False);
        if (z[0] * previousIndicator < 0.0) {
            fmi2EventInfo eventInfo{};
            ASSERT_EQ(fmu.api.fmi2NewDiscreteStates(c, &eventInfo), fmi2OK);
            ASSERT_EQ(fmu.api.fmi2GetContinuousStates(c, x, 2), fmi2OK);
            rebounds += eventInfo.valuesOfContinuousStatesChanged ? 1 : 0;
        }
        previousIndicator = eventIndicator(x[0]);
        x[0] = x[0] + 0.01 * dx[0];
        x[1] = x[1] + 0.01 * dx[1];
    }
    EXPECT_GE(rebounds, 2) << "the run should have crossed the floor several times";
}

// fmi2GetReal of all five reals (acceleration refreshes the derivatives) and
// fmi2SetReal of the four writable ones, as a host calls them between steps.
TEST(HotPath, PellidorRealAccessUsesNoCallback) {
    Fmi2Fixture fmu(PELLIDOR_LIBRARY);
    fmi2Component c = fmu.initialised(fmi2False);
    ASSERT_NE(c, nullptr);
    const fmi2ValueReference all[5] = {0, 1, 2, 3, 4};
    const fmi2ValueReference writable[4] = {0, 1, 2, 3};
    const double written[4] = {2.5, -1.5, -1.62, 0.75};
    const CallbackTally before(fmu.host);
    ASSERT_EQ(fmu.api.fmi2SetReal(c, writable, 4, written), fmi2OK);
    double read[5] = {};
    ASSERT_EQ(fmu.api.fmi2GetReal(c, all, 5, read), fmi2OK);
    expectUntouched(fmu.host, before, "fmi2SetReal of four reals and fmi2GetReal of five");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(read[i], written[i]) << "real " << i;
    EXPECT_EQ(read[4], written[2]) << "acceleration is gravity";
}

// Instantiation takes one block, the record; release returns it after the
// four (never set) string blocks, null each; nothing is logged.
TEST(HotPath, PellidorLifecycleWithLoggingOffUsesOnlyTheRecord) {
    Fmi2Fixture fmu(PELLIDOR_LIBRARY);
    for (int round = 0; round < 3; ++round) {
        const CallbackTally before(fmu.host);
        fmi2Component c = fmu.api.fmi2Instantiate("ball", fmi2ModelExchange, guid, "", &fmu.callbacks, fmi2False,
                                                  fmi2False);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(fmu.api.fmi2EnterInitializationMode(c), fmi2OK);
        fmu.api.fmi2FreeInstance(c);
        EXPECT_EQ(fmu.host.allocationCount - before.allocations, 1u) << "one block: the instance record";
        EXPECT_EQ(fmu.host.freeCount - before.frees, 5u) << "four string entries and the record";
        EXPECT_EQ(fmu.host.log.size(), before.messages) << "a message with logging off";
        EXPECT_EQ(fmu.host.liveBlocks(), 0u);
        EXPECT_TRUE(fmu.host.errors.empty());
    }
}

#endif

#ifdef CORVANE_LIBRARY

// Hosts calling fmi2DoStep with the step sizes the benchmarks measure, from
// the start values for long enough that the mass rebounds many times inside
// and at the end of calls. Every call starts at communication point 0.0, as in
// the benchmarks: the component does not read the time, and so a step of 1.0
// always divides into the same 100 internal steps and reaches its end.
struct StepRun {
    double stepSize;
    int calls;
};

// Printed by its fields: gtest would otherwise print the object's bytes,
// its uninitialised padding included (valgrind reports that read).
void PrintTo(const StepRun& run, std::ostream* out) { *out << run.calls << " steps of " << run.stepSize; }

class CommunicationStepHotPath : public ::testing::TestWithParam<StepRun> {};

TEST_P(CommunicationStepHotPath, DoStepUsesNoCallback) {
    const StepRun run = GetParam();
    Fmi2Fixture fmu(CORVANE_LIBRARY);
    fmi2Component c = fmu.initialised(fmi2False, fmi2CoSimulation);
    ASSERT_NE(c, nullptr);
    const CallbackTally before(fmu.host);
    for (int call = 0; call < run.calls; ++call)
        ASSERT_EQ(fmu.api.fmi2DoStep(c, 0.0, run.stepSize, fmi2True), fmi2OK) << "call " << call;
    expectUntouched(fmu.host, before, std::to_string(run.calls) + " calls of fmi2DoStep");
    const fmi2ValueReference all[5] = {0, 1, 2, 3, 4};
    double read[5] = {};
    ASSERT_EQ(fmu.api.fmi2GetReal(c, all, 5, read), fmi2OK);
    expectUntouched(fmu.host, before, "fmi2GetReal of five reals after the steps");
}

INSTANTIATE_TEST_SUITE_P(StepSizes, CommunicationStepHotPath,
                         ::testing::Values(StepRun{0.01, 1000}, StepRun{1.0, 20}),
                         [](const auto& info) { return info.param.stepSize < 0.5 ? "Hundredth" : "Whole"; });

// A step of 1.0 is 100 internal steps of 0.01 by repeated addition, the last
// one cut to end exactly on 1.0: the call reaches its end time right at the
// cap and reports fmi2OK. The expected states come from the same Euler loop.
TEST(HotPath, DoStepOfOneReachesItsEndAtTheCap) {
    Fmi2Fixture fmu(CORVANE_LIBRARY);
    fmi2Component c = fmu.initialised(fmi2False, fmi2CoSimulation);
    ASSERT_NE(c, nullptr);
    InternalClock clock(0.0, 1.0);
    Motion m = startMotion;
    while (clock.running()) m = eulerStep(m, clock.advance());
    ASSERT_EQ(clock.steps, maxInternalSteps) << "the premise: exactly the cap";
    ASSERT_EQ(clock.time, 1.0) << "the premise: the last step cut to end on the end time";
    ASSERT_GT(m.height, 0.0) << "the premise: no floor contact on the way";
    EXPECT_EQ(fmu.api.fmi2DoStep(c, 0.0, 1.0, fmi2True), fmi2OK);
    const double h = fmu.real(c, heightRef), v = fmu.real(c, velocityRef);
    EXPECT_EQ(bitsOf(h), bitsOf(m.height)) << shortest(h) << " instead of " << shortest(m.height);
    EXPECT_EQ(bitsOf(v), bitsOf(m.velocity)) << shortest(v) << " instead of " << shortest(m.velocity);
}

#endif

#ifdef TRESSIVO_LIBRARY

// The FMI 1.0 integrator step, with rebounds handled by fmiEventUpdate
// between the steps; only the five calls of each step are counted.
TEST(HotPath, TressivoIntegratorStepsUseNoCallback) {
    Fmi1Fixture fmu(TRESSIVO_LIBRARY);
    fmiComponent c = fmu.initialised(fmiFalse);
    ASSERT_NE(c, nullptr);
    double x[2] = {startHeight, startVelocity};
    double previousIndicator = eventIndicator(x[0]);
    int rebounds = 0;
    for (int step = 0; step < 400; ++step) {
        double dx[2] = {}, z[1] = {};
        fmiBoolean callEventUpdate = fmiTrue;
        const CallbackTally before(fmu.host);
        ASSERT_EQ(fmu.api.fmiSetTime(c, 0.01 * step), fmiOK);
        ASSERT_EQ(fmu.api.fmiSetContinuousStates(c, x, 2), fmiOK);
        ASSERT_EQ(fmu.api.fmiGetDerivatives(c, dx, 2), fmiOK);
        ASSERT_EQ(fmu.api.fmiGetEventIndicators(c, z, 1), fmiOK);
        ASSERT_EQ(fmu.api.fmiCompletedIntegratorStep(c, &callEventUpdate), fmiOK);
        expectUntouched(fmu.host, before, "one FMI 1.0 integrator step " + std::to_string(step));
        ASSERT_EQ(dx[0], x[1]);
        ASSERT_EQ(dx[1], startGravity);
        ASSERT_EQ(z[0], eventIndicator(x[0]));
        ASSERT_EQ(callEventUpdate, fmiFalse);
        if (z[0] * previousIndicator < 0.0) {
            const Motion falling{x[0], x[1]};
            fmiEventInfo eventInfo{};
            ASSERT_EQ(fmu.api.fmiEventUpdate(c, fmiFalse, &eventInfo), fmiOK);
            ASSERT_EQ(fmu.api.fmiGetContinuousStates(c, x, 2), fmiOK);
            if (eventInfo.stateValuesChanged && x[1] == rebound(falling).velocity) ++rebounds;
        }
        previousIndicator = eventIndicator(x[0]);
        x[0] = x[0] + 0.01 * dx[0];
        x[1] = x[1] + 0.01 * dx[1];
    }
    EXPECT_GE(rebounds, 2) << "the run should have rebounded several times";
    fmu.free(c);
    EXPECT_EQ(fmu.host.liveBlocks(), 0u);
}

#endif

}  // namespace
