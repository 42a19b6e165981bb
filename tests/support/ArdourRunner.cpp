#include "tests/support/ArdourRunner.hpp"

#include "tests/support/ProcessRun.hpp"
#include "tests/support/TextFile.hpp"

#include <cstring>

namespace fs = std::filesystem;

namespace quovent::test {

ArdourToolRun ArdourRunner::once(const std::vector<std::string>& argv) {
    const fs::path log = scratch_ / "run.log";
    const ProcessRun process = runProcess(argv, env_, log, kTimeLimit);
    ArdourToolRun run;
    if (process.startError != 0) {
        run.output = "cannot start " + argv.at(0) + ": " + std::strerror(process.startError);
        return run;
    }
    ++runs_;
    run.output = readText(log);
    run.clean = process.finished;
    run.exitCode = process.exitCode;
    return run;
}

ArdourToolRun ArdourRunner::run(const std::vector<std::string>& argv) {
    const fs::path backup = scratch_ / "session-backup";
    const bool hasSession = fs::exists(session_);
    if (hasSession) {
        fs::remove_all(backup);
        fs::copy(session_, backup, fs::copy_options::recursive);
    }
    ArdourToolRun result;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        result = once(argv);
        if (result.clean) {
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
