// The .fmu archives as an FMI tool imports them: each is unpacked, its layout
// checked, its modelDescription.xml validated against the FMI schema and
// against the rules the schema cannot check, and the library inside loaded
// and asked whether the description tells the truth about it.
#ifdef REBOUNDER_FMU_DIRECTORY

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "harness.h"
#include "model_description_rules.h"
#include "model_expectations.h"
#include "xml_reader.h"

namespace {

namespace fs = std::filesystem;

enum class Interface { modelExchange2, coSimulation2, modelExchange1, both3 };

struct Archive {
    const char* file;
    const char* identifier;  // the library's base name inside the archive
    Interface interface;
    const char* schema;   // entry schema, relative to the schemas folder
    const char* library;  // the library as built
};

// Test names and failure messages show the archive's file name.
void PrintTo(const Archive& archive, std::ostream* out) { *out << archive.file; }

std::vector<Archive> allArchives() {
    std::vector<Archive> archives;
#ifdef PELLIDOR_LIBRARY
    archives.push_back({"pellidor.fmu", "pellidor", Interface::modelExchange2, "fmi2/fmi2ModelDescription.xsd", PELLIDOR_LIBRARY});
#endif
#ifdef CORVANE_LIBRARY
    archives.push_back({"corvane.fmu", "corvane", Interface::coSimulation2, "fmi2/fmi2ModelDescription.xsd", CORVANE_LIBRARY});
#endif
#ifdef TRESSIVO_LIBRARY
    archives.push_back({"tressivo.fmu", "Rebounder", Interface::modelExchange1, "fmi1/fmiModelDescription.xsd", TRESSIVO_LIBRARY});
#endif
#ifdef VARNELLE_LIBRARY
    archives.push_back({"varnelle.fmu", "varnelle", Interface::both3, "fmi3/fmi3ModelDescription.xsd", VARNELLE_LIBRARY});
#endif
    return archives;
}

template <typename Predicate>
std::vector<Archive> archivesWhere(Predicate chosen) {
    std::vector<Archive> archives;
    for (const Archive& a : allArchives())
        if (chosen(a.interface)) archives.push_back(a);
    return archives;
}
std::vector<Archive> fmi2Archives() {
    return archivesWhere([](Interface i) { return i == Interface::modelExchange2 || i == Interface::coSimulation2; });
}
std::vector<Archive> modelExchange2Archives() {
    return archivesWhere([](Interface i) { return i == Interface::modelExchange2; });
}
std::vector<Archive> fmi1Archives() {
    return archivesWhere([](Interface i) { return i == Interface::modelExchange1; });
}
std::vector<Archive> fmi3Archives() {
    return archivesWhere([](Interface i) { return i == Interface::both3; });
}

std::string archivePath(const Archive& a) { return std::string(REBOUNDER_FMU_DIRECTORY) + "/" + a.file; }
std::string schemaPath(const Archive& a) { return std::string(REBOUNDER_FMI_SCHEMAS) + "/" + a.schema; }

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Exit status of a shell command, its output discarded.
int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::vector<std::string> outputLines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    std::string line;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) {
        if (ch == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(ch);
        }
    }
    if (!line.empty()) lines.push_back(line);
    pclose(pipe);
    return lines;
}

// A declared variable, FMI 1.0 and 2.0 alike.
struct Declared {
    std::string label, type;
    unsigned vr = 0;
    std::optional<std::string> start;
};

// One value read through a library: whether the component answered OK, and
// the value (numbers of every type as a double, strings as text).
struct Value {
    bool ok = false;
    double number = 0.0;
    const char* text = "unset";
};
using Reader = std::function<Value(const std::string& type, unsigned vr)>;

// Calls a getter of either FMI version for one value reference; OK is 0 in both.
template <typename Status, typename Component, typename Reference, typename T>
Value getOne(Status (*getter)(Component, const Reference*, size_t, T*), Component c, Reference vr) {
    T value{};
    Value read;
    read.ok = getter(c, &vr, 1, &value) == Status{};
    if constexpr (std::is_pointer_v<T>)
        read.text = value;
    else
        read.number = static_cast<double>(value);
    return read;
}

// Every declared variable can be read, and the next value reference of each
// type cannot: the description declares what the library has, no less.
void expectExactlyTheDeclaredVariables(const std::vector<Declared>& variables, const Reader& read) {
    std::map<std::string, unsigned> lastReference;
    for (const Declared& d : variables) {
        EXPECT_TRUE(read(d.type, d.vr).ok) << d.label << " cannot be read through the library";
        lastReference[d.type] = std::max(lastReference[d.type], d.vr);
    }
    for (const char* type : {"Real", "Integer", "Boolean", "String"}) {
        ASSERT_TRUE(lastReference.count(type)) << "no " << type << " variable declared";
        EXPECT_FALSE(read(type, lastReference[type] + 1).ok)
            << type << " value reference " << lastReference[type] + 1 << " exists in the library but not in the description";
    }
}

// Every start value is the value the component holds after initialisation.
void expectStartValues(const std::vector<Declared>& variables, const Reader& read) {
    for (const Declared& d : variables) {
        if (!d.start) continue;
        const Value value = read(d.type, d.vr);
        EXPECT_TRUE(value.ok) << d.label;
        if (d.type == "String") {
            // No XML start can say "no value": the component holds none until
            // a string is written, and the description says "".
            EXPECT_TRUE(value.text == nullptr || *d.start == value.text) << d.label;
        } else if (d.type == "Boolean") {
            EXPECT_EQ(value.number, (*d.start == "true" || *d.start == "1") ? 1.0 : 0.0) << d.label;
        } else {
            EXPECT_EQ(value.number, std::strtod(d.start->c_str(), nullptr)) << d.label;
        }
    }
}

// An archive unpacked into a fresh folder, removed after the test.
class Unpacked : public ::testing::TestWithParam<Archive> {
protected:
    fs::path folder;
    xml::Element description;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rebounder-fmu-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        ASSERT_TRUE(fs::exists(archivePath(GetParam()))) << archivePath(GetParam()) << " was not built";
        ASSERT_EQ(run(std::string(REBOUNDER_UNZIP) + " -q '" + archivePath(GetParam()) + "' -d '" + folder.string() + "'"), 0)
            << "unzip cannot unpack " << GetParam().file;
        ASSERT_TRUE(fs::exists(folder / "modelDescription.xml")) << "no modelDescription.xml at the archive's root";
        description = xml::parse(readFile(folder / "modelDescription.xml"));
    }
    void TearDown() override {
        if (!folder.empty()) fs::remove_all(folder);
    }

    bool fmi3() const { return GetParam().interface == Interface::both3; }
    // FMI 3.0 names the platform folder after architecture and system.
    std::string binaryEntry() const {
        return std::string("binaries/") + (fmi3() ? REBOUNDER_FMU3_PLATFORM : REBOUNDER_FMU_PLATFORM) + "/" +
               GetParam().identifier + REBOUNDER_LIBRARY_SUFFIX;
    }
    fs::path binary() const { return folder / binaryEntry(); }

    // The identifier a host derives the library's name from.
    std::string modelIdentifier() const {
        if (GetParam().interface == Interface::modelExchange1) return description.attribute("modelIdentifier").value_or("");
        const char* element = GetParam().interface == Interface::coSimulation2 ? "CoSimulation" : "ModelExchange";
        const xml::Element* e = description.child(element);
        return e ? e->attribute("modelIdentifier").value_or("") : "";
    }
};

