// The host program (rebounder-host) run as a user runs it: on each component,
// as a library and as an .fmu, to t = 3. Its printed summary and its CSV must
// show the rebounds where the model's arithmetic puts them, its log output
// must expand the references it can and keep the malformed ones, and a bad
// command line must fail cleanly.
#ifdef REBOUNDER_HOST_PROGRAM

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zip.h>

#include <algorithm>
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
                               "--start", "--event-mode", "--early-return", "--intermediate-update",
                               "--request-early-return", "--help"}) {
        EXPECT_NE(help.output.find(std::string("  ") + option + " "), std::string::npos) << option << " not explained";
    }
}

// The arguments as one line, for a failing case's trace.
std::string commandLine(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const auto& argument : arguments) joined += argument + " ";
    return joined;
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
        SCOPED_TRACE(commandLine(c.arguments));
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
#ifdef VARNELLE_LIBRARY
    // varnelle's plain files: the same clock as corvane's, ending with the
    // step that put the mass at rest, before 3 s.
    for (const auto& [name, step] : {std::pair{"varnelle-h0.01", 0.01}, {"varnelle-h0.05", 0.05}, {"varnelle-h0.1", 0.1}}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> text = lines(references / (std::string(name) + ".csv"));
        ASSERT_GT(text.size(), 2u);
        for (std::size_t row = 2; row < text.size(); ++row)
            ASSERT_EQ(number(text[row]), number(text[row - 1]) + step) << "line " << row + 1;
        EXPECT_LT(number(text.back()), 3.0);
        EXPECT_EQ(text.back().substr(text.back().find(',')), ",0,0") << "at rest";
    }
    constexpr std::size_t varnelleCases = 6;
#else
    constexpr std::size_t varnelleCases = 0;
#endif
    ASSERT_EQ(firstRebounds.size(), 9u + varnelleCases) << "header, seven cases (and varnelle's), the closed form";
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

#if defined(VARNELLE_LIBRARY) && defined(REBOUNDER_FMU_DIRECTORY)
// varnelle, the FMI 3.0 component, driven by the host program as an FMI 3.0
// host: each option combination's trajectory against the model's arithmetic,
// the termination it asks for at rest, the Discard retry, refusals shown and
// bad input refused in one line.

namespace ev = expected::varnelle;
const std::string varnelleFmu = std::string(REBOUNDER_FMU_DIRECTORY) + "/varnelle.fmu";

Outcome runVarnelle(std::vector<std::string> arguments, const fs::path& csv) {
    arguments.insert(arguments.begin(), varnelleFmu);
    for (const char* more : {"--logging", "off", "--csv"}) arguments.push_back(more);
    arguments.push_back(csv.string());
    return runHost(arguments);
}

bool sameRow(const Row& row, double time, Motion m) {
    return row.time == time && row.height == m.height && row.velocity == m.velocity;
}

// The simplest master's points (t += h) with the component's communication
// step and its rest: the run ends with the step that reached the rest.
std::vector<Row> restingCommunicationSteps(double h) {
    std::vector<Row> rows{{0.0, startHeight, startVelocity}};
    Motion m = startMotion;
    Rest rest;
    for (double t = 0.0; !rest.reached && rows.size() <= static_cast<std::size_t>(std::llround(3.0 / h));) {
        communicationStep(m, t, h, startGravity, startRestitution, &rest);
        t += h;
        rows.push_back({t, m.height, m.velocity});
    }
    return rows;
}

