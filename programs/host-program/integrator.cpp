#include "integrator.h"

#include <cstdio>

namespace rebounder_host {
namespace {

bool indicatorCrossed(const Values& before, const Values& after, CrossingRule rule) {
    const auto side = [rule](double z) { return rule == CrossingRule::sign ? z < 0.0 : z > 0.0; };
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (side(before[i]) != side(after[i])) return true;
    }
    return false;
}

}  // namespace

bool integrateModelExchange(RunContext& run, const RunSettings& settings, std::size_t stateCount,
                            std::size_t indicatorCount, const ModelExchangeCalls& calls) {
    Values x(stateCount), derivatives(stateCount), indicators(indicatorCount), previousIndicators(indicatorCount);
    double time = 0.0;
    if (!calls.start(time, x, previousIndicators)) return false;
    run.sample(time, x[0], x[1]);

    const TimeGrid grid(settings.stopTime, settings.stepSize, settings.clock);
    bool terminate = false;
    std::size_t steps = 0;
    for (; !grid.finished(time, steps) && !terminate; ++steps) {
        // Explicit Euler: one derivative vector at the start of the step.
        const TimeGrid::Step step = grid.next(time, steps);
        const double h = step.length;
        if (!calls.derivatives(derivatives)) return false;
        for (std::size_t i = 0; i < stateCount; ++i) x[i] = x[i] + h * derivatives[i];
        time = step.end;
        bool eventRequested = false;
        if (!calls.completeStep(time, x, indicators, eventRequested, terminate)) return false;
        run.sample(time, x[0], x[1]);

        // A state event: an indicator changed side during the step. It is
        // handled at the end of the step, where the change was seen. Whether
        // the event changed the states shows in the states themselves: FMI
        // 1.0 event flags can be left over from an earlier event.
        if (indicatorCrossed(previousIndicators, indicators, calls.crossing) || eventRequested) {
            const Values before = x;
            bool terminateAtEvent = false;
            if (!calls.handleEvent(x, indicators, terminateAtEvent)) return false;
            if (x != before) {
                run.result.rebounds.push_back({time, before[1], x[1]});
                run.sample(time, x[0], x[1]);
            }
            terminate = terminate || terminateAtEvent;
        }
        previousIndicators = indicators;
    }
    if (terminate && !grid.finished(time, steps)) std::printf("host: the component asked to terminate at t = %g\n", time);
    return true;
}

}  // namespace rebounder_host
