// The host program (rebounder-host) run as a user runs it: on each component,
// as a library and as an .fmu, to t = 3. Its printed summary and its CSV must
// show the rebounds where the model's arithmetic puts them, its log output
// must expand the references it can and keep the malformed ones, and a bad
// command line must fail cleanly.
#ifdef REBOUNDER_HOST_PROGRAM

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model_expectations.h"
#include "support.h"
#ifdef VARNELLE_RECORDING_LIBRARY
#include "fmi3_fixture.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace expected;

struct Outcome {
    int exitStatus = -1;
    std::string output;  // standard output and standard error together
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Outcome runHost(const std::vector<std::string>& arguments) {
    std::string command = quoted(REBOUNDER_HOST_PROGRAM);
    for (const auto& argument : arguments) command.append(" ").append(quoted(argument));
    command += " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, read);
    const int status = pclose(pipe);
    outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// A fresh directory for one test's output files, removed afterwards.
class OutputDirectory {
public:
    OutputDirectory() {
        std::string pattern = (fs::temp_directory_path() / "host-program-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~OutputDirectory() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

struct Row {
    double time, height, velocity;
};

std::vector<Row> readCsv(const fs::path& path, std::string& header) {
    std::vector<Row> rows;
    std::ifstream file(path);
    std::getline(file, header);
    std::string line;
    while (std::getline(file, line)) {
        Row row{};
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &row.time, &row.height, &row.velocity) == 3) rows.push_back(row);
    }
    return rows;
}

struct PrintedRebound {
    double time, before, after;
};

std::vector<PrintedRebound> printedRebounds(const std::string& output) {
    std::vector<PrintedRebound> rebounds;
    const std::regex line(R"(rebound \d+ at t = ([-0-9.e]+) s: velocity ([-0-9.e]+) -> ([-0-9.e]+) m/s)");
    for (std::sregex_iterator it(output.begin(), output.end(), line), end; it != end; ++it) {
        rebounds.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3])});
    }
    return rebounds;
}

// The model's first floor contact from its start values.
const double contactTime = firstContactTime();

// The summary prints six decimals.
constexpr double printedTolerance = 2e-6;

struct ComponentCase {
    const char* name;
    std::string path;
    bool coSimulation;
};

std::vector<ComponentCase> componentCases() {
    std::vector<ComponentCase> cases;
#ifdef PELLIDOR_LIBRARY
    cases.push_back({"pellidor library", PELLIDOR_LIBRARY, false});
#endif
#ifdef CORVANE_LIBRARY
    cases.push_back({"corvane library", CORVANE_LIBRARY, true});
#endif
#ifdef TRESSIVO_LIBRARY
    cases.push_back({"tressivo library", TRESSIVO_LIBRARY, false});
#endif
#ifdef REBOUNDER_FMU_DIRECTORY
    cases.push_back({"pellidor.fmu", std::string(REBOUNDER_FMU_DIRECTORY) + "/pellidor.fmu", false});
    cases.push_back({"corvane.fmu", std::string(REBOUNDER_FMU_DIRECTORY) + "/corvane.fmu", true});
    cases.push_back({"tressivo.fmu", std::string(REBOUNDER_FMU_DIRECTORY) + "/tressivo.fmu", false});
#endif
    return cases;
}

