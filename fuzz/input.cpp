#include "input.h"

#include <cfloat>
#include <climits>
#include <cstring>
#include <iterator>
#include <limits>

#include "model_expectations.h"

namespace fuzz {

namespace {

template <typename T, std::size_t n>
const T& oneOf(Input& in, const T (&table)[n]) {
    return table[in.inRange<std::size_t>(0, n - 1)];
}

}  // namespace

double Input::real() {
    static const double table[] = {0.0,
                                   -0.0,
                                   1.0,
                                   -1.0,
                                   expected::internalStep,
                                   0.005,
                                   0.05,
                                   2.0,
                                   expected::derivativeTableValue,
                                   expected::startGravity,
                                   expected::indicatorOffset,
                                   -1e-3,
                                   1e300,
                                   -1e300,
                                   DBL_MAX,
                                   -DBL_MAX,
                                   DBL_MIN,
                                   -DBL_MIN,
                                   std::numeric_limits<double>::denorm_min(),
                                   -std::numeric_limits<double>::denorm_min(),
                                   1e9,
                                   -1e9,
                                   9007199254740992.0,  // 2^53: adding 0.01 changes nothing
                                   1e16,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   -std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity()};
    if (flag()) return oneOf(*this, table);
    const std::uint64_t bits = data.ConsumeIntegral<std::uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

unsigned Input::valueReference() {
    static const unsigned table[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    if (flag()) return oneOf(*this, table);
    return data.ConsumeIntegral<unsigned>();
}

int Input::integer() {
    static const int table[] = {0, 1, 2, 3, -1, 5, 13, INT_MIN, INT_MAX};
    if (flag()) return oneOf(*this, table);
    return data.ConsumeIntegral<int>();
}

int Input::statusKind() { return flag() ? inRange<int>(0, 3) : integer(); }

std::size_t Input::hugeCount() {
    static const std::size_t huge[] = {SIZE_MAX, SIZE_MAX / 2 + 1, std::size_t{1} << 31, 0xFFFFFFFFu, 1000000};
    return oneOf(*this, huge);
}

const char* Input::text(std::size_t maxLength) {
    switch (inRange<int>(0, 9)) {
        case 0: return nullptr;
        case 1: return "";
        case 2: return expected::guid;
        case 3: texts.push_back(std::make_unique<std::string>(inRange<std::size_t>(1020, 1030), 'n')); break;
        case 4: texts.push_back(std::make_unique<std::string>(5000, 'x')); break;
        case 5: return "%s%n%d #r1# %%";
        default: texts.push_back(std::make_unique<std::string>(data.ConsumeRandomLengthString(maxLength))); break;
    }
    return texts.back()->c_str();
}

}  // namespace fuzz
