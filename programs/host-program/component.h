// Finding out what a component is: its FMI version, interface, model
// identifier, variable names and sizes, from the model description of an .fmu
// archive or, for a bare library, from the functions it exports.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace rebounder_host {

enum class Interface { fmi2ModelExchange, fmi2CoSimulation, fmi1ModelExchange };

const char* describe(Interface interface);

// Variable names by type letter (r, i, b, s, as in log-message references)
// and value reference.
using VariableNames = std::map<std::pair<char, unsigned>, std::string>;

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
};

// What a model description says, as far as this program needs it. Empty
// optionals for what the file does not say.
struct ModelDescription {
    std::string standardVersion;  // the fmiVersion attribute: "2.0" or "1.0"
    std::string guid;
    std::optional<std::string> modelExchangeIdentifier;  // FMI 2.0 <ModelExchange>, or FMI 1.0 root
    std::optional<std::string> coSimulationIdentifier;   // FMI 2.0 <CoSimulation>
    VariableNames names;
    std::optional<std::size_t> stateCount;       // FMI 1.0 attribute, FMI 2.0 <Derivatives> entries
    std::optional<std::size_t> indicatorCount;
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
