#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace hostcheck {
namespace {

namespace fs = std::filesystem;

// Enough to hold every log message of a run; a host that prints without end
// is cut off here rather than filling the memory.
constexpr std::size_t largestKeptOutput = 8 * 1024 * 1024;

std::string readKept(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text(largestKeptOutput, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

bool isCrashSignal(int signal) {
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGABRT || signal == SIGFPE || signal == SIGILL ||
           signal == SIGTRAP || signal == SIGSYS;
}

// This program's environment with the given variables set: built before
// fork, since the child may not allocate.
std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& added) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : added) replaced = replaced || text.rfind(name + "=", 0) == 0;
        if (!replaced) entries.push_back(text);
    }
    for (const auto& [name, value] : added) entries.push_back(name + "=" + value);
    return entries;
}

// Only what is safe between fork and exec: system calls, no allocation.
[[noreturn]] void startChild(const char* command, const char* directory, const char* stdoutPath,
                             const char* stderrPath, char* const* environment) {
    setpgid(0, 0);
    if (chdir(directory) != 0) _exit(126);
    const int input = open("/dev/null", O_RDONLY);
    const int out = open(stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(stderrPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || out < 0 || err < 0) _exit(126);
    dup2(input, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    // A crashing host leaves no core file behind in the working directory.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const char* const arguments[] = {"sh", "-c", command, nullptr};
    execve("/bin/sh", const_cast<char* const*>(arguments), environment);
    _exit(127);
}

}  // namespace

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool grownPast(const std::optional<SizeLimit>& limit) {
    std::error_code error;
    return limit && fs::file_size(limit->file, error) > limit->bytes && !error;
}

Outcome runCommand(const std::string& command, const fs::path& directory, double timeLimit,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::optional<SizeLimit>& sizeLimit) {
    Outcome outcome;
    std::vector<std::string> entries = environmentWith(environment);
    std::vector<char*> childEnvironment;
    for (std::string& entry : entries) childEnvironment.push_back(entry.data());
    childEnvironment.push_back(nullptr);
    const std::string stdoutPath = (directory / "stdout.txt").string();
    const std::string stderrPath = (directory / "stderr.txt").string();
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        outcome.errors = std::string("fork failed: ") + std::strerror(errno);
        return outcome;
    }
    if (child == 0) {
        startChild(command.c_str(), directory.c_str(), stdoutPath.c_str(), stderrPath.c_str(),
                   childEnvironment.data());
    }
    setpgid(child, child);  // also here: the child may not have run yet

    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    int status = 0;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) break;
        outcome.overran = grownPast(sizeLimit);
        if (elapsed() >= timeLimit || outcome.overran) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            outcome.kind = Outcome::Kind::timedOut;
            break;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    outcome.seconds = elapsed();
    // Whatever the host left running in its group goes with it.
    kill(-child, SIGKILL);

    if (outcome.kind != Outcome::Kind::timedOut) {
        if (WIFSIGNALED(status)) {
            outcome.kind = Outcome::Kind::signalled;
            outcome.code = WTERMSIG(status);
        } else {
            const int code = WEXITSTATUS(status);
            const bool shellSawCrash = code > 128 && isCrashSignal(code - 128);
            outcome.kind = shellSawCrash ? Outcome::Kind::signalled : Outcome::Kind::exited;
            outcome.code = shellSawCrash ? code - 128 : code;
        }
    }
    outcome.output = readKept(stdoutPath);
    outcome.errors = readKept(stderrPath);
    return outcome;
}

}  // namespace hostcheck