// Every option combination that lets varnelle handle its contacts inside
// fmi3DoStep computes corvane's arithmetic up to the rest, where it asks to
// terminate: the host stops there with exit status 0.
TEST(HostProgramFmi3, CoSimulationWithoutEventsInEventModeFollowsTheCommunicationStep) {
    const std::vector<std::string> combinations[] = {
        {}, {"--early-return"}, {"--event-mode"}, {"--intermediate-update"}, {"--early-return", "--intermediate-update"}};
    for (const char* step : {"0.01", "0.05", "0.1"}) {
        const std::vector<Row> expectedRows = restingCommunicationSteps(std::stod(step));
        for (const auto& options : combinations) {
            std::string label = std::string("h = ") + step;
            for (const auto& option : options) label += " " + option;
            SCOPED_TRACE(label);
            OutputDirectory directory;
            std::vector<std::string> arguments{"--step", step, "--clock", "sum"};
            arguments.insert(arguments.end(), options.begin(), options.end());
            const Outcome run = runVarnelle(arguments, directory.path / "run.csv");
            ASSERT_EQ(run.exitStatus, 0) << run.output;
            EXPECT_NE(run.output.find("asked to terminate"), std::string::npos) << run.output;
            std::string header;
            const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
            EXPECT_EQ(header, "time,height,velocity");
            ASSERT_EQ(rows.size(), expectedRows.size()) << "the run must end with the step that reached the rest";
            for (std::size_t i = 0; i < rows.size(); ++i) {
                ASSERT_TRUE(sameRow(rows[i], expectedRows[i].time, {expectedRows[i].height, expectedRows[i].velocity}))
                    << "row " << i + 1 << " at t = " << rows[i].time;
            }
            EXPECT_EQ(rows.back().height, 0.0);
            EXPECT_EQ(rows.back().velocity, 0.0);
        }
    }
}

// With event mode and early return each contact ends its step below the
// floor; the host's Event Mode rebounds it (two rows at one time) and the
// step goes on from there. Every other row follows from the row before by
// one communication step of the length the host passed.
TEST(HostProgramFmi3, EventModeHandlesEachContactAtTheEarlyReturn) {
    for (const char* step : {"0.01", "0.05", "0.1"}) {
        SCOPED_TRACE(std::string("h = ") + step);
        OutputDirectory directory;
        const Outcome run =
            runVarnelle({"--step", step, "--clock", "sum", "--event-mode", "--early-return"}, directory.path / "run.csv");
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        std::string header;
        const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
        ASSERT_GT(rows.size(), 2u);
        unsigned events = 0;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const Row& before = rows[i - 1];
            const Row& row = rows[i];
            if (row.time == before.time) {
                // The event: below the floor and falling, then the rebound,
                // or the rest when the rebound leaves too little speed.
                ++events;
                EXPECT_LT(before.height, 0.0) << "event at t = " << row.time;
                Motion after = rebound({before.height, before.velocity});
                if (comesToRest(after)) after = {0.0, 0.0};
                EXPECT_TRUE(sameRow(row, before.time, after)) << "event at t = " << row.time;
                continue;
            }
            if (i + 1 < rows.size() && rows[i + 1].time == row.time) continue;  // cut short by the contact
            Motion m{before.height, before.velocity};
            communicationStep(m, before.time, row.time - before.time);
            EXPECT_TRUE(sameRow(row, row.time, m)) << "row " << i + 1 << " at t = " << row.time;
        }
        EXPECT_EQ(events, 6u) << "five rebounds and the rest";
        EXPECT_EQ(rows.back().velocity, 0.0);
    }
}

