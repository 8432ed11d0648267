#include "simulation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "log_references.h"

namespace rebounder_host {
namespace {

const char* statusName(int status, StandardVersion version) {
    switch (status) {
        case 0: return "OK";
        case 1: return "Warning";
        case 2: return "Discard";
        case 3: return "Error";
        case 4: return "Fatal";
        case 5: return version == StandardVersion::fmi2 ? "Pending" : "status 5";
        default: return "unknown status";
    }
}

const char* statusPrefix(StandardVersion version) {
    switch (version) {
        case StandardVersion::fmi1: return "fmi";
        case StandardVersion::fmi2: return "fmi2";
        case StandardVersion::fmi3: return "fmi3";
    }
    return "";
}

}  // namespace

LogPrinter::LogPrinter(const host::Host& host_, const VariableNames& names_, bool expand_, StandardVersion version_)
    : host(host_), names(names_), expand(expand_), version(version_) {}

void LogPrinter::flush() {
    for (; printed < host.log.size(); ++printed) {
        const host::LogEntry& entry = host.log[printed];
        const ReferenceForm form = version == StandardVersion::fmi3 ? ReferenceForm::untyped : ReferenceForm::typed;
        const std::string text = expand ? expandReferences(entry.text, names, form) : entry.text;
        std::printf("[%s] %s %s: %s\n", statusName(entry.status, version), entry.category.c_str(),
                    entry.instanceName.c_str(), text.c_str());
    }
    std::fflush(stdout);
}

TimeGrid::TimeGrid(double stopTime, double stepSize, Clock clock_)
    : stop(stopTime), step(stepSize), clock(clock_),
      stepCount(std::max<std::size_t>(1, static_cast<std::size_t>(std::llround(stopTime / stepSize)))) {}

bool TimeGrid::finished(double time, std::size_t stepsTaken) const {
    return clock == Clock::sum ? stepsTaken >= stepCount : time >= stop;
}

TimeGrid::Step TimeGrid::next(double time, std::size_t stepsTaken) const {
    if (clock == Clock::sum) return {time + step, step};
    const double point = static_cast<double>(stepsTaken + 1) * step;
    // A point within a millionth of a step of the stop time is the stop time:
    // no vanishing last step from rounding.
    const double end = point > stop || stop - point < step * 1e-6 ? stop : point;
    return {end, end - time};
}

RunContext::RunContext(const VariableNames& names, bool expandReferences, StandardVersion version_)
    : printer(host, names, expandReferences, version_), version(version_) {}

bool RunContext::hasFunctions(std::initializer_list<Required> functions) {
    for (const Required& function : functions) {
        if (!function.present) {
            result.failure = std::string("the library does not export ") + function.name;
            return false;
        }
    }
    return true;
}

bool RunContext::check(int status, const char* function) {
    printer.flush();
    if (status == 0) return true;
    const std::string prefix = statusPrefix(version);
    if (status == 1) {
        std::printf("host: %s returned %sWarning; continuing\n", function, prefix.c_str());
        return true;
    }
    result.failure = std::string(function) + " returned " + prefix + statusName(status, version);
    return false;
}

RunResult simulate(const ComponentDescription& component, const RunSettings& settings) {
    const host::Library library(component.library.string());
    if (!library.loaded()) {
        RunResult failed;
        failed.failure = "cannot load " + component.library.string() + ": " + library.error();
        return failed;
    }
    switch (component.interface) {
        case Interface::fmi2ModelExchange: return simulateFmi2ModelExchange(library, component, settings);
        case Interface::fmi2CoSimulation: return simulateFmi2CoSimulation(library, component, settings);
        case Interface::fmi1ModelExchange: return simulateFmi1ModelExchange(library, component, settings);
        case Interface::fmi3ModelExchange: return simulateFmi3ModelExchange(library, component, settings);
        case Interface::fmi3CoSimulation: return simulateFmi3CoSimulation(library, component, settings);
    }
    return {};
}

void reportMemory(const host::Host& host) {
    if (host.liveBlocks() != 0) {
        std::printf("host: the component did not give back %zu memory block(s) when freed\n", host.liveBlocks());
    }
    for (const std::string& error : host.errors) std::printf("host: %s\n", error.c_str());
}

}  // namespace rebounder_host
