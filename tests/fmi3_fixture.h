// A test's view of the FMI 3.0 component as a host sees it: the library
// loaded from its built path, its 75 exports looked up by name, a logger that
// records every message (the host's instanceEnvironment is this fixture), an
// intermediate-update callback that runs what the test gives it, and the
// instances created through it, freed when it goes unless a test freed them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace ev = expected::varnelle;

struct Fmi3Message {
    fmi3InstanceEnvironment environment;
    fmi3Status status;
    std::string category;
    std::string text;
};

struct IntermediateUpdate {
    double time;
    bool setRequested, getAllowed, stepFinished, canReturnEarly;
};

class Fmi3Fixture {
public:
    // varnelle, or another build of it (the recording one).
    explicit Fmi3Fixture(const char* path = VARNELLE_LIBRARY) : library(path), api(library) {
        if (!library.loaded()) ADD_FAILURE() << "cannot load " << path << ": " << library.error();
    }
    ~Fmi3Fixture() {
        for (fmi3Instance c : instances) api.fmi3FreeInstance(c);
    }
    Fmi3Fixture(const Fmi3Fixture&) = delete;
    Fmi3Fixture& operator=(const Fmi3Fixture&) = delete;

    host::Library library;
    host::Fmi3Api api;
    std::vector<Fmi3Message> log;
    // Runs inside the logger after the message is recorded, for a host whose
    // logger calls back into the instance (which FMI 3.0 forbids).
    std::function<void(const Fmi3Message&)> onLog;
    std::vector<IntermediateUpdate> updates;
    // Runs inside intermediateUpdate; returns whether to request an early return.
    std::function<bool(const IntermediateUpdate&)> onIntermediateUpdate;

    // The instanceEnvironment this host passes: the fixture itself.
    fmi3InstanceEnvironment environment() { return this; }

    static void logger(fmi3InstanceEnvironment environment, fmi3Status status, fmi3String category,
                       fmi3String message) {
        auto* f = static_cast<Fmi3Fixture*>(environment);
        f->log.push_back({environment, status, category ? category : "(null)", message ? message : "(null)"});
        if (f->onLog) f->onLog(f->log.back());
    }
    static void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean setRequested,
                                   fmi3Boolean getAllowed, fmi3Boolean stepFinished, fmi3Boolean canReturnEarly,
                                   fmi3Boolean* earlyReturnRequested, fmi3Float64* /*earlyReturnTime*/) {
        auto* f = static_cast<Fmi3Fixture*>(environment);
        const IntermediateUpdate update{time, setRequested, getAllowed, stepFinished, canReturnEarly};
        f->updates.push_back(update);
        EXPECT_FALSE(*earlyReturnRequested) << "earlyReturnRequested must be false before the host writes it";
        if (f->onIntermediateUpdate && f->onIntermediateUpdate(update)) *earlyReturnRequested = true;
    }

    fmi3Instance modelExchange(bool loggingOn = true, const char* token = expected::guid) {
        return kept(api.fmi3InstantiateModelExchange("ball", token, "/tmp/resources/", false, loggingOn, this,
                                                     logger));
    }
    // Co-simulation; with a callback when `required` is given (even empty).
    fmi3Instance coSimulation(bool eventModeUsed = false, bool earlyReturnAllowed = false,
                              std::vector<fmi3ValueReference> required = {}, bool withCallback = false,
                              bool loggingOn = true) {
        return kept(api.fmi3InstantiateCoSimulation("ball", expected::guid, nullptr, false, loggingOn, eventModeUsed,
                                                    earlyReturnAllowed, required.data(), required.size(), this,
                                                    logger, withCallback ? intermediateUpdate : nullptr));
    }

    // Through initialisation from time 0 (model exchange and co-simulation
    // with event mode: into Event Mode; otherwise Step Mode); the log cleared.
    fmi3Instance initialised(fmi3Instance c, double stopTime = 0.0) {
        if (c == nullptr) {
            ADD_FAILURE() << "instantiation returned null";
            return nullptr;
        }
        EXPECT_EQ(api.fmi3EnterInitializationMode(c, false, 0.0, 0.0, stopTime > 0.0, stopTime), fmi3OK);
        EXPECT_EQ(api.fmi3ExitInitializationMode(c), fmi3OK);
        log.clear();
        return c;
    }

    void free(fmi3Instance c) {
        instances.erase(std::remove(instances.begin(), instances.end(), c), instances.end());
        api.fmi3FreeInstance(c);
    }

    // One Float64 value, read into a sentinel so that a getter answering OK
    // without writing is caught.
    double float64(fmi3Instance c, fmi3ValueReference vr) {
        double value = -123.0;
        EXPECT_EQ(api.fmi3GetFloat64(c, &vr, 1, &value, 1), fmi3OK) << "fmi3GetFloat64 of " << vr;
        return value;
    }
    fmi3Status setFloat64(fmi3Instance c, fmi3ValueReference vr, double value) {
        return api.fmi3SetFloat64(c, &vr, 1, &value, 1);
    }
    expected::Motion motion(fmi3Instance c) { return {float64(c, ev::heightRef), float64(c, ev::velocityRef)}; }

    // The refusal a host must see, and nothing else: one message with status
    // Error and category "ERROR", to this host's environment, whose text
    // begins with the function's name (and `text` when given). Clears the log.
    void expectOneRefusal(const std::string& function, const std::string& text = "") {
        const std::vector<Fmi3Message> entries = std::exchange(log, {});
        ASSERT_EQ(entries.size(), 1u) << "one message for a refused call of " << function;
        EXPECT_EQ(entries[0].environment, this);
        EXPECT_EQ(entries[0].status, fmi3Error);
        EXPECT_EQ(entries[0].category, "ERROR");
        EXPECT_EQ(entries[0].text.rfind(function + ": " + text, 0), 0u) << entries[0].text;
    }

    // After an fmi3Error the instance is in Terminated: a step-on call is
    // refused there. Clears the log.
    void expectTerminated(fmi3Instance c) {
        EXPECT_EQ(api.fmi3ExitInitializationMode(c), fmi3Error);
        expectOneRefusal("fmi3ExitInitializationMode", "not allowed in Terminated");
    }

private:
    std::vector<fmi3Instance> instances;
    fmi3Instance kept(fmi3Instance c) {
        if (c != nullptr) instances.push_back(c);
        return c;
    }
};
