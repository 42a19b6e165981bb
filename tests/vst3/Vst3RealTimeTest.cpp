// The process call keeps the real-time promise: blocks with notes, automation and a process
// context allocate, free and lock nothing, in the loaded module (tests/support/
// AllocationCounter counts for the whole process, plug-ins included).
#include "instrument/ParameterTable.hpp"
#include "tests/support/AllocationCounter.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <mutex>

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
