// The state of one input's run: the host, the instances of each component,
// and what the hostile host keeps while calls are nested in its logger.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "checks.h"
#include "harness.h"
#include "input.h"
#include "operations.h"

namespace fuzz {

// The component libraries, loaded once for the fuzzer's life.
struct Components {
    host::Library pellidorLibrary{PELLIDOR_LIBRARY};
    host::Library corvaneLibrary{CORVANE_LIBRARY};
    host::Library tressivoLibrary{TRESSIVO_LIBRARY};
    host::Fmi2Api pellidor{pellidorLibrary};
    host::Fmi2Api corvane{corvaneLibrary};
    host::Fmi1Api tressivo{tressivoLibrary};
    // varnelle as the test build links it with an interposed allocator, so
    // that an input can make its allocations fail.
    host::Library varnelleLibrary{VARNELLE_LIBRARY};
    host::Fmi3Api varnelle{varnelleLibrary};
    void (*failAllocation)(std::size_t) = varnelleLibrary.function<void (*)(std::size_t)>("rebounderFailAllocation");
    void (*failAllocationsFrom)(std::size_t) =
        varnelleLibrary.function<void (*)(std::size_t)>("rebounderFailAllocationsFrom");
    std::size_t (*allocationAttempts)() = varnelleLibrary.function<std::size_t (*)()>("rebounderAllocationAttempts");
    std::size_t (*liveBlocks)() = varnelleLibrary.function<std::size_t (*)()>("rebounderLiveBlocks");
};
Components& components();

constexpr int instancesPerComponent = 2;

// One instance slot. For FMI 2.0 the callback structure lives here, so it
// outlives the instance that keeps a pointer to it, and its
// componentEnvironment points at the slot, so a logger call names the
// instance it came from.
struct Slot {
    void* c = nullptr;
    std::string expectedName;
    fmi2CallbackFunctions callbacks{};
    bool hostile = false;  // its logger calls the instance back
};
using Slots = std::array<Slot, instancesPerComponent>;

// One varnelle instance slot; the instance environment of its callbacks
// points at it.
struct Fmi3Slot {
    void* c = nullptr;
    bool hostile = false;      // its logger and intermediate-update callback call the instance back
    bool mayLog = false;       // logging was on at instantiation, or switched on since
    bool coSimulation = false;
    bool earlyReturnAllowed = false;
    double time = 0.0;         // where the next step starts, as the instance answered
    int blocksLent = 0;        // unfinished calls that were passed a block of this instance
    unsigned nestedCalls = 0;  // calls made back into it from its callbacks, ever
};
using Fmi3Slots = std::array<Fmi3Slot, instancesPerComponent>;

// A string block of an instance (from its GetString) that an unfinished call
// was passed as a value.
struct Lent {
    const void* c;
    unsigned vr;
    const char* passed;  // the pointer passed: the block or one past its start
};

struct Session {
    explicit Session(FuzzedDataProvider& data);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Slots& slotsOf(Driven component);
    Driven ownerOf(const Slot& slot) const;
    // The FMI 2.0 slot a componentEnvironment points at; null if none.
    Slot* slotOfEnvironment(const void* environment);
    // The FMI 1.0 slot holding instance c; null if none.
    Slot* slotOfInstance(const void* c);

    // A slot the input chooses.
    Slot& pick(Slots& slots);
    // The instance a call goes to: the one in a slot the input chooses
    // (perhaps none yet), or now and then null.
    void* target(Slots& slots);

    host::Host host;
    Input in;
    Trace trace;
    Slots pellidor, corvane, tressivo;
    Fmi3Slots varnelle;
    std::vector<Lent> lent;  // innermost last
};

// The session of the input being run: the callbacks carry no pointer to it.
Session& currentSession();

}  // namespace fuzz
