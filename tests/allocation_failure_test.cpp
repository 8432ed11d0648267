// Allocation failure, swept: a scenario whose calls allocate (instantiation,
// string writes of one and of several elements, a write that passes back the
// component's own string) is run once for every allocation that could fail,
// k = 1, 2, ... until a run in which no allocation failed. In every run the
// call that met the failure gives the promised answer (a null instance, or
// Fatal for a string write, with the elements before the failing one stored
// and the rest untouched), the instance goes on working, and at the end every
// block the host handed out has been freed exactly once. The FMI 3.0
// component allocates with the C library itself: the sweep runs on a copy of
// it whose calloc and free the test build interposes.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "fmi1_fixture.h"
#include "fmi2_fixture.h"

namespace {

// A string write of several elements in either version. Statuses are the
// same numbers in both versions (OK 0, Error 3, Fatal 4).
int setStrings(Fmi2Fixture& f, fmi2Component c, const std::vector<unsigned>& refs,
               const std::vector<const char*>& values) {
    return f.api.fmi2SetString(c, refs.data(), refs.size(), values.data());
}
int setStrings(Fmi1Fixture& f, fmiComponent c, const std::vector<unsigned>& refs,
               const std::vector<const char*>& values) {
    return f.api.fmiSetString(c, refs.data(), refs.size(), values.data());
}

constexpr int statusOK = 0;
constexpr int statusFatal = 4;

struct Step {
    std::vector<unsigned> refs;
    std::vector<std::string> values;  // "@0" passes back the pointer the component gave for string 0
};

// The string writes of the scenario: single and multiple elements, a value
// reference twice in one call, the empty string, and string 0 written with
// the component's own copy of it.
const std::vector<Step> steps = {
    {{0}, {"first"}},
    {{1, 2, 3}, {"alpha", "", "gamma with a longer text"}},
    {{0, 0, 2}, {"twice", "twice again", "beta"}},
    {{0, 3}, {"@0", "delta"}},
    {{3, 1, 0}, {"x", "y", "z"}},
};

using Strings = std::array<std::optional<std::string>, 4>;

template <typename Fixture, typename Component>
void expectStrings(Fixture& f, Component c, const Strings& expected, const std::string& where) {
    for (unsigned vr = 0; vr < 4; ++vr) {
        const char* value = f.string(c, vr);
        if (!expected[vr]) {
            EXPECT_EQ(value, nullptr) << where << ": string " << vr << " should hold no value";
        } else {
            ASSERT_NE(value, nullptr) << where << ": string " << vr << " lost its value";
            EXPECT_EQ(std::string(value), *expected[vr]) << where << ": string " << vr;
        }
    }
}

// One run of the scenario with allocation number k failing. Returns whether
// the failure was reached (false: the scenario made fewer than k allocations).
template <typename Fixture>
bool runWithFailingAllocation(const char* library, std::size_t k) {
    const std::string where = "allocation " + std::to_string(k) + " failing";
    Fixture f{library};
    host::Host& host = f.host;
    host.failAllocation(k);

    auto c = f.instantiate();
    if (host.allocationCount >= k && c == nullptr) {
        // The instantiation met the failure: null, nothing logged, no block
        // kept; a second attempt succeeds.
        EXPECT_EQ(host.allocationCount, k) << where << ": instantiation went on allocating after a failure";
        EXPECT_TRUE(host.log.empty()) << where << ": a failed instantiation logged";
        EXPECT_EQ(host.liveBlocks(), 0u) << where;
        c = f.instantiate();
    }
    if (c == nullptr) {
        ADD_FAILURE() << where << ": instantiation returned null without an allocation failure";
        return true;
    }

    Strings expected;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const Step& step = steps[s];
        const std::string stepName = where + ", write " + std::to_string(s);
        std::vector<const char*> values;
        for (const auto& value : step.values) values.push_back(value == "@0" ? f.string(c, 0) : value.c_str());
        // Texts the elements carry, taken before the call may release a block.
        std::vector<std::string> texts;
        for (const char* value : values) texts.push_back(value ? value : "");

        const std::size_t before = host.allocationCount;
        const std::size_t logBefore = host.log.size();
        const int status = setStrings(f, c, step.refs, values);
        const std::size_t made = host.allocationCount - before;
        if (before < k && k <= before + step.refs.size()) {
            // Element k - before - 1 met the failure.
            const std::size_t failing = k - before - 1;
            EXPECT_EQ(status, statusFatal) << stepName << ": a failed string copy must give Fatal";
            EXPECT_EQ(made, failing + 1) << stepName << ": elements after the failing one were processed";
            EXPECT_EQ(host.log.size(), logBefore) << stepName << ": a failed string write logged";
            for (std::size_t i = 0; i < failing; ++i) expected[step.refs[i]] = texts[i];
            expectStrings(f, c, expected, stepName + " (after the failure)");
            // Still usable: the same write now goes through.
            values.clear();
            for (std::size_t i = 0; i < step.values.size(); ++i) {
                values.push_back(step.values[i] == "@0" ? f.string(c, 0) : step.values[i].c_str());
            }
            EXPECT_EQ(setStrings(f, c, step.refs, values), statusOK) << stepName << ": the write after the failure";
        } else {
            EXPECT_EQ(status, statusOK) << stepName;
            EXPECT_EQ(made, step.refs.size()) << stepName << ": one block per element";
        }
        for (std::size_t i = 0; i < step.refs.size(); ++i) expected[step.refs[i]] = texts[i];
        expectStrings(f, c, expected, stepName);
    }

