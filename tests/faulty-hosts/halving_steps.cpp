// An FMI 1.0 model-exchange host that integrates with Heun's method and
// locates every event exactly: a step
// after which the event indicator has changed its sign is taken back and
// retried at half its length, until half of it would no longer move the time
// on; the event is handled there. After every step without a sign change the
// step doubles again, up to the output interval. The fault: no smallest step
// and no bound on the events per time. Where tressivo's rebounds accumulate
// (t ≈ 2.2329) the flights shrink below any step, and its height-only
// rebound test keeps rebounding a mass that rests on the floor: the events
// come a few units in the last place of the time apart and the run never
// ends. With --bounded it stops there with a message once more than 1000
// events fall within 0.01 s, as a sound host does.
#include <cstdio>
#include <deque>

#include "test_host.h"

namespace {

constexpr int maxIterations = 10;  // tressivo reports iterationConverged false until its first rebound
constexpr double boundSpan = 0.01;
constexpr std::size_t boundEvents = 1000;

struct Fmi1Run {
    const host::Fmi1Api& f;
    fmiComponent c;
    fmiEventInfo info{};

    void updateEvents() {
        info.iterationConverged = fmiFalse;
        for (int i = 0; !info.iterationConverged && i < maxIterations; ++i) f.fmiEventUpdate(c, fmiFalse, &info);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const bool bounded = a.flag == "--bounded";
    const test_host::Component component = test_host::unpack(a);
    const host::Library library(component.library);
    const host::Fmi1Api f(library, component.identifier + "_");
    host::Host host;
    Fmi1Run run{f, f.fmiInstantiateModel("halving", "123", host.fmi1Callbacks(), fmiTrue)};
    if (run.c == nullptr) return 1;
    // Rows at the output points, written as they come: a run that is killed keeps them.
    std::FILE* csv = std::fopen(a.csv.c_str(), "w");
    if (csv == nullptr) return 1;
    std::fputs("time,height,velocity\n", csv);
    f.fmiSetTime(run.c, 0.0);
    f.fmiInitialize(run.c, fmiFalse, 0.0, &run.info);
    test_host::printLog(host);
    run.updateEvents();
    double t = 0.0, x[2], dx[2], z = 0.0, step = a.step, nextOutput = 0.0;
    f.fmiGetContinuousStates(run.c, x, 2);
    f.fmiGetEventIndicators(run.c, &z, 1);
    std::deque<double> events;
    while (true) {
        if (t >= nextOutput - 1e-9 * a.step) {
            std::fprintf(csv, "%.17g,%.17g,%.17g\n", t, x[0], x[1]);
            std::fflush(csv);
            nextOutput += a.step;
        }
        if (t >= a.stop) break;
        const double h = t + step > a.stop ? a.stop - t : step;
        // Heun's step: the mean of the derivatives at both ends of an Euler
        // step, exact for a mass under constant gravity.
        f.fmiGetDerivatives(run.c, dx, 2);
        double next[2] = {x[0] + h * dx[0], x[1] + h * dx[1]}, dxEnd[2], zNext = 0.0;
        f.fmiSetTime(run.c, t + h);
        f.fmiSetContinuousStates(run.c, next, 2);
        f.fmiGetDerivatives(run.c, dxEnd, 2);
        for (int i = 0; i < 2; ++i) next[i] = x[i] + h * ((dx[i] + dxEnd[i]) / 2);
        f.fmiSetContinuousStates(run.c, next, 2);
        f.fmiGetEventIndicators(run.c, &zNext, 1);
        const bool crossed = (zNext < 0.0) != (z < 0.0);
        if (crossed && t + h / 2 > t) {  // the fault: halved for as long as the time moves on
            step = h / 2;
            f.fmiSetTime(run.c, t);
            f.fmiSetContinuousStates(run.c, x, 2);
            continue;
        }
        fmiBoolean callEventUpdate = fmiFalse;
        f.fmiCompletedIntegratorStep(run.c, &callEventUpdate);
        t = t + h;
        x[0] = next[0];
        x[1] = next[1];
        step = step * 2 < a.step ? step * 2 : a.step;
        if (crossed) {
            run.updateEvents();
            f.fmiGetContinuousStates(run.c, x, 2);
            f.fmiGetEventIndicators(run.c, &zNext, 1);
            events.push_back(t);
            while (events.front() < t - boundSpan) events.pop_front();
            if (bounded && events.size() > boundEvents) {
                std::fprintf(stderr, "more than %zu events within %g s at t = %.6f: stopping\n", boundEvents, boundSpan, t);
                break;
            }
        }
        z = zNext;
    }
    std::fclose(csv);
    f.fmiTerminate(run.c);
    f.fmiFreeModelInstance(run.c);
    return t >= a.stop ? 0 : 1;
}
