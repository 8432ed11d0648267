// The model-exchange calls a host makes in its inner loop: the five calls of
// one integrator step (pellidor and tressivo), beside five calls to an
// exported function that does nothing and beside the same arithmetic done
// inline; fmi2GetReal and fmi2SetReal (pellidor) beside inline access.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "components.h"
#include "inline_model.h"
#include "model_expectations.h"
#include "registration.h"

namespace bench {

namespace {

// ---------------------------------------------------------------------------
// One model-exchange integrator step: fmi2SetTime, fmi2SetContinuousStates,
// fmi2GetDerivatives, fmi2GetEventIndicators, fmi2CompletedIntegratorStep.

// What a host hands over and reads back in one integrator step.
struct IntegratorStep {
    double time = 0.5;
    double states[expected::stateCount] = {0.75, -2.5};
    double derivatives[expected::stateCount] = {};
    double indicators[expected::eventIndicatorCount] = {};
    fmi2Boolean enterEventMode = fmi2True;
    fmi2Boolean terminateSimulation = fmi2True;
    fmiBoolean callEventUpdate = fmiTrue;

    // The compiler must take the inputs as new and the outputs as used on
    // every iteration, so that no variant is folded away or hoisted.
    void handOver() {
        benchmark::DoNotOptimize(time);
        benchmark::DoNotOptimize(states);
    }
    void readBack() {
        benchmark::DoNotOptimize(derivatives);
        benchmark::DoNotOptimize(indicators);
        benchmark::DoNotOptimize(enterEventMode);
        benchmark::DoNotOptimize(terminateSimulation);
        benchmark::DoNotOptimize(callEventUpdate);
    }
};

void modelExchangeStepPellidor(benchmark::State& state, Components& k) {
    if (!k.pellidor.api) return state.SkipWithError(k.pellidor.problem.c_str());
    const host::Fmi2Api& api = *k.pellidor.api;
    Fmi2Instance instance(api, k.host, fmi2ModelExchange);
    if (!instance.ready) return state.SkipWithError("pellidor: instantiation or initialisation failed");
    const fmi2Component c = instance.c;
    IntegratorStep step;
    int statuses = fmi2OK;
    const CallbackTally before(k.host);
    for (auto _ : state) {
        step.handOver();
        statuses |= api.fmi2SetTime(c, step.time);
        statuses |= api.fmi2SetContinuousStates(c, step.states, expected::stateCount);
        statuses |= api.fmi2GetDerivatives(c, step.derivatives, expected::stateCount);
        statuses |= api.fmi2GetEventIndicators(c, step.indicators, expected::eventIndicatorCount);
        statuses |= api.fmi2CompletedIntegratorStep(c, fmi2True, &step.enterEventMode, &step.terminateSimulation);
        step.readBack();
    }
    finish(state, statuses, k.host, before);
}

void modelExchangeStepTressivo(benchmark::State& state, Components& k) {
    if (!k.tressivo.api) return state.SkipWithError(k.tressivo.problem.c_str());
    const host::Fmi1Api& api = *k.tressivo.api;
    Fmi1Instance instance(api, k.host);
    if (!instance.ready) return state.SkipWithError("tressivo: instantiation or initialisation failed");
    const fmiComponent c = instance.c;
    IntegratorStep step;
    int statuses = fmiOK;
    const CallbackTally before(k.host);
    for (auto _ : state) {
        step.handOver();
        statuses |= api.fmiSetTime(c, step.time);
        statuses |= api.fmiSetContinuousStates(c, step.states, expected::stateCount);
        statuses |= api.fmiGetDerivatives(c, step.derivatives, expected::stateCount);
        statuses |= api.fmiGetEventIndicators(c, step.indicators, expected::eventIndicatorCount);
        statuses |= api.fmiCompletedIntegratorStep(c, &step.callEventUpdate);
        step.readBack();
    }
    finish(state, statuses, k.host, before);
}

// The same five calls through FMI 3.0: fmi3SetTime, fmi3SetContinuousStates,
// fmi3GetContinuousStateDerivatives, fmi3GetEventIndicators,
// fmi3CompletedIntegratorStep, in Continuous-Time Mode.
void modelExchangeStepVarnelle(benchmark::State& state, Components& k) {
    if (!k.varnelle.api) return state.SkipWithError(k.varnelle.problem.c_str());
    const host::Fmi3Api& api = *k.varnelle.api;
    Fmi3Instance instance(api, false);
    if (!instance.ready) return state.SkipWithError("varnelle: instantiation or initialisation failed");
    const fmi3Instance c = instance.c;
    IntegratorStep step;
    fmi3Boolean enterEventMode = fmi3True, terminateSimulation = fmi3True;
    int statuses = fmi3OK;
    for (auto _ : state) {
        step.handOver();
        statuses |= api.fmi3SetTime(c, step.time);
        statuses |= api.fmi3SetContinuousStates(c, step.states, expected::stateCount);
        statuses |= api.fmi3GetContinuousStateDerivatives(c, step.derivatives, expected::stateCount);
        statuses |= api.fmi3GetEventIndicators(c, step.indicators, expected::eventIndicatorCount);
        statuses |= api.fmi3CompletedIntegratorStep(c, fmi3True, &enterEventMode, &terminateSimulation);
        step.readBack();
        benchmark::DoNotOptimize(enterEventMode);
        benchmark::DoNotOptimize(terminateSimulation);
    }
    if (statuses != fmi3OK) state.SkipWithError("a call did not return OK");
}

// The yardstick: five calls through pointers of the same kind to an exported
// function that does nothing, with arguments like those of the step's calls.
void modelExchangeStepEmptyCalls(benchmark::State& state, Components& k) {
    if (!k.empty.api || k.empty.api->emptyExport == nullptr)
        return state.SkipWithError("the empty exported function is not available");
    const EmptyExport empty = k.empty.api->emptyExport;
    InlineModel instance;  // any pointer will do: the function does not look at it
    const fmi2Component c = &instance;
    IntegratorStep step;
    int statuses = fmi2OK;
    for (auto _ : state) {
        step.handOver();
        statuses |= empty(c, &step.time, 1);
        statuses |= empty(c, step.states, expected::stateCount);
        statuses |= empty(c, step.derivatives, expected::stateCount);
        statuses |= empty(c, step.indicators, expected::eventIndicatorCount);
        statuses |= empty(c, nullptr, 0);
        step.readBack();
    }
    if (statuses != fmi2OK) state.SkipWithError("the empty function did not return OK");
}

// The same five steps of arithmetic, done by the host on its own variables.
void modelExchangeStepInline(benchmark::State& state, Components&) {
    InlineModel m;
    IntegratorStep step;
    for (auto _ : state) {
        step.handOver();
        m.time = step.time;
        for (unsigned i = 0; i < expected::stateCount; ++i) m.states[i] = step.states[i];
        refreshDerivatives(m);
        for (unsigned i = 0; i < expected::stateCount; ++i) step.derivatives[i] = m.statesDerivative[i];
        m.eventIndicator = expected::eventIndicator(m.states[expected::heightRef]);
        step.indicators[0] = m.eventIndicator;
        step.enterEventMode = fmi2False;
        step.terminateSimulation = fmi2False;
        benchmark::DoNotOptimize(m);
        step.readBack();
    }
}

// ---------------------------------------------------------------------------
// fmi2GetReal of the five reals and fmi2SetReal of the four writable ones.

// height, velocity, gravity, restitution and acceleration
constexpr std::size_t realCount = expected::accelerationRef + 1;

void getRealPellidor(benchmark::State& state, Components& k) {
    if (!k.pellidor.api) return state.SkipWithError(k.pellidor.problem.c_str());
    const host::Fmi2Api& api = *k.pellidor.api;
    Fmi2Instance instance(api, k.host, fmi2ModelExchange);
    if (!instance.ready) return state.SkipWithError("pellidor: instantiation or initialisation failed");
    fmi2ValueReference vr[realCount] = {0, 1, 2, 3, 4};
    fmi2Real values[realCount] = {};
    int statuses = fmi2OK;
    const CallbackTally before(k.host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(vr);
        statuses |= api.fmi2GetReal(instance.c, vr, realCount, values);
        benchmark::DoNotOptimize(values);
    }
    finish(state, statuses, k.host, before);
}

// Reading acceleration refreshes the derivatives and yields gravity.
void getRealInline(benchmark::State& state, Components&) {
    InlineModel m;
    fmi2ValueReference vr[realCount] = {0, 1, 2, 3, 4};
    fmi2Real values[realCount] = {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(vr);
        for (std::size_t i = 0; i < realCount; ++i) {
            if (vr[i] < expected::stateCount) {
                values[i] = m.states[vr[i]];
            } else if (vr[i] == expected::accelerationRef) {
                refreshDerivatives(m);
                values[i] = m.reals[expected::gravityRef];
            } else {
                values[i] = m.reals[vr[i]];
            }
        }
        benchmark::DoNotOptimize(m);
        benchmark::DoNotOptimize(values);
    }
}

void setRealPellidor(benchmark::State& state, Components& k) {
    if (!k.pellidor.api) return state.SkipWithError(k.pellidor.problem.c_str());
    const host::Fmi2Api& api = *k.pellidor.api;
    Fmi2Instance instance(api, k.host, fmi2ModelExchange);
    if (!instance.ready) return state.SkipWithError("pellidor: instantiation or initialisation failed");
    fmi2ValueReference vr[expected::variablesPerType] = {0, 1, 2, 3};
    fmi2Real values[expected::variablesPerType] = {expected::startHeight, expected::startVelocity,
                                                   expected::startGravity, expected::startRestitution};
    int statuses = fmi2OK;
    const CallbackTally before(k.host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(vr);
        benchmark::DoNotOptimize(values);
        statuses |= api.fmi2SetReal(instance.c, vr, expected::variablesPerType, values);
    }
    finish(state, statuses, k.host, before);
}

void setRealInline(benchmark::State& state, Components&) {
    InlineModel m;
    fmi2ValueReference vr[expected::variablesPerType] = {0, 1, 2, 3};
    fmi2Real values[expected::variablesPerType] = {expected::startHeight, expected::startVelocity,
                                                   expected::startGravity, expected::startRestitution};
    for (auto _ : state) {
        benchmark::DoNotOptimize(vr);
        benchmark::DoNotOptimize(values);
        for (std::size_t i = 0; i < expected::variablesPerType; ++i) {
            if (vr[i] < expected::stateCount) {
                m.states[vr[i]] = values[i];
            } else if (vr[i] == expected::accelerationRef) {
                break;  // refused; never taken here
            } else {
                m.reals[vr[i]] = values[i];
            }
        }
        benchmark::DoNotOptimize(m);
    }
}

}  // namespace

void registerModelExchangeBenchmarks(Components& k) {
    add("me_step/pellidor", k, modelExchangeStepPellidor);
    add("me_step/tressivo", k, modelExchangeStepTressivo);
    add("me_step/varnelle", k, modelExchangeStepVarnelle);
    add("me_step/five_empty_calls", k, modelExchangeStepEmptyCalls);
    add("me_step/inline", k, modelExchangeStepInline);
    add("get_real_5/pellidor", k, getRealPellidor);
    add("get_real_5/inline", k, getRealInline);
    add("set_real_4/pellidor", k, setRealPellidor);
    add("set_real_4/inline", k, setRealInline);
}

}  // namespace bench
