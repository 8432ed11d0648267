// The real input and output derivatives of corvane. Both tables hold one row
// per real value reference 0 and 1 and one column per derivative order 0 to 2;
// the order is the column itself. Input derivatives are accepted only when
// they are exactly 13.0, and every output derivative is 13.0.
#include <stdint.h>

#include "logging.h"
#include "fmi2_record.h"

namespace {

// The entry for (vr, order) lies at vr * 3 + order of the six entries taken
// row after row. Formed in 64-bit arithmetic from the unsigned reference and
// the signed order, so no combination wraps into the table by accident.
[[nodiscard]] bool tablePosition(fmi2ValueReference vr, fmi2Integer order, unsigned& position) {
    const int64_t candidate = int64_t{vr} * int64_t{derivativeTableColumns} + int64_t{order};
    if (candidate < 0 || candidate >= int64_t{derivativeTableSize}) return false;
    position = static_cast<unsigned>(candidate);
    return true;
}

[[nodiscard]] fmi2Status refuseOutsideTable(Fmi2InstanceRecord& r, const char* function, fmi2ValueReference vr,
                                            fmi2Integer order) {
    return refuse(r,
                  "%s: value reference %u with derivative order %d lies outside the derivative table "
                  "(positions 0 to %u)",
                  function, vr, order, derivativeTableSize - 1);
}

// A call with elements to process needs all three arrays.
template <typename Value>
[[nodiscard]] bool arraysGiven(size_t nvr, const fmi2ValueReference* vr, const fmi2Integer* order, Value* value) {
    return nvr == 0 || (vr != nullptr && order != nullptr && value != nullptr);
}

}  // namespace

extern "C" {

// Each value is stored before it is checked, so a refused value stays stored
// with those before it; those after it are not stored. The check is exact on
// purpose: it tests that a host passes derivatives through unchanged.
fmi2Status fmi2SetRealInputDerivatives(fmi2Component c, const fmi2ValueReference vr[], size_t nvr,
                                       const fmi2Integer order[], const fmi2Real value[]) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    if (!arraysGiven(nvr, vr, order, value)) return refuseNullArray(r, __func__, nvr);
    for (size_t i = 0; i < nvr; ++i) {
        unsigned position = 0;
        if (!tablePosition(vr[i], order[i], position)) return refuseOutsideTable(r, __func__, vr[i], order[i]);
        r.inputRealDerivatives[position] = value[i];
        // A value other than 13.0 is Fatal by design and logs nothing: the
        // status alone tells the host, and the instance goes on working.
        if (!(value[i] == model::derivativeTableValue)) return fmi2Fatal;
    }
    return fmi2OK;
}

fmi2Status fmi2GetRealOutputDerivatives(fmi2Component c, const fmi2ValueReference vr[], size_t nvr,
                                        const fmi2Integer order[], fmi2Real value[]) {
    if (c == nullptr) return fmi2Fatal;
    Fmi2InstanceRecord& r = *asRecord(c);
    if (!arraysGiven(nvr, vr, order, value)) return refuseNullArray(r, __func__, nvr);
    for (size_t i = 0; i < nvr; ++i) {
        unsigned position = 0;
        if (!tablePosition(vr[i], order[i], position)) return refuseOutsideTable(r, __func__, vr[i], order[i]);
        value[i] = r.outputRealDerivatives[position];
    }
    return fmi2OK;
}

}  // extern "C"
