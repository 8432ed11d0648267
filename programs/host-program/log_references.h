// Replacing variable references in log messages by variable names, as an FMI
// host's logger does.
#pragma once

#include <string>

#include "component.h"

namespace rebounder_host {

// How a message writes a reference: FMI 1.0 and 2.0 "#<t><vr>#" with a type
// letter, FMI 3.0 "#<vr>#" without one.
enum class ReferenceForm { typed, untyped };

// Replaces each "#<t><vr>#" (t one of r, i, b, s; vr a decimal value
// reference), or "#<vr>#" in the untyped form, that names a known variable
// by the variable's name, and "##" by "#". Anything else — a negative or
// unknown value reference, a missing closing hash sign, an undefined type
// letter — is kept exactly as written.
std::string expandReferences(const std::string& text, const VariableNames& names,
                             ReferenceForm form = ReferenceForm::typed);

}  // namespace rebounder_host
