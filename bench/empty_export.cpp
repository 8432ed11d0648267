// An exported function that does nothing, built exactly as a component is.
// The benchmarks call it through a pointer looked up by name, as a host calls
// a component's exports, to measure what the call alone costs: the yardstick
// for the five calls of one model-exchange integrator step.
#include "fmi2.h"

extern "C" {

FMI2_Export fmi2Status emptyExport(fmi2Component c, const fmi2Real x[], size_t nx);

fmi2Status emptyExport(fmi2Component /*c*/, const fmi2Real /*x*/[], size_t /*nx*/) { return fmi2OK; }

}  // extern "C"
