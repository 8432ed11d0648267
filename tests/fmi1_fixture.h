// A test's view of the FMI 1.0 component library (see fixture.h), its exports
// looked up under the Rebounder_ prefix; the same shape and helper names as
// the FMI 2.0 fixture (fmi2_fixture.h).
#pragma once

#include <array>
#include <cstring>
#include <string>

#include "fixture.h"
#include "support.h"

class Fmi1Fixture : public ComponentFixture<host::Fmi1Api, fmiComponent> {
public:
    using ComponentFixture::ComponentFixture;
    ~Fmi1Fixture() {
        for (fmiComponent c : instances) api.fmiFreeModelInstance(c);
    }

    // Passed by value: each instance keeps its own copy.
    fmiCallbackFunctions callbacks = host.fmi1Callbacks();

    // A new instance with this fixture's callbacks; null when the component refuses.
    fmiComponent instantiate(const char* instanceName = "ball", const char* guid = expected::guid,
                             fmiBoolean loggingOn = fmiTrue) {
        return kept(api.fmiInstantiateModel(instanceName, guid, callbacks, loggingOn));
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
        forget(c);
        api.fmiFreeModelInstance(c);
    }

    // Reads one variable of each type by value reference.
    fmiReal real(fmiComponent c, fmiValueReference vr) {
        return readOne(api.fmiGetReal, "fmiGetReal", c, vr, fmiReal{-123.0});
    }
    fmiInteger integer(fmiComponent c, fmiValueReference vr) {
        return readOne(api.fmiGetInteger, "fmiGetInteger", c, vr, fmiInteger{-123});
    }
    fmiBoolean boolean(fmiComponent c, fmiValueReference vr) {
        return readOne(api.fmiGetBoolean, "fmiGetBoolean", c, vr, fmiBoolean(-123));
    }
    fmiString string(fmiComponent c, fmiValueReference vr) {
        return readOne(api.fmiGetString, "fmiGetString", c, vr, fmiString{"not written"});
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
        PlacedRecord<fmiEventInfo> placed;  // every field must be written, and nothing around it
        EXPECT_EQ(api.fmiEventUpdate(c, intermediateResults, placed.record), fmiOK);
        EXPECT_EQ(placed.strayWrites(), 0u) << "fmiEventUpdate wrote outside the host's " << sizeof(fmiEventInfo)
                                            << "-byte record";
        return *placed.record;
    }

    // The one refusal message a refused call must send (fixture.h); FMI 1.0
    // passes the instance itself to the logger.
    void expectOneRefusal(fmiComponent c, const std::string& function) {
        ComponentFixture::expectOneRefusal("Rebounder_" + function, c);
    }
};
