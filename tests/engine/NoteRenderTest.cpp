// Note voices as heard at the outputs: pitch from the note, the slot tune and the sample's
// own rate, the pan law, output pairs, the fades at the end of the play length and after a
// note-off, and settings far outside their range.
#include "EngineHarness.hpp"

#include "engine/NoteRatioTable.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace quovent;
using namespace quovent::test;

namespace {

// With a ramp sample (left i / 1024, right 1) and a centred pan, left / right of the output
// is the position the voice read at that frame.
float positionAt(const Harness& h, int pair, long frame) {
    const float l = h.out[2 * pair - 2][frame];
    const float r = h.out[2 * pair - 1][frame];
    return r != 0.0f ? 1024.0f * l / r : -1.0f;
}

bool silentExcept(const Harness& h, int pair) {
    for (int o = 0; o < Harness::kOutputs; ++o) {
        if (o == 2 * pair - 2 || o == 2 * pair - 1) {
            continue;
        }
        for (const float x : h.out[o]) {
            if (x != 0.0f) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TEST(NoteVoices, PitchFollowsNoteTuneAndTheSampleRate) {
    struct Case {
        int channel;
        int note;
        float tune;
        std::uint32_t sampleRate;
        float hostRate;
        float perFrame; // frames of the sample per output frame
    };
    const Case cases[] = {
        {0, 60, 0.5f, 44100, 44100.0f, 1.0f},
        {0, 72, 0.5f, 44100, 44100.0f, 2.0f}, // an octave up
        {0, 48, 0.5f, 44100, 44100.0f, 0.5f},
        {0, 60, 1.0f, 44100, 44100.0f, 2.0f}, // slot tune one octave up
        {0, 67, 0.5f, 22050, 44100.0f, 0.5f * 1.4983071f},
        {9, 60, 0.5f, 22050, 44100.0f, 0.5f}, // drums keep the sample's own pitch
        {9, 60, 0.5f, 44100, 96000.0f, 44100.0f / 96000.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << " note " << c.note);
        Harness h(3000);
        fillRamp(h.slot(0), 20000, c.sampleRate);
        h.slot(0).tune = c.tune;
        h.renderAll(256, {noteOnAt(0, c.channel, c.note)}, 0.0f, c.hostRate);
        for (const long j : {0L, 1L, 99L, 1000L, 2999L}) {
            // A note voice advances before it reads: frame j reads position (j + 1) x rate.
            const float expected = static_cast<float>(j + 1) * c.perFrame;
            EXPECT_NEAR(positionAt(h, 1, j), expected, 1e-4f * expected + 1e-3f) << j;
        }
    }
}

TEST(NoteVoices, NotesStartAtTheirDeltaWithinTheBlock) {
    Harness h(1024);
    fillRamp(h.slot(0), 20000);
    h.renderAll(512, {noteOnAt(700, 0, 60)});
    for (long j = 0; j < 700; ++j) {
        ASSERT_EQ(h.out[1][j], 0.0f) << j;
    }
    EXPECT_NEAR(positionAt(h, 1, 700), 1.0f, 1e-4f);
    EXPECT_NEAR(positionAt(h, 1, 1000), 301.0f, 1e-2f);
}

TEST(NoteVoices, PanLawAndVolumeSettleOnTheirTargets) {
    struct Case {
        float pan;
        float left;
        float right;
    };
    // Velocity 127 gives 0.5; volume 1.0.
    const Case cases[] = {
        {0.0f, 0.5f, 0.0f}, {0.5f, 0.5f, 0.5f}, {0.25f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.5f}};
    for (const Case& c : cases) {
        Harness h(6000);
        fillConstant(h.slot(0), 20000);
        h.slot(0).volume = 1.0f;
        h.slot(0).pan = c.pan;
        h.renderAll(512, {noteOnAt(0, 0, 60)});
        EXPECT_NEAR(h.out[0][5999], c.left, 1e-5f) << c.pan;
        EXPECT_NEAR(h.out[1][5999], c.right, 1e-5f) << c.pan;
        // The gains start at 0.5 and glide: no jump at the start.
        EXPECT_NEAR(h.out[0][0], 0.25f, 0.01f);
    }
}

TEST(NoteVoices, OnlyTheSlotsOutputPairSoundsAndSlotsOnOnePairAddUp) {
    auto play = [](bool first, bool second) {
        Harness h(4000);
        fillSine(h.slot(3), 20000, 300.0);
        fillSine(h.slot(4), 20000, 700.0);
        h.slot(3).setOutputPair(6);
        h.slot(4).setOutputPair(6);
        std::vector<MidiAt> events;
        if (first) {
            events.push_back(noteOnAt(0, 3, 60));
        }
        if (second) {
            events.push_back(noteOnAt(100, 4, 64));
        }
        h.renderAll(256, events);
        return h;
    };
    const Harness a = play(true, false);
    const Harness b = play(false, true);
    const Harness both = play(true, true);
    EXPECT_TRUE(silentExcept(both, 6));
    EXPECT_GT(both.energy(10, 0, 4000), 1.0);
    for (int o : {10, 11}) {
        for (long k = 0; k < 4000; ++k) {
            ASSERT_NEAR(both.out[o][k], a.out[o][k] + b.out[o][k], 1e-6f) << k;
        }
    }

    // Rendering adds to whatever the buffers hold.
    Harness h(512);
    fillConstant(h.slot(0), 20000);
    for (auto& o : h.out) {
        std::fill(o.begin(), o.end(), 1.0f);
    }
    h.renderAll(512, {noteOnAt(0, 0, 60)});
    EXPECT_NEAR(h.out[0][0], 1.25f * 0.65f / 0.65f, 0.01f);
    EXPECT_EQ(h.out[4][0], 1.0f);
}

TEST(NoteVoices, TheSoundFadesAwayPastAShortPlayLengthAtEveryBlockSize) {
    // A full-scale constant sample shows every jump of the envelope. Whatever the length and
    // the block size, the voice reads on past its play length while the fade runs, and the
    // sound ends without a step of -60 dBFS or more between two frames.
    constexpr long kFrames = 8192;
    constexpr float kMinus60dB = 0.001f;
    for (const float length : {0.0f, 0.01f, 0.05f, 0.5f}) {
        std::vector<float> first;
        for (const int block : {32, 512, 4096}) {
            Harness h(kFrames);
            fillConstant(h.slot(0), kFrames, 1.15f);
            h.slot(0).length = length;
            h.render(0, kFrames, block, {noteOnAt(0, 0, 60)});
            // Past the fade's start (1800 frames before the play length's end, or the first
            // frame) the level falls by 0.995 each frame until it is cut below 0.0002.
            const auto& o = h.out[0];
            long last = -1;
            for (long j = 0; j < kFrames; ++j) {
                if (o[j] != 0.0f) {
                    last = j;
                }
            }
            const long playLength = static_cast<long>(length * static_cast<float>(kFrames));
            const long fadeFrom = std::max(0L, playLength - 1800);
            ASSERT_GT(last, 0) << length;
            EXPECT_NEAR(static_cast<double>(last - fadeFrom), 1700.0, 10.0)
                << "length " << length << ", block " << block;
            EXPECT_GT(o[static_cast<std::size_t>(fadeFrom) + 1], 0.1f) << length; // it sounds
            if (fadeFrom > 0) {
                // Full level up to the fade's first frame, then 0.995 a frame.
                EXPECT_NEAR(o[fadeFrom] / o[fadeFrom - 1], 1.0f, 1e-4f) << block;
                EXPECT_NEAR(o[fadeFrom + 1] / o[fadeFrom], 0.995f, 1e-5f) << block;
                EXPECT_NEAR(o[fadeFrom + 100] / o[fadeFrom + 99], 0.995f, 1e-5f) << block;
            }
            for (long j = last - 200; j <= last + 1; ++j) {
                ASSERT_LT(std::fabs(o[j] - o[j - 1]), kMinus60dB)
                    << "length " << length << ", block " << block << ", frame " << j;
            }
            EXPECT_EQ(h.seq().liveVoices, 0);
            if (first.empty()) {
                first = o;
            } else {
                ASSERT_EQ(o, first) << "length " << length << ", block " << block;
            }
        }
    }
}

TEST(NoteVoices, ASampleShorterThanABlockPlaysToItsEnd) {
    auto play = [](int block) {
        Harness h(1024);
        fillConstant(h.slot(0), 400);
        h.renderAll(block, {noteOnAt(0, 0, 60)});
        return h;
    };
    const Harness big = play(512);
    const Harness small = play(64);
    EXPECT_EQ(big.seq().voices().count(), 0);
    // Frame j reads position j + 1: the last frame inside the 400 frames is frame 398.
    EXPECT_GT(big.out[0][0], 0.0f);
    EXPECT_GT(big.out[0][398], 0.0f);
    for (long j = 399; j < 1024; ++j) {
        ASSERT_EQ(big.out[0][j], 0.0f);
    }
    for (long j = 0; j < 1024; ++j) {
        ASSERT_EQ(big.out[0][j], small.out[0][j]) << j;
    }
}

TEST(NoteVoices, NoteOffFadesTheVoiceOutAndRemovesIt) {
    Harness h(8192);
    h.seq().useNoteOffScaleAfterRate();
    fillConstant(h.slot(0), 100000);
    h.renderAll(512, {noteOnAt(0, 0, 72), noteOffAt(4096, 0, 72)});
    // The note-off acts from the start of the block after it arrived.
    EXPECT_NEAR(h.out[0][4095] / h.out[0][4094], 1.0f, 1e-4f);
    EXPECT_NEAR(h.out[0][4096] / h.out[0][4095], 0.995f, 1e-5f);
    EXPECT_NEAR(h.out[0][5000] / h.out[0][4999], 0.995f, 1e-5f);
    // 0.995^n falls below 0.0002 after 1700 frames, before the 1967-frame countdown.
    EXPECT_GT(h.out[0][4096 + 1690], 0.0f);
    for (long j = 4096 + 1700; j < 8192; ++j) {
        ASSERT_EQ(h.out[0][j], 0.0f) << j;
    }
    EXPECT_EQ(h.seq().liveVoices, 0);
}

TEST(NoteVoices, AnEmptySlotNeverSounds) {
    Harness h(2048);
    h.row(0, 0).setStep(0, true);
    h.row(0, 0).setStep(1, true);
    h.renderAll(512, {noteOnAt(0, 0, 60), noteOnAt(0, 9, 60), noteOnAt(0, 14, 60)});
    for (const auto& o : h.out) {
        for (const float x : o) {
            ASSERT_EQ(x, 0.0f);
        }
    }
    EXPECT_EQ(h.seq().liveVoices, 8); // the two note voices ended at once
}

TEST(NoteVoices, TheSlotFilterShapesTheSound) {
    auto level = [](int mode, float res) {
        Harness h(8192);
        fillSine(h.slot(0), 20000, 8000.0);
        h.slot(0).filterMode = mode;
        h.slot(0).freq = 0.2f; // cutoff about 870 Hz
        h.slot(0).res = res;
        h.renderAll(512, {noteOnAt(0, 0, 60)});
        return h.energy(0, 2048, 8192);
    };
    const double dry = level(0, 1.0f);
    EXPECT_LT(level(1, 0.0f), dry * 0.01); // low-pass
    EXPECT_LT(level(2, 1.0f), dry * 0.1);  // narrow band-pass around the cutoff
    EXPECT_GT(level(3, 0.0f), dry * 0.5);  // high-pass lets 8 kHz through
}

TEST(NoteVoices, SettingsFarOutsideTheirRangeNeverReadOutsideTheSample) {
    Harness h(20000);
    fillConstant(h.slot(0), SampleBuffer::kCapacity);
    fillConstant(h.slot(1), 1000);
    h.slot(0).length = 5.0f;
    h.slot(0).tune = 1.0e9f;
    h.slot(1).length = NAN;
    h.slot(1).pan = 7.0f;
    h.slot(1).filterMode = 2;
    h.slot(1).freq = -3.0f;
    h.slot(1).res = 40.0f;
    h.slot(2).sync = 1;
    fillConstant(h.slot(2), 5000, 1.0f, 0);
    h.renderAll(4096, {noteOnAt(0, 0, 127), noteOnAt(0, 1, 0x7F), noteOnAt(10, 2, 1)});
    for (const auto& o : h.out) {
        for (const float x : o) {
            ASSERT_TRUE(std::isfinite(x));
        }
    }
    // Hosts with broken block descriptions: nothing is written, nothing breaks.
    h.seq().renderBlock(nullptr, 4096, NAN, 0.0f);
    h.seq().renderBlock(nullptr, -5, -1.0f, -44100.0f);
    std::array<float*, 12> holes{};
    h.seq().renderBlock(holes.data(), 100000, 1.0e9f, 1.0e12f);
    SUCCEED();
}
