// Writing the call record: the file, the lines, and the calls the component
// makes back into the host (its logger, allocateMemory and freeMemory, FMI
// 3.0's intermediate-update callback). The only state of the recording build outside an instance is
// the record's file descriptor, opened once per library and process.
#include "call_record.h"
#include "call_record_format.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace recording {
namespace {

constexpr size_t longestString = 256;    // string values beyond this are cut, marked by "..." after the quote
constexpr size_t longestMessage = 4096;  // a log message as formatted

// Opened once: the first event of the process opens the file named by the
// environment (appending, so that every library of the process writes to the
// one record), writes the version line when the file is new and this
// library's "library" line.
int recordDescriptor = -1;
pthread_once_t recordOpened = PTHREAD_ONCE_INIT;

void writeAll(int descriptor, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = write(descriptor, text, length);
        if (written <= 0) return;
        text += written;
        length -= size_t(written);
    }
}

void openRecord() {
    const char* path = getenv(recordVariable);
    if (path == nullptr || path[0] == '\0') return;
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) return;
    if (lseek(descriptor, 0, SEEK_END) == 0) writeAll(descriptor, recordFirstLine, sizeof recordFirstLine - 1);
    recordDescriptor = descriptor;
    Line line;
    append(line, "library %s fmi=%s interface=%s pid=%ld", recordedLibrary.name, recordedLibrary.version,
           recordedLibrary.interface, long(getpid()));
    finish(line);
}

void appendArguments(Line& line, const char* format, va_list arguments) {
    const size_t room = Line::capacity - line.used;
    const int length = vsnprintf(line.text + line.used, room, format, arguments);
    if (length < 0) return;
    line.used = size_t(length) < room ? line.used + size_t(length) : Line::capacity - 1;
}

void putEscaped(Line& line, const char* text, size_t longest) {
    append(line, "\"");
    size_t i = 0;
    for (; text[i] != '\0' && i < longest; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') append(line, "\\%c", c);
        else if (c == '\n') append(line, "\\n");
        else if (c == '\t') append(line, "\\t");
        else if (c < 0x20 || c > 0x7e) append(line, "\\x%02x", c);
        else append(line, "%c", c);
    }
    append(line, text[i] == '\0' ? "\"" : "\"...");
}

bool allZero(const void* block, size_t bytes) {
    const auto* byte = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i < bytes; ++i) {
        if (byte[i] != 0) return false;
    }
    return true;
}

}  // namespace

bool recordOpen() {
    pthread_once(&recordOpened, openRecord);
    return recordDescriptor >= 0;
}

void append(Line& line, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    appendArguments(line, format, arguments);
    va_end(arguments);
}

void finish(Line& line) {
    constexpr char cut[] = "...";
    if (line.used >= Line::capacity - 1) memcpy(line.text + Line::capacity - sizeof cut, cut, sizeof cut);
    line.used = strlen(line.text);
    line.text[line.used++] = '\n';
    writeAll(recordDescriptor, line.text, line.used);
}

void put(Line& line, double value) { append(line, "%.17g", value); }
void put(Line& line, int value) { append(line, "%d", value); }
void put(Line& line, unsigned value) { append(line, "%u", value); }
void put(Line& line, unsigned long value) { append(line, "%lu", value); }
void put(Line& line, unsigned long long value) { append(line, "%llu", value); }
void put(Line& line, long value) { append(line, "%ld", value); }
void put(Line& line, long long value) { append(line, "%lld", value); }
void put(Line& line, signed char value) { append(line, "%d", int(value)); }
void put(Line& line, unsigned char value) { append(line, "%u", unsigned(value)); }
void put(Line& line, fmiBoolean value) { append(line, "%d", int(value)); }

void put(Line& line, const void* pointer) {
    if (pointer == nullptr) return append(line, "null");
    append(line, "%p", pointer);
}

void put(Line& line, const char* text) {
    if (text == nullptr) return append(line, "null");
    putEscaped(line, text, longestString);
}

void put(Line& line, fmi2Status status) {
    constexpr const char* names[] = {"fmi2OK", "fmi2Warning", "fmi2Discard", "fmi2Error", "fmi2Fatal", "fmi2Pending"};
    if (unsigned(status) < sizeof names / sizeof names[0]) return append(line, "%s", names[status]);
    append(line, "%d", int(status));
}

void put(Line& line, fmiStatus status) {
    constexpr const char* names[] = {"fmiOK", "fmiWarning", "fmiDiscard", "fmiError", "fmiFatal"};
    if (unsigned(status) < sizeof names / sizeof names[0]) return append(line, "%s", names[status]);
    append(line, "%d", int(status));
}

