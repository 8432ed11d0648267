// A small reader for model descriptions: elements with attributes, nested,
// in document order. Text content, comments, the XML declaration and
// processing instructions are skipped. It is enough for the well-formed files
// this project writes (the schema check runs separately, with xmllint).
#pragma once

#include <cctype>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace xml {

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<Element> children;

    std::optional<std::string> attribute(const std::string& key) const {
        auto found = attributes.find(key);
        if (found == attributes.end()) return std::nullopt;
        return found->second;
    }
    bool has(const std::string& key) const { return attributes.count(key) != 0; }
    // The first child of that name, or null.
    const Element* child(const std::string& childName) const {
        for (const Element& c : children)
            if (c.name == childName) return &c;
        return nullptr;
    }
    std::vector<const Element*> all(const std::string& childName) const {
        std::vector<const Element*> found;
        for (const Element& c : children)
            if (c.name == childName) found.push_back(&c);
        return found;
    }
};

namespace detail {

inline std::string decode(const std::string& raw) {
    static const std::pair<const char*, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : entities) {
            const std::string e(entity);
            if (raw.compare(i, e.size(), e) == 0) {
                out += character;
                i += e.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += raw[i++];
    }
    return out;
}

class Parser {
public:
    explicit Parser(const std::string& text) : s(text) {}

    Element document() {
        skipMisc();
        Element root = element();
        skipMisc();
        if (pos != s.size()) fail("content after the root element");
        return root;
    }

private:
    const std::string& s;
    std::size_t pos = 0;

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("XML: " + what + " at offset " + std::to_string(pos));
    }
    bool startsWith(const char* prefix) const { return s.compare(pos, std::char_traits<char>::length(prefix), prefix) == 0; }
    void skipSpace() {
        while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
    }
    void skipPast(const char* terminator) {
        const std::size_t end = s.find(terminator, pos);
        if (end == std::string::npos) fail(std::string("missing ") + terminator);
        pos = end + std::char_traits<char>::length(terminator);
    }
    // Whitespace, comments, declarations and processing instructions.
    void skipMisc() {
        for (;;) {
            skipSpace();
            if (startsWith("<!--")) skipPast("-->");
            else if (startsWith("<?")) skipPast("?>");
            else return;
        }
    }
    std::string name() {
        const std::size_t start = pos;
        while (pos < s.size() && !std::isspace(static_cast<unsigned char>(s[pos])) && s[pos] != '=' && s[pos] != '>' &&
               s[pos] != '/')
            ++pos;
        if (pos == start) fail("expected a name");
        return s.substr(start, pos - start);
    }
    Element element() {
        if (!startsWith("<")) fail("expected an element");
        ++pos;
        Element e;
        e.name = name();
        for (;;) {
            skipSpace();
            if (startsWith("/>")) {
                pos += 2;
                return e;
            }
            if (startsWith(">")) {
                ++pos;
                break;
            }
            const std::string key = name();
            skipSpace();
            if (!startsWith("=")) fail("expected = after " + key);
            ++pos;
            skipSpace();
            const char quote = pos < s.size() ? s[pos] : '\0';
            if (quote != '"' && quote != '\'') fail("expected a quoted value for " + key);
            const std::size_t end = s.find(quote, pos + 1);
            if (end == std::string::npos) fail("unterminated value of " + key);
            if (!e.attributes.emplace(key, decode(s.substr(pos + 1, end - pos - 1))).second)
                fail("attribute " + key + " given twice");
            pos = end + 1;
        }
        for (;;) {
            skipMisc();
            if (startsWith("</")) {
                pos += 2;
                if (name() != e.name) fail("mismatched end tag of " + e.name);
                skipSpace();
                if (!startsWith(">")) fail("expected >");
                ++pos;
                return e;
            }
            if (startsWith("<")) {
                e.children.push_back(element());
                continue;
            }
            // Text content: skipped.
            const std::size_t next = s.find('<', pos);
            if (next == std::string::npos) fail("unterminated element " + e.name);
            pos = next;
        }
    }
};

}  // namespace detail

// Parses a whole document; throws std::runtime_error on malformed input.
inline Element parse(const std::string& text) { return detail::Parser(text).document(); }

}  // namespace xml
