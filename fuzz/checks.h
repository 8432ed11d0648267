// What every call must satisfy, checked as it returns, and the trace that
// shows an input as the calls it stands for. Any breach aborts, which
// libFuzzer reports with the input.
#pragma once

#include <cstddef>
#include <string>

#include "harness.h"

namespace fuzz {

[[noreturn, gnu::format(printf, 1, 2)]] void fail(const char* format, ...);

// REBOUNDER_FUZZ_TRACE=1 prints every call with its status, to read a
// failing input as the sequence of calls it stands for.
bool tracing();

// One line of the trace, indented by how deep the hostile logger has nested
// the call it belongs to.
struct Trace {
    int depth = 0;  // logger calls the current call is nested in
    [[gnu::format(printf, 2, 3)]] void operator()(const char* format, ...) const;
};

// Text for the trace: at most `limit` characters, bytes outside printable
// ASCII as \xNN, and the length when it was cut.
std::string printable(const char* text, std::size_t limit);

// The last status of FMI 2.0 and FMI 1.0 alike: the status range of a call's
// result, and what a call on a null instance must answer.
constexpr int fatalStatus = fmi2Fatal;
static_assert(int{fmiFatal} == int{fmi2Fatal});

// The status a call returned (or a status it wrote) is one its interface has.
void checkStatus(const Trace& trace, const char* function, int status, int lastStatus = fatalStatus);
// As checkStatus, and a call on a null instance (c) answers Fatal.
void checkCall(const Trace& trace, const char* function, int status, const void* c);

// An instance is made only with every callback it needs and the model's GUID.
void checkInstantiation(const char* function, const void* c, bool callbacksComplete, const char* guid);

// Every block the components freed was a live block of the host.
void checkHost(const host::Host& host);

// A logger call is well formed: the instance's own name, a valid status, a
// known category, a format that is a constant of a component.
void checkLogCall(const std::string& expectedName, const char* instanceName, int status, const char* category,
                  const char* format, int lastStatus);

}  // namespace fuzz
