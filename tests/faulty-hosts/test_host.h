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

// FMI 3.0: the FMU unpacked into WORKDIR/unpacked, the path of its library
// for this program's width, and the instantiation token its description holds.
struct Fmi3Component {
    std::string library, instantiationToken;
};
Fmi3Component unpackFmi3(const Arguments& arguments);

// Prints the log messages recorded since the last call, formatted.
void printLog(const host::Host& host);

// One row of the result CSV, and the CSV as the plain hosts write it
// (%.17g); with semicolons as a host set up for a decimal-comma locale.
struct Row {
    double time, height, velocity;
};
void writeCsv(const std::string& path, const std::vector<Row>& rows, bool semicolons = false);

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
