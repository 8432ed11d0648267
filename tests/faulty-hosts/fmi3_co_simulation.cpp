// An FMI 3.0 co-simulation master test host for varnelle: TEMPLATE ARGUMENTS
// then FLAG (the interface; only cs is simulated) and its options:
// --event-mode (instantiates with eventModeUsed and handles each event: Event
// Mode, the discrete-state updates, Step Mode, on from lastSuccessfulTime),
// --early-return (earlyReturnAllowed; after an early return it steps on from
// lastSuccessfulTime), --callback (an intermediate-update callback reading
// height and velocity, the variables it names), --request-early-return T (the
// callback asks once for an early return at its first call at or after T
// that can return early). After a Discard it retries once from the same
// point with half the step. A terminateSimulation ends the run. It writes
// time, height and velocity at every point it reaches.
//
// As it copes, with every option it passes the event-mode, early-return and
// intermediate-update probes; without early return (varnelle then answers
// the long step with a Discard) it passes the Discard probe. Built with one
// fault each:
//   IGNORES_EVENT_HANDLING        steps on after eventHandlingNeeded, as if it had not been answered;
//   STEPS_FROM_THE_PLANNED_POINT  after an early return, steps on from the point the step was heading for;
//   STEPS_ON_AFTER_TERMINATE      after an update asking to terminate, enters Step Mode and steps on;
//   STEPS_ON_AFTER_DISCARD        after a Discard, steps on from the point the discarded step was heading for;
//   REQUESTS_EARLY_RETURN_ALWAYS  its callback asks for the early return also where canReturnEarly is false.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "model_expectations.h"
#include "test_host.h"

namespace {

namespace fs = std::filesystem;
namespace ev = expected::varnelle;

struct Options {
    bool eventMode = false, earlyReturn = false, callback = false;
    double requestAt = -1.0;  // below 0: no request
};

Options options(int argc, char** argv) {
    Options o;
    for (int i = 7; i < argc; ++i) {
        if (std::strcmp(argv[i], "--event-mode") == 0) o.eventMode = true;
        if (std::strcmp(argv[i], "--early-return") == 0) o.earlyReturn = true;
        if (std::strcmp(argv[i], "--callback") == 0) o.callback = true;
        if (std::strcmp(argv[i], "--request-early-return") == 0 && i + 1 < argc) o.requestAt = std::atof(argv[++i]);
    }
    return o;
}

void logMessage(fmi3InstanceEnvironment, fmi3Status status, fmi3String category, fmi3String message) {
    std::printf("[%d] %s: %s\n", int(status), category ? category : "", message ? message : "");
}

std::string instantiationToken(const fs::path& unpacked) {
    std::ifstream file(unpacked / "modelDescription.xml");
    const std::string text(std::istreambuf_iterator<char>(file), {});
    std::smatch token;
    return std::regex_search(text, token, std::regex("instantiationToken=\"([^\"]*)\"")) ? token[1].str() : "";
}

struct Row {
    double time, height, velocity;
};

// The run: the component's functions, its instance, what it wrote.
struct Master {
    const host::Fmi3Api* f = nullptr;
    fmi3Instance c = nullptr;
    Options o;
    bool requested = false;  // the callback asked for its early return
    bool refused = false;    // a call answered Error: the instance is Terminated
    std::vector<Row> rows;
};

const fmi3ValueReference motion[] = {ev::heightRef, ev::velocityRef};

void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean, fmi3Boolean getAllowed,
                        fmi3Boolean, fmi3Boolean canReturnEarly, fmi3Boolean* earlyReturnRequested,
                        fmi3Float64* earlyReturnTime) {
    auto* m = static_cast<Master*>(environment);
    fmi3Float64 values[2];
    if (getAllowed) m->f->fmi3GetFloat64(m->c, motion, 2, values, 2);
#ifdef REQUESTS_EARLY_RETURN_ALWAYS
    canReturnEarly = true;  // the fault: asked whatever the component says
#endif
    if (canReturnEarly && !m->requested && m->o.requestAt >= 0.0 && time >= m->o.requestAt) {
        m->requested = true;
        *earlyReturnRequested = true;
        *earlyReturnTime = time;
    }
}

bool sample(Master& m, double time) {
    fmi3Float64 values[2];
    if (m.f->fmi3GetFloat64(m.c, motion, 2, values, 2) != fmi3OK) return false;
    m.rows.push_back({time, values[0], values[1]});
    return true;
}

