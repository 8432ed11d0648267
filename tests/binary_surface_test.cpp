// The binary surface of each component library: exactly the functions of its
// interface are exported, none of the optional FMI 2.0 functions it does not
// implement, and it needs nothing at run time but the C library.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using Names = std::set<std::string>;

// The export lists live in tests/exports/, one name a line, shared with the
// check of the Windows DLLs' export tables.
Names exportList(const std::string& component) {
    std::ifstream file(std::string(REBOUNDER_EXPORT_LISTS) + "/" + component + ".txt");
    Names names;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line[0] != '#') names.insert(line);
    }
    return names;
}

const Names pellidorList = exportList("pellidor");
const Names corvaneList = exportList("corvane");
const Names tressivoList = exportList("tressivo");
const Names varnelleList = exportList("varnelle");
// Optional in FMI 2.0 and not implemented: a host must find them missing,
// unless the strict-host profile exports them as refusals (strict_host_test.cpp
// checks the refusals).
const Names fmi2Optional = exportList("fmi2-strict-host");
#ifdef REBOUNDER_STRICT_HOST_EXPORTS
const Names fmi2StrictHostAdditions = fmi2Optional;
const Names fmi2Absent = {};
#else
const Names fmi2StrictHostAdditions = {};
const Names fmi2Absent = fmi2Optional;
#endif

Names without(const Names& names, const Names& removed) {
    Names rest;
    std::set_difference(names.begin(), names.end(), removed.begin(), removed.end(),
                        std::inserter(rest, rest.end()));
    return rest;
}

Names joined(std::initializer_list<const Names*> parts) {
    Names all;
    for (const Names* part : parts) all.insert(part->begin(), part->end());
    return all;
}

// The FMI 1.0 names without the model identifier's prefix.
Names bare(const std::string& prefix, const Names& names) {
    Names all;
    for (const auto& name : names) all.insert(name.rfind(prefix, 0) == 0 ? name.substr(prefix.size()) : name);
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
    expectExactly(PELLIDOR_LIBRARY, joined({&pellidorList, &fmi2StrictHostAdditions}),
                  28 + fmi2StrictHostAdditions.size());
    // No co-simulation function, and none of the optional ones.
    const Names coSimulationOnly = without(corvaneList, pellidorList);
    expectAbsent(PELLIDOR_LIBRARY, joined({&fmi2Absent, &coSimulationOnly}));
}

TEST(BinarySurface, PellidorNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(PELLIDOR_LIBRARY); }
#endif

#ifdef CORVANE_LIBRARY
TEST(BinarySurface, CorvaneExportsExactlyItsTwentySevenFunctions) {
    expectExactly(CORVANE_LIBRARY, joined({&corvaneList, &fmi2StrictHostAdditions}),
                  27 + fmi2StrictHostAdditions.size());
    // No model-exchange function, and none of the optional ones.
    const Names modelExchangeOnly = without(pellidorList, corvaneList);
    expectAbsent(CORVANE_LIBRARY, joined({&fmi2Absent, &modelExchangeOnly}));
}

TEST(BinarySurface, CorvaneNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(CORVANE_LIBRARY); }
#endif

// Both profiles are built in every configuration: the strict-host one adds
// exactly the seven optional functions, whichever profile the suite drives.
#if defined(PELLIDOR_STRICT_HOST_LIBRARY) && defined(CORVANE_STRICT_HOST_LIBRARY)
TEST(BinarySurface, StrictHostProfilesExportTheSevenOptionalFunctionsBesides) {
    expectExactly(PELLIDOR_STRICT_HOST_LIBRARY, joined({&pellidorList, &fmi2Optional}), 35);
    expectExactly(CORVANE_STRICT_HOST_LIBRARY, joined({&corvaneList, &fmi2Optional}), 34);
    expectOnlyTheCLibrary(PELLIDOR_STRICT_HOST_LIBRARY);
    expectOnlyTheCLibrary(CORVANE_STRICT_HOST_LIBRARY);
}
#endif

#ifdef TRESSIVO_LIBRARY
TEST(BinarySurface, TressivoExportsExactlyItsTwentyFourPrefixedFunctions) {
    expectExactly(TRESSIVO_LIBRARY, tressivoList, 24);
    for (const auto& name : tressivoList) EXPECT_EQ(name.rfind("Rebounder_fmi", 0), 0u) << name;
    // FMI 1.0 names are always prefixed; a bare name would clash when a host
    // loads several FMI 1.0 components.
    expectAbsent(TRESSIVO_LIBRARY, bare("Rebounder_", tressivoList));
}

TEST(BinarySurface, TressivoNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(TRESSIVO_LIBRARY); }
#endif

#ifdef VARNELLE_LIBRARY
// FMI 3.0 requires every function of the standard, whatever the library
// provides: a host that looks up all 75 refuses a library lacking one.
TEST(BinarySurface, VarnelleExportsExactlyTheSeventyFiveFmi3Functions) {
    expectExactly(VARNELLE_LIBRARY, varnelleList, 75);
    for (const auto& name : varnelleList) EXPECT_EQ(name.rfind("fmi3", 0), 0u) << name;
    // Nothing of the FMI 2.0 surface.
    expectAbsent(VARNELLE_LIBRARY, joined({&corvaneList, &pellidorList}));
}

TEST(BinarySurface, VarnelleNeedsOnlyTheCLibrary) { expectOnlyTheCLibrary(VARNELLE_LIBRARY); }
#endif

// The recording libraries a host check hands a host export exactly what the
// libraries of the same profile export: a host must meet the same surface.
#if defined(PELLIDOR_RECORDING_LIBRARY) && defined(CORVANE_RECORDING_LIBRARY) && defined(TRESSIVO_RECORDING_LIBRARY)
TEST(BinarySurface, RecordingLibrariesExportWhatTheirProfileExports) {
    expectExactly(PELLIDOR_RECORDING_LIBRARY, exported(PELLIDOR_LIBRARY), 28 + fmi2StrictHostAdditions.size());
    expectExactly(CORVANE_RECORDING_LIBRARY, exported(CORVANE_LIBRARY), 27 + fmi2StrictHostAdditions.size());
    expectExactly(TRESSIVO_RECORDING_LIBRARY, exported(TRESSIVO_LIBRARY), 24);
}
#endif

#if defined(VARNELLE_RECORDING_LIBRARY)
// varnelle's recording build: the same 75 exports and nothing but the C
// library, so a host loads it as it loads the hand-out one.
TEST(BinarySurface, VarnelleRecordingExportsWhatVarnelleExports) {
    expectExactly(VARNELLE_RECORDING_LIBRARY, exported(VARNELLE_LIBRARY), 75);
    expectOnlyTheCLibrary(VARNELLE_RECORDING_LIBRARY);
}
#endif

}  // namespace
