// The log probe ("log"): the messages the component sent (from the record: status,
// category, text formatted with its arguments), set one by one against what
// the host showed. A host shows each as sent or with its variable references
// replaced by names and "##" by "#"; references that name no variable stay
// as sent. FMI 1.0 and 2.0 write a reference "#r0#" (type letter, value
// reference), FMI 3.0 "#1#"; FMI 3.0 messages are finished text, which a
// host that uses them as a printf format mangles.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>
#include <utility>

#include "model_expectations.h"
#include "judging.h"

namespace hostcheck {
namespace {

struct Message {
    std::string category, status, text;
};

// A message as an expanding host shows it.
struct Expansion {
    std::string text;
    bool resolved = false;   // a variable reference was replaced by its name
    bool malformed = false;  // a '#' is left that starts no reference to a variable
};

// The reference starting at text[at], a '#': where it closes and the name of
// the variable it names; nullopt when it names none.
std::optional<std::pair<std::size_t, std::string>> reference(const std::string& text, std::size_t at,
                                                             const expected::Component& component) {
    const bool typed = component.standardVersion < 3;
    const std::size_t digits = at + (typed ? 2 : 1);
    const std::size_t close = text.find('#', at + 1);
    if (close == std::string::npos || close <= digits || close - digits > 8) return std::nullopt;
    const std::string number = text.substr(digits, close - digits);
    if (number.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const long valueReference = std::stol(number);
    const std::string name = typed ? expected::variableName(component, text[at + 1], valueReference)
                                   : expected::varnelle::variableName(valueReference);
    if (name.empty()) return std::nullopt;
    return std::pair{close, name};
}

Expansion expanded(const std::string& text, const expected::Component& component) {
    Expansion out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "##") == 0) {
            out.text += '#';
            i += 2;
            continue;
        }
        if (text[i] == '#') {
            if (const auto named = reference(text, i, component)) {
                out.text += named->second;
                out.resolved = true;
                i = named->first + 1;
                continue;
            }
            out.malformed = true;
        }
        out.text += text[i++];
    }
    return out;
}

