// Instances of all three components used at once from several threads, as a
// host that runs simulations in parallel would: each instance belongs to one
// thread, every thread has its own Host (the callbacks find it through a
// thread-local pointer), logging is on and strings come and go. Each
// simulation must give exactly what the same simulation gives when it runs
// alone, one after another: the components share nothing between instances.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace {

using namespace expected;

// Everything a host can observe of one simulation: sampled numbers, strings
// read back, and the logger calls that carried this instance's name.
struct Trace {
    std::vector<double> numbers;
    std::vector<std::string> texts;
    bool operator==(const Trace&) const = default;
};

void recordLog(const host::Host& host, const std::string& instanceName, Trace& trace) {
    for (const auto& entry : host.log) {
        if (entry.instanceName != instanceName) continue;
        trace.texts.push_back(std::to_string(entry.status) + " " + entry.category + " " + entry.text);
    }
}

std::string textOf(const char* value) { return value ? std::string(value) : std::string("<null>"); }

// One simulation, advanced a slice at a time so that a thread can interleave
// several of them. Variant numbers make every simulation differ a little.
class Simulation {
public:
    virtual ~Simulation() = default;
    virtual void start() = 0;
    virtual bool advance() = 0;  // false once the simulation is over
    virtual void finish() = 0;
    Trace trace;
    int rebounds = 0;  // floor contacts after which the mass moves up again
};

constexpr double simulationEnd = 2.5;
constexpr int stepsPerSlice = 50;

// FMI 2.0 model exchange: a fixed-step Euler host that locates the floor
// contact from the event indicator's sign.
class Fmi2ModelExchange : public Simulation {
public:
    Fmi2ModelExchange(const host::Fmi2Api& api, int variant)
        : api(api), variant(variant), name("pellidor-" + std::to_string(variant)) {}

    void start() override {
        host = host::Host::current();
        callbacks = host->fmi2Callbacks();
        c = api.fmi2Instantiate(name.c_str(), fmi2ModelExchange, guid, "", &callbacks, fmi2False, fmi2True);
        if (c == nullptr) return;
        api.fmi2SetupExperiment(c, fmi2False, 0.0, 0.0, fmi2False, 0.0);
        api.fmi2EnterInitializationMode(c);
        const fmi2Real restitution = startRestitution + 0.05 * variant, acceleration = 1.0;
        api.fmi2SetReal(c, &restitutionRef, 1, &restitution);
        trace.numbers.push_back(api.fmi2SetReal(c, &accelerationRef, 1, &acceleration));  // refused, warns
        api.fmi2ExitInitializationMode(c);
        fmi2EventInfo info{};
        api.fmi2NewDiscreteStates(c, &info);
        api.fmi2EnterContinuousTimeMode(c);
        api.fmi2GetEventIndicators(c, &indicator, 1);
    }

    bool advance() override {
        if (c == nullptr) return false;
        for (int i = 0; i < stepsPerSlice && time < simulationEnd; ++i) step();
        const std::string label = name + " at step " + std::to_string(steps);
        const fmi2ValueReference stringRefs[] = {0, static_cast<fmi2ValueReference>(1 + steps % 3)};
        const fmi2String values[] = {label.c_str(), name.c_str()};
        api.fmi2SetString(c, stringRefs, 2, values);  // string 0 is echoed to the logger
        fmi2String readBack[2] = {nullptr, nullptr};
        api.fmi2GetString(c, stringRefs, 2, readBack);
        trace.texts.push_back(textOf(readBack[0]) + "|" + textOf(readBack[1]));
        return time < simulationEnd;
    }

    void finish() override {
        if (c == nullptr) return;
        trace.numbers.push_back(api.fmi2Terminate(c));
        api.fmi2FreeInstance(c);
        recordLog(*host, name, trace);
    }

private:
    void step() {
        const double h = 0.001;
        fmi2Real x[2], dx[2];
        api.fmi2GetContinuousStates(c, x, 2);
        api.fmi2GetDerivatives(c, dx, 2);
        time += h;
        ++steps;
        api.fmi2SetTime(c, time);
        x[0] = x[0] + h * dx[0];
        x[1] = x[1] + h * dx[1];
        api.fmi2SetContinuousStates(c, x, 2);
        fmi2Real next = 0.0;
        api.fmi2GetEventIndicators(c, &next, 1);
        fmi2Boolean enterEventMode = fmi2False, terminate = fmi2False;
        api.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminate);
        if ((next < 0.0) != (indicator < 0.0)) {
            api.fmi2EnterEventMode(c);
            fmi2EventInfo info{};
            api.fmi2NewDiscreteStates(c, &info);
            api.fmi2EnterContinuousTimeMode(c);
            api.fmi2GetContinuousStates(c, x, 2);
            api.fmi2GetEventIndicators(c, &next, 1);
            trace.numbers.insert(trace.numbers.end(), {time, x[0], x[1], double(info.valuesOfContinuousStatesChanged)});
            rebounds += x[1] > 0.0 ? 1 : 0;
        }
        indicator = next;
        if (steps % 100 == 0) {
            fmi2Real reals[5];
            const fmi2ValueReference refs[] = {0, 1, 2, 3, 4};
            api.fmi2GetReal(c, refs, 5, reals);
            trace.numbers.insert(trace.numbers.end(), reals, reals + 5);
        }
    }

    const host::Fmi2Api& api;
    int variant;
    std::string name;
    host::Host* host = nullptr;
    fmi2CallbackFunctions callbacks{};
    fmi2Component c = nullptr;
    double time = 0.0;
    double indicator = 0.0;
    long steps = 0;
};

