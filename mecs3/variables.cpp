// Reading and writing varnelle's variables by value reference: every getter
// and setter of every type is one of two templates, so the checks, their
// order and their refusals are written once. A call is checked whole before
// anything is read or written: a refused call writes nothing.
#include "variables.h"

#include <math.h>

#include <type_traits>

#include "memory.h"
#include "messages.h"

using namespace varnelle;

namespace varnelle {

const VariableInfo* findVariable(fmi3ValueReference vr) {
    using enum ValueType;
    using enum Access;
    static constexpr VariableInfo time{"time", float64, independent, 1};
    static constexpr VariableInfo height{"height", float64, state, 1};
    static constexpr VariableInfo velocity{"velocity", float64, state, 1};
    static constexpr VariableInfo accelerationVariable{"acceleration", float64, calculated, 1};
    static constexpr VariableInfo gravity{"gravity", float64, tunable, 1};
    static constexpr VariableInfo restitution{"restitution", float64, tunable, 1};
    static constexpr VariableInfo contact{"contact", float64, calculated, 1};
    static constexpr VariableInfo restSpeed{"restSpeed", float64, fixed, 1};
    static constexpr VariableInfo integers[slotsPerType] = {
        {"integer0", int32, tunable, 1}, {"integer1", int32, tunable, 1},
        {"integer2", int32, tunable, 1}, {"integer3", int32, tunable, 1}};
    static constexpr VariableInfo booleans[slotsPerType] = {
        {"boolean0", boolean, tunable, 1}, {"boolean1", boolean, tunable, 1},
        {"boolean2", boolean, tunable, 1}, {"boolean3", boolean, tunable, 1}};
    static constexpr VariableInfo strings[slotsPerType] = {
        {"string0", string, tunable, 1}, {"string1", string, tunable, 1},
        {"string2", string, tunable, 1}, {"string3", string, tunable, 1}};
    static constexpr VariableInfo binary0{"binary0", binary, tunable, 1};
    static constexpr VariableInfo samples{"samples", float64, tunable, sampleCount};
    switch (vr) {
        case timeRef: return &time;
        case heightRef: return &height;
        case velocityRef: return &velocity;
        case accelerationRef: return &accelerationVariable;
        case gravityRef: return &gravity;
        case restitutionRef: return &restitution;
        case contactRef: return &contact;
        case restSpeedRef: return &restSpeed;
        case binaryRef: return &binary0;
        case samplesRef: return &samples;
        default: break;
    }
    if (vr - firstIntegerRef < slotsPerType) return &integers[vr - firstIntegerRef];
    if (vr - firstBooleanRef < slotsPerType) return &booleans[vr - firstBooleanRef];
    if (vr - firstStringRef < slotsPerType) return &strings[vr - firstStringRef];
    return nullptr;
}

const char* typeName(ValueType type) {
    constexpr const char* names[] = {"Float32", "Float64", "Int8",   "UInt8",   "Int16",  "UInt16", "Int32",
                                     "UInt32",  "Int64",   "UInt64", "Boolean", "String", "Binary"};
    return names[unsigned(type)];
}

void releaseOwnedValues(Fmi3InstanceRecord& r) {
    for (char*& text : r.strings) {
        releaseBlock(text);
        text = nullptr;
    }
    releaseBlock(r.binary);
    r.binary = nullptr;
    r.binarySize = 0;
}

}  // namespace varnelle

