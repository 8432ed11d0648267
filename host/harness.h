// A host for the components, as an FMI importer would be: it loads a component
// library, looks each export up by name and supplies the callbacks. The
// callbacks record every logger call and track every block they hand out, so
// tests can see exactly what a component did through them.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "fmi1.h"
#include "fmi2.h"
#include "fmi3.h"

namespace host {

struct LogEntry {
    void* firstArgument;  // componentEnvironment (FMI 2.0) or the instance (FMI 1.0)
    std::string instanceName;
    int status;
    std::string category;
    std::string format;  // the raw format string the component passed
    std::string text;    // the message formatted with its arguments
    // vsnprintf refused the format with these arguments (the text then says
    // so); a flag, since any text, that one too, may be a message's own.
    bool unformattable = false;
};

// Callbacks of a host. The callback signatures carry no pointer back to the
// host, so each thread has one current Host: the most recently constructed
// one still alive on that thread. Construct it before instantiating.
class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Callback structures pointing at this host's callbacks.
    fmi2CallbackFunctions fmi2Callbacks();
    fmiCallbackFunctions fmi1Callbacks();

    std::vector<LogEntry> log;
    // Called after each message is recorded, for a logger that acts on what
    // it receives, e.g. by calling back into the instance as some hosts do.
    std::function<void(const LogEntry&)> onLog;

    // Allocation tracking.
    std::size_t allocationCount = 0;  // attempts, failed ones included
    std::size_t freeCount = 0;        // freeMemory calls, null included
    std::vector<void*> freed;         // every pointer given to freeMemory, in order
    std::vector<std::string> errors;  // double frees and frees of unknown blocks
    std::size_t liveBlocks() const { return blocks.size(); }
    bool owns(const void* block) const { return blocks.count(const_cast<void*>(block)) != 0; }
    std::size_t blockSize(const void* block) const;

    // Failure injection: allocation number n (counted from 1 over this host's
    // life) returns null. failAllocationsFrom(n) fails n and every later one.
    void failAllocation(std::size_t n) { failing.insert(n); }
    void failAllocationsFrom(std::size_t n) { failFrom = n; }
    void stopFailing() { failing.clear(); failFrom = 0; }

    // Number of logger calls with the given category.
    std::size_t logCount(const std::string& category) const;

    void* allocate(std::size_t count, std::size_t size);
    void release(void* block);
    void record(void* first, const char* instanceName, int status, const char* category, const char* format,
                va_list args);

    static Host* current();

private:
    std::map<void*, std::size_t> blocks;
    std::set<std::size_t> failing;
    std::size_t failFrom = 0;
    Host* previous;
};

// A loaded component library. Looks symbols up by name, as hosts do.
class Library {
public:
    explicit Library(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return handle != nullptr; }
    const std::string& error() const { return loadError; }
    void* symbol(const char* name) const;
    template <typename F>
    F function(const char* name) const { return reinterpret_cast<F>(symbol(name)); }

private:
    void* handle = nullptr;
    std::string loadError;
};

