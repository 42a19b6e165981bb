// Ardour's command-line tools (ardour7-lua, ardour7-export, the plug-in scanners) run for the
// session tests, each with the test's own environment, its output captured and a time limit.
// Ardour dies of a signal now and then: a run that does not end on its own is run again, the
// session folder put back as it was before the first try, so only clean runs are judged.
//
// Test thread only.
#pragma once

#include "tests/support/ProcessRun.hpp"

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quovent::test {

struct ArdourToolRun : ProcessRun {
    std::string output;
};

class ArdourRunner {
public:
    // Creating a session with the VST 2 instrument dies of a signal in about one run of three
    // here (Ardour 7.3 registers the new track's output port twice), now and then several in a row.
    static constexpr int kAttempts = 10;
    static constexpr std::chrono::seconds kTimeLimit{120};

    // Logs go into `scratch`; `session` is the folder a retry puts back. `env` is read at
    // each run, so the test may fill it after making the runner.
    ArdourRunner(std::filesystem::path scratch, std::filesystem::path session,
                 const std::map<std::string, std::string>& env)
        : scratch_(std::move(scratch)), session_(std::move(session)), env_(env) {}

    // Runs until a run ends on its own (at most kAttempts); the last run's result.
    ArdourToolRun run(const std::vector<std::string>& argv);

    int retries() const noexcept { return retries_; } // runs that did not end on their own

private:
    std::filesystem::path scratch_;
    std::filesystem::path session_;
    const std::map<std::string, std::string>& env_;
    int retries_ = 0;
};

} // namespace quovent::test
