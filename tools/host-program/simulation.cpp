#include "simulation.h"

#include <cstdio>

#include "log_references.h"

namespace rebounder_host {
namespace {

const char* statusName(int status, bool fmi2) {
    switch (status) {
        case 0: return "OK";
        case 1: return "Warning";
        case 2: return "Discard";
        case 3: return "Error";
        case 4: return "Fatal";
        case 5: return fmi2 ? "Pending" : "status 5";
        default: return "unknown status";
    }
}

}  // namespace

LogPrinter::LogPrinter(const host::Host& host_, const VariableNames& names_, bool expand_, bool fmi2_)
    : host(host_), names(names_), expand(expand_), fmi2(fmi2_) {}

void LogPrinter::flush() {
    for (; printed < host.log.size(); ++printed) {
        const host::LogEntry& entry = host.log[printed];
        const std::string text = expand ? expandReferences(entry.text, names) : entry.text;
        std::printf("[%s] %s %s: %s\n", statusName(entry.status, fmi2), entry.category.c_str(),
                    entry.instanceName.c_str(), text.c_str());
    }
    std::fflush(stdout);
}

double TimeGrid::next(std::size_t stepsTaken) const {
    const double time = static_cast<double>(stepsTaken + 1) * step;
    // A point within a millionth of a step of the stop time is the stop time:
    // no vanishing last step from rounding.
    return time > stop || stop - time < step * 1e-6 ? stop : time;
}

RunContext::RunContext(const VariableNames& names, bool expandReferences, bool fmi2_)
    : printer(host, names, expandReferences, fmi2_), fmi2(fmi2_) {}

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
    const std::string prefix = fmi2 ? "fmi2" : "fmi";
    if (status == 1) {
        std::printf("host: %s returned %sWarning; continuing\n", function, prefix.c_str());
        return true;
    }
    result.failure = std::string(function) + " returned " + prefix + statusName(status, fmi2);
    return false;
}

void reportMemory(const host::Host& host) {
    if (host.liveBlocks() != 0) {
        std::printf("host: the component did not give back %zu memory block(s) when freed\n", host.liveBlocks());
    }
    for (const std::string& error : host.errors) std::printf("host: %s\n", error.c_str());
}

}  // namespace rebounder_host
