// Qtractor, headless (tests/support/QtractorHost), plays the LV2 and CLAP instruments: its
// scanner reads the VST 2 plug-in, and a session the test writes (a MIDI track for each channel
// of the host song, its clip and the instrument holding the song's groove) opened through NSM
// and rolled by the JACK transport records, on Qtractor's master output, what the instruments
// themselves render for the groove and notes, sample for sample after one constant offset:
// every note on its frame. The CLAP session is then saved by Qtractor and played again.
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
// Qtractor 0.9.31 hands an instrument each note-off this many frames before the note's end, an
// LV2 and a CLAP one alike (every one of them: with the reference's note-offs moved so, the take
// is equal to it, with 1 or 3 it is not; note-ons come on their frames).
constexpr std::int32_t kNoteOffLead = 2;

class Qtractor : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::string> missing = QtractorHost::missingPrograms();
        if (!missing.empty()) {
            ASSERT_EQ(std::getenv("CI"), nullptr) << missing.front() << " is missing under CI";
            GTEST_SKIP() << missing.front() << " is missing: tools/install-deps.sh installs it";
        }
    }

    ScratchDirectory dir{"quovent-qtractor"};
};

TEST_F(Qtractor, ItsScannerReadsTheVst2Instrument) {
    QtractorHost host(dir.path(), {});
    const std::string out = host.scan({"VST:" + TestHost::pluginPath()});
    EXPECT_NE(out.find("VST|quovent|0:12|1:0|"), std::string::npos) << out << host.log();
}

// A plug-in format Qtractor plays: the variable the build names the plug-in's folder in, the
// session's plug-in holding a groove, and its takes. Qtractor 0.9.31's NSM save writes a session
// only while it holds it changed: loaded, a session with the CLAP instrument is so by then, one
// with the LV2 instrument is not, and headless the test has no edit to make: that row plays once.
struct PlayedFormat {
    const char* name;
    const char* pathVariable;
    QtractorPlugin (*plugin)(const std::string& folder, const std::string& groove);
    int takes;
};

QtractorPlugin lv2Plugin(const std::string&, const std::string& groove) {
    const std::string uri(PluginUris::kPlugin);
    return {"LV2", uri, {QtractorSession::lv2State(uri, std::string(PluginUris::kGroove), groove)}};
}

QtractorPlugin clapPlugin(const std::string& folder, const std::string& groove) {
    return {"CLAP", folder + "/quovent.clap", {QtractorSession::clapState(groove)}};
}

class QtractorPlays : public Qtractor, public ::testing::WithParamInterface<PlayedFormat> {};

// Take 1 plays the session the test wrote; Qtractor then saves it through NSM, and take 2 plays
// the saved session alone, reopened by a Qtractor of its own: the plug-in's state came back
// through Qtractor's file.
TEST_P(QtractorPlays, EveryNoteOnItsFrame) {
    const PlayedFormat& format = GetParam();
    const char* folder = std::getenv(format.pathVariable);
    ASSERT_NE(folder, nullptr) << format.pathVariable << " names no folder with the plug-in";
    const fs::path session = dir.path() / "session";
    const std::string groove = HostSong::groove();
    ASSERT_FALSE(groove.empty());
    HostSong::writeMidiFile(session / "song.mid");
    const QtractorClips clips{session / "song.mid", kChannels, kLeadIn, HostSong::kFrames};
    const QtractorPlugin plugin = format.plugin(folder, groove);
    writeText(session / "song.qtr", QtractorSession::text("song", session, HostSong::kRate,
                                                          HostSong::kTempo, clips, plugin));

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
    for (int take = 1; take <= format.takes; ++take) {
        SCOPED_TRACE("take " + std::to_string(take));
        const fs::path scratch = dir.path() / ("take" + std::to_string(take));
        QtractorHost host(scratch, {{format.pathVariable, folder}});
        ASSERT_TRUE(host.start()) << host.log();
        ASSERT_TRUE(host.open(session, "song")) << host.log();
        ASSERT_TRUE(host.record(scratch / "take.wav", kTakeSeconds)) << host.log();
        if (take < format.takes) {
            ASSERT_TRUE(host.save()) << host.log();
            const std::string saved = readText(session / "session.qtr");
            ASSERT_NE(saved.find("<config key=\"" + plugin.configs.at(0).key + "\""),
                      std::string::npos)
                << "Qtractor saved no state of the plug-in";
            fs::remove(session / "song.qtr");
        }
        StereoTake played;
        ASSERT_TRUE(readStereo(scratch / "take.wav", played.left, played.right)) << host.log();
        const TakeComparison c = HostTake::compare(played, reference);
        std::printf("Qtractor plays the %s instrument in take %d %s\n", format.name, take,
                    c.summary().c_str());
        ASSERT_GE(c.offset, 0) << "Qtractor played nothing\n" << host.log();
        EXPECT_GT(c.peak, 0.2f);
        EXPECT_EQ(c.compared, HostSong::kFrames) << "the take ends before the song";
        EXPECT_EQ(c.firstBad, -1) << "the take differs from the instrument's own rendering from "
                                     "reference frame "
                                  << c.firstBad << " (largest difference " << c.worst << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, QtractorPlays,
                         ::testing::Values(PlayedFormat{"Lv2", "LV2_PATH", lv2Plugin, 1},
                                           PlayedFormat{"Clap", "CLAP_PATH", clapPlugin, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quovent::test