std::string archiveName(const ::testing::TestParamInfo<Archive>& info) { return std::string(info.param.identifier); }

// ---- every archive ----------------------------------------------------------

TEST_P(Unpacked, HoldsTheDescriptionAndOneLibraryInTheStandardLayout) {
    std::set<std::string> files, folders;
    for (const std::string& entry : outputLines(std::string(REBOUNDER_UNZIP) + " -Z1 '" + archivePath(GetParam()) + "'")) {
        EXPECT_EQ(entry.find('\\'), std::string::npos) << entry << ": archive paths use / only";
        EXPECT_NE(entry.front(), '/') << entry << ": archive paths are relative";
        (entry.back() == '/' ? folders : files).insert(entry);
    }
    EXPECT_EQ(files, (std::set<std::string>{"modelDescription.xml", binaryEntry()}));
    for (const std::string& folderEntry : folders)
        EXPECT_EQ(binaryEntry().rfind(folderEntry, 0), 0u) << "unexpected folder " << folderEntry;
}

TEST_P(Unpacked, CarriesTheLibraryAsBuilt) {
    ASSERT_TRUE(fs::exists(binary())) << binaryEntry() << " missing";
    EXPECT_TRUE(readFile(binary()) == readFile(GetParam().library)) << binaryEntry() << " differs from " << GetParam().library;
}

TEST_P(Unpacked, DescriptionNamesTheLibraryAndTheGuidTheComponentAccepts) {
    EXPECT_EQ(modelIdentifier(), GetParam().identifier) << "a host would look for a library of another name";
    EXPECT_EQ(fs::path(binaryEntry()).stem().string(), modelIdentifier());
    // FMI 3.0 calls the GUID the instantiation token.
    EXPECT_EQ(description.attribute(fmi3() ? "instantiationToken" : "guid"), expected::guid)
        << "the component refuses every other GUID";
    const char* version = GetParam().interface == Interface::modelExchange1 ? "1.0" : fmi3() ? "3.0" : "2.0";
    EXPECT_EQ(description.attribute("fmiVersion"), version);
}

TEST_P(Unpacked, DescriptionValidatesAgainstTheSchema) {
    const std::string schema = schemaPath(GetParam());
    ASSERT_TRUE(fs::exists(schema)) << "schema not found: " << schema << " (set REBOUNDER_FMI_SCHEMAS)";
    const std::string validate = std::string(REBOUNDER_XMLLINT) + " --noout --schema '" + schema + "' ";
    EXPECT_EQ(run(validate + "'" + (folder / "modelDescription.xml").string() + "'"), 0)
        << "xmllint rejects the description of " << GetParam().file;

    // The same file with a version the schema does not know must fail, or
    // the check above proves nothing.
    std::string broken = readFile(folder / "modelDescription.xml");
    const std::string version = "fmiVersion=\"" + description.attribute("fmiVersion").value_or("") + "\"";
    broken.replace(broken.find(version), version.size(), "fmiVersion=\"0.9\"");
    std::ofstream(folder / "broken.xml") << broken;
    EXPECT_NE(run(validate + "'" + (folder / "broken.xml").string() + "'"), 0);
}

