#include "judging.h"

#include <algorithm>

namespace hostcheck {
namespace {

// The findings of one verdict, runs with the same text named together in
// the order they came.
std::vector<std::string> grouped(const std::vector<Finding>& findings, Verdict verdict) {
    std::vector<std::string> texts, who;
    for (const Finding& f : findings) {
        if (f.verdict != verdict) continue;
        const auto same = std::find(texts.begin(), texts.end(), f.text);
        if (same == texts.end()) {
            texts.push_back(f.text);
            who.push_back(f.who);
        } else if (!f.who.empty()) {
            std::string& names = who[static_cast<std::size_t>(same - texts.begin())];
            names += (names.empty() ? "" : ", ") + f.who;
        }
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < texts.size(); ++i) out.push_back(who[i].empty() ? texts[i] : who[i] + ": " + texts[i]);
    return out;
}

}  // namespace

void settleRunEnd(Run& run) {
    if (run.record) run.end = runEnd(*run.record, run.outcome, stopTime);
}

void conclude(ProbeResult& result, const std::vector<Finding>& findings) {
    result.verdict = Verdict::skip;
    for (const Finding& f : findings) result.verdict = std::max(result.verdict, f.verdict);
    if (result.verdict == Verdict::skip) {
        result.evidence = skipReason;
        return;
    }
    std::string evidence;
    for (const std::string& text : grouped(findings, result.verdict)) evidence += (evidence.empty() ? "" : "; ") + text;
    for (Verdict other : {Verdict::fail, Verdict::note, Verdict::pass, Verdict::notReached}) {
        if (other == result.verdict) continue;
        for (const std::string& text : grouped(findings, other)) {
            evidence += "; " + std::string(verdictName(other)) + " for " + text;
        }
    }
    const bool outside = std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.outside; });
    result.evidence = evidence + (outside ? fromOutside : "");
}

ProbeResult resultOf(const Probe& probe) {
    ProbeResult result;
    result.number = probe.number;
    result.name = probe.name;
    result.title = probe.title;
    return result;
}

std::string runWho(const Run& run) {
    return run.request.set == FmuSet::strictHost ? run.name : run.name + " (" + setName(run.request.set) + ")";
}

ProbeResult judgeEachRun(const Probe& probe, Runs& runs, const RunJudge& withRecord, const RunJudge& fromTheOutside) {
    return judgeEachRun(probe, runs, probe.needs, withRecord, fromTheOutside);
}

ProbeResult judgeEachRun(const Probe& probe, Runs& runs, const std::vector<RunRequest>& requests,
                         const RunJudge& withRecord, const RunJudge& fromTheOutside) {
    ProbeResult result = resultOf(probe);
    std::vector<Finding> findings;
    for (const RunRequest& request : requests) {
        const Run& run = runs(request);
        if (run.skipped) continue;
        result.runs.push_back(&run);
        findings.push_back(run.record ? withRecord(run) : fromTheOutside(run));
    }
    conclude(result, findings);
    return result;
}

std::string seeProbe(const RunEnd& end) {
    return end.where + ": see probe " + std::to_string(probeOfSubject(end.subject));
}

std::string endFor(const RunEnd& end, const Probe& probe) {
    return end.subject == Subject::none || end.subject == probe.subject ? end.where : seeProbe(end);
}

std::optional<Finding> endedForAnotherProbe(const Run& run, const Probe& probe) {
    if (!run.end || run.end->subject == Subject::none || run.end->subject == probe.subject) return std::nullopt;
    return Finding{Verdict::notReached, run.name, seeProbe(*run.end)};
}

std::optional<std::string> brokenRun(const Run& run) {
    if (!run.outcome.crashed() && !run.outcome.hung()) return std::nullopt;
    const std::string how = run.outcome.crashed() ? "crashed" : "hung";
    if (!run.end) return how + ", " + exitText(run.outcome);
    return run.end->where + " (" + exitText(run.outcome) + ")";
}

std::string howEnded(const Run& run) {
    if (!run.end) return exitText(run.outcome);
    return run.end->reachedStop ? exitText(run.outcome) : run.end->where + ", " + exitText(run.outcome);
}

std::string earlyEnd(const Run& run) {
    const bool toTheEnd = run.end ? run.end->reachedStop : run.outcome.completed();
    return toTheEnd ? "" : " (" + howEnded(run) + ")";
}

std::optional<Finding> unjudgeableResult(const Run& run, const Probe& probe) {
    if (auto other = endedForAnotherProbe(run, probe)) return other;
    // Without a record a run that did not complete may have stopped for
    // another probe's subject: the verdict says it could not see that.
    const bool outside = !run.record && !run.outcome.completed();
    if (const auto broken = brokenRun(run)) return Finding{Verdict::fail, run.name, *broken, outside};
    if (!run.result.trajectory) {
        return Finding{Verdict::fail, run.name, run.result.problem + " (" + howEnded(run) + ")", outside};
    }
    return std::nullopt;
}

std::string refusal(const Run& run) {
    const std::string reason = lastLine(run.outcome);
    return exitText(run.outcome) + (reason.empty() ? "" : " ('" + reason + "')");
}

ResultEnd resultEnd(const Run& run) {
    ResultEnd end;
    if (!run.result.trajectory || run.result.trajectory->size() == 0) return end;
    end.rows = true;
    end.last = run.result.trajectory->time.back();
    end.toStop = end.last >= stopTime * (1.0 - 1e-9);
    return end;
}

}  // namespace hostcheck
