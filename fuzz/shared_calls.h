// The calls that read the same in FMI 2.0 and FMI 1.0: values by value
// reference, the model's arrays, strings.
//
// A hostile host passes the blocks an instance handed out for its strings
// back to the string setter, as a host may: each is fetched just before the
// write that passes it and is lent until that write returns. The host never
// makes its own arguments dangling: a write nested in the logger that would
// release a block an unfinished call was passed is not made.
#pragma once

#include <cstring>
#include <string>

#include "model_expectations.h"
#include "session.h"

namespace fuzz {

// Whether a call that has not returned yet (the first `outer` entries of
// session.lent) was passed the block of string vr of instance c, or of any
// of its strings for anyString.
constexpr unsigned anyString = ~0u;
bool lentOut(const Session& session, const void* c, std::size_t outer, unsigned vr);

// The value references of a call as the trace shows them.
std::string describeRefs(const unsigned* refs, std::size_t n);
// The values of a string write as the trace shows them.
std::string describeStrings(const Session& session, const unsigned* refs, const char* const* values, std::size_t n);

// A value for a string write: host text, or now and then the block the
// instance handed out for one of its strings, perhaps one character in.
template <typename GetString>
const char* stringOrOwn(Session& s, const char* getter, GetString getString, void* c) {
    if (c == nullptr || !s.in.oneIn(4)) return s.in.text();
    const unsigned vr = s.in.inRange<unsigned>(0, 3);
    const char* own = nullptr;
    s.trace("%s(%u), for its block to pass back:", getter, vr);
    checkStatus(s.trace, getter, getString(c, &vr, 1, &own));
    if (own == nullptr) return nullptr;
    const char* passed = own + (s.in.flag() && std::strlen(own) > 0 && s.in.flag() ? 1 : 0);
    s.lent.push_back({c, vr, passed});
    return passed;
}

// A get or set of values by value reference on instance c: a count from 0 to
// a few more than the model has of the type, every array exactly that long
// or null.
template <typename Call, typename Make>
void byReference(Session& s, const char* function, Call call, void* c, std::size_t modelCount, Make make) {
    const std::size_t n = s.in.count(modelCount);
    auto refs = s.in.array<unsigned>(n, [&] { return s.in.valueReference(); });
    auto values = s.in.array<decltype(make())>(n, make);
    checkCall(s.trace, function, call(c, refs.get(), s.in.countFor(n, refs, values), values.get()), c);
}

// A read of one of the model's arrays (states, derivatives, indicators, ...)
// of modelCount elements into an array of a count of the input's.
template <typename T, typename Call>
void getArray(Session& s, const char* function, Call call, void* c, std::size_t modelCount) {
    const std::size_t n = s.in.count(modelCount);
    auto values = s.in.output<T>(n);
    checkCall(s.trace, function, call(c, values.get(), s.in.countFor(n, values)), c);
}

// A write of the continuous states.
template <typename Call>
void setContinuousStates(Session& s, const char* function, Call call, void* c) {
    const std::size_t n = s.in.count(expected::stateCount);
    auto values = s.in.array<double>(n, [&] { return s.in.real(); });
    checkCall(s.trace, function, call(c, values.get(), s.in.countFor(n, values)), c);
}

// A string read on instance c: every block it hands out is one the host
// allocated.
template <typename GetString>
void getStrings(Session& s, const char* function, GetString getString, void* c) {
    const std::size_t n = s.in.count(expected::variablesPerType);
    auto refs = s.in.array<unsigned>(n, [&] { return s.in.valueReference(); });
    auto values = s.in.output<const char*>(n);
    const std::size_t m = s.in.countFor(n, refs, values);
    if (tracing()) s.trace("%s(%s%s)", function, describeRefs(refs.get(), m).c_str(), values ? "" : ", null values");
    const int status = getString(c, refs.get(), m, values.get());
    checkCall(s.trace, function, status, c);
    for (std::size_t i = 0; values && status == fmi2OK && i < n; ++i) {
        if (values[i] != nullptr && !s.host.owns(values[i])) fail("%s gave a block the host never allocated", function);
    }
}

// A string write on instance c of host texts or blocks the instance handed
// out; not made when it could release a block that an outer call, not
// returned yet, was passed.
template <typename SetString, typename GetString>
void setStrings(Session& s, const char* function, SetString setString, const char* getter, GetString getString,
                void* c) {
    std::size_t n = s.in.count(expected::variablesPerType);
    auto refs = s.in.array<unsigned>(n, [&] { return s.in.valueReference(); });
    const std::size_t outer = s.lent.size();
    auto values = s.in.array<const char*>(n, [&] { return stringOrOwn(s, getter, getString, c); });
    bool releasesLent = false;
    for (std::size_t i = 0; refs && i < n; ++i) releasesLent = releasesLent || lentOut(s, c, outer, refs[i]);
    if (releasesLent) {
        s.trace("%s not made: it would release a block an unfinished call was passed", function);
    } else {
        n = s.in.countFor(n, refs, values);
        if (tracing()) s.trace("%s(%s)", function, describeStrings(s, refs.get(), values.get(), n).c_str());
        checkCall(s.trace, function, setString(c, refs.get(), n, values.get()), c);
    }
    s.lent.resize(outer);
}

}  // namespace fuzz
