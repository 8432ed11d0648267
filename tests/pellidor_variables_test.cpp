// Reading and writing pellidor's variables by value reference: the calculated
// acceleration, refusals of value references and arrays the model does not
// have, string values owned through the host's allocator, and the echo of
// string 0 to the logger.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

class PellidorVariables : public ::testing::Test {
protected:
    Fmi2Fixture f{PELLIDOR_LIBRARY};
    fmi2Component c = f.initialised();

    bool released(const void* block) const {
        return std::find(f.host.freed.begin(), f.host.freed.end(), block) != f.host.freed.end();
    }
};

TEST_F(PellidorVariables, EveryVariableReadsBackWhatWasWritten) {
    const fmi2ValueReference refs[] = {0, 1, 2, 3};
    const fmi2Real reals[] = {-2.5, 1e300, -0.0, 7.25};
    const fmi2Integer integers[] = {-2147483647 - 1, 0, 17, 2147483647};
    const fmi2Boolean booleans[] = {5, 0, -1, fmi2True};  // stored as given, never folded to 1
    ASSERT_EQ(f.api.fmi2SetReal(c, refs, 4, reals), fmi2OK);
    ASSERT_EQ(f.api.fmi2SetInteger(c, refs, 4, integers), fmi2OK);
    ASSERT_EQ(f.api.fmi2SetBoolean(c, refs, 4, booleans), fmi2OK);

    fmi2Real realsRead[4];
    fmi2Integer integersRead[4];
    fmi2Boolean booleansRead[4];
    ASSERT_EQ(f.api.fmi2GetReal(c, refs, 4, realsRead), fmi2OK);
    ASSERT_EQ(f.api.fmi2GetInteger(c, refs, 4, integersRead), fmi2OK);
    ASSERT_EQ(f.api.fmi2GetBoolean(c, refs, 4, booleansRead), fmi2OK);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(bitsOf(realsRead[k]), bitsOf(reals[k])) << "real " << k;
        EXPECT_EQ(integersRead[k], integers[k]) << "integer " << k;
        EXPECT_EQ(booleansRead[k], booleans[k]) << "boolean " << k;
    }
    // Height and velocity are the continuous states.
    fmi2Real states[2];
    ASSERT_EQ(f.api.fmi2GetContinuousStates(c, states, 2), fmi2OK);
    EXPECT_EQ(states[0], -2.5);
    EXPECT_EQ(states[1], 1e300);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorVariables, ElementsAreTakenInOrderAndTheLastWriteWins) {
    const fmi2ValueReference refs[] = {2, 2, 1, 2};
    const fmi2Real values[] = {1.0, 2.0, 3.0, 4.0};
    EXPECT_EQ(f.api.fmi2SetReal(c, refs, 4, values), fmi2OK);
    EXPECT_EQ(f.real(c, 2), 4.0);
    const fmi2ValueReference intRefs[] = {3, 3};
    const fmi2Integer ints[] = {8, 9};
    EXPECT_EQ(f.api.fmi2SetInteger(c, intRefs, 2, ints), fmi2OK);
    EXPECT_EQ(f.integer(c, 3), 9);
    EXPECT_EQ(f.api.fmi2SetReal(c, nullptr, 0, nullptr), fmi2OK) << "nvr 0 does nothing";
    EXPECT_EQ(f.api.fmi2GetString(c, nullptr, 0, nullptr), fmi2OK);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorVariables, AccelerationReadsAsGravity) {
    EXPECT_EQ(f.real(c, accelerationRef), startGravity);
    EXPECT_EQ(f.setReal(c, gravityRef, -1.62), fmi2OK);
    EXPECT_EQ(f.real(c, accelerationRef), -1.62);
    fmi2Real derivatives[2];
    EXPECT_EQ(f.api.fmi2GetDerivatives(c, derivatives, 2), fmi2OK);
    EXPECT_EQ(derivatives[0], startVelocity);
    EXPECT_EQ(derivatives[1], -1.62);
}

