// FMI 2.0: model exchange with this program's own integrator, and
// co-simulation with one fmi2DoStep per communication step.
#include <cstdio>
#include <utility>
#include <vector>

#include "simulation.h"

namespace rebounder_host {
namespace {

// Most event iterations settle in one call; a component that keeps asking
// for more is cut off here rather than hanging the host.
constexpr int maxEventIterations = 10;

// An FMI 2.0 run: the shared run context, the FMI 2.0 functions and the
// instance, freed when the run ends however it ends.
class Fmi2Run : public RunContext {
public:
    Fmi2Run(const host::Library& library, const ComponentDescription& component_, const RunSettings& settings_)
        : RunContext(component_.names, settings_.expandReferences, true), api(library), component(component_),
          settings(settings_) {}

    ~Fmi2Run() {
        if (instance == nullptr) return;
        api.fmi2FreeInstance(instance);
        printer.flush();
        reportMemory(host);
    }

    // Instantiates, sets the experiment up and initialises; then writes
    // string 0 when asked to.
    bool start(fmi2Type type) {
        callbacks = host.fmi2Callbacks();
        instance = api.fmi2Instantiate(settings.instanceName.c_str(), type, component.guid.c_str(),
                                       component.resourceLocation.c_str(), &callbacks, fmi2False,
                                       settings.loggingOn ? fmi2True : fmi2False);
        printer.flush();
        if (instance == nullptr) {
            result.failure = "fmi2Instantiate returned null (GUID \"" + component.guid + "\" refused, or no memory)";
            return false;
        }
        if (!check(api.fmi2SetupExperiment(instance, fmi2False, 0.0, 0.0, fmi2True, settings.stopTime),
                   "fmi2SetupExperiment") ||
            !check(api.fmi2EnterInitializationMode(instance), "fmi2EnterInitializationMode") ||
            !check(api.fmi2ExitInitializationMode(instance), "fmi2ExitInitializationMode")) {
            return false;
        }
        if (settings.string0) {
            const fmi2ValueReference reference = 0;
            const fmi2String text = settings.string0->c_str();
            if (!check(api.fmi2SetString(instance, &reference, 1, &text), "fmi2SetString")) return false;
        }
        return true;
    }

    bool finish() { return check(api.fmi2Terminate(instance), "fmi2Terminate"); }

    host::Fmi2Api api;
    const ComponentDescription& component;
    const RunSettings& settings;
    fmi2CallbackFunctions callbacks{};  // must outlive the instance: the component keeps a pointer to it
    fmi2Component instance = nullptr;
};

// Event iteration: fmi2NewDiscreteStates until the component needs no more.
bool iterateEvents(Fmi2Run& run, fmi2EventInfo& info) {
    info.newDiscreteStatesNeeded = fmi2True;
    for (int i = 0; i < maxEventIterations && info.newDiscreteStatesNeeded; ++i) {
        if (!run.check(run.api.fmi2NewDiscreteStates(run.instance, &info), "fmi2NewDiscreteStates")) return false;
    }
    if (info.newDiscreteStatesNeeded) {
        std::printf("host: fmi2NewDiscreteStates still asks for another iteration after %d calls; going on\n",
                    maxEventIterations);
    }
    return true;
}

bool crossed(const std::vector<fmi2Real>& before, const std::vector<fmi2Real>& after) {
    for (std::size_t i = 0; i < before.size(); ++i) {
        if ((before[i] < 0.0) != (after[i] < 0.0)) return true;
    }
    return false;
}

}  // namespace

RunResult simulateFmi2ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings) {
    Fmi2Run run(library, component, settings);
    const host::Fmi2Api& f = run.api;
    if (!run.hasFunctions({REBOUNDER_REQUIRED(f, fmi2Instantiate),
                           REBOUNDER_REQUIRED(f, fmi2FreeInstance),
                           REBOUNDER_REQUIRED(f, fmi2SetupExperiment),
                           REBOUNDER_REQUIRED(f, fmi2EnterInitializationMode),
                           REBOUNDER_REQUIRED(f, fmi2ExitInitializationMode),
                           REBOUNDER_REQUIRED(f, fmi2SetString),
                           REBOUNDER_REQUIRED(f, fmi2Terminate),
                           REBOUNDER_REQUIRED(f, fmi2NewDiscreteStates),
                           REBOUNDER_REQUIRED(f, fmi2EnterEventMode),
                           REBOUNDER_REQUIRED(f, fmi2EnterContinuousTimeMode),
                           REBOUNDER_REQUIRED(f, fmi2SetTime),
                           REBOUNDER_REQUIRED(f, fmi2SetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmi2GetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmi2GetDerivatives),
                           REBOUNDER_REQUIRED(f, fmi2GetEventIndicators),
                           REBOUNDER_REQUIRED(f, fmi2CompletedIntegratorStep)})) {
        return run.result;
    }
    if (component.stateCount < 2) {
        run.result.failure = "the model has fewer than two continuous states; nothing to plot as height and velocity";
        return run.result;
    }
    if (!run.start(fmi2ModelExchange)) return run.result;
    fmi2Component c = run.instance;

    // Initial event iteration, then continuous time.
    fmi2EventInfo info{};
    if (!iterateEvents(run, info) || !run.check(f.fmi2EnterContinuousTimeMode(c), "fmi2EnterContinuousTimeMode")) {
        return run.result;
    }
    const std::size_t nx = component.stateCount;
    const std::size_t ni = component.indicatorCount;
    std::vector<fmi2Real> x(nx), derivatives(nx), indicators(ni), previousIndicators(ni);
    double time = 0.0;
    if (!run.check(f.fmi2SetTime(c, time), "fmi2SetTime") ||
        !run.check(f.fmi2GetContinuousStates(c, x.data(), nx), "fmi2GetContinuousStates") ||
        !run.check(f.fmi2GetEventIndicators(c, previousIndicators.data(), ni), "fmi2GetEventIndicators")) {
        return run.result;
    }
    run.sample(time, x[0], x[1]);

    const TimeGrid grid(settings.stopTime, settings.stepSize);
    bool terminateRequested = info.terminateSimulation != fmi2False;
    for (std::size_t steps = 0; !grid.finished(time) && !terminateRequested; ++steps) {
        // Explicit Euler: one derivative vector at the start of the step.
        const double next = grid.next(steps);
        const double h = next - time;
        if (!run.check(f.fmi2GetDerivatives(c, derivatives.data(), nx), "fmi2GetDerivatives")) return run.result;
        for (std::size_t i = 0; i < nx; ++i) x[i] = x[i] + h * derivatives[i];
        time = next;
        fmi2Boolean enterEventMode = fmi2False;
        fmi2Boolean terminateSimulation = fmi2False;
        if (!run.check(f.fmi2SetTime(c, time), "fmi2SetTime") ||
            !run.check(f.fmi2SetContinuousStates(c, x.data(), nx), "fmi2SetContinuousStates") ||
            !run.check(f.fmi2GetEventIndicators(c, indicators.data(), ni), "fmi2GetEventIndicators") ||
            !run.check(f.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminateSimulation),
                       "fmi2CompletedIntegratorStep")) {
            return run.result;
        }
        run.sample(time, x[0], x[1]);
        terminateRequested = terminateSimulation != fmi2False;

        // A state event: an indicator changed sign during the step. It is
        // handled at the end of the step, where the sign change was seen.
        if (crossed(previousIndicators, indicators) || enterEventMode) {
            const std::vector<fmi2Real> before = x;
            if (!run.check(f.fmi2EnterEventMode(c), "fmi2EnterEventMode") || !iterateEvents(run, info) ||
                !run.check(f.fmi2EnterContinuousTimeMode(c), "fmi2EnterContinuousTimeMode") ||
                !run.check(f.fmi2GetContinuousStates(c, x.data(), nx), "fmi2GetContinuousStates") ||
                !run.check(f.fmi2GetEventIndicators(c, indicators.data(), ni), "fmi2GetEventIndicators")) {
                return run.result;
            }
            if (x != before) {
                run.result.rebounds.push_back({time, before[1], x[1]});
                run.sample(time, x[0], x[1]);
            }
            terminateRequested = terminateRequested || info.terminateSimulation != fmi2False;
        }
        previousIndicators = indicators;
    }
    if (terminateRequested && !grid.finished(time)) {
        std::printf("host: the component asked to terminate at t = %g\n", time);
    }
    run.finish();
    return run.result;
}

