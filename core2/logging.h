// Messages to the host's logger. Every message goes out as a printf-style
// format with its arguments, never as pre-formatted text, and an instance
// whose host gave no logger sends nothing.
#ifndef REBOUNDER_CORE2_LOGGING_H
#define REBOUNDER_CORE2_LOGGING_H

#include "record.h"

template <typename... Args>
void logMessage(const InstanceRecord& r, fmi2Status status, const char* category, const char* format,
                Args... args) {
    if (r.functions->logger == nullptr) return;
    r.functions->logger(r.functions->componentEnvironment, r.instanceName, status, category, format, args...);
}

// Refuses a call the host made with bad arguments: one "ERROR" message,
// whatever loggingOn says, and the Error status for the export to return.
template <typename... Args>
[[nodiscard]] fmi2Status refuse(const InstanceRecord& r, const char* format, Args... args) {
    logMessage(r, fmi2Error, "ERROR", format, args...);
    return fmi2Error;
}

#endif
