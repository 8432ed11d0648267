// Fuzzes all three components as a hostile but lawful host would: the input
// is read as a sequence of calls on up to two instances of each component,
// made in any order, with any value reference, counts from 0 to a few more
// than the model has (every array exactly as long as its count says, so the
// sanitizers see any access past it; any count at all where every array is
// null), null pointers wherever a host may pass one, NaN, infinities,
// subnormals, -0 and huge reals, times and step sizes, logging flags other
// than 0 and 1, and injected allocation failures.
//
// The input also chooses, per instance, a hostile host: its logger calls the
// instance it is called for back before returning (getters, setters, strings
// included, the debug logging switch, fmi2Reset; never the release of the
// instance, which a host must not do from its logger), up to a few calls
// deep, and it passes the string blocks the instance handed out back to the
// string setter. It never makes its own arguments dangling: an unfinished call
// that was passed a block keeps it, so a nested call that would release that
// block is not made.
//
// After every call the status must be a valid one; every logger call must be
// well formed (the instance's own environment or handle and name, a known
// category, a format that is a constant of the component and that formats);
// every block freed must be a live block the host handed out; at the end every
// block must have been freed exactly once. Any breach aborts, which libFuzzer
// reports with the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

namespace {

[[noreturn]] void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("rebounder_fuzz: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}


struct Components {
    host::Library pellidor{PELLIDOR_LIBRARY};
    host::Library corvane{CORVANE_LIBRARY};
    host::Library tressivo{TRESSIVO_LIBRARY};
    host::Fmi2Api me{pellidor};
    host::Fmi2Api cs{corvane};
    host::Fmi1Api fmi1{tressivo};
};

Components& components() {
    static Components loaded;
    return loaded;
}

// True when the address lies in one of the component libraries: a message
// format must be the component's own constant, never text from the host.
bool inComponentLibrary(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
    const std::string file = info.dli_fname;
    for (const char* path : {PELLIDOR_LIBRARY, CORVANE_LIBRARY, TRESSIVO_LIBRARY}) {
        if (file == path) return true;
    }
    return false;
}

// REBOUNDER_FUZZ_TRACE=1 prints every call with its status, to read a
// failing input as the sequence of calls it stands for.
const bool tracing = std::getenv("REBOUNDER_FUZZ_TRACE") != nullptr;

// Text for the trace: at most `limit` characters, bytes outside printable
// ASCII as \xNN, and the length when it was cut.
std::string printable(const char* text, std::size_t limit) {
    const std::size_t length = std::strlen(text);
    std::string out;
    for (std::size_t i = 0; i < length && i < limit; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        out += byte >= 0x20 && byte < 0x7f ? std::string(1, text[i]) : std::string(escaped);
    }
    if (length > limit) out += "... (" + std::to_string(length) + " chars)";
    return out;
}

constexpr int instancesPerComponent = 2;
constexpr std::size_t nameCapacity = 1024;

// One instance slot. For FMI 2.0 the callback structure lives here, so it
// outlives the instance as the standard requires, and its
// componentEnvironment points at the slot, so a logger call names the
// instance it came from.
struct Slot {
    void* c = nullptr;
    std::string expectedName;
    fmi2CallbackFunctions callbacks{};
    bool hostile = false;  // its logger calls the instance back
};

// A string block of an instance (from its GetString) that an unfinished call
// was passed as a value.
struct Lent {
    const void* c;
    unsigned vr;
    const char* passed;  // the pointer passed: the block or one past its start
};

// Nested calls a hostile logger makes at most, one inside the other.
constexpr int maxReentryDepth = 3;
// Any value reference, for lentOut.
constexpr unsigned anyString = ~0u;

struct Session;
Session* currentSession = nullptr;

struct Session {
    host::Host host;
    FuzzedDataProvider& in;
    Slot me[instancesPerComponent];
    Slot cs[instancesPerComponent];
    Slot fmi1[instancesPerComponent];

    int depth = 0;              // logger calls the current call is nested in
    std::vector<Lent> lent;     // innermost last

    explicit Session(FuzzedDataProvider& data) : in(data) { currentSession = this; }
    ~Session() { currentSession = nullptr; }

    // One line of the trace, indented by how deep the hostile logger has
    // nested the call it belongs to.
    [[gnu::format(printf, 2, 3)]] void trace(const char* format, ...) const {
        if (!tracing) return;
        std::fprintf(stderr, "%*s", 2 * (depth + 1), "");
        va_list args;
        va_start(args, format);
        std::vfprintf(stderr, format, args);
        va_end(args);
        std::fputc('\n', stderr);
    }

    // ---- values --------------------------------------------------------

    double real() {
        static const double table[] = {0.0,
                                       -0.0,
                                       1.0,
                                       -1.0,
                                       expected::internalStep,
                                       0.005,
                                       0.05,
                                       2.0,
                                       expected::derivativeTableValue,
                                       expected::startGravity,
                                       expected::indicatorOffset,
                                       -1e-3,
                                       1e300,
                                       -1e300,
                                       DBL_MAX,
                                       -DBL_MAX,
                                       DBL_MIN,
                                       -DBL_MIN,
                                       std::numeric_limits<double>::denorm_min(),
                                       -std::numeric_limits<double>::denorm_min(),
                                       1e9,
                                       -1e9,
                                       9007199254740992.0,  // 2^53: adding 0.01 changes nothing
                                       1e16,
                                       std::numeric_limits<double>::quiet_NaN(),
                                       -std::numeric_limits<double>::quiet_NaN(),
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity()};
        if (in.ConsumeBool()) return table[in.ConsumeIntegralInRange<std::size_t>(0, std::size(table) - 1)];
        const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    unsigned valueReference() {
        static const unsigned table[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
        if (in.ConsumeBool()) return table[in.ConsumeIntegralInRange<std::size_t>(0, std::size(table) - 1)];
        return in.ConsumeIntegral<unsigned>();
    }

    int integer() {
        static const int table[] = {0, 1, 2, 3, -1, 5, 13, INT_MIN, INT_MAX};
        if (in.ConsumeBool()) return table[in.ConsumeIntegralInRange<std::size_t>(0, std::size(table) - 1)];
        return in.ConsumeIntegral<int>();
    }

    // Counts from 0 to a few more than the model has.
    std::size_t count(std::size_t modelCount) { return in.ConsumeIntegralInRange<std::size_t>(0, modelCount + 3); }

    // The count n the arrays were made for, or, when every array is null (no
    // element to read past), perhaps any size a host might pass.
    template <typename... Arrays>
    std::size_t countFor(std::size_t n, const Arrays&... arrays) {
        static const std::size_t huge[] = {SIZE_MAX, SIZE_MAX / 2 + 1, std::size_t{1} << 31, 0xFFFFFFFFu, 1000000};
        if (!(... && (arrays == nullptr)) || !in.ConsumeBool()) return n;
        return huge[in.ConsumeIntegralInRange<std::size_t>(0, std::size(huge) - 1)];
    }

    // An array of exactly n elements, or null.
    template <typename T, typename Make>
    std::unique_ptr<T[]> array(std::size_t n, Make make) {
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return nullptr;
        std::unique_ptr<T[]> values(new T[n]);
        for (std::size_t i = 0; i < n; ++i) values[i] = make();
        return values;
    }
    template <typename T>
    std::unique_ptr<T[]> output(std::size_t n) {
        return array<T>(n, [] { return T{}; });
    }

    std::vector<std::unique_ptr<std::string>> texts;  // host strings alive for the current call

    const char* text(std::size_t maxLength = 40) {
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
            case 0: return nullptr;
            case 1: return "";
            case 2: return "123";
            case 3: texts.push_back(std::make_unique<std::string>(in.ConsumeIntegralInRange<std::size_t>(1020, 1030), 'n')); break;
            case 4: texts.push_back(std::make_unique<std::string>(5000, 'x')); break;
            case 5: return "%s%n%d #r1# %%";
            default: texts.push_back(std::make_unique<std::string>(in.ConsumeRandomLengthString(maxLength))); break;
        }
        return texts.back()->c_str();
    }

    // ---- checks ----------------------------------------------------------

    void checkStatus(const char* function, int status, int last) const {
        trace("%s -> %d", function, status);
        if (status < 0 || status > last) fail("%s returned the invalid status %d", function, status);
    }
    static void checkFatal(const char* function, int status) {
        if (status != fmi2Fatal) fail("%s with a null instance returned %d, not Fatal", function, status);
    }

    void checkMemory() {
        if (!host.errors.empty()) fail("%s", host.errors.front().c_str());
    }

    // ---- logger ----------------------------------------------------------

    void checkLogCall(const std::string& expectedName, const char* instanceName, int status, const char* category,
                      const char* format, int lastStatus) {
        if (instanceName == nullptr) fail("logger called with a null instance name");
        if (expectedName != instanceName) {
            fail("logger called with instance name \"%.60s\", expected \"%.60s\"", instanceName, expectedName.c_str());
        }
        if (status < 0 || status > lastStatus) fail("logger called with the invalid status %d", status);
        if (category == nullptr) fail("logger called with a null category");
        if (std::strcmp(category, "INFO") != 0 && std::strcmp(category, "WARNING") != 0 &&
            std::strcmp(category, "ERROR") != 0) {
            fail("logger called with the unknown category \"%.60s\"", category);
        }
        if (format == nullptr) fail("logger called with a null format");
        if (!inComponentLibrary(format)) fail("logger format \"%.60s\" is not a constant of a component", format);
    }

    static void fmi2Logger(fmi2ComponentEnvironment environment, fmi2String instanceName, fmi2Status status,
                           fmi2String category, fmi2String message, ...) {
        Session& session = *currentSession;
        Slot* slot = session.slotOfEnvironment(environment);
        if (slot == nullptr) fail("FMI 2.0 logger called with a componentEnvironment the host never gave");
        session.checkLogCall(slot->expectedName, instanceName, status, category, message, fmi2Fatal);
        va_list args;
        va_start(args, message);
        session.host.record(environment, instanceName, status, category, message, args);
        va_end(args);
        session.received(*slot);
    }

    static void fmi1Logger(fmiComponent c, fmiString instanceName, fmiStatus status, fmiString category,
                           fmiString message, ...) {
        Session& session = *currentSession;
        Slot* slot = nullptr;
        for (Slot& candidate : session.fmi1) slot = candidate.c == c && c != nullptr ? &candidate : slot;
        if (slot == nullptr) fail("FMI 1.0 logger called with a first argument that is not a live instance");
        session.checkLogCall(slot->expectedName, instanceName, status, category, message, fmiFatal);
        va_list args;
        va_start(args, message);
        session.host.record(c, instanceName, status, category, message, args);
        va_end(args);
        session.received(*slot);
    }

    // The message is formatted and checked before anything else: a hostile
    // logger reads its arguments while they are certainly valid, then may call
    // the instance back.
    void received(Slot& slot) {
        const host::LogEntry& entry = host.log.back();
        if (entry.text == "<unformattable message>") fail("a log message does not format");
        if (tracing) {
            trace("logger: status %d, %s, \"%s\"", entry.status, entry.category.c_str(),
                  printable(entry.text.c_str(), 90).c_str());
        }
        host.log.clear();
        if (slot.hostile) reenter(slot);
    }

    // The hostile logger's answer: nothing, a coming allocation made to fail,
    // or one nested call on the instance the message came from (never its
    // release, which a host must not call from its logger).
    void reenter(Slot& slot) {
        static constexpr int fmi2Calls[] = {2, 7, 7, 8, 9, 10, 11, 12, 13, 14, 14};  // operations of shared2
        static constexpr int fmi1Calls[] = {2, 2, 8, 9, 10, 11, 11, 14, 15, 16, 17};  // operations of call1
        static_assert(std::size(fmi2Calls) == std::size(fmi1Calls));
        if (slot.c == nullptr || depth >= maxReentryDepth) return;
        // 0 (also what an exhausted input reads) to 3: return at once.
        const int choice = in.ConsumeIntegralInRange<int>(0, static_cast<int>(std::size(fmi2Calls)) + 4);
        if (choice < 4) return;
        if (choice == 4) {
            failSoon();
            return;
        }
        const bool fmi1Slot = &slot >= fmi1 && &slot < fmi1 + instancesPerComponent;
        const int operation = (fmi1Slot ? fmi1Calls : fmi2Calls)[choice - 5];
        trace("the logger calls back:");
        ++depth;
        if (fmi1Slot) {
            call1(operation, slot.c);
        } else {
            const bool meSlot = &slot >= me && &slot < me + instancesPerComponent;
            shared2(operation, meSlot ? components().me : components().cs, slot.c);
        }
        --depth;
    }

    // The host's allocator fails at one of the next few allocations, at every
    // one from there on, or no more.
    void failSoon() {
        const std::size_t failing = host.allocationCount + in.ConsumeIntegralInRange<std::size_t>(1, 4);
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 2:
                host.failAllocationsFrom(failing);
                trace("allocations from %zu on will fail", failing);
                break;
            case 3:
                host.stopFailing();
                trace("allocations succeed again");
                break;
            default:
                host.failAllocation(failing);
                trace("allocation %zu will fail", failing);
                break;
        }
    }

    static void* allocate(std::size_t count, std::size_t size) {
        Session& session = *currentSession;
        void* block = session.host.allocate(count, size);
        if (block == nullptr) session.trace("allocation %zu fails", session.host.allocationCount);
        return block;
    }

    // A block the host does not hold is a double free or a foreign pointer.
    // AddressSanitizer names which, with the stacks of the allocation and of
    // both frees, when it sees the free itself; without it the fuzzer stops
    // here. Either way the fault shows up inside the call that made it.
    static void release(void* block) {
        Session& session = *currentSession;
        if (block != nullptr && !session.host.owns(block)) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
            std::free(block);
#endif
#endif
            fail("freeMemory(%p): not a live block of this host (double free or foreign pointer)", block);
        }
        session.host.release(block);
    }

    Slot* slotOfEnvironment(const void* environment) {
        for (Slot* group : {me, cs}) {
            for (int i = 0; i < instancesPerComponent; ++i) {
                if (&group[i] == environment) return &group[i];
            }
        }
        return nullptr;
    }

    static std::string storedName(const char* name) {
        if (name == nullptr) return "";
        return std::string(name, strnlen(name, nameCapacity - 1));
    }

    // ---- FMI 2.0 -----------------------------------------------------------

    Slot& pick(Slot (&slots)[instancesPerComponent]) {
        return slots[in.ConsumeIntegralInRange<int>(0, instancesPerComponent - 1)];
    }
    // The instance a call goes to: one of the slots (perhaps empty), or null.
    void* target(Slot (&slots)[instancesPerComponent]) {
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0) return nullptr;
        return pick(slots).c;
    }

