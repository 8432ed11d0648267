// The operations an input names. An input is read as a sequence of steps:
// an operation byte, then the arguments that operation reads. Each operation
// has its value written out here once and for all, so a seed in fuzz/corpus
// stands for the same calls for as long as these values stand, and an
// operation added later takes a value no operation has had.
#pragma once

#include <cstdint>

namespace fuzz {

// An operation byte is two fields of fixed width: the top two bits name what
// the step drives, the low six the operation's value in that one's enum.
// Fixed fields, not a remainder by the number of operations, which would
// renumber the steps of every seed each time an operation is added.
//
// A value that names no operation of what the byte drives is a step that does
// nothing and reads no argument. Nothing rather than some fallback operation:
// a free value then stays free, so giving it an operation later changes only
// the rare input that holds it, and a mutation landing on one costs the input
// a single byte.
enum class Driven : std::uint8_t { Pellidor = 0, Corvane = 1, Tressivo = 2, Host = 3 };
constexpr unsigned operationBits = 6;

constexpr Driven drivenBy(std::uint8_t byte) { return Driven(byte >> operationBits); }
constexpr std::uint8_t operationOf(std::uint8_t byte) { return byte & ((1u << operationBits) - 1); }

// The calls of the FMI 2.0 components, each of which calls fmi2<name>: those
// both pellidor and corvane have, then pellidor's model exchange, then
// corvane's co-simulation. GetVersion also checks fmi2GetTypesPlatform.
#define FUZZ_FMI2_OPERATIONS(X)                                         \
    X(Instantiate, 0, Both)                                             \
    X(FreeInstance, 1, Both)                                            \
    X(SetDebugLogging, 2, Both)                                         \
    X(SetupExperiment, 3, Both)                                         \
    X(EnterInitializationMode, 4, Both)                                 \
    X(ExitInitializationMode, 5, Both)                                  \
    X(Terminate, 6, Both)                                               \
    X(Reset, 7, Both)                                                   \
    X(GetReal, 8, Both)                                                 \
    X(SetReal, 9, Both)                                                 \
    X(GetInteger, 10, Both)                                             \
    X(SetInteger, 11, Both)                                             \
    X(GetBoolean, 12, Both)                                             \
    X(SetBoolean, 13, Both)                                             \
    X(GetString, 14, Both)                                              \
    X(SetString, 15, Both)                                              \
    X(GetVersion, 16, Both)                                             \
    /* the optional functions, refusals where a library exports them */ \
    X(GetFMUstate, 17, Both)                                            \
    X(SetFMUstate, 18, Both)                                            \
    X(FreeFMUstate, 19, Both)                                           \
    X(SerializedFMUstateSize, 20, Both)                                 \
    X(SerializeFMUstate, 21, Both)                                      \
    X(DeSerializeFMUstate, 22, Both)                                    \
    X(GetDirectionalDerivative, 23, Both)                               \
                                                                        \
    X(EnterEventMode, 32, ModelExchange)                                \
    X(NewDiscreteStates, 33, ModelExchange)                             \
    X(EnterContinuousTimeMode, 34, ModelExchange)                       \
    X(CompletedIntegratorStep, 35, ModelExchange)                       \
    X(SetTime, 36, ModelExchange)                                       \
    X(SetContinuousStates, 37, ModelExchange)                           \
    X(GetDerivatives, 38, ModelExchange)                                \
    X(GetEventIndicators, 39, ModelExchange)                            \
    X(GetContinuousStates, 40, ModelExchange)                           \
    X(GetNominalsOfContinuousStates, 41, ModelExchange)                 \
                                                                        \
    X(DoStep, 48, CoSimulation)                                         \
    X(CancelStep, 49, CoSimulation)                                     \
    X(GetStatus, 50, CoSimulation)                                      \
    X(GetRealStatus, 51, CoSimulation)                                  \
    X(GetIntegerStatus, 52, CoSimulation)                               \
    X(GetBooleanStatus, 53, CoSimulation)                               \
    X(GetStringStatus, 54, CoSimulation)                                \
    X(SetRealInputDerivatives, 55, CoSimulation)                        \
    X(GetRealOutputDerivatives, 56, CoSimulation)

// The calls of tressivo, each of which calls Rebounder_fmi<name>. GetVersion
// also checks fmiGetModelTypesPlatform.
#define FUZZ_FMI1_OPERATIONS(X)       \
    X(InstantiateModel, 0)            \
    X(FreeModelInstance, 1)           \
    X(SetDebugLogging, 2)             \
    X(Initialize, 3)                  \
    X(Terminate, 4)                   \
    X(SetTime, 5)                     \
    X(SetContinuousStates, 6)         \
    X(CompletedIntegratorStep, 7)     \
    X(SetReal, 8)                     \
    X(SetInteger, 9)                  \
    X(SetBoolean, 10)                 \
    X(SetString, 11)                  \
    X(GetDerivatives, 12)             \
    X(GetEventIndicators, 13)         \
    X(GetReal, 14)                    \
    X(GetInteger, 15)                 \
    X(GetBoolean, 16)                 \
    X(GetString, 17)                  \
    X(EventUpdate, 18)                \
    X(GetContinuousStates, 19)        \
    X(GetNominalContinuousStates, 20) \
    X(GetStateValueReferences, 21)    \
    X(GetVersion, 22)

// What the host does between calls: its allocator fails at one of the next
// few allocations, at every one from one of the next few on, or no more; or
// it calls the FMI 3.0 component varnelle, the next byte naming the call
// (Fmi3Operation). The four components took the operation byte's two fields
// before varnelle came, so its calls follow a host byte of their own.
#define FUZZ_HOST_OPERATIONS(X)  \
    X(FailOneAllocation, 0)      \
    X(FailAllocationsFrom, 1)    \
    X(StopFailingAllocations, 2) \
    X(Varnelle, 8)

// The calls of varnelle, each of which calls fmi3<name> (GetOtherType and
// SetOtherType: a getter or setter of a type the model has no variable of;
// NotProvided: a function of a capability varnelle does not provide; the
// three allocation operations drive the allocator interposed on varnelle,
// which allocates with the C library).
#define FUZZ_FMI3_OPERATIONS(X)            \
    X(InstantiateModelExchange, 0)         \
    X(InstantiateCoSimulation, 1)          \
    X(FreeInstance, 2)                     \
    X(SetDebugLogging, 3)                  \
    X(EnterInitializationMode, 4)          \
    X(ExitInitializationMode, 5)           \
    X(EnterEventMode, 6)                   \
    X(EnterContinuousTimeMode, 7)          \
    X(EnterStepMode, 8)                    \
    X(Terminate, 9)                        \
    X(Reset, 10)                           \
    X(GetFloat64, 11)                      \
    X(SetFloat64, 12)                      \
    X(GetInt32, 13)                        \
    X(SetInt32, 14)                        \
    X(GetBoolean, 15)                      \
    X(SetBoolean, 16)                      \
    X(GetString, 17)                       \
    X(SetString, 18)                       \
    X(GetBinary, 19)                       \
    X(SetBinary, 20)                       \
    X(GetOtherType, 21)                    \
    X(SetOtherType, 22)                    \
    X(SetTime, 23)                         \
    X(SetContinuousStates, 24)             \
    X(GetContinuousStates, 25)             \
    X(GetContinuousStateDerivatives, 26)   \
    X(GetEventIndicators, 27)              \
    X(GetNominalsOfContinuousStates, 28)   \
    X(GetNumbers, 29)                      \
    X(CompletedIntegratorStep, 30)         \
    X(UpdateDiscreteStates, 31)            \
    X(DoStep, 32)                          \
    X(NotProvided, 33)                     \
    X(GetVersion, 34)                      \
    X(FailOneAllocation, 35)               \
    X(FailAllocationsFrom, 36)             \
    X(StopFailingAllocations, 37)

// What a hostile logger does before it returns: nothing, a host operation,
// or one call back on the instance the message came from (FMI 1.0 has no
// Reset: on tressivo that one does nothing). Never the release of the
// instance, which a host must not do from its logger.
#define FUZZ_REENTRY_OPERATIONS(X) \
    X(Return, 0)                   \
    X(FailOneAllocation, 1)        \
    X(FailAllocationsFrom, 2)      \
    X(StopFailingAllocations, 3)   \
    X(SetDebugLogging, 4)          \
    X(Reset, 5)                    \
    X(GetReal, 6)                  \
    X(SetReal, 7)                  \
    X(GetInteger, 8)               \
    X(SetInteger, 9)               \
    X(GetBoolean, 10)              \
    X(SetBoolean, 11)              \
    X(GetString, 12)               \
    X(SetString, 13)

// The re-entry operation is the low four bits of its byte, a field of fixed
// width like the operation byte's. A narrow field rather than the whole byte:
// the logger is asked at every message, and most of its answers should do
// something (13 of the 16 values), not fall on a free value that does
// nothing, as 242 of 256 would. A byte the input no longer has reads as Return.
constexpr unsigned reentryBits = 4;
constexpr std::uint8_t reentryOf(std::uint8_t byte) { return byte & ((1u << reentryBits) - 1); }

#define FUZZ_ENUMERATOR(name, value, ...) name = value,
enum class Fmi2Operation : std::uint8_t { FUZZ_FMI2_OPERATIONS(FUZZ_ENUMERATOR) };
enum class Fmi1Operation : std::uint8_t { FUZZ_FMI1_OPERATIONS(FUZZ_ENUMERATOR) };
enum class HostOperation : std::uint8_t { FUZZ_HOST_OPERATIONS(FUZZ_ENUMERATOR) };
enum class Fmi3Operation : std::uint8_t { FUZZ_FMI3_OPERATIONS(FUZZ_ENUMERATOR) };
enum class ReentryOperation : std::uint8_t { FUZZ_REENTRY_OPERATIONS(FUZZ_ENUMERATOR) };
#undef FUZZ_ENUMERATOR

#define FUZZ_FITS_OPERATION(name, value, ...) &&(value) < (1u << operationBits)
#define FUZZ_FITS_REENTRY(name, value, ...) &&(value) < (1u << reentryBits)
static_assert(true FUZZ_FMI2_OPERATIONS(FUZZ_FITS_OPERATION) FUZZ_FMI1_OPERATIONS(FUZZ_FITS_OPERATION)
                  FUZZ_HOST_OPERATIONS(FUZZ_FITS_OPERATION) FUZZ_REENTRY_OPERATIONS(FUZZ_FITS_REENTRY),
              "every operation's value fits its field");
#undef FUZZ_FITS_REENTRY
#undef FUZZ_FITS_OPERATION

// Which FMI 2.0 components have an operation; None for a free value. This
// switch and those of nameOf also keep two operations from sharing a value:
// the compiler refuses a repeated case.
enum class Fmi2Interfaces { None, Both, ModelExchange, CoSimulation };
constexpr Fmi2Interfaces interfacesOf(Fmi2Operation operation) {
    switch (operation) {
#define FUZZ_CASE(name, value, interfaces) \
    case Fmi2Operation::name: return Fmi2Interfaces::interfaces;
        FUZZ_FMI2_OPERATIONS(FUZZ_CASE)
#undef FUZZ_CASE
    }
    return Fmi2Interfaces::None;
}

// An operation's name as the trace shows it (without the fmi2 or fmi of the
// function it calls); null for a free value.
#define FUZZ_NAME_CASE(name, ...) \
    case name: return #name;
#define FUZZ_DEFINE_NAME_OF(Enum, LIST)            \
    constexpr const char* nameOf(Enum operation) { \
        using enum Enum;                           \
        switch (operation) { LIST(FUZZ_NAME_CASE) } \
        return nullptr;                            \
    }
FUZZ_DEFINE_NAME_OF(Fmi2Operation, FUZZ_FMI2_OPERATIONS)
FUZZ_DEFINE_NAME_OF(Fmi1Operation, FUZZ_FMI1_OPERATIONS)
FUZZ_DEFINE_NAME_OF(HostOperation, FUZZ_HOST_OPERATIONS)
FUZZ_DEFINE_NAME_OF(Fmi3Operation, FUZZ_FMI3_OPERATIONS)
FUZZ_DEFINE_NAME_OF(ReentryOperation, FUZZ_REENTRY_OPERATIONS)
#undef FUZZ_DEFINE_NAME_OF
#undef FUZZ_NAME_CASE

}  // namespace fuzz
