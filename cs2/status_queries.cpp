// Cancelling a step and the co-simulation status queries of corvane. Every
// communication step has finished when fmi2DoStep returns, so there is never
// anything to cancel and the queries answer with fixed values or decline.
// None of them looks at the instance: a null handle gets the same answers.
#include <cstring>

#include "model_rules.h"
#include "fmi2_record.h"

namespace {

// Handed out by the string query for the pending kind. A constant of the
// library: it lives as long as the library is loaded and the host must
// neither free nor change it.
constexpr char pendingStatusText[] =
    "Did fmi2DoStep really return with fmi2Pending? Then its time to implement this function";

// Where a query would write its answer, a null destination is refused; there
// is no instance to log through, so the status is the only report.
template <typename T>
[[nodiscard]] fmi2Status answer(T* value, T result, fmi2Status status) {
    if (value == nullptr) return fmi2Error;
    *value = result;
    return status;
}

// The status kind as the number the host passed. A host may pass any int; a
// C++ enum object holding a number outside its enumerators is undefined
// behaviour, so the value is taken as an int and never read as the enum.
int kindNumber(const fmi2StatusKind& s) {
    int number;
    std::memcpy(&number, &s, sizeof number);
    return number;
}

}  // namespace

extern "C" {

fmi2Status fmi2CancelStep(fmi2Component) { return fmi2OK; }

fmi2Status fmi2GetStatus(fmi2Component, const fmi2StatusKind s, fmi2Status* value) {
    if (kindNumber(s) != fmi2DoStepStatus) return fmi2Discard;
    return answer(value, fmi2OK, fmi2OK);
}

// The last successful time is a fixed answer; it follows neither the model
// time nor any communication step.
fmi2Status fmi2GetRealStatus(fmi2Component, const fmi2StatusKind s, fmi2Real* value) {
    if (kindNumber(s) != fmi2LastSuccessfulTime) return fmi2Discard;
    return answer(value, model::lastSuccessfulTime, fmi2OK);
}

fmi2Status fmi2GetIntegerStatus(fmi2Component, const fmi2StatusKind, fmi2Integer*) { return fmi2Discard; }

fmi2Status fmi2GetBooleanStatus(fmi2Component, const fmi2StatusKind, fmi2Boolean*) { return fmi2Discard; }

// The pending kind gets its text and still fmi2Discard, on purpose: a step is
// never pending, and the text tells a host that believed otherwise.
fmi2Status fmi2GetStringStatus(fmi2Component, const fmi2StatusKind s, fmi2String* value) {
    if (kindNumber(s) != fmi2PendingStatus) return fmi2Discard;
    return answer<fmi2String>(value, pendingStatusText, fmi2Discard);
}

}  // extern "C"
