// Host programs run by tests: posix_spawnp with a changed environment and a deadline.
#include "tests/support/ProcessRun.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace quovent::test {

namespace {

// The process's environment with the entries of `env` replaced or added.
std::vector<std::string> changedEnvironment(const std::map<std::string, std::string>& env) {
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0) {
            entries.push_back(entry);
        }
    }
    for (const auto& [key, value] : env) {
        entries.push_back(key);
        entries.back().append("=").append(value);
    }
    return entries;
}

// Pointers into `texts` with the terminating null, as exec wants them.
std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    out.reserve(texts.size() + 1);
    for (std::string& t : texts) {
        out.push_back(t.data());
    }
    out.push_back(nullptr);
    return out;
}

// Starts the program in a process group of its own; its pid, or -errno.
int spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const std::filesystem::path& log, const std::filesystem::path& input) {
    if (argv.empty()) {
        return -EINVAL;
    }
    std::vector<std::string> entries = changedEnvironment(env);
    std::vector<std::string> args = argv;
    const std::vector<char*> envp = pointers(entries);
    const std::vector<char*> argp = pointers(args);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawn_file_actions_addopen(&files, 0, input.c_str(), O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argp[0], &files, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    return error != 0 ? -error : pid;
}

} // namespace

ProcessRun runProcess(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& env,
                      const std::filesystem::path& log, std::chrono::seconds limit,
                      const std::filesystem::path& input) {
    BackgroundProcess process(argv, env, log, input); // stopped on the way out if still running
    ProcessRun result;
    result.startError = process.startError();
    result.finished = process.started() && process.wait(limit) && process.exitCode() >= 0;
    result.exitCode = result.finished ? process.exitCode() : -1;
    return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::map<std::string, std::string>& env,
                                     const std::filesystem::path& log,
                                     const std::filesystem::path& input)
    : pid_(spawn(argv, env, log, input)) {}

bool BackgroundProcess::running() {
    return pid_ > 0 && !wait(std::chrono::milliseconds(0));
}

bool BackgroundProcess::wait(std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = 0;
    return true;
}

void BackgroundProcess::stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(-pid_, SIGTERM);
    if (!wait(std::chrono::seconds(3))) {
        ::kill(-pid_, SIGKILL); // the group of our own child
        wait(std::chrono::seconds(10));
    }
}

} // namespace quovent::test