// FMI 2.0 co-simulation: the master reads every variable at each
// communication point and asks the status queries in between.
class Fmi2CoSimulation : public Simulation {
public:
    Fmi2CoSimulation(const host::Fmi2Api& api, int variant)
        : api(api), variant(variant), name("corvane-" + std::to_string(variant)) {}

    void start() override {
        host = host::Host::current();
        callbacks = host->fmi2Callbacks();
        c = api.fmi2Instantiate(name.c_str(), fmi2CoSimulation, guid, "", &callbacks, fmi2False, fmi2True);
        if (c == nullptr) return;
        api.fmi2SetupExperiment(c, fmi2False, 0.0, 0.0, fmi2True, simulationEnd);
        api.fmi2EnterInitializationMode(c);
        const fmi2Real height = startHeight + 0.25 * variant;
        api.fmi2SetReal(c, &heightRef, 1, &height);
        api.fmi2ExitInitializationMode(c);
    }

    bool advance() override {
        if (c == nullptr) return false;
        // Steps of 0.005, 0.01 and 0.05 in turn, so both sides of the
        // internal step length are exercised.
        const double sizes[] = {0.005, 0.01, 0.05};
        for (int i = 0; i < 10 && time < simulationEnd; ++i) {
            const double size = sizes[(steps + variant) % 3];
            trace.numbers.push_back(api.fmi2DoStep(c, time, size, fmi2True));
            time += size;
            ++steps;
            fmi2Real reals[5];
            const fmi2ValueReference refs[] = {0, 1, 2, 3, 4};
            api.fmi2GetReal(c, refs, 5, reals);
            trace.numbers.insert(trace.numbers.end(), reals, reals + 5);
            rebounds += lastVelocity < 0.0 && reals[1] > 0.0 ? 1 : 0;
            lastVelocity = reals[1];
        }
        fmi2Status status = fmi2Error;
        fmi2Real lastTime = 0.0;
        trace.numbers.push_back(api.fmi2GetStatus(c, fmi2DoStepStatus, &status));
        trace.numbers.push_back(api.fmi2GetRealStatus(c, fmi2LastSuccessfulTime, &lastTime));
        trace.numbers.insert(trace.numbers.end(), {double(status), lastTime});
        const fmi2ValueReference outputs[] = {0, 1};
        const fmi2Integer orders[] = {1, 2};
        fmi2Real derivatives[2];
        trace.numbers.push_back(api.fmi2GetRealOutputDerivatives(c, outputs, 2, orders, derivatives));
        trace.numbers.insert(trace.numbers.end(), derivatives, derivatives + 2);
        const std::string label = name + " step " + std::to_string(steps);
        const fmi2ValueReference stringRef = static_cast<fmi2ValueReference>(steps % 4);
        const fmi2String value = label.c_str();
        api.fmi2SetString(c, &stringRef, 1, &value);
        fmi2String readBack = nullptr;
        api.fmi2GetString(c, &stringRef, 1, &readBack);
        trace.texts.push_back(textOf(readBack));
        return time < simulationEnd;
    }

    void finish() override {
        if (c == nullptr) return;
        const fmi2Real acceleration = 0.0;
        trace.numbers.push_back(api.fmi2SetReal(c, &accelerationRef, 1, &acceleration));
        trace.numbers.push_back(api.fmi2Terminate(c));
        api.fmi2FreeInstance(c);
        recordLog(*host, name, trace);
    }

private:
    const host::Fmi2Api& api;
    int variant;
    std::string name;
    host::Host* host = nullptr;
    fmi2CallbackFunctions callbacks{};
    fmi2Component c = nullptr;
    double time = 0.0;
    double lastVelocity = 0.0;
    long steps = 0;
};

