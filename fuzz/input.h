// Reads an input as the arguments of the calls it stands for: hostile values
// a host may lawfully pass. The provider takes operation bytes and numbers
// from the input's end and text from its start; a value the input no longer
// has reads as the lowest of its range.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fuzz {

class Input {
public:
    explicit Input(FuzzedDataProvider& data) : data(data) {}

    bool exhausted() const { return data.remaining_bytes() == 0; }
    std::uint8_t byte() { return data.ConsumeIntegral<std::uint8_t>(); }
    bool flag() { return data.ConsumeBool(); }
    // True one time in n.
    bool oneIn(int n) { return data.ConsumeIntegralInRange<int>(0, n - 1) == 0; }
    template <typename T>
    T inRange(T low, T high) {
        return data.ConsumeIntegralInRange<T>(low, high);
    }

    // Any double: the model's own numbers, signed zeros, subnormals, huge
    // values, NaN and infinities, or any bit pattern.
    double real();
    unsigned valueReference();
    int integer();
    // A status kind as a host written in C may pass it: any int.
    int statusKind();

    // Counts from 0 to a few more than the model has.
    std::size_t count(std::size_t modelCount) { return inRange<std::size_t>(0, modelCount + 3); }

    // The count n the arrays were made for, or, when every array is null (no
    // element to read past), perhaps any size a host might pass.
    template <typename... Arrays>
    std::size_t countFor(std::size_t n, const Arrays&... arrays) {
        if (!(... && (arrays == nullptr)) || !flag()) return n;
        return hugeCount();
    }

    // An array of exactly n elements, so that the sanitizers see any access
    // past it, or null.
    template <typename T, typename Make>
    std::unique_ptr<T[]> array(std::size_t n, Make make) {
        if (oneIn(16)) return nullptr;
        std::unique_ptr<T[]> values(new T[n]);
        for (std::size_t i = 0; i < n; ++i) values[i] = make();
        return values;
    }
    template <typename T>
    std::unique_ptr<T[]> output(std::size_t n) {
        return array<T>(n, [] { return T{}; });
    }

    // Host text, alive until forgetTexts: null, empty, the GUID, a name just
    // around the instance's name capacity, a long one, format directives, or
    // any bytes.
    const char* text(std::size_t maxLength = 40);
    // Called between the steps of an input: no call is still using the texts.
    void forgetTexts() { texts.clear(); }

private:
    std::size_t hugeCount();

    FuzzedDataProvider& data;
    std::vector<std::unique_ptr<std::string>> texts;
};

}  // namespace fuzz