TEST_F(PellidorVariables, WritingAccelerationWarnsAndStopsTheCall) {
    const fmi2ValueReference refs[] = {2, 4, 3};
    const fmi2Real values[] = {-3.0, 1.0, 0.9};
    for (fmi2Boolean loggingOn : {fmi2True, fmi2False}) {
        SCOPED_TRACE(loggingOn ? "logging on" : "logging off");
        ASSERT_EQ(f.api.fmi2SetDebugLogging(c, loggingOn, 0, nullptr), fmi2OK);
        EXPECT_EQ(f.api.fmi2SetReal(c, refs, 3, values), fmi2Error);
        EXPECT_EQ(f.real(c, gravityRef), -3.0) << "gravity, before the acceleration, is stored";
        EXPECT_EQ(f.real(c, restitutionRef), startRestitution) << "restitution, after it, is not";
        EXPECT_EQ(f.real(c, accelerationRef), -3.0) << "the acceleration stays calculated";
        ASSERT_EQ(f.host.log.size(), 1u) << "the warning is sent whatever loggingOn says";
        const host::LogEntry& entry = f.host.log[0];
        EXPECT_EQ(entry.status, fmi2Warning);
        EXPECT_EQ(entry.category, "WARNING");
        EXPECT_EQ(entry.instanceName, "ball");
        EXPECT_EQ(entry.firstArgument, f.callbacks.componentEnvironment);
        EXPECT_EQ(entry.text, "Cannot set acceleration value (calculated)");
        f.host.log.clear();
        EXPECT_EQ(f.setReal(c, restitutionRef, startRestitution), fmi2OK) << "the instance stays usable";
    }
}

// Value references the model does not have, per type: the element before is
// done, the refused one and those after are not, and nothing outside the
// instance's variables is touched.
TEST_F(PellidorVariables, OutOfRangeValueReferencesStopTheCallWithAnError) {
    for (fmi2ValueReference bad : {5u, 6u, 1000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("real value reference " + std::to_string(bad));
        const fmi2ValueReference refs[] = {2, bad, 3};
        fmi2Real read[3] = {-1.0, -1.0, -1.0};
        EXPECT_EQ(f.api.fmi2GetReal(c, refs, 3, read), fmi2Error);
        EXPECT_EQ(read[0], startGravity);
        EXPECT_EQ(read[1], -1.0);
        EXPECT_EQ(read[2], -1.0);
        f.expectOneRefusal("fmi2GetReal");
        const fmi2Real written[] = {-2.0, 3.0, 0.75};
        EXPECT_EQ(f.api.fmi2SetReal(c, refs, 3, written), fmi2Error);
        EXPECT_EQ(f.real(c, gravityRef), -2.0);
        EXPECT_EQ(f.real(c, restitutionRef), startRestitution);
        f.expectOneRefusal("fmi2SetReal");
        ASSERT_EQ(f.setReal(c, gravityRef, startGravity), fmi2OK);
    }
    for (fmi2ValueReference bad : {4u, 5u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("integer, boolean and string value reference " + std::to_string(bad));
        const fmi2ValueReference refs[] = {1, bad, 2};
        fmi2Integer ints[] = {11, 12, 13};
        EXPECT_EQ(f.api.fmi2SetInteger(c, refs, 3, ints), fmi2Error);
        f.expectOneRefusal("fmi2SetInteger");
        EXPECT_EQ(f.api.fmi2GetInteger(c, refs, 3, ints), fmi2Error);
        f.expectOneRefusal("fmi2GetInteger");
        EXPECT_EQ(f.integer(c, 1), 11);
        EXPECT_EQ(f.integer(c, 2), 0);
        EXPECT_EQ(ints[2], 13) << "nothing written after the refused element";

        fmi2Boolean bools[] = {3, 4, 5};
        EXPECT_EQ(f.api.fmi2SetBoolean(c, refs, 3, bools), fmi2Error);
        f.expectOneRefusal("fmi2SetBoolean");
        EXPECT_EQ(f.boolean(c, 1), 3);
        EXPECT_EQ(f.boolean(c, 2), 0);
        fmi2Boolean boolsRead[] = {-9, -9, -9};
        EXPECT_EQ(f.api.fmi2GetBoolean(c, refs, 3, boolsRead), fmi2Error);
        f.expectOneRefusal("fmi2GetBoolean");
        EXPECT_EQ(boolsRead[0], 3);
        EXPECT_EQ(boolsRead[1], -9);

        const fmi2String strings[] = {"one", "bad", "two"};
        EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, strings), fmi2Error);
        f.expectOneRefusal("fmi2SetString");
        EXPECT_STREQ(f.string(c, 1), "one");
        EXPECT_EQ(f.string(c, 2), nullptr);
        fmi2String stringsRead[] = {"x", "x", "x"};
        EXPECT_EQ(f.api.fmi2GetString(c, refs, 3, stringsRead), fmi2Error);
        f.expectOneRefusal("fmi2GetString");
        EXPECT_STREQ(stringsRead[0], "one");
        EXPECT_STREQ(stringsRead[1], "x");
    }
}

