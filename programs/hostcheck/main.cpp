// rebounder-hostcheck: runs an FMI host under test on the Rebounder FMUs,
// probe by probe, and reports how it copes.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "options.h"
#include "plots.h"
#include "report.h"
#include "runner.h"

namespace fs = std::filesystem;
using namespace hostcheck;

namespace {

constexpr int exitFailedProbe = 1;
constexpr int exitUsage = command_line::exitUsage;

// The recording FMUs, which let the probes see the host's calls: beside an
// installed program first, then in the build tree it was built in; the
// plain FMUs where no recording set was installed or built.
DefaultLocations defaultLocations() {
    std::error_code error;
    const fs::path prefix = fs::read_symlink("/proc/self/exe", error).parent_path().parent_path();
    const fs::path share = prefix / "share" / "rebounder";
    const fs::path built = REBOUNDER_HOSTCHECK_FMUS;
    DefaultLocations found{built.empty() ? "" : (built / "recording").string(), REBOUNDER_HOSTCHECK_REFERENCES};
    if (!built.empty() && !fs::is_directory(built / "recording")) found.fmus = built.string();
    if (!error && fs::is_directory(share / "fmu")) {
        found.fmus = (fs::is_directory(share / "fmu" / "recording") ? share / "fmu" / "recording" : share / "fmu").string();
    }
    if (!error && fs::is_directory(share / "reference-results")) {
        found.references = (share / "reference-results").string();
    }
    return found;
}

// The inputs the selected probes read; a missing one is a set-up error, not a verdict.
std::string missingInput(const Options& options) {
    const Settings& s = options.settings;
    for (const Probe& probe : probeTable()) {
        if (std::find(options.probes.begin(), options.probes.end(), probe.number) == options.probes.end()) continue;
        for (const RunRequest& run : probe.needs) {
            const fs::path fmu = fmuFolder(s, run.set) / (run.component + ".fmu");
            if (!fs::is_regular_file(fmu)) {
                return "no " + setName(run.set) + " " + run.component + ".fmu in " + fmu.parent_path().string() +
                       " (" + setOption(run.set) + " DIR)";
            }
        }
        // varnelle's (without event mode) only for FMI 3.0 runs.
        const std::vector<std::string_view> references =
            s.fmi3 ? std::vector<std::string_view>{"corvane", "varnelle"} : std::vector<std::string_view>{"corvane"};
        for (double step : referenceSteps()) {
            for (std::string_view reference : references) {
                if (!probe.readsReferences || fs::is_regular_file(referenceFile(s, step, reference))) continue;
                return "no reference " + referenceFile(s, step, reference).string() + " (--references DIR)";
            }
        }
    }
    return "";
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    return static_cast<bool>(file);
}

// The inputs as absolute paths (the FMUs are copied into each run's
// directory, so only the inputs read here need them) and a fresh working
// directory for the runs; false when that cannot be created.
bool prepare(Settings& settings) {
    settings.fmus = fs::absolute(settings.fmus);
    settings.strictFmus = fs::absolute(settings.strictFmus);
    settings.otherGuidFmus = fs::absolute(settings.otherGuidFmus);
    settings.references = fs::absolute(settings.references);
    std::string root = (fs::temp_directory_path() / "rebounder-hostcheck-XXXXXX").string();
    if (mkdtemp(root.data()) == nullptr) return false;
    settings.workRoot = root;
    return true;
}

// The reports the options ask for, the plots beside the Markdown one
// (report.md, report-2-model-exchange.svg; with several templates
// report-1-2-model-exchange.svg, numbered as given); false when one could
// not be written.
bool writeReports(const Options& options, std::vector<Summary>& summaries) {
    bool written = true;
    if (!options.reportPath.empty()) {
        const fs::path report = options.reportPath;
        for (std::size_t k = 0; k < summaries.size(); ++k) {
            const std::string prefix = summaries.size() == 1 ? "" : std::to_string(k + 1) + "-";
            for (const Plot& plot : trajectoryPlots(summaries[k].results)) {
                const std::string name = report.stem().string() + "-" + prefix + plot.file;
                written = writeFile((report.parent_path() / name).string(), plot.svg) && written;
                summaries[k].plots[plot.probe] = name;
            }
        }
        written = writeFile(options.reportPath, markdownReport(summaries)) && written;
    }
    if (!options.jsonPath.empty()) written = writeFile(options.jsonPath, jsonReport(summaries)) && written;
    if (!options.junitPath.empty()) written = writeFile(options.junitPath, junitReport(summaries)) && written;
    return written;
}

// One template checked: its settings (its own working directory under the
// check's), the runs it made and the probes' results from them.
struct TemplateCheck {
    std::string label;  // empty when it is the only one
    Settings settings;
    Runner runner;
    std::vector<ProbeResult> results;
    double seconds = 0;

