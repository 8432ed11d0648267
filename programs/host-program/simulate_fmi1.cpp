// FMI 1.0 model exchange with this program's own integrator.
#include <cstdio>
#include <vector>

#include "integrator.h"
#include "simulation.h"

namespace rebounder_host {
namespace {

class Fmi1Run : public RunContext {
public:
    Fmi1Run(const host::Library& library, const ComponentDescription& component_, const RunSettings& settings)
        : RunContext(component_.names, settings.expandReferences, StandardVersion::fmi1),
          api(library, component_.modelIdentifier + "_") {}

    ~Fmi1Run() {
        if (instance == nullptr) return;
        api.fmiFreeModelInstance(instance);
        printer.flush();
        reportMemory(host);
    }

    host::Fmi1Api api;
    fmiComponent instance = nullptr;
};

// Event iteration, bounded. Returns false when a call failed.
bool iterateEvents(Fmi1Run& run, fmiEventInfo& info, const char* when) {
    for (int i = 0; i < maxEventIterations && !info.iterationConverged; ++i) {
        if (!run.check(run.api.fmiEventUpdate(run.instance, fmiFalse, &info), "fmiEventUpdate")) return false;
    }
    if (!info.iterationConverged) {
        std::printf("host: %s, fmiEventUpdate still reports iterationConverged false after %d calls; going on\n",
                    when, maxEventIterations);
    }
    return true;
}

// Instantiates, sets the start time, initialises (with its event
// iteration) and writes string0 when asked; false, the failure in the
// run's result, when a step fails.
bool startInstance(Fmi1Run& run, const ComponentDescription& component, const RunSettings& settings,
                   fmiEventInfo& info) {
    const host::Fmi1Api& f = run.api;
    // The component copies the callbacks; this structure may go after the call.
    run.instance = f.fmiInstantiateModel(settings.instanceName.c_str(), component.guid.c_str(),
                                         run.host.fmi1Callbacks(), settings.loggingOn ? fmiTrue : fmiFalse);
    run.printer.flush();
    if (run.instance == nullptr) {
        run.result.failure = "fmiInstantiateModel returned null (GUID \"" + component.guid + "\" refused, or no memory)";
        return false;
    }
    fmiComponent c = run.instance;
    const double startTime = 0.0;
    if (!run.check(f.fmiSetTime(c, startTime), "fmiSetTime") ||
        !run.check(f.fmiInitialize(c, fmiFalse, 0.0, &info), "fmiInitialize") ||
        !iterateEvents(run, info, "after fmiInitialize")) {
        return false;
    }
    if (!settings.string0) return true;
    const fmiValueReference reference = 0;
    const fmiString text = settings.string0->c_str();
    return run.check(f.fmiSetString(c, &reference, 1, &text), "fmiSetString");
}

// The integrator's calls into the instance. The time went to the component
// before fmiInitialize.
ModelExchangeCalls integrationCalls(Fmi1Run& run, const ComponentDescription& component, fmiEventInfo& info) {
    const host::Fmi1Api& f = run.api;
    fmiComponent c = run.instance;
    const std::size_t nx = component.stateCount;
    const std::size_t ni = component.indicatorCount;
    ModelExchangeCalls calls;
    calls.start = [&run, &f, c, nx, ni](double, Values& x, Values& z) {
        return run.check(f.fmiGetContinuousStates(c, x.data(), nx), "fmiGetContinuousStates") &&
               run.check(f.fmiGetEventIndicators(c, z.data(), ni), "fmiGetEventIndicators");
    };
    calls.derivatives = [&run, &f, c, nx](Values& dx) {
        return run.check(f.fmiGetDerivatives(c, dx.data(), nx), "fmiGetDerivatives");
    };
    calls.completeStep = [&run, &f, c, nx, ni](double time, const Values& x, Values& z, bool& eventRequested,
                                               bool& terminate) {
        fmiBoolean callEventUpdate = fmiFalse;
        const bool done = run.check(f.fmiSetTime(c, time), "fmiSetTime") &&
                          run.check(f.fmiSetContinuousStates(c, x.data(), nx), "fmiSetContinuousStates") &&
                          run.check(f.fmiGetEventIndicators(c, z.data(), ni), "fmiGetEventIndicators") &&
                          run.check(f.fmiCompletedIntegratorStep(c, &callEventUpdate), "fmiCompletedIntegratorStep");
        eventRequested = callEventUpdate != fmiFalse;
        terminate = false;  // FMI 1.0 asks for termination only at events
        return done;
    };
    calls.handleEvent = [&run, &f, &info, c, nx, ni](Values& x, Values& z, bool& terminate) {
        // The first call always goes out, whatever the last event left in the record.
        info.iterationConverged = fmiFalse;
        const bool done = iterateEvents(run, info, "at an event") &&
                          run.check(f.fmiGetContinuousStates(c, x.data(), nx), "fmiGetContinuousStates") &&
                          run.check(f.fmiGetEventIndicators(c, z.data(), ni), "fmiGetEventIndicators");
        terminate = info.terminateSimulation != fmiFalse;
        return done;
    };
    return calls;
}

}  // namespace

RunResult simulateFmi1ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings) {
    Fmi1Run run(library, component, settings);
    const host::Fmi1Api& f = run.api;
    if (!run.hasFunctions({REBOUNDER_REQUIRED(f, fmiInstantiateModel), REBOUNDER_REQUIRED(f, fmiFreeModelInstance),
                           REBOUNDER_REQUIRED(f, fmiInitialize), REBOUNDER_REQUIRED(f, fmiSetString),
                           REBOUNDER_REQUIRED(f, fmiTerminate), REBOUNDER_REQUIRED(f, fmiEventUpdate),
                           REBOUNDER_REQUIRED(f, fmiSetTime), REBOUNDER_REQUIRED(f, fmiSetContinuousStates),
                           REBOUNDER_REQUIRED(f, fmiGetContinuousStates), REBOUNDER_REQUIRED(f, fmiGetDerivatives),
                           REBOUNDER_REQUIRED(f, fmiGetEventIndicators),
                           REBOUNDER_REQUIRED(f, fmiCompletedIntegratorStep)})) {
        run.result.failure = run.result.failure + " (looked up with the prefix " + component.modelIdentifier + "_)";
        return run.result;
    }
    if (component.stateCount < 2) {
        run.result.failure = "the model has fewer than two continuous states; nothing to plot as height and velocity";
        return run.result;
    }
    fmiEventInfo info{};
    if (!startInstance(run, component, settings, info)) return run.result;
    const ModelExchangeCalls calls = integrationCalls(run, component, info);
    if (info.terminateSimulation == fmiFalse &&
        integrateModelExchange(run, settings, component.stateCount, component.indicatorCount, calls)) {
        run.check(f.fmiTerminate(run.instance), "fmiTerminate");
    }
    return run.result;
}

}  // namespace rebounder_host
