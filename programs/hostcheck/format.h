// Numbers as the evidence shows them.
#pragma once

#include <string>

namespace hostcheck {

// The shortest decimal text that reads back as the same double: 0.01, 1.5.
std::string shortest(double value);

// A fixed number of decimals: 1.0161.
std::string fixed(double value, int decimals = 4);

}  // namespace hostcheck