TEST_F(PellidorVariables, TheRefusalNamesTheValueReferenceAndTheValidRange) {
    const fmi2ValueReference bad = 7;
    fmi2Real value = 0.0;
    EXPECT_EQ(f.api.fmi2GetReal(c, &bad, 1, &value), fmi2Error);
    ASSERT_EQ(f.host.log.size(), 1u);
    EXPECT_EQ(f.host.log[0].text, "fmi2GetReal: value reference 7 is out of range (0 to 4)");
    f.host.log.clear();
    fmi2String text = nullptr;
    EXPECT_EQ(f.api.fmi2GetString(c, &bad, 1, &text), fmi2Error);
    ASSERT_EQ(f.host.log.size(), 1u);
    EXPECT_EQ(f.host.log[0].text, "fmi2GetString: value reference 7 is out of range (0 to 3)");
}

TEST_F(PellidorVariables, NullArraysAreRefusedAndNullHandlesAreFatal) {
    const fmi2ValueReference vr = 0;
    fmi2Real real = 0.0;
    fmi2Integer integer = 0;
    fmi2String string = nullptr;
    EXPECT_EQ(f.api.fmi2GetReal(c, nullptr, 1, &real), fmi2Error);
    f.expectOneRefusal("fmi2GetReal");
    EXPECT_EQ(f.api.fmi2GetReal(c, &vr, 1, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2GetReal");
    EXPECT_EQ(f.api.fmi2SetReal(c, &vr, 2, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2SetReal");
    EXPECT_EQ(f.api.fmi2SetInteger(c, nullptr, 1, &integer), fmi2Error);
    f.expectOneRefusal("fmi2SetInteger");
    EXPECT_EQ(f.api.fmi2GetBoolean(c, &vr, 1, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2GetBoolean");
    EXPECT_EQ(f.api.fmi2SetString(c, &vr, 1, nullptr), fmi2Error);
    f.expectOneRefusal("fmi2SetString");
    EXPECT_EQ(f.real(c, heightRef), startHeight);

    EXPECT_EQ(f.api.fmi2GetReal(nullptr, &vr, 1, &real), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetReal(nullptr, &vr, 1, &real), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2GetInteger(nullptr, &vr, 1, &integer), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetInteger(nullptr, &vr, 1, &integer), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2GetBoolean(nullptr, &vr, 1, &integer), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetBoolean(nullptr, &vr, 1, &integer), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2GetString(nullptr, &vr, 1, &string), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetString(nullptr, &vr, 1, &string), fmi2Fatal);
    EXPECT_EQ(real, 0.0);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorVariables, StringsAreCopiesInTheHostsBlocksReleasedOnReplace) {
    char text[] = "first";
    EXPECT_EQ(f.setString(c, 2, text), fmi2OK);
    fmi2String first = f.string(c, 2);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, text) << "the host's string must be copied, not kept";
    EXPECT_TRUE(f.host.owns(first));
    EXPECT_EQ(f.host.blockSize(first), 6u) << "length + 1 bytes";
    text[0] = 'F';
    EXPECT_STREQ(f.string(c, 2), "first");

    EXPECT_EQ(f.setString(c, 2, "second"), fmi2OK);
    EXPECT_TRUE(released(first)) << "the replaced copy goes back to the host";
    EXPECT_STREQ(f.string(c, 2), "second");

    EXPECT_EQ(f.setString(c, 1, ""), fmi2OK);
    EXPECT_STREQ(f.string(c, 1), "");
    EXPECT_EQ(f.host.liveBlocks(), 3u) << "the record and two strings";
    EXPECT_TRUE(f.host.log.empty()) << "strings other than 0 are not echoed";
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(PellidorVariables, RepeatedReferenceInOneCallReleasesEachReplacedCopy) {
    const fmi2ValueReference refs[] = {3, 3, 3};
    const fmi2String values[] = {"a", "bb", "ccc"};
    EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, values), fmi2OK);
    EXPECT_STREQ(f.string(c, 3), "ccc");
    EXPECT_EQ(f.host.liveBlocks(), 2u) << "the record and the last copy";
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(PellidorVariables, FailedAllocationMidCallKeepsEarlierValuesAndLeaksNothing) {
    ASSERT_EQ(f.setString(c, 2, "old"), fmi2OK);
    const fmi2ValueReference refs[] = {1, 2, 3};
    const fmi2String values[] = {"one", "two", "three"};
    f.host.failAllocation(f.host.allocationCount + 2);
    f.host.log.clear();
    EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, values), fmi2Fatal);
    EXPECT_TRUE(f.host.log.empty()) << "an allocation failure is not logged";
    EXPECT_STREQ(f.string(c, 1), "one");
    EXPECT_STREQ(f.string(c, 2), "old");
    EXPECT_EQ(f.string(c, 3), nullptr);
    EXPECT_EQ(f.host.liveBlocks(), 3u) << "the record, \"one\" and \"old\"";
    EXPECT_EQ(f.setString(c, 3, "three"), fmi2OK) << "the instance stays usable";
    f.free(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(PellidorVariables, ANullStringIsRefusedLikeAnOutOfRangeElement) {
    ASSERT_EQ(f.setString(c, 2, "old"), fmi2OK);
    const fmi2ValueReference refs[] = {1, 2, 0};
    const fmi2String values[] = {"one", nullptr, "zero"};
    EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, values), fmi2Error);
    f.expectOneRefusal("fmi2SetString");
    EXPECT_STREQ(f.string(c, 1), "one");
    EXPECT_STREQ(f.string(c, 2), "old");
    EXPECT_EQ(f.string(c, 0), nullptr) << "elements after the refused one are not stored, nor echoed";
    EXPECT_EQ(f.host.liveBlocks(), 3u);
}

TEST_F(PellidorVariables, String0IsEchoedOncePerOccurrenceWhenLoggingIsExactly1) {
    struct Case {
        fmi2Boolean loggingOn;
        std::size_t echoes;
    };
    const fmi2ValueReference refs[] = {0, 1, 0};
    const fmi2String values[] = {"alpha", "beta", "gamma"};
    for (const Case& echoCase : {Case{fmi2True, 2}, Case{fmi2False, 0}, Case{2, 0}, Case{-1, 0}}) {
        SCOPED_TRACE("loggingOn " + std::to_string(echoCase.loggingOn));
        ASSERT_EQ(f.api.fmi2SetDebugLogging(c, echoCase.loggingOn, 0, nullptr), fmi2OK);
        f.host.log.clear();
        EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, values), fmi2OK);
        EXPECT_STREQ(f.string(c, 0), "gamma");
        ASSERT_EQ(f.host.log.size(), echoCase.echoes);
        for (std::size_t i = 0; i < echoCase.echoes; ++i) {
            const host::LogEntry& entry = f.host.log[i];
            EXPECT_EQ(entry.status, fmi2Fatal) << "the echo carries status Fatal";
            EXPECT_EQ(entry.category, "INFO");
            EXPECT_EQ(entry.format, "%s");
            EXPECT_EQ(entry.instanceName, "ball");
            EXPECT_EQ(entry.firstArgument, f.callbacks.componentEnvironment);
        }
        if (echoCase.echoes == 2) {
            EXPECT_EQ(f.host.log[0].text, "alpha");
            EXPECT_EQ(f.host.log[1].text, "gamma");
        }
    }
    EXPECT_TRUE(f.host.errors.empty());
}

// A host may hand back the very pointer fmi2GetString gave it. That block is
// replaced by the write; the copy and the echo must still carry its text.
TEST_F(PellidorVariables, WritingBackTheHandedOutPointerKeepsItsText) {
    ASSERT_EQ(f.setString(c, 0, "handed out"), fmi2OK);
    ASSERT_EQ(f.setString(c, 1, "from one"), fmi2OK);
    f.host.log.clear();
    fmi2String zero = f.string(c, 0);
    fmi2String one = f.string(c, 1);

    const fmi2ValueReference refs[] = {0, 1, 0};
    const fmi2String values[] = {zero, "new one", one};
    EXPECT_EQ(f.api.fmi2SetString(c, refs, 3, values), fmi2OK);
    EXPECT_STREQ(f.string(c, 0), "from one");
    EXPECT_STREQ(f.string(c, 1), "new one");
    ASSERT_EQ(f.host.log.size(), 2u);
    EXPECT_EQ(f.host.log[0].text, "handed out");
    EXPECT_EQ(f.host.log[1].text, "from one");
    EXPECT_TRUE(released(zero));
    EXPECT_TRUE(released(one));
    EXPECT_EQ(f.host.liveBlocks(), 3u);
    EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front();
}

// A logger that calls back into the instance while it receives the echo of
// string 0 or a refusal: each string block must go back to the host exactly
// once, whatever the nested call replaced or released, and the values end as
// the calls' order says. Both FMI 2.0 libraries share this code; both are run.
TEST(Fmi2ReentrantLogger, EveryStringBlockIsReleasedExactlyOnce) {
    enum class Nested { otherSlot, sameSlot, reset };
    struct Case {
        const char* what;
        bool refusal;  // re-enter during a refusal instead of the echo
        Nested nested;
    };
    const Case cases[] = {
        {"echo, SetString on another slot", false, Nested::otherSlot},
        {"echo, SetString on the same slot", false, Nested::sameSlot},
        {"echo, fmi2Reset", false, Nested::reset},
        {"refusal, SetString on another slot", true, Nested::otherSlot},
        {"refusal, SetString on the same slot", true, Nested::sameSlot},
        {"refusal, fmi2Reset", true, Nested::reset},
    };
    for (const char* library : {PELLIDOR_LIBRARY, CORVANE_LIBRARY}) {
        for (const Case& reentry : cases) {
            SCOPED_TRACE(std::string(library) + ": " + reentry.what);
            Fmi2Fixture f{library};
            fmi2Component c = f.initialised();
            ASSERT_EQ(f.setString(c, 0, "zero before"), fmi2OK);
            ASSERT_EQ(f.setString(c, 1, "one before"), fmi2OK);
            bool entered = false;
            f.host.onLog = [&](const host::LogEntry&) {
                if (entered) return;
                entered = true;
                if (reentry.nested == Nested::reset) {
                    EXPECT_EQ(f.api.fmi2Reset(c), fmi2OK);
                } else {
                    const fmi2ValueReference slot = reentry.nested == Nested::sameSlot ? 0 : 1;
                    EXPECT_EQ(f.setString(c, slot, "nested"), fmi2OK);
                }
            };
            const fmi2ValueReference refs[] = {0, reentry.refusal ? 9u : 2u};
            const fmi2String values[] = {"outer", "two"};
            EXPECT_EQ(f.api.fmi2SetString(c, refs, 2, values), reentry.refusal ? fmi2Error : fmi2OK);
            ASSERT_TRUE(entered) << "the logger was not called";
            f.host.onLog = nullptr;
            EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front();
            switch (reentry.nested) {
                case Nested::reset: EXPECT_EQ(f.string(c, 0), nullptr); break;
                case Nested::sameSlot: EXPECT_STREQ(f.string(c, 0), "nested"); break;
                case Nested::otherSlot:
                    EXPECT_STREQ(f.string(c, 0), "outer");
                    EXPECT_STREQ(f.string(c, 1), "nested");
                    break;
            }
            f.free(c);
            EXPECT_EQ(f.host.liveBlocks(), 0u) << "a block was leaked";
            EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front();
        }
    }
}

}  // namespace
