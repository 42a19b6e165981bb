// quovent-render on hand-written banks with generated samples: where steps start, at what
// pitch, level and pan, on which output pair; a MIDI file's tempo change; and the
// bundled demo. Expected values are worked out here from the instrument's documented
// behaviour: a 16-bit value v plays as v / 32768 x 1.15, a held pattern note has velocity
// 127 (gain 0.5), step s starts at frame ceil(s x samplesPerStep).
#include "RenderTestSupport.hpp"

#include <cmath>

using namespace quovent::test;

namespace {

constexpr int kFrames = 8000;       // generated sample length
constexpr std::int16_t kDc = 16384; // the constant sample's value
constexpr double kScale = 1.15 / 32768.0;
constexpr double kVelocityGain = 127.0 / 254.0;
constexpr double kDcLevel = kDc * kScale * kVelocityGain; // 0.2875

// A constant and a rising ramp (4 per frame), the first at 44.1 kHz, both mono.
void writeSamples(const ScratchDir& dir) {
    TestWav::constant(kFrames, kDc).write(dir / "dc.wav");
    std::vector<std::int16_t> ramp(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        ramp[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(4 * i);
    }
    TestWav::samples(ramp).write(dir / "ramp.wav");
}

std::string steps(std::initializer_list<int> on) {
    std::string s = "[";
    for (int i = 0; i < 16; ++i) {
        bool isOn = false;
        for (const int o : on) {
            isOn = isOn || o == i;
        }
        s += std::string(i == 0 ? "" : ", ") + (isOn ? "true" : "false");
    }
    return s + "]";
}

std::string lane(double value, int at, double rest) {
    std::string s = "[";
    for (int i = 0; i < 16; ++i) {
        s += (i == 0 ? "" : ", ") + std::to_string(i == at ? value : rest);
    }
    return s + "]";
}

} // namespace

TEST(RenderCli, StepsPitchLevelPanAndOutputPairsFollowTheBank) {
    ScratchDir dir;
    writeSamples(dir);
    writeText(dir / "bank.json", R"({"format": "quovent-bank", "version": 1, "key": 3,
      "slots": [
        {"samplePath": "dc.wav", "volume": 1},
        {"samplePath": "ramp.wav", "volume": 1, "tune": 0.75, "pan": 0.25, "outputPair": 2},
        {"samplePath": "dc.wav", "volume": 0.8, "outputPair": 3},
        {"samplePath": "dc.wav", "volume": 1, "outputPair": 4, "active": false}
      ],
      "patterns": [{}, {}, {}, {"rows": [
        {"stepOn": )" + steps({0, 4, 8, 12}) +
                                     R"(, "vol": )" + lane(0.5, 8, 1) + R"(},
        {"stepOn": )" + steps({0}) + R"(, "tune": )" +
                                     lane(1, 0, 0.5) + R"(},
        {"stepOn": )" + steps({0}) + R"(, "pan": )" +
                                     lane(0, 0, 0.5) + R"(},
        {"stepOn": )" + steps({0, 4}) +
                                     R"(}
      ]}]})");
    const RenderRun run = render(dir, {"--bank", dir / "bank.json", "--bars", "1", "--all-outputs",
                                       "--bits", "32f", "-o", dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("pattern 3 held"), std::string::npos) << run.out; // the bank's key
    const Audio a = readWav(dir / "out.wav");
    ASSERT_EQ(a.channels, 12);
    ASSERT_EQ(a.frames(), 88200); // one bar at 120 BPM, 44.1 kHz

    // Slot 1 on pair 1: a step every beat (5512.5 frames per step), step 8 at half level.
    EXPECT_EQ(onsets(a, 0), (std::vector<std::int64_t>{0, 22050, 44100, 66150}));
    EXPECT_NEAR(a.at(100, 0), kDcLevel, 1e-5);
    EXPECT_NEAR(a.at(100, 1), kDcLevel, 1e-5);
    EXPECT_NEAR(a.at(22050 + 100, 0), kDcLevel, 1e-5);
    EXPECT_NEAR(a.at(44100 + 100, 0), kDcLevel * 0.5, 1e-5);

    // Slot 2 on pair 2: the ramp's slope is the playback increment, slot tune +6 semitones
    // times step tune +2 semitones; pan 0.25 halves the right side.
    const double increment = std::pow(2.0, 6.0 / 12.0) * std::pow(2.0, 2.0 / 12.0);
    const double perPosition = 4.0 * kScale * kVelocityGain;
    const double slope = (a.at(1100, 2) - a.at(100, 2)) / 1000.0;
    EXPECT_NEAR(slope / perPosition, increment, increment * 0.002);
    EXPECT_NEAR(a.at(500, 3), a.at(500, 2) * 0.5, 1e-6);
    EXPECT_NEAR(a.at(500, 2), 500 * increment * perPosition, 500 * increment * perPosition * 0.002);

    // Slot 3 on pair 3: volume 0.8, step pan hard left.
    EXPECT_NEAR(a.at(100, 4), kDcLevel * 0.8, 1e-5);
    EXPECT_EQ(a.at(100, 5), 0.0f);

    // The muted slot and the unused pairs add nothing at all.
    for (int c = 6; c < 12; ++c) {
        EXPECT_TRUE(onsets(a, c).empty()) << "channel " << c;
    }
}

TEST(RenderCli, AMidiFileTempoChangeMovesTheSteps) {
    ScratchDir dir;
    writeSamples(dir);
    writeText(dir / "bank.json", R"({"format": "quovent-bank", "version": 1,
      "slots": [{"samplePath": "dc.wav"}],
      "patterns": [{"rows": [{"stepOn": )" +
                                     steps({0, 4, 8, 12}) + R"(}]}]})");
    MidiFileBuilder song(96);
    song.tempo(0, 500000);          // 120 BPM
    song.message(0, 0x9E, 60, 127); // pattern 0 on MIDI channel 15
    song.tempo(4 * 96, 1000000);    // 60 BPM from the second bar
    writeText(dir / "song.mid", song.bytes(8 * 96));
    // 48 kHz: 6000 frames per step at 120 BPM, 12000 at 60 BPM; 64-frame blocks meet the
    // bar line exactly, where the host reports the new tempo.
    const RenderRun run =
        render(dir, {"--bank", dir / "bank.json", "--midi", dir / "song.mid", "--rate", "48000",
                     "--block", "64", "--seconds", "3.5", "--bits", "32f", "-o", dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("60 to 120 BPM"), std::string::npos) << run.out;
    const Audio a = readWav(dir / "out.wav");
    EXPECT_EQ(onsets(a, 0),
              (std::vector<std::int64_t>{0, 24000, 48000, 72000, 96000, 96000 + 48000}));

    // Without a tempo in the file, --tempo sets the pace.
    MidiFileBuilder plain(96);
    plain.message(0, 0x9E, 60, 127);
    writeText(dir / "plain.mid", plain.bytes(4 * 96));
    const RenderRun slow =
        render(dir, {"--bank", dir / "bank.json", "--midi", dir / "plain.mid", "--rate", "48000",
                     "--tempo", "75", "--bars", "1", "--bits", "32f", "-o", dir / "slow.wav"});
    ASSERT_EQ(slow.exitCode, 0) << slow.err;
    const Audio b = readWav(dir / "slow.wav");
    EXPECT_EQ(b.frames(), 153600); // four beats of 38400 frames
    EXPECT_EQ(onsets(b, 0), (std::vector<std::int64_t>{0, 38400, 76800, 115200}));
}

TEST(RenderCli, ASyncSlotFollowsTheHostTempoFromTheFirstBlock) {
    ScratchDir dir;
    writeSamples(dir);
    // Tune 0.5 stretches the whole sample over 16 steps. The bank is imported before the
    // first block, when no host tempo is known yet; the slot must still play at the rate
    // for the host's 60 BPM, although the editor window was never opened.
    writeText(dir / "bank.json", R"({"format": "quovent-bank", "version": 1,
      "slots": [{"samplePath": "ramp.wav", "volume": 1, "sync": true}],
      "patterns": [{"rows": [{"stepOn": )" +
                                     steps({0}) + R"(, "tune": )" + lane(0, 0, 0.5) + R"(}]}]})");
    const RenderRun run = render(dir, {"--bank", dir / "bank.json", "--tempo", "60", "--seconds",
                                       "1", "--bits", "32f", "-o", dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio a = readWav(dir / "out.wav");
    const double samplesPerStep = 44100.0 / 60.0 * 15.0;
    const double increment = kFrames / (samplesPerStep * 16.0); // the step tune has no effect
    const double slope = (a.at(2100, 0) - a.at(100, 0)) / 2000.0 / (4.0 * kScale * kVelocityGain);
    EXPECT_NEAR(slope, increment, increment * 0.002);
}

TEST(RenderCli, OnePairIsThatPairOfTheFullRender) {
    ScratchDir dir;
    const RenderRun all = render(dir, {"--seconds", "2", "--all-outputs", "--bits", "32f", "-o",
                                       dir / "all.wav", "--png", dir / "demo.png"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    const RenderRun pair =
        render(dir, {"--seconds", "2", "--pair", "2", "--bits", "32f", "-o", dir / "pair.wav"});
    ASSERT_EQ(pair.exitCode, 0) << pair.err;
    const Audio a = readWav(dir / "all.wav");
    const Audio p = readWav(dir / "pair.wav");
    ASSERT_EQ(p.channels, 2);
    ASSERT_EQ(p.frames(), a.frames());
    double energy = 0.0;
    for (std::int64_t i = 0; i < p.frames(); ++i) {
        ASSERT_EQ(p.at(i, 0), a.at(i, 2));
        ASSERT_EQ(p.at(i, 1), a.at(i, 3));
        energy += p.at(i, 0) * p.at(i, 0);
    }
    // The demo bank routes its hats to pair 2 and the rest to pair 1.
    EXPECT_GT(energy, 0.0);
    EXPECT_NE(all.out.find("pair 1 (outputs  1/ 2)  peak"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("pair 2 (outputs  3/ 4)  peak"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("pair 3 (outputs  5/ 6)  silent"), std::string::npos) << all.out;
    EXPECT_EQ(readText(dir / "demo.png").substr(1, 3), "PNG");
}
