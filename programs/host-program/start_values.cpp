#include "start_values.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <memory>

namespace rebounder_host {
namespace {

using Elements = std::vector<std::string>;

// An array's value lists its elements separated by commas or spaces; a
// scalar's value is the whole text (a string may hold both).
Elements elementsOf(const std::string& text, std::size_t elementCount) {
    if (elementCount == 1) return {text};
    Elements elements;
    std::string current;
    for (char c : text + ',') {
        if (c != ',' && c != ' ') {
            current += c;
        } else if (!current.empty()) {
            elements.push_back(current);
            current.clear();
        }
    }
    return elements;
}

// A whole element read as T: integers in T's range, floating-point numbers
// as the C library reads them.
template <typename T>
std::optional<T> readNumber(const std::string& text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<bool> readBoolean(const std::string& text) {
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    return std::nullopt;
}

// Two hexadecimal digits a byte, as a binary start value is written.
std::optional<std::vector<std::uint8_t>> readHex(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t byte = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (error != std::errc() || end != text.data() + i + 2) return std::nullopt;
        bytes.push_back(byte);
    }
    return bytes;
}

// Reads every element with read; nullopt when one does not read.
template <typename T, typename Read>
std::optional<std::vector<T>> readAll(const Elements& elements, Read read) {
    std::vector<T> values;
    for (const std::string& element : elements) {
        const auto value = read(element);
        if (!value) return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

using Setter = std::function<fmi3Status(const host::Fmi3Api&, fmi3Instance)>;
using Prepare = std::optional<Setter> (*)(fmi3ValueReference reference, const Elements& elements);

// A number type: the values and the setter of the same type.
template <typename T, auto setter>
std::optional<Setter> numbers(fmi3ValueReference reference, const Elements& elements) {
    const auto values = readAll<T>(elements, readNumber<T>);
    if (!values) return std::nullopt;
    return Setter([reference, v = *values](const host::Fmi3Api& api, fmi3Instance c) {
        return (api.*setter)(c, &reference, 1, v.data(), v.size());
    });
}

// Booleans go as one byte each: bool is the setter's type.
std::optional<Setter> booleans(fmi3ValueReference reference, const Elements& elements) {
    const auto values = readAll<bool>(elements, readBoolean);
    if (!values) return std::nullopt;
    return Setter([reference, v = *values](const host::Fmi3Api& api, fmi3Instance c) {
        const std::unique_ptr<bool[]> bytes(new bool[v.size()]);
        for (std::size_t i = 0; i < v.size(); ++i) bytes[i] = v[i];
        return api.fmi3SetBoolean(c, &reference, 1, bytes.get(), v.size());
    });
}

std::optional<Setter> strings(fmi3ValueReference reference, const Elements& elements) {
    return Setter([reference, v = elements](const host::Fmi3Api& api, fmi3Instance c) {
        std::vector<fmi3String> texts;
        for (const std::string& text : v) texts.push_back(text.c_str());
        return api.fmi3SetString(c, &reference, 1, texts.data(), texts.size());
    });
}

// Binaries go with their sizes: a zero byte inside is data.
std::optional<Setter> binaries(fmi3ValueReference reference, const Elements& elements) {
    const auto values = readAll<std::vector<std::uint8_t>>(elements, readHex);
    if (!values) return std::nullopt;
    return Setter([reference, v = *values](const host::Fmi3Api& api, fmi3Instance c) {
        std::vector<std::size_t> sizes;
        std::vector<fmi3Binary> data;
        for (const auto& bytes : v) {
            sizes.push_back(bytes.size());
            data.push_back(bytes.data());
        }
        return api.fmi3SetBinary(c, &reference, 1, sizes.data(), data.data(), v.size());
    });
}

struct TypeEntry {
    Prepare prepare;
    const char* expected;  // what a value of the type looks like, for the refusal
};

const std::map<std::string, TypeEntry>& typeTable() {
    using A = host::Fmi3Api;
    static const std::map<std::string, TypeEntry> table{
        {"Float32", {numbers<float, &A::fmi3SetFloat32>, "a number"}},
        {"Float64", {numbers<double, &A::fmi3SetFloat64>, "a number"}},
        {"Int8", {numbers<std::int8_t, &A::fmi3SetInt8>, "a whole number from -128 to 127"}},
        {"UInt8", {numbers<std::uint8_t, &A::fmi3SetUInt8>, "a whole number from 0 to 255"}},
        {"Int16", {numbers<std::int16_t, &A::fmi3SetInt16>, "a whole number from -32768 to 32767"}},
        {"UInt16", {numbers<std::uint16_t, &A::fmi3SetUInt16>, "a whole number from 0 to 65535"}},
        {"Int32", {numbers<std::int32_t, &A::fmi3SetInt32>, "a 32-bit whole number"}},
        {"UInt32", {numbers<std::uint32_t, &A::fmi3SetUInt32>, "an unsigned 32-bit whole number"}},
        {"Int64", {numbers<std::int64_t, &A::fmi3SetInt64>, "a 64-bit whole number"}},
        {"Enumeration", {numbers<std::int64_t, &A::fmi3SetInt64>, "a 64-bit whole number"}},
        {"UInt64", {numbers<std::uint64_t, &A::fmi3SetUInt64>, "an unsigned 64-bit whole number"}},
        {"Boolean", {booleans, "true, false, 1 or 0"}},
        {"String", {strings, "a text"}},
        {"Binary", {binaries, "bytes as pairs of hexadecimal digits"}},
    };
    return table;
}

// The setter's name for a type: Enumeration values pass as Int64.
std::string setterName(const std::string& type) { return "fmi3Set" + (type == "Enumeration" ? "Int64" : type); }

}  // namespace

std::optional<std::vector<StartSetting>> readStartValues(const ComponentDescription& component,
                                                         const std::vector<StartValue>& startValues,
                                                         std::string& error) {
    std::vector<StartSetting> settings;
    for (const StartValue& start : startValues) {
        const Fmi3Variable* variable = nullptr;
        for (const Fmi3Variable& v : component.variables) variable = v.name == start.name ? &v : variable;
        if (variable == nullptr) {
            error = "--start " + start.name + ": the component has no variable of that name";
            return std::nullopt;
        }
        const auto type = typeTable().find(variable->type);
        if (type == typeTable().end()) {
            error = "--start " + start.name + ": a " + variable->type + " variable takes no start value here";
            return std::nullopt;
        }
        const Elements elements = elementsOf(start.value, variable->elementCount);
        if (elements.size() != variable->elementCount) {
            error = "--start " + start.name + ": the array has " + std::to_string(variable->elementCount) +
                    " elements, and '" + start.value + "' gives " + std::to_string(elements.size());
            return std::nullopt;
        }
        const auto set = type->second.prepare(variable->valueReference, elements);
        if (!set) {
            error = "--start " + start.name + ": '" + start.value + "' is not " + type->second.expected + " (" +
                    variable->type + ")";
            return std::nullopt;
        }
        settings.push_back({setterName(variable->type), *set});
    }
    return settings;
}

std::string startValueProblem(const ComponentDescription& component, const std::vector<StartValue>& startValues) {
    std::string error;
    readStartValues(component, startValues, error);
    return error;
}

}  // namespace rebounder_host
