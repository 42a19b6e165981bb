// LMMS plays the 32-bit Windows DLL: its VeSTige instrument loads build-win32/quovent.dll
// into a Wine helper process, and `lmms render` writes what it heard. LMMS exits 0 whatever
// happened, so the test judges its log and the rendered audio.
//
// LMMS runs with HOME in a scratch directory (nothing of the user's set-up is read or
// written), under a virtual X server (it needs a display even to render, and is killed if it
// hangs), without the right to ask for realtime priority, and in the repository's Wine
// prefix (build-wine, or $QUOVENT_WINEPREFIX).
#include "tests/lmms/LmmsProject.hpp"
#include "tests/support/GrooveTexts.hpp"
#include "tests/support/ProcessRun.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/StereoWav.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TestWav.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr auto kLmmsTimeout = std::chrono::seconds(180);
// At 125 BPM a tick (1/48 beat) is exactly 441 frames and a step (1/16 note) 5292.
constexpr int kBpm = 125;
constexpr int kFramesPerTick = kRate * 60 / (kBpm * LmmsProject::kTicksPerBeat);
constexpr int kFramesPerStep = kFramesPerTick * LmmsProject::kTicksPerBeat / 4;
static_assert(kFramesPerTick * kBpm * LmmsProject::kTicksPerBeat == kRate * 60);

std::string fromEnvironment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
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
        const ProcessRun server = runProcess(
            {std::string(QUOVENT_SOURCE_DIR) + "/tools/wine-run.sh", "--start-server", "60"}, env,
            scratch.path() / "server.log", std::chrono::seconds(120));
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
        const ProcessRun lmms = runProcess(argv, env, log, kLmmsTimeout + std::chrono::seconds(10));
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

// A groove bank naming the samples (absolute paths) of the first slots, with pattern 0's
// first row set to `row0`.
std::string bank(const std::vector<std::string>& samples, const std::string& row0) {
    std::string json = R"({"format": "quovent-bank", "version": 1, "slots": [)";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        json += (i == 0 ? "" : ", ") + std::string(R"({"samplePath": ")") + samples[i] + "\"}";
    }
    return json + R"(], "patterns": [{"rows": [{"stepOn": )" + stepsJson(row0) + "}]}]}";
}