// The callback sees every internal step, reads height and velocity there,
// and its early-return request ends the step at the time it was made: the
// values it read are the row the host writes there.
TEST(HostProgramFmi3, IntermediateUpdateRecordsItsCallsAndRequestsAnEarlyReturn) {
    OutputDirectory directory;
    const Outcome run = runVarnelle({"--step", "0.1", "--clock", "sum", "--stop-time", "1", "--early-return",
                                     "--intermediate-update", "--request-early-return", "0.42"},
                                    directory.path / "run.csv");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    std::string header;
    const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
    ASSERT_EQ(rows.size(), 12u) << "ten communication points, the start and the early return";
    // One call per internal step of every fmi3DoStep (no contact before 1.0161).
    unsigned internalSteps = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        for (InternalClock clock(rows[i - 1].time, rows[i].time - rows[i - 1].time); clock.running(); clock.advance())
            ++internalSteps;
    }
    const std::string calls = std::to_string(internalSteps);
    EXPECT_NE(run.output.find("intermediateUpdate called " + calls + " times, t = 0.01 to 1; height and velocity read in " + calls),
              std::string::npos)
        << run.output;
    std::smatch request;
    const std::regex line(R"(intermediateUpdate at t = ([-0-9.e]+) \(height ([-0-9.e]+), velocity ([-0-9.e]+)\))");
    ASSERT_TRUE(std::regex_search(run.output, request, line)) << run.output;
    const double requestTime = std::stod(request[1]);
    EXPECT_GE(requestTime, 0.42);
    EXPECT_LT(requestTime, 0.43 + 1e-12);
    const auto returned = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.time == requestTime; });
    ASSERT_NE(returned, rows.end()) << "no row at the early return";
    EXPECT_EQ(returned->height, std::stod(request[2]));
    EXPECT_EQ(returned->velocity, std::stod(request[3]));
}

// Model exchange with the host's Euler integrator: every row one Euler step
// from the one before, rebounds on the domain change with the component's
// rule, and the run ends where the mass comes to rest.
TEST(HostProgramFmi3, ModelExchangeIntegratesToTheRestAndTerminates) {
    OutputDirectory directory;
    const Outcome run = runVarnelle({"--interface", "me", "--step", "0.001"}, directory.path / "run.csv");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_NE(run.output.find("FMI 3.0 model exchange"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("asked to terminate"), std::string::npos) << run.output;
    std::string header;
    const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
    ASSERT_GT(rows.size(), 2u);
    std::vector<double> eventTimes;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Row& before = rows[i - 1];
        const Row& row = rows[i];
        if (row.time == before.time) {
            eventTimes.push_back(row.time);
            Motion after = rebound({before.height, before.velocity});
            if (comesToRest(after)) after = {0.0, 0.0};
            EXPECT_TRUE(sameRow(row, row.time, after)) << "event at t = " << row.time;
            continue;
        }
        EXPECT_TRUE(sameRow(row, row.time, eulerStep({before.height, before.velocity}, row.time - before.time)))
            << "row " << i + 1 << " at t = " << row.time;
    }
    ASSERT_EQ(eventTimes.size(), 5u) << "four rebounds and the rest";
    EXPECT_NEAR(eventTimes.front(), contactTime, 0.002);
    EXPECT_EQ(rows.back().velocity, 0.0);
    EXPECT_LT(rows.back().time, 3.0);
}

