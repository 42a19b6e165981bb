// Note voices rendered side by side must sound bit for bit as when rendered one after
// another: every setting that changes the per-voice path (filter types, pans, output
// pairs, lengths, stops, mutes, late starts, shared or aliased buffers) is mixed here.
#include "EngineHarness.hpp"

#include "engine/NoteRatioTable.hpp"
#include "engine/NoteVoiceGroup.hpp"
#include "engine/NoteVoiceRenderer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <numbers>

using namespace quovent;
using namespace quovent::test;

namespace {

struct Scene {
    static constexpr int kBlock = 512;
    static constexpr int kBlocks = 24;
    static constexpr long kFrames = static_cast<long>(kBlock) * kBlocks;

    Scene() : h(kFrames) {}

    // Voices as MIDI would build them, on slots 0..count-1, all on output pair `pair`
    // (0: each slot its own pair), filter mode `mode` on every slot (-1: mode s % 4 on slot s).
    void setUp(int count, int pair, int mode = -1) {
        for (int s = 0; s < count; ++s) {
            Slot& slot = h.slot(s);
            // Lanes that read floats beside lanes that read 16-bit values (mono for slot 3).
            // Slot 4 falls silent early on, so that its filter's output dies out to denormals
            // and 0; slot 6 now and then runs its filter away (a loud click, or not a number).
            const int frames = 3000 + 2500 * s;
            const std::uint32_t rate = s % 2 == 0 ? 44100 : 22050;
            if (s % 4 == 1 || s % 4 == 3) {
                fillSine16(slot, frames, 150.0 + 97.0 * s, s % 4 == 3, rate);
            } else {
                fillSample(slot, frames, rate, [s, frames, rate](int i) {
                    const auto v = static_cast<float>(
                        std::sin(2.0 * std::numbers::pi * (150.0 + 97.0 * s) * i / rate));
                    const int phase = i % 4096;
                    if (s == 6 && phase < 4) {
                        return std::array<float, 2>{1e6f * v, 1e6f * v};
                    }
                    if (s == 6 && phase >= 2048 && phase < 2052) { // on either side in turn
                        return i / 4096 % 2 == 0 ? std::array<float, 2>{NAN, v}
                                                 : std::array<float, 2>{v, NAN};
                    }
                    const float x = s == 4 && i > frames / 8 ? 0.0f : v;
                    return std::array<float, 2>{x, x};
                });
            }
            slot.filterMode = mode < 0 ? s % 4 : mode;
            slot.freq = 0.25f + 0.15f * s;
            slot.res = 0.2f * s;
            slot.pan = 0.1f + 0.27f * s;
            slot.volume = 0.4f + 0.1f * s;
            slot.length = s == 2 ? 0.3f : 1.0f;
            slot.setOutputPair(pair == 0 ? s % 6 + 1 : pair);
            Voice v;
            v.slot = s;
            v.channel = s;
            v.note = 60 + s;
            v.pitchRatio = NoteRatioTable::ratio(55 + 3 * s);
            v.velocityGain = (70.0f + 15.0f * s) / 254.0f;
            for (VoiceFilter* f : {&v.filterLeft, &v.filterRight}) {
                f->setType(VoiceFilter::typeForMode(slot.filterMode));
            }
            voices.push_back(v);
        }
    }

