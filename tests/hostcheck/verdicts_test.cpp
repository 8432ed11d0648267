// The host check's judgement on runs written by hand: call records as the
// recording FMUs write them, outcomes, CSVs and host output, one case per
// rule of each probe, "not reached" included. No host is started.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "event_burst.h"
#include "model_expectations.h"
#include "options.h"
#include "plots.h"
#include "report.h"
#include "probes.h"
#include "record.h"
#include "record_facts.h"

using namespace hostcheck;
namespace fs = std::filesystem;

namespace {

// ---- Records, as the recording libraries write them --------------------------

const std::string instance = "c=0x10";

std::string record(const std::vector<std::string>& lines) {
    std::string text = std::string(recordVersionLine) + "\n";
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// A call on the instance that returned: its ">" and "<" lines.
std::string call(const std::string& function, const std::string& arguments, const std::string& results) {
    return "> " + function + " " + instance + (arguments.empty() ? "" : " " + arguments) + "\n< " + function + " " +
           instance + " " + results;
}

std::string logLine(const std::string& status, const std::string& category, const std::string& message) {
    return "log " + instance + " status=" + status + " category=\"" + category + "\" message=\"" + message + "\"";
}

// FMI 2.0: instantiated, set up and initialised, with the five messages of
// initialisation when logging is on.
std::string fmi2Started(const std::string& library, const std::string& type, int loggingOn = 1) {
    std::string lines = "library " + library + " fmi=2.0 interface=x pid=1\n> fmi2Instantiate instanceName=\"i\" fmuType=" +
                        type + " fmuGUID=\"123\" fmuResourceLocation=\"file:///r\" functions=0x1 logger=0x2 "
                        "allocateMemory=0x3 freeMemory=0x4 stepFinished=null componentEnvironment=null visible=0 "
                        "loggingOn=" + std::to_string(loggingOn) + "\nalloc count=1 size=4280 block=0x10 zeroed=1\n"
                        "< fmi2Instantiate result=0x10\n" +
                        call("fmi2SetupExperiment", "toleranceDefined=0 tolerance=0 startTime=0 stopTimeDefined=1 stopTime=3",
                             "status=fmi2OK") +
                        "\n> fmi2EnterInitializationMode " + instance + "\n";
    if (loggingOn) {
        lines += logLine("fmi2OK", "INFO", "###### Initializing component ######") + "\n";
        for (const char* init : {"Init #r0#=1", "Init #r1#=4", "Init #r2#=-9.81", "Init #r3#=0.5"}) {
            lines += logLine("fmi2OK", "INFO", init) + "\n";
        }
    }
    return lines + "< fmi2EnterInitializationMode " + instance + " status=fmi2OK\n" +
           call("fmi2ExitInitializationMode", "", "status=fmi2OK");
}

std::string pellidorStarted(int loggingOn = 1) { return fmi2Started("pellidor", "fmi2ModelExchange", loggingOn); }
std::string corvaneStarted() { return fmi2Started("corvane", "fmi2CoSimulation"); }

// FMI 1.0: instantiated and initialised with its nine messages; the event
// record of fmiInitialize says the iteration has not converged.
std::string tressivoStarted() {
    std::string lines =
        "library tressivo fmi=1.0 interface=modelExchange pid=1\n> Rebounder_fmiInstantiateModel instanceName=\"t\" "
        "GUID=\"123\" logger=0x2 allocateMemory=0x3 freeMemory=0x4 loggingOn=1\n< Rebounder_fmiInstantiateModel "
        "result=0x10\n> Rebounder_fmiInitialize " + instance + " toleranceControlled=0 relativeTolerance=0\n";
    lines += logLine("fmiOK", "INFO", "###### Initializing component ######") + "\n";
    for (const char* init : {"Init #r0#=1", "Init #r1#=4", "Init #r2#=-9.81", "Init #r3#=0.5"}) {
        lines += logLine("fmiOK", "INFO", init) + "\n";
    }
    for (const char* bad : {"#r-1#", "#r1", "#t1#", "#r10#"}) lines += logLine("fmiOK", "ERROR", std::string("Bad reference: ") + bad) + "\n";
    return lines + "< Rebounder_fmiInitialize " + instance +
           " status=fmiOK eventInfo={iterationConverged=0,stateValueReferencesChanged=0,stateValuesChanged=0,"
           "terminateSimulation=0,upcomingTimeEvent=0,nextEventTime=-0}";
}

std::string eventUpdate(int converged) {
    return call("Rebounder_fmiEventUpdate", "intermediateResults=0",
                "status=fmiOK eventInfo={iterationConverged=" + std::to_string(converged) +
                    ",stateValueReferencesChanged=0,stateValuesChanged=0,terminateSimulation=0,upcomingTimeEvent=0,"
                    "nextEventTime=-0}");
}

std::string eventUpdates(int count, int converged) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines.append(i ? "\n" : "").append(eventUpdate(converged));
    return lines;
}

std::string setTime2(double t) { return call("fmi2SetTime", "time=" + std::to_string(t), "status=fmi2OK"); }
std::string setTime1(double t) { return call("Rebounder_fmiSetTime", "time=" + std::to_string(t), "status=fmiOK"); }

std::string nullStrings2() { return call("fmi2GetString", "vr=[0,1,2,3] nvr=4", "status=fmi2OK value=[null,null,null,null]"); }
std::string nullStrings1() {
    return call("Rebounder_fmiGetString", "vr=[0] nvr=1", "status=fmiOK value=[null]");
}

std::string doStep(const std::string& point, const std::string& size, const std::string& status) {
    return call("fmi2DoStep", "currentCommunicationPoint=" + point + " communicationStepSize=" + size +
                                  " noSetFMUStatePriorToCurrentPoint=1", "status=" + status);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Seven communication steps of h = 0.01 by the simplest master (t += h,
// steps of h) or by one that multiplies (points n·h, steps (n+1)·h − n·h):
// at the seventh point the two differ.
std::string summedSteps() {
    std::string lines;
    double t = 0.0;
    for (int n = 0; n < 7; ++n, t += 0.01) {
        lines.append(n ? "\n" : "").append(doStep(number(t), number(0.01), "fmi2OK"));
    }
    return lines;
}
std::string multipliedSteps() {
    std::string lines;
    for (int n = 0; n < 7; ++n) {
        const double k = n;
        lines.append(n ? "\n" : "").append(doStep(number(k * 0.01), number((k + 1.0) * 0.01 - k * 0.01), "fmi2OK"));
    }
    return lines;
}

std::string freed2() {
    return "> fmi2FreeInstance " + instance + "\nfree block=0x10\n< fmi2FreeInstance " + instance;
}

// ---- Runs written by hand ---------------------------------------------------

Outcome exited(int code) {
    Outcome o;
    o.kind = Outcome::Kind::exited;
    o.code = code;
    return o;
}
Outcome crashed() {
    Outcome o;
    o.kind = Outcome::Kind::signalled;
    o.code = 11;
    return o;
}
Outcome hung() {
    Outcome o;
    o.kind = Outcome::Kind::timedOut;
    return o;
}

const RunRequest pellidorDefault{FmuSet::defaultBuild, "pellidor", modelExchangeStep};
const RunRequest pellidorStrict{FmuSet::strictHost, "pellidor", modelExchangeStep};
const RunRequest tressivoStrict{FmuSet::strictHost, "tressivo", modelExchangeStep};
const RunRequest corvaneAtReference{FmuSet::strictHost, "corvane", 0.01};
const RunRequest corvaneAtDiscard{FmuSet::strictHost, "corvane", discardStep};

struct HandRun {
    RunRequest request;
    std::optional<std::string> record;  // nullopt: FMUs that keep no record
    Outcome outcome;
    std::string csv = "";               // empty: no CSV written
    std::string shown = "";
};

// The runs a probe asks for: those written, the rest skipped.
class HandRuns : public RunSource {
public:
    explicit HandRuns(const std::vector<HandRun>& written) {
        for (const HandRun& w : written) {
            Run& run = runs[runLabel(w.request)];
            run.request = w.request;
            run.label = runLabel(w.request);
            run.name = runName(w.request);
            run.outcome = w.outcome;
            if (w.record) run.record = parseCallRecord(*w.record);
            std::istringstream csv(w.csv);
            run.result = w.csv.empty() ? TrajectoryFile{std::nullopt, "no result file result.csv", ','}
                                       : parseTrajectory(csv, 0, "result.csv");
            run.shown = w.shown;
            settleRunEnd(run);
        }
    }
    const Run& operator()(const RunRequest& request) override {
        Run& run = runs[runLabel(request)];
        if (run.label.empty()) {
            run.request = request;
            run.label = runLabel(request);
            run.name = runName(request);
            run.skipped = true;
        }
        return run;
    }

private:
    std::map<std::string, Run> runs;
};

// The reference results probe 3 compares with: two rows per step.
std::string referenceCsv(double step) { return "time,height,velocity\n0,1,4\n" + std::to_string(step) + ",1.04,3.9\n"; }
// varnelle's with event mode: an event at the step's end, two rows at its
// time, the states the step returned and those after the rebound.
std::string eventModeReferenceCsv(double step) {
    return "time,height,velocity\n0,1,4\n" + std::to_string(step) + ",-0.01,-3\n" + std::to_string(step) + ",0,1.5\n";
}

class Verdicts : public testing::Test {
protected:
    static void SetUpTestSuite() {
        references = fs::temp_directory_path() / ("hostcheck-references-" + std::to_string(::getpid()));
        fs::create_directories(references);
        for (double step : referenceSteps()) {
            Settings settings;
            settings.references = references;
            std::ofstream(referenceFile(settings, step)) << referenceCsv(step);
            std::ofstream(referenceFile(settings, step, "varnelle")) << referenceCsv(step);
            std::ofstream(referenceFile(settings, step, "varnelle-event-mode")) << eventModeReferenceCsv(step);
        }
    }
    static void TearDownTestSuite() { fs::remove_all(references); }

    static ProbeResult judge(int probe, const std::vector<HandRun>& runs) {
        HandRuns hand(runs);
        Settings settings;
        settings.references = references;
        return runProbes(hand, settings, {probe}).at(0);
    }

    static inline fs::path references;
};

void expectVerdict(const ProbeResult& result, Verdict verdict, const std::string& evidence) {
    EXPECT_EQ(verdictName(result.verdict), std::string(verdictName(verdict))) << result.evidence;
    EXPECT_TRUE(std::regex_search(result.evidence, std::regex(evidence)))
        << "evidence: " << result.evidence << "\nexpected to contain: " << evidence;
}

// ---- The record reader --------------------------------------------------------

TEST(CallRecord, PairsEachCallWithItsReturnAndTheCallbacksMadeInside) {
    const CallRecord r = parseCallRecord(record({tressivoStarted(), eventUpdate(0),
                                         "> Rebounder_fmiSetString c=0x10 vr=[0] nvr=1 value=[\"a \\\"b\\\",[c]\\x01\"]",
                                         "log c=0x10 status=fmiFatal category=\"INFO\" message=\"a \\\"b\\\",[c]\\x01\"",
                                         "< Rebounder_fmiSetString c=0x10 status=fmiOK"}));
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    ASSERT_EQ(r.calls.size(), 4u);
    EXPECT_EQ(r.calls[0].name, "fmiInstantiateModel");
    EXPECT_EQ(r.calls[0].instance(), "0x10");
    EXPECT_EQ(r.calls[1].statusKind(), "OK");
    EXPECT_EQ(recordedPart(r.calls[2].results, "eventInfo", "iterationConverged"), "0");
    EXPECT_EQ(r.eventsInside(1).size(), 9u) << "fmiInitialize sent nine messages";
    const auto values = recordedList(*r.calls[3].arguments.find("value"));
    ASSERT_EQ(values.size(), 1u) << "a comma or bracket inside a quoted string splits nothing";
    EXPECT_EQ(recordedText(values[0]), std::optional<std::string>("a \"b\",[c]\x01"));
    EXPECT_TRUE(r.openCalls().empty());
}

TEST(CallRecord, AnEntryWithoutReturnIsWhereTheProcessEnded) {
    const CallRecord r = parseCallRecord(record({tressivoStarted(), eventUpdate(0), "> Rebounder_fmiEventUpdate c=0x10 intermediateResults=0"}));
    ASSERT_EQ(r.openCalls(), std::vector<std::size_t>{3});
    EXPECT_EQ(r.calls[3].name, "fmiEventUpdate");
}

TEST(CallRecord, AnotherFormatIsNoRecord) {
    EXPECT_FALSE(parseCallRecord("rebounder call record 2\n> fmi2GetVersion\n").problem.empty());
    EXPECT_TRUE(parseCallRecord("").problem.empty()) << "an empty file: no call reached the library";
}

TEST(CallRecord, AVeryLongRecordIsReadAtItsStartAndItsEnd) {
    const fs::path path = fs::temp_directory_path() / ("hostcheck-long-record-" + std::to_string(::getpid()));
    std::string text = record({tressivoStarted()}) + "> Rebounder_fmiEventUpdate c=0x10 intermediateResults=0\n";
    for (int i = 0; i < 2000; ++i) text += eventUpdate(0) + "\n";
    text += "> Rebounder_fmiEventUpdate c=0x10 intermediateResults=0\n";
    std::ofstream(path) << text;
    const auto r = readCallRecord(path, 8192);
    fs::remove(path);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->cut);
    EXPECT_EQ(r->calls[0].name, "fmiInstantiateModel");
    EXPECT_LT(r->calls.size(), 200u);
    ASSERT_EQ(r->openCalls().size(), 1u) << "the call open where the middle was left out counts as returned";
    EXPECT_EQ(r->openCalls()[0], r->calls.size() - 1);
}

// ---- What each call does, read from its version's table ------------------------

// Every function a component exports has a role in its version's table: one
// the table lacked would pass the calling-sequence check unjudged.
TEST(FunctionTables, EveryExportedFunctionHasARoleInItsVersion) {
    for (const std::string list : {"pellidor", "corvane", "tressivo", "fmi2-strict-host", "varnelle"}) {
        std::ifstream file(fs::path(REBOUNDER_EXPORT_LISTS) / (list + ".txt"));
        ASSERT_TRUE(file) << list;
        std::size_t read = 0;
        for (std::string name; std::getline(file, name);) {
            if (name.empty() || name[0] == '#') continue;
            ++read;
            const CallRecord r = parseCallRecord(record({"> " + name + " " + instance}));
            ASSERT_EQ(r.calls.size(), 1u) << name;
            EXPECT_NE(r.calls[0].role, Role::unknown) << name << " has no role";
            const FmiVersion version = list == "tressivo"   ? FmiVersion::fmi1
                                       : list == "varnelle" ? FmiVersion::fmi3
                                                            : FmiVersion::fmi2;
            EXPECT_EQ(r.calls[0].version, version) << name;
        }
        EXPECT_GT(read, 6u) << list;
    }
}

// A status is read in the spelling of the call's own version; another
// version's spelling is no status of that call.
TEST(FunctionTables, StatusesAreReadInTheCallsVersion) {
    struct Case {
        const char* function;
        const char* status;
        Status answer;
        const char* kind;
    };
    const Case cases[] = {
        {"fmi2DoStep", "fmi2Discard", Status::discard, "Discard"},
        {"fmi2DoStep", "fmi2Pending", Status::pending, "Pending"},
        {"fmi2SetReal", "fmi2Error", Status::error, "Error"},
        {"Rebounder_fmiSetTime", "fmiOK", Status::ok, "OK"},
        {"Rebounder_fmiEventUpdate", "fmiFatal", Status::fatal, "Fatal"},
        {"Rebounder_fmiSetTime", "fmi2OK", Status::none, ""},
        {"fmi2SetReal", "fmiWarning", Status::none, ""},
        {"fmi3DoStep", "fmi3Discard", Status::discard, "Discard"},
        {"fmi3UpdateDiscreteStates", "fmi3Fatal", Status::fatal, "Fatal"},
        {"fmi3DoStep", "fmi2Discard", Status::none, ""},
        {"fmi2DoStep", "fmi3Discard", Status::none, ""},
    };
    for (const Case& c : cases) {
        const CallRecord r = parseCallRecord(record({call(c.function, "", std::string("status=") + c.status)}));
        ASSERT_EQ(r.calls.size(), 1u) << c.function;
        EXPECT_EQ(r.calls[0].answer, c.answer) << c.function << " answering " << c.status;
        EXPECT_EQ(r.calls[0].statusKind(), c.kind) << c.function << " answering " << c.status;
    }
}

// ---- A host stalled where the rebounds accumulate ------------------------------------

// tressivo after its first rebound, then count events (fmiSetTime and one
// converged fmiEventUpdate each) spread evenly over span seconds of model
// time, ending just before the accumulation point; with span 0 all at one time.
std::string burstOfEvents(int count, double span) {
    const double end = expected::reboundsAccumulationTime() - 1e-4;
    std::string lines = tressivoStarted();
    for (int i = 0; i < count; ++i) {
        const double t = end - span + span * i / (count - 1);
        lines.append("\n").append(call("Rebounder_fmiSetTime", "time=" + number(t), "status=fmiOK"));
        lines.append("\n").append(eventUpdate(1));
    }
    return record({lines});
}

// The closed-form fall every 0.01 s, the first rebound at the exact contact,
// and a few rows of the rise after it.
std::string firstReboundCsv() {
    const double g = expected::startGravity, contact = expected::firstContactTime();
    std::string csv = "time,height,velocity\n";
    const auto row = [&](double t, double h, double v) { csv += number(t) + "," + number(h) + "," + number(v) + "\n"; };
    for (int n = 0; n * 0.01 < contact; ++n) {
        const double t = n * 0.01;
        row(t, expected::startHeight + expected::startVelocity * t + g * t * t / 2, expected::startVelocity + g * t);
    }
    row(contact, 0.0, expected::firstContactVelocity());
    row(contact, 0.0, expected::firstReboundVelocity());
    for (int k = 1; k <= 5; ++k) {
        const double dt = k * 0.01, v = expected::firstReboundVelocity();
        row(contact + dt, v * dt + g * dt * dt / 2, v + g * dt);
    }
    return csv;
}

Outcome exitedSaying(int code, const std::string& message) {
    Outcome o = exited(code);
    o.errors = message;
    return o;
}

// ---- Where a run ended, and whose subject ended it ---------------------------------

struct EndCase {
    const char* rule;
    std::string record;
    Outcome outcome;
    int probe;
    const char* where;
};

void PrintTo(const EndCase& c, std::ostream* out) { *out << c.rule; }

class RunEnds : public testing::TestWithParam<EndCase> {};

TEST_P(RunEnds, NameTheProbeWhoseSubjectEndedTheRun) {
    const EndCase& c = GetParam();
    const RunEnd end = runEnd(parseCallRecord(c.record), c.outcome, stopTime);
    EXPECT_EQ(probeOfSubject(end.subject), c.probe) << end.where;
    EXPECT_TRUE(std::regex_search(end.where, std::regex(c.where))) << end.where << "\nexpected: " << c.where;
}

INSTANTIATE_TEST_SUITE_P(
    HostCheck, RunEnds,
    testing::Values(
        EndCase{"RanToTheEnd", record({pellidorStarted(), setTime2(3.0), freed2()}), exited(0), 0, "^ran to t = 3$"},
        EndCase{"NothingInstantiated", "", exited(1), 0, "^stopped before instantiating anything"},
        EndCase{"NullStringDuringInitialisation",
                record({"library pellidor fmi=2.0 interface=x pid=1", "> fmi2Instantiate instanceName=\"i\" loggingOn=0",
                        "< fmi2Instantiate result=0x10", "> fmi2EnterInitializationMode c=0x10",
                        "< fmi2EnterInitializationMode c=0x10 status=fmi2OK", nullStrings2(), freed2()}),
                exited(3), 4, "^stopped at the first fmi2GetString of string0, during initialisation$"},
        EndCase{"CrashRightAfterANullString", record({corvaneStarted(), nullStrings2()}), crashed(), 4,
                "^crashed right after the first fmi2GetString of string0 handed out null, at t = 0$"},
        EndCase{"IterationKilledAtTheTimeLimit", record({tressivoStarted(), eventUpdates(50, 0)}), hung(), 5,
                "after 50 calls of fmiEventUpdate at t = 0, each answering iterationConverged=0"},
        EndCase{"KilledInsideAnEventUpdate",
                record({tressivoStarted(), eventUpdates(3, 0), "> Rebounder_fmiEventUpdate c=0x10 intermediateResults=0"}),
                hung(), 5, "after 4 calls of fmiEventUpdate at t = 0, each answering iterationConverged=0"},
        EndCase{"CrashInTheLogger",
                record({"library tressivo fmi=1.0 interface=modelExchange pid=1",
                        "> Rebounder_fmiInstantiateModel instanceName=\"t\" loggingOn=1", "< Rebounder_fmiInstantiateModel result=0x10",
                        "> Rebounder_fmiInitialize c=0x10 toleranceControlled=0 relativeTolerance=0",
                        logLine("fmiOK", "INFO", "Init #r0#=1")}),
                crashed(), 6, "^crashed in its logger, on the message \"Init #r0#=1\" that fmiInitialize"},
        EndCase{"StoppedAtTheDiscard", record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"), freed2()}), exited(1),
                7, "^stopped after fmi2DoStep\\(currentCommunicationPoint=0, communicationStepSize=1.5, "},
        // A burst: more than 100 events at distinct model times within 0.01 s.
        EndCase{"KilledInABurstOfEvents", burstOfEvents(101, 0.009), hung(), 2,
                "^was killed at the time limit at t = 2.232[0-9] in a burst of 101 events within 0.009 s of model time "
                "\\(more than 100 within 0.01 s\\), where the rebounds accumulate \\(t ≈ 2.2329\\)$"},
        EndCase{"AHundredEventsAreNoBurst", burstOfEvents(100, 0.009), hung(), 5,
                "after 1 call of fmiEventUpdate at t = 2.232"},
        EndCase{"EventsSpreadOverMoreThanTheSpanAreNoBurst", burstOfEvents(150, 0.02), hung(), 5,
                "after 1 call of fmiEventUpdate at t = 2.232"},
        // Updates at one model time are one event: an iteration, not a burst.
        // (A run killed right after an event update counts as killed in it.)
        EndCase{"IterationAtOneTimeIsNoBurst", burstOfEvents(150, 0.0), hung(), 5,
                "after 1 call of fmiEventUpdate at t = 2.232"},
        EndCase{"StoppedAtAnError",
                record({pellidorStarted(), setTime2(0.5), call("fmi2SetReal", "vr=[4] nvr=1 value=[1]", "status=fmi2Error")}),
                exited(1), 0, "^stopped after fmi2SetReal\\(vr=\\[4\\], nvr=1, value=\\[1\\]\\) answered fmi2Error, at t = 0.5$"}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.rule); });

// ---- Each probe's verdicts ------------------------------------------------------

struct VerdictCase {
    const char* rule;
    int probe;
    std::vector<HandRun> runs;
    Verdict verdict;
    const char* evidence;  // a regular expression the evidence contains
};

void PrintTo(const VerdictCase& c, std::ostream* out) { *out << c.rule; }

class ProbeVerdicts : public Verdicts, public testing::WithParamInterface<VerdictCase> {};

TEST_P(ProbeVerdicts, FollowFromTheRecord) {
    const VerdictCase& c = GetParam();
    expectVerdict(judge(c.probe, c.runs), c.verdict, c.evidence);
}

const std::string pellidorToTheEnd = record({pellidorStarted(), setTime2(3.0), freed2()});
const std::string pellidorStoppedAtStrings = record({pellidorStarted(), nullStrings2(), freed2()});
const std::string corvaneStoppedAtStrings = record({corvaneStarted(), nullStrings2(), freed2()});
const std::string shownExpanded = "Init height=1\nInit velocity=4\nInit gravity=-9.81\nInit restitution=0.5\n"
                                  "### Initializing component ###\nBad reference: #r-1#\nBad reference: #r1\n"
                                  "Bad reference: #t1#\nBad reference: #r10#\n";
const std::string corvaneCsv = "time,height,velocity\n0,1,4\n0.01,1.04,3.9\n";
const std::string discardCsv = "time,height,velocity\n0,1,4\n";

INSTANTIATE_TEST_SUITE_P(
    HostCheck, ProbeVerdicts,
    testing::Values(
        // 1. Optional functions: what the record shows of the default set.
        VerdictCase{"OptionalInstantiatedPass", 1, {{pellidorDefault, pellidorToTheEnd, exited(0)}}, Verdict::pass,
                    "^looks them up optionally: pellidor: instantiated, then ran to t = 3$"},
        VerdictCase{"OptionalStoppedLaterForStringsPass", 1, {{pellidorDefault, pellidorStoppedAtStrings, exited(3)}},
                    Verdict::pass, "instantiated, then stopped at the first fmi2GetString of string0, at t = 0: see probe 4"},
        VerdictCase{"OptionalRefusedNote", 1,
                    {{pellidorDefault, std::string(), exited(1)}, {pellidorStrict, pellidorToTheEnd, exited(0)}},
                    Verdict::note, "^refuses FMUs that lack optional functions.*instantiated nothing, exit status 1"},
        VerdictCase{"OptionalBothRefusedNotReached", 1,
                    {{pellidorDefault, std::string(), exited(1)}, {pellidorStrict, std::string(), exited(1)}},
                    Verdict::notReached, "neither this nor the strict-host one"},
        VerdictCase{"OptionalCrashBeforeInstantiatingFail", 1, {{pellidorDefault, std::string(), crashed()}},
                    Verdict::fail, "crashed before instantiating anything.*\\(killed by SIGSEGV\\)"},
        // 2. Model-exchange trajectory: no verdict on a run another probe's subject ended.
        VerdictCase{"TrajectoryStoppedForStringsNotReached", 2, {{pellidorStrict, pellidorStoppedAtStrings, exited(3)}},
                    Verdict::notReached, "^pellidor: stopped at the first fmi2GetString of string0, at t = 0: see probe 4$"},
        VerdictCase{"TrajectoryStoppedForNoProbeFail", 2,
                    {{pellidorStrict,
                      record({pellidorStarted(), setTime2(0.5),
                              call("fmi2SetContinuousStates", "x=[1,2] nx=2", "status=fmi2Error")}),
                      exited(1), "time,height,velocity\n"}},
                    Verdict::fail, "the CSV has no rows \\(stopped after fmi2SetContinuousStates.* answered fmi2Error, at t = 0.5"},
        // 2. A run that ended in a burst of events: the host's robustness, the first rebound still checked.
        VerdictCase{"TrajectoryKilledInABurstFail", 2, {{tressivoStrict, burstOfEvents(150, 0.005), hung(), firstReboundCsv()}},
                    Verdict::fail,
                    "^tressivo: was killed at the time limit at t = 2.232[0-9] in a burst of 150 events within 0.005 s .*"
                    "where the rebounds accumulate .*: the host bounds neither its events per time nor its smallest step; "
                    "first rebound: rebound at 1.0161 s"},
        VerdictCase{"TrajectoryStoppedInABurstPass", 2,
                    {{tressivoStrict, burstOfEvents(150, 0.005), exitedSaying(1, "too many events at t = 2.2328"),
                      firstReboundCsv()}},
                    Verdict::pass,
                    "^tressivo: stopped at t = 2.232[0-9] in a burst .*: the host stopped by itself, exit status 1 "
                    "\\('too many events at t = 2.2328'\\); first rebound: rebound at 1.0161 s"},
        VerdictCase{"TrajectoryStoppedSilentlyInABurstNote", 2,
                    {{tressivoStrict, burstOfEvents(150, 0.005), exited(0), firstReboundCsv()}}, Verdict::note,
                    "stopped by itself without telling its user, exit status 0; first rebound: rebound at 1.0161 s"},
        VerdictCase{"TrajectoryStoppedInABurstWrongReboundFail", 2,
                    {{tressivoStrict, burstOfEvents(150, 0.005), exitedSaying(1, "too many events"),
                      "time,height,velocity\n0,1,4\n0.5,1.77,-0.9\n"}},
                    Verdict::fail, "the host stopped by itself, .*; first rebound: no rebound: the velocity never turns upward"},
        VerdictCase{"TrajectoryKilledInABurstWithoutCsvFail", 2, {{tressivoStrict, burstOfEvents(150, 0.005), hung()}},
                    Verdict::fail, "smallest step; first rebound not checked: no result file result.csv$"},
        // 3. Co-simulation trajectory: the CSV against the reference, the steps from the record.
        VerdictCase{"CoSimulationExactPass", 3,
                    {{corvaneAtReference, record({corvaneStarted(), summedSteps(), freed2()}), exited(0), corvaneCsv}},
                    Verdict::pass, "bit for bit the reference; fmi2DoStep at points t \\+= h with step sizes h$"},
        VerdictCase{"CoSimulationCloseNote", 3,
                    {{corvaneAtReference, record({corvaneStarted(), multipliedSteps()}), exited(0),
                      "time,height,velocity\n0,1,4\n0.01,1.0400000000000003,3.9\n"}},
                    Verdict::note, "not bit for bit: fmi2DoStep at points n·h with step sizes \\(n\\+1\\)·h − n·h"},
        VerdictCase{"CoSimulationFewerDigitsNote", 3,
                    {{corvaneAtReference, record({corvaneStarted(), summedSteps()}), exited(0),
                      "time,height,velocity\n0,1,4\n0.01,1.0400000000000003,3.9\n"}},
                    Verdict::note, "the master steps as the reference's does \\(fmi2DoStep at points t \\+= h with step sizes h\\), "
                    "so the CSV holds its values with fewer digits"},
        VerdictCase{"CoSimulationDiffersFail", 3,
                    {{corvaneAtReference, record({corvaneStarted(), doStep("0", "0.01", "fmi2OK")}), exited(0),
                      "time,height,velocity\n0,1,4\n0.01,1.05,3.9\n"}},
                    Verdict::fail, "row at t = 0.01: height 1.05, reference 1.04"},
        VerdictCase{"CoSimulationStoppedForStringsNotReached", 3, {{corvaneAtReference, corvaneStoppedAtStrings, exited(3)}},
                    Verdict::notReached, "see probe 4$"},
        // 4. Strings never written: what the host did right after the null.
        VerdictCase{"StringsWentOnPass", 4,
                    {{pellidorStrict, record({pellidorStarted(), nullStrings2(), setTime2(3.0)}), exited(0)}},
                    Verdict::pass,
                    "fmi2GetString\\(vr=\\[0,1,2,3\\], nvr=4\\) handed out null for string0, at t = 0; the host went on and ran to t = 3"},
        VerdictCase{"StringsCleanRefusalNote", 4, {{pellidorStrict, pellidorStoppedAtStrings, exited(3)}}, Verdict::note,
                    "stopped cleanly right after fmi2GetString.* handed out null for string0, at t = 0: exit status 3"},
        VerdictCase{"StringsCrashFail", 4,
                    {{corvaneAtReference, record({corvaneStarted(), nullStrings2()}), crashed()},
                     {pellidorStrict, record({pellidorStarted(), nullStrings2(), setTime2(3.0)}), exited(0)}},
                    Verdict::fail, "^corvane h = 0.01: crashed right after the first fmi2GetString of string0 handed out null"},
        VerdictCase{"StringsWrittenFirstNotReached", 4,
                    {{tressivoStrict,
                      record({tressivoStarted(), call("Rebounder_fmiSetString", "vr=[0,1] nvr=2 value=[\"a\",\"b\"]", "status=fmiOK"),
                              call("Rebounder_fmiGetString", "vr=[0] nvr=1", "status=fmiOK value=[\"a\"]"), setTime1(3.0)}),
                      exited(0)}},
                    Verdict::notReached, "^tressivo: the host wrote string0, string1 before reading them$"},
        VerdictCase{"StringsNeverReadNotReached", 4, {{pellidorStrict, pellidorToTheEnd, exited(0)}}, Verdict::notReached,
                    "^pellidor: the host never read the strings$"},
        // 5. FMI 1.0 event iteration, from the fmiEventUpdate calls.
        VerdictCase{"EventsCappedPass", 5,
                    {{tressivoStrict, record({tressivoStarted(), eventUpdates(10, 0), setTime1(1.03), eventUpdate(1), setTime1(3)}),
                      exited(0)}},
                    Verdict::pass, "the iteration ends: 10 calls at t = 0 \\(ended unconverged\\); 1 call at t = 1.03 \\(converged\\)"},
        VerdictCase{"EventsOncePerEventPass", 5,
                    {{tressivoStrict, record({tressivoStarted(), eventUpdate(0), setTime1(1.03), eventUpdate(1), setTime1(3)}),
                      exited(0)}},
                    Verdict::pass, "does not iterate: one fmiEventUpdate call per event \\(2\\)"},
        VerdictCase{"EventsUnconvergedInitialisationPassedOverPass", 5,
                    {{tressivoStrict, record({tressivoStarted(), setTime1(1.03), eventUpdate(1), setTime1(3)}), exited(0)}},
                    Verdict::pass,
                    "^tressivo: fmiInitialize answered iterationConverged=0 and the host went on without fmiEventUpdate; "
                    "the iteration ends: 1 call at t = 1.03 \\(converged\\)$"},
        VerdictCase{"EventsEndlessFail", 5, {{tressivoStrict, record({tressivoStarted(), eventUpdates(40, 0)}), hung()}},
                    Verdict::fail, "the iteration never ends: the host was killed at the time limit after 40 calls of fmiEventUpdate"},
        VerdictCase{"EventsStoppedAtStringsNotReached", 5,
                    {{tressivoStrict, record({tressivoStarted(), nullStrings1()}), exited(3)}}, Verdict::notReached,
                    "no fmiEventUpdate call; the run stopped at the first fmiGetString of string0, at t = 0: see probe 4"},
        // 6. Log messages: the record's messages against what the host showed.
        VerdictCase{"LogExpandedPass", 6, {{tressivoStrict, record({tressivoStarted(), setTime1(3)}), exited(0), "", shownExpanded}},
                    Verdict::pass, "9 messages sent, every one shown, references expanded, malformed ones as sent"},
        VerdictCase{"LogAsSentNote", 6,
                    {{pellidorStrict, pellidorToTheEnd, exited(0), "",
                      "###### Initializing component ######\nInit #r0#=1\nInit #r1#=4\nInit #r2#=-9.81\nInit #r3#=0.5\n"}},
                    Verdict::note, "references not expanded: 'Init #r0#=1' \\(INFO\\) shown as sent"},
        VerdictCase{"LogLostFail", 6,
                    {{pellidorStrict, pellidorToTheEnd, exited(0), "",
                      "### Initializing component ###\nInit height=1\nInit velocity=4\nInit restitution=0.5\n"}},
                    Verdict::fail, "lost or mangled: 'Init #r2#=-9.81' \\(INFO\\)"},
        VerdictCase{"LogCategoryFilteredNote", 6,
                    {{tressivoStrict, record({tressivoStarted(), setTime1(3)}), exited(0), "",
                      "### Initializing component ###\nInit height=1\nInit velocity=4\nInit gravity=-9.81\nInit restitution=0.5\n"}},
                    Verdict::note, "no message of category ERROR shown"},
        VerdictCase{"LogRawFormatFail", 6,
                    {{pellidorStrict, pellidorToTheEnd, exited(0), "", "[0] INFO: Init #r%d#=%g\n"}}, Verdict::fail,
                    "a format printed without its arguments: '\\[0\\] INFO: Init #r%d#=%g'"},
        VerdictCase{"LogOutputOfAKilledRunNotReached", 6,
                    {{tressivoStrict, record({tressivoStarted(), eventUpdates(40, 0)}), hung(), "", ""}}, Verdict::notReached,
                    "9 messages sent; 9 not in the output of a run that was killed, which may have lost them"},
        VerdictCase{"LogNoMessageNotReached", 6,
                    {{pellidorStrict, record({pellidorStarted(0), setTime2(3.0)}), exited(0), "", ""}}, Verdict::notReached,
                    "the host passed loggingOn=0"},
        VerdictCase{"LogCrashInLoggerFail", 6,
                    {{tressivoStrict,
                      record({"> Rebounder_fmiInstantiateModel instanceName=\"t\" loggingOn=1", "< Rebounder_fmiInstantiateModel result=0x10",
                              "> Rebounder_fmiInitialize c=0x10 toleranceControlled=0 relativeTolerance=0",
                              logLine("fmiOK", "INFO", "Init #r0#=1")}),
                      crashed(), "", ""}},
                    Verdict::fail, "crashed in its logger"},
        // 7. Discard: no fmi2DoStep on the instance after it.
        VerdictCase{"DiscardStopPass", 7,
                    {{corvaneAtDiscard,
                      record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"),
                              call("fmi2GetRealStatus", "s=fmi2LastSuccessfulTime", "status=fmi2OK value=0.01"),
                              call("fmi2Terminate", "", "status=fmi2OK"), freed2()}),
                      exited(0), discardCsv}},
                    Verdict::pass,
                    "answered fmi2Discard; then fmi2GetRealStatus, fmi2Terminate, fmi2FreeInstance, no further fmi2DoStep; "
                    "exit status 0 does not tell the user the run ended early; the CSV, which ends at t = 0, does$"},
        VerdictCase{"DiscardRetryFail", 7,
                    {{corvaneAtDiscard,
                      record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"), doStep("0", "0.75", "fmi2OK")}), exited(0),
                      "time,height,velocity\n0,1,4\n0.75,1,1\n1.5,1,1\n3,1,1\n"}},
                    Verdict::fail,
                    "then fmi2DoStep\\(currentCommunicationPoint=0, communicationStepSize=0.75, noSetFMUStatePriorToCurrentPoint=1\\) "
                    "on the same instance \\(a retry from the same point\\); neither exit status 0 nor the CSV, which ends at t = 3, tells"},
        VerdictCase{"DiscardGoingOnFail", 7,
                    {{corvaneAtDiscard, record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"), doStep("1.5", "1.5", "fmi2Discard")}),
                      exited(0), discardCsv}},
                    Verdict::fail, "\\(a step from a later point\\)"},
        VerdictCase{"DiscardCrashFail", 7,
                    {{corvaneAtDiscard, record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard")}), crashed()}}, Verdict::fail,
                    "answered fmi2Discard; then the host crashed"},
        VerdictCase{"DiscardNeverReachedNotReached", 7, {{corvaneAtDiscard, corvaneStoppedAtStrings, exited(3)}},
                    Verdict::notReached, "^corvane h = 1.5: stopped at the first fmi2GetString of string0, at t = 0: see probe 4$"},
        // FMUs without a record: the outside-only judgement, which says so.
        VerdictCase{"OutsideOnlyStringsCrashFail", 4, {{pellidorStrict, std::nullopt, crashed()}}, Verdict::fail,
                    "crashed with string0 to string3 never written.*\\(judged from the outside: these FMUs keep no call record\\)$"},
        VerdictCase{"OutsideOnlyDiscardNote", 7, {{corvaneAtDiscard, std::nullopt, exited(1), discardCsv}}, Verdict::note,
                    "the calls after the Discard cannot be seen; .*\\(judged from the outside: these FMUs keep no call record\\)$"}),
    [](const testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.rule); });

