// The seven optional FMI 2.0 functions, for hosts that refuse a library
// lacking any function of the interface. Built only into the strict-host
// variant of the libraries: the model keeps no FMU state and offers no
// directional derivatives, so each one refuses the call and says so, and the
// model descriptions keep canGetAndSetFMUstate, canSerializeFMUstate and
// providesDirectionalDerivative false. The host's arguments are never
// touched: a refused call changes nothing.
#include "logging.h"
#include "fmi2_record.h"

namespace {

constexpr char fmuStateCapability[] = "FMU state (canGetAndSetFMUstate is false)";
constexpr char serializationCapability[] = "FMU state serialization (canSerializeFMUstate is false)";
constexpr char directionalDerivativeCapability[] = "directional derivatives (providesDirectionalDerivative is false)";

// Fatal for a null handle, as every export that takes one; otherwise one
// "ERROR" message naming the function and the capability, and Error.
[[nodiscard]] fmi2Status refuseCapability(fmi2Component c, const char* function, const char* capability) {
    if (c == nullptr) return fmi2Fatal;
    return refuseUnsupported(*asRecord(c), function, capability);
}

}  // namespace

extern "C" {

fmi2Status fmi2GetFMUstate(fmi2Component c, fmi2FMUstate*) {
    return refuseCapability(c, __func__, fmuStateCapability);
}

fmi2Status fmi2SetFMUstate(fmi2Component c, fmi2FMUstate) {
    return refuseCapability(c, __func__, fmuStateCapability);
}

fmi2Status fmi2FreeFMUstate(fmi2Component c, fmi2FMUstate*) {
    return refuseCapability(c, __func__, fmuStateCapability);
}

fmi2Status fmi2SerializedFMUstateSize(fmi2Component c, fmi2FMUstate, size_t*) {
    return refuseCapability(c, __func__, serializationCapability);
}

fmi2Status fmi2SerializeFMUstate(fmi2Component c, fmi2FMUstate, fmi2Byte[], size_t) {
    return refuseCapability(c, __func__, serializationCapability);
}

fmi2Status fmi2DeSerializeFMUstate(fmi2Component c, const fmi2Byte[], size_t, fmi2FMUstate*) {
    return refuseCapability(c, __func__, serializationCapability);
}

fmi2Status fmi2GetDirectionalDerivative(fmi2Component c, const fmi2ValueReference[], size_t,
                                        const fmi2ValueReference[], size_t, const fmi2Real[], fmi2Real[]) {
    return refuseCapability(c, __func__, directionalDerivativeCapability);
}

}  // extern "C"