// The messages in the record, each once, in the order first sent.
std::vector<Message> sentMessages(const CallRecord& record) {
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
// judged when the FMUs keep no record. The start values with references to
// them, then what each version adds for a logger to leave as it is.
std::vector<Message> catalogueMessages(const expected::Component& component) {
    namespace v3 = expected::varnelle;
    const bool fmi3 = component.standardVersion == 3;
    std::vector<Message> messages;
    if (!fmi3) messages.push_back({"INFO", "OK", "###### Initializing component ######"});
    const std::pair<unsigned, double> starts[] = {
        {fmi3 ? v3::heightRef : expected::heightRef, expected::startHeight},
        {fmi3 ? v3::velocityRef : expected::velocityRef, expected::startVelocity},
        {fmi3 ? v3::gravityRef : expected::gravityRef, expected::startGravity},
        {fmi3 ? v3::restitutionRef : expected::restitutionRef, expected::startRestitution}};
    for (const auto& [valueReference, value] : starts) {
        char text[64];
        std::snprintf(text, sizeof text, fmi3 ? "Init #%u#=%g" : "Init #r%u#=%g", valueReference, value);
        messages.push_back({"INFO", "OK", text});
    }
    // The FMI 1.0 component also sends four malformed references.
    if (component.standardVersion == 1) {
        for (const char* bad : {"#r-1#", "#r1", "#t1#", "#r10#"}) {
            messages.push_back({"ERROR", "OK", std::string("Bad reference: ") + bad});
        }
    }
    if (fmi3) {
        for (const char* text : {"Unknown reference #99#, sent as it is", "Negative reference #-1#, sent as it is",
                                 "Unterminated reference #1, sent as it is", "An escaped ## stands for one hash sign",
                                 "Restitution keeps 50% of the speed; %s, %d and %n are plain text here"}) {
            messages.push_back({"INFO", "OK", text});
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

// Where the output shows a message that holds a '%' as printf shows it when
// given the message as its format: the text before the '%' shown, what
// follows it not. nullopt for a message without one, or not shown so.
std::optional<std::string> shownAsFormat(const std::string& shown, const Message& m) {
    const std::size_t percent = m.text.find('%');
    if (percent == std::string::npos || percent == 0) return std::nullopt;
    const std::string before = m.text.substr(0, percent);
    for (std::size_t at = shown.find(before); at != std::string::npos; at = shown.find(before, at + 1)) {
        if (shown.compare(at, m.text.size(), m.text) != 0) return lineAround(shown, at);
    }
    return std::nullopt;
}

// How the host's output went wrong beyond losing messages: each needs its
// own fix.
enum class FormatFault { none, formatWithoutArguments, finishedTextAsFormat };

// The messages set against the output: those lost, those whose references
// the host did not expand, the categories it shows.
struct Tally {
    std::vector<const Message*> lost, unexpanded;
    std::vector<std::string> shownCategories;
    std::size_t expandedCount = 0, malformedCount = 0;
};

Tally tally(const std::string& shown, const std::vector<Message>& messages, const expected::Component& component) {
    Tally t;
    for (const Message& m : messages) {
        const Expansion expansion = expanded(m.text, component);
        const bool asSent = shown.find(m.text) != std::string::npos;
        const bool asExpanded = shown.find(expansion.text) != std::string::npos;
        if (!asSent && !asExpanded) {
            t.lost.push_back(&m);
            continue;
        }
        t.shownCategories.push_back(m.category);
        if (expansion.resolved && asExpanded) ++t.expandedCount;
        if (expansion.malformed) ++t.malformedCount;
        if (expansion.resolved && !asExpanded) t.unexpanded.push_back(&m);
    }
    return t;
}

// The verdict on messages some of which the output lacks: lost from a
// category the host shows (fail), or from one it filters (note).
Finding verdictOnLost(const Run& run, const Tally& t, const std::string& sent) {
    // A host may show some categories only; a message lost from a category
    // it shows is a message lost.
    std::string lostText, filtered;
    for (const Message* m : t.lost) {
        const bool categoryShown =
            std::find(t.shownCategories.begin(), t.shownCategories.end(), m->category) != t.shownCategories.end();
        if (categoryShown) lostText += (lostText.empty() ? "" : ", ") + quoted(*m);
        else if (filtered.find(m->category) == std::string::npos) filtered += (filtered.empty() ? "" : ", ") + m->category;
    }
    if (!lostText.empty()) return {Verdict::fail, run.name, sent + "; lost or mangled: " + lostText};
    const std::string categories = filtered.empty() ? "" : "; no message of category " + filtered + " shown";
    if (!t.unexpanded.empty()) {
        return {Verdict::note, run.name, sent + ", references not expanded: " + quoted(*t.unexpanded.front()) +
                                             " shown as sent" + categories};
    }
    if (!filtered.empty()) return {Verdict::note, run.name, sent + categories + ": is the host's logging fully on?"};
    return {Verdict::pass, run.name, sent + ", every one shown" + (t.expandedCount ? ", references expanded" : "") +
                                         (t.malformedCount ? ", malformed ones as sent" : "")};
}

// Each message shown as sent, expanded, or not at all; the verdict from
// them. fault says when the host printed a format without its arguments or
// a finished message as a format.
Finding verdictOnMessages(const Run& run, const std::vector<Message>& messages, FormatFault& fault) {
    const std::string& shown = run.shown;
    if (const auto format = rawFormat(shown, messages)) {
        fault = FormatFault::formatWithoutArguments;
        return {Verdict::fail, run.name, "a format printed without its arguments: '" + *format + "'"};
    }
    const Tally t = tally(shown, messages, componentOf(run.request));
    const std::string sent = std::to_string(messages.size()) + " message" + (messages.size() == 1 ? "" : "s") + " sent";
    for (const Message* m : t.lost) {
        if (const auto line = shownAsFormat(shown, *m)) {
            fault = FormatFault::finishedTextAsFormat;
            return {Verdict::fail, run.name, sent + "; " + quoted(*m) + " shown as printf shows it given as a format: '" +
                                                 *line + "'"};
        }
    }
    // A host killed or crashed loses what it had not yet written out.
    if (!t.lost.empty() && (run.outcome.crashed() || run.outcome.hung())) {
        return {Verdict::notReached, run.name, sent + "; " + std::to_string(t.lost.size()) +
                                                   " not in the output of a run that was " +
                                                   (run.outcome.crashed() ? "killed by a crash" : "killed") +
                                                   ", which may have lost them"};
    }
    if (t.lost.size() == messages.size()) {
        return {Verdict::note, run.name, sent + ", none in the host's output: is its logging fully on in the template?"};
    }
    return verdictOnLost(run, t, sent);
}

bool loggingSwitchedOff(const CallRecord& record) {
    for (const Call& call : record.calls) {
        const std::string* on = call.arguments.find("loggingOn");
        if (on && *on == "0") return true;
    }
    return false;
}

Finding judged(const Probe& probe, const Run& run, FormatFault& fault) {
    const CallRecord& record = *run.record;
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
    return verdictOnMessages(run, messages, fault);
}

Finding fromTheOutside(const Run& run, FormatFault& fault) {
    if (run.outcome.crashed()) return {Verdict::fail, run.name, "crashed, " + exitText(run.outcome), true};
    Finding finding = verdictOnMessages(run, catalogueMessages(componentOf(run.request)), fault);
    finding.outside = true;
    return finding;
}

}  // namespace

ProbeResult judgeLogMessages(const Probe& probe, RunSource& runs, const Settings&) {
    FormatFault fault = FormatFault::none;
    ProbeResult result = judgeEachRun(
        probe, runs, [&](const Run& run) { return judged(probe, run, fault); },
        [&](const Run& run) { return fromTheOutside(run, fault); });
    switch (fault) {
        case FormatFault::formatWithoutArguments:
            result.fix = "Format each log message with its arguments (vsnprintf with the format and the variadic "
                         "arguments) before showing it, never the format alone.";
            break;
        case FormatFault::finishedTextAsFormat:
            result.fix = "Show each FMI 3.0 log message as the finished text it is (printf(\"%s\", message)), never "
                         "as a printf format.";
            break;
        case FormatFault::none:
            result.fix = "Show every log message, replacing only references that name a variable (#<type><vr># in "
                         "FMI 1.0 and 2.0, #<vr># in FMI 3.0) and leaving malformed ones exactly as sent.";
            break;
    }
    return result;
}

}  // namespace hostcheck
