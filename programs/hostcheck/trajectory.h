// A host's result file read as a trajectory: the time, height and velocity
// columns of a CSV file whatever its separator, quoting or decimal mark.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace hostcheck {

struct Trajectory {
    std::vector<double> time, height, velocity;
    std::size_t size() const { return time.size(); }
};

struct TrajectoryFile {
    std::optional<Trajectory> trajectory;
    std::string problem;  // why there is no trajectory
    char separator = ',';
};

// separator 0 detects it from the header line: the most frequent of comma,
// semicolon and tab outside quotes. Columns are found by name: "time" (or
// else the first column), "height" and "velocity", case and quotes ignored,
// a unit after the name allowed ("height [m]"). With a separator other than
// the comma, a decimal comma in the numbers is read as a point.
TrajectoryFile readTrajectory(const std::filesystem::path& path, char separator);
// The same from text already read; name is the file's, for the problems.
TrajectoryFile parseTrajectory(std::istream& file, char separator, const std::string& name);

// The first rebound: the first row whose velocity is above 0 after one
// below 0; nullopt when there is none.
std::optional<std::size_t> firstRebound(const Trajectory& trajectory);

}  // namespace hostcheck
