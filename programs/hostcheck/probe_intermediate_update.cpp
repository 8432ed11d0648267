// The intermediate-update probe ("intermediate-update"), FMI 3.0
// co-simulation. A host that gives varnelle an intermediate-update callback
// is called after every internal step, in Intermediate Update Mode: there
// it may make only the calls that mode allows (the state table's verdict),
// read only the intermediate variables it named at instantiation, and only
// while reading is allowed and before it sets any; it may ask for an early
// return only when the call says canReturnEarly, and a step it made return
// early goes on from lastSuccessfulTime.
#include <algorithm>

#include "calling_sequence.h"
#include "fmi3_steps.h"
#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

// One call of the host's callback: what the component told it, what it
// answered, the calls the host made inside and the step it happened in.
struct CallbackCall {
    const Event* entered = nullptr;
    const Event* left = nullptr;  // null when the process ended inside it
    std::size_t step = 0;
    std::vector<std::size_t> calls;
};

std::vector<CallbackCall> callbackCalls(const CallRecord& record) {
    std::vector<CallbackCall> found;
    std::vector<std::size_t> open;  // indices into found, innermost last
    for (const Event& event : record.events) {
        if (event.kind == Event::Kind::callbackEnter) {
            found.push_back({&event, nullptr, event.call, {}});
            open.push_back(found.size() - 1);
        } else if (event.kind == Event::Kind::callbackLeave && !open.empty()) {
            found[open.back()].left = &event;
            open.pop_back();
        } else if (event.kind == Event::Kind::enter && !open.empty() && event.call != Event::npos) {
            CallbackCall& current = found[open.back()];
            const bool direct = record.calls[event.call].depth == record.calls[current.step].depth + 1;
            if (direct) current.calls.push_back(event.call);
        }
    }
    return found;
}

std::string callbackAt(const CallbackCall& callback) {
    const std::string* time = callback.entered->fields.find("intermediateUpdateTime");
    const auto t = time ? recordedNumber(*time) : std::nullopt;
    return "inside intermediateUpdate at t = " + (t ? shortest(*t) : std::string("?"));
}

// Whether every value reference the call names is among the named ones.
bool namesOnly(const Call& call, const std::vector<std::string>& named) {
    const std::string* references = call.arguments.find("valueReferences");
    if (references == nullptr) return false;
    for (const std::string& reference : recordedList(*references)) {
        if (std::find(named.begin(), named.end(), reference) == named.end()) return false;
    }
    return true;
}

// The first call inside the callback the mode does not allow, in words.
std::optional<std::string> callFault(const CallRecord& record, const CallbackCall& callback, Interface interface,
                                     const std::vector<std::string>& named) {
    const Fields& told = callback.entered->fields;
    bool setBefore = false;
    for (std::size_t k : callback.calls) {
        const Call& call = record.calls[k];
        const std::string where = call.text() + " " + callbackAt(callback);
        if (!allowed(interface, Fmi3State::intermediateUpdate, call.role)) {
            return where + ": not allowed in Intermediate Update Mode, allowed only in " +
                   allowedStates(interface, call.role);
        }
        if (isValueGetter(call.role)) {
            if (!flagSet(told, "intermediateVariableGetAllowed")) {
                return where + " while intermediateVariableGetAllowed was false";
            }
            if (!namesOnly(call, named)) return where + ": reads a variable not named in requiredIntermediateVariables";
            if (setBefore) return where + " after a set in the same call: reads come before sets";
        }
        if (isValueSetter(call.role)) {
            if (!flagSet(told, "intermediateVariableSetRequested")) {
                return where + " while intermediateVariableSetRequested was false";
            }
            if (!namesOnly(call, named)) return where + ": sets a variable not named in requiredIntermediateVariables";
            setBefore = true;
        }
    }
    return std::nullopt;
}

// The first fault of one callback call: a call it made, an early return it
// asked for when it could not, a step after the early return it asked for
// that does not go on from lastSuccessfulTime.
std::optional<std::string> callbackFault(const CallRecord& record, const CallbackCall& callback, Interface interface,
                                         const std::vector<std::string>& named) {
    if (auto fault = callFault(record, callback, interface, named)) return fault;
    if (callback.left == nullptr || !flagSet(callback.left->fields, "earlyReturnRequested")) return std::nullopt;
    if (!flagSet(callback.entered->fields, "canReturnEarly")) {
        return "earlyReturnRequested written true " + callbackAt(callback) + ", although canReturnEarly was false";
    }
    if (!flagSet(record.calls[callback.step].results, "earlyReturn")) return std::nullopt;
    return lostAfterEarlyReturn(record, callback.step);
}

std::size_t requested(const std::vector<CallbackCall>& callbacks) {
    return static_cast<std::size_t>(std::count_if(callbacks.begin(), callbacks.end(), [](const CallbackCall& c) {
        return c.left != nullptr && flagSet(c.left->fields, "earlyReturnRequested");
    }));
}

Finding judged(const Run& run, const Probe& probe) {
    const CallRecord& record = *run.record;
    const Call* instantiation = coSimulationInstantiation(record);
    if (instantiation == nullptr) {
        return {Verdict::notReached, run.name, "no co-simulation instance; the run " + endFor(*run.end, probe)};
    }
    const std::string* callback = instantiation->arguments.find("intermediateUpdate");
    if (callback == nullptr || *callback == "null") {
        return {Verdict::notReached, run.name, "the host gave no intermediate-update callback"};
    }
    const std::vector<CallbackCall> callbacks = callbackCalls(record);
    if (callbacks.empty()) {
        return {Verdict::notReached, run.name, "intermediateUpdate never called; the run " + endFor(*run.end, probe)};
    }
    const Interface interface = interfaceOf(*instantiation).value_or(Interface::coSimulation3);
    const std::string* required = instantiation->arguments.find("requiredIntermediateVariables");
    const std::vector<std::string> named = required ? recordedList(*required) : std::vector<std::string>{};
    std::size_t inside = 0;
    for (const CallbackCall& call : callbacks) {
        if (auto fault = callbackFault(record, call, interface, named)) return {Verdict::fail, run.name, *fault};
        inside += call.calls.size();
    }
    const std::size_t requests = requested(callbacks);
    const std::string early = requests == 0 ? "no early return requested"
                              : std::to_string(requests) + (requests == 1 ? " early return" : " early returns") +
                                    " requested where canReturnEarly was true, each followed by a step from "
                                    "lastSuccessfulTime";
    return {Verdict::pass, run.name,
            "intermediateUpdate called " + std::to_string(callbacks.size()) + " times; " + std::to_string(inside) +
                " calls inside it, each allowed in Intermediate Update Mode; " + early};
}

Finding unseen(const Run& run) { return {Verdict::notReached, run.name, "the callback's calls cannot be seen", true}; }

}  // namespace

ProbeResult judgeIntermediateUpdate(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, [&](const Run& run) { return judged(run, probe); }, unseen);
    result.fix = "Inside intermediateUpdate read only the intermediate variables named at instantiation (while "
                 "intermediateVariableGetAllowed, before any set), make no other call, ask for an early return "
                 "only when canReturnEarly is true, and step on from lastSuccessfulTime after it.";
    return result;
}

}  // namespace hostcheck
