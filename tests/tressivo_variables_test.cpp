// Reading and writing the FMI 1.0 component's variables by value reference:
// storage per type, one-byte booleans, strings owned by the instance and
// released through the host, the echo of string 0, and refused calls.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "fmi1_fixture.h"
#include "support.h"

namespace {

class TressivoVariables : public ::testing::Test {
protected:
    Fmi1Fixture f{TRESSIVO_LIBRARY};
    fmiComponent c = f.initialised();
};

TEST_F(TressivoVariables, EachTypeStoresWhatTheHostSetsAndSettersKeepTheLastDuplicate) {
    const fmiValueReference refs[] = {0, 1, 2, 3};
    const double reals[] = {0.25, -3.5, -1.62, 0.75};
    const fmiInteger integers[] = {-7, 0, 2147483647, -2147483647 - 1};
    ASSERT_EQ(f.api.fmiSetReal(c, refs, 4, reals), fmiOK);
    ASSERT_EQ(f.api.fmiSetInteger(c, refs, 4, integers), fmiOK);
    double realsBack[4];
    fmiInteger integersBack[4];
    ASSERT_EQ(f.api.fmiGetReal(c, refs, 4, realsBack), fmiOK);
    ASSERT_EQ(f.api.fmiGetInteger(c, refs, 4, integersBack), fmiOK);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(realsBack[k], reals[k]) << "real " << k;
        EXPECT_EQ(integersBack[k], integers[k]) << "integer " << k;
    }
    EXPECT_EQ(f.states(c)[0], 0.25) << "reals 0 and 1 are the states";
    EXPECT_EQ(f.states(c)[1], -3.5);

    const fmiValueReference twice[] = {2, 2};
    const double values[] = {1.0, 2.0};
    ASSERT_EQ(f.api.fmiSetReal(c, twice, 2, values), fmiOK);
    EXPECT_EQ(f.real(c, 2), 2.0) << "the last occurrence wins";
    EXPECT_EQ(f.api.fmiGetReal(c, nullptr, 0, nullptr), fmiOK) << "nvr 0 does nothing";
}

TEST_F(TressivoVariables, BooleansAreSingleBytesStoredUnchanged) {
    const fmiValueReference refs[] = {0, 1, 2, 3};
    const fmiBoolean set[] = {5, fmiTrue, char(0xFF), fmiFalse};
    ASSERT_EQ(f.api.fmiSetBoolean(c, refs, 4, set), fmiOK);
    // Guard bytes after the host's array catch a component that writes wider
    // elements than one byte.
    fmiBoolean back[8];
    std::memset(back, 0x3C, sizeof back);
    ASSERT_EQ(f.api.fmiGetBoolean(c, refs, 4, back), fmiOK);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(back[k], set[k]) << "boolean " << k << " folded or shifted";
    for (int k = 4; k < 8; ++k) EXPECT_EQ(back[k], 0x3C) << "wrote past the host's 4 bytes";

    // Setting one boolean leaves its neighbours alone.
    ASSERT_EQ(f.setBoolean(c, 2, 7), fmiOK);
    ASSERT_EQ(f.api.fmiGetBoolean(c, refs, 4, back), fmiOK);
    EXPECT_EQ(back[1], fmiTrue);
    EXPECT_EQ(back[2], 7);
    EXPECT_EQ(back[3], fmiFalse);
}

