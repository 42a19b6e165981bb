#include "tests/support/QtractorHost.hpp"

#include "tests/support/TextFile.hpp"

#include <unistd.h>

#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace quovent::test {

namespace {

constexpr std::chrono::seconds kToolLimit{30};
constexpr std::chrono::seconds kStartLimit{60};
// NSM's id for the client, which Qtractor takes as its JACK client name once a session is open.
constexpr const char* kClientId = "nQUOVENT";

} // namespace

std::vector<std::string> QtractorHost::missingPrograms() {
    std::vector<std::string> missing;
    for (const char* program :
         {"qtractor", "jackd", "jack_wait", "jack_lsp", "jack_transport", "jack_rec", kScanner}) {
        // `command -v` searches PATH, and takes an absolute path that exists.
        if (runProcess({"sh", "-c", "command -v \"$0\"", program}, {}, "/dev/null", kToolLimit)
                .exitCode != 0) {
            missing.emplace_back(program);
        }
    }
    return missing;
}

QtractorHost::QtractorHost(fs::path scratch, std::map<std::string, std::string> pluginEnv)
    : scratch_(std::move(scratch)), env_(std::move(pluginEnv)),
      server_("quovent-qtractor-" + std::to_string(::getpid()) + "-" +
              std::to_string(std::random_device{}() % 100000)) {
    const fs::path home = scratch_ / "home";
    fs::create_directories(home);
    env_["HOME"] = home.string();
    env_["XDG_CONFIG_HOME"] = (home / ".config").string();
    fs::create_directories(scratch_ / "runtime");
    fs::permissions(scratch_ / "runtime", fs::perms::owner_all);
    env_["XDG_RUNTIME_DIR"] = (scratch_ / "runtime").string();
    env_["QT_QPA_PLATFORM"] = "offscreen";
    env_["JACK_DEFAULT_SERVER"] = server_;
    env_["JACK_NO_AUDIO_RESERVATION"] = "1";
    env_["NSM_URL"] = nsm_.url();
}

std::string QtractorHost::tool(const std::vector<std::string>& argv, const std::string& input) {
    const fs::path in = scratch_ / "tool-input";
    writeText(in, input);
    const fs::path out = scratch_ / "tool.log";
    const ProcessRun run = runProcess(argv, env_, out, kToolLimit, in);
    if (!run.finished || run.exitCode != 0) {
        notes_ += argv.at(0) + " failed: " + readText(out) + "\n";
    }
    return readText(out);
}

bool QtractorHost::waitForPort(const std::string& port, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (tool({"jack_lsp", "-s", server_}).find(port) != std::string::npos) {
            return true;
        }
        if (qtractor_ && !qtractor_->running()) {
            notes_ += "Qtractor ended while the harness waited for " + port + "\n";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    notes_ += "no JACK port " + port + "\n";
    return false;
}

bool QtractorHost::start() {
    if (!nsm_.listening()) {
        notes_ += "the NSM server has no socket\n";
        return false;
    }
    // Synchronous, with a long client timeout: a cycle a loaded machine makes late is waited
    // for, never dropped from the take.
    jackd_ = std::make_unique<BackgroundProcess>(
        std::vector<std::string>{"jackd", "-S", "-t", "10000", "--no-realtime", "-n", server_, "-d",
                                 "dummy", "-r", std::to_string(kRate), "-p",
                                 std::to_string(kPeriod)},
        env_, scratch_ / "jackd.log");
    tool({"jack_wait", "-s", server_, "-w", "-t", "20"});
    if (!waitForPort("system:playback_1", std::chrono::seconds(20))) {
        return false;
    }
    env_["LD_PRELOAD"] = QUOVENT_ALSA_STANDIN;
    qtractor_ = std::make_unique<BackgroundProcess>(std::vector<std::string>{"qtractor"}, env_,
                                                    scratch_ / "qtractor.log");
    env_.erase("LD_PRELOAD");
    if (!nsm_.acceptAnnounce(kStartLimit)) {
        notes_ += "Qtractor did not announce itself to NSM\n";
        return false;
    }
    // An open that arrives before Qtractor's own ports exist crashes it.
    return waitForPort("Qtractor:Master/out_2", kStartLimit);
}

bool QtractorHost::open(const fs::path& folder, const std::string& name) {
    const bool opened = nsm_.command(
        {"/nsm/client/open", {folder.string(), name, std::string(kClientId)}}, kStartLimit);
    if (!opened) {
        notes_ += "Qtractor did not open " + (folder / name).string() + "\n";
        return false;
    }
    // The session's buses replace the engine's, under the client's new name.
    return waitForPort(std::string(kClientId) + ":Master/out_2", kStartLimit);
}

bool QtractorHost::save() {
    if (!nsm_.command({"/nsm/client/save", {}}, kStartLimit)) {
        notes_ += "Qtractor did not save its session\n";
        return false;
    }
    return true;
}

void QtractorHost::transport(const std::string& commands) {
    tool({"jack_transport", "-s", server_}, commands + "quit\n");
}

bool QtractorHost::record(const fs::path& wav, int seconds) {
    transport("stop\nlocate 0\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    BackgroundProcess recorder({"jack_rec", "-f", wav.string(), "-d", std::to_string(seconds), "-b",
                                "32", std::string(kClientId) + ":Master/out_1",
                                std::string(kClientId) + ":Master/out_2"},
                               env_, scratch_ / "jack_rec.log");
    if (!waitForPort("jackrec:input", std::chrono::seconds(10))) {
        return false;
    }
    transport("play\n");
    const bool ended = recorder.wait(std::chrono::seconds(seconds + 20));
    transport("stop\n");
    if (!ended || recorder.exitCode() != 0) {
        notes_ += "jack_rec did not end cleanly: " + readText(scratch_ / "jack_rec.log") + "\n";
        return false;
    }
    return true;
}

std::string QtractorHost::scan(const std::vector<std::string>& lines) {
    std::string input;
    for (const std::string& line : lines) {
        input += line + "\n";
    }
    return tool({kScanner}, input);
}

std::string QtractorHost::log() const {
    return "--- jackd\n" + readText(scratch_ / "jackd.log") + "--- qtractor\n" +
           readText(scratch_ / "qtractor.log") + "--- harness\n" + notes_;
}

} // namespace quovent::test
