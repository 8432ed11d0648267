#include "xml_reader.h"

#include <expat.h>

#include <climits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace xml {
namespace {

static_assert(std::is_same_v<XML_Char, char>, "expat built for UTF-8 text");

// The document as expat reports it, element by element.
struct Tree {
    Element root;
    std::vector<Element*> open;  // elements whose end tag is still to come, innermost last
};

// A child is appended only to the innermost open element, whose earlier
// children are all closed: the pointers in Tree::open stay valid.
void XMLCALL openElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    Tree& tree = *static_cast<Tree*>(data);
    Element& element = tree.open.empty() ? tree.root : tree.open.back()->children.emplace_back();
    element.name = name;
    for (; *attributes != nullptr; attributes += 2) element.attributes.emplace(attributes[0], attributes[1]);
    tree.open.push_back(&element);
}

void XMLCALL closeElement(void* data, const XML_Char*) { static_cast<Tree*>(data)->open.pop_back(); }

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

std::optional<std::string> Element::attribute(const std::string& key) const {
    const auto found = attributes.find(key);
    if (found == attributes.end()) return std::nullopt;
    return found->second;
}

bool Element::has(const std::string& key) const { return attributes.count(key) != 0; }

const Element* Element::child(const std::string& childName) const {
    for (const Element& c : children)
        if (c.name == childName) return &c;
    return nullptr;
}

std::vector<const Element*> Element::all(const std::string& childName) const {
    std::vector<const Element*> found;
    for (const Element& c : children)
        if (c.name == childName) found.push_back(&c);
    return found;
}

Element parse(const std::string& text) {
    if (text.size() > INT_MAX) throw std::runtime_error("XML: document too large");
    const std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser) throw std::runtime_error("XML: cannot create a parser");
    Tree tree;
    XML_SetUserData(parser.get(), &tree);
    XML_SetElementHandler(parser.get(), openElement, closeElement);
    if (XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_ERROR) {
        throw std::runtime_error(std::string("XML: ") + XML_ErrorString(XML_GetErrorCode(parser.get())) + " at line " +
                                 std::to_string(XML_GetCurrentLineNumber(parser.get())) + ", column " +
                                 std::to_string(XML_GetCurrentColumnNumber(parser.get())));
    }
    return std::move(tree.root);
}

}  // namespace xml