    if constexpr (std::is_same_v<Fixture, Fmi2Fixture>) {  // FMI 1.0 has no reset
        EXPECT_EQ(f.api.fmi2Reset(c), fmi2OK);
        expected = Strings{};
        expectStrings(f, c, expected, where + ", after reset");
        const int status = setStrings(f, c, {2}, {"after reset"});
        EXPECT_TRUE(status == statusOK || (status == statusFatal && host.allocationCount == k)) << where;
    }
    f.free(c);

    EXPECT_TRUE(host.errors.empty()) << where << ": " << (host.errors.empty() ? "" : host.errors.front());
    EXPECT_EQ(host.liveBlocks(), 0u) << where << ": blocks not freed";
    return host.allocationCount >= k;
}

template <typename Fixture>
void sweep(const char* library) {
    std::size_t k = 1;
    while (runWithFailingAllocation<Fixture>(library, k)) {
        if (::testing::Test::HasFatalFailure() || k > 100) break;
        ++k;
    }
    // The scenario allocates the record and one block per string element.
    std::size_t elements = 0;
    for (const auto& step : steps) elements += step.refs.size();
    EXPECT_GE(k, 1 + elements) << "the sweep ended before every allocation had failed once";
}

TEST(AllocationFailure, PellidorAnswersEveryFailedAllocationAndLeaksNothing) {
    sweep<Fmi2Fixture>(PELLIDOR_LIBRARY);
}

TEST(AllocationFailure, CorvaneAnswersEveryFailedAllocationAndLeaksNothing) {
    sweep<Fmi2Fixture>(CORVANE_LIBRARY);
}

TEST(AllocationFailure, TressivoAnswersEveryFailedAllocationAndLeaksNothing) {
    sweep<Fmi1Fixture>(TRESSIVO_LIBRARY);
}

// ---- varnelle: FMI 3.0, the C library's allocator interposed ----------------
#ifdef VARNELLE_INTERPOSED_ALLOCATOR_LIBRARY

// varnelle built with calloc and free routed through the test build's
// interposed allocator (host/interposed_allocator.cpp), its exports and the
// allocator's controls looked up by name.
struct InterposedVarnelle {
    host::Library library{VARNELLE_INTERPOSED_ALLOCATOR_LIBRARY};
    host::Fmi3Api api{library};
    void (*failAllocation)(std::size_t) = library.function<void (*)(std::size_t)>("rebounderFailAllocation");
    std::size_t (*attempts)() = library.function<std::size_t (*)()>("rebounderAllocationAttempts");
    std::size_t (*liveBlocks)() = library.function<std::size_t (*)()>("rebounderLiveBlocks");
};

struct Messages3 {
    std::vector<std::pair<fmi3Status, std::string>> entries;
};
void keepMessage(fmi3InstanceEnvironment environment, fmi3Status status, fmi3String, fmi3String message) {
    static_cast<Messages3*>(environment)->entries.emplace_back(status, message ? message : "");
}

// The variables the scenario writes: the four strings and binary0, each
// value as text ("@30": the block the instance handed out for string0, read
// just before the write).
constexpr fmi3ValueReference binary0 = 40;
struct Write3 {
    std::vector<fmi3ValueReference> refs;
    std::vector<std::string> values;
};
const std::vector<Write3> writes3 = {
    {{30}, {"first"}},
    {{31, 32, 33}, {"alpha", "", "gamma with a longer text"}},
    {{30, 30, 32}, {"twice", "twice again", "beta"}},
    {{30, 33}, {"@30", "delta"}},
    {{binary0}, {std::string("\0\1\0", 3)}},
};

using Values3 = std::map<fmi3ValueReference, std::string>;

Values3 read3(InterposedVarnelle& v, fmi3Instance c) {
    Values3 values;
    for (fmi3ValueReference vr : {30u, 31u, 32u, 33u}) {
        fmi3String text = nullptr;
        EXPECT_EQ(v.api.fmi3GetString(c, &vr, 1, &text, 1), fmi3OK);
        values[vr] = text ? text : "(null)";
    }
    fmi3Binary bytes = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(v.api.fmi3GetBinary(c, &binary0, 1, &size, &bytes, 1), fmi3OK);
    values[binary0] = bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : "(null)";
    return values;
}

