// Pattern voices as heard at the outputs: the step grid at the host tempo, shuffle, lanes
// applied at their boundary, the fade before a triggered step, looping, stopping, muted
// slots, tempo changes, and the same audio whatever the host's block size.
#include "EngineHarness.hpp"

#include "engine/NoteVoiceGroup.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>

using namespace quovent;
using namespace quovent::test;

namespace {

constexpr double kStep120 = 44100.0 / 120.0 * 15.0; // 5512.5 frames
constexpr float kFull = 0.65f * 0.5f;               // slot volume x velocity 127

// A step boundary falls after the frame that brings the voice's clock to it; the first
// frame of the new step is therefore the boundary rounded up.
long firstFrameOf(double boundary) {
    return static_cast<long>(std::ceil(boundary));
}

double stepStart(int n, double sps, double shuffle) {
    return n * sps + (n % 2 == 1 ? sps * shuffle * 0.5 : 0.0);
}

void allStepsOn(PatternRow& row) {
    for (int i = 0; i < PatternRow::kSteps; ++i) {
        row.setStep(i, true);
    }
}

// Frames where the level jumps up: a step that restarted the sample.
std::vector<long> onsets(const std::vector<float>& out, long from, long to) {
    std::vector<long> found;
    for (long j = std::max(from, 1L); j < to; ++j) {
        if (out[j] > 0.1f && out[j] > 1.5f * out[j - 1]) {
            found.push_back(j);
        }
    }
    return found;
}

} // namespace

TEST(Patterns, StepsStartOnTheSixteenthGridAfterAFade) {
    Harness h(88200);
    fillConstant(h.slot(0), 30000);
    allStepsOn(h.row(0, 0));
    h.renderAll(512, {noteOnAt(0, 14, 60)});

    EXPECT_NEAR(h.out[0][0], kFull, 1e-6f); // step 0 sounds in the first block
    for (int n = 1; n < 16; ++n) {
        const double boundary = n * kStep120;
        const long first = firstFrameOf(boundary);
        SCOPED_TRACE(n);
        EXPECT_NEAR(h.out[0][first], kFull, 1e-6f);
        // The fade before the step starts 1800 frames ahead and reaches silence first.
        for (long j = first - 90; j < first; ++j) {
            ASSERT_EQ(h.out[0][j], 0.0f) << j;
        }
        // Frame j (counted from 1 within the step's reach) fades once the boundary less
        // 1800 x increment lies before j: the first faded frame is the first j (from 0)
        // with boundary - 1800 < j + 1.
        const long fadeStart = static_cast<long>(std::floor(boundary - 1801.0)) + 1;
        EXPECT_NEAR(h.out[0][fadeStart - 1], kFull, 1e-6f);
        EXPECT_NEAR(h.out[0][fadeStart] / h.out[0][fadeStart - 1], 0.995f, 1e-5f);
    }
    EXPECT_EQ(onsets(h.out[0], 0, 88200).size(), 15u);
}

TEST(Patterns, ShuffleDelaysOddStepsByUpToHalfAStep) {
    for (const float shuffle : {1.0f, 0.4f}) {
        Harness h(88200);
        fillConstant(h.slot(0), 30000);
        allStepsOn(h.row(0, 0));
        h.seq().shuffleAmount = shuffle;
        h.renderAll(256, {noteOnAt(0, 14, 60)});
        const std::vector<long> found = onsets(h.out[0], 0, 88200);
        ASSERT_EQ(found.size(), 15u) << shuffle;
        for (int n = 1; n < 16; ++n) {
            EXPECT_EQ(found[n - 1], firstFrameOf(stepStart(n, kStep120, shuffle)))
                << "shuffle " << shuffle << " step " << n;
        }
    }
}

TEST(Patterns, AStepsLanesApplyAtItsBoundaryEvenWhenItIsOff) {
    Harness h(12000);
    fillConstant(h.slot(0), 30000);
    PatternRow& row = h.row(0, 0);
    row.setStep(0, true);
    row.setLane(Lane::Vol, 1, 0.5f); // step 1 is off: it shapes the sound carried over
    row.setLane(Lane::Pan, 1, 0.0f);
    h.renderAll(512, {noteOnAt(0, 14, 60)});
    const long boundary = firstFrameOf(kStep120);
    EXPECT_NEAR(h.out[0][boundary - 1], kFull, 1e-6f);
    EXPECT_NEAR(h.out[1][boundary - 1], kFull, 1e-6f);
    // Gain and pan glide toward the new targets from the boundary on.
    EXPECT_LT(h.out[0][boundary + 50], h.out[0][boundary - 1]);
    EXPECT_NEAR(h.out[0][boundary + 3000], kFull * 0.5f, 1e-5f);
    EXPECT_NEAR(h.out[1][boundary + 3000], 0.0f, 1e-5f);
}

