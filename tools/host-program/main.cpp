// rebounder-host: loads one FMI component (an .fmu archive or a shared
// library), simulates it as its interface prescribes, prints what the
// component logs and a summary of the rebounds, and writes the trajectory.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "component.h"
#include "options.h"
#include "outputs.h"
#include "simulation.h"

namespace fs = std::filesystem;
using namespace rebounder_host;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "rebounder-host: %s\n", message.c_str());
    return exitFailure;
}

std::optional<Interface> wantedInterface(InterfaceChoice choice) {
    switch (choice) {
        case InterfaceChoice::modelExchange: return Interface::fmi2ModelExchange;
        case InterfaceChoice::coSimulation: return Interface::fmi2CoSimulation;
        case InterfaceChoice::automatic: break;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string programName = fs::path(argv[0]).filename().string();
    const ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.helpRequested) {
        std::fputs(usage(programName).c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", programName.c_str(), parsed.error.c_str(),
                     programName.c_str());
        return exitUsage;
    }
    const Options& options = *parsed.options;
    const fs::path componentPath = options.componentPath;

    // An .fmu is unpacked first; the directory goes when the program ends,
    // after the library inside it has been unloaded.
    std::string error;
    TemporaryDirectory unpacked;
    const bool isFmu = componentPath.extension() == ".fmu";
    const auto component = isFmu ? describeFmu(componentPath, unpacked.path(), wantedInterface(options.interface), error)
                                 : describeLibrary(componentPath, wantedInterface(options.interface), error);
    if (!component) return fail(error);

    RunSettings settings;
    settings.instanceName = componentPath.stem().string();
    settings.stopTime = options.stopTime;
    const bool coSimulation = component->interface == Interface::fmi2CoSimulation;
    settings.stepSize = options.stepSize.value_or(coSimulation ? defaultCoSimulationStep : defaultModelExchangeStep);
    settings.loggingOn = options.loggingOn;
    settings.expandReferences = options.expandReferences;
    settings.string0 = options.string0;

    std::printf("%s: %s, model identifier %s, library %s\n", settings.instanceName.c_str(),
                describe(component->interface), component->modelIdentifier.c_str(), component->library.c_str());
    std::fflush(stdout);

    RunResult run;
    {
        const host::Library library(component->library.string());
        if (!library.loaded()) return fail("cannot load " + component->library.string() + ": " + library.error());
        switch (component->interface) {
            case Interface::fmi2ModelExchange: run = simulateFmi2ModelExchange(library, *component, settings); break;
            case Interface::fmi2CoSimulation: run = simulateFmi2CoSimulation(library, *component, settings); break;
            case Interface::fmi1ModelExchange: run = simulateFmi1ModelExchange(library, *component, settings); break;
        }
    }

    printSummary({settings.instanceName, describe(component->interface), settings.stopTime, settings.stepSize,
                  coSimulation},
                 run, options.summaryLimit);
    if (options.writeCsv) {
        const fs::path csv = options.csvPath.empty() ? fs::path(settings.instanceName + ".csv") : fs::path(options.csvPath);
        if (!writeCsv(csv, run, component->names, error)) return fail(error);
        std::printf("  trajectory: %s (%zu rows)\n", fs::absolute(csv).lexically_normal().c_str(), run.trajectory.size());
    }
    if (!options.svgPath.empty()) {
        const std::string title = settings.instanceName + " (" + describe(component->interface) + "): height over time";
        if (!writeSvg(options.svgPath, run, title, error)) return fail(error);
        std::printf("  plot: %s\n", fs::absolute(options.svgPath).lexically_normal().c_str());
    }
    std::fflush(stdout);
    if (!run.failure.empty()) return fail("the simulation stopped early: " + run.failure);
    return 0;
}