TEST(HostProgram, SimulatesEveryComponentToThreeSecondsWithItsRebounds) {
    const auto cases = componentCases();
    ASSERT_FALSE(cases.empty()) << "no component library is built";
    for (const ComponentCase& component : cases) {
        SCOPED_TRACE(component.name);
        OutputDirectory directory;
        const fs::path csv = directory.path / "trajectory.csv";
        const fs::path svg = directory.path / "plot.svg";
        const Outcome run = runHost({component.path, "--stop-time", "3", "--csv", csv.string(), "--svg", svg.string()});
        ASSERT_EQ(run.exitStatus, 0) << run.output;

        // Model exchange steps 0.001 with this program's integrator,
        // co-simulation communicates every 0.01.
        const double step = component.coSimulation ? 0.01 : 0.001;
        const auto rebounds = printedRebounds(run.output);
        ASSERT_GE(rebounds.size(), 4u) << run.output;
        const PrintedRebound& first = rebounds.front();
        // Explicit Euler trails the exact parabola by about 0.8 of a step at
        // the floor, and the crossing is seen at the end of the step that
        // makes it: the first rebound lies within two steps after contact.
        EXPECT_GE(first.time, contactTime);
        EXPECT_LE(first.time, contactTime + 2.0 * step);
        // Under constant gravity Euler's velocity is exact: 4 - 9.81 t.
        if (component.coSimulation) {
            // The velocities at the communication points around the step in
            // which the component rebounded, at its end.
            EXPECT_NEAR(first.before, startVelocity + startGravity * (first.time - step), printedTolerance);
            EXPECT_NEAR(first.after, rebound({0.0, startVelocity + startGravity * first.time}).velocity,
                        printedTolerance);
        } else {
            EXPECT_NEAR(first.before, startVelocity + startGravity * first.time, printedTolerance);
            EXPECT_NEAR(first.after, rebound({0.0, first.before}).velocity, printedTolerance);
        }
        // The mass keeps bouncing, each rebound later and weaker.
        for (std::size_t i = 1; i < 4; ++i) {
            EXPECT_GT(rebounds[i].time, rebounds[i - 1].time);
            EXPECT_LT(rebounds[i].after, rebounds[i - 1].after);
            EXPECT_GT(rebounds[i].after, 0.0);
        }

        std::string header;
        const auto rows = readCsv(csv, header);
        EXPECT_EQ(header, "time,height,velocity");
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.front().time, 0.0);
        EXPECT_EQ(rows.front().height, startHeight);
        EXPECT_EQ(rows.front().velocity, startVelocity);
        EXPECT_EQ(rows.back().time, 3.0);
        // At the first rebound the CSV holds the state the program handed
        // over, then the state after the rebound: on the floor, rising.
        bool found = false;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            if (std::abs(rows[i].time - first.time) > 1e-9 || rows[i].velocity <= 0.0) continue;
            found = true;
            EXPECT_NEAR(rows[i].velocity, first.after, printedTolerance);
            if (!component.coSimulation) {
                EXPECT_EQ(rows[i].height, 0.0);
                EXPECT_LT(rows[i - 1].height, 0.0) << "the event fired before the mass reached the floor";
                EXPECT_EQ(rows[i].velocity, rebound({rows[i - 1].height, rows[i - 1].velocity}).velocity);
            }
            break;
        }
        EXPECT_TRUE(found) << "no row after the first rebound at t = " << first.time;
        if (component.coSimulation) {
            // The component handles a floor contact inside the step that
            // makes it: no communication point ever finds the mass below.
            for (const Row& row : rows) ASSERT_GE(row.height, 0.0) << "below the floor at t = " << row.time;
        }
        std::ifstream plot(svg);
        std::stringstream text;
        text << plot.rdbuf();
        EXPECT_NE(text.str().find("<polyline"), std::string::npos) << "the plot holds no trajectory";
    }
}

