#include "comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "outputs.h"

namespace rebounder_host {
namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts(1);
    for (char c : line) {
        if (c == ',') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

std::string exact(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string joined(const std::vector<std::string>& columns) {
    std::string text;
    for (const std::string& column : columns) text += (text.empty() ? "" : ",") + column;
    return text;
}

bool identical(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

bool readTable(const std::filesystem::path& path, Table& table, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path.string();
        return false;
    }
    std::string line;
    std::size_t number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            table.columns = fields(line);
            continue;
        }
        if (line.empty()) continue;
        const std::vector<std::string> texts = fields(line);
        if (texts.size() != table.columns.size()) {
            error = path.string() + " line " + std::to_string(number) + " has " + std::to_string(texts.size()) +
                    " fields, the header " + std::to_string(table.columns.size());
            return false;
        }
        std::vector<double> row;
        for (const std::string& text : texts) {
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0') {
                error = path.string() + " line " + std::to_string(number) + ": '" + text + "' is not a number";
                return false;
            }
            row.push_back(value);
        }
        table.rows.push_back(std::move(row));
    }
    if (number == 0) {
        error = path.string() + " is empty";
        return false;
    }
    return true;
}

Table tableOf(const RunResult& run, const VariableNames& names) {
    Table table;
    table.columns = csvColumns(names);
    for (const Sample& sample : run.trajectory) table.rows.push_back({sample.time, sample.height, sample.velocity});
    return table;
}

bool compareTables(const Table& run, const Table& reference, std::optional<double> tolerance, std::string& report) {
    if (run.columns != reference.columns) {
        report = "the columns differ: " + joined(run.columns) + " here, " + joined(reference.columns) +
                 " in the reference";
        return false;
    }
    // Rows are numbered as in the file: row 1 is the line after the header.
    const auto where = [&](std::size_t row) {
        const std::vector<double>& values = row < reference.rows.size() ? reference.rows[row] : run.rows[row];
        return "row " + std::to_string(row + 1) + " (time " + exact(values.front()) + ")";
    };
    double largest = 0.0;
    std::string largestAt;
    const std::size_t common = std::min(run.rows.size(), reference.rows.size());
    for (std::size_t row = 0; row < common; ++row) {
        for (std::size_t column = 0; column < reference.columns.size(); ++column) {
            const double value = run.rows[row][column];
            const double expected = reference.rows[row][column];
            const double difference = std::abs(value - expected);
            const bool agrees = tolerance ? difference <= *tolerance : identical(value, expected);
            if (!agrees) {
                report = "first difference at " + where(row) + ", column " + reference.columns[column] + ": " +
                         exact(value) + " here, " + exact(expected) + " in the reference";
                return false;
            }
            if (difference > largest) {
                largest = difference;
                largestAt = where(row) + ", column " + reference.columns[column];
            }
        }
    }
    if (run.rows.size() != reference.rows.size()) {
        const bool runLonger = run.rows.size() > reference.rows.size();
        report = "first difference at " + where(common) + ": " + (runLonger ? "the reference" : "this trajectory") +
                 " ends after " + std::to_string(common) + " rows, " + (runLonger ? "this trajectory" : "the reference") +
                 " has " + std::to_string(std::max(run.rows.size(), reference.rows.size()));
        return false;
    }
    if (!tolerance) {
        report = std::to_string(common) + " rows agree bit for bit";
    } else {
        char within[32];
        std::snprintf(within, sizeof within, "%g", *tolerance);
        report = std::to_string(common) + " rows agree within " + within +
                 (largest > 0.0 ? " (largest difference " + exact(largest) + " at " + largestAt + ")"
                                : std::string(" (no difference)"));
    }
    return true;
}

}  // namespace rebounder_host
