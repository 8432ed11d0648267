// Reading and writing the model variables by value reference: the eight
// FMI 2.0 getters and setters. Each value type is described once (how a value
// reference finds its storage, how a value is read and written); one template
// does the checks, the order and the refusals for all, in both directions.
#include <cstring>

#include "events.h"
#include "logging.h"
#include "record.h"

namespace {

// The string whose writes are echoed to the logger.
constexpr fmi2ValueReference echoedStringRef = 0;

[[nodiscard]] fmi2Status refuseNullArrays(const InstanceRecord& r, const char* function, size_t nvr) {
    return refuse(r, "%s: the value reference or value array is null while nvr is %zu", function, nvr);
}

[[nodiscard]] fmi2Status refuseReference(const InstanceRecord& r, const char* function, fmi2ValueReference vr,
                                         unsigned lastRef) {
    return refuse(r, "%s: value reference %u is out of range (0 to %u)", function, vr, lastRef);
}

// Reals: 0 and 1 are the states, 2 and 3 gravity and restitution, 4 the
// calculated acceleration, which equals gravity and may be read, not written.
struct RealVariables {
    static constexpr unsigned lastRef = model::accelerationRef;
    InstanceRecord& r;
    const char* function;

    fmi2Real* find(fmi2ValueReference vr) {
        if (vr == model::heightRef || vr == model::velocityRef) return &r.states[vr];
        if (vr == model::accelerationRef) return &gravity(r);
        if (vr < model::slotsPerType) return &r.reals[vr];
        return nullptr;
    }
    fmi2Real read(fmi2ValueReference vr, fmi2Real stored) {
        // Reading the acceleration computes the derivatives, as asking for them does.
        if (vr == model::accelerationRef) refreshDerivatives(r);
        return stored;
    }
    [[nodiscard]] fmi2Status write(fmi2ValueReference vr, fmi2Real& stored, fmi2Real value) {
        if (vr == model::accelerationRef) {
            // Sent whatever loggingOn says: the host must learn why its write failed.
            logMessage(r, fmi2Warning, "WARNING", "Cannot set acceleration value (calculated)");
            return fmi2Error;
        }
        stored = value;
        return fmi2OK;
    }
    [[nodiscard]] fmi2Status finish(const fmi2ValueReference[], size_t, const fmi2Real[]) { return fmi2OK; }
};

// Integers and booleans: value references 0 to 3 index the record's array;
// values are copied unchanged (booleans are not folded to 1).
template <fmi2Integer (InstanceRecord::*variables)[model::slotsPerType]>
struct PlainVariables {
    static constexpr unsigned lastRef = model::slotsPerType - 1;
    InstanceRecord& r;
    const char* function;

    fmi2Integer* find(fmi2ValueReference vr) { return vr <= lastRef ? &(r.*variables)[vr] : nullptr; }
    fmi2Integer read(fmi2ValueReference, fmi2Integer stored) { return stored; }
    [[nodiscard]] fmi2Status write(fmi2ValueReference, fmi2Integer& stored, fmi2Integer value) {
        stored = value;
        return fmi2OK;
    }
    [[nodiscard]] fmi2Status finish(const fmi2ValueReference[], size_t, const fmi2Integer[]) { return fmi2OK; }
};
using IntegerVariables = PlainVariables<&InstanceRecord::integers>;
using BooleanVariables = PlainVariables<&InstanceRecord::booleans>;
static_assert(sizeof(fmi2Boolean) == sizeof(fmi2Integer), "booleans share the integer code");

// Strings: value references 0 to 3; each value is a copy in a block from the
// host's allocator, owned by the instance.
//
// The blocks the instance held when a write call began may be the very
// pointers the host passes in (fmi2GetString handed them out), so they go
// back to the host only when the call is done reading its arguments, after
// the echo. Copies made and replaced within the same call were never seen by
// the host and go back at once. An object lives for one setter call.
struct StringVariables {
    static constexpr unsigned lastRef = model::slotsPerType - 1;
    InstanceRecord& r;
    const char* function;
    char* heldAtStart[model::slotsPerType];

    StringVariables(InstanceRecord& record, const char* name) : r(record), function(name) {
        for (unsigned k = 0; k < model::slotsPerType; ++k) heldAtStart[k] = r.strings[k];
    }
    ~StringVariables() {
        for (unsigned k = 0; k < model::slotsPerType; ++k) {
            if (heldAtStart[k] != nullptr && r.strings[k] != heldAtStart[k]) r.functions->freeMemory(heldAtStart[k]);
        }
    }
    StringVariables(const StringVariables&) = delete;
    StringVariables& operator=(const StringVariables&) = delete;

