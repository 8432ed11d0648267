// Allocation failure, swept: a scenario whose calls allocate (instantiation,
// string writes of one and of several elements, a write that passes back the
// component's own string) is run once for every allocation that could fail,
// k = 1, 2, ... until a run in which no allocation failed. In every run the
// call that met the failure gives the promised answer (a null instance, or
// Fatal for a string write, with the elements before the failing one stored
// and the rest untouched), the instance goes on working, and at the end every
// block the host handed out has been freed exactly once.
#include <gtest/gtest.h>

#include <array>
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

}  // namespace
