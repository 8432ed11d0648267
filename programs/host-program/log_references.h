// Replacing variable references in log messages by variable names, as an FMI
// host's logger does.
#pragma once

#include <string>

#include "component.h"

namespace rebounder_host {

// Replaces each "#<t><vr>#" (t one of r, i, b, s; vr a decimal value
// reference) that names a known variable by the variable's name, and "##" by
// "#". Anything else — a negative or unknown value reference, a missing
// closing hash sign, an undefined type letter — is kept exactly as written.
std::string expandReferences(const std::string& text, const VariableNames& names);

}  // namespace rebounder_host
