#include "tests/support/ArdourRunner.hpp"

#include "tests/support/TextFile.hpp"

#include <cstring>

namespace fs = std::filesystem;

namespace quovent::test {

ArdourToolRun ArdourRunner::run(const std::vector<std::string>& argv) {
    const fs::path backup = scratch_ / "session-backup";
    const bool hasSession = fs::exists(session_);
    if (hasSession) {
        fs::remove_all(backup);
        fs::copy(session_, backup, fs::copy_options::recursive);
    }
    const fs::path log = scratch_ / "run.log";
    ArdourToolRun result;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        result = {runProcess(argv, env_, log, kTimeLimit), readText(log)};
        if (result.startError != 0) {
            result.output = "cannot start " + argv.at(0) + ": " + std::strerror(result.startError);
            return result;
        }
        if (result.finished) {
            return result;
        }
        ++retries_;
        fs::remove_all(session_);
        if (hasSession) {
            fs::copy(backup, session_, fs::copy_options::recursive);
        }
    }
    return result;
}

} // namespace quovent::test
