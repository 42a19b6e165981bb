// Helper programs started with posix_spawn, output read through a non-blocking pipe.
#include "platform/ChildProcess.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ; // NOLINT: the process environment, handed on to the child

namespace quovent::platform {

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill();
    }
    closePipe();
}

void ChildProcess::closePipe() {
    if (pipe_ >= 0) {
        ::close(pipe_);
        pipe_ = -1;
    }
}

bool ChildProcess::start(const std::vector<std::string>& argv) {
    if (pid_ > 0 || argv.empty()) {
        return false;
    }
    int fds[2];
    // Close-on-exec on both ends: the child gets only the copy made by adddup2, and no
    // other program the host starts meanwhile inherits our pipe.
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str())); // NOLINT: posix_spawn's signature
    }
    args.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    pid_ = pid;
    pipe_ = fds[0];
    ::fcntl(pipe_, F_SETFL, ::fcntl(pipe_, F_GETFL) | O_NONBLOCK);
    output_.clear();
    exitCode_ = -1;
    return true;
}

void ChildProcess::drain() {
    if (pipe_ < 0) {
        return;
    }
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(pipe_, buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room =
                outputLimit_ > output_.size() ? outputLimit_ - output_.size() : 0;
            output_.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            closePipe(); // end of output
        }
        return; // EAGAIN: nothing more for now
    }
}

bool ChildProcess::poll() {
    if (pid_ <= 0) {
        return false;
    }
    drain();
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0) {
        return true;
    }
    if (r == pid_) {
        drain(); // what it wrote just before ending
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (r < 0 && errno == ECHILD) {
        // The host ignores SIGCHLD, so the child was reaped without a status: judge by
        // what it wrote once its output has ended.
        if (pipe_ >= 0) {
            return true;
        }
        exitCode_ = output_.empty() ? 1 : 0;
    }
    pid_ = -1;
    closePipe();
    return false;
}

void ChildProcess::kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    // Give it half a second to go, then make sure.
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            closePipe();
            return;
        }
        const timespec pause{0, 10L * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    closePipe();
}

std::string ChildProcess::findProgram(std::string_view name) {
    const char* path = std::getenv("PATH"); // NOLINT: read on the editor thread
    if (path == nullptr || name.empty()) {
        return {};
    }
    std::string_view dirs(path);
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
        if (dir.empty()) {
            continue;
        }
        std::string candidate = std::string(dir) + "/" + std::string(name);
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

} // namespace quovent::platform
