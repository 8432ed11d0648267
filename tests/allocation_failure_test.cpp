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
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace {

// The calls of the scenario, for one FMI version. Statuses are the same
// numbers in both versions (OK 0, Error 3, Fatal 4).
struct StringHost {
    std::function<void*(host::Host&, const char* name)> instantiate;
    std::function<int(void*, const std::vector<unsigned>&, const std::vector<const char*>&)> setString;
    std::function<const char*(void*, unsigned)> getString;
    std::function<void(void*)> freeInstance;
    std::function<void(void*)> reset;  // empty when the interface has no reset
};

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

void expectStrings(const StringHost& api, void* c, const Strings& expected, const std::string& where) {
    for (unsigned vr = 0; vr < 4; ++vr) {
        const char* value = api.getString(c, vr);
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
bool runWithFailingAllocation(const StringHost& api, std::size_t k) {
    const std::string where = "allocation " + std::to_string(k) + " failing";
    host::Host host;
    host.failAllocation(k);

    void* c = api.instantiate(host, "ball");
    if (host.allocationCount >= k && c == nullptr) {
        // The instantiation met the failure: null, nothing logged, no block
        // kept; a second attempt succeeds.
        EXPECT_EQ(host.allocationCount, k) << where << ": instantiation went on allocating after a failure";
        EXPECT_TRUE(host.log.empty()) << where << ": a failed instantiation logged";
        EXPECT_EQ(host.liveBlocks(), 0u) << where;
        c = api.instantiate(host, "ball");
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
        for (const auto& value : step.values) values.push_back(value == "@0" ? api.getString(c, 0) : value.c_str());
        // Texts the elements carry, taken before the call may release a block.
        std::vector<std::string> texts;
        for (const char* value : values) texts.push_back(value ? value : "");

        const std::size_t before = host.allocationCount;
        const std::size_t logBefore = host.log.size();
        const int status = api.setString(c, step.refs, values);
        const std::size_t made = host.allocationCount - before;
        if (before < k && k <= before + step.refs.size()) {
            // Element k - before - 1 met the failure.
            const std::size_t failing = k - before - 1;
            EXPECT_EQ(status, statusFatal) << stepName << ": a failed string copy must give Fatal";
            EXPECT_EQ(made, failing + 1) << stepName << ": elements after the failing one were processed";
            EXPECT_EQ(host.log.size(), logBefore) << stepName << ": a failed string write logged";
            for (std::size_t i = 0; i < failing; ++i) expected[step.refs[i]] = texts[i];
            expectStrings(api, c, expected, stepName + " (after the failure)");
            // Still usable: the same write now goes through.
            values.clear();
            for (std::size_t i = 0; i < step.values.size(); ++i) {
                values.push_back(step.values[i] == "@0" ? api.getString(c, 0) : step.values[i].c_str());
            }
            EXPECT_EQ(api.setString(c, step.refs, values), statusOK) << stepName << ": the write after the failure";
        } else {
            EXPECT_EQ(status, statusOK) << stepName;
            EXPECT_EQ(made, step.refs.size()) << stepName << ": one block per element";
        }
        for (std::size_t i = 0; i < step.refs.size(); ++i) expected[step.refs[i]] = texts[i];
        expectStrings(api, c, expected, stepName);
    }

    if (api.reset) {
        api.reset(c);
        expected = Strings{};
        expectStrings(api, c, expected, where + ", after reset");
        const int status = api.setString(c, {2}, {"after reset"});
        EXPECT_TRUE(status == statusOK || (status == statusFatal && host.allocationCount == k)) << where;
    }
    api.freeInstance(c);

    EXPECT_TRUE(host.errors.empty()) << where << ": " << (host.errors.empty() ? "" : host.errors.front());
    EXPECT_EQ(host.liveBlocks(), 0u) << where << ": blocks not freed";
    return host.allocationCount >= k;
}

void sweep(const StringHost& api) {
    std::size_t k = 1;
    while (runWithFailingAllocation(api, k)) {
        if (::testing::Test::HasFatalFailure() || k > 100) break;
        ++k;
    }
    // The scenario allocates the record and one block per string element.
    std::size_t elements = 0;
    for (const auto& step : steps) elements += step.refs.size();
    EXPECT_GE(k, 1 + elements) << "the sweep ended before every allocation had failed once";
}

StringHost fmi2Host(const host::Fmi2Api& api) {
    // The callback structure must outlive each instance: one per host.
    auto callbacks = std::make_shared<std::vector<std::unique_ptr<fmi2CallbackFunctions>>>();
    StringHost h;
    h.instantiate = [&api, callbacks](host::Host& host, const char* name) -> void* {
        callbacks->push_back(std::make_unique<fmi2CallbackFunctions>(host.fmi2Callbacks()));
        return api.fmi2Instantiate(name, fmi2ModelExchange, expected::guid, "", callbacks->back().get(), fmi2False,
                                   fmi2True);
    };
    h.setString = [&api](void* c, const std::vector<unsigned>& refs, const std::vector<const char*>& values) {
        return static_cast<int>(api.fmi2SetString(c, refs.data(), refs.size(), values.data()));
    };
    h.getString = [&api](void* c, unsigned vr) -> const char* {
        fmi2String value = nullptr;
        EXPECT_EQ(api.fmi2GetString(c, &vr, 1, &value), fmi2OK);
        return value;
    };
    h.freeInstance = [&api](void* c) { api.fmi2FreeInstance(c); };
    h.reset = [&api](void* c) { EXPECT_EQ(api.fmi2Reset(c), fmi2OK); };
    return h;
}

StringHost fmi1Host(const host::Fmi1Api& api) {
    StringHost h;
    h.instantiate = [&api](host::Host& host, const char* name) -> void* {
        return api.fmiInstantiateModel(name, expected::guid, host.fmi1Callbacks(), fmiTrue);
    };
    h.setString = [&api](void* c, const std::vector<unsigned>& refs, const std::vector<const char*>& values) {
        return static_cast<int>(api.fmiSetString(c, refs.data(), refs.size(), values.data()));
    };
    h.getString = [&api](void* c, unsigned vr) -> const char* {
        fmiString value = nullptr;
        EXPECT_EQ(api.fmiGetString(c, &vr, 1, &value), fmiOK);
        return value;
    };
    h.freeInstance = [&api](void* c) { api.fmiFreeModelInstance(c); };
    return h;
}

#ifdef PELLIDOR_LIBRARY
TEST(AllocationFailure, PellidorAnswersEveryFailedAllocationAndLeaksNothing) {
    host::Library library(PELLIDOR_LIBRARY);
    ASSERT_TRUE(library.loaded()) << library.error();
    const host::Fmi2Api api(library);
    sweep(fmi2Host(api));
}
#endif

#ifdef CORVANE_LIBRARY
TEST(AllocationFailure, CorvaneAnswersEveryFailedAllocationAndLeaksNothing) {
    host::Library library(CORVANE_LIBRARY);
    ASSERT_TRUE(library.loaded()) << library.error();
    const host::Fmi2Api api(library);
    sweep(fmi2Host(api));
}
#endif

#ifdef TRESSIVO_LIBRARY
TEST(AllocationFailure, TressivoAnswersEveryFailedAllocationAndLeaksNothing) {
    host::Library library(TRESSIVO_LIBRARY);
    ASSERT_TRUE(library.loaded()) << library.error();
    const host::Fmi1Api api(library);
    sweep(fmi1Host(api));
}
#endif

}  // namespace
