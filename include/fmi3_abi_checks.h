// Compile-time checks that our FMI 3.0 declarations have the standard's
// binary layout on every platform we build for; varnelle includes this once.
// FMI 3.0 passes no structures, so only scalar widths, the pointer width and
// the enumeration values matter: a host and a component that disagree on any
// of these read each other's arguments from the wrong bytes.
#ifndef REBOUNDER_FMI3_ABI_CHECKS_H
#define REBOUNDER_FMI3_ABI_CHECKS_H
#include "fmi3.h"
#include <stddef.h>
#include <stdint.h>

// One byte: a host that writes a four-byte FMI 2.0 boolean through an
// fmi3Boolean* overwrites three neighbouring bytes.
static_assert(sizeof(fmi3Boolean) == 1 && sizeof(fmi3Clock) == 1, "fmi3Boolean and fmi3Clock are one byte");
static_assert(sizeof(fmi3Byte) == 1 && sizeof(fmi3Char) == 1, "byte and char widths");
static_assert(sizeof(fmi3ValueReference) == 4, "value reference width");
static_assert(sizeof(fmi3Float32) == 4 && sizeof(fmi3Float64) == 8, "float widths");
static_assert(sizeof(fmi3Int8) == 1 && sizeof(fmi3UInt8) == 1 && sizeof(fmi3Int16) == 2 && sizeof(fmi3UInt16) == 2 &&
                  sizeof(fmi3Int32) == 4 && sizeof(fmi3UInt32) == 4 && sizeof(fmi3Int64) == 8 &&
                  sizeof(fmi3UInt64) == 8,
              "integer widths");
static_assert(sizeof(fmi3Status) == 4 && sizeof(fmi3DependencyKind) == 4 && sizeof(fmi3IntervalQualifier) == 4,
              "enumerations are four bytes");
static_assert(fmi3OK == 0 && fmi3Warning == 1 && fmi3Discard == 2 && fmi3Error == 3 && fmi3Fatal == 4,
              "fmi3Status values (no Pending in FMI 3.0)");
static_assert(fmi3Independent == 0 && fmi3Constant == 1 && fmi3Fixed == 2 && fmi3Tunable == 3 && fmi3Discrete == 4 &&
                  fmi3Dependent == 5,
              "fmi3DependencyKind values");
static_assert(fmi3IntervalNotYetKnown == 0 && fmi3IntervalUnchanged == 1 && fmi3IntervalChanged == 2,
              "fmi3IntervalQualifier values");
static_assert(sizeof(size_t) == sizeof(void*), "counts are as wide as pointers");

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4 && sizeof(fmi3Instance) == 4 && sizeof(fmi3String) == 4, "x86-windows pointer width");
#elif defined(__i386__)
static_assert(sizeof(void*) == 4 && sizeof(fmi3Instance) == 4 && sizeof(fmi3String) == 4, "x86-linux pointer width");
#else
// x86_64-linux and x86_64-windows (LP64 and LLP64 alike), and any other
// 64-bit target.
static_assert(sizeof(void*) == 8 && sizeof(fmi3Instance) == 8 && sizeof(fmi3String) == 8,
              "layout figures are written out for 32-bit x86 and for 64-bit targets only");
#endif

#endif