// FMI 1.0 model exchange, the same host loop with fmiEventUpdate at each
// floor contact.
class Fmi1ModelExchange : public Simulation {
public:
    Fmi1ModelExchange(const host::Fmi1Api& api, int variant)
        : api(api), variant(variant), name("tressivo-" + std::to_string(variant)) {}

    void start() override {
        host = host::Host::current();
        c = api.fmiInstantiateModel(name.c_str(), guid, host->fmi1Callbacks(), fmiTrue);
        if (c == nullptr) return;
        fmiEventInfo info{};
        trace.numbers.push_back(api.fmiInitialize(c, fmiFalse, 0.0, &info));
        const fmiReal gravity = startGravity + 0.5 * variant;
        api.fmiSetReal(c, &gravityRef, 1, &gravity);
        api.fmiGetEventIndicators(c, &indicator, 1);
    }

    bool advance() override {
        if (c == nullptr) return false;
        for (int i = 0; i < stepsPerSlice && time < simulationEnd; ++i) step();
        const std::string label = name + " at step " + std::to_string(steps);
        const fmiValueReference stringRefs[] = {static_cast<fmiValueReference>(3 - steps % 3), 0};
        const fmiString values[] = {name.c_str(), label.c_str()};
        api.fmiSetString(c, stringRefs, 2, values);
        fmiString readBack[2] = {nullptr, nullptr};
        api.fmiGetString(c, stringRefs, 2, readBack);
        trace.texts.push_back(textOf(readBack[0]) + "|" + textOf(readBack[1]));
        return time < simulationEnd;
    }

    void finish() override {
        if (c == nullptr) return;
        trace.numbers.push_back(api.fmiTerminate(c));
        api.fmiFreeModelInstance(c);
        recordLog(*host, name, trace);
    }

private:
    void step() {
        const double h = 0.001;
        fmiReal x[2], dx[2];
        api.fmiGetContinuousStates(c, x, 2);
        api.fmiGetDerivatives(c, dx, 2);
        time += h;
        ++steps;
        api.fmiSetTime(c, time);
        x[0] = x[0] + h * dx[0];
        x[1] = x[1] + h * dx[1];
        api.fmiSetContinuousStates(c, x, 2);
        fmiReal next = 0.0;
        api.fmiGetEventIndicators(c, &next, 1);
        fmiBoolean callEventUpdate = fmiFalse;
        api.fmiCompletedIntegratorStep(c, &callEventUpdate);
        if ((next < 0.0) != (indicator < 0.0)) {
            fmiEventInfo info{};
            api.fmiEventUpdate(c, fmiFalse, &info);
            api.fmiGetContinuousStates(c, x, 2);
            api.fmiGetEventIndicators(c, &next, 1);
            trace.numbers.insert(trace.numbers.end(), {time, x[0], x[1], double(info.stateValuesChanged)});
            rebounds += x[1] > 0.0 ? 1 : 0;
        }
        indicator = next;
        if (steps % 100 == 0) {
            fmiReal reals[4];
            const fmiValueReference refs[] = {0, 1, 2, 3};
            api.fmiGetReal(c, refs, 4, reals);
            trace.numbers.insert(trace.numbers.end(), reals, reals + 4);
        }
    }

    const host::Fmi1Api& api;
    int variant;
    std::string name;
    host::Host* host = nullptr;
    fmiComponent c = nullptr;
    double time = 0.0;
    double indicator = 0.0;
    long steps = 0;
};

struct Components {
    std::unique_ptr<host::Library> pellidor, corvane, tressivo;
    std::unique_ptr<host::Fmi2Api> pellidorApi, corvaneApi;
    std::unique_ptr<host::Fmi1Api> tressivoApi;

    Components() {
#ifdef PELLIDOR_LIBRARY
        pellidor = std::make_unique<host::Library>(PELLIDOR_LIBRARY);
        pellidorApi = std::make_unique<host::Fmi2Api>(*pellidor);
#endif
#ifdef CORVANE_LIBRARY
        corvane = std::make_unique<host::Library>(CORVANE_LIBRARY);
        corvaneApi = std::make_unique<host::Fmi2Api>(*corvane);
#endif
#ifdef TRESSIVO_LIBRARY
        tressivo = std::make_unique<host::Library>(TRESSIVO_LIBRARY);
        tressivoApi = std::make_unique<host::Fmi1Api>(*tressivo);
#endif
    }

    // Simulation number `index`: the component is chosen by index, the
    // variant by the index too, so that every simulation is distinct.
    std::unique_ptr<Simulation> simulation(int index) const {
        const int variant = index / 3;
        switch (index % 3) {
            case 0: return pellidorApi ? std::make_unique<Fmi2ModelExchange>(*pellidorApi, variant) : nullptr;
            case 1: return corvaneApi ? std::make_unique<Fmi2CoSimulation>(*corvaneApi, variant) : nullptr;
            default: return tressivoApi ? std::make_unique<Fmi1ModelExchange>(*tressivoApi, variant) : nullptr;
        }
    }
};

