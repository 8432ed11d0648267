// Command-line options of the host program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "simulation.h"

namespace rebounder_host {

enum class InterfaceChoice { automatic, modelExchange, coSimulation };

struct Options {
    std::string componentPath;       // a .fmu archive, a shared library, or a CSV to compare
    double stopTime = 3.0;           // simulation runs from 0 to stopTime
    std::optional<double> stepSize;  // integrator / communication step; default depends on the interface
    Clock clock = Clock::index;
    std::string csvPath;             // empty: <component>.csv in the current directory
    bool writeCsv = true;
    std::string svgPath;             // empty: no plot
    bool loggingOn = true;
    bool expandReferences = true;    // replace "#r<vr>#" references in log messages by names
    std::optional<std::string> string0;  // text to write into string variable 0 after initialisation
    InterfaceChoice interface = InterfaceChoice::automatic;
    int summaryLimit = 10;           // rebounds listed one by one in the summary
    std::string comparePath;         // a reference CSV to compare the trajectory with; empty: none
    std::optional<double> tolerance; // empty: the comparison is bit for bit
    // FMI 3.0
    std::vector<StartValue> startValues;  // --start NAME=VALUE, in order
    bool eventMode = false;
    bool earlyReturn = false;
    bool intermediateUpdate = false;
    std::optional<double> earlyReturnRequestTime;
};

// The options that only FMI 3.0 co-simulation takes, by name, as given;
// empty when none was.
std::vector<std::string> coSimulation3Options(const Options& options);

// Default step sizes: a fine step for the host's own integrator, the
// component's internal step for co-simulation.
constexpr double defaultModelExchangeStep = 0.001;
constexpr double defaultCoSimulationStep = 0.01;

struct ParseResult {
    std::optional<Options> options;  // empty when the program should stop
    bool helpRequested = false;
    bool versionRequested = false;
    std::string error;               // non-empty for a bad command line
};

ParseResult parseOptions(const std::vector<std::string>& arguments);
std::string usage(const std::string& programName);
// "rebounder-host 1.0.0"
std::string versionText(const std::string& programName);

}  // namespace rebounder_host
