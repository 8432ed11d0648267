// How one run of the host under test ended, as seen from outside: exit
// status or signal, time taken, what it printed.
#pragma once

#include <string>

namespace hostcheck {

struct Outcome {
    enum class Kind { exited, signalled, timedOut, notStarted };
    Kind kind = Kind::notStarted;
    int code = 0;          // exit status, or the signal number
    double seconds = 0.0;  // wall-clock time until the command ended or was killed
    std::string output;    // standard output
    std::string errors;    // standard error
    bool overran = false;  // killed early, its call record grown past any real run's

    bool crashed() const { return kind == Kind::signalled; }
    // Killed at the time limit, or earlier for making calls without end.
    bool hung() const { return kind == Kind::timedOut; }
    bool completed() const { return kind == Kind::exited && code == 0; }
    // Standard output and error together, for searching.
    std::string allText() const { return output + "\n" + errors; }
};

// "exit status 0 after 0.12 s", "killed by SIGSEGV after 0.05 s", ...
std::string describe(const Outcome& outcome);

// The same without the time, so that runs that ended alike read alike:
// "exit status 0", "killed by SIGSEGV", "killed at the time limit".
std::string exitText(const Outcome& outcome);

// The last non-empty line a command printed on standard error, or else on
// standard output, shortened to about a line: the usual place of its reason.
std::string lastLine(const Outcome& outcome);

}  // namespace hostcheck