RunResult simulateFmi2CoSimulation(const host::Library& library, const ComponentDescription& component,
                                   const RunSettings& settings) {
    Fmi2Run run(library, component, settings);
    const host::Fmi2Api& f = run.api;
    if (!run.hasFunctions({REBOUNDER_REQUIRED(f, fmi2Instantiate),
                           REBOUNDER_REQUIRED(f, fmi2FreeInstance),
                           REBOUNDER_REQUIRED(f, fmi2SetupExperiment),
                           REBOUNDER_REQUIRED(f, fmi2EnterInitializationMode),
                           REBOUNDER_REQUIRED(f, fmi2ExitInitializationMode),
                           REBOUNDER_REQUIRED(f, fmi2SetString),
                           REBOUNDER_REQUIRED(f, fmi2Terminate),
                           REBOUNDER_REQUIRED(f, fmi2GetReal),
                           REBOUNDER_REQUIRED(f, fmi2DoStep)})) {
        return run.result;
    }
    if (!run.start(fmi2CoSimulation)) return run.result;
    fmi2Component c = run.instance;

    // The states are read by value reference between communication steps.
    const fmi2ValueReference references[2] = {0, 1};
    fmi2Real values[2] = {0.0, 0.0};
    double time = 0.0;
    if (!run.check(f.fmi2GetReal(c, references, 2, values), "fmi2GetReal")) return run.result;
    run.sample(time, values[0], values[1]);

    const TimeGrid grid(settings.stopTime, settings.stepSize);
    for (std::size_t steps = 0; !grid.finished(time); ++steps) {
        const double next = grid.next(steps);
        const double velocityBefore = values[1];
        const fmi2Status status = f.fmi2DoStep(c, time, next - time, fmi2True);
        if (status == fmi2Discard && f.fmi2GetRealStatus != nullptr) {
            // The step ended early. Ask, as a master does, how far it got.
            fmi2Real lastSuccessfulTime = 0.0;
            if (f.fmi2GetRealStatus(c, fmi2LastSuccessfulTime, &lastSuccessfulTime) == fmi2OK) {
                std::printf("host: fmi2DoStep(%g, %g) was not completed; fmi2GetRealStatus(fmi2LastSuccessfulTime) "
                            "answers %g\n", time, next - time, lastSuccessfulTime);
            }
        }
        if (!run.check(status, "fmi2DoStep") || !run.check(f.fmi2GetReal(c, references, 2, values), "fmi2GetReal")) {
            return run.result;
        }
        time = next;
        run.sample(time, values[0], values[1]);
        // The rebound happened inside the step: the velocity turned from
        // falling to rising between two communication points.
        if (velocityBefore < 0.0 && values[1] >= 0.0) run.result.rebounds.push_back({time, velocityBefore, values[1]});
    }
    run.finish();
    return run.result;
}

}  // namespace rebounder_host
