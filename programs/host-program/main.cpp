// rebounder-host: loads one FMI component (an .fmu archive or a shared
// library), simulates it as its interface prescribes, prints what the
// component logs and a summary of the rebounds, and writes the trajectory or
// compares it with a reference (or compares another host's trajectory).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command_line.h"
#include "comparison.h"
#include "component.h"
#include "options.h"
#include "outputs.h"
#include "simulation.h"

namespace fs = std::filesystem;
using namespace rebounder_host;

namespace {

constexpr int exitFailure = 1;

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

// Compares a trajectory with the reference CSV and prints how they agree.
int compare(const Table& trajectory, const Options& options) {
    Table reference;
    std::string report;
    if (!readTable(options.comparePath, reference, report)) return fail(report);
    const bool agree = compareTables(trajectory, reference, options.tolerance, report);
    std::printf("%s %s: %s\n", agree ? "agrees with" : "differs from", options.comparePath.c_str(), report.c_str());
    std::fflush(stdout);
    return agree ? 0 : exitFailure;
}

// The run's settings from the options and the component's interface.
RunSettings runSettings(const Options& options, const fs::path& componentPath, bool coSimulation) {
    RunSettings settings;
    settings.instanceName = componentPath.stem().string();
    settings.stopTime = options.stopTime;
    settings.stepSize = options.stepSize.value_or(coSimulation ? defaultCoSimulationStep : defaultModelExchangeStep);
    settings.clock = options.clock;
    settings.loggingOn = options.loggingOn;
    settings.expandReferences = options.expandReferences;
    settings.string0 = options.string0;
    settings.startValues = options.startValues;
    settings.eventModeUsed = options.eventMode;
    settings.earlyReturnAllowed = options.earlyReturn;
    settings.intermediateUpdate = options.intermediateUpdate;
    settings.earlyReturnRequestTime = options.earlyReturnRequestTime;
    return settings;
}

// The trajectory as CSV and the plot where the options say; false, with
// error set, when one cannot be written. A comparison writes the trajectory
// only where it is told to.
bool writeOutputs(const Options& options, const ComponentDescription& component, const RunSettings& settings,
                  const RunResult& run, std::string& error) {
    if (options.writeCsv && (options.comparePath.empty() || !options.csvPath.empty())) {
        const fs::path csv = options.csvPath.empty() ? fs::path(settings.instanceName + ".csv") : fs::path(options.csvPath);
        if (!writeCsv(csv, run, component.names, error)) return false;
        std::printf("  trajectory: %s (%zu rows)\n", fs::absolute(csv).lexically_normal().c_str(), run.trajectory.size());
    }
    if (!options.svgPath.empty()) {
        const std::string title = settings.instanceName + " (" + describe(component.interface) + "): height over time";
        if (!writeSvg(options.svgPath, run, title, error)) return false;
        std::printf("  plot: %s\n", fs::absolute(options.svgPath).lexically_normal().c_str());
    }
    return true;
}

// Options the component's interface cannot take: a bad command line for
// this component, said in one line. Empty when every option fits.
std::string unfitOptions(const Options& options, const ComponentDescription& component) {
    const std::vector<std::string> coSimulation3 = coSimulation3Options(options);
    if (!coSimulation3.empty() && component.interface != Interface::fmi3CoSimulation) {
        return coSimulation3.front() + " applies to FMI 3.0 co-simulation only, and this run is " +
               describe(component.interface);
    }
    if (!options.startValues.empty() && !isFmi3(component.interface)) {
        return std::string("--start applies to FMI 3.0 components only, and this run is ") +
               describe(component.interface);
    }
    return startValueProblem(component, options.startValues);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string programName = fs::path(argv[0]).filename().string();
    const ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    const command_line::Front front{parsed.helpRequested, parsed.versionRequested, parsed.error};
    if (const auto status = command_line::answerFront(front, programName, usage(programName))) return *status;
    const Options& options = *parsed.options;
    const fs::path componentPath = options.componentPath;

    // Another host's trajectory: nothing to simulate.
    if (componentPath.extension() == ".csv") {
        Table trajectory;
        std::string error;
        if (!readTable(componentPath, trajectory, error)) return fail(error);
        return compare(trajectory, options);
    }

    // An .fmu is unpacked first; the directory goes when the program ends,
    // after the library inside it has been unloaded.
    std::string error;
    TemporaryDirectory unpacked;
    const bool isFmu = componentPath.extension() == ".fmu";
    const auto component = isFmu ? describeFmu(componentPath, unpacked.path(), wantedInterface(options.interface), error)
                                 : describeLibrary(componentPath, wantedInterface(options.interface), error);
    if (!component) return fail(error);
    if (const std::string unfit = unfitOptions(options, *component); !unfit.empty())
        return *command_line::answerFront({.error = unfit}, programName, usage(programName));

    const bool coSimulation = isCoSimulation(component->interface);
    RunSettings settings = runSettings(options, componentPath, coSimulation);
    // FMI 3.0 has string0 among its variables: the text is its start value.
    if (isFmi3(component->interface) && settings.string0) {
        settings.startValues.insert(settings.startValues.begin(), {"string0", *settings.string0});
        settings.string0.reset();
    }
    std::printf("%s: %s, model identifier %s, library %s\n", settings.instanceName.c_str(),
                describe(component->interface), component->modelIdentifier.c_str(), component->library.c_str());
    std::fflush(stdout);

    const RunResult run = simulate(*component, settings);
    printSummary({settings.instanceName, describe(component->interface), settings.stopTime, settings.stepSize,
                  coSimulation},
                 run, options.summaryLimit);
    if (!writeOutputs(options, *component, settings, run, error)) return fail(error);
    std::fflush(stdout);
    if (!run.failure.empty()) return fail("the simulation stopped early: " + run.failure);
    return options.comparePath.empty() ? 0 : compare(tableOf(run, component->names), options);
}
