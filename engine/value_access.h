// Reading and writing model variables by value reference, and copying the
// state arrays, for both FMI versions: the order of processing, the refusal of
// the first bad element, partial processing and the ownership of string
// values are written here once.
//
// Each version supplies, per value type, a Variables table:
//   static constexpr unsigned lastReference;           the highest valid reference
//   static Variable<T> find(Record&, unsigned vr);       where the variable lives
//   static constexpr bool hasCalculated;                 true only for FMI 2.0 reals,
//   which then also supply refreshCalculated(Record&) and
//   refuseCalculatedWrite(Record&).
#ifndef REBOUNDER_VALUE_ACCESS_H
#define REBOUNDER_VALUE_ACCESS_H

#include <stddef.h>
#include <string.h>

#include "host_callbacks.h"
#include "logging.h"
#include "model_rules.h"

// A variable as its value reference finds it: its storage, or null when the
// model has no such variable, and whether it is calculated (read through a
// refresh, never written by the host).
template <typename T>
struct Variable {
    T* storage;
    bool calculated = false;
};

// Serves each element in array order through serve(variable, value[i], vr[i]),
// so for a value reference written twice the last one wins. The first element
// that cannot be served stops the call: those before it are done, it and
// those after it change nothing.
template <typename Variables, typename Record, typename Value, typename Serve>
[[nodiscard]] typename Record::Status forEachElement(Record& r, const char* function, const unsigned vr[], size_t nvr,
                                                     Value value[], Serve serve) {
    if (nvr > 0 && (vr == nullptr || value == nullptr)) return refuseNullArray(r, function, nvr);
    for (size_t i = 0; i < nvr; ++i) {
        const auto variable = Variables::find(r, vr[i]);
        if (variable.storage == nullptr) return refuseReference(r, function, vr[i], Variables::lastReference);
        const typename Record::Status status = serve(variable, value[i], vr[i]);
        if (status != Record::ok) return status;
    }
    return Record::ok;
}

template <typename Variables, typename Record, typename Value>
[[nodiscard]] typename Record::Status getValues(Record* r, const char* function, const unsigned vr[], size_t nvr,
                                                Value value[]) {
    if (r == nullptr) return Record::fatal;
    return forEachElement<Variables>(*r, function, vr, nvr, value, [&](auto variable, Value& v, unsigned) {
        if constexpr (Variables::hasCalculated) {
            if (variable.calculated) Variables::refreshCalculated(*r);
        }
        v = *variable.storage;
        return Record::ok;
    });
}

// Stores values exactly as given: a boolean of 5 stays 5.
template <typename Variables, typename Record, typename Value>
[[nodiscard]] typename Record::Status setValues(Record* r, const char* function, const unsigned vr[], size_t nvr,
                                                const Value value[]) {
    if (r == nullptr) return Record::fatal;
    return forEachElement<Variables>(*r, function, vr, nvr, value, [&](auto variable, const Value& v, unsigned) {
        if constexpr (Variables::hasCalculated) {
            if (variable.calculated) return Variables::refuseCalculatedWrite(*r);
        }
        *variable.storage = v;
        return Record::ok;
    });
}

// Copies each host string into a block from the host's allocator; the
// instance owns the copy. Then string 0 is echoed to the logger, once per
// occurrence and each with its own text, only when loggingOn is exactly true:
// status Fatal and category "INFO" on purpose, to exercise a host's logger.
// The text is the argument of "%s", so a variable reference written into the
// string reaches the host's reference expansion unchanged.
//
// The call releases exactly the blocks it replaced itself, each once. A block
// a slot held when the call began may be the very pointer the host passes in
// (GetString handed it out), so it goes back only at the end, after the echo
// has read every value; a copy made and replaced within the call was never
// handed out and goes back at once. A logger that calls back into the
// instance during the echo or a refusal, and replaces or releases strings
// there, has that nested call release its own.
template <typename Variables, typename Record>
[[nodiscard]] typename Record::Status setStrings(Record* r, const char* function, const unsigned vr[], size_t nvr,
                                                 const char* const value[]) {
    if (r == nullptr) return Record::fatal;
    char* heldAtStart[model::slotsPerType] = {};  // the block each slot gave up first in this call
    bool replaced[model::slotsPerType] = {};
    const auto storeCopy = [&](auto variable, const char* text, unsigned ref) {
        if (text == nullptr) return refuseNullString(*r, function, ref);
        const size_t length = strlen(text);
        auto* copy = static_cast<char*>(allocateBlock(callbacks(*r), length + 1, 1));
        // Fatal, not Error: the host's allocator failed, not its arguments.
        if (copy == nullptr) return Record::fatal;
        memcpy(copy, text, length + 1);
        char*& slot = *variable.storage;
        if (!replaced[ref]) heldAtStart[ref] = slot;
        else if (slot != nullptr) releaseBlock(callbacks(*r), slot);
        replaced[ref] = true;
        slot = copy;
        return Record::ok;
    };
    const typename Record::Status status = forEachElement<Variables>(*r, function, vr, nvr, value, storeCopy);
    if (status == Record::ok && r->loggingOn == Record::booleanTrue) {
        for (size_t i = 0; i < nvr; ++i) {
            if (vr[i] == model::echoedStringRef) logMessage(*r, Record::fatal, "INFO", "%s", value[i]);
        }
    }
    for (char* block : heldAtStart) {
        if (block != nullptr) releaseBlock(callbacks(*r), block);
    }
    return status;
}

// Integers, booleans and strings: value references 0 to 3 index the record's
// array of that type.
template <typename Record, typename Slot, Slot (Record::*slots)[model::slotsPerType]>
struct SlotVariables {
    static constexpr unsigned lastReference = model::slotsPerType - 1;
    static constexpr bool hasCalculated = false;
    static Variable<Slot> find(Record& r, unsigned vr) { return {vr <= lastReference ? &(r.*slots)[vr] : nullptr}; }
};

// The one place where a count from the host meets one of the record's fixed
// arrays (states, nominals, derivatives, indicators, state value references).
// A count larger than the model has, or a null array with a count above 0,
// refuses the call with nothing copied.
template <typename Record, typename T>
[[nodiscard]] typename Record::Status copyChecked(Record& r, const char* function, const T* from, T* to, size_t count,
                                                  size_t capacity) {
    if (count > capacity) return refuseCount(r, function, count, capacity);
    if (count > 0 && (from == nullptr || to == nullptr)) return refuseNullArray(r, function, count);
    for (size_t k = 0; k < count; ++k) to[k] = from[k];
    return Record::ok;
}

// The state-array exports: Fatal for a null instance, then the checked copy
// out of or into one of the record's arrays.
template <typename Record, typename T, size_t capacity>
[[nodiscard]] typename Record::Status copyOut(Record* r, const char* function, T (Record::*from)[capacity], T to[],
                                              size_t count) {
    if (r == nullptr) return Record::fatal;
    return copyChecked(*r, function, r->*from, to, count, capacity);
}

template <typename Record, typename T, size_t capacity>
[[nodiscard]] typename Record::Status copyIn(Record* r, const char* function, const T from[],
                                             T (Record::*to)[capacity], size_t count) {
    if (r == nullptr) return Record::fatal;
    return copyChecked(*r, function, from, r->*to, count, capacity);
}

#endif