    char** find(fmi2ValueReference vr) { return vr <= lastRef ? &r.strings[vr] : nullptr; }
    fmi2String read(fmi2ValueReference, const char* stored) { return stored; }
    [[nodiscard]] fmi2Status write(fmi2ValueReference vr, char*& stored, fmi2String value) {
        if (value == nullptr) return refuse(r, "%s: the string for value reference %u is null", function, vr);
        const size_t length = std::strlen(value);
        auto* copy = static_cast<char*>(r.functions->allocateMemory(length + 1, 1));
        // Fatal, not Error: the host's allocator failed, not its arguments.
        if (copy == nullptr) return fmi2Fatal;
        std::memcpy(copy, value, length + 1);
        if (stored != heldAtStart[vr]) r.functions->freeMemory(stored);  // a copy made earlier in this call
        stored = copy;
        return fmi2OK;
    }
    // String 0 is echoed to the logger, once per occurrence, only when
    // loggingOn is exactly 1. Status Fatal on purpose: it exercises a host's
    // logger with an unusual status. The host's strings are all intact here,
    // since no block it could have been handed has been released yet.
    [[nodiscard]] fmi2Status finish(const fmi2ValueReference vr[], size_t nvr, const fmi2String value[]) {
        if (r.loggingOn != fmi2True) return fmi2OK;
        for (size_t i = 0; i < nvr; ++i) {
            if (vr[i] == echoedStringRef) logMessage(r, fmi2Fatal, "INFO", "%s", value[i]);
        }
        return fmi2OK;
    }
};

enum class Direction { toHost, fromHost };

// Elements are taken in array order, so for a value reference written twice
// the last one wins. The first element that cannot be served stops the call:
// those before it are done (in the host's array or stored), it and those
// after it change nothing.
template <Direction direction, typename Variables, typename Value>
fmi2Status accessValues(const char* function, fmi2Component c, const fmi2ValueReference vr[], size_t nvr,
                        Value value[]) {
    if (c == nullptr) return fmi2Fatal;
    InstanceRecord& r = *asRecord(c);
    if (nvr > 0 && (vr == nullptr || value == nullptr)) return refuseNullArrays(r, function, nvr);
    Variables variables{r, function};
    for (size_t i = 0; i < nvr; ++i) {
        auto* stored = variables.find(vr[i]);
        if (stored == nullptr) return refuseReference(r, function, vr[i], Variables::lastRef);
        if constexpr (direction == Direction::toHost) {
            value[i] = variables.read(vr[i], *stored);
        } else {
            const fmi2Status status = variables.write(vr[i], *stored, value[i]);
            if (status != fmi2OK) return status;
        }
    }
    if constexpr (direction == Direction::fromHost) return variables.finish(vr, nvr, value);
    return fmi2OK;
}

}  // namespace

extern "C" {

fmi2Status fmi2GetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Real value[]) {
    return accessValues<Direction::toHost, RealVariables>("fmi2GetReal", c, vr, nvr, value);
}

fmi2Status fmi2GetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Integer value[]) {
    return accessValues<Direction::toHost, IntegerVariables>("fmi2GetInteger", c, vr, nvr, value);
}

fmi2Status fmi2GetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2Boolean value[]) {
    return accessValues<Direction::toHost, BooleanVariables>("fmi2GetBoolean", c, vr, nvr, value);
}

// The pointers handed out stay the instance's: valid until that string is
// set again or the instance is freed; null for a string never set.
fmi2Status fmi2GetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, fmi2String value[]) {
    return accessValues<Direction::toHost, StringVariables>("fmi2GetString", c, vr, nvr, value);
}

fmi2Status fmi2SetReal(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Real value[]) {
    return accessValues<Direction::fromHost, RealVariables>("fmi2SetReal", c, vr, nvr, value);
}

fmi2Status fmi2SetInteger(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Integer value[]) {
    return accessValues<Direction::fromHost, IntegerVariables>("fmi2SetInteger", c, vr, nvr, value);
}

fmi2Status fmi2SetBoolean(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2Boolean value[]) {
    return accessValues<Direction::fromHost, BooleanVariables>("fmi2SetBoolean", c, vr, nvr, value);
}

fmi2Status fmi2SetString(fmi2Component c, const fmi2ValueReference vr[], size_t nvr, const fmi2String value[]) {
    return accessValues<Direction::fromHost, StringVariables>("fmi2SetString", c, vr, nvr, value);
}

}  // extern "C"
