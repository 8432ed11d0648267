// The refused-instantiation probe ("refused"): the host gets a copy of each
// FMU whose description carries another GUID than the library's, so the
// instantiation returns null (the library logs nothing then). The
// host must report it and end, or go on without that instance: no crash,
// and no call with the null instance.
#include "calling_sequence.h"
#include "judging.h"

namespace hostcheck {
namespace {

// The first call with a null instance after a refused instantiation.
// FMI 3.0's fmi3FreeInstance(NULL) does nothing and is no fault.
std::optional<std::size_t> callOnNull(const CallRecord& record, std::size_t refused) {
    for (std::size_t k = refused + 1; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        const std::string* c = call.arguments.find("c");
        const bool harmless = call.version == FmiVersion::fmi3 && call.role == Role::release;
        if (c != nullptr && *c == "null" && !harmless) return k;
    }
    return std::nullopt;
}

std::optional<std::size_t> firstRefusal(const CallRecord& record) {
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.role == Role::instantiate && call.returned && call.instance().empty()) return k;
    }
    return std::nullopt;
}

// What the user learns: the exit status and the host's last line.
std::string reported(const Run& run) {
    return run.outcome.completed() ? "then ended with exit status 0" : "then ended with " + refusal(run);
}

Finding judged(const Run& run) {
    const CallRecord& record = *run.record;
    const auto refused = firstRefusal(record);
    if (!refused) {
        const auto broken = brokenRun(run);
        // A host that never met the refusal (it passed another GUID than the
        // description's) is not judged by what happened to it later.
        if (instantiated(record)) {
            return {Verdict::notReached, run.name,
                    "the instantiation was not refused: are these the other-GUID FMUs?" +
                        (broken ? "; the run then ended: " + *broken : std::string())};
        }
        if (broken) return {Verdict::fail, run.name, *broken};
        return {Verdict::notReached, run.name, "no instantiation; the host " + refusal(run)};
    }
    const std::string what = record.calls[*refused].name + " returned null";
    if (const auto onNull = callOnNull(record, *refused)) {
        return {Verdict::fail, run.name, what + "; then " + record.calls[*onNull].text() + " with the null instance" +
                                             (run.outcome.crashed() ? " (" + exitText(run.outcome) + ")" : "")};
    }
    if (run.outcome.crashed() || run.outcome.hung()) {
        return {Verdict::fail, run.name, what + "; then the host " + (run.outcome.crashed() ? "crashed" : "hung") + " (" +
                                             exitText(run.outcome) + ")"};
    }
    return {Verdict::pass, run.name, what + "; no call with the null instance, " + reported(run)};
}

Finding fromTheOutside(const Run& run) {
    if (const auto broken = brokenRun(run)) return {Verdict::fail, run.name, *broken, true};
    return {Verdict::note, run.name, "the calls after the refusal cannot be seen; the host " + refusal(run), true};
}

}  // namespace

ProbeResult judgeRefusedInstantiation(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, fromTheOutside);
    result.fix = "When instantiation returns null, report it and stop (or go on without that instance); never pass "
                 "the null instance to another function.";
    return result;
}

}  // namespace hostcheck