void put(Line& line, fmi3Status status) {
    constexpr const char* names[] = {"fmi3OK", "fmi3Warning", "fmi3Discard", "fmi3Error", "fmi3Fatal"};
    if (unsigned(status) < sizeof names / sizeof names[0]) return append(line, "%s", names[status]);
    append(line, "%d", int(status));
}

void put(Line& line, fmi2Type type) {
    if (type == fmi2ModelExchange) return append(line, "fmi2ModelExchange");
    if (type == fmi2CoSimulation) return append(line, "fmi2CoSimulation");
    append(line, "%d", int(type));
}

void put(Line& line, fmi2StatusKind kind) {
    constexpr const char* names[] = {"fmi2DoStepStatus", "fmi2PendingStatus", "fmi2LastSuccessfulTime",
                                     "fmi2Terminated"};
    if (unsigned(kind) < sizeof names / sizeof names[0]) return append(line, "%s", names[kind]);
    append(line, "%d", int(kind));
}

void put(Line& line, const fmi2EventInfo& e) {
    append(line,
           "{newDiscreteStatesNeeded=%d,terminateSimulation=%d,nominalsOfContinuousStatesChanged=%d,"
           "valuesOfContinuousStatesChanged=%d,nextEventTimeDefined=%d,nextEventTime=%.17g}",
           e.newDiscreteStatesNeeded, e.terminateSimulation, e.nominalsOfContinuousStatesChanged,
           e.valuesOfContinuousStatesChanged, e.nextEventTimeDefined, e.nextEventTime);
}

void put(Line& line, const fmiEventInfo& e) {
    append(line,
           "{iterationConverged=%d,stateValueReferencesChanged=%d,stateValuesChanged=%d,terminateSimulation=%d,"
           "upcomingTimeEvent=%d,nextEventTime=%.17g}",
           int(e.iterationConverged), int(e.stateValueReferencesChanged), int(e.stateValuesChanged),
           int(e.terminateSimulation), int(e.upcomingTimeEvent), e.nextEventTime);
}

// The calls back into the host, declared in host_callbacks.h.

void allocated(size_t count, size_t size, const void* block) {
    if (!recordOpen()) return;
    Line line;
    append(line, "alloc count=%zu size=%zu block=", count, size);
    put(line, block);
    // The bytes are checked as they arrive, before the component writes to them.
    if (block != nullptr) append(line, " zeroed=%d", allZero(block, count * size) ? 1 : 0);
    finish(line);
}

void released(const void* block) {
    if (!recordOpen()) return;
    Line line;
    append(line, "free block=");
    put(line, block);
    finish(line);
}

void logged(const void* instance, int status, const char* category, const char* format, ...) {
    if (!recordOpen()) return;
    char message[longestMessage];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    Line line;
    append(line, "log c=");
    put(line, instance);
    append(line, " status=");
    if (recordedLibrary.version[0] == '1') put(line, fmiStatus(status));
    else if (recordedLibrary.version[0] == '3') put(line, fmi3Status(status));
    else put(line, fmi2Status(status));
    append(line, " category=");
    put(line, category);
    append(line, " message=");
    putEscaped(line, message, longestMessage);
    finish(line);
}

void restoreExportNames(char* text) {
    constexpr char renamed[] = "component_fmi";
    constexpr size_t prefix = sizeof "component_" - 1;
    for (char* at = strstr(text, renamed); at != nullptr; at = strstr(at, renamed)) {
        memmove(at, at + prefix, strlen(at + prefix) + 1);
    }
}

// ">> intermediateUpdate ...": the component calls the host's callback;
// "<< intermediateUpdate ...": the callback returned. The host's calls in
// between were made from inside it.
void intermediateUpdateCalled(const void* instance, double intermediateUpdateTime, bool setRequested,
                              bool getAllowed, bool stepFinished, bool canReturnEarly) {
    if (!recordOpen()) return;
    Line line;
    append(line, ">> intermediateUpdate");
    fields(line, "c", instance, "intermediateUpdateTime", intermediateUpdateTime, "intermediateVariableSetRequested",
           int(setRequested), "intermediateVariableGetAllowed", int(getAllowed), "intermediateStepFinished",
           int(stepFinished), "canReturnEarly", int(canReturnEarly));
    finish(line);
}

void intermediateUpdateReturned(const void* instance, const void* earlyReturnRequested, double earlyReturnTime) {
    if (!recordOpen()) return;
    Line line;
    append(line, "<< intermediateUpdate");
    fields(line, "c", instance, "earlyReturnRequested", *static_cast<const unsigned char*>(earlyReturnRequested),
           "earlyReturnTime", earlyReturnTime);
    finish(line);
}

}  // namespace recording
