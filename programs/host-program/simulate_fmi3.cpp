// FMI 3.0: model exchange with this program's own integrator, and
// co-simulation with fmi3DoStep per communication step, with event mode,
// early return and the intermediate-update callback when asked for.
#include <cstdio>
#include <utility>
#include <vector>

#include "integrator.h"
#include "simulation.h"
#include "start_values.h"

namespace rebounder_host {
namespace {

// A step that returns early without getting anywhere, and without an event
// to handle, this many times in a row ends the run rather than the host
// spinning on the same point.
constexpr int maxStalledReturns = 10;

// What the intermediate-update callback was told in one call, what it read
// and whether it asked to return early.
struct IntermediateCall {
    double time;
    bool setRequested, getAllowed, stepFinished, canReturnEarly;
    bool earlyReturnRequested = false;
    bool valuesRead = false;
    double height = 0.0, velocity = 0.0;
};

// An FMI 3.0 run: the shared run context, the 75 functions and the
// instance, freed when the run ends however it ends. The host's
// instanceEnvironment is this object: the logger and the callback find the
// run through it.
class Fmi3Run : public RunContext {
public:
    Fmi3Run(const host::Library& library, const ComponentDescription& component_, const RunSettings& settings_)
        : RunContext(component_.names, settings_.expandReferences, StandardVersion::fmi3), api(library),
          component(component_), settings(settings_) {}

    ~Fmi3Run() {
        if (instance == nullptr) return;
        api.fmi3FreeInstance(instance);
        printer.flush();
    }
    Fmi3Run(const Fmi3Run&) = delete;
    Fmi3Run& operator=(const Fmi3Run&) = delete;

    // The message is finished text: it is kept as it came, a '%' in it
    // included, and printed with the references expanded.
    static void logMessage(fmi3InstanceEnvironment environment, fmi3Status status, fmi3String category,
                           fmi3String message) {
        auto* run = static_cast<Fmi3Run*>(environment);
        const std::string text = message != nullptr ? message : "";
        run->host.log.push_back({environment, run->settings.instanceName, static_cast<int>(status),
                                 category != nullptr ? category : "", text, text});
    }

    // Records the call; reads height and velocity when the component allows
    // it (the instance is in Intermediate Update Mode, a getter is allowed);
    // asks once to return early, at the first call at or after the requested
    // time that allows it.
    static void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean setRequested,
                                   fmi3Boolean getAllowed, fmi3Boolean stepFinished, fmi3Boolean canReturnEarly,
                                   fmi3Boolean* earlyReturnRequested, fmi3Float64* earlyReturnTime) {
        auto* run = static_cast<Fmi3Run*>(environment);
        IntermediateCall call{time, setRequested, getAllowed, stepFinished, canReturnEarly};
        if (getAllowed) {
            const fmi3ValueReference references[2] = {run->component.heightReference,
                                                      run->component.velocityReference};
            double values[2] = {0.0, 0.0};
            call.valuesRead = run->api.fmi3GetFloat64(run->instance, references, 2, values, 2) == fmi3OK;
            call.height = values[0];
            call.velocity = values[1];
        }
        const auto& requestTime = run->settings.earlyReturnRequestTime;
        if (canReturnEarly && requestTime && !run->earlyReturnRequested && time >= *requestTime) {
            *earlyReturnTime = time;
            run->earlyReturnRequested = call.earlyReturnRequested = true;
        }
        *earlyReturnRequested = call.earlyReturnRequested;
        run->intermediateCalls.push_back(call);
    }

    bool hasCommonFunctions() {
        return hasFunctions({REBOUNDER_REQUIRED(api, fmi3FreeInstance),
                             REBOUNDER_REQUIRED(api, fmi3EnterInitializationMode),
                             REBOUNDER_REQUIRED(api, fmi3ExitInitializationMode),
                             REBOUNDER_REQUIRED(api, fmi3UpdateDiscreteStates), REBOUNDER_REQUIRED(api, fmi3GetFloat64),
                             REBOUNDER_REQUIRED(api, fmi3Terminate)});
    }

