// The binary surface of each component library: exactly the functions of its
// interface are exported, none of the optional FMI 2.0 functions it does not
// implement, and it needs nothing at run time but the C library.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using Names = std::set<std::string>;

const Names fmi2Common = {
    "fmi2GetTypesPlatform", "fmi2GetVersion",  "fmi2Instantiate",  "fmi2FreeInstance",
    "fmi2SetDebugLogging",  "fmi2SetupExperiment", "fmi2EnterInitializationMode",
    "fmi2ExitInitializationMode", "fmi2Reset", "fmi2Terminate",    "fmi2GetReal",
    "fmi2GetInteger",       "fmi2GetBoolean",  "fmi2GetString",    "fmi2SetReal",
    "fmi2SetInteger",       "fmi2SetBoolean",  "fmi2SetString",
};

const Names fmi2ModelExchange = {
    "fmi2SetTime",           "fmi2SetContinuousStates",     "fmi2GetContinuousStates",
    "fmi2GetNominalsOfContinuousStates", "fmi2GetDerivatives", "fmi2GetEventIndicators",
    "fmi2CompletedIntegratorStep", "fmi2NewDiscreteStates", "fmi2EnterEventMode",
    "fmi2EnterContinuousTimeMode",
};

const Names fmi2CoSimulation = {
    "fmi2DoStep",          "fmi2CancelStep",       "fmi2GetStatus",        "fmi2GetRealStatus",
    "fmi2GetIntegerStatus", "fmi2GetBooleanStatus", "fmi2GetStringStatus", "fmi2SetRealInputDerivatives",
    "fmi2GetRealOutputDerivatives",
};

// Optional in FMI 2.0 and not implemented: a host must find them missing.
const Names fmi2NotImplemented = {
    "fmi2GetFMUstate",       "fmi2SetFMUstate",     "fmi2FreeFMUstate",        "fmi2SerializedFMUstateSize",
    "fmi2SerializeFMUstate", "fmi2DeSerializeFMUstate", "fmi2GetDirectionalDerivative",
};

#ifdef REBOUNDER_STRICT_HOST_EXPORTS
// The strict-host build exports the seven as well, each refusing the call
// (strict_host_test.cpp checks the refusals).
const Names fmi2StrictHostAdditions = fmi2NotImplemented;
const Names fmi2Absent = {};
#else
const Names fmi2StrictHostAdditions = {};
const Names fmi2Absent = fmi2NotImplemented;
#endif

const Names fmi1ModelExchange = {
    "fmiGetModelTypesPlatform", "fmiGetVersion", "fmiInstantiateModel",   "fmiInitialize",
    "fmiSetDebugLogging",       "fmiTerminate",  "fmiFreeModelInstance", "fmiSetTime",
    "fmiSetContinuousStates",   "fmiCompletedIntegratorStep", "fmiSetReal", "fmiSetInteger",
    "fmiSetBoolean",            "fmiSetString",  "fmiGetDerivatives",     "fmiGetEventIndicators",
    "fmiGetReal",               "fmiGetInteger", "fmiGetBoolean",         "fmiGetString",
    "fmiEventUpdate",           "fmiGetContinuousStates", "fmiGetNominalContinuousStates",
    "fmiGetStateValueReferences",
};

Names joined(std::initializer_list<const Names*> parts) {
    Names all;
    for (const Names* part : parts) all.insert(part->begin(), part->end());
    return all;
}

Names prefixed(const std::string& prefix, const Names& names) {
    Names all;
    for (const auto& name : names) all.insert(prefix + name);
    return all;
}

Names exported(const std::string& libraryPath) {
    const std::vector<std::string> symbols = host::exportedSymbols(libraryPath);
    return Names(symbols.begin(), symbols.end());
}

std::string listed(const Names& names) {
    std::string text;
    for (const auto& name : names) text += " " + name;
    return text.empty() ? " (none)" : text;
}

// Compares a library's dynamic symbols with its list and names the strays
// and the missing ones, as a host would meet them.
void expectExactly(const std::string& libraryPath, const Names& expected, std::size_t expectedCount) {
    ASSERT_EQ(expected.size(), expectedCount) << "the expected list itself";
#ifdef _WIN32
    GTEST_SKIP() << "nm and readelf read ELF files; the Windows build checks its DLL tables with objdump";
#endif
    const Names actual = exported(libraryPath);
    Names missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                        std::inserter(extra, extra.end()));
    EXPECT_TRUE(missing.empty()) << libraryPath << " does not export:" << listed(missing);
    EXPECT_TRUE(extra.empty()) << libraryPath << " also exports:" << listed(extra);
}

void expectAbsent(const std::string& libraryPath, const Names& names) {
    host::Library library(libraryPath);
    ASSERT_TRUE(library.loaded()) << library.error();
    const Names actual = exported(libraryPath);
    for (const auto& name : names) {
        EXPECT_EQ(actual.count(name), 0u) << libraryPath << " exports " << name;
        EXPECT_EQ(library.symbol(name.c_str()), nullptr) << "a host finds " << name << " in " << libraryPath;
    }
}

// Only the C library at run time: no C++ runtime, no libgcc_s, no libm.
void expectOnlyTheCLibrary(const std::string& libraryPath) {
#ifdef REBOUNDER_SANITIZED_BUILD
    GTEST_SKIP() << "sanitizer runtimes add dependencies of their own";
#endif
#ifdef _WIN32
    GTEST_SKIP() << "nm and readelf read ELF files; the Windows build checks its DLL tables with objdump";
#endif
    const std::vector<std::string> needed = host::neededLibraries(libraryPath);
    EXPECT_FALSE(needed.empty()) << "readelf found no dependency at all in " << libraryPath;
    for (const auto& library : needed) {
        EXPECT_EQ(library.rfind("libc.so", 0), 0u) << libraryPath << " needs " << library;
    }
}

#ifdef PELLIDOR_LIBRARY
TEST(BinarySurface, PellidorExportsExactlyItsTwentyEightFunctions) {
    expectExactly(PELLIDOR_LIBRARY, joined({&fmi2Common, &fmi2ModelExchange, &fmi2StrictHostAdditions}),
                  28 + fmi2StrictHostAdditions.size());
    expectAbsent(PELLIDOR_LIBRARY, joined({&fmi2Absent, &fmi2CoSimulation}));
}

TEST(BinarySurface, PellidorNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(PELLIDOR_LIBRARY); }
#endif

#ifdef CORVANE_LIBRARY
TEST(BinarySurface, CorvaneExportsExactlyItsTwentySevenFunctions) {
    expectExactly(CORVANE_LIBRARY, joined({&fmi2Common, &fmi2CoSimulation, &fmi2StrictHostAdditions}),
                  27 + fmi2StrictHostAdditions.size());
    expectAbsent(CORVANE_LIBRARY, joined({&fmi2Absent, &fmi2ModelExchange}));
}

TEST(BinarySurface, CorvaneNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(CORVANE_LIBRARY); }
#endif

#ifdef TRESSIVO_LIBRARY
TEST(BinarySurface, TressivoExportsExactlyItsTwentyFourPrefixedFunctions) {
    expectExactly(TRESSIVO_LIBRARY, prefixed("Rebounder_", fmi1ModelExchange), 24);
    // FMI 1.0 names are always prefixed; a bare name would clash when a host
    // loads several FMI 1.0 components.
    expectAbsent(TRESSIVO_LIBRARY, fmi1ModelExchange);
}

TEST(BinarySurface, TressivoNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(TRESSIVO_LIBRARY); }
#endif

}  // namespace
