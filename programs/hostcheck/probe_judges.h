// The judge of each probe: what the runs it asks for left behind, turned
// into a verdict with its evidence. Listed in probeTable().
#pragma once

#include "judging.h"

namespace hostcheck {

ProbeResult judgeOptionalFunctions(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeModelExchangeTrajectory(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeCoSimulationTrajectory(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeNullStrings(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeEventIteration(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeLogMessages(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeDiscard(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeLifecycle(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeMemory(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeCallingSequence(const Probe& probe, Runs& runs, const Settings& settings);
ProbeResult judgeRefusedInstantiation(const Probe& probe, Runs& runs, const Settings& settings);

}  // namespace hostcheck
