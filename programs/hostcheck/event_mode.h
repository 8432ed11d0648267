// How an FMI 3.0 model-exchange host used Event Mode, read from its record:
// the event iteration it ran in each Event Mode, and whether each Event Mode
// it entered had a reason the record shows. The model-exchange probe judges
// both.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "record.h"

namespace hostcheck {

// The first call that breaks an Event Mode's iteration: fmi3EnterContinuousTimeMode
// before any fmi3UpdateDiscreteStates in that Event Mode, or while the last
// one answered discreteStatesNeedUpdate true. why says which.
struct IterationBreak {
    std::size_t call;
    std::string why;
};
std::optional<IterationBreak> firstIterationBreak(const CallRecord& record);

// An fmi3EnterEventMode with none of the reasons the record can show: no
// event indicator the host read changed its domain (z > 0 against z ≤ 0)
// since the last event update, no fmi3CompletedIntegratorStep answered
// enterEventMode true, no event time the component announced was reached.
// A host may still have had one of its own (a planned input change).
struct EventWithoutReason {
    std::size_t call;
    // The indicator values the host read since the last event update, as
    // recorded ("[0.951]"), the last few; and how many reads there were.
    std::vector<std::string> lastReads;
    std::size_t reads = 0;
};
std::vector<EventWithoutReason> eventsWithoutReason(const CallRecord& record);

}  // namespace hostcheck
