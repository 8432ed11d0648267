// Fuzzes all four components as a hostile but lawful host would: the input
// is read as a sequence of calls on up to two instances of each component,
// made in any order, with any value reference, counts from 0 to a few more
// than the model has (every array exactly as long as its count says, so the
// sanitizers see any access past it; any count at all where every array is
// null), null pointers wherever a host may pass one, NaN, infinities,
// subnormals, -0 and huge reals, times and step sizes, logging flags other
// than 0 and 1, and injected allocation failures.
//
// The input also chooses, per instance, a hostile host: its logger calls the
// instance it is called for back before returning, and it passes the string
// blocks the instance handed out back to the string setter
// (hostile_host.cpp, shared_calls.h).
//
// After every call the status must be a valid one; every logger call must be
// well formed; every block freed must be a live block the host handed out; at
// the end every block must have been freed exactly once (checks.cpp).
//
// Where each job lives: operations.h names the operations and says how an
// input encodes them, input.cpp reads the arguments, fmi2_operations.cpp,
// fmi2_interfaces.cpp and fmi1_operations.cpp make the calls, and this file
// runs the sequence; fmi3_operations.cpp drives varnelle, the FMI 3.0
// component, and checks it.
#include <cstdint>
#include <cstdio>
#include <utility>

#include "fmi1_operations.h"
#include "fmi2_operations.h"
#include "fmi3_operations.h"
#include "hostile_host.h"
#include "session.h"

namespace fuzz {

namespace {

// Steps an input makes at most, so that one input stays quick.
constexpr int maxSteps = 400;

const char* nameOf(Driven driven) {
    switch (driven) {
        case Driven::Pellidor: return "pellidor";
        case Driven::Corvane: return "corvane";
        case Driven::Tressivo: return "tressivo";
        case Driven::Host: return "host";
    }
    return "?";
}

// The name of the operation a byte encodes, for the trace; null for a free value.
const char* operationName(std::uint8_t byte) {
    const std::uint8_t operation = operationOf(byte);
    switch (drivenBy(byte)) {
        case Driven::Pellidor:
        case Driven::Corvane: return nameOf(Fmi2Operation(operation));
        case Driven::Tressivo: return nameOf(Fmi1Operation(operation));
        case Driven::Host: return nameOf(HostOperation(operation));
    }
    return nullptr;
}

// One step: the operation a byte encodes; false when it is none of what the
// byte drives.
bool runStep(Session& s, std::uint8_t byte) {
    const Driven driven = drivenBy(byte);
    const std::uint8_t operation = operationOf(byte);
    switch (driven) {
        case Driven::Pellidor:
        case Driven::Corvane: return runFmi2(s, driven, Fmi2Operation(operation));
        case Driven::Tressivo: return runFmi1(s, Fmi1Operation(operation));
        case Driven::Host:
            if (HostOperation(operation) == HostOperation::Varnelle) return runFmi3(s);
            return runHostOperation(s, HostOperation(operation));
    }
    return false;
}

void traceStep(int step, std::uint8_t byte) {
    if (!tracing()) return;
    const char* name = operationName(byte);
    std::fprintf(stderr, "call %d: %s %s (0x%02x)\n", step, nameOf(drivenBy(byte)), name ? name : "-", byte);
}

// Releases every instance left, then checks that every block the host handed
// out came back.
void finish(Session& s) {
    for (Slot& slot : s.pellidor) components().pellidor.fmi2FreeInstance(std::exchange(slot.c, nullptr));
    for (Slot& slot : s.corvane) components().corvane.fmi2FreeInstance(std::exchange(slot.c, nullptr));
    for (Slot& slot : s.tressivo) components().tressivo.fmiFreeModelInstance(std::exchange(slot.c, nullptr));
    finishFmi3(s);
    checkHost(s.host);
    if (s.host.liveBlocks() != 0) fail("%zu blocks were never freed", s.host.liveBlocks());
}

void run(Session& s) {
    for (int step = 0; step < maxSteps && !s.in.exhausted(); ++step) {
        s.in.forgetTexts();
        const std::uint8_t byte = s.in.byte();
        traceStep(step, byte);
        if (!runStep(s, byte)) s.trace("no such operation: nothing done");
        checkHost(s.host);
    }
    s.in.forgetTexts();
    finish(s);
}

}  // namespace

}  // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Components& loaded = fuzz::components();
    for (const host::Library* library :
         {&loaded.pellidorLibrary, &loaded.corvaneLibrary, &loaded.tressivoLibrary, &loaded.varnelleLibrary}) {
        if (!library->loaded()) fuzz::fail("cannot load a component: %s", library->error().c_str());
    }
    if (loaded.failAllocation == nullptr || loaded.liveBlocks == nullptr)
        fuzz::fail("varnelle is not the copy with the interposed allocator");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    fuzz::Session session(provider);
    fuzz::run(session);
    return 0;
}
