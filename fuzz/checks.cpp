#include "checks.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model_expectations.h"

namespace fuzz {

namespace {

// True when the address lies in one of the component libraries: a message
// format must be the component's own constant, never text from the host.
bool inComponentLibrary(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
    const std::string file = info.dli_fname;
    for (const char* path : {PELLIDOR_LIBRARY, CORVANE_LIBRARY, TRESSIVO_LIBRARY}) {
        if (file == path) return true;
    }
    return false;
}

bool isCategory(const char* category) {
    for (const char* known : {"INFO", "WARNING", "ERROR"}) {
        if (std::strcmp(category, known) == 0) return true;
    }
    return false;
}

}  // namespace

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("rebounder_fuzz: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

bool tracing() {
    static const bool on = std::getenv("REBOUNDER_FUZZ_TRACE") != nullptr;
    return on;
}

void Trace::operator()(const char* format, ...) const {
    if (!tracing()) return;
    std::fprintf(stderr, "%*s", 2 * (depth + 1), "");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

std::string printable(const char* text, std::size_t limit) {
    const std::size_t length = std::strlen(text);
    std::string out;
    for (std::size_t i = 0; i < length && i < limit; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        out += byte >= 0x20 && byte < 0x7f ? std::string(1, text[i]) : std::string(escaped);
    }
    if (length > limit) out += "... (" + std::to_string(length) + " chars)";
    return out;
}

void checkStatus(const Trace& trace, const char* function, int status, int lastStatus) {
    trace("%s -> %d", function, status);
    if (status < 0 || status > lastStatus) fail("%s returned the invalid status %d", function, status);
}

void checkCall(const Trace& trace, const char* function, int status, const void* c) {
    checkStatus(trace, function, status);
    if (c == nullptr && status != fatalStatus) fail("%s with a null instance returned %d, not Fatal", function, status);
}

void checkInstantiation(const char* function, const void* c, bool callbacksComplete, const char* guid) {
    const bool guidMatches = guid != nullptr && std::strcmp(guid, expected::guid) == 0;
    if (c != nullptr && (!callbacksComplete || !guidMatches)) {
        fail("%s accepted a null callback or the GUID \"%.20s\"", function, guid ? guid : "<null>");
    }
}

void checkHost(const host::Host& host) {
    if (!host.errors.empty()) fail("%s", host.errors.front().c_str());
}

void checkLogCall(const std::string& expectedName, const char* instanceName, int status, const char* category,
                  const char* format, int lastStatus) {
    if (instanceName == nullptr) fail("logger called with a null instance name");
    if (expectedName != instanceName) {
        fail("logger called with instance name \"%.60s\", expected \"%.60s\"", instanceName, expectedName.c_str());
    }
    if (status < 0 || status > lastStatus) fail("logger called with the invalid status %d", status);
    if (category == nullptr) fail("logger called with a null category");
    if (!isCategory(category)) fail("logger called with the unknown category \"%.60s\"", category);
    if (format == nullptr) fail("logger called with a null format");
    if (!inComponentLibrary(format)) fail("logger format \"%.60s\" is not a constant of a component", format);
}

}  // namespace fuzz