    std::vector<Voice> voices;
    Harness h;
};

// Renders the scene's voices block by block, either as runs or one by one. Between blocks
// the same things happen to both: a voice is stopped, a slot muted and unmuted.
void play(Scene& scene, bool asRun, std::vector<float*> outputs, std::vector<Voice>& voices,
          std::vector<bool>& ended) {
    const int n = static_cast<int>(voices.size());
    ended.assign(n, false);
    for (int b = 0; b < Scene::kBlocks; ++b) {
        if (b == 6) {
            voices[1].stopCountdown = 2500;
        }
        if (n > 3) {
            scene.h.slot(3).active = b >= 3 && b < 5 ? 0 : 1;
        }
        std::array<float*, 12> ptrs{};
        for (int i = 0; i < 12; ++i) {
            ptrs[i] = outputs[i] + static_cast<long>(b) * Scene::kBlock;
        }
        BlockContext block;
        block.outputs = ptrs.data();
        block.frames = Scene::kBlock;
        Voice* live[NoteVoiceRenderer::kMaxRun];
        const Slot* slots[NoteVoiceRenderer::kMaxRun];
        int idx[NoteVoiceRenderer::kMaxRun];
        int count = 0;
        for (int i = 0; i < n; ++i) {
            if (!ended[i]) {
                idx[count] = i;
                live[count] = &voices[i];
                slots[count] = &scene.h.slot(voices[i].slot);
                ++count;
            }
        }
        if (asRun) {
            bool done[NoteVoiceRenderer::kMaxRun] = {};
            NoteVoiceRenderer::renderRun(live, slots, done, count, block);
            for (int j = 0; j < count; ++j) {
                ended[idx[j]] = done[j];
            }
        } else {
            for (int j = 0; j < count; ++j) {
                ended[idx[j]] = NoteVoiceRenderer::render(*live[j], *slots[j], block);
            }
        }
    }
}

// lastPitch: a pitch ratio for the last voice instead of its note's (0: the note's); mode as
// for Scene::setUp.
void expectSameAsOneByOne(int count, int pair, bool aliasedOutputs, int lateStart,
                          float lastPitch = 0.0f, int mode = -1) {
    SCOPED_TRACE(testing::Message() << count << " voices, pair " << pair << ", aliased "
                                    << aliasedOutputs << ", late start " << lateStart
                                    << ", last pitch " << lastPitch << ", mode " << mode);
    Scene scene;
    scene.setUp(count, pair, mode);
    if (lastPitch != 0.0f) {
        scene.voices.back().pitchRatio = lastPitch;
    }
    scene.voices[0].startDelta = lateStart;
    std::vector<Voice> runVoices = scene.voices;
    std::vector<Voice> oneVoices = scene.voices;

    std::vector<std::vector<float>> runOut(12, std::vector<float>(Scene::kFrames, 0.0f));
    std::vector<std::vector<float>> oneOut = runOut;
    std::vector<float*> runPtrs;
    std::vector<float*> onePtrs;
    for (int i = 0; i < 12; ++i) {
        // Aliased: a host handing every output the same buffer.
        runPtrs.push_back(runOut[aliasedOutputs ? 0 : i].data());
        onePtrs.push_back(oneOut[aliasedOutputs ? 0 : i].data());
    }
    std::vector<bool> runEnded;
    std::vector<bool> oneEnded;
    play(scene, true, runPtrs, runVoices, runEnded);
    play(scene, false, onePtrs, oneVoices, oneEnded);

    EXPECT_EQ(runEnded, oneEnded);
    for (int o = 0; o < 12; ++o) {
        for (long k = 0; k < Scene::kFrames; ++k) {
            // Bit for bit: equal values with different bits (-0 and +0) count as different.
            ASSERT_EQ(std::bit_cast<std::uint32_t>(runOut[o][k]),
                      std::bit_cast<std::uint32_t>(oneOut[o][k]))
                << "output " << o << " frame " << k;
        }
    }
    EXPECT_TRUE(std::any_of(runOut[0].begin(), runOut[0].end(), [](float x) { return x != 0; }));
    for (int i = 0; i < count; ++i) {
        if (!runEnded[i]) {
            EXPECT_EQ(runVoices[i].position, oneVoices[i].position) << i;
            EXPECT_EQ(runVoices[i].gain, oneVoices[i].gain) << i;
            EXPECT_EQ(runVoices[i].filterLeft.y1, oneVoices[i].filterLeft.y1) << i;
        }
    }
}

// Chooses the kernel renderRun uses for the test's scope.
struct UsingKernel {
    explicit UsingKernel(NoteVoiceGroup::Kernel kernel) { NoteVoiceGroup::use(kernel); }
    ~UsingKernel() { NoteVoiceGroup::use(NoteVoiceGroup::best()); }
    UsingKernel(const UsingKernel&) = delete;
    UsingKernel& operator=(const UsingKernel&) = delete;
};

std::vector<NoteVoiceGroup::Kernel> kernelsHere() {
    const auto all = {NoteVoiceGroup::Kernel::Scalar, NoteVoiceGroup::Kernel::Sse2,
                      NoteVoiceGroup::Kernel::Avx2};
    std::vector<NoteVoiceGroup::Kernel> kernels;
    std::copy_if(all.begin(), all.end(), std::back_inserter(kernels), NoteVoiceGroup::runs);
    return kernels;
}

} // namespace

// Eight voices on floats and 16-bit values, of different rates, pitches, lengths (they end in
// the middle of blocks, one after another), stops, volumes, pans and filters (mixed, none,
// all band-pass): every kernel the processor runs, at every group size up to its lanes,
// sounds as one voice after another, on one shared pair, a pair per voice or one buffer for
// all.
TEST(NoteGroups, EveryKernelSoundsBitForBitAsOneAfterAnother) {
    ASSERT_TRUE(NoteVoiceGroup::runs(NoteVoiceGroup::best()));
    EXPECT_GE(kernelsHere().size(), 2u); // SSE2 is the baseline of every build
    for (const NoteVoiceGroup::Kernel kernel : kernelsHere()) {
        SCOPED_TRACE(testing::Message() << "kernel " << static_cast<int>(kernel));
        const UsingKernel using_(kernel);
        for (const int count : {2, 3, 4, 5, 8}) {
            expectSameAsOneByOne(count, 1, false, 0);
            expectSameAsOneByOne(count, 0, false, 0);
            expectSameAsOneByOne(count, 2, true, 0);
            expectSameAsOneByOne(count, 1, false, 300);
        }
        for (const int pair : {0, 1}) {
            for (const int mode : {0, 2}) {
                expectSameAsOneByOne(8, pair, false, 0, 0.0f, mode);
            }
            // The last voice far above its sample's pitch: at a ratio of 12 it skips six frames
            // of its sample per output frame, at 40 twenty (too many to copy ahead for it).
            for (const float pitch : {12.0f, 40.0f}) {
                expectSameAsOneByOne(8, pair, false, 0, pitch);
            }
        }
    }
}

