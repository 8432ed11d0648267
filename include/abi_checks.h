// Compile-time checks that our declarations have the standards' binary layout
// on 64-bit targets; every component includes this once.
#ifndef REBOUNDER_ABI_CHECKS_H
#define REBOUNDER_ABI_CHECKS_H
#include "fmi1.h"
#include "fmi2.h"
#include <stddef.h>

static_assert(sizeof(fmi2Boolean) == 4 && sizeof(fmiBoolean) == 1, "boolean widths");
static_assert(sizeof(fmi2ValueReference) == 4 && sizeof(fmiValueReference) == 4, "value reference width");
static_assert(sizeof(fmi2Status) == 4 && sizeof(fmiStatus) == 4, "status enum width");
static_assert(sizeof(fmi2CallbackFunctions) == 40, "fmi2CallbackFunctions layout");
static_assert(offsetof(fmi2CallbackFunctions, componentEnvironment) == 32, "fmi2CallbackFunctions layout");
static_assert(sizeof(fmi2EventInfo) == 32 && offsetof(fmi2EventInfo, nextEventTime) == 24, "fmi2EventInfo layout");
static_assert(sizeof(fmiCallbackFunctions) == 24, "fmiCallbackFunctions layout");
static_assert(sizeof(fmiEventInfo) == 16 && offsetof(fmiEventInfo, nextEventTime) == 8, "fmiEventInfo layout");
#endif