#ifdef TRESSIVO_LIBRARY
TEST(HostProgram, ExpandsReferencesAndShowsMalformedOnesAsTheyAre) {
    const Outcome run = runHost({TRESSIVO_LIBRARY, "--stop-time", "0.1", "--no-csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    // Built-in names for a library without a description; "%g" of the start values.
    for (const char* line : {"[OK] INFO tressivo: Init height=1\n", "[OK] INFO tressivo: Init velocity=4\n",
                             "[OK] INFO tressivo: Init gravity=-9.81\n", "[OK] INFO tressivo: Init restitution=0.5\n",
                             // "##" is the escaped hash sign.
                             "[OK] INFO tressivo: ### Initializing component ###\n",
                             // Malformed or unknown references stay as written; the
                             // component sends them with category ERROR and status OK.
                             "[OK] ERROR tressivo: Bad reference: #r-1#\n", "[OK] ERROR tressivo: Bad reference: #r1\n",
                             "[OK] ERROR tressivo: Bad reference: #t1#\n", "[OK] ERROR tressivo: Bad reference: #r10#\n"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << "missing: " << line << "in\n" << run.output;
    }
    // Before its first rebound the component never reports a converged
    // event iteration; the program must go on, not hang.
    EXPECT_NE(run.output.find("iterationConverged false"), std::string::npos) << run.output;

    const Outcome raw = runHost({TRESSIVO_LIBRARY, "--stop-time", "0.1", "--no-csv", "--raw-messages"});
    ASSERT_EQ(raw.exitStatus, 0) << raw.output;
    EXPECT_NE(raw.output.find("Init #r3#=0.5"), std::string::npos) << raw.output;
    EXPECT_NE(raw.output.find("###### Initializing component ######"), std::string::npos) << raw.output;
}
#endif

#ifdef PELLIDOR_LIBRARY
TEST(HostProgram, String0IsEchoedWithStatusFatalOnlyWithLoggingOn) {
    const Outcome on = runHost({PELLIDOR_LIBRARY, "--stop-time", "0.01", "--no-csv", "--string0", "gravity is #r2#"});
    ASSERT_EQ(on.exitStatus, 0) << on.output;
    EXPECT_NE(on.output.find("[Fatal] INFO pellidor: gravity is gravity\n"), std::string::npos) << on.output;

    const Outcome off = runHost({PELLIDOR_LIBRARY, "--stop-time", "0.01", "--no-csv", "--string0", "quiet",
                                 "--logging", "off"});
    ASSERT_EQ(off.exitStatus, 0) << off.output;
    EXPECT_EQ(off.output.find("quiet"), std::string::npos) << off.output;
    EXPECT_EQ(off.output.find("Init "), std::string::npos) << off.output;
}
#endif

TEST(HostProgram, HelpExplainsEveryOption) {
    const Outcome help = runHost({"--help"});
    ASSERT_EQ(help.exitStatus, 0);
    for (const char* option : {"--stop-time", "--step", "--csv", "--no-csv", "--svg", "--logging", "--raw-messages",
                               "--string0", "--interface", "--summary-limit", "--clock", "--compare", "--tolerance",
                               "--help"}) {
        EXPECT_NE(help.output.find(std::string("  ") + option + " "), std::string::npos) << option << " not explained";
    }
}

TEST(HostProgram, BadCommandLinesFailWithAMessage) {
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* message;
    };
    const std::string component = "some.fmu";
    const Case cases[] = {
        {{}, 2, "no component given"},
        {{"--frobnicate", component}, 2, "unknown option '--frobnicate'"},
        {{component, "--step", "-1"}, 2, "--step needs a positive number, not '-1'"},
        {{component, "--step", "0"}, 2, "--step needs a positive number"},
        {{component, "--stop-time", "3s"}, 2, "--stop-time needs a positive number, not '3s'"},
        {{component, "--stop-time", "nan"}, 2, "--stop-time needs a positive number"},
        {{component, "--stop-time"}, 2, "--stop-time needs a number"},
        {{component, "--logging", "maybe"}, 2, "--logging needs 'on' or 'off'"},
        {{component, "--interface", "sc"}, 2, "--interface needs 'me' or 'cs'"},
        {{component, "--summary-limit", "-3"}, 2, "--summary-limit needs a whole number"},
        {{component, "other.fmu"}, 2, "only one component"},
        {{component, "--clock", "hourly"}, 2, "--clock needs 'index' or 'sum'"},
        {{component, "--tolerance", "1e-9"}, 2, "--tolerance needs --compare"},
        {{component, "--compare", "reference.csv", "--tolerance", "-1"}, 2, "--tolerance needs a number of 0 or more"},
        {{"result.csv"}, 2, "a CSV file can only be compared"},
        {{"--compare", "/nonexistent/reference.csv", "/nonexistent/result.csv"}, 1, "cannot read /nonexistent/result.csv"},
        {{"/nonexistent/component.fmu"}, 1, "no such file: /nonexistent/component.fmu"},
        {{"/nonexistent/component.so"}, 1, "cannot load /nonexistent/component.so"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& argument : c.arguments) joined += argument + " ";
        SCOPED_TRACE(joined);
        const Outcome run = runHost(c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    }
}

// An archive holding the given entries, each with its name as its content.
// libzip writes every name as given, .. steps and absolute paths included.
void writeArchive(const fs::path& path, const std::vector<std::string>& entries) {
    int error = ZIP_ER_OK;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << "libzip error " << error;
    for (const std::string& name : entries) {
        zip_source_t* content = zip_source_buffer(archive, name.data(), name.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), content, ZIP_FL_ENC_UTF_8), 0) << zip_strerror(archive);
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

// An archive whose entries would land outside the folder the host program
// unpacks it into is refused before anything is written; a file that is no
// zip archive is refused in libzip's own words.
TEST(HostProgram, RefusesArchivesItCannotUnpackSafely) {
    OutputDirectory directory;
    // Where each entry would land: beside the host program's temporary
    // folder, or at an absolute path inside this test's directory.
    const std::string besideName = "escaped-" + directory.path.filename().string();
    const fs::path beside = fs::temp_directory_path() / besideName;
    const fs::path absolute = directory.path / "escaped";
    const std::pair<std::string, fs::path> escapes[] = {
        {"../" + besideName, beside}, {"binaries/../../" + besideName, beside}, {absolute.string(), absolute}};
    for (const auto& [entry, landing] : escapes) {
        SCOPED_TRACE(entry);
        const fs::path fmu = directory.path / "escaping.fmu";
        ASSERT_NO_FATAL_FAILURE(writeArchive(fmu, {"modelDescription.xml", entry}));
        const Outcome run = runHost({fmu.string()});
        EXPECT_EQ(run.exitStatus, 1) << run.output;
        EXPECT_NE(run.output.find("its entry '" + entry + "' would land outside the folder"), std::string::npos)
            << run.output;
        EXPECT_FALSE(fs::exists(landing)) << "written outside the folder: " << landing;
        std::error_code ignored;
        fs::remove(landing, ignored);
    }

    const fs::path plainText = directory.path / "plain-text.fmu";
    std::ofstream(plainText) << "no zip archive";
    const Outcome run = runHost({plainText.string()});
    EXPECT_EQ(run.exitStatus, 1) << run.output;
    EXPECT_NE(run.output.find("cannot unpack " + plainText.string() + ": Not a zip archive"), std::string::npos)
        << run.output;
}

#ifdef CORVANE_LIBRARY
TEST(HostProgram, ReportsACommunicationStepTheComponentDidNotComplete) {
    // 100 internal steps of 0.01 cover at most 1.0: a step of 2 stops short,
    // and the component says so with fmi2Discard.
    const Outcome run = runHost({CORVANE_LIBRARY, "--step", "2", "--stop-time", "2", "--no-csv"});
    EXPECT_EQ(run.exitStatus, 1) << run.output;
    EXPECT_NE(run.output.find("fmi2DoStep returned fmi2Discard"), std::string::npos) << run.output;
}
#endif

#ifdef REBOUNDER_REFERENCE_RESULTS
const fs::path references = REBOUNDER_REFERENCE_RESULTS;

std::vector<std::string> lines(const fs::path& path) {
    std::vector<std::string> all;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) all.push_back(line);
    return all;
}

#ifdef PELLIDOR_LIBRARY
TEST(HostProgram, CompareNamesTheFirstDifferenceDownToTheLastDigit) {
    const fs::path reference = references / "pellidor-h0.01.csv";
    const std::vector<std::string> text = lines(reference);
    ASSERT_GT(text.size(), 200u);
    // One velocity, in the middle of the run, changed in its last digit to
    // the first digit that makes it another double.
    const std::size_t row = 150;
    const std::string line = text[row];
    const std::string original = line.substr(line.rfind(',') + 1);
    std::string changed = original;
    for (char digit = '0'; digit <= '9' && std::strtod(changed.c_str(), nullptr) == std::strtod(original.c_str(), nullptr);
         ++digit)
        changed.back() = digit;
    ASSERT_NE(changed, original) << "no last digit changes " << original;
    OutputDirectory directory;
    const fs::path edited = directory.path / "edited.csv";
    {
        std::ofstream out(edited);
        for (std::size_t i = 0; i < text.size(); ++i)
            out << (i == row ? line.substr(0, line.rfind(',') + 1) + changed : text[i]) << '\n';
    }

    const Outcome same = runHost({PELLIDOR_LIBRARY, "--step", "0.01", "--logging", "off", "--compare", reference.string()});
    EXPECT_EQ(same.exitStatus, 0) << same.output;
    EXPECT_NE(same.output.find("agree bit for bit"), std::string::npos) << same.output;

    const std::string where = "row " + std::to_string(row) + " (time " + line.substr(0, line.find(',')) + "), column velocity: " +
                              original + " here";
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{PELLIDOR_LIBRARY, "--step", "0.01", "--logging", "off", "--compare", edited.string()},
          std::vector<std::string>{"--compare", edited.string(), reference.string()}}) {
        const Outcome differs = runHost(arguments);
        EXPECT_EQ(differs.exitStatus, 1) << differs.output;
        EXPECT_NE(differs.output.find(where), std::string::npos) << "expected: " << where << "\n" << differs.output;
        EXPECT_EQ(differs.output.find("trajectory: "), std::string::npos) << "a comparison wrote a trajectory";
    }
    const Outcome within = runHost({"--compare", edited.string(), "--tolerance", "1e-12", reference.string()});
    EXPECT_EQ(within.exitStatus, 0) << within.output;
    EXPECT_NE(within.output.find("column velocity"), std::string::npos) << "the largest difference: " << within.output;
}
#endif

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// corvane's references come from the simplest master's clock, t += h with
// round(3 / h) steps; the model-exchange ones from k·h, ending on 3.
TEST(HostProgram, ReferenceResultsFollowTheirHostsClocks) {
    for (const auto& [name, step] : {std::pair{"corvane-h0.01", 0.01}, {"corvane-h0.05", 0.05}, {"corvane-h0.1", 0.1}}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> text = lines(references / (std::string(name) + ".csv"));
        ASSERT_EQ(text.size(), 2 + static_cast<std::size_t>(std::lround(3.0 / step)));
        EXPECT_EQ(text[0], "time,height,velocity");
        for (std::size_t row = 2; row < text.size(); ++row)
            ASSERT_EQ(number(text[row]), number(text[row - 1]) + step) << "line " << row + 1;
    }
    for (const auto& [name, step] : {std::pair{"pellidor-h0.001", 0.001}, {"tressivo-h0.01", 0.01}}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> text = lines(references / (std::string(name) + ".csv"));
        const std::size_t steps = static_cast<std::size_t>(std::lround(3.0 / step));
        std::size_t k = 0;
        for (std::size_t row = 2; row < text.size(); ++row) {
            if (number(text[row]) == number(text[row - 1])) continue;  // the row after an event
            ++k;
            ASSERT_EQ(number(text[row]), k == steps ? 3.0 : static_cast<double>(k) * step) << "line " << row + 1;
        }
        EXPECT_EQ(k, steps);
    }

    // The closed-form contact solves the model's parabola, and every case's
    // first rebound falls within two of its steps after it.
    std::map<std::string, std::vector<double>> firstRebounds;
    for (const std::string& line : lines(references / "first-rebounds.csv")) {
        std::vector<double> values;
        std::stringstream fields(line.substr(line.find(',') + 1));
        for (std::string field; std::getline(fields, field, ',');) values.push_back(number(field));
        firstRebounds[line.substr(0, line.find(','))] = values;
    }
    ASSERT_EQ(firstRebounds.size(), 9u) << "header, seven cases, the closed form";
    const std::vector<double> exact = firstRebounds.at("closed-form");
    EXPECT_EQ(exact[1], contactTime);
    EXPECT_NEAR(startHeight + startVelocity * exact[1] + startGravity * exact[1] * exact[1] / 2.0, 0.0, 1e-12);
    for (const auto& [name, values] : firstRebounds) {
        if (name == "case" || name == "closed-form") continue;
        SCOPED_TRACE(name);
        EXPECT_GE(values[1], exact[1]);
        EXPECT_LE(values[1], exact[1] + 2.0 * values[0]);
        EXPECT_LT(values[2], 0.0);
        EXPECT_GT(values[3], 0.0);
    }
}
#endif

