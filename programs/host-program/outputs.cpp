#include "outputs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace rebounder_host {
namespace {

std::string nameOf(const VariableNames& names, unsigned reference, const char* fallback) {
    const auto found = names.find({'r', reference});
    return found == names.end() ? fallback : found->second;
}

std::string number(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Round numbers for the axis ticks: 1, 2 or 5 times a power of ten, giving
// about six ticks over the range.
double tickSpacing(double range) {
    if (!(range > 0.0)) return 1.0;
    const double rough = range / 6.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= rough) return factor * magnitude;
    }
    return 10.0 * magnitude;
}

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

}  // namespace

std::vector<std::string> csvColumns(const VariableNames& names) {
    return {"time", nameOf(names, 0, "height"), nameOf(names, 1, "velocity")};
}

bool writeCsv(const std::filesystem::path& path, const RunResult& run, const VariableNames& names, std::string& error) {
    std::ofstream file(path);
    if (!file) {
        error = "cannot write " + path.string();
        return false;
    }
    const std::vector<std::string> columns = csvColumns(names);
    file << columns[0] << ',' << columns[1] << ',' << columns[2] << '\n';
    for (const Sample& sample : run.trajectory) {
        file << number("%.17g", sample.time) << ',' << number("%.17g", sample.height) << ','
             << number("%.17g", sample.velocity) << '\n';
    }
    if (!file) {
        error = "writing " + path.string() + " failed";
        return false;
    }
    return true;
}

namespace {

// The plot's frame and scales: time from 0 to the last sample, height from
// below the floor to a whole tick above the highest sample.
struct PlotScales {
    static constexpr double width = 800, height = 400, left = 60, right = 20, top = 40, bottom = 50;
    static constexpr double plotWidth = width - left - right, plotHeight = height - top - bottom;
    double tMax = 0.0, hMin = 0.0, hMax = 0.0, hSpacing = 1.0;
    double px(double t) const { return left + t / tMax * plotWidth; }
    double py(double h) const { return top + (hMax - h) / (hMax - hMin) * plotHeight; }
};

PlotScales scalesOf(const RunResult& run) {
    PlotScales s;
    for (const Sample& sample : run.trajectory) {
        if (!std::isfinite(sample.time) || !std::isfinite(sample.height)) continue;
        s.tMax = std::max(s.tMax, sample.time);
        s.hMin = std::min(s.hMin, sample.height);
        s.hMax = std::max(s.hMax, sample.height);
    }
    if (s.tMax <= 0.0) s.tMax = 1.0;
    if (s.hMax <= s.hMin) s.hMax = s.hMin + 1.0;
    s.hSpacing = tickSpacing(s.hMax - s.hMin);
    s.hMax = std::ceil(s.hMax / s.hSpacing) * s.hSpacing;
    // A small dip below the floor gets a narrow margin, not a whole tick.
    const double margin = 0.03 * (s.hMax - s.hMin);
    s.hMin = s.hMin < -margin ? std::floor(s.hMin / s.hSpacing) * s.hSpacing : -margin;
    return s;
}

// Grid lines with their tick labels, the frame and the axis titles.
void writeAxes(std::ostream& file, const PlotScales& s) {
    const double left = s.left, top = s.top, plotWidth = s.plotWidth, plotHeight = s.plotHeight;
    for (double h = std::ceil(s.hMin / s.hSpacing) * s.hSpacing; h <= s.hMax + s.hSpacing * 1e-9; h += s.hSpacing) {
        file << "<line x1=\"" << left << "\" y1=\"" << s.py(h) << "\" x2=\"" << left + plotWidth << "\" y2=\""
             << s.py(h) << "\" stroke=\"#ddd\"/>\n"
             << "<text x=\"" << left - 6 << "\" y=\"" << s.py(h) + 4 << "\" text-anchor=\"end\">"
             << number("%g", std::abs(h) < s.hSpacing * 1e-9 ? 0.0 : h) << "</text>\n";
    }
    const double tSpacing = tickSpacing(s.tMax);
    for (double t = 0.0; t <= s.tMax + tSpacing * 1e-9; t += tSpacing) {
        file << "<line x1=\"" << s.px(t) << "\" y1=\"" << top << "\" x2=\"" << s.px(t) << "\" y2=\""
             << top + plotHeight << "\" stroke=\"#ddd\"/>\n"
             << "<text x=\"" << s.px(t) << "\" y=\"" << top + plotHeight + 16 << "\" text-anchor=\"middle\">"
             << number("%g", t) << "</text>\n";
    }
    file << "<rect x=\"" << left << "\" y=\"" << top << "\" width=\"" << plotWidth << "\" height=\"" << plotHeight
         << "\" fill=\"none\" stroke=\"black\"/>\n"
         << "<text x=\"" << left + plotWidth / 2 << "\" y=\"" << s.height - 10
         << "\" text-anchor=\"middle\">time (s)</text>\n"
         << "<text x=\"16\" y=\"" << top + plotHeight / 2 << "\" text-anchor=\"middle\" transform=\"rotate(-90 16 "
         << top + plotHeight / 2 << ")\">height (m)</text>\n";
}

}  // namespace