    // A value for a string write: host text, or now and then a block the
    // instance handed out for one of its strings, fetched just before the call
    // that passes it back (a host may pass back what it was given), perhaps
    // one character in. Such a block is lent until that call returns.
    template <typename GetString>
    const char* stringOrOwn(const char* getter, GetString getString, void* c) {
        if (c != nullptr && in.ConsumeIntegralInRange<int>(0, 3) == 0) {
            const unsigned vr = in.ConsumeIntegralInRange<unsigned>(0, 3);
            const char* own = nullptr;
            trace("%s(%u), for its block to pass back:", getter, vr);
            checkStatus(getter, getString(c, &vr, 1, &own), fmi2Fatal);
            if (own == nullptr) return nullptr;
            const char* passed = own + (in.ConsumeBool() && std::strlen(own) > 0 && in.ConsumeBool() ? 1 : 0);
            lent.push_back({c, vr, passed});
            return passed;
        }
        return text();
    }

    // Whether a call that has not returned yet (the first `outer` entries of
    // lent) was passed the block of string vr of instance c, or of any of its
    // strings for anyString.
    bool lentOut(const void* c, std::size_t outer, unsigned vr) const {
        for (std::size_t i = 0; i < outer; ++i) {
            if (lent[i].c == c && (vr == anyString || lent[i].vr == vr)) return true;
        }
        return false;
    }

