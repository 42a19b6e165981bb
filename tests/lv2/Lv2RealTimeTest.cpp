// The LV2 plug-in's audio thread keeps the real-time promise: run() rendering the instrument
// with MIDI, tempo, patch messages, control changes and replies, and the worker's responses,
// allocate nothing and take no lock inside the loaded library (tests/support/AllocationCounter
// counts for the whole process, plug-ins included; under a sanitizer without the locks).
#include "formats/lv2/PluginUris.hpp"
#include "tests/support/AllocationCounter.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

using namespace quovent::test;
using quovent::lv2::PluginUris;

namespace {

TEST(Lv2RealTime, RunAndTheWorkersResponsesAllocateNothingAndNeverLock) {
    Lv2TestHost host;
    const auto instance = Lv2TestInstance::create(host);
    ASSERT_NE(instance, nullptr);
    ScratchDirectory files("quovent-lv2-rt");
    const std::string kick = (files.path() / "kick.wav").string();
    TestWav::decayingSquare(20000, 20000, 30).write(kick);
    const std::string slot3 = PluginUris::property(3);

    // The counters reach into the library: the worker's half allocates, as it may.
    instance->input().patchSet(0, slot3, kick);
    instance->runPlugin(64);
    const auto work = AllocationCounter::during([&] { instance->performWork(); });
    EXPECT_GT(work.allocations, 0);
    if (AllocationCounter::countsLocks()) {
        EXPECT_GT(work.locks, 0);
    }
    instance->deliverResponses();
    instance->collectOutput();

    for (int round = 0; round < 50; ++round) {
        AtomSequenceBuilder& in = instance->input();
        for (int n = 0; n < 40; ++n) {
            in.midi(n, {static_cast<std::uint8_t>(0x90 | (n % 16)),
                        static_cast<std::uint8_t>(36 + n), 100});
        }
        in.tempo(0, 90.0f + static_cast<float>(round));
        in.patchSet(3, slot3, round % 2 ? kick : (files.path() / "missing.wav").string());
        in.patchGet(5);
        in.midi(100000, {0x80, 36, 0}); // clamped into the block
        instance->setControl("slot2_tune", 0.01f * static_cast<float>(round));
        instance->setControl("slot1_filter", static_cast<float>(round % 4));
        const auto block = AllocationCounter::during([&] { instance->runPlugin(512); });
        EXPECT_EQ(block, AllocationCounter::Counts{}) << "round " << round;
        instance->performWork();
        const auto responses = AllocationCounter::during([&] { instance->deliverResponses(); });
        EXPECT_EQ(responses, AllocationCounter::Counts{}) << "round " << round;
        instance->collectOutput();
    }
    EXPECT_FALSE(instance->takeReplies().empty());
    float peak = 0.0f; // the blocks measured were the instrument's, sounding
    for (int o = 0; o < 12; ++o) {
        for (const float v : instance->output(o)) {
            peak = std::max(peak, std::fabs(v));
        }
    }
    EXPECT_GT(peak, 0.0f);
}

} // namespace
