// Compile-time checks that our declarations have the standards' binary layout
// on every platform we build for; every component includes this once. Each
// platform's figures are written out and derived below from the C layout
// rules: a member sits at the next multiple of its alignment, and a
// structure's size is rounded up to a multiple of its largest member
// alignment. The platforms differ in two ways only: the width of a pointer
// (and of size_t), and the alignment of a double inside a structure.
#ifndef REBOUNDER_ABI_CHECKS_H
#define REBOUNDER_ABI_CHECKS_H
#include "fmi1.h"
#include "fmi2.h"
#include <stddef.h>

// The same on every platform.
static_assert(sizeof(fmi2Boolean) == 4 && sizeof(fmiBoolean) == 1, "boolean widths");
static_assert(sizeof(fmi2ValueReference) == 4 && sizeof(fmiValueReference) == 4, "value reference width");
static_assert(sizeof(fmi2Status) == 4 && sizeof(fmiStatus) == 4, "status enum width");
static_assert(sizeof(fmi2Real) == 8 && sizeof(fmiReal) == 8, "real width");
static_assert(sizeof(size_t) == sizeof(void*), "counts are as wide as pointers");

#if defined(_WIN32) && !defined(_WIN64)
// win32, 32-bit x86 Windows: 4-byte pointers; a double inside a structure is
// 8-aligned, as Windows compilers lay it out.
static_assert(sizeof(void*) == 4, "win32 pointer width");
// Five pointers: 5 x 4 = 20; the environment is the fifth, at 4 x 4 = 16.
static_assert(sizeof(fmi2CallbackFunctions) == 20, "fmi2CallbackFunctions layout (win32)");
static_assert(offsetof(fmi2CallbackFunctions, componentEnvironment) == 16, "fmi2CallbackFunctions layout (win32)");
// Five 4-byte booleans end at 20; the double goes to the next multiple of 8,
// 24, and ends at 32, a multiple of 8.
static_assert(sizeof(fmi2EventInfo) == 32 && offsetof(fmi2EventInfo, nextEventTime) == 24 &&
                  alignof(fmi2EventInfo) == 8,
              "fmi2EventInfo layout (win32)");
// Three pointers: 3 x 4 = 12.
static_assert(sizeof(fmiCallbackFunctions) == 12, "fmiCallbackFunctions layout (win32)");
// Five 1-byte booleans end at 5; the double at 8, ending at 16.
static_assert(sizeof(fmiEventInfo) == 16 && offsetof(fmiEventInfo, nextEventTime) == 8 && alignof(fmiEventInfo) == 8,
              "fmiEventInfo layout (win32)");

#elif defined(__i386__)
// linux32, 32-bit x86 Linux (the i386 System V ABI): 4-byte pointers, and a
// double inside a structure is only 4-aligned. So fmi2EventInfo is shorter
// here than on win32: a host and a component built with different rules
// would disagree on where nextEventTime lies.
static_assert(sizeof(void*) == 4, "linux32 pointer width");
// Five pointers: 5 x 4 = 20; the environment is the fifth, at 4 x 4 = 16.
static_assert(sizeof(fmi2CallbackFunctions) == 20, "fmi2CallbackFunctions layout (linux32)");
static_assert(offsetof(fmi2CallbackFunctions, componentEnvironment) == 16, "fmi2CallbackFunctions layout (linux32)");
// Five 4-byte booleans end at 20, a multiple of 4: the double follows at 20
// with no padding and ends at 28.
static_assert(sizeof(fmi2EventInfo) == 28 && offsetof(fmi2EventInfo, nextEventTime) == 20 &&
                  alignof(fmi2EventInfo) == 4,
              "fmi2EventInfo layout (linux32)");
// Three pointers: 3 x 4 = 12.
static_assert(sizeof(fmiCallbackFunctions) == 12, "fmiCallbackFunctions layout (linux32)");
// Five 1-byte booleans end at 5; the double at the next multiple of 4, 8,
// ending at 16.
static_assert(sizeof(fmiEventInfo) == 16 && offsetof(fmiEventInfo, nextEventTime) == 8 && alignof(fmiEventInfo) == 4,
              "fmiEventInfo layout (linux32)");

#else
// linux64 and win64 (x86-64 Linux, LP64, and Windows x64, LLP64), and any
// other 64-bit target: 8-byte pointers, a double 8-aligned everywhere.
static_assert(sizeof(void*) == 8, "layout figures are written out for 32-bit x86 and for 64-bit targets only");
// Five pointers: 5 x 8 = 40; the environment is the fifth, at 4 x 8 = 32.
static_assert(sizeof(fmi2CallbackFunctions) == 40, "fmi2CallbackFunctions layout (64-bit)");
static_assert(offsetof(fmi2CallbackFunctions, componentEnvironment) == 32, "fmi2CallbackFunctions layout (64-bit)");
// Five 4-byte booleans end at 20; the double at the next multiple of 8, 24,
// ending at 32.
static_assert(sizeof(fmi2EventInfo) == 32 && offsetof(fmi2EventInfo, nextEventTime) == 24 &&
                  alignof(fmi2EventInfo) == 8,
              "fmi2EventInfo layout (64-bit)");
// Three pointers: 3 x 8 = 24.
static_assert(sizeof(fmiCallbackFunctions) == 24, "fmiCallbackFunctions layout (64-bit)");
// Five 1-byte booleans end at 5; the double at 8, ending at 16.
static_assert(sizeof(fmiEventInfo) == 16 && offsetof(fmiEventInfo, nextEventTime) == 8 && alignof(fmiEventInfo) == 8,
              "fmiEventInfo layout (64-bit)");
#endif

#endif
