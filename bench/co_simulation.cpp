// corvane's fmi2DoStep and varnelle's fmi3DoStep beside the same
// communication step done inline by the host, for a short and a long step;
// corvane with and without floor contacts. An inline baseline is timed only
// after it has given the component's results bit for bit. Every corvane call
// starts at communication point 0.0: corvane does not read the time, and this
// way every call of one size divides into the same internal steps. varnelle
// steps only from where it stands, so its calls and their baseline go on in
// time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "components.h"
#include "inline_model.h"
#include "model_expectations.h"
#include "registration.h"

namespace bench {

namespace {

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

// What the inline loop did: its status, and the path it took, for the
// guard's report of a difference.
struct InlineStepResult {
    fmi2Status status;
    unsigned internalSteps;
    double lastStepSize;
    unsigned events;
};

// The bare explicit Euler loop of a communication step on the host's own
// variables, with the same event tests: at the start of every internal step
// against the reference indicator, and once more after the last internal
// step; at each event the event record is filled as corvane fills its own.
// The states stay in locals and go back to the model at the end, the time and
// derivatives only when an internal step was taken.
//
// This is expected::communicationStep (the tests' reference) with corvane's
// bookkeeping added, every piece of its arithmetic taken from
// model_expectations.h. Built on that function, with hooks for the
// bookkeeping, the loop compiled to other code (7 % fewer instructions per
// call of 1.0, 2 to 3 % more per call of 0.01), and so does this one without
// the path it reports: either would change what the baseline costs, and with
// it every ratio.
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

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// From the start values, 20000 calls take the mass through its first
// rebounds and far into the time when it bounces ever lower near the floor,
// where the timed loop spends nearly all of its calls. They cost a few
// milliseconds at either step size.
constexpr int guardCalls = 20000;

// A baseline that computed something else than corvane would make its ratio
// meaningless: before the inline loop is timed, it must give corvane's status
// and states bit for bit over the calls the timed loop starts with. Says how
// it differs, or nothing. (The communication step's own correctness is
// tested in tests/corvane_step_test.cpp.)
std::string inlineStepDiffers(Components& k, double stepSize, Scenario scenario) {
    if (!k.corvane.api) return "not compared with corvane: " + k.corvane.problem;
    const host::Fmi2Api& api = *k.corvane.api;
    Fmi2Instance instance(api, k.host, fmi2CoSimulation);
    if (!instance.ready || prepare(api, instance.c, scenario) != fmi2OK)
        return "not compared with corvane: instantiation or initialisation failed";
    InlineModel m;
    prepare(m, scenario);
    const fmi2ValueReference stateRefs[expected::stateCount] = {expected::heightRef, expected::velocityRef};
    for (int call = 1; call <= guardCalls; ++call) {
        const fmi2Status status = api.fmi2DoStep(instance.c, 0.0, stepSize, fmi2True);
        const InlineStepResult inlineStep = inlineDoStep(m, 0.0, stepSize);
        fmi2Real x[expected::stateCount] = {};
        api.fmi2GetReal(instance.c, stateRefs, expected::stateCount, x);
        if (status == inlineStep.status && sameBits(x[0], m.states[0]) && sameBits(x[1], m.states[1])) continue;
        char text[320];
        std::snprintf(text, sizeof text,
                      "the inline loop differs from corvane at call %d (%u internal steps, the last of %.17g; %u "
                      "events): corvane status %d, height %.17g, velocity %.17g; inline status %d, height %.17g, "
                      "velocity %.17g",
                      call, inlineStep.internalSteps, inlineStep.lastStepSize, inlineStep.events, status, x[0], x[1],
                      inlineStep.status, m.states[0], m.states[1]);
        return text;
    }
    return "";
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
// varnelle's fmi3DoStep, weightless. FMI 3.0 takes a step only from where the
// instance stands, so each call starts where the one before ended, and the
// inline loop does the same; without contacts the rest never comes, and the
// step is corvane's.

constexpr fmi3ValueReference varnelleVelocity = 2, varnelleGravity = 4;

fmi3Status weightless(const host::Fmi3Api& api, fmi3Instance c) {
    const fmi3ValueReference refs[2] = {varnelleVelocity, varnelleGravity};
    const double zeros[2] = {0.0, 0.0};
    return api.fmi3SetFloat64(c, refs, 2, zeros, 2);
}

struct StepOutputs {
    fmi3Boolean eventHandlingNeeded = fmi3False, terminateSimulation = fmi3False, earlyReturn = fmi3False;
    double lastSuccessfulTime = 0.0;
};

fmi3Status doStepVarnelle(const host::Fmi3Api& api, fmi3Instance c, double& point, double size, StepOutputs& out) {
    const fmi3Status status = api.fmi3DoStep(c, point, size, fmi3True, &out.eventHandlingNeeded,
                                             &out.terminateSimulation, &out.earlyReturn, &out.lastSuccessfulTime);
    point = out.lastSuccessfulTime;
    return status;
}

// The guard of the baseline, as for corvane: the same states bit for bit
// over the first calls, each from where the last one ended.
std::string inlineStepDiffersFromVarnelle(Components& k, double stepSize) {
    if (!k.varnelle.api) return "not compared with varnelle: " + k.varnelle.problem;
    const host::Fmi3Api& api = *k.varnelle.api;
    Fmi3Instance instance(api, true, [&](fmi3Instance c) { return weightless(api, c); });
    if (!instance.ready) return "not compared with varnelle: instantiation or initialisation failed";
    InlineModel m;
    prepare(m, Scenario::Weightless);
    double point = 0.0, inlinePoint = 0.0;
    StepOutputs out;
    const fmi3ValueReference stateRefs[expected::stateCount] = {1, 2};
    for (int call = 1; call <= guardCalls; ++call) {
        const fmi3Status status = doStepVarnelle(api, instance.c, point, stepSize, out);
        const InlineStepResult inlineStep = inlineDoStep(m, inlinePoint, stepSize);
        inlinePoint = inlinePoint + stepSize;
        double x[expected::stateCount] = {};
        api.fmi3GetFloat64(instance.c, stateRefs, expected::stateCount, x, expected::stateCount);
        if (status == fmi3OK && inlineStep.status == fmi2OK && sameBits(point, inlinePoint) &&
            sameBits(x[0], m.states[0]) && sameBits(x[1], m.states[1]))
            continue;
        char text[320];
        std::snprintf(text, sizeof text,
                      "the inline loop differs from varnelle at call %d: varnelle status %d, time %.17g, height "
                      "%.17g, velocity %.17g; inline status %d, time %.17g, height %.17g, velocity %.17g",
                      call, status, point, x[0], x[1], inlineStep.status, inlinePoint, m.states[0], m.states[1]);
        return text;
    }
    return "";
}

// Without early return, a step long enough for the cap to stop it is first
// run on the clock alone (a Discard must change nothing): measured both ways.
void doStepVarnelleWeightless(benchmark::State& state, Components& k, double stepSize, bool earlyReturnAllowed) {
    if (!k.varnelle.api) return state.SkipWithError(k.varnelle.problem.c_str());
    const host::Fmi3Api& api = *k.varnelle.api;
    Fmi3Instance instance(api, true, [&](fmi3Instance c) { return weightless(api, c); }, earlyReturnAllowed);
    if (!instance.ready) return state.SkipWithError("varnelle: instantiation or initialisation failed");
    const fmi3Instance c = instance.c;
    double point = 0.0;
    StepOutputs out;
    int statuses = fmi3OK;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stepSize);
        statuses |= doStepVarnelle(api, c, point, stepSize, out);
        benchmark::DoNotOptimize(out);
    }
    if (statuses != fmi3OK) state.SkipWithError("a call did not return OK");
}

void doStepInlineFromItsTime(benchmark::State& state, Components&, double stepSize) {
    InlineModel m;
    prepare(m, Scenario::Weightless);
    double point = 0.0;
    int statuses = fmi2OK;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stepSize);
        statuses |= inlineDoStep(m, point, stepSize).status;
        point = point + stepSize;
        benchmark::DoNotOptimize(m);
    }
    if (statuses != fmi2OK) state.SkipWithError("the inline step did not reach its end time");
}