// FMI 3.0 messages are finished text: references "#<vr>#" expanded to names,
// "##" to "#", malformed ones and every '%' printed as they came; with
// --raw-messages nothing is expanded.
TEST(HostProgramFmi3, MessagesAreShownWithReferencesExpandedAndPercentSignsIntact) {
    const Outcome run = runHost({varnelleFmu, "--stop-time", "0.1", "--no-csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    for (const char* line : {"[OK] INFO varnelle: Init height=1\n", "[OK] INFO varnelle: Init restitution=0.5\n",
                             "[OK] INFO varnelle: Unknown reference #99#, sent as it is\n",
                             "[OK] INFO varnelle: Negative reference #-1#, sent as it is\n",
                             "[OK] INFO varnelle: Unterminated reference #1, sent as it is\n",
                             "[OK] INFO varnelle: An escaped # stands for one hash sign\n",
                             "[OK] INFO varnelle: Restitution keeps 50% of the speed; %s, %d and %n are plain text "
                             "here\n"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "in\n" << run.output;
    }
    const Outcome raw = runHost({varnelleFmu, "--stop-time", "0.1", "--no-csv", "--raw-messages"});
    EXPECT_NE(raw.output.find("[OK] INFO varnelle: Init #1#=1\n"), std::string::npos) << raw.output;
    EXPECT_NE(raw.output.find("An escaped ## stands"), std::string::npos) << raw.output;
}

// fmi3Discard means the step did not happen: the host retries once with
// half the step and goes on from there; a second Discard stops the run
// cleanly with a non-zero exit status.
TEST(HostProgramFmi3, DiscardIsRetriedOnceWithHalfTheStep) {
    OutputDirectory directory;
    const Outcome recovered = runHost({varnelleFmu, "--step", "1.5", "--csv", (directory.path / "run.csv").string()});
    ASSERT_EQ(recovered.exitStatus, 0) << recovered.output;
    EXPECT_NE(recovered.output.find("[Discard] WARNING varnelle: fmi3DoStep: a step of 1.5"), std::string::npos)
        << "the component's message is shown: " << recovered.output;
    EXPECT_NE(recovered.output.find("retrying once with 0.75"), std::string::npos) << recovered.output;
    std::string header;
    const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
    ASSERT_EQ(rows.size(), 5u);
    Motion m = startMotion;
    Rest rest;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        communicationStep(m, rows[i - 1].time, 0.75, startGravity, startRestitution, &rest);
        EXPECT_TRUE(sameRow(rows[i], 0.75 * static_cast<double>(i), m)) << "row " << i + 1;
    }

    const Outcome stopped = runHost({varnelleFmu, "--step", "2.5", "--csv", (directory.path / "stopped.csv").string()});
    EXPECT_EQ(stopped.exitStatus, 1) << stopped.output;
    EXPECT_NE(stopped.output.find("retrying once with 1.25"), std::string::npos) << stopped.output;
    EXPECT_NE(stopped.output.find("the retry was discarded too; fmi3Terminate, fmi3FreeInstance"), std::string::npos)
        << stopped.output;
    EXPECT_EQ(readCsv(directory.path / "stopped.csv", header).size(), 1u);
}