namespace {

template <typename T>
constexpr ValueType valueTypeOf() {
    if constexpr (std::is_same_v<T, fmi3Float32>) return ValueType::float32;
    else if constexpr (std::is_same_v<T, fmi3Float64>) return ValueType::float64;
    else if constexpr (std::is_same_v<T, fmi3Int8>) return ValueType::int8;
    else if constexpr (std::is_same_v<T, fmi3UInt8>) return ValueType::uint8;
    else if constexpr (std::is_same_v<T, fmi3Int16>) return ValueType::int16;
    else if constexpr (std::is_same_v<T, fmi3UInt16>) return ValueType::uint16;
    else if constexpr (std::is_same_v<T, fmi3Int32>) return ValueType::int32;
    else if constexpr (std::is_same_v<T, fmi3UInt32>) return ValueType::uint32;
    else if constexpr (std::is_same_v<T, fmi3Int64>) return ValueType::int64;
    else if constexpr (std::is_same_v<T, fmi3UInt64>) return ValueType::uint64;
    else if constexpr (std::is_same_v<T, fmi3Boolean>) return ValueType::boolean;
    else if constexpr (std::is_same_v<T, fmi3String>) return ValueType::string;
    else return ValueType::binary;
}

const char* accessName(Access access) {
    switch (access) {
        case Access::independent: return "the independent variable";
        case Access::state: return "a continuous state";
        case Access::calculated: return "calculated";
        case Access::tunable: return "a tunable parameter";
        case Access::fixed: return "a fixed parameter";
    }
    return "unknown";
}

// Which states let the host write a variable.
constexpr Modes writableIn(Access access) {
    switch (access) {
        case Access::state: return in(Mode::instantiated, Mode::initializationMode, Mode::continuousTimeMode);
        case Access::tunable:
            return in(Mode::instantiated, Mode::initializationMode, Mode::eventMode, Mode::stepMode);
        case Access::fixed: return in(Mode::instantiated, Mode::initializationMode);
        default: return 0;
    }
}
constexpr Modes setterModes = writableIn(Access::state) | writableIn(Access::tunable);
constexpr Modes getterModes = settledModes | in(Mode::intermediateUpdateMode);

// Inside intermediateUpdate the host reads only the intermediate variables
// it named at instantiation.
bool readableNow(const Fmi3InstanceRecord& r, fmi3ValueReference vr) {
    if (r.mode != Mode::intermediateUpdateMode) return true;
    return (vr == heightRef && r.heightIntermediate) || (vr == velocityRef && r.velocityIntermediate);
}

enum class Direction { read, write };

// The references of one call: each a variable of the getter's or setter's
// type that the host may read or write now, and together as many values as
// the host says.
template <typename T>
[[nodiscard]] fmi3Status checkReferences(Fmi3InstanceRecord& r, const char* function, const fmi3ValueReference vrs[],
                                         size_t nvr, const void* values, size_t nValues, Direction direction) {
    if (nvr > 0 && vrs == nullptr) return refuseNullArray(r, function, "valueReferences", nvr);
    if (nValues > 0 && values == nullptr) return refuseNullArray(r, function, "values", nValues);
    constexpr ValueType type = valueTypeOf<T>();
    size_t total = 0;
    for (size_t i = 0; i < nvr; ++i) {
        const fmi3ValueReference vr = vrs[i];
        const VariableInfo* v = findVariable(vr);
        if (v == nullptr)
            return refuse(r, "%s: valueReferences[%zu] = %u is not a variable of the model", function, i, vr);
        if (v->type != type)
            return refuse(r, "%s: valueReferences[%zu] = %u is %s, a %s variable, not %s", function, i, vr, v->name,
                          typeName(v->type), typeName(type));
        if (direction == Direction::read && !readableNow(r, vr))
            return refuse(r, "%s: valueReferences[%zu] = %u (%s) is not a required intermediate variable", function,
                          i, vr, v->name);
        if (direction == Direction::write && (in(r.mode) & writableIn(v->access)) == 0)
            return refuse(r, "%s: valueReferences[%zu] = %u (%s, %s) cannot be set in %s", function, i, vr, v->name,
                          accessName(v->access), modeName(r.mode));
        total += v->size;
    }
    if (total != nValues)
        return refuse(r, "%s: nValues is %zu, but the value references denote %zu values", function, nValues, total);
    return fmi3OK;
}

// Calls visit(vr, variable, element, index) for every value of a call, in
// order; the first status other than OK stops it.
template <typename Visit>
[[nodiscard]] fmi3Status forEachValue(const fmi3ValueReference vrs[], size_t nvr, Visit visit) {
    size_t index = 0;
    for (size_t i = 0; i < nvr; ++i) {
        const VariableInfo& v = *findVariable(vrs[i]);
        for (unsigned element = 0; element < v.size; ++element) {
            const fmi3Status status = visit(vrs[i], v, element, index++);
            if (status != fmi3OK) return status;
        }
    }
    return fmi3OK;
}

// Where each Float64 variable lives, or how it is calculated.
double readFloat64(const Fmi3InstanceRecord& r, fmi3ValueReference vr, unsigned element) {
    switch (vr) {
        case timeRef: return r.time;
        case heightRef: return r.states[model::heightIndex];
        case velocityRef: return r.states[model::velocityIndex];
        case accelerationRef: return acceleration(r);
        case gravityRef: return r.gravity;
        case restitutionRef: return r.restitution;
        case contactRef: return model::eventIndicator(r.states[model::heightIndex]);
        case restSpeedRef: return r.restSpeed;
        default: return r.samples[element];
    }
}

double& float64Storage(Fmi3InstanceRecord& r, fmi3ValueReference vr, unsigned element) {
    switch (vr) {
        case heightRef: return r.states[model::heightIndex];
        case velocityRef: return r.states[model::velocityIndex];
        case gravityRef: return r.gravity;
        case restitutionRef: return r.restitution;
        case restSpeedRef: return r.restSpeed;
        default: return r.samples[element];
    }
}

template <typename T>
T readValue(const Fmi3InstanceRecord& r, fmi3ValueReference vr, unsigned element) {
    if constexpr (std::is_same_v<T, fmi3Float64>) {
        return readFloat64(r, vr, element);
    } else if constexpr (std::is_same_v<T, fmi3Int32>) {
        return r.integers[vr - firstIntegerRef];
    } else if constexpr (std::is_same_v<T, fmi3Boolean>) {
        return r.booleans[vr - firstBooleanRef];
    } else if constexpr (std::is_same_v<T, fmi3String>) {
        const char* text = r.strings[vr - firstStringRef];
        return text != nullptr ? text : startStrings[vr - firstStringRef];
    } else {
        return T{};  // no variable has this type: the reference check refused the call
    }
}

// A value the setter would store: a finite number for a parameter, within
// restitution's range for restitution, 0 or 1 for a boolean byte.
template <typename T>
[[nodiscard]] fmi3Status checkValue(Fmi3InstanceRecord& r, const char* function, const VariableInfo& v,
                                    const T& value, size_t index) {
    if constexpr (std::is_same_v<T, fmi3Float64>) {
        const bool parameter = v.access == Access::tunable || v.access == Access::fixed;
        if (parameter && !isfinite(value))
            return refuse(r, "%s: value %g at index %zu for %s is not a finite number", function, value, index,
                          v.name);
        if (&v == findVariable(restitutionRef) && !(value >= minRestitution && value <= maxRestitution))
            return refuse(r, "%s: value %g at index %zu for restitution is outside its range %g to %g", function,
                          value, index, minRestitution, maxRestitution);
    } else if constexpr (std::is_same_v<T, fmi3Boolean>) {
        const unsigned byte = reinterpret_cast<const unsigned char&>(value);
        if (byte > 1)
            return refuse(r, "%s: value %u at index %zu is not a boolean; fmi3Boolean is one byte", function, byte,
                          index);
    }
    return fmi3OK;
}

template <typename T>
void writeValue(Fmi3InstanceRecord& r, fmi3ValueReference vr, unsigned element, const T& value) {
    if constexpr (std::is_same_v<T, fmi3Float64>) {
        float64Storage(r, vr, element) = value;
    } else if constexpr (std::is_same_v<T, fmi3Int32>) {
        r.integers[vr - firstIntegerRef] = value;
    } else if constexpr (std::is_same_v<T, fmi3Boolean>) {
        r.booleans[vr - firstBooleanRef] = truth(value);  // the byte was checked to be 0 or 1
    }
}

template <typename T>
[[nodiscard]] fmi3Status getValues(fmi3Instance instance, const char* function, const fmi3ValueReference vrs[],
                                   size_t nvr, T values[], size_t nValues) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, getterModes)) return refuseMode(*r, function, getterModes);
    const fmi3Status checked = checkReferences<T>(*r, function, vrs, nvr, values, nValues, Direction::read);
    if (checked != fmi3OK) return checked;
    return forEachValue(vrs, nvr, [&](fmi3ValueReference vr, const VariableInfo&, unsigned element, size_t index) {
        values[index] = readValue<T>(*r, vr, element);
        return fmi3OK;
    });
}

