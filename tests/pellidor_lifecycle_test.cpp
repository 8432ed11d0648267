// pellidor's instance lifecycle as a host sees it: instantiation and its
// GUID rule, start values and the initialisation log, logging switched off
// and on, release through the host's freeMemory, reset, and the refusals of
// unusable arguments.
#include <gtest/gtest.h>

#include <string>

#include "fmi2_fixture.h"
#include "support.h"

namespace {

using namespace expected;

class PellidorLifecycle : public ::testing::Test {
protected:
    Fmi2Fixture f{PELLIDOR_LIBRARY};

    // What instantiation leaves: zero reals (+0.0), integers and booleans,
    // strings never set, nominals 1.0.
    void expectInstantiationValues(fmi2Component c) {
        for (fmi2ValueReference vr = 0; vr < 4; ++vr) {
            EXPECT_EQ(bitsOf(f.real(c, vr)), bitsOf(0.0)) << "real " << vr;
            EXPECT_EQ(f.integer(c, vr), 0) << "integer " << vr;
            EXPECT_EQ(f.boolean(c, vr), fmi2False) << "boolean " << vr;
            EXPECT_EQ(f.string(c, vr), nullptr) << "string " << vr;
        }
        fmi2Real nominals[2] = {0.0, 0.0};
        EXPECT_EQ(f.api.fmi2GetNominalsOfContinuousStates(c, nominals, 2), fmi2OK);
        EXPECT_EQ(nominals[0], stateNominal);
        EXPECT_EQ(nominals[1], stateNominal);
    }
};

TEST_F(PellidorLifecycle, ReportsDefaultPlatformAndVersion2) {
    EXPECT_STREQ(f.api.fmi2GetTypesPlatform(), "default");
    EXPECT_STREQ(f.api.fmi2GetVersion(), "2.0");
}

TEST_F(PellidorLifecycle, AcceptsOnlyTheGuid123AndLeaksNothingOnRefusal) {
    struct Case {
        const char* guid;
        bool accepted;
    };
    for (const Case& guidCase : {Case{guid, true}, Case{"124", false}, Case{"1234", false}, Case{"12", false},
                                 Case{"", false}, Case{"023", false}}) {
        SCOPED_TRACE(std::string("fmuGUID \"") + guidCase.guid + "\"");
        fmi2Component c = f.instantiate("ball", guidCase.guid);
        EXPECT_EQ(c != nullptr, guidCase.accepted);
        if (c != nullptr) f.free(c);
        EXPECT_EQ(f.host.liveBlocks(), 0u) << "the record's block was not handed back";
        EXPECT_TRUE(f.host.errors.empty());
    }
    EXPECT_TRUE(f.host.log.empty()) << "instantiation must not log, accepted or not";
}

TEST_F(PellidorLifecycle, RefusesMissingCallbacksOrGuidWithoutCallingAnything) {
    const fmi2CallbackFunctions complete = f.host.fmi2Callbacks();
    fmi2CallbackFunctions noAllocate = complete;
    noAllocate.allocateMemory = nullptr;
    fmi2CallbackFunctions noFree = complete;
    noFree.freeMemory = nullptr;
    EXPECT_EQ(f.api.fmi2Instantiate("ball", fmi2ModelExchange, guid, "", nullptr, fmi2False, fmi2True), nullptr);
    EXPECT_EQ(f.api.fmi2Instantiate("ball", fmi2ModelExchange, guid, "", &noAllocate, fmi2False, fmi2True), nullptr);
    EXPECT_EQ(f.api.fmi2Instantiate("ball", fmi2ModelExchange, guid, "", &noFree, fmi2False, fmi2True), nullptr);
    EXPECT_EQ(f.api.fmi2Instantiate("ball", fmi2ModelExchange, nullptr, "", &complete, fmi2False, fmi2True), nullptr);
    EXPECT_EQ(f.host.allocationCount, 0u);
    EXPECT_EQ(f.host.freeCount, 0u);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorLifecycle, ReturnsNullWhenTheRecordCannotBeAllocated) {
    f.host.failAllocation(1);
    EXPECT_EQ(f.instantiate(), nullptr);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.log.empty());
    f.host.stopFailing();
    EXPECT_NE(f.instantiate(), nullptr) << "the host's next allocation succeeds, so must instantiation";
}