TEST(Patterns, AStepsTuneAndPanTakeEffectWhenItTriggers) {
    Harness h(12000);
    fillRamp(h.slot(1), 30000);
    PatternRow& row = h.row(0, 1);
    row.setStep(0, true);
    row.setStep(1, true);
    row.setLane(Lane::Tune, 1, 1.0f); // two semitones up
    h.renderAll(512, {noteOnAt(0, 14, 60)});
    const long first = firstFrameOf(kStep120);
    // Pattern voices read before they advance: frame first + m reads position m x ratio.
    for (const long m : {0L, 1L, 100L, 1000L}) {
        const float position = 1024.0f * h.out[0][first + m] / h.out[1][first + m];
        EXPECT_NEAR(position, m * 1.12246215f, 1e-3f * m + 1e-3f) << m;
    }

    Harness p(12000);
    fillConstant(p.slot(0), 30000);
    p.row(0, 0).setStep(0, true);
    p.row(0, 0).setLane(Lane::Pan, 0, 0.0f);
    p.slot(0).pan = 0.5f;
    p.renderAll(512, {noteOnAt(0, 14, 60)});
    // Set at once when the step starts: full left, nothing right from the first frame.
    EXPECT_NEAR(p.out[0][0], kFull, 1e-6f);
    EXPECT_EQ(p.out[1][0], 0.0f);
}

TEST(Patterns, APatternLoopsEvery88200FramesAt120Bpm) {
    Harness h(180000);
    fillConstant(h.slot(0), 100000);
    h.row(0, 0).setStep(0, true);
    h.renderAll(1024, {noteOnAt(0, 14, 60)});
    EXPECT_EQ(onsets(h.out[0], 0, 180000), (std::vector<long>{88200, 176400}));
    EXPECT_EQ(h.out[0][88199], 0.0f);
    EXPECT_NEAR(h.out[0][88200], kFull, 1e-6f);
}

TEST(Patterns, NoteOffFadesOutAtOnceStartsNoStepAndRemovesTheVoices) {
    Harness h(16384);
    fillConstant(h.slot(0), 30000);
    allStepsOn(h.row(0, 0));
    h.renderAll(512, {noteOnAt(0, 14, 60), noteOffAt(8192, 14, 60)});
    EXPECT_NEAR(h.out[0][8192] / h.out[0][8191], 0.995f, 1e-5f);
    for (long j = 8192 + 1700; j < 16384; ++j) {
        ASSERT_EQ(h.out[0][j], 0.0f) << j; // the boundary at 11025 starts nothing
    }
    EXPECT_EQ(h.seq().liveVoices, 0);
}

TEST(Patterns, AllNotesOffStopsPatternsAndNotesAndThePlayState) {
    Harness h(8192);
    fillConstant(h.slot(0), 30000);
    fillConstant(h.slot(2), 30000);
    allStepsOn(h.row(0, 0));
    h.seq().playing = 1;
    const MidiAt allOff{4096, 0xB3, 123, 0};
    h.renderAll(512, {noteOnAt(0, 14, 60), noteOnAt(0, 2, 60), allOff});
    EXPECT_EQ(h.seq().playing, 0);
    EXPECT_GT(h.out[0][4095], 0.3f);
    for (long j = 4096 + 1800; j < 8192; ++j) {
        ASSERT_EQ(h.out[0][j], 0.0f) << j;
    }
    EXPECT_EQ(h.seq().liveVoices, 0);
}

TEST(Patterns, AMutedSlotSilencesItsVoiceWhichKeepsItsPlace) {
    Harness h(24000);
    fillConstant(h.slot(0), 30000);
    allStepsOn(h.row(0, 0));
    h.slot(0).active = 0;
    h.render(0, 16384, 512, {noteOnAt(0, 14, 60)});
    for (long j = 0; j < 16384; ++j) {
        ASSERT_EQ(h.out[0][j], 0.0f);
    }
    h.slot(0).active = 1;
    h.render(16384, 24000, 512);
    // Steps 3 and 4 start where they would have started without the mute.
    EXPECT_NEAR(h.out[0][firstFrameOf(3 * kStep120)], kFull, 1e-6f);
    EXPECT_EQ(h.out[0][firstFrameOf(4 * kStep120) - 1], 0.0f);
    EXPECT_NEAR(h.out[0][firstFrameOf(4 * kStep120)], kFull, 1e-6f);
    EXPECT_EQ(h.seq().liveVoices, 8);
}

