// The calling-sequence probe ("sequence"). Each call must be allowed in the
// state its instance is in; in co-simulation each step must start where the
// previous one ended (the start time for the first), and no getter may follow
// a setter without a step in between. A master that computes its
// points otherwise than by adding (n·h) is off by rounding only: a note with
// the largest difference in ulps.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

#include "calling_sequence.h"
#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

// Farther from the expected point than this fraction of the step is a step
// backwards or ahead, not rounding.
constexpr double roundingShare = 1e-6;

struct Tracked {
    Interface interface = Interface::modelExchange2;
    InstanceState state = Fmi2State::instantiated;
    double nextPoint = 0.0;            // where the next step must start
    std::optional<std::size_t> setter; // a setter since the last step, after initialisation
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

// "; the calls before: a -> OK, b -> OK" (the instance's last three, with
// their statuses as recorded).
std::string callsBefore(const CallRecord& record, const std::vector<std::size_t>& calls) {
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
    FmiVersion stepsOf = FmiVersion::fmi2;  // the version of the steps largestUlps measured
    std::size_t instances = 0;
};

// Where the step after this one must start: where it ended, or, after an
// FMI 3.0 early return, at the lastSuccessfulTime it answered. An FMI 3.0
// Discard did not happen: the next step starts where this one did.
double nextPointAfter(const Call& step, double point, double size) {
    if (step.version != FmiVersion::fmi3) return point + size;
    if (step.answered(Status::discard)) return point;
    const std::string* earlyReturn = step.results.find("earlyReturn");
    const std::string* lastSuccessfulTime = step.results.find("lastSuccessfulTime");
    if (earlyReturn != nullptr && *earlyReturn != "0" && lastSuccessfulTime != nullptr) {
        return recordedNumber(*lastSuccessfulTime).value_or(point + size);
    }
    return point + size;
}

bool inStepState(const InstanceState& state) {
    return state == InstanceState(Fmi2State::stepComplete) || state == InstanceState(Fmi3State::step);
}

// The co-simulation rules of one step or getter beyond the table.
std::optional<std::string> coSimulationFault(const CallRecord& record, Tracked& t, std::size_t k, Judgement& j) {
    const Call& call = record.calls[k];
    if (isValueSetter(call.role) && inStepState(t.state)) t.setter = k;
    if (isValueGetter(call.role) && t.setter) {
        return call.text() + " after " + record.calls[*t.setter].text() + " without " +
               functionName(call.version, Role::doStep) + " in between";
    }
    if (call.role != Role::doStep) return std::nullopt;
    if (!(call.version == FmiVersion::fmi3 && call.answered(Status::discard))) t.setter.reset();
    const double point = call.numericArgument("currentCommunicationPoint").value_or(NAN);
    const double size = call.numericArgument("communicationStepSize").value_or(NAN);
    if (!(size > 0.0)) return call.text() + ": the step size must be above 0";
    const double expected = t.nextPoint;
    t.nextPoint = nextPointAfter(call, point, size);
    if (point == expected) return std::nullopt;
    if (std::abs(point - expected) <= roundingShare * size) {
        j.largestUlps = std::max(j.largestUlps, ulpsBetween(point, expected));
        j.stepsOf = call.version;
        return std::nullopt;
    }
    return call.text() + (point < expected ? " goes back" : " skips ahead") + ": the previous step ended at " +
           shortest(expected);
}

Judgement judge(const CallRecord& record) {
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
                fresh.state = instantiatedState(*interface);
                tracked[address] = fresh;
            }
            j.instances += interface && !address.empty();
            continue;
        }
        // Calls without an instance argument (the version queries) are allowed
        // anywhere; so is FMI 3.0's fmi3FreeInstance(NULL), which does nothing.
        if (!call.arguments.has("c")) continue;
        if (call.version == FmiVersion::fmi3 && call.role == Role::release && address.empty()) continue;
        const auto found = tracked.find(address);
        if (found == tracked.end()) {
            j.fault = call.text() + " on " + (address.empty() ? "a null instance" : "an instance never created");
            return j;
        }
        Tracked& t = found->second;
        // The host's calls from inside the intermediate-update callback are
        // made in Intermediate Update Mode and move the instance nowhere.
        const bool inCallback = isFmi3(t.interface) && call.callback == "intermediateUpdate";
        const InstanceState state = inCallback ? InstanceState(Fmi3State::intermediateUpdate) : t.state;
        if (!allowed(t.interface, state, call.role)) {
            const std::string where = allowedStates(t.interface, call.role);
            j.fault = call.text() + " in " + stateName(state) + (inCallback ? ", inside intermediateUpdate" : "") +
                      (where.empty() ? "" : ", allowed only in " + where) + callsBefore(record, t.calls);
            return j;
        }
        if (isCoSimulation(t.interface) && !inCallback) {
            if (auto fault = coSimulationFault(record, t, k, j)) {
                j.fault = *fault + callsBefore(record, t.calls);
                return j;
            }
            if (call.role == Role::setupExperiment) t.nextPoint = call.numericArgument("startTime").value_or(0.0);
            if (call.role == Role::enterInitialization && isFmi3(t.interface)) {
                t.nextPoint = call.numericArgument("startTime").value_or(0.0);
            }
        }
        if (!inCallback) t.state = after(t.interface, t.state, call);
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
        return {Verdict::note, runWho(run), calls + "; " + functionName(j.stepsOf, Role::doStep) +
                                                " points up to " + std::to_string(j.largestUlps) +
                                             " ulps from where the previous step ended: the master computes its "
                                             "points otherwise than by adding the step"};
    }
    return {Verdict::pass, runWho(run), calls};
}

Finding unseen(const Run& run) { return {Verdict::notReached, runWho(run), "the calls cannot be seen", true}; }

}  // namespace

ProbeResult judgeCallingSequence(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, unseen);
    // The advice names the step of each version the runs speak.
    std::string step;
    for (FmiVersion version : {FmiVersion::fmi2, FmiVersion::fmi3}) {
        const bool spoken = std::any_of(result.runs.begin(), result.runs.end(), [&](const Run* run) {
            return componentOf(run->request).standardVersion == (version == FmiVersion::fmi3 ? 3 : 2);
        });
        if (spoken) step += (step.empty() ? "" : " or ") + functionName(version, Role::doStep);
    }
    if (step.empty()) step = functionName(FmiVersion::fmi2, Role::doStep);
    result.fix = "Make each call only in the states that allow it; in co-simulation start each " + step +
                 " at the point where the previous one ended (after an FMI 3.0 early return: at its "
                 "lastSuccessfulTime), and read outputs only after the step that follows your inputs.";
    return result;
}

}  // namespace hostcheck
