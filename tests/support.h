// Shared helpers of the test program: where the component libraries are and
// small utilities for exact floating-point checks.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
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
