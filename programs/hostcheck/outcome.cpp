#include "outcome.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace hostcheck {

std::string exitText(const Outcome& outcome) {
    switch (outcome.kind) {
        case Outcome::Kind::exited: return "exit status " + std::to_string(outcome.code);
        case Outcome::Kind::signalled: {
            const char* name = sigabbrev_np(outcome.code);
            return std::string("killed by SIG") + (name ? name : std::to_string(outcome.code).c_str());
        }
        case Outcome::Kind::timedOut:
            return outcome.overran ? "killed for a call record grown past any real run's" : "killed at the time limit";
        case Outcome::Kind::notStarted: return "not started: " + outcome.errors;
    }
    return "";
}

std::string describe(const Outcome& outcome) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", outcome.seconds);
    switch (outcome.kind) {
        case Outcome::Kind::exited:
        case Outcome::Kind::signalled: return exitText(outcome) + " after " + seconds;
        case Outcome::Kind::timedOut:
            return std::string("still running after ") + seconds + ": killed" +
                   (outcome.overran ? ", its call record grown past any real run's" : "");
        case Outcome::Kind::notStarted: return exitText(outcome);
    }
    return "";
}

std::string lastLine(const Outcome& outcome) {
    for (const std::string* text : {&outcome.errors, &outcome.output}) {
        std::istringstream lines(*text);
        std::string line, last;
        while (std::getline(lines, line)) {
            if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
        }
        while (!last.empty() && (last.back() == '\r' || last.back() == ' ')) last.pop_back();
        if (!last.empty()) return last.size() > 160 ? last.substr(0, 157) + "..." : last;
    }
    return "";
}

}  // namespace hostcheck
