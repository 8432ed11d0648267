// Instantiation, initialisation and release of pellidor with logging off,
// beside the same work done inline by the host with the same allocator.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>

#include "components.h"
#include "model_expectations.h"
#include "registration.h"

namespace bench {

namespace {

void lifecyclePellidor(benchmark::State& state, Components& k) {
    if (!k.pellidor.api) return state.SkipWithError(k.pellidor.problem.c_str());
    const host::Fmi2Api& api = *k.pellidor.api;
    const fmi2CallbackFunctions callbacks = k.host.fmi2Callbacks();
    int statuses = fmi2OK;
    const std::size_t messages = k.host.log.size();
    for (auto _ : state) {
        fmi2Component c =
            api.fmi2Instantiate("bench", fmi2ModelExchange, expected::guid, "", &callbacks, fmi2False, fmi2False);
        statuses |= c != nullptr ? api.fmi2EnterInitializationMode(c) : fmi2Fatal;
        api.fmi2FreeInstance(c);
        k.host.freed.clear();  // the harness lists every free; keep that list from growing
    }
    if (statuses != fmi2OK) state.SkipWithError("instantiation or initialisation failed");
    if (k.host.log.size() != messages || k.host.liveBlocks() != 0)
        state.SkipWithError("a message was logged or a block was left allocated");
}

// What instantiation fills in, with the record's three name fields, so that
// the host's allocator is asked for a block of much the same size.
constexpr std::size_t nameCapacity = expected::longestInstanceName + 1;

struct InlineInstance {
    double states[expected::stateCount];
    double statesNominal[expected::stateCount];
    double statesDerivative[expected::stateCount];
    double eventIndicators[expected::eventIndicatorCount];
    double reals[expected::variablesPerType];
    fmi2Integer integers[expected::variablesPerType];
    fmi2Boolean booleans[expected::variablesPerType];
    char* strings[expected::variablesPerType];
    fmi2Boolean loggingOn;
    char instanceName[nameCapacity];
    char guid[nameCapacity];
    const fmi2CallbackFunctions* functions;
    fmi2Boolean visible;
    char fmuLocation[nameCapacity];
    double inputRealDerivatives[6];
    double outputRealDerivatives[6];
};

// A name copied into its field as instantiation does: cut to the longest name
// a host sees, a null name stored as the empty string.
void copyName(char (&field)[nameCapacity], const char* source) {
    std::size_t i = 0;
    if (source != nullptr) {
        for (; i + 1 < nameCapacity && source[i] != '\0'; ++i) field[i] = source[i];
    }
    field[i] = '\0';
}

void lifecycleInline(benchmark::State& state, Components& k) {
    const fmi2CallbackFunctions callbacks = k.host.fmi2Callbacks();
    const char* name = "bench";
    const char* guid = expected::guid;
    const char* location = "";
    int statuses = fmi2OK;
    for (auto _ : state) {
        benchmark::DoNotOptimize(name);
        benchmark::DoNotOptimize(guid);
        auto* m = static_cast<InlineInstance*>(callbacks.allocateMemory(1, sizeof(InlineInstance)));
        if (m == nullptr || std::strcmp(guid, expected::guid) != 0) {
            statuses |= fmi2Fatal;
            callbacks.freeMemory(m);
            continue;
        }
        copyName(m->instanceName, name);
        copyName(m->guid, guid);
        m->loggingOn = fmi2False;
        m->functions = &callbacks;
        for (unsigned i = 0; i < expected::stateCount; ++i) {
            m->states[i] = 0.0;
            m->statesNominal[i] = expected::stateNominal;
            m->statesDerivative[i] = 0.0;
        }
        m->eventIndicators[0] = expected::eventIndicator(0.0);  // of height 0.0
        for (unsigned i = 0; i < expected::variablesPerType; ++i) {
            m->reals[i] = 0.0;
            m->integers[i] = 0;
            m->booleans[i] = fmi2False;
            m->strings[i] = nullptr;
        }
        for (double& value : m->inputRealDerivatives) value = 0.0;
        for (double& value : m->outputRealDerivatives) value = expected::derivativeTableValue;
        copyName(m->fmuLocation, location);
        m->visible = fmi2False;
        // Initialisation: the start values; logging is off, so no message.
        m->states[expected::heightRef] = expected::startHeight;
        m->states[expected::velocityRef] = expected::startVelocity;
        m->reals[expected::gravityRef] = expected::startGravity;
        m->reals[expected::restitutionRef] = expected::startRestitution;
        benchmark::DoNotOptimize(*m);
        // Release: each string block, null ones included, then the record.
        for (char*& string : m->strings) {
            callbacks.freeMemory(string);
            string = nullptr;
        }
        callbacks.freeMemory(m);
        k.host.freed.clear();
    }
    if (statuses != fmi2OK) state.SkipWithError("the inline instantiation failed");
}

}  // namespace

void registerLifecycleBenchmarks(Components& k) {
    add("lifecycle/pellidor", k, lifecyclePellidor);
    add("lifecycle/inline", k, lifecycleInline);
}

}  // namespace bench
