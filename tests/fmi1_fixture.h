// A test's view of the FMI 1.0 component library, as a host sees it: a Host
// with recording callbacks, the library loaded from its built path, its
// Rebounder_ exports looked up by name, and the instances created through it,
// which are freed when the fixture goes (unless a test freed them itself).
// Same shape and helper names as the FMI 2.0 fixture (fmi2_fixture.h), so that
// the tests of the two versions read side by side.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

class Fmi1Fixture {
public:
    explicit Fmi1Fixture(const std::string& libraryPath) : library(libraryPath), api(library) {
        if (!library.loaded()) ADD_FAILURE() << "cannot load " << libraryPath << ": " << library.error();
    }
    ~Fmi1Fixture() {
        for (fmiComponent c : instances) api.fmiFreeModelInstance(c);
    }
    Fmi1Fixture(const Fmi1Fixture&) = delete;
    Fmi1Fixture& operator=(const Fmi1Fixture&) = delete;

    // Declared first: the host must outlive the library and every instance.
    host::Host host;
    host::Library library;
    host::Fmi1Api api;
    // Passed by value: each instance keeps its own copy.
    fmiCallbackFunctions callbacks = host.fmi1Callbacks();

    // A new instance with this fixture's callbacks; null when the component refuses.
    fmiComponent instantiate(const char* instanceName = "ball", const char* guid = expected::guid,
                             fmiBoolean loggingOn = fmiTrue) {
        fmiComponent c = api.fmiInstantiateModel(instanceName, guid, callbacks, loggingOn);
        if (c != nullptr) instances.push_back(c);
        return c;
    }

    // A new instance taken through initialisation, so the model holds its
    // start values; the log is cleared afterwards.
    fmiComponent initialised(fmiBoolean loggingOn = fmiTrue) {
        fmiComponent c = instantiate("ball", expected::guid, loggingOn);
        if (c == nullptr) {
            ADD_FAILURE() << "fmiInstantiateModel returned null";
            return nullptr;
        }
        fmiEventInfo eventInfo{};
        EXPECT_EQ(api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
        host.log.clear();
        return c;
    }

    // Frees an instance now, in the test's own order.
    void free(fmiComponent c) {
        instances.erase(std::remove(instances.begin(), instances.end(), c), instances.end());
        api.fmiFreeModelInstance(c);
    }

    // Reads one variable of each type by value reference. The values start as
    // sentinels, so a getter that answers OK without writing is caught.
    fmiReal real(fmiComponent c, fmiValueReference vr) {
        fmiReal value = -123.0;
        EXPECT_EQ(api.fmiGetReal(c, &vr, 1, &value), fmiOK) << "fmiGetReal of value reference " << vr;
        return value;
    }
    fmiInteger integer(fmiComponent c, fmiValueReference vr) {
        fmiInteger value = -123;
        EXPECT_EQ(api.fmiGetInteger(c, &vr, 1, &value), fmiOK) << "fmiGetInteger of value reference " << vr;
        return value;
    }
    fmiBoolean boolean(fmiComponent c, fmiValueReference vr) {
        fmiBoolean value = -123;
        EXPECT_EQ(api.fmiGetBoolean(c, &vr, 1, &value), fmiOK) << "fmiGetBoolean of value reference " << vr;
        return value;
    }
    fmiString string(fmiComponent c, fmiValueReference vr) {
        fmiString value = "not written";
        EXPECT_EQ(api.fmiGetString(c, &vr, 1, &value), fmiOK) << "fmiGetString of value reference " << vr;
        return value;
    }

    // Writes one variable of each type, returning the component's status.
    fmiStatus setReal(fmiComponent c, fmiValueReference vr, fmiReal value) {
        return api.fmiSetReal(c, &vr, 1, &value);
    }
    fmiStatus setInteger(fmiComponent c, fmiValueReference vr, fmiInteger value) {
        return api.fmiSetInteger(c, &vr, 1, &value);
    }
    fmiStatus setBoolean(fmiComponent c, fmiValueReference vr, fmiBoolean value) {
        return api.fmiSetBoolean(c, &vr, 1, &value);
    }
    fmiStatus setString(fmiComponent c, fmiValueReference vr, fmiString value) {
        return api.fmiSetString(c, &vr, 1, &value);
    }

    // The continuous states (height, velocity) and the event indicator.
    std::array<fmiReal, 2> states(fmiComponent c) {
        std::array<fmiReal, 2> x{-123.0, -123.0};
        EXPECT_EQ(api.fmiGetContinuousStates(c, x.data(), x.size()), fmiOK);
        return x;
    }
    void setStates(fmiComponent c, fmiReal height, fmiReal velocity) {
        const fmiReal x[] = {height, velocity};
        EXPECT_EQ(api.fmiSetContinuousStates(c, x, 2), fmiOK);
    }
    fmiReal indicator(fmiComponent c) {
        fmiReal z = -123.0;
        EXPECT_EQ(api.fmiGetEventIndicators(c, &z, 1), fmiOK);
        return z;
    }

    // The event record fmiEventUpdate hands out; every field must be written.
    fmiEventInfo eventUpdate(fmiComponent c, fmiBoolean intermediateResults = fmiFalse) {
        fmiEventInfo eventInfo;
        std::memset(&eventInfo, 0x5A, sizeof eventInfo);
        EXPECT_EQ(api.fmiEventUpdate(c, intermediateResults, &eventInfo), fmiOK);
        return eventInfo;
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
    // "ball" (FMI 1.0 passes the instance itself to the logger), naming the
    // exported function, sent as a format with arguments and without a
    // variable reference for the host to expand. Clears the log.
    void expectOneRefusal(fmiComponent c, const std::string& function) {
        const std::vector<host::LogEntry> entries = std::exchange(host.log, {});
        ASSERT_EQ(entries.size(), 1u) << "one message for a refused call of " << function;
        const host::LogEntry& entry = entries[0];
        EXPECT_EQ(entry.firstArgument, c);
        EXPECT_EQ(entry.instanceName, "ball");
        EXPECT_EQ(entry.status, fmiError);
        EXPECT_EQ(entry.category, "ERROR");
        EXPECT_EQ(entry.text.rfind("Rebounder_" + function + ": ", 0), 0u)
            << "the message names the exported function: " << entry.text;
        EXPECT_NE(entry.format.find('%'), std::string::npos) << "the text must be formatted by the host";
        EXPECT_NE(entry.format, entry.text) << "the message is a format with arguments";
        EXPECT_EQ(entry.text.find("#r"), std::string::npos) << entry.text;
    }

private:
    std::vector<fmiComponent> instances;
};
