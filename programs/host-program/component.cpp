#include "component.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>

#include "archive.h"
#include "harness.h"
#include "xml_reader.h"

namespace rebounder_host {
namespace fs = std::filesystem;
namespace {

// An attribute holding a count or value reference; empty when it is absent
// or not a plain decimal number.
std::optional<std::size_t> count(const xml::Element& element, const std::string& name) {
    const auto text = element.attribute(name);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0') return std::nullopt;
    return static_cast<std::size_t>(value);
}

char typeLetter(const std::string& element) {
    if (element == "Real") return 'r';
    if (element == "Integer" || element == "Enumeration") return 'i';
    if (element == "Boolean") return 'b';
    if (element == "String") return 's';
    return '\0';
}

std::string fileUri(const fs::path& path) { return "file://" + fs::absolute(path).lexically_normal().string(); }

// The FMI 3.0 variable elements: one per type, each holding its value
// reference (Enumeration values pass as Int64, Clocks are left out).
bool isFmi3Type(const std::string& element) {
    static const std::set<std::string> types{"Float32", "Float64", "Int8",    "UInt8",  "Int16",  "UInt16", "Int32",
                                             "UInt32",  "Int64",   "UInt64",  "Boolean", "String", "Binary",
                                             "Enumeration"};
    return types.count(element) != 0;
}

// An FMI 3.0 description's variables, the states named by their
// derivatives (each derivative's `derivative` attribute) and its number of
// event indicators.
void readFmi3Variables(const xml::Element& root, ModelDescription& description) {
    std::map<unsigned, unsigned> derivativeOf;
    if (const xml::Element* variables = root.child("ModelVariables")) {
        for (const xml::Element& variable : variables->children) {
            const auto name = variable.attribute("name");
            const auto reference = count(variable, "valueReference");
            if (!isFmi3Type(variable.name) || !name || !reference) continue;
            Fmi3Variable v{*name, variable.name, static_cast<unsigned>(*reference), 1};
            for (const xml::Element* dimension : variable.all("Dimension")) v.elementCount *= count(*dimension, "start").value_or(1);
            if (const auto state = count(variable, "derivative")) derivativeOf[v.valueReference] = static_cast<unsigned>(*state);
            description.names[{fmi3Reference, v.valueReference}] = v.name;
            description.variables.push_back(v);
        }
    }
    const xml::Element* structure = root.child("ModelStructure");
    if (structure == nullptr) return;
    for (const xml::Element* derivative : structure->all("ContinuousStateDerivative")) {
        const auto reference = count(*derivative, "valueReference");
        if (reference && derivativeOf.count(static_cast<unsigned>(*reference)) != 0)
            description.stateReferences.push_back(derivativeOf[static_cast<unsigned>(*reference)]);
    }
    description.stateCount = structure->all("ContinuousStateDerivative").size();
    description.indicatorCount = structure->all("EventIndicator").size();
}

}  // namespace

const char* describe(Interface interface) {
    switch (interface) {
        case Interface::fmi2ModelExchange: return "FMI 2.0 model exchange";
        case Interface::fmi2CoSimulation: return "FMI 2.0 co-simulation";
        case Interface::fmi1ModelExchange: return "FMI 1.0 model exchange";
        case Interface::fmi3ModelExchange: return "FMI 3.0 model exchange";
        case Interface::fmi3CoSimulation: return "FMI 3.0 co-simulation";
    }
    return "unknown interface";
}

bool isFmi3(Interface interface) {
    return interface == Interface::fmi3ModelExchange || interface == Interface::fmi3CoSimulation;
}

bool isCoSimulation(Interface interface) {
    return interface == Interface::fmi2CoSimulation || interface == Interface::fmi3CoSimulation;
}

VariableNames builtInNames(Interface interface) {
    if (isFmi3(interface)) {
        // varnelle's reals: value references unique across all types.
        VariableNames names;
        const char* const reals[] = {"time",        "height",  "velocity", "acceleration",
                                     "gravity",     "restitution", "contact", "restSpeed"};
        for (unsigned reference = 0; reference < std::size(reals); ++reference)
            names[{fmi3Reference, reference}] = reals[reference];
        return names;
    }
    VariableNames names{{{'r', 0}, "height"}, {{'r', 1}, "velocity"}, {{'r', 2}, "gravity"}, {{'r', 3}, "restitution"}};
    // The calculated acceleration exists only behind the FMI 2.0 interface.
    if (interface != Interface::fmi1ModelExchange) names[{'r', 4}] = "acceleration";
    return names;
}

ModelDescription readModelDescription(const std::string& text, std::string& error) {
    ModelDescription description;
    xml::Element root;
    try {
        root = xml::parse(text);
    } catch (const std::runtime_error& malformed) {
        error = std::string("modelDescription.xml is not well-formed (") + malformed.what() + ")";
        return description;
    }
    if (root.name != "fmiModelDescription") {
        error = "modelDescription.xml has no fmiModelDescription element";
        return description;
    }
    description.standardVersion = root.attribute("fmiVersion").value_or("");
    description.guid = root.attribute(description.standardVersion == "3.0" ? "instantiationToken" : "guid").value_or("");
    description.indicatorCount = count(root, "numberOfEventIndicators");
    if (description.standardVersion == "1.0") {
        // FMI 1.0 keeps the identifier on the root; it is model exchange
        // unless an Implementation element says co-simulation.
        description.modelExchangeIdentifier = root.attribute("modelIdentifier");
        description.stateCount = count(root, "numberOfContinuousStates");
        if (root.child("Implementation")) {
            description.coSimulationIdentifier = description.modelExchangeIdentifier;
            description.modelExchangeIdentifier.reset();
        }
    }
    if (const xml::Element* modelExchange = root.child("ModelExchange"))
        description.modelExchangeIdentifier = modelExchange->attribute("modelIdentifier").value_or("");
    if (const xml::Element* coSimulation = root.child("CoSimulation"))
        description.coSimulationIdentifier = coSimulation->attribute("modelIdentifier").value_or("");

    if (description.standardVersion == "3.0") {
        readFmi3Variables(root, description);
        return description;
    }
    if (const xml::Element* variables = root.child("ModelVariables")) {
        for (const xml::Element* variable : variables->all("ScalarVariable")) {
            const auto name = variable->attribute("name");
            const auto reference = count(*variable, "valueReference");
            if (!name || !reference) continue;
            // The type is the first child that names one (Real, Integer, ...).
            for (const xml::Element& type : variable->children) {
                if (typeLetter(type.name) == '\0') continue;
                description.names[{typeLetter(type.name), static_cast<unsigned>(*reference)}] = *name;
                break;
            }
        }
    }
    const xml::Element* structure = root.child("ModelStructure");
    const xml::Element* derivatives = structure ? structure->child("Derivatives") : nullptr;
    const std::size_t stateDerivatives = derivatives ? derivatives->all("Unknown").size() : 0;
    if (description.standardVersion == "2.0" && stateDerivatives > 0) description.stateCount = stateDerivatives;
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

namespace {

// The archive unpacked and its model description read; nullopt, with error
// set, when either fails.
std::optional<ModelDescription> unpackedDescription(const fs::path& fmu, const fs::path& unpackTo,
                                                    std::string& error) {
    if (!fs::is_regular_file(fmu)) {
        error = "no such file: " + fmu.string();
        return std::nullopt;
    }
    if (unpackTo.empty()) {
        error = "cannot create a temporary directory to unpack " + fmu.string();
        return std::nullopt;
    }
    if (!unpackArchive(fmu, unpackTo, error)) return std::nullopt;
    std::ifstream file(unpackTo / "modelDescription.xml");
    if (!file) {
        error = fmu.string() + " holds no modelDescription.xml at its root";
        return std::nullopt;
    }
    std::stringstream text;
    text << file.rdbuf();
    ModelDescription model = readModelDescription(text.str(), error);
    if (!error.empty()) return std::nullopt;
    return model;
}

// The interface to drive and its model identifier, by the description's
// version and what was asked for; nullopt, with error set, for none.
std::optional<std::string> chosenInterface(const ModelDescription& model, const fs::path& fmu,
                                           std::optional<Interface> wanted, Interface& interface, std::string& error) {
    std::optional<std::string> identifier;
    if (model.standardVersion == "1.0") {
        if (!model.modelExchangeIdentifier || wanted == Interface::fmi2CoSimulation) {
            error = "this program drives FMI 1.0 model exchange only, and " + fmu.string() + " is not that";
            return std::nullopt;
        }
        interface = Interface::fmi1ModelExchange;
        identifier = model.modelExchangeIdentifier;
    } else if (model.standardVersion == "2.0") {
        const bool useCoSimulation = wanted ? *wanted == Interface::fmi2CoSimulation
                                            : !model.modelExchangeIdentifier.has_value();
        identifier = useCoSimulation ? model.coSimulationIdentifier : model.modelExchangeIdentifier;
        interface = useCoSimulation ? Interface::fmi2CoSimulation : Interface::fmi2ModelExchange;
        if (!identifier) error = fmu.string() + " offers no " + describe(interface) + " interface";
    } else if (model.standardVersion == "3.0") {
        // Co-simulation unless model exchange is asked for or the only one,
        // as FMI 3.0 hosts choose for an FMU that offers both.
        const bool useCoSimulation = wanted ? *wanted == Interface::fmi2CoSimulation
                                            : model.coSimulationIdentifier.has_value();
        identifier = useCoSimulation ? model.coSimulationIdentifier : model.modelExchangeIdentifier;
        interface = useCoSimulation ? Interface::fmi3CoSimulation : Interface::fmi3ModelExchange;
        if (!identifier) error = fmu.string() + " offers no " + describe(interface) + " interface";
    } else {
        error = fmu.string() + ": unsupported fmiVersion '" + model.standardVersion + "' (expected 3.0, 2.0 or 1.0)";
    }
    if (identifier && identifier->empty()) {
        error = fmu.string() + ": the model description gives no modelIdentifier";
        return std::nullopt;
    }
    return identifier;
}

}  // namespace

std::optional<ComponentDescription> describeFmu(const fs::path& fmu, const fs::path& unpackTo,
                                                std::optional<Interface> wanted, std::string& error) {
    const std::optional<ModelDescription> model = unpackedDescription(fmu, unpackTo, error);
    if (!model) return std::nullopt;
    ComponentDescription component;
    const std::optional<std::string> identifier = chosenInterface(*model, fmu, wanted, component.interface, error);
    if (!identifier) return std::nullopt;
    component.modelIdentifier = *identifier;
    component.guid = model->guid;
    // The binary for this program's own platform: a 32-bit host loads
    // linux32 (FMI 3.0: x86-linux).
    const bool fmi3 = isFmi3(component.interface);
    const std::string platform = fmi3 ? (sizeof(void*) == 8 ? "x86_64-linux" : "x86-linux")
                                      : (sizeof(void*) == 8 ? "linux64" : "linux32");
    component.library = unpackTo / "binaries" / platform / (*identifier + ".so");
    component.resourceLocation = fileUri(unpackTo / "resources");
    if (fs::is_directory(unpackTo / "resources"))
        component.resourcePath = (fs::absolute(unpackTo / "resources").lexically_normal() / "").string();
    component.names = model->names;
    component.variables = model->variables;
    if (model->stateReferences.size() >= 2) {
        component.heightReference = model->stateReferences[0];
        component.velocityReference = model->stateReferences[1];
    }
    component.stateCount = model->stateCount.value_or(2);
    component.indicatorCount = model->indicatorCount.value_or(1);
    if (!fs::is_regular_file(component.library)) {
        error = fmu.string() + " holds no binaries/" + platform + "/" + *identifier + ".so";
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
    if (loaded.symbol("fmi3GetVersion") != nullptr) {
        // Every FMI 3.0 library exports both interfaces' functions: it is
        // driven as the FMU would be, co-simulation unless asked otherwise.
        component.interface =
            wanted == Interface::fmi2ModelExchange ? Interface::fmi3ModelExchange : Interface::fmi3CoSimulation;
        component.names = builtInNames(component.interface);
        for (const auto& [key, name] : component.names)
            component.variables.push_back({name, "Float64", key.second, 1});
        return component;
    }
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
