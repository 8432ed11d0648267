// Probe 11: the instantiation fails. The host gets a copy of each FMU whose
// description carries another GUID than the library's, so fmi2Instantiate
// or fmiInstantiateModel returns null (the library logs nothing then). The
// host must report it and end, or go on without that instance: no crash,
// and no call with the null instance.
#include "calling_sequence.h"
#include "probe_judges.h"

namespace hostcheck {
namespace {

// The first call with a null instance after a refused instantiation.
std::optional<std::size_t> callOnNull(const Record& record, std::size_t refused) {
    for (std::size_t k = refused + 1; k < record.calls.size(); ++k) {
        const std::string* c = record.calls[k].arguments.find("c");
        if (c != nullptr && *c == "null") return k;
    }
    return std::nullopt;
}

std::optional<std::size_t> firstRefusal(const Record& record) {
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
    const Record& record = *run.record;
    const auto refused = firstRefusal(record);
    if (!refused) {
        if (const auto broken = brokenRun(run)) return {Verdict::fail, run.name, *broken};
        const bool instantiatedAnyway = instantiated(record);
        return {Verdict::notReached, run.name,
                instantiatedAnyway ? "the instantiation was not refused: are these the other-GUID FMUs?"
                                   : "no instantiation; the host " + refusal(run)};
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

ProbeResult judgeRefusedInstantiation(const Probe& probe, Runs& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, fromTheOutside);
    result.fix = "When instantiation returns null, report it and stop (or go on without that instance); never pass "
                 "the null instance to another function.";
    return result;
}

}  // namespace hostcheck
