// The rules of an FMI model description that its XML schema cannot enforce:
// the legal causality/variability/initial combinations, where start values
// are required or forbidden, and how ModelStructure must list outputs, state
// derivatives and initial unknowns. Each check returns the problems it finds,
// worded for the person who edits the description.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "xml_reader.h"

namespace rules {

using Problems = std::vector<std::string>;

// A number attribute is written as a finite double: the standard forbids
// NaN and infinities, which the schema lets through.
inline bool isFiniteNumber(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(value);
}

inline std::vector<unsigned> indexList(const std::string& text) {
    std::vector<unsigned> list;
    std::istringstream in(text);
    for (unsigned index; in >> index;) list.push_back(index);
    return list;
}

// One ScalarVariable of an FMI 2.0 description, with the defaults applied.
struct Variable2 {
    unsigned index = 0;  // 1-based position in ModelVariables
    const xml::Element* element = nullptr;
    const xml::Element* value = nullptr;  // Real, Integer, Boolean, String or Enumeration
    std::string name, type, causality, variability;
    std::optional<std::string> initial;  // as written
    unsigned valueReference = 0;

    std::string label() const { return "variable " + std::to_string(index) + " (" + name + ")"; }
    bool hasStart() const { return value != nullptr && value->has("start"); }
};

inline std::vector<Variable2> variables2(const xml::Element& root) {
    std::vector<Variable2> result;
    const xml::Element* list = root.child("ModelVariables");
    if (list == nullptr) return result;
    unsigned index = 0;
    for (const xml::Element* element : list->all("ScalarVariable")) {
        Variable2 v;
        v.index = ++index;
        v.element = element;
        v.name = element->attribute("name").value_or("");
        v.causality = element->attribute("causality").value_or("local");
        v.variability = element->attribute("variability").value_or("continuous");
        v.initial = element->attribute("initial");
        v.valueReference = static_cast<unsigned>(std::stoul(element->attribute("valueReference").value_or("0")));
        for (const char* type : {"Real", "Integer", "Boolean", "String", "Enumeration"}) {
            if (const xml::Element* value = element->child(type)) {
                v.type = type;
                v.value = value;
            }
        }
        result.push_back(v);
    }
    return result;
}

// The class of a causality/variability pair ('A' to 'E'), or 0 when the
// standard does not allow the pair; the same table in FMI 2.0 and 3.0, where
// a structural parameter is a parameter.
inline char initialClass(const std::string& c, const std::string& var) {
    if (var == "constant") return (c == "output" || c == "local") ? 'A' : 0;
    if (var == "fixed" || var == "tunable") {
        if (c == "parameter" || c == "structuralParameter") return 'A';
        return (c == "calculatedParameter" || c == "local") ? 'B' : 0;
    }
    if (var == "discrete") {
        if (c == "input") return 'D';
        return (c == "output" || c == "local") ? 'C' : 0;
    }
    if (var == "continuous") {
        if (c == "input") return 'D';
        if (c == "independent") return 'E';
        return (c == "output" || c == "local") ? 'C' : 0;
    }
    return 0;
}
inline char initialClass(const Variable2& v) { return initialClass(v.causality, v.variability); }

// The initial value in force: as written, or the default of the class (FMI
// 3.0 adds class D's default, exact, for inputs).
inline std::string effectiveInitial(const std::optional<std::string>& initial, char kind) {
    if (initial) return *initial;
    switch (kind) {
        case 'A': return "exact";
        case 'B':
        case 'C': return "calculated";
        default: return "";
    }
}
inline std::string effectiveInitial(const Variable2& v) { return effectiveInitial(v.initial, initialClass(v)); }

struct Structure2 {
    std::vector<unsigned> outputs, derivatives, initialUnknowns;
};

// Rules for an FMI 2.0 description. coSimulationOnly says whether the
// description offers co-simulation alone (where reinit is not allowed).
inline Problems fmi2Problems(const xml::Element& root, bool coSimulationOnly) {
    Problems problems;
    auto problem = [&](const std::string& text) { problems.push_back(text); };

    // The interface elements.
    const auto me = root.all("ModelExchange");
    const auto cs = root.all("CoSimulation");
    if (me.empty() && cs.empty()) problem("neither ModelExchange nor CoSimulation");
    if (me.size() > 1 || cs.size() > 1) problem("an interface element appears twice");
    for (const auto* kind : {&me, &cs}) {
        for (const xml::Element* e : *kind) {
            const std::string id = e->attribute("modelIdentifier").value_or("");
            if (id.empty() || !std::all_of(id.begin(), id.end(), [](char ch) {
                    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
                }))
                problem("modelIdentifier \"" + id + "\" is not letters, digits and _");
            if (e->attribute("canSerializeFMUstate").value_or("false") == "true" &&
                e->attribute("canGetAndSetFMUstate").value_or("false") != "true")
                problem("canSerializeFMUstate without canGetAndSetFMUstate");
        }
    }
    if (!me.empty() && !root.has("numberOfEventIndicators"))
        problem("model exchange without numberOfEventIndicators");

    if (const xml::Element* categories = root.child("LogCategories")) {
        std::set<std::string> names;
        for (const xml::Element* category : categories->all("Category"))
            if (!names.insert(category->attribute("name").value_or("")).second)
                problem("log category listed twice: " + category->attribute("name").value_or(""));
    }

    const std::vector<Variable2> variables = variables2(root);
    const unsigned count = static_cast<unsigned>(variables.size());
    auto inRange = [&](unsigned index) { return index >= 1 && index <= count; };
    auto at = [&](unsigned index) -> const Variable2& { return variables[index - 1]; };

    // ModelStructure lists.
    Structure2 structure;
    const xml::Element* modelStructure = root.child("ModelStructure");
    auto unknowns = [&](const char* listName) {
        std::vector<unsigned> indices;
        const xml::Element* list = modelStructure ? modelStructure->child(listName) : nullptr;
        if (list == nullptr) return indices;
        for (const xml::Element* unknown : list->all("Unknown")) {
            const unsigned index = static_cast<unsigned>(std::stoul(unknown->attribute("index").value_or("0")));
            if (!inRange(index)) problem(std::string(listName) + " names index " + std::to_string(index) + ", out of range");
            indices.push_back(index);
        }
        return indices;
    };
    structure.outputs = unknowns("Outputs");
    structure.derivatives = unknowns("Derivatives");
    structure.initialUnknowns = unknowns("InitialUnknowns");

    // States: the variables the Derivatives entries are derivatives of.
    std::set<unsigned> states, derivativeEntries(structure.derivatives.begin(), structure.derivatives.end());
    for (unsigned d : structure.derivatives) {
        if (!inRange(d)) continue;
        const Variable2& v = at(d);
        const std::optional<std::string> of = v.value ? v.value->attribute("derivative") : std::nullopt;
        if (v.type != "Real" || v.variability != "continuous" || !of)
            problem("Derivatives names " + v.label() + ", which is not a continuous Real with a derivative attribute");
        else
            states.insert(static_cast<unsigned>(std::stoul(*of)));
    }

    std::set<std::string> names;
    std::map<std::string, std::set<unsigned>> referencesByType;
    for (const Variable2& v : variables) {
        if (v.name.empty() || !names.insert(v.name).second) problem(v.label() + ": name empty or used twice");
        const std::string baseType = v.type == "Enumeration" ? "Integer" : v.type;
        if (!referencesByType[baseType].insert(v.valueReference).second)
            problem(v.label() + ": value reference " + std::to_string(v.valueReference) + " used twice for " + baseType);
        if (v.value == nullptr) {
            problem(v.label() + ": no type element");
            continue;
        }
        if (v.type != "Real" && v.variability == "continuous")
            problem(v.label() + ": only a Real may be continuous (write its variability)");

        const char kind = initialClass(v);
        if (kind == 0) problem(v.label() + ": causality " + v.causality + " with variability " + v.variability + " is not allowed");
        if (v.initial) {
            const bool allowed = (kind == 'A' && *v.initial == "exact") ||
                                 (kind == 'B' && *v.initial != "exact") || kind == 'C';
            if (!allowed) problem(v.label() + ": initial=\"" + *v.initial + "\" is not allowed here");
        }
        const std::string initial = effectiveInitial(v);
        const bool startRequired = initial == "exact" || initial == "approx" || v.causality == "input" ||
                                   v.causality == "parameter" || v.variability == "constant";
        const bool startForbidden = initial == "calculated" || v.causality == "independent";
        if (startRequired && !v.hasStart()) problem(v.label() + ": needs a start value");
        if (startForbidden && v.hasStart()) problem(v.label() + ": a calculated variable may not have a start value");

        if (v.type == "Real") {
            for (const char* key : {"start", "min", "max", "nominal"})
                if (auto text = v.value->attribute(key); text && !isFiniteNumber(*text))
                    problem(v.label() + ": " + key + "=\"" + *text + "\" is not a finite number");
        }
        if (auto of = v.value->attribute("derivative")) {
            const unsigned target = static_cast<unsigned>(std::stoul(*of));
            if (!inRange(target))
                problem(v.label() + ": derivative points to index " + *of + ", out of range");
            else if (at(target).type != "Real" || at(target).variability != "continuous" ||
                     (at(target).causality != "local" && at(target).causality != "output"))
                problem(v.label() + ": derivative of " + at(target).label() + ", which is not a continuous local or output Real");
        }
        if (v.value->has("reinit") && (coSimulationOnly || states.count(v.index) == 0))
            problem(v.label() + ": reinit is for continuous states in model exchange only");
    }

    // Outputs: exactly the variables with causality output.
    std::set<unsigned> expectedOutputs, listedOutputs(structure.outputs.begin(), structure.outputs.end());
    for (const Variable2& v : variables)
        if (v.causality == "output") expectedOutputs.insert(v.index);
    if (listedOutputs != expectedOutputs || listedOutputs.size() != structure.outputs.size())
        problem("Outputs must list every causality=\"output\" variable once, and nothing else");

    // InitialUnknowns: outputs and states or state derivatives that are not
    // exact, and calculated parameters; ascending, each once.
    std::vector<unsigned> expectedInitial;
    for (const Variable2& v : variables) {
        const bool notExact = effectiveInitial(v) == "approx" || effectiveInitial(v) == "calculated";
        const bool stateOrDerivative = states.count(v.index) != 0 || derivativeEntries.count(v.index) != 0;
        if ((v.causality == "output" && notExact) || v.causality == "calculatedParameter" ||
            (stateOrDerivative && notExact))
            expectedInitial.push_back(v.index);
    }
    if (structure.initialUnknowns != expectedInitial) problem("InitialUnknowns does not list exactly the initial unknowns, ascending");

    // dependencies: ascending, in range, knowns only.
    auto isInputOrIndependent = [&](unsigned i) {
        return at(i).causality == "input" || at(i).causality == "independent";
    };
    auto checkDependencies = [&](const char* listName, auto isKnown) {
        const xml::Element* list = modelStructure ? modelStructure->child(listName) : nullptr;
        if (list == nullptr) return;
        for (const xml::Element* unknown : list->all("Unknown")) {
            const std::optional<std::string> text = unknown->attribute("dependencies");
            const std::optional<std::string> kinds = unknown->attribute("dependenciesKind");
            if (!text) {
                if (kinds) problem(std::string(listName) + ": dependenciesKind without dependencies");
                continue;
            }
            const std::vector<unsigned> dependencies = indexList(*text);
            if (!std::is_sorted(dependencies.begin(), dependencies.end()) ||
                std::adjacent_find(dependencies.begin(), dependencies.end()) != dependencies.end())
                problem(std::string(listName) + ": dependencies \"" + *text + "\" are not ascending");
            for (unsigned d : dependencies)
                if (!inRange(d) || !isKnown(d))
                    problem(std::string(listName) + ": dependency " + std::to_string(d) + " is not a known");
            if (kinds) {
                std::istringstream in(*kinds);
                std::size_t n = 0;
                for (std::string word; in >> word;) ++n;
                if (n != dependencies.size()) problem(std::string(listName) + ": dependenciesKind length differs");
            }
        }
    };
    auto knownInTime = [&](unsigned i) { return isInputOrIndependent(i) || states.count(i) != 0; };
    checkDependencies("Outputs", knownInTime);
    checkDependencies("Derivatives", knownInTime);
    checkDependencies("InitialUnknowns", [&](unsigned i) { return isInputOrIndependent(i) || effectiveInitial(at(i)) == "exact"; });
    return problems;
}

// Rules for an FMI 1.0 model-exchange description.
inline Problems fmi1Problems(const xml::Element& root) {
    Problems problems;
    auto problem = [&](const std::string& text) { problems.push_back(text); };
    for (const char* required : {"modelIdentifier", "numberOfContinuousStates", "numberOfEventIndicators"})
        if (!root.has(required)) problem(std::string("the root lacks ") + required);
    if (root.child("Implementation") != nullptr) problem("Implementation is for co-simulation only");

    std::set<std::string> names;
    std::map<std::string, std::set<unsigned>> referencesByType;
    const xml::Element* list = root.child("ModelVariables");
    for (const xml::Element* element : list ? list->all("ScalarVariable") : std::vector<const xml::Element*>{}) {
        const std::string name = element->attribute("name").value_or("");
        const std::string variability = element->attribute("variability").value_or("continuous");
        const unsigned vr = static_cast<unsigned>(std::stoul(element->attribute("valueReference").value_or("0")));
        if (name.empty() || !names.insert(name).second) problem("variable name empty or used twice: " + name);
        const xml::Element* value = nullptr;
        std::string type;
        for (const char* t : {"Real", "Integer", "Boolean", "String", "Enumeration"})
            if (const xml::Element* e = element->child(t)) value = e, type = t;
        if (value == nullptr) {
            problem(name + ": no type element");
            continue;
        }
        const std::string baseType = type == "Enumeration" ? "Integer" : type;
        if (!referencesByType[baseType].insert(vr).second)
            problem(name + ": value reference " + std::to_string(vr) + " used twice for " + baseType);
        if (type != "Real" && variability == "continuous") problem(name + ": only a Real may be continuous");
        if (value->has("fixed") && !value->has("start")) problem(name + ": fixed without start");
        if (type == "Real")
            for (const char* key : {"start", "min", "max", "nominal"})
                if (auto text = value->attribute(key); text && !isFiniteNumber(*text))
                    problem(name + ": " + key + "=\"" + *text + "\" is not a finite number");
    }
    return problems;
}

// ---- FMI 3.0 ----------------------------------------------------------------

// One variable of an FMI 3.0 description: the element's name is its type.
// Defaults applied as FMI 3.0 defines them (parameters fixed, floats
// continuous, everything else discrete).
struct Variable3 {
    const xml::Element* element = nullptr;
    std::string name, type, causality, variability;
    std::optional<std::string> initial;
    unsigned valueReference = 0;

