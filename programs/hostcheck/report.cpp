#include "report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace hostcheck {
namespace {

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", value);
    return text;
}

std::string counts(const Summary& summary) {
    int byVerdict[5] = {0, 0, 0, 0, 0};
    for (const ProbeResult& r : summary.results) ++byVerdict[static_cast<int>(r.verdict)];
    std::string out;
    for (Verdict v : {Verdict::pass, Verdict::note, Verdict::fail, Verdict::notReached, Verdict::skip}) {
        out += (out.empty() ? "" : ", ") + std::to_string(byVerdict[static_cast<int>(v)]) + " " + verdictName(v);
    }
    return out;
}

std::string upper(const char* text) {
    std::string out(text);
    for (char& c : out) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return out;
}

std::string recordNote(const Summary& summary) {
    return summary.recorded ? "the FMUs kept a call record of every run: the verdicts come from the host's calls"
                            : "these FMUs keep no call record: the verdicts are judged from the outside only (give "
                              "the recording FMUs, fmu/recording)";
}

// The last lines of a text, indented to stay inside a list item: an excerpt
// of a host's output.
std::string tail(const std::string& text, std::size_t count) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    while (!lines.empty() && lines.back().find_first_not_of(" \r") == std::string::npos) lines.pop_back();
    std::string out;
    const std::size_t first = lines.size() > count ? lines.size() - count : 0;
    for (std::size_t i = first; i < lines.size(); ++i) out += "  " + lines[i] + "\n";
    return out;
}

// The last calls of a record with what they answered: where the run ended.
std::string lastCalls(const CallRecord& record, std::size_t count) {
    std::string out;
    const std::size_t first = record.calls.size() > count ? record.calls.size() - count : 0;
    for (std::size_t k = first; k < record.calls.size(); ++k) {
        out += "  " + record.calls[k].textWithStatus() + "\n";
    }
    return out;
}

// Text inside a Markdown table cell: its bars escaped.
std::string cell(std::string text) {
    for (std::size_t p = 0; (p = text.find('|', p)) != std::string::npos; p += 2) text.replace(p, 1, "\\|");
    return text;
}

std::string json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

std::string terminalTable(const Summary& summary) {
    std::ostringstream out;
    out << "probe                          verdict      evidence\n";
    for (const ProbeResult& r : summary.results) {
        char head[64];
        std::snprintf(head, sizeof head, "%d. %-28s%-13s", r.number, r.title.c_str(),
                      upper(verdictName(r.verdict)).c_str());
        out << head << r.evidence << '\n';
        if (r.verdict == Verdict::fail) out << "   -> the host should: " << r.fix << '\n';
    }
    out << "\n" << counts(summary) << "; " << summary.runs << " host runs in " << seconds(summary.seconds) << "; "
        << recordNote(summary) << '\n';
    return out.str();
}

std::string markdownReport(const Summary& summary) {
    std::ostringstream out;
    const Settings& s = summary.settings;
    out << "# How the host copes with the Rebounder FMUs" << (summary.label.empty() ? "" : ": " + summary.label)
        << "\n\n"
        << "Host command template:\n\n```\n" << s.hostTemplate << "\n```\n\n"
        << "Result: " << counts(summary) << " (" << summary.runs << " host runs in " << seconds(summary.seconds)
        << ", time limit " << seconds(s.timeLimit) << " per run).\n\n"
        << "FMUs: `" << s.fmus.string() << "` (default), `" << s.strictFmus.string()
        << "` (strict host); references: `" << s.references.string() << "`; " << recordNote(summary) << ".\n\n"
        << "| Probe | Verdict | Evidence |\n|---|---|---|\n";
    for (const ProbeResult& r : summary.results) {
        out << "| " << r.number << ". " << r.title << " | " << verdictName(r.verdict) << " | " << cell(r.evidence) << " |\n";
    }
    for (const ProbeResult& r : summary.results) {
        out << "\n## " << r.number << ". " << r.title << ": " << verdictName(r.verdict) << "\n\n" << r.evidence << "\n";
        if (r.verdict == Verdict::fail) out << "\n**What the host should do instead:** " << r.fix << "\n";
        if (const auto plot = summary.plots.find(r.number); plot != summary.plots.end()) {
            out << "\n![" << r.title << ": the host's height and velocity](" << plot->second << ")\n";
        }
        for (const Run* run : r.runs) {
            out << "\n- " << run->label << ": " << describe(run->outcome)
                << (run->record ? ", " + std::to_string(run->record->calls.size()) + " calls recorded" : "")
                << "\n\n  ```\n  " << run->command << "\n  ```\n";
            if (r.verdict != Verdict::fail && r.verdict != Verdict::notReached) continue;
            // The end of what the host printed: where its reason usually is.
            for (const auto& [name, text] : {std::pair{"standard error", &run->outcome.errors},
                                             std::pair{"standard output", &run->outcome.output}}) {
                const std::string excerpt = tail(*text, 8);
                if (!excerpt.empty()) out << "\n  Last lines of its " << name << ":\n\n  ```\n" << excerpt << "  ```\n";
            }
            if (run->record && !run->record->calls.empty()) out << "\n  Its last calls:\n\n  ```\n" << lastCalls(*run->record, 8) << "  ```\n";
        }
    }
    return out.str();
}