#ifdef PELLIDOR_RECORDING_LIBRARY

// The recording build: the same components, every call written to the call
// record named by REBOUNDER_CALL_RECORD. What the host check concludes stands
// on these records, so a record must hold every call, nested as the calls
// were, with the values the host really passed, and must change nothing the
// host sees.

constexpr char recordVariable[] = "REBOUNDER_CALL_RECORD";

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The value of key=... on a record line, up to the next space.
std::string field(const std::string& line, const std::string& key) {
    const std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return "";
    const std::size_t start = at + key.size() + 2;
    return line.substr(start, line.find(' ', start) - start);
}

TEST(Recording, WithoutTheVariableTheRecordingFmusAnswerAsThePlainOnes) {
    unsetenv(recordVariable);
    OutputDirectory dir;
    for (const char* component : {"pellidor", "corvane", "tressivo"}) {
        const fs::path plainCsv = dir.path / (std::string(component) + "-plain.csv");
        const fs::path recordingCsv = dir.path / (std::string(component) + "-recording.csv");
        const std::string fmu = std::string(component) + ".fmu";
        const Outcome plain = runHost({std::string(REBOUNDER_DEFAULT_FMU_DIRECTORY) + "/" + fmu, "--csv", plainCsv.string()});
        const Outcome recording =
            runHost({std::string(REBOUNDER_RECORDING_FMU_DIRECTORY) + "/" + fmu, "--csv", recordingCsv.string()});
        EXPECT_EQ(plain.exitStatus, 0) << plain.output;
        EXPECT_EQ(recording.exitStatus, 0) << recording.output;
        EXPECT_EQ(contentsOf(plainCsv), contentsOf(recordingCsv)) << component << ": the trajectories differ";
        EXPECT_FALSE(contentsOf(plainCsv).empty()) << component;
    }
}

