// LMMS plays the 32-bit Windows DLL: its VeSTige instrument loads build-win32/quovent.dll
// into a Wine helper process, and `lmms render` writes what it heard. LMMS exits 0 whatever
// happened, so the test judges its log and the rendered audio.
//
// LMMS runs with HOME in a scratch directory (nothing of the user's set-up is read or
// written), under a virtual X server (it needs a display even to render, and is killed if it
// hangs), without the right to ask for realtime priority, and in the repository's Wine
// prefix (build-wine, or $QUOVENT_WINEPREFIX).
#include "tests/lmms/LmmsProject.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

extern char** environ;

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr auto kLmmsTimeout = std::chrono::seconds(180);

std::string fromEnvironment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Left and right channels of a 32-bit float stereo WAV file.
bool readFloatStereo(const fs::path& file, std::vector<float>& left, std::vector<float>& right) {
    const std::string bytes = readText(file);
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    const auto u16 = [&](std::size_t at) {
        std::uint16_t v = 0;
        std::memcpy(&v, bytes.data() + at, 2);
        return v;
    };
    bool floatStereo = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = u32(at + 4);
        if (id == "fmt " && size >= 16 && at + 24 <= bytes.size()) {
            floatStereo = u16(at + 8) == 3 && u16(at + 10) == 2 && u16(at + 22) == 32;
        } else if (id == "data" && floatStereo) {
            const std::size_t frames = std::min(size, bytes.size() - at - 8) / 8;
            left.resize(frames);
            right.resize(frames);
            for (std::size_t i = 0; i < frames; ++i) {
                std::memcpy(&left[i], bytes.data() + at + 8 + i * 8, 4);
                std::memcpy(&right[i], bytes.data() + at + 12 + i * 8, 4);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

struct ProcessRun {
    bool finished = false; // ended on its own within the time
    int exitCode = -1;
};

// Runs argv[0] (searched in PATH) with the environment changed by `env`, standard output
// and error into `log`; killed when it runs past the deadline.
ProcessRun run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               const fs::path& log, std::chrono::seconds limit) {
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
    std::vector<char*> envp;
    envp.reserve(entries.size() + 1);
    for (std::string& e : entries) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    argp.reserve(args.size() + 1);
    for (std::string& a : args) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so that a hung run is ended with everything it started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argp[0], &files, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    ProcessRun result;
    if (failed != 0) {
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL); // the group of our own child
            ::waitpid(pid, &status, 0);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    result.finished = WIFEXITED(status);
    result.exitCode = result.finished ? WEXITSTATUS(status) : -1;
    return result;
}

struct Rendering {
    std::string log;
    std::vector<float> left;
    std::vector<float> right;
};

class LmmsRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::access("/usr/bin/lmms", X_OK), 0)
            << "LMMS is missing: run tools/install-deps.sh";
        ASSERT_TRUE(fs::exists(dll)) << dll << " is missing: build build-win32 (tools/test-all.sh)"
                                     << " or name the DLL in QUOVENT_WIN32_DLL";
        env = {{"HOME", (scratch.path() / "home").string()},
               {"WINEPREFIX", prefix},
               {"QUOVENT_WINEPREFIX", prefix},
               {"WINEDEBUG", "-all"},
               {"WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d"}};
        fs::create_directories(scratch.path() / "home");
        // The prefix is made once; its server is kept up so that the plug-in's helper starts
        // quickly (for a minute after its last client, unless tools/test-all.sh keeps it).
        const ProcessRun server =
            run({std::string(QUOVENT_SOURCE_DIR) + "/tools/wine-run.sh", "--start-server", "60"},
                env, scratch.path() / "server.log", std::chrono::seconds(120));
        ASSERT_TRUE(server.finished && server.exitCode == 0)
            << readText(scratch.path() / "server.log");
    }

    Rendering render(LmmsProject project) {
        project.pluginPath = dll;
        const fs::path file = scratch.path() / "song.mmp";
        std::ofstream(file) << project.xml();
        const fs::path out = scratch.path() / "song.wav";
        fs::remove(out);
        std::vector<std::string> argv = {"timeout", "-s", "KILL",
                                         std::to_string(kLmmsTimeout.count())};
        const bool root = ::geteuid() == 0;
        if (root) {
            // LMMS asks for realtime scheduling as root; on a shared machine it must not.
            argv.insert(argv.end(),
                        {"setpriv", "--inh-caps=-sys_nice", "--bounding-set=-sys_nice"});
        }
        argv.insert(argv.end(), {"xvfb-run", "-a", "lmms"});
        if (root) {
            argv.emplace_back("--allowroot");
        }
        // -x 1: no oversampling, so the plug-in runs at 44.1 kHz; -a: 32-bit float samples.
        argv.insert(argv.end(), {"render", file.string(), "-x", "1", "-a", "-s",
                                 std::to_string(kRate), "-o", out.string()});
        const fs::path log = scratch.path() / "lmms.log";
        const ProcessRun lmms = run(argv, env, log, kLmmsTimeout + std::chrono::seconds(10));
        Rendering r;
        r.log = readText(log);
        EXPECT_TRUE(lmms.finished && lmms.exitCode == 0) << r.log;
        EXPECT_TRUE(readFloatStereo(out, r.left, r.right)) << "no rendering\n" << r.log;
        return r;
    }

    static void expectLoaded(const Rendering& r) {
        EXPECT_EQ(r.log.find("could not be loaded"), std::string::npos) << r.log;
        EXPECT_NE(r.log.find("unique ID: quov"), std::string::npos) << r.log;
        EXPECT_NE(r.log.find("output: 12"), std::string::npos) << r.log;
    }

    ScratchDirectory scratch{"quovent-lmms"};
    const std::string dll = fromEnvironment("QUOVENT_WIN32_DLL", std::string(QUOVENT_SOURCE_DIR) +
                                                                     "/build-win32/quovent.dll");
    const std::string prefix =
        fromEnvironment("QUOVENT_WINEPREFIX", std::string(QUOVENT_SOURCE_DIR) + "/build-wine");
    std::map<std::string, std::string> env;
};

float peak(const std::vector<float>& s) {
    float p = 0.0f;
    for (const float v : s) {
        p = std::max(p, std::fabs(v));
    }
    return p;
}

} // namespace

TEST_F(LmmsRender, LoadsTheDllAndHearsNothingFromEmptySlots) {
    LmmsProject project;
    project.tracks.push_back({"slots", 10, "", {{0, 12, 60}, {48, 12, 67}}});
    project.tracks.push_back({"pattern", 15, "", {{0, 192, 60}}});
    const Rendering r = render(project);
    expectLoaded(r);
    // A bar at 125 BPM is 84672 frames; LMMS renders the song's bars and a tail.
    EXPECT_GE(r.left.size(), 84672u);
    EXPECT_EQ(peak(r.left), 0.0f);
    EXPECT_EQ(peak(r.right), 0.0f);
}

} // namespace quovent::test