// A group's lanes end at different frames of one block (a voice's sample runs out, another
// is cut by its stop countdown); the ones left go on, and the ended ones add nothing more.
TEST(NoteGroups, VoicesEndingInsideABlockLeaveTheOthersPlaying) {
    for (const NoteVoiceGroup::Kernel kernel : kernelsHere()) {
        SCOPED_TRACE(testing::Message() << "kernel " << static_cast<int>(kernel));
        Scene scene;
        scene.setUp(NoteVoiceGroup::lanes(kernel) > 1 ? NoteVoiceGroup::lanes(kernel) : 4, 1);
        const int n = static_cast<int>(scene.voices.size());
        std::vector<NoteLane> lanes(n);
        std::vector<float> left(Scene::kBlock, 0.0f);
        std::vector<float> right(Scene::kBlock, 0.0f);
        std::array<float*, 12> ptrs{};
        ptrs[0] = left.data();
        ptrs[1] = right.data();
        BlockContext block;
        block.outputs = ptrs.data();
        block.frames = Scene::kBlock;
        block.hostRate = 44100.0f;
        for (int i = 0; i < n; ++i) {
            // Voice 0 runs out of sample at frame 100, voice 1's stop ends it at frame 200
            // (the fade starts at once), the others play on.
            Voice& v = scene.voices[i];
            v.pitchRatio = 1.0f;
            scene.h.slot(i).sample.setSampleRate(44100);
            if (i == 0) {
                v.position = static_cast<float>(scene.h.slot(0).sample.frameCount() - 100);
            }
            if (i == 1) {
                v.stopCountdown = 200;
            }
            ASSERT_TRUE(lanes[i].prepare(v, scene.h.slot(i), block));
        }
        bool ended[NoteVoiceGroup::kMaxLanes] = {};
        NoteVoiceGroup::render(kernel, lanes.data(), ended, n, Scene::kBlock);
        EXPECT_TRUE(ended[0]);
        EXPECT_TRUE(ended[1]);
        for (int i = 2; i < n; ++i) {
            EXPECT_FALSE(ended[i]) << i;
        }
        // Only the voices still playing reach the last frames; with all of them muted
        // nothing would be there.
        EXPECT_NE(left[Scene::kBlock - 1], 0.0f);
    }
}

TEST(NoteGroups, FilterPumpedByCutoffAutomationRestartsFromSilence) {
    // Four note voices side by side (one group), each with a resonant filter whose cutoff
    // host automation flips between its ends every frame at 8 kHz: the sections used to pump
    // themselves up to infinity within a few hundred frames. Each now stays within
    // +24 dBFS, so the four together stay within four times that.
    for (const int mode : {1, 2, 3}) {
        constexpr long kFrames = 6000;
        Harness h(kFrames);
        std::vector<MidiAt> events;
        for (int s = 0; s < 4; ++s) {
            fillSample(h.slot(s), kFrames, 8000, [](int i) {
                const float v = (i / 5) % 2 == 0 ? 1.0f : -1.0f;
                return std::array<float, 2>{v, v};
            });
            h.slot(s).filterMode = mode;
            h.slot(s).res = 1.0f;
            h.slot(s).volume = 1.0f;
            events.push_back(noteOnAt(0, s, 60));
        }
        for (long f = 0; f < kFrames; ++f) {
            for (int s = 0; s < 4; ++s) {
                h.slot(s).freq = f % 2 == 0 ? 0.0f : 1.0f;
            }
            h.render(f, f + 1, 1, events, 0.0f, 8000.0f);
        }
        for (int o = 0; o < Harness::kOutputs; ++o) {
            for (long f = 0; f < kFrames; ++f) {
                const float y = h.out[o][f];
                ASSERT_TRUE(std::isfinite(y)) << "mode " << mode << " frame " << f;
                ASSERT_LE(std::fabs(y), 4.0f * VoiceFilter::kRunawayLevel)
                    << "mode " << mode << " output " << o << " frame " << f;
            }
        }
    }
}
