// Probe 10: the calling sequence. Each call must be allowed in the state
// its instance is in; in co-simulation each fmi2DoStep must start where the
// previous one ended (the start time for the first), and no getter may follow
// a setter without an fmi2DoStep in between. A master that computes its
// points otherwise than by adding (n·h) is off by rounding only: a note with
// the largest difference in ulps.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

#include "calling_sequence.h"
#include "format.h"
#include "probe_judges.h"

namespace hostcheck {
namespace {

// Farther from the expected point than this fraction of the step is a step
// backwards or ahead, not rounding.
constexpr double roundingShare = 1e-6;

struct Tracked {
    Interface interface = Interface::modelExchange2;
    InstanceState state = InstanceState::instantiated;
    double nextPoint = 0.0;            // where the next fmi2DoStep must start
    std::optional<std::size_t> setter; // a setter since the last fmi2DoStep, after initialisation
    std::vector<std::size_t> calls;    // its calls so far, by index in the record
};

std::uint64_t ulpsBetween(double a, double b) {
    auto ordered = [](double x) {
        std::int64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        return bits < 0 ? INT64_MIN - bits : bits;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return static_cast<std::uint64_t>(d < 0 ? -d : d);
}

// "; the calls before: a -> fmi2OK, b -> fmi2OK" (the instance's last three).
std::string callsBefore(const Record& record, const std::vector<std::size_t>& calls) {
    if (calls.empty()) return "";
    std::string out;
    for (std::size_t i = calls.size() > 3 ? calls.size() - 3 : 0; i < calls.size(); ++i) {
        out += (out.empty() ? "" : ", ") + record.calls[calls[i]].textWithStatus();
    }
    return "; the calls before: " + out;
}

struct Judgement {
    std::optional<std::string> fault;
    std::uint64_t largestUlps = 0;
    std::size_t instances = 0;
};

// The co-simulation rules of one fmi2DoStep or getter beyond the table.
std::optional<std::string> coSimulationFault(const Record& record, Tracked& t, std::size_t k, Judgement& j) {
    const Call& call = record.calls[k];
    if (isValueSetter(call.role) && t.state == InstanceState::stepComplete) t.setter = k;
    if (isValueGetter(call.role) && t.setter) {
        return call.text() + " after " + record.calls[*t.setter].text() + " without " +
               functionName(call.version, Role::doStep) + " in between";
    }
    if (call.role != Role::doStep) return std::nullopt;
    t.setter.reset();
    const double point = call.numericArgument("currentCommunicationPoint").value_or(NAN);
    const double size = call.numericArgument("communicationStepSize").value_or(NAN);
    if (!(size > 0.0)) return call.text() + ": the step size must be above 0";
    const double expected = t.nextPoint;
    t.nextPoint = point + size;
    if (point == expected) return std::nullopt;
    if (std::abs(point - expected) <= roundingShare * size) {
        j.largestUlps = std::max(j.largestUlps, ulpsBetween(point, expected));
        return std::nullopt;
    }
    return call.text() + (point < expected ? " goes back" : " skips ahead") + ": the previous step ended at " +
           shortest(expected);
}

Judgement judge(const Record& record) {
    Judgement j;
    std::map<std::string, Tracked> tracked;  // by address: the instance created last there
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        const std::string address = call.instance();
        if (call.role == Role::instantiate) {
            const auto interface = interfaceOf(call);
            if (interface && !address.empty()) {
                Tracked fresh;
                fresh.interface = *interface;
                tracked[address] = fresh;
            }
            j.instances += interface && !address.empty();
            continue;
        }
        // Calls without an instance argument (the version queries) are allowed anywhere.
        if (!call.arguments.has("c")) continue;
        const auto found = tracked.find(address);
        if (found == tracked.end()) {
            j.fault = call.text() + " on " + (address.empty() ? "a null instance" : "an instance never created");
            return j;
        }
        Tracked& t = found->second;
        if (!allowed(t.interface, t.state, call.role)) {
            const std::string where = allowedStates(t.interface, call.role);
            j.fault = call.text() + " in " + stateName(t.state) +
                      (where.empty() ? "" : ", allowed only in " + where) + callsBefore(record, t.calls);
            return j;
        }
        if (t.interface == Interface::coSimulation2) {
            if (auto fault = coSimulationFault(record, t, k, j)) {
                j.fault = *fault + callsBefore(record, t.calls);
                return j;
            }
            if (call.role == Role::setupExperiment) t.nextPoint = call.numericArgument("startTime").value_or(0.0);
        }
        t.state = after(t.interface, t.state, call);
        t.calls.push_back(k);
    }
    return j;
}

Finding judged(const Run& run) {
    const Judgement j = judge(*run.record);
    if (j.fault) return {Verdict::fail, runWho(run), "the first call out of order: " + *j.fault};
    if (j.instances == 0) return {Verdict::notReached, runWho(run), "no instance created; the run " + run.end->where};
    if (const auto broken = brokenRun(run)) {
        return {Verdict::notReached, runWho(run), "no call out of order before the host " + *broken};
    }
    const std::string calls = "each call allowed in its state";
    if (j.largestUlps > 0) {
        return {Verdict::note, runWho(run), calls + "; " + functionName(FmiVersion::fmi2, Role::doStep) +
                                                " points up to " + std::to_string(j.largestUlps) +
                                             " ulps from where the previous step ended: the master computes its "
                                             "points otherwise than by adding the step"};
    }
    return {Verdict::pass, runWho(run), calls};
}

Finding unseen(const Run& run) { return {Verdict::notReached, runWho(run), "the calls cannot be seen", true}; }

}  // namespace

ProbeResult judgeCallingSequence(const Probe& probe, Runs& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, unseen);
    const std::string step = functionName(FmiVersion::fmi2, Role::doStep);
    result.fix = "Make each call only in the states that allow it; in co-simulation start each " + step +
                 " at the point where the previous one ended, and read outputs only after the " + step +
                 " that follows your inputs.";
    return result;
}

}  // namespace hostcheck
