#include "options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <regex>
#include <sstream>
#include <string_view>
#include <utility>

#include "command_line.h"

namespace hostcheck {
namespace {

using command_line::Option;

// The options as read, with what the checks after reading need to know.
struct Reading {
    Options options;
    bool strictGiven = false, otherGuidGiven = false;
};

std::vector<std::string> items(const std::string& list) {
    std::vector<std::string> out;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) out.push_back(item);
    return out;
}

using Refusal = std::optional<std::string>;

// Two probes named as the example of --probes, by number or by name: the
// strings and the Discard ("4,7", "strings,discard").
std::string probeExample(bool byName) {
    std::string out;
    for (Subject subject : {Subject::nullString, Subject::discard}) {
        const Probe& probe = *findProbe(std::to_string(probeOfSubject(subject)));
        if (!out.empty()) out += ',';
        out += byName ? std::string(probe.name) : std::to_string(probe.number);
    }
    return out;
}

// A list of some of the words, each switching its setting on.
Refusal chooseSome(const std::string& text, std::initializer_list<std::pair<const char*, bool*>> words,
                   const std::string& refusal) {
    for (const auto& [word, setting] : words) *setting = false;
    for (const std::string& item : items(text)) {
        const auto named = std::find_if(words.begin(), words.end(), [&](const auto& w) { return item == w.first; });
        if (named == words.end()) return refusal + ", not '" + text + "'";
        *named->second = true;
    }
    return std::nullopt;
}

Refusal setInterfaces(Reading& r, const std::string& text) {
    Settings& s = r.options.settings;
    return chooseSome(text, {{"me", &s.modelExchange}, {"cs", &s.coSimulation}}, "--interface takes me, cs or me,cs");
}

Refusal setVersions(Reading& r, const std::string& text) {
    Settings& s = r.options.settings;
    return chooseSome(text, {{"1", &s.fmi1}, {"2", &s.fmi2}, {"3", &s.fmi3}},
                      "--fmi-versions takes 1, 2, 3 or a list of them (1,2,3)");
}

Refusal setTimeLimit(Reading& r, const std::string& text) {
    char* end = nullptr;
    double& limit = r.options.settings.timeLimit;
    limit = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(limit > 0.0) || limit > 86400.0) {
        return "--time-limit needs a number of seconds above 0";
    }
    return std::nullopt;
}

Refusal setSeparator(Reading& r, const std::string& text) {
    char& separator = r.options.settings.separator;
    if (text == "auto") separator = 0;
    else if (text == "comma" || text == ",") separator = ',';
    else if (text == "semicolon" || text == ";") separator = ';';
    else if (text == "tab") separator = '\t';
    else return "--separator takes auto, comma, semicolon or tab";
    return std::nullopt;
}

Refusal setProbes(Reading& r, const std::string& text) {
    r.options.probes.clear();
    for (const std::string& item : items(text)) {
        const Probe* probe = findProbe(item);
        if (probe == nullptr) {
            return "--probes takes probe numbers or names, like " + probeExample(false) + " or " +
                   probeExample(true) + "; not '" + item + "'";
        }
        r.options.probes.push_back(probe->number);
    }
    return std::nullopt;
}

Refusal addHost(Reading& r, const std::string& text) {
    r.options.hosts.push_back({"", text});
    return std::nullopt;
}

Refusal setLabel(Reading& r, const std::string& text) {
    if (r.options.hosts.empty()) return "--label names the --host given before it: give --host first";
    std::string& label = r.options.hosts.back().label;
    if (!label.empty()) return "--label given twice for the --host '" + r.options.hosts.back().command + "'";
    if (text.empty() || text.find_first_of("\n\t") != std::string::npos) return "--label needs a short name";
    label = text;
    return std::nullopt;
}

Refusal setCsvName(Reading& r, const std::string& text) {
    if (text.empty() || text.find('/') != std::string::npos) return "--csv-name needs a file name";
    r.options.settings.csvName = text;
    return std::nullopt;
}

// The column the options' help starts in.
constexpr std::size_t helpColumn = 25;

