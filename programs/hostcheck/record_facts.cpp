#include "record_facts.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "event_burst.h"
#include "format.h"

namespace hostcheck {
namespace {

bool endsInstance(const Call& call) { return call.role == Role::terminate || call.role == Role::release; }

bool completedStep(const Call& call) {
    return call.role == Role::doStep && (call.answered(Status::ok) || call.answered(Status::warning));
}

// Where a completed step ended: its point plus its size, or for an FMI 3.0
// step that returned early its lastSuccessfulTime, short of that.
double stepEnd(const Call& step, double from) {
    const std::string* early = step.results.find("earlyReturn");
    const std::string* last = step.results.find("lastSuccessfulTime");
    const std::optional<double> reached = last != nullptr ? recordedNumber(*last) : std::nullopt;
    if (early != nullptr && *early == "1" && reached) return *reached;
    return from + step.numericArgument("communicationStepSize").value_or(0.0);
}

// The model time before each of the first count calls, and after them: the
// last time the host set, or the communication point a completed step reached.
std::vector<double> modelTimes(const CallRecord& record, std::size_t count) {
    std::vector<double> times{0.0};
    for (std::size_t k = 0; k < count && k < record.calls.size(); ++k) {
        const Call& c = record.calls[k];
        double time = times.back();
        std::optional<double> set;
        if (c.role == Role::setupExperiment) set = c.numericArgument("startTime");
        else if (c.role == Role::setTime) set = c.numericArgument("time");
        else if (c.role == Role::doStep) set = c.numericArgument("currentCommunicationPoint");
        if (set) time = *set;
        if (completedStep(c)) time = stepEnd(c, time);
        times.push_back(time);
    }
    return times;
}

// What the outcome makes of a run's end, as the verb of its evidence.
std::string ended(const Outcome& outcome) {
    switch (outcome.kind) {
        case Outcome::Kind::exited: return "stopped";
        case Outcome::Kind::signalled: return "crashed";
        case Outcome::Kind::timedOut:
            return outcome.overran ? "was killed for making calls without end" : "was killed at the time limit";
        case Outcome::Kind::notStarted: return "did not start";
    }
    return "ended";
}

// The fmiEventUpdate calls the host made last, with nothing that moves the
// simulation on after them: an iteration that was still going at the end.
std::size_t trailingEventUpdates(const CallRecord& record, bool& allUnconverged) {
    std::size_t count = 0;
    allUnconverged = true;
    for (std::size_t k = record.calls.size(); k-- > 0;) {
        const Call& call = record.calls[k];
        if (call.role == Role::eventUpdate) {
            ++count;
            allUnconverged = allUnconverged && !iterationConverged(call);
        } else if (advancesSimulation(call.role)) {
            break;
        }
    }
    return count;
}

// "40 calls"; in a record whose middle was left out, "more than".
std::string callCount(const CallRecord& record, std::size_t count) {
    return (record.cut ? "more than " : "") + std::to_string(count) + (count == 1 ? " call" : " calls");
}

// The last call that says where the host was: not its clean-up.
const Call* lastTellingCall(const CallRecord& record) {
    for (std::size_t k = record.calls.size(); k-- > 0;) {
        if (record.calls[k].depth == 0 && !endsInstance(record.calls[k])) return &record.calls[k];
    }
    return record.calls.empty() ? nullptr : &record.calls.back();
}

// A run that ended in an fmiEventUpdate iteration, inside its last call or
// between two: how many calls, where, and what they answered.
std::string endlessIteration(const CallRecord& record, const Outcome& outcome) {
    bool allUnconverged = true;
    const std::size_t count = trailingEventUpdates(record, allUnconverged);
    const std::string update = functionName(record.calls.back().version, Role::eventUpdate);
    return ended(outcome) + " after " + callCount(record, count) + " of " + update + " " +
           phaseAt(record, record.calls.size() - 1) + (allUnconverged ? ", each answering iterationConverged=0" : "");
}

std::string insideOpenCall(const CallRecord& record, const Outcome& outcome, RunEnd& end) {
    const std::size_t innermost = record.openCalls().back();
    const Call& call = record.calls[innermost];
    const auto inside = record.eventsInside(innermost);
    if (!inside.empty() && inside.back()->kind == Event::Kind::log) {
        end.subject = Subject::loggerCrash;
        const std::string* message = inside.back()->fields.find("message");
        return ended(outcome) + " in its logger, on the message " + (message ? *message : "?") + " that " +
               call.text() + " sent";
    }
    if (call.role == Role::eventUpdate) {
        end.subject = Subject::endlessEventIteration;
        return endlessIteration(record, outcome);
    }
    return ended(outcome) + " inside " + call.text() + ", " + phaseAt(record, innermost);
}

std::string earlyStop(const CallRecord& record, const Outcome& outcome, RunEnd& end) {
    if (const auto null = firstNullString(record); null && !simulationAfter(record, null->call)) {
        end.subject = Subject::nullString;
        const Call& call = record.calls[null->call];
        const std::string what = call.name + " of string" + std::to_string(null->valueReference);
        return (outcome.crashed() ? "crashed right after the first " + what + " handed out null"
                                  : ended(outcome) + " at the first " + what) +
               ", " + phaseAt(record, null->call);
    }
    if (const auto discard = firstDiscard(record); discard && !simulationAfter(record, *discard)) {
        end.subject = Subject::discard;
        const Call& call = record.calls[*discard];
        return ended(outcome) + " after " + call.text() + " answered " + call.status();
    }
    for (std::size_t k = record.calls.size(); k-- > 0;) {
        const Call& call = record.calls[k];
        if (call.depth != 0 || !(call.answered(Status::error) || call.answered(Status::fatal))) continue;
        if (simulationAfter(record, k)) break;
        return ended(outcome) + " after " + call.text() + " answered " + call.status() + ", " + phaseAt(record, k);
    }
    const Call* last = lastTellingCall(record);
    return ended(outcome) + " at t = " + shortest(end.timeReached) + (last ? ", its last call " + last->text() : "");
}

// A run the component asked to end: where it stopped, and where the
// component asked when the host went on after that.
// Its times to a nanosecond: a step from 2.39 ends at 2.4000000000000004.
std::string stoppedOnRequest(const CallRecord& record, std::size_t request, double reached) {
    const auto time = [](double t) { return shortest(std::round(t * 1e9) / 1e9); };
    const double asked = timeAt(record, request + 1);
    if (reached <= asked) return "stopped at t = " + time(asked) + ", where the component asked to terminate";
    return "stopped at t = " + time(reached) + ", after the component asked to terminate at t = " + time(asked);
}

}  // namespace

bool iterationConverged(const Call& call) {
    const std::optional<std::string> converged = recordedPart(call.results, "eventInfo", "iterationConverged");
    return converged && *converged != "0";
}

bool simulationAfter(const CallRecord& record, std::size_t call) {
    for (std::size_t k = call + 1; k < record.calls.size(); ++k) {
        if (advancesSimulation(record.calls[k].role)) return true;
    }
    return false;
}

double timeAt(const CallRecord& record, std::size_t call) {
    return modelTimes(record, call).back();
}

std::vector<double> callTimes(const CallRecord& record) { return modelTimes(record, record.calls.size()); }

double timeReached(const CallRecord& record) {
    const std::vector<double> times = modelTimes(record, record.calls.size());
    return *std::max_element(times.begin(), times.end());
}

std::string phaseAt(const CallRecord& record, std::size_t call) {
    enum class State { before, initialising, running } state = State::before;
    for (std::size_t k = 0; k <= call && k < record.calls.size(); ++k) {
        const Call& c = record.calls[k];
        const bool finished = k < call && c.returned;
        if (c.role == Role::enterInitialization || c.role == Role::initialize) state = State::initialising;
        if (finished && (c.role == Role::exitInitialization || c.role == Role::initialize)) state = State::running;
        if (finished && c.role == Role::reset) state = State::before;
    }
    switch (state) {
        case State::before: return "before initialisation";
        case State::initialising: return "during initialisation";
        case State::running: return "at t = " + shortest(timeAt(record, call));
    }
    return "";
}

bool instantiated(const CallRecord& record) {
    return std::any_of(record.calls.begin(), record.calls.end(), [](const Call& c) {
        return c.role == Role::instantiate && !c.instance().empty();
    });
}

std::optional<NullString> firstNullString(const CallRecord& record) {
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (!isStringGetter(call.role) || !call.results.has("value")) continue;
        const auto values = recordedList(*call.results.find("value"));
        const std::string* references = call.arguments.find("vr");
        const auto vrs = references ? recordedList(*references) : std::vector<std::string>{};
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i] != "null") continue;
            const auto vr = i < vrs.size() ? recordedNumber(vrs[i]) : std::nullopt;
            return NullString{k, vr ? static_cast<long>(*vr) : -1};
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> firstDiscard(const CallRecord& record) {
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        if (record.calls[k].role == Role::doStep && record.calls[k].answered(Status::discard)) return k;
    }
    return std::nullopt;
}