template <typename T>
[[nodiscard]] fmi3Status setValues(fmi3Instance instance, const char* function, const fmi3ValueReference vrs[],
                                   size_t nvr, const T values[], size_t nValues) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, setterModes)) return refuseMode(*r, function, setterModes);
    const fmi3Status checked = checkReferences<T>(*r, function, vrs, nvr, values, nValues, Direction::write);
    if (checked != fmi3OK) return checked;
    const fmi3Status valid = forEachValue(vrs, nvr, [&](fmi3ValueReference, const VariableInfo& v, unsigned,
                                                        size_t index) {
        return checkValue(*r, function, v, values[index], index);
    });
    if (valid != fmi3OK) return valid;
    return forEachValue(vrs, nvr, [&](fmi3ValueReference vr, const VariableInfo&, unsigned element, size_t index) {
        writeValue(*r, vr, element, values[index]);
        return fmi3OK;
    });
}

// Strings and binaries are copied in. A reference written twice in one call
// keeps its last value, so only the last value for each variable is copied;
// when a copy fails, the copies made go back and every variable keeps its
// old value.
struct OwnedCopies {
    char* strings[slotsPerType];
    bool stringWritten[slotsPerType];
    fmi3Byte* binary;
    size_t binarySize;
    bool binaryWritten;
};

