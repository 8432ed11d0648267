// The FMI 1.0 component's lifecycle as a host sees it: the fixed queries,
// instantiation with its GUID rule and copied callbacks, the nine
// initialisation messages, and release of every block.
#include "fmi1_fixture.h"

#ifdef TRESSIVO_LIBRARY

namespace {

using fmi1::Fixture;
using TressivoLifecycle = Fixture;

TEST_F(TressivoLifecycle, QueriesAnswerWithoutAnInstance) {
    EXPECT_STREQ(api.fmiGetVersion(), "1.0");
    EXPECT_STREQ(api.fmiGetModelTypesPlatform(), "standard32");
}

struct GuidCase {
    const char* guid;
    bool accepted;
};

TEST_F(TressivoLifecycle, OnlyTheExactGuidInstantiatesAndARefusedBlockGoesBack) {
    const GuidCase cases[] = {{"123", true}, {"124", false}, {"1234", false}, {"12", false}, {"", false}};
    for (const GuidCase& guidCase : cases) {
        fmi1::Instance instance(api, instantiate("ball", guidCase.guid, fmiTrue));
        EXPECT_EQ(bool(instance), guidCase.accepted) << "GUID \"" << guidCase.guid << "\"";
        instance.reset();
        EXPECT_EQ(host.liveBlocks(), 0u) << "GUID \"" << guidCase.guid << "\" left a block with the host";
    }
    EXPECT_TRUE(host.log.empty()) << "instantiation never logs, whatever loggingOn says";
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(TressivoLifecycle, MissingGuidOrMemoryCallbacksRefuseWithoutCallingAnything) {
    EXPECT_EQ(api.fmiInstantiateModel("ball", nullptr, host.fmi1Callbacks(), fmiTrue), nullptr);
    fmiCallbackFunctions noAllocator = host.fmi1Callbacks();
    noAllocator.allocateMemory = nullptr;
    EXPECT_EQ(api.fmiInstantiateModel("ball", "123", noAllocator, fmiTrue), nullptr);
    fmiCallbackFunctions noRelease = host.fmi1Callbacks();
    noRelease.freeMemory = nullptr;
    EXPECT_EQ(api.fmiInstantiateModel("ball", "123", noRelease, fmiTrue), nullptr);
    EXPECT_EQ(host.allocationCount, 0u);
    EXPECT_EQ(host.freeCount, 0u);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(TressivoLifecycle, FailedAllocationReturnsNull) {
    host.failAllocation(1);
    EXPECT_EQ(instantiate("ball", "123", fmiTrue), nullptr);
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(TressivoLifecycle, InstantiationTakesOneRecordBlockAndFreeReturnsEverything) {
    fmi1::Instance instance(api, instantiate());
    ASSERT_TRUE(instance);
    EXPECT_EQ(host.allocationCount, 1u);
    EXPECT_TRUE(host.owns(instance.get())) << "the handle is the block from allocateMemory";
    const std::size_t before = host.freeCount;
    instance.reset();
    // Four string entries, all null here, then the record itself.
    ASSERT_EQ(host.freeCount - before, 5u);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(host.freed[before + k], nullptr);
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(TressivoLifecycle, CallbacksAreCopiedSoTheHostMayOverwriteItsStructure) {
    fmiCallbackFunctions callbacks = host.fmi1Callbacks();
    fmi1::Instance instance(api, api.fmiInstantiateModel("ball", "123", callbacks, fmiTrue));
    ASSERT_TRUE(instance);
    std::memset(&callbacks, 0xA5, sizeof callbacks);  // the host reuses its structure

    fmiEventInfo eventInfo{};
    EXPECT_EQ(api.fmiInitialize(instance.get(), fmiFalse, 0.0, &eventInfo), fmiOK);
    EXPECT_EQ(host.log.size(), 9u) << "logging still reaches the host";
    const fmiValueReference vr = 2;
    const fmiString text = "kept";
    EXPECT_EQ(api.fmiSetString(instance.get(), &vr, 1, &text), fmiOK);
    EXPECT_EQ(host.liveBlocks(), 2u) << "the string copy came from the host's allocator";
    instance.reset();
    EXPECT_EQ(host.liveBlocks(), 0u) << "the string and the record went back through the copied freeMemory";
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(TressivoLifecycle, InitializeSendsTheNineMessagesInOrder) {
    fmi1::Instance instance(api, instantiate("bouncer", "123", fmiTrue));
    ASSERT_TRUE(instance);
    fmiEventInfo eventInfo{};
    ASSERT_EQ(api.fmiInitialize(instance.get(), fmiFalse, 0.0, &eventInfo), fmiOK);

    struct Expected {
        const char* category;
        const char* format;
        const char* text;
    };
    const Expected expected[] = {
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
    ASSERT_EQ(host.log.size(), std::size(expected));
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        const host::LogEntry& entry = host.log[k];
        SCOPED_TRACE("message " + std::to_string(k + 1));
        EXPECT_EQ(entry.firstArgument, instance.get()) << "FMI 1.0 passes the instance itself";
        EXPECT_EQ(entry.instanceName, "bouncer");
        EXPECT_EQ(entry.status, fmiOK) << "even the \"ERROR\" reference tests carry status OK";
        EXPECT_EQ(entry.category, expected[k].category);
        EXPECT_EQ(entry.format, expected[k].format);
        EXPECT_EQ(entry.text, expected[k].text);
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
        host.log.clear();
        fmi1::Instance instance(api, instantiate("ball", "123", logging.atInstantiation));
        ASSERT_TRUE(instance);
        if (logging.setDebugLoggingTo2) {
            ASSERT_EQ(api.fmiSetDebugLogging(instance.get(), 2), fmiOK);
        }
        fmiEventInfo eventInfo{};
        ASSERT_EQ(api.fmiInitialize(instance.get(), fmiFalse, 0.0, &eventInfo), fmiOK);
        EXPECT_EQ(host.log.size(), logging.messages)
            << "loggingOn " << int(logging.atInstantiation) << (logging.setDebugLoggingTo2 ? " then 2" : "");
    }
}

TEST_F(TressivoLifecycle, InitializeSetsStartValuesKeepsOtherVariablesAndResetsTheEventRecord) {
    fmi1::Instance instance(api, instantiate());
    ASSERT_TRUE(instance);
    const fmiValueReference heightRef = 0, integerRef = 1;
    const double seven = 7.0;
    const fmiInteger integerSeven = 7;
    ASSERT_EQ(api.fmiSetReal(instance.get(), &heightRef, 1, &seven), fmiOK);
    ASSERT_EQ(api.fmiSetInteger(instance.get(), &integerRef, 1, &integerSeven), fmiOK);

    for (const auto& [controlled, tolerance] : {std::pair<fmiBoolean, double>{fmiTrue, 1e-6}, {fmiFalse, 0.0}}) {
        fmiEventInfo eventInfo;
        std::memset(&eventInfo, 0x5A, sizeof eventInfo);
        ASSERT_EQ(api.fmiInitialize(instance.get(), controlled, tolerance, &eventInfo), fmiOK);
        EXPECT_EQ(eventInfo.iterationConverged, fmiFalse);
        EXPECT_EQ(eventInfo.stateValueReferencesChanged, fmiFalse);
        EXPECT_EQ(eventInfo.stateValuesChanged, fmiFalse);
        EXPECT_EQ(eventInfo.terminateSimulation, fmiFalse);
        EXPECT_EQ(eventInfo.upcomingTimeEvent, fmiFalse);
        EXPECT_TRUE(isNegativeZero(eventInfo.nextEventTime)) << eventInfo.nextEventTime;

        const fmiValueReference reals[] = {0, 1, 2, 3};
        double values[4];
        ASSERT_EQ(api.fmiGetReal(instance.get(), reals, 4, values), fmiOK);
        EXPECT_EQ(values[0], 1.0);
        EXPECT_EQ(values[1], 4.0);
        EXPECT_EQ(values[2], -9.81);
        EXPECT_EQ(values[3], 0.5);
        fmiInteger integer = 0;
        ASSERT_EQ(api.fmiGetInteger(instance.get(), &integerRef, 1, &integer), fmiOK);
        EXPECT_EQ(integer, 7) << "initialisation leaves integers alone";
    }
    EXPECT_TRUE(host.log.empty());
}

TEST_F(TressivoLifecycle, BeforeInitializeTheRealsReadZero) {
    fmi1::Instance instance(api, instantiate());
    ASSERT_TRUE(instance);
    const fmiValueReference reals[] = {0, 1, 2, 3};
    double values[4] = {-1, -1, -1, -1};
    ASSERT_EQ(api.fmiGetReal(instance.get(), reals, 4, values), fmiOK);
    for (double value : values) EXPECT_EQ(bitsOf(value), bitsOf(0.0));
    double z = 0.0;
    ASSERT_EQ(api.fmiGetEventIndicators(instance.get(), &z, 1), fmiOK);
    EXPECT_EQ(z, 1e-16) << "height 0.0 before initialisation";
}

TEST_F(TressivoLifecycle, InstanceNamesAreCopiedTruncatedOrEmpty) {
    const std::string longName(1500, 'n');
    struct Case {
        const char* given;
        std::string seen;
    };
    const Case cases[] = {{nullptr, ""}, {longName.c_str(), std::string(1023, 'n')}, {"ball", "ball"}};
    for (const Case& name : cases) {
        host.log.clear();
        std::string hostCopy = name.given ? name.given : "";
        fmi1::Instance instance(api, instantiate(name.given ? hostCopy.c_str() : nullptr, "123", fmiTrue));
        ASSERT_TRUE(instance);
        hostCopy.assign(hostCopy.size(), 'x');  // the host's string is not kept
        fmiEventInfo eventInfo{};
        ASSERT_EQ(api.fmiInitialize(instance.get(), fmiFalse, 0.0, &eventInfo), fmiOK);
        ASSERT_FALSE(host.log.empty());
        EXPECT_EQ(host.log[0].instanceName, name.seen);
    }
}

TEST_F(TressivoLifecycle, NullLoggerMakesASilentButWorkingInstance) {
    fmiCallbackFunctions callbacks = host.fmi1Callbacks();
    callbacks.logger = nullptr;
    fmi1::Instance instance(api, api.fmiInstantiateModel("quiet", "123", callbacks, fmiTrue));
    ASSERT_TRUE(instance);
    fmiEventInfo eventInfo{};
    EXPECT_EQ(api.fmiInitialize(instance.get(), fmiFalse, 0.0, &eventInfo), fmiOK);
    const fmiValueReference vr = 0;
    const fmiString text = "echo";
    EXPECT_EQ(api.fmiSetString(instance.get(), &vr, 1, &text), fmiOK);
    const fmiValueReference outOfRange = 9;
    double value = 0.0;
    EXPECT_EQ(api.fmiGetReal(instance.get(), &outOfRange, 1, &value), fmiError) << "refused, but silently";
    EXPECT_TRUE(host.log.empty());
}

TEST_F(TressivoLifecycle, InitializeWithoutEventInfoIsRefusedAndChangesNothing) {
    start(fmiTrue);
    EXPECT_EQ(api.fmiInitialize(c(), fmiFalse, 0.0, nullptr), fmiError);
    expectOneRefusal("fmiInitialize");

    fmi1::Instance fresh(api, instantiate("fresh", "123", fmiTrue));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(api.fmiInitialize(fresh.get(), fmiFalse, 0.0, nullptr), fmiError);
    const fmiValueReference heightRef = 0;
    double height = -1.0;
    ASSERT_EQ(api.fmiGetReal(fresh.get(), &heightRef, 1, &height), fmiOK);
    EXPECT_EQ(height, 0.0) << "a refused initialisation sets no start values";
    EXPECT_EQ(host.log.size(), 2u) << "only the refusals were logged";
}

TEST_F(TressivoLifecycle, TerminateLeavesTheInstanceUsable) {
    start();
    EXPECT_EQ(api.fmiTerminate(c()), fmiOK);
    EXPECT_EQ(real(2), -9.81);
    setReal(2, -1.62);
    EXPECT_EQ(real(2), -1.62);
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
    EXPECT_EQ(host.allocationCount, 0u);
    EXPECT_EQ(host.freeCount, 0u);
    EXPECT_TRUE(host.log.empty());
}

}  // namespace

#endif
