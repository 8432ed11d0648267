#include "plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "format.h"
#include "model_expectations.h"

namespace hostcheck {
namespace {

constexpr double plotWidth = 340, plotHeight = 200, margin = 56, panelGap = 70, titleHeight = 40;

struct Range {
    double low, high;
    double at(double v, double pixels) const { return high == low ? 0 : (v - low) / (high - low) * pixels; }
};

Range rangeOf(const std::vector<const std::vector<double>*>& columns, bool withZero) {
    Range r{withZero ? 0.0 : INFINITY, withZero ? 0.0 : -INFINITY};
    for (const auto* column : columns) {
        for (double v : *column) {
            if (std::isfinite(v)) r = {std::min(r.low, v), std::max(r.high, v)};
        }
    }
    if (!std::isfinite(r.low)) r = {0, 1};
    const double pad = (r.high - r.low) * 0.05 + 1e-9;
    return {r.low - pad, r.high + pad};
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// One plot of a column against time, its origin at (x, y) top left.
class Axes {
public:
    Axes(double x_, double y_, Range time_, Range value_) : x(x_), y(y_), time(time_), value(value_) {}
    double px(double t) const { return x + time.at(t, plotWidth); }
    double py(double v) const { return y + plotHeight - value.at(v, plotHeight); }

    void frame(std::ostringstream& out, const std::string& label) const {
        out << "<rect x='" << x << "' y='" << y << "' width='" << plotWidth << "' height='" << plotHeight
            << "' fill='none' stroke='#888'/>\n";
        for (double t = 0; t <= time.high; t += 0.5) {
            out << "<text x='" << px(t) << "' y='" << y + plotHeight + 14 << "' text-anchor='middle'>" << shortest(t)
                << "</text>\n";
        }
        for (int i = 0; i <= 4; ++i) {
            const double v = value.low + (value.high - value.low) * i / 4;
            out << "<text x='" << x - 4 << "' y='" << py(v) + 4 << "' text-anchor='end'>" << fixed(v, 2) << "</text>\n";
        }
        out << "<text class='axis' x='" << x + plotWidth / 2 << "' y='" << y + plotHeight + 32
            << "' text-anchor='middle'>time (s)</text>\n"
            << "<text class='axis' transform='translate(" << x - 42 << "," << y + plotHeight / 2
            << ") rotate(-90)' text-anchor='middle'>" << label << "</text>\n";
    }

    void curve(std::ostringstream& out, const Trajectory& t, const std::vector<double>& column, const char* kind,
               const char* style) const {
        out << "<polyline class='" << kind << "' fill='none' " << style << " points='";
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (!std::isfinite(column[i]) || t.time[i] < time.low || t.time[i] > time.high) continue;
            char point[64];
            std::snprintf(point, sizeof point, "%.1f,%.1f ", px(t.time[i]), py(std::clamp(column[i], value.low, value.high)));
            out << point;
        }
        out << "'/>\n";
    }

    void horizontal(std::ostringstream& out, double v, const char* kind, const char* style) const {
        out << "<line class='" << kind << "' x1='" << x << "' x2='" << x + plotWidth << "' y1='" << py(v) << "' y2='"
            << py(v) << "' " << style << "/>\n";
    }
    void vertical(std::ostringstream& out, double t, const char* kind, const char* style) const {
        out << "<line class='" << kind << "' x1='" << px(t) << "' x2='" << px(t) << "' y1='" << y << "' y2='"
            << y + plotHeight << "' " << style << "/>\n";
    }
    void mark(std::ostringstream& out, double t, double v) const {
        out << "<circle class='rebound' cx='" << px(t) << "' cy='" << py(std::clamp(v, value.low, value.high))
            << "' r='5' fill='none' stroke='#d62728' stroke-width='2'/>\n";
    }

private:
    double x, y;
    Range time, value;
};

const char* hostStyle = "stroke='#1f77b4' stroke-width='1.5'";
// Wide and pale under the host's line: where the two agree both stay visible.
const char* referenceStyle = "stroke='#ff7f0e' stroke-width='5' stroke-opacity='0.45'";

void panel(std::ostringstream& out, const Run& run, const Trajectory* reference, double top) {
    out << "<text class='title' x='" << margin << "' y='" << top + 20 << "'>" << escaped(run.label) << "</text>\n";
    if (!run.result.trajectory) {
        out << "<text x='" << margin << "' y='" << top + 60 << "'>no trajectory: " << escaped(run.result.problem)
            << "</text>\n";
        return;
    }
    const Trajectory& host = *run.result.trajectory;
    const double y = top + titleHeight;
    std::vector<const std::vector<double>*> heights{&host.height}, velocities{&host.velocity};
    if (reference) {
        heights.push_back(&reference->height);
        velocities.push_back(&reference->velocity);
    }
    const Range time{0.0, stopTime};
    const Axes height(margin, y, time, rangeOf(heights, true)), velocity(2 * margin + plotWidth + 30, y, time, rangeOf(velocities, true));
    height.frame(out, "height (m)");
    velocity.frame(out, "velocity (m/s)");
    if (reference) {
        height.curve(out, *reference, reference->height, "reference", referenceStyle);
        velocity.curve(out, *reference, reference->velocity, "reference", referenceStyle);
    } else {
        const double contact = expected::firstContactTime();
        height.horizontal(out, 0.0, "floor", "stroke='#2ca02c' stroke-width='1.5'");
        for (const Axes* axes : {&height, &velocity}) {
            axes->vertical(out, contact, "contact", "stroke='#9467bd' stroke-dasharray='2,3'");
        }
    }
    height.curve(out, host, host.height, "host", hostStyle);
    velocity.curve(out, host, host.velocity, "host", hostStyle);
    if (const auto row = firstRebound(host)) {
        height.mark(out, host.time[*row], host.height[*row]);
        velocity.mark(out, host.time[*row], host.velocity[*row]);
    }
}

std::string legend(bool coSimulation, double y) {
    std::ostringstream out;
    out << "<g class='legend'><line x1='" << margin << "' x2='" << margin + 30 << "' y1='" << y << "' y2='" << y << "' "
        << hostStyle << "/><text x='" << margin + 36 << "' y='" << y + 4 << "'>the host's CSV</text>";
    if (coSimulation) {
        out << "<line x1='" << margin + 160 << "' x2='" << margin + 190 << "' y1='" << y << "' y2='" << y << "' "
            << referenceStyle << "/><text x='" << margin + 196 << "' y='" << y + 4 << "'>reference result</text>";
    } else {
        out << "<line x1='" << margin + 160 << "' x2='" << margin + 190 << "' y1='" << y << "' y2='" << y
            << "' stroke='#2ca02c'/><text x='" << margin + 196 << "' y='" << y + 4 << "'>floor</text><line x1='"
            << margin + 260 << "' x2='" << margin + 290 << "' y1='" << y << "' y2='" << y
            << "' stroke='#9467bd' stroke-dasharray='2,3'/><text x='" << margin + 296 << "' y='" << y + 4
            << "'>closed-form first contact (" << fixed(expected::firstContactTime()) << " s)</text>";
    }
    out << "<circle cx='" << margin + 560 << "' cy='" << y << "' r='5' fill='none' stroke='#d62728' stroke-width='2'/>"
        << "<text x='" << margin + 570 << "' y='" << y + 4 << "'>first rebound</text></g>\n";
    return out.str();
}

// A probe that compares with the reference results draws them; one that
// does not draws the floor and the closed-form contact instead.
Plot plotOf(const ProbeResult& result, const Settings& settings) {
    const bool coSimulation = findProbe(result.name)->readsReferences;
    const double panelHeight = titleHeight + plotHeight + panelGap;
    const double height = 50 + panelHeight * static_cast<double>(result.runs.size());
    const double width = 3 * margin + 2 * plotWidth + 40;
    std::ostringstream out;
    out << "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" << width
        << "' height='" << height << "' viewBox='0 0 " << width << " " << height
        << "' font-family='sans-serif' font-size='11'>\n<title>" << result.number << ". " << escaped(result.title)
        << ": " << verdictName(result.verdict) << "</title>\n<rect width='100%' height='100%' fill='white'/>\n"
        << legend(coSimulation, 20);
    double top = 40;
    for (const Run* run : result.runs) {
        std::optional<TrajectoryFile> reference;
        if (coSimulation) reference = readTrajectory(referenceFile(settings, run->request.step), ',');
        panel(out, *run, reference && reference->trajectory ? &*reference->trajectory : nullptr, top);
        top += panelHeight;
    }
    out << "</svg>\n";
    return {result.number, std::to_string(result.number) + "-" + result.name + ".svg", out.str()};
}

}  // namespace

std::vector<Plot> trajectoryPlots(const std::vector<ProbeResult>& results, const Settings& settings) {
    std::vector<Plot> plots;
    for (const ProbeResult& result : results) {
        const Probe* probe = findProbe(result.name);
        if (probe != nullptr && probe->plotted && !result.runs.empty()) plots.push_back(plotOf(result, settings));
    }
    return plots;
}

}  // namespace hostcheck
