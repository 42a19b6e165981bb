// A real host keeps and plays the LV2 instrument's groove: a session made by Ardour 7's
// headless Lua interpreter gets the demo groove as the plug-in's state (saved through lilv
// into the folder Ardour keeps it in), is reopened and saved again by Ardour with the groove
// intact, and Ardour's exporter renders what the plug-in renders in the lilv test host for
// the same state and note.
#include "formats/lv2/PluginUris.hpp"
#include "tests/support/ArdourRunner.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"
#include "tests/support/ProcessRun.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/StereoWav.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace quovent::test;
using quovent::lv2::PluginUris;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 5;
constexpr long long kSuperclockRate = 282240000; // Ardour 7's time unit per second
constexpr int kNoteEnd = 176400;                 // quovent_pattern_note.lua's stop
constexpr float kSoundThreshold = 1e-6f;         // where an onset begins

// The demo groove with its sample paths absolute, as a bank file.
fs::path demoBank(const fs::path& folder) {
    std::string text =
        absoluteDemoGroove((fs::path(QUOVENT_SOURCE_DIR) / "resources" / "demo").string());
    // Pattern 0 (the one the note starts) from the first key; every slot on output pair 1,
    // the one the track takes.
    for (std::size_t at = text.find("\"outputPair\": 2"); at != std::string::npos;
         at = text.find("\"outputPair\": 2")) {
        text.replace(at, 15, "\"outputPair\": 1");
    }
    const fs::path bank = folder / "demo.json";
    writeText(bank, text);
    return bank;
}

// The newest state folder Ardour keeps for the plug-in: session/plugins/<id>/state<n>.
fs::path newestState(const fs::path& session) {
    fs::path newest;
    int best = -1;
    if (!fs::exists(session / "plugins")) {
        return newest;
    }
    for (const auto& entry : fs::recursive_directory_iterator(session / "plugins")) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.rfind("state", 0) == 0 &&
            fs::exists(entry.path() / "state.ttl")) {
            const int n = std::atoi(name.c_str() + 5);
            if (n > best) {
                best = n;
                newest = entry.path();
            }
        }
    }
    return newest;
}

class Lv2ArdourSession : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"/usr/bin/ardour7-lua", "/usr/bin/ardour7-export"}) {
            if (::access(tool, X_OK) != 0) {
                GTEST_SKIP() << tool << " is missing: tools/install-deps.sh installs it";
            }
        }
        const char* lv2Path = std::getenv("LV2_PATH");
        ASSERT_NE(lv2Path, nullptr);
        const fs::path home = dir.path() / "home";
        env = {{"HOME", home.string()},
               {"XDG_CONFIG_HOME", (home / ".config").string()},
               {"XDG_CACHE_HOME", (home / ".cache").string()},
               {"XDG_DATA_HOME", (home / ".local/share").string()},
               {"LV2_PATH", lv2Path},
               {"QUOVENT_SESSION_DIR", session().string()},
               {"QUOVENT_SESSION_NAME", "groove"},
               {"QUOVENT_SESSION_RATE", std::to_string(kRate)},
               {"QUOVENT_PLUGIN_TYPE", "LV2"},
               {"LD_LIBRARY_PATH", "/usr/lib/ardour7"}};
        const fs::path scripts = home / ".config/ardour7/scripts";
        fs::create_directories(scripts);
        fs::copy_file(fs::path(QUOVENT_SOURCE_DIR) / "tests/ardour/quovent_pattern_note.lua",
                      scripts / "quovent_pattern_note.lua");
    }

    fs::path session() const { return dir.path() / "sessions/groove"; }
    fs::path sessionFile() const { return session() / "groove.ardour"; }

    // An Ardour tool run until it ends on its own, the session put back before each retry.
    // The output, empty when it never ended on its own.
    std::string ardour(const std::vector<std::string>& argv, int* exitCode = nullptr) {
        const ArdourToolRun run = runner.run(argv);
        if (!run.clean) {
            return {};
        }
        if (exitCode != nullptr) {
            *exitCode = run.exitCode;
        }
        return run.output;
    }

    Lv2TestHost host;
    ScratchDirectory dir{"quovent-lv2-ardour"};
    std::map<std::string, std::string> env;
    ArdourRunner runner{dir.path(), session(), env};
};

