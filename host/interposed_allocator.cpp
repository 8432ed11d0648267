// The C library's calloc and free as a test host interposes them on an FMI
// 3.0 component, which has no memory callbacks and allocates for itself. The
// test build links a copy of the component with its calls to calloc and free
// routed here (the linker's --wrap), so that a test or the fuzzer can make
// any allocation fail and count the blocks still live.
//
// The counters are global: this copy exists for single-threaded tests and
// the fuzzer only; the component itself keeps no global state.
#include <stddef.h>
#include <stdlib.h>

#if defined(_WIN32)
#define REBOUNDER_ALLOCATOR_EXPORT __declspec(dllexport)
#else
#define REBOUNDER_ALLOCATOR_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

void* __real_calloc(size_t count, size_t size);
void __real_free(void* block);

}  // extern "C"

namespace {

struct Counters {
    size_t attempts;    // calloc calls, failed ones included
    size_t live;        // blocks handed out and not yet freed
    size_t failOnly;    // this attempt (counted from 1) fails; 0: none
    size_t failFrom;    // this attempt and every later one fail; 0: none
};
Counters counters;

bool fails(size_t attempt) {
    return attempt == counters.failOnly || (counters.failFrom != 0 && attempt >= counters.failFrom);
}

}  // namespace

extern "C" {

void* __wrap_calloc(size_t count, size_t size) {
    const size_t attempt = ++counters.attempts;
    if (fails(attempt)) return nullptr;
    void* block = __real_calloc(count, size);
    if (block != nullptr) ++counters.live;
    return block;
}

void __wrap_free(void* block) {
    if (block != nullptr) --counters.live;
    __real_free(block);
}

// Attempt n (counted from 1 over the library's life) fails; 0 stops it.
REBOUNDER_ALLOCATOR_EXPORT void rebounderFailAllocation(size_t n) { counters.failOnly = n; }
// Attempt n and every later one fail; 0 stops it.
REBOUNDER_ALLOCATOR_EXPORT void rebounderFailAllocationsFrom(size_t n) { counters.failFrom = n; }
REBOUNDER_ALLOCATOR_EXPORT size_t rebounderAllocationAttempts() { return counters.attempts; }
REBOUNDER_ALLOCATOR_EXPORT size_t rebounderLiveBlocks() { return counters.live; }

}  // extern "C"