TEST_F(PellidorLifecycle, AFreshInstanceHoldsZerosNullStringsAndUnitNominals) {
    fmi2Component c = f.instantiate();
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(f.host.owns(c)) << "the record must come from the host's allocateMemory";
    expectInstantiationValues(c);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorLifecycle, InitialisationSetsStartValuesAndSendsFiveInfoLines) {
    fmi2Component c = f.instantiate("bouncer");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(f.setReal(c, 0, 7.0), fmi2OK);
    EXPECT_EQ(f.setInteger(c, 2, 42), fmi2OK);
    EXPECT_EQ(f.setBoolean(c, 1, fmi2True), fmi2OK);
    EXPECT_EQ(f.setString(c, 3, "kept"), fmi2OK);
    f.host.log.clear();

    EXPECT_EQ(f.api.fmi2SetupExperiment(c, fmi2True, 1e-6, 0.5, fmi2True, 3.0), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);

    EXPECT_EQ(f.real(c, heightRef), startHeight) << "the start value overwrites what the host set before";
    EXPECT_EQ(f.real(c, velocityRef), startVelocity);
    EXPECT_EQ(f.real(c, gravityRef), startGravity);
    EXPECT_EQ(f.real(c, restitutionRef), startRestitution);
    EXPECT_EQ(f.integer(c, 2), 42) << "integers, booleans and strings keep what the host set";
    EXPECT_EQ(f.boolean(c, 1), fmi2True);
    EXPECT_STREQ(f.string(c, 3), "kept");

    struct Line {
        const char* format;
        const char* text;
    };
    const Line expected[] = {{"###### Initializing component ######", "###### Initializing component ######"},
                             {"Init #r%d#=%g", "Init #r0#=1"},
                             {"Init #r%d#=%g", "Init #r1#=4"},
                             {"Init #r%d#=%g", "Init #r2#=-9.81"},
                             {"Init #r%d#=%g", "Init #r3#=0.5"}};
    ASSERT_EQ(f.host.log.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const host::LogEntry& entry = f.host.log[i];
        SCOPED_TRACE("log line " + std::to_string(i));
        EXPECT_EQ(entry.firstArgument, f.callbacks.componentEnvironment);
        EXPECT_EQ(entry.instanceName, "bouncer");
        EXPECT_EQ(entry.status, fmi2OK);
        EXPECT_EQ(entry.category, "INFO");
        EXPECT_EQ(entry.format, expected[i].format);
        EXPECT_EQ(entry.text, expected[i].text);
    }
    EXPECT_EQ(f.api.fmi2ExitInitializationMode(c), fmi2OK);
    EXPECT_EQ(f.host.log.size(), 5u);
}

