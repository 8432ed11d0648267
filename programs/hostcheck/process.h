// Running one command of the host under test: through /bin/sh in a working
// directory of its own, with its standard output and error kept in files and
// a time limit after which its whole process group is killed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "outcome.h"

namespace hostcheck {

// The command as one word for /bin/sh: single-quoted, embedded quotes escaped.
std::string shellQuoted(const std::string& text);

// A file the command writes that must stay below a size: a host that makes
// calls without end fills its call record long before the time limit.
struct SizeLimit {
    std::filesystem::path file;
    std::uintmax_t bytes;
};

// Runs command with /bin/sh -c in directory, in this program's environment
// with the given variables added or replaced; its output goes to stdout.txt
// and stderr.txt there. After timeLimit seconds, or when the limited file
// grows past its size, the process group is killed. A shell reports a child
// killed by a crash signal as exit status 128 + the signal; those count as
// signals too.
Outcome runCommand(const std::string& command, const std::filesystem::path& directory, double timeLimit,
                   const std::vector<std::pair<std::string, std::string>>& environment = {},
                   const std::optional<SizeLimit>& sizeLimit = std::nullopt);

}  // namespace hostcheck
