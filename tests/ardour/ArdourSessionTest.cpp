// A real host keeps the groove: Ardour 7 (its headless Lua interpreter and its exporter)
// saves the instrument's state in a session, opens and saves it again, and plays the session
// with the state restored from it.
//
// The instrument is a back-dated copy of build/quovent.so in a scratch LXVST_PATH, scanned
// once with Ardour's scanner; HOME and the XDG folders point into the scratch directory, so
// nothing of the user's Ardour set-up is read or written. Ardour's own tools die of a signal
// now and then, whatever the plug-in (see docs/host-binding.md): such a run is retried with
// the session as it was before it, and only clean runs are judged.
#include "tests/chunks/ChunkTestSupport.hpp"
#include "tests/support/ArdourRunner.hpp"
#include "tests/support/Base64.hpp"
#include "tests/support/ProcessRun.hpp"
#include "tests/support/StereoWav.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

namespace quovent::test {
namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 5;
// Ardour 7 counts session positions in superclock ticks: 282,240,000 a second.
constexpr long long kSuperclockRate = 282240000;
constexpr float kSoundThreshold = 1.0e-4f; // where an onset begins

using ToolRun = ArdourToolRun;

// The instrument's chunk in a saved session, decoded; nothing when there is none.
std::optional<std::string> sessionChunk(const std::string& xml) {
    const auto processor = xml.find("type=\"lxvst\" unique-id=\"1903521654\"");
    if (processor == std::string::npos) {
        return std::nullopt;
    }
    const std::string open = "<chunk program=\"0\">";
    const auto begin = xml.find(open, processor);
    const auto end = xml.find("</chunk>", begin);
    if (begin == std::string::npos || end == std::string::npos) {
        return std::nullopt;
    }
    return base64Decode(xml.substr(begin + open.size(), end - begin - open.size()));
}

class ArdourSession : public ::testing::Test {
protected:
    static void SetUpTestSuite() { start = std::chrono::steady_clock::now(); }
    static void TearDownTestSuite() {
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        std::printf("Ardour session tests: %.1f s, %d Ardour runs, %d retried after a signal\n",
                    seconds.count(), runs, retries);
    }

    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        for (const char* tool : {"/usr/bin/ardour7-lua", "/usr/bin/ardour7-export",
                                 "/usr/lib/ardour7/ardour-vst-scanner"}) {
            ASSERT_EQ(::access(tool, X_OK), 0) << tool << " is missing: run tools/install-deps.sh";
        }
        env = {{"HOME", (dir / "home").string()},
               {"XDG_CONFIG_HOME", (dir / "home/.config").string()},
               {"XDG_CACHE_HOME", (dir / "home/.cache").string()},
               {"XDG_DATA_HOME", (dir / "home/.local/share").string()},
               {"LXVST_PATH", (dir / "vst").string()},
               {"LXVST_PLUGINS", (dir / "vst").string()},
               {"QUOVENT_SESSION_DIR", session().string()},
               {"QUOVENT_SESSION_NAME", "groove"},
               {"LD_LIBRARY_PATH", "/usr/lib/ardour7"}};
        const fs::path scripts = dir / "home/.config/ardour7/scripts";
        fs::create_directories(scripts);
        fs::copy_file(fs::path(QUOVENT_ARDOUR_SCRIPTS) / "quovent_pattern_note.lua",
                      scripts / "quovent_pattern_note.lua");
        // Ardour takes a scan as valid only when it is newer than the plug-in file.
        const fs::path plugin = dir / "vst/quovent.so";
        fs::create_directories(plugin.parent_path());
        fs::copy_file(TestHost::pluginPath(), plugin);
        fs::last_write_time(plugin, fs::last_write_time(plugin) - std::chrono::minutes(2));
        const ToolRun scan =
            ardour({"/usr/lib/ardour7/ardour-vst-scanner", "-v", "-f", plugin.string()});
        ASSERT_TRUE(scan.clean && scan.exitCode == 0) << scan.output;
        ASSERT_NE(scan.output.find("can_process_replace=\"1\""), std::string::npos) << scan.output;
    }

    fs::path session() const { return dir / "sessions/groove"; }
    fs::path sessionFile() const { return session() / "groove.ardour"; }

    void TearDown() override {
        runs += runner.runs();
        retries += runner.retries();
    }

    ToolRun ardour(const std::vector<std::string>& argv) { return runner.run(argv); }

    ToolRun lua(const char* script) {
        return ardour(
            {"/usr/bin/ardour7-lua", (fs::path(QUOVENT_ARDOUR_SCRIPTS) / script).string()});
    }

    // A session whose instrument holds `chunk`, with a session range of kSeconds.
    void createSession(const std::string& chunk) {
        const ToolRun created = lua("create-session.lua");
        ASSERT_NE(created.output.find("QUOVENT-CREATED"), std::string::npos) << created.output;
        std::string xml = readText(sessionFile());
        const std::string open = "<chunk program=\"0\">";
        const auto begin = xml.find(open);
        const auto end = xml.find("</chunk>", begin);
        ASSERT_NE(begin, std::string::npos) << "the new session holds no chunk";
        xml.replace(begin + open.size(), end - begin - open.size(), base64Encode(chunk));
        const std::string range =
            "<Locations>\n    <Location id=\"90000\" name=\"session\" start=\"a0\" end=\"a" +
            std::to_string(kSeconds * kSuperclockRate) +
            "\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"1\"/>\n  </Locations>";
        const auto locations = xml.find("<Locations/>");
        ASSERT_NE(locations, std::string::npos);
        xml.replace(locations, std::string("<Locations/>").size(), range);
        writeText(sessionFile(), xml);
    }

