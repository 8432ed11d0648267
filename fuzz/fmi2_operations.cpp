#include "fmi2_operations.h"

#include <cstring>
#include <string>
#include <utility>

#include "hostile_host.h"
#include "model_expectations.h"
#include "shared_calls.h"

namespace fuzz {

namespace {

// The FMI 2.0 value types have four variables each, and reals the calculated
// acceleration besides.
constexpr std::size_t variablesByReference = expected::variablesPerType + 1;

const host::Fmi2Api& apiOf(Driven component) {
    return component == Driven::Pellidor ? components().pellidor : components().corvane;
}

bool has(Driven component, Fmi2Operation operation) {
    switch (interfacesOf(operation)) {
        case Fmi2Interfaces::Both: return true;
        case Fmi2Interfaces::ModelExchange: return component == Driven::Pellidor;
        case Fmi2Interfaces::CoSimulation: return component == Driven::Corvane;
        case Fmi2Interfaces::None: return false;
    }
    return false;
}

// A new instance in a slot the input chooses, whose instance, if any, is
// released first; the input chooses the callbacks and every argument.
void instantiate(Session& s, Driven component) {
    const host::Fmi2Api& api = apiOf(component);
    Slots& slots = s.slotsOf(component);
    Slot& slot = s.pick(slots);
    if (void* old = std::exchange(slot.c, nullptr)) api.fmi2FreeInstance(old);
    checkHost(s.host);
    const CallbackVariant variant = chooseCallbacks(s.in);
    slot.callbacks = fmi2Callbacks(slot, variant);
    slot.hostile = variant.hostile();
    const char* name = s.in.text(8);
    const char* guid = s.in.flag() ? expected::guid : s.in.text(6);
    const char* location = s.in.text(8);
    const int type = s.in.flag() ? s.in.inRange<int>(0, 1) : s.in.integer();
    const int visible = s.in.integer(), loggingOn = s.in.integer();
    slot.c = host::withIntEnum(api.fmi2Instantiate)(name, type, guid, location,
                                                    variant.nullStructure() ? nullptr : &slot.callbacks, visible,
                                                    loggingOn);
    slot.expectedName = expectedName(name);
    s.trace("fmi2Instantiate(slot %d, variant %d%s, loggingOn %d) -> %p", int(&slot - slots.data()), variant.number,
            slot.hostile ? ", hostile logger" : "", loggingOn, slot.c);
    const bool complete = !variant.nullAllocator() && !variant.nullFree() && !variant.nullStructure();
    checkInstantiation("fmi2Instantiate", slot.c, complete, guid);
}

// The instance of a slot the input chooses, or now and then null.
void freeInstance(Session& s, Driven component) {
    Slot& slot = s.pick(s.slotsOf(component));
    const bool passNull = s.in.oneIn(8);
    apiOf(component).fmi2FreeInstance(passNull ? nullptr : std::exchange(slot.c, nullptr));
    s.trace("fmi2FreeInstance(%s)", passNull ? "null" : "a slot");
}

void checkVersion(const host::Fmi2Api& api) {
    if (std::strcmp(api.fmi2GetVersion(), "2.0") != 0) fail("fmi2GetVersion changed");
    if (std::strcmp(api.fmi2GetTypesPlatform(), "default") != 0) fail("fmi2GetTypesPlatform changed");
}

void setDebugLogging(Session& s, const host::Fmi2Api& api, void* c) {
    const std::size_t n = s.in.count(2);
    auto categories = s.in.array<fmi2String>(n, [&] { return s.in.text(10); });
    const int loggingOn = s.in.integer();
    const int status = api.fmi2SetDebugLogging(c, loggingOn, s.in.countFor(n, categories), categories.get());
    s.trace("fmi2SetDebugLogging(loggingOn %d)", loggingOn);
    checkCall(s.trace, "fmi2SetDebugLogging", status, c);
}

void setupExperiment(Session& s, const host::Fmi2Api& api, void* c) {
    const int toleranceDefined = s.in.integer();
    const double tolerance = s.in.real(), startTime = s.in.real();
    const int stopTimeDefined = s.in.integer();
    const double stopTime = s.in.real();
    checkCall(s.trace, "fmi2SetupExperiment",
              api.fmi2SetupExperiment(c, toleranceDefined, tolerance, startTime, stopTimeDefined, stopTime), c);
}

// Not made while an unfinished call holds a block of the instance's strings:
// the reset releases them all.
void reset(Session& s, const host::Fmi2Api& api, void* c) {
    if (lentOut(s, c, s.lent.size(), anyString)) {
        s.trace("fmi2Reset not made: it would release a block an unfinished call was passed");
        return;
    }
    checkCall(s.trace, "fmi2Reset", api.fmi2Reset(c), c);
}

// The calls both components have, on instance c; false for the others.
bool commonCall(Session& s, const host::Fmi2Api& api, Fmi2Operation operation, void* c) {
    using enum Fmi2Operation;
    const auto anyInteger = [&] { return s.in.integer(); };
    switch (operation) {
        case SetDebugLogging: setDebugLogging(s, api, c); return true;
        case SetupExperiment: setupExperiment(s, api, c); return true;
        case EnterInitializationMode:
            checkCall(s.trace, "fmi2EnterInitializationMode", api.fmi2EnterInitializationMode(c), c);
            return true;
        case ExitInitializationMode:
            checkStatus(s.trace, "fmi2ExitInitializationMode", api.fmi2ExitInitializationMode(c));
            return true;
        case Terminate: checkCall(s.trace, "fmi2Terminate", api.fmi2Terminate(c), c); return true;
        case Reset: reset(s, api, c); return true;
        case GetReal: byReference(s, "fmi2GetReal", api.fmi2GetReal, c, variablesByReference, [] { return 0.0; }); return true;
        case SetReal: byReference(s, "fmi2SetReal", api.fmi2SetReal, c, variablesByReference, [&] { return s.in.real(); }); return true;
        case GetInteger: byReference(s, "fmi2GetInteger", api.fmi2GetInteger, c, variablesByReference, [] { return 0; }); return true;
        case SetInteger: byReference(s, "fmi2SetInteger", api.fmi2SetInteger, c, variablesByReference, anyInteger); return true;
        case GetBoolean: byReference(s, "fmi2GetBoolean", api.fmi2GetBoolean, c, variablesByReference, [] { return 0; }); return true;
        case SetBoolean: byReference(s, "fmi2SetBoolean", api.fmi2SetBoolean, c, variablesByReference, anyInteger); return true;
        case GetString: getStrings(s, "fmi2GetString", api.fmi2GetString, c); return true;
        case SetString:
            setStrings(s, "fmi2SetString", api.fmi2SetString, "fmi2GetString", api.fmi2GetString, c);
            return true;
        default: return false;
    }
}

// The optional functions, where a library exports them: each must refuse
// without touching the host's arguments.
bool optionalCall(Session& s, const host::Fmi2Api& api, Fmi2Operation operation, void* c) {
    using enum Fmi2Operation;
    fmi2FMUstate state = nullptr;
    std::size_t size = 0;
    char buffer[16] = {};
    int status = fmi2OK;
    switch (operation) {
        case GetFMUstate: if (api.fmi2GetFMUstate) status = api.fmi2GetFMUstate(c, s.in.flag() ? &state : nullptr); break;
        case SetFMUstate: if (api.fmi2SetFMUstate) status = api.fmi2SetFMUstate(c, nullptr); break;
        case FreeFMUstate: if (api.fmi2FreeFMUstate) status = api.fmi2FreeFMUstate(c, s.in.flag() ? &state : nullptr); break;
        case SerializedFMUstateSize:
            if (api.fmi2SerializedFMUstateSize) status = api.fmi2SerializedFMUstateSize(c, nullptr, s.in.flag() ? &size : nullptr);
            break;
        case SerializeFMUstate:
            if (api.fmi2SerializeFMUstate) status = api.fmi2SerializeFMUstate(c, nullptr, buffer, sizeof buffer);
            break;
        case DeSerializeFMUstate:
            if (api.fmi2DeSerializeFMUstate) {
                status = api.fmi2DeSerializeFMUstate(c, buffer, sizeof buffer, s.in.flag() ? &state : nullptr);
            }
            break;
        case GetDirectionalDerivative:
            if (api.fmi2GetDirectionalDerivative) {
                const fmi2ValueReference refs[2] = {0, 1};
                const fmi2Real known[2] = {1.0, 1.0};
                fmi2Real unknown[2] = {0.0, 0.0};
                status = api.fmi2GetDirectionalDerivative(c, refs, 2, refs, 2, known, unknown);
            }
            break;
        default: return false;
    }
    checkStatus(s.trace, (std::string("fmi2") + nameOf(operation)).c_str(), status);
    if (state != nullptr || size != 0) fail("a refused optional function wrote to the host's arguments");
    return true;
}

}  // namespace

bool runFmi2(Session& s, Driven component, Fmi2Operation operation) {
    if (!has(component, operation)) return false;
    switch (operation) {
        case Fmi2Operation::Instantiate: instantiate(s, component); break;
        case Fmi2Operation::FreeInstance: freeInstance(s, component); break;
        case Fmi2Operation::GetVersion: checkVersion(apiOf(component)); break;
        default: callFmi2(s, component, operation, s.target(s.slotsOf(component))); break;
    }
    return true;
}

void callFmi2(Session& s, Driven component, Fmi2Operation operation, void* c) {
    const host::Fmi2Api& api = apiOf(component);
    if (commonCall(s, api, operation, c) || optionalCall(s, api, operation, c)) return;
    if (component == Driven::Pellidor) {
        modelExchangeCall(s, api, operation, c);
    } else {
        coSimulationCall(s, api, operation, c);
    }
}

}  // namespace fuzz