    // Instantiates, hands the start values over and initialises (the
    // instance is then in Event Mode, or in Step Mode for co-simulation
    // without event mode).
    bool start(bool coSimulation) {
        std::string error;
        const auto startSettings = readStartValues(component, settings.startValues, error);
        if (!startSettings) {
            result.failure = error;
            return false;
        }
        if (!instantiate(coSimulation)) return false;
        for (const StartSetting& start : *startSettings) {
            if (!check(start.set(api, instance), start.function.c_str())) return false;
        }
        return check(api.fmi3EnterInitializationMode(instance, fmi3False, 0.0, 0.0, fmi3True, settings.stopTime),
                     "fmi3EnterInitializationMode") &&
               check(api.fmi3ExitInitializationMode(instance), "fmi3ExitInitializationMode");
    }

    // The event iteration in Event Mode: fmi3UpdateDiscreteStates until the
    // component needs no further call, at most maxEventIterations times.
    bool updateDiscreteStates(bool& terminate) {
        fmi3Boolean needUpdate = fmi3True, terminateSimulation = fmi3False, nominalsChanged = fmi3False,
                    valuesChanged = fmi3False, nextEventTimeDefined = fmi3False;
        fmi3Float64 nextEventTime = 0.0;
        for (int i = 0; i < maxEventIterations && needUpdate && !terminateSimulation; ++i) {
            if (!check(api.fmi3UpdateDiscreteStates(instance, &needUpdate, &terminateSimulation, &nominalsChanged,
                                                    &valuesChanged, &nextEventTimeDefined, &nextEventTime),
                       "fmi3UpdateDiscreteStates"))
                return false;
        }
        if (needUpdate && !terminateSimulation) {
            std::printf("host: fmi3UpdateDiscreteStates still asks for another call after %d calls; going on\n",
                        maxEventIterations);
        }
        terminate = terminateSimulation;
        return true;
    }

    bool readMotion(double& height, double& velocity) {
        const fmi3ValueReference references[2] = {component.heightReference, component.velocityReference};
        double values[2] = {0.0, 0.0};
        if (!check(api.fmi3GetFloat64(instance, references, 2, values, 2), "fmi3GetFloat64")) return false;
        height = values[0];
        velocity = values[1];
        return true;
    }

    // A requested termination ends the run as the component asked: the
    // instance is terminated here and freed when the run goes.
    bool finish() { return check(api.fmi3Terminate(instance), "fmi3Terminate"); }

    void sayTerminationRequested(double time) {
        std::printf("host: the component asked to terminate at t = %g; fmi3Terminate, fmi3FreeInstance\n", time);
    }

