// The host's callbacks, hostile but lawful. The logger checks every message
// and formats it; for an instance whose host the input made hostile it may
// then call that instance back before returning (getters, setters, strings
// included, the debug logging switch, fmi2Reset), up to a few calls deep. The
// allocator fails where the input says; the free takes only live blocks.
#pragma once

#include <string>

#include "session.h"

namespace fuzz {

// How a host fills in the callbacks it passes at instantiation, as the input
// chooses from 0 to 9 (the trace shows the number): complete (0, 5, 6), with
// a null logger (1), allocator (2) or free (3), no structure at all (4; FMI
// 2.0 only, complete for FMI 1.0), or complete with a hostile logger (7 to 9).
struct CallbackVariant {
    int number;
    bool nullLogger() const { return number == 1; }
    bool nullAllocator() const { return number == 2; }
    bool nullFree() const { return number == 3; }
    bool nullStructure() const { return number == 4; }
    bool hostile() const { return number >= 7; }
};
CallbackVariant chooseCallbacks(Input& in);

// The callbacks for an instance in slot, as the variant has them.
fmi2CallbackFunctions fmi2Callbacks(Slot& slot, CallbackVariant variant);
fmiCallbackFunctions fmi1Callbacks(CallbackVariant variant);

// The name an instance gives its logger: the one it was created with, cut to
// what the instance stores.
std::string expectedName(const char* name);

// False when the operation is a free value.
bool runHostOperation(Session& session, HostOperation operation);

}  // namespace fuzz
