#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace rebounder_host {
namespace {

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
           "prescribes: model exchange (FMI 2.0 or 1.0) with this program's own fixed-step\n"
           "explicit Euler integrator and event detection on the sign of the event\n"
           "indicators, co-simulation (FMI 2.0) with one fmi2DoStep per communication step.\n"
           "Prints every log message the component sends, a summary of the rebounds, and\n"
           "writes the trajectory (time, height, velocity) as CSV.\n"
           "\n"
           "COMPONENT is either an .fmu archive (unpacked into a temporary directory;\n"
           "modelDescription.xml gives the FMI version, the interface, the model\n"
           "identifier and the variable names; the library is binaries/linux64/<id>.so, or\n"
           "binaries/linux32/<id>.so for a 32-bit build of this program) or a\n"
           "shared library, whose interface is then derived from the functions it exports\n"
           "(fmi2DoStep: co-simulation; fmi2GetDerivatives: FMI 2.0 model exchange;\n"
           "<id>_fmiInstantiateModel: FMI 1.0 model exchange) and whose variables get the\n"
           "built-in names height, velocity, gravity, restitution and acceleration.\n"
           "\n"
           "Options:\n"
           "  --stop-time T        end of the simulation in seconds of model time (default 3)\n"
           "  --step H             model exchange: the integrator step (default 0.001);\n"
           "                       co-simulation: the communication step (default 0.01)\n"
           "  --csv PATH           where the trajectory goes (default: <component>.csv in the\n"
           "                       current directory); one row per step, and two rows (before\n"
           "                       and after) at each model-exchange event\n"
           "  --no-csv             write no trajectory\n"
           "  --svg PATH           also draw height over time as an SVG plot at PATH\n"
           "  --logging on|off     the loggingOn flag given to the component (default on);\n"
           "                       off silences its initialisation messages, not its warnings\n"
           "  --raw-messages       print log messages as formatted by the component, without\n"
           "                       replacing \"#r<vr>#\" references by variable names\n"
           "  --string0 TEXT       write TEXT into string variable 0 after initialisation\n"
           "                       (with logging on the component echoes it to the logger)\n"
           "  --interface me|cs    which interface of an FMU that offers both to use\n"
           "  --summary-limit N    rebounds listed one by one in the summary (default 10)\n"
           "  --clock index|sum    how the clock advances from point to point: index (the\n"
           "                       default) computes point k as k*h and ends on the stop\n"
           "                       time; sum takes round(T/h) steps of exactly h and adds h\n"
           "                       to the clock after each (t += h), as the simplest master\n"
           "  --compare REF.csv    compare the trajectory with a reference CSV (same columns,\n"
           "                       same rows) and say where the first difference lies: row,\n"
           "                       time, column and both values; the trajectory is then\n"
           "                       written only where --csv says\n"
           "  --tolerance T        with --compare: values agree within T (absolute), for a\n"
           "                       host with another integrator; without it, bit for bit\n"
           "  --version            show the version and exit\n"
           "  --help               show this text and exit\n"
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
           "Exit status: 0 after a complete run (that agrees with the reference), 1 when the\n"
           "component cannot be loaded, a call fails or the trajectory differs from the\n"
           "reference, 2 for a bad command line.\n";
}

std::string versionText(const std::string& programName) { return programName + " " + REBOUNDER_VERSION + "\n"; }

ParseResult parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool componentGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // Options that take a value accept both "--name value" and "--name=value".
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (argument.rfind("--", 0) == 0) {
            const auto equals = argument.find('=');
            if (equals != std::string::npos) {
                name = argument.substr(0, equals);
                inlineValue = argument.substr(equals + 1);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        auto flag = [&]() { return !inlineValue.has_value(); };

        if (name == "--help" || name == "-h") {
            ParseResult result;
            result.helpRequested = true;
            return result;
        } else if (name == "--version" && flag()) {
            ParseResult result;
            result.versionRequested = true;
            return result;
        } else if (name == "--stop-time" || name == "--step") {
            const auto text = value();
            if (!text) return failure(name + " needs a number");
            const auto number = parseNumber(*text);
            if (!number || *number <= 0.0) return failure(name + " needs a positive number, not '" + *text + "'");
            if (name == "--stop-time") options.stopTime = *number;
            else options.stepSize = *number;
        } else if (name == "--csv" || name == "--svg" || name == "--string0") {
            const auto text = value();
            if (!text) return failure(name + (name == "--string0" ? " needs a text" : " needs a path"));
            if (name != "--string0" && text->empty()) return failure(name + " needs a non-empty path");
            if (name == "--csv") options.csvPath = *text;
            if (name == "--svg") options.svgPath = *text;
            if (name == "--string0") options.string0 = *text;
        } else if (name == "--no-csv" && flag()) {
            options.writeCsv = false;
        } else if (name == "--raw-messages" && flag()) {
            options.expandReferences = false;
        } else if (name == "--logging") {
            const auto text = value();
            if (text == "on") options.loggingOn = true;
            else if (text == "off") options.loggingOn = false;
            else return failure("--logging needs 'on' or 'off'");
        } else if (name == "--interface") {
            const auto text = value();
            if (text == "me") options.interface = InterfaceChoice::modelExchange;
            else if (text == "cs") options.interface = InterfaceChoice::coSimulation;
            else return failure("--interface needs 'me' or 'cs'");
        } else if (name == "--summary-limit") {
            const auto text = value();
            const auto count = text ? parseCount(*text) : std::nullopt;
            if (!count) return failure("--summary-limit needs a whole number of 0 or more");
            options.summaryLimit = *count;
        } else if (name == "--clock") {
            const auto text = value();
            if (text == "index") options.clock = Clock::index;
            else if (text == "sum") options.clock = Clock::sum;
            else return failure("--clock needs 'index' or 'sum'");
        } else if (name == "--compare") {
            const auto text = value();
            if (!text || text->empty()) return failure("--compare needs the path of a reference CSV");
            options.comparePath = *text;
        } else if (name == "--tolerance") {
            const auto text = value();
            const auto number = text ? parseNumber(*text) : std::nullopt;
            if (!number || *number < 0.0) return failure("--tolerance needs a number of 0 or more");
            options.tolerance = *number;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return failure("unknown option '" + argument + "'");
        } else if (componentGiven) {
            return failure("only one component can be simulated at a time ('" + options.componentPath + "' and '" +
                           argument + "' given)");
        } else {
            options.componentPath = argument;
            componentGiven = true;
        }
    }
    if (!componentGiven) return failure("no component given: name an .fmu archive or a shared library");
    if (options.tolerance && options.comparePath.empty()) return failure("--tolerance needs --compare");
    if (options.comparePath.empty() && options.componentPath.ends_with(".csv")) {
        return failure("a CSV file can only be compared: give --compare REF.csv");
    }
    ParseResult result;
    result.options = options;
    return result;
}

}  // namespace rebounder_host
