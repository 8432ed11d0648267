// The simplest co-simulation master, run on corvane: with no flag it sums its
// communication points (t += h), as the reference results do; with
// --multiply it computes them as n * h, which the host check reports as a
// note on the master's time arithmetic; --semicolons writes its CSV with
// semicolons and decimal commas, which must read back bit for bit.
#include <cstdio>

#include "test_host.h"

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const test_host::Component component = test_host::unpack(a);
    const host::Library library(component.library);
    const host::Fmi2Api f(library);
    host::Host host;
    const fmi2CallbackFunctions callbacks = host.fmi2Callbacks();
    fmi2Component c = f.fmi2Instantiate("master", fmi2CoSimulation, "123", "", &callbacks, fmi2False, fmi2True);
    if (c == nullptr) {
        std::fprintf(stderr, "fmi2Instantiate failed\n");
        return 1;
    }
    f.fmi2SetupExperiment(c, fmi2False, 0.0, 0.0, fmi2True, a.stop);
    f.fmi2EnterInitializationMode(c);
    f.fmi2ExitInitializationMode(c);
    test_host::printLog(host);
    return test_host::coSimulate(f, c, host, a, a.flag == "--multiply");
}
