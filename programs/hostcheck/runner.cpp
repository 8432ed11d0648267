#include "runner.h"

#include <zip.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "format.h"
#include "judging.h"
#include "model_expectations.h"
#include "process.h"

namespace hostcheck {
namespace {

namespace fs = std::filesystem;

// A run of 3 s records some ten thousand calls (about a megabyte) even for
// a host that reads every variable at every step; a record thirty times
// that is a host repeating calls without end.
constexpr std::uintmax_t largestRecord = 32u << 20;

bool supports(const Settings& settings, const RunRequest& request) {
    const expected::Component* facts = expected::componentNamed(request.component);
    if (facts == nullptr) return false;
    const bool interfaceTaken = coSimulationRun(request) ? settings.coSimulation : settings.modelExchange;
    const int version = facts->standardVersion;
    const bool versionTaken = version == 3 ? settings.fmi3 : version == 2 ? settings.fmi2 : settings.fmi1;
    return interfaceTaken && versionTaken;
}

std::string substituted(const std::string& pattern, const std::map<std::string, std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        bool replaced = false;
        for (const auto& [name, value] : values) {
            if (pattern.compare(i, name.size(), name) == 0) {
                out += value;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += pattern[i++];
    }
    return out;
}

struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryClose {
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

// Whether an entry of the archive holds the text, read in blocks: the
// blocks overlap by the text's length, so a text across two is found.
bool entryHolds(zip_t* archive, zip_uint64_t index, const std::string& wanted) {
    const std::unique_ptr<zip_file_t, EntryClose> entry(zip_fopen_index(archive, index, 0));
    if (!entry) return false;
    std::string window;
    char buffer[65536];
    for (zip_int64_t n; (n = zip_fread(entry.get(), buffer, sizeof buffer)) > 0;) {
        window.append(buffer, static_cast<std::size_t>(n));
        if (window.find(wanted) != std::string::npos) return true;
        window.erase(0, window.size() > wanted.size() ? window.size() - wanted.size() : 0);
    }
    return false;
}

// A recording library reads the variable's name from its environment, so
// the name is in its binary; the FMUs handed out carry no such text.
bool libraryNamesRecordVariable(const fs::path& fmu) {
    int code = 0;
    const std::unique_ptr<zip_t, ArchiveDiscard> archive(zip_open(fmu.c_str(), ZIP_RDONLY, &code));
    if (!archive) return false;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t k = 0; k < count; ++k) {
        const auto index = static_cast<zip_uint64_t>(k);
        const char* name = zip_get_name(archive.get(), index, 0);
        if (name == nullptr || std::string_view(name).rfind("binaries/", 0) != 0) continue;
        if (entryHolds(archive.get(), index, recording::recordVariable)) return true;
    }
    return false;
}

// Everything the host showed: its standard output and error, and the log
// files it left in its working directory.
std::string shownText(const Run& run, const fs::path& csv) {
    std::string text = run.outcome.allText();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(run.directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name == "stdout.txt" || name == "stderr.txt" || entry.path() == csv) continue;
        if (entry.path().extension() != ".log" && entry.path().extension() != ".txt") continue;
        std::ifstream file(entry.path());
        text.append("\n").append(std::istreambuf_iterator<char>(file), {});
    }
    return text;
}

}  // namespace

std::size_t Runner::runCount() const {
    std::size_t made = 0;
    for (const auto& [label, run] : runs) made += run.skipped ? 0 : 1;
    return made;
}

bool Runner::records(FmuSet set) {
    if (const auto known = recording.find(set); known != recording.end()) return known->second;
    const fs::path& folder = fmuFolder(settings, set);
    bool found = false;
    for (const expected::Component& component : expected::components) {
        found = found || libraryNamesRecordVariable(folder / (std::string(component.name) + ".fmu"));
    }
    return recording[set] = found;
}

const Run& Runner::operator()(const RunRequest& request) {
    const std::string label = runLabel(request);
    if (const auto found = runs.find(label); found != runs.end()) return found->second;
    Run& run = runs[label];
    run.request = request;
    run.label = label;
    run.name = runName(request);
    if (!supports(settings, request)) {
        run.skipped = true;
        return run;
    }
    // Each run in a directory of its own, with its own copy of the FMU: a
    // host that unpacks next to the archive or writes fixed file names
    // cannot disturb another run.
    char number[8];
    std::snprintf(number, sizeof number, "%02zu", runs.size());
    const std::string interface = request.interface.empty() ? "" : "-" + request.interface;
    run.directory = settings.workRoot / (std::string(number) + "-" + setName(request.set) + "-" + request.component +
                                         interface + "-h" + shortest(request.step));
    fs::create_directories(run.directory);
    const fs::path source = fmuFolder(settings, request.set) / (request.component + ".fmu");
    const fs::path fmu = run.directory / (request.component + ".fmu");
    std::error_code error;
    fs::copy_file(source, fmu, fs::copy_options::overwrite_existing, error);
    const fs::path csv = run.directory / (settings.csvName.empty() ? "result.csv" : settings.csvName);
    run.command = substituted(settings.hostTemplate, {{"{fmu}", shellQuoted(fmu.string())},
                                                      {"{csv}", shellQuoted(csv.string())},
                                                      {"{stop}", shortest(stopTime)},
                                                      {"{step}", shortest(request.step)},
                                                      {"{workdir}", shellQuoted(run.directory.string())},
                                                      {"{interface}", coSimulationRun(request) ? "cs" : "me"}});
    if (error) {
        run.outcome.errors = "cannot copy " + source.string() + ": " + error.message();
        return run;
    }
    const fs::path record = run.directory / "calls.record";
    if (progress) progress("probe " + std::to_string(probe) + ": " + label + ": running");
    run.outcome = runCommand(run.command, run.directory, settings.timeLimit, {{recording::recordVariable, record.string()}},
                             SizeLimit{record, largestRecord});
    run.record = readCallRecord(record);
    if (run.record) recording[request.set] = true;
    // No file from a recording set: no call reached the library.
    else if (records(request.set)) run.record = CallRecord{};
    if (run.record && !run.record->problem.empty()) run.record.reset();
    settleRunEnd(run);
    run.result = readTrajectory(csv, settings.separator);
    run.shown = shownText(run, csv);
    if (progress) progress("probe " + std::to_string(probe) + ": " + label + ": " + describe(run.outcome));
    return run;
}

}  // namespace hostcheck
