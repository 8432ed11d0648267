#include "trajectory.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace hostcheck {
namespace {

std::vector<std::string> fields(const std::string& line, char separator) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == separator && !quoted) out.emplace_back();
        else if (c != '\r') out.back() += c;
    }
    return out;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

char detectSeparator(const std::string& header) {
    std::size_t commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (char c : header) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        commas += c == ',';
        semicolons += c == ';';
        tabs += c == '\t';
    }
    if (semicolons > commas && semicolons >= tabs) return ';';
    if (tabs > commas) return '\t';
    return ',';
}

// "height", "HEIGHT", "height [m]" and "height (m)" all name the height.
bool names(const std::string& header, const std::string& wanted) {
    std::string name;
    for (char c : trimmed(header)) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.rfind(wanted, 0) != 0) return false;
    return name.size() == wanted.size() || !std::isalnum(static_cast<unsigned char>(name[wanted.size()]));
}

std::optional<double> number(std::string text, bool decimalComma) {
    text = trimmed(text);
    if (decimalComma) {
        for (char& c : text) c = c == ',' ? '.' : c;
    }
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

TrajectoryFile readTrajectory(const std::filesystem::path& path, char separator) {
    std::ifstream file(path);
    if (!file) {
        TrajectoryFile result;
        result.problem = "no result file " + path.filename().string();
        return result;
    }
    return parseTrajectory(file, separator, path.filename().string());
}

TrajectoryFile parseTrajectory(std::istream& file, char separator, const std::string& name) {
    TrajectoryFile result;
    std::string line;
    if (!std::getline(file, line)) {
        result.problem = name + " is empty";
        return result;
    }
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark
    result.separator = separator != 0 ? separator : detectSeparator(line);
    const auto header = fields(line, result.separator);
    std::optional<std::size_t> timeColumn, heightColumn, velocityColumn;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (!timeColumn && names(header[i], "time")) timeColumn = i;
        if (!heightColumn && names(header[i], "height")) heightColumn = i;
        if (!velocityColumn && names(header[i], "velocity")) velocityColumn = i;
    }
    if (!heightColumn || !velocityColumn) {
        result.problem = "the header '" + line.substr(0, 120) + "' names no height or no velocity column";
        return result;
    }
    const std::size_t columns[3] = {timeColumn.value_or(0), *heightColumn, *velocityColumn};
    const bool decimalComma = result.separator != ',';

    Trajectory trajectory;
    std::vector<double>* targets[3] = {&trajectory.time, &trajectory.height, &trajectory.velocity};
    for (std::size_t row = 2; std::getline(file, line); ++row) {
        if (trimmed(line).empty() || line == "\r") continue;
        const auto values = fields(line, result.separator);
        std::optional<double> numbers[3];
        for (int k = 0; k < 3; ++k) {
            if (columns[k] < values.size()) numbers[k] = number(values[columns[k]], decimalComma);
        }
        if (numbers[0] && numbers[1] && numbers[2]) {
            for (int k = 0; k < 3; ++k) targets[k]->push_back(*numbers[k]);
        } else if (trajectory.size() > 0) {
            // Lines between the header and the first numbers (units,
            // descriptions) are skipped; later, only numbers are rows.
            result.problem = "line " + std::to_string(row) + " of " + name +
                             " is not a row of numbers: '" + line.substr(0, 120) + "'";
            return result;
        }
    }
    result.trajectory = std::move(trajectory);
    return result;
}

std::optional<std::size_t> firstRebound(const Trajectory& t) {
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t.velocity[i - 1] < 0.0 && t.velocity[i] > 0.0) return i;
    }
    return std::nullopt;
}

}  // namespace hostcheck
