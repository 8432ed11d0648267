// An FMI 1.0 model-exchange host that calls fmiEventUpdate until the
// component reports iterationConverged, without a bound. tressivo reports it
// false until its first rebound, so after fmiInitialize this host never ends.
#include "test_host.h"

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const test_host::Component component = test_host::unpack(a);
    const host::Library library(component.library);
    const host::Fmi1Api f(library, component.identifier + "_");
    host::Host host;
    fmiComponent c = f.fmiInstantiateModel("uncapped", "123", host.fmi1Callbacks(), fmiTrue);
    if (c == nullptr) return 1;
    constexpr int noBound = 0;  // the fault
    return test_host::simulateFmi1(f, c, host, a, noBound);
}
