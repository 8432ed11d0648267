// Benchmarks of the calls a host makes in its inner loop. Each is measured
// beside a baseline in the same run: the same arithmetic written inline in the
// host, and for one model-exchange integrator step also five calls to an
// exported function that does nothing. The components are loaded and called
// as a host does, through pointers looked up by name. The summary at the end
// gives every call as a ratio to its baseline, which is what to judge on a
// shared machine, where absolute times drift from run to run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace {

#ifdef PELLIDOR_LIBRARY
constexpr const char* pellidorPath = PELLIDOR_LIBRARY;
#else
constexpr const char* pellidorPath = nullptr;
#endif
#ifdef CORVANE_LIBRARY
constexpr const char* corvanePath = CORVANE_LIBRARY;
#else
constexpr const char* corvanePath = nullptr;
#endif
#ifdef TRESSIVO_LIBRARY
constexpr const char* tressivoPath = TRESSIVO_LIBRARY;
#else
constexpr const char* tressivoPath = nullptr;
#endif
#ifdef EMPTY_EXPORT_LIBRARY
constexpr const char* emptyExportPath = EMPTY_EXPORT_LIBRARY;
#else
constexpr const char* emptyExportPath = nullptr;
#endif

// ---------------------------------------------------------------------------
// The libraries, loaded once for the whole run.

using EmptyExport = fmi2Status (*)(fmi2Component, const fmi2Real[], size_t);

