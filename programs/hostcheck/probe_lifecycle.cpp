// The lifecycle probe ("lifecycle"): every instance the host created is
// freed exactly once before the process ends, and no call reaches it after
// its release. Judged over the runs of the other probes. An address may come
// back for a later instance: a call on it belongs to the instance created
// last at that address.
#include <algorithm>
#include <map>

#include "calling_sequence.h"
#include "judging.h"

namespace hostcheck {
namespace {

struct Instance {
    std::string address;
    std::string name;  // as given at instantiation
    bool freed = false;
};

std::string named(const Instance& instance) {
    return "the instance " + (instance.name.empty() ? "" : instance.name + " ") + "(" + instance.address + ")";
}

// The first call on a released instance or a second release, or nullopt.
std::optional<std::string> callAfterRelease(const CallRecord& record, std::vector<Instance>& created) {
    std::map<std::string, std::size_t> latest;  // address -> its last instance
    for (const Call& call : record.calls) {
        const std::string address = call.instance();
        if (address.empty()) continue;
        if (call.role == Role::instantiate) {
            const std::string* name = call.arguments.find("instanceName");
            created.push_back({address, name ? *name : ""});
            latest[address] = created.size() - 1;
            continue;
        }
        const auto known = latest.find(address);
        if (known == latest.end()) continue;
        Instance& instance = created[known->second];
        if (instance.freed) {
            return named(instance) +
                   (call.role == Role::release ? " was freed a second time: " : " was called after its release: ") +
                   call.text();
        }
        if (call.role == Role::release) instance.freed = true;
    }
    return std::nullopt;
}

// FMI 3.0: after a call answered fmi3Fatal no call may reach any instance
// of the FMU, not even its release. The first one, or nullopt.
std::optional<std::string> callAfterFatal(const CallRecord& record) {
    std::optional<std::size_t> fatal;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (fatal && !call.instance().empty()) {
            return call.text() + " after " + record.calls[*fatal].textWithStatus() +
                   ": no call may reach an instance after fmi3Fatal";
        }
        if (!fatal && call.version == FmiVersion::fmi3 && call.answered(Status::fatal)) fatal = k;
    }
    return std::nullopt;
}

Finding judged(const Run& run) {
    const CallRecord& record = *run.record;
    std::vector<Instance> created;
    if (const auto after = callAfterRelease(record, created)) return {Verdict::fail, runWho(run), *after};
    if (const auto afterFatal = callAfterFatal(record)) return {Verdict::fail, runWho(run), *afterFatal};
    const RunEnd& end = *run.end;
    if (created.empty()) return {Verdict::notReached, runWho(run), "no instance created; the run " + end.where};
    if (run.outcome.crashed() || run.outcome.hung()) {
        return {Verdict::notReached, runWho(run), "the host " + end.where + " (" + exitText(run.outcome) + ")"};
    }
    // After fmi3Fatal an instance is gone without its release.
    const bool endedByFatal = std::any_of(record.calls.begin(), record.calls.end(), [](const Call& call) {
        return call.version == FmiVersion::fmi3 && call.answered(Status::fatal);
    });
    std::string leaked;
    for (const Instance& instance : created) {
        if (!instance.freed && !endedByFatal) leaked += (leaked.empty() ? "" : ", ") + named(instance);
    }
    if (!leaked.empty()) {
        return {Verdict::fail, runWho(run), leaked + " never freed; the run " + end.where + ", " + exitText(run.outcome)};
    }
    return {Verdict::pass, runWho(run), "each instance freed once, no call after its release"};
}

Finding unseen(const Run& run) { return {Verdict::notReached, runWho(run), "the instances cannot be seen", true}; }

}  // namespace

ProbeResult judgeLifecycle(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, unseen);
    result.fix = "Free every instance you created exactly once with " + functionNames(Role::release) +
                 ", also after a Discard or an Error, and make no call on it afterwards.";
    return result;
}

}  // namespace hostcheck
