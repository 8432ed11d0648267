#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <regex>
#include <sstream>

namespace hostcheck {
namespace {

ParseResult failure(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

std::vector<std::string> items(const std::string& list) {
    std::vector<std::string> out;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) out.push_back(item);
    return out;
}

}  // namespace

std::string usage(const std::string& programName) {
    std::string probes;
    for (const Probe& probe : probeTable()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %d %-15s %s: %s\n", probe.number, std::string(probe.name).c_str(),
                      std::string(probe.title).c_str(), std::string(probe.runs).c_str());
        probes += line;
    }
    return "Usage: " + programName + " --host TEMPLATE [options]\n"
           "\n"
           "Runs an FMI host on the Rebounder FMUs and reports, probe by probe, how it copes:\n" +
           probes +
           "The FMUs are the recording build: each run's calls into the component and its callbacks\n"
           "go to a call record (the variable REBOUNDER_CALL_RECORD names it), and each probe\n"
           "judges from the calls the host made. Verdicts: pass, note (a legitimate choice), fail (the\n"
           "host did something wrong), not reached (the runs never got to what the probe tests; it says\n"
           "where they ended and why), skip (an interface the host does not take). FMUs that keep no\n"
           "record are judged from the outside only, and the verdicts say so.\n"
           "\n"
           "TEMPLATE is the host's command line, run with /bin/sh in a fresh working directory per run,\n"
           "with these placeholders replaced (file names shell-quoted: do not quote them again):\n"
           "  {fmu} the FMU (a copy in the working directory)   {csv} where the result CSV must go\n"
           "  {stop} the stop time (3)   {step} the output interval or communication step   {workdir}\n"
           "Example: --host 'fmpy simulate {fmu} --output-file {csv} --stop-time {stop} --output-interval {step}'\n"
           "Switch the host's logging on in the template: probe 6 reads what the host prints.\n"
           "\n"
           "Options:\n"
           "  --host TEMPLATE        the host's command line (required)\n"
           "  --csv-name NAME        the host writes its CSV as NAME in its working directory\n"
           "  --interface LIST       what the host takes: me, cs or me,cs (default me,cs)\n"
           "  --fmi-versions LIST    1, 2 or 1,2 (default 1,2)\n"
           "  --time-limit SECONDS   per run; a run still going is killed (default 60)\n"
           "  --separator SEP        the CSV separator: auto, comma, semicolon or tab (default auto)\n"
           "  --probes LIST          only these probes, by number or name: 4,7 or strings,discard\n"
           "  --fmus DIR             the default FMUs (default: <prefix>/share/rebounder/fmu/recording or\n"
           "                         the build tree's fmu/recording)\n"
           "  --strict-fmus DIR      the strict-host FMUs (default: <fmus>/strict-host)\n"
           "  --other-guid-fmus DIR  the FMUs whose description carries another GUID (default: <fmus>/other-guid)\n"
           "  --references DIR       corvane-h0.01.csv etc. (default: <prefix>/share/rebounder/reference-results\n"
           "                         or the source tree's docs/reference-results)\n"
           "  --report FILE          also write a Markdown report to attach to a bug, with a plot (SVG) of each\n"
           "                         trajectory probe beside it\n"
           "  --junit FILE           also write the verdicts as JUnit XML, one test case per probe\n"
           "  --json FILE            also write the verdicts as JSON\n"
           "  --progress             show each host run as it starts and ends on standard error (the default\n"
           "                         when it is a terminal)\n"
           "  --quiet                no progress lines\n"
           "  --keep-runs            keep each run's working directory (output, CSV, call record) and say where\n"
           "  --version              show the version\n"
           "  --help                 show this text\n"
           "\n"
           "Exit status: 0 when no probe failed, 1 when one did, 2 for a bad command line or missing inputs.\n";
}

std::string versionText(const std::string& programName) { return programName + " " + REBOUNDER_VERSION + "\n"; }

