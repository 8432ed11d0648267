// Reading and writing the model variables by value reference: the eight
// FMI 1.0 getters and setters. The engine shared with FMI 2.0
// (value_access.h) does the checks, the order, the refusals and the string
// ownership; this file says where each FMI 1.0 variable lives.
#include "fmi1_record.h"
#include "value_access.h"

namespace {

// Reals: the two states and the two stored parameters. FMI 1.0 has no
// calculated acceleration: value reference 4 is out of range like every
// reference above 3, and no read or write is special.
struct RealVariables {
    static constexpr unsigned lastReference = model::restitutionRef;
    static constexpr bool hasCalculated = false;

    static Variable<fmiReal> find(Fmi1InstanceRecord& r, fmiValueReference vr) {
        switch (vr) {
            case model::heightRef: return {&height(r)};
            case model::velocityRef: return {&velocity(r)};
            case model::gravityRef: return {&gravity(r)};
            case model::restitutionRef: return {&restitution(r)};
            default: return {nullptr};
        }
    }
};

using IntegerVariables = SlotVariables<Fmi1InstanceRecord, fmiInteger, &Fmi1InstanceRecord::integers>;
using BooleanVariables = SlotVariables<Fmi1InstanceRecord, fmiBoolean, &Fmi1InstanceRecord::booleans>;
using StringVariables = SlotVariables<Fmi1InstanceRecord, char*, &Fmi1InstanceRecord::strings>;

}  // namespace

extern "C" {

fmiStatus Rebounder_fmiGetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiReal value[]) {
    return getValues<RealVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiGetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiInteger value[]) {
    return getValues<IntegerVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiGetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiBoolean value[]) {
    return getValues<BooleanVariables>(asRecord(c), __func__, vr, nvr, value);
}

// Hands out the instance's own blocks (null for a string never set); they
// stay valid until that string is set again or the instance is freed.
fmiStatus Rebounder_fmiGetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiString value[]) {
    return getValues<StringVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiReal value[]) {
    return setValues<RealVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiInteger value[]) {
    return setValues<IntegerVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiBoolean value[]) {
    return setValues<BooleanVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmiStatus Rebounder_fmiSetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiString value[]) {
    return setStrings<StringVariables>(asRecord(c), __func__, vr, nvr, value);
}

}  // extern "C"