// The advice for a host killed in a burst is to bound its events, not how
// to integrate; a host that also met the first rebound wrongly gets both.
TEST_F(Verdicts, ABurstIsAdvisedToBoundTheEventsAndAWrongReboundToIntegrate) {
    const std::string bound = "^Bound the number of events per unit of model time or the smallest step, and stop with "
                              "a message when the bound is reached.";
    const ProbeResult stalled = judge(2, {{tressivoStrict, burstOfEvents(150, 0.005), hung(), firstReboundCsv()}});
    EXPECT_TRUE(std::regex_search(stalled.fix, std::regex(bound + "$"))) << stalled.fix;
    const ProbeResult both = judge(2, {{tressivoStrict, burstOfEvents(150, 0.005), hung(), "time,height,velocity\n0,1,4\n"},
                                       {pellidorStrict, pellidorToTheEnd, exited(0), firstReboundCsv()}});
    EXPECT_TRUE(std::regex_search(both.fix, std::regex(bound + " Integrate the states"))) << both.fix;
    // The other probes point at the burst instead of judging the run.
    const ProbeResult optional = judge(1, {{pellidorDefault, burstOfEvents(150, 0.005), hung()}});
    EXPECT_TRUE(std::regex_search(optional.evidence, std::regex("accumulate \\(t ≈ 2.2329\\): see probe 2$")))
        << optional.evidence;
}

