// The editor thread and the audio thread on one sequencer at once, as the host runs them:
// the editor posts play requests and edits slots, rows and samples while blocks render.
// Run under ThreadSanitizer (ctest label "threaded") this proves every shared value is
// handed over without a data race.
#include "EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quovent;
using namespace quovent::test;

TEST(Threads, EditorEditsWhileBlocksRender) {
    Harness h(512);
    for (int s = 0; s < 8; ++s) {
        fillSine(h.slot(s), 8000, 300.0 + 40 * s);
        h.row(0, s).setStep(0, true);
    }
    Sequencer& seq = h.seq();
    std::atomic<bool> done{false};
    std::atomic<long> blocks{0};

    std::thread audio([&] {
        std::array<float*, 12> ptrs{};
        for (int i = 0; i < 12; ++i) {
            ptrs[i] = h.out[i].data();
        }
        int n = 0;
        while (!done.load()) {
            seq.midiEvent(n % 256, static_cast<std::uint8_t>(0x90 | (n % 8)), 60 + n % 12, 100);
            seq.midiEvent(0, static_cast<std::uint8_t>(0x80 | ((n + 3) % 8)), 60 + n % 12, 0);
            seq.renderBlock(ptrs.data(), 256, n % 500 == 0 ? 140.0f : 120.0f, 44100.0f);
            ++n;
            blocks.fetch_add(1);
        }
    });

    long lastBlocks = 0;
    for (int i = 0; i < 3000; ++i) {
        const int pattern = i % 24;
        seq.patterns().selectKey(pattern % 12);
        seq.patterns().selectBank(pattern / 12);
        seq.requestPlay(pattern);
        Slot& slot = seq.slots().slot(i % 8);
        slot.volume = (i % 10) / 10.0f;
        slot.pan = (i % 7) / 7.0f;
        slot.tune = (i % 5) / 5.0f;
        slot.freq = (i % 9) / 9.0f;
        slot.res = (i % 4) / 4.0f;
        slot.length = 0.5f + (i % 3) / 6.0f;
        slot.filterMode = i % 4;
        slot.setOutputPair(i % 6 + 1);
        slot.toggleActive();
        slot.setSync(i % 2 == 0, seq.samplesPerStep(44100.0f));
        slot.sample.setFrame(i % 8000, 0.1f, -0.1f);
        slot.sample.setFrameCount(4000 + i % 4000);
        seq.shuffleAmount = (i % 11) / 10.0f;
        PatternRow& row = seq.patterns().row(pattern, i % 8);
        row.setStep(i % 16, i % 3 != 0);
        row.setLane(i % 5, i % 16, (i % 13) / 12.0f);
        (void)slot.lamp.load();
        (void)seq.liveVoices.load();
        (void)seq.tempo.load();
        if (i % 2 == 0) {
            seq.requestStop();
        }
        (void)seq.playing.load();
        if (i % 100 == 0) {
            // Let the audio thread catch up now and then, so requests are taken both one by
            // one and after several were replaced.
            while (blocks.load() == lastBlocks) {
                std::this_thread::yield();
            }
            lastBlocks = blocks.load();
        }
    }
    done = true;
    audio.join();
    for (const auto& o : h.out) {
        for (const float x : o) {
            ASSERT_TRUE(std::isfinite(x));
        }
    }
}