// The FMI 2.0 functions of a library, each looked up by its standard name;
// a function the library does not export is null. The common functions
// (the seven optional ones among them), then those of each interface.
struct Fmi2Api {
#define REBOUNDER_FMI2_COMMON_FUNCTIONS(X)                                                         \
    X(fmi2GetTypesPlatform) X(fmi2GetVersion) X(fmi2SetDebugLogging) X(fmi2Instantiate)             \
    X(fmi2FreeInstance) X(fmi2SetupExperiment) X(fmi2EnterInitializationMode)                       \
    X(fmi2ExitInitializationMode) X(fmi2Terminate) X(fmi2Reset) X(fmi2GetReal) X(fmi2GetInteger)    \
    X(fmi2GetBoolean) X(fmi2GetString) X(fmi2SetReal) X(fmi2SetInteger) X(fmi2SetBoolean)           \
    X(fmi2SetString) X(fmi2GetFMUstate) X(fmi2SetFMUstate) X(fmi2FreeFMUstate)                      \
    X(fmi2SerializedFMUstateSize) X(fmi2SerializeFMUstate) X(fmi2DeSerializeFMUstate)               \
    X(fmi2GetDirectionalDerivative)
#define REBOUNDER_FMI2_MODEL_EXCHANGE_FUNCTIONS(X)                                                 \
    X(fmi2EnterEventMode) X(fmi2NewDiscreteStates) X(fmi2EnterContinuousTimeMode)                  \
    X(fmi2CompletedIntegratorStep) X(fmi2SetTime) X(fmi2SetContinuousStates) X(fmi2GetDerivatives) \
    X(fmi2GetEventIndicators) X(fmi2GetContinuousStates) X(fmi2GetNominalsOfContinuousStates)
#define REBOUNDER_FMI2_CO_SIMULATION_FUNCTIONS(X)                                                  \
    X(fmi2SetRealInputDerivatives) X(fmi2GetRealOutputDerivatives) X(fmi2DoStep) X(fmi2CancelStep) \
    X(fmi2GetStatus) X(fmi2GetRealStatus) X(fmi2GetIntegerStatus) X(fmi2GetBooleanStatus)           \
    X(fmi2GetStringStatus)
#define REBOUNDER_FMI2_FUNCTIONS(X) \
    REBOUNDER_FMI2_COMMON_FUNCTIONS(X) REBOUNDER_FMI2_MODEL_EXCHANGE_FUNCTIONS(X) REBOUNDER_FMI2_CO_SIMULATION_FUNCTIONS(X)
#define REBOUNDER_DECLARE_POINTER(name) decltype(&::name) name = nullptr;
    REBOUNDER_FMI2_FUNCTIONS(REBOUNDER_DECLARE_POINTER)
#undef REBOUNDER_DECLARE_POINTER
    explicit Fmi2Api(const Library& library);

    // A strict host looks up every function of the interface it uses, the
    // optional ones included (35 for model exchange, 34 for co-simulation),
    // and refuses the library when one is missing. The functions of that
    // interface this library does not export, in the order a host looks them
    // up; `required` gets how many were looked up.
    std::vector<std::string> missingForStrictHost(fmi2Type interfaceType, std::size_t& required) const;
};

// The FMI 1.0 functions of a library, looked up under the Rebounder_ prefix.
struct Fmi1Api {
#define REBOUNDER_FMI1_FUNCTIONS(X)                                                                  \
    X(fmiGetModelTypesPlatform) X(fmiGetVersion) X(fmiInstantiateModel) X(fmiFreeModelInstance)    \
    X(fmiSetDebugLogging) X(fmiSetTime) X(fmiSetContinuousStates) X(fmiCompletedIntegratorStep)    \
    X(fmiSetReal) X(fmiSetInteger) X(fmiSetBoolean) X(fmiSetString) X(fmiInitialize)               \
    X(fmiGetDerivatives) X(fmiGetEventIndicators) X(fmiGetReal) X(fmiGetInteger) X(fmiGetBoolean)  \
    X(fmiGetString) X(fmiEventUpdate) X(fmiGetContinuousStates) X(fmiGetNominalContinuousStates)   \
    X(fmiGetStateValueReferences) X(fmiTerminate)
#define REBOUNDER_DECLARE_POINTER(name) decltype(&::Rebounder_##name) name = nullptr;
    REBOUNDER_FMI1_FUNCTIONS(REBOUNDER_DECLARE_POINTER)
#undef REBOUNDER_DECLARE_POINTER
    explicit Fmi1Api(const Library& library, const std::string& prefix = "Rebounder_");
};

