// What a run leaves behind: the trajectory as CSV, a plot of the height as
// SVG, and the summary printed at the end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "simulation.h"

namespace rebounder_host {

// The columns of a trajectory: time, then the first two real variables
// (height and velocity) by name.
std::vector<std::string> csvColumns(const VariableNames& names);

// Columns time, height and velocity (named after the first two real
// variables), every number written so that it reads back exactly.
bool writeCsv(const std::filesystem::path& path, const RunResult& run, const VariableNames& names, std::string& error);

// Height over time as a line, with a dot at each rebound.
bool writeSvg(const std::filesystem::path& path, const RunResult& run, const std::string& title, std::string& error);

struct SummaryHeading {
    std::string instanceName;
    std::string interface;
    double stopTime;
    double stepSize;
    bool coSimulation;
};

// The rebounds, the first few one per line, the rest counted.
void printSummary(const SummaryHeading& heading, const RunResult& run, int listed);

}  // namespace rebounder_host
