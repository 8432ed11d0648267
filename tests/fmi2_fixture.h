// A test's view of one FMI 2.0 component library (see fixture.h); the FMI 1.0
// fixture (fmi1_fixture.h) has the same shape and helper names.
#pragma once

#include <array>
#include <string>

#include "fixture.h"

class Fmi2Fixture : public ComponentFixture<host::Fmi2Api, fmi2Component> {
public:
    using ComponentFixture::ComponentFixture;
    ~Fmi2Fixture() {
        for (fmi2Component c : instances) api.fmi2FreeInstance(c);
    }

    // Kept by every instance: must outlive them.
    fmi2CallbackFunctions callbacks = host.fmi2Callbacks();

    // A new instance with this fixture's callbacks; null when the component refuses.
    fmi2Component instantiate(const char* instanceName = "ball", const char* guid = expected::guid,
                              fmi2Boolean loggingOn = fmi2True, fmi2Type type = fmi2ModelExchange,
                              const char* resourceLocation = "file:///tmp/resources") {
        return kept(api.fmi2Instantiate(instanceName, type, guid, resourceLocation, &callbacks, fmi2False, loggingOn));
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
        forget(c);
        api.fmi2FreeInstance(c);
    }

    // Reads one variable of each type by value reference.
    fmi2Real real(fmi2Component c, fmi2ValueReference vr) {
        return readOne(api.fmi2GetReal, "fmi2GetReal", c, vr, fmi2Real{-123.0});
    }
    fmi2Integer integer(fmi2Component c, fmi2ValueReference vr) {
        return readOne(api.fmi2GetInteger, "fmi2GetInteger", c, vr, fmi2Integer{-123});
    }
    fmi2Boolean boolean(fmi2Component c, fmi2ValueReference vr) {
        return readOne(api.fmi2GetBoolean, "fmi2GetBoolean", c, vr, fmi2Boolean{-123});
    }
    fmi2String string(fmi2Component c, fmi2ValueReference vr) {
        return readOne(api.fmi2GetString, "fmi2GetString", c, vr, fmi2String{"not written"});
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

    // The one refusal message a refused call must send (fixture.h); FMI 2.0
    // passes the host's componentEnvironment to the logger.
    void expectOneRefusal(const std::string& function) {
        ComponentFixture::expectOneRefusal(function, callbacks.componentEnvironment);
    }
};
