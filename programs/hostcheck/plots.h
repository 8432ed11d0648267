// Pictures of the trajectory probes for the Markdown report: for each run, the
// host's height and velocity over time, against the reference results
// (co-simulation) or against the floor and the closed-form first contact
// (model exchange), the host's first rebound marked.
#pragma once

#include <string>
#include <vector>

#include "probes.h"

namespace hostcheck {

struct Plot {
    int probe;
    std::string file;  // "2-model-exchange.svg"
    std::string svg;
};

// One plot per trajectory probe among the results (2 and 3) that ran.
std::vector<Plot> trajectoryPlots(const std::vector<ProbeResult>& results, const Settings& settings);

}  // namespace hostcheck
