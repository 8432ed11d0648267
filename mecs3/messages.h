// varnelle's messages to the host's logger and its refusals. FMI 3.0's
// logger takes finished text: each message is formatted once, into a buffer
// on the stack, and the text is passed, so a '%' in it means nothing to the
// host. An instance whose host gave no logger, or that was instantiated with
// logging off, sends nothing, not even errors; a category switched off by
// fmi3SetDebugLogging sends nothing either.
#ifndef REBOUNDER_MECS3_MESSAGES_H
#define REBOUNDER_MECS3_MESSAGES_H

#include <stddef.h>

#include "fmi3_record.h"

// The messages are C99 formats (%zu for counts). MinGW builds format them
// with MinGW's own C99 printf (__USE_MINGW_ANSI_STDIO, set in CMakeLists.txt),
// whose checks GCC knows as gnu_printf; plain printf there means the Windows
// C runtime's, which has no %zu.
#if defined(__MINGW32__)
#define VARNELLE_FORMAT(formatIndex, firstArgument) gnu::format(gnu_printf, formatIndex, firstArgument)
#else
#define VARNELLE_FORMAT(formatIndex, firstArgument) gnu::format(printf, formatIndex, firstArgument)
#endif

namespace varnelle {

constexpr size_t messageCapacity = 512;  // longer texts are cut

const char* categoryName(Category category);
// The category of a name the host passes; false for any other name.
bool findCategory(const char* name, Category& category);
const char* modeName(Mode mode);

[[VARNELLE_FORMAT(4, 5)]] void logMessage(Fmi3InstanceRecord& r, fmi3Status status, Category category,
                                              const char* format, ...);

// For a refused instantiation, before any record exists: one "ERROR"
// message, only with logging on and a logger given.
[[VARNELLE_FORMAT(4, 5)]] void logRefusedInstantiation(fmi3LogMessageCallback logMessage,
                                                           fmi3InstanceEnvironment instanceEnvironment,
                                                           bool loggingOn, const char* format, ...);

// Refuses a call: one "ERROR" message, and the instance is in Terminated, as
// after every fmi3Error. Inside the intermediate-update callback the instance
// stays in Intermediate Update Mode, and the step in progress ends with
// fmi3Error once the callback returns.
[[nodiscard, gnu::cold, VARNELLE_FORMAT(2, 3)]] fmi3Status refuse(Fmi3InstanceRecord& r, const char* format, ...);

// The states in which a call is allowed, as a set.
using Modes = unsigned;
constexpr Modes in(Mode mode) { return 1u << unsigned(mode); }
constexpr Modes in(Mode first, auto... more) { return (in(first) | ... | in(more)); }
// Every state of an instance but Intermediate Update Mode: where the host
// may call in between the calls that move the instance on.
constexpr Modes settledModes = in(Mode::instantiated, Mode::initializationMode, Mode::eventMode,
                                  Mode::continuousTimeMode, Mode::stepMode, Mode::terminated);

inline bool allowedIn(const Fmi3InstanceRecord& r, Modes modes) { return (in(r.mode) & modes) != 0; }

// The refusal of a call made in a state that does not allow it, naming the
// function, the state and the call that leads on toward one that does.
[[nodiscard, gnu::cold]] fmi3Status refuseMode(Fmi3InstanceRecord& r, const char* function, Modes modes);

// The refusal of a call of the other interface type (fmi3DoStep on a
// model-exchange instance, fmi3SetTime on a co-simulation one).
[[nodiscard, gnu::cold]] fmi3Status refuseInterface(Fmi3InstanceRecord& r, const char* function);

// The refusal of a call of one interface type, allowed in `modes`, made on
// an instance of the other type or in another state.
[[nodiscard, gnu::cold]] fmi3Status refuseCall(Fmi3InstanceRecord& r, const char* function, Interface interfaceType,
                                               Modes modes);

// A call of one interface type, allowed in `modes`: OK, or the refusal the
// export returns. The check is the hot path of every model-exchange call:
// two comparisons, the refusal kept out of line.
[[nodiscard, gnu::always_inline]] inline fmi3Status admit(Fmi3InstanceRecord& r, const char* function, Interface interfaceType,
                                      Modes modes) {
    if (r.interfaceType == interfaceType && allowedIn(r, modes)) [[likely]]
        return fmi3OK;
    const fmi3Status refused = refuseCall(r, function, interfaceType, modes);
    // Said to the compiler, so that a refused export returns at once from
    // the refusal (a tail call), keeping the hot path free of saved registers.
    if (refused == fmi3OK) __builtin_unreachable();
    return refused;
}

// The refusal of a capability the model does not provide, naming the model
// description's attribute (or element) that says so.
[[nodiscard, gnu::cold]] fmi3Status refuseNotProvided(Fmi3InstanceRecord* r, const char* function, const char* whatSaysSo);

// The refusal of a null array whose count is not 0, and of a null out pointer.
[[nodiscard, gnu::cold]] fmi3Status refuseNullArray(Fmi3InstanceRecord& r, const char* function, const char* argument,
                                         size_t count);
[[nodiscard, gnu::cold]] fmi3Status refuseNullPointer(Fmi3InstanceRecord& r, const char* function, const char* argument);

}  // namespace varnelle

#endif