    std::string label() const { return type + " " + name + " (value reference " + std::to_string(valueReference) + ")"; }
    bool isFloat() const { return type == "Float64" || type == "Float32"; }
    // String and Binary carry their start values as <Start> children.
    bool hasStart() const { return element->has("start") || element->child("Start") != nullptr; }
    // Number of elements: the product of the fixed Dimension sizes.
    std::size_t size() const {
        std::size_t n = 1;
        for (const xml::Element* d : element->all("Dimension")) n *= std::stoul(d->attribute("start").value_or("1"));
        return n;
    }
};

inline std::vector<Variable3> variables3(const xml::Element& root) {
    std::vector<Variable3> result;
    const xml::Element* list = root.child("ModelVariables");
    if (list == nullptr) return result;
    for (const xml::Element& element : list->children) {
        Variable3 v;
        v.element = &element;
        v.type = element.name;
        v.name = element.attribute("name").value_or("");
        v.causality = element.attribute("causality").value_or("local");
        const bool parameter = v.causality == "parameter" || v.causality == "calculatedParameter" ||
                               v.causality == "structuralParameter";
        v.variability = element.attribute("variability").value_or(parameter ? "fixed" : v.isFloat() ? "continuous" : "discrete");
        v.initial = element.attribute("initial");
        v.valueReference = static_cast<unsigned>(std::stoul(element.attribute("valueReference").value_or("0")));
        result.push_back(v);
    }
    return result;
}

// The capability attributes FMI 3.0 defines for each interface element; any
// other name passes the schema (it takes any attribute) and means nothing,
// such as an FMI 2.0 spelling or a co-simulation flag on ModelExchange.
inline const std::set<std::string>& fmi3InterfaceAttributes(const std::string& element) {
    static const std::set<std::string> common = {"modelIdentifier", "needsExecutionTool",
        "canBeInstantiatedOnlyOncePerProcess", "canGetAndSetFMUState", "canSerializeFMUState",
        "providesDirectionalDerivatives", "providesAdjointDerivatives", "providesPerElementDependencies",
        "providesEvaluateDiscreteStates"};
    static const std::set<std::string> modelExchange = [] {
        std::set<std::string> names = common;
        names.insert("needsCompletedIntegratorStep");
        return names;
    }();
    static const std::set<std::string> coSimulation = [] {
        std::set<std::string> names = common;
        names.insert({"canHandleVariableCommunicationStepSize", "fixedInternalStepSize", "maxOutputDerivativeOrder",
                      "recommendedIntermediateInputSmoothness", "providesIntermediateUpdate",
                      "mightReturnEarlyFromDoStep", "canReturnEarlyAfterIntermediateUpdate", "hasEventMode"});
        return names;
    }();
    return element == "ModelExchange" ? modelExchange : coSimulation;
}

// Rules for an FMI 3.0 description offering model exchange, co-simulation or
// both: everything the schema lets through.
inline Problems fmi3Problems(const xml::Element& root) {
    Problems problems;
    auto problem = [&](const std::string& text) { problems.push_back(text); };

    if (root.attribute("fmiVersion") != "3.0") problem("fmiVersion must be exactly 3.0");
    const xml::Element* me = root.child("ModelExchange");
    const xml::Element* cs = root.child("CoSimulation");
    if (me == nullptr && cs == nullptr) problem("neither ModelExchange nor CoSimulation");
    for (const xml::Element* e : {me, cs}) {
        if (e == nullptr) continue;
        for (const auto& [attribute, value] : e->attributes)
            if (fmi3InterfaceAttributes(e->name).count(attribute) == 0)
                problem(e->name + " carries " + attribute + ", which FMI 3.0 does not define there");
        const std::string id = e->attribute("modelIdentifier").value_or("");
        if (id.empty() || !std::all_of(id.begin(), id.end(), [](char ch) {
                return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
            }))
            problem("modelIdentifier \"" + id + "\" is not letters, digits and _");
        if (e->attribute("canSerializeFMUState") == "true" && e->attribute("canGetAndSetFMUState") != "true")
            problem(e->name + ": canSerializeFMUState without canGetAndSetFMUState");
        if (e->attribute("canReturnEarlyAfterIntermediateUpdate") == "true" &&
            e->attribute("providesIntermediateUpdate") != "true")
            problem(e->name + ": canReturnEarlyAfterIntermediateUpdate without providesIntermediateUpdate");
    }

    std::set<std::string> units;
    if (const xml::Element* definitions = root.child("UnitDefinitions"))
        for (const xml::Element* unit : definitions->all("Unit")) units.insert(unit->attribute("name").value_or(""));
    if (const xml::Element* categories = root.child("LogCategories")) {
        std::set<std::string> names;
        for (const xml::Element* category : categories->all("Category"))
            if (!names.insert(category->attribute("name").value_or("")).second)
                problem("log category listed twice: " + category->attribute("name").value_or(""));
    }

    const std::vector<Variable3> variables = variables3(root);
    std::map<unsigned, const Variable3*> byReference;
    std::set<std::string> names;
    for (const Variable3& v : variables) {
        if (v.name.empty() || !names.insert(v.name).second) problem(v.label() + ": name empty or used twice");
        if (!byReference.emplace(v.valueReference, &v).second)
            problem(v.label() + ": value reference used twice (FMI 3.0 has one namespace for all types)");
    }
    auto find = [&](unsigned vr) -> const Variable3* {
        const auto it = byReference.find(vr);
        return it == byReference.end() ? nullptr : it->second;
    };

    // ModelStructure: value references of existing variables.
    const xml::Element* structure = root.child("ModelStructure");
    auto listed = [&](const char* entry) {
        std::vector<const Variable3*> list;
        for (const xml::Element* e : structure ? structure->all(entry) : std::vector<const xml::Element*>{}) {
            const unsigned vr = static_cast<unsigned>(std::stoul(e->attribute("valueReference").value_or("0")));
            const Variable3* v = find(vr);
            if (v == nullptr) problem(std::string(entry) + " names value reference " + std::to_string(vr) + ", which no variable has");
            else list.push_back(v);
            const std::optional<std::string> dependencies = e->attribute("dependencies");
            const std::optional<std::string> kinds = e->attribute("dependenciesKind");
            if (kinds && !dependencies) problem(std::string(entry) + ": dependenciesKind without dependencies");
            if (dependencies) {
                for (unsigned d : indexList(*dependencies))
                    if (find(d) == nullptr) problem(std::string(entry) + ": dependency " + std::to_string(d) + " is no variable");
                if (kinds && indexList(*dependencies).size() != [&] {
                        std::istringstream in(*kinds);
                        std::size_t n = 0;
                        for (std::string word; in >> word;) ++n;
                        return n;
                    }())
                    problem(std::string(entry) + ": dependenciesKind length differs");
            }
        }
        return list;
    };
    const std::vector<const Variable3*> outputs = listed("Output");
    const std::vector<const Variable3*> derivatives = listed("ContinuousStateDerivative");
    const std::vector<const Variable3*> initialUnknowns = listed("InitialUnknown");
    const std::vector<const Variable3*> eventIndicators = listed("EventIndicator");

    // States: what each ContinuousStateDerivative entry is the derivative of.
    std::set<const Variable3*> states, derivativeSet(derivatives.begin(), derivatives.end());
    for (const Variable3* d : derivatives) {
        const std::optional<std::string> of = d->element->attribute("derivative");
        const Variable3* state = of ? find(static_cast<unsigned>(std::stoul(*of))) : nullptr;
        if (!d->isFloat() || d->variability != "continuous" || state == nullptr)
            problem("ContinuousStateDerivative names " + d->label() + ", which is not a continuous float whose derivative attribute names a variable");
        else
            states.insert(state);
    }

    std::size_t independents = 0;
    for (const Variable3& v : variables) {
        const char kind = initialClass(v.causality, v.variability);
        if (kind == 0) problem(v.label() + ": causality " + v.causality + " with variability " + v.variability + " is not allowed");
        if (v.variability == "continuous" && !v.isFloat()) problem(v.label() + ": only a float may be continuous");
        if (v.causality == "independent") {
            ++independents;
            if (!v.isFloat() || v.hasStart() || v.initial)
                problem(v.label() + ": the independent variable is a float without start or initial");
        }
        if (v.initial) {
            const bool allowed = (kind == 'A' && *v.initial == "exact") || (kind == 'B' && *v.initial != "exact") ||
                                 kind == 'C' || (kind == 'D' && *v.initial == "exact");
            if (!allowed) problem(v.label() + ": initial=\"" + *v.initial + "\" is not allowed here");
        }
        const std::string initial = effectiveInitial(v.initial, kind);
        const bool startRequired = initial == "exact" || initial == "approx" || v.causality == "input" ||
                                   v.causality == "parameter" || v.causality == "structuralParameter" ||
                                   v.variability == "constant";
        if (startRequired && !v.hasStart()) problem(v.label() + ": needs a start value");
        if ((initial == "calculated" || v.causality == "independent") && v.hasStart())
            problem(v.label() + ": a calculated variable may not have a start value");

        if (v.isFloat()) {
            for (const char* key : {"min", "max", "nominal"})
                if (auto text = v.element->attribute(key); text && !isFiniteNumber(*text))
                    problem(v.label() + ": " + key + "=\"" + *text + "\" is not a finite number");
            std::size_t count = 0;
            for (const std::string& start : [&] {
                     std::vector<std::string> words;
                     std::istringstream in(v.element->attribute("start").value_or(""));
                     for (std::string word; in >> word;) words.push_back(word);
                     return words;
                 }()) {
                ++count;
                if (!isFiniteNumber(start)) { problem(v.label() + ": start value \"" + start + "\" is not a finite number"); continue; }
                const double value = std::strtod(start.c_str(), nullptr);
                if (auto min = v.element->attribute("min"); min && value < std::strtod(min->c_str(), nullptr))
                    problem(v.label() + ": start below min");
                if (auto max = v.element->attribute("max"); max && value > std::strtod(max->c_str(), nullptr))
                    problem(v.label() + ": start above max");
            }
            if (count > 1 && count != v.size()) problem(v.label() + ": " + std::to_string(count) + " start values for " + std::to_string(v.size()) + " elements");
            if (auto nominal = v.element->attribute("nominal"); nominal && std::strtod(nominal->c_str(), nullptr) <= 0.0)
                problem(v.label() + ": nominal must be positive");
        }
        if (auto unit = v.element->attribute("unit"); unit && units.count(*unit) == 0)
            problem(v.label() + ": unit " + *unit + " is not defined in UnitDefinitions");
        if (auto of = v.element->attribute("derivative")) {
            const Variable3* state = find(static_cast<unsigned>(std::stoul(*of)));
            if (state == nullptr || !state->isFloat() || state->variability != "continuous" ||
                (state->causality != "local" && state->causality != "output"))
                problem(v.label() + ": derivative of value reference " + *of + ", which is not a continuous local or output float");
        }
        if (v.element->attribute("reinit") == "true" && states.count(&v) == 0)
            problem(v.label() + ": reinit is for continuous states only");
        if (v.element->attribute("intermediateUpdate") == "true" && v.variability != "continuous")
            problem(v.label() + ": intermediateUpdate is for continuous-time variables only");
        for (const xml::Element* d : v.element->all("Dimension"))
            if (d->has("start") == d->has("valueReference")) problem(v.label() + ": a Dimension has start or valueReference, one of them");
    }
    if (independents != 1) problem("exactly one variable must be independent, not " + std::to_string(independents));

    // Output: every output once, nothing else.
    std::set<const Variable3*> expectedOutputs, listedOutputs(outputs.begin(), outputs.end());
    for (const Variable3& v : variables)
        if (v.causality == "output") expectedOutputs.insert(&v);
    if (listedOutputs != expectedOutputs || listedOutputs.size() != outputs.size())
        problem("Output must list every causality=\"output\" variable once, and nothing else");

    // InitialUnknown: outputs, states and state derivatives that are not
    // exact, and calculated parameters; each once, never an event indicator.
    std::set<const Variable3*> expectedInitial, listedInitial(initialUnknowns.begin(), initialUnknowns.end());
    for (const Variable3& v : variables) {
        const std::string initial = effectiveInitial(v.initial, initialClass(v.causality, v.variability));
        const bool notExact = initial == "approx" || initial == "calculated";
        const bool stateOrDerivative = states.count(&v) != 0 || derivativeSet.count(&v) != 0;
        if ((v.causality == "output" && notExact) || v.causality == "calculatedParameter" || (stateOrDerivative && notExact))
            expectedInitial.insert(&v);
    }
    if (listedInitial != expectedInitial || listedInitial.size() != initialUnknowns.size())
        problem("InitialUnknown does not list exactly the initial unknowns, each once");

    for (const Variable3* e : eventIndicators) {
        if (!e->isFloat() || e->variability != "continuous" || (e->causality != "local" && e->causality != "output"))
            problem("EventIndicator names " + e->label() + ", which is not a continuous local or output float");
        if (listedInitial.count(e) != 0) problem("EventIndicator " + e->label() + " is also an initial unknown");
    }
    return problems;
}

}  // namespace rules
