// What the test hosts of the host check share: their command line, the
// component inside an .fmu, the two simulation loops and the CSV they write.
// Each host is this plain host with one deliberate fault for the host check
// to find.
#pragma once

#include <string>
#include <vector>

#include "harness.h"

namespace test_host {

// HOST FMU CSV STOP STEP WORKDIR [FLAG]
struct Arguments {
    std::string fmu, csv;
    double stop = 3.0, step = 0.01;
    std::string workdir, flag;
};
Arguments parse(int argc, char** argv);

// The FMU unpacked into WORKDIR/unpacked: its one library for this platform.
// The model identifier is the library's name (FMI 1.0 functions carry it as
// their prefix).
struct Component {
    std::string library, identifier;
};
Component unpack(const Arguments& arguments);

// Prints the log messages recorded since the last call, formatted.
void printLog(const host::Host& host);

// The simplest co-simulation master: one fmi2DoStep of the step size per
// communication step, the states read at every point. The points are summed
// (t += h), or with multiply computed as n * h. Stops at a status other than
// OK. The flag --semicolons writes the CSV as in a decimal-comma locale.
// Returns the exit status.
int coSimulate(const host::Fmi2Api& f, fmi2Component c, const host::Host& host, const Arguments& a, bool multiply);

// FMI 1.0 model exchange with explicit Euler at the step size, events on the
// indicator's sign; fmiEventUpdate is called until iterationConverged, at
// most maxIterations times (0: no bound). Returns the exit status.
int simulateFmi1(const host::Fmi1Api& f, fmiComponent c, const host::Host& host, const Arguments& a,
                 int maxIterations);

}  // namespace test_host