INSTANTIATE_TEST_SUITE_P(Archives, Unpacked, ::testing::ValuesIn(allArchives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Unpacked);

// ---- FMI 2.0 ----------------------------------------------------------------

class Fmi2Archive : public Unpacked {
protected:
    host::Host host;
    std::unique_ptr<host::Library> library;
    std::unique_ptr<host::Fmi2Api> api;
    fmi2CallbackFunctions callbacks = host.fmi2Callbacks();
    fmi2Component c = nullptr;
    std::vector<rules::Variable2> variables;

    void SetUp() override {
        Unpacked::SetUp();
        if (HasFatalFailure()) return;
        variables = rules::variables2(description);
        library = std::make_unique<host::Library>(binary().string());
        ASSERT_TRUE(library->loaded()) << library->error();
        api = std::make_unique<host::Fmi2Api>(*library);
        const fmi2Type type = GetParam().interface == Interface::modelExchange2 ? fmi2ModelExchange : fmi2CoSimulation;
        c = api->fmi2Instantiate("ball", type, description.attribute("guid").value_or("").c_str(), "", &callbacks,
                                 fmi2False, fmi2False);
        ASSERT_NE(c, nullptr) << "the component refuses the description's GUID";
        ASSERT_EQ(api->fmi2EnterInitializationMode(c), fmi2OK);
        ASSERT_EQ(api->fmi2ExitInitializationMode(c), fmi2OK);
    }
    void TearDown() override {
        if (c != nullptr) api->fmi2FreeInstance(c);
        Unpacked::TearDown();
    }
    bool modelExchange() const { return GetParam().interface == Interface::modelExchange2; }
    const xml::Element& interfaceElement() const {
        return *description.child(modelExchange() ? "ModelExchange" : "CoSimulation");
    }

    Value read(const std::string& type, fmi2ValueReference vr) {
        if (type == "Real") return getOne(api->fmi2GetReal, c, vr);
        if (type == "Integer") return getOne(api->fmi2GetInteger, c, vr);
        if (type == "Boolean") return getOne(api->fmi2GetBoolean, c, vr);
        return getOne(api->fmi2GetString, c, vr);
    }
    Reader reader() {
        return [this](const std::string& type, unsigned vr) { return read(type, vr); };
    }
    std::vector<Declared> declared() const {
        std::vector<Declared> list;
        for (const rules::Variable2& v : variables)
            list.push_back({v.label(), v.type, v.valueReference, v.value ? v.value->attribute("start") : std::nullopt});
        return list;
    }
    fmi2Real real(fmi2ValueReference vr) {
        fmi2Real v = -1.0;
        EXPECT_EQ(api->fmi2GetReal(c, &vr, 1, &v), fmi2OK);
        return v;
    }
};

TEST_P(Fmi2Archive, DescriptionFollowsTheRulesBeyondTheSchema) {
    const rules::Problems problems = rules::fmi2Problems(description, !modelExchange());
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

TEST_P(Fmi2Archive, OffersOnlyTheInterfaceTheLibraryExports) {
    EXPECT_EQ(description.all("ModelExchange").size(), modelExchange() ? 1u : 0u);
    EXPECT_EQ(description.all("CoSimulation").size(), modelExchange() ? 0u : 1u);
    EXPECT_EQ(api->fmi2GetDerivatives != nullptr, modelExchange()) << "fmi2GetDerivatives";
    EXPECT_EQ(api->fmi2DoStep != nullptr, !modelExchange()) << "fmi2DoStep";
}

TEST_P(Fmi2Archive, CapabilityFlagsAreHonest) {
    const xml::Element& e = interfaceElement();
    // No FMU state, no serialization, no directional derivatives: even the
    // strict-host build only refuses those calls.
    for (const char* flag : {"canGetAndSetFMUstate", "canSerializeFMUstate", "providesDirectionalDerivative",
                             "canBeInstantiatedOnlyOncePerProcess", "canNotUseMemoryManagementFunctions",
                             "needsExecutionTool"})
        EXPECT_EQ(e.attribute(flag).value_or("false"), "false") << flag;
    if (modelExchange()) {
        // The component never asks for event mode from fmi2CompletedIntegratorStep,
        // but hosts must still call it; the default says so.
        EXPECT_EQ(e.attribute("completedIntegratorStepNotNeeded").value_or("false"), "false");
    } else {
        EXPECT_EQ(e.attribute("canHandleVariableCommunicationStepSize"), "true");
        EXPECT_EQ(e.attribute("canRunAsynchronuously").value_or("false"), "false");
        EXPECT_EQ(e.attribute("canInterpolateInputs").value_or("false"), "false") << "the model has no inputs";
        // The output derivative table holds 13.0 whatever the model does: it
        // is no derivative a host should extrapolate with.
        EXPECT_EQ(e.attribute("maxOutputDerivativeOrder").value_or("0"), "0");
    }
}

TEST_P(Fmi2Archive, DeclaresExactlyTheVariablesTheLibraryHas) {
    expectExactlyTheDeclaredVariables(declared(), reader());
}

TEST_P(Fmi2Archive, StartValuesAreTheOnesInitialisationSets) { expectStartValues(declared(), reader()); }

TEST_P(Fmi2Archive, HostMayWriteWhatTheDescriptionLetsItWrite) {
    // The states are calculated at initialisation, yet a host sets them
    // between steps, so the library takes writes to them whatever they say.
    std::set<unsigned> states;
    for (const rules::Variable2& v : variables)
        if (const auto derivativeOf = v.value ? v.value->attribute("derivative") : std::nullopt)
            states.insert(static_cast<unsigned>(std::stoul(*derivativeOf)));
    for (const rules::Variable2& v : variables) {
        SCOPED_TRACE(v.label());
        fmi2ValueReference vr = v.valueReference;
        const bool settable = v.hasStart() && rules::effectiveInitial(v) != "calculated";
        if (v.type == "Real") {
            const fmi2Real value = 0.25 + v.index;
            const fmi2Status status = api->fmi2SetReal(c, &vr, 1, &value);
            if (settable || states.count(v.index) != 0) {
                EXPECT_EQ(status, fmi2OK);
                EXPECT_EQ(real(vr), value);
            } else {
                EXPECT_NE(status, fmi2OK) << "the description calls it calculated, yet the library takes the write";
            }
        } else if (v.type == "Integer") {
            const fmi2Integer value = static_cast<fmi2Integer>(v.index);
            fmi2Integer back = 0;
            EXPECT_EQ(api->fmi2SetInteger(c, &vr, 1, &value), settable ? fmi2OK : fmi2Error);
            EXPECT_EQ(api->fmi2GetInteger(c, &vr, 1, &back), fmi2OK);
            if (settable) {
                EXPECT_EQ(back, value);
            }
        } else if (v.type == "Boolean") {
            const fmi2Boolean value = fmi2True;
            fmi2Boolean back = 0;
            EXPECT_EQ(api->fmi2SetBoolean(c, &vr, 1, &value), settable ? fmi2OK : fmi2Error);
            EXPECT_EQ(api->fmi2GetBoolean(c, &vr, 1, &back), fmi2OK);
            if (settable) {
                EXPECT_EQ(back, value);
            }
        } else if (v.type == "String") {
            const fmi2String value = v.name.c_str();
            fmi2String back = nullptr;
            EXPECT_EQ(api->fmi2SetString(c, &vr, 1, &value), settable ? fmi2OK : fmi2Error);
            EXPECT_EQ(api->fmi2GetString(c, &vr, 1, &back), fmi2OK);
            if (settable) {
                ASSERT_NE(back, nullptr);
                EXPECT_EQ(std::string(back), v.name);
            }
        }
    }
}

// Model exchange only: a co-simulation slave keeps its states to itself.
class Fmi2ModelExchangeArchive : public Fmi2Archive {};

TEST_P(Fmi2ModelExchangeArchive, StateVectorIsInTheOrderOfDerivatives) {
    const xml::Element* derivatives = description.child("ModelStructure")->child("Derivatives");
    ASSERT_NE(derivatives, nullptr);
    std::vector<const rules::Variable2*> derivative, state;
    for (const xml::Element* unknown : derivatives->all("Unknown")) {
        derivative.push_back(&variables.at(std::stoul(*unknown->attribute("index")) - 1));
        state.push_back(&variables.at(std::stoul(*derivative.back()->value->attribute("derivative")) - 1));
    }
    const std::size_t nx = derivative.size();
    ASSERT_EQ(nx, 2u);

    // States written as a vector read back by value reference in the same
    // order; the derivative vector matches the Derivatives variables.
    const fmi2Real x[2] = {0.75, -1.5};
    ASSERT_EQ(api->fmi2SetContinuousStates(c, x, nx), fmi2OK);
    fmi2Real dx[2] = {0.0, 0.0};
    ASSERT_EQ(api->fmi2GetDerivatives(c, dx, nx), fmi2OK);
    for (std::size_t k = 0; k < nx; ++k) {
        EXPECT_EQ(real(state[k]->valueReference), x[k]) << "state " << k << " is not " << state[k]->name;
        EXPECT_EQ(real(derivative[k]->valueReference), dx[k]) << "derivative " << k << " is not " << derivative[k]->name;
    }
    // The counts a host takes from the description are the component's own.
    fmi2Real buffer[3] = {};
    EXPECT_EQ(api->fmi2GetContinuousStates(c, buffer, nx), fmi2OK);
    EXPECT_NE(api->fmi2GetContinuousStates(c, buffer, nx + 1), fmi2OK);
    const std::size_t ni = std::stoul(description.attribute("numberOfEventIndicators").value_or("0"));
    EXPECT_EQ(ni, 1u);
    EXPECT_EQ(api->fmi2GetEventIndicators(c, buffer, ni), fmi2OK);
    EXPECT_NE(api->fmi2GetEventIndicators(c, buffer, ni + 1), fmi2OK);
}

TEST_P(Fmi2Archive, EveryLoggedCategoryIsListed) {
    std::set<std::string> listed;
    if (const xml::Element* categories = description.child("LogCategories"))
        for (const xml::Element* category : categories->all("Category")) listed.insert(*category->attribute("name"));

    // Initialisation messages, the refused write of a calculated variable and
    // a refused value reference: one message of each category.
    ASSERT_EQ(api->fmi2SetDebugLogging(c, fmi2True, 0, nullptr), fmi2OK);
    ASSERT_EQ(api->fmi2EnterInitializationMode(c), fmi2OK);
    for (const rules::Variable2& v : variables) {
        if (v.type != "Real" || v.hasStart() || v.causality == "output") continue;
        const fmi2ValueReference vr = v.valueReference;
        const fmi2Real value = 1.0;
        EXPECT_NE(api->fmi2SetReal(c, &vr, 1, &value), fmi2OK);
    }
    EXPECT_FALSE(read("Integer", 1000).ok);

    std::set<std::string> logged;
    for (const host::LogEntry& entry : host.log) logged.insert(entry.category);
    EXPECT_EQ(logged, (std::set<std::string>{"INFO", "WARNING", "ERROR"}));
    for (const std::string& category : logged) EXPECT_TRUE(listed.count(category)) << category << " is not in LogCategories";
}

INSTANTIATE_TEST_SUITE_P(Archives, Fmi2Archive, ::testing::ValuesIn(fmi2Archives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Fmi2Archive);
INSTANTIATE_TEST_SUITE_P(Archives, Fmi2ModelExchangeArchive, ::testing::ValuesIn(modelExchange2Archives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Fmi2ModelExchangeArchive);

// ---- the two sets of FMI 2.0 archives -----------------------------------------

// A host that looks up every FMI 2.0 function of the interface it uses (as
// FMPy, the FMU SDK's and the Reference FMUs' fmusim do) loads and runs the
// strict-host set, and refuses the default set for exactly the seven
// optional functions.
class BothSets : public ::testing::TestWithParam<Archive> {};

struct TemporaryFolder {
    fs::path path;
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "rebounder-fmu-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TemporaryFolder() {
        if (!path.empty()) fs::remove_all(path);
    }
};

TEST_P(BothSets, OnlyTheStrictHostSetLoadsInAHostThatRequiresEveryFunction) {
    std::set<std::string> seven;
    std::ifstream list(std::string(REBOUNDER_EXPORT_LISTS) + "/fmi2-strict-host.txt");
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line[0] != '#') seven.insert(line);
    ASSERT_EQ(seven.size(), 7u);
    const bool modelExchange = GetParam().interface == Interface::modelExchange2;
    const fmi2Type type = modelExchange ? fmi2ModelExchange : fmi2CoSimulation;

    for (const std::string set : {REBOUNDER_DEFAULT_FMU_DIRECTORY, REBOUNDER_STRICT_HOST_FMU_DIRECTORY}) {
        SCOPED_TRACE(set + "/" + GetParam().file);
        const TemporaryFolder folder;
        ASSERT_FALSE(folder.path.empty());
        ASSERT_EQ(run(std::string(REBOUNDER_UNZIP) + " -q '" + set + "/" + GetParam().file + "' -d '" +
                      folder.path.string() + "'"), 0);
        host::Library library((folder.path / "binaries" / REBOUNDER_FMU_PLATFORM / GetParam().identifier).string() +
                              REBOUNDER_LIBRARY_SUFFIX);
        ASSERT_TRUE(library.loaded()) << library.error();
        const host::Fmi2Api api(library);
        std::size_t required = 0;
        const std::vector<std::string> missing = api.missingForStrictHost(type, required);
        EXPECT_EQ(required, modelExchange ? 35u : 34u);
        if (set != REBOUNDER_STRICT_HOST_FMU_DIRECTORY) {
            EXPECT_EQ(std::set<std::string>(missing.begin(), missing.end()), seven);
            continue;
        }
        ASSERT_TRUE(missing.empty()) << "a strict host refuses the library for lacking " << missing.front();
        host::Host host;
        fmi2CallbackFunctions callbacks = host.fmi2Callbacks();
        fmi2Component c = api.fmi2Instantiate("ball", type, "123", "", &callbacks, fmi2False, fmi2False);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(api.fmi2EnterInitializationMode(c), fmi2OK);
        EXPECT_EQ(api.fmi2ExitInitializationMode(c), fmi2OK);
        fmi2Real derivatives[2] = {0.0, 0.0};
        EXPECT_EQ(modelExchange ? api.fmi2GetDerivatives(c, derivatives, 2) : api.fmi2DoStep(c, 0.0, 0.1, fmi2True),
                  fmi2OK);
        api.fmi2FreeInstance(c);
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, BothSets, ::testing::ValuesIn(fmi2Archives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BothSets);

// ---- FMI 1.0 ----------------------------------------------------------------

class Fmi1Archive : public Unpacked {
protected:
    host::Host host;
    std::unique_ptr<host::Library> library;
    std::unique_ptr<host::Fmi1Api> api;
    fmiComponent c = nullptr;

    std::vector<Declared> variables;
    std::vector<std::string> variability;  // of each variable, in order

    void SetUp() override {
        Unpacked::SetUp();
        if (HasFatalFailure()) return;
        for (const xml::Element* e : description.child("ModelVariables")->all("ScalarVariable")) {
            Declared d{*e->attribute("name"), "", static_cast<unsigned>(std::stoul(*e->attribute("valueReference"))),
                       std::nullopt};
            for (const xml::Element& value : e->children) {
                d.type = value.name;
                d.start = value.attribute("start");
            }
            variables.push_back(d);
            variability.push_back(e->attribute("variability").value_or("continuous"));
        }
        library = std::make_unique<host::Library>(binary().string());
        ASSERT_TRUE(library->loaded()) << library->error();
        // FMI 1.0 functions carry the model identifier as their prefix.
        api = std::make_unique<host::Fmi1Api>(*library, modelIdentifier() + "_");
        ASSERT_NE(api->fmiInstantiateModel, nullptr) << "no " << modelIdentifier() << "_fmiInstantiateModel";
        c = api->fmiInstantiateModel("ball", description.attribute("guid").value_or("").c_str(), host.fmi1Callbacks(),
                                     fmiFalse);
        ASSERT_NE(c, nullptr) << "the component refuses the description's GUID";
        fmiEventInfo eventInfo{};
        ASSERT_EQ(api->fmiInitialize(c, fmiFalse, 0.0, &eventInfo), fmiOK);
    }
    void TearDown() override {
        if (c != nullptr) api->fmiFreeModelInstance(c);
        Unpacked::TearDown();
    }

    Reader reader() {
        return [this](const std::string& type, fmiValueReference vr) {
            if (type == "Real") return getOne(api->fmiGetReal, c, vr);
            if (type == "Integer") return getOne(api->fmiGetInteger, c, vr);
            if (type == "Boolean") return getOne(api->fmiGetBoolean, c, vr);
            return getOne(api->fmiGetString, c, vr);
        };
    }
};

TEST_P(Fmi1Archive, DescriptionFollowsTheRulesBeyondTheSchema) {
    for (const std::string& problem : rules::fmi1Problems(description)) ADD_FAILURE() << problem;
}

TEST_P(Fmi1Archive, DeclaresExactlyTheVariablesTheLibraryHas) {
    expectExactlyTheDeclaredVariables(variables, reader());
}

TEST_P(Fmi1Archive, StartValuesAreTheOnesInitialisationSets) {
    // The component sets every variable at instantiation or initialisation,
    // so every one carries its start value.
    for (const Declared& d : variables) EXPECT_TRUE(d.start) << d.label << " has no start value";
    expectStartValues(variables, reader());
}

TEST_P(Fmi1Archive, StateCountsAndReferencesAreTheComponentsOwn) {
    const std::size_t nx = std::stoul(description.attribute("numberOfContinuousStates").value_or("0"));
    const std::size_t ni = std::stoul(description.attribute("numberOfEventIndicators").value_or("0"));
    ASSERT_EQ(nx, 2u);
    EXPECT_EQ(ni, 1u);
    fmiValueReference references[3] = {99, 99, 99};
    ASSERT_EQ(api->fmiGetStateValueReferences(c, references, nx), fmiOK);
    // The states the component reports are the continuous Reals declared
    // first, in the same order.
    std::vector<const Declared*> continuousReals;
    for (std::size_t k = 0; k < variables.size(); ++k)
        if (variables[k].type == "Real" && variability[k] == "continuous") continuousReals.push_back(&variables[k]);
    ASSERT_EQ(continuousReals.size(), nx);
    for (std::size_t k = 0; k < nx; ++k) EXPECT_EQ(references[k], continuousReals[k]->vr) << "state " << k;

    fmiReal buffer[3] = {};
    EXPECT_EQ(api->fmiGetContinuousStates(c, buffer, nx), fmiOK);
    EXPECT_NE(api->fmiGetContinuousStates(c, buffer, nx + 1), fmiOK);
    EXPECT_EQ(api->fmiGetEventIndicators(c, buffer, ni), fmiOK);
    EXPECT_NE(api->fmiGetEventIndicators(c, buffer, ni + 1), fmiOK);
}

INSTANTIATE_TEST_SUITE_P(Archives, Fmi1Archive, ::testing::ValuesIn(fmi1Archives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Fmi1Archive);

// ---- FMI 3.0 ----------------------------------------------------------------

struct Message3 {
    fmi3Status status;
    std::string category, text;
};
// What the host side of one instance sees: the messages, the intermediate
// updates, and whether it asks for an early return at the first update. The
// instance environment points at it.
struct HostSide {
    std::vector<Message3> log;
    std::vector<double> updateTimes;
    bool requestEarlyReturn = false;
};
void logInto(fmi3InstanceEnvironment environment, fmi3Status status, fmi3String category, fmi3String message) {
    static_cast<HostSide*>(environment)->log.push_back({status, category ? category : "(null)", message ? message : "(null)"});
}
void intermediateUpdate(fmi3InstanceEnvironment environment, fmi3Float64 time, fmi3Boolean, fmi3Boolean, fmi3Boolean,
                        fmi3Boolean, fmi3Boolean* earlyReturnRequested, fmi3Float64* earlyReturnTime) {
    auto* side = static_cast<HostSide*>(environment);
    side->updateTimes.push_back(time);
    if (side->requestEarlyReturn) {
        *earlyReturnRequested = fmi3True;
        *earlyReturnTime = time;
    }
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> list;
    std::istringstream in(text);
    for (std::string word; in >> word;) list.push_back(word);
    return list;
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(k, 2), nullptr, 16)));
    return bytes;
}

class Fmi3Archive : public Unpacked {
protected:
    std::unique_ptr<host::Library> library;
    std::unique_ptr<host::Fmi3Api> api;
    std::vector<rules::Variable3> variables;
    HostSide side;
    std::vector<Message3>& log = side.log;
    std::vector<fmi3Instance> instances;  // freed after each test

    void SetUp() override {
        Unpacked::SetUp();
        if (HasFatalFailure()) return;
        variables = rules::variables3(description);
        library = std::make_unique<host::Library>(binary().string());
        ASSERT_TRUE(library->loaded()) << library->error();
        api = std::make_unique<host::Fmi3Api>(*library);
    }
    void TearDown() override {
        for (fmi3Instance instance : instances) api->fmi3FreeInstance(instance);
        Unpacked::TearDown();
    }
    std::string token() const { return description.attribute("instantiationToken").value_or(""); }

    // A model-exchange instance made with the description's token, logging on.
    fmi3Instance modelExchange() {
        fmi3Instance instance =
            api->fmi3InstantiateModelExchange("ball", token().c_str(), nullptr, fmi3False, fmi3True, &side, logInto);
        if (instance != nullptr) instances.push_back(instance);
        return instance;
    }
    // A co-simulation instance with event mode, early return and the
    // intermediate-update callback, logging on.
    fmi3Instance coSimulation(const std::vector<fmi3ValueReference>& required = {}, bool earlyReturnAllowed = true) {
        fmi3Instance instance = api->fmi3InstantiateCoSimulation(
            "ball", token().c_str(), nullptr, fmi3False, fmi3True, fmi3True, earlyReturnAllowed, required.data(),
            required.size(), &side, logInto, intermediateUpdate);
        if (instance != nullptr) instances.push_back(instance);
        return instance;
    }
    const rules::Variable3& named(const std::string& name) const {
        for (const rules::Variable3& v : variables)
            if (v.name == name) return v;
        throw std::runtime_error("no variable " + name);
    }
    double float64(fmi3Instance instance, fmi3ValueReference vr) {
        double value = -1.0;
        EXPECT_EQ(api->fmi3GetFloat64(instance, &vr, 1, &value, 1), fmi3OK) << "value reference " << vr;
        return value;
    }
    const xml::Element& interfaceElement(const char* name) const { return *description.child(name); }
    std::vector<const rules::Variable3*> structure(const char* entry) const {
        std::vector<const rules::Variable3*> list;
        for (const xml::Element* e : description.child("ModelStructure")->all(entry))
            for (const rules::Variable3& v : variables)
                if (std::to_string(v.valueReference) == e->attribute("valueReference")) list.push_back(&v);
        return list;
    }
    // Reads a variable of any declared type with the getter of its type; OK or not.
    bool readable(fmi3Instance instance, const rules::Variable3& v) {
        const fmi3ValueReference vr = v.valueReference;
        const std::size_t n = v.size();
        std::vector<double> floats(n);
        std::vector<fmi3Int32> ints(n);
        std::unique_ptr<fmi3Boolean[]> booleans(new fmi3Boolean[n]);
        std::vector<fmi3String> strings(n);
        std::vector<fmi3Binary> binaries(n);
        std::vector<std::size_t> sizes(n);
        if (v.type == "Float64") return api->fmi3GetFloat64(instance, &vr, 1, floats.data(), n) == fmi3OK;
        if (v.type == "Int32") return api->fmi3GetInt32(instance, &vr, 1, ints.data(), n) == fmi3OK;
        if (v.type == "Boolean") return api->fmi3GetBoolean(instance, &vr, 1, booleans.get(), n) == fmi3OK;
        if (v.type == "String") return api->fmi3GetString(instance, &vr, 1, strings.data(), n) == fmi3OK;
        if (v.type == "Binary") return api->fmi3GetBinary(instance, &vr, 1, sizes.data(), binaries.data(), n) == fmi3OK;
        ADD_FAILURE() << v.label() << ": a type these checks do not read";
        return false;
    }
};

TEST_P(Fmi3Archive, DescriptionFollowsTheRulesBeyondTheSchema) {
    for (const std::string& problem : rules::fmi3Problems(description)) ADD_FAILURE() << problem;
}

TEST_P(Fmi3Archive, OneLibraryServesBothInterfaces) {
    EXPECT_EQ(interfaceElement("ModelExchange").attribute("modelIdentifier"), modelIdentifier());
    EXPECT_EQ(interfaceElement("CoSimulation").attribute("modelIdentifier"), modelIdentifier());
    EXPECT_NE(modelExchange(), nullptr) << "the model-exchange instantiation refuses the description's token";
    EXPECT_NE(coSimulation(), nullptr) << "the co-simulation instantiation refuses the description's token";
}

TEST_P(Fmi3Archive, DeclaresExactlyTheVariablesTheLibraryHas) {
    fmi3Instance c = modelExchange();
    ASSERT_NE(c, nullptr);
    std::set<unsigned> declared;
    for (const rules::Variable3& v : variables) {
        EXPECT_TRUE(readable(c, v)) << v.label() << " cannot be read through the library";
        declared.insert(v.valueReference);
    }
    // Every other reference up to past the last declared one is refused by
    // the Float64 and the Int32 getter.
    for (unsigned vr = 0; vr <= *declared.rbegin() + 10; ++vr) {
        if (declared.count(vr)) continue;
        double value = 0.0;
        fmi3Int32 integer = 0;
        EXPECT_EQ(api->fmi3GetFloat64(c, &vr, 1, &value, 1), fmi3Error) << "value reference " << vr << " is not declared";
        EXPECT_EQ(api->fmi3GetInt32(c, &vr, 1, &integer, 1), fmi3Error) << "value reference " << vr << " is not declared";
    }
}

TEST_P(Fmi3Archive, StartValuesAreTheInstancesFromInstantiation) {
    fmi3Instance c = modelExchange();
    ASSERT_NE(c, nullptr);
    for (const rules::Variable3& v : variables) {
        if (!v.hasStart()) continue;
        SCOPED_TRACE(v.label());
        const fmi3ValueReference vr = v.valueReference;
        const std::vector<std::string> start = words(v.element->attribute("start").value_or(""));
        if (v.type == "Float64") {
            std::vector<double> values(v.size(), -1.0);
            ASSERT_EQ(api->fmi3GetFloat64(c, &vr, 1, values.data(), values.size()), fmi3OK);
            for (std::size_t k = 0; k < values.size(); ++k)
                EXPECT_EQ(values[k], std::strtod(start.at(start.size() == 1 ? 0 : k).c_str(), nullptr)) << "element " << k;
        } else if (v.type == "Int32") {
            fmi3Int32 value = -1;
            ASSERT_EQ(api->fmi3GetInt32(c, &vr, 1, &value, 1), fmi3OK);
            EXPECT_EQ(value, std::stol(start.at(0)));
        } else if (v.type == "Boolean") {
            fmi3Boolean value = fmi3True;
            ASSERT_EQ(api->fmi3GetBoolean(c, &vr, 1, &value, 1), fmi3OK);
            EXPECT_EQ(value, start.at(0) == "true" || start.at(0) == "1");
        } else if (v.type == "String") {
            fmi3String value = nullptr;
            ASSERT_EQ(api->fmi3GetString(c, &vr, 1, &value, 1), fmi3OK);
            ASSERT_NE(value, nullptr) << "FMI 3.0 strings hold their start value from instantiation on";
            EXPECT_EQ(std::string(value), v.element->child("Start")->attribute("value").value_or("?"));
        } else if (v.type == "Binary") {
            fmi3Binary value = nullptr;
            std::size_t size = 0;
            ASSERT_EQ(api->fmi3GetBinary(c, &vr, 1, &size, &value, 1), fmi3OK);
            const std::vector<std::uint8_t> bytes = fromHex(v.element->child("Start")->attribute("value").value_or(""));
            ASSERT_EQ(size, bytes.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), value));
        }
    }
}

