// Writes the reference results that host testers compare their host's output
// with: for each case the trajectory exactly as rebounder-host writes it, and
// a table of the first rebounds of every case beside the closed-form first
// contact of the model.
//   rebounder-reference-results OUTPUT_DIR {NAME COMPONENT STEP index|sum plain|event-mode}...
// writes OUTPUT_DIR/NAME.csv for each case and OUTPUT_DIR/first-rebounds.csv.
// event-mode: FMI 3.0 co-simulation with eventModeUsed and
// earlyReturnAllowed, each contact handled in the host's Event Mode.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "component.h"
#include "model_expectations.h"
#include "outputs.h"
#include "simulation.h"

namespace fs = std::filesystem;
using namespace rebounder_host;

namespace {

constexpr double stopTime = 3.0;

struct Case {
    std::string name;
    fs::path component;
    double step;
    Clock clock;
    bool eventMode;
};

constexpr int fieldsPerCase = 5;

std::string exact(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string plain(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "rebounder-reference-results: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 + fieldsPerCase || (argc - 2) % fieldsPerCase != 0) {
        return fail("usage: rebounder-reference-results OUTPUT_DIR {NAME COMPONENT STEP index|sum plain|event-mode}...");
    }
    const fs::path output = argv[1];
    std::vector<Case> cases;
    for (int i = 2; i < argc; i += fieldsPerCase) {
        const std::string clock = argv[i + 3];
        const std::string mode = argv[i + 4];
        if (clock != "index" && clock != "sum") return fail("the clock is 'index' or 'sum', not '" + clock + "'");
        if (mode != "plain" && mode != "event-mode") return fail("the mode is 'plain' or 'event-mode', not '" + mode + "'");
        cases.push_back({argv[i], argv[i + 1], std::strtod(argv[i + 2], nullptr),
                         clock == "sum" ? Clock::sum : Clock::index, mode == "event-mode"});
    }
    fs::create_directories(output);

    std::ofstream table(output / "first-rebounds.csv");
    table << "case,step,time,velocity_before,velocity_after\n";
    for (const Case& c : cases) {
        std::printf("reference results: %s\n", c.name.c_str());
        std::fflush(stdout);
        std::string error;
        TemporaryDirectory unpacked;
        const auto component = c.component.extension() == ".fmu"
                                   ? describeFmu(c.component, unpacked.path(), std::nullopt, error)
                                   : describeLibrary(c.component, std::nullopt, error);
        if (!component) return fail(error);
        RunSettings settings;
        settings.instanceName = c.component.stem().string();
        settings.stopTime = stopTime;
        settings.stepSize = c.step;
        settings.clock = c.clock;
        settings.loggingOn = false;
        settings.eventModeUsed = settings.earlyReturnAllowed = c.eventMode;
        const RunResult run = simulate(*component, settings);
        if (!run.failure.empty()) return fail(c.name + ": " + run.failure);
        if (run.rebounds.empty()) return fail(c.name + ": no rebound before " + plain(stopTime) + " s");
        if (!writeCsv(output / (c.name + ".csv"), run, component->names, error)) return fail(error);
        const Rebound& first = run.rebounds.front();
        table << c.name << ',' << plain(c.step) << ',' << exact(first.time) << ',' << exact(first.velocityBefore) << ','
              << exact(first.velocityAfter) << '\n';
    }
    // The contact an integrator approaches as its step goes to 0.
    table << "closed-form,0," << exact(expected::firstContactTime()) << ',' << exact(expected::firstContactVelocity())
          << ',' << exact(expected::firstReboundVelocity()) << '\n';
    if (!table) return fail("cannot write " + (output / "first-rebounds.csv").string());
    return 0;
}