// Whole runs of the host program: every call entered is left again in the
// order of nesting, every block the component asked for comes back once, and
// the communication points are the host's own, to the last bit.
TEST(Recording, RecordsEveryCallOfARunNestedWithEveryBlockAndExactTimes) {
    OutputDirectory dir;
    for (const char* component : {"pellidor", "corvane", "tressivo"}) {
        const fs::path record = dir.path / (std::string(component) + ".record");
        setenv(recordVariable, record.c_str(), 1);
        const Outcome run = runHost({std::string(REBOUNDER_RECORDING_FMU_DIRECTORY) + "/" + component + ".fmu",
                                     "--no-csv", "--stop-time", "0.5", "--step", "0.1", "--clock", "sum"});
        unsetenv(recordVariable);
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        const std::vector<std::string> lines = linesOf(record);
        ASSERT_GE(lines.size(), 3u) << component << ": no record";
        EXPECT_EQ(lines[0], "rebounder call record 1");
        EXPECT_EQ(lines[1].rfind(std::string("library ") + component + " ", 0), 0u) << lines[1];

        std::vector<std::string> open;
        std::map<std::string, int> liveBlocks;
        std::vector<double> points;
        std::size_t logLines = 0;
        for (const std::string& line : lines) {
            const std::string function = line.substr(2, line.find(' ', 2) - 2);
            if (line.rfind("> ", 0) == 0) open.push_back(function);
            if (line.rfind("< ", 0) == 0) {
                ASSERT_FALSE(open.empty()) << component << ": returned without entering: " << line;
                EXPECT_EQ(open.back(), function) << component << ": calls not nested: " << line;
                open.pop_back();
            }
            if (line.rfind("> fmi2DoStep ", 0) == 0) points.push_back(std::stod(field(line, "currentCommunicationPoint")));
            if (line.rfind("alloc ", 0) == 0) {
                EXPECT_EQ(field(line, "zeroed"), "1") << line;
                ++liveBlocks[field(line, "block")];
            }
            if (line.rfind("free ", 0) == 0 && field(line, "block") != "null") --liveBlocks[field(line, "block")];
            if (line.rfind("log ", 0) == 0) ++logLines;
        }
        EXPECT_TRUE(open.empty()) << component << ": " << open.size() << " calls never returned";
        for (const auto& [block, count] : liveBlocks) EXPECT_EQ(count, 0) << component << ": block " << block;
        EXPECT_GE(logLines, 5u) << component << ": the initialisation messages are missing";
        if (std::string(component) == "corvane") {
            ASSERT_EQ(points.size(), 5u);
            double t = 0.0;
            for (double point : points) {
                EXPECT_EQ(bitsOf(point), bitsOf(t)) << "recorded " << shortest(point) << ", the host passed " << shortest(t);
                t += 0.1;
            }
        }
    }
}

