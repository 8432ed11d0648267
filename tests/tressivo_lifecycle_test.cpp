// The FMI 1.0 component's lifecycle as a host sees it: the fixed queries,
// instantiation with its GUID rule and copied callbacks, the nine
// initialisation messages, and release of every block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fmi1_fixture.h"
#include "support.h"

namespace {

using namespace expected;

class TressivoLifecycle : public ::testing::Test {
protected:
    Fmi1Fixture f{TRESSIVO_LIBRARY};
};

TEST_F(TressivoLifecycle, QueriesAnswerWithoutAnInstance) {
    EXPECT_STREQ(f.api.fmiGetVersion(), "1.0");
    EXPECT_STREQ(f.api.fmiGetModelTypesPlatform(), "standard32");
}

TEST_F(TressivoLifecycle, OnlyTheExactGuidInstantiatesAndARefusedBlockGoesBack) {
    struct Case {
        const char* guid;
        bool accepted;
    };
    for (const Case& guidCase : {Case{guid, true}, Case{"124", false}, Case{"1234", false}, Case{"12", false},
                                 Case{"", false}}) {
        SCOPED_TRACE(std::string("GUID \"") + guidCase.guid + "\"");
        fmiComponent c = f.instantiate("ball", guidCase.guid);
        EXPECT_EQ(c != nullptr, guidCase.accepted);
        if (c != nullptr) f.free(c);
        EXPECT_EQ(f.host.liveBlocks(), 0u) << "the record's block was not handed back";
    }
    EXPECT_TRUE(f.host.log.empty()) << "instantiation never logs, whatever loggingOn says";
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(TressivoLifecycle, MissingGuidOrMemoryCallbacksRefuseWithoutCallingAnything) {
    EXPECT_EQ(f.api.fmiInstantiateModel("ball", nullptr, f.callbacks, fmiTrue), nullptr);
    fmiCallbackFunctions noAllocator = f.callbacks;
    noAllocator.allocateMemory = nullptr;
    EXPECT_EQ(f.api.fmiInstantiateModel("ball", guid, noAllocator, fmiTrue), nullptr);
    fmiCallbackFunctions noRelease = f.callbacks;
    noRelease.freeMemory = nullptr;
    EXPECT_EQ(f.api.fmiInstantiateModel("ball", guid, noRelease, fmiTrue), nullptr);
    EXPECT_EQ(f.host.allocationCount, 0u);
    EXPECT_EQ(f.host.freeCount, 0u);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(TressivoLifecycle, FailedAllocationReturnsNull) {
    f.host.failAllocation(1);
    EXPECT_EQ(f.instantiate(), nullptr);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(TressivoLifecycle, InstantiationTakesOneRecordBlockAndFreeReturnsEverything) {
    fmiComponent c = f.instantiate();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(f.host.allocationCount, 1u);
    EXPECT_TRUE(f.host.owns(c)) << "the handle is the block from allocateMemory";
    f.free(c);
    // Four string entries, all null here, then the record itself.
    ASSERT_EQ(f.host.freed.size(), 5u);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(f.host.freed[k], nullptr) << "string slot " << k;
    EXPECT_EQ(f.host.freed[4], c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(TressivoLifecycle, CallbacksAreCopiedSoTheHostMayOverwriteItsStructure) {
    fmiCallbackFunctions callbacks = f.callbacks;
    fmiComponent c = f.api.fmiInstantiateModel("ball", guid, callbacks, fmiTrue);
    ASSERT_NE(c, nullptr);
    std::memset(&callbacks, 0xA5, sizeof callbacks);  // the host reuses its structure

    fmiEventInfo eventInfo{};
    EXPECT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
    EXPECT_EQ(f.host.log.size(), 9u) << "logging still reaches the host";
    EXPECT_EQ(f.setString(c, 2, "kept"), fmiOK);
    EXPECT_EQ(f.host.liveBlocks(), 2u) << "the string copy came from the host's allocator";
    f.api.fmiFreeModelInstance(c);
    EXPECT_EQ(f.host.liveBlocks(), 0u) << "the string and the record went back through the copied freeMemory";
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(TressivoLifecycle, InitializeSendsTheNineMessagesInOrder) {
    fmiComponent c = f.instantiate("bouncer");
    ASSERT_NE(c, nullptr);
    fmiEventInfo eventInfo{};
    ASSERT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);

    struct Line {
        const char* category;
        const char* format;
        const char* text;
    };
    const Line expectedLines[] = {
        {"INFO", "###### Initializing component ######", "###### Initializing component ######"},
        {"INFO", "Init #r%d#=%g", "Init #r0#=1"},
        {"INFO", "Init #r%d#=%g", "Init #r1#=4"},
        {"INFO", "Init #r%d#=%g", "Init #r2#=-9.81"},
        {"INFO", "Init #r%d#=%g", "Init #r3#=0.5"},
        {"ERROR", "Bad reference: #r-1#", "Bad reference: #r-1#"},
        {"ERROR", "Bad reference: #r1", "Bad reference: #r1"},
        {"ERROR", "Bad reference: #t1#", "Bad reference: #t1#"},
        {"ERROR", "Bad reference: #r10#", "Bad reference: #r10#"},
    };
    ASSERT_EQ(f.host.log.size(), std::size(expectedLines));
    for (std::size_t k = 0; k < std::size(expectedLines); ++k) {
        const host::LogEntry& entry = f.host.log[k];
        SCOPED_TRACE("message " + std::to_string(k + 1));
        EXPECT_EQ(entry.firstArgument, c) << "FMI 1.0 passes the instance itself";
        EXPECT_EQ(entry.instanceName, "bouncer");
        EXPECT_EQ(entry.status, fmiOK) << "even the \"ERROR\" reference tests carry status OK";
        EXPECT_EQ(entry.category, expectedLines[k].category);
        EXPECT_EQ(entry.format, expectedLines[k].format);
        EXPECT_EQ(entry.text, expectedLines[k].text);
    }
}

TEST_F(TressivoLifecycle, AnyNonZeroLoggingFlagLogsInitialisation) {
    struct Case {
        fmiBoolean atInstantiation;
        bool setDebugLoggingTo2;
        std::size_t messages;
    };
    const Case cases[] = {{fmiFalse, false, 0}, {fmiTrue, false, 9}, {fmiFalse, true, 9}, {char(0x80), false, 9}};
    for (const Case& logging : cases) {
        f.host.log.clear();
        fmiComponent c = f.instantiate("ball", guid, logging.atInstantiation);
        ASSERT_NE(c, nullptr);
        if (logging.setDebugLoggingTo2) {
            ASSERT_EQ(f.api.fmiSetDebugLogging(c, 2), fmiOK);
        }
        fmiEventInfo eventInfo{};
        ASSERT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
        EXPECT_EQ(f.host.log.size(), logging.messages)
            << "loggingOn " << int(logging.atInstantiation) << (logging.setDebugLoggingTo2 ? " then 2" : "");
    }
}

TEST_F(TressivoLifecycle, InitializeSetsStartValuesKeepsOtherVariablesAndResetsTheEventRecord) {
    fmiComponent c = f.instantiate("ball", guid, fmiFalse);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(f.setReal(c, heightRef, 7.0), fmiOK);
    ASSERT_EQ(f.setInteger(c, 1, 7), fmiOK);

    for (const auto& [controlled, tolerance] : {std::pair<fmiBoolean, double>{fmiTrue, 1e-6}, {fmiFalse, 0.0}}) {
        fmiEventInfo eventInfo;
        std::memset(&eventInfo, 0x5A, sizeof eventInfo);
        ASSERT_EQ(f.api.fmiInitialize(c, controlled, tolerance, &eventInfo), fmiOK);
        EXPECT_EQ(eventInfo.iterationConverged, fmiFalse);
        EXPECT_EQ(eventInfo.stateValueReferencesChanged, fmiFalse);
        EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        EXPECT_TRUE(isNegativeZero(eventInfo.nextEventTime)) << eventInfo.nextEventTime;

        const fmiValueReference reals[] = {heightRef, velocityRef, gravityRef, restitutionRef};
        double values[4];
        ASSERT_EQ(f.api.fmiGetReal(c, reals, 4, values), fmiOK);
        EXPECT_EQ(values[0], startHeight);
        EXPECT_EQ(values[1], startVelocity);
        EXPECT_EQ(values[2], startGravity);
        EXPECT_EQ(values[3], startRestitution);
        EXPECT_EQ(f.integer(c, 1), 7) << "initialisation leaves integers alone";
    }
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(TressivoLifecycle, BeforeInitializeTheRealsReadZero) {
    fmiComponent c = f.instantiate();
    ASSERT_NE(c, nullptr);
    for (fmiValueReference vr = 0; vr < 4; ++vr) EXPECT_EQ(bitsOf(f.real(c, vr)), bitsOf(0.0)) << "real " << vr;
    EXPECT_EQ(f.indicator(c), eventIndicator(0.0)) << "height 0.0 before initialisation";
}

TEST_F(TressivoLifecycle, InstanceNamesAreCopiedTruncatedOrEmpty) {
    const std::string longName(1500, 'n');
    struct Case {
        const char* given;
        std::string seen;
    };
    const Case cases[] = {{nullptr, ""}, {longName.c_str(), std::string(longestInstanceName, 'n')}, {"ball", "ball"}};
    for (const Case& name : cases) {
        f.host.log.clear();
        std::string hostCopy = name.given ? name.given : "";
        fmiComponent c = f.instantiate(name.given ? hostCopy.c_str() : nullptr);
        ASSERT_NE(c, nullptr);
        hostCopy.assign(hostCopy.size(), 'x');  // the host's string is not kept
        fmiEventInfo eventInfo{};
        ASSERT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
        ASSERT_FALSE(f.host.log.empty());
        EXPECT_EQ(f.host.log[0].instanceName, name.seen);
    }
}

TEST_F(TressivoLifecycle, NullLoggerMakesASilentButWorkingInstance) {
    fmiCallbackFunctions callbacks = f.callbacks;
    callbacks.logger = nullptr;
    fmiComponent c = f.api.fmiInstantiateModel("quiet", guid, callbacks, fmiTrue);
    ASSERT_NE(c, nullptr);
    fmiEventInfo eventInfo{};
    EXPECT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
    EXPECT_EQ(f.setString(c, 0, "echo"), fmiOK);
    const fmiValueReference outOfRange = 9;
    double value = 0.0;
    EXPECT_EQ(f.api.fmiGetReal(c, &outOfRange, 1, &value), fmiError) << "refused, but silently";
    f.api.fmiFreeModelInstance(c);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(TressivoLifecycle, InitializeWithoutEventInfoIsRefusedAndChangesNothing) {
    fmiComponent c = f.initialised();
    EXPECT_EQ(f.api.fmiInitialize(c, fmiFalse, 0.0, nullptr), fmiError);
    f.expectOneRefusal(c, "fmiInitialize");

    fmiComponent fresh = f.instantiate();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(f.api.fmiInitialize(fresh, fmiFalse, 0.0, nullptr), fmiError);
    EXPECT_EQ(f.real(fresh, heightRef), 0.0) << "a refused initialisation sets no start values";
    f.expectOneRefusal(fresh, "fmiInitialize");  // and sends no initialisation message
}

TEST_F(TressivoLifecycle, TerminateLeavesTheInstanceUsable) {
    fmiComponent c = f.initialised();
    EXPECT_EQ(f.api.fmiTerminate(c), fmiOK);
    EXPECT_EQ(f.real(c, gravityRef), startGravity);
    EXPECT_EQ(f.setReal(c, gravityRef, -1.62), fmiOK);
    EXPECT_EQ(f.real(c, gravityRef), -1.62);
}

// Every export that takes an instance answers Fatal for a null handle and
// touches none of the host's arrays or pointers.
TEST_F(TressivoLifecycle, NullHandleIsFatalEverywhereAndTouchesNothing) {
    const fmiValueReference vr[] = {0};
    double reals[2] = {42.0, 42.0};
    fmiInteger integer = 42;
    fmiBoolean boolean = 42;
    fmiString text = "host";
    fmiValueReference vrx[2] = {42, 42};
    fmiBoolean callEventUpdate = 42;
    fmiEventInfo eventInfo;
    std::memset(&eventInfo, 0x5A, sizeof eventInfo);
    fmiEventInfo untouched = eventInfo;
    const host::Fmi1Api& api = f.api;

    const std::pair<const char*, fmiStatus> results[] = {
        {"fmiSetDebugLogging", api.fmiSetDebugLogging(nullptr, fmiTrue)},
        {"fmiInitialize", api.fmiInitialize(nullptr, fmiFalse, 0.0, &eventInfo)},
        {"fmiTerminate", api.fmiTerminate(nullptr)},
        {"fmiSetTime", api.fmiSetTime(nullptr, 1.0)},
        {"fmiSetContinuousStates", api.fmiSetContinuousStates(nullptr, reals, 2)},
        {"fmiGetContinuousStates", api.fmiGetContinuousStates(nullptr, reals, 2)},
        {"fmiGetNominalContinuousStates", api.fmiGetNominalContinuousStates(nullptr, reals, 2)},
        {"fmiGetStateValueReferences", api.fmiGetStateValueReferences(nullptr, vrx, 2)},
        {"fmiGetDerivatives", api.fmiGetDerivatives(nullptr, reals, 2)},
        {"fmiGetEventIndicators", api.fmiGetEventIndicators(nullptr, reals, 1)},
        {"fmiCompletedIntegratorStep", api.fmiCompletedIntegratorStep(nullptr, &callEventUpdate)},
        {"fmiEventUpdate", api.fmiEventUpdate(nullptr, fmiFalse, &eventInfo)},
        {"fmiGetReal", api.fmiGetReal(nullptr, vr, 1, reals)},
        {"fmiSetReal", api.fmiSetReal(nullptr, vr, 1, reals)},
        {"fmiGetInteger", api.fmiGetInteger(nullptr, vr, 1, &integer)},
        {"fmiSetInteger", api.fmiSetInteger(nullptr, vr, 1, &integer)},
        {"fmiGetBoolean", api.fmiGetBoolean(nullptr, vr, 1, &boolean)},
        {"fmiSetBoolean", api.fmiSetBoolean(nullptr, vr, 1, &boolean)},
        {"fmiGetString", api.fmiGetString(nullptr, vr, 1, &text)},
        {"fmiSetString", api.fmiSetString(nullptr, vr, 1, &text)},
    };
    for (const auto& [function, status] : results) EXPECT_EQ(status, fmiFatal) << function;
    api.fmiFreeModelInstance(nullptr);  // ignored

    EXPECT_EQ(reals[0], 42.0);
    EXPECT_EQ(reals[1], 42.0);
    EXPECT_EQ(integer, 42);
    EXPECT_EQ(boolean, 42);
    EXPECT_STREQ(text, "host");
    EXPECT_EQ(vrx[0], 42u);
    EXPECT_EQ(callEventUpdate, 42);
    EXPECT_EQ(std::memcmp(&eventInfo, &untouched, sizeof eventInfo), 0);
    EXPECT_EQ(f.host.allocationCount, 0u);
    EXPECT_EQ(f.host.freeCount, 0u);
    EXPECT_TRUE(f.host.log.empty());
}

}  // namespace
