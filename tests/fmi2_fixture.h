// A test's view of one FMI 2.0 component library, as a host sees it: a Host
// with recording callbacks, the library loaded from its built path, its
// exports looked up by name, and the instances created through it, which are
// freed when the fixture goes (unless a test freed them itself). The FMI 1.0
// fixture (fmi1_fixture.h) has the same shape and helper names.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

class Fmi2Fixture {
public:
    explicit Fmi2Fixture(const std::string& libraryPath) : library(libraryPath), api(library) {
        if (!library.loaded()) ADD_FAILURE() << "cannot load " << libraryPath << ": " << library.error();
    }
    ~Fmi2Fixture() {
        for (fmi2Component c : instances) api.fmi2FreeInstance(c);
    }
    Fmi2Fixture(const Fmi2Fixture&) = delete;
    Fmi2Fixture& operator=(const Fmi2Fixture&) = delete;

    // Declared first: the host must outlive the library and every instance.
    host::Host host;
    host::Library library;
    host::Fmi2Api api;
    fmi2CallbackFunctions callbacks = host.fmi2Callbacks();

    // A new instance with this fixture's callbacks; null when the component refuses.
    fmi2Component instantiate(const char* instanceName = "ball", const char* guid = expected::guid,
                              fmi2Boolean loggingOn = fmi2True, fmi2Type type = fmi2ModelExchange,
                              const char* resourceLocation = "file:///tmp/resources") {
        fmi2Component c = api.fmi2Instantiate(instanceName, type, guid, resourceLocation, &callbacks, fmi2False,
                                              loggingOn);
        if (c != nullptr) instances.push_back(c);
        return c;
    }

    // A new instance taken through set-up and initialisation, so the model
    // holds its start values; the log is cleared afterwards.
    fmi2Component initialised(fmi2Boolean loggingOn = fmi2True, fmi2Type type = fmi2ModelExchange) {
        fmi2Component c = instantiate("ball", expected::guid, loggingOn, type);
        if (c == nullptr) {
            ADD_FAILURE() << "fmi2Instantiate returned null";
            return nullptr;
        }
        EXPECT_EQ(api.fmi2SetupExperiment(c, fmi2False, 0.0, 0.0, fmi2False, 0.0), fmi2OK);
        EXPECT_EQ(api.fmi2EnterInitializationMode(c), fmi2OK);
        EXPECT_EQ(api.fmi2ExitInitializationMode(c), fmi2OK);
        host.log.clear();
        return c;
    }

    // Frees an instance now, in the test's own order.
    void free(fmi2Component c) {
        instances.erase(std::remove(instances.begin(), instances.end(), c), instances.end());
        api.fmi2FreeInstance(c);
    }

    // Reads one variable of each type by value reference. The values start as
    // sentinels, so a getter that answers OK without writing is caught.
    fmi2Real real(fmi2Component c, fmi2ValueReference vr) {
        fmi2Real value = -123.0;
        EXPECT_EQ(api.fmi2GetReal(c, &vr, 1, &value), fmi2OK) << "fmi2GetReal of value reference " << vr;
        return value;
    }
    fmi2Integer integer(fmi2Component c, fmi2ValueReference vr) {
        fmi2Integer value = -123;
        EXPECT_EQ(api.fmi2GetInteger(c, &vr, 1, &value), fmi2OK) << "fmi2GetInteger of value reference " << vr;
        return value;
    }
    fmi2Boolean boolean(fmi2Component c, fmi2ValueReference vr) {
        fmi2Boolean value = -123;
        EXPECT_EQ(api.fmi2GetBoolean(c, &vr, 1, &value), fmi2OK) << "fmi2GetBoolean of value reference " << vr;
        return value;
    }
    fmi2String string(fmi2Component c, fmi2ValueReference vr) {
        fmi2String value = "not written";
        EXPECT_EQ(api.fmi2GetString(c, &vr, 1, &value), fmi2OK) << "fmi2GetString of value reference " << vr;
        return value;
    }

    // Writes one variable of each type, returning the component's status.
    fmi2Status setReal(fmi2Component c, fmi2ValueReference vr, fmi2Real value) {
        return api.fmi2SetReal(c, &vr, 1, &value);
    }
    fmi2Status setInteger(fmi2Component c, fmi2ValueReference vr, fmi2Integer value) {
        return api.fmi2SetInteger(c, &vr, 1, &value);
    }
    fmi2Status setBoolean(fmi2Component c, fmi2ValueReference vr, fmi2Boolean value) {
        return api.fmi2SetBoolean(c, &vr, 1, &value);
    }
    fmi2Status setString(fmi2Component c, fmi2ValueReference vr, fmi2String value) {
        return api.fmi2SetString(c, &vr, 1, &value);
    }

    // The continuous states (height, velocity) and the event indicator.
    std::array<fmi2Real, 2> states(fmi2Component c) {
        std::array<fmi2Real, 2> x{-123.0, -123.0};
        EXPECT_EQ(api.fmi2GetContinuousStates(c, x.data(), x.size()), fmi2OK);
        return x;
    }
    void setStates(fmi2Component c, fmi2Real height, fmi2Real velocity) {
        const fmi2Real x[] = {height, velocity};
        EXPECT_EQ(api.fmi2SetContinuousStates(c, x, 2), fmi2OK);
    }
    fmi2Real indicator(fmi2Component c) {
        fmi2Real z = -123.0;
        EXPECT_EQ(api.fmi2GetEventIndicators(c, &z, 1), fmi2OK);
        return z;
    }

    // Log entries of one category, in order.
    std::vector<host::LogEntry> logged(const std::string& category) const {
        std::vector<host::LogEntry> entries;
        for (const auto& entry : host.log)
            if (entry.category == category) entries.push_back(entry);
        return entries;
    }

    // The refusal a host must see after a refused call, and nothing else:
    // one message with status Error and category "ERROR", from the instance
    // "ball", naming the function, sent as a format with arguments and without
    // a variable reference for the host to expand. Clears the log.
    void expectOneRefusal(const std::string& function) {
        const std::vector<host::LogEntry> entries = std::exchange(host.log, {});
        ASSERT_EQ(entries.size(), 1u) << "one message for a refused call of " << function;
        const host::LogEntry& entry = entries[0];
        EXPECT_EQ(entry.firstArgument, callbacks.componentEnvironment);
        EXPECT_EQ(entry.instanceName, "ball");
        EXPECT_EQ(entry.status, fmi2Error);
        EXPECT_EQ(entry.category, "ERROR");
        EXPECT_EQ(entry.text.rfind(function + ": ", 0), 0u) << "the message names the function: " << entry.text;
        EXPECT_NE(entry.format.find('%'), std::string::npos) << "the text must be formatted by the host";
        EXPECT_NE(entry.format, entry.text) << "the message is a format with arguments";
        EXPECT_EQ(entry.text.find("#r"), std::string::npos) << entry.text;
    }

private:
    std::vector<fmi2Component> instances;
};