// The first out-of-range element stops the call: earlier ones are done, it
// and later ones are not, and one refusal names the function.
TEST_F(TressivoVariables, OutOfRangeReferencesStopTheCallAtThatElement) {
    struct Case {
        const char* function;
        std::function<fmiStatus(fmiComponent, const fmiValueReference*, std::size_t)> call;
        std::function<double(fmiValueReference)> read;  // value at a reference afterwards
    };
    const fmiValueReference refs[] = {2, 4, 3};  // 4: FMI 1.0 has no acceleration
    const double newReals[] = {-1.0, -2.0, -3.0};
    const fmiInteger newIntegers[] = {11, 12, 13};
    const fmiBoolean newBooleans[] = {21, 22, 23};
    const fmiString newStrings[] = {"a", "b", "c"};
    double realsOut[3] = {-5, -5, -5};
    fmiInteger integersOut[3] = {-5, -5, -5};
    fmiBoolean booleansOut[3] = {-5, -5, -5};
    const host::Fmi1Api& api = f.api;
    const Case cases[] = {
        {"fmiSetReal", [&](fmiComponent i, auto vr, auto n) { return api.fmiSetReal(i, vr, n, newReals); },
         [&](fmiValueReference vr) { return f.real(c, vr); }},
        {"fmiSetInteger", [&](fmiComponent i, auto vr, auto n) { return api.fmiSetInteger(i, vr, n, newIntegers); },
         [&](fmiValueReference vr) { return double(f.integer(c, vr)); }},
        {"fmiSetBoolean", [&](fmiComponent i, auto vr, auto n) { return api.fmiSetBoolean(i, vr, n, newBooleans); },
         [&](fmiValueReference vr) { return double(f.boolean(c, vr)); }},
        {"fmiSetString", [&](fmiComponent i, auto vr, auto n) { return api.fmiSetString(i, vr, n, newStrings); },
         [&](fmiValueReference vr) { return f.string(c, vr) == nullptr ? 0.0 : double(f.string(c, vr)[0]); }},
        {"fmiGetReal", [&](fmiComponent i, auto vr, auto n) { return api.fmiGetReal(i, vr, n, realsOut); },
         [&](fmiValueReference vr) { return vr == 2 ? realsOut[0] : realsOut[2]; }},
        {"fmiGetInteger", [&](fmiComponent i, auto vr, auto n) { return api.fmiGetInteger(i, vr, n, integersOut); },
         [&](fmiValueReference vr) { return double(vr == 2 ? integersOut[0] : integersOut[2]); }},
        {"fmiGetBoolean", [&](fmiComponent i, auto vr, auto n) { return api.fmiGetBoolean(i, vr, n, booleansOut); },
         [&](fmiValueReference vr) { return double(vr == 2 ? booleansOut[0] : booleansOut[2]); }},
    };
    f.free(c);  // each case takes a fresh instance
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.function);
        c = f.initialised();
        const double before3 = refused.read(3);
        EXPECT_EQ(refused.call(c, refs, 3), fmiError);
        const std::string text = f.host.log.empty() ? "" : f.host.log[0].text;
        f.expectOneRefusal(c, refused.function);
        EXPECT_NE(text.find("value reference 4 is out of range (0 to 3)"), std::string::npos) << text;
        EXPECT_NE(refused.read(2), -5.0) << "element 0 was done";
        EXPECT_EQ(refused.read(3), before3) << "element 2 was not done";
        f.free(c);
        EXPECT_EQ(f.host.liveBlocks(), 0u);
    }
}

TEST_F(TressivoVariables, ReferencesFarOutOfRangeAreRefusedForEveryType) {
    for (fmiValueReference vr : {4u, 5u, 1000u, 0xFFFFFFFFu}) {
        double r = 0.0;
        fmiInteger i = 0;
        fmiBoolean b = 0;
        fmiString s = nullptr;
        EXPECT_EQ(f.api.fmiGetReal(c, &vr, 1, &r), fmiError) << vr;
        EXPECT_EQ(f.api.fmiGetInteger(c, &vr, 1, &i), fmiError) << vr;
        EXPECT_EQ(f.api.fmiGetBoolean(c, &vr, 1, &b), fmiError) << vr;
        EXPECT_EQ(f.api.fmiGetString(c, &vr, 1, &s), fmiError) << vr;
        EXPECT_EQ(f.setReal(c, vr, r), fmiError) << vr;
        EXPECT_EQ(f.setInteger(c, vr, i), fmiError) << vr;
        EXPECT_EQ(f.setBoolean(c, vr, b), fmiError) << vr;
        EXPECT_EQ(f.setString(c, vr, "x"), fmiError) << vr;
    }
    EXPECT_EQ(f.host.log.size(), 32u);
    EXPECT_EQ(f.host.logCount("ERROR"), 32u);
}