    // A state whose every slot plays on output pair 1, which the track takes.
    std::string stateChunk() {
        std::string state = richState(dir.path() / "samples");
        const auto replace = [&state](const std::string& from, const std::string& to) {
            const auto at = state.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            state.replace(at, from.size(), to);
        };
        replace("\"outputPair\": 2", "\"outputPair\": 1");
        replace("\"bank\": 1, \"key\": 1,", "\"bank\": 0, \"key\": 0,"); // pattern 0 plays
        TestHost host;
        EXPECT_NE(host.open(), nullptr);
        EXPECT_EQ(host.setChunk(state), 1);
        return host.getChunk();
    }

    static inline std::chrono::steady_clock::time_point start;
    static inline int runs = 0;
    static inline int retries = 0;
    ScratchDir dir;
    std::map<std::string, std::string> env;
    ArdourRunner runner{dir.path(), session(), env};
};

TEST_F(ArdourSession, ARunThatDiesOfASignalIsRetriedWithTheSessionAsItWas) {
    // A stand-in for an Ardour tool that spoils the session and crashes on its first run.
    writeText(sessionFile(), "<Session/>\n");
    const fs::path tool = dir / "crashes-once";
    writeText(tool, "#!/bin/sh\nif [ ! -e '" + (dir / "ran").string() + "' ]; then\n  touch '" +
                        (dir / "ran").string() + "'\n  echo spoilt > '" + sessionFile().string() +
                        "'\n  kill -SEGV $$\nfi\ncat '" + sessionFile().string() + "'\n");
    fs::permissions(tool, fs::perms::owner_all);
    const int before = runner.retries();
    const ToolRun run = ardour({tool.string()});
    EXPECT_TRUE(run.clean);
    EXPECT_EQ(runner.retries(), before + 1);
    EXPECT_EQ(run.output, "<Session/>\n") << "the retry saw the session as it was";
}

TEST_F(ArdourSession, TheChunkComesBackEqualAfterSavingReopeningAndSavingAgain) {
    const std::string chunk = stateChunk();
    ASSERT_FALSE(chunk.empty());
    createSession(chunk);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("reopened and saved " + std::to_string(round) + " times");
        const ToolRun saved = lua("resave-session.lua");
        ASSERT_NE(saved.output.find("QUOVENT-SAVED"), std::string::npos) << saved.output;
        const std::optional<std::string> kept = sessionChunk(readText(sessionFile()));
        ASSERT_TRUE(kept.has_value()) << "the saved session holds no chunk";
        EXPECT_TRUE(*kept == chunk) << "the chunk changed";
    }
}

TEST_F(ArdourSession, ASessionPlaysTheGrooveItsInstrumentWasRestoredWith) {
    const std::string chunk = stateChunk();
    createSession(chunk);
    const fs::path wav = dir / "export.wav";
    const ToolRun exported = ardour({"/usr/bin/ardour7-export", "-b", "float", "-o", wav.string(),
                                     session().string(), "groove"});
    ASSERT_EQ(exported.exitCode, 0) << exported.output;
    std::vector<float> left;
    std::vector<float> right;
    ASSERT_TRUE(readFloatStereo(wav, left, right)) << exported.output;
    ASSERT_EQ(left.size(), static_cast<std::size_t>(kSeconds * kRate));

    // The same state in our own host, the same note at the start, output pair 1.
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.prepare(static_cast<float>(kRate), 1024);
    ASSERT_EQ(host.setChunk(chunk), 1);
    std::vector<float> refLeft;
    std::vector<float> refRight;
    AudioBuffers out(1024);
    host.sendMidi({{0, 0x9e, 60, 127}});
    for (int block = 0; block * 1024 < kSeconds * kRate; ++block) {
        if (block * 1024 <= 176400 && 176400 < (block + 1) * 1024) {
            host.sendMidi({{176400 - block * 1024, 0x8e, 60, 0}});
        }
        host.processReplacing(out);
        refLeft.insert(refLeft.end(), out.channel(0), out.channel(0) + 1024);
        refRight.insert(refRight.end(), out.channel(1), out.channel(1) + 1024);
    }

    // Ardour delivers the note a little late (its own synth too): compare from the onsets.
    const std::size_t onset = firstSound(left, kSoundThreshold);
    const std::size_t refOnset = firstSound(refLeft, kSoundThreshold);
    ASSERT_LT(onset, 2048u) << "Ardour played nothing near the start";
    ASSERT_EQ(refOnset, 0u);
    const std::size_t length = left.size() - onset;
    float peak = 0.0f;
    float worst = 0.0f;
    for (std::size_t i = 0; i < length; ++i) {
        peak = std::max(peak, std::fabs(refLeft[i]));
        worst = std::max({worst, std::fabs(left[onset + i] - refLeft[i]),
                          std::fabs(right[onset + i] - refRight[i])});
    }
    std::printf("Ardour plays the note %zu frames late; largest difference %g (peak %g)\n", onset,
                static_cast<double>(worst), static_cast<double>(peak));
    EXPECT_GT(peak, 0.2f);
    EXPECT_LT(worst, peak * 1.0e-3f) << "Ardour's rendering differs from the instrument's own";
}

} // namespace
} // namespace quovent::test