fmi3Status write3(InterposedVarnelle& v, fmi3Instance c, const Write3& w) {
    if (w.refs.front() == binary0) {
        const std::size_t size = w.values[0].size();
        const auto bytes = reinterpret_cast<fmi3Binary>(w.values[0].data());
        return v.api.fmi3SetBinary(c, w.refs.data(), 1, &size, &bytes, 1);
    }
    std::vector<fmi3String> values;
    for (const std::string& value : w.values) {
        if (value != "@30") {
            values.push_back(value.c_str());
            continue;
        }
        const fmi3ValueReference string0 = 30;
        fmi3String own = nullptr;
        EXPECT_EQ(v.api.fmi3GetString(c, &string0, 1, &own, 1), fmi3OK);
        values.push_back(own);
    }
    return v.api.fmi3SetString(c, w.refs.data(), w.refs.size(), values.data(), values.size());
}

// One run of the scenario with the k-th allocation from its start failing;
// false when the scenario made fewer than k.
bool runVarnelleWithFailingAllocation(InterposedVarnelle& v, std::size_t k) {
    const std::string where = "allocation " + std::to_string(k) + " failing";
    const std::size_t base = v.attempts();
    const std::size_t failing = base + k;
    v.failAllocation(failing);
    Messages3 messages;

    fmi3Instance c = v.api.fmi3InstantiateModelExchange("ball", "123", "/resources/", fmi3False, fmi3True, &messages, keepMessage);
    if (v.attempts() >= failing && c == nullptr) {
        // Instantiation met the failure: null, no block kept, the reason told.
        EXPECT_EQ(v.liveBlocks(), 0u) << where << ": a failed instantiation kept blocks";
        EXPECT_FALSE(messages.entries.empty()) << where << ": a failed instantiation said nothing";
        v.failAllocation(0);
        return true;
    }
    if (c == nullptr) {
        ADD_FAILURE() << where << ": instantiation returned null without an allocation failure";
        v.failAllocation(0);
        return true;
    }

    for (std::size_t s = 0; s < writes3.size(); ++s) {
        const std::string writeName = where + ", write " + std::to_string(s);
        const Values3 before = read3(v, c);
        const std::size_t attemptsBefore = v.attempts();
        messages.entries.clear();
        const fmi3Status status = write3(v, c, writes3[s]);
        const Values3 after = read3(v, c);
        if (attemptsBefore < failing && failing <= v.attempts()) {
            // The failed copy: fmi3Error, explained; no variable holds
            // anything but its old value or the value written to it, and the
            // one whose copy failed keeps its old value.
            EXPECT_EQ(status, fmi3Error) << writeName;
            EXPECT_TRUE(!messages.entries.empty() && messages.entries.back().first == fmi3Error)
                << writeName << ": the failure was not explained";
            const std::size_t failedElement = failing - attemptsBefore - 1;
            if (failedElement >= writes3[s].refs.size()) {
                ADD_FAILURE() << writeName << ": more copies than elements";
                return true;
            }
            for (const auto& [vr, value] : after) {
                bool written = false;
                for (std::size_t i = 0; i < writes3[s].refs.size(); ++i)
                    written = written || (writes3[s].refs[i] == vr && writes3[s].values[i] == value);
                EXPECT_TRUE(value == before.at(vr) || written) << writeName << ": value reference " << vr << " holds \"" << value << "\"";
            }
            const fmi3ValueReference failedRef = writes3[s].refs[failedElement];
            bool writtenEarlierInTheCall = false;
            for (std::size_t i = 0; i < failedElement; ++i) writtenEarlierInTheCall |= writes3[s].refs[i] == failedRef;
            if (!writtenEarlierInTheCall) {
                EXPECT_EQ(after.at(failedRef), before.at(failedRef)) << writeName << ": the failed element lost its old value";
            }
            // An error terminates the instance; a reset makes it usable again.
            v.failAllocation(0);
            EXPECT_EQ(v.api.fmi3Reset(c), fmi3OK) << writeName;
            EXPECT_EQ(write3(v, c, writes3[s]), fmi3OK) << writeName << ": the write after the reset";
        } else {
            EXPECT_EQ(status, fmi3OK) << writeName;
        }
    }
    v.api.fmi3FreeInstance(c);
    v.failAllocation(0);
    EXPECT_EQ(v.liveBlocks(), 0u) << where << ": blocks not freed";
    return v.attempts() >= failing;
}

TEST(AllocationFailure, VarnelleAnswersEveryFailedAllocationAndLeaksNothing) {
    InterposedVarnelle v;
    ASSERT_TRUE(v.library.loaded()) << v.library.error();
    ASSERT_NE(v.failAllocation, nullptr) << "the interposed allocator is missing";
    std::size_t k = 1;
    while (runVarnelleWithFailingAllocation(v, k)) {
        if (::testing::Test::HasFatalFailure() || k > 100) break;
        ++k;
    }
    // At least the instance, the name and one copy per element written.
    std::size_t elements = 0;
    for (const Write3& w : writes3) elements += w.refs.size();
    EXPECT_GE(k, 2 + elements) << "the sweep ended before every allocation had failed once";
}

#endif

}  // namespace
