// The one place where varnelle takes and gives back memory. FMI 3.0 gives a
// component no memory callbacks, so the C library's calloc and free serve the
// instance record and the copies of the strings and binaries a host sets.
#ifndef REBOUNDER_MECS3_MEMORY_H
#define REBOUNDER_MECS3_MEMORY_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace varnelle {

// Zero-filled; null when the C library has no memory left.
inline void* allocateBlock(size_t count, size_t size) { return calloc(count, size); }

inline void releaseBlock(void* block) { free(block); }

// A copy of `size` bytes with one zero byte after them, so that a copied
// string is terminated; null when out of memory.
inline void* copyBlock(const void* source, size_t size) {
    if (size == SIZE_MAX) return nullptr;  // no room for the terminator
    auto* copy = static_cast<unsigned char*>(allocateBlock(size + 1, 1));
    if (copy != nullptr && size > 0) memcpy(copy, source, size);
    return copy;
}

// A copy of a host string, or null when the string is null or memory is out.
inline char* copyString(const char* source) {
    if (source == nullptr) return nullptr;
    return static_cast<char*>(copyBlock(source, strlen(source)));
}

}  // namespace varnelle

#endif
