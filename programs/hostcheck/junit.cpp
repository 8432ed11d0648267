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

}  // namespace

std::string junitReport(const Summary& summary) {
    int failures = 0, skipped = 0;
    for (const ProbeResult& r : summary.results) {
        failures += r.verdict == Verdict::fail;
        skipped += r.verdict == Verdict::skip || r.verdict == Verdict::notReached;
    }
    const std::string counts = " tests=\"" + std::to_string(summary.results.size()) + "\" failures=\"" +
                               std::to_string(failures) + "\" errors=\"0\" skipped=\"" + std::to_string(skipped) +
                               "\" time=\"" + seconds(summary.seconds) + "\"";
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"rebounder-hostcheck\"" << counts << ">\n"
        << "  <testsuite name=\"rebounder-hostcheck\"" << counts << ">\n"
        << "    <properties><property name=\"host\" value=\"" << xml(summary.settings.hostTemplate) << "\"/></properties>\n";
    for (const ProbeResult& r : summary.results) {
        out << "    <testcase classname=\"rebounder-hostcheck\" name=\"" << r.number << ". " << xml(r.title)
            << "\" time=\"" << seconds(probeSeconds(r)) << "\"";
        switch (r.verdict) {
            case Verdict::pass: out << "/>\n"; continue;
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
    out << "  </testsuite>\n</testsuites>\n";
    return out.str();
}

}  // namespace hostcheck
