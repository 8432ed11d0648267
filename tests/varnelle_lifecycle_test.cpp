// varnelle's life cycle as an FMI 3.0 host meets it: instantiation and its
// refusals, the state machine (each call out of place refused, the instance
// then in Terminated), logging on and off, the initialisation messages, the
// capabilities it does not provide, a null instance.
#include <cstring>
#include <functional>

#include "fmi3_fixture.h"

namespace {

class VarnelleLifecycle : public ::testing::Test, public Fmi3Fixture {};

TEST_F(VarnelleLifecycle, AcceptsOnlyTheModelsInstantiationTokenAndSaysWhyItRefusesOne) {
    for (const char* token : {"1234", "12", "", "123 "}) {
        log.clear();
        EXPECT_EQ(modelExchange(true, token), nullptr) << "token \"" << token << "\"";
        expectOneRefusal("fmi3InstantiateModelExchange", "instantiationToken");
    }
    EXPECT_EQ(modelExchange(true, nullptr), nullptr) << "a null token";
    expectOneRefusal("fmi3InstantiateModelExchange", "instantiationToken");
    EXPECT_EQ(modelExchange(false, "12"), nullptr);
    EXPECT_TRUE(log.empty()) << "logging off: not even the reason is logged";
    EXPECT_NE(modelExchange(true, "123"), nullptr);
    EXPECT_TRUE(log.empty());
    // A required intermediate variable other than height and velocity.
    EXPECT_EQ(coSimulation(false, false, {ev::heightRef, ev::gravityRef}, true), nullptr);
    expectOneRefusal("fmi3InstantiateCoSimulation", "requiredIntermediateVariables[1] = 4");
    EXPECT_EQ(api.fmi3InstantiateScheduledExecution("ball", "123", nullptr, false, true, environment(), logger, nullptr,
                                                    nullptr, nullptr),
              nullptr);
    expectOneRefusal("fmi3InstantiateScheduledExecution", "not provided");
}

// FMI 3.0 writes a variable reference as #vr#; these messages test what a
// host's logger does with references, escapes and printf directives.
TEST_F(VarnelleLifecycle, InitialisationSendsItsMessagesAsFinishedTextInOrder) {
    fmi3Instance c = modelExchange();
    ASSERT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, false, 0.0), fmi3OK);
    const std::vector<std::string> texts = {
        "Init #1#=1",
        "Init #2#=4",
        "Init #4#=-9.81",
        "Init #5#=0.5",
        "Unknown reference #99#, sent as it is",
        "Negative reference #-1#, sent as it is",
        "Unterminated reference #1, sent as it is",
        "An escaped ## stands for one hash sign",
        "Restitution keeps 50% of the speed; %s, %d and %n are plain text here",
    };
    ASSERT_EQ(log.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(log[i].text, texts[i]);
        EXPECT_EQ(log[i].status, fmi3OK);
        EXPECT_EQ(log[i].category, "INFO");
        EXPECT_EQ(log[i].environment, environment());
    }
}

TEST_F(VarnelleLifecycle, LoggingOffSendsNothingNotEvenErrors) {
    fmi3Instance c = modelExchange(false);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, false, 0.0), fmi3OK);
    EXPECT_EQ(api.fmi3DoStep(c, 0.0, 0.1, false, nullptr, nullptr, nullptr, nullptr), fmi3Error);
    EXPECT_TRUE(log.empty());
    // A null logger is never called either.
    fmi3Instance silent = api.fmi3InstantiateModelExchange("ball", "123", nullptr, false, true, environment(), nullptr);
    ASSERT_NE(silent, nullptr);
    EXPECT_EQ(api.fmi3EnterInitializationMode(silent, false, 0.0, 0.0, false, 0.0), fmi3OK);
    EXPECT_EQ(api.fmi3Terminate(silent), fmi3Error);
    api.fmi3FreeInstance(silent);
}

TEST_F(VarnelleLifecycle, DebugLoggingSwitchesCategoriesAndRefusesUnknownOnes) {
    fmi3Instance c = modelExchange();
    const fmi3String errorOnly[] = {"ERROR"};
    ASSERT_EQ(api.fmi3SetDebugLogging(c, false, 1, errorOnly), fmi3OK);
    EXPECT_EQ(api.fmi3Terminate(c), fmi3Error);  // not allowed in Instantiated
    EXPECT_TRUE(log.empty()) << "ERROR switched off";
    ASSERT_EQ(api.fmi3Reset(c), fmi3OK);  // logging as at instantiation again
    ASSERT_EQ(api.fmi3SetDebugLogging(c, false, 0, nullptr), fmi3OK);
    EXPECT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, false, 0.0), fmi3OK);
    EXPECT_TRUE(log.empty()) << "every category off";
    ASSERT_EQ(api.fmi3SetDebugLogging(c, true, 0, nullptr), fmi3OK);
    const fmi3String unknown[] = {"INFO", "DEBUG"};
    EXPECT_EQ(api.fmi3SetDebugLogging(c, true, 2, unknown), fmi3Error);
    expectOneRefusal("fmi3SetDebugLogging", "categories[1] \"DEBUG\"");
    expectTerminated(c);
}

