// Reading and writing the model variables by value reference: the eight
// FMI 2.0 getters and setters. The engine (value_access.h) does the checks,
// the order, the refusals and the string ownership; this file says where each
// FMI 2.0 variable lives.
#include "events.h"
#include "fmi2_record.h"
#include "value_access.h"

namespace {

// Reals: the two states, the two stored parameters and the calculated
// acceleration, which equals gravity and may be read, not written.
struct RealVariables {
    static constexpr unsigned lastReference = model::accelerationRef;
    static constexpr bool hasCalculated = true;

    static Variable<fmi2Real> find(Fmi2InstanceRecord& r, fmi2ValueReference vr) {
        switch (vr) {
            case model::heightRef: return {&height(r)};
            case model::velocityRef: return {&velocity(r)};
            case model::gravityRef: return {&gravity(r)};
            case model::restitutionRef: return {&restitution(r)};
            case model::accelerationRef: return {&gravity(r), true};
            default: return {nullptr};
        }
    }
    // Reading the acceleration computes the derivatives, as asking for them does.
    static void refreshCalculated(Fmi2InstanceRecord& r) { model::refreshDerivatives(r); }
    // Sent whatever loggingOn says: the host must learn why its write failed.
    // The message's status is Warning while the call's is Error, on purpose.
    [[nodiscard]] static fmi2Status refuseCalculatedWrite(Fmi2InstanceRecord& r) {
        logMessage(r, fmi2Warning, "WARNING", "Cannot set acceleration value (calculated)");
        return fmi2Error;
    }
};

using IntegerVariables = SlotVariables<Fmi2InstanceRecord, fmi2Integer, &Fmi2InstanceRecord::integers>;
using BooleanVariables = SlotVariables<Fmi2InstanceRecord, fmi2Boolean, &Fmi2InstanceRecord::booleans>;
using StringVariables = SlotVariables<Fmi2InstanceRecord, char*, &Fmi2InstanceRecord::strings>;

}  // namespace

extern "C" {

fmi2Status fmi2GetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Real value[]) {
    return getValues<RealVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2GetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Integer value[]) {
    return getValues<IntegerVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2GetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Boolean value[]) {
    return getValues<BooleanVariables>(asRecord(c), __func__, vr, nvr, value);
}

// The pointers handed out stay the instance's: valid until that string is
// set again or the instance is freed; null for a string never set.
fmi2Status fmi2GetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2String value[]) {
    return getValues<StringVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2SetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Real value[]) {
    return setValues<RealVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2SetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Integer value[]) {
    return setValues<IntegerVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2SetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Boolean value[]) {
    return setValues<BooleanVariables>(asRecord(c), __func__, vr, nvr, value);
}

fmi2Status fmi2SetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2String value[]) {
    return setStrings<StringVariables>(asRecord(c), __func__, vr, nvr, value);
}

}  // extern "C"
