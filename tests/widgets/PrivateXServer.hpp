// A virtual X server of the test's own: a screen large enough for the editor at 200 %, and
// a resource database (xrdb) and pointer that no other test shares. The server picks a free
// display number itself (-displayfd); the object sets DISPLAY to it and puts the old value
// back when it goes, and ends the server.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace quovent::test {

class PrivateXServer {
public:
    PrivateXServer(int width, int height) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{"Xvfb",   "-displayfd", fd,    "-screen", "0",
                                      geometry, "-nolisten",  "tcp", "-noreset"};
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            // The server ends with the test even when the test dies; it keeps no pipe of the
            // test runner open (ctest waits for those).
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) {
                ::_exit(1);
            }
            const int quiet = ::open("/dev/null", O_RDWR);
            ::dup2(quiet, 0);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::close(fds[0]);
            ::execvp("Xvfb", argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid_ < 0) {
            ::close(fds[0]);
            return;
        }
        // The server writes its display number once it accepts connections.
        std::string number;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (::read(fds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number.push_back(c);
        }
        ::close(fds[0]);
        if (number.empty()) {
            return;
        }
        display_ = ":" + number;
        if (const char* old = std::getenv("DISPLAY")) {
            previous_ = old;
        }
        ::setenv("DISPLAY", display_.c_str(), 1);
    }
    ~PrivateXServer() {
        if (!display_.empty()) {
            if (previous_) {
                ::setenv("DISPLAY", previous_->c_str(), 1);
            } else {
                ::unsetenv("DISPLAY");
            }
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N" once the server runs, else empty.
    const std::string& display() const noexcept { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::optional<std::string> previous_;
};

} // namespace quovent::test
