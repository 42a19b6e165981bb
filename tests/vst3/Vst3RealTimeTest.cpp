// The process call keeps the real-time promise: blocks with notes, automation and a process
// context allocate nothing and take no lock, in the loaded module. The counters replace
// operator new and interpose pthread_mutex_lock for this program (tests/support/
// RealTimeCounter); under a sanitizer the test is skipped.
#include "instrument/ParameterTable.hpp"
#include "tests/support/RealTimeCounter.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <mutex>

using namespace quovent::test;

TEST(Vst3RealTime, ProcessNeitherAllocatesNorLocks) {
    if (!RealTimeCounter::available()) {
        GTEST_SKIP() << "the sanitizer runtime owns operator new and pthread_mutex_lock";
    }
    {
        // The counters see this thread's allocations and locks.
        std::mutex m;
        RealTimeCounter counter;
        int* volatile kept = new int(1); // volatile: the pair is not optimised away
        delete kept;
        m.lock();
        m.unlock();
        ASSERT_EQ(counter.allocations(), 1);
        ASSERT_EQ(counter.locks(), 1);
    }
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
    RealTimeCounter counter;
    for (int block = 0; block < 200; ++block) {
        plugin.processAtTempo(out, 100.0 + block, &events);
        plugin.process(out, &events, &changes);
    }
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(counter.locks(), 0);
}
