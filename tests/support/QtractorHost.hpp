// Qtractor run headless for a test, with everything it needs started beside it and stopped
// with the object: a JACK server of its own (dummy backend, synchronous, so that a slow cycle
// is waited for rather than dropped), the ALSA sequencer stand-in preloaded (there is no
// /dev/snd), QT_QPA_PLATFORM=offscreen, HOME in the scratch folder, and an NSM server that
// opens sessions in it. jack_transport moves the transport and jack_rec records what it plays.
// The plug-in search path of the format under test comes in through the environment (LV2_PATH,
// CLAP_PATH...). Writing the session is QtractorSession's.
//
// Test thread only.
#pragma once

#include "tests/support/NsmServer.hpp"
#include "tests/support/ProcessRun.hpp"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quovent::test {

class QtractorHost {
public:
    static constexpr int kRate = 48000;
    static constexpr int kPeriod = 1024;
    // The programs the harness runs; a test skips (outside CI) when one is missing.
    static std::vector<std::string> missingPrograms();
    static constexpr const char* kScanner =
        "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";

    QtractorHost(std::filesystem::path scratch, std::map<std::string, std::string> pluginEnv);
    QtractorHost(const QtractorHost&) = delete;
    QtractorHost& operator=(const QtractorHost&) = delete;

    // JACK, NSM and Qtractor up, Qtractor's engine running; false with log() saying why.
    bool start();
    // Opens `folder`/`name`.qtr through NSM; false when Qtractor answers with an error.
    bool open(const std::filesystem::path& folder, const std::string& name);
    // Has Qtractor save the open session through NSM: 0.9.31 writes `folder`/session.qtr (which
    // an open looks for first), and only while it holds the session changed, else nothing.
    bool save();
    // Rolls the transport from 0 while jack_rec records Qtractor's master output for
    // `seconds`, then stops it; the take as a WAV file.
    bool record(const std::filesystem::path& wav, int seconds);
    // What Qtractor's plug-in scanner prints for lines of TYPE:path.
    std::string scan(const std::vector<std::string>& lines);
    // The JACK server's, Qtractor's and the harness's own messages.
    std::string log() const;

private:
    void transport(const std::string& commands);
    bool waitForPort(const std::string& port, std::chrono::seconds limit);
    // A program run to its end with `input` on its standard input; its output.
    std::string tool(const std::vector<std::string>& argv, const std::string& input = "");

    std::filesystem::path scratch_;
    std::map<std::string, std::string> env_;
    std::string server_;
    std::string notes_;
    NsmServer nsm_;
    // Declared in starting order, so that Qtractor is stopped before JACK and NSM.
    std::unique_ptr<BackgroundProcess> jackd_;
    std::unique_ptr<BackgroundProcess> qtractor_;
};

} // namespace quovent::test
