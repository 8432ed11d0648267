// Running one command of the host under test: through /bin/sh in a working
// directory of its own, with its standard output and error kept in files and
// a time limit after which its whole process group is killed.
#pragma once

#include <filesystem>
#include <string>

namespace hostcheck {

struct Outcome {
    enum class Kind { exited, signalled, timedOut, notStarted };
    Kind kind = Kind::notStarted;
    int code = 0;          // exit status, or the signal number
    double seconds = 0.0;  // wall-clock time until the command ended or was killed
    std::string output;    // standard output
    std::string errors;    // standard error

    bool crashed() const { return kind == Kind::signalled; }
    bool hung() const { return kind == Kind::timedOut; }
    bool completed() const { return kind == Kind::exited && code == 0; }
    // Standard output and error together, for searching.
    std::string allText() const { return output + "\n" + errors; }
};

// The command as one word for /bin/sh: single-quoted, embedded quotes escaped.
std::string shellQuoted(const std::string& text);

// Runs command with /bin/sh -c in directory; its output goes to stdout.txt
// and stderr.txt there. After timeLimit seconds the process group is killed.
// A shell reports a child killed by a crash signal as exit status 128 + the
// signal; those count as signals too.
Outcome runCommand(const std::string& command, const std::filesystem::path& directory, double timeLimit);

// "exit status 0 after 0.12 s", "killed by SIGSEGV after 0.05 s", ...
std::string describe(const Outcome& outcome);

// The last non-empty line a command printed on standard error, or else on
// standard output, shortened to about a line: the usual place of its reason.
std::string lastLine(const Outcome& outcome);

}  // namespace hostcheck