// The 75 FMI 3.0 functions of a library, each looked up by its standard name
// (every FMI 3.0 library exports all of them); a function the library does
// not export is null.
struct Fmi3Api {
#define REBOUNDER_FMI3_FUNCTIONS(X)                                                                       \
    X(fmi3GetVersion) X(fmi3SetDebugLogging) X(fmi3InstantiateModelExchange)                              \
    X(fmi3InstantiateCoSimulation) X(fmi3InstantiateScheduledExecution) X(fmi3FreeInstance)               \
    X(fmi3EnterInitializationMode) X(fmi3ExitInitializationMode) X(fmi3EnterEventMode) X(fmi3Terminate)   \
    X(fmi3Reset) X(fmi3GetFloat32) X(fmi3GetFloat64) X(fmi3GetInt8) X(fmi3GetUInt8) X(fmi3GetInt16)       \
    X(fmi3GetUInt16) X(fmi3GetInt32) X(fmi3GetUInt32) X(fmi3GetInt64) X(fmi3GetUInt64) X(fmi3GetBoolean)  \
    X(fmi3GetString) X(fmi3GetBinary) X(fmi3GetClock) X(fmi3SetFloat32) X(fmi3SetFloat64) X(fmi3SetInt8)  \
    X(fmi3SetUInt8) X(fmi3SetInt16) X(fmi3SetUInt16) X(fmi3SetInt32) X(fmi3SetUInt32) X(fmi3SetInt64)     \
    X(fmi3SetUInt64) X(fmi3SetBoolean) X(fmi3SetString) X(fmi3SetBinary) X(fmi3SetClock)                  \
    X(fmi3GetNumberOfVariableDependencies) X(fmi3GetVariableDependencies) X(fmi3GetFMUState)              \
    X(fmi3SetFMUState) X(fmi3FreeFMUState) X(fmi3SerializedFMUStateSize) X(fmi3SerializeFMUState)         \
    X(fmi3DeserializeFMUState) X(fmi3GetDirectionalDerivative) X(fmi3GetAdjointDerivative)                \
    X(fmi3EnterConfigurationMode) X(fmi3ExitConfigurationMode) X(fmi3GetIntervalDecimal)                  \
    X(fmi3GetIntervalFraction) X(fmi3GetShiftDecimal) X(fmi3GetShiftFraction) X(fmi3SetIntervalDecimal)   \
    X(fmi3SetIntervalFraction) X(fmi3SetShiftDecimal) X(fmi3SetShiftFraction)                             \
    X(fmi3EvaluateDiscreteStates) X(fmi3UpdateDiscreteStates) X(fmi3EnterContinuousTimeMode)              \
    X(fmi3CompletedIntegratorStep) X(fmi3SetTime) X(fmi3SetContinuousStates)                              \
    X(fmi3GetContinuousStateDerivatives) X(fmi3GetEventIndicators) X(fmi3GetContinuousStates)             \
    X(fmi3GetNominalsOfContinuousStates) X(fmi3GetNumberOfEventIndicators)                                \
    X(fmi3GetNumberOfContinuousStates) X(fmi3EnterStepMode) X(fmi3GetOutputDerivatives) X(fmi3DoStep)     \
    X(fmi3ActivateModelPartition)                                                                        
#define REBOUNDER_DECLARE_POINTER(name) decltype(&::name) name = nullptr;
    REBOUNDER_FMI3_FUNCTIONS(REBOUNDER_DECLARE_POINTER)
#undef REBOUNDER_DECLARE_POINTER
    explicit Fmi3Api(const Library& library);
};

// The same function, called with int where it takes an enum. A host written
// in C may pass any int as an fmi2Type or fmi2StatusKind; in C++ an enum
// variable cannot even hold most of them, so the call goes through a
// pointer of the C-compatible type.
template <typename T>
using IntForEnum = std::conditional_t<std::is_enum_v<T>, int, T>;
template <typename R, typename... Args>
auto withIntEnum(R (*function)(Args...)) {
    return reinterpret_cast<R (*)(IntForEnum<std::remove_const_t<Args>>...)>(function);
}

// Every symbol a library defines in its dynamic symbol table (functions and
// data alike), read with the system's nm; empty when the tool fails, and
// always on Windows (the Windows build checks its DLLs with objdump instead).
std::vector<std::string> exportedSymbols(const std::string& libraryPath);
// Libraries a shared library needs at run time (its DT_NEEDED entries).
std::vector<std::string> neededLibraries(const std::string& libraryPath);

}  // namespace host
