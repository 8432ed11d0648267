#include "hostile_host.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "fmi1_operations.h"
#include "fmi2_operations.h"
#include "model_expectations.h"

namespace fuzz {

namespace {

// Nested calls a hostile logger makes at most, one inside the other.
constexpr int maxReentryDepth = 3;

// What a re-entry operation calls on each version's instance; an FMI 1.0
// instance has no reset.
struct CallBack {
    ReentryOperation operation;
    Fmi2Operation fmi2;
    std::optional<Fmi1Operation> fmi1;
};
constexpr CallBack callBacks[] = {
    {ReentryOperation::SetDebugLogging, Fmi2Operation::SetDebugLogging, Fmi1Operation::SetDebugLogging},
    {ReentryOperation::Reset, Fmi2Operation::Reset, std::nullopt},
    {ReentryOperation::GetReal, Fmi2Operation::GetReal, Fmi1Operation::GetReal},
    {ReentryOperation::SetReal, Fmi2Operation::SetReal, Fmi1Operation::SetReal},
    {ReentryOperation::GetInteger, Fmi2Operation::GetInteger, Fmi1Operation::GetInteger},
    {ReentryOperation::SetInteger, Fmi2Operation::SetInteger, Fmi1Operation::SetInteger},
    {ReentryOperation::GetBoolean, Fmi2Operation::GetBoolean, Fmi1Operation::GetBoolean},
    {ReentryOperation::SetBoolean, Fmi2Operation::SetBoolean, Fmi1Operation::SetBoolean},
    {ReentryOperation::GetString, Fmi2Operation::GetString, Fmi1Operation::GetString},
    {ReentryOperation::SetString, Fmi2Operation::SetString, Fmi1Operation::SetString},
};

const CallBack* callBackOf(ReentryOperation operation) {
    for (const CallBack& call : callBacks) {
        if (call.operation == operation) return &call;
    }
    return nullptr;
}

std::optional<HostOperation> hostOperationOf(ReentryOperation operation) {
    switch (operation) {
        case ReentryOperation::FailOneAllocation: return HostOperation::FailOneAllocation;
        case ReentryOperation::FailAllocationsFrom: return HostOperation::FailAllocationsFrom;
        case ReentryOperation::StopFailingAllocations: return HostOperation::StopFailingAllocations;
        default: return std::nullopt;
    }
}

// The hostile logger's answer, read from the input: nothing, a host
// operation, or one nested call on the instance the message came from.
void reenter(Session& s, Slot& slot) {
    if (slot.c == nullptr || s.trace.depth >= maxReentryDepth) return;
    const auto operation = ReentryOperation(reentryOf(s.in.byte()));
    if (const auto host = hostOperationOf(operation)) {
        runHostOperation(s, *host);
        return;
    }
    const Driven owner = s.ownerOf(slot);
    const CallBack* call = callBackOf(operation);
    if (call == nullptr || (owner == Driven::Tressivo && !call->fmi1)) return;
    s.trace("the logger calls back:");
    ++s.trace.depth;
    if (owner == Driven::Tressivo) {
        callFmi1(s, *call->fmi1, slot.c);
    } else {
        callFmi2(s, owner, call->fmi2, slot.c);
    }
    --s.trace.depth;
}

// The message is formatted and checked before anything else: a hostile
// logger reads its arguments while they are certainly valid, then may call
// the instance back.
void received(Session& s, Slot& slot) {
    const host::LogEntry& entry = s.host.log.back();
    if (entry.unformattable) fail("a log message does not format");
    if (tracing()) {
        s.trace("logger: status %d, %s, \"%s\"", entry.status, entry.category.c_str(),
                printable(entry.text.c_str(), 90).c_str());
    }
    s.host.log.clear();
    if (slot.hostile) reenter(s, slot);
}

void fmi2Logger(fmi2ComponentEnvironment environment, fmi2String instanceName, fmi2Status status,
                fmi2String category, fmi2String message, ...) {
    Session& s = currentSession();
    Slot* slot = s.slotOfEnvironment(environment);
    if (slot == nullptr) fail("FMI 2.0 logger called with a componentEnvironment the host never gave");
    checkLogCall(slot->expectedName, instanceName, status, category, message, fmi2Fatal);
    va_list args;
    va_start(args, message);
    s.host.record(environment, instanceName, status, category, message, args);
    va_end(args);
    received(s, *slot);
}

void fmi1Logger(fmiComponent c, fmiString instanceName, fmiStatus status, fmiString category, fmiString message,
                ...) {
    Session& s = currentSession();
    Slot* slot = s.slotOfInstance(c);
    if (slot == nullptr) fail("FMI 1.0 logger called with a first argument that is not a live instance");
    checkLogCall(slot->expectedName, instanceName, status, category, message, fmiFatal);
    va_list args;
    va_start(args, message);
    s.host.record(c, instanceName, status, category, message, args);
    va_end(args);
    received(s, *slot);
}

void* allocate(std::size_t count, std::size_t size) {
    Session& s = currentSession();
    void* block = s.host.allocate(count, size);
    if (block == nullptr) s.trace("allocation %zu fails", s.host.allocationCount);
    return block;
}

// A block the host does not hold is a double free or a foreign pointer.
// AddressSanitizer names which, with the stacks of the allocation and of
// both frees, when it sees the free itself; without it the fuzzer stops
// here. Either way the fault shows up inside the call that made it.
void release(void* block) {
    Session& s = currentSession();
    if (block != nullptr && !s.host.owns(block)) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
        std::free(block);
#endif
#endif
        fail("freeMemory(%p): not a live block of this host (double free or foreign pointer)", block);
    }
    s.host.release(block);
}

template <typename Callbacks>
Callbacks withNulls(Callbacks callbacks, CallbackVariant variant) {
    if (variant.nullLogger()) callbacks.logger = nullptr;
    if (variant.nullAllocator()) callbacks.allocateMemory = nullptr;
    if (variant.nullFree()) callbacks.freeMemory = nullptr;
    return callbacks;
}

}  // namespace

CallbackVariant chooseCallbacks(Input& in) { return {in.inRange<int>(0, 9)}; }

fmi2CallbackFunctions fmi2Callbacks(Slot& slot, CallbackVariant variant) {
    return withNulls(fmi2CallbackFunctions{fmi2Logger, allocate, release, nullptr, &slot}, variant);
}

fmiCallbackFunctions fmi1Callbacks(CallbackVariant variant) {
    return withNulls(fmiCallbackFunctions{fmi1Logger, allocate, release}, variant);
}

std::string expectedName(const char* name) {
    if (name == nullptr) return "";
    return std::string(name, strnlen(name, expected::longestInstanceName));
}

bool runHostOperation(Session& s, HostOperation operation) {
    const auto failing = [&] { return s.host.allocationCount + s.in.inRange<std::size_t>(1, 4); };
    switch (operation) {
        case HostOperation::FailOneAllocation: {
            const std::size_t n = failing();
            s.host.failAllocation(n);
            s.trace("allocation %zu will fail", n);
            return true;
        }
        case HostOperation::FailAllocationsFrom: {
            const std::size_t n = failing();
            s.host.failAllocationsFrom(n);
            s.trace("allocations from %zu on will fail", n);
            return true;
        }
        case HostOperation::StopFailingAllocations:
            s.host.stopFailing();
            s.trace("allocations succeed again");
            return true;
        case HostOperation::Varnelle: return false;  // a step of its own (fmi3_operations.cpp)
    }
    return false;
}

}  // namespace fuzz