void releaseCopies(OwnedCopies& copies) {
    for (char* text : copies.strings) releaseBlock(text);
    releaseBlock(copies.binary);
}

// The copies go into the record; the values they replace go back.
void keepCopies(Fmi3InstanceRecord& r, const OwnedCopies& copies) {
    for (unsigned k = 0; k < slotsPerType; ++k) {
        if (!copies.stringWritten[k]) continue;
        releaseBlock(r.strings[k]);
        r.strings[k] = copies.strings[k];
    }
    if (copies.binaryWritten) {
        releaseBlock(r.binary);
        r.binary = copies.binary;
        r.binarySize = copies.binarySize;
    }
}

// The index of the last value for each string variable, or nValues if none.
void lastWrites(const fmi3ValueReference vrs[], size_t nvr, fmi3ValueReference first, size_t last[slotsPerType]) {
    for (unsigned k = 0; k < slotsPerType; ++k) last[k] = nvr;
    for (size_t i = 0; i < nvr; ++i) {
        if (vrs[i] - first < slotsPerType) last[vrs[i] - first] = i;
    }
}

}  // namespace

extern "C" {

fmi3Status fmi3GetFloat32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          fmi3Float32 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetFloat32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          const fmi3Float32 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetFloat64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          fmi3Float64 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetFloat64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          const fmi3Float64 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetInt8(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                       fmi3Int8 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetInt8(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                       const fmi3Int8 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetUInt8(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        fmi3UInt8 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetUInt8(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        const fmi3UInt8 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetInt16(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        fmi3Int16 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetInt16(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        const fmi3Int16 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetUInt16(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         fmi3UInt16 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetUInt16(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         const fmi3UInt16 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetInt32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        fmi3Int32 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetInt32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        const fmi3Int32 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetUInt32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         fmi3UInt32 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetUInt32(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         const fmi3UInt32 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetInt64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        fmi3Int64 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetInt64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                        const fmi3Int64 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetUInt64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         fmi3UInt64 values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetUInt64(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         const fmi3UInt64 values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetBoolean(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          fmi3Boolean values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetBoolean(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                          const fmi3Boolean values[], size_t nValues) {
    return setValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3GetString(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         fmi3String values[], size_t nValues) {
    return getValues(instance, __func__, valueReferences, nValueReferences, values, nValues);
}

fmi3Status fmi3SetString(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         const fmi3String values[], size_t nValues) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, setterModes)) return refuseMode(*r, __func__, setterModes);
    const fmi3Status checked =
        checkReferences<fmi3String>(*r, __func__, valueReferences, nValueReferences, values, nValues, Direction::write);
    if (checked != fmi3OK) return checked;
    for (size_t i = 0; i < nValues; ++i) {
        if (values[i] == nullptr) return refuse(*r, "%s: values[%zu] is null", __func__, i);
    }
    size_t last[slotsPerType];
    lastWrites(valueReferences, nValueReferences, firstStringRef, last);
    OwnedCopies copies{};
    for (unsigned k = 0; k < slotsPerType; ++k) {
        if (last[k] == nValueReferences) continue;
        copies.stringWritten[k] = true;
        copies.strings[k] = copyString(values[last[k]]);
        if (copies.strings[k] == nullptr) {
            releaseCopies(copies);
            return refuse(*r, "%s: out of memory copying values[%zu]; every string keeps its value", __func__,
                          last[k]);
        }
    }
    keepCopies(*r, copies);
    return fmi3OK;
}

fmi3Status fmi3GetBinary(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         size_t valueSizes[], fmi3Binary values[], size_t nValues) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, getterModes)) return refuseMode(*r, __func__, getterModes);
    const fmi3Status checked =
        checkReferences<fmi3Binary>(*r, __func__, valueReferences, nValueReferences, values, nValues, Direction::read);
    if (checked != fmi3OK) return checked;
    if (nValues > 0 && valueSizes == nullptr) return refuseNullArray(*r, __func__, "valueSizes", nValues);
    for (size_t i = 0; i < nValues; ++i) {
        valueSizes[i] = r->binary != nullptr ? r->binarySize : sizeof startBinary;
        values[i] = r->binary != nullptr ? r->binary : startBinary;
    }
    return fmi3OK;
}

fmi3Status fmi3SetBinary(fmi3Instance instance, const fmi3ValueReference valueReferences[], size_t nValueReferences,
                         const size_t valueSizes[], const fmi3Binary values[], size_t nValues) {
    Fmi3InstanceRecord* r = asRecord(instance);
    if (r == nullptr) return fmi3Error;
    if (!allowedIn(*r, setterModes)) return refuseMode(*r, __func__, setterModes);
    const fmi3Status checked =
        checkReferences<fmi3Binary>(*r, __func__, valueReferences, nValueReferences, values, nValues, Direction::write);
    if (checked != fmi3OK) return checked;
    if (nValues > 0 && valueSizes == nullptr) return refuseNullArray(*r, __func__, "valueSizes", nValues);
    for (size_t i = 0; i < nValues; ++i) {
        if (values[i] == nullptr && valueSizes[i] > 0)
            return refuse(*r, "%s: values[%zu] is null while valueSizes[%zu] is %zu", __func__, i, i, valueSizes[i]);
    }
    if (nValues == 0) return fmi3OK;
    // binary0 is the only Binary variable: the last value is the one kept.
    OwnedCopies copies{};
    copies.binaryWritten = true;
    copies.binarySize = valueSizes[nValues - 1];
    copies.binary = static_cast<fmi3Byte*>(copyBlock(values[nValues - 1], copies.binarySize));
    if (copies.binary == nullptr)
        return refuse(*r, "%s: out of memory copying %zu bytes of values[%zu]; binary0 keeps its value", __func__,
                      copies.binarySize, nValues - 1);
    keepCopies(*r, copies);
    return fmi3OK;
}

}  // extern "C"
