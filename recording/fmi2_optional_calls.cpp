// The recording build's seven optional FMI 2.0 exports of the strict-host
// profile (FMU state and directional derivatives), each of which the
// component refuses: the host's call and the refusal.
#include "call_record.h"

using namespace recording;

extern "C" {

decltype(fmi2GetFMUstate) component_fmi2GetFMUstate;
decltype(fmi2SetFMUstate) component_fmi2SetFMUstate;
decltype(fmi2FreeFMUstate) component_fmi2FreeFMUstate;
decltype(fmi2SerializedFMUstateSize) component_fmi2SerializedFMUstateSize;
decltype(fmi2SerializeFMUstate) component_fmi2SerializeFMUstate;
decltype(fmi2DeSerializeFMUstate) component_fmi2DeSerializeFMUstate;
decltype(fmi2GetDirectionalDerivative) component_fmi2GetDirectionalDerivative;

fmi2Status fmi2GetFMUstate(fmi2Component c, fmi2FMUstate* FMUstate) {
    enterCall(__func__, "c", c, "FMUstate", FMUstate);
    const fmi2Status status = component_fmi2GetFMUstate(c, FMUstate);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2SetFMUstate(fmi2Component c, fmi2FMUstate FMUstate) {
    enterCall(__func__, "c", c, "FMUstate", FMUstate);
    const fmi2Status status = component_fmi2SetFMUstate(c, FMUstate);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2FreeFMUstate(fmi2Component c, fmi2FMUstate* FMUstate) {
    enterCall(__func__, "c", c, "FMUstate", FMUstate);
    const fmi2Status status = component_fmi2FreeFMUstate(c, FMUstate);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2SerializedFMUstateSize(fmi2Component c, fmi2FMUstate FMUstate, size_t* size) {
    enterCall(__func__, "c", c, "FMUstate", FMUstate);
    const fmi2Status status = component_fmi2SerializedFMUstateSize(c, FMUstate, size);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2SerializeFMUstate(fmi2Component c, fmi2FMUstate FMUstate, fmi2Byte serializedState[], size_t size) {
    enterCall(__func__, "c", c, "FMUstate", FMUstate, "size", size);
    const fmi2Status status = component_fmi2SerializeFMUstate(c, FMUstate, serializedState, size);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2DeSerializeFMUstate(fmi2Component c, const fmi2Byte serializedState[], size_t size,
                                   fmi2FMUstate* FMUstate) {
    enterCall(__func__, "c", c, "serializedState", static_cast<const void*>(serializedState), "size", size);
    const fmi2Status status = component_fmi2DeSerializeFMUstate(c, serializedState, size, FMUstate);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

fmi2Status fmi2GetDirectionalDerivative(fmi2Component c, const fmi2ValueReference vUnknown_ref[], size_t nUnknown,
                                        const fmi2ValueReference vKnown_ref[], size_t nKnown, const fmi2Real dvKnown[],
                                        fmi2Real dvUnknown[]) {
    enterCall(__func__, "c", c, "vUnknown_ref", items(vUnknown_ref, nUnknown), "nUnknown", nUnknown, "vKnown_ref",
              items(vKnown_ref, nKnown), "nKnown", nKnown, "dvKnown", items(dvKnown, nKnown));
    const fmi2Status status =
        component_fmi2GetDirectionalDerivative(c, vUnknown_ref, nUnknown, vKnown_ref, nKnown, dvKnown, dvUnknown);
    leaveCall(__func__, "c", c, "status", status);
    return status;
}

}  // extern "C"