struct EmptyApi {
    explicit EmptyApi(const host::Library& library)
        : emptyExport(library.function<EmptyExport>("emptyExport")) {}
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
    host::Host host;  // first: every instance calls back into it
    Loaded<host::Fmi2Api> pellidor{"pellidor", pellidorPath};
    Loaded<host::Fmi2Api> corvane{"corvane", corvanePath};
    Loaded<host::Fmi1Api> tressivo{"tressivo", tressivoPath};
    Loaded<EmptyApi> empty{"empty_export", emptyExportPath};
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

// What the host's callbacks have seen so far. A hot call must leave it as it
// was: no allocation, no free, no log message.
struct CallbackTally {
    explicit CallbackTally(const host::Host& host)
        : allocations(host.allocationCount), frees(host.freeCount), messages(host.log.size()) {}
    bool operator==(const CallbackTally&) const = default;
    std::size_t allocations, frees, messages;
};

// Marks the run failed when a call did not return OK or the callbacks were used.
void finish(benchmark::State& state, int statuses, const host::Host& host, const CallbackTally& before) {
    if (statuses != fmi2OK) state.SkipWithError("a call did not return OK");
    if (!(CallbackTally(host) == before)) state.SkipWithError("a hot call allocated, freed or logged");
}

// ---------------------------------------------------------------------------
// The model's variables, held by the host itself for the inline baselines,
// which compute with the model's rules as a host re-derives them
// (model_expectations.h, the tests' reference arithmetic) in the order the
// components do.

struct InlineModel {
    double time = 0.0;
    double states[expected::stateCount] = {expected::startHeight, expected::startVelocity};
    double statesDerivative[expected::stateCount] = {};
    double eventIndicator = expected::eventIndicator(expected::startHeight);
    double reals[expected::variablesPerType] = {expected::startHeight, expected::startVelocity,
                                                expected::startGravity, expected::startRestitution};
    fmi2EventInfo eventInfo{};
};

// The derivative of height is velocity, the derivative of velocity is gravity.
inline void refreshDerivatives(InlineModel& m) {
    m.statesDerivative[expected::heightRef] = m.states[expected::velocityRef];
    m.statesDerivative[expected::velocityRef] = m.reals[expected::gravityRef];
}

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

// ---------------------------------------------------------------------------
// fmi2DoStep. Every call starts at communication point 0.0: the component
// does not read the time, and this way every call of one size divides into
// the same internal steps.

// How the model moves while a communication-step benchmark runs.
enum class Scenario {
    // Gravity 0, velocity 0, height 1: every call takes the same internal
    // steps and finds no event, so the figure is the plain integrator's.
    Weightless,
    // From the start values, calls follow one another freely: the mass falls,
    // rebounds and soon bounces ever lower near the floor, where internal
    // steps find events often. The baseline follows the same trajectory.
    Bouncing,
};

// What the inline loop did, for the report on the path a step size takes.
struct InlineStepResult {
    fmi2Status status;
    unsigned internalSteps;
    double lastStepSize;
    unsigned events;
};

// The bare explicit Euler loop of a communication step, with the same event
// tests: at the start of every internal step against the reference indicator,
// and once more after the last internal step. The states stay in locals and
// go back to the model at the end, the time and derivatives only when an
// internal step was taken.
inline InlineStepResult inlineDoStep(InlineModel& m, double currentCommunicationPoint, double communicationStepSize) {
    expected::InternalClock clock(currentCommunicationPoint, communicationStepSize);
    double h = m.states[expected::heightRef];
    double v = m.states[expected::velocityRef];
    const double gravity = m.reals[expected::gravityRef];
    const double restitution = m.reals[expected::restitutionRef];
    double reference = expected::eventIndicator(h);
    double indicator = reference;
    InlineStepResult result{fmi2OK, 0, 0.0, 0};
    if (!clock.running()) {  // a zero, negative or NaN step: no internal step, no event
        m.eventIndicator = indicator;
        return result;
    }

    const auto eventTest = [&] {
        indicator = expected::eventIndicator(h);
        if (!(indicator * reference < 0.0)) return;
        ++result.events;
        m.eventInfo.newDiscreteStatesNeeded = fmi2False;
        m.eventInfo.terminateSimulation = fmi2False;
        m.eventInfo.nominalsOfContinuousStatesChanged = fmi2False;
        m.eventInfo.nextEventTimeDefined = fmi2False;
        m.eventInfo.nextEventTime = -0.0;
        const bool rebounds = expected::reboundsFmi2({h, v});
        if (rebounds) {
            const expected::Motion after = expected::rebound({h, v}, restitution);
            h = after.height;
            v = after.velocity;
        }
        m.eventInfo.valuesOfContinuousStatesChanged = rebounds ? fmi2True : fmi2False;
        indicator = expected::eventIndicator(h);
        reference = indicator;
    };

    double stepStart = clock.time;
    double stepVelocity = v;
    double dt = 0.0;
    while (clock.running()) {
        stepStart = clock.time;
        eventTest();
        dt = clock.advance();
        stepVelocity = v;
        expected::eulerStep(h, v, dt, gravity);
    }
    eventTest();

    m.time = stepStart;
    m.states[expected::heightRef] = h;
    m.states[expected::velocityRef] = v;
    m.statesDerivative[expected::heightRef] = stepVelocity;
    m.statesDerivative[expected::velocityRef] = gravity;
    m.eventIndicator = indicator;
    result.status = clock.covered() ? fmi2OK : fmi2Discard;
    result.internalSteps = clock.steps;
    result.lastStepSize = dt;
    return result;
}

void prepare(InlineModel& m, Scenario scenario) {
    m = InlineModel{};
    if (scenario == Scenario::Weightless) {
        m.states[expected::velocityRef] = 0.0;
        m.reals[expected::gravityRef] = 0.0;
    }
}

// Gives a corvane instance the same variables as a prepared inline model.
fmi2Status prepare(const host::Fmi2Api& api, fmi2Component c, Scenario scenario) {
    InlineModel m;
    prepare(m, scenario);
    const fmi2ValueReference vr[expected::variablesPerType] = {0, 1, 2, 3};
    const fmi2Real values[expected::variablesPerType] = {m.states[0], m.states[1], m.reals[2], m.reals[3]};
    return api.fmi2SetReal(c, vr, expected::variablesPerType, values);
}

void doStepCorvane(benchmark::State& state, Components& k, double stepSize, Scenario scenario) {
    if (!k.corvane.api) return state.SkipWithError(k.corvane.problem.c_str());
    const host::Fmi2Api& api = *k.corvane.api;
    Fmi2Instance instance(api, k.host, fmi2CoSimulation);
    if (!instance.ready || prepare(api, instance.c, scenario) != fmi2OK)
        return state.SkipWithError("corvane: instantiation or initialisation failed");
    const fmi2Component c = instance.c;
    double start = 0.0;
    int statuses = fmi2OK;
    const CallbackTally before(k.host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(start);
        benchmark::DoNotOptimize(stepSize);
        statuses |= api.fmi2DoStep(c, start, stepSize, fmi2True);
    }
    finish(state, statuses, k.host, before);
}

void doStepInline(benchmark::State& state, Components&, double stepSize, Scenario scenario) {
    InlineModel m;
    prepare(m, scenario);
    double start = 0.0;
    int statuses = fmi2OK;
    for (auto _ : state) {
        benchmark::DoNotOptimize(start);
        benchmark::DoNotOptimize(stepSize);
        statuses |= inlineDoStep(m, start, stepSize).status;
        benchmark::DoNotOptimize(m);
    }
    if (statuses != fmi2OK) state.SkipWithError("the inline step did not reach its end time");
}

// ---------------------------------------------------------------------------
// fmi2Instantiate, fmi2EnterInitializationMode and fmi2FreeInstance, logging off.

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

// ---------------------------------------------------------------------------
// Before timing: does the inline loop do corvane's arithmetic bit for bit, and
// which path does each step size take? A baseline that computed something
// else would make its ratio meaningless.

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct StepCase {
    const char* description;
    double height, velocity;  // set after initialisation
    double stepSize;
    int calls;
};

void checkInlineStep(Components& k) {
    if (!k.corvane.api) {
        std::printf("Inline communication step not checked: %s\n", k.corvane.problem.c_str());
        return;
    }
    const host::Fmi2Api& api = *k.corvane.api;
    const StepCase cases[] = {
        {"start values, one step of 0.01", expected::startHeight, expected::startVelocity, 0.01, 1},
        {"start values, one step of 1.0", expected::startHeight, expected::startVelocity, 1.0, 1},
        {"start values, one step of 2.0 (cap)", expected::startHeight, expected::startVelocity, 2.0, 1},
        {"crossing inside a step of 0.05", 0.015, -1.0, 0.05, 1},
        {"crossing in the last internal step of 0.02", 0.015, -1.0, 0.02, 1},
        {"start values, 2000 steps of 1.0", expected::startHeight, expected::startVelocity, 1.0, 2000},
        {"start values, 20000 steps of 0.01", expected::startHeight, expected::startVelocity, 0.01, 20000},
    };
    int mismatches = 0;
    for (const StepCase& stepCase : cases) {
        Fmi2Instance instance(api, k.host, fmi2CoSimulation);
        InlineModel m;
        const fmi2ValueReference stateRefs[2] = {0, 1};
        const fmi2Real start[2] = {stepCase.height, stepCase.velocity};
        if (!instance.ready || api.fmi2SetReal(instance.c, stateRefs, 2, start) != fmi2OK) {
            std::printf("corvane: cannot set up the case \"%s\"\n", stepCase.description);
            ++mismatches;
            continue;
        }
        m.states[0] = stepCase.height;
        m.states[1] = stepCase.velocity;
        unsigned events = 0, callsWithEvents = 0;
        InlineStepResult last{};
        bool same = true;
        for (int call = 0; call < stepCase.calls && same; ++call) {
            const fmi2Status status = api.fmi2DoStep(instance.c, 0.0, stepCase.stepSize, fmi2False);
            last = inlineDoStep(m, 0.0, stepCase.stepSize);
            events += last.events;
            callsWithEvents += last.events > 0 ? 1 : 0;
            fmi2Real x[2] = {};
            api.fmi2GetReal(instance.c, stateRefs, 2, x);
            same = status == last.status && sameBits(x[0], m.states[0]) && sameBits(x[1], m.states[1]);
            if (!same)
                std::printf("MISMATCH in \"%s\" at call %d: corvane status %d, height %.17g, velocity %.17g; "
                            "inline status %d, height %.17g, velocity %.17g\n",
                            stepCase.description, call + 1, status, x[0], x[1], last.status, m.states[0],
                            m.states[1]);
        }
        mismatches += same ? 0 : 1;
        std::printf("%-45s %s; last call: status %s, %u internal steps, the last of %.17g; events %u in %u of %d "
                    "calls\n",
                    stepCase.description, same ? "same bits" : "DIFFERENT",
                    last.status == fmi2OK ? "fmi2OK" : last.status == fmi2Discard ? "fmi2Discard" : "other",
                    last.internalSteps, last.lastStepSize, events, callsWithEvents, stepCase.calls);
    }
    std::printf(mismatches == 0 ? "The inline loop reproduces corvane's communication step bit for bit.\n\n"
                                : "WARNING: the inline loop differs from corvane; its ratios mean little.\n\n");
}

// ---------------------------------------------------------------------------
// The summary: each call against its baseline.

// Passes every run on to the console and keeps each benchmark's CPU time per
// iteration: the median when repetitions are asked for, else the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.error_occurred) {
                failures[name] = run.error_message;
            } else if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") medians[name] = run.GetAdjustedCPUTime();
            } else {
                singles[name] = run.GetAdjustedCPUTime();
            }
        }
    }

    std::optional<double> nanoseconds(const std::string& name) const {
        if (failures.count(name) != 0) return std::nullopt;
        if (auto found = medians.find(name); found != medians.end()) return found->second;
        if (auto found = singles.find(name); found != singles.end()) return found->second;
        return std::nullopt;
    }
    bool usedMedians() const { return !medians.empty(); }
    const std::map<std::string, std::string>& failed() const { return failures; }