struct MidiAt {
    int frame = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

// The notes of an LMMS track as the MIDI the instrument receives, at exact frames.
std::vector<MidiAt> midiOf(const LmmsTrack& track) {
    std::vector<MidiAt> events;
    const auto channel = static_cast<std::uint8_t>(track.midiChannel - 1);
    for (const LmmsNote& n : track.notes) {
        const auto key = static_cast<std::uint8_t>(n.key);
        // LMMS scales a note's volume (0..200, 100 = full) to the MIDI velocity 0..127.
        const auto velocity = static_cast<std::uint8_t>(std::min(127, n.velocity * 127 / 100));
        events.push_back(
            {n.tick * kFramesPerTick, static_cast<std::uint8_t>(0x90 | channel), key, velocity});
        events.push_back({(n.tick + n.length) * kFramesPerTick,
                          static_cast<std::uint8_t>(0x80 | channel), key, 0});
    }
    return events;
}

// What the Linux build of the instrument renders on its first output pair for the same
// state and MIDI, driven block by block at the same tempo: the reference LMMS must match.
Rendering renderNative(const std::string& chunk, const std::vector<MidiAt>& events, int frames) {
    constexpr int kBlock = 256;
    TestHost host;
    host.setTempo(kBpm);
    EXPECT_NE(host.open(), nullptr);
    host.prepare(static_cast<float>(kRate), kBlock);
    EXPECT_EQ(host.setChunk(chunk), 1);
    Rendering r;
    AudioBuffers out(kBlock);
    for (int start = 0; start < frames; start += kBlock) {
        EventList list;
        for (const MidiAt& e : events) {
            if (e.frame >= start && e.frame < start + kBlock) {
                list.add({e.frame - start, e.status, e.data1, e.data2});
            }
        }
        host.sendEvents(list);
        host.processReplacing(out);
        r.left.insert(r.left.end(), out.channel(0), out.channel(0) + kBlock);
        r.right.insert(r.right.end(), out.channel(1), out.channel(1) + kBlock);
    }
    r.left.resize(static_cast<std::size_t>(frames));
    r.right.resize(static_cast<std::size_t>(frames));
    return r;
}

// Frames where sound starts after at least `gap` silent frames.
std::vector<int> onsets(const std::vector<float>& s, int gap) {
    std::vector<int> found;
    int quiet = gap;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != 0.0f) {
            if (quiet >= gap) {
                found.push_back(static_cast<int>(i));
            }
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b, int frames) {
    float d = 0.0f;
    for (int i = 0; i < frames; ++i) {
        d = std::max(d, std::fabs(a[static_cast<std::size_t>(i)] - b[static_cast<std::size_t>(i)]));
    }
    return d;
}

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

TEST_F(LmmsRender, NotesOnChannelTenPlayTheSlotSamplesSampleExact) {
    // Eight samples, each its own level and period, a beat apart: key 60 + k plays slot k.
    std::vector<std::string> linuxPaths;
    std::vector<std::string> windowsPaths;
    for (int k = 0; k < 8; ++k) {
        const fs::path file = scratch.path() / "kit" / ("s" + std::to_string(k) + ".wav");
        TestWav::decayingSquare(3000, 4000 + 3000 * k, 20 + 7 * k).write(file);
        linuxPaths.push_back(file.string());
        windowsPaths.push_back("Z:" + file.generic_string()); // Wine's drive Z: is /
    }
    LmmsTrack drums{"drums", 10, bank(windowsPaths, ""), {}};
    for (int k = 0; k < 8; ++k) {
        drums.notes.push_back({k * LmmsProject::kTicksPerBeat, 24, 60 + k});
    }
    LmmsProject project;
    project.bpm = kBpm;
    project.tracks.push_back(drums);
    const Rendering lmms = render(project);
    expectLoaded(lmms);

    const int frames = 9 * LmmsProject::kTicksPerBeat * kFramesPerTick;
    ASSERT_GE(lmms.left.size(), static_cast<std::size_t>(frames));
    const Rendering native = renderNative(bank(linuxPaths, ""), midiOf(drums), frames);
    std::vector<int> expected;
    for (int k = 0; k < 8; ++k) {
        expected.push_back(k * LmmsProject::kTicksPerBeat * kFramesPerTick);
    }
    ASSERT_EQ(onsets(native.left, 1000), expected) << "the reference itself is off";
    EXPECT_EQ(onsets(lmms.left, 1000), expected);
    EXPECT_EQ(onsets(lmms.right, 1000), expected);
    EXPECT_GT(peak(lmms.left), 0.1f);
    EXPECT_EQ(largestDifference(lmms.left, native.left, frames), 0.0f);
    EXPECT_EQ(largestDifference(lmms.right, native.right, frames), 0.0f);
}

TEST_F(LmmsRender, ANoteOnChannelFifteenPlaysItsPatternOnTheSteps) {
    const fs::path file = scratch.path() / "kit" / "hit.wav";
    TestWav::decayingSquare(2000, 20000, 13).write(file);
    const std::string row = "x...x.x...x.xx..";
    LmmsTrack pattern{"pattern",
                      15,
                      bank({"Z:" + file.generic_string()}, row),
                      {{0, 2 * 4 * LmmsProject::kTicksPerBeat, 60}}};
    LmmsProject project;
    project.bpm = kBpm;
    project.tracks.push_back(pattern);
    const Rendering lmms = render(project);
    expectLoaded(lmms);

    // Two bars: the row twice, every on step starting its hit exactly on its frame.
    const int frames = 32 * kFramesPerStep;
    ASSERT_GE(lmms.left.size(), static_cast<std::size_t>(frames));
    std::vector<int> expected;
    for (int step = 0; step < 32; ++step) {
        if (row[static_cast<std::size_t>(step % 16)] == 'x') {
            expected.push_back(step * kFramesPerStep);
        }
    }
    std::vector<float> heard(lmms.left.begin(), lmms.left.begin() + frames);
    EXPECT_EQ(onsets(heard, 1000), expected);
    const Rendering native = renderNative(bank({file.string()}, row), midiOf(pattern), frames);
    EXPECT_EQ(largestDifference(lmms.left, native.left, frames), 0.0f);
    EXPECT_EQ(largestDifference(lmms.right, native.right, frames), 0.0f);
}

} // namespace quovent::test