// Stands in for a baseline the guard refused: says why instead of timing it.
void refusedBaseline(benchmark::State& state, Components&, const std::string& why) {
    state.SkipWithError(why.c_str());
}

}  // namespace

void registerCoSimulationBenchmarks(Components& k) {
    const std::pair<const char*, double> sizes[] = {{"0.01", 0.01}, {"1.0", 1.0}};
    for (const auto& [sizeName, size] : sizes) {
        const std::string prefix = std::string("do_step_") + sizeName + "/weightless/";
        add(prefix + "varnelle", k, doStepVarnelleWeightless, size, false);
        add(prefix + "varnelle_early_return_allowed", k, doStepVarnelleWeightless, size, true);
        const std::string differs = inlineStepDiffersFromVarnelle(k, size);
        if (differs.empty()) {
            add(prefix + "inline_from_its_time", k, doStepInlineFromItsTime, size);
        } else {
            add(prefix + "inline_from_its_time", k, refusedBaseline, differs);
        }
    }
    const std::pair<const char*, Scenario> scenarios[] = {{"weightless", Scenario::Weightless},
                                                          {"bouncing", Scenario::Bouncing}};
    for (const auto& [sizeName, size] : sizes) {
        for (const auto& [scenarioName, scenario] : scenarios) {
            const std::string prefix = std::string("do_step_") + sizeName + "/" + scenarioName + "/";
            add(prefix + "corvane", k, doStepCorvane, size, scenario);
            const std::string differs = inlineStepDiffers(k, size, scenario);
            if (differs.empty()) {
                add(prefix + "inline", k, doStepInline, size, scenario);
            } else {
                add(prefix + "inline", k, refusedBaseline, differs);
            }
        }
    }
}

}  // namespace bench