// The burst's figures hold for the model: the rebounds, flight after flight
// from the first contact (each 2v/9.81 at the restitution times the speed
// before), stay at distinct model times fewer than half the threshold within
// the last span before they accumulate, and accumulate where the evidence says.
TEST(EventBurst, ThresholdLiesAboveTwiceTheReboundsTheModelHoldsInItsSpan) {
    std::vector<double> rebounds{expected::firstContactTime()};
    for (double v = expected::firstImpactSpeed() * expected::startRestitution;; v *= expected::startRestitution) {
        const double next = rebounds.back() + 2.0 * v / -expected::startGravity;
        if (next == rebounds.back()) break;
        rebounds.push_back(next);
    }
    const double accumulation = rebounds.back();
    EXPECT_NEAR(accumulation, expected::reboundsAccumulationTime(), 1e-12);
    const auto inSpan = std::count_if(rebounds.begin(), rebounds.end(),
                                      [&](double t) { return t > accumulation - burstSpan; });
    EXPECT_GT(inSpan, 40) << "the model crowds its rebounds into the span";
    EXPECT_LT(2 * static_cast<std::size_t>(inSpan), burstEvents);
    EXPECT_LE(burstSpan / modelExchangeStep, 1.0) << "a fixed-step host at the output interval finds one event per span";
}

// ---- Selecting probes -------------------------------------------------------------

TEST(ProbeSelection, ByNameOrNumber) {
    const DefaultLocations defaults{"fmus", "references"};
    const auto parsed = parseOptions({"--host", "h {fmu} {csv}", "--probes", "discard,strings,1"}, defaults);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->probes, (std::vector<int>{7, 4, 1}));
    EXPECT_FALSE(parseOptions({"--host", "h {fmu} {csv}", "--probes", "16"}, defaults).options);
    EXPECT_FALSE(parseOptions({"--host", "h {fmu} {csv}", "--probes", "string"}, defaults).options);
    EXPECT_TRUE(parseOptions({"--version"}, defaults).versionRequested);
    // Every probe of the table by its name, the FMI 3.0 ones included.
    for (const Probe& probe : probeTable()) {
        const auto byName = parseOptions({"--host", "h {fmu} {csv}", "--probes", std::string(probe.name)}, defaults);
        ASSERT_TRUE(byName.options) << probe.name << ": " << byName.error;
        EXPECT_EQ(byName.options->probes, std::vector<int>{probe.number}) << probe.name;
    }
}

// Several --host, each named by the --label after it or numbered; the
// first is the settings' template.
TEST(CommandLine, SeveralHostsEachLabelled) {
    const DefaultLocations defaults{"fmus", "references"};
    const auto parsed = parseOptions({"--host", "a {fmu} {csv}", "--label", "plain", "--host", "b {fmu} {csv}"}, defaults);
    ASSERT_TRUE(parsed.options) << parsed.error;
    ASSERT_EQ(parsed.options->hosts.size(), 2u);
    EXPECT_EQ(parsed.options->hosts[0].label, "plain");
    EXPECT_EQ(parsed.options->hosts[1].label, "host 2");
    EXPECT_EQ(parsed.options->hosts[1].command, "b {fmu} {csv}");
    EXPECT_EQ(parsed.options->settings.hostTemplate, "a {fmu} {csv}");
    const auto refused = [&](std::vector<std::string> arguments) { return parseOptions(arguments, defaults).error; };
    EXPECT_EQ(refused({"--label", "x", "--host", "a {fmu} {csv}"}),
              "--label names the --host given before it: give --host first");
    EXPECT_EQ(refused({"--host", "a {fmu} {csv}", "--label", "x", "--host", "b {fmu} {csv}", "--label", "x"}),
              "two --host carry the label 'x'");
    EXPECT_EQ(refused({"--host", "a {fmu} {csv}", "--host", "b {csv}"}), "host 2: the template lacks {fmu}");
    EXPECT_EQ(refused({"--host", "b {csv}"}), "the template lacks {fmu}") << "one template is told as before";
}

// Options with a value take it as the next argument or after '='; a flag
// takes none; the first bad argument is named.
TEST(CommandLine, ReadsEachOptionByItsTable) {
    const DefaultLocations defaults{"fmus", "references"};
    struct Case {
        std::vector<std::string> arguments;
        const char* error;  // empty: accepted
    };
    const Case cases[] = {
        {{"--host=h {fmu} {csv}", "--time-limit=5", "--keep-runs"}, ""},
        {{"--host", "h {fmu} {csv}", "--separator", "tab", "--interface", "cs"}, ""},
        {{"--host", "h {fmu} {csv}", "--keep-runs=1"}, "unknown option '--keep-runs=1'"},
        {{"--host", "h {fmu} {csv}", "extra"}, "unknown option 'extra'"},
        {{"--host", "h {fmu} {csv}", "--json"}, "--json needs a value"},
        {{"--host", "h {fmu} {csv}", "--interface", "me,xx"}, "--interface takes me, cs or me,cs, not 'me,xx'"},
        {{"--host", "h {fmu} {csv}", "--time-limit", "0"}, "--time-limit needs a number of seconds above 0"},
        {{"--time-limit", "5"}, "no host given"},
        {{"--host", "h {fmu} {csv} --{interface}", "--fmi-versions", "3"}, ""},
        {{"--host", "h {fmu} {csv}", "--fmi-versions", "2,4"}, "--fmi-versions takes 1, 2, 3 or a list of them"},
        {{"--host", "h {fmu} {csv} {interfaces}"}, "unknown placeholder {interfaces}"},
    };
    for (const Case& c : cases) {
        const ParseResult parsed = parseOptions(c.arguments, defaults);
        if (*c.error == '\0') {
            EXPECT_TRUE(parsed.options) << c.arguments.front() << ": " << parsed.error;
        } else {
            EXPECT_FALSE(parsed.options) << c.error;
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        }
    }
    // FMI 3.0 runs only when asked for: the defaults check an FMI 1.0/2.0 host as before.
    const auto versions = [&](std::vector<std::string> arguments) {
        const auto options = parseOptions(arguments, defaults).options;
        return options ? std::array{options->settings.fmi1, options->settings.fmi2, options->settings.fmi3}
                       : std::array{false, false, false};
    };
    EXPECT_EQ(versions({"--host=h {fmu} {csv}"}), (std::array{true, true, false}));
    EXPECT_EQ(versions({"--host=h {fmu} {csv}", "--fmi-versions", "3,1"}), (std::array{true, false, true}));
    const auto parsed = parseOptions({"--host=h {fmu} {csv}", "--time-limit=5", "--separator", "tab"}, defaults);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->settings.hostTemplate, "h {fmu} {csv}");
    EXPECT_EQ(parsed.options->settings.timeLimit, 5.0);
    EXPECT_EQ(parsed.options->settings.separator, '\t');
    EXPECT_EQ(parsed.options->settings.strictFmus, fs::path("fmus") / "strict-host");
}

// ---- Probes 8 to 11: the record's instances, blocks and order ------------------

const RunRequest pellidorRefused{FmuSet::otherGuid, "pellidor", modelExchangeStep};
const std::string terminate2 = call("fmi2Terminate", "", "status=fmi2OK");
const std::string continuousTime = call("fmi2EnterContinuousTimeMode", "", "status=fmi2OK");
const std::string refusedInstantiation =
    "library pellidor fmi=2.0 interface=x pid=1\n> fmi2Instantiate instanceName=\"i\" fmuType=fmi2ModelExchange "
    "fmuGUID=\"{other}\" allocateMemory=0x3 freeMemory=0x4 loggingOn=1\n< fmi2Instantiate result=null";