std::string jsonReport(const Summary& summary) {
    std::ostringstream out;
    bool failed = false;
    for (const ProbeResult& r : summary.results) failed = failed || r.verdict == Verdict::fail;
    out << "{\n  " << (summary.label.empty() ? "" : "\"label\": " + json(summary.label) + ",\n  ")
        << "\"host\": " << json(summary.settings.hostTemplate)
        << ",\n  \"failed\": " << (failed ? "true" : "false")
        << ",\n  \"recorded\": " << (summary.recorded ? "true" : "false")
        << ",\n  \"seconds\": " << summary.seconds << ",\n  \"runs\": " << summary.runs << ",\n  \"probes\": [";
    for (std::size_t i = 0; i < summary.results.size(); ++i) {
        const ProbeResult& r = summary.results[i];
        out << (i ? "," : "") << "\n    {\"number\": " << r.number << ", \"name\": " << json(r.name)
            << ", \"title\": " << json(r.title)
            << ", \"verdict\": " << json(verdictName(r.verdict)) << ", \"evidence\": " << json(r.evidence);
        if (r.verdict == Verdict::fail) out << ", \"fix\": " << json(r.fix);
        out << ", \"runs\": [";
        for (std::size_t k = 0; k < r.runs.size(); ++k) {
            const Run& run = *r.runs[k];
            out << (k ? ", " : "") << "{\"label\": " << json(run.label) << ", \"command\": " << json(run.command)
                << ", \"outcome\": " << json(describe(run.outcome)) << ", \"seconds\": " << run.outcome.seconds << "}";
        }
        out << "]}";
    }
    out << "\n  ]\n}\n";
    return out.str();
}

// ---- Several templates side by side ----------------------------------------

namespace {

const ProbeResult* resultOf(const Summary& summary, int number) {
    for (const ProbeResult& r : summary.results) {
        if (r.number == number) return &r;
    }
    return nullptr;
}

std::string verdictIn(const Summary& summary, int number) {
    const ProbeResult* r = resultOf(summary, number);
    return r ? verdictName(r->verdict) : "-";
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string withoutTrailingSpaces(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

// The verdicts, one column per template.
std::string verdictColumns(const std::vector<Summary>& summaries) {
    std::size_t width = 13;
    for (const Summary& s : summaries) width = std::max(width, s.label.size() + 2);
    std::string header = padded("probe", 31);
    for (const Summary& s : summaries) header += padded(s.label, width);
    std::string out = withoutTrailingSpaces(header) + "\n";
    for (const ProbeResult& r : summaries.front().results) {
        std::string row = padded(std::to_string(r.number) + ". " + r.title, 31);
        for (const Summary& s : summaries) row += padded(upper(verdictIn(s, r.number).c_str()), width);
        out += withoutTrailingSpaces(row) + "\n";
    }
    return out;
}

// Each probe's evidence, template by template.
std::string evidenceByProbe(const std::vector<Summary>& summaries) {
    std::ostringstream out;
    for (const ProbeResult& first : summaries.front().results) {
        out << "\n" << first.number << ". " << first.title << '\n';
        for (const Summary& s : summaries) {
            const ProbeResult* r = resultOf(s, first.number);
            if (r == nullptr) continue;
            out << "   " << s.label << ": " << upper(verdictName(r->verdict)) << ": " << r->evidence << '\n';
            if (r->verdict == Verdict::fail) out << "     -> the host should: " << r->fix << '\n';
        }
    }
    return out.str();
}

}  // namespace

bool anyFailed(const std::vector<Summary>& summaries) {
    for (const Summary& s : summaries) {
        for (const ProbeResult& r : s.results) {
            if (r.verdict == Verdict::fail) return true;
        }
    }
    return false;
}

std::string terminalTable(const std::vector<Summary>& summaries) {
    if (summaries.size() == 1) return terminalTable(summaries.front());
    std::ostringstream out;
    out << "host templates:\n";
    for (const Summary& s : summaries) out << "  " << s.label << ": " << s.settings.hostTemplate << '\n';
    out << '\n' << verdictColumns(summaries) << evidenceByProbe(summaries) << '\n';
    for (const Summary& s : summaries) {
        out << s.label << ": " << counts(s) << "; " << s.runs << " host runs in " << seconds(s.seconds) << "; "
            << recordNote(s) << '\n';
    }
    return out.str();
}

std::string markdownReport(const std::vector<Summary>& summaries) {
    if (summaries.size() == 1) return markdownReport(summaries.front());
    std::ostringstream out;
    out << "# How the hosts cope with the Rebounder FMUs, side by side\n\n| Probe |";
    for (const Summary& s : summaries) out << " " << cell(s.label) << " |";
    out << "\n|---|";
    for (std::size_t k = 0; k < summaries.size(); ++k) out << "---|";
    for (const ProbeResult& r : summaries.front().results) {
        out << "\n| " << r.number << ". " << r.title << " |";
        for (const Summary& s : summaries) out << " " << verdictIn(s, r.number) << " |";
    }
    out << "\n\nEach template's verdicts, evidence and runs follow in a section of its own.\n";
    for (const Summary& s : summaries) out << "\n" << markdownReport(s);
    return out.str();
}

std::string jsonReport(const std::vector<Summary>& summaries) {
    if (summaries.size() == 1) return jsonReport(summaries.front());
    std::ostringstream out;
    out << "{\n  \"failed\": " << (anyFailed(summaries) ? "true" : "false") << ",\n  \"templates\": [";
    for (std::size_t k = 0; k < summaries.size(); ++k) {
        std::string object = jsonReport(summaries[k]);
        object.pop_back();  // its line end
        std::string indented;
        for (char c : object) indented += c == '\n' ? std::string("\n    ") : std::string(1, c);
        out << (k ? "," : "") << "\n    " << indented;
    }
    out << "\n  ]\n}\n";
    return out.str();
}

}  // namespace hostcheck