// An allocator that hands out memory as malloc leaves it, never zeroed.
void* dirtyAllocate(std::size_t count, std::size_t size) {
    void* block = std::malloc(count * size);
    if (block != nullptr) std::memset(block, 0xAB, count * size);
    return block;
}
void quietLogger(fmi2ComponentEnvironment, fmi2String, fmi2Status, fmi2String, fmi2String, ...) {}

// The values as the host passed and received them: a string never written
// handed out as null, a written one with its quotes and line breaks escaped,
// a null array, and a block that did not come zeroed.
TEST(Recording, WritesTheValuesAsTheHostPassedAndReceivedThem) {
    OutputDirectory dir;
    const fs::path record = dir.path / "pellidor.record";
    setenv(recordVariable, record.c_str(), 1);
    {
        host::Library library(PELLIDOR_RECORDING_LIBRARY);
        ASSERT_TRUE(library.loaded()) << library.error();
        const host::Fmi2Api api(library);
        const fmi2CallbackFunctions callbacks{quietLogger, dirtyAllocate, std::free, nullptr, nullptr};
        fmi2Component c = api.fmi2Instantiate("ball", fmi2ModelExchange, guid, "", &callbacks, fmi2False, fmi2True);
        ASSERT_NE(c, nullptr);
        const fmi2ValueReference string1 = 1, string0 = 0;
        fmi2String read = "not read";
        EXPECT_EQ(api.fmi2GetString(c, &string1, 1, &read), fmi2OK);
        const fmi2String written = "say \"hi\"\n";
        EXPECT_EQ(api.fmi2SetString(c, &string0, 1, &written), fmi2OK);
        EXPECT_EQ(api.fmi2SetReal(c, nullptr, 1, nullptr), fmi2Error);
        api.fmi2FreeInstance(c);
    }
    unsetenv(recordVariable);
    const std::string text = contentsOf(record);
    EXPECT_NE(text.find("alloc count=1 size="), std::string::npos) << text;
    EXPECT_NE(text.find(" zeroed=0\n"), std::string::npos) << "the record must say the host's block was not zeroed";
    EXPECT_NE(text.find(" vr=[1] nvr=1\n< fmi2GetString c="), std::string::npos) << text;
    EXPECT_NE(text.find(" status=fmi2OK value=[null]\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" value=[\"say \\\"hi\\\"\\n\"]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("message=\"say \\\"hi\\\"\\n\""), std::string::npos) << "the echo, formatted";
    EXPECT_NE(text.find("> fmi2SetReal c="), std::string::npos);
    EXPECT_NE(text.find(" vr=null nvr=1 value=null\n"), std::string::npos) << text;
}

#ifdef VARNELLE_RECORDING_LIBRARY
// One FMI 3.0 co-simulation run as a host might make it: a callback that
// reads the height and asks for an early return, a boolean passed as the
// byte 2 (a four-byte-boolean host's kind of value), and a refused
// instantiation whose token holds printf directives. Returns the early
// return's lastSuccessfulTime and the motion the host read after it.
struct Fmi3Run {
    double lastSuccessfulTime = -1.0;
    expected::Motion motion{};
};
Fmi3Run runFmi3Host(Fmi3Fixture& f) {
    Fmi3Run run;
    fmi3Instance c = f.initialised(f.coSimulation(false, true, {ev::heightRef}, true));
    if (c == nullptr) return run;
    f.onIntermediateUpdate = [&](const IntermediateUpdate&) {
        (void)f.float64(c, ev::heightRef);
        return true;
    };
    fmi3Boolean eventHandlingNeeded = false, terminateSimulation = false, earlyReturn = false;
    EXPECT_EQ(f.api.fmi3DoStep(c, 0.0, 0.5, false, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                               &run.lastSuccessfulTime),
              fmi3OK);
    EXPECT_TRUE(earlyReturn);
    f.onIntermediateUpdate = nullptr;
    run.motion = f.motion(c);
    const unsigned char bytes[] = {2, 0};
    const fmi3ValueReference booleans[] = {ev::booleanRefs[0], ev::booleanRefs[1]};
    (void)f.api.fmi3SetBoolean(c, booleans, 2, reinterpret_cast<const fmi3Boolean*>(bytes), 2);
    f.free(c);
    EXPECT_EQ(f.api.fmi3InstantiateModelExchange("ball", "%s%n", nullptr, false, true, f.environment(), f.logger),
              nullptr);
    return run;
}

// The FMI 3.0 record: the intermediate-update callback as a pair of lines
// inside fmi3DoStep with the host's calls nested between them and what the
// host wrote back, booleans as the bytes the host passed, messages as the
// text sent (printf directives intact), statuses in FMI 3.0's spelling; and
// the recording library answers the host exactly as the hand-out one.
TEST(Recording, Fmi3RecordNestsTheCallbackAndKeepsBytesAndTexts) {
    OutputDirectory dir;
    const fs::path record = dir.path / "varnelle.record";
    Fmi3Run plain, recorded;
    {
        Fmi3Fixture f;
        plain = runFmi3Host(f);
    }
    setenv(recordVariable, record.c_str(), 1);
    {
        Fmi3Fixture f(VARNELLE_RECORDING_LIBRARY);
        recorded = runFmi3Host(f);
    }
    unsetenv(recordVariable);
    EXPECT_EQ(bitsOf(recorded.lastSuccessfulTime), bitsOf(plain.lastSuccessfulTime));
    EXPECT_EQ(bitsOf(recorded.motion.height), bitsOf(plain.motion.height));
    EXPECT_EQ(bitsOf(recorded.motion.velocity), bitsOf(plain.motion.velocity));

    const std::vector<std::string> lines = linesOf(record);
    ASSERT_GE(lines.size(), 2u) << "no record";
    EXPECT_EQ(lines[1].rfind("library varnelle fmi=3.0 interface=modelExchange,coSimulation ", 0), 0u) << lines[1];
    // Every call and callback left in the order of nesting; the host's read
    // inside the callback, the callback inside the step.
    std::vector<std::string> open;
    bool readInsideCallback = false;
    std::string updateTime, doStepLeave, updateLeave;
    for (const std::string& line : lines) {
        const std::size_t nameStart = line.find(' ') + 1;
        const std::string kind = line.substr(0, nameStart - 1);
        const std::string function = line.substr(nameStart, line.find(' ', nameStart) - nameStart);
        if (kind == ">" || kind == ">>") {
            if (function == "fmi3GetFloat64" && !open.empty() && open.back() == "intermediateUpdate") {
                readInsideCallback = open.size() == 2 && open[0] == "fmi3DoStep";
            }
            if (kind == ">>") {
                updateTime = field(line, "intermediateUpdateTime");
                EXPECT_EQ(field(line, "canReturnEarly"), "1") << line;
            }
            open.push_back(function);
        }
        if (kind == "<" || kind == "<<") {
            ASSERT_FALSE(open.empty()) << "returned without entering: " << line;
            EXPECT_EQ(open.back(), function) << "not nested: " << line;
            open.pop_back();
            if (kind == "<<") updateLeave = line;
            if (function == "fmi3DoStep") doStepLeave = line;
        }
    }
    EXPECT_TRUE(open.empty()) << open.size() << " calls never returned";
    EXPECT_TRUE(readInsideCallback) << "the host's fmi3GetFloat64 is not recorded inside the callback";
    EXPECT_EQ(field(updateLeave, "earlyReturnRequested"), "1") << updateLeave;
    EXPECT_EQ(field(doStepLeave, "status"), "fmi3OK") << doStepLeave;
    EXPECT_EQ(field(doStepLeave, "earlyReturn"), "1") << doStepLeave;
    EXPECT_EQ(field(doStepLeave, "lastSuccessfulTime"), updateTime) << "the early return is at the callback's time";

    const std::string text = contentsOf(record);
    EXPECT_NE(text.find(" nValueReferences=2 values=[2,0] nValues=2\n"), std::string::npos)
        << "the boolean bytes as passed: " << text;
    EXPECT_NE(text.find("> fmi3InstantiateModelExchange instanceName=\"ball\" instantiationToken=\"%s%n\""),
              std::string::npos);
    EXPECT_NE(text.find("log c=null status=fmi3Error category=\"ERROR\" message=\"fmi3InstantiateModelExchange: "
                        "instantiationToken \\\"%s%n\\\""),
              std::string::npos)
        << "the refusal as sent: " << text;
}
#endif

#endif

}  // namespace

#endif
