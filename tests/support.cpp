// Helpers shared by the tests.
#include "support.h"

#include <charconv>

std::string shortest(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
