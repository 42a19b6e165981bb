// Qtractor, headless (tests/support/QtractorHost), plays the LV2 instrument: its scanner reads
// the VST 2 plug-in, and a session the test writes (a MIDI track for each channel of the host
// song, its clip and the instrument holding the song's groove) opened through NSM and rolled by
// the JACK transport records, on Qtractor's master output, what the instruments themselves
// render for the groove and notes, sample for sample after one constant offset: every note on
// its frame.
#include "tests/support/QtractorSession.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "tests/support/HostSong.hpp"
#include "tests/support/HostTake.hpp"
#include "tests/support/QtractorHost.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/StereoWav.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using lv2::PluginUris;

// A beat of lead-in: Qtractor may drop a note at the very start of the transport.
constexpr std::int64_t kLeadIn = HostSong::kRate / 2;
constexpr int kTakeSeconds = HostSong::kSeconds + 2;
// The song's channels, a track each: a Qtractor track plays its clips on its own channel.
const std::vector<int> kChannels = {9, 14, 0, 1};
// Qtractor 0.9.31 hands an instrument each note-off this many frames before the note's end
// (every one of them: with the reference's note-offs moved so, the take is equal to it; note-ons
// come on their frames).
constexpr std::int32_t kNoteOffLead = 2;

class Qtractor : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::string> missing = QtractorHost::missingPrograms();
        if (!missing.empty()) {
            ASSERT_EQ(std::getenv("CI"), nullptr) << missing.front() << " is missing under CI";
            GTEST_SKIP() << missing.front() << " is missing: tools/install-deps.sh installs it";
        }
        started = std::chrono::steady_clock::now();
    }
    void TearDown() override {
        std::printf(
            "Qtractor test: %.1f s\n",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }

    ScratchDirectory dir{"quovent-qtractor"};
    std::chrono::steady_clock::time_point started;
};

TEST_F(Qtractor, ItsScannerReadsTheVst2Instrument) {
    QtractorHost host(dir.path(), {});
    const std::string out = host.scan({"VST:" + TestHost::pluginPath()});
    EXPECT_NE(out.find("VST|quovent|0:12|1:0|"), std::string::npos) << out << host.log();
}

TEST_F(Qtractor, PlaysTheLv2InstrumentWithEveryNoteOnItsFrame) {
    const char* lv2Path = std::getenv("LV2_PATH");
    ASSERT_NE(lv2Path, nullptr) << "LV2_PATH names no folder with the bundle";
    const fs::path session = dir.path() / "session";
    const std::string groove = HostSong::groove();
    ASSERT_FALSE(groove.empty());
    HostSong::writeMidiFile(session / "song.mid");
    const std::string uri(PluginUris::kPlugin);
    const QtractorPlugin plugin{
        "LV2", uri, {QtractorSession::lv2State(uri, std::string(PluginUris::kGroove), groove)}};
    const QtractorClips clips{session / "song.mid", kChannels, kLeadIn, HostSong::kFrames};
    writeText(session / "song.qtr", QtractorSession::text("song", session, HostSong::kRate,
                                                          HostSong::kTempo, clips, plugin));

    QtractorHost host(dir.path(), {{"LV2_PATH", lv2Path}});
    ASSERT_TRUE(host.start()) << host.log();
    ASSERT_TRUE(host.open(session, "song")) << host.log();
    const fs::path wav = dir.path() / "take.wav";
    ASSERT_TRUE(host.record(wav, kTakeSeconds)) << host.log();
    StereoTake take;
    ASSERT_TRUE(readStereo(wav, take.left, take.right)) << host.log();

    // Each track has an instance of its own: the reference is their sum.
    StereoTake reference;
    for (const int channel : kChannels) {
        std::vector<InstrumentEvent> events;
        for (InstrumentEvent e : HostSong::frameEvents()) {
            if ((e.midi[0] & 0x0F) == channel) {
                e.frame -= (e.midi[0] & 0xF0) == 0x80 ? kNoteOffLead : 0;
                events.push_back(e);
            }
        }
        HostTake::add(reference,
                      HostTake::render(groove, events, HostSong::kRate, HostSong::kFrames,
                                       ProcessBlock::NoteOffs::AtFrame, QtractorHost::kPeriod, 0));
    }
    const TakeComparison c = HostTake::compare(take, reference);
    std::printf("Qtractor plays the LV2 instrument %lld frames into its take; largest difference "
                "%g (peak %g) over %lld frames\n",
                static_cast<long long>(c.offset), static_cast<double>(c.worst),
                static_cast<double>(c.peak), static_cast<long long>(c.compared));
    ASSERT_GE(c.offset, 0) << "Qtractor played nothing\n" << host.log();
    EXPECT_GT(c.peak, 0.2f);
    EXPECT_EQ(c.compared, HostSong::kFrames) << "the take ends before the song";
    EXPECT_EQ(c.firstBad, -1) << "the take differs from the instrument's own rendering from "
                                 "reference frame "
                              << c.firstBad << " (largest difference " << c.worst << ")";
}

} // namespace
} // namespace quovent::test