// The help of --probes names two probes of the table as an example.
std::string probesHelp() {
    return "only these probes, by number or name: " + probeExample(false) + " or " + probeExample(true);
}

// Options stored as given; some also note that they were given.
template <auto setting, auto given = nullptr>
Refusal setSetting(Reading& r, const std::string& text) {
    r.options.settings.*setting = text;
    if constexpr (given != nullptr) r.*given = true;
    return std::nullopt;
}

template <auto path>
Refusal setOutput(Reading& r, const std::string& text) {
    r.options.*path = text;
    return std::nullopt;
}

template <Progress progress>
Refusal setProgress(Reading& r, const std::string&) {
    r.options.progress = progress;
    return std::nullopt;
}

Refusal keepRuns(Reading& r, const std::string&) {
    r.options.keepRuns = true;
    return std::nullopt;
}

const std::vector<Option<Reading>>& optionTable() {
    static const std::string probes = probesHelp();
    static const std::vector<Option<Reading>> table{
        {"--host", "TEMPLATE",
         "the host's command line (required); several --host are checked side by\nside, each on runs of its own",
         addHost},
        {"--label", "LABEL",
         "names the --host given just before it in the verdicts (default: host 1,\nhost 2, ...)",
         setLabel},
        {"--csv-name", "NAME", "the host writes its CSV as NAME in its working directory", setCsvName},
        {"--interface", "LIST", "what the host takes: me, cs or me,cs (default me,cs)", setInterfaces},
        {"--fmi-versions", "LIST", "1, 2, 3 or a list of them (default 1,2)", setVersions},
        {"--time-limit", "SECONDS", "per run; a run still going is killed (default 60)", setTimeLimit},
        {"--separator", "SEP", "the CSV separator: auto, comma, semicolon or tab (default auto)", setSeparator},
        {"--probes", "LIST", probes, setProbes},
        {"--fmus", "DIR",
         "the default FMUs (default: <prefix>/share/rebounder/fmu/recording or\nthe build tree's fmu/recording)",
         setSetting<&Settings::fmus>},
        {"--strict-fmus", "DIR", "the strict-host FMUs (default: <fmus>/strict-host)",
         setSetting<&Settings::strictFmus, &Reading::strictGiven>},
        {"--other-guid-fmus", "DIR", "the FMUs whose description carries another GUID (default: <fmus>/other-guid)",
         setSetting<&Settings::otherGuidFmus, &Reading::otherGuidGiven>},
        {"--references", "DIR",
         "corvane-h0.01.csv etc. (default: <prefix>/share/rebounder/reference-results\nor the source tree's "
         "docs/reference-results)",
         setSetting<&Settings::references>},
        {"--report", "FILE",
         "also write a Markdown report to attach to a bug, with a plot (SVG) of each\ntrajectory probe beside it",
         setOutput<&Options::reportPath>},
        {"--junit", "FILE", "also write the verdicts as JUnit XML, one test case per probe",
         setOutput<&Options::junitPath>},
        {"--json", "FILE", "also write the verdicts as JSON", setOutput<&Options::jsonPath>},
        {"--progress", "",
         "show each host run as it starts and ends on standard error (the default\nwhen it is a terminal)",
         setProgress<Progress::on>},
        {"--quiet", "", "no progress lines", setProgress<Progress::off>},
        {"--keep-runs", "", "keep each run's working directory (output, CSV, call record) and say where", keepRuns},
        {"--version", "", "show the version"},
        {"--help", "", "show this text"},
    };
    return table;
}