// Steps of 0.01 from points n·h: at the sixth the point is an ulp from the
// previous point plus the step.
std::string multipliedPointsSteps() {
    std::string lines;
    for (int n = 0; n < 8; ++n) {
        lines.append(n ? "\n" : "").append(doStep(number(n * 0.01), number(0.01), "fmi2OK"));
    }
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    RecordProbes, ProbeVerdicts,
    testing::Values(
        // 8. Lifecycle: each instance freed once, nothing after its release.
        VerdictCase{"LifecycleAddressReusedPass", 8,
                    {{pellidorStrict, record({pellidorStarted(), freed2(), pellidorStarted(), freed2()}), exited(0)}},
                    Verdict::pass, "^pellidor: each instance freed once"},
        VerdictCase{"LifecycleLeakAfterDiscardFail", 8,
                    {{corvaneAtDiscard, record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard")}), exited(1)}},
                    Verdict::fail, "^corvane h = 1.5: the instance \"i\" \\(0x10\\) never freed; the run stopped after fmi2DoStep"},
        VerdictCase{"LifecycleSecondFreeFail", 8, {{pellidorStrict, record({pellidorStarted(), freed2(), freed2()}), exited(0)}},
                    Verdict::fail, "\\(0x10\\) was freed a second time: fmi2FreeInstance\\(\\)"},
        VerdictCase{"LifecycleCallAfterFreeFail", 8,
                    {{pellidorStrict, record({pellidorStarted(), freed2(), setTime2(1)}), exited(0)}}, Verdict::fail,
                    "\\(0x10\\) was called after its release: fmi2SetTime\\(time=1\\)"},
        VerdictCase{"LifecycleCrashNotReached", 8, {{pellidorStrict, record({pellidorStarted()}), crashed()}},
                    Verdict::notReached, "killed by SIGSEGV"},
        // 9. Memory callbacks: zeroed blocks, none overlapping, an allocator given.
        VerdictCase{"MemoryPass", 9, {{pellidorStrict, pellidorToTheEnd, exited(0)}}, Verdict::pass,
                    "^pellidor: every block zeroed, none overlapping"},
        VerdictCase{"MemoryNotZeroedFail", 9,
                    {{pellidorStrict, record({pellidorStarted(), "alloc count=2 size=1 block=0x9000 zeroed=0", freed2()}),
                      exited(0)}},
                    Verdict::fail, "allocateMemory\\(2, 1\\) returned a block with a non-zero byte: allocateMemory must return zeroed memory: use calloc"},
        VerdictCase{"MemoryOverlapFail", 9,
                    {{pellidorStrict,
                      record({pellidorStarted(), "> fmi2SetString c=0x10 vr=[0] nvr=1 value=[\"a\"]",
                              "alloc count=2 size=1 block=0x20 zeroed=1", "< fmi2SetString c=0x10 status=fmi2OK"}),
                      exited(0)}},
                    Verdict::fail, "allocateMemory\\(2, 1\\) in fmi2SetString.* returned 0x20, which overlaps a block still in use"},
        VerdictCase{"MemoryNoAllocatorFail", 9,
                    {{pellidorStrict,
                      record({"> fmi2Instantiate instanceName=\"i\" fmuType=fmi2ModelExchange allocateMemory=null freeMemory=0x4",
                              "< fmi2Instantiate result=null"}),
                      exited(1)}},
                    Verdict::fail, "fmi2Instantiate was given no allocateMemory \\(null\\)"},
        // 10. Calling sequence: the state tables, the step continuity, no getter after a setter.
        VerdictCase{"SequenceModelExchangePass", 10,
                    {{pellidorStrict, record({pellidorStarted(), continuousTime, setTime2(3.0), terminate2, freed2()}), exited(0)}},
                    Verdict::pass, "^pellidor: each call allowed in its state$"},
        VerdictCase{"SequenceCoSimulationPass", 10,
                    {{corvaneAtReference, record({corvaneStarted(), summedSteps(), terminate2, freed2()}), exited(0)}},
                    Verdict::pass, "^corvane h = 0.01: each call allowed in its state$"},
        VerdictCase{"SequenceSetTimeInEventModeFail", 10, {{pellidorStrict, pellidorToTheEnd, exited(0)}}, Verdict::fail,
                    "fmi2SetTime\\(time=3\\) in Event Mode, allowed only in Continuous-Time Mode; the calls before: "
                    "fmi2SetupExperiment.*, fmi2EnterInitializationMode\\(\\) -> fmi2OK, fmi2ExitInitializationMode\\(\\) -> fmi2OK$"},
        VerdictCase{"SequenceAfterErrorFail", 10,
                    {{pellidorStrict,
                      record({pellidorStarted(), call("fmi2SetReal", "vr=[9] nvr=1 value=[1]", "status=fmi2Error"), continuousTime}),
                      exited(0)}},
                    Verdict::fail, "fmi2EnterContinuousTimeMode\\(\\) in error"},
        VerdictCase{"SequenceFmi1AfterTerminateFail", 10,
                    {{tressivoStrict, record({tressivoStarted(), call("Rebounder_fmiTerminate", "", "status=fmiOK"), setTime1(1)}),
                      exited(0)}},
                    Verdict::fail, "fmiSetTime\\(time=1\\) in terminated, allowed only in instantiated, initialised"},
        VerdictCase{"SequenceStepAfterDiscardFail", 10,
                    {{corvaneAtDiscard,
                      record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"), doStep("0", "0.75", "fmi2OK")}), exited(0)}},
                    Verdict::fail, "fmi2DoStep\\(currentCommunicationPoint=0, communicationStepSize=0.75, .*\\) in stepFailed"},
        VerdictCase{"SequenceStepSkipsAheadFail", 10,
                    {{corvaneAtReference, record({corvaneStarted(), doStep("0", "0.01", "fmi2OK"), doStep("0.02", "0.01", "fmi2OK")}),
                      exited(0)}},
                    Verdict::fail, "communicationStepSize=0.01.*\\) skips ahead: the previous step ended at 0.01"},
        VerdictCase{"SequenceStepGoesBackFail", 10,
                    {{corvaneAtReference, record({corvaneStarted(), doStep("0", "0.01", "fmi2OK"), doStep("0.005", "0.01", "fmi2OK")}),
                      exited(0)}},
                    Verdict::fail, "currentCommunicationPoint=0.005.* goes back: the previous step ended at 0.01;"},
        VerdictCase{"SequenceStepSizeZeroFail", 10,
                    {{corvaneAtReference, record({corvaneStarted(), doStep("0", "0", "fmi2OK")}), exited(0)}},
                    Verdict::fail, "the step size must be above 0"},
        VerdictCase{"SequenceMultipliedPointsNote", 10,
                    {{corvaneAtReference, record({corvaneStarted(), multipliedPointsSteps(), freed2()}), exited(0)}},
                    Verdict::note, "fmi2DoStep points up to 1 ulps from where the previous step ended"},
        VerdictCase{"SequenceGetterAfterSetterFail", 10,
                    {{corvaneAtReference,
                      record({corvaneStarted(), doStep("0", "0.01", "fmi2OK"),
                              call("fmi2SetReal", "vr=[2] nvr=1 value=[-9]", "status=fmi2OK"),
                              call("fmi2GetReal", "vr=[0] nvr=1", "status=fmi2OK value=[1]")}),
                      exited(0)}},
                    Verdict::fail, "fmi2GetReal\\(vr=\\[0\\], nvr=1\\) after fmi2SetReal\\(vr=\\[2\\], nvr=1, value=\\[-9\\]\\) without fmi2DoStep in between"},
        // 11. Instantiation refused: no crash, no call with the null instance.
        VerdictCase{"RefusedReportedPass", 11, {{pellidorRefused, record({refusedInstantiation}), exited(1)}}, Verdict::pass,
                    "^pellidor: fmi2Instantiate returned null; no call with the null instance, then ended with exit status 1$"},
        VerdictCase{"RefusedCallOnNullFail", 11,
                    {{pellidorRefused,
                      record({refusedInstantiation, "> fmi2SetupExperiment c=null toleranceDefined=0 tolerance=0 startTime=0",
                              "< fmi2SetupExperiment c=null status=fmi2Fatal"}),
                      crashed()}},
                    Verdict::fail, "returned null; then fmi2SetupExperiment\\(.*\\) with the null instance \\(killed by SIGSEGV\\)$"},
        VerdictCase{"RefusedCrashFail", 11, {{pellidorRefused, record({refusedInstantiation}), crashed()}}, Verdict::fail,
                    "returned null; then the host crashed"},
        VerdictCase{"RefusedNoInstantiationNotReached", 11, {{pellidorRefused, record({}), exited(1)}},
                    Verdict::notReached, "no instantiation; the host exit status 1"},
        // A host that ignores the description's GUID is never refused: a crash
        // later, for another reason, is not this probe's to judge.
        VerdictCase{"RefusedNeverMetNotReached", 11, {{pellidorRefused, record({pellidorStarted()}), crashed()}},
                    Verdict::notReached, "^pellidor: the instantiation was not refused.*; the run then ended: "}),
    [](const testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.rule); });

// ---- What the report writes beside the table -------------------------------------

// A fall, a rebound and a rise: enough rows for a curve and its first rebound.
const std::string bouncingCsv = "time,height,velocity\n0,1,4\n0.5,1.2,-1\n1,0.1,-6\n1.05,0.05,3\n1.5,0.4,-1\n";

// Whether xmllint reads the file as well-formed XML.
bool wellFormed(const std::string& text) {
    const fs::path path = fs::temp_directory_path() / ("hostcheck-xml-" + std::to_string(::getpid()));
    std::ofstream(path) << text;
    const int status = std::system(("'" + std::string(REBOUNDER_XMLLINT) + "' --noout '" + path.string() + "'").c_str());
    fs::remove(path);
    return status == 0;
}

std::size_t occurrences(const std::string& text, const std::regex& pattern) {
    return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {}));
}

TEST_F(Verdicts, ReportPlotsEachTrajectoryProbeWithItsCurvesAndLinksThem) {
    HandRuns hand({{pellidorStrict, pellidorToTheEnd, exited(0), bouncingCsv},
                   {corvaneAtReference, record({corvaneStarted(), summedSteps()}), exited(0), bouncingCsv}});
    Settings settings;
    settings.references = references;
    const std::vector<ProbeResult> results = runProbes(hand, settings, {2, 3, 8});
    const std::vector<Plot> plots = trajectoryPlots(results);
    ASSERT_EQ(plots.size(), 2u) << "one plot per trajectory probe, none for probe 8";
    const std::regex hostCurve("<polyline class='host'[^>]* points='([0-9.]+,[0-9.]+ ){5}'");
    for (const Plot& plot : plots) {
        SCOPED_TRACE(plot.file);
        EXPECT_TRUE(wellFormed(plot.svg));
        EXPECT_EQ(occurrences(plot.svg, hostCurve), 2u) << "the host's height and velocity, every row";
        EXPECT_EQ(occurrences(plot.svg, std::regex("<circle class='rebound'")), 2u);
        for (const char* axis : {">time \\(s\\)<", ">height \\(m\\)<", ">velocity \\(m/s\\)<"}) {
            EXPECT_TRUE(std::regex_search(plot.svg, std::regex(axis))) << axis;
        }
    }
    EXPECT_EQ(plots[0].file, "2-model-exchange.svg");
    EXPECT_EQ(occurrences(plots[0].svg, std::regex("<line class='floor'")), 1u);
    EXPECT_EQ(occurrences(plots[0].svg, std::regex("<line class='contact'")), 2u);
    EXPECT_EQ(occurrences(plots[1].svg, std::regex("<polyline class='reference'[^>]* points='([0-9.]+,[0-9.]+ ){2}'")), 2u)
        << "the reference's two rows, height and velocity";

    Summary summary{settings, results, 1.0, 2, true};
    summary.plots = {{2, "report-2-model-exchange.svg"}, {3, "report-3-co-simulation.svg"}};
    const std::string markdown = markdownReport(summary);
    EXPECT_TRUE(std::regex_search(markdown, std::regex("\\]\\(report-2-model-exchange.svg\\)")));
    EXPECT_TRUE(std::regex_search(markdown, std::regex("\\]\\(report-3-co-simulation.svg\\)")));
    EXPECT_TRUE(std::regex_search(markdown, std::regex("## 8. Lifecycle: fail[^#]*Its last calls:\n\n  ```\n[^`]*fmi2DoStep")))
        << "a failed probe shows where the record ends";
}

TEST_F(Verdicts, JUnitHasOneCasePerProbeWithTheElementOfItsVerdict) {
    HandRuns hand({{corvaneAtReference, record({corvaneStarted(), doStep("0", "0.01", "fmi2OK")}), exited(0),
                    "time,height,velocity\n0,1,4\n0.01,1.0400000000000003,3.9\n"},
                   {pellidorRefused, record({}), exited(1)}});
    Settings settings;
    settings.references = references;
    settings.hostTemplate = "host <&> {fmu}";
    // 3 note, 5 skip (no tressivo run), 8 fail (never freed), 9 pass, 11 not reached.
    const std::vector<ProbeResult> results = runProbes(hand, settings, {3, 5, 8, 9, 11});
    const std::string junit = junitReport(Summary{settings, results, 1.0, 2, true});
    ASSERT_TRUE(wellFormed(junit)) << junit;
    EXPECT_EQ(occurrences(junit, std::regex("<testcase ")), 5u);
    EXPECT_TRUE(std::regex_search(junit, std::regex("<testsuite [^>]*tests=\"5\" failures=\"1\" errors=\"0\" skipped=\"2\"")));
    const auto testcase = [&](const std::string& name) {
        std::smatch m;
        std::regex_search(junit, m, std::regex("<testcase [^>]*name=\"" + name + "\"[^>/]*(/>|>((.|\n)*?)</testcase>)"));
        return m.size() > 2 ? m[0].str() : std::string();
    };
    EXPECT_TRUE(std::regex_search(testcase("3. Co-simulation trajectory"), std::regex("<system-out>note: .*not bit for bit")));
    EXPECT_TRUE(std::regex_search(testcase("5. FMI 1.0 event iteration"), std::regex("<skipped message=\"skip: ")));
    EXPECT_TRUE(std::regex_search(testcase("8. Lifecycle"), std::regex("<failure message=\"corvane h = 0.01: the instance .*never freed")));
    EXPECT_TRUE(std::regex_search(testcase("9. Memory callbacks"), std::regex("/>$")));
    EXPECT_TRUE(std::regex_search(testcase("11. Instantiation refused"), std::regex("<skipped message=\"not reached: ")));
}

// Two templates of one host judged on runs of their own, reported side by
// side; one template alone is reported exactly as before.
TEST_F(Verdicts, SeveralTemplatesAreReportedSideBySide) {
    HandRuns copes({{pellidorStrict, pellidorToTheEnd, exited(0), "", shownExpanded}});
    HandRuns mangles({{pellidorStrict, pellidorToTheEnd, exited(0), "", "[0] INFO: Init #r%d#=%g\n"}});
    Settings first, second;
    first.hostTemplate = "host {fmu} {csv}";
    second.hostTemplate = "host {fmu} {csv} --raw";
    const std::vector<ProbeResult> firstResults = runProbes(copes, first, {6, 8});
    const std::vector<ProbeResult> secondResults = runProbes(mangles, second, {6, 8});
    Summary alone{first, firstResults, 1.0, 1, true};
    EXPECT_EQ(terminalTable(std::vector<Summary>{alone}), terminalTable(alone));
    EXPECT_EQ(jsonReport(std::vector<Summary>{alone}), jsonReport(alone));
    EXPECT_EQ(junitReport(std::vector<Summary>{alone}), junitReport(alone));
    EXPECT_EQ(markdownReport(std::vector<Summary>{alone}), markdownReport(alone));

    std::vector<Summary> both{alone, Summary{second, secondResults, 2.0, 1, true}};
    both[0].label = "plain";
    both[1].label = "raw messages";
    EXPECT_TRUE(anyFailed(both)) << "the second template's probe 6";
    const std::string table = terminalTable(both);
    EXPECT_TRUE(std::regex_search(table, std::regex("\nprobe +plain +raw messages\n6\\. Log messages +PASS +FAIL\n"
                                                    "8\\. Lifecycle +PASS +PASS\n")))
        << table;
    EXPECT_TRUE(std::regex_search(table, std::regex("   raw messages: FAIL: pellidor: a format printed without its "
                                                    "arguments.*\n     -> the host should: Format each")))
        << table;
    const std::string junit = junitReport(both);
    ASSERT_TRUE(wellFormed(junit)) << junit;
    EXPECT_TRUE(std::regex_search(junit, std::regex("<testsuites [^>]*tests=\"4\" failures=\"1\"")));
    EXPECT_EQ(occurrences(junit, std::regex("<testsuite name=\"rebounder-hostcheck: (plain|raw messages)\"")), 2u);
    EXPECT_TRUE(std::regex_search(junit, std::regex("classname=\"rebounder-hostcheck.raw messages\" name=\"6. Log "
                                                    "messages\"[^>]*>\n *<failure")));
    const std::string json = jsonReport(both);
    EXPECT_TRUE(std::regex_search(json, std::regex("^\\{\n  \"failed\": true,\n  \"templates\": \\[\n    \\{\n      "
                                                   "\"label\": \"plain\",\n      \"host\": \"host \\{fmu\\} \\{csv\\}\"")))
        << json;
    EXPECT_EQ(occurrences(json, std::regex("\n      \"label\": \"(plain|raw messages)\",\n")), 2u) << "one object per template";
    EXPECT_EQ(occurrences(json, std::regex("\"number\": 6, \"name\": \"log\"")), 2u);
}

// ---- FMI 3.0 records ------------------------------------------------------------

// varnelle instantiated and initialised from t = 0: model exchange, or
// co-simulation with or without event mode, an intermediate-update callback
// and early return allowed.
std::string varnelleStarted(const std::string& instantiation) {
    return "library varnelle fmi=3.0 interface=modelExchange,coSimulation pid=1\n> " + instantiation +
           "\n< " + instantiation.substr(0, instantiation.find(' ')) + " result=0x10\n" +
           call("fmi3EnterInitializationMode",
                "toleranceDefined=0 tolerance=0 startTime=0 stopTimeDefined=1 stopTime=3", "status=fmi3OK") +
           "\n" + call("fmi3ExitInitializationMode", "", "status=fmi3OK");
}
std::string varnelleMe() {
    return varnelleStarted("fmi3InstantiateModelExchange instanceName=\"i\" instantiationToken=\"123\" "
                           "resourcePath=null visible=0 loggingOn=1 instanceEnvironment=0x1 logMessage=0x2");
}
std::string varnelleCs(int eventModeUsed) {
    return varnelleStarted("fmi3InstantiateCoSimulation instanceName=\"i\" instantiationToken=\"123\" "
                           "resourcePath=null visible=0 loggingOn=1 eventModeUsed=" + std::to_string(eventModeUsed) +
                           " earlyReturnAllowed=1 requiredIntermediateVariables=[1] nRequiredIntermediateVariables=1 "
                           "instanceEnvironment=0x1 logMessage=0x2 intermediateUpdate=0x3");
}
std::string updateDiscreteStates3(int needUpdate = 0, int terminateSimulation = 0) {
    return call("fmi3UpdateDiscreteStates", "",
                "status=fmi3OK discreteStatesNeedUpdate=" + std::to_string(needUpdate) + " terminateSimulation=" +
                    std::to_string(terminateSimulation) + " nominalsOfContinuousStatesChanged=0 "
                    "valuesOfContinuousStatesChanged=0 nextEventTimeDefined=0 nextEventTime=0");
}
// An fmi3DoStep and what it answered; Discard writes no outputs.
std::string doStep3(const std::string& point, const std::string& size, const std::string& status,
                    int eventHandlingNeeded = 0, int earlyReturn = 0, const std::string& lastSuccessfulTime = "",
                    int terminateSimulation = 0) {
    const std::string arguments = "currentCommunicationPoint=" + point + " communicationStepSize=" + size +
                                  " noSetFMUStatePriorToCurrentPoint=1";
    if (status != "fmi3OK") return call("fmi3DoStep", arguments, "status=" + status + " eventHandlingNeeded=- "
                                        "terminateSimulation=- earlyReturn=- lastSuccessfulTime=-");
    return call("fmi3DoStep", arguments,
                "status=fmi3OK eventHandlingNeeded=" + std::to_string(eventHandlingNeeded) +
                    " terminateSimulation=" + std::to_string(terminateSimulation) + " earlyReturn=" +
                    std::to_string(earlyReturn) + " lastSuccessfulTime=" +
                    (lastSuccessfulTime.empty() ? number(std::stod(point) + std::stod(size)) : lastSuccessfulTime));
}
// A step the host's callback returned early from at t, with the host's
// calls inside the callback.
std::string earlyReturnStep(const std::string& point, const std::string& size, const std::string& t,
                            const std::string& inside) {
    return "> fmi3DoStep " + instance + " currentCommunicationPoint=" + point + " communicationStepSize=" + size +
           " noSetFMUStatePriorToCurrentPoint=1\n>> intermediateUpdate " + instance + " intermediateUpdateTime=" + t +
           " intermediateVariableSetRequested=0 intermediateVariableGetAllowed=1 intermediateStepFinished=1 "
           "canReturnEarly=1\n" + inside + (inside.empty() ? "" : "\n") + "<< intermediateUpdate " + instance +
           " earlyReturnRequested=1 earlyReturnTime=" + t + "\n< fmi3DoStep " + instance +
           " status=fmi3OK eventHandlingNeeded=0 terminateSimulation=0 earlyReturn=1 lastSuccessfulTime=" + t;
}
std::string heightRead3() { return call("fmi3GetFloat64", "valueReferences=[1] nValueReferences=1 nValues=1", "status=fmi3OK values=[1]"); }
std::string freed3() { return "> fmi3FreeInstance " + instance + "\n< fmi3FreeInstance " + instance; }
std::string freedNull3() { return "> fmi3FreeInstance c=null\n< fmi3FreeInstance c=null"; }

TEST(CallRecord, Fmi3CallsInsideTheIntermediateUpdateCallbackKnowIt) {
    const CallRecord r = parseCallRecord(record({varnelleCs(0), earlyReturnStep("0", "0.5", "0.01", heightRead3()),
                                                 heightRead3()}));
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    ASSERT_EQ(r.calls.size(), 6u);
    EXPECT_EQ(r.calls[0].version, FmiVersion::fmi3);
    EXPECT_EQ(r.calls[3].role, Role::doStep);
    EXPECT_EQ(r.calls[3].statusKind(), "OK");
    EXPECT_EQ(r.calls[3].callback, "");
    EXPECT_EQ(r.calls[4].callback, "intermediateUpdate") << "the read inside the callback";
    EXPECT_EQ(r.calls[4].depth, 1u);
    EXPECT_EQ(r.calls[5].callback, "") << "the read after the step";
    EXPECT_EQ(r.eventsInside(3).size(), 2u) << "the callback's two lines belong to the step";
}

const std::string varnelleMeToTheEnd =
    record({varnelleMe(), updateDiscreteStates3(), call("fmi3EnterContinuousTimeMode", "", "status=fmi3OK"),
            call("fmi3SetTime", "time=0.01", "status=fmi3OK"), heightRead3(),
            call("fmi3Terminate", "", "status=fmi3OK"), freed3()});

// varnelle in model exchange from its start to an event at t where the
// component answers its update with terminateSimulation as given: what a
// host meets when the mass comes to rest (at about 2.2 s).
std::string varnelleMeUpTo(const std::string& t, int terminateSimulation) {
    return record({varnelleMe(), updateDiscreteStates3(), call("fmi3EnterContinuousTimeMode", "", "status=fmi3OK"),
                   call("fmi3SetTime", "time=" + t, "status=fmi3OK"), call("fmi3EnterEventMode", "", "status=fmi3OK"),
                   updateDiscreteStates3(0, terminateSimulation)});
}
const std::string ended3 = record({call("fmi3Terminate", "", "status=fmi3OK"), freed3()}).substr(recordVersionLine.size() + 1);
// varnelle in co-simulation, its step from 2.39 ending at rest with terminateSimulation.
const std::string varnelleCsToRest =
    record({varnelleCs(0), doStep3("2.39", "0.01", "fmi3OK", 0, 0, "", 1), call("fmi3Terminate", "", "status=fmi3OK"),
            freed3()});

// A run that stopped where the component asked to terminate ended
// properly: no probe reports it as stopped early.
INSTANTIATE_TEST_SUITE_P(
    Fmi3, RunEnds,
    testing::Values(
        EndCase{"StoppedWhereTheModelExchangeComponentAskedToTerminate", varnelleMeUpTo("2.2", 1) + ended3, exited(0), 0,
                "^stopped at t = 2.2, where the component asked to terminate$"},
        EndCase{"StoppedWhereTheCoSimulationComponentAskedToTerminate", varnelleCsToRest, exited(0), 0,
                "^stopped at t = 2.4, where the component asked to terminate$"},
        EndCase{"WentOnAfterTheRequestAndStopped",
                varnelleMeUpTo("2.2", 1) + call("fmi3EnterContinuousTimeMode", "", "status=fmi3OK") + "\n" +
                    call("fmi3SetTime", "time=2.5", "status=fmi3OK") + "\n" + ended3,
                exited(0), 0, "^stopped at t = 2.5, after the component asked to terminate at t = 2.2$"},
        EndCase{"CrashedAfterTheRequest", varnelleMeUpTo("2.2", 1), crashed(), 0,
                "^crashed at t = 2.2, its last call fmi3UpdateDiscreteStates"},
        EndCase{"StoppedWithoutARequest", varnelleMeUpTo("2.2", 0) + ended3, exited(0), 0, "^stopped at t = 2.2, its last"}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.rule); });

