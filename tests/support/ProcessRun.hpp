// Runs a host program (Ardour's tools, LMMS, Qtractor) for a test: the environment changed by a
// few entries, standard output and error into a log file, standard input from a file
// (/dev/null unless told), and either a time limit after which the program and everything it
// started are killed, or in the background until the test stops it. POSIX only.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quovent::test {

struct ProcessRun {
    bool finished = false; // exited on its own within the time (not by a signal, not killed)
    int exitCode = -1;
    int startError = 0; // errno of a program that could not be started; 0 when it ran
};

// argv[0] is searched in PATH when it has no '/'. The program runs in a process group of its
// own, so that a hung run is ended together with the helpers it started.
ProcessRun runProcess(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& env,
                      const std::filesystem::path& log, std::chrono::seconds limit,
                      const std::filesystem::path& input = "/dev/null");

// A program running beside the test in a process group of its own, stopped (TERM, then KILL
// after a grace time) when the object goes.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& env,
                      const std::filesystem::path& log,
                      const std::filesystem::path& input = "/dev/null");
    ~BackgroundProcess() { stop(); }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return pid_ > 0; }
    int startError() const { return pid_ < 0 ? -pid_ : 0; } // errno of a failed start
    bool running();
    // Waits up to `limit` for the program to end by itself; whether it did (exitCode() is -1
    // when a signal ended it).
    bool wait(std::chrono::milliseconds limit);
    int exitCode() const { return exitCode_; }
    void stop();

private:
    int pid_ = 0; // -errno when the start failed; 0 once ended
    int exitCode_ = -1;
};

} // namespace quovent::test