// Start values of every type reach the component in their setters' forms;
// a value it refuses is shown with its message and ends the run.
TEST(HostProgramFmi3, StartValuesOfEveryTypeAndTheirRefusals) {
    OutputDirectory directory;
    const Outcome run = runVarnelle({"--start", "height=2", "--start", "gravity=-1", "--start", "integer0=-7",
                                     "--start", "boolean1=true", "--start", "string1=a, b \"c\"", "--start",
                                     "binary0=00ab00", "--start", "samples=1 2,3", "--stop-time", "0.5", "--step",
                                     "0.01", "--clock", "sum"},
                                    directory.path / "run.csv");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    std::string header;
    const std::vector<Row> rows = readCsv(directory.path / "run.csv", header);
    ASSERT_GE(rows.size(), 2u);
    Motion m{2.0, startVelocity};
    communicationStep(m, 0.0, 0.01, -1.0);
    EXPECT_TRUE(sameRow(rows[0], 0.0, {2.0, startVelocity})) << "height's start value";
    EXPECT_TRUE(sameRow(rows[1], 0.01, m)) << "gravity's start value";

    const Outcome refused = runHost({varnelleFmu, "--start", "restitution=2", "--no-csv"});
    EXPECT_EQ(refused.exitStatus, 1) << refused.output;
    EXPECT_NE(refused.output.find("[Error] ERROR varnelle: fmi3SetFloat64"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("fmi3SetFloat64 returned fmi3Error"), std::string::npos) << refused.output;
}

// An archive from entries given as name and content.
void writeArchiveWith(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& entries) {
    int error = ZIP_ER_OK;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << "libzip error " << error;
    for (const auto& [name, content] : entries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << zip_strerror(archive);
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Bad input is refused in one line: options the component's interface
// cannot take, start values its variables cannot take, an FMI 3.0 archive
// without its platform folder; another instantiation token is refused by
// the component, which says so.
TEST(HostProgramFmi3, BadInputIsRefusedInOneLine) {
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* message;
    };
    const std::string corvane = std::string(REBOUNDER_FMU_DIRECTORY) + "/corvane.fmu";
    const Case cases[] = {
        {{varnelleFmu, "--step", "0"}, 2, "--step needs a positive number, not '0'"},
        {{varnelleFmu, "--interface", "me", "--event-mode"}, 2,
         "--event-mode applies to FMI 3.0 co-simulation only, and this run is FMI 3.0 model exchange"},
        {{corvane, "--early-return"}, 2,
         "--early-return applies to FMI 3.0 co-simulation only, and this run is FMI 2.0 co-simulation"},
        {{corvane, "--start", "height=2"}, 2,
         "--start applies to FMI 3.0 components only, and this run is FMI 2.0 co-simulation"},
        {{varnelleFmu, "--request-early-return", "1"}, 2, "--request-early-return needs --intermediate-update"},
        {{varnelleFmu, "--start", "height"}, 2, "--start needs NAME=VALUE, not 'height'"},
        {{varnelleFmu, "--start", "mass=1"}, 2, "--start mass: the component has no variable of that name"},
        {{varnelleFmu, "--start", "integer0=1.5"}, 2, "--start integer0: '1.5' is not a 32-bit whole number (Int32)"},
        {{varnelleFmu, "--start", "boolean0=2"}, 2, "--start boolean0: '2' is not true, false, 1 or 0 (Boolean)"},
        {{varnelleFmu, "--start", "binary0=0G"}, 2,
         "--start binary0: '0G' is not bytes as pairs of hexadecimal digits (Binary)"},
        {{varnelleFmu, "--start", "samples=1,2"}, 2, "--start samples: the array has 3 elements, and '1,2' gives 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(commandLine(c.arguments));
        const Outcome run = runHost(c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.output;
        // The refusal, and no more than the pointer to the help after it.
        const std::size_t end = run.output.find('\n');
        EXPECT_EQ(run.output.substr(0, end), std::string("rebounder-host: ") + c.message);
        EXPECT_TRUE(end + 1 == run.output.size() || run.output.substr(end + 1) == "Run 'rebounder-host --help' for the options.\n")
            << run.output;
    }

    OutputDirectory directory;
    const std::string description =
        fileText(fs::path(REBOUNDER_EXPORT_LISTS).parent_path().parent_path() / "mecs3" / "modelDescription.xml");
    const std::string library = fileText(VARNELLE_LIBRARY);
    // FMI 3.0's folder for this build's platform: a 32-bit host looks in x86-linux.
    const std::string binary =
        std::string("binaries/") + (sizeof(void*) == 8 ? "x86_64-linux" : "x86-linux") + "/varnelle.so";
    const fs::path unplaced = directory.path / "unplaced.fmu";
    ASSERT_NO_FATAL_FAILURE(writeArchiveWith(unplaced, {{"modelDescription.xml", description},
                                                        {"binaries/linux64/varnelle.so", library}}));
    const Outcome noPlatform = runHost({unplaced.string()});
    EXPECT_EQ(noPlatform.exitStatus, 1);
    EXPECT_EQ(noPlatform.output,
              "rebounder-host: " + unplaced.string() + " holds no " + binary + "\n");

    std::string otherToken = description;
    const std::string token = "instantiationToken=\"123\"";
    ASSERT_NE(otherToken.find(token), std::string::npos);
    otherToken.replace(otherToken.find(token), token.size(), "instantiationToken=\"456\"");
    const fs::path wrongToken = directory.path / "wrong-token.fmu";
    ASSERT_NO_FATAL_FAILURE(writeArchiveWith(wrongToken, {{"modelDescription.xml", otherToken},
                                                          {binary, library}}));
    const Outcome refused = runHost({wrongToken.string(), "--no-csv"});
    EXPECT_EQ(refused.exitStatus, 1) << refused.output;
    EXPECT_NE(refused.output.find("[Error] ERROR wrong-token: fmi3InstantiateCoSimulation"), std::string::npos)
        << "the component's refusal is shown: " << refused.output;
    EXPECT_NE(refused.output.find("fmi3InstantiateCoSimulation returned null (instantiation token \"456\""),
              std::string::npos)
        << refused.output;
}
#endif

}  // namespace

#endif