private:
    std::map<std::string, double> medians, singles;
    std::map<std::string, std::string> failures;
};

struct Comparison {
    const char* call;
    const char* measured;
    const char* baselineDescription;
    const char* baseline;
    double target;  // the largest acceptable ratio, or 0 when there is none
};

constexpr Comparison comparisons[] = {
    {"pellidor: model-exchange step (5 calls)", "me_step/pellidor", "five empty calls", "me_step/five_empty_calls",
     3.0},
    {"pellidor: model-exchange step (5 calls)", "me_step/pellidor", "inline arithmetic", "me_step/inline", 0.0},
    {"tressivo: model-exchange step (5 calls)", "me_step/tressivo", "five empty calls", "me_step/five_empty_calls",
     3.0},
    {"tressivo: model-exchange step (5 calls)", "me_step/tressivo", "inline arithmetic", "me_step/inline", 0.0},
    {"pellidor: fmi2GetReal of 5 reals", "get_real_5/pellidor", "inline arithmetic", "get_real_5/inline", 0.0},
    {"pellidor: fmi2SetReal of 4 reals", "set_real_4/pellidor", "inline arithmetic", "set_real_4/inline", 0.0},
    {"corvane: fmi2DoStep 0.01, weightless", "do_step_0.01/weightless/corvane", "inline Euler loop",
     "do_step_0.01/weightless/inline", 0.0},
    {"corvane: fmi2DoStep 0.01, bouncing", "do_step_0.01/bouncing/corvane", "inline Euler loop",
     "do_step_0.01/bouncing/inline", 0.0},
    {"corvane: fmi2DoStep 1.0, weightless", "do_step_1.0/weightless/corvane", "inline Euler loop",
     "do_step_1.0/weightless/inline", 1.3},
    {"corvane: fmi2DoStep 1.0, bouncing", "do_step_1.0/bouncing/corvane", "inline Euler loop",
     "do_step_1.0/bouncing/inline", 1.3},
    {"pellidor: instantiate + initialise + free", "lifecycle/pellidor", "inline, same allocator",
     "lifecycle/inline", 0.0},
};

