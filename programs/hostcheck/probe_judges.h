// The judge of each probe: what the runs it asks for left behind, turned
// into a verdict with its evidence. Listed in probeTable().
#pragma once

#include "judging.h"

namespace hostcheck {

ProbeResult judgeOptionalFunctions(Runs& runs, const Settings& settings);
ProbeResult judgeModelExchangeTrajectory(Runs& runs, const Settings& settings);
ProbeResult judgeCoSimulationTrajectory(Runs& runs, const Settings& settings);
ProbeResult judgeNullStrings(Runs& runs, const Settings& settings);
ProbeResult judgeEventIteration(Runs& runs, const Settings& settings);
ProbeResult judgeLogMessages(Runs& runs, const Settings& settings);
ProbeResult judgeDiscard(Runs& runs, const Settings& settings);
ProbeResult judgeLifecycle(Runs& runs, const Settings& settings);
ProbeResult judgeMemory(Runs& runs, const Settings& settings);
ProbeResult judgeCallingSequence(Runs& runs, const Settings& settings);
ProbeResult judgeRefusedInstantiation(Runs& runs, const Settings& settings);

}  // namespace hostcheck
