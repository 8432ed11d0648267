#include "component.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "harness.h"

namespace rebounder_host {
namespace fs = std::filesystem;
namespace {

// One start or empty-element tag of an XML text, with its attributes.
struct Tag {
    std::string name;
    bool closing = false;      // </name>
    bool selfClosing = false;  // <name ... />
    std::map<std::string, std::string> attributes;
};

std::string decodeEntities(const std::string& text) {
    static const std::pair<const char*, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : entities) {
            if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
                out += character;
                i += std::char_traits<char>::length(entity);
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// Splits an XML text into its tags, skipping comments, processing
// instructions and declarations. Good enough for model descriptions, which
// carry everything in attributes; returns false on a tag that never closes.
bool scanTags(const std::string& xml, std::vector<Tag>& tags) {
    std::size_t i = 0;
    while ((i = xml.find('<', i)) != std::string::npos) {
        if (xml.compare(i, 4, "<!--") == 0) {
            const auto end = xml.find("-->", i + 4);
            if (end == std::string::npos) return false;
            i = end + 3;
            continue;
        }
        if (xml.compare(i, 2, "<?") == 0 || xml.compare(i, 2, "<!") == 0) {
            const auto end = xml.find('>', i);
            if (end == std::string::npos) return false;
            i = end + 1;
            continue;
        }
        Tag tag;
        std::size_t p = i + 1;
        if (p < xml.size() && xml[p] == '/') {
            tag.closing = true;
            ++p;
        }
        auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.'; };
        while (p < xml.size() && isNameChar(xml[p])) tag.name += xml[p++];
        for (;;) {
            while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
            if (p >= xml.size()) return false;
            if (xml[p] == '>') break;
            if (xml.compare(p, 2, "/>") == 0) {
                tag.selfClosing = true;
                ++p;
                break;
            }
            std::string attribute;
            while (p < xml.size() && isNameChar(xml[p])) attribute += xml[p++];
            while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
            if (attribute.empty() || p >= xml.size() || xml[p] != '=') return false;
            ++p;
            while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
            if (p >= xml.size() || (xml[p] != '"' && xml[p] != '\'')) return false;
            const char quote = xml[p++];
            const auto end = xml.find(quote, p);
            if (end == std::string::npos) return false;
            tag.attributes[attribute] = decodeEntities(xml.substr(p, end - p));
            p = end + 1;
        }
        tags.push_back(std::move(tag));
        i = p + 1;
    }
    return true;
}

std::optional<std::size_t> count(const std::map<std::string, std::string>& attributes, const std::string& name) {
    const auto found = attributes.find(name);
    if (found == attributes.end()) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end != '\0') return std::nullopt;
    return static_cast<std::size_t>(value);
}

char typeLetter(const std::string& element) {
    if (element == "Real") return 'r';
    if (element == "Integer" || element == "Enumeration") return 'i';
    if (element == "Boolean") return 'b';
    if (element == "String") return 's';
    return '\0';
}

// A path quoted for the shell: inside single quotes, each ' written as '\''.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string fileUri(const fs::path& path) { return "file://" + fs::absolute(path).lexically_normal().string(); }

}  // namespace

const char* describe(Interface interface) {
    switch (interface) {
        case Interface::fmi2ModelExchange: return "FMI 2.0 model exchange";
        case Interface::fmi2CoSimulation: return "FMI 2.0 co-simulation";
        case Interface::fmi1ModelExchange: return "FMI 1.0 model exchange";
    }
    return "unknown interface";
}

VariableNames builtInNames(Interface interface) {
    VariableNames names{{{'r', 0}, "height"}, {{'r', 1}, "velocity"}, {{'r', 2}, "gravity"}, {{'r', 3}, "restitution"}};
    // The calculated acceleration exists only behind the FMI 2.0 interface.
    if (interface != Interface::fmi1ModelExchange) names[{'r', 4}] = "acceleration";
    return names;
}

ModelDescription readModelDescription(const std::string& xml, std::string& error) {
    ModelDescription description;
    std::vector<Tag> tags;
    if (!scanTags(xml, tags)) {
        error = "modelDescription.xml is not well-formed (a tag or comment never closes)";
        return description;
    }
    bool rootSeen = false;
    bool inDerivatives = false;
    std::optional<std::pair<std::string, unsigned>> variable;  // name and value reference of the open ScalarVariable
    std::size_t derivatives = 0;
    for (const Tag& tag : tags) {
        if (tag.closing) {
            if (tag.name == "Derivatives") inDerivatives = false;
            if (tag.name == "ScalarVariable") variable.reset();
            continue;
        }
        const auto& a = tag.attributes;
        auto attribute = [&](const std::string& name) -> std::optional<std::string> {
            const auto found = a.find(name);
            return found == a.end() ? std::nullopt : std::optional<std::string>(found->second);
        };
        if (tag.name == "fmiModelDescription") {
            rootSeen = true;
            description.standardVersion = attribute("fmiVersion").value_or("");
            description.guid = attribute("guid").value_or("");
            description.indicatorCount = count(a, "numberOfEventIndicators");
            if (description.standardVersion == "1.0") {
                // FMI 1.0 keeps the identifier on the root; it is model exchange
                // unless an Implementation element says co-simulation.
                description.modelExchangeIdentifier = attribute("modelIdentifier");
                description.stateCount = count(a, "numberOfContinuousStates");
            }
        } else if (tag.name == "Implementation") {
            description.coSimulationIdentifier = description.modelExchangeIdentifier;
            description.modelExchangeIdentifier.reset();
        } else if (tag.name == "ModelExchange") {
            description.modelExchangeIdentifier = attribute("modelIdentifier").value_or("");
        } else if (tag.name == "CoSimulation") {
            description.coSimulationIdentifier = attribute("modelIdentifier").value_or("");
        } else if (tag.name == "ScalarVariable") {
            const auto name = attribute("name");
            const auto reference = count(a, "valueReference");
            if (name && reference) variable.emplace(*name, static_cast<unsigned>(*reference));
            if (tag.selfClosing) variable.reset();
        } else if (typeLetter(tag.name) != '\0' && variable) {
            description.names[{typeLetter(tag.name), variable->second}] = variable->first;
            variable.reset();
        } else if (tag.name == "Derivatives") {
            inDerivatives = !tag.selfClosing;
        } else if (tag.name == "Unknown" && inDerivatives) {
            ++derivatives;
        }
    }
    if (!rootSeen) error = "modelDescription.xml has no fmiModelDescription element";
    if (description.standardVersion == "2.0" && derivatives > 0) description.stateCount = derivatives;
    return description;
}

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "rebounder-host-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    if (!directory.empty()) fs::remove_all(directory, ignored);
}