    host::Fmi3Api api;
    const ComponentDescription& component;
    const RunSettings& settings;
    fmi3Instance instance = nullptr;
    std::vector<IntermediateCall> intermediateCalls;
    bool earlyReturnRequested = false;

private:
    bool instantiate(bool coSimulation) {
        const char* resourcePath = component.resourcePath.empty() ? nullptr : component.resourcePath.c_str();
        const fmi3ValueReference required[2] = {component.heightReference, component.velocityReference};
        const bool callback = settings.intermediateUpdate;
        instance = coSimulation
                       ? api.fmi3InstantiateCoSimulation(settings.instanceName.c_str(), component.guid.c_str(),
                                                         resourcePath, fmi3False, settings.loggingOn,
                                                         settings.eventModeUsed, settings.earlyReturnAllowed,
                                                         callback ? required : nullptr, callback ? 2 : 0, this,
                                                         logMessage, callback ? intermediateUpdate : nullptr)
                       : api.fmi3InstantiateModelExchange(settings.instanceName.c_str(), component.guid.c_str(),
                                                          resourcePath, fmi3False, settings.loggingOn, this,
                                                          logMessage);
        printer.flush();
        if (instance != nullptr) return true;
        result.failure = std::string(coSimulation ? "fmi3InstantiateCoSimulation" : "fmi3InstantiateModelExchange") +
                         " returned null (instantiation token \"" + component.guid + "\" refused, or no memory)";
        return false;
    }
};

// What the callback saw, in a few lines after the run.
void printIntermediateCalls(const std::vector<IntermediateCall>& calls) {
    if (calls.empty()) {
        std::printf("host: intermediateUpdate was not called\n");
        return;
    }
    std::size_t read = 0;
    for (const IntermediateCall& call : calls) read += call.valuesRead ? 1 : 0;
    std::printf("host: intermediateUpdate called %zu times, t = %g to %g; height and velocity read in %zu of them\n",
                calls.size(), calls.front().time, calls.back().time, read);
    for (const IntermediateCall& call : calls) {
        if (!call.earlyReturnRequested) continue;
        std::printf("host: intermediateUpdate at t = %.17g (height %.17g, velocity %.17g) requested an early return\n",
                    call.time, call.height, call.velocity);
    }
}

// The integrator's calls for an FMI 3.0 model-exchange instance: the
// states, derivatives and indicators by their FMI 3.0 functions, and an event
// handled in Event Mode until no discrete state needs an update.
ModelExchangeCalls fmi3ModelExchangeCalls(Fmi3Run& run, std::size_t nx, std::size_t ni) {
    const fmi3Instance c = run.instance;
    ModelExchangeCalls calls;
    calls.crossing = CrossingRule::domain;
    calls.start = [&run, c, nx, ni](double time, Values& x, Values& z) {
        return run.check(run.api.fmi3SetTime(c, time), "fmi3SetTime") &&
               run.check(run.api.fmi3GetContinuousStates(c, x.data(), nx), "fmi3GetContinuousStates") &&
               run.check(run.api.fmi3GetEventIndicators(c, z.data(), ni), "fmi3GetEventIndicators");
    };
    calls.derivatives = [&run, c, nx](Values& dx) {
        return run.check(run.api.fmi3GetContinuousStateDerivatives(c, dx.data(), nx),
                         "fmi3GetContinuousStateDerivatives");
    };
    calls.completeStep = [&run, c, nx, ni](double time, const Values& x, Values& z, bool& eventRequested, bool& stop) {
        fmi3Boolean enterEventMode = fmi3False, terminateSimulation = fmi3False;
        const bool done =
            run.check(run.api.fmi3SetTime(c, time), "fmi3SetTime") &&
            run.check(run.api.fmi3SetContinuousStates(c, x.data(), nx), "fmi3SetContinuousStates") &&
            run.check(run.api.fmi3GetEventIndicators(c, z.data(), ni), "fmi3GetEventIndicators") &&
            run.check(run.api.fmi3CompletedIntegratorStep(c, fmi3True, &enterEventMode, &terminateSimulation),
                      "fmi3CompletedIntegratorStep");
        eventRequested = enterEventMode;
        stop = terminateSimulation;
        return done;
    };
    // A termination asked for in Event Mode ends the run there: the states
    // are read, and the instance is terminated from Event Mode.
    calls.handleEvent = [&run, c, nx, ni](Values& x, Values& z, bool& stop) {
        if (!run.check(run.api.fmi3EnterEventMode(c), "fmi3EnterEventMode") || !run.updateDiscreteStates(stop)) {
            return false;
        }
        return (stop || run.check(run.api.fmi3EnterContinuousTimeMode(c), "fmi3EnterContinuousTimeMode")) &&
               run.check(run.api.fmi3GetContinuousStates(c, x.data(), nx), "fmi3GetContinuousStates") &&
               run.check(run.api.fmi3GetEventIndicators(c, z.data(), ni), "fmi3GetEventIndicators");
    };
    return calls;
}

}  // namespace

