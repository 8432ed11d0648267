#include "messages.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "host_callbacks.h"

namespace varnelle {

namespace {

// `instance` is the record, or null before one exists; only the recording
// build's call record names it.
void send(const void* instance, fmi3LogMessageCallback logMessage, fmi3InstanceEnvironment instanceEnvironment,
          fmi3Status status, Category category, const char* format, va_list arguments) {
    char text[messageCapacity];
    vsnprintf(text, sizeof text, format, arguments);
    if constexpr (recordingCalls) {
        recording::restoreExportNames(text);
        recording::logged(instance, int(status), categoryName(category), "%s", text);
    }
    logMessage(instanceEnvironment, status, categoryName(category), text);
}

// The same for an instance, which knows while its host's logger runs: a
// logger must not call back into the instance, and one that frees it there
// is ignored (fmi3FreeInstance), never a use after free when the call that
// logged goes on.
void send(Fmi3InstanceRecord& r, fmi3Status status, Category category, const char* format, va_list arguments) {
    ++r.loggerCalls;
    send(&r, r.logMessage, r.instanceEnvironment, status, category, format, arguments);
    --r.loggerCalls;
}

// The call that moves an instance on from its state toward one of `modes`:
// forward along the run when a state ahead allows the call, else fmi3Reset.
const char* nextCall(const Fmi3InstanceRecord& r, Modes modes) {
    constexpr Modes running = in(Mode::eventMode, Mode::continuousTimeMode, Mode::stepMode);
    const auto wanted = [&](Modes some) { return (modes & some) != 0; };
    switch (r.mode) {
        case Mode::instantiated: return "fmi3EnterInitializationMode";
        case Mode::initializationMode:
            return wanted(running | in(Mode::terminated)) ? "fmi3ExitInitializationMode" : "fmi3Reset";
        case Mode::eventMode:
            if (wanted(in(Mode::continuousTimeMode))) return "fmi3EnterContinuousTimeMode";
            if (wanted(in(Mode::stepMode))) return "fmi3EnterStepMode";
            return wanted(in(Mode::terminated)) ? "fmi3Terminate" : "fmi3Reset";
        case Mode::continuousTimeMode:
        case Mode::stepMode:
            if (wanted(in(Mode::eventMode))) return "fmi3EnterEventMode";
            return wanted(in(Mode::terminated)) ? "fmi3Terminate" : "fmi3Reset";
        default: return "fmi3Reset";
    }
}

}  // namespace

const char* categoryName(Category category) {
    switch (category) {
        case Category::info: return "INFO";
        case Category::warning: return "WARNING";
        case Category::error: return "ERROR";
    }
    return "ERROR";
}

bool findCategory(const char* name, Category& category) {
    if (name == nullptr) return false;
    for (unsigned k = 0; k < categoryCount; ++k) {
        if (strcmp(name, categoryName(Category(k))) == 0) {
            category = Category(k);
            return true;
        }
    }
    return false;
}

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::instantiated: return "Instantiated";
        case Mode::initializationMode: return "Initialization Mode";
        case Mode::eventMode: return "Event Mode";
        case Mode::continuousTimeMode: return "Continuous-Time Mode";
        case Mode::stepMode: return "Step Mode";
        case Mode::intermediateUpdateMode: return "Intermediate Update Mode";
        case Mode::terminated: return "Terminated";
    }
    return "an unknown state";
}

void logMessage(Fmi3InstanceRecord& r, fmi3Status status, Category category, const char* format, ...) {
    if (r.logMessage == nullptr || !r.categoryOn[unsigned(category)]) return;
    va_list arguments;
    va_start(arguments, format);
    send(r, status, category, format, arguments);
    va_end(arguments);
}

void logRefusedInstantiation(fmi3LogMessageCallback logMessage, fmi3InstanceEnvironment instanceEnvironment,
                             bool loggingOn, const char* format, ...) {
    if (logMessage == nullptr || !loggingOn) return;
    va_list arguments;
    va_start(arguments, format);
    send(nullptr, logMessage, instanceEnvironment, fmi3Error, Category::error, format, arguments);
    va_end(arguments);
}

fmi3Status refuse(Fmi3InstanceRecord& r, const char* format, ...) {
    if (r.logMessage != nullptr && r.categoryOn[unsigned(Category::error)]) {
        va_list arguments;
        va_start(arguments, format);
        send(r, fmi3Error, Category::error, format, arguments);
        va_end(arguments);
    }
    if (r.mode == Mode::intermediateUpdateMode) r.refusedInCallback = true;
    else r.mode = Mode::terminated;
    return fmi3Error;
}

fmi3Status refuseMode(Fmi3InstanceRecord& r, const char* function, Modes modes) {
    if (r.mode == Mode::intermediateUpdateMode)
        return refuse(r, "%s: not allowed in Intermediate Update Mode, inside intermediateUpdate", function);
    return refuse(r, "%s: not allowed in %s; call %s first", function, modeName(r.mode), nextCall(r, modes));
}

fmi3Status refuseInterface(Fmi3InstanceRecord& r, const char* function) {
    const bool modelExchange = r.interfaceType == Interface::modelExchange;
    return refuse(r, "%s: not available to a %s instance", function,
                  modelExchange ? "model-exchange" : "co-simulation");
}

fmi3Status refuseCall(Fmi3InstanceRecord& r, const char* function, Interface interfaceType, Modes modes) {
    if (r.interfaceType != interfaceType) return refuseInterface(r, function);
    return refuseMode(r, function, modes);
}

fmi3Status refuseNotProvided(Fmi3InstanceRecord* r, const char* function, const char* whatSaysSo) {
    if (r == nullptr) return fmi3Error;
    return refuse(*r, "%s: not provided (%s)", function, whatSaysSo);
}

fmi3Status refuseNullArray(Fmi3InstanceRecord& r, const char* function, const char* argument, size_t count) {
    return refuse(r, "%s: %s is null while its count is %zu", function, argument, count);
}

fmi3Status refuseNullPointer(Fmi3InstanceRecord& r, const char* function, const char* argument) {
    return refuse(r, "%s: %s is null", function, argument);
}

}  // namespace varnelle
