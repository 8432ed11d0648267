#include "log_references.h"

#include <cctype>
#include <string_view>

namespace rebounder_host {

std::string expandReferences(const std::string& text, const VariableNames& names, ReferenceForm form) {
    const bool typed = form == ReferenceForm::typed;
    constexpr std::string_view typeLetters = "ribs";
    constexpr std::size_t longestValueReference = 10;  // digits of the largest 32-bit unsigned number
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '#') {
            out += text[i++];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '#') {
            out += '#';
            i += 2;
            continue;
        }
        // The untyped form has no letter: its digits follow the hash sign.
        const std::size_t letter = typed ? i + 1 : i;
        if (letter < text.size() && (!typed || typeLetters.find(text[letter]) != std::string_view::npos)) {
            const char type = typed ? text[letter] : fmi3Reference;
            std::size_t end = letter + 1;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
            const std::size_t digits = end - letter - 1;
            if (digits > 0 && digits <= longestValueReference && end < text.size() && text[end] == '#') {
                const unsigned long long reference = std::stoull(text.substr(letter + 1, digits));
                const auto found = names.find({type, static_cast<unsigned>(reference)});
                if (reference <= 0xFFFFFFFFull && found != names.end()) {
                    out += found->second;
                    i = end + 1;
                    continue;
                }
            }
        }
        // Not a reference this host can resolve: the hash sign stays, and the
        // rest is read on as ordinary text.
        out += text[i++];
    }
    return out;
}

}  // namespace rebounder_host
