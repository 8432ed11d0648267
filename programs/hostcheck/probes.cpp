#include "probes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

#include "model_expectations.h"
#include "trajectory.h"

namespace hostcheck {
namespace {

namespace fs = std::filesystem;

using expected::startHeight, expected::startVelocity;
constexpr double gravity = expected::startGravity, restitution = expected::startRestitution;
constexpr double stopTime = 3.0;
constexpr double modelExchangeStep = 0.01;
// Bounces shrink to the floor at about 2.24 s; after that a fixed-step host
// sees the mass chatter on it, which tells nothing about the host.
constexpr double bouncesEnd = 2.2;
// corvane takes at most 100 internal steps of 0.01 per call: this step is cut short.
constexpr double discardStep = 1.5;
// Close enough to a reference value for a master whose time arithmetic differs.
constexpr double referenceTolerance = 1e-12;


std::string fixed(double value, int decimals = 4) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

struct ComponentInfo {
    bool modelExchange;
    bool fmi2;
};

ComponentInfo infoOf(const std::string& component) {
    if (component == "corvane") return {false, true};
    if (component == "tressivo") return {true, false};
    return {true, true};  // pellidor
}

bool supports(const Settings& settings, const std::string& component) {
    const ComponentInfo info = infoOf(component);
    return (info.modelExchange ? settings.modelExchange : settings.coSimulation) &&
           (info.fmi2 ? settings.fmi2 : settings.fmi1);
}

std::string substituted(const std::string& pattern, const std::map<std::string, std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        bool replaced = false;
        for (const auto& [name, value] : values) {
            if (pattern.compare(i, name.size(), name) == 0) {
                out += value;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += pattern[i++];
    }
    return out;
}

// One finding per run; a probe's verdict is the worst of them.
struct Finding {
    Verdict verdict;
    std::string text;
};

int severity(Verdict verdict) {
    switch (verdict) {
        case Verdict::skip: return 0;
        case Verdict::pass: return 1;
        case Verdict::note: return 2;
        case Verdict::fail: return 3;
    }
    return 0;
}

// The probe's verdict and evidence from its findings: the worst verdict, and
// the findings that carry it (all of them when every run passed).
void conclude(ProbeResult& result, const std::vector<Finding>& findings, const std::string& skipReason) {
    result.verdict = Verdict::skip;
    for (const Finding& f : findings) {
        if (severity(f.verdict) > severity(result.verdict)) result.verdict = f.verdict;
    }
    std::string evidence;
    for (const Finding& f : findings) {
        if (f.verdict != result.verdict) continue;
        evidence += (evidence.empty() ? "" : "; ") + f.text;
    }
    result.evidence = result.verdict == Verdict::skip ? skipReason : evidence;
}

// What went wrong with a run that did not end by itself, or null.
std::optional<std::string> brokenRun(const Run& run) {
    if (run.outcome.crashed()) return run.name + ": crashed, " + describe(run.outcome);
    if (run.outcome.hung()) return run.name + ": hung, " + describe(run.outcome);
    return std::nullopt;
}

std::string refusal(const Run& run) {
    const std::string reason = lastLine(run.outcome);
    return run.name + ": " + describe(run.outcome) + (reason.empty() ? "" : " ('" + reason + "')");
}

const std::string skipText = "the host takes none of the interfaces this probe needs";

// ---- 1. Optional functions --------------------------------------------------

ProbeResult optionalFunctions(Runner& runner, const Settings&) {
    ProbeResult result{1, "Optional functions", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    for (const char* component : {"pellidor", "corvane"}) {
        const Run& run = runner.run({FmuSet::defaultBuild, component, stopTime, modelExchangeStep});
        if (run.skipped) continue;
        result.runs.push_back(&run);
        if (const auto broken = brokenRun(run)) {
            findings.push_back({Verdict::fail, *broken});
        } else if (run.outcome.completed() && fs::exists(run.csv)) {
            findings.push_back({Verdict::pass, run.name + " ran to the end"});
        } else {
            // Refusing the strict-host build of the same component as well
            // is not about the optional functions.
            const Run& strict = runner.run({FmuSet::strictHost, component, stopTime, modelExchangeStep});
            const bool strictToo = !strict.outcome.completed();
            findings.push_back({Verdict::note, refusal(run) + (strictToo ? "; the strict-host one fails too" : "")});
        }
    }
    conclude(result, findings, skipText);
    if (result.verdict == Verdict::pass) result.evidence = "looks them up optionally: " + result.evidence;
    if (result.verdict == Verdict::note) {
        result.evidence = "refuses FMUs that lack optional functions, cleanly (give it the strict-host FMUs): " +
                          result.evidence;
    }
    result.fix = "Look up the seven optional FMI 2.0 functions (FMU state, serialization, directional derivatives) "
                 "as optional, since the model description declares those capabilities absent, and load the "
                 "library without them.";
    return result;
}

// ---- 2. Model-exchange trajectory ------------------------------------------

// What is wrong with a model-exchange trajectory of the bouncing mass, or
// nothing; summary says what was seen.
std::optional<std::string> bounceProblem(const Trajectory& t, double interval, std::string& summary) {
    const std::size_t n = t.size();
    if (n == 0) return "the CSV has no rows";
    if (std::abs(t.height[0] - startHeight) > 1e-9 || std::abs(t.velocity[0] - startVelocity) > 1e-9) {
        return "the first row has height " + shortest(t.height[0]) + " and velocity " + shortest(t.velocity[0]) +
               ", not the start values " + shortest(startHeight) + " and " + shortest(startVelocity);
    }
    // The first rebound: the velocity turns from falling to rising.
    std::size_t k = 0;
    for (std::size_t i = 1; i < n && k == 0; ++i) {
        if (t.velocity[i - 1] < 0.0 && t.velocity[i] > 0.0) k = i;
    }
    const double contact = expected::firstContactTime();
    if (k == 0) {
        return "no rebound: the velocity never turns upward (rows up to t = " + shortest(t.time[n - 1]) +
               " s, closed-form contact at " + fixed(contact) + " s)";
    }
    // Where the host's height met the floor: interpolated between the last
    // row above it and the first at or below it; when no row lies on or below
    // the floor, somewhere between the last falling row and the rebound.
    std::size_t j = k - 1;
    while (j > 0 && t.height[j] <= 0.0) --j;
    double earliest = t.time[j], latest = t.time[k];
    if (j + 1 < k && t.height[j] > 0.0 && t.height[j + 1] <= 0.0) {
        earliest = latest = t.time[j] + (t.time[j + 1] - t.time[j]) * t.height[j] / (t.height[j] - t.height[j + 1]);
    }
    const double before = t.velocity[k - 1], after = t.velocity[k];
    // Gravity changes the velocity between two rows of different times.
    const double allowedSpread = 0.01 * std::abs(before) + 1.5 * std::abs(gravity) * (t.time[k] - t.time[k - 1]);
    double lowest = 0.0, fastest = 0.0;
    for (std::size_t i = 0; i < n && t.time[i] < bouncesEnd; ++i) {
        lowest = std::min(lowest, t.height[i]);
        fastest = std::max(fastest, std::abs(t.velocity[i]));
    }
    const std::string reached =
        earliest == latest ? fixed(earliest) + " s" : fixed(earliest) + " to " + fixed(latest) + " s";
    summary = "rebound at " + fixed(t.time[k]) + " s, floor reached at " + reached + " (closed form " + fixed(contact) +
              " s), velocity " +
              fixed(before, 3) + " -> " + fixed(after, 3) + ", lowest height " + fixed(lowest) + " before " +
              shortest(bouncesEnd) + " s";
    if (latest < contact - interval || earliest > contact + interval) {
        return "the first rebound (" + fixed(t.time[k]) + " s, floor reached at " + fixed(earliest) +
               " s) lies more than one output interval (" + shortest(interval) +
               " s) from the closed-form contact at " + fixed(contact) + " s";
    }
    if (std::abs(after + restitution * before) > allowedSpread) {
        return "at the first rebound (" + fixed(t.time[k]) + " s) the velocity goes from " + fixed(before, 3) + " to " +
               fixed(after, 3) + ", not about " + shortest(-restitution) + " times it";
    }
    // One output interval of travel below the floor is what a fixed-step
    // host sees before it handles the crossing; more is a missed rebound.
    if (lowest < -(fastest * interval + 1e-9)) {
        return "the height goes down to " + shortest(lowest) + " before " + shortest(bouncesEnd) +
               " s, more than one output interval's travel below the floor";
    }
    return std::nullopt;
}

ProbeResult modelExchangeTrajectory(Runner& runner, const Settings& settings) {
    ProbeResult result{2, "Model-exchange trajectory", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    for (const char* component : {"pellidor", "tressivo"}) {
        const Run& run = runner.run({FmuSet::strictHost, component, stopTime, modelExchangeStep});
        if (run.skipped) continue;
        result.runs.push_back(&run);
        if (const auto broken = brokenRun(run)) {
            findings.push_back({Verdict::fail, *broken});
            continue;
        }
        const TrajectoryFile file = readTrajectory(run.csv, settings.separator);
        std::string summary;
        const auto problem = file.trajectory
                                 ? bounceProblem(*file.trajectory, modelExchangeStep, summary)
                                 : std::optional<std::string>(file.problem + " (" + describe(run.outcome) + ")");
        if (problem) findings.push_back({Verdict::fail, component + std::string(": ") + *problem});
        else findings.push_back({Verdict::pass, component + std::string(": ") + summary});
    }
    conclude(result, findings, skipText);
    result.fix = "Integrate the states the component hands out, watch the event indicator's sign at every step and "
                 "call the event update when it changes, then go on from the states read back after it.";
    return result;
}

// ---- 3. Co-simulation trajectory --------------------------------------------

struct Comparison {
    enum class Kind { exact, close, differs } kind = Kind::exact;
    std::string detail;           // the first difference, for differs
    double largestRelative = 0.0; // over the values compared
};

bool bitEqual(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Relative to the larger of the two values, or to the column's largest
// magnitude for values near zero: once the mass lies on the floor its height
// is a rounding residue around 0.
bool close(double a, double b, double tolerance, double columnScale = 0.0) {
    return std::abs(a - b) <= tolerance * std::max({std::abs(a), std::abs(b), columnScale}) || bitEqual(a, b);
}

double largestMagnitude(const std::vector<double>& values) {
    double largest = 0.0;
    for (double v : values) largest = std::max(largest, std::abs(v));
    return largest;
}

// Reference rows are matched to the host's rows by time: the host may write
// several rows at one time (the last one counts) or go on past the
// reference's end; a reference row without a host row is a difference.
Comparison compareWithReference(const Trajectory& host, const Trajectory& reference) {
    Comparison result;
    std::size_t i = 0;
    const char* names[3] = {"time", "height", "velocity"};
    const double scales[3] = {0.0, largestMagnitude(reference.height), largestMagnitude(reference.velocity)};
    for (std::size_t r = 0; r < reference.size(); ++r) {
        const double when = reference.time[r];
        while (i < host.size() && host.time[i] < when && !close(host.time[i], when, referenceTolerance)) ++i;
        if (i == host.size() || !close(host.time[i], when, referenceTolerance)) {
            result.kind = Comparison::Kind::differs;
            result.detail = "no row at t = " + shortest(when) + " (reference row " + std::to_string(r + 1) + ")";
            return result;
        }
        while (i + 1 < host.size() && host.time[i + 1] == host.time[i]) ++i;
        const double ours[3] = {host.time[i], host.height[i], host.velocity[i]};
        const double theirs[3] = {reference.time[r], reference.height[r], reference.velocity[r]};
        for (int c = 0; c < 3; ++c) {
            if (bitEqual(ours[c], theirs[c])) continue;
            const double scale = std::max({std::abs(ours[c]), std::abs(theirs[c]), scales[c]});
            result.largestRelative = std::max(result.largestRelative, std::abs(ours[c] - theirs[c]) / scale);
            if (!close(ours[c], theirs[c], referenceTolerance, scales[c])) {
                result.kind = Comparison::Kind::differs;
                result.detail = "row at t = " + shortest(when) + ": " + names[c] + " " + shortest(ours[c]) +
                                ", reference " + shortest(theirs[c]);
                return result;
            }
            result.kind = Comparison::Kind::close;
        }
        ++i;
    }
    return result;
}

// How the host computed its communication points: by adding the step, by
// multiplying it, or otherwise (both when the step is exact in binary).
std::string timeArithmetic(const Trajectory& host, double step) {
    bool adds = true, multiplies = true;
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (i > 0 && host.time[i] == host.time[i - 1]) continue;
        adds = adds && bitEqual(host.time[i], sum);
        multiplies = multiplies && bitEqual(host.time[i], static_cast<double>(n) * step);
        sum += step;
        ++n;
    }
    if (adds && multiplies) return "t += h and t = n*h alike";
    if (adds) return "t += h";
    if (multiplies) return "t = n*h";
    return "neither t += h nor t = n*h";
}

ProbeResult coSimulationTrajectory(Runner& runner, const Settings& settings) {
    ProbeResult result{3, "Co-simulation trajectory", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    bool onlyDigits = true;  // every difference is that of a value printed with fewer digits
    std::string closeSteps, arithmetic;
    for (double step : referenceSteps()) {
        const Run& run = runner.run({FmuSet::strictHost, "corvane", stopTime, step});
        if (run.skipped) continue;
        result.runs.push_back(&run);
        const std::string at = "h = " + shortest(step);
        if (const auto broken = brokenRun(run)) {
            findings.push_back({Verdict::fail, *broken});
            onlyDigits = false;
            continue;
        }
        const TrajectoryFile host = readTrajectory(run.csv, settings.separator);
        const TrajectoryFile reference = readTrajectory(referenceFile(settings, step), ',');
        if (!reference.trajectory) {
            findings.push_back({Verdict::fail, at + ": the reference cannot be read: " + reference.problem});
            continue;
        }
        if (!host.trajectory) {
            findings.push_back({Verdict::fail, at + ": " + host.problem + " (" + describe(run.outcome) + ")"});
            onlyDigits = false;
            continue;
        }
        const Comparison comparison = compareWithReference(*host.trajectory, *reference.trajectory);
        switch (comparison.kind) {
            case Comparison::Kind::exact: findings.push_back({Verdict::pass, shortest(step)}); break;
            case Comparison::Kind::close:
                closeSteps += (closeSteps.empty() ? "" : ", ") + shortest(step);
                arithmetic = timeArithmetic(*host.trajectory, step);
                findings.push_back({Verdict::note, ""});
                break;
            case Comparison::Kind::differs:
                onlyDigits = onlyDigits && comparison.largestRelative > 0 && comparison.largestRelative < 1e-5 &&
                             comparison.detail.rfind("row at", 0) == 0;
                findings.push_back({Verdict::fail, at + ": " + comparison.detail});
                break;
        }
    }
    conclude(result, findings, skipText);
    if (result.verdict == Verdict::note) {
        result.evidence = "within " + shortest(referenceTolerance) + " relative of the reference at h = " + closeSteps +
                          ", not bit for bit: the master's communication points follow " + arithmetic +
                          " (the reference adds, t += h)";
    } else if (result.verdict == Verdict::pass) {
        std::string steps = result.evidence;
        for (std::size_t p = 0; (p = steps.find("; ", p)) != std::string::npos;) steps.replace(p, 2, ", ");
        result.evidence = "exact: bit for bit the reference at h = " + steps;
    }
    result.fix = onlyDigits ? "Write the outputs with 17 significant digits (%.17g): the values agree only to the "
                              "digits printed."
                            : "Call fmi2DoStep once per communication step from the last communication point and "
                              "write the outputs read with fmi2GetReal at every point, unchanged.";
    return result;
}

// ---- 4. Strings never written -----------------------------------------------

ProbeResult nullStrings(Runner& runner, const Settings&) {
    ProbeResult result{4, "Strings never written", Verdict::skip, "", "", {}};
    std::vector<const Run*> runs;
    for (const char* component : {"pellidor", "tressivo"}) {
        runs.push_back(&runner.run({FmuSet::strictHost, component, stopTime, modelExchangeStep}));
    }
    for (double step : referenceSteps()) runs.push_back(&runner.run({FmuSet::strictHost, "corvane", stopTime, step}));
    std::size_t survived = 0;
    std::string crashed, refused, firstCrash;
    for (const Run* run : runs) {
        if (run->skipped) continue;
        result.runs.push_back(run);
        if (run->outcome.crashed()) {
            crashed += (crashed.empty() ? "" : ", ") + run->name;
            if (firstCrash.empty()) firstCrash = describe(run->outcome);
        } else if (run->outcome.completed()) {
            ++survived;
        } else if (!run->outcome.hung() && refused.empty()) {
            refused = refusal(*run);
        }
    }
    // A crash is a fail; a run that went to the end shows the strings are
    // survived, so a refusal elsewhere has another reason.
    std::vector<Finding> findings;
    if (!crashed.empty()) {
        findings.push_back({Verdict::fail, "crashed with string0 to string3 never written, which read back as null: " +
                                               crashed + " (" + firstCrash + ")"});
    } else if (survived > 0) {
        findings.push_back({Verdict::pass, std::to_string(survived) +
                                               " run(s) went to the end with the four strings never written (null)"});
    } else if (!refused.empty()) {
        findings.push_back({Verdict::note, "refused cleanly: " + refused});
    }
    conclude(result, findings, skipText);
    if (result.verdict == Verdict::skip && !result.runs.empty()) {
        result.evidence = "no run ended by itself (see probes 2, 3 and 5)";
    }
    result.fix = "Treat a null string handed out by fmi2GetString or fmiGetString as an absent value instead of "
                 "reading through it.";
    return result;
}

// ---- 5. FMI 1.0 event iteration ---------------------------------------------

ProbeResult eventIteration(Runner& runner, const Settings&) {
    ProbeResult result{5, "FMI 1.0 event iteration", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    const Run& run = runner.run({FmuSet::strictHost, "tressivo", stopTime, modelExchangeStep});
    if (!run.skipped) {
        result.runs.push_back(&run);
        if (run.outcome.hung()) {
            findings.push_back({Verdict::fail, "event iteration never ends: cap it (" + describe(run.outcome) + ")"});
        } else if (run.outcome.crashed()) {
            findings.push_back({Verdict::fail, run.name + ": crashed, " + describe(run.outcome)});
        } else {
            findings.push_back({Verdict::pass, "tressivo ended within the time limit: " + describe(run.outcome)});
        }
    }
    conclude(result, findings, skipText);
    result.fix = "Bound the fmiEventUpdate iteration (tressivo reports iterationConverged false until its first "
                 "rebound) and go on when the bound is reached.";
    return result;
}

// ---- 6. Log messages --------------------------------------------------------

// Everything the host showed: its standard output and error, and the log
// files it left in its working directory.
std::string shownText(const Run& run) {
    std::string text = run.outcome.allText();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(run.directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name == "stdout.txt" || name == "stderr.txt" || entry.path() == run.csv) continue;
        if (entry.path().extension() != ".log" && entry.path().extension() != ".txt") continue;
        std::ifstream file(entry.path());
        text += "\n" + std::string(std::istreambuf_iterator<char>(file), {});
    }
    return text;
}

std::string lineAround(const std::string& text, std::size_t position) {
    const std::size_t start = text.rfind('\n', position);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    std::string line = text.substr(from, text.find('\n', position) - from);
    return line.size() > 120 ? line.substr(0, 117) + "..." : line;
}

Finding logFinding(const Run& run, bool malformedExpected) {
    const std::string text = shownText(run);
    std::smatch match;
    if (std::regex_search(text, match, std::regex("%[0-9.]*[dgs]"))) {
        return {Verdict::fail, run.name + ": a format printed without its arguments: '" +
                                   lineAround(text, static_cast<std::size_t>(match.position(0))) + "'"};
    }
    const char* values[4] = {"1", "4", "-9\\.81", "0\\.5"};
    const char* names[4] = {"height", "velocity", "gravity", "restitution"};
    int expanded = 0, raw = 0;
    std::string missing;
    for (int vr = 0; vr < 4; ++vr) {
        const std::string value = std::string("\\s*=\\s*") + values[vr] + "(?![0-9.])";
        const bool asName = std::regex_search(text, std::regex(std::string("Init\\s+") + names[vr] + value));
        const bool asReference = std::regex_search(text, std::regex("Init\\s+#r" + std::to_string(vr) + "#" + value));
        expanded += asName;
        raw += asReference;
        if (!asName && !asReference) missing += (missing.empty() ? "" : ", ") + std::string(names[vr]);
    }
    std::string lost;
    int malformedSeen = 0;
    if (malformedExpected) {
        const std::pair<const char*, const char*> malformed[4] = {
            {"#r-1#", "#r-1#"}, {"#r1", "#r1(?![0-9#])"}, {"#t1#", "#t1#"}, {"#r10#", "#r10#"}};
        for (const auto& [shown, pattern] : malformed) {
            const bool seen = std::regex_search(text, std::regex(std::string("Bad reference: ") + pattern));
            malformedSeen += seen;
            if (!seen) lost += (lost.empty() ? "" : ", ") + std::string(shown);
        }
    }
    if (expanded + raw == 0) {
        // No initialisation message at all: the host's logging is off, or
        // it shows only some categories. Its choice, not a lost message.
        return {Verdict::note, run.name + (malformedSeen == 0 ? ": no log message of the component in the output"
                                                              : ": only the ERROR-category messages in the output") +
                                   "; is the host's logging fully on in the template?"};
    }
    if (!missing.empty()) {
        return {Verdict::fail, run.name + ": initialisation messages lost or mangled (" + missing + " missing)"};
    }
    if (!lost.empty()) {
        return {Verdict::fail, run.name + ": malformed references lost or mangled: " + lost + " not shown as sent"};
    }
    if (raw > 0) return {Verdict::note, run.name + ": references not expanded ('Init #r0#=1' shown as sent)"};
    return {Verdict::pass, run.name + ": references expanded" +
                               std::string(malformedExpected ? ", malformed ones shown as sent" : "")};
}

ProbeResult logMessages(Runner& runner, const Settings&) {
    ProbeResult result{6, "Log messages", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    for (const char* component : {"tressivo", "pellidor"}) {
        const Run& run = runner.run({FmuSet::strictHost, component, stopTime, modelExchangeStep});
        if (run.skipped) continue;
        result.runs.push_back(&run);
        if (const auto broken = brokenRun(run); broken && run.outcome.crashed()) {
            findings.push_back({Verdict::fail, *broken});
            continue;
        }
        findings.push_back(logFinding(run, std::string(component) == "tressivo"));
    }
    conclude(result, findings, skipText);
    const bool rawFormat = result.evidence.find("without its arguments") != std::string::npos;
    result.fix = rawFormat ? "Format each log message with its arguments (vsnprintf with the format and the "
                             "variadic arguments) before showing it, never the format alone."
                           : "Show every log message, replacing only references #<type><vr># that name a variable "
                             "and leaving malformed ones exactly as sent.";
    return result;
}

// ---- 7. Discard ---------------------------------------------------------------

ProbeResult discard(Runner& runner, const Settings&) {
    ProbeResult result{7, "Discard", Verdict::skip, "", "", {}};
    std::vector<Finding> findings;
    const Run& run = runner.run({FmuSet::strictHost, "corvane", stopTime, discardStep});
    if (!run.skipped) {
        result.runs.push_back(&run);
        std::string lowered = run.outcome.allText();
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool reported = lowered.find("discard") != std::string::npos;
        if (const auto broken = brokenRun(run)) {
            findings.push_back({Verdict::fail, *broken + (run.outcome.hung() ? " (an endless loop?)" : "")});
        } else if (reported || !run.outcome.completed()) {
            const std::string what = reported ? "reported the Discard" : "stopped";
            findings.push_back({Verdict::pass, what + " cleanly, " + describe(run.outcome)});
        } else {
            findings.push_back({Verdict::note, "went on past the Discard without a word, " + describe(run.outcome)});
        }
    }
    conclude(result, findings, skipText);
    result.fix = "When fmi2DoStep returns fmi2Discard, stop the simulation or report it and go on from the next "
                 "communication point; never repeat the step without end.";
    return result;
}

}  // namespace

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::pass: return "pass";
        case Verdict::note: return "note";
        case Verdict::fail: return "fail";
        case Verdict::skip: return "skip";
    }
    return "";
}

std::string shortest(double value) {
    char text[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

const std::vector<double>& referenceSteps() {
    static const std::vector<double> steps{0.01, 0.05, 0.1};
    return steps;
}

fs::path referenceFile(const Settings& settings, double step) {
    return settings.references / ("corvane-h" + shortest(step) + ".csv");
}

const Run& Runner::run(const RunRequest& request) {
    const std::string setName = request.set == FmuSet::strictHost ? "strict-host" : "default";
    const std::string label = setName + " " + request.component + ".fmu, step " + shortest(request.step);
    if (const auto found = runs.find(label); found != runs.end()) return found->second;
    Run& run = runs[label];
    run.label = label;
    run.name = request.component;
    if (request.component == "corvane" && request.set == FmuSet::strictHost) {
        run.name += " h = " + shortest(request.step);  // probe 3 runs it at three steps
    }
    if (!supports(settings, request.component)) {
        run.skipped = true;
        return run;
    }
    // Each run in a directory of its own, with its own copy of the FMU: a
    // host that unpacks next to the archive or writes fixed file names
    // cannot disturb another run.
    char number[8];
    std::snprintf(number, sizeof number, "%02zu", runs.size());
    run.directory = settings.workRoot / (std::string(number) + "-" + setName + "-" + request.component + "-h" +
                                         shortest(request.step));
    fs::create_directories(run.directory);
    const fs::path source = (request.set == FmuSet::strictHost ? settings.strictFmus : settings.fmus) /
                            (request.component + ".fmu");
    const fs::path fmu = run.directory / (request.component + ".fmu");
    std::error_code error;
    fs::copy_file(source, fmu, fs::copy_options::overwrite_existing, error);
    run.csv = run.directory / (settings.csvName.empty() ? "result.csv" : settings.csvName);
    run.command = substituted(settings.hostTemplate, {{"{fmu}", shellQuoted(fmu.string())},
                                                      {"{csv}", shellQuoted(run.csv.string())},
                                                      {"{stop}", shortest(request.stopTime)},
                                                      {"{step}", shortest(request.step)},
                                                      {"{workdir}", shellQuoted(run.directory.string())}});
    if (error) {
        run.outcome.errors = "cannot copy " + source.string() + ": " + error.message();
        return run;
    }
    run.outcome = runCommand(run.command, run.directory, settings.timeLimit);
    return run;
}

std::vector<ProbeResult> runProbes(Runner& runner, const Settings& settings, const std::set<int>& selected) {
    using Probe = ProbeResult (*)(Runner&, const Settings&);
    const Probe probes[probeCount] = {optionalFunctions, modelExchangeTrajectory, coSimulationTrajectory, nullStrings,
                                      eventIteration,    logMessages,             discard};
    std::vector<ProbeResult> results;
    for (int number = 1; number <= probeCount; ++number) {
        if (selected.count(number) != 0) results.push_back(probes[number - 1](runner, settings));
    }
    return results;
}

}  // namespace hostcheck
