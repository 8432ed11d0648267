// Benchmarks of the calls a host makes in its inner loop. Each is measured
// beside a baseline in the same run: the same arithmetic written inline in the
// host, and for one model-exchange integrator step also five calls to an
// exported function that does nothing. The components are loaded and called
// as a host does, through pointers looked up by name. The summary at the end
// gives every call as a ratio to its baseline.
#include <benchmark/benchmark.h>

#include "components.h"
#include "registration.h"
#include "summary.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::Components components;
    bench::registerModelExchangeBenchmarks(components);
    bench::registerCoSimulationBenchmarks(components);
    bench::registerLifecycleBenchmarks(components);
    bench::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
