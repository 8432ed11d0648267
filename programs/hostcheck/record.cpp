#include "record.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "format.h"

namespace hostcheck {
namespace {

// The end of a value that starts at from: a quoted string to its closing
// quote, an array or a pair list to its closing bracket (quotes inside
// respected), anything else to the next space or, inside a list, comma.
std::size_t valueEnd(std::string_view text, std::size_t from, std::string_view stops) {
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\') ++i;
            else if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') quoted = true;
        else if (c == '[' || c == '{') ++depth;
        else if ((c == ']' || c == '}') && depth > 0) --depth;
        else if (depth == 0 && stops.find(c) != std::string_view::npos) return i;
    }
    return text.size();
}

// "key=value key=value ..." (separator ' ') or "k=v,k=v" (separator ',').
Fields pairs(std::string_view text, char separator) {
    Fields fields;
    const std::string stops(1, separator);
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == separator) {
            ++i;
            continue;
        }
        const std::size_t equals = text.find('=', i);
        if (equals == std::string_view::npos) break;
        const std::size_t end = valueEnd(text, equals + 1, stops);
        fields.add(std::string(text.substr(i, equals - i)), std::string(text.substr(equals + 1, end - equals - 1)));
        i = end;
    }
    return fields;
}

std::string withoutModelIdentifier(const std::string& function) {
    const std::size_t fmi1 = function.find("_fmi");
    if (function.rfind("fmi", 0) == 0 || fmi1 == std::string::npos) return function;
    return function.substr(fmi1 + 1);
}

std::optional<Event> parseLine(std::string_view line, std::size_t number) {
    const std::size_t space = line.find(' ');
    const std::string_view kind = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
    Event event{Event::Kind::log, number, "", {}};
    if (kind == ">" || kind == "<" || kind == "library" || kind == ">>" || kind == "<<") {
        const std::size_t nameEnd = rest.find(' ');
        event.function = std::string(rest.substr(0, nameEnd));
        if (event.function.empty()) return std::nullopt;
        event.fields = pairs(nameEnd == std::string_view::npos ? "" : rest.substr(nameEnd + 1), ' ');
        event.kind = kind == ">"    ? Event::Kind::enter
                     : kind == "<"  ? Event::Kind::leave
                     : kind == ">>" ? Event::Kind::callbackEnter
                     : kind == "<<" ? Event::Kind::callbackLeave
                                    : Event::Kind::library;
        return event;
    }
    if (kind == "log" || kind == "alloc" || kind == "free") {
        event.kind = kind == "log" ? Event::Kind::log : kind == "alloc" ? Event::Kind::alloc : Event::Kind::free;
        event.fields = pairs(rest, ' ');
        return event;
    }
    return std::nullopt;
}

// Pairs each "<" line from event first on with the innermost open call of
// the same function and records which call every callback happened in.
void pairCalls(CallRecord& record, std::size_t first) {
    struct OpenCallback {
        std::string name;
        std::size_t openCalls;  // how many calls were open when it was called
    };
    std::vector<std::size_t> open;
    std::vector<OpenCallback> callbacks;
    for (std::size_t e = first; e < record.events.size(); ++e) {
        Event& event = record.events[e];
        if (event.kind == Event::Kind::callbackEnter) callbacks.push_back({event.function, open.size()});
        if (event.kind == Event::Kind::callbackLeave && !callbacks.empty()) callbacks.pop_back();
        if (event.kind == Event::Kind::enter) {
            Call call;
            if (!callbacks.empty() && callbacks.back().openCalls == open.size()) call.callback = callbacks.back().name;
            call.function = event.function;
            call.name = withoutModelIdentifier(event.function);
            const FunctionFacts facts = functionFacts(call.name);
            call.version = facts.version;
            call.role = facts.role;
            call.arguments = event.fields;
            call.enterEvent = e;
            call.depth = open.size();
            event.call = record.calls.size();
            open.push_back(record.calls.size());
            record.calls.push_back(std::move(call));
            continue;
        }
        if (event.kind == Event::Kind::leave) {
            for (std::size_t k = open.size(); k-- > 0;) {
                Call& call = record.calls[open[k]];
                if (call.function != event.function) continue;
                call.results = event.fields;
                call.returned = true;
                if (const std::string* status = call.results.find("status")) {
                    call.answer = statusOf(call.version, *status);
                }
                event.call = open[k];
                open.resize(k);
                break;
            }
            continue;
        }
        if (!open.empty()) event.call = open.back();
    }
}

// The events of the lines of text, numbered from firstLine + 1. Unknown
// lines, and a last line cut short by a crash, are passed over.
void appendEvents(CallRecord& record, std::string_view text, std::size_t firstLine) {
    std::size_t number = firstLine;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Libraries opening the record again in the same process repeat it.
        if (line == recordVersionLine || line.empty()) continue;
        if (auto event = parseLine(line, number)) record.events.push_back(std::move(*event));
    }
}

}  // namespace

