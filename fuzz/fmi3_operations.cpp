// varnelle under a hostile but lawful FMI 3.0 host: calls in any order and
// state on up to two instances of either interface; value references of any
// type with counts that differ from what they denote; booleans as any byte;
// strings and binaries the instance handed out passed back to it; a logger
// and an intermediate-update callback that call the instance back (getters,
// setters, the debug logging switch, reset, a step, and from the
// intermediate update also the release of the instance, which must be
// refused); allocations that fail where the input says.
//
// Checked: every status is one FMI 3.0 has; a null instance is answered with
// fmi3Error; a function of a capability varnelle does not provide always
// answers fmi3Error; instantiation succeeds only with the model's token and
// intermediate variables; every boolean the instance writes is the byte 0 or
// 1; the logger is never called while logging is off, and always with a
// listed category and a message; at the end every block the instances took
// is back.
#include "fmi3_operations.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "model_expectations.h"

namespace fuzz {

namespace {

constexpr int maxNestedDepth = 3;
constexpr std::size_t modelValueCount = 6;  // a few more than the model has of a type

const host::Fmi3Api& api() { return components().varnelle; }

// Value references of every type of the model, the gaps between them, and
// any other.
fmi3ValueReference valueReference(Input& in) {
    static const fmi3ValueReference table[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 13, 14, 20, 23, 30, 33, 40, 41, 50, 99};
    if (in.flag()) return table[in.inRange<std::size_t>(0, std::size(table) - 1)];
    return in.valueReference();
}

Fmi3Slot* slotOf(Session& s, fmi3InstanceEnvironment environment) {
    for (Fmi3Slot& slot : s.varnelle)
        if (&slot == environment) return &slot;
    return nullptr;
}

Fmi3Slot& pick(Session& s) { return s.varnelle[s.in.inRange<int>(0, instancesPerComponent - 1)]; }

void checkStatus3(Session& s, const char* function, int status, const void* c) {
    checkStatus(s.trace, function, status);
    if (c == nullptr && status != fmi3Error) fail("%s with a null instance returned %d, not fmi3Error", function, status);
}

// A boolean the instance wrote must be the byte 0 or 1: a host reads it as bool.
void checkBooleanBytes(const char* function, const fmi3Boolean* values, std::size_t n) {
    for (std::size_t i = 0; values != nullptr && i < n; ++i) {
        unsigned char byte = 0;
        std::memcpy(&byte, &values[i], 1);
        if (byte > 1) fail("%s wrote the byte %u as a boolean", function, byte);
    }
}

void callVarnelle(Session& s, Fmi3Operation operation, Fmi3Slot* slot, void* c);

// A call the callbacks make back into their instance: one of a few, chosen
// by the low four bits of a byte.
void callBack(Session& s, Fmi3Slot& slot, bool fromIntermediateUpdate) {
    if (slot.c == nullptr || slot.blocksLent > 0 || s.trace.depth >= maxNestedDepth) return;
    static const Fmi3Operation calls[] = {
        Fmi3Operation::GetFloat64, Fmi3Operation::SetFloat64,      Fmi3Operation::GetString,
        Fmi3Operation::SetString,  Fmi3Operation::GetBoolean,      Fmi3Operation::SetBoolean,
        Fmi3Operation::Reset,      Fmi3Operation::SetDebugLogging, Fmi3Operation::DoStep,
        Fmi3Operation::Terminate,  Fmi3Operation::EnterEventMode,  Fmi3Operation::GetBinary};
    const std::uint8_t choice = reentryOf(s.in.byte());
    if (choice >= std::size(calls)) {
        // From the intermediate update the last values release the instance,
        // which must be refused and leave the instance alive.
        if (fromIntermediateUpdate && choice == 15) {
            s.trace("the intermediate update frees its instance (must be refused)");
            api().fmi3FreeInstance(slot.c);
        }
        return;
    }
    ++slot.nestedCalls;
    s.trace(fromIntermediateUpdate ? "the intermediate update calls back:" : "the logger calls back:");
    ++s.trace.depth;
    callVarnelle(s, calls[choice], &slot, slot.c);
    --s.trace.depth;
}

void logMessage(fmi3InstanceEnvironment environment, fmi3Status status, fmi3String category, fmi3String message) {
    Session& s = currentSession();
    Fmi3Slot* slot = slotOf(s, environment);
    if (slot == nullptr) fail("FMI 3.0 logger called with an instance environment the host never gave");
    if (!slot->mayLog) fail("FMI 3.0 logger called while logging is off");
    if (status < fmi3OK || status > fmi3Fatal) fail("FMI 3.0 logger called with the invalid status %d", status);
    if (category == nullptr) fail("FMI 3.0 logger called with a null category");
    if (std::strcmp(category, "INFO") != 0 && std::strcmp(category, "WARNING") != 0 && std::strcmp(category, "ERROR") != 0)
        fail("FMI 3.0 logger called with the unlisted category \"%.40s\"", category);
    if (message == nullptr) fail("FMI 3.0 logger called with a null message");
    s.trace("logger: status %d, %s, \"%s\"", status, category, printable(message, 90).c_str());
    if (slot->hostile) callBack(s, *slot, false);
}

void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean setRequested,
                        fmi3Boolean getAllowed, fmi3Boolean stepFinished, fmi3Boolean canReturnEarly,
                        fmi3Boolean* earlyReturnRequested, fmi3Float64* earlyReturnTime) {
    Session& s = currentSession();
    Fmi3Slot* slot = slotOf(s, environment);
    if (slot == nullptr) fail("intermediate update with an instance environment the host never gave");
    const fmi3Boolean flags[] = {setRequested, getAllowed, stepFinished, canReturnEarly};
    checkBooleanBytes("the intermediate update's arguments", flags, std::size(flags));
    if (earlyReturnRequested == nullptr || earlyReturnTime == nullptr) fail("intermediate update without its outputs");
    checkBooleanBytes("earlyReturnRequested before the call", earlyReturnRequested, 1);
    if (!std::isfinite(time)) fail("intermediate update at the time %g", time);
    s.trace("intermediate update at %.17g", time);
    if (slot->hostile && s.in.flag()) callBack(s, *slot, true);
    if (s.in.oneIn(4)) {
        *earlyReturnRequested = fmi3True;
        *earlyReturnTime = s.in.flag() ? time : s.in.real();
    }
}

// ---- creating and releasing instances ----------------------------------------

const char* token(Session& s) { return s.in.flag() ? expected::guid : s.in.text(6); }

void instantiate(Session& s, bool coSimulation) {
    Fmi3Slot& slot = pick(s);
    if (void* old = std::exchange(slot.c, nullptr)) api().fmi3FreeInstance(old);
    const char* name = s.in.text(8);
    const char* instantiationToken = token(s);
    const char* resourcePath = s.in.text(8);
    const bool loggingOn = s.in.flag();
    const bool withLogger = !s.in.oneIn(8);
    slot = Fmi3Slot{};
    slot.hostile = s.in.oneIn(3);
    slot.mayLog = loggingOn && withLogger;
    slot.coSimulation = coSimulation;
    const bool tokenMatches = instantiationToken != nullptr && std::strcmp(instantiationToken, expected::guid) == 0;
    bool intermediatesKnown = true;
    if (!coSimulation) {
        slot.c = api().fmi3InstantiateModelExchange(name, instantiationToken, resourcePath, s.in.flag(), loggingOn,
                                                    &slot, withLogger ? logMessage : nullptr);
    } else {
        const bool eventModeUsed = s.in.flag();
        slot.earlyReturnAllowed = s.in.flag();
        const std::size_t n = s.in.inRange<std::size_t>(0, 3);
        auto required = s.in.array<fmi3ValueReference>(n, [&] { return s.in.flag() ? s.in.inRange<fmi3ValueReference>(1, 2) : valueReference(s.in); });
        for (std::size_t i = 0; required && i < n; ++i) intermediatesKnown = intermediatesKnown && (required[i] == 1 || required[i] == 2);
        intermediatesKnown = intermediatesKnown && (required != nullptr || n == 0);
        const bool withCallback = !s.in.oneIn(4);
        slot.c = api().fmi3InstantiateCoSimulation(name, instantiationToken, resourcePath, s.in.flag(), loggingOn,
                                                   eventModeUsed, slot.earlyReturnAllowed, required.get(), n, &slot,
                                                   withLogger ? logMessage : nullptr,
                                                   withCallback ? intermediateUpdate : nullptr);
    }
    s.trace("%s(slot %d, loggingOn %d%s) -> %p", coSimulation ? "fmi3InstantiateCoSimulation" : "fmi3InstantiateModelExchange",
            int(&slot - s.varnelle.data()), loggingOn, slot.hostile ? ", hostile callbacks" : "", slot.c);
    if (slot.c != nullptr && (!tokenMatches || !intermediatesKnown))
        fail("instantiation accepted the token \"%.20s\" or an unknown intermediate variable",
             instantiationToken ? instantiationToken : "<null>");
}

void freeInstance(Session& s) {
    Fmi3Slot& slot = pick(s);
    const bool passNull = s.in.oneIn(8);
    api().fmi3FreeInstance(passNull ? nullptr : std::exchange(slot.c, nullptr));
    s.trace("fmi3FreeInstance(%s)", passNull ? "null" : "a slot");
}

// ---- values by value reference -------------------------------------------------

// A getter of any type: value references and values each with a count of
// the input's (they may disagree), every array exactly that long or null.
template <typename T, typename Getter, typename Check>
void get(Session& s, const char* function, Getter getter, void* c, Fmi3Slot* slot, Check check) {
    const std::size_t nRefs = s.in.count(4), nValues = s.in.flag() ? nRefs : s.in.count(modelValueCount);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    auto values = s.in.template output<T>(nValues);
    const unsigned nestedBefore = slot ? slot->nestedCalls : 0;
    const int status = getter(c, refs.get(), nRefs, values.get(), nValues);
    checkStatus3(s, function, status, c);
    // What the instance handed out is valid until the next call on it: read
    // only if the callbacks made none in between.
    if (status == fmi3OK && values && (slot == nullptr || slot->nestedCalls == nestedBefore)) check(values.get(), nValues);
}

template <typename T, typename Setter, typename Make>
void set(Session& s, const char* function, Setter setter, void* c, Make make) {
    const std::size_t nRefs = s.in.count(4), nValues = s.in.flag() ? nRefs : s.in.count(modelValueCount);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    auto values = s.in.array<T>(nValues, make);
    checkStatus3(s, function, setter(c, refs.get(), nRefs, values.get(), nValues), c);
}

// Booleans as any byte: 0 and 1, 2, 255, or any.
void setBoolean(Session& s, void* c) {
    const std::size_t nRefs = s.in.count(4), nValues = s.in.flag() ? nRefs : s.in.count(modelValueCount);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    auto bytes = s.in.array<unsigned char>(nValues, [&] { return s.in.flag() ? static_cast<unsigned char>(s.in.inRange(0, 1)) : s.in.byte(); });
    const auto* values = reinterpret_cast<const fmi3Boolean*>(bytes.get());
    checkStatus3(s, "fmi3SetBoolean", api().fmi3SetBoolean(c, refs.get(), nRefs, values, nValues), c);
}

// Strings: host texts, or now and then the block the instance handed out
// for one of its strings, fetched just before and lent until the write returns.
void setString(Session& s, void* c, Fmi3Slot* slot) {
    const std::size_t nRefs = s.in.count(4), nValues = s.in.flag() ? nRefs : s.in.count(modelValueCount);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    bool lent = false;
    fmi3String own = nullptr;
    if (c != nullptr && slot != nullptr && s.in.oneIn(3)) {
        const fmi3ValueReference vr = s.in.inRange<fmi3ValueReference>(30, 33);
        checkStatus3(s, "fmi3GetString, for its block to pass back", api().fmi3GetString(c, &vr, 1, &own, 1), c);
        lent = own != nullptr;
    }
    auto values = s.in.array<fmi3String>(nValues, [&] { return lent && s.in.flag() ? own : s.in.text(); });
    if (lent) ++slot->blocksLent;
    checkStatus3(s, "fmi3SetString", api().fmi3SetString(c, refs.get(), nRefs, values.get(), nValues), c);
    if (lent) --slot->blocksLent;
}

// Binaries: each value exactly as long as its size says, a zero byte inside
// now and then, an empty one with a null pointer.
void setBinary(Session& s, void* c) {
    const std::size_t nRefs = s.in.count(2), nValues = s.in.flag() ? nRefs : s.in.count(3);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    std::vector<std::string> data(nValues);
    auto sizes = s.in.array<std::size_t>(nValues, [] { return std::size_t{0}; });
    auto values = s.in.array<fmi3Binary>(nValues, [] { return fmi3Binary{nullptr}; });
    for (std::size_t i = 0; i < nValues; ++i) {
        data[i] = s.in.flag() ? std::string("\0\xff\0", 3) : std::string(s.in.inRange<std::size_t>(0, 8), 'b');
        if (sizes) sizes[i] = data[i].size();
        if (values) values[i] = data[i].empty() ? nullptr : reinterpret_cast<fmi3Binary>(data[i].data());
    }
    checkStatus3(s, "fmi3SetBinary", api().fmi3SetBinary(c, refs.get(), nRefs, sizes.get(), values.get(), nValues), c);
}

void getBinary(Session& s, void* c, Fmi3Slot* slot) {
    const std::size_t nRefs = s.in.count(2), nValues = s.in.flag() ? nRefs : s.in.count(3);
    auto refs = s.in.array<fmi3ValueReference>(nRefs, [&] { return valueReference(s.in); });
    auto sizes = s.in.output<std::size_t>(nValues);
    auto values = s.in.output<fmi3Binary>(nValues);
    const unsigned nestedBefore = slot ? slot->nestedCalls : 0;
    const int status = api().fmi3GetBinary(c, refs.get(), nRefs, sizes.get(), values.get(), nValues);
    checkStatus3(s, "fmi3GetBinary", status, c);
    if (status != fmi3OK || !sizes || !values || (slot && slot->nestedCalls != nestedBefore)) return;
    volatile unsigned sum = 0;  // reads every byte handed out, for the sanitizers
    for (std::size_t i = 0; i < nValues; ++i)
        for (std::size_t k = 0; values[i] != nullptr && k < sizes[i]; ++k) sum = sum + values[i][k];
}

// A getter or setter of a type the model has no variable of.
void otherType(Session& s, void* c, bool write) {
    const auto any = [&] { return s.in.real(); };
    const auto none = [](const auto*, std::size_t) {};
    switch (s.in.inRange(0, 8)) {
        case 0: write ? set<fmi3Float32>(s, "fmi3SetFloat32", api().fmi3SetFloat32, c, [&] { return static_cast<float>(any()); })
                      : get<fmi3Float32>(s, "fmi3GetFloat32", api().fmi3GetFloat32, c, nullptr, none); break;
        case 1: write ? set<fmi3Int8>(s, "fmi3SetInt8", api().fmi3SetInt8, c, [&] { return static_cast<fmi3Int8>(s.in.byte()); })
                      : get<fmi3Int8>(s, "fmi3GetInt8", api().fmi3GetInt8, c, nullptr, none); break;
        case 2: write ? set<fmi3UInt8>(s, "fmi3SetUInt8", api().fmi3SetUInt8, c, [&] { return s.in.byte(); })
                      : get<fmi3UInt8>(s, "fmi3GetUInt8", api().fmi3GetUInt8, c, nullptr, none); break;
        case 3: write ? set<fmi3Int16>(s, "fmi3SetInt16", api().fmi3SetInt16, c, [&] { return static_cast<fmi3Int16>(s.in.integer()); })
                      : get<fmi3Int16>(s, "fmi3GetInt16", api().fmi3GetInt16, c, nullptr, none); break;
        case 4: write ? set<fmi3UInt16>(s, "fmi3SetUInt16", api().fmi3SetUInt16, c, [&] { return static_cast<fmi3UInt16>(s.in.integer()); })
                      : get<fmi3UInt16>(s, "fmi3GetUInt16", api().fmi3GetUInt16, c, nullptr, none); break;
        case 5: write ? set<fmi3UInt32>(s, "fmi3SetUInt32", api().fmi3SetUInt32, c, [&] { return static_cast<fmi3UInt32>(s.in.integer()); })
                      : get<fmi3UInt32>(s, "fmi3GetUInt32", api().fmi3GetUInt32, c, nullptr, none); break;
        case 6: write ? set<fmi3Int64>(s, "fmi3SetInt64", api().fmi3SetInt64, c, [&] { return static_cast<fmi3Int64>(s.in.integer()); })
                      : get<fmi3Int64>(s, "fmi3GetInt64", api().fmi3GetInt64, c, nullptr, none); break;
        default: write ? set<fmi3UInt64>(s, "fmi3SetUInt64", api().fmi3SetUInt64, c, [&] { return static_cast<fmi3UInt64>(s.in.integer()); })
                       : get<fmi3UInt64>(s, "fmi3GetUInt64", api().fmi3GetUInt64, c, nullptr, none); break;
    }
}

// ---- the interfaces' own calls ---------------------------------------------------

// A read of one of the model's arrays (states, derivatives, indicators,
// nominals) into an array of a count of the input's.
template <typename Call>
void getArray(Session& s, const char* function, Call call, void* c) {
    const std::size_t n = s.in.count(2);
    auto values = s.in.output<double>(n);
    checkStatus3(s, function, call(c, values.get(), n), c);
}

void doStep(Session& s, void* c, Fmi3Slot* slot) {
    // Mostly from where the instance stands, so that steps go on.
    const double point = slot != nullptr && s.in.flag() ? slot->time : s.in.real();
    const double size = s.in.flag() ? s.in.inRange(1, 150) * expected::internalStep : s.in.real();
    fmi3Boolean outputs[3] = {fmi3True, fmi3True, fmi3True};
    double lastSuccessfulTime = 0.0;
    s.trace("fmi3DoStep(%.17g, %.17g)", point, size);
    const int status = api().fmi3DoStep(c, point, size, s.in.flag(), &outputs[0], &outputs[1], &outputs[2],
                                        &lastSuccessfulTime);
    checkStatus3(s, "fmi3DoStep", status, c);
    if (status != fmi3OK && status != fmi3Warning) return;
    checkBooleanBytes("fmi3DoStep", outputs, std::size(outputs));
    if (slot != nullptr && slot->c == c) slot->time = lastSuccessfulTime;
}

void updateDiscreteStates(Session& s, void* c) {
    fmi3Boolean flags[5] = {fmi3True, fmi3True, fmi3True, fmi3True, fmi3True};
    double nextEventTime = 0.0;
    const int status = api().fmi3UpdateDiscreteStates(c, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &nextEventTime);
    checkStatus3(s, "fmi3UpdateDiscreteStates", status, c);
    if (status == fmi3OK) checkBooleanBytes("fmi3UpdateDiscreteStates", flags, std::size(flags));
}

void completedIntegratorStep(Session& s, void* c) {
    fmi3Boolean flags[2] = {fmi3True, fmi3True};
    const int status = api().fmi3CompletedIntegratorStep(c, s.in.flag(), &flags[0], &flags[1]);
    checkStatus3(s, "fmi3CompletedIntegratorStep", status, c);
    if (status == fmi3OK) checkBooleanBytes("fmi3CompletedIntegratorStep", flags, std::size(flags));
}

void setDebugLogging(Session& s, void* c, Fmi3Slot* slot) {
    const std::size_t n = s.in.count(3);
    auto categories = s.in.array<fmi3String>(n, [&] {
        static const char* const names[] = {"INFO", "WARNING", "ERROR", "logEvents"};
        return s.in.flag() ? names[s.in.inRange(0, 3)] : s.in.text(10);
    });
    const bool loggingOn = s.in.flag();
    const int status = api().fmi3SetDebugLogging(c, loggingOn, n, categories.get());
    checkStatus3(s, "fmi3SetDebugLogging", status, c);
    // Switched on, the logger may be called from now on (if the instance has one).
    if (slot != nullptr && status == fmi3OK && loggingOn) slot->mayLog = true;
}

// A function of a capability varnelle does not provide: always fmi3Error.
void notProvided(Session& s, void* c) {
    fmi3FMUState state = nullptr;
    std::size_t size = 0;
    fmi3Byte buffer[16] = {};
    const fmi3ValueReference refs[2] = {1, 2};
    double seed[2] = {1.0, 1.0}, sensitivity[2] = {};
    fmi3Boolean clocks[2] = {};
    const int choice = s.in.inRange(0, 12);
    int status = fmi3Error;
    switch (choice) {
        case 0: status = api().fmi3GetFMUState(c, &state); break;
        case 1: status = api().fmi3SetFMUState(c, nullptr); break;
        case 2: status = api().fmi3FreeFMUState(c, &state); break;
        case 3: status = api().fmi3SerializedFMUStateSize(c, nullptr, &size); break;
        case 4: status = api().fmi3SerializeFMUState(c, nullptr, buffer, sizeof buffer); break;
        case 5: status = api().fmi3DeserializeFMUState(c, buffer, sizeof buffer, &state); break;
        case 6: status = api().fmi3GetDirectionalDerivative(c, refs, 2, refs, 2, seed, 2, sensitivity, 2); break;
        case 7: status = api().fmi3GetAdjointDerivative(c, refs, 2, refs, 2, seed, 2, sensitivity, 2); break;
        case 8: status = api().fmi3EnterConfigurationMode(c); break;
        case 9: status = api().fmi3GetClock(c, refs, 2, clocks); break;
        case 10: status = api().fmi3EvaluateDiscreteStates(c); break;
        case 11: status = api().fmi3GetNumberOfVariableDependencies(c, 1, &size); break;
        default: status = api().fmi3ActivateModelPartition(c, 1, 0.0); break;
    }
    checkStatus3(s, "a function of a capability varnelle does not provide", status, c);
    if (status != fmi3Error) fail("a function of a capability varnelle does not provide (%d) answered %d", choice, status);
    if (state != nullptr || size != 0) fail("a refused function (%d) wrote to the host's arguments", choice);
}

void allocation(Session& s, Fmi3Operation operation) {
    const Components& k = components();
    const std::size_t n = k.allocationAttempts() + s.in.inRange<std::size_t>(1, 4);
    switch (operation) {
        case Fmi3Operation::FailOneAllocation: k.failAllocation(n); s.trace("varnelle's allocation %zu will fail", n); break;
        case Fmi3Operation::FailAllocationsFrom: k.failAllocationsFrom(n); s.trace("varnelle's allocations from %zu fail", n); break;
        default: k.failAllocation(0); k.failAllocationsFrom(0); s.trace("varnelle's allocations succeed again"); break;
    }
}

void callVarnelle(Session& s, Fmi3Operation operation, Fmi3Slot* slot, void* c) {
    using enum Fmi3Operation;
    const auto anyReal = [&] { return s.in.real(); };
    const auto readStrings = [](const fmi3String* values, std::size_t n) {
        volatile std::size_t length = 0;  // reads every string handed out, for the sanitizers
        for (std::size_t i = 0; i < n; ++i) length = length + (values[i] ? std::strlen(values[i]) : 0);
    };
    const auto none = [](const auto*, std::size_t) {};
    switch (operation) {
        case SetDebugLogging: setDebugLogging(s, c, slot); break;
        case EnterInitializationMode:
            checkStatus3(s, "fmi3EnterInitializationMode",
                         api().fmi3EnterInitializationMode(c, s.in.flag(), s.in.real(), s.in.flag() ? 0.0 : s.in.real(),
                                                           s.in.flag(), s.in.flag() ? 3.0 : s.in.real()), c);
            if (slot != nullptr) slot->time = 0.0;
            break;
        case ExitInitializationMode: checkStatus3(s, "fmi3ExitInitializationMode", api().fmi3ExitInitializationMode(c), c); break;
        case EnterEventMode: checkStatus3(s, "fmi3EnterEventMode", api().fmi3EnterEventMode(c), c); break;
        case EnterContinuousTimeMode: checkStatus3(s, "fmi3EnterContinuousTimeMode", api().fmi3EnterContinuousTimeMode(c), c); break;
        case EnterStepMode: checkStatus3(s, "fmi3EnterStepMode", api().fmi3EnterStepMode(c), c); break;
        case Terminate: checkStatus3(s, "fmi3Terminate", api().fmi3Terminate(c), c); break;
        case Reset:
            if (slot != nullptr && slot->blocksLent > 0) return;
            checkStatus3(s, "fmi3Reset", api().fmi3Reset(c), c);
            break;
        case GetFloat64: get<double>(s, "fmi3GetFloat64", api().fmi3GetFloat64, c, slot, none); break;
        case SetFloat64: set<double>(s, "fmi3SetFloat64", api().fmi3SetFloat64, c, anyReal); break;
        case GetInt32: get<fmi3Int32>(s, "fmi3GetInt32", api().fmi3GetInt32, c, slot, none); break;
        case SetInt32: set<fmi3Int32>(s, "fmi3SetInt32", api().fmi3SetInt32, c, [&] { return s.in.integer(); }); break;
        case GetBoolean:
            get<fmi3Boolean>(s, "fmi3GetBoolean", api().fmi3GetBoolean, c, slot,
                             [](const fmi3Boolean* values, std::size_t n) { checkBooleanBytes("fmi3GetBoolean", values, n); });
            break;
        case SetBoolean: setBoolean(s, c); break;
        case GetString: get<fmi3String>(s, "fmi3GetString", api().fmi3GetString, c, slot, readStrings); break;
        case SetString: setString(s, c, slot); break;
        case GetBinary: getBinary(s, c, slot); break;
        case SetBinary: setBinary(s, c); break;
        case GetOtherType: otherType(s, c, false); break;
        case SetOtherType: otherType(s, c, true); break;
        case SetTime: checkStatus3(s, "fmi3SetTime", api().fmi3SetTime(c, s.in.real()), c); break;
        case SetContinuousStates: {
            const std::size_t n = s.in.count(2);
            auto values = s.in.array<double>(n, anyReal);
            checkStatus3(s, "fmi3SetContinuousStates", api().fmi3SetContinuousStates(c, values.get(), n), c);
            break;
        }
        case GetContinuousStates: getArray(s, "fmi3GetContinuousStates", api().fmi3GetContinuousStates, c); break;
        case GetContinuousStateDerivatives:
            getArray(s, "fmi3GetContinuousStateDerivatives", api().fmi3GetContinuousStateDerivatives, c);
            break;
        case GetEventIndicators: getArray(s, "fmi3GetEventIndicators", api().fmi3GetEventIndicators, c); break;
        case GetNominalsOfContinuousStates:
            getArray(s, "fmi3GetNominalsOfContinuousStates", api().fmi3GetNominalsOfContinuousStates, c);
            break;
        case GetNumbers: {
            std::size_t n = 0;
            const bool states = s.in.flag();
            std::size_t* out = s.in.oneIn(8) ? nullptr : &n;
            checkStatus3(s, states ? "fmi3GetNumberOfContinuousStates" : "fmi3GetNumberOfEventIndicators",
                         states ? api().fmi3GetNumberOfContinuousStates(c, out) : api().fmi3GetNumberOfEventIndicators(c, out), c);
            break;
        }
        case CompletedIntegratorStep: completedIntegratorStep(s, c); break;
        case UpdateDiscreteStates: updateDiscreteStates(s, c); break;
        case DoStep: doStep(s, c, slot); break;
        case NotProvided: notProvided(s, c); break;
        default: break;
    }
}

}  // namespace