bool handedOutTrue(const Call& call, std::string_view output) {
    const std::string* value = call.results.find(output);
    if (value == nullptr) return false;
    const std::optional<double> byte = recordedNumber(*value);
    return byte && *byte != 0.0;
}

std::optional<std::size_t> terminationRequested(const CallRecord& record) {
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.version != FmiVersion::fmi3) continue;
        const bool mayAsk = call.role == Role::updateDiscreteStates || call.role == Role::completedIntegratorStep ||
                            call.role == Role::doStep;
        if (mayAsk && handedOutTrue(call, "terminateSimulation")) return k;
    }
    return std::nullopt;
}

std::optional<std::size_t> callAfterTermination(const CallRecord& record) {
    const std::optional<std::size_t> request = terminationRequested(record);
    if (!request) return std::nullopt;
    for (std::size_t k = *request + 1; k < record.calls.size(); ++k) {
        const Role role = record.calls[k].role;
        if (role == Role::terminate || role == Role::release || role == Role::reset) break;
        if (advancesSimulation(role) && role != Role::updateDiscreteStates) return k;
    }
    return std::nullopt;
}

RunEnd runEnd(const CallRecord& record, const Outcome& outcome, double stop) {
    RunEnd end;
    end.instantiated = instantiated(record);
    end.timeReached = timeReached(record);
    // Hosts that add their step up end a rounding short of the stop time.
    end.reachedStop = end.timeReached >= stop * (1.0 - 1e-9);
    const auto termination = end.reachedStop ? std::nullopt : terminationRequested(record);
    // A run that stopped where the component asked to end it ended properly.
    end.terminated = termination && !outcome.crashed() && !outcome.hung();
    end.reachedStop = end.reachedStop || end.terminated;
    if (!end.instantiated) {
        end.where = ended(outcome) + " before instantiating anything" +
                    (record.calls.empty() ? " (no call reached the library)" : "");
    } else if (const auto burst = end.reachedStop ? std::nullopt : endingBurst(record)) {
        // Before the open call and the trailing event updates: a host stalled
        // in a burst is often stopped inside an event update.
        end.subject = Subject::eventBurst;
        end.where = ended(outcome) + " at t = " + fixed(end.timeReached) + " " + burstText(*burst);
    } else if (!record.openCalls().empty()) {
        end.where = insideOpenCall(record, outcome, end);
    } else if (bool allUnconverged = true; outcome.hung() && trailingEventUpdates(record, allUnconverged) > 0) {
        end.subject = Subject::endlessEventIteration;
        end.where = endlessIteration(record, outcome);
    } else if (end.terminated) {
        end.where = stoppedOnRequest(record, *termination, end.timeReached);
    } else if (end.reachedStop) {
        end.where = outcome.completed() ? "ran to t = " + shortest(end.timeReached)
                                        : ended(outcome) + " after reaching t = " + shortest(end.timeReached);
    } else {
        end.where = earlyStop(record, outcome, end);
    }
    return end;
}

}  // namespace hostcheck