// Runs the given simulations interleaved on the calling thread, with one
// Host of this thread; checks the host's memory at the end.
void runInterleaved(std::vector<std::unique_ptr<Simulation>>& simulations, std::vector<std::string>& memoryFaults) {
    host::Host host;
    for (auto& simulation : simulations) simulation->start();
    std::vector<bool> over(simulations.size(), false);
    bool running = true;
    while (running) {
        running = false;
        for (std::size_t i = 0; i < simulations.size(); ++i) {
            if (!over[i]) over[i] = !simulations[i]->advance();
            running = running || !over[i];
        }
    }
    for (auto& simulation : simulations) simulation->finish();
    if (host.liveBlocks() != 0) memoryFaults.push_back(std::to_string(host.liveBlocks()) + " blocks not freed");
    memoryFaults.insert(memoryFaults.end(), host.errors.begin(), host.errors.end());
}

TEST(Threads, InstancesOnSeveralThreadsGiveTheResultsOfSeparateRuns) {
    const Components components;
    constexpr int threadCount = 4;
    constexpr int simulationsPerThread = 6;  // two instances of each component per thread
    constexpr int total = threadCount * simulationsPerThread;
    if (!components.simulation(0) && !components.simulation(1) && !components.simulation(2)) {
        GTEST_SKIP() << "no component library built yet";
    }

    // One after another: each simulation alone on this thread.
    std::vector<Trace> expected(total);
    for (int index = 0; index < total; ++index) {
        std::vector<std::unique_ptr<Simulation>> alone;
        if (auto simulation = components.simulation(index)) alone.push_back(std::move(simulation));
        std::vector<std::string> faults;
        runInterleaved(alone, faults);
        EXPECT_TRUE(faults.empty()) << "simulation " << index << ": " << (faults.empty() ? "" : faults.front());
        if (!alone.empty()) expected[index] = alone.front()->trace;
    }

    // All at once: simulation index runs on thread index % threadCount,
    // interleaved with that thread's other simulations.
    std::vector<std::vector<std::unique_ptr<Simulation>>> perThread(threadCount);
    std::vector<int> indexOf[threadCount];
    for (int index = 0; index < total; ++index) {
        if (auto simulation = components.simulation(index)) {
            perThread[index % threadCount].push_back(std::move(simulation));
            indexOf[index % threadCount].push_back(index);
        }
    }
    std::vector<std::vector<std::string>> faults(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] { runInterleaved(perThread[t], faults[t]); });
    }
    for (auto& thread : threads) thread.join();

    for (int t = 0; t < threadCount; ++t) {
        EXPECT_TRUE(faults[t].empty()) << "thread " << t << ": " << (faults[t].empty() ? "" : faults[t].front());
        for (std::size_t i = 0; i < perThread[t].size(); ++i) {
            const int index = indexOf[t][i];
            const Trace& got = perThread[t][i]->trace;
            EXPECT_FALSE(got.numbers.empty() || got.texts.empty()) << "simulation " << index << " did not run";
            EXPECT_EQ(got.numbers, expected[index].numbers) << "simulation " << index << " numbers differ on thread " << t;
            EXPECT_EQ(got.texts, expected[index].texts) << "simulation " << index << " texts differ on thread " << t;
        }
    }
}

// The separate runs must themselves be sensible, or equal traces would prove
// nothing: every simulation rebounds, and the logger saw its messages.
TEST(Threads, EachSimulationBouncesAndLogs) {
    const Components components;
    for (int index = 0; index < 3; ++index) {
        std::vector<std::unique_ptr<Simulation>> alone;
        if (auto simulation = components.simulation(index)) alone.push_back(std::move(simulation));
        if (alone.empty()) continue;
        std::vector<std::string> faults;
        runInterleaved(alone, faults);
        const Trace& trace = alone.front()->trace;
        bool initialised = false, echoed = false;
        for (const auto& text : trace.texts) {
            initialised = initialised || text.find("###### Initializing component ######") != std::string::npos;
            echoed = echoed || text.find(" at step ") != std::string::npos ||
                     text.find(" step ") != std::string::npos;
        }
        EXPECT_TRUE(initialised) << "simulation " << index << " logged no initialisation";
        EXPECT_TRUE(echoed) << "simulation " << index << " read back no string";
        EXPECT_GE(alone.front()->rebounds, 2) << "simulation " << index << " did not keep bouncing";
        EXPECT_TRUE(faults.empty());
    }
}

}  // namespace
