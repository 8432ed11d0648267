// The seven optional FMI 2.0 functions (FMU state, its serialization and
// directional derivatives) in the strict-host profile, which exports them for
// hosts that insist on every function: each one refuses the call. Which
// functions each profile exports is checked in binary_surface_test.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace {

struct Fmi2Library {
    const char* name;
    const char* path;
};
void PrintTo(const Fmi2Library& library, std::ostream* out) { *out << library.name; }

std::vector<Fmi2Library> fmi2Libraries() {
    std::vector<Fmi2Library> libraries;
#ifdef PELLIDOR_STRICT_HOST_LIBRARY
    libraries.push_back({"pellidor", PELLIDOR_STRICT_HOST_LIBRARY});
#endif
#ifdef CORVANE_STRICT_HOST_LIBRARY
    libraries.push_back({"corvane", CORVANE_STRICT_HOST_LIBRARY});
#endif
    return libraries;
}

// One call of each optional function, with output arguments the test can
// inspect afterwards: a refused call must leave them as the host set them.
struct Outputs {
    int stateStorage = 0;
    fmi2FMUstate state = &stateStorage;
    size_t size = 77;
    fmi2Byte bytes[4] = {1, 2, 3, 4};
    fmi2Real dvUnknown[1] = {5.5};

    bool untouched() const {
        return state == &stateStorage && size == 77 && bytes[0] == 1 && bytes[3] == 4 && dvUnknown[0] == 5.5;
    }
};

struct OptionalFunction {
    const char* name;
    const char* capability;  // words the refusal message must contain
    std::function<fmi2Status(const host::Fmi2Api&, fmi2Component, Outputs&)> call;
};

const std::vector<OptionalFunction>& optionalFunctions() {
    static const fmi2ValueReference unknown[1] = {0};
    static const fmi2ValueReference known[1] = {1};
    static const fmi2Real dvKnown[1] = {1.0};
    static const std::vector<OptionalFunction> functions = {
        {"fmi2GetFMUstate", "FMU state",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) { return api.fmi2GetFMUstate(c, &o.state); }},
        {"fmi2SetFMUstate", "FMU state",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) { return api.fmi2SetFMUstate(c, o.state); }},
        {"fmi2FreeFMUstate", "FMU state",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) { return api.fmi2FreeFMUstate(c, &o.state); }},
        {"fmi2SerializedFMUstateSize", "serialization",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) {
             return api.fmi2SerializedFMUstateSize(c, o.state, &o.size);
         }},
        {"fmi2SerializeFMUstate", "serialization",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) {
             return api.fmi2SerializeFMUstate(c, o.state, o.bytes, sizeof o.bytes);
         }},
        {"fmi2DeSerializeFMUstate", "serialization",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) {
             return api.fmi2DeSerializeFMUstate(c, o.bytes, sizeof o.bytes, &o.state);
         }},
        {"fmi2GetDirectionalDerivative", "directional derivatives",
         [](const host::Fmi2Api& api, fmi2Component c, Outputs& o) {
             return api.fmi2GetDirectionalDerivative(c, unknown, 1, known, 1, dvKnown, o.dvUnknown);
         }},
    };
    return functions;
}

class OptionalFunctions : public ::testing::TestWithParam<Fmi2Library> {
protected:
    host::Host host;
    host::Library library{GetParam().path};
    host::Fmi2Api api{library};
    fmi2CallbackFunctions callbacks = host.fmi2Callbacks();

    void SetUp() override { ASSERT_TRUE(library.loaded()) << library.error(); }
};

TEST_P(OptionalFunctions, EachRefusesWithErrorAndOneMessage) {
    for (const OptionalFunction& function : optionalFunctions()) {
        SCOPED_TRACE(function.name);
        fmi2Component c = api.fmi2Instantiate("ball", fmi2ModelExchange, expected::guid, "", &callbacks, fmi2False,
                                               fmi2False);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(api.fmi2EnterInitializationMode(c), fmi2OK);
        host.log.clear();

        Outputs outputs;
        EXPECT_EQ(function.call(api, c, outputs), fmi2Error);
        EXPECT_TRUE(outputs.untouched()) << "a refused call wrote into the host's arguments";
        ASSERT_EQ(host.log.size(), 1u) << "one message, whatever loggingOn says";
        const host::LogEntry& entry = host.log[0];
        EXPECT_EQ(entry.status, fmi2Error);
        EXPECT_EQ(entry.category, "ERROR");
        EXPECT_EQ(entry.instanceName, "ball");
        EXPECT_EQ(entry.firstArgument, callbacks.componentEnvironment);
        EXPECT_NE(entry.text.find(function.name), std::string::npos) << entry.text;
        EXPECT_NE(entry.text.find(function.capability), std::string::npos) << entry.text;
        EXPECT_NE(entry.text.find("not supported"), std::string::npos) << entry.text;

        // The refusal changed nothing: the model still holds its start values.
        const fmi2ValueReference height = expected::heightRef;
        fmi2Real value = 0.0;
        EXPECT_EQ(api.fmi2GetReal(c, &height, 1, &value), fmi2OK);
        EXPECT_EQ(value, expected::startHeight);
        api.fmi2FreeInstance(c);
    }
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST_P(OptionalFunctions, NullHandleIsFatalAndSilent) {
    for (const OptionalFunction& function : optionalFunctions()) {
        Outputs outputs;
        EXPECT_EQ(function.call(api, nullptr, outputs), fmi2Fatal) << function.name;
        EXPECT_TRUE(outputs.untouched()) << function.name;
    }
    EXPECT_TRUE(host.log.empty());
}

INSTANTIATE_TEST_SUITE_P(Fmi2Libraries, OptionalFunctions, ::testing::ValuesIn(fmi2Libraries()),
                         [](const ::testing::TestParamInfo<Fmi2Library>& info) { return std::string(info.param.name); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(OptionalFunctions);

}  // namespace