RunResult simulateFmi3ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings) {
    Fmi3Run run(library, component, settings);
    const host::Fmi3Api& f = run.api;
    if (!run.hasCommonFunctions() ||
        !run.hasFunctions({REBOUNDER_REQUIRED(f, fmi3InstantiateModelExchange),
                           REBOUNDER_REQUIRED(f, fmi3EnterEventMode), REBOUNDER_REQUIRED(f, fmi3EnterContinuousTimeMode),
                           REBOUNDER_REQUIRED(f, fmi3SetTime), REBOUNDER_REQUIRED(f, fmi3SetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmi3GetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmi3GetContinuousStateDerivatives),
                           REBOUNDER_REQUIRED(f, fmi3GetEventIndicators),
                           REBOUNDER_REQUIRED(f, fmi3CompletedIntegratorStep)})) {
        return run.result;
    }
    if (component.stateCount < 2) {
        run.result.failure = "the model has fewer than two continuous states; nothing to plot as height and velocity";
        return run.result;
    }
    if (!run.start(false)) return run.result;
    fmi3Instance c = run.instance;

    // Initialisation ends in Event Mode: the initial event iteration first.
    bool terminate = false;
    if (!run.updateDiscreteStates(terminate)) return run.result;
    if (terminate) {
        run.sayTerminationRequested(0.0);
        run.finish();
        return run.result;
    }
    if (!run.check(f.fmi3EnterContinuousTimeMode(c), "fmi3EnterContinuousTimeMode")) return run.result;

    const std::size_t nx = component.stateCount;
    const std::size_t ni = component.indicatorCount;
    const ModelExchangeCalls calls = fmi3ModelExchangeCalls(run, nx, ni);
    if (integrateModelExchange(run, settings, nx, ni, calls)) run.finish();
    return run.result;
}

namespace {

// How one fmi3DoStep ended, with its out arguments.
struct StepAnswer {
    bool eventHandlingNeeded = false, terminateSimulation = false, earlyReturn = false;
    double lastSuccessfulTime = 0.0;
    bool halved = false;  // the retry after a Discard covered half the step
};

// One communication step from `time` of `length`. After fmi3Discard (the
// step did not happen) it is retried once with half the length; a second
// Discard ends the run, with the instance terminated.
bool doStep(Fmi3Run& run, double time, double length, StepAnswer& answer) {
    const auto call = [&](double h) {
        fmi3Boolean eventHandlingNeeded = fmi3False, terminateSimulation = fmi3False, earlyReturn = fmi3False;
        fmi3Float64 lastSuccessfulTime = time;
        const fmi3Status status = run.api.fmi3DoStep(run.instance, time, h, fmi3True, &eventHandlingNeeded,
                                                     &terminateSimulation, &earlyReturn, &lastSuccessfulTime);
        answer = {eventHandlingNeeded, terminateSimulation, earlyReturn, lastSuccessfulTime};
        return status;
    };
    fmi3Status status = call(length);
    if (status == fmi3Discard) {
        run.printer.flush();
        std::printf("host: fmi3DoStep(%.17g, %.17g) returned fmi3Discard: nothing happened; retrying once with %.17g\n",
                    time, length, length / 2);
        status = call(length / 2);
        if (status == fmi3Discard) {
            run.printer.flush();
            run.result.failure = "fmi3DoStep discarded the step from t = " + std::to_string(time) +
                                 " and its retry with half the size; the simulation stops there";
            std::printf("host: the retry was discarded too; fmi3Terminate, fmi3FreeInstance\n");
            run.finish();
            return false;
        }
        answer.halved = true;
    }
    return run.check(status, "fmi3DoStep");
}

// In Event Mode: the event iteration, then Step Mode unless the component
// asked to terminate.
bool settleEvent(Fmi3Run& run, bool& terminate) {
    return run.updateDiscreteStates(terminate) &&
           (terminate || run.check(run.api.fmi3EnterStepMode(run.instance), "fmi3EnterStepMode"));
}

// Event Mode after a step that needs it.
bool handleEvent(Fmi3Run& run, bool& terminate) {
    return run.check(run.api.fmi3EnterEventMode(run.instance), "fmi3EnterEventMode") && settleEvent(run, terminate);
}

}  // namespace