    // The value references of a call as the trace shows them.
    static std::string describeRefs(const unsigned* refs, std::size_t n) {
        if (refs == nullptr) return "null refs, n " + std::to_string(n);
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += (i ? ", " : "") + std::to_string(refs[i]);
        return out;
    }

    // The values of a string write as the trace shows them.
    std::string describeStrings(const unsigned* refs, const char* const* values, std::size_t n) const {
        if (refs == nullptr || values == nullptr) {
            return std::string(refs ? "" : "null refs, ") + (values ? "" : "null values, ") + "n " + std::to_string(n);
        }
        std::string out;
        for (std::size_t i = 0; i < n; ++i) {
            out += (i ? ", " : "") + std::to_string(refs[i]) + " = ";
            const Lent* own = nullptr;
            for (const Lent& entry : lent) own = entry.passed == values[i] ? &entry : own;
            if (values[i] == nullptr) {
                out += "null";
            } else if (own != nullptr) {
                out += "the block of its string " + std::to_string(own->vr);
                if (!host.owns(values[i])) out += " + 1";
            } else {
                out += "\"" + printable(values[i], 16) + "\"";
            }
        }
        return out;
    }

    // A string write of n values to refs: host texts or blocks the instance
    // handed out. Not made when it could release a block that an outer call,
    // not returned yet, was passed: the host would be making that call's
    // argument dangling itself.
    template <typename SetString, typename GetString>
    void setStrings(const char* function, const char* getter, SetString setString, GetString getString, void* c,
                    std::size_t n, const unsigned* refs) {
        const std::size_t outer = lent.size();
        auto values = array<const char*>(n, [&] { return stringOrOwn(getter, getString, c); });
        bool releasesLent = false;
        for (std::size_t i = 0; refs != nullptr && i < n; ++i) releasesLent = releasesLent || lentOut(c, outer, refs[i]);
        if (releasesLent) {
            trace("%s not made: it would release a block an unfinished call was passed", function);
        } else {
            n = countFor(n, refs, values);
            if (tracing) trace("%s(%s)", function, describeStrings(refs, values.get(), n).c_str());
            const int status = setString(c, refs, n, values.get());
            checkStatus(function, status, fmi2Fatal);
            if (c == nullptr) checkFatal(function, status);
        }
        lent.resize(outer);
    }

