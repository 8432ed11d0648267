// Start values from the command line (--start NAME=VALUE) for an FMI 3.0
// instance: each read as its variable's type before anything is loaded, and
// handed over with that type's setter between instantiation and
// initialisation.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "component.h"
#include "harness.h"
#include "simulation.h"

namespace rebounder_host {

// One start value, read: the setter it goes through and the call with the
// values in the form the setter takes (booleans one byte each, strings and
// binaries with their sizes, an array with its element count).
struct StartSetting {
    std::string function;  // "fmi3SetFloat64", ...
    std::function<fmi3Status(const host::Fmi3Api& api, fmi3Instance instance)> set;
};

// The settings in command-line order; nullopt, with error saying which and
// why, for a value the component's variables cannot take.
std::optional<std::vector<StartSetting>> readStartValues(const ComponentDescription& component,
                                                         const std::vector<StartValue>& startValues,
                                                         std::string& error);

}  // namespace rebounder_host
