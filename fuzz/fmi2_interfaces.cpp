// The calls of pellidor's model exchange and corvane's co-simulation.
#include <cstring>

#include "fmi2_operations.h"
#include "model_expectations.h"
#include "shared_calls.h"

namespace fuzz {

namespace {

void newDiscreteStates(Session& s, const host::Fmi2Api& api, void* c) {
    fmi2EventInfo info{};
    checkCall(s.trace, "fmi2NewDiscreteStates", api.fmi2NewDiscreteStates(c, s.in.oneIn(8) ? nullptr : &info), c);
}

void completedIntegratorStep(Session& s, const host::Fmi2Api& api, void* c) {
    fmi2Boolean enter = 7, terminate = 7;
    const int noSetFMUStatePriorToCurrentPoint = s.in.integer();
    fmi2Boolean* enterEventMode = s.in.flag() ? &enter : nullptr;
    fmi2Boolean* terminateSimulation = s.in.flag() ? &terminate : nullptr;
    checkCall(s.trace, "fmi2CompletedIntegratorStep",
              api.fmi2CompletedIntegratorStep(c, noSetFMUStatePriorToCurrentPoint, enterEventMode, terminateSimulation),
              c);
}

void setTime(Session& s, const host::Fmi2Api& api, void* c) {
    const double time = s.in.real();
    s.trace("fmi2SetTime(%g)", time);
    checkCall(s.trace, "fmi2SetTime", api.fmi2SetTime(c, time), c);
}

void doStep(Session& s, const host::Fmi2Api& api, void* c) {
    const double point = s.in.real(), size = s.in.real();
    const int noSetFMUStatePriorToCurrentPoint = s.in.integer();
    s.trace("fmi2DoStep(%g, %g, %d)", point, size, noSetFMUStatePriorToCurrentPoint);
    checkCall(s.trace, "fmi2DoStep", api.fmi2DoStep(c, point, size, noSetFMUStatePriorToCurrentPoint), c);
}

// A status query with any int for its kind and the value pointer perhaps
// null; checkValue sees what the value holds afterwards.
template <typename Value, typename Query, typename CheckValue>
void statusQuery(Session& s, const char* function, Query query, void* c, Value value, CheckValue checkValue) {
    const int kind = s.in.statusKind();
    Value* written = s.in.flag() ? &value : nullptr;
    checkStatus(s.trace, function, host::withIntEnum(query)(c, kind, written));
    checkValue(value);
}

// The input derivatives of the reals by value reference and order; the input
// gives the derivative-table value now and then, which is what corvane holds.
void setRealInputDerivatives(Session& s, const host::Fmi2Api& api, void* c) {
    const std::size_t n = s.in.count(6);
    auto refs = s.in.array<fmi2ValueReference>(n, [&] { return s.in.valueReference(); });
    auto orders = s.in.array<fmi2Integer>(n, [&] { return s.in.integer(); });
    auto values = s.in.array<fmi2Real>(n, [&] { return s.in.flag() ? expected::derivativeTableValue : s.in.real(); });
    const std::size_t m = s.in.countFor(n, refs, orders, values);
    checkCall(s.trace, "fmi2SetRealInputDerivatives",
              api.fmi2SetRealInputDerivatives(c, refs.get(), m, orders.get(), values.get()), c);
}

// Every output derivative corvane gives is the derivative-table value.
void getRealOutputDerivatives(Session& s, const host::Fmi2Api& api, void* c) {
    const std::size_t n = s.in.count(6);
    auto refs = s.in.array<fmi2ValueReference>(n, [&] { return s.in.valueReference(); });
    auto orders = s.in.array<fmi2Integer>(n, [&] { return s.in.integer(); });
    auto values = s.in.output<fmi2Real>(n);
    const std::size_t m = s.in.countFor(n, refs, orders, values);
    const int status = api.fmi2GetRealOutputDerivatives(c, refs.get(), m, orders.get(), values.get());
    for (std::size_t i = 0; values && status == fmi2OK && i < n; ++i) {
        if (values[i] != expected::derivativeTableValue) fail("fmi2GetRealOutputDerivatives gave %g", values[i]);
    }
    checkCall(s.trace, "fmi2GetRealOutputDerivatives", status, c);
}

}  // namespace

bool modelExchangeCall(Session& s, const host::Fmi2Api& api, Fmi2Operation operation, void* c) {
    using enum Fmi2Operation;
    using expected::eventIndicatorCount, expected::stateCount;
    switch (operation) {
        // These two answer without reading the instance: no Fatal for null.
        case EnterEventMode: checkStatus(s.trace, "fmi2EnterEventMode", api.fmi2EnterEventMode(c)); return true;
        case EnterContinuousTimeMode:
            checkStatus(s.trace, "fmi2EnterContinuousTimeMode", api.fmi2EnterContinuousTimeMode(c));
            return true;
        case NewDiscreteStates: newDiscreteStates(s, api, c); return true;
        case CompletedIntegratorStep: completedIntegratorStep(s, api, c); return true;
        case SetTime: setTime(s, api, c); return true;
        case SetContinuousStates: setContinuousStates(s, "fmi2SetContinuousStates", api.fmi2SetContinuousStates, c); return true;
        case GetDerivatives: getArray<fmi2Real>(s, "fmi2GetDerivatives", api.fmi2GetDerivatives, c, stateCount); return true;
        case GetEventIndicators:
            getArray<fmi2Real>(s, "fmi2GetEventIndicators", api.fmi2GetEventIndicators, c, eventIndicatorCount);
            return true;
        case GetContinuousStates:
            getArray<fmi2Real>(s, "fmi2GetContinuousStates", api.fmi2GetContinuousStates, c, stateCount);
            return true;
        case GetNominalsOfContinuousStates:
            getArray<fmi2Real>(s, "fmi2GetNominalsOfContinuousStates", api.fmi2GetNominalsOfContinuousStates, c, stateCount);
            return true;
        default: return false;
    }
}

bool coSimulationCall(Session& s, const host::Fmi2Api& api, Fmi2Operation operation, void* c) {
    using enum Fmi2Operation;
    const auto anyValue = [](auto) {};
    switch (operation) {
        case DoStep: doStep(s, api, c); return true;
        case CancelStep: checkStatus(s.trace, "fmi2CancelStep", api.fmi2CancelStep(c)); return true;
        case GetStatus:
            statusQuery(s, "fmi2GetStatus", api.fmi2GetStatus, c, fmi2Pending, [&](fmi2Status value) {
                checkStatus(s.trace, "fmi2GetStatus's value", value, fmi2Pending);
            });
            return true;
        case GetRealStatus: statusQuery(s, "fmi2GetRealStatus", api.fmi2GetRealStatus, c, fmi2Real{0}, anyValue); return true;
        case GetIntegerStatus:
            statusQuery(s, "fmi2GetIntegerStatus", api.fmi2GetIntegerStatus, c, fmi2Integer{0}, anyValue);
            return true;
        case GetBooleanStatus:
            statusQuery(s, "fmi2GetBooleanStatus", api.fmi2GetBooleanStatus, c, fmi2Boolean{0}, anyValue);
            return true;
        case GetStringStatus:
            statusQuery(s, "fmi2GetStringStatus", api.fmi2GetStringStatus, c, fmi2String{nullptr}, [](fmi2String value) {
                if (value != nullptr && std::strlen(value) == 0) fail("fmi2GetStringStatus gave an empty text");
            });
            return true;
        case SetRealInputDerivatives: setRealInputDerivatives(s, api, c); return true;
        case GetRealOutputDerivatives: getRealOutputDerivatives(s, api, c); return true;
        default: return false;
    }
}

}  // namespace fuzz
