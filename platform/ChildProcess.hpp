// A helper program run beside the editor (the desktop's file dialog): started without a
// shell, its standard output collected while the editor keeps serving its window, killed
// when the editor goes away first. Editor thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quovent::platform {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills and reaps a child that is still running.
    ~ChildProcess();

    // Starts argv[0] (searched in PATH) with the given arguments, standard input from
    // /dev/null and standard output into a pipe; no descriptor of ours leaks into it.
    bool start(const std::vector<std::string>& argv);
    // Reads the output produced so far and reaps the child when it has ended. True while
    // it is still running. Never waits.
    bool poll();
    bool running() const noexcept { return pid_ > 0; }
    // The exit status once ended normally, else -1 (killed by a signal, not started).
    int exitCode() const noexcept { return exitCode_; }
    // Standard output, cut at outputLimit bytes.
    const std::string& output() const noexcept { return output_; }
    void setOutputLimit(std::size_t bytes) noexcept { outputLimit_ = bytes; }
    // Ends the child now (SIGTERM, then SIGKILL when it does not go) and reaps it.
    void kill();

    // The full path of an executable found in PATH, or empty.
    static std::string findProgram(std::string_view name);

private:
    void drain();
    void closePipe();

    int pid_ = -1;
    int pipe_ = -1;
    int exitCode_ = -1;
    std::string output_;
    std::size_t outputLimit_ = 1 << 20;
};

} // namespace quovent::platform