TEST(RunEnd, TheComponentsRequestToTerminateIsAProperEnd) {
    const RunEnd honoured = runEnd(parseCallRecord(varnelleCsToRest), exited(0), stopTime);
    EXPECT_TRUE(honoured.reachedStop && honoured.terminated) << honoured.where;
    const CallRecord asked = parseCallRecord(varnelleMeUpTo("2.2", 1));
    EXPECT_EQ(terminationRequested(asked), std::optional<std::size_t>(7)) << "the second fmi3UpdateDiscreteStates";
    EXPECT_FALSE(runEnd(asked, crashed(), stopTime).reachedStop) << "a crash after the request is no proper end";
    const CallRecord notAsked = parseCallRecord(varnelleMeUpTo("2.2", 0));
    EXPECT_FALSE(terminationRequested(notAsked));
    EXPECT_FALSE(runEnd(notAsked, exited(0), stopTime).reachedStop);
    // A step that failed wrote no outputs: "-" is no request.
    EXPECT_FALSE(terminationRequested(parseCallRecord(record({varnelleCs(0), doStep3("0", "0.01", "fmi3Error")}))));
}

// varnelle's runs are told apart by the interface each asks for.
TEST(Fmi3Runs, EachInterfaceIsARunOfItsOwn) {
    const RunRequest me{FmuSet::otherGuid, "varnelle", modelExchangeStep, "me"};
    const RunRequest cs{FmuSet::otherGuid, "varnelle", modelExchangeStep, "cs"};
    EXPECT_NE(runLabel(me), runLabel(cs));
    EXPECT_EQ(runName(cs), "varnelle cs");
    EXPECT_FALSE(coSimulationRun(me));
    EXPECT_TRUE(coSimulationRun(cs));
    EXPECT_TRUE(coSimulationRun({FmuSet::strictHost, "corvane", 0.01}));
    EXPECT_EQ(runName({FmuSet::strictHost, "corvane", 0.05}), "corvane h = 0.05") << "FMI 2.0 names as before";
}

// Probe 11 on FMI 3.0 hosts: the other-token varnelle in each interface,
// beside the FMI 1.0/2.0 runs of the table.
TEST(Fmi3Runs, RefusedInstantiationJudgesEachInterfaceOfTheOtherTokenCopy) {
    const std::string refusedLines[] = {
        "library varnelle fmi=3.0 interface=modelExchange,coSimulation pid=1",
        "> fmi3InstantiateModelExchange instanceName=\"i\" instantiationToken=\"other\" loggingOn=1",
        "< fmi3InstantiateModelExchange result=null"};
    const std::string refusedMe = record({refusedLines[0], refusedLines[1], refusedLines[2], freedNull3()});
    const std::string onNullCs =
        record({refusedLines[0], "> fmi3InstantiateCoSimulation instanceName=\"i\" eventModeUsed=0",
                "< fmi3InstantiateCoSimulation result=null", call("fmi3DoStep", "", "status=fmi3Error")});
    HandRuns hand({{{FmuSet::otherGuid, "varnelle", modelExchangeStep, "me"}, refusedMe, exited(1)},
                   {{FmuSet::otherGuid, "varnelle", modelExchangeStep, "cs"},
                    std::regex_replace(onNullCs, std::regex("c=0x10"), "c=null"), exited(1)}});
    const ProbeResult result = runProbes(hand, Settings{}, {11}).at(0);
    expectVerdict(result, Verdict::fail, "varnelle cs: fmi3InstantiateCoSimulation returned null; then fmi3DoStep\\(\\) "
                                         "with the null instance");
    EXPECT_NE(result.evidence.find("varnelle me: fmi3InstantiateModelExchange returned null; no call with the null"),
              std::string::npos)
        << result.evidence;
}

// Probe 12 through the table: varnelle's runs in both interfaces.
TEST(Fmi3Runs, ValueTypesAreOneByteBooleansAndElementCounts) {
    const RunRequest me{FmuSet::strictHost, "varnelle", modelExchangeStep, "me"};
    const RunRequest cs{FmuSet::strictHost, "varnelle", modelExchangeStep, "cs"};
    const auto judged = [&](const std::string& inCs) {
        HandRuns hand({{me, varnelleMeToTheEnd, exited(0)}, {cs, record({varnelleCs(0), inCs, freed3()}), exited(0)}});
        return runProbes(hand, Settings{}, {12}).at(0);
    };
    const std::string booleans = call("fmi3SetBoolean", "valueReferences=[20,21] nValueReferences=2 values=[1,0] nValues=2",
                                      "status=fmi3OK");
    const std::string samples = call("fmi3GetFloat64", "valueReferences=[1,50] nValueReferences=2 nValues=4",
                                     "status=fmi3OK values=[1,1.5,2.5,3.5]");
    expectVerdict(judged(booleans + "\n" + samples), Verdict::pass,
                  "^varnelle cs h = 0.01: 2 calls on booleans.*not reached for varnelle me: the host never set or read");
    expectVerdict(judged(call("fmi3SetBoolean", "valueReferences=[20,21] nValueReferences=2 values=[2,0] nValues=2",
                              "status=fmi3Error")),
                  Verdict::fail, "varnelle cs h = 0.01: fmi3SetBoolean\\(.*\\) passed the bytes \\[2,0\\]: an fmi3Boolean is one byte");
    expectVerdict(judged(call("fmi3GetFloat64", "valueReferences=[50] nValueReferences=1 nValues=1", "status=fmi3Error")),
                  Verdict::fail, "nValues counts the values' elements, 3 here");
    expectVerdict(judged(call("fmi3SetBinary", "valueReferences=[40] nValueReferences=1 valueSizes=null nValues=1",
                              "status=fmi3Error")),
                  Verdict::fail, "no size for the binary values");
    expectVerdict(judged(heightRead3()), Verdict::notReached, "varnelle cs h = 0.01: the host never set or read a boolean");
    HandRuns notAsked({});
    EXPECT_EQ(runProbes(notAsked, Settings{}, {12}).at(0).verdict, Verdict::skip) << "no FMI 3.0 run made";
}

// The record probes on FMI 3.0 runs: each judge given one varnelle run.
struct Fmi3Case {
    const char* rule;
    int probe;
    std::string record;
    Outcome outcome;
    Verdict verdict;
    const char* evidence;
};

void PrintTo(const Fmi3Case& c, std::ostream* out) { *out << c.rule; }

class Fmi3RecordVerdicts : public testing::TestWithParam<Fmi3Case> {};

TEST_P(Fmi3RecordVerdicts, FollowFromTheRecord) {
    const Fmi3Case& c = GetParam();
    Probe probe = *findProbe(std::to_string(c.probe));
    const RunRequest varnelle{FmuSet::strictHost, "varnelle", modelExchangeStep};
    probe.needs = {varnelle};
    HandRuns hand({{varnelle, c.record, c.outcome}});
    expectVerdict(probe.judge(probe, hand, Settings{}), c.verdict, c.evidence);
}

