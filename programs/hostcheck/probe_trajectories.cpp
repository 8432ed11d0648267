// The trajectory probes ("model-exchange", "co-simulation"). Model exchange
// (strict-host pellidor and tressivo, varnelle in FMI 3.0) against the
// closed-form first rebound, and for FMI 3.0 the record's Event Modes;
// co-simulation (strict-host corvane, varnelle in FMI 3.0) against the
// reference results, with the communication points and step sizes read from
// the record. An FMI 3.0 run must stop where the component asks to terminate.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "event_mode.h"
#include "fmi3_steps.h"
#include "format.h"
#include "model_expectations.h"
#include "judging.h"

namespace hostcheck {
namespace {

using expected::startHeight, expected::startVelocity;
constexpr double gravity = expected::startGravity, restitution = expected::startRestitution;
// Bounces shrink to the floor at about 2.24 s; after that a fixed-step host
// sees the mass chatter on it, which tells nothing about the host.
constexpr double bouncesEnd = 2.2;
// Close enough to a reference value for a master whose time arithmetic differs.
constexpr double referenceTolerance = 1e-12;

// ---- 2. Model exchange --------------------------------------------------------

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
    const std::size_t k = firstRebound(t).value_or(0);
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
              " s), velocity " + fixed(before, 3) + " -> " + fixed(after, 3) + ", lowest height " + fixed(lowest) +
              " before " + shortest(bouncesEnd) + " s";
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

// A run that ended in a burst of events where the rebounds accumulate: a
// question of the host's robustness, not of its integration. Stopping there
// by itself and saying so is sound; running on until killed is not.
Finding burstFinding(const Run& run) {
    const RunEnd& end = *run.end;
    if (run.outcome.hung()) {
        return {Verdict::fail, run.name, end.where + ": the host bounds neither its events per time nor its smallest step"};
    }
    if (run.outcome.crashed()) return {Verdict::fail, run.name, end.where + " (" + exitText(run.outcome) + ")"};
    const bool told = !run.outcome.completed() || !lastLine(run.outcome).empty();
    return {told ? Verdict::pass : Verdict::note, run.name,
            end.where + (told ? ": the host stopped by itself, " + refusal(run)
                              : ": the host stopped by itself without telling its user, " + exitText(run.outcome))};
}

// The first-rebound checks, still reported for a run that ended in a burst
// (a host can meet the first contact right and stall later); not made when
// it left no readable CSV.
Finding firstReboundChecked(const Run& run, double interval) {
    if (!run.result.trajectory) return {Verdict::skip, run.name, "first rebound not checked: " + run.result.problem};
    std::string summary;
    if (const auto problem = bounceProblem(*run.result.trajectory, interval, summary)) {
        return {Verdict::fail, run.name, "first rebound: " + *problem};
    }
    return {Verdict::pass, run.name, "first rebound: " + summary};
}

// The kinds of fail a trajectory probe found, each with its advice.
struct Faults {
    bool stalled = false, integratedWrongly = false, eventModeBroken = false, terminationIgnored = false;
};

bool fmi3Run(const Run& run) { return componentOf(run.request).standardVersion == 3; }

// A host that went on after the component asked to terminate: the first
// call that moved the simulation on, and where the request came.
std::optional<std::string> wentOnAfterTermination(const CallRecord& record) {
    const std::optional<std::size_t> after = callAfterTermination(record);
    if (!after) return std::nullopt;
    const std::size_t request = *terminationRequested(record);
    return "went on after " + record.calls[request].name + " handed out terminateSimulation true " +
           phaseAt(record, request + 1) + ": " + record.calls[*after].text() + " " + phaseAt(record, *after);
}

// ---- 2. FMI 3.0 model exchange: the record's Event Modes ----------------------

// "entered Event Mode 3 times ... first at t = 0.01 (...)": the Event Modes
// without a reason the record shows, with the indicator values the host
// read before the first of them.
std::string withoutReason(const CallRecord& record, const std::vector<EventWithoutReason>& events) {
    const EventWithoutReason& first = events.front();
    std::string reads;
    for (const std::string& values : first.lastReads) reads += (reads.empty() ? "" : ", ") + values;
    const std::string indicators = functionName(FmiVersion::fmi3, Role::getEventIndicators);
    const std::string seen = first.reads == 0 ? "no " + indicators + " since the last event update"
                                              : "the indicators read since the last event update: " +
                                                    std::string(first.reads > first.lastReads.size() ? "..., " : "") +
                                                    reads;
    return "entered Event Mode " + std::to_string(events.size()) + (events.size() == 1 ? " time" : " times") +
           " with no event indicator changing its domain (z > 0 against z ≤ 0), no step event and no time event, "
           "first " + phaseAt(record, first.call) + " (" + seen + ")";
}

// The record's findings on an FMI 3.0 model-exchange run: each Event Mode's
// iteration and the request to terminate (fail), Event Modes entered
// without a reason the record shows (note: the host may have had its own).
std::vector<Finding> eventModeFindings(const Run& run, Faults& faults) {
    const CallRecord& record = *run.record;
    std::vector<Finding> findings;
    if (const auto broken = firstIterationBreak(record)) {
        faults.eventModeBroken = true;
        findings.push_back({Verdict::fail, run.name, "the first call out of order in an Event Mode: " +
                                                         record.calls[broken->call].text() + " " +
                                                         phaseAt(record, broken->call) + ", " + broken->why});
    }
    if (const auto wentOn = wentOnAfterTermination(record)) {
        faults.terminationIgnored = true;
        findings.push_back({Verdict::fail, run.name, *wentOn});
    }
    if (const auto events = eventsWithoutReason(record); !events.empty()) {
        findings.push_back({Verdict::note, run.name, withoutReason(record, events)});
    }
    if (findings.empty()) {
        const auto entered = std::count_if(record.calls.begin(), record.calls.end(),
                                           [](const Call& c) { return c.role == Role::enterEventMode; });
        // A run that never met an event says nothing about how the host handles one.
        if (entered == 0) {
            findings.push_back({Verdict::notReached, run.name, "no Event Mode entered; the run " + run.end->where});
        } else {
            findings.push_back({Verdict::pass, run.name,
                                std::to_string(entered) + " Event Modes, each entered for an event and iterated "
                                "until discreteStatesNeedUpdate was false; " + run.end->where});
        }
    }
    return findings;
}

// The trajectory of one model-exchange run: its first rebound and floor,
// or the burst its run ended in, or why its CSV cannot be judged.
Finding modelExchangeFinding(const Run& run, const Probe& probe, Faults& faults) {
    const double interval = run.request.step;
    if (run.end && run.end->subject == probe.subject) {
        const Finding burst = burstFinding(run), rebound = firstReboundChecked(run, interval);
        faults.stalled = faults.stalled || burst.verdict == Verdict::fail;
        faults.integratedWrongly = faults.integratedWrongly || rebound.verdict == Verdict::fail;
        return {std::max(burst.verdict, rebound.verdict), run.name, burst.text + "; " + rebound.text};
    }
    if (auto unjudgeable = unjudgeableResult(run, probe)) {
        faults.integratedWrongly = faults.integratedWrongly || unjudgeable->verdict == Verdict::fail;
        return *unjudgeable;
    }
    std::string summary;
    if (const auto problem = bounceProblem(*run.result.trajectory, interval, summary)) {
        faults.integratedWrongly = true;
        return {Verdict::fail, run.name, *problem + earlyEnd(run)};
    }
    return {Verdict::pass, run.name, summary};
}

std::string modelExchangeFix(const Faults& faults) {
    const std::string integrate =
        "Integrate the states the component hands out, watch the event indicator's sign at every step and call the "
        "event update when it changes, then go on from the states read back after it.";
    const std::string bound = "Bound the number of events per unit of model time or the smallest step, and stop with a "
                              "message when the bound is reached.";
    const std::string iterate = "In each Event Mode call " + functionName(FmiVersion::fmi3, Role::updateDiscreteStates) +
                                " until discreteStatesNeedUpdate is false before " +
                                functionName(FmiVersion::fmi3, Role::enterContinuousTime) + ".";
    const std::string stop = "Stop the simulation when the component hands out terminateSimulation true.";
    std::string fix;
    for (const auto& [found, advice] : {std::pair{faults.stalled, &bound}, std::pair{faults.integratedWrongly, &integrate},
                                        std::pair{faults.eventModeBroken, &iterate},
                                        std::pair{faults.terminationIgnored, &stop}}) {
        if (found) fix += (fix.empty() ? "" : " ") + *advice;
    }
    return fix.empty() ? integrate : fix;
}

// ---- 3. Co-simulation -------------------------------------------------------

struct Comparison {
    enum class Kind { exact, close, differs } kind = Kind::exact;
    std::string detail;            // the first difference, for differs
    double largestRelative = 0.0;  // over the values compared
    bool rowMissing = false;       // differs: a reference time has no row, not just other values
};

// %g prints six significant digits: a value so printed is off by at most
// 5e-6 of itself. A CSV whose values differ by less than this, and whose rows
// are all there, lacks digits rather than holding another trajectory.
constexpr double sixDigitRounding = 1e-5;

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

// Reference rows are matched to the host's rows by time: either may hold
// several rows at one time (an event's states before and after it: the last
// one counts) and the host may go on past the reference's end (varnelle's
// end at its rest); a reference row without a host row is a difference.
Comparison compareWithReference(const Trajectory& host, const Trajectory& reference) {
    Comparison result;
    std::size_t i = 0;
    const char* names[3] = {"time", "height", "velocity"};
    const double scales[3] = {0.0, largestMagnitude(reference.height), largestMagnitude(reference.velocity)};
    for (std::size_t r = 0; r < reference.size(); ++r) {
        const double when = reference.time[r];
        if (r + 1 < reference.size() && reference.time[r + 1] == when) continue;
        while (i < host.size() && host.time[i] < when && !close(host.time[i], when, referenceTolerance)) ++i;
        if (i == host.size() || !close(host.time[i], when, referenceTolerance)) {
            result.kind = Comparison::Kind::differs;
            result.rowMissing = true;
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

// How a sequence of communication points was computed from the step h: by
// adding it (t += h), by multiplying it (n·h), or otherwise; both when the
// step is exact in binary.
std::string pointArithmetic(const std::vector<double>& points, double step) {
    bool adds = true, multiplies = true;
    double sum = 0.0;
    for (std::size_t n = 0; n < points.size(); ++n) {
        adds = adds && bitEqual(points[n], sum);
        multiplies = multiplies && bitEqual(points[n], static_cast<double>(n) * step);
        sum += step;
    }
    if (adds && multiplies) return "t += h and n·h alike";
    if (adds) return "t += h";
    if (multiplies) return "n·h";
    return "neither t += h nor n·h";
}

// The same for the step sizes: h each time, or the difference of two
// multiplied points, (n+1)·h − n·h. A last step that ends on the stop time
// otherwise is said apart.
std::optional<std::string> sizeRule(const std::vector<double>& sizes, std::size_t count, double step) {
    bool constant = true, differences = true;
    for (std::size_t n = 0; n < count; ++n) {
        constant = constant && bitEqual(sizes[n], step);
        const double k = static_cast<double>(n);
        differences = differences && bitEqual(sizes[n], (k + 1.0) * step - k * step);
    }
    if (constant) return "h";
    if (differences) return "(n+1)·h − n·h";
    return std::nullopt;
}

std::string sizeArithmetic(const std::vector<double>& points, const std::vector<double>& sizes, double step) {
    if (const auto rule = sizeRule(sizes, sizes.size(), step)) return *rule;
    const bool lastCut = sizes.size() > 1 && bitEqual(points.back() + sizes.back(), stopTime);
    if (const auto rule = lastCut ? sizeRule(sizes, sizes.size() - 1, step) : std::nullopt) {
        return *rule + ", the last " + shortest(sizes.back()) + " to end on " + shortest(stopTime);
    }
    const auto [low, high] = std::minmax_element(sizes.begin(), sizes.end());
    return "from " + shortest(*low) + " to " + shortest(*high);
}

// How the master stepped: "<step function> at points n·h with step sizes
// (n+1)·h − n·h"; likeReference when it adds its points and steps by h as
// the reference's master does.
struct Stepping {
    std::string text;
    bool likeReference = false;
};

FmiVersion versionOf(const Run& run) {
    const int version = componentOf(run.request).standardVersion;
    return version == 3 ? FmiVersion::fmi3 : version == 2 ? FmiVersion::fmi2 : FmiVersion::fmi1;
}

// The communication points and step sizes the master passed, from its
// steps.
Stepping masterSteps(const CallRecord& record, FmiVersion version, double step) {
    std::vector<double> points, sizes;
    const std::string stepFunction = functionName(version, Role::doStep);
    for (const Call& call : record.calls) {
        if (call.role != Role::doStep) continue;
        points.push_back(call.numericArgument("currentCommunicationPoint").value_or(NAN));
        sizes.push_back(call.numericArgument("communicationStepSize").value_or(NAN));
    }
    if (points.empty()) return {"no " + stepFunction + " call"};
    const std::string pointRule = pointArithmetic(points, step), sizeRule = sizeArithmetic(points, sizes, step);
    return {stepFunction + " at points " + pointRule + " with step sizes " + sizeRule,
            pointRule.starts_with("t += h") && sizeRule.starts_with("h")};
}

// The times of a CSV, one per communication point.
std::vector<double> distinctTimes(const Trajectory& trajectory) {
    std::vector<double> times;
    for (double t : trajectory.time) {
        if (times.empty() || t != times.back()) times.push_back(t);
    }
    return times;
}

// How the master stepped, from the record, or from the CSV's times without one.
Stepping howItSteps(const Run& run, double step) {
    if (run.record) return masterSteps(*run.record, versionOf(run), step);
    return {"CSV times " + pointArithmetic(distinctTimes(*run.result.trajectory), step)};
}

// Why a CSV agrees with the reference only to rounding: a master that
// steps otherwise than the reference's, or one that steps alike and
// writes fewer digits.
std::string whyOnlyClose(const Stepping& steps, const Comparison& comparison) {
    if (!steps.likeReference) return steps.text + " (the reference's master adds, t += h)";
    return "the master steps as the reference's does (" + steps.text + "), so the CSV holds its values with fewer "
           "digits than %.17g (up to " + shortest(comparison.largestRelative) + " relative)";
}

// The reference a co-simulation run is compared with: corvane's, or
// varnelle's with or without event mode. varnelle reports a contact as an
// event only to a host that allowed early return too; with event mode alone
// it rebounds inside the step, as without event mode.
std::string referenceName(const Run& run) {
    if (!fmi3Run(run)) return run.request.component;
    const Call* instantiation = run.record ? coSimulationInstantiation(*run.record) : nullptr;
    const bool eventsReported = instantiation != nullptr && flagSet(instantiation->arguments, "eventModeUsed") &&
                                flagSet(instantiation->arguments, "earlyReturnAllowed");
    return run.request.component + (eventsReported ? "-event-mode" : "");
}

// One co-simulation run's CSV against its reference; a difference that is
// not only of digits printed clears onlyDigits.
Finding coSimulationFinding(const Run& run, const Probe& probe, const TrajectoryFile& reference,
                            const std::string& name, bool& onlyDigits) {
    if (auto unjudgeable = unjudgeableResult(run, probe)) {
        onlyDigits = false;
        return *unjudgeable;
    }
    if (!reference.trajectory) return {Verdict::fail, run.name, "the reference cannot be read: " + reference.problem};
    const Comparison comparison = compareWithReference(*run.result.trajectory, *reference.trajectory);
    const Stepping steps = howItSteps(run, run.request.step);
    // varnelle's references end at its rest: which one, and where it ends.
    const std::string against = fmi3Run(run) ? " (" + name + "-h" + shortest(run.request.step) + ".csv, to its end at t = " +
                                                   fixed(reference.trajectory->time.back(), 2) + ")"
                                             : "";
    switch (comparison.kind) {
        case Comparison::Kind::exact:
            return {Verdict::pass, run.name, "bit for bit the reference" + against + "; " + steps.text, !run.record};
        case Comparison::Kind::close:
            return {Verdict::note, run.name,
                    "within " + shortest(referenceTolerance) + " relative of the reference" + against +
                        ", not bit for bit: " + whyOnlyClose(steps, comparison), !run.record};
        case Comparison::Kind::differs:
            onlyDigits = onlyDigits && !comparison.rowMissing && comparison.largestRelative > 0 &&
                         comparison.largestRelative < sixDigitRounding;
            return {Verdict::fail, run.name, comparison.detail + against + earlyEnd(run) + "; " + steps.text, !run.record};
    }
    return {Verdict::skip, run.name, ""};
}

std::string coSimulationFix(bool csvFailed, bool onlyDigits, FmiVersion stepped, bool terminationIgnored) {
    const std::string stop = "Stop stepping when " + functionName(FmiVersion::fmi3, Role::doStep) +
                             " hands out terminateSimulation true.";
    if (!csvFailed) return stop;
    const std::string csv =
        onlyDigits ? "Write the outputs with 17 significant digits (%.17g): the values agree only to the digits printed."
                   : "Call " + functionName(stepped, Role::doStep) +
                         " once per communication step from the last communication point and write the outputs read "
                         "with " + functionName(stepped, Role::getReal) + " at every point, unchanged.";
    return terminationIgnored ? csv + " " + stop : csv;
}

}  // namespace

ProbeResult judgeModelExchangeTrajectory(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = resultOf(probe);
    std::vector<Finding> findings;
    Faults faults;
    for (const RunRequest& request : probe.needs) {
        const Run& run = runs(request);
        if (run.skipped) continue;
        result.runs.push_back(&run);
        findings.push_back(modelExchangeFinding(run, probe, faults));
        if (!run.record || !fmi3Run(run) || findings.back().verdict == Verdict::notReached) continue;
        for (const Finding& f : eventModeFindings(run, faults)) findings.push_back(f);
    }
    conclude(result, findings);
    result.fix = modelExchangeFix(faults);
    return result;
}

ProbeResult judgeCoSimulationTrajectory(const Probe& probe, RunSource& runs, const Settings& settings) {
    ProbeResult result = resultOf(probe);
    std::vector<Finding> findings;
    bool onlyDigits = true;  // every difference is that of a value printed with fewer digits
    bool csvFailed = false, terminationIgnored = false;
    FmiVersion stepped = FmiVersion::fmi2;  // of the last run whose CSV failed
    for (const RunRequest& request : probe.needs) {
        const Run& run = runs(request);
        if (run.skipped) continue;
        result.runs.push_back(&run);
        const std::string name = referenceName(run);
        const TrajectoryFile reference = readTrajectory(referenceFile(settings, request.step, name), ',');
        result.references.push_back(reference.trajectory);
        findings.push_back(coSimulationFinding(run, probe, reference, name, onlyDigits));
        if (findings.back().verdict == Verdict::fail) {
            csvFailed = true;
            stepped = versionOf(run);
        }
        if (!run.record || findings.back().verdict == Verdict::notReached) continue;
        if (const auto wentOn = wentOnAfterTermination(*run.record)) {
            terminationIgnored = true;
            findings.push_back({Verdict::fail, run.name, *wentOn});
        }
    }
    conclude(result, findings);
    result.fix = coSimulationFix(csvFailed || !terminationIgnored, onlyDigits, stepped, terminationIgnored);
    return result;
}

}  // namespace hostcheck