ParseResult parseOptions(const std::vector<std::string>& arguments, const DefaultLocations& defaults) {
    Options options;
    Settings& s = options.settings;
    s.fmus = defaults.fmus;
    s.references = defaults.references;
    bool hostGiven = false, strictGiven = false, otherGuidGiven = false;
    for (const Probe& probe : probeTable()) options.probes.push_back(probe.number);

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (name == "--help" || name == "-h") {
            ParseResult result;
            result.helpRequested = true;
            return result;
        }
        if (name == "--version" && !inlineValue) {
            ParseResult result;
            result.versionRequested = true;
            return result;
        }
        if (name == "--keep-runs" && !inlineValue) {
            options.keepRuns = true;
            continue;
        }
        if (name == "--progress" && !inlineValue) {
            options.progress = Progress::on;
            continue;
        }
        if (name == "--quiet" && !inlineValue) {
            options.progress = Progress::off;
            continue;
        }
        static const std::set<std::string> valued{"--host", "--csv-name", "--interface", "--fmi-versions",
                                                  "--time-limit", "--separator", "--probes", "--fmus",
                                                  "--strict-fmus", "--references", "--report", "--json",
                                                  "--junit", "--other-guid-fmus"};
        if (valued.count(name) == 0) return failure("unknown option '" + arguments[i] + "'");
        const auto text = value();
        if (!text) return failure(name + " needs a value");
        if (name == "--host") {
            s.hostTemplate = *text;
            hostGiven = true;
        } else if (name == "--csv-name") {
            if (text->empty() || text->find('/') != std::string::npos) return failure("--csv-name needs a file name");
            s.csvName = *text;
        } else if (name == "--interface") {
            s.modelExchange = s.coSimulation = false;
            for (const std::string& item : items(*text)) {
                if (item == "me") s.modelExchange = true;
                else if (item == "cs") s.coSimulation = true;
                else return failure("--interface takes me, cs or me,cs, not '" + *text + "'");
            }
        } else if (name == "--fmi-versions") {
            s.fmi1 = s.fmi2 = false;
            for (const std::string& item : items(*text)) {
                if (item == "1") s.fmi1 = true;
                else if (item == "2") s.fmi2 = true;
                else return failure("--fmi-versions takes 1, 2 or 1,2, not '" + *text + "'");
            }
        } else if (name == "--time-limit") {
            char* end = nullptr;
            s.timeLimit = std::strtod(text->c_str(), &end);
            if (text->empty() || *end != '\0' || !(s.timeLimit > 0.0) || s.timeLimit > 86400.0) {
                return failure("--time-limit needs a number of seconds above 0");
            }
        } else if (name == "--separator") {
            if (*text == "auto") s.separator = 0;
            else if (*text == "comma" || *text == ",") s.separator = ',';
            else if (*text == "semicolon" || *text == ";") s.separator = ';';
            else if (*text == "tab") s.separator = '\t';
            else return failure("--separator takes auto, comma, semicolon or tab");
        } else if (name == "--probes") {
            options.probes.clear();
            for (const std::string& item : items(*text)) {
                const Probe* probe = findProbe(item);
                if (probe == nullptr) return failure("--probes takes probe numbers or names, like 4,7 or strings,discard; "
                                                     "not '" + item + "'");
                options.probes.push_back(probe->number);
            }
        } else if (name == "--fmus") {
            s.fmus = *text;
        } else if (name == "--strict-fmus") {
            s.strictFmus = *text;
            strictGiven = true;
        } else if (name == "--references") {
            s.references = *text;
        } else if (name == "--report") {
            options.reportPath = *text;
        } else if (name == "--json") {
            options.jsonPath = *text;
        } else if (name == "--junit") {
            options.junitPath = *text;
        } else if (name == "--other-guid-fmus") {
            s.otherGuidFmus = *text;
            otherGuidGiven = true;
        }
    }
    if (!strictGiven) s.strictFmus = s.fmus / "strict-host";
    if (!otherGuidGiven) s.otherGuidFmus = s.fmus / "other-guid";
    if (!hostGiven) return failure("no host given: --host 'COMMAND {fmu} ...'");
    const std::regex placeholder(R"(\{[a-z]+\})");
    for (std::sregex_iterator it(s.hostTemplate.begin(), s.hostTemplate.end(), placeholder), end; it != end; ++it) {
        const std::string found = it->str();
        if (found != "{fmu}" && found != "{csv}" && found != "{stop}" && found != "{step}" && found != "{workdir}") {
            return failure("unknown placeholder " + found +
                           " in the template (known: {fmu} {csv} {stop} {step} {workdir})");
        }
    }
    if (s.hostTemplate.find("{fmu}") == std::string::npos) return failure("the template lacks {fmu}");
    if (s.csvName.empty() && s.hostTemplate.find("{csv}") == std::string::npos) {
        return failure("the template lacks {csv}; for a host that writes a fixed file name use --csv-name NAME");
    }
    ParseResult result;
    result.options = std::move(options);
    return result;
}

}  // namespace hostcheck
