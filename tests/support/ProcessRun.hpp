// Runs a host program (Ardour's tools, LMMS) for a test: the environment changed by a few
// entries, standard output and error into a log file, standard input from /dev/null, and a
// time limit after which the program and everything it started are killed. POSIX only.
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
                      const std::filesystem::path& log, std::chrono::seconds limit);

} // namespace quovent::test