void printSummary(const SummaryReporter& reporter) {
    std::printf("\nSummary: CPU time per call (%s), as a ratio to its baseline measured in the same run\n",
                reporter.usedMedians() ? "median of the repetitions" : "single run");
    std::printf("%-42s %9s   %-24s %9s %8s   %s\n", "call", "ns", "baseline", "ns", "ratio", "target");
    int missed = 0;
    for (const Comparison& row : comparisons) {
        const auto measured = reporter.nanoseconds(row.measured);
        const auto baseline = reporter.nanoseconds(row.baseline);
        if (!measured || !baseline) {
            std::printf("%-42s %9s   %-24s %9s %8s\n", row.call, measured ? "" : "n/a", row.baselineDescription,
                        baseline ? "" : "n/a", "n/a");
            continue;
        }
        const double ratio = *measured / *baseline;
        char target[48] = "";
        if (row.target > 0.0) {
            const bool met = ratio <= row.target;
            missed += met ? 0 : 1;
            std::snprintf(target, sizeof target, "<= %.1fx %s", row.target, met ? "met" : "MISSED");
        }
        std::printf("%-42s %9.2f   %-24s %9.2f %7.2fx   %s\n", row.call, *measured, row.baselineDescription,
                    *baseline, ratio, target);
    }
    for (const auto& [name, message] : reporter.failed()) std::printf("FAILED %s: %s\n", name.c_str(), message.c_str());
    std::printf(missed == 0 ? "Every target met.\n" : "%d target(s) missed.\n", missed);
}

// ---------------------------------------------------------------------------

template <typename Function, typename... Args>
void add(const std::string& name, Components& k, Function function, Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), [&k, function, args...](benchmark::State& state) {
        function(state, k, args...);
    })->Unit(benchmark::kNanosecond);
}

void registerBenchmarks(Components& k) {
    add("me_step/pellidor", k, modelExchangeStepPellidor);
    add("me_step/tressivo", k, modelExchangeStepTressivo);
    add("me_step/five_empty_calls", k, modelExchangeStepEmptyCalls);
    add("me_step/inline", k, modelExchangeStepInline);
    add("get_real_5/pellidor", k, getRealPellidor);
    add("get_real_5/inline", k, getRealInline);
    add("set_real_4/pellidor", k, setRealPellidor);
    add("set_real_4/inline", k, setRealInline);
    const std::pair<const char*, double> sizes[] = {{"0.01", 0.01}, {"1.0", 1.0}};
    const std::pair<const char*, Scenario> scenarios[] = {{"weightless", Scenario::Weightless},
                                                          {"bouncing", Scenario::Bouncing}};
    for (const auto& [sizeName, size] : sizes) {
        for (const auto& [scenarioName, scenario] : scenarios) {
            const std::string prefix = std::string("do_step_") + sizeName + "/" + scenarioName + "/";
            add(prefix + "corvane", k, doStepCorvane, size, scenario);
            add(prefix + "inline", k, doStepInline, size, scenario);
        }
    }
    add("lifecycle/pellidor", k, lifecyclePellidor);
    add("lifecycle/inline", k, lifecycleInline);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Components components;
    checkInlineStep(components);
    registerBenchmarks(components);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
