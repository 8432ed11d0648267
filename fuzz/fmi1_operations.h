// The FMI 1.0 operations: calls on tressivo, with the checks of what each
// call returns.
#pragma once

#include "session.h"

namespace fuzz {

// One step on tressivo; false when the operation is a free value.
bool runFmi1(Session& session, Fmi1Operation operation);

// One call on instance c (null, released or live), other than creating or
// releasing one: what a step or the hostile logger makes.
void callFmi1(Session& session, Fmi1Operation operation, void* c);

}  // namespace fuzz
