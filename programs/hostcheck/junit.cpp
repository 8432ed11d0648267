// The verdicts as JUnit XML: CI systems show each probe as a test case.
#include <cstdio>
#include <sstream>

#include "report.h"

namespace hostcheck {
namespace {

std::string xml(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else if (c == '\'') out += "&apos;";
        // XML 1.0 has no control characters but tab and newline.
        else if (c < 0x20 && c != '\t' && c != '\n') out += '?';
        else out += static_cast<char>(c);
    }
    return out;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// The time of a probe: its runs' (a run shared by several probes counts for each).
double probeSeconds(const ProbeResult& r) {
    double total = 0;
    for (const Run* run : r.runs) total += run->outcome.seconds;
    return total;
}

struct Counts {
    std::size_t tests = 0;
    int failures = 0, skipped = 0;
    double seconds = 0;
    std::string attributes() const {
        return " tests=\"" + std::to_string(tests) + "\" failures=\"" + std::to_string(failures) +
               "\" errors=\"0\" skipped=\"" + std::to_string(skipped) + "\" time=\"" + hostcheck::seconds(seconds) + "\"";
    }
};

Counts countsOf(const Summary& summary) {
    Counts c{summary.results.size(), 0, 0, summary.seconds};
    for (const ProbeResult& r : summary.results) {
        c.failures += r.verdict == Verdict::fail;
        c.skipped += r.verdict == Verdict::skip || r.verdict == Verdict::notReached;
    }
    return c;
}

void testcase(std::ostringstream& out, const ProbeResult& r, const std::string& classname) {
    out << "    <testcase classname=\"" << xml(classname) << "\" name=\"" << r.number << ". " << xml(r.title)
        << "\" time=\"" << seconds(probeSeconds(r)) << "\"";
    switch (r.verdict) {
        case Verdict::pass: out << "/>\n"; return;
        case Verdict::note:
            out << ">\n      <system-out>note: " << xml(r.evidence) << "</system-out>\n";
            break;
        case Verdict::fail:
            out << ">\n      <failure message=\"" << xml(r.evidence) << "\" type=\"fail\">" << xml(r.evidence)
                << "\nWhat the host should do instead: " << xml(r.fix) << "</failure>\n";
            break;
        case Verdict::notReached:
        case Verdict::skip:
            out << ">\n      <skipped message=\"" << verdictName(r.verdict) << ": " << xml(r.evidence) << "\"/>\n";
            break;
    }
    out << "    </testcase>\n";
}

// One template's test suite: named and its cases' class named
// "rebounder-hostcheck", with ": <label>" and ".<label>" when it has one.
void testsuite(std::ostringstream& out, const Summary& summary) {
    const std::string name = "rebounder-hostcheck" + (summary.label.empty() ? "" : ": " + summary.label);
    const std::string classname = "rebounder-hostcheck" + (summary.label.empty() ? "" : "." + summary.label);
    out << "  <testsuite name=\"" << xml(name) << "\"" << countsOf(summary).attributes() << ">\n"
        << "    <properties><property name=\"host\" value=\"" << xml(summary.settings.hostTemplate)
        << "\"/></properties>\n";
    for (const ProbeResult& r : summary.results) testcase(out, r, classname);
    out << "  </testsuite>\n";
}

}  // namespace

std::string junitReport(const Summary& summary) { return junitReport(std::vector<Summary>{summary}); }

std::string junitReport(const std::vector<Summary>& summaries) {
    Counts total;
    for (const Summary& s : summaries) {
        const Counts c = countsOf(s);
        total = {total.tests + c.tests, total.failures + c.failures, total.skipped + c.skipped, total.seconds + c.seconds};
    }
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"rebounder-hostcheck\"" << total.attributes()
        << ">\n";
    for (const Summary& s : summaries) testsuite(out, s);
    out << "</testsuites>\n";
    return out.str();
}

}  // namespace hostcheck
