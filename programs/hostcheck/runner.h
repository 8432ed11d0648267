// Runs the host under test once per distinct run request, in a directory of
// its own, with the recording FMUs writing their call record there.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "probes.h"

namespace hostcheck {

class Runner : public Runs {
public:
    explicit Runner(const Settings& settings_) : settings(settings_) {}
    const Run& operator()(const RunRequest& request) override;
    void probeStarting(int number) override { probe = number; }
    // Where each run's start and end are shown ("probe 3: strict-host
    // corvane.fmu, step 0.05: exit status 0 after 0.12 s"); none when empty.
    std::function<void(const std::string&)> progress;
    // The runs made: those of interfaces the host does not take are not.
    std::size_t runCount() const;
    // Whether the FMUs of the set keep a call record (known once one ran).
    bool records(FmuSet set);

private:
    const Settings& settings;
    std::map<std::string, Run> runs;
    std::map<FmuSet, bool> recording;
    int probe = 0;
};

}  // namespace hostcheck
