// The one place where a component calls back into its host for memory:
// allocateMemory and freeMemory (the logger is called from logging.h). In the
// recording build (REBOUNDER_RECORDING_CALLS=1) each call is written to the
// call record too; in every other build the record's functions are never
// referenced and these compile to the bare callback.
#ifndef REBOUNDER_HOST_CALLBACKS_H
#define REBOUNDER_HOST_CALLBACKS_H

#include <stddef.h>

#ifndef REBOUNDER_RECORDING_CALLS
#define REBOUNDER_RECORDING_CALLS 0
#endif

inline constexpr bool recordingCalls = REBOUNDER_RECORDING_CALLS != 0;

// The call record, defined in the recording build only (recording/).
namespace recording {
void allocated(size_t count, size_t size, const void* block);
void released(const void* block);
// Not marked as printf-like: like the host's logger it takes the component's
// formats, some of which carry no argument.
void logged(const void* instance, int status, const char* category, const char* format, ...);
// FMI 3.0's intermediate-update callback: its arguments before the host's
// function runs (the host's calls inside it are recorded between the two
// lines), and what the host wrote back, the requested flag as its byte.
void intermediateUpdateCalled(const void* instance, double intermediateUpdateTime, bool setRequested,
                              bool getAllowed, bool stepFinished, bool canReturnEarly);
// The recording build compiles a component with its exports renamed
// component_<name>, which the names __func__ gives its messages would show;
// the host must read the names it called. Edits the text in place.
void restoreExportNames(char* text);
void intermediateUpdateReturned(const void* instance, const void* earlyReturnRequested, double earlyReturnTime);
}  // namespace recording

template <typename Callbacks>
void* allocateBlock(const Callbacks& functions, size_t count, size_t size) {
    void* block = functions.allocateMemory(count, size);
    if constexpr (recordingCalls) recording::allocated(count, size, block);
    return block;
}

// The release function is read before the call, so a block that holds the
// callbacks themselves (the FMI 1.0 record) may be the one released.
template <typename Callbacks>
void releaseBlock(const Callbacks& functions, void* block) {
    const auto freeMemory = functions.freeMemory;
    if constexpr (recordingCalls) recording::released(block);
    freeMemory(block);
}

#endif
