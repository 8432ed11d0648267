// An FMI 1.0 model-exchange host whose logger prints the message it receives
// without formatting it with the arguments that follow: "Init #r%d#=%g"
// reaches its output instead of "Init #r0#=1".
#include <cstdio>

#include "test_host.h"

namespace {

void rawLogger(fmiComponent, fmiString instanceName, fmiStatus status, fmiString category, fmiString message, ...) {
    std::printf("[%d] %s %s: %s\n", status, category, instanceName, message);  // the fault: the format alone
}

}  // namespace

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const test_host::Component component = test_host::unpack(a);
    const host::Library library(component.library);
    const host::Fmi1Api f(library, component.identifier + "_");
    host::Host host;
    fmiCallbackFunctions callbacks = host.fmi1Callbacks();
    callbacks.logger = rawLogger;
    fmiComponent c = f.fmiInstantiateModel("raw", "123", callbacks, fmiTrue);
    if (c == nullptr) return 1;
    constexpr int iterationBound = 10;
    return test_host::simulateFmi1(f, c, host, a, iterationBound);
}