bool runFmi3(Session& s) {
    const auto operation = Fmi3Operation(s.in.byte());
    const char* name = nameOf(operation);
    if (name == nullptr) return false;
    s.trace("varnelle %s", name);
    using enum Fmi3Operation;
    switch (operation) {
        case InstantiateModelExchange: instantiate(s, false); break;
        case InstantiateCoSimulation: instantiate(s, true); break;
        case FreeInstance: freeInstance(s); break;
        case GetVersion:
            if (std::strcmp(api().fmi3GetVersion(), "3.0") != 0) fail("fmi3GetVersion is not 3.0");
            break;
        case FailOneAllocation:
        case FailAllocationsFrom:
        case StopFailingAllocations: allocation(s, operation); break;
        default: {
            // The instance of a slot the input chooses (perhaps none), now and then null.
            Fmi3Slot* slot = s.in.oneIn(8) ? nullptr : &pick(s);
            callVarnelle(s, operation, slot, slot ? slot->c : nullptr);
            break;
        }
    }
    return true;
}

void finishFmi3(Session& s) {
    for (Fmi3Slot& slot : s.varnelle) api().fmi3FreeInstance(std::exchange(slot.c, nullptr));
    const Components& k = components();
    k.failAllocation(0);
    k.failAllocationsFrom(0);
    if (k.liveBlocks() != 0) fail("varnelle kept %zu blocks after every instance was freed", k.liveBlocks());
}

}  // namespace fuzz
