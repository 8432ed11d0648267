// FMI 2.0: model exchange with this program's own integrator, and
// co-simulation with one fmi2DoStep per communication step.
#include <cstdio>
#include <utility>
#include <vector>

#include "integrator.h"
#include "simulation.h"

namespace rebounder_host {
namespace {

// An FMI 2.0 run: the shared run context, the FMI 2.0 functions and the
// instance, freed when the run ends however it ends.
class Fmi2Run : public RunContext {
public:
    Fmi2Run(const host::Library& library, const ComponentDescription& component_, const RunSettings& settings_)
        : RunContext(component_.names, settings_.expandReferences, StandardVersion::fmi2), api(library), component(component_),
          settings(settings_) {}

    ~Fmi2Run() {
        if (instance == nullptr) return;
        api.fmi2FreeInstance(instance);
        printer.flush();
        reportMemory(host);
    }

    // The functions both interfaces use to start and end a run.
    bool hasCommonFunctions() {
        return hasFunctions({REBOUNDER_REQUIRED(api, fmi2Instantiate), REBOUNDER_REQUIRED(api, fmi2FreeInstance),
                             REBOUNDER_REQUIRED(api, fmi2SetupExperiment),
                             REBOUNDER_REQUIRED(api, fmi2EnterInitializationMode),
                             REBOUNDER_REQUIRED(api, fmi2ExitInitializationMode),
                             REBOUNDER_REQUIRED(api, fmi2SetString), REBOUNDER_REQUIRED(api, fmi2Terminate)});
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

}  // namespace

RunResult simulateFmi2ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings) {
    Fmi2Run run(library, component, settings);
    const host::Fmi2Api& f = run.api;
    if (!run.hasCommonFunctions() ||
        !run.hasFunctions({REBOUNDER_REQUIRED(f, fmi2NewDiscreteStates), REBOUNDER_REQUIRED(f, fmi2EnterEventMode),
                           REBOUNDER_REQUIRED(f, fmi2EnterContinuousTimeMode), REBOUNDER_REQUIRED(f, fmi2SetTime),
                           REBOUNDER_REQUIRED(f, fmi2SetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmi2GetContinuousStates), REBOUNDER_REQUIRED(f, fmi2GetDerivatives),
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
    ModelExchangeCalls calls;
    calls.start = [&](double time, Values& x, Values& z) {
        return run.check(f.fmi2SetTime(c, time), "fmi2SetTime") &&
               run.check(f.fmi2GetContinuousStates(c, x.data(), nx), "fmi2GetContinuousStates") &&
               run.check(f.fmi2GetEventIndicators(c, z.data(), ni), "fmi2GetEventIndicators");
    };
    calls.derivatives = [&](Values& dx) {
        return run.check(f.fmi2GetDerivatives(c, dx.data(), nx), "fmi2GetDerivatives");
    };
    calls.completeStep = [&](double time, const Values& x, Values& z, bool& eventRequested, bool& terminate) {
        fmi2Boolean enterEventMode = fmi2False;
        fmi2Boolean terminateSimulation = fmi2False;
        const bool done = run.check(f.fmi2SetTime(c, time), "fmi2SetTime") &&
                          run.check(f.fmi2SetContinuousStates(c, x.data(), nx), "fmi2SetContinuousStates") &&
                          run.check(f.fmi2GetEventIndicators(c, z.data(), ni), "fmi2GetEventIndicators") &&
                          run.check(f.fmi2CompletedIntegratorStep(c, fmi2True, &enterEventMode, &terminateSimulation),
                                    "fmi2CompletedIntegratorStep");
        eventRequested = enterEventMode != fmi2False;
        terminate = terminateSimulation != fmi2False;
        return done;
    };
    calls.handleEvent = [&](Values& x, Values& z, bool& terminate) {
        const bool done = run.check(f.fmi2EnterEventMode(c), "fmi2EnterEventMode") && iterateEvents(run, info) &&
                          run.check(f.fmi2EnterContinuousTimeMode(c), "fmi2EnterContinuousTimeMode") &&
                          run.check(f.fmi2GetContinuousStates(c, x.data(), nx), "fmi2GetContinuousStates") &&
                          run.check(f.fmi2GetEventIndicators(c, z.data(), ni), "fmi2GetEventIndicators");
        terminate = info.terminateSimulation != fmi2False;
        return done;
    };
    if (info.terminateSimulation == fmi2False && integrateModelExchange(run, settings, nx, ni, calls)) run.finish();
    return run.result;
}

RunResult simulateFmi2CoSimulation(const host::Library& library, const ComponentDescription& component,
                                   const RunSettings& settings) {
    Fmi2Run run(library, component, settings);
    const host::Fmi2Api& f = run.api;
    if (!run.hasCommonFunctions() ||
        !run.hasFunctions({REBOUNDER_REQUIRED(f, fmi2GetReal), REBOUNDER_REQUIRED(f, fmi2DoStep)})) {
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

    const TimeGrid grid(settings.stopTime, settings.stepSize, settings.clock);
    for (std::size_t steps = 0; !grid.finished(time, steps); ++steps) {
        const TimeGrid::Step step = grid.next(time, steps);
        const double velocityBefore = values[1];
        const fmi2Status status = f.fmi2DoStep(c, time, step.length, fmi2True);
        if (status == fmi2Discard && f.fmi2GetRealStatus != nullptr) {
            // The step ended early. Ask, as a master does, how far it got.
            fmi2Real lastSuccessfulTime = 0.0;
            if (f.fmi2GetRealStatus(c, fmi2LastSuccessfulTime, &lastSuccessfulTime) == fmi2OK) {
                std::printf("host: fmi2DoStep(%g, %g) was not completed; fmi2GetRealStatus(fmi2LastSuccessfulTime) "
                            "answers %g\n", time, step.length, lastSuccessfulTime);
            }
        }
        if (!run.check(status, "fmi2DoStep") || !run.check(f.fmi2GetReal(c, references, 2, values), "fmi2GetReal")) {
            return run.result;
        }
        time = step.end;
        run.sample(time, values[0], values[1]);
        // The rebound happened inside the step: the velocity turned from
        // falling to rising between two communication points.
        if (velocityBefore < 0.0 && values[1] >= 0.0) run.result.rebounds.push_back({time, velocityBefore, values[1]});
    }
    run.finish();
    return run.result;
}

}  // namespace rebounder_host
