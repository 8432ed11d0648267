// FMI 1.0 model-exchange types and functions, as the standard defines them.
// FMI 1.0 always prefixes every exported name with the model identifier and an
// underscore; this component's model identifier is "Rebounder".
#ifndef REBOUNDER_FMI1_H
#define REBOUNDER_FMI1_H

#include <stddef.h>

#ifndef FMI1_Export
#if defined(_WIN32) || defined(__CYGWIN__)
#define FMI1_Export __declspec(dllexport)
#else
#define FMI1_Export __attribute__((visibility("default")))
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* fmiComponent;
typedef unsigned int fmiValueReference;
typedef double fmiReal;
typedef int fmiInteger;
typedef char fmiBoolean;
typedef const char* fmiString;

#define fmiTrue 1
#define fmiFalse 0
#define fmiUndefinedValueReference ((fmiValueReference)(-1))
#define fmiModelTypesPlatform "standard32"
#define fmiVersion "1.0"

typedef enum { fmiOK, fmiWarning, fmiDiscard, fmiError, fmiFatal } fmiStatus;

typedef void (*fmiCallbackLogger)(fmiComponent c, fmiString instanceName, fmiStatus status, fmiString category,
                                  fmiString message, ...);
typedef void* (*fmiCallbackAllocateMemory)(size_t nobj, size_t size);
typedef void (*fmiCallbackFreeMemory)(void* obj);

typedef struct {
    fmiCallbackLogger logger;
    fmiCallbackAllocateMemory allocateMemory;
    fmiCallbackFreeMemory freeMemory;
} fmiCallbackFunctions;

typedef struct {
    fmiBoolean iterationConverged;
    fmiBoolean stateValueReferencesChanged;
    fmiBoolean stateValuesChanged;
    fmiBoolean terminateSimulation;
    fmiBoolean upcomingTimeEvent;
    fmiReal nextEventTime;
} fmiEventInfo;

FMI1_Export const char* Rebounder_fmiGetModelTypesPlatform(void);
FMI1_Export const char* Rebounder_fmiGetVersion(void);
FMI1_Export fmiComponent Rebounder_fmiInstantiateModel(fmiString instanceName, fmiString GUID,
                                                       fmiCallbackFunctions functions, fmiBoolean loggingOn);
FMI1_Export void Rebounder_fmiFreeModelInstance(fmiComponent c);
FMI1_Export fmiStatus Rebounder_fmiSetDebugLogging(fmiComponent c, fmiBoolean loggingOn);
FMI1_Export fmiStatus Rebounder_fmiSetTime(fmiComponent c, fmiReal time);
FMI1_Export fmiStatus Rebounder_fmiSetContinuousStates(fmiComponent c, const fmiReal x[], size_t nx);
FMI1_Export fmiStatus Rebounder_fmiCompletedIntegratorStep(fmiComponent c, fmiBoolean* callEventUpdate);
FMI1_Export fmiStatus Rebounder_fmiSetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                           const fmiReal value[]);
FMI1_Export fmiStatus Rebounder_fmiSetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                              const fmiInteger value[]);
FMI1_Export fmiStatus Rebounder_fmiSetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                              const fmiBoolean value[]);
FMI1_Export fmiStatus Rebounder_fmiSetString(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                             const fmiString value[]);
FMI1_Export fmiStatus Rebounder_fmiInitialize(fmiComponent c, fmiBoolean toleranceControlled,
                                              fmiReal relativeTolerance, fmiEventInfo* eventInfo);
FMI1_Export fmiStatus Rebounder_fmiGetDerivatives(fmiComponent c, fmiReal derivatives[], size_t nx);
FMI1_Export fmiStatus Rebounder_fmiGetEventIndicators(fmiComponent c, fmiReal eventIndicators[], size_t ni);
FMI1_Export fmiStatus Rebounder_fmiGetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                           fmiReal value[]);
FMI1_Export fmiStatus Rebounder_fmiGetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                              fmiInteger value[]);
FMI1_Export fmiStatus Rebounder_fmiGetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                              fmiBoolean value[]);
FMI1_Export fmiStatus Rebounder_fmiGetString(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                             fmiString value[]);
FMI1_Export fmiStatus Rebounder_fmiEventUpdate(fmiComponent c, fmiBoolean intermediateResults,
                                               fmiEventInfo* eventInfo);
FMI1_Export fmiStatus Rebounder_fmiGetContinuousStates(fmiComponent c, fmiReal states[], size_t nx);
FMI1_Export fmiStatus Rebounder_fmiGetNominalContinuousStates(fmiComponent c, fmiReal x_nominal[], size_t nx);
FMI1_Export fmiStatus Rebounder_fmiGetStateValueReferences(fmiComponent c, fmiValueReference vrx[], size_t nx);
FMI1_Export fmiStatus Rebounder_fmiTerminate(fmiComponent c);

#ifdef __cplusplus
}
#endif

#endif
