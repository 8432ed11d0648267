// A plain FMI 3.0 test host. Its instantiation, in the interface the
// template asks for (FLAG: me or cs): it reads the instantiation token from the FMU's
// description, as a host must, and when the component refuses it reports
// it, frees the null instance (fmi3FreeInstance(NULL) does nothing) and
// exits with status 1. No fault: the host check's FMI 3.0 runs of the
// refused-instantiation probe proven on a host that copes; given an FMU it
// takes, it initialises it (the component sends its nine messages of
// initialisation, which it prints as the finished text they are),
// terminates and frees it. Built with
// ENTERS_INITIALIZATION_WHEN_REFUSED it has the fault: it goes on with the
// null instance. Built with SETS_FOUR_BYTE_BOOLEANS it sets two booleans as
// a host written for FMI 2.0's four-byte booleans does: an int array, its
// size in bytes as nValues. Built with STEPS_INSIDE_THE_CALLBACK it
// co-simulates one step with an intermediate-update callback that calls
// fmi3DoStep itself, which Intermediate Update Mode does not allow. Built
// with PRINTS_MESSAGES_AS_FORMAT its logger hands each message to printf as
// the format, with the values it has at hand as arguments: the message
// with '%' in it comes out mangled.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "test_host.h"

namespace {

namespace fs = std::filesystem;

void logMessage(fmi3InstanceEnvironment, fmi3Status status, fmi3String category, fmi3String message) {
#ifdef PRINTS_MESSAGES_AS_FORMAT
    // The fault: the message as the format. Its arguments are of the types
    // the one message with conversions asks for, so that what it prints is
    // the same on every run.
    int written = 0;
    std::printf("[%d] %s: ", int(status), category ? category : "");
    std::printf(message, 0u, category ? category : "", 0, &written);
    std::printf("\n");
#else
    // The message is finished text: printed as it is, never as a format.
    std::printf("[%d] %s: %s\n", int(status), category ? category : "", message ? message : "");
#endif
}

std::string instantiationToken(const fs::path& unpacked) {
    std::ifstream file(unpacked / "modelDescription.xml");
    const std::string text(std::istreambuf_iterator<char>(file), {});
    std::smatch token;
    return std::regex_search(text, token, std::regex("instantiationToken=\"([^\"]*)\"")) ? token[1].str() : "";
}

#ifdef STEPS_INSIDE_THE_CALLBACK
struct Stepping {
    const host::Fmi3Api* f;
    fmi3Instance c;
};

void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean, fmi3Boolean,
                        fmi3Boolean, fmi3Boolean, fmi3Boolean*, fmi3Float64*) {
    auto* s = static_cast<Stepping*>(environment);
    fmi3Boolean eventHandlingNeeded = false, terminateSimulation = false, earlyReturn = false;
    fmi3Float64 lastSuccessfulTime = 0.0;
    // The fault: a step from inside the step.
    s->f->fmi3DoStep(s->c, time, 0.01, false, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                     &lastSuccessfulTime);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const test_host::Arguments a = test_host::parse(argc, argv);
    const fs::path unpacked = fs::path(a.workdir) / "unpacked";
    if (std::system(("unzip -q -o '" + a.fmu + "' -d '" + unpacked.string() + "'").c_str()) != 0) return 1;
    // The library for this program's own width, as a host loads it.
    const char* platform = sizeof(void*) == 8 ? "x86_64-linux" : "x86-linux";
    const fs::path library = unpacked / "binaries" / platform / "varnelle.so";
    const host::Library loaded(library.string());
    if (!loaded.loaded()) {
        std::fprintf(stderr, "cannot load %s\n", library.c_str());
        return 1;
    }
    const host::Fmi3Api f(loaded);
    const std::string token = instantiationToken(unpacked);
#ifdef STEPS_INSIDE_THE_CALLBACK
    if (a.flag != "cs") return 0;  // the fault is co-simulation's
    Stepping stepping{&f, nullptr};
    stepping.c = f.fmi3InstantiateCoSimulation("ball", token.c_str(), nullptr, false, true, false, false, nullptr, 0,
                                               &stepping, logMessage, intermediateUpdate);
    if (stepping.c == nullptr) return 1;
    f.fmi3EnterInitializationMode(stepping.c, false, 0.0, 0.0, true, a.stop);
    f.fmi3ExitInitializationMode(stepping.c);
    fmi3Boolean eventHandlingNeeded = false, terminateSimulation = false, earlyReturn = false;
    fmi3Float64 lastSuccessfulTime = 0.0;
    f.fmi3DoStep(stepping.c, 0.0, 0.01, false, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                 &lastSuccessfulTime);
    f.fmi3FreeInstance(stepping.c);
    return 0;
#endif
    fmi3Instance c = a.flag == "cs"
                         ? f.fmi3InstantiateCoSimulation("ball", token.c_str(), nullptr, false, true, false, false,
                                                         nullptr, 0, nullptr, logMessage, nullptr)
                         : f.fmi3InstantiateModelExchange("ball", token.c_str(), nullptr, false, true, nullptr,
                                                          logMessage);
#ifdef ENTERS_INITIALIZATION_WHEN_REFUSED
    constexpr bool entersInitializationWhenRefused = true;
#else
    constexpr bool entersInitializationWhenRefused = false;
#endif
    if (c != nullptr || entersInitializationWhenRefused) f.fmi3EnterInitializationMode(c, false, 0.0, 0.0, true, a.stop);
    if (c == nullptr) {
        std::fprintf(stderr, "the instantiation was refused (token %s)\n", token.c_str());
        f.fmi3FreeInstance(c);
        return 1;
    }
#ifdef SETS_FOUR_BYTE_BOOLEANS
    const fmi3ValueReference booleans[] = {20, 21};
    const int values[] = {1, 1};
    f.fmi3SetBoolean(c, booleans, 2, reinterpret_cast<const fmi3Boolean*>(values), sizeof values);
#else
    f.fmi3ExitInitializationMode(c);
    f.fmi3Terminate(c);
#endif
    f.fmi3FreeInstance(c);
    return 0;
}
