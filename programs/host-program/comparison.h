// Comparing a trajectory with a reference: a host tester's check that a host
// computes what the reference results say, and the project's check that the
// reference results are what the components compute.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "simulation.h"

namespace rebounder_host {

// A trajectory as columns and rows of numbers, as the CSV files hold it.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;
};

// Reads a CSV file of this program's form: a header line naming the
// columns, then one line of numbers per row. False, with the error naming
// the file and line, for a file that is not of that form.
bool readTable(const std::filesystem::path& path, Table& table, std::string& error);

// A run's trajectory with the columns writeCsv gives it.
Table tableOf(const RunResult& run, const VariableNames& names);

// Compares a trajectory with a reference row by row and column by column:
// bit for bit without a tolerance (-0.0 differs from 0.0), otherwise within
// it (|value - reference| <= tolerance). The text says where the first
// difference lies (row, time, column, both values), or, when there is none,
// how the two agree. Returns whether they agree.
bool compareTables(const Table& run, const Table& reference, std::optional<double> tolerance, std::string& report);

}  // namespace rebounder_host