// Event Mode: the updates until settled, then Step Mode unless asked to
// terminate. False when the simulation ends here.
bool handleEvent(Master& m, bool enter) {
    if (enter && m.f->fmi3EnterEventMode(m.c) != fmi3OK) return !(m.refused = true);
    fmi3Boolean needUpdate = true, terminate = false, nominals = false, values = false, defined = false;
    fmi3Float64 next = 0.0;
    for (int i = 0; i < 10 && needUpdate; ++i) {
        if (m.f->fmi3UpdateDiscreteStates(m.c, &needUpdate, &terminate, &nominals, &values, &defined, &next) != fmi3OK) {
            return !(m.refused = true);
        }
        if (terminate) break;
    }
#ifndef STEPS_ON_AFTER_TERMINATE
    if (terminate) return false;
#endif
    if (m.f->fmi3EnterStepMode(m.c) != fmi3OK) return !(m.refused = true);
    return true;
}

struct StepAnswer {
    fmi3Status status = fmi3OK;
    fmi3Boolean eventHandlingNeeded = false, terminate = false, earlyReturn = false;
    fmi3Float64 lastSuccessfulTime = 0.0;
};

StepAnswer doStep(Master& m, double time, double h) {
    StepAnswer a;
    a.status = m.f->fmi3DoStep(m.c, time, h, true, &a.eventHandlingNeeded, &a.terminate, &a.earlyReturn,
                               &a.lastSuccessfulTime);
    return a;
}

// One step toward the point `end`: the time reached, or below 0 when the
// simulation ends.
double stepToward(Master& m, double time, double end) {
    StepAnswer a = doStep(m, time, end - time);
    if (a.status == fmi3Discard) {
#ifdef STEPS_ON_AFTER_DISCARD
        return end;  // the fault: as if the step had happened
#endif
        std::printf("host: fmi3Discard; retrying from %g with half the step\n", time);
        a = doStep(m, time, (end - time) / 2);
        if (a.status == fmi3OK && !a.earlyReturn) {
            a.earlyReturn = true;
            a.lastSuccessfulTime = time + (end - time) / 2;
        }
    }
    if (a.status != fmi3OK && a.status != fmi3Warning) {
        m.refused = true;
        return -1.0;
    }
    double reached = a.earlyReturn ? a.lastSuccessfulTime : end;
#ifdef STEPS_FROM_THE_PLANNED_POINT
    reached = end;  // the fault: the early return taken for the whole step
#endif
    if (!sample(m, reached) || a.terminate) return -1.0;
#ifndef IGNORES_EVENT_HANDLING
    if (a.eventHandlingNeeded && (!handleEvent(m, true) || !sample(m, reached))) return -1.0;
#endif
    return reached;
}

void simulate(Master& m, const test_host::Arguments& a) {
    if (m.o.eventMode && !handleEvent(m, false)) return;
    if (!sample(m, 0.0)) return;
    double time = 0.0;
    for (int n = 1; time < a.stop - 1e-9 * a.stop; ++n) {
        const double end = n * a.step;
        while (time >= 0.0 && time < end) time = stepToward(m, time, end);
        if (time < 0.0) return;
    }
}

void writeCsv(const std::string& path, const std::vector<Row>& rows) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return;
    std::fputs("time,height,velocity\n", file);
    for (const Row& r : rows) std::fprintf(file, "%.17g,%.17g,%.17g\n", r.time, r.height, r.velocity);
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    if (a.flag != "cs") return 0;  // a co-simulation master only
    const fs::path unpacked = fs::path(a.workdir) / "unpacked";
    if (std::system(("unzip -q -o '" + a.fmu + "' -d '" + unpacked.string() + "'").c_str()) != 0) return 1;
    const char* platform = sizeof(void*) == 8 ? "x86_64-linux" : "x86-linux";
    const host::Library loaded((unpacked / "binaries" / platform / "varnelle.so").string());
    if (!loaded.loaded()) return 1;
    const host::Fmi3Api f(loaded);
    Master m;
    m.f = &f;
    m.o = options(argc, argv);
    const std::string token = instantiationToken(unpacked);
    m.c = f.fmi3InstantiateCoSimulation("ball", token.c_str(), nullptr, false, true, m.o.eventMode, m.o.earlyReturn,
                                        motion, 2, &m, logMessage, m.o.callback ? intermediateUpdate : nullptr);
    if (m.c == nullptr) return 1;
    if (f.fmi3EnterInitializationMode(m.c, false, 0.0, 0.0, true, a.stop) != fmi3OK ||
        f.fmi3ExitInitializationMode(m.c) != fmi3OK) {
        f.fmi3FreeInstance(m.c);
        return 1;
    }
    simulate(m, a);
    if (!m.refused) f.fmi3Terminate(m.c);
    f.fmi3FreeInstance(m.c);
    writeCsv(a.csv, m.rows);
    return m.refused ? 1 : 0;
}