TEST_F(TressivoVariables, NullArraysWithACountAreRefused) {
    const fmiValueReference vr = 1;
    double value = 0.0;
    EXPECT_EQ(f.api.fmiGetReal(c, nullptr, 1, &value), fmiError);
    f.expectOneRefusal(c, "fmiGetReal");
    EXPECT_EQ(f.api.fmiSetInteger(c, &vr, 1, nullptr), fmiError);
    f.expectOneRefusal(c, "fmiSetInteger");
    EXPECT_EQ(f.api.fmiSetString(c, &vr, 1, nullptr), fmiError);
    f.expectOneRefusal(c, "fmiSetString");
}

TEST_F(TressivoVariables, StringsAreCopiedOwnedAndReleasedWhenReplaced) {
    EXPECT_EQ(f.string(c, 1), nullptr) << "a string never set reads as null";
    std::string hostText = "first";
    ASSERT_EQ(f.setString(c, 1, hostText.c_str()), fmiOK);
    const char* first = f.string(c, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, hostText.c_str()) << "the host's pointer is not kept";
    EXPECT_TRUE(f.host.owns(first));
    EXPECT_EQ(f.host.blockSize(first), 6u) << "length + 1 bytes";
    hostText = "XXXXX";
    EXPECT_STREQ(f.string(c, 1), "first");

    const std::size_t freesBefore = f.host.freeCount;
    ASSERT_EQ(f.setString(c, 1, "second"), fmiOK);
    ASSERT_EQ(f.host.freeCount, freesBefore + 1);
    EXPECT_EQ(f.host.freed.back(), first) << "the first copy went back through freeMemory";
    EXPECT_STREQ(f.string(c, 1), "second");
    EXPECT_TRUE(f.host.owns(f.string(c, 1)));

    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(TressivoVariables, FailedStringAllocationIsFatalAndKeepsEarlierElements) {
    ASSERT_EQ(f.setString(c, 1, "old"), fmiOK);
    const std::size_t next = f.host.allocationCount + 1;
    f.host.failAllocation(next + 1);  // the second element's copy
    const fmiValueReference refs[] = {0, 1, 2};
    const fmiString values[] = {"zero", "one", "two"};
    EXPECT_EQ(f.api.fmiSetString(c, refs, 3, values), fmiFatal);
    EXPECT_STREQ(f.string(c, 0), "zero");
    EXPECT_STREQ(f.string(c, 1), "old") << "the failed element keeps its old value";
    EXPECT_EQ(f.string(c, 2), nullptr) << "later elements are not processed";
    EXPECT_TRUE(f.host.log.empty()) << "a failed write logs nothing, not even the echo of string 0";
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u) << "no block leaked";
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(TressivoVariables, NullStringAmongValuesIsRefusedAfterEarlierElementsAreStored) {
    const fmiValueReference refs[] = {0, 1, 2};
    const fmiString values[] = {"zero", nullptr, "two"};
    EXPECT_EQ(f.api.fmiSetString(c, refs, 3, values), fmiError);
    f.expectOneRefusal(c, "fmiSetString");
    EXPECT_STREQ(f.string(c, 0), "zero");
    EXPECT_EQ(f.string(c, 1), nullptr);
    EXPECT_EQ(f.string(c, 2), nullptr);
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
}

// The echo of string 0 carries status Fatal and category "INFO" and needs
// loggingOn exactly fmiTrue.
TEST_F(TressivoVariables, StringZeroIsEchoedOnlyWhenLoggingIsExactlyOne) {
    struct Case {
        fmiBoolean loggingOn;
        fmiValueReference vr;
        std::size_t echoes;
    };
    const Case cases[] = {{fmiTrue, 0, 1}, {fmiTrue, 1, 0}, {2, 0, 0}, {fmiFalse, 0, 0}};
    for (const Case& echo : cases) {
        SCOPED_TRACE("loggingOn " + std::to_string(echo.loggingOn) + ", value reference " + std::to_string(echo.vr));
        fmiComponent instance = f.initialised(echo.loggingOn);
        ASSERT_EQ(f.setString(instance, echo.vr, "height is #r0#"), fmiOK);
        ASSERT_EQ(f.host.log.size(), echo.echoes);
        if (echo.echoes == 1) {
            const host::LogEntry& entry = f.host.log[0];
            EXPECT_EQ(entry.firstArgument, instance);
            EXPECT_EQ(entry.instanceName, "ball");
            EXPECT_EQ(entry.status, fmiFatal);
            EXPECT_EQ(entry.category, "INFO");
            EXPECT_EQ(entry.format, "%s") << "the host's text is an argument, never the format";
            EXPECT_EQ(entry.text, "height is #r0#");
        }
        f.free(instance);
    }
}

TEST_F(TressivoVariables, EchoRunsOncePerOccurrenceAfterEveryElementIsStored) {
    const fmiValueReference refs[] = {0, 2, 0};
    const fmiString values[] = {"one", "other", "two"};
    ASSERT_EQ(f.api.fmiSetString(c, refs, 3, values), fmiOK);
    ASSERT_EQ(f.host.log.size(), 2u);
    EXPECT_EQ(f.host.log[0].text, "one");
    EXPECT_EQ(f.host.log[1].text, "two");
    EXPECT_STREQ(f.string(c, 0), "two");
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u) << "the intermediate copy of string 0 was released";
}