TEST(Patterns, TwoPatternNotesRunSideBySideEachFromItsOwnStart) {
    Harness h(12000);
    fillConstant(h.slot(0), 30000);
    h.slot(0).volume = 1.0f;
    h.row(0, 0).setStep(1, true);
    h.row(2, 0).setStep(1, true);
    h.renderAll(500, {noteOnAt(0, 14, 60), noteOnAt(1000, 14, 62)});
    EXPECT_EQ(onsets(h.out[0], 0, 12000),
              (std::vector<long>{firstFrameOf(kStep120), 1000 + firstFrameOf(kStep120)}));
}

TEST(Patterns, ATempoChangeRetimesTheGridAndTempoSyncedSlots) {
    // 90 BPM: 7350 frames per step.
    Harness h(30000);
    fillConstant(h.slot(0), 30000);
    allStepsOn(h.row(0, 0));
    h.renderAll(512, {noteOnAt(0, 14, 60)}, 90.0f);
    EXPECT_EQ(h.seq().tempo, 90.0f);
    const std::vector<long> found = onsets(h.out[0], 0, 30000);
    EXPECT_EQ(found, (std::vector<long>{7350, 14700, 22050, 29400}));

    // A slot in sync mode set up before any editor window opened: 88200 frames over 16
    // steps is 1.0 per frame at 120 BPM, 0.5 at 60.
    Harness s(12288);
    fillRamp(s.slot(5), 88200);
    s.slot(5).setSync(true, kStep120);
    s.render(0, 4096, 512, {noteOnAt(0, 5, 60)}, 120.0f);
    EXPECT_NEAR(1024.0f * s.out[0][4095] / s.out[1][4095], 4096.0f, 0.05f);
    s.render(4096, 12288, 512, {}, 60.0f);
    EXPECT_FLOAT_EQ(s.slot(5).syncIncrement, 0.5f);
    EXPECT_NEAR(1024.0f * s.out[0][8191] / s.out[1][8191], 4096.0f + 0.5f * 4096.0f, 0.05f);
    // The step tune lane has no say in sync mode.
    Harness p(4096);
    fillRamp(p.slot(5), 88200);
    p.slot(5).setSync(true, kStep120);
    p.row(0, 5).setStep(0, true);
    p.row(0, 5).setLane(Lane::Tune, 0, 1.0f);
    p.renderAll(512, {noteOnAt(0, 14, 60)}, 120.0f);
    EXPECT_NEAR(1024.0f * p.out[0][3000] / p.out[1][3000], 3000.0f, 0.05f);
}

// Block sizes against the instrument's whole groove with automation: ConformanceTest. Here
// the engine's own step grid, and a slot in sync mode beside it, at one frame a block and at
// over a hundred steps a block.
TEST(Blocks, EveryBoundaryOfAVeryLongBlockStaysOnTheShuffledGrid) {
    // 1000 BPM: 661.5 frames a step, so one long block spans over a hundred steps.
    constexpr long kFrames = 100000;
    const double sps = 44100.0 / 1000.0 * 15.0;
    auto play = [sps](int block) {
        Harness h(kFrames);
        fillConstant(h.slot(0), 30000);
        allStepsOn(h.row(0, 0));
        fillRamp(h.slot(1), 7000);
        h.slot(1).setSync(true, sps);
        h.slot(1).setOutputPair(2);
        allStepsOn(h.row(0, 1));
        h.seq().shuffleAmount = 0.5f;
        h.renderAll(block, {noteOnAt(0, 14, 60)}, 1000.0f);
        return h;
    };
    const Harness whole = play(static_cast<int>(kFrames));
    const Harness tiny = play(1);
    const Harness mid = play(4096);
    std::vector<long> expected;
    for (int n = 1;; ++n) {
        const int loops = n / 16; // the pattern loops every 16 steps
        const double start = loops * 16 * sps + stepStart(n % 16, sps, 0.5);
        if (start >= kFrames) {
            break;
        }
        expected.push_back(firstFrameOf(start));
    }
    EXPECT_EQ(onsets(whole.out[0], 0, kFrames), expected);
    ASSERT_GT(whole.energy(2, 0, kFrames), 1.0);
    for (const int o : {0, 2}) {
        for (long k = 0; k < kFrames; ++k) {
            ASSERT_EQ(whole.out[o][k], tiny.out[o][k]) << o << " at " << k;
            ASSERT_EQ(whole.out[o][k], mid.out[o][k]) << o << " at " << k;
        }
    }
}