bool writeSvg(const std::filesystem::path& path, const RunResult& run, const std::string& title, std::string& error) {
    const PlotScales s = scalesOf(run);
    std::ofstream file(path);
    if (!file) {
        error = "cannot write " + path.string();
        return false;
    }
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << s.width << "\" height=\"" << s.height
         << "\" viewBox=\"0 0 " << s.width << ' ' << s.height << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
         << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
         << "<text x=\"" << s.width / 2 << "\" y=\"24\" text-anchor=\"middle\" font-size=\"15\">" << escapeXml(title)
         << "</text>\n";
    writeAxes(file, s);
    // The floor, then the trajectory.
    file << "<line x1=\"" << s.left << "\" y1=\"" << s.py(0.0) << "\" x2=\"" << s.left + s.plotWidth << "\" y2=\""
         << s.py(0.0) << "\" stroke=\"#888\" stroke-dasharray=\"4 3\"/>\n"
         << "<polyline fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1.5\" points=\"";
    for (const Sample& sample : run.trajectory) {
        if (std::isfinite(sample.time) && std::isfinite(sample.height)) {
            file << number("%.2f", s.px(sample.time)) << ',' << number("%.2f", s.py(sample.height)) << ' ';
        }
    }
    file << "\"/>\n";
    for (const Rebound& r : run.rebounds) {
        file << "<circle cx=\"" << number("%.2f", s.px(r.time)) << "\" cy=\"" << number("%.2f", s.py(0.0))
             << "\" r=\"2.5\" fill=\"#c0392b\"/>\n";
    }
    file << "</svg>\n";
    if (!file) {
        error = "writing " + path.string() + " failed";
        return false;
    }
    return true;
}

void printSummary(const SummaryHeading& heading, const RunResult& run, int listed) {
    std::printf("\n%s (%s): 0 to %g s, %s step %g s\n", heading.instanceName.c_str(), heading.interface.c_str(),
                heading.stopTime, heading.coSimulation ? "communication" : "integrator", heading.stepSize);
    if (run.reboundsAtEvents) {
        std::printf("  rebounds handled in the host's Event Mode, with the velocities just before and after\n");
    } else if (heading.coSimulation) {
        // The component rebounds inside fmi2DoStep; the host sees only the
        // velocity turn upward between two communication points, and misses
        // a bounce that rises and falls again within one step.
        std::printf("  rebounds seen between communication points, with the velocities at those points\n");
    }
    std::printf("  rebounds: %zu\n", run.rebounds.size());
    const std::size_t shown = std::min(run.rebounds.size(), static_cast<std::size_t>(listed));
    for (std::size_t i = 0; i < shown; ++i) {
        const Rebound& r = run.rebounds[i];
        std::printf("  rebound %zu at t = %.6f s: velocity %.6f -> %.6f m/s\n", i + 1, r.time, r.velocityBefore,
                    r.velocityAfter);
    }
    if (shown < run.rebounds.size()) {
        std::printf("  ... %zu more, the last at t = %.6f s (the bounces shrink towards the floor)\n",
                    run.rebounds.size() - shown, run.rebounds.back().time);
    }
    if (!run.trajectory.empty()) {
        const Sample& last = run.trajectory.back();
        std::printf("  at t = %.6f s: height %.6f m, velocity %.6f m/s\n", last.time, last.height, last.velocity);
    }
}

}  // namespace rebounder_host
