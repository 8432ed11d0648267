// The elements of an XML document as the host program and the tests read
// model descriptions: names and attributes, nested, in document order. Text,
// comments and processing instructions are left out. expat parses the text,
// so entities, character references, CDATA sections and the encoding the XML
// declaration names are read as XML defines them (the schema check runs
// separately, with xmllint).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xml {

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<Element> children;

    std::optional<std::string> attribute(const std::string& key) const;
    bool has(const std::string& key) const;
    // The first child of that name, or null.
    const Element* child(const std::string& childName) const;
    std::vector<const Element*> all(const std::string& childName) const;
};

// Parses a whole document; throws std::runtime_error, with expat's message
// and the line and column, on text that is not well-formed XML.
Element parse(const std::string& text);

}  // namespace xml
