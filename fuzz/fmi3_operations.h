// The FMI 3.0 operations: calls on varnelle (model exchange and
// co-simulation in one library), with the checks of what each call returns
// and of what it does to the host's callbacks.
#pragma once

#include "session.h"

namespace fuzz {

// One step on varnelle: reads the byte that names the call; false when it
// names none.
bool runFmi3(Session& session);

// Releases every varnelle instance left and checks that the instances gave
// back every block they took.
void finishFmi3(Session& session);

}  // namespace fuzz
