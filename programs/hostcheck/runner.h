// Runs the host under test once per distinct run request, in a directory of
// its own, with the recording FMUs writing their call record there.
#pragma once

#include <map>
#include <string>

#include "probes.h"

namespace hostcheck {

// The environment variable that names the file the recording FMUs append
// their call record to.
inline constexpr const char* callRecordVariable = "REBOUNDER_CALL_RECORD";

class Runner : public Runs {
public:
    explicit Runner(const Settings& settings_) : settings(settings_) {}
    const Run& operator()(const RunRequest& request) override;
    // The runs made: those of interfaces the host does not take are not.
    std::size_t runCount() const;
    // Whether the FMUs of the set keep a call record (known once one ran).
    bool records(FmuSet set);

private:
    const Settings& settings;
    std::map<std::string, Run> runs;
    std::map<FmuSet, bool> recording;
};

}  // namespace hostcheck