TEST_F(Lv2ArdourSession, ASavedReopenedAndExportedSessionPlaysTheGrooveOfItsState) {
    const std::string created =
        ardour({"/usr/bin/ardour7-lua",
                (fs::path(QUOVENT_SOURCE_DIR) / "tests/ardour/create-session.lua").string()});
    ASSERT_NE(created.find("QUOVENT-CREATED"), std::string::npos) << created;
    const fs::path stateDir = newestState(session());
    ASSERT_FALSE(stateDir.empty()) << "Ardour kept no state for the plug-in";

    // The groove, set through patch:Set in our host and saved where Ardour keeps the state.
    Lv2InstanceOptions options;
    options.sampleRate = kRate;
    const auto maker = Lv2TestInstance::create(host, options);
    ASSERT_NE(maker, nullptr);
    maker->input().patchSet(0, PluginUris::property(PluginUris::kBankProperty),
                            demoBank(dir.path()).string());
    maker->run(64);
    maker->run(64);
    ASSERT_FALSE(maker->takeReplies().empty());
    {
        const LilvStatePtr state = maker->saveState(stateDir);
        ASSERT_NE(state, nullptr);
        host.saveToFolder(*state, stateDir);
    }
    // A session range for the exporter.
    std::string xml = readText(sessionFile());
    const auto locations = xml.find("<Locations/>");
    ASSERT_NE(locations, std::string::npos);
    xml.replace(locations, std::string("<Locations/>").size(),
                "<Locations>\n    <Location id=\"90000\" name=\"session\" start=\"a0\" end=\"a" +
                    std::to_string(kSeconds * kSuperclockRate) +
                    "\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"1\"/>\n  </Locations>");
    writeText(sessionFile(), xml);

    // Reopened and saved by Ardour: the state it writes anew holds the groove.
    const std::string resaved =
        ardour({"/usr/bin/ardour7-lua",
                (fs::path(QUOVENT_SOURCE_DIR) / "tests/ardour/resave-session.lua").string()});
    ASSERT_NE(resaved.find("QUOVENT-SAVED"), std::string::npos) << resaved;
    const fs::path kept = newestState(session());
    const std::string keptState = readText(kept / "state.ttl");
    EXPECT_NE(keptState.find("quovent-bank"), std::string::npos) << kept;
    EXPECT_NE(keptState.find("#groove"), std::string::npos) << kept;

    int exitCode = -1;
    const fs::path wav = dir.path() / "export.wav";
    const std::string exported = ardour({"/usr/bin/ardour7-export", "-b", "float", "-o",
                                         wav.string(), session().string(), "groove"},
                                        &exitCode);
    ASSERT_EQ(exitCode, 0) << exported;
    std::vector<float> left;
    std::vector<float> right;
    ASSERT_TRUE(readFloatStereo(wav, left, right)) << exported;
    ASSERT_EQ(left.size(), static_cast<std::size_t>(kSeconds * kRate));

    // The state Ardour saved last, in our host, with the same note.
    const LilvStatePtr state = host.loadFromFolder(kept);
    ASSERT_NE(state, nullptr);
    const auto reference = Lv2TestInstance::create(host, options);
    reference->restoreState(*state);
    std::vector<float> refLeft;
    std::vector<float> refRight;
    constexpr int kBlock = 1024;
    for (int block = 0; block * kBlock < kSeconds * kRate; ++block) {
        if (block == 0) {
            reference->input().midi(0, {0x9e, 60, 127});
        }
        if (block * kBlock <= kNoteEnd && kNoteEnd < (block + 1) * kBlock) {
            reference->input().midi(kNoteEnd - block * kBlock, {0x8e, 60, 0});
        }
        reference->run(kBlock);
        refLeft.insert(refLeft.end(), reference->output(0).begin(),
                       reference->output(0).begin() + kBlock);
        refRight.insert(refRight.end(), reference->output(1).begin(),
                        reference->output(1).begin() + kBlock);
    }

    // Ardour delivers the note a little late: compare from the onsets.
    const std::size_t onset = firstSound(left, kSoundThreshold);
    const std::size_t refOnset = firstSound(refLeft, kSoundThreshold);
    ASSERT_LT(onset, 4096u) << "Ardour played nothing near the start";
    ASSERT_LT(refOnset, 64u);
    const std::size_t length = left.size() - std::max(onset, refOnset);
    float peak = 0.0f;
    float exportPeak = 0.0f;
    float worst = 0.0f;
    for (std::size_t i = 0; i < length; ++i) {
        peak = std::max(peak, std::fabs(refLeft[refOnset + i]));
        exportPeak = std::max(exportPeak, std::fabs(left[onset + i]));
        worst = std::max({worst, std::fabs(left[onset + i] - refLeft[refOnset + i]),
                          std::fabs(right[onset + i] - refRight[refOnset + i])});
    }
    std::printf("Ardour plays the LV2 groove %zu frames after our host; export peak %g, "
                "reference peak %g, largest difference %g\n",
                onset - refOnset, static_cast<double>(exportPeak), static_cast<double>(peak),
                static_cast<double>(worst));
    EXPECT_GT(peak, 0.2f);
    EXPECT_LT(worst, peak * 1.0e-3f) << "Ardour's export differs from the plug-in's rendering";
}

} // namespace
