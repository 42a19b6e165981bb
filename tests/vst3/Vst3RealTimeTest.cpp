// The process call keeps the real-time promise: blocks with notes, automation and a process
// context allocate, free and lock nothing, in the loaded module (tests/support/
// AllocationCounter counts for the whole process, plug-ins included).
#include "instrument/ParameterTable.hpp"
#include "tests/support/AllocationCounter.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

using namespace quovent::test;

TEST(Vst3RealTime, ProcessNeitherAllocatesNorLocks) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(44100.0, 256), quovent::vst3::kResultOk);
    // Everything a block hands over is made before counting starts.
    Vst3OutputBuffers out(256);
    Vst3EventList events;
    events.add(Vst3EventList::noteOn(0, 14, 60, 1.0f));
    events.add(Vst3EventList::noteOn(3, 9, 36, 0.8f));
    events.add(Vst3EventList::noteOff(200, 0, 48));
    Vst3ParameterChanges changes;
    changes.add(quovent::ParameterTable::kShuffle, 0, 0.3);
    changes.add(101, 100, 0.9);
    const auto counts = AllocationCounter::during([&] {
        for (int block = 0; block < 200; ++block) {
            plugin.processAtTempo(out, 100.0 + block, &events);
            plugin.process(out, &events, &changes);
        }
    });
    EXPECT_EQ(counts, AllocationCounter::Counts{});
}

// With the demo groove's samples playing, automation splitting blocks, notes on every kind
// of channel and blocks of no frames.
TEST(Vst3RealTime, ASoundingGrooveNeitherAllocatesNorLocks) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(44100.0, 256), quovent::vst3::kResultOk);
    ASSERT_EQ(plugin.setState(quovent::test::absoluteDemoGroove(QUOVENT_DEMO_DIR)),
              quovent::vst3::kResultOk);
    Vst3OutputBuffers out(256);
    Vst3OutputBuffers none(0);
    Vst3EventList events;
    events.add(Vst3EventList::noteOn(0, 14, 61, 1.0f));
    events.add(Vst3EventList::noteOn(10, 9, 60, 1.0f));
    events.add(Vst3EventList::noteOn(70, 0, 64, 0.5f));
    events.add(Vst3EventList::noteOff(250, 0, 64));
    Vst3ParameterChanges changes;
    const auto volume = quovent::ParameterTable::slotParameter(0, quovent::SlotField::Volume);
    for (int point = 0; point < 8; ++point) {
        changes.add(volume, point * 32, 0.2 + 0.1 * point);
        changes.add(quovent::ParameterTable::kShuffle, 255 - point * 30, 0.1 * point);
    }
    float loudest = 0.0f;
    const auto counts = AllocationCounter::during([&] {
        for (int block = 0; block < 300; ++block) {
            plugin.process(out, &events, block % 3 == 0 ? &changes : nullptr);
            plugin.process(none, nullptr, &changes);
            for (int i = 0; i < out.frames(); ++i) {
                loudest = std::max(loudest, std::fabs(out.channel(0)[i]));
            }
        }
    });
    EXPECT_EQ(counts, AllocationCounter::Counts{});
    EXPECT_GT(loudest, 0.05f);
}