// Each call made where the state machine does not allow it: fmi3Error, one
// message naming the function and the state, and the instance in Terminated.
struct OutOfPlace {
    const char* name;
    bool coSimulation;
    int callsBefore;  // 0: instantiated, 1: initialisation mode, 2: after it
    std::function<fmi3Status(host::Fmi3Api&, fmi3Instance)> call;
    const char* message;
};

TEST_F(VarnelleLifecycle, RefusesEveryCallTheStateDoesNotAllowAndTerminates) {
    fmi3Boolean flags[6] = {};
    double time = 0.0;
    std::size_t count = 0;
    const std::vector<OutOfPlace> cases = {
        {"fmi3DoStep", true, 3,
         [&](host::Fmi3Api& a, fmi3Instance c) {
             return a.fmi3DoStep(c, 0.0, 0.1, false, &flags[0], &flags[1], &flags[2], &time);
         },
         "not allowed in Event Mode; call fmi3EnterStepMode first"},
        {"fmi3DoStep", false, 2,
         [&](host::Fmi3Api& a, fmi3Instance c) {
             return a.fmi3DoStep(c, 0.0, 0.1, false, &flags[0], &flags[1], &flags[2], &time);
         },
         "not available to a model-exchange instance"},
        {"fmi3SetTime", true, 2, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3SetTime(c, 0.1); },
         "not available to a co-simulation instance"},
        {"fmi3SetTime", false, 2, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3SetTime(c, 0.1); },
         "not allowed in Event Mode; call fmi3EnterContinuousTimeMode first"},
        {"fmi3ExitInitializationMode", false, 0,
         [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3ExitInitializationMode(c); },
         "not allowed in Instantiated; call fmi3EnterInitializationMode first"},
        {"fmi3EnterInitializationMode", false, 2,
         [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3EnterInitializationMode(c, false, 0, 0, false, 0); },
         "not allowed in Event Mode; call fmi3Reset first"},
        {"fmi3UpdateDiscreteStates", false, 1,
         [&](host::Fmi3Api& a, fmi3Instance c) {
             return a.fmi3UpdateDiscreteStates(c, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &time);
         },
         "not allowed in Initialization Mode; call fmi3ExitInitializationMode first"},
        {"fmi3EnterEventMode", false, 2, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3EnterEventMode(c); },
         "not allowed in Event Mode"},
        {"fmi3EnterEventMode", true, 2, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3EnterEventMode(c); },
         "the instance was instantiated with eventModeUsed false"},
        {"fmi3EnterStepMode", true, 2, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3EnterStepMode(c); },
         "not allowed in Step Mode"},
        {"fmi3Terminate", false, 1, [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3Terminate(c); },
         "not allowed in Initialization Mode"},
        {"fmi3GetNumberOfContinuousStates", false, 1,
         [&](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3GetNumberOfContinuousStates(c, &count); },
         "not allowed in Initialization Mode"},
        {"fmi3GetContinuousStates", false, 0,
         [&](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3GetContinuousStates(c, &time, 1); },
         "not allowed in Instantiated"},
        {"fmi3GetFMUState", false, 0,
         [](host::Fmi3Api& a, fmi3Instance c) {
             fmi3FMUState state = nullptr;
             return a.fmi3GetFMUState(c, &state);
         },
         "not provided (canGetAndSetFMUState=\"false\")"},
        {"fmi3EnterConfigurationMode", false, 0,
         [](host::Fmi3Api& a, fmi3Instance c) { return a.fmi3EnterConfigurationMode(c); }, "not provided"},
        {"fmi3GetDirectionalDerivative", false, 2,
         [](host::Fmi3Api& a, fmi3Instance c) {
             return a.fmi3GetDirectionalDerivative(c, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
         },
         "not provided (providesDirectionalDerivatives=\"false\")"},
    };
    for (const OutOfPlace& k : cases) {
        SCOPED_TRACE(std::string(k.name) + ": " + k.message);
        fmi3Instance c = k.coSimulation ? coSimulation(k.callsBefore == 3) : modelExchange();
        ASSERT_NE(c, nullptr);
        if (k.callsBefore >= 1) {
            ASSERT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, false, 0.0), fmi3OK);
        }
        if (k.callsBefore >= 2) {
            ASSERT_EQ(api.fmi3ExitInitializationMode(c), fmi3OK);
        }
        log.clear();
        EXPECT_EQ(k.call(api, c), fmi3Error);
        expectOneRefusal(k.name, k.message);
        expectTerminated(c);
        // Terminated allows a reset, and the instance starts afresh.
        EXPECT_EQ(api.fmi3Reset(c), fmi3OK);
        EXPECT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, false, 0.0), fmi3OK);
        free(c);
    }
}

