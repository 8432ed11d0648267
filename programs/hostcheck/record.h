// The call record a recording build of the components writes while a host
// runs them: every call into the library, every callback out of it, one line
// each. Read back into events, and the events paired into calls, so the probes
// can say which calls the host made, with which arguments, and what it got.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fmi_functions.h"
#include "call_record_format.h"

namespace hostcheck {

// The key=value pairs of one line, in their order, values as written
// ("0.01", "\"INFO\"", "[0,1]", "{iterationConverged=0,...}", "null").
class Fields {
public:
    void add(std::string key, std::string value) { items.emplace_back(std::move(key), std::move(value)); }
    const std::string* find(std::string_view key) const;
    bool has(std::string_view key) const { return find(key) != nullptr; }
    const std::vector<std::pair<std::string, std::string>>& all() const { return items; }

private:
    std::vector<std::pair<std::string, std::string>> items;
};

// Values as written in the record, turned into what they say.
std::optional<double> recordedNumber(const std::string& value);
// A quoted string without its quotes and escapes; nullopt for null.
std::optional<std::string> recordedText(const std::string& value);
// The elements of an array "[a,b,...]" or the pairs of "{k=v,...}", as written;
// a "..." element marks an array cut short.
std::vector<std::string> recordedList(const std::string& value);
Fields recordedPairs(const std::string& value);
// One part of a {k=v,...} value among the fields, by copy: eventInfo's
// iterationConverged. nullopt when the value or the part is missing.
std::optional<std::string> recordedPart(const Fields& fields, std::string_view key, std::string_view part);

struct Event {
    // callbackEnter, callbackLeave: the component called one of the host's
    // functions that the host may call back from (">> intermediateUpdate",
    // "<< intermediateUpdate"); the host's calls in between are made inside it.
    enum class Kind { library, enter, leave, log, alloc, free, callbackEnter, callbackLeave };
    Kind kind;
    std::size_t line;      // 1 for the first line of the file
    std::string function;  // enter, leave: as recorded ("Rebounder_fmiEventUpdate"); library: its name;
                           // callbackEnter, callbackLeave: the callback's name
    Fields fields;
    std::size_t call = npos;  // the call this event belongs to (enter, leave) or happened inside (callbacks)
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
};

// One call into the library: its ">" line and, unless the process ended
// inside it, its "<" line; what the function does and the status it
// answered, looked up once in its version's table.
struct Call {
    std::string function;   // as recorded
    std::string name;       // without the FMI 1.0 model identifier: "fmiEventUpdate", "fmi2DoStep"
    FmiVersion version = FmiVersion::unknown;
    Role role = Role::unknown;
    Status answer = Status::none;  // none while it has not returned, or for calls without a status
    Fields arguments;       // from the ">" line
    Fields results;         // from the "<" line; empty while it has not returned
    bool returned = false;
    std::size_t enterEvent = 0;
    std::size_t depth = 0;  // 0 for a call the host made directly, 1 for one made from inside a callback...
    // The recorded callback the host made the call from ("intermediateUpdate"),
    // empty for one made elsewhere.
    std::string callback;

    // The instance the call is about: the argument c, or for instantiation
    // the instance it returned; empty when there is none.
    std::string instance() const;
    // "fmi2Discard", "fmiOK", ... or empty for calls without a status.
    std::string status() const;
    // The status without its version prefix: "OK", "Discard", "Error"...
    std::string statusKind() const;
    // An argument that is a number: "communicationStepSize".
    std::optional<double> numericArgument(std::string_view key) const;
    // "fmi2DoStep(currentCommunicationPoint=0, communicationStepSize=1.5, ...)"
    // with numbers shortest and pointers left out: the call as evidence.
    std::string text() const;
    // The same with what it answered: "... -> fmi2OK", "... (never returned)".
    std::string textWithStatus() const;
    bool answered(Status status) const { return answer == status; }
};

struct CallRecord {
    std::vector<Event> events;
    std::vector<Call> calls;  // in the order they were entered
    std::string problem;      // why the text is not a record of a known format; empty when it is
    // A record too long to keep was read at its start and its end only; the
    // calls open where the middle was left out count as returned.
    bool cut = false;

    // The calls that had not returned when the record ends, innermost last:
    // the process ended inside them.
    std::vector<std::size_t> openCalls() const;
    // The events that happened inside a call, callbacks and nested calls.
    std::vector<const Event*> eventsInside(std::size_t call) const;
};

CallRecord parseCallRecord(std::string_view text);
// nullopt when there is no such file. A file longer than about twice
// keptBytes (a host repeating a call without end) is read at its first and
// last keptBytes.
std::optional<CallRecord> readCallRecord(const std::filesystem::path& path, std::size_t keptBytes = 32u << 20);

// The line every record starts with, without its line end.
inline constexpr std::string_view recordVersionLine{recording::recordFirstLine, sizeof recording::recordFirstLine - 2};


}  // namespace hostcheck
