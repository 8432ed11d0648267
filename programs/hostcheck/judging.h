// What the probes share: a finding per run, and a probe's verdict from its
// findings; what a run's end says to a probe that did not cause it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "probes.h"
#include "record_facts.h"

namespace hostcheck {

struct Finding {
    Verdict verdict;
    std::string who;  // the run it is about ("pellidor", "corvane h = 0.05"), or empty
    std::string text;
    bool outside = false;  // judged without a record where the record would have decided
};

// The probe's verdict is the heaviest of its findings; the evidence gives
// those findings first (runs with the same text named together), then the
// others with their verdict, and says once when any was judged from the
// outside only.
void conclude(ProbeResult& result, const std::vector<Finding>& findings);

// A result with the probe's number, name and title.
ProbeResult resultOf(const Probe& probe);

// The run's name with its FMU set when that is not the strict-host one:
// the record probes judge the default and the strict-host runs side by side.
std::string runWho(const Run& run);

// The probe's result from one finding per run it needs that the host
// takes: judged from the run's record, or from the outside when the FMUs
// keep none.
using RunJudge = std::function<Finding(const Run&)>;
ProbeResult judgeEachRun(const Probe& probe, RunSource& runs, const RunJudge& withRecord, const RunJudge& fromTheOutside);
// The same over some of its runs.
ProbeResult judgeEachRun(const Probe& probe, RunSource& runs, const std::vector<RunRequest>& requests,
                         const RunJudge& withRecord, const RunJudge& fromTheOutside);

// The verdict text for a run that ended early for a probe's subject: where,
// and which probe judges why ("...: see probe <number>").
std::string seeProbe(const RunEnd& end);

// The run's end as this probe reports it: where it ended, or for a run
// another probe's subject ended, where and which probe judges it.
std::string endFor(const RunEnd& end, const Probe& probe);

// What went wrong with a run that did not end by itself (crashed or hung),
// with where the record shows it happened; nullopt for a run that did.
std::optional<std::string> brokenRun(const Run& run);

// " (stopped at ..., exit status 1 after 0.2 s)" for a run that ended before
// the stop time, empty for one that ran to the end.
std::string earlyEnd(const Run& run);

// The finding that keeps a probe of the result CSV from judging a run: it
// ended for another probe's subject (not reached), crashed or hung, or left
// no readable CSV (fail); nullopt when its CSV can be judged.
std::optional<Finding> unjudgeableResult(const Run& run, const Probe& probe);

// How a run that stopped by itself ended: "exit status 1 after 0.31 s
// ('its last line')".
std::string refusal(const Run& run);

// Whether the host's CSV goes on to the stop time, and where it ends.
struct ResultEnd {
    bool rows = false;
    bool toStop = false;
    double last = 0.0;
};
ResultEnd resultEnd(const Run& run);

// Ends the evidence of a probe the record would have decided, when the FMUs keep none.
inline const std::string fromOutside = " (judged from the outside: these FMUs keep no call record)";

inline const std::string skipReason = "the host takes none of the interfaces and FMI versions this probe needs";

}  // namespace hostcheck
