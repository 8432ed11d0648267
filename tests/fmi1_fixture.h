// A host for the FMI 1.0 component: its recording callbacks, the loaded
// tressivo library with every Rebounder_ export looked up by name, and one
// instance that is freed when the test ends. Helpers wrap the calls a host
// makes most, so each test reads as the host's conversation.
#pragma once

#ifdef TRESSIVO_LIBRARY

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support.h"

namespace fmi1 {

// Owns one instance: frees it through the component when it goes out of scope.
class Instance {
public:
    Instance(const host::Fmi1Api& api, fmiComponent c) : api(api), c(c) {}
    ~Instance() { reset(); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    fmiComponent get() const { return c; }
    explicit operator bool() const { return c != nullptr; }
    void reset() {
        if (c != nullptr) api.fmiFreeModelInstance(c);
        c = nullptr;
    }

private:
    const host::Fmi1Api& api;
    fmiComponent c;
};

class Fixture : public ::testing::Test {
protected:
    host::Host host;  // constructed first: the component calls back into it
    host::Library library{TRESSIVO_LIBRARY};
    host::Fmi1Api api{library};

    void SetUp() override { ASSERT_TRUE(library.loaded()) << library.error(); }

    fmiComponent instantiate(const char* name = "ball", const char* guid = "123", fmiBoolean loggingOn = fmiFalse) {
        return api.fmiInstantiateModel(name, guid, host.fmi1Callbacks(), loggingOn);
    }

    // The usual start: one instance, initialised, the log cleared.
    fmiComponent start(fmiBoolean loggingOn = fmiFalse) {
        instance_ = std::make_unique<Instance>(api, instantiate("ball", "123", loggingOn));
        EXPECT_TRUE(*instance_) << "instantiation with GUID \"123\" failed";
        fmiEventInfo eventInfo{};
        EXPECT_EQ(api.fmiInitialize(c(), fmiFalse, 0.0, &eventInfo), fmiOK);
        host.log.clear();
        return c();
    }
    fmiComponent c() const { return instance_ ? instance_->get() : nullptr; }
    void freeInstance() { instance_.reset(); }

    double real(fmiValueReference vr) {
        double value = -123.0;
        EXPECT_EQ(api.fmiGetReal(c(), &vr, 1, &value), fmiOK) << "reading real " << vr;
        return value;
    }
    void setReal(fmiValueReference vr, double value) {
        EXPECT_EQ(api.fmiSetReal(c(), &vr, 1, &value), fmiOK) << "writing real " << vr;
    }
    std::array<double, 2> states() {
        std::array<double, 2> x{-123.0, -123.0};
        EXPECT_EQ(api.fmiGetContinuousStates(c(), x.data(), x.size()), fmiOK);
        return x;
    }
    void setStates(double height, double velocity) {
        const double x[2] = {height, velocity};
        EXPECT_EQ(api.fmiSetContinuousStates(c(), x, 2), fmiOK);
    }
    double indicator() {
        double z = -123.0;
        EXPECT_EQ(api.fmiGetEventIndicators(c(), &z, 1), fmiOK);
        return z;
    }
    fmiEventInfo eventUpdate(fmiBoolean intermediateResults = fmiFalse) {
        fmiEventInfo eventInfo{};
        std::memset(&eventInfo, 0x5A, sizeof eventInfo);  // every field must be written
        EXPECT_EQ(api.fmiEventUpdate(c(), intermediateResults, &eventInfo), fmiOK);
        return eventInfo;
    }
    const char* string(fmiValueReference vr) {
        fmiString value = "not written";
        EXPECT_EQ(api.fmiGetString(c(), &vr, 1, &value), fmiOK);
        return value;
    }
    fmiStatus setString(fmiValueReference vr, const char* value) { return api.fmiSetString(c(), &vr, 1, &value); }

    // The single refusal message a refused call must send.
    void expectOneRefusal(const std::string& function) {
        ASSERT_EQ(host.log.size(), 1u) << "a refused call sends exactly one message";
        const host::LogEntry& entry = host.log[0];
        EXPECT_EQ(entry.firstArgument, c());
        EXPECT_EQ(entry.status, fmiError);
        EXPECT_EQ(entry.category, "ERROR");
        EXPECT_EQ(entry.text.rfind("Rebounder_" + function + ": ", 0), 0u)
            << "message names the exported function: " << entry.text;
        EXPECT_NE(entry.format, entry.text) << "the message is a format with arguments";
    }

private:
    std::unique_ptr<Instance> instance_;
};

// The model's own rules, as the test knows them, for computing expectations.
inline double expectedIndicator(double height) { return height >= 0.0 ? height + 1e-16 : height - 1e-16; }

}  // namespace fmi1

#endif
