// Reading and writing the model variables by value reference.
#include <string.h>

#include "logging.h"
#include "record.h"

namespace {

// One lookup per value type: the storage a value reference selects, or null
// when the instance has no such variable.
template <typename Slot>
Slot* variable(InstanceRecord& r, fmiValueReference vr);

// FMI 1.0 has no calculated acceleration: no real value reference is special,
// 0 and 1 are the states, 2 and 3 the stored reals, and 4 is out of range like
// every reference above 3.
template <>
fmiReal* variable<fmiReal>(InstanceRecord& r, fmiValueReference vr) {
    if (vr > lastValueReference) return nullptr;
    return vr < model::stateCount ? &r.states[vr] : &r.reals[vr];
}

template <>
fmiInteger* variable<fmiInteger>(InstanceRecord& r, fmiValueReference vr) {
    return vr <= lastValueReference ? &r.integers[vr] : nullptr;
}

template <>
fmiBoolean* variable<fmiBoolean>(InstanceRecord& r, fmiValueReference vr) {
    return vr <= lastValueReference ? &r.booleans[vr] : nullptr;
}

template <>
char** variable<char*>(InstanceRecord& r, fmiValueReference vr) {
    return vr <= lastValueReference ? &r.strings[vr] : nullptr;
}

// Runs action(slot, value[i], vr[i]) for each element in array order. The arrays are
// checked once; the first value reference the instance does not have stops
// the call, leaving earlier elements done and that one and later ones not,
// and so does the first action that does not return fmiOK.
template <typename Slot, typename Value, typename Action>
[[nodiscard]] fmiStatus forEachValue(InstanceRecord& r, const char* function, const fmiValueReference vr[],
                                     size_t nvr, Value value[], Action action) {
    if (nvr > 0 && (vr == nullptr || value == nullptr))
        return refuse(r, "%s: the value reference or value array is null while nvr is %zu", function, nvr);
    for (size_t i = 0; i < nvr; ++i) {
        Slot* slot = variable<Slot>(r, vr[i]);
        if (slot == nullptr)
            return refuse(r, "%s: value reference %u is out of range (0 to %u)", function, vr[i],
                          lastValueReference);
        const fmiStatus status = action(*slot, value[i], vr[i]);
        if (status != fmiOK) return status;
    }
    return fmiOK;
}

template <typename Slot, typename Value>
fmiStatus getValues(fmiComponent c, const char* function, const fmiValueReference vr[], size_t nvr,
                    Value value[]) {
    if (c == nullptr) return fmiFatal;
    return forEachValue<Slot>(*asRecord(c), function, vr, nvr, value, [](Slot& slot, Value& v, fmiValueReference) {
        v = slot;
        return fmiOK;
    });
}

// Reals, integers and booleans are stored exactly as given: a boolean byte
// of 5 stays 5.
template <typename Value>
fmiStatus setValues(fmiComponent c, const char* function, const fmiValueReference vr[], size_t nvr,
                    const Value value[]) {
    if (c == nullptr) return fmiFatal;
    return forEachValue<Value>(*asRecord(c), function, vr, nvr, value,
                               [](Value& slot, const Value& v, fmiValueReference) {
                                   slot = v;
                                   return fmiOK;
                               });
}

// The string blocks an instance holds when fmiSetString begins. The host may
// pass one of them back as a value (the pointer fmiGetString gave it), so a
// replaced one goes back to the host only after the echo has read every
// value. Copies made and replaced within the same call were never seen by the
// host and go back at once.
struct HeldStrings {
    char* blocks[model::slotsPerType];
};

HeldStrings heldStrings(const InstanceRecord& r) {
    HeldStrings held{};
    for (unsigned k = 0; k < model::slotsPerType; ++k) held.blocks[k] = r.strings[k];
    return held;
}

void releaseReplaced(InstanceRecord& r, const HeldStrings& held) {
    for (unsigned k = 0; k < model::slotsPerType; ++k) {
        if (held.blocks[k] != nullptr && r.strings[k] != held.blocks[k]) r.functions.freeMemory(held.blocks[k]);
    }
}

// Stores a copy of text in slot. The copy is complete before the old block
// is let go. Returns fmiFatal, changing nothing, when the host's allocator
// has no memory.
[[nodiscard]] fmiStatus storeCopy(InstanceRecord& r, const HeldStrings& held, char*& slot, const char* text) {
    const size_t length = strlen(text);
    auto* copy = static_cast<char*>(r.functions.allocateMemory(length + 1, 1));
    if (copy == nullptr) return fmiFatal;
    memcpy(copy, text, length + 1);
    char* const previous = slot;
    slot = copy;
    bool heldAtStart = false;
    for (char* block : held.blocks) heldAtStart = heldAtStart || block == previous;
    if (previous != nullptr && !heldAtStart) r.functions.freeMemory(previous);
    return fmiOK;
}

// The echo of string 0 goes out with status Fatal and category "INFO" on
// purpose: it exercises a host's logger. It needs loggingOn exactly fmiTrue,
// once per occurrence of value reference 0, each with its own text. The text
// is the argument of "%s", so a variable reference written into the string
// reaches the host's reference expansion unchanged.
void echoStringZero(InstanceRecord& r, const fmiValueReference vr[], size_t nvr, const fmiString value[]) {
    if (r.loggingOn != fmiTrue) return;
    for (size_t i = 0; i < nvr; ++i) {
        if (vr[i] == 0) logMessage(r, fmiFatal, "INFO", "%s", value[i]);
    }
}

}  // namespace

extern "C" {

fmiStatus Rebounder_fmiGetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiReal value[]) {
    return getValues<fmiReal>(c, "fmiGetReal", vr, nvr, value);
}

fmiStatus Rebounder_fmiGetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiInteger value[]) {
    return getValues<fmiInteger>(c, "fmiGetInteger", vr, nvr, value);
}

fmiStatus Rebounder_fmiGetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiBoolean value[]) {
    return getValues<fmiBoolean>(c, "fmiGetBoolean", vr, nvr, value);
}

// Hands out the instance's own blocks (null for a string never set); they
// stay valid until that string is set again or the instance is freed.
fmiStatus Rebounder_fmiGetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, fmiString value[]) {
    return getValues<char*>(c, "fmiGetString", vr, nvr, value);
}

fmiStatus Rebounder_fmiSetReal(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiReal value[]) {
    return setValues(c, "fmiSetReal", vr, nvr, value);
}

fmiStatus Rebounder_fmiSetInteger(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiInteger value[]) {
    return setValues(c, "fmiSetInteger", vr, nvr, value);
}

fmiStatus Rebounder_fmiSetBoolean(fmiComponent c, const fmiValueReference vr[], size_t nvr,
                                  const fmiBoolean value[]) {
    return setValues(c, "fmiSetBoolean", vr, nvr, value);
}

fmiStatus Rebounder_fmiSetString(fmiComponent c, const fmiValueReference vr[], size_t nvr, const fmiString value[]) {
    if (c == nullptr) return fmiFatal;
    InstanceRecord& r = *asRecord(c);
    const HeldStrings held = heldStrings(r);
    const auto storeOne = [&r, &held](char*& slot, fmiString text, fmiValueReference ref) {
        if (text == nullptr) return refuse(r, "%s: the string for value reference %u is null", "fmiSetString", ref);
        return storeCopy(r, held, slot, text);
    };
    const fmiStatus status = forEachValue<char*>(r, "fmiSetString", vr, nvr, value, storeOne);
    if (status == fmiOK) echoStringZero(r, vr, nvr, value);
    releaseReplaced(r, held);
    return status;
}

}  // extern "C"
