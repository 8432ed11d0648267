// The FMI 2.0 operations: calls on pellidor (model exchange) and corvane
// (co-simulation), with the checks of what each call returns.
#pragma once

#include "session.h"

namespace fuzz {

// One step on pellidor or corvane; false when the operation is not one of
// that component's.
bool runFmi2(Session& session, Driven component, Fmi2Operation operation);

// One call on instance c of the component (null, released or live), other
// than creating or releasing one: what a step or the hostile logger makes.
void callFmi2(Session& session, Driven component, Fmi2Operation operation, void* c);

// The calls only one interface has (fmi2_interfaces.cpp), on instance c;
// false for the others.
bool modelExchangeCall(Session& session, const host::Fmi2Api& api, Fmi2Operation operation, void* c);
bool coSimulationCall(Session& session, const host::Fmi2Api& api, Fmi2Operation operation, void* c);

}  // namespace fuzz
