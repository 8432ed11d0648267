// Finding out what a component is: its FMI version, interface, model
// identifier, variable names and sizes, from the model description of an .fmu
// archive or, for a bare library, from the functions it exports.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rebounder_host {

enum class Interface { fmi2ModelExchange, fmi2CoSimulation, fmi1ModelExchange, fmi3ModelExchange, fmi3CoSimulation };

bool isFmi3(Interface interface);
bool isCoSimulation(Interface interface);

const char* describe(Interface interface);

// Variable names by type letter (r, i, b, s, as in log-message references)
// and value reference. FMI 3.0 references carry no type letter (one value
// reference per variable, whatever its type): its names are filed under
// fmi3Reference.
using VariableNames = std::map<std::pair<char, unsigned>, std::string>;
constexpr char fmi3Reference = '#';

// An FMI 3.0 variable as a host sets it: its type element (Float64, Int32,
// Boolean, String, Binary, ...), value reference and element count (1, or
// the product of an array's dimensions).
struct Fmi3Variable {
    std::string name;
    std::string type;
    unsigned valueReference = 0;
    std::size_t elementCount = 1;
};

// The names a component without a model description gets: the four reals of
// the model, plus acceleration in FMI 2.0.
VariableNames builtInNames(Interface interface);

struct ComponentDescription {
    Interface interface = Interface::fmi2ModelExchange;
    std::string modelIdentifier;      // FMI 1.0: the prefix of every function
    std::string guid = "123";
    std::filesystem::path library;    // the shared library to load
    std::string resourceLocation;     // a file: URI handed to fmi2Instantiate
    VariableNames names;
    std::size_t stateCount = 2;
    std::size_t indicatorCount = 1;
    // FMI 3.0 only: the resource folder as an absolute path with a trailing
    // separator, empty when there is none (the host then passes null); every
    // variable; the value references of height and velocity, the states.
    std::string resourcePath;
    std::vector<Fmi3Variable> variables;
    unsigned heightReference = 1, velocityReference = 2;
};

// What a model description says, as far as this program needs it. Empty
// optionals for what the file does not say.
struct ModelDescription {
    std::string standardVersion;  // the fmiVersion attribute: "3.0", "2.0" or "1.0"
    std::string guid;             // FMI 3.0: the instantiationToken
    std::optional<std::string> modelExchangeIdentifier;  // FMI 2.0 <ModelExchange>, or FMI 1.0 root
    std::optional<std::string> coSimulationIdentifier;   // FMI 2.0 <CoSimulation>
    VariableNames names;
    std::optional<std::size_t> stateCount;       // FMI 1.0 attribute, FMI 2.0 <Derivatives> entries
    std::optional<std::size_t> indicatorCount;
    std::vector<Fmi3Variable> variables;     // FMI 3.0
    std::vector<unsigned> stateReferences;   // FMI 3.0: the states, from their derivatives
};

// Reads the few parts of a modelDescription.xml that a host needs; error
// holds a message when the text is not a usable description.
ModelDescription readModelDescription(const std::string& xml, std::string& error);

// A directory that is removed with everything in it when this object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::filesystem::path& path() const { return directory; }

private:
    std::filesystem::path directory;
};

// Unpacks an .fmu into unpackTo and describes the component inside it.
std::optional<ComponentDescription> describeFmu(const std::filesystem::path& fmu, const std::filesystem::path& unpackTo,
                                                std::optional<Interface> wanted, std::string& error);

// Describes a bare shared library from its exports.
std::optional<ComponentDescription> describeLibrary(const std::filesystem::path& library,
                                                    std::optional<Interface> wanted, std::string& error);

}  // namespace rebounder_host
