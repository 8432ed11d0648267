// The call record of the recording build: one line per event, appended to
// the file named by the environment variable REBOUNDER_CALL_RECORD. The
// export wrappers write the calls the host makes (enterCall before the
// component runs, leaveCall after it returned); the engine writes the calls
// the component makes back into the host (host_callbacks.h, logging.h).
// Without the variable nothing is written and every export answers as in the
// other builds.
#ifndef REBOUNDER_CALL_RECORD_H
#define REBOUNDER_CALL_RECORD_H

#include <stddef.h>

#include "fmi1.h"
#include "fmi2.h"
#include "fmi3.h"

namespace recording {

// What each recording library says of itself in its "library" line; defined
// once per library, beside its export wrappers.
struct LibraryDescription {
    const char* name;       // pellidor, corvane, tressivo, varnelle
    const char* version;    // "2.0", "1.0" or "3.0"
    const char* interface;  // "modelExchange", "coSimulation", or both joined by a comma
};
extern const LibraryDescription recordedLibrary;

// One line of the record, built in a fixed buffer (the component allocates
// nothing of its own) and written with a single write, so that lines of
// several libraries or threads never interleave. A line that would overflow
// the buffer is cut and ends in "...".
struct Line {
    static constexpr size_t capacity = 16384;
    char text[capacity];
    size_t used = 0;
};

bool recordOpen();  // false: no record is wanted, or it cannot be opened
void append(Line& line, const char* format, ...) __attribute__((format(printf, 2, 3)));
void finish(Line& line);  // writes the line and its newline

// An array the host passed, with the count it gave: printed as [a,b,...],
// at most 32 elements, or null.
template <typename T>
struct Items {
    const T* items;
    size_t count;
};
template <typename T>
Items<T> items(const T* pointer, size_t count) {
    return {pointer, count};
}

// One value per type, as the record prints it.
void put(Line& line, double value);
void put(Line& line, int value);
void put(Line& line, unsigned value);
void put(Line& line, unsigned long value);  // size_t, whichever of these it is
void put(Line& line, unsigned long long value);
void put(Line& line, long value);  // FMI 3.0's 64-bit integers, whichever of these they are
void put(Line& line, long long value);
void put(Line& line, signed char value);    // fmi3Int8
void put(Line& line, unsigned char value);  // fmi3UInt8, and an FMI 3.0 boolean's byte
void put(Line& line, fmiBoolean value);
void put(Line& line, const void* pointer);
void put(Line& line, const char* text);  // quoted with C escapes, or null
void put(Line& line, fmi2Status status);
void put(Line& line, fmiStatus status);
void put(Line& line, fmi3Status status);
void put(Line& line, fmi2Type type);
void put(Line& line, fmi2StatusKind kind);
void put(Line& line, const fmi2EventInfo& eventInfo);
void put(Line& line, const fmiEventInfo& eventInfo);
// An FMI 3.0 boolean as the byte the host passed: a host built for FMI 2.0's
// four-byte booleans may pass a byte other than 0 and 1, which reading it as
// a bool would hide (and is undefined).
struct BooleanByte {
    unsigned char byte;
};
inline BooleanByte byteOf(const fmi3Boolean& value) { return {reinterpret_cast<const unsigned char&>(value)}; }
inline void put(Line& line, BooleanByte value) { put(line, value.byte); }
// Arrays are recorded as they are in memory: FMI 3.0 booleans byte by byte.
template <typename T>
const T* asRecorded(const T* values) {
    return values;
}
inline const unsigned char* asRecorded(const fmi3Boolean* values) {
    return reinterpret_cast<const unsigned char*>(values);
}
inline void put(Line& line, char* text) { put(line, static_cast<const char*>(text)); }
inline void put(Line& line, void* pointer) { put(line, static_cast<const void*>(pointer)); }

template <typename T>
void put(Line& line, Items<T> array) {
    constexpr size_t shown = 32;
    if (array.items == nullptr) return put(line, static_cast<const void*>(nullptr));
    append(line, "[");
    for (size_t i = 0; i < array.count && i < shown; ++i) {
        if (i > 0) append(line, ",");
        put(line, array.items[i]);
    }
    append(line, array.count > shown ? ",...]" : "]");
}

// What the export handed back through a host's pointer: one value or an
// array. Printed only when the call succeeded (the status is OK or Warning);
// "-" otherwise, since the component need not have written it.
template <typename T>
struct Output {
    const T* value;
    size_t count;  // 0: a single value, not an array
    bool written;
};
inline bool outputsValid(fmi2Status status) { return status == fmi2OK || status == fmi2Warning; }
inline bool outputsValid(fmiStatus status) { return status == fmiOK || status == fmiWarning; }
inline bool outputsValid(fmi3Status status) { return status == fmi3OK || status == fmi3Warning; }
template <typename Status, typename T>
Output<T> output(Status status, const T* value) {
    return {value, 0, outputsValid(status)};
}
template <typename Status, typename T>
Output<T> outputs(Status status, const T* values, size_t count) {
    return {values, count, outputsValid(status)};
}
template <typename T>
void put(Line& line, Output<T> out) {
    if (!out.written) return append(line, "-");
    if (out.value == nullptr) return put(line, static_cast<const void*>(nullptr));
    if (out.count == 0) return put(line, *out.value);
    put(line, items(out.value, out.count));
}

// The fields after the line kind and function: key=value pairs.
inline void fields(Line&) {}
template <typename Value, typename... Rest>
void fields(Line& line, const char* key, const Value& value, const Rest&... rest) {
    append(line, " %s=", key);
    put(line, value);
    fields(line, rest...);
}

// "> function key=value ...": the host called an export, before it runs.
template <typename... Fields>
void enterCall(const char* function, const Fields&... keyValues) {
    if (!recordOpen()) return;
    Line line;
    append(line, "> %s", function);
    fields(line, keyValues...);
    finish(line);
}

// "< function key=value ...": the export returned.
template <typename... Fields>
void leaveCall(const char* function, const Fields&... keyValues) {
    if (!recordOpen()) return;
    Line line;
    append(line, "< %s", function);
    fields(line, keyValues...);
    finish(line);
}

}  // namespace recording

#endif
