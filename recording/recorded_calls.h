// The shapes of the recording wrappers: most exports of both FMI versions
// take the instance and one of a few argument lists, so one template per
// shape writes the call, runs the component's own function and writes what
// it returned. `component` is the component's function (component_<export>);
// `function` the export's name for the record.
#ifndef REBOUNDER_RECORDED_CALLS_H
#define REBOUNDER_RECORDED_CALLS_H

#include "call_record.h"

namespace recording {

// The version and type-platform queries: no argument, a string back.
template <auto component>
const char* textQuery(const char* function) {
    enterCall(function);
    const char* result = component();
    leaveCall(function, "result", result);
    return result;
}

// The instance is the only argument: mode changes, terminate, reset.
template <auto component, typename Instance>
auto instanceCall(const char* function, Instance c) {
    enterCall(function, "c", c);
    const auto status = component(c);
    leaveCall(function, "c", c, "status", status);
    return status;
}

// The release functions: no status.
template <auto component, typename Instance>
void freeCall(const char* function, Instance c) {
    enterCall(function, "c", c);
    component(c);
    leaveCall(function, "c", c);
}

// Getters by value reference: the references in, the values out.
template <auto component, typename Instance, typename Reference, typename Value>
auto readValues(const char* function, Instance c, const Reference vr[], size_t nvr, Value value[]) {
    enterCall(function, "c", c, "vr", items(vr, nvr), "nvr", nvr);
    const auto status = component(c, vr, nvr, value);
    leaveCall(function, "c", c, "status", status, "value", outputs(status, value, nvr));
    return status;
}

// Setters by value reference: references and values in.
template <auto component, typename Instance, typename Reference, typename Value>
auto writeValues(const char* function, Instance c, const Reference vr[], size_t nvr, const Value value[]) {
    enterCall(function, "c", c, "vr", items(vr, nvr), "nvr", nvr, "value", items(value, nvr));
    const auto status = component(c, vr, nvr, value);
    leaveCall(function, "c", c, "status", status);
    return status;
}

// The state-sized arrays the component fills (states, nominals,
// derivatives, event indicators, state value references): `key` names the
// array, `countKey` its count, as the standard names them.
template <auto component, typename Instance, typename Value>
auto readArray(const char* function, Instance c, const char* key, Value array[], const char* countKey,
               size_t count) {
    enterCall(function, "c", c, countKey, count);
    const auto status = component(c, array, count);
    leaveCall(function, "c", c, "status", status, key, outputs(status, array, count));
    return status;
}

// One value the component hands back through a pointer, the only other
// argument: the event record, the FMI 1.0 event-update flag.
template <auto component, typename Instance, typename Output>
auto pointerOutput(const char* function, Instance c, const char* key, Output* value) {
    enterCall(function, "c", c);
    const auto status = component(c, value);
    leaveCall(function, "c", c, "status", status, key, output(status, value));
    return status;
}

// The co-simulation status queries: the kind in, one value out.
template <auto component, typename Output>
fmi2Status statusQuery(const char* function, fmi2Component c, fmi2StatusKind s, Output* value) {
    enterCall(function, "c", c, "s", s);
    const fmi2Status status = component(c, s, value);
    leaveCall(function, "c", c, "status", status, "value", output(status, value));
    return status;
}

}  // namespace recording

#endif
