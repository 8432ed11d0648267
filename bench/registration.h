// Each file of benchmarks registers its own, by interface; main() calls them
// in this order.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "components.h"

namespace bench {

// Registers function(state, k, args...) under a name, timed in nanoseconds.
template <typename Function, typename... Args>
void add(const std::string& name, Components& k, Function function, Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), [&k, function, args...](benchmark::State& state) {
        function(state, k, args...);
    })->Unit(benchmark::kNanosecond);
}

// model_exchange.cpp: one integrator step, fmi2GetReal and fmi2SetReal.
void registerModelExchangeBenchmarks(Components& k);
// co_simulation.cpp: fmi2DoStep.
void registerCoSimulationBenchmarks(Components& k);
// lifecycle.cpp: instantiation, initialisation and release.
void registerLifecycleBenchmarks(Components& k);

}  // namespace bench
