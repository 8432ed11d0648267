// Messages to the host's logger, and the refusals of bad arguments, for both
// FMI versions. Every message goes out as a printf-style format with its
// arguments, never as pre-formatted text, and an instance whose host gave no
// logger sends nothing.
//
// Each version's record supplies what differs: its status type and values
// (Record::Status, Record::ok, Record::error, Record::fatal), its callbacks
// (callbacks(r)) and the logger's first argument (loggerArgument(r): the
// host's componentEnvironment in FMI 2.0, the instance itself in FMI 1.0).
#ifndef REBOUNDER_LOGGING_H
#define REBOUNDER_LOGGING_H

#include <stddef.h>

#include "host_callbacks.h"

template <typename Record, typename... Args>
void logMessage(Record& r, typename Record::Status status, const char* category, const char* format,
                Args... args) {
    const auto logger = callbacks(r).logger;
    if (logger == nullptr) return;
    if constexpr (recordingCalls) recording::logged(&r, int(status), category, format, args...);
    logger(loggerArgument(r), r.instanceName, status, category, format, args...);
}

// Refuses a call the host made with bad arguments: one "ERROR" message,
// whatever loggingOn says, and the Error status for the export to return.
template <typename Record, typename... Args>
[[nodiscard]] typename Record::Status refuse(Record& r, const char* format, Args... args) {
    logMessage(r, Record::error, "ERROR", format, args...);
    return Record::error;
}

// One text for each kind of bad argument, the same in every export of every
// component; each names the exported function first.

template <typename Record>
[[nodiscard]] typename Record::Status refuseNullArray(Record& r, const char* function, size_t count) {
    return refuse(r, "%s: an array is null while its count is %zu", function, count);
}

template <typename Record>
[[nodiscard]] typename Record::Status refuseCount(Record& r, const char* function, size_t count, size_t capacity) {
    return refuse(r, "%s: count %zu is larger than the model's %zu", function, count, capacity);
}

template <typename Record>
[[nodiscard]] typename Record::Status refuseReference(Record& r, const char* function, unsigned vr,
                                                      unsigned lastReference) {
    return refuse(r, "%s: value reference %u is out of range (0 to %u)", function, vr, lastReference);
}

template <typename Record>
[[nodiscard]] typename Record::Status refuseNullPointer(Record& r, const char* function, const char* pointer) {
    return refuse(r, "%s: the %s pointer is null", function, pointer);
}

template <typename Record>
[[nodiscard]] typename Record::Status refuseNullString(Record& r, const char* function, unsigned vr) {
    return refuse(r, "%s: the string for value reference %u is null", function, vr);
}

template <typename Record>
[[nodiscard]] typename Record::Status refuseUnsupported(Record& r, const char* function, const char* capability) {
    return refuse(r, "%s: %s is not supported", function, capability);
}

#endif
