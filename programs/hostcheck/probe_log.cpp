// Probe 6: the messages the component sent (from the record: status,
// category, text formatted with its arguments), set one by one against what
// the host showed. A host shows each as sent or with its variable references
// "#r0#" replaced by names and "##" by "#"; references that name no variable
// stay as sent.
#include <algorithm>
#include <cctype>
#include <regex>

#include "model_expectations.h"
#include "probe_judges.h"

namespace hostcheck {
namespace {

struct Message {
    std::string category, status, text;
};

// The text with every reference that names a variable replaced by its name
// and "##" by "#"; resolved tells whether a variable reference was replaced.
std::string expanded(const std::string& text, const expected::Component& component, bool& resolved) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "##") == 0) {
            out += '#';
            i += 2;
            continue;
        }
        const std::size_t close = text.find('#', i + 1);
        if (text[i] == '#' && close != std::string::npos && close > i + 2 &&
            std::isdigit(static_cast<unsigned char>(text[i + 2]))) {
            const std::string digits = text.substr(i + 2, close - i - 2);
            const bool allDigits = digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 9;
            const std::string name =
                allDigits ? expected::variableName(component, text[i + 1], std::stol(digits)) : "";
            if (!name.empty()) {
                out += name;
                resolved = true;
                i = close + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// The messages in the record, each once, in the order first sent.
std::vector<Message> sentMessages(const Record& record) {
    std::vector<Message> messages;
    for (const Event& event : record.events) {
        if (event.kind != Event::Kind::log) continue;
        auto field = [&](const char* key) {
            const std::string* value = event.fields.find(key);
            return value ? recordedText(*value).value_or(*value) : std::string();
        };
        Message m{field("category"), event.fields.find("status") ? *event.fields.find("status") : "", field("message")};
        bool known = false;
        for (const Message& seen : messages) known = known || (seen.text == m.text && seen.category == m.category);
        if (!known) messages.push_back(m);
    }
    return messages;
}

// What the component sends at initialisation with logging on: the messages
// judged when the FMUs keep no record.
std::vector<Message> catalogueMessages(const expected::Component& component) {
    std::vector<Message> messages{{"INFO", "OK", "###### Initializing component ######"},
                                  {"INFO", "OK", "Init #r0#=1"},
                                  {"INFO", "OK", "Init #r1#=4"},
                                  {"INFO", "OK", "Init #r2#=-9.81"},
                                  {"INFO", "OK", "Init #r3#=0.5"}};
    // The FMI 1.0 component also sends four malformed references.
    if (component.standardVersion == 1) {
        for (const char* bad : {"#r-1#", "#r1", "#t1#", "#r10#"}) {
            messages.push_back({"ERROR", "OK", std::string("Bad reference: ") + bad});
        }
    }
    return messages;
}

std::string lineAround(const std::string& text, std::size_t position) {
    const std::size_t start = text.rfind('\n', position);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    std::string line = text.substr(from, text.find('\n', position) - from);
    return line.size() > 120 ? line.substr(0, 117) + "..." : line;
}

// A printf conversion in the output that no message contains: a host that
// showed the format without its arguments.
std::optional<std::string> rawFormat(const std::string& shown, const std::vector<Message>& messages) {
    const std::regex conversion("%[0-9.]*[dgsfu]");
    for (std::sregex_iterator it(shown.begin(), shown.end(), conversion), end; it != end; ++it) {
        bool sent = false;
        for (const Message& m : messages) sent = sent || m.text.find(it->str()) != std::string::npos;
        if (!sent) return lineAround(shown, static_cast<std::size_t>(it->position()));
    }
    return std::nullopt;
}

std::string quoted(const Message& m) { return "'" + m.text + "' (" + m.category + ")"; }

// Each message shown as sent, expanded, or not at all; the verdict from
// them. rawFormatSeen is set when the host printed a format without its
// arguments.
Finding verdictOnMessages(const Run& run, const std::vector<Message>& messages, bool& rawFormatSeen) {
    const std::string& shown = run.shown;
    const expected::Component& component = componentOf(run.request);
    if (const auto format = rawFormat(shown, messages)) {
        rawFormatSeen = true;
        return {Verdict::fail, run.name, "a format printed without its arguments: '" + *format + "'"};
    }
    std::vector<const Message*> lost, unexpanded;
    std::vector<std::string> shownCategories;
    std::size_t expandedCount = 0, malformedCount = 0;
    for (const Message& m : messages) {
        bool resolved = false;
        const std::string expandedText = expanded(m.text, component, resolved);
        const bool asSent = shown.find(m.text) != std::string::npos;
        const bool asExpanded = shown.find(expandedText) != std::string::npos;
        if (!asSent && !asExpanded) {
            lost.push_back(&m);
            continue;
        }
        shownCategories.push_back(m.category);
        if (resolved && asExpanded) ++expandedCount;
        if (!resolved && std::regex_search(m.text, std::regex("#[a-z]"))) ++malformedCount;
        if (resolved && !asExpanded) unexpanded.push_back(&m);
    }
    const std::string sent = std::to_string(messages.size()) + " message" + (messages.size() == 1 ? "" : "s") + " sent";
    // A host killed or crashed loses what it had not yet written out.
    if (!lost.empty() && (run.outcome.crashed() || run.outcome.hung())) {
        return {Verdict::notReached, run.name, sent + "; " + std::to_string(lost.size()) +
                                                   " not in the output of a run that was " +
                                                   (run.outcome.crashed() ? "killed by a crash" : "killed") +
                                                   ", which may have lost them"};
    }
    if (lost.size() == messages.size()) {
        return {Verdict::note, run.name, sent + ", none in the host's output: is its logging fully on in the template?"};
    }
    // A host may show some categories only; a message lost from a category
    // it shows is a message lost.
    std::string lostText, filtered;
    for (const Message* m : lost) {
        const bool categoryShown =
            std::find(shownCategories.begin(), shownCategories.end(), m->category) != shownCategories.end();
        if (categoryShown) lostText += (lostText.empty() ? "" : ", ") + quoted(*m);
        else if (filtered.find(m->category) == std::string::npos) filtered += (filtered.empty() ? "" : ", ") + m->category;
    }
    if (!lostText.empty()) return {Verdict::fail, run.name, sent + "; lost or mangled: " + lostText};
    const std::string categories = filtered.empty() ? "" : "; no message of category " + filtered + " shown";
    if (!unexpanded.empty()) {
        return {Verdict::note, run.name, sent + ", references not expanded: " + quoted(*unexpanded.front()) +
                                             " shown as sent" + categories};
    }
    if (!filtered.empty()) return {Verdict::note, run.name, sent + categories + ": is the host's logging fully on?"};
    return {Verdict::pass, run.name, sent + ", every one shown" + (expandedCount ? ", references expanded" : "") +
                                         (malformedCount ? ", malformed ones as sent" : "")};
}

bool loggingSwitchedOff(const Record& record) {
    for (const Call& call : record.calls) {
        const std::string* on = call.arguments.find("loggingOn");
        if (on && *on == "0") return true;
    }
    return false;
}

Finding judged(const Probe& probe, const Run& run, bool& rawFormatSeen) {
    const Record& record = *run.record;
    const RunEnd& end = *run.end;
    if (end.subject == probe.subject) return {Verdict::fail, run.name, end.where + " (" + exitText(run.outcome) + ")"};
    const std::vector<Message> messages = sentMessages(record);
    if (messages.empty()) {
        if (loggingSwitchedOff(record)) {
            return {Verdict::notReached, run.name, "the component sent no message: the host passed loggingOn=0 "
                                                   "(switch its logging on in the template)"};
        }
        return {Verdict::notReached, run.name, "the component sent no message; the run " + end.where};
    }
    return verdictOnMessages(run, messages, rawFormatSeen);
}

Finding fromTheOutside(const Run& run, bool& rawFormatSeen) {
    if (run.outcome.crashed()) return {Verdict::fail, run.name, "crashed, " + exitText(run.outcome), true};
    Finding finding = verdictOnMessages(run, catalogueMessages(componentOf(run.request)), rawFormatSeen);
    finding.outside = true;
    return finding;
}

}  // namespace

ProbeResult judgeLogMessages(const Probe& probe, Runs& runs, const Settings&) {
    bool rawFormat = false;
    ProbeResult result = judgeEachRun(
        probe, runs, [&](const Run& run) { return judged(probe, run, rawFormat); },
        [&](const Run& run) { return fromTheOutside(run, rawFormat); });
    result.fix = rawFormat ? "Format each log message with its arguments (vsnprintf with the format and the "
                             "variadic arguments) before showing it, never the format alone."
                           : "Show every log message, replacing only references #<type><vr># that name a variable "
                             "and leaving malformed ones exactly as sent.";
    return result;
}

}  // namespace hostcheck