TEST_F(PellidorLifecycle, LoggingFollowsTheFlagAtInstantiationAndSetDebugLogging) {
    fmi2Component quiet = f.instantiate("quiet", guid, fmi2False);
    ASSERT_NE(quiet, nullptr);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(quiet), fmi2OK);
    EXPECT_TRUE(f.host.log.empty()) << "loggingOn false at instantiation";
    EXPECT_EQ(f.real(quiet, restitutionRef), startRestitution) << "start values are set even when nothing is logged";

    fmi2Component c = f.instantiate("loud", guid, fmi2True);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(f.api.fmi2SetDebugLogging(c, fmi2False, 0, nullptr), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
    EXPECT_TRUE(f.host.log.empty()) << "switched off by fmi2SetDebugLogging";

    const fmi2String categories[] = {"WARNING"};
    EXPECT_EQ(f.api.fmi2SetDebugLogging(c, fmi2True, 1, categories), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
    EXPECT_EQ(f.host.log.size(), 5u) << "switched back on; categories do not filter";

    f.host.log.clear();
    EXPECT_EQ(f.api.fmi2SetDebugLogging(c, 2, 0, nullptr), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
    EXPECT_EQ(f.host.log.size(), 5u) << "any non-zero flag logs the initialisation";
}

TEST_F(PellidorLifecycle, FreeReleasesFourStringSlotsThenTheRecord) {
    fmi2Component bare = f.instantiate();
    ASSERT_NE(bare, nullptr);
    f.free(bare);
    ASSERT_EQ(f.host.freed.size(), 5u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(f.host.freed[k], nullptr) << "slot " << k << " was never set";
    EXPECT_EQ(f.host.freed[4], bare);

    f.host.freed.clear();
    fmi2Component c = f.instantiate();
    ASSERT_NE(c, nullptr);
    const fmi2ValueReference refs[] = {3, 1, 0, 2};
    const fmi2String values[] = {"three", "one", "zero", "two"};
    ASSERT_EQ(f.api.fmi2SetString(c, refs, 4, values), fmi2OK);
    const void* blocks[4];
    for (fmi2ValueReference vr = 0; vr < 4; ++vr) blocks[vr] = f.string(c, vr);
    f.free(c);
    ASSERT_EQ(f.host.freed.size(), 5u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(f.host.freed[k], blocks[k]) << "string slot " << k;
    EXPECT_EQ(f.host.freed[4], c);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(PellidorLifecycle, NullHandlesAreFatalOrIgnored) {
    EXPECT_EQ(f.api.fmi2SetDebugLogging(nullptr, fmi2True, 0, nullptr), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2SetupExperiment(nullptr, fmi2False, 0.0, 0.0, fmi2False, 0.0), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(nullptr), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2Terminate(nullptr), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2Reset(nullptr), fmi2Fatal);
    EXPECT_EQ(f.api.fmi2ExitInitializationMode(nullptr), fmi2OK) << "a mode change that does nothing";
    f.api.fmi2FreeInstance(nullptr);
    EXPECT_EQ(f.host.freeCount, 0u);
    EXPECT_TRUE(f.host.log.empty());
}

TEST_F(PellidorLifecycle, TwoInstancesOfOneHostAreIndependent) {
    fmi2Component first = f.instantiate("first");
    fmi2Component second = f.instantiate("second");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(f.setReal(first, 2, -1.5), fmi2OK);
    EXPECT_EQ(f.setInteger(first, 0, 9), fmi2OK);
    EXPECT_EQ(f.setString(first, 1, "mine"), fmi2OK);
    EXPECT_EQ(f.api.fmi2SetDebugLogging(second, fmi2False, 0, nullptr), fmi2OK);
    EXPECT_EQ(f.real(second, 2), 0.0);
    EXPECT_EQ(f.integer(second, 0), 0);
    EXPECT_EQ(f.string(second, 1), nullptr);

    EXPECT_EQ(f.api.fmi2EnterInitializationMode(first), fmi2OK);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(second), fmi2OK);
    ASSERT_EQ(f.host.log.size(), 5u) << "only the first instance logs";
    for (const auto& entry : f.host.log) EXPECT_EQ(entry.instanceName, "first");

    f.free(first);
    EXPECT_EQ(f.real(second, restitutionRef), startRestitution) << "freeing one instance leaves the other usable";
}

TEST_F(PellidorLifecycle, NamesAreTruncatedTo1023CharactersAndNullNamesAreEmpty) {
    for (std::size_t length : {longestInstanceName, longestInstanceName + 1, std::size_t{5000}}) {
        const std::string name(length, 'n');
        const std::string location(length, 'l');
        fmi2Component c = f.api.fmi2Instantiate(name.c_str(), fmi2ModelExchange, guid, location.c_str(),
                                                &f.callbacks, fmi2False, fmi2True);
        ASSERT_NE(c, nullptr) << "name of " << length << " characters";
        f.host.log.clear();
        EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
        ASSERT_FALSE(f.host.log.empty());
        EXPECT_EQ(f.host.log[0].instanceName, std::string(longestInstanceName, 'n'))
            << "name of " << length << " characters";
        f.api.fmi2FreeInstance(c);
    }
    fmi2Component unnamed =
        f.api.fmi2Instantiate(nullptr, fmi2CoSimulation, guid, nullptr, &f.callbacks, fmi2True, fmi2True);
    ASSERT_NE(unnamed, nullptr);
    f.host.log.clear();
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(unnamed), fmi2OK);
    ASSERT_FALSE(f.host.log.empty());
    EXPECT_EQ(f.host.log[0].instanceName, "");
    f.api.fmi2FreeInstance(unnamed);
    EXPECT_EQ(f.host.liveBlocks(), 0u);
}

TEST_F(PellidorLifecycle, AnInstanceWithoutLoggerSendsNothingAndWorks) {
    fmi2CallbackFunctions silent = f.host.fmi2Callbacks();
    silent.logger = nullptr;
    fmi2Component c = f.api.fmi2Instantiate("mute", fmi2ModelExchange, guid, "", &silent, fmi2False, fmi2True);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
    EXPECT_EQ(f.setReal(c, accelerationRef, 1.0), fmi2Error) << "the warning cannot be sent, the refusal still stands";
    EXPECT_EQ(f.setString(c, 0, "echo"), fmi2OK);
    EXPECT_EQ(f.real(c, heightRef), startHeight);
    f.api.fmi2FreeInstance(c);
    EXPECT_TRUE(f.host.log.empty());
    EXPECT_EQ(f.host.liveBlocks(), 0u);
}

TEST_F(PellidorLifecycle, ResetRestoresTheInstantiationStateAndReleasesStrings) {
    fmi2Component c = f.initialised();
    ASSERT_NE(c, nullptr);
    const fmi2Real states[] = {-0.25, -3.0};
    EXPECT_EQ(f.api.fmi2SetContinuousStates(c, states, 2), fmi2OK);
    fmi2EventInfo info{};
    EXPECT_EQ(f.api.fmi2NewDiscreteStates(c, &info), fmi2OK);
    EXPECT_EQ(f.setInteger(c, 3, -7), fmi2OK);
    EXPECT_EQ(f.setBoolean(c, 0, 5), fmi2OK);
    EXPECT_EQ(f.setString(c, 2, "two"), fmi2OK);
    const void* stringBlock = f.string(c, 2);
    const std::size_t blocksBefore = f.host.liveBlocks();
    f.host.log.clear();

    EXPECT_EQ(f.api.fmi2Reset(c), fmi2OK);

    EXPECT_TRUE(f.host.log.empty()) << "reset logs nothing";
    EXPECT_EQ(f.host.liveBlocks(), blocksBefore - 1) << "the string went back to the host";
    EXPECT_NE(std::find(f.host.freed.begin(), f.host.freed.end(), stringBlock), f.host.freed.end());
    expectInstantiationValues(c);

    // The logging switch and the instance name survive the reset.
    EXPECT_EQ(f.api.fmi2EnterInitializationMode(c), fmi2OK);
    ASSERT_EQ(f.host.log.size(), 5u);
    EXPECT_EQ(f.host.log[0].instanceName, "ball");
    EXPECT_EQ(f.real(c, velocityRef), startVelocity);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST_F(PellidorLifecycle, TerminateChangesNothing) {
    fmi2Component c = f.initialised();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(f.api.fmi2Terminate(c), fmi2OK);
    EXPECT_EQ(f.real(c, heightRef), startHeight);
    EXPECT_EQ(f.real(c, restitutionRef), startRestitution);
    EXPECT_TRUE(f.host.log.empty());
}

}  // namespace