    TemplateCheck(const Settings& common, std::string label_, const std::string& command, const fs::path& workRoot)
        : label(std::move(label_)), settings(common), runner(settings) {
        settings.hostTemplate = command;
        settings.workRoot = workRoot;
    }
};

// Each template with a working directory of its own: the check's for a
// single one, else one numbered as given inside it.
void addTemplates(std::list<TemplateCheck>& checks, const Options& options) {
    const bool single = options.hosts.size() == 1;
    for (std::size_t k = 0; k < options.hosts.size(); ++k) {
        const HostTemplate& host = options.hosts[k];
        const fs::path root = options.settings.workRoot;
        checks.emplace_back(options.settings, single ? "" : host.label, host.command,
                            single ? root : root / ("host-" + std::to_string(k + 1)));
    }
}

// Runs the selected probes for each template in turn; the progress lines
// name the template when there are several.
void checkEach(std::list<TemplateCheck>& checks, const Options& options, bool showProgress) {
    for (TemplateCheck& check : checks) {
        const auto start = std::chrono::steady_clock::now();
        const std::string prefix = check.label.empty() ? "" : check.label + ": ";
        if (showProgress) {
            check.runner.progress = [prefix](const std::string& line) {
                std::fprintf(stderr, "%s%s\n", prefix.c_str(), line.c_str());
            };
        }
        check.results = runProbes(check.runner, check.settings, options.probes);
        check.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
}

std::vector<Summary> summaries(std::list<TemplateCheck>& checks) {
    std::vector<Summary> out;
    for (TemplateCheck& c : checks) {
        const bool recorded = c.runner.records(FmuSet::defaultBuild) || c.runner.records(FmuSet::strictHost);
        out.push_back(Summary{c.settings, c.results, c.seconds, c.runner.runCount(), recorded});
        out.back().label = c.label;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string programName = fs::path(argv[0]).filename().string();
    ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc), defaultLocations());
    const command_line::Front front{parsed.helpRequested, parsed.versionRequested, parsed.error};
    if (const auto status = command_line::answerFront(front, programName, usage(programName))) return *status;
    Options& options = *parsed.options;
    if (const std::string missing = missingInput(options); !missing.empty()) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), missing.c_str());
        return exitUsage;
    }
    Settings& settings = options.settings;
    if (!prepare(settings)) {
        std::fprintf(stderr, "%s: cannot create a working directory in %s\n", programName.c_str(),
                     fs::temp_directory_path().c_str());
        return exitUsage;
    }

    std::list<TemplateCheck> checks;
    addTemplates(checks, options);
    const bool showProgress = options.progress == Progress::on || (options.progress == Progress::automatic && isatty(2));
    checkEach(checks, options, showProgress);

    std::vector<Summary> summary = summaries(checks);
    std::fputs(terminalTable(summary).c_str(), stdout);
    const bool written = writeReports(options, summary);
    if (!written) std::fprintf(stderr, "%s: could not write the report\n", programName.c_str());
    if (options.keepRuns) {
        std::printf("each run's working directory is kept under %s\n", settings.workRoot.c_str());
    } else {
        std::error_code ignored;
        fs::remove_all(settings.workRoot, ignored);
    }
    return !written || anyFailed(summary) ? exitFailedProbe : 0;
}