INSTANTIATE_TEST_SUITE_P(
    HostCheck, Fmi3RecordVerdicts,
    testing::Values(
        Fmi3Case{"SequenceModelExchangePass", 10, varnelleMeToTheEnd, exited(0), Verdict::pass, "each call allowed"},
        Fmi3Case{"SequenceSetTimeInEventModeFail", 10,
                 record({varnelleMe(), call("fmi3SetTime", "time=0.01", "status=fmi3OK"), freed3()}), exited(0),
                 Verdict::fail, "fmi3SetTime\\(time=0.01\\) in Event Mode, allowed only in Continuous-Time Mode"},
        Fmi3Case{"SequenceEventModeWithoutEventModeUsedFail", 10,
                 record({varnelleCs(0), doStep3("0", "0.01", "fmi3OK"),
                         call("fmi3EnterEventMode", "", "status=fmi3Error"), freed3()}),
                 exited(0), Verdict::fail, "fmi3EnterEventMode\\(\\) in Step Mode"},
        Fmi3Case{"SequenceEventModeIterationPass", 10,
                 record({varnelleCs(1), updateDiscreteStates3(), call("fmi3EnterStepMode", "", "status=fmi3OK"),
                         doStep3("0", "0.5", "fmi3OK", 1, 1, "0.25"), call("fmi3EnterEventMode", "", "status=fmi3OK"),
                         updateDiscreteStates3(), call("fmi3EnterStepMode", "", "status=fmi3OK"),
                         doStep3("0.25", "0.25", "fmi3OK"), freed3()}),
                 exited(0), Verdict::pass, "each call allowed"},
        Fmi3Case{"SequenceStepInEventModeFail", 10,
                 record({varnelleCs(1), doStep3("0", "0.01", "fmi3OK"), freed3()}), exited(0), Verdict::fail,
                 "fmi3DoStep\\(currentCommunicationPoint=0, communicationStepSize=0.01, "
                 "noSetFMUStatePriorToCurrentPoint=1\\) in Event Mode, allowed only in Step Mode"},
        Fmi3Case{"SequenceEarlyReturnFromLastSuccessfulTimePass", 10,
                 record({varnelleCs(0), earlyReturnStep("0", "0.5", "0.01", heightRead3()),
                         doStep3("0.01", "0.49", "fmi3OK"), freed3()}),
                 exited(0), Verdict::pass, "each call allowed"},
        Fmi3Case{"SequenceEarlyReturnFromThePlannedPointFail", 10,
                 record({varnelleCs(0), earlyReturnStep("0", "0.5", "0.01", ""), doStep3("0.5", "0.5", "fmi3OK"),
                         freed3()}),
                 exited(0), Verdict::fail, "skips ahead: the previous step ended at 0.01"},
        Fmi3Case{"SequenceRetryAfterDiscardPass", 10,
                 record({varnelleCs(0), doStep3("0", "1.5", "fmi3Discard"), doStep3("0", "0.5", "fmi3OK"), freed3()}),
                 exited(0), Verdict::pass, "each call allowed"},
        Fmi3Case{"SequenceStepInsideTheCallbackFail", 10,
                 record({varnelleCs(0), earlyReturnStep("0", "0.5", "0.01", doStep3("0.01", "0.01", "fmi3Error")),
                         freed3()}),
                 exited(0), Verdict::fail, "in Intermediate Update Mode, inside intermediateUpdate, allowed only in Step Mode"},
        Fmi3Case{"SequenceStepAfterErrorFail", 10,
                 record({varnelleCs(0), call("fmi3SetFloat64", "valueReferences=[0] nValueReferences=1 values=[1] nValues=1",
                                             "status=fmi3Error"),
                         doStep3("0", "0.01", "fmi3Error"), freed3()}),
                 exited(0), Verdict::fail, "fmi3DoStep.* in Terminated"},
        Fmi3Case{"SequenceFreeingNullIsNoFaultPass", 10, record({varnelleCs(0), freed3(), freedNull3()}), exited(0),
                 Verdict::pass, "each call allowed"},
        Fmi3Case{"LifecycleFreedOncePass", 8, varnelleMeToTheEnd, exited(0), Verdict::pass, "each instance freed once"},
        Fmi3Case{"LifecycleCallAfterFatalFail", 8,
                 record({varnelleCs(0), doStep3("0", "0.01", "fmi3Fatal"), freed3()}), exited(0), Verdict::fail,
                 "fmi3FreeInstance\\(\\) after fmi3DoStep\\(.*\\) -> fmi3Fatal: no call may reach an instance"},
        Fmi3Case{"LifecycleNothingAfterFatalPass", 8, record({varnelleCs(0), doStep3("0", "0.01", "fmi3Fatal")}),
                 exited(1), Verdict::pass, "each instance freed once"},
        Fmi3Case{"LifecycleLeakFail", 8, record({varnelleCs(0), doStep3("0", "0.01", "fmi3OK")}), exited(0),
                 Verdict::fail, "never freed"},
        Fmi3Case{"MemoryNoCallbacksNotReached", 9, varnelleMeToTheEnd, exited(0), Verdict::notReached,
                 "FMI 3.0 hands a component no memory callbacks"},
        Fmi3Case{"RefusedFreeingNullPass", 11,
                 record({"library varnelle fmi=3.0 interface=modelExchange,coSimulation pid=1",
                         "> fmi3InstantiateModelExchange instanceName=\"i\" instantiationToken=\"other\" loggingOn=1",
                         "log c=null status=fmi3Error category=\"ERROR\" message=\"refused\"",
                         "< fmi3InstantiateModelExchange result=null", freedNull3()}),
                 exited(1), Verdict::pass, "fmi3InstantiateModelExchange returned null; no call with the null instance"},
        Fmi3Case{"RefusedCallOnNullFail", 11,
                 record({"library varnelle fmi=3.0 interface=modelExchange,coSimulation pid=1",
                         "> fmi3InstantiateCoSimulation instanceName=\"i\" eventModeUsed=0",
                         "< fmi3InstantiateCoSimulation result=null",
                         "> fmi3EnterInitializationMode c=null startTime=0", "< fmi3EnterInitializationMode c=null status=fmi3Error"}),
                 crashed(), Verdict::fail, "then fmi3EnterInitializationMode\\(startTime=0\\) with the null instance"}),
    [](const testing::TestParamInfo<Fmi3Case>& info) { return std::string(info.param.rule); });

// ---- Probe 6 on FMI 3.0 runs ----------------------------------------------------

// varnelle's start values as its initialisation sends them, "Init #1#=1",
// with the reference as FMI 3.0 writes it, or with the variable's name.
std::vector<std::string> varnelleInits(bool names) {
    namespace v = expected::varnelle;
    const std::pair<unsigned, double> starts[] = {{v::heightRef, expected::startHeight},
                                                  {v::velocityRef, expected::startVelocity},
                                                  {v::gravityRef, expected::startGravity},
                                                  {v::restitutionRef, expected::startRestitution}};
    std::vector<std::string> lines;
    for (const auto& [ref, value] : starts) {
        std::ostringstream text;
        text << "Init ";
        if (names) text << v::variableName(ref);
        else text << '#' << ref << '#';
        text << "=" << value;
        lines.push_back(text.str());
    }
    return lines;
}
const std::string malformed3[] = {"Unknown reference #99#, sent as it is", "Negative reference #-1#, sent as it is",
                                  "Unterminated reference #1, sent as it is"};
const std::string escaped3 = "An escaped ## stands for one hash sign";
const std::string percent3 = "Restitution keeps 50% of the speed; %s, %d and %n are plain text here";

// varnelle in model exchange, initialised with its nine messages when
// logging is on, then freed; or ending after the last message, where the
// host's logger crashed.
std::string varnelleLogging(int loggingOn, bool endsInTheLogger = false) {
    std::string lines = "library varnelle fmi=3.0 interface=modelExchange,coSimulation pid=1\n"
                        "> fmi3InstantiateModelExchange instanceName=\"i\" instantiationToken=\"123\" resourcePath=null "
                        "visible=0 loggingOn=" + std::to_string(loggingOn) + " instanceEnvironment=0x1 logMessage=0x2\n"
                        "< fmi3InstantiateModelExchange result=0x10\n> fmi3EnterInitializationMode " + instance +
                        " toleranceDefined=0 tolerance=0 startTime=0 stopTimeDefined=1 stopTime=3\n";
    std::vector<std::string> messages = varnelleInits(false);
    messages.insert(messages.end(), std::begin(malformed3), std::end(malformed3));
    messages.push_back(escaped3);
    messages.push_back(percent3);
    for (std::size_t k = 0; loggingOn && k < messages.size(); ++k) lines += logLine("fmi3OK", "INFO", messages[k]) + "\n";
    if (endsInTheLogger) return record({lines});
    return record({lines + "< fmi3EnterInitializationMode " + instance + " status=fmi3OK",
                   call("fmi3ExitInitializationMode", "", "status=fmi3OK"), freed3()});
}

// What a host showed: the start values with names or as sent, then the rest.
std::string shown3(bool names, const std::string& escaped, const std::string& percent,
                   const std::string& unknown = malformed3[0]) {
    std::string text;
    for (const std::string& line : varnelleInits(names)) text += "[0] INFO: " + line + "\n";
    for (const std::string& line : {unknown, malformed3[1], malformed3[2], escaped, percent}) text += "[0] INFO: " + line + "\n";
    return text;
}
// printf given the last message as its format, and the host's status,
// category and two more values as arguments.
const std::string percentAsFormat = "Restitution keeps 500f the speed; INFO, 0 and  are plain text here";

const RunRequest varnelleMeStrict{FmuSet::strictHost, "varnelle", modelExchangeStep, "me"};
const RunRequest varnelleCsStrict{FmuSet::strictHost, "varnelle", modelExchangeStep, "cs"};

INSTANTIATE_TEST_SUITE_P(
    Fmi3Log, ProbeVerdicts,
    testing::Values(
        VerdictCase{"ExpandedPass", 6,
                    {{varnelleMeStrict, varnelleLogging(1), exited(0), "", shown3(true, "An escaped # stands for one hash sign", percent3)}},
                    Verdict::pass, "^varnelle me: 9 messages sent, every one shown, references expanded, malformed ones as sent$"},
        VerdictCase{"AsSentNote", 6,
                    {{varnelleMeStrict, varnelleLogging(1), exited(0), "", shown3(false, escaped3, percent3)}},
                    Verdict::note, "^varnelle me: 9 messages sent, references not expanded: 'Init #1#=1' \\(INFO\\) shown as sent$"},
        // A host that drops what names no variable loses the malformed reference.
        VerdictCase{"MalformedReferenceDroppedFail", 6,
                    {{varnelleMeStrict, varnelleLogging(1), exited(0), "",
                      shown3(true, escaped3, percent3, "Unknown reference , sent as it is")}},
                    Verdict::fail, "^varnelle me: 9 messages sent. lost or mangled: 'Unknown reference #99#, sent as it is' \\(INFO\\)$"},
        VerdictCase{"FinishedTextAsFormatFail", 6,
                    {{varnelleMeStrict, varnelleLogging(1), exited(0), "", shown3(false, escaped3, percentAsFormat)}},
                    Verdict::fail,
                    "^varnelle me: 9 messages sent. 'Restitution keeps 50% of the speed. %s, %d and %n are plain text here' "
                    "\\(INFO\\) shown as printf shows it given as a format: '\\[0\\] INFO: Restitution keeps 500f the "
                    "speed. INFO, 0 and  are plain text here'$"},
        VerdictCase{"CrashInTheLoggerOnThePercentsFail", 6,
                    {{varnelleMeStrict, varnelleLogging(1), exited(0), "", shown3(false, escaped3, percent3)},
                     {varnelleCsStrict, varnelleLogging(1, true), crashed(), "", ""}},
                    Verdict::fail,
                    "^varnelle cs h = 0.01: crashed in its logger, on the message \"Restitution keeps 50% of the speed. %s, "
                    "%d and %n are plain text here\" that fmi3EnterInitializationMode\\(.*\\) sent \\(killed by SIGSEGV\\). "
                    "note for varnelle me: .*references not expanded"},
        VerdictCase{"LoggingOffNotReached", 6, {{varnelleMeStrict, varnelleLogging(0), exited(0), "", ""}},
                    Verdict::notReached, "^varnelle me: the component sent no message: the host passed loggingOn=0"},
        // Several faults at once: the model-exchange run mangles the last
        // message and then crashes; the co-simulation run has logging off.
        VerdictCase{"MangledThenCrashedWithLoggingOffElsewhereFail", 6,
                    {{varnelleMeStrict, varnelleLogging(1), crashed(), "", shown3(true, escaped3, percentAsFormat)},
                     {varnelleCsStrict, varnelleLogging(0), exited(1), "", ""}},
                    Verdict::fail,
                    "^varnelle me: 9 messages sent. 'Restitution keeps .*' \\(INFO\\) shown as printf shows it given as "
                    "a format: .*. not reached for varnelle cs h = 0.01: the component sent no message: the host passed "
                    "loggingOn=0"}),
    [](const testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.rule); });

// Without a record, the catalogue of varnelle's messages: shown as sent, they note.
TEST(Fmi3Log, FromTheOutsideTheCatalogueOfNineMessages) {
    HandRuns hand({{varnelleMeStrict, std::nullopt, exited(0), "", shown3(false, escaped3, percent3)}});
    Probe probe = *findProbe("log");
    const ProbeResult result = probe.judge(probe, hand, Settings{});
    expectVerdict(result, Verdict::note, "^varnelle me: 9 messages sent, references not expanded: 'Init #1#=1'");
    HandRuns mangled({{varnelleMeStrict, std::nullopt, exited(0), "", shown3(false, escaped3, percentAsFormat)}});
    const ProbeResult failed = probe.judge(probe, mangled, Settings{});
    expectVerdict(failed, Verdict::fail, "shown as printf shows it given as a format.*judged from the outside");
    EXPECT_NE(failed.fix.find("finished text"), std::string::npos) << failed.fix;
}

// ---- FMI 3.0 co-simulation: event mode, early return, the callback, the Discard ----

// varnelle in co-simulation with the host's choices: event mode, early
// return, a callback (naming height, value reference 1). With event mode
// initialisation ends in Event Mode: the host settles it and enters Step Mode.
std::string varnelleCsWith(int eventModeUsed, int earlyReturnAllowed, bool callback) {
    const std::string started = varnelleStarted(
        "fmi3InstantiateCoSimulation instanceName=\"i\" instantiationToken=\"123\" resourcePath=null visible=0 "
        "loggingOn=1 eventModeUsed=" + std::to_string(eventModeUsed) + " earlyReturnAllowed=" +
        std::to_string(earlyReturnAllowed) + " requiredIntermediateVariables=[1] nRequiredIntermediateVariables=1 "
        "instanceEnvironment=0x1 logMessage=0x2 intermediateUpdate=" + (callback ? "0x3" : "null"));
    if (!eventModeUsed) return started;
    return started + "\n" + updateDiscreteStates3() + "\n" + call("fmi3EnterStepMode", "", "status=fmi3OK");
}
std::string update3(int needUpdate, int terminate) {
    return call("fmi3UpdateDiscreteStates", "",
                "status=fmi3OK discreteStatesNeedUpdate=" + std::to_string(needUpdate) + " terminateSimulation=" +
                    std::to_string(terminate) + " nominalsOfContinuousStatesChanged=0 valuesOfContinuousStatesChanged=1 "
                    "nextEventTimeDefined=0 nextEventTime=0");
}
std::string enterEventMode3() { return call("fmi3EnterEventMode", "", "status=fmi3OK"); }
std::string enterStepMode3() { return call("fmi3EnterStepMode", "", "status=fmi3OK"); }
std::string terminated3() { return call("fmi3Terminate", "", "status=fmi3OK"); }
// A step that found a contact at t: it returned early there for Event Mode.
std::string eventStep3(const std::string& point, const std::string& size, const std::string& t) {
    return doStep3(point, size, "fmi3OK", 1, 1, t);
}
// The event handled as the component asks: Event Mode, two updates (the
// first asking for another), Step Mode.
std::string eventHandled3() {
    return enterEventMode3() + "\n" + update3(1, 0) + "\n" + update3(0, 0) + "\n" + enterStepMode3();
}
// One call of the host's callback at t, with the calls it made inside.
std::string intermediateUpdate3(const std::string& t, int canReturnEarly, int requested,
                                const std::string& inside = "", int setRequested = 0) {
    return ">> intermediateUpdate " + instance + " intermediateUpdateTime=" + t +
           " intermediateVariableSetRequested=" + std::to_string(setRequested) +
           " intermediateVariableGetAllowed=1 intermediateStepFinished=1 canReturnEarly=" +
           std::to_string(canReturnEarly) + "\n" + inside + (inside.empty() ? "" : "\n") + "<< intermediateUpdate " +
           instance + " earlyReturnRequested=" + std::to_string(requested) + " earlyReturnTime=" + t;
}
// A step with the callback's calls inside it and what it answered.
std::string stepAround(const std::string& point, const std::string& size, const std::string& callbacks,
                       const std::string& results) {
    return "> fmi3DoStep " + instance + " currentCommunicationPoint=" + point + " communicationStepSize=" + size +
           " noSetFMUStatePriorToCurrentPoint=1\n" + callbacks + "\n< fmi3DoStep " + instance + " " + results;
}
std::string answered3(int earlyReturn, const std::string& lastSuccessfulTime, const std::string& status = "fmi3OK") {
    return "status=" + status + " eventHandlingNeeded=0 terminateSimulation=0 earlyReturn=" +
           std::to_string(earlyReturn) + " lastSuccessfulTime=" + lastSuccessfulTime;
}
std::string readOf3(const std::string& references) {
    return call("fmi3GetFloat64", "valueReferences=" + references + " nValueReferences=1 nValues=1",
                "status=fmi3OK values=[1]");
}