namespace {

// Where a co-simulation stands between two steps.
struct Standing {
    double time = 0.0, height = 0.0, velocity = 0.0;
    bool terminate = false;
    int stalled = 0;  // early returns in a row that did not advance
};

// Event Mode at the step's end: two rows, the states before and after it.
bool handleEventAt(Fmi3Run& run, Standing& s) {
    const double velocityAtEvent = s.velocity;
    if (!handleEvent(run, s.terminate) || !run.readMotion(s.height, s.velocity)) return false;
    run.sample(s.time, s.height, s.velocity);
    if (s.velocity != velocityAtEvent) run.result.rebounds.push_back({s.time, velocityAtEvent, s.velocity});
    run.result.reboundsAtEvents = true;
    return true;
}

// One fmi3DoStep of `length` toward the communication point `end`: reached
// unless it returned early (or only its halved retry happened), in which
// case the next step starts at lastSuccessfulTime. False ends the run.
bool stepToward(Fmi3Run& run, double length, double end, Standing& s, bool& reached) {
    StepAnswer answer;
    const double velocityBefore = s.velocity;
    if (!doStep(run, s.time, length, answer)) return false;
    const bool early = answer.earlyReturn || answer.halved;
    if (early && !(answer.lastSuccessfulTime >= s.time && answer.lastSuccessfulTime <= end)) {
        run.result.failure = "fmi3DoStep returned early at lastSuccessfulTime " +
                             std::to_string(answer.lastSuccessfulTime) + ", outside its step";
        return false;
    }
    s.stalled = early && answer.lastSuccessfulTime == s.time && !answer.eventHandlingNeeded ? s.stalled + 1 : 0;
    if (s.stalled == maxStalledReturns) {
        run.result.failure = "fmi3DoStep returned early " + std::to_string(s.stalled) + " times at t = " +
                             std::to_string(s.time) + " without advancing";
        return false;
    }
    reached = !early || answer.lastSuccessfulTime == end;
    s.time = reached ? end : answer.lastSuccessfulTime;
    if (!run.readMotion(s.height, s.velocity)) return false;
    run.sample(s.time, s.height, s.velocity);
    s.terminate = answer.terminateSimulation;
    if (answer.eventHandlingNeeded && !s.terminate) return handleEventAt(run, s);
    // Without Event Mode the component rebounded inside the step.
    if (velocityBefore < 0.0 && s.velocity >= 0.0) run.result.rebounds.push_back({s.time, velocityBefore, s.velocity});
    return true;
}

}  // namespace

RunResult simulateFmi3CoSimulation(const host::Library& library, const ComponentDescription& component,
                                   const RunSettings& settings) {
    Fmi3Run run(library, component, settings);
    const host::Fmi3Api& f = run.api;
    if (!run.hasCommonFunctions() ||
        !run.hasFunctions({REBOUNDER_REQUIRED(f, fmi3InstantiateCoSimulation), REBOUNDER_REQUIRED(f, fmi3DoStep),
                           REBOUNDER_REQUIRED(f, fmi3EnterEventMode), REBOUNDER_REQUIRED(f, fmi3EnterStepMode)})) {
        return run.result;
    }
    if (!run.start(true)) return run.result;

    // With event mode initialisation ends in Event Mode: the event iteration,
    // then Step Mode.
    Standing s;
    if (settings.eventModeUsed && !settleEvent(run, s.terminate)) return run.result;
    if (!run.readMotion(s.height, s.velocity)) return run.result;
    run.sample(s.time, s.height, s.velocity);

    // Each point of the grid is reached by one step of the grid's length,
    // or, after early returns, by several, each from where the last ended.
    const TimeGrid grid(settings.stopTime, settings.stepSize, settings.clock);
    for (std::size_t points = 0; !s.terminate && !grid.finished(s.time, points); ++points) {
        const TimeGrid::Step target = grid.next(s.time, points);
        // The grid's step first (exactly h for the simplest master), then
        // what remains of it after an early return.
        double length = target.length;
        for (bool reached = false; !reached && !s.terminate; length = target.end - s.time) {
            if (!stepToward(run, length, target.end, s, reached)) return run.result;
        }
    }
    if (settings.intermediateUpdate) printIntermediateCalls(run.intermediateCalls);
    if (s.terminate) run.sayTerminationRequested(s.time);
    run.finish();
    return run.result;
}

}  // namespace rebounder_host