namespace {

// Eight slots' rows of one pattern side by side: floats and 16-bit values, every filter
// type, lanes on every step, samples shorter than a step, one slot on its own output pair
// and one muted for a while, note voices among the pattern voices, a stop and a restart.
Harness playEightRows(NoteVoiceGroup::Kernel kernel, int block, float tempo) {
    NoteVoiceGroup::use(kernel);
    constexpr long kFrames = 4096L * 16;
    Harness h(kFrames);
    for (int s = 0; s < 8; ++s) {
        Slot& slot = h.slot(s);
        if (s % 3 == 1) {
            fillSine16(slot, 3000 + 1700 * s, 180.0 + 61.0 * s, s == 4, s % 2 == 0 ? 44100 : 22050);
        } else {
            fillSine(slot, 2500 + 2100 * s, 150.0 + 73.0 * s, s % 2 == 0 ? 44100 : 48000);
        }
        slot.filterMode = s % 4;
        slot.freq = 0.2f + 0.1f * s;
        slot.res = 0.1f * s;
        slot.pan = 0.12f * s;
        slot.volume = 0.5f + 0.05f * s;
        slot.setOutputPair(s == 6 ? 2 : 1);
        PatternRow& row = h.row(0, s);
        for (int i = 0; i < 16; ++i) {
            row.setStep(i, (i + s) % 4 != 0);
            row.setLane(Lane::Vol, i, 0.4f + 0.03f * i);
            row.setLane(Lane::Tune, i, ((i + s) * 7 % 16) / 15.0f);
            row.setLane(Lane::Freq, i, ((i + s) * 5 % 16) / 15.0f);
            row.setLane(Lane::Res, i, (i * 3 % 16) / 15.0f);
            row.setLane(Lane::Pan, i, (i * 11 % 16) / 15.0f);
        }
    }
    h.seq().shuffleAmount = 0.4f;
    const std::vector<MidiAt> events = {
        noteOnAt(0, 14, 60),          noteOnAt(2500, 2, 64),       noteOnAt(9000, 5, 50),
        noteOffAt(4096L * 6, 14, 60), noteOnAt(4096L * 8, 14, 60), noteOnAt(4096L * 9, 7, 58),
    };
    h.render(0, 4096L * 4, block, events, tempo);
    h.slot(3).active = 0;
    h.render(4096L * 4, 4096L * 5, block, events, tempo);
    h.slot(3).active = 1;
    h.render(4096L * 5, kFrames, block, events, tempo);
    NoteVoiceGroup::use(NoteVoiceGroup::best());
    return h;
}

} // namespace

// Pattern voices side by side sound bit for bit as rendered one after another; at 1000 BPM
// a step lasts 662 frames, so several boundaries fall into one block.
TEST(PatternGroups, EveryKernelSoundsBitForBitAsOneAfterAnother) {
    for (const auto& [block, tempo] :
         {std::pair{4096, 150.0f}, std::pair{97, 150.0f}, std::pair{4096, 1000.0f}}) {
        SCOPED_TRACE(testing::Message() << "tempo " << tempo);
        const Harness reference = playEightRows(NoteVoiceGroup::Kernel::Scalar, block, tempo);
        ASSERT_GT(reference.energy(0, 0, 4096L * 16), 1.0);
        ASSERT_GT(reference.energy(2, 0, 4096L * 16), 0.1);
        for (const auto kernel : {NoteVoiceGroup::Kernel::Sse2, NoteVoiceGroup::Kernel::Avx2}) {
            if (!NoteVoiceGroup::runs(kernel)) {
                continue;
            }
            const Harness h = playEightRows(kernel, block, tempo);
            for (int o = 0; o < 4; ++o) {
                for (long k = 0; k < 4096L * 16; ++k) {
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(h.out[o][k]),
                              std::bit_cast<std::uint32_t>(reference.out[o][k]))
                        << "kernel " << static_cast<int>(kernel) << " block " << block << " output "
                        << o << " frame " << k;
                }
            }
        }
    }
}