    void instantiate2(const host::Fmi2Api& api, Slot (&slots)[instancesPerComponent]) {
        Slot& slot = pick(slots);
        if (void* old = std::exchange(slot.c, nullptr)) api.fmi2FreeInstance(old);
        checkMemory();
        slot.callbacks = fmi2CallbackFunctions{fmi2Logger, allocate, release, nullptr, &slot};
        const int variant = in.ConsumeIntegralInRange<int>(0, 9);
        if (variant == 1) slot.callbacks.logger = nullptr;
        if (variant == 2) slot.callbacks.allocateMemory = nullptr;
        if (variant == 3) slot.callbacks.freeMemory = nullptr;
        slot.hostile = variant >= 7;
        const bool unusable = variant == 2 || variant == 3 || variant == 4;
        const char* name = text(8);
        const char* guid = in.ConsumeBool() ? "123" : text(6);
        const char* location = text(8);
        const int type = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 1) : integer();
        const int visible = integer(), loggingOn = integer();
        slot.c = host::withIntEnum(api.fmi2Instantiate)(name, type, guid, location,
                                                        variant == 4 ? nullptr : &slot.callbacks, visible, loggingOn);
        slot.expectedName = storedName(name);
        trace("fmi2Instantiate(slot %d, variant %d%s, loggingOn %d) -> %p", int(&slot - slots), variant,
              slot.hostile ? ", hostile logger" : "", loggingOn, slot.c);
        const bool guidMatches = guid != nullptr && std::strcmp(guid, "123") == 0;
        if (slot.c != nullptr && (unusable || !guidMatches)) {
            fail("fmi2Instantiate accepted a null callback or the GUID \"%.20s\"", guid ? guid : "<null>");
        }
    }

    template <typename Value, typename Make>
    void getOrSet2(const char* function, fmi2Status (*call)(fmi2Component, const fmi2ValueReference[], size_t, Value*),
                   void* c, Make make) {
        const std::size_t n = count(5);
        auto refs = array<fmi2ValueReference>(n, [&] { return valueReference(); });
        auto values = array<std::remove_const_t<Value>>(n, make);
        const int status = call(c, refs.get(), countFor(n, refs, values), values.get());
        checkStatus(function, status, fmi2Fatal);
        if (c == nullptr) checkFatal(function, status);
    }

    void stringCall2(const host::Fmi2Api& api, void* c) {
        const std::size_t n = count(4);
        auto refs = array<fmi2ValueReference>(n, [&] { return valueReference(); });
        if (in.ConsumeBool()) {
            auto values = output<fmi2String>(n);
            const std::size_t m = countFor(n, refs, values);
            if (tracing) trace("fmi2GetString(%s%s)", describeRefs(refs.get(), m).c_str(), values ? "" : ", null values");
            const int status = api.fmi2GetString(c, refs.get(), m, values.get());
            checkStatus("fmi2GetString", status, fmi2Fatal);
            if (c == nullptr) checkFatal("fmi2GetString", status);
            for (std::size_t i = 0; values && status == fmi2OK && i < n; ++i) {
                if (values[i] != nullptr && !host.owns(values[i])) fail("fmi2GetString gave a block the host never allocated");
            }
        } else {
            setStrings("fmi2SetString", "fmi2GetString", api.fmi2SetString, api.fmi2GetString, c, n, refs.get());
        }
    }

    // Calls common to both FMI 2.0 libraries; returns false when the
    // operation number was not one of them.
    bool common2(int operation, const host::Fmi2Api& api, Slot (&slots)[instancesPerComponent]) {
        void* c = operation == 0 ? nullptr : target(slots);
        switch (operation) {
            case 0: instantiate2(api, slots); return true;
            case 1: {
                Slot& slot = pick(slots);
                const bool passNull = in.ConsumeIntegralInRange<int>(0, 7) == 0;
                api.fmi2FreeInstance(passNull ? nullptr : std::exchange(slot.c, nullptr));
                trace("fmi2FreeInstance(%s)", passNull ? "null" : "a slot");
                return true;
            }
            default: return shared2(operation, api, c);
        }
    }

    // The calls of common2 on an instance that exists or not (c), other than
    // creating and releasing one; the hostile logger makes these too.
    bool shared2(int operation, const host::Fmi2Api& api, void* c) {
        switch (operation) {
            case 2: {
                const std::size_t n = count(2);
                auto categories = array<fmi2String>(n, [&] { return text(10); });
                const int loggingOn = integer();
                const int status = api.fmi2SetDebugLogging(c, loggingOn, countFor(n, categories), categories.get());
                trace("fmi2SetDebugLogging(loggingOn %d)", loggingOn);
                checkStatus("fmi2SetDebugLogging", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2SetDebugLogging", status);
                return true;
            }
            case 3: {
                const int status = api.fmi2SetupExperiment(c, integer(), real(), real(), integer(), real());
                checkStatus("fmi2SetupExperiment", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2SetupExperiment", status);
                return true;
            }
            case 4: {
                const int status = api.fmi2EnterInitializationMode(c);
                checkStatus("fmi2EnterInitializationMode", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2EnterInitializationMode", status);
                return true;
            }
            case 5: checkStatus("fmi2ExitInitializationMode", api.fmi2ExitInitializationMode(c), fmi2Fatal); return true;
            case 6: {
                const int status = api.fmi2Terminate(c);
                checkStatus("fmi2Terminate", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2Terminate", status);
                return true;
            }
            case 7: {
                if (lentOut(c, lent.size(), anyString)) {
                    trace("fmi2Reset not made: it would release a block an unfinished call was passed");
                    return true;
                }
                const int status = api.fmi2Reset(c);
                checkStatus("fmi2Reset", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2Reset", status);
                return true;
            }
            case 8: getOrSet2<fmi2Real>("fmi2GetReal", api.fmi2GetReal, c, [] { return 0.0; }); return true;
            case 9: getOrSet2<const fmi2Real>("fmi2SetReal", api.fmi2SetReal, c, [&] { return real(); }); return true;
            case 10: getOrSet2<fmi2Integer>("fmi2GetInteger", api.fmi2GetInteger, c, [] { return 0; }); return true;
            case 11: getOrSet2<const fmi2Integer>("fmi2SetInteger", api.fmi2SetInteger, c, [&] { return integer(); }); return true;
            case 12: getOrSet2<fmi2Boolean>("fmi2GetBoolean", api.fmi2GetBoolean, c, [] { return 0; }); return true;
            case 13: getOrSet2<const fmi2Boolean>("fmi2SetBoolean", api.fmi2SetBoolean, c, [&] { return integer(); }); return true;
            case 14: stringCall2(api, c); return true;
            case 15: {
                if (std::strcmp(api.fmi2GetVersion(), "2.0") != 0) fail("fmi2GetVersion changed");
                if (std::strcmp(api.fmi2GetTypesPlatform(), "default") != 0) fail("fmi2GetTypesPlatform changed");
                return true;
            }
            case 16: optional2(api, c); return true;
            default: return false;
        }
    }

    // The optional functions, where a library variant exports them: each
    // must refuse without touching the host's arguments.
    void optional2(const host::Fmi2Api& api, void* c) {
        fmi2FMUstate state = nullptr;
        std::size_t size = 0;
        char buffer[16] = {};
        int status = fmi2OK;
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
            case 0: if (api.fmi2GetFMUstate) status = api.fmi2GetFMUstate(c, in.ConsumeBool() ? &state : nullptr); break;
            case 1: if (api.fmi2SetFMUstate) status = api.fmi2SetFMUstate(c, nullptr); break;
            case 2: if (api.fmi2FreeFMUstate) status = api.fmi2FreeFMUstate(c, in.ConsumeBool() ? &state : nullptr); break;
            case 3: if (api.fmi2SerializedFMUstateSize) status = api.fmi2SerializedFMUstateSize(c, nullptr, in.ConsumeBool() ? &size : nullptr); break;
            case 4: if (api.fmi2SerializeFMUstate) status = api.fmi2SerializeFMUstate(c, nullptr, buffer, sizeof buffer); break;
            case 5: if (api.fmi2DeSerializeFMUstate) status = api.fmi2DeSerializeFMUstate(c, buffer, sizeof buffer, in.ConsumeBool() ? &state : nullptr); break;
            default:
                if (api.fmi2GetDirectionalDerivative) {
                    const fmi2ValueReference refs[2] = {0, 1};
                    const fmi2Real known[2] = {1.0, 1.0};
                    fmi2Real unknown[2] = {0.0, 0.0};
                    status = api.fmi2GetDirectionalDerivative(c, refs, 2, refs, 2, known, unknown);
                }
                break;
        }
        checkStatus("an optional FMI 2.0 function", status, fmi2Fatal);
        if (state != nullptr || size != 0) fail("a refused optional function wrote to the host's arguments");
    }

    void modelExchange2(int operation) {
        const host::Fmi2Api& api = components().me;
        if (common2(operation, api, me)) return;
        void* c = target(me);
        int status = fmi2OK;
        const char* function = "";
        auto statesCall = [&](const char* name, fmi2Status (*call)(fmi2Component, fmi2Real[], size_t), std::size_t modelCount) {
            const std::size_t n = count(modelCount);
            auto values = output<fmi2Real>(n);
            function = name;
            status = call(c, values.get(), countFor(n, values));
        };
        switch (operation % 10) {
            case 0: function = "fmi2EnterEventMode"; status = api.fmi2EnterEventMode(c); break;
            case 1: {
                fmi2EventInfo info{};
                function = "fmi2NewDiscreteStates";
                status = api.fmi2NewDiscreteStates(c, in.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : &info);
                break;
            }
            case 2: function = "fmi2EnterContinuousTimeMode"; status = api.fmi2EnterContinuousTimeMode(c); break;
            case 3: {
                fmi2Boolean enter = 7, terminate = 7;
                function = "fmi2CompletedIntegratorStep";
                status = api.fmi2CompletedIntegratorStep(c, integer(), in.ConsumeBool() ? &enter : nullptr,
                                                         in.ConsumeBool() ? &terminate : nullptr);
                break;
            }
            case 4: {
                const double time = real();
                trace("fmi2SetTime(%g)", time);
                function = "fmi2SetTime";
                status = api.fmi2SetTime(c, time);
                break;
            }
            case 5: {
                const std::size_t n = count(2);
                auto values = array<fmi2Real>(n, [&] { return real(); });
                function = "fmi2SetContinuousStates";
                status = api.fmi2SetContinuousStates(c, values.get(), countFor(n, values));
                break;
            }
            case 6: statesCall("fmi2GetDerivatives", api.fmi2GetDerivatives, 2); break;
            case 7: statesCall("fmi2GetEventIndicators", api.fmi2GetEventIndicators, 1); break;
            case 8: statesCall("fmi2GetContinuousStates", api.fmi2GetContinuousStates, 2); break;
            default: statesCall("fmi2GetNominalsOfContinuousStates", api.fmi2GetNominalsOfContinuousStates, 2); break;
        }
        checkStatus(function, status, fmi2Fatal);
        const bool ignoresHandle = operation % 10 == 0 || operation % 10 == 2;
        if (c == nullptr && !ignoresHandle) checkFatal(function, status);
    }

    // A status kind as a host written in C may pass it: any int.
    int statusKind() { return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 3) : integer(); }

    void coSimulation2(int operation) {
        const host::Fmi2Api& api = components().cs;
        if (common2(operation, api, cs)) return;
        void* c = target(cs);
        switch (operation % 8) {
            case 0: {
                const double point = real(), size = real();
                const int noSetFmuStatePriorToCurrentPoint = integer();
                trace("fmi2DoStep(%g, %g, %d)", point, size, noSetFmuStatePriorToCurrentPoint);
                const int status = api.fmi2DoStep(c, point, size, noSetFmuStatePriorToCurrentPoint);
                checkStatus("fmi2DoStep", status, fmi2Fatal);
                if (c == nullptr) checkFatal("fmi2DoStep", status);
                break;
            }
            case 1: checkStatus("fmi2CancelStep", api.fmi2CancelStep(c), fmi2Fatal); break;
            case 2: {
                fmi2Status value = fmi2Pending;
                checkStatus("fmi2GetStatus", host::withIntEnum(api.fmi2GetStatus)(c, statusKind(), in.ConsumeBool() ? &value : nullptr), fmi2Fatal);
                checkStatus("fmi2GetStatus's value", value, fmi2Pending);
                break;
            }
            case 3: {
                fmi2Real value = 0.0;
                checkStatus("fmi2GetRealStatus", host::withIntEnum(api.fmi2GetRealStatus)(c, statusKind(), in.ConsumeBool() ? &value : nullptr), fmi2Fatal);
                break;
            }
            case 4: {
                fmi2Integer value = 0;
                checkStatus("fmi2GetIntegerStatus", host::withIntEnum(api.fmi2GetIntegerStatus)(c, statusKind(), in.ConsumeBool() ? &value : nullptr), fmi2Fatal);
                break;
            }
            case 5: {
                fmi2Boolean value = 0;
                checkStatus("fmi2GetBooleanStatus", host::withIntEnum(api.fmi2GetBooleanStatus)(c, statusKind(), in.ConsumeBool() ? &value : nullptr), fmi2Fatal);
                break;
            }
            case 6: {
                fmi2String value = nullptr;
                checkStatus("fmi2GetStringStatus", host::withIntEnum(api.fmi2GetStringStatus)(c, statusKind(), in.ConsumeBool() ? &value : nullptr), fmi2Fatal);
                if (value != nullptr && std::strlen(value) == 0) fail("fmi2GetStringStatus gave an empty text");
                break;
            }
            default: {
                const std::size_t n = count(6);
                auto refs = array<fmi2ValueReference>(n, [&] { return valueReference(); });
                auto orders = array<fmi2Integer>(n, [&] { return integer(); });
                int status;
                const char* function;
                if (in.ConsumeBool()) {
                    auto values = array<fmi2Real>(n, [&] { return in.ConsumeBool() ? 13.0 : real(); });
                    function = "fmi2SetRealInputDerivatives";
                    const std::size_t m = countFor(n, refs, orders, values);
                    status = api.fmi2SetRealInputDerivatives(c, refs.get(), m, orders.get(), values.get());
                } else {
                    auto values = output<fmi2Real>(n);
                    function = "fmi2GetRealOutputDerivatives";
                    const std::size_t m = countFor(n, refs, orders, values);
                    status = api.fmi2GetRealOutputDerivatives(c, refs.get(), m, orders.get(), values.get());
                    for (std::size_t i = 0; values && status == fmi2OK && i < n; ++i) {
                        if (values[i] != 13.0) fail("fmi2GetRealOutputDerivatives gave %g", values[i]);
                    }
                }
                checkStatus(function, status, fmi2Fatal);
                if (c == nullptr) checkFatal(function, status);
                break;
            }
        }
    }

    // ---- FMI 1.0 -----------------------------------------------------------

    void modelExchange1(int operation) {
        const host::Fmi1Api& api = components().fmi1;
        if (operation == 0) {
            Slot& slot = pick(fmi1);
            if (void* old = std::exchange(slot.c, nullptr)) api.fmiFreeModelInstance(old);
            checkMemory();
            fmiCallbackFunctions callbacks{fmi1Logger, allocate, release};
            const int variant = in.ConsumeIntegralInRange<int>(0, 9);
            if (variant == 1) callbacks.logger = nullptr;
            if (variant == 2) callbacks.allocateMemory = nullptr;
            if (variant == 3) callbacks.freeMemory = nullptr;
            slot.hostile = variant >= 7;
            const char* name = text(8);
            const char* guid = in.ConsumeBool() ? "123" : text(6);
            slot.expectedName = storedName(name);
            const auto loggingOn = static_cast<fmiBoolean>(integer());
            slot.c = api.fmiInstantiateModel(name, guid, callbacks, loggingOn);
            trace("fmiInstantiateModel(slot %d, variant %d%s, loggingOn %d) -> %p", int(&slot - fmi1), variant,
                  slot.hostile ? ", hostile logger" : "", loggingOn, slot.c);
            const bool guidMatches = guid != nullptr && std::strcmp(guid, "123") == 0;
            if (slot.c != nullptr && (variant == 2 || variant == 3 || !guidMatches)) {
                fail("fmiInstantiateModel accepted a null callback or the GUID \"%.20s\"", guid ? guid : "<null>");
            }
            return;
        }
        if (operation == 1) {
            Slot& slot = pick(fmi1);
            const bool passNull = in.ConsumeIntegralInRange<int>(0, 7) == 0;
            api.fmiFreeModelInstance(passNull ? nullptr : std::exchange(slot.c, nullptr));
            trace("fmiFreeModelInstance(%s)", passNull ? "null" : "a slot");
            return;
        }
        call1(operation, target(fmi1));
    }

    // The FMI 1.0 calls other than creating and releasing an instance, on an
    // instance that exists or not (c); the hostile logger makes these too.
    void call1(int operation, void* c) {
        const host::Fmi1Api& api = components().fmi1;
        int status = fmiOK;
        const char* function = "";
        auto realsCall = [&](const char* name, fmiStatus (*call)(fmiComponent, fmiReal[], size_t), std::size_t modelCount) {
            const std::size_t n = count(modelCount);
            auto values = output<fmiReal>(n);
            function = name;
            status = call(c, values.get(), countFor(n, values));
        };
        auto byReference = [&](const char* name, auto call, auto make) {
            const std::size_t n = count(4);
            auto refs = array<fmiValueReference>(n, [&] { return valueReference(); });
            auto values = array<decltype(make())>(n, make);
            function = name;
            status = call(c, refs.get(), countFor(n, refs, values), values.get());
        };
        switch (operation % 22) {
            case 2: {
                const auto loggingOn = static_cast<fmiBoolean>(integer());
                trace("fmiSetDebugLogging(loggingOn %d)", loggingOn);
                function = "fmiSetDebugLogging";
                status = api.fmiSetDebugLogging(c, loggingOn);
                break;
            }
            case 3: {
                fmiEventInfo info{};
                function = "fmiInitialize";
                status = api.fmiInitialize(c, static_cast<fmiBoolean>(integer()), real(), in.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : &info);
                break;
            }
            case 4: function = "fmiTerminate"; status = api.fmiTerminate(c); break;
            case 5: {
                const double time = real();
                trace("fmiSetTime(%g)", time);
                function = "fmiSetTime";
                status = api.fmiSetTime(c, time);
                break;
            }
            case 6: {
                const std::size_t n = count(2);
                auto values = array<fmiReal>(n, [&] { return real(); });
                function = "fmiSetContinuousStates";
                status = api.fmiSetContinuousStates(c, values.get(), countFor(n, values));
                break;
            }
            case 7: {
                fmiBoolean callEventUpdate = 7;
                function = "fmiCompletedIntegratorStep";
                status = api.fmiCompletedIntegratorStep(c, in.ConsumeBool() ? &callEventUpdate : nullptr);
                break;
            }
            case 8: byReference("fmiSetReal", api.fmiSetReal, [&] { return real(); }); break;
            case 9: byReference("fmiSetInteger", api.fmiSetInteger, [&] { return integer(); }); break;
            case 10: byReference("fmiSetBoolean", api.fmiSetBoolean, [&] { return static_cast<fmiBoolean>(integer()); }); break;
            case 11: {
                const std::size_t n = count(4);
                auto refs = array<fmiValueReference>(n, [&] { return valueReference(); });
                setStrings("fmiSetString", "fmiGetString", api.fmiSetString, api.fmiGetString, c, n, refs.get());
                return;
            }
            case 12: realsCall("fmiGetDerivatives", api.fmiGetDerivatives, 2); break;
            case 13: realsCall("fmiGetEventIndicators", api.fmiGetEventIndicators, 1); break;
            case 14: byReference("fmiGetReal", api.fmiGetReal, [] { return 0.0; }); break;
            case 15: byReference("fmiGetInteger", api.fmiGetInteger, [] { return 0; }); break;
            case 16: byReference("fmiGetBoolean", api.fmiGetBoolean, [] { return fmiBoolean{0}; }); break;
            case 17: {
                const std::size_t n = count(4);
                auto refs = array<fmiValueReference>(n, [&] { return valueReference(); });
                auto values = output<fmiString>(n);
                function = "fmiGetString";
                const std::size_t m = countFor(n, refs, values);
                if (tracing) trace("fmiGetString(%s%s)", describeRefs(refs.get(), m).c_str(), values ? "" : ", null values");
                status = api.fmiGetString(c, refs.get(), m, values.get());
                for (std::size_t i = 0; values && status == fmiOK && i < n; ++i) {
                    if (values[i] != nullptr && !host.owns(values[i])) fail("fmiGetString gave a block the host never allocated");
                }
                break;
            }
            case 18: {
                fmiEventInfo info{};
                function = "fmiEventUpdate";
                status = api.fmiEventUpdate(c, static_cast<fmiBoolean>(integer()), in.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : &info);
                break;
            }
            case 19: realsCall("fmiGetContinuousStates", api.fmiGetContinuousStates, 2); break;
            case 20: realsCall("fmiGetNominalContinuousStates", api.fmiGetNominalContinuousStates, 2); break;
            default: {
                const std::size_t n = count(2);
                auto values = output<fmiValueReference>(n);
                function = "fmiGetStateValueReferences";
                status = api.fmiGetStateValueReferences(c, values.get(), countFor(n, values));
                if (std::strcmp(api.fmiGetVersion(), "1.0") != 0) fail("fmiGetVersion changed");
                if (std::strcmp(api.fmiGetModelTypesPlatform(), "standard32") != 0) fail("fmiGetModelTypesPlatform changed");
                break;
            }
        }
        checkStatus(function, status, fmiFatal);
        if (c == nullptr) checkFatal(function, status);
    }

    // ---- the sequence --------------------------------------------------------

    void run() {
        for (int calls = 0; calls < 400 && in.remaining_bytes() > 0; ++calls) {
            texts.clear();
            const int choice = in.ConsumeIntegralInRange<int>(0, 255);
            if (tracing) std::fprintf(stderr, "call %d: %s\n", calls, choice < 100 ? "pellidor" : choice < 190 ? "corvane" : choice < 250 ? "tressivo" : "host");
            if (choice < 100) {
                modelExchange2(choice % 27);
            } else if (choice < 190) {
                coSimulation2((choice - 100) % 25);
            } else if (choice < 250) {
                modelExchange1(choice - 190);
            } else {
                failSoon();
            }
            checkMemory();
        }
        texts.clear();
        for (Slot& slot : me) components().me.fmi2FreeInstance(std::exchange(slot.c, nullptr));
        for (Slot& slot : cs) components().cs.fmi2FreeInstance(std::exchange(slot.c, nullptr));
        for (Slot& slot : fmi1) components().fmi1.fmiFreeModelInstance(std::exchange(slot.c, nullptr));
        checkMemory();
        if (host.liveBlocks() != 0) fail("%zu blocks were never freed", host.liveBlocks());
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Components& loaded = components();
    for (const host::Library* library : {&loaded.pellidor, &loaded.corvane, &loaded.tressivo}) {
        if (!library->loaded()) fail("cannot load a component: %s", library->error().c_str());
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Session session(in);
    session.run();
    return 0;
}