INSTANTIATE_TEST_SUITE_P(
    Fmi3CoSimulation, Fmi3RecordVerdicts,
    testing::Values(
        // 13. Event mode: after eventHandlingNeeded Event Mode, the updates until
        // settled, Step Mode, on from lastSuccessfulTime; terminateSimulation honoured.
        Fmi3Case{"EventModeHandledAndTerminationHonouredPass", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), heightRead3(), eventHandled3(),
                         doStep3("1.03", "0.02", "fmi3OK"), eventStep3("2.35", "0.1", "2.4"), enterEventMode3(),
                         update3(0, 1), terminated3(), freed3()}),
                 exited(0), Verdict::pass,
                 "^varnelle: 2 events handled: .* the next fmi3DoStep from lastSuccessfulTime. "
                 "fmi3UpdateDiscreteStates\\(\\) answered terminateSimulation at t = 2.4, honoured$"},
        Fmi3Case{"EventModeNotUsedNote", 13, record({varnelleCsWith(0, 1, false), doStep3("0", "0.01", "fmi3OK"), freed3()}),
                 exited(0), Verdict::note,
                 "eventModeUsed false, although the description says hasEventMode=\"true\": the host misses each "
                 "contact reported as an event and the rebound at the event's time"},
        Fmi3Case{"EventModeWithoutEarlyReturnNotReached", 13,
                 record({varnelleCsWith(1, 0, false), doStep3("0", "3", "fmi3OK"), terminated3(), freed3()}), exited(0),
                 Verdict::notReached, "no fmi3DoStep answered eventHandlingNeeded \\(earlyReturnAllowed false: varnelle "
                                      "rebounds inside the step\\); the run ran to t = 3"},
        Fmi3Case{"EventModeNoInstanceNotReached", 13, record({varnelleMe(), freed3()}), exited(0), Verdict::notReached,
                 "no co-simulation instance"},
        Fmi3Case{"EventModeIgnoredFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"),
                         doStep3("1.03", "0.02", "fmi3Error"), freed3()}),
                 exited(1), Verdict::fail,
                 "fmi3DoStep\\(currentCommunicationPoint=1, communicationStepSize=0.05, "
                 "noSetFMUStatePriorToCurrentPoint=1\\) answered eventHandlingNeeded at t = 1.03; the first call out "
                 "of order: fmi3DoStep\\(.*\\) -> fmi3Error instead of fmi3EnterEventMode: the host ignores "
                 "eventHandlingNeeded and steps on"},
        Fmi3Case{"EventModeStepModeBeforeSettledFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), enterEventMode3(), update3(1, 0),
                         enterStepMode3(), doStep3("1.03", "0.02", "fmi3OK"), terminated3(), freed3()}),
                 exited(0), Verdict::fail,
                 "the first call out of order: fmi3EnterStepMode\\(\\) -> fmi3OK instead of fmi3UpdateDiscreteStates "
                 "until discreteStatesNeedUpdate is false$"},
        Fmi3Case{"EventModeOnFromThePlannedPointFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), eventHandled3(),
                         doStep3("1.05", "0.05", "fmi3Error"), freed3()}),
                 exited(1), Verdict::fail,
                 "answered eventHandlingNeeded at t = 1.03; then fmi3DoStep\\(currentCommunicationPoint=1.05, .*\\) "
                 "instead of fmi3DoStep from lastSuccessfulTime 1.03$"},
        Fmi3Case{"EventModeSteppingOnAfterTerminationFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("2.35", "0.1", "2.4"), enterEventMode3(), update3(0, 1),
                         enterStepMode3(), doStep3("2.4", "0.05", "fmi3OK"), terminated3(), freed3()}),
                 exited(0), Verdict::fail,
                 "^varnelle: fmi3UpdateDiscreteStates\\(\\) answered terminateSimulation at t = 2.4; then "
                 "fmi3DoStep\\(currentCommunicationPoint=2.4, .*\\): the host steps on after the component asked to "
                 "terminate$"},
        Fmi3Case{"EventModeTerminationInStepModeOnlyPass", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("2.35", "0.1", "2.4"), enterEventMode3(), update3(0, 1),
                         enterStepMode3(), terminated3(), freed3()}),
                 exited(0), Verdict::pass, "1 event handled.*answered terminateSimulation at t = 2.4, honoured"},
        // A host that gets the first event wrong in two ways (Event Mode
        // entered, then Step Mode at once) and crashes in the next step: the
        // first call out of order named, the crash with it.
        Fmi3Case{"EventModeOutOfOrderThenCrashFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), enterEventMode3(),
                         enterStepMode3(), "> fmi3DoStep " + instance + " currentCommunicationPoint=1.05 "
                         "communicationStepSize=0.05 noSetFMUStatePriorToCurrentPoint=1"}),
                 crashed(), Verdict::fail,
                 "the first call out of order: fmi3EnterStepMode\\(\\) -> fmi3OK instead of fmi3UpdateDiscreteStates "
                 "until discreteStatesNeedUpdate is false \\(crashed inside fmi3DoStep"},
        Fmi3Case{"EventModeLeftUnhandledFail", 13,
                 record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), terminated3(), freed3()}),
                 exited(0), Verdict::fail,
                 "then fmi3Terminate\\(\\) before fmi3EnterEventMode: the event was never handled"},

        // 14. Early return: the next step from lastSuccessfulTime.
        Fmi3Case{"EarlyReturnContinuedPass", 14,
                 record({varnelleCsWith(0, 1, false), doStep3("0", "1.5", "fmi3OK", 0, 1, "1"),
                         doStep3("1", "0.5", "fmi3OK"), doStep3("1.5", "1.5", "fmi3OK", 0, 1, "2.4"), terminated3(),
                         freed3()}),
                 exited(0), Verdict::pass,
                 "^varnelle: 2 early returns \\(the first at lastSuccessfulTime=1\\), each followed by a step from "
                 "lastSuccessfulTime or by the run's end$"},
        Fmi3Case{"EarlyReturnFromThePlannedPointFail", 14,
                 record({varnelleCsWith(0, 1, false), doStep3("0", "1.5", "fmi3OK", 0, 1, "1"),
                         doStep3("1.5", "1.5", "fmi3Error"), freed3()}),
                 exited(1), Verdict::fail,
                 "^varnelle: fmi3DoStep\\(currentCommunicationPoint=0, communicationStepSize=1.5, "
                 "noSetFMUStatePriorToCurrentPoint=1\\) returned early at lastSuccessfulTime=1; then "
                 "fmi3DoStep\\(currentCommunicationPoint=1.5, .*\\) starts at the planned point: the step between is "
                 "lost$"},
        Fmi3Case{"EarlyReturnGoingBackFail", 14,
                 record({varnelleCsWith(0, 1, false), doStep3("0", "1.5", "fmi3OK", 0, 1, "1"),
                         doStep3("0.5", "1", "fmi3Error"), freed3()}),
                 exited(1), Verdict::fail, "returned early at lastSuccessfulTime=1; then .* goes back before it$"},
        Fmi3Case{"EarlyReturnNotAllowedNotReached", 14,
                 record({varnelleCsWith(0, 0, false), doStep3("0", "1.5", "fmi3Discard"), freed3()}), exited(1),
                 Verdict::notReached, "the host never allowed early return \\(earlyReturnAllowed false\\)"},
        Fmi3Case{"EarlyReturnNeverHappenedNotReached", 14,
                 record({varnelleCsWith(0, 1, false), doStep3("0", "0.01", "fmi3OK"), freed3()}), exited(0),
                 Verdict::notReached, "no fmi3DoStep returned early; the run "},

        // 15. The callback: only what Intermediate Update Mode allows inside it.
        Fmi3Case{"CallbackReadsAndEarlyReturnPass", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5", intermediateUpdate3("0.01", 1, 0, readOf3("[1]")) + "\n" +
                                                    intermediateUpdate3("0.02", 1, 1, readOf3("[1]")),
                                    answered3(1, "0.02")),
                         doStep3("0.02", "0.48", "fmi3OK"), freed3()}),
                 exited(0), Verdict::pass,
                 "^varnelle: intermediateUpdate called 2 times; 2 calls inside it, each allowed in Intermediate Update "
                 "Mode; 1 early return requested where canReturnEarly was true"},
        Fmi3Case{"CallbackNotGivenNotReached", 15, record({varnelleCsWith(0, 1, false), doStep3("0", "0.5", "fmi3OK"), freed3()}),
                 exited(0), Verdict::notReached, "the host gave no intermediate-update callback"},
        Fmi3Case{"CallbackReadsAVariableNotNamedFail", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5", intermediateUpdate3("0.01", 1, 0, readOf3("[1]") + "\n" + readOf3("[4]")),
                                    answered3(0, "0.5", "fmi3Error")),
                         freed3()}),
                 exited(1), Verdict::fail,
                 "fmi3GetFloat64\\(valueReferences=\\[4\\], .*\\) inside intermediateUpdate at t = 0.01: reads a "
                 "variable not named in requiredIntermediateVariables"},
        Fmi3Case{"CallbackSetsUnrequestedFail", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5",
                                    intermediateUpdate3("0.01", 1, 0,
                                                        call("fmi3SetFloat64", "valueReferences=[1] nValueReferences=1 "
                                                             "values=[2] nValues=1", "status=fmi3Error")),
                                    answered3(0, "0.5", "fmi3Error")),
                         freed3()}),
                 exited(1), Verdict::fail,
                 "fmi3SetFloat64\\(.*\\) inside intermediateUpdate at t = 0.01 while intermediateVariableSetRequested "
                 "was false"},
        Fmi3Case{"CallbackReadsAfterASetFail", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5",
                                    intermediateUpdate3("0.01", 1, 0,
                                                        call("fmi3SetFloat64", "valueReferences=[1] nValueReferences=1 "
                                                             "values=[2] nValues=1", "status=fmi3OK") + "\n" +
                                                            readOf3("[1]"),
                                                        1),
                                    answered3(0, "0.5")),
                         freed3()}),
                 exited(0), Verdict::fail, "after a set in the same call: reads come before sets"},
        Fmi3Case{"CallbackStepsInsideFail", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5", intermediateUpdate3("0.01", 1, 0, doStep3("0.01", "0.01", "fmi3Error")),
                                    answered3(0, "0.5", "fmi3Error")),
                         freed3()}),
                 exited(1), Verdict::fail,
                 "fmi3DoStep\\(currentCommunicationPoint=0.01, .*\\) inside intermediateUpdate at t = 0.01: not "
                 "allowed in Intermediate Update Mode, allowed only in Step Mode"},
        Fmi3Case{"CallbackRequestsWhereItCannotReturnEarlyFail", 15,
                 record({varnelleCsWith(0, 0, true),
                         stepAround("0", "0.5", intermediateUpdate3("0.01", 0, 1, readOf3("[1]")),
                                    answered3(0, "0.5", "fmi3Warning")),
                         doStep3("0.5", "0.5", "fmi3OK"), freed3()}),
                 exited(0), Verdict::fail,
                 "^varnelle: earlyReturnRequested written true inside intermediateUpdate at t = 0.01, although "
                 "canReturnEarly was false$"},
        Fmi3Case{"CallbackEarlyReturnThenThePlannedPointFail", 15,
                 record({varnelleCsWith(0, 1, true),
                         stepAround("0", "0.5", intermediateUpdate3("0.01", 1, 1), answered3(1, "0.01")),
                         doStep3("0.5", "0.5", "fmi3Error"), freed3()}),
                 exited(1), Verdict::fail, "returned early at lastSuccessfulTime=0.01; then .* starts at the planned "
                                           "point: the step between is lost"},
        // A host whose callback reads an unnamed variable, then asks for an
        // early return it may not, and crashes inside the callback: the first
        // fault named, the record ending inside the step.
        Fmi3Case{"CallbackFaultsThenCrashInsideFail", 15,
                 record({varnelleCsWith(0, 0, true),
                         "> fmi3DoStep " + instance + " currentCommunicationPoint=0 communicationStepSize=0.5 "
                         "noSetFMUStatePriorToCurrentPoint=1",
                         intermediateUpdate3("0.01", 0, 1, readOf3("[7]")),
                         ">> intermediateUpdate " + instance + " intermediateUpdateTime=0.02 "
                         "intermediateVariableSetRequested=0 intermediateVariableGetAllowed=1 intermediateStepFinished=1 "
                         "canReturnEarly=0"}),
                 crashed(), Verdict::fail,
                 "^varnelle: fmi3GetFloat64\\(valueReferences=\\[7\\], .*\\) inside intermediateUpdate at t = 0.01: "
                 "reads a variable not named"}),
    [](const testing::TestParamInfo<Fmi3Case>& info) { return std::string(info.param.rule); });

// An FMI 3.0 step that returned early reached its lastSuccessfulTime, not
// the point it was heading for: the times the evidence gives say so.
TEST(Fmi3Runs, AnEarlyReturnReachesLastSuccessfulTime) {
    const CallRecord r = parseCallRecord(record({varnelleCsWith(0, 1, false), doStep3("0", "1.5", "fmi3OK", 0, 1, "1"),
                                                 heightRead3()}));
    EXPECT_EQ(timeReached(r), 1.0);
    EXPECT_EQ(phaseAt(r, r.calls.size() - 1), "at t = 1");
    EXPECT_EQ(timeReached(parseCallRecord(record({varnelleCsWith(0, 1, false), doStep3("0", "0.5", "fmi3OK")}))), 0.5);
}

// Probe 7 on varnelle at a step of 1.5 without early return: fmi3Discard,
// nothing done. A retry from the same point or a stop passes; a step from
// elsewhere fails, with the fix in FMI 3.0's terms.
TEST(Fmi3Runs, DiscardIsRetriedFromTheSamePointOrEndsTheRun) {
    const RunRequest varnelle{FmuSet::strictHost, "varnelle", discardStep, "cs"};
    const auto judged = [&](const std::vector<std::string>& steps, Outcome outcome) {
        std::vector<std::string> lines{varnelleCsWith(0, 0, false)};
        lines.insert(lines.end(), steps.begin(), steps.end());
        HandRuns hand({{varnelle, record(lines), outcome, discardCsv}});
        return runProbes(hand, Settings{}, {7}).at(0);
    };
    const std::string discarded = doStep3("0", "1.5", "fmi3Discard");
    expectVerdict(judged({discarded, doStep3("0", "0.75", "fmi3OK"), doStep3("0.75", "0.75", "fmi3OK"), freed3()}, exited(0)),
                  Verdict::pass,
                  "^varnelle cs h = 1.5: fmi3DoStep\\(currentCommunicationPoint=0, communicationStepSize=1.5, "
                  "noSetFMUStatePriorToCurrentPoint=1\\) answered fmi3Discard; then a retry from the same point, "
                  "fmi3DoStep\\(currentCommunicationPoint=0, communicationStepSize=0.75, .*\\) -> fmi3OK$");
    expectVerdict(judged({discarded, doStep3("0", "1.2", "fmi3Discard"), doStep3("0", "0.6", "fmi3OK"), freed3()},
                         exited(0)),
                  Verdict::pass, "then a retry from the same point, fmi3DoStep\\(currentCommunicationPoint=0, "
                                 "communicationStepSize=0.6, .*\\) -> fmi3OK$");
    expectVerdict(judged({discarded, terminated3(), freed3()}, exited(1)), Verdict::pass,
                  "answered fmi3Discard; then fmi3Terminate, fmi3FreeInstance, no further fmi3DoStep; exit status 1");
    const ProbeResult planned = judged({discarded, doStep3("1.5", "1.5", "fmi3Error"), freed3()}, exited(1));
    expectVerdict(planned, Verdict::fail,
                  "answered fmi3Discard; then fmi3DoStep\\(currentCommunicationPoint=1.5, .*\\) \\(from the planned "
                  "point: the step between is lost\\)");
    EXPECT_NE(planned.fix.find("When fmi3DoStep returns fmi3Discard, the step did not happen: retry it from the same "
                               "point with a smaller step, or stop"),
              std::string::npos)
        << planned.fix;
    EXPECT_EQ(planned.fix.find("fmi2"), std::string::npos) << "the fix in the run's version: " << planned.fix;
    // Retried once from the same point, then a step from a later one: the
    // retry is no excuse for the step after it; the host crashed there too.
    expectVerdict(judged({discarded, doStep3("0", "1.5", "fmi3Discard"), doStep3("1", "0.5", "fmi3Error")}, crashed()),
                  Verdict::fail, "then fmi3DoStep\\(currentCommunicationPoint=1, .*\\) \\(a step from a later point\\)");
    expectVerdict(judged({discarded}, crashed()), Verdict::fail, "answered fmi3Discard; then the host crashed");
}

