// A co-simulation master that shows the string variables after
// initialisation and takes their length, trusting every string the component
// hands out to be text. The four strings were never written and read back as
// null pointers: it crashes.
#include <cstdio>
#include <cstring>

#include "test_host.h"

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const test_host::Component component = test_host::unpack(a);
    const host::Library library(component.library);
    const host::Fmi2Api f(library);
    host::Host host;
    const fmi2CallbackFunctions callbacks = host.fmi2Callbacks();
    fmi2Component c = f.fmi2Instantiate("strings", fmi2CoSimulation, "123", "", &callbacks, fmi2False, fmi2True);
    if (c == nullptr) return 1;
    f.fmi2SetupExperiment(c, fmi2False, 0.0, 0.0, fmi2True, a.stop);
    f.fmi2EnterInitializationMode(c);
    f.fmi2ExitInitializationMode(c);
    for (fmi2ValueReference vr = 0; vr < 4; ++vr) {
        fmi2String value = "";
        f.fmi2GetString(c, &vr, 1, &value);
        // The fault: no check for null.
        const volatile std::size_t length = std::strlen(value);
        std::printf("string%u has %zu characters\n", vr, static_cast<std::size_t>(length));
    }
    return test_host::coSimulate(f, c, host, a, false);
}
