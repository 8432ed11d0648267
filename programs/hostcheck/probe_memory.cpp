// The memory probe ("memory"): the memory the host hands the component. allocateMemory must
// return zeroed memory, as calloc does (the recording build checks the bytes
// when the block arrives, before the component writes to it), blocks alive
// at the same time must not overlap, and an instantiation needs both
// callbacks.
#include <algorithm>
#include <map>

#include "calling_sequence.h"
#include "format.h"
#include "judging.h"

namespace hostcheck {
namespace {

struct Block {
    unsigned long long start = 0, bytes = 0;
    std::size_t line = 0;
};

unsigned long long address(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 16); }

std::string where(const CallRecord& record, const Event& event) {
    return event.call == Event::npos ? "" : " in " + record.calls[event.call].text();
}

std::optional<std::string> missingCallback(const CallRecord& record) {
    for (const Call& call : record.calls) {
        if (call.role != Role::instantiate) continue;
        for (const char* callback : {"allocateMemory", "freeMemory"}) {
            const std::string* given = call.arguments.find(callback);
            if (given != nullptr && *given == "null") {
                return call.name + " was given no " + callback + " (null): the component cannot be instantiated";
            }
        }
    }
    return std::nullopt;
}

// The first block that arrived with a non-zero byte or overlapping a live
// one; counts the blocks seen.
std::optional<std::string> badBlock(const CallRecord& record, std::size_t& blocks) {
    std::map<unsigned long long, Block> live;  // by start
    for (const Event& event : record.events) {
        const std::string* block = event.fields.find("block");
        if (block == nullptr || *block == "null") continue;
        if (event.kind == Event::Kind::free) {
            live.erase(address(*block));
            continue;
        }
        if (event.kind != Event::Kind::alloc) continue;
        ++blocks;
        const auto count = recordedNumber(*event.fields.find("count")).value_or(0);
        const auto size = recordedNumber(*event.fields.find("size")).value_or(0);
        const std::string request = "allocateMemory(" + shortest(count) + ", " + shortest(size) + ")" + where(record, event);
        const std::string* zeroed = event.fields.find("zeroed");
        if (zeroed != nullptr && *zeroed == "0") {
            return request + " returned a block with a non-zero byte: allocateMemory must return zeroed memory: use calloc";
        }
        const Block fresh{address(*block), static_cast<unsigned long long>(count * size), event.line};
        for (const auto& [start, other] : live) {
            if (start < fresh.start + fresh.bytes && fresh.start < start + other.bytes) {
                return request + " returned " + *block + ", which overlaps a block still in use (record line " +
                       std::to_string(other.line) + ")";
            }
        }
        live[fresh.start] = fresh;
    }
    return std::nullopt;
}

bool takesMemoryCallbacks(const CallRecord& record) {
    return std::none_of(record.calls.begin(), record.calls.end(),
                        [](const Call& call) { return call.version == FmiVersion::fmi3; });
}

Finding judged(const Run& run) {
    const CallRecord& record = *run.record;
    if (!takesMemoryCallbacks(record)) {
        return {Verdict::notReached, runWho(run), "FMI 3.0 hands a component no memory callbacks"};
    }
    if (const auto missing = missingCallback(record)) return {Verdict::fail, runWho(run), *missing};
    std::size_t blocks = 0;
    if (const auto bad = badBlock(record, blocks)) return {Verdict::fail, runWho(run), *bad};
    if (blocks == 0) return {Verdict::notReached, runWho(run), "no block asked for; the run " + run.end->where};
    return {Verdict::pass, runWho(run), "every block zeroed, none overlapping another in use"};
}

Finding unseen(const Run& run) { return {Verdict::notReached, runWho(run), "the blocks cannot be seen", true}; }

}  // namespace

ProbeResult judgeMemory(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, unseen);
    result.fix = "Pass allocateMemory and freeMemory at instantiation; allocateMemory must return zeroed memory "
                 "(use calloc), a block of its own for each request.";
    return result;
}

}  // namespace hostcheck