std::optional<ComponentDescription> describeFmu(const fs::path& fmu, const fs::path& unpackTo,
                                                std::optional<Interface> wanted, std::string& error) {
    if (!fs::is_regular_file(fmu)) {
        error = "no such file: " + fmu.string();
        return std::nullopt;
    }
    if (unpackTo.empty()) {
        error = "cannot create a temporary directory to unpack " + fmu.string();
        return std::nullopt;
    }
    const std::string command = "unzip -q -o " + shellQuoted(fmu.string()) + " -d " + shellQuoted(unpackTo.string());
    if (std::system(command.c_str()) != 0) {
        error = "cannot unpack " + fmu.string() + " with unzip (is it a zip archive, and is unzip installed?)";
        return std::nullopt;
    }
    std::ifstream file(unpackTo / "modelDescription.xml");
    if (!file) {
        error = fmu.string() + " holds no modelDescription.xml at its root";
        return std::nullopt;
    }
    std::stringstream text;
    text << file.rdbuf();
    const ModelDescription model = readModelDescription(text.str(), error);
    if (!error.empty()) return std::nullopt;

    ComponentDescription component;
    std::optional<std::string> identifier;
    if (model.standardVersion == "1.0") {
        if (!model.modelExchangeIdentifier || wanted == Interface::fmi2CoSimulation) {
            error = "this program drives FMI 1.0 model exchange only, and " + fmu.string() + " is not that";
            return std::nullopt;
        }
        component.interface = Interface::fmi1ModelExchange;
        identifier = model.modelExchangeIdentifier;
    } else if (model.standardVersion == "2.0") {
        const bool useCoSimulation = wanted ? *wanted == Interface::fmi2CoSimulation
                                            : !model.modelExchangeIdentifier.has_value();
        identifier = useCoSimulation ? model.coSimulationIdentifier : model.modelExchangeIdentifier;
        component.interface = useCoSimulation ? Interface::fmi2CoSimulation : Interface::fmi2ModelExchange;
        if (!identifier) {
            error = fmu.string() + " offers no " + describe(component.interface) + " interface";
            return std::nullopt;
        }
    } else {
        error = fmu.string() + ": unsupported fmiVersion '" + model.standardVersion + "' (expected 2.0 or 1.0)";
        return std::nullopt;
    }
    if (identifier->empty()) {
        error = fmu.string() + ": the model description gives no modelIdentifier";
        return std::nullopt;
    }
    component.modelIdentifier = *identifier;
    component.guid = model.guid;
    component.library = unpackTo / "binaries" / "linux64" / (*identifier + ".so");
    component.resourceLocation = fileUri(unpackTo / "resources");
    component.names = model.names;
    component.stateCount = model.stateCount.value_or(2);
    component.indicatorCount = model.indicatorCount.value_or(1);
    if (!fs::is_regular_file(component.library)) {
        error = fmu.string() + " holds no binaries/linux64/" + *identifier + ".so";
        return std::nullopt;
    }
    return component;
}

