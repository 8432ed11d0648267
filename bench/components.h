// The libraries the benchmarks measure, loaded once for the whole run and
// called as a host calls them, through pointers looked up by name; instances
// of them; and the check that a hot call left the host's callbacks alone.
// What a benchmark calls around its timed loop is defined here, inline, so
// that each benchmark compiles to the code it compiled to when all of this
// stood in its own file.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <string>

#include "harness.h"
#include "model_expectations.h"

namespace bench {

using EmptyExport = fmi2Status (*)(fmi2Component, const fmi2Real[], size_t);

// The yardstick library: one exported function that does nothing.
struct EmptyApi {
    explicit EmptyApi(const host::Library& library);
    EmptyExport emptyExport;
};

// A loaded library with its exports, or the reason it cannot be measured.
template <typename Api>
struct Loaded {
    Loaded(const char* name, const char* path) {
        if (path == nullptr) {
            problem = std::string(name) + " is not built";
            return;
        }
        library = std::make_unique<host::Library>(path);
        if (!library->loaded()) {
            problem = "cannot load " + std::string(path) + ": " + library->error();
            return;
        }
        api = std::make_unique<Api>(*library);
    }
    std::unique_ptr<host::Library> library;
    std::unique_ptr<Api> api;
    std::string problem;
};

struct Components {
    Components();
    host::Host host;  // first: every instance calls back into it
    Loaded<host::Fmi2Api> pellidor;
    Loaded<host::Fmi2Api> corvane;
    Loaded<host::Fmi1Api> tressivo;
    Loaded<host::Fmi3Api> varnelle;
    Loaded<EmptyApi> empty;
};

// One FMI 2.0 instance with logging off, holding the start values.
class Fmi2Instance {
public:
    Fmi2Instance(const host::Fmi2Api& api, host::Host& host, fmi2Type type)
        : api(api), callbacks(host.fmi2Callbacks()) {
        c = api.fmi2Instantiate("bench", type, expected::guid, "", &callbacks, fmi2False, fmi2False);
        ready = c != nullptr && api.fmi2EnterInitializationMode(c) == fmi2OK &&
                api.fmi2ExitInitializationMode(c) == fmi2OK;
    }
    ~Fmi2Instance() {
        if (c != nullptr) api.fmi2FreeInstance(c);
    }
    Fmi2Instance(const Fmi2Instance&) = delete;
    Fmi2Instance& operator=(const Fmi2Instance&) = delete;

    const host::Fmi2Api& api;
    const fmi2CallbackFunctions callbacks;  // kept by the instance: must outlive it
    fmi2Component c = nullptr;
    bool ready = false;
};

// One FMI 1.0 instance with logging off, initialised.
class Fmi1Instance {
public:
    Fmi1Instance(const host::Fmi1Api& api, host::Host& host) : api(api) {
        c = api.fmiInstantiateModel("bench", expected::guid, host.fmi1Callbacks(), fmiFalse);
        fmiEventInfo eventInfo{};
        ready = c != nullptr && api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo) == fmiOK;
    }
    ~Fmi1Instance() {
        if (c != nullptr) api.fmiFreeModelInstance(c);
    }
    Fmi1Instance(const Fmi1Instance&) = delete;
    Fmi1Instance& operator=(const Fmi1Instance&) = delete;

    const host::Fmi1Api& api;
    fmiComponent c = nullptr;
    bool ready = false;
};

// One varnelle instance with logging off and no callbacks: model exchange
// in Continuous-Time Mode, or co-simulation (no event mode, early return as
// asked) in Step Mode. prepare writes variables before initialisation.
class Fmi3Instance {
public:
    template <typename Prepare>
    Fmi3Instance(const host::Fmi3Api& api, bool coSimulation, Prepare prepare, bool earlyReturnAllowed = false)
        : api(api) {
        c = coSimulation ? api.fmi3InstantiateCoSimulation("bench", expected::guid, nullptr, fmi3False, fmi3False,
                                                           fmi3False, earlyReturnAllowed, nullptr, 0, nullptr,
                                                           nullptr, nullptr)
                         : api.fmi3InstantiateModelExchange("bench", expected::guid, nullptr, fmi3False, fmi3False,
                                                            nullptr, nullptr);
        ready = c != nullptr && prepare(c) == fmi3OK &&
                api.fmi3EnterInitializationMode(c, fmi3False, 0.0, 0.0, fmi3False, 0.0) == fmi3OK &&
                api.fmi3ExitInitializationMode(c) == fmi3OK &&
                (coSimulation || api.fmi3EnterContinuousTimeMode(c) == fmi3OK);
    }
    Fmi3Instance(const host::Fmi3Api& api, bool coSimulation)
        : Fmi3Instance(api, coSimulation, [](fmi3Instance) { return fmi3OK; }) {}
    ~Fmi3Instance() {
        if (c != nullptr) api.fmi3FreeInstance(c);
    }
    Fmi3Instance(const Fmi3Instance&) = delete;
    Fmi3Instance& operator=(const Fmi3Instance&) = delete;

    const host::Fmi3Api& api;
    fmi3Instance c = nullptr;
    bool ready = false;
};

// What the host's callbacks have seen so far. A hot call must leave it as it
// was: no allocation, no free, no log message.
struct CallbackTally {
    explicit CallbackTally(const host::Host& host)
        : allocations(host.allocationCount), frees(host.freeCount), messages(host.log.size()) {}
    bool operator==(const CallbackTally&) const = default;
    std::size_t allocations, frees, messages;
};

// Marks the run failed when a call did not return OK or the callbacks were used.
inline void finish(benchmark::State& state, int statuses, const host::Host& host, const CallbackTally& before) {
    if (statuses != fmi2OK) state.SkipWithError("a call did not return OK");
    if (!(CallbackTally(host) == before)) state.SkipWithError("a hot call allocated, freed or logged");
}

}  // namespace bench