ParseResult failure(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

// What is wrong with a host's template, or nullopt.
std::optional<std::string> templateProblem(const std::string& hostTemplate, const Settings& s) {
    const std::regex placeholder(R"(\{[a-z]+\})");
    for (std::sregex_iterator it(hostTemplate.begin(), hostTemplate.end(), placeholder), end; it != end; ++it) {
        const std::string found = it->str();
        constexpr std::string_view known[] = {"{fmu}", "{csv}", "{stop}", "{step}", "{workdir}", "{interface}"};
        if (std::find(std::begin(known), std::end(known), found) == std::end(known)) {
            return "unknown placeholder " + found +
                   " in the template (known: {fmu} {csv} {stop} {step} {workdir} {interface})";
        }
    }
    if (hostTemplate.find("{fmu}") == std::string::npos) return "the template lacks {fmu}";
    if (s.csvName.empty() && hostTemplate.find("{csv}") == std::string::npos) {
        return "the template lacks {csv}; for a host that writes a fixed file name use --csv-name NAME";
    }
    return std::nullopt;
}

// Each template labelled, the labels told apart, and every template sound;
// the first is the settings' own. A single template's problem is told as
// before, one of several names its label.
std::optional<std::string> hostsProblem(Options& options) {
    std::vector<HostTemplate>& hosts = options.hosts;
    for (std::size_t k = 0; k < hosts.size(); ++k) {
        if (hosts[k].label.empty()) hosts[k].label = "host " + std::to_string(k + 1);
        for (std::size_t other = 0; other < k; ++other) {
            if (hosts[other].label == hosts[k].label) return "two --host carry the label '" + hosts[k].label + "'";
        }
        if (const auto problem = templateProblem(hosts[k].command, options.settings)) {
            return hosts.size() == 1 ? *problem : hosts[k].label + ": " + *problem;
        }
    }
    options.settings.hostTemplate = hosts.front().command;
    return std::nullopt;
}

}  // namespace

std::string usage(const std::string& programName) {
    const std::string logProbe = std::to_string(probeOfSubject(Subject::loggerCrash));
    std::string probes;
    for (const Probe& probe : probeTable()) {
        // The name padded to 15 columns; the line as long as its text.
        char number[24];
        std::snprintf(number, sizeof number, "  %d %-15s ", probe.number, std::string(probe.name).c_str());
        probes.append(number).append(probe.title).append(": ").append(probe.runs).append("\n");
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
           "  {interface} me or cs, the interface the run asks for (FMI 3.0 components serve both)\n"
           "Example: --host 'fmpy simulate {fmu} --output-file {csv} --stop-time {stop} --output-interval {step}'\n"
           "Switch the host's logging on in the template: probe " + logProbe + " reads what the host prints.\n"
           "Several templates of one host (or of several) are checked side by side, each on runs of its own:\n"
           "  --host 'rebounder-host {fmu} ...' --label plain --host 'rebounder-host {fmu} ... --event-mode' --label events\n"
           "The verdicts then show one column per label; the exit status is the worst over them.\n"
           "\n"
           "Options:\n" +
           command_line::optionList<Reading>(optionTable(), helpColumn) +
           "\n"
           "Exit status: 0 when no probe failed, 1 when one did, 2 for a bad command line or missing inputs.\n";
}

std::string versionText(const std::string& programName) { return command_line::versionText(programName); }

ParseResult parseOptions(const std::vector<std::string>& arguments, const DefaultLocations& defaults) {
    Reading r;
    Settings& s = r.options.settings;
    s.fmus = defaults.fmus;
    s.references = defaults.references;
    for (const Probe& probe : probeTable()) r.options.probes.push_back(probe.number);
    // Every argument is an option: one that is not is unknown.
    const command_line::Front front =
        command_line::read<Reading>(arguments, optionTable(), r, [](const std::string& argument) {
            return std::optional<std::string>(command_line::unknownOption(argument));
        });
    ParseResult result;
    result.helpRequested = front.help;
    result.versionRequested = front.version;
    if (front.help || front.version) return result;
    if (!front.error.empty()) return failure(front.error);
    if (!r.strictGiven) s.strictFmus = s.fmus / "strict-host";
    if (!r.otherGuidGiven) s.otherGuidFmus = s.fmus / "other-guid";
    if (r.options.hosts.empty()) return failure("no host given: --host 'COMMAND {fmu} ...'");
    if (const auto problem = hostsProblem(r.options)) return failure(*problem);
    result.options = std::move(r.options);
    return result;
}

}  // namespace hostcheck
