#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "command_line.h"

namespace rebounder_host {
namespace {

using command_line::Option;
using Refusal = std::optional<std::string>;

// The options as read, and whether a component was named.
struct Reading {
    Options options;
    bool componentGiven = false;
};

// A whole argument read as a finite number; anything else is refused.
std::optional<double> parseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int> parseCount(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

Refusal setStopTime(Reading& r, const std::string& text) {
    const auto number = parseNumber(text);
    if (!number || *number <= 0.0) return "--stop-time needs a positive number, not '" + text + "'";
    r.options.stopTime = *number;
    return std::nullopt;
}

Refusal setStep(Reading& r, const std::string& text) {
    const auto number = parseNumber(text);
    if (!number || *number <= 0.0) return "--step needs a positive number, not '" + text + "'";
    r.options.stepSize = *number;
    return std::nullopt;
}

// --csv and --svg: a path, not empty.
template <auto path, const char* name>
Refusal setPath(Reading& r, const std::string& text) {
    if (text.empty()) return std::string(name) + " needs a non-empty path";
    r.options.*path = text;
    return std::nullopt;
}
constexpr char csvOption[] = "--csv", svgOption[] = "--svg";

Refusal setString0(Reading& r, const std::string& text) {
    r.options.string0 = text;
    return std::nullopt;
}

template <auto flag, bool value>
Refusal setFlag(Reading& r, const std::string&) {
    r.options.*flag = value;
    return std::nullopt;
}

// An option that takes one of two words.
template <typename T>
Refusal choose(T& target, const std::string& text, std::pair<const char*, T> one, std::pair<const char*, T> other,
               const char* refusal) {
    if (text == one.first) target = one.second;
    else if (text == other.first) target = other.second;
    else return refusal;
    return std::nullopt;
}

Refusal setLogging(Reading& r, const std::string& text) {
    return choose(r.options.loggingOn, text, {"on", true}, {"off", false}, "--logging needs 'on' or 'off'");
}

Refusal setInterface(Reading& r, const std::string& text) {
    return choose(r.options.interface, text, {"me", InterfaceChoice::modelExchange},
                  {"cs", InterfaceChoice::coSimulation}, "--interface needs 'me' or 'cs'");
}

Refusal setSummaryLimit(Reading& r, const std::string& text) {
    const auto count = parseCount(text);
    if (!count) return "--summary-limit needs a whole number of 0 or more";
    r.options.summaryLimit = *count;
    return std::nullopt;
}

Refusal setClock(Reading& r, const std::string& text) {
    return choose(r.options.clock, text, {"index", Clock::index}, {"sum", Clock::sum}, "--clock needs 'index' or 'sum'");
}

Refusal setCompare(Reading& r, const std::string& text) {
    if (text.empty()) return "--compare needs the path of a reference CSV";
    r.options.comparePath = text;
    return std::nullopt;
}

Refusal setTolerance(Reading& r, const std::string& text) {
    const auto number = parseNumber(text);
    if (!number || *number < 0.0) return "--tolerance needs a number of 0 or more";
    r.options.tolerance = *number;
    return std::nullopt;
}

// NAME=VALUE: the name up to the first '=', the value all after it.
Refusal addStartValue(Reading& r, const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return "--start needs NAME=VALUE, not '" + text + "'";
    r.options.startValues.push_back({text.substr(0, equals), text.substr(equals + 1)});
    return std::nullopt;
}

Refusal setEarlyReturnRequest(Reading& r, const std::string& text) {
    const auto number = parseNumber(text);
    if (!number || *number < 0.0) return "--request-early-return needs a time of 0 or more, not '" + text + "'";
    r.options.earlyReturnRequestTime = *number;
    return std::nullopt;
}

// The argument that is no option: the one component.
Refusal setComponent(Reading& r, const std::string& argument) {
    if (argument.size() > 1 && argument[0] == '-') return command_line::unknownOption(argument);
    if (r.componentGiven) {
        return "only one component can be simulated at a time ('" + r.options.componentPath + "' and '" + argument +
               "' given)";
    }
    r.options.componentPath = argument;
    r.componentGiven = true;
    return std::nullopt;
}

// The options of every run: times, outputs, logging, the clock, the comparison.
std::vector<Option<Reading>> simulationOptions() {
    return {
        {"--stop-time", "T", "end of the simulation in seconds of model time (default 3)", setStopTime,
         "needs a number"},
        {"--step", "H",
         "model exchange: the integrator step (default 0.001);\nco-simulation: the communication step (default 0.01)",
         setStep, "needs a number"},
        {"--csv", "PATH",
         "where the trajectory goes (default: <component>.csv in the\ncurrent directory); one row per step, and two "
         "rows (before\nand after) at each model-exchange event",
         setPath<&Options::csvPath, csvOption>, "needs a path"},
        {"--no-csv", "", "write no trajectory", setFlag<&Options::writeCsv, false>},
        {"--svg", "PATH", "also draw height over time as an SVG plot at PATH", setPath<&Options::svgPath, svgOption>,
         "needs a path"},
        {"--logging", "on|off",
         "the loggingOn flag given to the component (default on);\noff silences its initialisation messages, not its "
         "warnings",
         setLogging, "needs 'on' or 'off'"},
        {"--raw-messages", "",
         "print log messages as formatted by the component, without\nreplacing \"#r<vr>#\" references by variable "
         "names",
         setFlag<&Options::expandReferences, false>},
        {"--string0", "TEXT",
         "write TEXT into string variable 0 after initialisation\n(with logging on the component echoes it to the "
         "logger)",
         setString0, "needs a text"},
        {"--interface", "me|cs", "which interface of an FMU that offers both to use", setInterface,
         "needs 'me' or 'cs'"},
        {"--summary-limit", "N", "rebounds listed one by one in the summary (default 10)", setSummaryLimit,
         "needs a whole number of 0 or more"},
        {"--clock", "index|sum",
         "how the clock advances from point to point: index (the\ndefault) computes point k as k*h and ends on the "
         "stop\ntime; sum takes round(T/h) steps of exactly h and adds h\nto the clock after each (t += h), as the "
         "simplest master",
         setClock, "needs 'index' or 'sum'"},
        {"--compare", "REF.csv",
         "compare the trajectory with a reference CSV (same columns,\nsame rows) and say where the first difference "
         "lies: row,\ntime, column and both values; the trajectory is then\nwritten only where --csv says",
         setCompare, "needs the path of a reference CSV"},
        {"--tolerance", "T",
         "with --compare: values agree within T (absolute), for a\nhost with another integrator; without it, bit for "
         "bit",
         setTolerance, "needs a number of 0 or more"},
    };
}

// The options only FMI 3.0 takes: start values of every type, and how a
// co-simulation run meets events, early returns and intermediate updates.
std::vector<Option<Reading>> fmi3Options() {
    return {
        {"--start", "NAME=VALUE",
         "FMI 3.0: give variable NAME the start value VALUE before\ninitialisation, with its type's setter: a number, true or\n"
         "false, a text, bytes as hexadecimal digits (00FF0080), an\narray's elements separated by commas; repeatable",
         addStartValue, "needs NAME=VALUE"},
        {"--event-mode", "",
         "FMI 3.0 co-simulation: instantiate with eventModeUsed; on\neventHandlingNeeded enter Event Mode, update the discrete\n"
         "states, enter Step Mode and go on from lastSuccessfulTime",
         setFlag<&Options::eventMode, true>},
        {"--early-return", "",
         "FMI 3.0 co-simulation: instantiate with earlyReturnAllowed;\na step that returns early is continued from\n"
         "lastSuccessfulTime to the communication point",
         setFlag<&Options::earlyReturn, true>},
        {"--intermediate-update", "",
         "FMI 3.0 co-simulation: pass an intermediateUpdate callback\nthat records each call and reads height and velocity when\n"
         "allowed",
         setFlag<&Options::intermediateUpdate, true>},
        {"--request-early-return", "T",
         "with --intermediate-update: the callback requests an early\nreturn at its first call at or after time T that can\n"
         "return early",
         setEarlyReturnRequest, "needs a time"},
    };
}

const std::vector<Option<Reading>>& optionTable() {
    static const std::vector<Option<Reading>> table = [] {
        std::vector<Option<Reading>> rows = simulationOptions();
        const std::vector<Option<Reading>> more = fmi3Options();
        rows.insert(rows.end(), more.begin(), more.end());
        rows.insert(rows.end(), {
            {"--version", "", "show the version and exit"},
            {"--help", "", "show this text and exit"},
        });
        return rows;
    }();
    return table;
}

// The column the options' help starts in.
constexpr std::size_t helpColumn = 23;

ParseResult failure(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

}  // namespace

std::string usage(const std::string& programName) {
    return "Usage: " + programName + " [options] COMPONENT\n"
           "       " + programName + " --compare REF.csv [--tolerance T] RESULT.csv\n"
           "\n"
           "Loads one FMI component and simulates it from t = 0 the way its interface\n"
           "prescribes: model exchange (FMI 3.0, 2.0 or 1.0) with this program's own\n"
           "fixed-step explicit Euler integrator and event detection on the event\n"
           "indicators (FMI 3.0: a change between > 0 and <= 0; before: a sign change),\n"
           "co-simulation (FMI 3.0 or 2.0) with one fmi3DoStep or fmi2DoStep per\n"
           "communication step. An FMU with both interfaces is simulated as FMI 3.0\n"
           "co-simulation, or FMI 2.0 model exchange, unless --interface says otherwise.\n"
           "Prints every log message the component sends, a summary of the rebounds, and\n"
           "writes the trajectory (time, height, velocity) as CSV.\n"
           "\n"
           "COMPONENT is either an .fmu archive (unpacked into a temporary directory;\n"
           "modelDescription.xml gives the FMI version, the interface, the model\n"
           "identifier and the variable names; the library is binaries/linux64/<id>.so, or\n"
           "binaries/linux32/<id>.so for a 32-bit build of this program; FMI 3.0:\n"
           "binaries/x86_64-linux/ or binaries/x86-linux/) or a shared library, whose\n"
           "interface is then derived from the functions it exports (fmi3GetVersion: FMI\n"
           "3.0; fmi2DoStep: co-simulation; fmi2GetDerivatives: FMI 2.0 model exchange;\n"
           "<id>_fmiInstantiateModel: FMI 1.0 model exchange) and whose variables get the\n"
           "built-in names height, velocity, gravity, restitution and acceleration.\n"
           "\n"
           "Options:\n" +
           command_line::optionList<Reading>(optionTable(), helpColumn) +
           "\n"
           "Log messages are printed as [status] category instance: text. References of the\n"
           "form #<type><vr># (type r, i, b or s) naming a known variable are replaced by its\n"
           "name and ## by #; malformed or unknown references are shown as they are.\n"
           "\n"
           "Rebounds: in model exchange the velocity just before and just after the event; in\n"
           "co-simulation the velocities at the two communication points around it (the\n"
           "component handles the event inside fmi2DoStep).\n"
           "\n"
           "With --compare, COMPONENT may also be a CSV file, a trajectory some host wrote:\n"
           "it is compared with the reference and nothing is simulated.\n"
           "\n"
           "FMI 3.0: after fmi3Discard (the step did not happen) the step is retried once\n"
           "with half its size; a second Discard ends the run (fmi3Terminate,\n"
           "fmi3FreeInstance). A termination the component asks for ends the run there.\n"
           "\n"
           "Exit status: 0 after a complete run (that agrees with the reference) or one the\n"
           "component asked to end, 1 when the component cannot be loaded, refuses\n"
           "instantiation, a call fails, a Discard could not be recovered or the trajectory\n"
           "differs from the reference, 2 for a bad command line (start values or options\n"
           "the component cannot take included).\n";
}

std::string versionText(const std::string& programName) { return command_line::versionText(programName); }

std::vector<std::string> coSimulation3Options(const Options& options) {
    std::vector<std::string> given;
    if (options.eventMode) given.push_back("--event-mode");
    if (options.earlyReturn) given.push_back("--early-return");
    if (options.intermediateUpdate) given.push_back("--intermediate-update");
    return given;
}

ParseResult parseOptions(const std::vector<std::string>& arguments) {
    Reading r;
    const command_line::Front front = command_line::read<Reading>(
        arguments, optionTable(), r, [&r](const std::string& argument) { return setComponent(r, argument); });
    ParseResult result;
    result.helpRequested = front.help;
    result.versionRequested = front.version;
    if (front.help || front.version) return result;
    if (!front.error.empty()) return failure(front.error);
    const Options& options = r.options;
    if (!r.componentGiven) return failure("no component given: name an .fmu archive or a shared library");
    if (options.tolerance && options.comparePath.empty()) return failure("--tolerance needs --compare");
    if (options.earlyReturnRequestTime && !options.intermediateUpdate)
        return failure("--request-early-return needs --intermediate-update");
    if (options.comparePath.empty() && options.componentPath.ends_with(".csv")) {
        return failure("a CSV file can only be compared: give --compare REF.csv");
    }
    result.options = options;
    return result;
}

}  // namespace rebounder_host
