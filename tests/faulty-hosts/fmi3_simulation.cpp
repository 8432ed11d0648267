// A plain FMI 3.0 test host that simulates varnelle in the interface the
// template asks for (FLAG: me or cs) and writes its CSV. Model exchange:
// explicit Euler at the step size, an event when the indicator changes its
// domain (z > 0 against z <= 0) or the completed step asks for one, each
// Event Mode iterated until no discrete state needs an update. Co-simulation:
// one fmi3DoStep of the step size per point, the points summed (t += h), as
// the reference results' master does. Either stops where the component asks
// to terminate. No fault: the trajectory probes' FMI 3.0 runs proven on a
// host that copes. Each define below builds it with one fault:
// GOES_ON_AFTER_TERMINATION: in model exchange it leaves the Event Mode in
// which the component asked to terminate and integrates on to the stop time.
// STEPS_ON_AFTER_TERMINATION: in co-simulation it steps on to the stop time.
// ENTERS_EVENT_MODE_AT_EVERY_POINT: in model exchange it enters Event Mode
// at every output point, whatever the indicator did.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "test_host.h"

namespace {

using test_host::Row;

void logMessage(fmi3InstanceEnvironment, fmi3Status status, fmi3String category, fmi3String message) {
    // The message is finished text: printed as it is, never as a format.
    std::printf("[%d] %s: %s\n", int(status), category ? category : "", message ? message : "");
}

#ifdef GOES_ON_AFTER_TERMINATION
constexpr bool stopsWhenAsked = false;
#else
constexpr bool stopsWhenAsked = true;
#endif

#ifdef ENTERS_EVENT_MODE_AT_EVERY_POINT
constexpr bool eventAtEveryPoint = true;
#else
constexpr bool eventAtEveryPoint = false;
#endif

// The event iteration of one Event Mode: updates until none is needed; true
// when the component asked to terminate.
bool settleEvent(const host::Fmi3Api& f, fmi3Instance c) {
    fmi3Boolean needUpdate = true, terminate = false, nominalsChanged = false, valuesChanged = false,
                nextEventTimeDefined = false;
    fmi3Float64 nextEventTime = 0.0;
    for (int i = 0; i < 10 && needUpdate; ++i) {
        if (f.fmi3UpdateDiscreteStates(c, &needUpdate, &terminate, &nominalsChanged, &valuesChanged,
                                       &nextEventTimeDefined, &nextEventTime) != fmi3OK) {
            return true;
        }
    }
    return terminate;
}

int modelExchange(const host::Fmi3Api& f, fmi3Instance c, const test_host::Arguments& a, std::vector<Row>& rows) {
    bool terminate = settleEvent(f, c);
    double x[2], dx[2], z = 0.0, zAfterStep = 0.0;
    f.fmi3EnterContinuousTimeMode(c);
    f.fmi3GetContinuousStates(c, x, 2);
    f.fmi3GetEventIndicators(c, &z, 1);
    rows.push_back({0.0, x[0], x[1]});
    const long steps = std::lround(a.stop / a.step);
    for (long n = 1; n <= steps && !(terminate && stopsWhenAsked); ++n) {
        f.fmi3GetContinuousStateDerivatives(c, dx, 2);
        for (int i = 0; i < 2; ++i) x[i] = x[i] + a.step * dx[i];
        const double t = static_cast<double>(n) * a.step;
        fmi3Boolean enterEventMode = false, terminateSimulation = false;
        f.fmi3SetTime(c, t);
        f.fmi3SetContinuousStates(c, x, 2);
        f.fmi3GetEventIndicators(c, &zAfterStep, 1);
        f.fmi3CompletedIntegratorStep(c, true, &enterEventMode, &terminateSimulation);
        rows.push_back({t, x[0], x[1]});
        terminate = terminate || terminateSimulation;
        const bool event = (zAfterStep > 0.0) != (z > 0.0) || enterEventMode || eventAtEveryPoint;
        z = zAfterStep;
        if (!event || (terminate && stopsWhenAsked)) continue;
        f.fmi3EnterEventMode(c);
        terminate = settleEvent(f, c) || terminate;
        f.fmi3GetContinuousStates(c, x, 2);
        rows.push_back({t, x[0], x[1]});
        if (terminate && stopsWhenAsked) break;
        f.fmi3EnterContinuousTimeMode(c);
        f.fmi3GetEventIndicators(c, &z, 1);
    }
    return 0;
}

// Height and velocity (value references 1 and 2) at a communication point.
Row pointAt(const host::Fmi3Api& f, fmi3Instance c, double t) {
    const fmi3ValueReference references[2] = {1, 2};
    double values[2] = {0.0, 0.0};
    f.fmi3GetFloat64(c, references, 2, values, 2);
    return {t, values[0], values[1]};
}

int coSimulate(const host::Fmi3Api& f, fmi3Instance c, const test_host::Arguments& a, std::vector<Row>& rows) {
    rows.push_back(pointAt(f, c, 0.0));
    const long steps = std::lround(a.stop / a.step);
    double t = 0.0;
    for (long n = 0; n < steps; ++n) {
        fmi3Boolean eventHandlingNeeded = false, terminateSimulation = false, earlyReturn = false;
        fmi3Float64 lastSuccessfulTime = 0.0;
        if (f.fmi3DoStep(c, t, a.step, true, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                         &lastSuccessfulTime) != fmi3OK) {
            std::fprintf(stderr, "fmi3DoStep failed at t = %g; stopping\n", t);
            return 1;
        }
        t += a.step;
        rows.push_back(pointAt(f, c, t));
#ifndef STEPS_ON_AFTER_TERMINATION
        if (terminateSimulation) break;
#endif
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const test_host::Fmi3Component component = test_host::unpackFmi3(a);
    const host::Library loaded(component.library);
    if (!loaded.loaded()) {
        std::fprintf(stderr, "cannot load %s\n", component.library.c_str());
        return 1;
    }
    const host::Fmi3Api f(loaded);
    const bool coSimulation = a.flag == "cs";
    const char* token = component.instantiationToken.c_str();
    fmi3Instance c = coSimulation ? f.fmi3InstantiateCoSimulation("ball", token, nullptr, false, true, false, false,
                                                                  nullptr, 0, nullptr, logMessage, nullptr)
                                  : f.fmi3InstantiateModelExchange("ball", token, nullptr, false, true, nullptr,
                                                                   logMessage);
    if (c == nullptr) {
        std::fprintf(stderr, "the instantiation was refused\n");
        return 1;
    }
    f.fmi3EnterInitializationMode(c, false, 0.0, 0.0, true, a.stop);
    f.fmi3ExitInitializationMode(c);
    std::vector<Row> rows;
    const int status = coSimulation ? coSimulate(f, c, a, rows) : modelExchange(f, c, a, rows);
    f.fmi3Terminate(c);
    f.fmi3FreeInstance(c);
    test_host::writeCsv(a.csv, rows);
    return status;
}