const std::string* Fields::find(std::string_view key) const {
    for (const auto& [name, value] : items) {
        if (name == key) return &value;
    }
    return nullptr;
}

std::optional<double> recordedNumber(const std::string& value) {
    if (value.empty()) return std::nullopt;
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (end != value.c_str() + value.size()) return std::nullopt;
    return number;
}

std::optional<std::string> recordedText(const std::string& fullValue) {
    // A string cut short in the record ends in "..." after its quote.
    const bool cut = fullValue.size() > 4 && fullValue.ends_with("\"...");
    const std::string value = cut ? fullValue.substr(0, fullValue.size() - 3) : fullValue;
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] != '\\' || i + 2 >= value.size()) {
            text += value[i];
            continue;
        }
        const char escaped = value[++i];
        if (escaped == 'n') text += '\n';
        else if (escaped == 't') text += '\t';
        else if (escaped == 'x' && i + 2 < value.size()) {
            text += static_cast<char>(std::strtol(value.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else text += escaped;
    }
    return text;
}

std::vector<std::string> recordedList(const std::string& value) {
    std::vector<std::string> elements;
    if (value.size() < 2 || value.front() != '[' || value.back() != ']') return elements;
    const std::string_view inside = std::string_view(value).substr(1, value.size() - 2);
    for (std::size_t i = 0; i < inside.size();) {
        const std::size_t end = valueEnd(inside, i, ",");
        elements.emplace_back(inside.substr(i, end - i));
        i = end + 1;
    }
    return elements;
}

Fields recordedPairs(const std::string& value) {
    if (value.size() < 2 || value.front() != '{' || value.back() != '}') return {};
    return pairs(std::string_view(value).substr(1, value.size() - 2), ',');
}

std::optional<std::string> recordedPart(const Fields& fields, std::string_view key, std::string_view part) {
    const std::string* value = fields.find(key);
    if (value == nullptr) return std::nullopt;
    const Fields parts = recordedPairs(*value);
    const std::string* found = parts.find(part);
    if (found == nullptr) return std::nullopt;
    return *found;
}

std::string Call::instance() const {
    const std::string* c = arguments.find("c");
    if (c == nullptr) c = results.find("result");
    return c == nullptr || *c == "null" ? "" : *c;
}

std::string Call::status() const {
    const std::string* status = results.find("status");
    return status == nullptr ? "" : *status;
}

std::string Call::statusKind() const { return statusKindName(answer); }

std::optional<double> Call::numericArgument(std::string_view key) const {
    const std::string* value = arguments.find(key);
    return value == nullptr ? std::nullopt : recordedNumber(*value);
}

std::string Call::text() const {
    std::string out = name + "(";
    bool first = true;
    for (const auto& [key, value] : arguments.all()) {
        // The instance and the host's pointers say nothing a reader needs.
        if (key == "c" || value.rfind("0x", 0) == 0) continue;
        const auto number = recordedNumber(value);
        out += (first ? "" : ", ") + key + "=" + (number ? shortest(*number) : value);
        first = false;
    }
    return out + ")";
}

std::string Call::textWithStatus() const {
    return text() + (returned ? (status().empty() ? "" : " -> " + status()) : " (never returned)");
}

std::vector<std::size_t> CallRecord::openCalls() const {
    std::vector<std::size_t> open;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        if (!calls[k].returned) open.push_back(k);
    }
    return open;
}

std::vector<const Event*> CallRecord::eventsInside(std::size_t call) const {
    std::vector<const Event*> inside;
    for (const Event& event : events) {
        if (event.call == call && event.kind != Event::Kind::enter && event.kind != Event::Kind::leave) {
            inside.push_back(&event);
        }
    }
    return inside;
}

CallRecord parseCallRecord(std::string_view text) {
    CallRecord record;
    std::string_view first = text.substr(0, text.find('\n'));
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    if (!text.empty() && first != recordVersionLine) {
        record.problem = "the record starts with '" + std::string(first.substr(0, 60)) + "', not '" +
                         std::string(recordVersionLine) + "'";
        return record;
    }
    appendEvents(record, text, 0);
    pairCalls(record, 0);
    return record;
}

std::optional<CallRecord> readCallRecord(const std::filesystem::path& path, std::size_t keptBytes) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return std::nullopt;
    const auto size = static_cast<std::size_t>(file.tellg());
    file.seekg(0);
    const bool tooLong = size > 2 * keptBytes;
    std::string head(tooLong ? keptBytes : size, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (!tooLong) return parseCallRecord(head);
    // The start up to its last whole line, then the end from its first.
    head.resize(head.rfind('\n') + 1);
    CallRecord record = parseCallRecord(head);
    for (Call& call : record.calls) call.returned = true;
    std::string tail(keptBytes, '\0');
    file.seekg(static_cast<std::streamoff>(size - keptBytes));
    file.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    const std::size_t firstEvent = record.events.size();
    appendEvents(record, std::string_view(tail).substr(tail.find('\n') + 1), 0);
    pairCalls(record, firstEvent);
    record.cut = true;
    return record;
}

}  // namespace hostcheck