// A host may hand back the very pointer fmiGetString gave it; that block is
// replaced in the same call, yet the echo must carry its text. Under the
// sanitizer build a read of the released block would fail this test.
TEST_F(TressivoVariables, SettingAStringFromItsOwnBlockEchoesTheTextSafely) {
    ASSERT_EQ(f.setString(c, 0, "same text"), fmiOK);
    f.host.log.clear();
    const char* held = f.string(c, 0);
    const fmiValueReference refs[] = {0, 0};
    const fmiString values[] = {held, "then this"};
    ASSERT_EQ(f.api.fmiSetString(c, refs, 2, values), fmiOK);
    ASSERT_EQ(f.host.log.size(), 2u);
    EXPECT_EQ(f.host.log[0].text, "same text");
    EXPECT_EQ(f.host.log[1].text, "then this");
    EXPECT_STREQ(f.string(c, 0), "then this");
    EXPECT_TRUE(f.host.errors.empty());

    f.host.log.clear();
    const char* again = f.string(c, 0);
    ASSERT_EQ(f.setString(c, 0, again), fmiOK);
    ASSERT_EQ(f.host.log.size(), 1u);
    EXPECT_EQ(f.host.log[0].text, "then this");
    EXPECT_NE(f.string(c, 0), again) << "a fresh copy replaced the block";
    EXPECT_FALSE(f.host.owns(again)) << "the replaced block went back to the host";
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

// A logger that calls back into the instance while it receives the echo of
// string 0 or a refusal, and replaces strings there: each block goes back to
// the host exactly once and the values end as the calls' order says.
TEST_F(TressivoVariables, AReentrantLoggerLeavesEveryBlockReleasedOnce) {
    struct Case {
        const char* what;
        bool refusal;  // re-enter during a refusal instead of the echo
        fmiValueReference nestedSlot;
    };
    f.free(c);  // each case takes a fresh instance
    for (const Case& reentry : {Case{"echo, another slot", false, 1}, Case{"echo, the same slot", false, 0},
                                Case{"refusal, another slot", true, 1}, Case{"refusal, the same slot", true, 0}}) {
        SCOPED_TRACE(reentry.what);
        c = f.initialised();
        ASSERT_EQ(f.setString(c, 0, "zero before"), fmiOK);
        ASSERT_EQ(f.setString(c, 1, "one before"), fmiOK);
        bool entered = false;
        f.host.onLog = [&](const host::LogEntry&) {
            if (entered) return;
            entered = true;
            EXPECT_EQ(f.setString(c, reentry.nestedSlot, "nested"), fmiOK);
        };
        const fmiValueReference refs[] = {0, reentry.refusal ? 9u : 2u};
        const fmiString values[] = {"outer", "two"};
        EXPECT_EQ(f.api.fmiSetString(c, refs, 2, values), reentry.refusal ? fmiError : fmiOK);
        ASSERT_TRUE(entered) << "the logger was not called";
        f.host.onLog = nullptr;
        EXPECT_STREQ(f.string(c, 0), reentry.nestedSlot == 0 ? "nested" : "outer");
        EXPECT_STREQ(f.string(c, 1), reentry.nestedSlot == 1 ? "nested" : "one before");
        f.free(c);
        EXPECT_EQ(f.host.liveBlocks(), 0u) << "a block was leaked";
        EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front();
    }
}

}  // namespace
