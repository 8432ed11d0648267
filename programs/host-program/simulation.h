// Driving a loaded component through a simulation, as its interface
// prescribes, and what comes out of it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "component.h"
#include "harness.h"

namespace rebounder_host {

struct Sample {
    double time;
    double height;
    double velocity;
};

struct Rebound {
    double time;
    double velocityBefore;
    double velocityAfter;
};

// How the host's clock advances from one communication or integration point
// to the next.
enum class Clock {
    // Point k is k·h, each computed from its index so that rounding does not
    // pile up over many steps, and the stop time itself is the last point.
    index,
    // The simplest master's clock: round(stop / h) steps of exactly h, the
    // clock advanced by adding h (t += h); the last point is where the sum
    // ends, 2.99999999999998 after 300 steps of 0.01.
    sum,
};

// Which standard's interface a run drives: its status names and reference form.
enum class StandardVersion { fmi1, fmi2, fmi3 };

// A start value from the command line, NAME=VALUE, given to an FMI 3.0
// instance before initialisation.
struct StartValue {
    std::string name;
    std::string value;
};

struct RunSettings {
    std::string instanceName;
    double stopTime = 3.0;
    double stepSize = 0.001;
    Clock clock = Clock::index;
    bool loggingOn = true;
    bool expandReferences = true;
    std::optional<std::string> string0;
    // FMI 3.0
    std::vector<StartValue> startValues;
    bool eventModeUsed = false;       // co-simulation: handle contacts in Event Mode
    bool earlyReturnAllowed = false;  // co-simulation: accept a step ended early
    bool intermediateUpdate = false;  // co-simulation: pass the callback
    std::optional<double> earlyReturnRequestTime;  // the callback requests an early return from then on
};

struct RunResult {
    std::vector<Sample> trajectory;
    std::vector<Rebound> rebounds;
    std::string failure;  // empty when the run reached the stop time
    bool reboundsAtEvents = false;  // co-simulation: rebounds seen in the host's Event Mode
};

// Prints every message the component has sent through the host's logger
// since the last call, with references expanded when asked to.
class LogPrinter {
public:
    LogPrinter(const host::Host& host, const VariableNames& names, bool expand, StandardVersion version);
    void flush();

private:
    const host::Host& host;
    const VariableNames& names;
    bool expand;
    StandardVersion version;
    std::size_t printed = 0;
};

// The communication or integration points of a run, from 0.
class TimeGrid {
public:
    TimeGrid(double stopTime, double stepSize, Clock clock);
    bool finished(double time, std::size_t stepsTaken) const;

    struct Step {
        double end;     // the next point
        double length;  // the step from the current point to it
    };
    Step next(double time, std::size_t stepsTaken) const;

private:
    double stop;
    double step;
    Clock clock;
    std::size_t stepCount;  // Clock::sum only
};

// What every run shares: the host with its callbacks, the log printer, the
// result being built, and the check of each status a call returns.
class RunContext {
public:
    RunContext(const VariableNames& names, bool expandReferences, StandardVersion version);

    struct Required {
        const char* name;
        bool present;
    };
    // False, with the failure naming the first missing function, when the
    // library lacks a function the run needs.
    bool hasFunctions(std::initializer_list<Required> functions);

    // True for a status the run can go on with: OK, or Warning with a note.
    // Any other status ends the run with a failure naming the call.
    bool check(int status, const char* function);

    void sample(double time, double height, double velocity) { result.trajectory.push_back({time, height, velocity}); }

    host::Host host;
    LogPrinter printer;
    RunResult result;

private:
    StandardVersion version;
};

#define REBOUNDER_REQUIRED(api, name) RunContext::Required{#name, (api).name != nullptr}

RunResult simulateFmi2ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings);
RunResult simulateFmi2CoSimulation(const host::Library& library, const ComponentDescription& component,
                                   const RunSettings& settings);
RunResult simulateFmi1ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings);
RunResult simulateFmi3ModelExchange(const host::Library& library, const ComponentDescription& component,
                                    const RunSettings& settings);
RunResult simulateFmi3CoSimulation(const host::Library& library, const ComponentDescription& component,
                                   const RunSettings& settings);

// A start value the component's variables cannot take: an unknown name, a
// type no setter takes, a value that does not read as the type or has the
// wrong number of elements. Empty when every start value fits.
std::string startValueProblem(const ComponentDescription& component, const std::vector<StartValue>& startValues);

// Loads the component's library and simulates it as its interface
// prescribes; a library that does not load ends the run with a failure.
RunResult simulate(const ComponentDescription& component, const RunSettings& settings);

// Notes about the host's memory after the instance was freed: blocks the
// component never gave back and frees the host could not match.
void reportMemory(const host::Host& host);

}  // namespace rebounder_host
