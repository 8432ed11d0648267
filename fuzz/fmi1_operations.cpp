#include "fmi1_operations.h"

#include <cstring>
#include <utility>

#include "hostile_host.h"
#include "model_expectations.h"
#include "shared_calls.h"

namespace fuzz {

namespace {

const host::Fmi1Api& api() { return components().tressivo; }

// A new instance in a slot the input chooses, whose instance, if any, is
// released first; the input chooses the callbacks and every argument.
void instantiateModel(Session& s) {
    Slot& slot = s.pick(s.tressivo);
    if (void* old = std::exchange(slot.c, nullptr)) api().fmiFreeModelInstance(old);
    checkHost(s.host);
    const CallbackVariant variant = chooseCallbacks(s.in);
    slot.hostile = variant.hostile();
    const char* name = s.in.text(8);
    const char* guid = s.in.flag() ? expected::guid : s.in.text(6);
    slot.expectedName = expectedName(name);
    const auto loggingOn = static_cast<fmiBoolean>(s.in.integer());
    slot.c = api().fmiInstantiateModel(name, guid, fmi1Callbacks(variant), loggingOn);
    s.trace("fmiInstantiateModel(slot %d, variant %d%s, loggingOn %d) -> %p", int(&slot - s.tressivo.data()),
            variant.number, slot.hostile ? ", hostile logger" : "", loggingOn, slot.c);
    checkInstantiation("fmiInstantiateModel", slot.c, !variant.nullAllocator() && !variant.nullFree(), guid);
}

// The instance of a slot the input chooses, or now and then null.
void freeModelInstance(Session& s) {
    Slot& slot = s.pick(s.tressivo);
    const bool passNull = s.in.oneIn(8);
    api().fmiFreeModelInstance(passNull ? nullptr : std::exchange(slot.c, nullptr));
    s.trace("fmiFreeModelInstance(%s)", passNull ? "null" : "a slot");
}

void checkVersion() {
    if (std::strcmp(api().fmiGetVersion(), "1.0") != 0) fail("fmiGetVersion changed");
    if (std::strcmp(api().fmiGetModelTypesPlatform(), "standard32") != 0) fail("fmiGetModelTypesPlatform changed");
}

void setDebugLogging(Session& s, void* c) {
    const auto loggingOn = static_cast<fmiBoolean>(s.in.integer());
    s.trace("fmiSetDebugLogging(loggingOn %d)", loggingOn);
    checkCall(s.trace, "fmiSetDebugLogging", api().fmiSetDebugLogging(c, loggingOn), c);
}

void initialize(Session& s, void* c) {
    fmiEventInfo info{};
    const auto toleranceControlled = static_cast<fmiBoolean>(s.in.integer());
    const double relativeTolerance = s.in.real();
    fmiEventInfo* eventInfo = s.in.oneIn(8) ? nullptr : &info;
    checkCall(s.trace, "fmiInitialize", api().fmiInitialize(c, toleranceControlled, relativeTolerance, eventInfo), c);
}

void setTime(Session& s, void* c) {
    const double time = s.in.real();
    s.trace("fmiSetTime(%g)", time);
    checkCall(s.trace, "fmiSetTime", api().fmiSetTime(c, time), c);
}

void completedIntegratorStep(Session& s, void* c) {
    fmiBoolean callEventUpdate = 7;
    checkCall(s.trace, "fmiCompletedIntegratorStep",
              api().fmiCompletedIntegratorStep(c, s.in.flag() ? &callEventUpdate : nullptr), c);
}

void eventUpdate(Session& s, void* c) {
    fmiEventInfo info{};
    const auto intermediateResults = static_cast<fmiBoolean>(s.in.integer());
    fmiEventInfo* eventInfo = s.in.oneIn(8) ? nullptr : &info;
    checkCall(s.trace, "fmiEventUpdate", api().fmiEventUpdate(c, intermediateResults, eventInfo), c);
}

}  // namespace

bool runFmi1(Session& s, Fmi1Operation operation) {
    switch (operation) {
        case Fmi1Operation::InstantiateModel: instantiateModel(s); return true;
        case Fmi1Operation::FreeModelInstance: freeModelInstance(s); return true;
        case Fmi1Operation::GetVersion: checkVersion(); return true;
        default:
            if (nameOf(operation) == nullptr) return false;
            callFmi1(s, operation, s.target(s.tressivo));
            return true;
    }
}

void callFmi1(Session& s, Fmi1Operation operation, void* c) {
    using enum Fmi1Operation;
    using expected::eventIndicatorCount, expected::stateCount, expected::variablesPerType;
    const host::Fmi1Api& fmi = api();
    const auto anyInteger = [&] { return s.in.integer(); };
    const auto anyBoolean = [&] { return static_cast<fmiBoolean>(s.in.integer()); };
    switch (operation) {
        case SetDebugLogging: setDebugLogging(s, c); break;
        case Initialize: initialize(s, c); break;
        case Terminate: checkCall(s.trace, "fmiTerminate", fmi.fmiTerminate(c), c); break;
        case SetTime: setTime(s, c); break;
        case SetContinuousStates: setContinuousStates(s, "fmiSetContinuousStates", fmi.fmiSetContinuousStates, c); break;
        case CompletedIntegratorStep: completedIntegratorStep(s, c); break;
        case SetReal: byReference(s, "fmiSetReal", fmi.fmiSetReal, c, variablesPerType, [&] { return s.in.real(); }); break;
        case SetInteger: byReference(s, "fmiSetInteger", fmi.fmiSetInteger, c, variablesPerType, anyInteger); break;
        case SetBoolean: byReference(s, "fmiSetBoolean", fmi.fmiSetBoolean, c, variablesPerType, anyBoolean); break;
        case SetString: setStrings(s, "fmiSetString", fmi.fmiSetString, "fmiGetString", fmi.fmiGetString, c); break;
        case GetDerivatives: getArray<fmiReal>(s, "fmiGetDerivatives", fmi.fmiGetDerivatives, c, stateCount); break;
        case GetEventIndicators:
            getArray<fmiReal>(s, "fmiGetEventIndicators", fmi.fmiGetEventIndicators, c, eventIndicatorCount);
            break;
        case GetReal: byReference(s, "fmiGetReal", fmi.fmiGetReal, c, variablesPerType, [] { return 0.0; }); break;
        case GetInteger: byReference(s, "fmiGetInteger", fmi.fmiGetInteger, c, variablesPerType, [] { return 0; }); break;
        case GetBoolean:
            byReference(s, "fmiGetBoolean", fmi.fmiGetBoolean, c, variablesPerType, [] { return fmiBoolean{0}; });
            break;
        case GetString: getStrings(s, "fmiGetString", fmi.fmiGetString, c); break;
        case EventUpdate: eventUpdate(s, c); break;
        case GetContinuousStates:
            getArray<fmiReal>(s, "fmiGetContinuousStates", fmi.fmiGetContinuousStates, c, stateCount);
            break;
        case GetNominalContinuousStates:
            getArray<fmiReal>(s, "fmiGetNominalContinuousStates", fmi.fmiGetNominalContinuousStates, c, stateCount);
            break;
        case GetStateValueReferences:
            getArray<fmiValueReference>(s, "fmiGetStateValueReferences", fmi.fmiGetStateValueReferences, c, stateCount);
            break;
        default: break;
    }
}

}  // namespace fuzz