TEST_F(VarnelleLifecycle, ModelExchangeWalksThroughItsStatesAndResetStartsAfresh) {
    fmi3Instance c = modelExchange();
    std::size_t n = 0;
    EXPECT_EQ(api.fmi3GetNumberOfContinuousStates(c, &n), fmi3OK);
    EXPECT_EQ(n, expected::stateCount);
    EXPECT_EQ(api.fmi3GetNumberOfEventIndicators(c, &n), fmi3OK);
    EXPECT_EQ(n, expected::eventIndicatorCount);
    initialised(c);
    EXPECT_EQ(api.fmi3EnterContinuousTimeMode(c), fmi3OK);
    EXPECT_EQ(api.fmi3SetTime(c, 0.5), fmi3OK);
    EXPECT_EQ(api.fmi3EnterEventMode(c), fmi3OK);
    EXPECT_EQ(api.fmi3Terminate(c), fmi3OK);
    EXPECT_EQ(float64(c, ev::timeRef), 0.5) << "values are read in Terminated";
    EXPECT_EQ(api.fmi3Reset(c), fmi3OK);
    EXPECT_EQ(float64(c, ev::timeRef), 0.0);
    initialised(c);
    EXPECT_TRUE(log.empty());
    EXPECT_STREQ(api.fmi3GetVersion(), "3.0");
}

TEST_F(VarnelleLifecycle, ANullInstanceIsAnErrorEverywhereAndFreeingItDoesNothing) {
    double value = 0.0;
    const fmi3ValueReference vr = ev::heightRef;
    fmi3Boolean flag = false;
    EXPECT_EQ(api.fmi3SetDebugLogging(nullptr, true, 0, nullptr), fmi3Error);
    EXPECT_EQ(api.fmi3EnterInitializationMode(nullptr, false, 0, 0, false, 0), fmi3Error);
    EXPECT_EQ(api.fmi3Reset(nullptr), fmi3Error);
    EXPECT_EQ(api.fmi3GetFloat64(nullptr, &vr, 1, &value, 1), fmi3Error);
    EXPECT_EQ(api.fmi3SetFloat64(nullptr, &vr, 1, &value, 1), fmi3Error);
    EXPECT_EQ(api.fmi3DoStep(nullptr, 0, 0.1, false, &flag, &flag, &flag, &value), fmi3Error);
    EXPECT_EQ(api.fmi3GetFMUState(nullptr, nullptr), fmi3Error);
    EXPECT_EQ(api.fmi3EvaluateDiscreteStates(nullptr), fmi3Error);
    api.fmi3FreeInstance(nullptr);
}

// A logger must not call back into the instance; one that frees it while a
// refusal is being logged is ignored, and the instance lives on.
TEST_F(VarnelleLifecycle, ALoggerThatFreesTheInstanceIsIgnored) {
    fmi3Instance c = modelExchange();
    onLog = [&](const Fmi3Message&) { api.fmi3FreeInstance(c); };
    EXPECT_EQ(api.fmi3Terminate(c), fmi3Error);
    EXPECT_EQ(log.size(), 1u);
    onLog = nullptr;
    EXPECT_EQ(api.fmi3Reset(c), fmi3OK);
    EXPECT_EQ(float64(c, ev::heightRef), expected::startHeight);
}

TEST_F(VarnelleLifecycle, TwoInstancesAreIndependent) {
    fmi3Instance a = initialised(modelExchange());
    fmi3Instance b = initialised(coSimulation());
    ASSERT_EQ(setFloat64(a, ev::gravityRef, -1.0), fmi3OK);
    EXPECT_EQ(float64(b, ev::gravityRef), expected::startGravity);
    EXPECT_EQ(api.fmi3Terminate(a), fmi3OK);
    fmi3Boolean flags[3];
    double time = 0.0;
    EXPECT_EQ(api.fmi3DoStep(b, 0.0, 0.01, false, &flags[0], &flags[1], &flags[2], &time), fmi3OK);
    EXPECT_EQ(float64(b, ev::timeRef), 0.01);
    EXPECT_EQ(float64(a, ev::timeRef), 0.0);
}

}  // namespace
