// Messages to the host's logger. In FMI 1.0 the logger's first argument is
// the instance itself. Every message goes out as a printf-style format with
// its arguments, never as pre-formatted text, and an instance whose host gave
// no logger sends nothing.
#ifndef REBOUNDER_ME1_LOGGING_H
#define REBOUNDER_ME1_LOGGING_H

#include "record.h"

template <typename... Args>
void logMessage(InstanceRecord& r, fmiStatus status, const char* category, const char* format, Args... args) {
    if (r.functions.logger == nullptr) return;
    r.functions.logger(&r, r.instanceName, status, category, format, args...);
}

// Refuses a call the host made with bad arguments: one "ERROR" message naming
// the function and the fault, whatever loggingOn says, and the Error status
// for the export to return.
template <typename... Args>
[[nodiscard]] fmiStatus refuse(InstanceRecord& r, const char* format, Args... args) {
    logMessage(r, fmiError, "ERROR", format, args...);
    return fmiError;
}

#endif