// Probe 7 with both runs: each judged in its version, the fix for the one
// that failed; with early return allowed varnelle never discards.
TEST(Fmi3Runs, DiscardJudgesCorvaneAndVarnelleEachInItsVersion) {
    const RunRequest varnelle{FmuSet::strictHost, "varnelle", discardStep, "cs"};
    const HandRun corvaneStopped{corvaneAtDiscard, record({corvaneStarted(), doStep("0", "1.5", "fmi2Discard"), freed2()}),
                                 exited(1), discardCsv};
    HandRuns steppedOn({corvaneStopped,
                        {varnelle, record({varnelleCsWith(0, 0, false), doStep3("0", "1.5", "fmi3Discard"),
                                           doStep3("1.5", "1.5", "fmi3Error"), freed3()}),
                         exited(1), discardCsv}});
    const ProbeResult failed = runProbes(steppedOn, Settings{}, {7}).at(0);
    expectVerdict(failed, Verdict::fail,
                  "^varnelle cs h = 1.5: .*answered fmi3Discard; then fmi3DoStep\\(currentCommunicationPoint=1.5, .*"
                  "; pass for corvane h = 1.5: .*answered fmi2Discard; then fmi2FreeInstance, no further fmi2DoStep");
    EXPECT_NE(failed.fix.find("fmi3Discard"), std::string::npos) << failed.fix;
    EXPECT_EQ(failed.fix.find("fmi2"), std::string::npos) << "only the failed run's version: " << failed.fix;
    HandRuns earlyReturn({corvaneStopped,
                          {varnelle, record({varnelleCsWith(0, 1, false), doStep3("0", "1.5", "fmi3OK", 0, 1, "1"),
                                             doStep3("1", "0.5", "fmi3OK"), freed3()}),
                           exited(0), discardCsv}});
    expectVerdict(runProbes(earlyReturn, Settings{}, {7}).at(0), Verdict::pass,
                  "; not reached for varnelle cs h = 1.5: no fmi3DoStep answered fmi3Discard: the largest step was 1.5, "
                  "and the host allowed early return");
}

// Probes 13 to 15 through the table: varnelle in co-simulation at each
// reference step, every run judged and named.
TEST(Fmi3Runs, EventModeAndEarlyReturnJudgeEachReferenceStep) {
    const auto at = [](double step) { return RunRequest{FmuSet::strictHost, "varnelle", step, "cs"}; };
    const std::string handled = record({varnelleCsWith(1, 1, false), eventStep3("1", "0.05", "1.03"), eventHandled3(),
                                        doStep3("1.03", "0.02", "fmi3OK"), terminated3(), freed3()});
    const std::string ignored = record({varnelleCsWith(1, 1, false), eventStep3("1", "0.1", "1.03"),
                                        doStep3("1.1", "0.1", "fmi3Error"), freed3()});
    HandRuns hand({{at(0.01), handled, exited(0)}, {at(0.05), handled, exited(0)}, {at(0.1), ignored, exited(1)}});
    const std::vector<ProbeResult> results = runProbes(hand, Settings{}, {13, 14, 15});
    expectVerdict(results.at(0), Verdict::fail,
                  "^varnelle cs h = 0.1: .*instead of fmi3EnterEventMode: the host ignores eventHandlingNeeded and "
                  "steps on; pass for varnelle cs h = 0.01, varnelle cs h = 0.05: 1 event handled");
    expectVerdict(results.at(1), Verdict::fail,
                  "^varnelle cs h = 0.1: .*returned early at lastSuccessfulTime=1.03; then fmi3DoStep\\(currentCommunicationPoint=1.1, "
                  ".*\\) starts at the planned point: the step between is lost; pass for varnelle cs h = 0.01, "
                  "varnelle cs h = 0.05: 1 early return");
    expectVerdict(results.at(2), Verdict::notReached,
                  "^varnelle cs h = 0.01, varnelle cs h = 0.05, varnelle cs h = 0.1: the host gave no intermediate-update "
                  "callback$");
    HandRuns notAsked({});
    EXPECT_EQ(runProbes(notAsked, Settings{}, {13}).at(0).verdict, Verdict::skip) << "no FMI 3.0 run made";
}

// ---- FMI 3.0 trajectories (probes 2 and 3) --------------------------------------

const RunRequest varnelleMeRun{FmuSet::strictHost, "varnelle", modelExchangeStep, "me"};
const RunRequest varnelleCsRun{FmuSet::strictHost, "varnelle", 0.01, "cs"};

std::string indicators3(const std::string& z) {
    return call("fmi3GetEventIndicators", "nEventIndicators=1", "status=fmi3OK eventIndicators=[" + z + "]");
}
// One integrator step ending at t, the indicator read there; enterEventMode
// as fmi3CompletedIntegratorStep answers it.
std::string step3(const std::string& t, const std::string& z, int enterEventMode = 0) {
    return call("fmi3SetTime", "time=" + t, "status=fmi3OK") + "\n" +
           call("fmi3SetContinuousStates", "continuousStates=[0.5,-1] nContinuousStates=2", "status=fmi3OK") + "\n" +
           indicators3(z) + "\n" +
           call("fmi3CompletedIntegratorStep", "noSetFMUStatePriorToCurrentPoint=1",
                "status=fmi3OK enterEventMode=" + std::to_string(enterEventMode) + " terminateSimulation=0");
}
std::string continuousTime3() { return call("fmi3EnterContinuousTimeMode", "", "status=fmi3OK"); }
// An event handled as it should be: its update, the indicator read after it.
std::string event3() {
    return enterEventMode3() + "\n" + updateDiscreteStates3() + "\n" + continuousTime3() + "\n" + indicators3("1e-16");
}
// varnelle in model exchange up to its first contact at 1.02, handled as
// firstEvent says.
std::string meToFirstRebound(const std::string& firstEvent = event3()) {
    return varnelleMe() + "\n" + updateDiscreteStates3() + "\n" + continuousTime3() + "\n" + indicators3("1") + "\n" +
           step3("0.01", "1.03") + "\n" + step3("1.02", "-0.01") + "\n" + firstEvent;
}
// ...and to its rest at 2.2, where the component asks to terminate.
std::string meToRest(const std::string& afterRequest, const std::string& firstEvent = event3()) {
    return record({meToFirstRebound(firstEvent), step3("2.2", "-0.001"), enterEventMode3(), updateDiscreteStates3(0, 1),
                   afterRequest, call("fmi3Terminate", "", "status=fmi3OK"), freed3()});
}

INSTANTIATE_TEST_SUITE_P(
    Fmi3Trajectories, ProbeVerdicts,
    testing::Values(
        VerdictCase{"ModelExchangeToTheRestPass", 2, {{varnelleMeRun, meToRest(heightRead3()), exited(0), firstReboundCsv()}},
                    Verdict::pass,
                    "^varnelle me: rebound at 1.0.*; varnelle me: 2 Event Modes, each entered for an event and iterated "
                    "until discreteStatesNeedUpdate was false; stopped at t = 2.2, where the component asked to terminate$"},
        VerdictCase{"ModelExchangeLeavesWhileAnUpdateIsNeededFail", 2,
                    {{varnelleMeRun,
                      meToRest(heightRead3(), enterEventMode3() + "\n" + updateDiscreteStates3(1) + "\n" +
                                                  continuousTime3() + "\n" + indicators3("1e-16")),
                      exited(0), firstReboundCsv()}},
                    Verdict::fail,
                    "^varnelle me: the first call out of order in an Event Mode: fmi3EnterContinuousTimeMode\\(\\) at t = "
                    "1.02, while the last fmi3UpdateDiscreteStates answered discreteStatesNeedUpdate true; pass for"},
        VerdictCase{"ModelExchangeLeavesWithoutAnUpdateFail", 2,
                    {{varnelleMeRun,
                      record({varnelleMe(), continuousTime3(), step3("0.01", "1.03"), call("fmi3Terminate", "", "status=fmi3OK")}),
                      exited(0), firstReboundCsv()}},
                    Verdict::fail,
                    "^varnelle me: the first call out of order in an Event Mode: fmi3EnterContinuousTimeMode\\(\\) at t = 0, "
                    "before any fmi3UpdateDiscreteStates in that Event Mode"},
        VerdictCase{"ModelExchangeGoesOnAfterTheRequestFail", 2,
                    {{varnelleMeRun, meToRest(continuousTime3() + "\n" + step3("2.21", "1e-16")), exited(0),
                      firstReboundCsv()}},
                    Verdict::fail,
                    "^varnelle me: went on after fmi3UpdateDiscreteStates handed out terminateSimulation true at t = 2.2: "
                    "fmi3EnterContinuousTimeMode\\(\\) at t = 2.2; pass for varnelle me: rebound"},
        VerdictCase{"ModelExchangeEventWithoutDomainChangeNote", 2,
                    {{varnelleMeRun,
                      record({meToFirstRebound(), step3("1.5", "0.9"), step3("1.51", "0.8"), event3(),
                              step3("1.52", "0.7"), event3(), call("fmi3Terminate", "", "status=fmi3OK"), freed3()}),
                      exited(0), firstReboundCsv()}},
                    Verdict::note,
                    "^varnelle me: entered Event Mode 2 times with no event indicator changing its domain \\(z > 0 against "
                    "z ≤ 0\\), no step event and no time event, first at t = 1.51 \\(the indicators read since the last "
                    "event update: \\[1e-16\\], \\[0.9\\], \\[0.8\\]\\)"},
        // A step event, a time event the component announced: reasons of their own.
        VerdictCase{"ModelExchangeStepAndTimeEventsPass", 2,
                    {{varnelleMeRun,
                      record({meToFirstRebound(), step3("1.5", "0.9", 1), enterEventMode3(),
                              call("fmi3UpdateDiscreteStates", "",
                                   "status=fmi3OK discreteStatesNeedUpdate=0 terminateSimulation=0 "
                                   "nominalsOfContinuousStatesChanged=0 valuesOfContinuousStatesChanged=0 "
                                   "nextEventTimeDefined=1 nextEventTime=1.6"),
                              continuousTime3(), step3("1.6", "0.8"), event3(), call("fmi3Terminate", "", "status=fmi3OK"),
                              freed3()}),
                      exited(0), firstReboundCsv()}},
                    Verdict::pass, "; varnelle me: 3 Event Modes, each entered for an event"},
        // Stopped before its first contact: its event handling not reached,
        // its missing rebound still a fail.
        VerdictCase{"ModelExchangeStoppedBeforeAnyEventFail", 2,
                    {{varnelleMeRun,
                      record({varnelleMe(), updateDiscreteStates3(), continuousTime3(), indicators3("1"),
                              step3("0.5", "0.9"), call("fmi3Terminate", "", "status=fmi3OK"), freed3()}),
                      exited(0), "time,height,velocity\n0,1,4\n0.5,2.3,-0.9\n"}},
                    Verdict::fail, "; not reached for varnelle me: no Event Mode entered; the run stopped at t = 0.5"},
        // A host failing several ways before it crashes at 2.3: each named.
        VerdictCase{"ModelExchangeFailsSeveralWaysAndCrashesFail", 2,
                    {{varnelleMeRun,
                      record({varnelleMe(), updateDiscreteStates3(1), continuousTime3(), indicators3("1"),
                              step3("0.5", "0.9"), enterEventMode3(), updateDiscreteStates3(0, 1), continuousTime3(),
                              step3("2.3", "0.8")}),
                      crashed(), "time,height,velocity\n0,1,4\n0.5,2.3,-0.9\n"}},
                    Verdict::fail,
                    "^varnelle me: crashed at t = 2.3, its last call fmi3CompletedIntegratorStep\\(.*\\)"
                    "; varnelle me: the first call out of order in an Event Mode: fmi3EnterContinuousTimeMode\\(\\) at "
                    "t = 0, while the last.*; varnelle me: went on after fmi3UpdateDiscreteStates handed out "
                    "terminateSimulation true at t = 0.5: fmi3EnterContinuousTimeMode\\(\\) at t = 0.5; note for varnelle "
                    "me: entered Event Mode 1 time"},
        VerdictCase{"CoSimulationToTheRestPass", 3,
                    {{varnelleCsRun,
                      record({varnelleCs(0), doStep3("0", "0.01", "fmi3OK", 0, 0, "", 1),
                              call("fmi3Terminate", "", "status=fmi3OK"), freed3()}),
                      exited(0), referenceCsv(0.01)}},
                    Verdict::pass,
                    "^varnelle cs h = 0.01: bit for bit the reference \\(varnelle-h0.01.csv, to its end at t = 0.01\\). "
                    "fmi3DoStep at points t \\+= h and n·h alike with step sizes h$"},
        VerdictCase{"CoSimulationStepsOnAfterTheRequestFail", 3,
                    {{varnelleCsRun,
                      record({varnelleCs(0), doStep3("0", "0.01", "fmi3OK", 0, 0, "", 1),
                              doStep3("0.01", "0.01", "fmi3OK", 0, 0, "", 1), freed3()}),
                      exited(0), referenceCsv(0.01) + "0.02,0,0\n"}},
                    Verdict::fail,
                    "^varnelle cs h = 0.01: went on after fmi3DoStep handed out terminateSimulation true at t = 0.01: "
                    "fmi3DoStep\\(currentCommunicationPoint=0.01, communicationStepSize=0.01, "
                    "noSetFMUStatePriorToCurrentPoint=1\\) at t = 0.01; pass for varnelle cs h = 0.01: bit for bit"},
        // With event mode: the event-mode reference, its two rows at the event's time.
        VerdictCase{"CoSimulationWithEventModeAgainstItsReferencePass", 3,
                    {{varnelleCsRun, record({varnelleCs(1), updateDiscreteStates3(),
                                             call("fmi3EnterStepMode", "", "status=fmi3OK"),
                                             doStep3("0", "0.01", "fmi3OK", 1), freed3()}),
                      exited(0), eventModeReferenceCsv(0.01)}},
                    Verdict::pass, "^varnelle cs h = 0.01: bit for bit the reference \\(varnelle-event-mode-h0.01.csv"},
        VerdictCase{"CoSimulationWithEventModeWithoutTheReboundFail", 3,
                    {{varnelleCsRun, record({varnelleCs(1), updateDiscreteStates3(), doStep3("0", "0.01", "fmi3OK", 1),
                                             freed3()}),
                      exited(0), "time,height,velocity\n0,1,4\n0.01,-0.01,-3\n"}},
                    Verdict::fail,
                    "^varnelle cs h = 0.01: row at t = 0.01: height -0.01, reference 0 \\(varnelle-event-mode-h0.01.csv"}),
    [](const testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.rule); });

// The advice names what was wrong: in model exchange the iteration and the
// request to terminate; in co-simulation the request alone, or with the CSV.
TEST_F(Verdicts, Fmi3TrajectoryAdviceNamesEachFault) {
    const ProbeResult iteration = judge(2, {{varnelleMeRun,
                                             record({varnelleMe(), continuousTime3(), step3("0.01", "1.03")}),
                                             exited(0), firstReboundCsv()}});
    EXPECT_EQ(iteration.fix, "In each Event Mode call fmi3UpdateDiscreteStates until discreteStatesNeedUpdate is false "
                             "before fmi3EnterContinuousTimeMode.");
    const std::string steppedOn = record({varnelleCs(0), doStep3("0", "0.01", "fmi3OK", 0, 0, "", 1),
                                          doStep3("0.01", "0.01", "fmi3OK", 0, 0, "", 1)});
    EXPECT_EQ(judge(3, {{varnelleCsRun, steppedOn, exited(0), referenceCsv(0.01)}}).fix,
              "Stop stepping when fmi3DoStep hands out terminateSimulation true.");
    const ProbeResult both = judge(3, {{varnelleCsRun, steppedOn, exited(0), "time,height,velocity\n0,1,4\n"}});
    EXPECT_TRUE(std::regex_search(both.fix, std::regex("^Call fmi3DoStep once per .* with fmi3GetFloat64 at every point, "
                                                       "unchanged. Stop stepping when fmi3DoStep")))
        << both.fix;
}

// The FMI 3.0 runs are drawn with the others: the co-simulation run with
// the reference it was compared with.
TEST_F(Verdicts, ReportPlotsTheFmi3TrajectoriesWithTheirReferences) {
    HandRuns hand({{pellidorStrict, pellidorToTheEnd, exited(0), bouncingCsv},
                   {varnelleMeRun, meToRest(heightRead3()), exited(0), bouncingCsv},
                   {varnelleCsRun, record({varnelleCs(1), doStep3("0", "0.01", "fmi3OK", 1)}), exited(0),
                    eventModeReferenceCsv(0.01)}});
    Settings settings;
    settings.references = references;
    const std::vector<Plot> plots = trajectoryPlots(runProbes(hand, settings, {2, 3}));
    ASSERT_EQ(plots.size(), 2u);
    EXPECT_EQ(occurrences(plots[0].svg, std::regex("<text class='title'[^>]*>strict-host varnelle.fmu \\(me\\)")), 1u);
    EXPECT_EQ(occurrences(plots[1].svg, std::regex("<polyline class='reference'[^>]* points='([0-9.]+,[0-9.]+ ){3}'")), 2u)
        << "the event-mode reference's three rows, height and velocity";
}

}  // namespace
