#include "command_line.h"

#include <cstdio>

namespace command_line {

Spelled spelled(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (argument.rfind("--", 0) != 0 || equals == std::string::npos) return {argument, std::nullopt};
    return {argument.substr(0, equals), argument.substr(equals + 1)};
}

std::string unknownOption(const std::string& argument) { return "unknown option '" + argument + "'"; }

std::string optionLine(std::string_view name, std::string_view argument, std::string_view help, std::size_t column) {
    std::string head = "  " + std::string(name) + (argument.empty() ? "" : " " + std::string(argument));
    // A head too long for its column gets at least one space.
    head.resize(std::max(column, head.size() + 1), ' ');
    std::string out;
    for (std::size_t start = 0; start <= help.size();) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        out += (out.empty() ? head : std::string(column, ' ')) + std::string(help.substr(start, end - start)) + "\n";
        start = end + 1;
    }
    return out;
}

std::string versionText(const std::string& programName) { return programName + " " + REBOUNDER_VERSION + "\n"; }

std::optional<int> answerFront(const Front& front, const std::string& programName, const std::string& usage) {
    if (front.help) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    }
    if (front.version) {
        std::fputs(versionText(programName).c_str(), stdout);
        return 0;
    }
    if (front.error.empty()) return std::nullopt;
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", programName.c_str(), front.error.c_str(),
                 programName.c_str());
    return exitUsage;
}

}  // namespace command_line
