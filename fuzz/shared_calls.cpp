#include "shared_calls.h"

namespace fuzz {

bool lentOut(const Session& session, const void* c, std::size_t outer, unsigned vr) {
    for (std::size_t i = 0; i < outer; ++i) {
        const Lent& entry = session.lent[i];
        if (entry.c == c && (vr == anyString || entry.vr == vr)) return true;
    }
    return false;
}

std::string describeRefs(const unsigned* refs, std::size_t n) {
    if (refs == nullptr) return "null refs, n " + std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += (i ? ", " : "") + std::to_string(refs[i]);
    return out;
}

std::string describeStrings(const Session& session, const unsigned* refs, const char* const* values, std::size_t n) {
    if (refs == nullptr || values == nullptr) {
        return std::string(refs ? "" : "null refs, ") + (values ? "" : "null values, ") + "n " + std::to_string(n);
    }
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += (i ? ", " : "") + std::to_string(refs[i]) + " = ";
        const Lent* own = nullptr;
        for (const Lent& entry : session.lent) own = entry.passed == values[i] ? &entry : own;
        if (values[i] == nullptr) {
            out += "null";
        } else if (own != nullptr) {
            out += "the block of its string " + std::to_string(own->vr);
            if (!session.host.owns(values[i])) out += " + 1";
        } else {
            out += "\"" + printable(values[i], 16) + "\"";
        }
    }
    return out;
}

}  // namespace fuzz
