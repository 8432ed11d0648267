// What the two programs' command lines share: each program's options are a
// table (name, argument, help, what it sets) read by one loop, the help's
// option list is written from the same table, and the front both programs
// have (--help, --version, a bad command line) is answered in one place.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace command_line {

// One option. A flag has no argument; set is then called with an empty
// value. set answers the error message for a value it refuses, nullopt when
// it took it. The front's options (--help, --version) have no set.
template <typename Options>
struct Option {
    std::string_view name;
    std::string_view argument;  // as the help shows it: "T", "PATH"; empty for a flag
    std::string_view help;      // lines split by '\n'
    std::optional<std::string> (*set)(Options& options, const std::string& value) = nullptr;
    std::string_view missing = "needs a value";  // after the name, when the argument is missing
};

// What the command line asked for besides the options.
struct Front {
    bool help = false;
    bool version = false;
    std::string error = "";  // a bad command line; empty when it is good
};

// An argument split into its name and, for "--name=value", its value.
struct Spelled {
    std::string name;
    std::optional<std::string> value;
};
Spelled spelled(const std::string& argument);

// Reads the arguments by the table: "--name value" and "--name=value" for an
// option with an argument, "--name" for a flag, -h for --help. An argument
// that is no option goes to operand, which answers an error or nullopt.
template <typename Options>
Front read(const std::vector<std::string>& arguments, std::span<const Option<Options>> table, Options& options,
           const std::function<std::optional<std::string>(const std::string&)>& operand) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const Spelled argument = spelled(arguments[i]);
        const Option<Options>* option = nullptr;
        for (const Option<Options>& o : table) option = o.name == argument.name ? &o : option;
        if (argument.name == "-h" || (option != nullptr && option->name == "--help")) return {.help = true};
        // A flag given a value is no option it knows.
        if (option != nullptr && option->argument.empty() && argument.value) option = nullptr;
        if (option == nullptr) {
            if (const auto error = operand(arguments[i])) return {.error = *error};
            continue;
        }
        if (option->set == nullptr) return {.version = true};
        std::optional<std::string> value = option->argument.empty() ? std::string() : argument.value;
        if (!value && i + 1 < arguments.size()) value = arguments[++i];
        if (!value) return {.error = std::string(option->name) + " " + std::string(option->missing)};
        if (const auto error = option->set(options, *value)) return {.error = *error};
    }
    return {};
}

// The error for an argument that is neither a known option nor an operand.
std::string unknownOption(const std::string& argument);

// One line of the help's option list: "  --step H" and its help from column
// on, the help's further lines indented to it.
std::string optionLine(std::string_view name, std::string_view argument, std::string_view help, std::size_t column);

// The help's option list, in the table's order.
template <typename Options>
std::string optionList(std::span<const Option<Options>> table, std::size_t column) {
    std::string out;
    for (const Option<Options>& o : table) out += optionLine(o.name, o.argument, o.help, column);
    return out;
}

// "rebounder-host 1.0.0"
std::string versionText(const std::string& programName);

// What main does with the front: the help or the version on standard output
// (exit status 0), a bad command line on standard error with a pointer to
// the help (exit status 2); nullopt when the program goes on.
inline constexpr int exitUsage = 2;
std::optional<int> answerFront(const Front& front, const std::string& programName, const std::string& usage);

}  // namespace command_line
