// Shared helpers of the test program: where the component libraries are and
// small utilities for exact floating-point checks.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "harness.h"

// Shortest decimal form that reads back to the same double, e.g. 1.19019 —
// used to compare integrator results with short decimal values a person can
// re-derive.
std::string shortest(double value);

// True when value is -0.0 (sign bit set and zero).
inline bool isNegativeZero(double value) { return value == 0.0 && std::signbit(value); }

inline std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A record the component fills (an event record), placed as a host may place
// it: aligned no more than this platform requires (4 bytes for fmi2EventInfo
// on 32-bit Linux, 8 elsewhere), among bytes that must stay untouched. A
// component laid out by other rules (an 8-aligned double on 32-bit Linux, a
// packing pragma) writes past the host's record or puts a field elsewhere.
template <typename Record>
class PlacedRecord {
public:
    static constexpr unsigned char untouched = 0x5A;
    PlacedRecord() : record(new (bytes + alignof(Record)) Record) { std::memset(bytes, untouched, sizeof bytes); }
    PlacedRecord(const PlacedRecord&) = delete;
    PlacedRecord& operator=(const PlacedRecord&) = delete;

    // Bytes changed outside the record.
    std::size_t strayWrites() const {
        std::size_t changed = 0;
        for (std::size_t i = 0; i < sizeof bytes; ++i) {
            const bool inside = i >= alignof(Record) && i < alignof(Record) + sizeof(Record);
            changed += !inside && bytes[i] != untouched ? 1 : 0;
        }
        return changed;
    }

private:
    alignas(16) unsigned char bytes[alignof(Record) + sizeof(Record) + 16];

public:
    Record* const record;
};