std::optional<ComponentDescription> describeLibrary(const fs::path& library, std::optional<Interface> wanted,
                                                    std::string& error) {
    const fs::path absolute = fs::absolute(library);
    host::Library loaded(absolute.string());  // loading runs none of the component's code
    if (!loaded.loaded()) {
        error = "cannot load " + library.string() + ": " + loaded.error();
        return std::nullopt;
    }
    ComponentDescription component;
    component.library = absolute;
    component.resourceLocation = fileUri(absolute.parent_path());
    component.modelIdentifier = library.stem().string();
    const host::Fmi2Api fmi2(loaded);
    const bool coSimulation = fmi2.fmi2DoStep != nullptr;
    const bool modelExchange = fmi2.fmi2GetDerivatives != nullptr;
    std::optional<std::string> fmi1Prefix;
    for (const std::string& symbol : host::exportedSymbols(absolute.string())) {
        const std::string suffix = "_fmiInstantiateModel";
        if (symbol.size() > suffix.size() && symbol.compare(symbol.size() - suffix.size(), suffix.size(), suffix) == 0) {
            fmi1Prefix = symbol.substr(0, symbol.size() - suffix.size());
        }
    }
    if (wanted == Interface::fmi2CoSimulation && coSimulation) {
        component.interface = Interface::fmi2CoSimulation;
    } else if (wanted == Interface::fmi2ModelExchange && modelExchange) {
        component.interface = Interface::fmi2ModelExchange;
    } else if (!wanted && modelExchange) {
        component.interface = Interface::fmi2ModelExchange;
    } else if (!wanted && coSimulation) {
        component.interface = Interface::fmi2CoSimulation;
    } else if (wanted != Interface::fmi2CoSimulation && fmi1Prefix) {
        component.interface = Interface::fmi1ModelExchange;
        component.modelIdentifier = *fmi1Prefix;
    } else {
        error = library.string() + " exports no " +
                (wanted ? std::string(describe(*wanted)) : std::string("FMI model-exchange or co-simulation")) +
                " functions this program can drive";
        return std::nullopt;
    }
    component.names = builtInNames(component.interface);
    return component;
}

}  // namespace rebounder_host
