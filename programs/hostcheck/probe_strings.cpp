// Probe 4: fmi2GetString and fmiGetString hand out null for string0 to
// string3 until the host writes them. What the host did right after such a
// read, in the runs of probes 2 and 3.
#include <set>

#include "probe_judges.h"

namespace hostcheck {
namespace {

// "string0, string2"
std::string stringNames(const std::set<long>& references) {
    std::string names;
    for (long vr : references) names += (names.empty() ? "" : ", ") + ("string" + std::to_string(vr));
    return names;
}

// Why no read handed out null: the host never read a string, or wrote the
// ones it read first.
std::string nothingReadNull(const Probe& probe, const Run& run) {
    const Record& record = *run.record;
    std::set<long> written;
    for (const Call& call : record.calls) {
        if (isStringGetter(call.role)) {
            return written.empty() ? "every string the host read held a value"
                                   : "the host wrote " + stringNames(written) + " before reading them";
        }
        if (call.role != Role::setString) continue;
        if (const std::string* vrs = call.arguments.find("vr")) {
            for (const std::string& vr : recordedList(*vrs)) {
                if (const auto number = recordedNumber(vr)) written.insert(static_cast<long>(*number));
            }
        }
    }
    const RunEnd& end = *run.end;
    if (end.subject != Subject::none && end.subject != probe.subject) {
        return "the host never read the strings; the run " + seeProbe(end);
    }
    return "the host never read the strings";
}

Finding judged(const Probe& probe, const Run& run) {
    const Record& record = *run.record;
    const auto null = firstNullString(record);
    if (!null) return {Verdict::notReached, run.name, nothingReadNull(probe, run)};
    const Call& call = record.calls[null->call];
    const std::string read = call.text() + " handed out null for string" + std::to_string(null->valueReference) +
                             ", " + phaseAt(record, null->call);
    const RunEnd& end = *run.end;
    if (end.reachedStop || simulationAfter(record, null->call)) {
        return {Verdict::pass, run.name, read + "; the host went on and " +
                                             (end.subject == Subject::none ? end.where : seeProbe(end))};
    }
    if (run.outcome.crashed() || run.outcome.hung()) {
        return {Verdict::fail, run.name, end.where + " (" + exitText(run.outcome) + ")"};
    }
    return {Verdict::note, run.name, "stopped cleanly right after " + read + ": " + refusal(run)};
}

// Where a hung run is judged: the trajectory probes, whose runs these are,
// and the probe of the endless event iteration ("2, 3 and 5").
std::string hangProbes() {
    std::vector<int> numbers;
    for (const Probe& probe : probeTable()) {
        if (probe.plotted || probe.subject == Subject::endlessEventIteration) numbers.push_back(probe.number);
    }
    std::string out;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[i]);
    }
    return out;
}

// Without a record: a crash is blamed on the strings, a run to the end
// shows they were survived, a refusal may be theirs.
std::vector<Finding> fromTheOutside(const std::vector<const Run*>& runs) {
    std::vector<Finding> findings;
    for (const Run* run : runs) {
        if (run->outcome.crashed()) {
            findings.push_back({Verdict::fail, run->name, "crashed with string0 to string3 never written, which read "
                                                          "back as null (" + exitText(run->outcome) + ")", true});
        } else if (run->outcome.completed()) {
            findings.push_back({Verdict::pass, run->name, "went to the end with the four strings never written (null)", true});
        } else if (run->outcome.hung()) {
            findings.push_back({Verdict::notReached, run->name, "hung (see probes " + hangProbes() + ")", true});
        } else {
            findings.push_back({Verdict::note, run->name, "refused: " + refusal(*run), true});
        }
    }
    return findings;
}

}  // namespace

ProbeResult judgeNullStrings(const Probe& probe, Runs& runs, const Settings&) {
    ProbeResult result = resultOf(probe);
    std::vector<Finding> findings;
    std::vector<const Run*> outside;
    for (const RunRequest& request : probe.needs) {
        const Run& run = runs(request);
        if (run.skipped) continue;
        result.runs.push_back(&run);
        if (run.record) findings.push_back(judged(probe, run));
        else outside.push_back(&run);
    }
    for (const Finding& f : fromTheOutside(outside)) findings.push_back(f);
    conclude(result, findings);
    result.fix = "Treat a null string handed out by " + functionNames(Role::getString) +
                 " as an absent value instead of reading through it.";
    return result;
}

}  // namespace hostcheck
