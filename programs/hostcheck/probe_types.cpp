// The value-types probe ("types"), for FMI 3.0 runs: every boolean the host
// passes to fmi3SetBoolean is one byte, 0 or 1 (a host built for FMI 2.0's
// four-byte booleans passes other bytes); every getter and setter counts
// nValues in elements, so the array samples (three elements) takes three
// values for its one reference; binaries come with a size for each value.
// Not reached when the host never touches a boolean, the array or the binary.
#include <iterator>

#include "judging.h"

namespace hostcheck {
namespace {

namespace ev = expected::varnelle;

// The elements a value reference stands for: varnelle's array samples has
// three, every other variable one.
std::size_t elementsOf(const std::string& valueReference) {
    return valueReference == std::to_string(ev::samplesRef) ? std::size(ev::startSamples) : 1;
}

bool touchesTheTypes(const Call& call) {
    if (call.role == Role::getBoolean || call.role == Role::setBoolean || call.role == Role::getBinary ||
        call.role == Role::setBinary) {
        return true;
    }
    const std::string* references = call.arguments.find("valueReferences");
    return references != nullptr && references->find(std::to_string(ev::samplesRef)) != std::string::npos;
}

// The first fault of one getter or setter, or nullopt.
std::optional<std::string> typeFault(const Call& call) {
    if (call.role == Role::setBoolean) {
        const std::string* values = call.arguments.find("values");
        for (const std::string& byte : values ? recordedList(*values) : std::vector<std::string>{}) {
            if (byte != "0" && byte != "1" && byte != "...") {
                return call.text() + " passed the bytes " + *values + ": an fmi3Boolean is one byte, 0 or 1";
            }
        }
    }
    const std::string* references = call.arguments.find("valueReferences");
    const auto nValues = call.numericArgument("nValues");
    if (references == nullptr || !nValues) return std::nullopt;
    const std::vector<std::string> listed = recordedList(*references);
    if (!listed.empty() && listed.back() == "...") return std::nullopt;  // cut in the record: not counted
    std::size_t elements = 0;
    for (const std::string& reference : listed) elements += elementsOf(reference);
    if (*nValues != static_cast<double>(elements)) {
        return call.text() + ": nValues counts the values' elements, " + std::to_string(elements) + " here";
    }
    if (call.role == Role::setBinary) {
        const std::string* sizes = call.arguments.find("valueSizes");
        if (sizes == nullptr || *sizes == "null") return call.text() + ": no size for the binary values";
    }
    return std::nullopt;
}

Finding judged(const Run& run) {
    const CallRecord& record = *run.record;
    std::size_t touched = 0;
    for (const Call& call : record.calls) {
        if (call.version != FmiVersion::fmi3 || !(isValueGetter(call.role) || isValueSetter(call.role))) continue;
        if (const auto fault = typeFault(call)) return {Verdict::fail, runWho(run), *fault};
        touched += touchesTheTypes(call) ? 1 : 0;
    }
    if (touched == 0) {
        return {Verdict::notReached, runWho(run),
                "the host never set or read a boolean, the array samples or the binary; the run " + run.end->where};
    }
    return {Verdict::pass, runWho(run),
            std::to_string(touched) + " calls on booleans, the array or the binary: one-byte booleans, nValues "
                                      "counting elements"};
}

Finding unseen(const Run& run) { return {Verdict::notReached, runWho(run), "the values passed cannot be seen", true}; }

}  // namespace

ProbeResult judgeValueTypes(const Probe& probe, RunSource& runs, const Settings&) {
    ProbeResult result = judgeEachRun(probe, runs, judged, unseen);
    result.fix = "Pass fmi3Boolean values as one byte each (0 or 1), count nValues in elements (an array's reference "
                 "stands for all its elements), and give each binary value its size.";
    return result;
}

}  // namespace hostcheck