TEST_P(Fmi3Archive, HostMayWriteFloatsWhereTheDescriptionLetsIt) {
    // Before initialisation: every variable with a start value that is not
    // constant (parameters, the exact states); nothing calculated, never the
    // independent variable. After an error an instance is terminated, so
    // each write gets a fresh one.
    for (const rules::Variable3& v : variables) {
        if (v.type != "Float64") continue;
        SCOPED_TRACE(v.label());
        fmi3Instance c = modelExchange();
        ASSERT_NE(c, nullptr);
        const fmi3ValueReference vr = v.valueReference;
        const std::vector<double> values(v.size(), 0.25);  // within restitution's range
        const bool settable = v.hasStart() && v.variability != "constant";
        EXPECT_EQ(api->fmi3SetFloat64(c, &vr, 1, values.data(), values.size()), settable ? fmi3OK : fmi3Error);
        std::vector<double> back(v.size(), -1.0);
        EXPECT_EQ(api->fmi3GetFloat64(c, &vr, 1, back.data(), back.size()), fmi3OK);
        if (settable) {
            EXPECT_EQ(back, values);
        }
    }
    // In event mode: tunable parameters only, a fixed one is refused.
    for (const rules::Variable3& v : variables) {
        if (v.type != "Float64" || v.causality != "parameter") continue;
        SCOPED_TRACE(v.label() + " in event mode");
        fmi3Instance c = modelExchange();
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(api->fmi3EnterInitializationMode(c, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
        ASSERT_EQ(api->fmi3ExitInitializationMode(c), fmi3OK);
        const fmi3ValueReference vr = v.valueReference;
        const std::vector<double> values(v.size(), 0.25);
        EXPECT_EQ(api->fmi3SetFloat64(c, &vr, 1, values.data(), values.size()),
                  v.variability == "tunable" ? fmi3OK : fmi3Error);
    }
}

TEST_P(Fmi3Archive, StateVectorAndIndicatorsAreTheDeclaredVariables) {
    const std::vector<const rules::Variable3*> derivatives = structure("ContinuousStateDerivative");
    const std::vector<const rules::Variable3*> indicators = structure("EventIndicator");
    std::vector<const rules::Variable3*> states;
    for (const rules::Variable3* d : derivatives)
        for (const rules::Variable3& v : variables)
            if (std::to_string(v.valueReference) == d->element->attribute("derivative")) states.push_back(&v);
    ASSERT_EQ(states.size(), derivatives.size());
    const std::size_t nx = derivatives.size(), nz = indicators.size();
    ASSERT_EQ(nx, 2u);
    ASSERT_EQ(nz, 1u);

    fmi3Instance c = modelExchange();
    ASSERT_NE(c, nullptr);
    std::size_t count = 0;
    EXPECT_EQ(api->fmi3GetNumberOfContinuousStates(c, &count), fmi3OK);
    EXPECT_EQ(count, nx);
    EXPECT_EQ(api->fmi3GetNumberOfEventIndicators(c, &count), fmi3OK);
    EXPECT_EQ(count, nz);
    ASSERT_EQ(api->fmi3EnterInitializationMode(c, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
    ASSERT_EQ(api->fmi3ExitInitializationMode(c), fmi3OK);
    ASSERT_EQ(api->fmi3EnterContinuousTimeMode(c), fmi3OK);

    // States written as a vector read back by value reference in the same
    // order; so do the derivatives, the nominals and the indicator.
    const double x[2] = {0.75, -1.5};
    ASSERT_EQ(api->fmi3SetContinuousStates(c, x, nx), fmi3OK);
    double dx[2] = {}, nominals[2] = {}, z[1] = {};
    ASSERT_EQ(api->fmi3GetContinuousStateDerivatives(c, dx, nx), fmi3OK);
    ASSERT_EQ(api->fmi3GetNominalsOfContinuousStates(c, nominals, nx), fmi3OK);
    ASSERT_EQ(api->fmi3GetEventIndicators(c, z, nz), fmi3OK);
    for (std::size_t k = 0; k < nx; ++k) {
        EXPECT_EQ(float64(c, states[k]->valueReference), x[k]) << "state " << k << " is not " << states[k]->name;
        EXPECT_EQ(float64(c, derivatives[k]->valueReference), dx[k]) << "derivative " << k << " is not " << derivatives[k]->name;
        EXPECT_EQ(nominals[k], std::strtod(states[k]->element->attribute("nominal").value_or("1").c_str(), nullptr))
            << "nominal of " << states[k]->name;
    }
    EXPECT_EQ(float64(c, indicators[0]->valueReference), z[0]) << "the indicator is not " << indicators[0]->name;

    // needsCompletedIntegratorStep="false": the call asks for nothing.
    EXPECT_EQ(interfaceElement("ModelExchange").attribute("needsCompletedIntegratorStep"), "false");
    fmi3Boolean enterEventMode = fmi3True, terminateSimulation = fmi3True;
    EXPECT_EQ(api->fmi3CompletedIntegratorStep(c, fmi3True, &enterEventMode, &terminateSimulation), fmi3OK);
    EXPECT_FALSE(enterEventMode);
    EXPECT_FALSE(terminateSimulation);
}

TEST_P(Fmi3Archive, EachCapabilityDeclaredAbsentIsRefusedNamingItsFlag) {
    // The flag each refusal must name, and a call that needs it.
    using Call = std::function<fmi3Status(fmi3Instance)>;
    const std::vector<std::pair<const char*, Call>> refusals = {
        {"canGetAndSetFMUState", [&](fmi3Instance c) { fmi3FMUState state = nullptr; return api->fmi3GetFMUState(c, &state); }},
        {"canSerializeFMUState", [&](fmi3Instance c) { std::size_t size = 0; return api->fmi3SerializedFMUStateSize(c, nullptr, &size); }},
        {"providesDirectionalDerivatives", [&](fmi3Instance c) {
             const fmi3ValueReference unknown = 2, known = 1;
             double seed = 1.0, sensitivity = 0.0;
             return api->fmi3GetDirectionalDerivative(c, &unknown, 1, &known, 1, &seed, 1, &sensitivity, 1); }},
        {"providesAdjointDerivatives", [&](fmi3Instance c) {
             const fmi3ValueReference unknown = 2, known = 1;
             double seed = 1.0, sensitivity = 0.0;
             return api->fmi3GetAdjointDerivative(c, &unknown, 1, &known, 1, &seed, 1, &sensitivity, 1); }},
        {"providesPerElementDependencies", [&](fmi3Instance c) { std::size_t n = 0; return api->fmi3GetNumberOfVariableDependencies(c, 1, &n); }},
        {"providesEvaluateDiscreteStates", [&](fmi3Instance c) { return api->fmi3EvaluateDiscreteStates(c); }},
    };
    for (const auto& [flag, call] : refusals) {
        SCOPED_TRACE(flag);
        EXPECT_EQ(interfaceElement("ModelExchange").attribute(flag), "false");
        EXPECT_EQ(interfaceElement("CoSimulation").attribute(flag), "false");
        fmi3Instance c = modelExchange();
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(api->fmi3EnterInitializationMode(c, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
        ASSERT_EQ(api->fmi3ExitInitializationMode(c), fmi3OK);
        log.clear();
        EXPECT_EQ(call(c), fmi3Error);
        ASSERT_FALSE(log.empty()) << "refused without a message";
        EXPECT_NE(log.back().text.find(std::string(flag) + "=\"false\""), std::string::npos) << log.back().text;
    }
}

TEST_P(Fmi3Archive, CoSimulationFlagsAreHonest) {
    const xml::Element& cs = interfaceElement("CoSimulation");
    for (const char* flag : {"hasEventMode", "providesIntermediateUpdate", "mightReturnEarlyFromDoStep",
                             "canReturnEarlyAfterIntermediateUpdate", "canHandleVariableCommunicationStepSize"})
        EXPECT_EQ(cs.attribute(flag), "true") << flag;
    const double internalStep = std::strtod(cs.attribute("fixedInternalStepSize").value_or("0").c_str(), nullptr);
    ASSERT_GT(internalStep, 0.0);

    // Event mode: the instance leaves initialisation into event mode, and
    // steps of different sizes are taken. The intermediate updates come once
    // per internal step of the declared size.
    fmi3Instance c = coSimulation();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(api->fmi3EnterInitializationMode(c, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
    ASSERT_EQ(api->fmi3ExitInitializationMode(c), fmi3OK);
    ASSERT_EQ(api->fmi3EnterStepMode(c), fmi3OK) << "hasEventMode: the instance must be in event mode now";
    fmi3Boolean eventHandlingNeeded = fmi3True, terminateSimulation = fmi3True, earlyReturn = fmi3True;
    double lastSuccessfulTime = -1.0;
    ASSERT_EQ(api->fmi3DoStep(c, 0.0, 0.05, fmi3True, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                              &lastSuccessfulTime), fmi3OK);
    EXPECT_FALSE(earlyReturn);
    ASSERT_EQ(side.updateTimes.size(), 5u) << "one intermediate update per internal step of " << internalStep;
    for (std::size_t k = 0; k < side.updateTimes.size(); ++k)
        EXPECT_NEAR(side.updateTimes[k], internalStep * static_cast<double>(k + 1), 1e-12);
    ASSERT_EQ(api->fmi3DoStep(c, lastSuccessfulTime, 0.02, fmi3True, &eventHandlingNeeded, &terminateSimulation,
                              &earlyReturn, &lastSuccessfulTime), fmi3OK)
        << "canHandleVariableCommunicationStepSize";

    // An early return the host asks for in the callback ends the step there.
    side.updateTimes.clear();
    side.requestEarlyReturn = true;
    const double point = lastSuccessfulTime;
    ASSERT_EQ(api->fmi3DoStep(c, point, 0.05, fmi3True, &eventHandlingNeeded, &terminateSimulation, &earlyReturn,
                              &lastSuccessfulTime), fmi3OK);
    EXPECT_TRUE(earlyReturn) << "canReturnEarlyAfterIntermediateUpdate";
    ASSERT_EQ(side.updateTimes.size(), 1u);
    EXPECT_EQ(lastSuccessfulTime, side.updateTimes[0]);
    EXPECT_LT(lastSuccessfulTime, point + 0.05);
}

TEST_P(Fmi3Archive, IntermediateVariablesAreTheDeclaredOnes) {
    std::vector<fmi3ValueReference> declared;
    for (const rules::Variable3& v : variables)
        if (v.element->attribute("intermediateUpdate") == "true") declared.push_back(v.valueReference);
    EXPECT_EQ(declared, (std::vector<fmi3ValueReference>{named("height").valueReference, named("velocity").valueReference}));
    EXPECT_NE(coSimulation(declared), nullptr) << "the declared intermediate variables are refused";
    for (const rules::Variable3& v : variables) {
        if (v.element->attribute("intermediateUpdate") == "true") continue;
        EXPECT_EQ(coSimulation({v.valueReference}), nullptr)
            << v.label() << " is not an intermediate variable, yet the library accepts it as one";
    }
}

TEST_P(Fmi3Archive, EveryLoggedCategoryIsListed) {
    std::set<std::string> listed;
    for (const xml::Element* category : description.child("LogCategories")->all("Category"))
        listed.insert(category->attribute("name").value_or(""));

    // Initialisation messages, a refused write and an early return the host
    // asks for where it was not allowed.
    fmi3Instance me = modelExchange();
    ASSERT_NE(me, nullptr);
    ASSERT_EQ(api->fmi3EnterInitializationMode(me, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
    const fmi3ValueReference calculated = named("acceleration").valueReference;
    const double value = 1.0;
    EXPECT_EQ(api->fmi3SetFloat64(me, &calculated, 1, &value, 1), fmi3Error);

    side.requestEarlyReturn = true;
    fmi3Instance cs = coSimulation({}, false);
    ASSERT_NE(cs, nullptr);
    ASSERT_EQ(api->fmi3EnterInitializationMode(cs, fmi3False, 0.0, 0.0, fmi3False, 0.0), fmi3OK);
    ASSERT_EQ(api->fmi3ExitInitializationMode(cs), fmi3OK);
    ASSERT_EQ(api->fmi3EnterStepMode(cs), fmi3OK);
    fmi3Boolean eventHandlingNeeded = fmi3False, terminateSimulation = fmi3False, earlyReturn = fmi3False;
    double lastSuccessfulTime = 0.0;
    const fmi3Status status = api->fmi3DoStep(cs, 0.0, 0.02, fmi3True, &eventHandlingNeeded, &terminateSimulation,
                                              &earlyReturn, &lastSuccessfulTime);
    EXPECT_TRUE(status == fmi3OK || status == fmi3Warning) << status;
    EXPECT_FALSE(earlyReturn) << "an early return the instance did not allow";

    std::set<std::string> logged;
    for (const Message3& message : log) logged.insert(message.category);
    EXPECT_EQ(logged, (std::set<std::string>{"INFO", "WARNING", "ERROR"})) << "the messages above were not all logged";
    for (const std::string& category : logged) EXPECT_TRUE(listed.count(category)) << category << " is not in LogCategories";
}

INSTANTIATE_TEST_SUITE_P(Archives, Fmi3Archive, ::testing::ValuesIn(fmi3Archives()), archiveName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Fmi3Archive);

// ---- the rule checks themselves ---------------------------------------------

// Faults a description could carry, each made by one edit of the pellidor
// description; the rule checks must report every one.
struct Fault {
    const char* what;
    const char* from;
    const char* to;
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.what; }

class RuleChecks : public ::testing::TestWithParam<Fault> {};

TEST_P(RuleChecks, ReportEachFault) {
#ifndef PELLIDOR_LIBRARY
    GTEST_SKIP() << "pellidor is not built";
#endif
    const std::string original = [] {
        std::string text;
        for (const std::string& line :
             outputLines(std::string(REBOUNDER_UNZIP) + " -p '" + REBOUNDER_FMU_DIRECTORY + "/pellidor.fmu' modelDescription.xml"))
            text += line + "\n";
        return text;
    }();
    ASSERT_TRUE(rules::fmi2Problems(xml::parse(original), false).empty());
    std::string edited = original;
    const std::size_t at = edited.find(GetParam().from);
    ASSERT_NE(at, std::string::npos) << "the description no longer contains " << GetParam().from;
    edited.replace(at, std::string(GetParam().from).size(), GetParam().to);
    EXPECT_FALSE(rules::fmi2Problems(xml::parse(edited), false).empty()) << GetParam().what << " went unnoticed";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RuleChecks,
    ::testing::Values(
        Fault{"a calculated variable with a start value", "<Real quantity=\"Acceleration\" derivative", "<Real quantity=\"Acceleration\" start=\"0\" derivative"},
        Fault{"a state declared exact without a start value", "variability=\"continuous\" initial=\"calculated\"\n      description=\"Height", "variability=\"continuous\" initial=\"exact\"\n      description=\"Height"},
        Fault{"an integer left continuous", "name=\"integer0\" valueReference=\"0\" causality=\"parameter\" variability=\"tunable\"", "name=\"integer0\" valueReference=\"0\" causality=\"parameter\""},
        Fault{"a value reference used twice", "name=\"integer1\" valueReference=\"1\"", "name=\"integer1\" valueReference=\"0\""},
        Fault{"an output missing from Outputs", "name=\"gravity\" valueReference=\"2\" causality=\"parameter\" variability=\"tunable\"", "name=\"gravity\" valueReference=\"2\" causality=\"output\" variability=\"discrete\" initial=\"exact\""},
        Fault{"a parameter that is discrete", "name=\"restitution\" valueReference=\"3\" causality=\"parameter\" variability=\"tunable\"", "name=\"restitution\" valueReference=\"3\" causality=\"parameter\" variability=\"discrete\""},
        Fault{"an initial unknown left out", "<Unknown index=\"5\" dependencies=\"3\"/>", "<Unknown index=\"1\" dependencies=\"3\"/>"},
        Fault{"a derivative index past the end", "<Unknown index=\"5\" dependencies=\"\"/>", "<Unknown index=\"18\" dependencies=\"\"/>"},
        Fault{"a dependency on something that is not a known", "<Unknown index=\"2\" dependencies=\"2\"/>\n    </Outputs>", "<Unknown index=\"2\" dependencies=\"3\"/>\n    </Outputs>"},
        Fault{"an infinite start value", "start=\"-9.81\"", "start=\"-INF\""}),
    [](const ::testing::TestParamInfo<Fault>& info) { return "Fault" + std::to_string(info.index); });

// The same for FMI 3.0, each fault one edit of the varnelle description.
class RuleChecks3 : public ::testing::TestWithParam<Fault> {};

TEST_P(RuleChecks3, ReportEachFault) {
#ifndef VARNELLE_LIBRARY
    GTEST_SKIP() << "varnelle is not built";
#endif
    std::string original;
    for (const std::string& line :
         outputLines(std::string(REBOUNDER_UNZIP) + " -p '" + REBOUNDER_FMU_DIRECTORY + "/varnelle.fmu' modelDescription.xml"))
        original += line + "\n";
    ASSERT_TRUE(rules::fmi3Problems(xml::parse(original)).empty());
    std::string edited = original;
    const std::size_t at = edited.find(GetParam().from);
    ASSERT_NE(at, std::string::npos) << "the description no longer contains " << GetParam().from;
    edited.replace(at, std::string(GetParam().from).size(), GetParam().to);
    EXPECT_FALSE(rules::fmi3Problems(xml::parse(edited)).empty()) << GetParam().what << " went unnoticed";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RuleChecks3,
    ::testing::Values(
        Fault{"a version the text does not name", "fmiVersion=\"3.0\"", "fmiVersion=\"3.0.2\""},
        Fault{"a co-simulation flag on ModelExchange", "needsCompletedIntegratorStep=\"false\"", "needsCompletedIntegratorStep=\"false\" hasEventMode=\"true\""},
        Fault{"an FMI 2.0 spelling of a flag", "canGetAndSetFMUState=\"false\"", "canGetAndSetFMUstate=\"false\""},
        Fault{"no independent variable", "causality=\"independent\"", "causality=\"local\""},
        Fault{"a value reference shared across types", "name=\"integer0\" valueReference=\"10\"", "name=\"integer0\" valueReference=\"1\""},
        Fault{"an exact state without a start value", "start=\"1\" quantity=\"Length\"", "quantity=\"Length\""},
        Fault{"a start value outside min and max", "start=\"0.5\" min=\"0\"", "start=\"1.5\" min=\"0\""},
        Fault{"an output missing from Output", "<Output valueReference=\"2\"/>", ""},
        Fault{"an initial unknown left out", "<InitialUnknown valueReference=\"3\"/>", ""},
        Fault{"the event indicator listed as an initial unknown", "<InitialUnknown valueReference=\"3\"/>", "<InitialUnknown valueReference=\"3\"/><InitialUnknown valueReference=\"6\"/>"},
        Fault{"a derivative of a parameter", "derivative=\"2\"", "derivative=\"4\""},
        Fault{"an intermediate update on a parameter", "start=\"-9.81\"", "start=\"-9.81\" intermediateUpdate=\"true\""},
        Fault{"a unit that is not defined", "unit=\"m/s2\" derivative", "unit=\"m/s3\" derivative"},
        Fault{"three start values for a scalar", "start=\"0.25\"", "start=\"0.25 0.5 1\""}),
    [](const ::testing::TestParamInfo<Fault>& info) { return "Fault" + std::to_string(info.index); });

}  // namespace

#endif
