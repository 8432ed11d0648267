#include "fmi3_steps.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "calling_sequence.h"
#include "format.h"

namespace hostcheck {

const Call* coSimulationInstantiation(const CallRecord& record) {
    for (const Call& call : record.calls) {
        const auto interface = interfaceOf(call);
        if (interface && isFmi3(*interface) && isCoSimulation(*interface) && !call.instance().empty()) return &call;
    }
    return nullptr;
}

bool flagSet(const Fields& fields, std::string_view key) {
    const std::string* value = fields.find(key);
    return value != nullptr && *value != "0" && *value != "-" && !value->empty();
}

std::optional<double> lastSuccessfulTime(const Call& step) {
    const std::string* value = step.results.find("lastSuccessfulTime");
    return value == nullptr ? std::nullopt : recordedNumber(*value);
}

std::vector<std::size_t> stepsAnswering(const CallRecord& record, std::string_view flag) {
    std::vector<std::size_t> steps;
    for (std::size_t k = 0; k < record.calls.size(); ++k) {
        const Call& call = record.calls[k];
        if (call.role == Role::doStep && call.depth == 0 && flagSet(call.results, flag)) steps.push_back(k);
    }
    return steps;
}

std::optional<std::size_t> nextStep(const CallRecord& record, std::size_t k) {
    const std::string instance = record.calls[k].instance();
    for (std::size_t next = k + 1; next < record.calls.size(); ++next) {
        const Call& call = record.calls[next];
        if (call.role == Role::doStep && call.depth == 0 && call.instance() == instance) return next;
    }
    return std::nullopt;
}

bool startsAt(const Call& step, double time) {
    const double point = step.numericArgument("currentCommunicationPoint").value_or(NAN);
    return std::abs(point - time) <= 100.0 * DBL_EPSILON * std::max(std::abs(point), std::abs(time));
}

std::optional<std::string> lostAfterEarlyReturn(const CallRecord& record, std::size_t step) {
    const Call& returned = record.calls[step];
    const auto next = nextStep(record, step);
    const auto last = lastSuccessfulTime(returned);
    if (!next || !last || startsAt(record.calls[*next], *last)) return std::nullopt;
    const double planned = returned.numericArgument("currentCommunicationPoint").value_or(0.0) +
                           returned.numericArgument("communicationStepSize").value_or(0.0);
    const Call& following = record.calls[*next];
    const double point = following.numericArgument("currentCommunicationPoint").value_or(NAN);
    const std::string what = startsAt(following, planned) ? "starts at the planned point: the step between is lost"
                             : point > *last             ? "starts later: the step between is lost"
                                                          : "goes back before it";
    return returned.text() + " returned early at lastSuccessfulTime=" + shortest(*last) + "; then " +
           following.text() + " " + what;
}

}  // namespace hostcheck
