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
// standard does not allow the pair.
inline char initialClass(const Variable2& v) {
    const std::string& c = v.causality;
    const std::string& var = v.variability;
    if (var == "constant") return (c == "output" || c == "local") ? 'A' : 0;
    if (var == "fixed" || var == "tunable") {
        if (c == "parameter") return 'A';
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

// The initial value in force: as written, or the default of the class.
inline std::string effectiveInitial(const Variable2& v) {
    if (v.initial) return *v.initial;
    switch (initialClass(v)) {
        case 'A': return "exact";
        case 'B':
        case 'C': return "calculated";
        default: return "";
    }
}

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

}  // namespace rules
