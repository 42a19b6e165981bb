// The audio path's real-time promise: rendering blocks, handling MIDI and carrying out the
// editor's play requests allocate nothing, free nothing and take no lock, as the allocation
// counter sees it on the audio thread (under a sanitizer it counts allocations only).
#include "EngineHarness.hpp"
#include "tests/support/AllocationCounter.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>

using namespace quovent;
using namespace quovent::test;

namespace {

int* volatile sink = nullptr;
void* volatile cSink = nullptr;

} // namespace

TEST(RealTime, TheCountersSeeAllocationsAndLocksOfTheRuntimeLibrariesOnTheirOwnThread) {
    std::string text;
    std::mutex plain;
    std::timed_mutex timed;
    std::shared_mutex shared;
    const AllocationCounter::Counts c = AllocationCounter::during([&] {
        sink = new int(3);
        delete sink;
        { const std::lock_guard<std::mutex> hold(plain); }
        text.reserve(1000); // inside the C++ library
        cSink = strdup("inside the C library");
        std::free(cSink);
        cSink = std::calloc(3, 8);
        cSink = std::realloc(cSink, 4096);
        std::free(cSink);
        if (timed.try_lock()) {
            timed.unlock();
        }
        const std::shared_lock<std::shared_mutex> read(shared);
    });
    EXPECT_EQ(c.allocations, 5);
    EXPECT_EQ(c.frees, 4) << "a realloc that keeps its data frees the old block";
    if (AllocationCounter::countsLocks()) {
        EXPECT_EQ(c.locks, 3);
    }

    // Another thread's work is not this thread's; a stopped counter sees no more; an inner
    // counter sees its own scope and the outer one everything.
    std::atomic<int> stage{0};
    std::thread other([&] {
        while (stage.load() != 1) {
        }
        std::mutex m;
        const std::lock_guard<std::mutex> hold(m);
        sink = new int(1);
        delete sink;
        stage = 2;
    });
    AllocationCounter counter;
    stage = 1;
    while (stage.load() != 2) {
    }
    EXPECT_EQ(counter.stop(), AllocationCounter::Counts{});
    sink = new int(2);
    delete sink;
    EXPECT_EQ(counter.counts(), AllocationCounter::Counts{});
    other.join();
    long inner = 0;
    const AllocationCounter::Counts outer = AllocationCounter::during([&] {
        sink = new int(3);
        delete sink;
        inner = AllocationCounter::during([] {
                    sink = new int(4);
                    delete sink;
                }).allocations;
    });
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(outer.allocations, 2);
}

TEST(RealTime, BlocksMidiAndEditorRequestsAllocateNothingAndNeverLock) {
    Harness h(100000);
    for (int s = 0; s < 8; ++s) {
        fillSine(h.slot(s), 20000 + 1000 * s, 200.0 + 50 * s);
        h.slot(s).filterMode = s % 4;
        h.slot(s).setOutputPair(s % 6 + 1);
        for (int i = 0; i < 16; ++i) {
            h.row(0, s).setStep(i, true);
            h.row(1, s).setStep(i, i % 2 == 0);
        }
    }
    h.slot(3).setSync(true, 5512.5);
    // Samples kept as 16-bit values (mono and stereo), and note voices reading on past a
    // play length of 0 while they fade.
    fillSine16(h.slot(4), 30000, 330.0, true);
    fillSine16(h.slot(5), 30000, 440.0, false);
    h.slot(6).length = 0.0f;
    h.seq().shuffleAmount = 0.5f;
    std::array<float*, 12> ptrs{};
    for (int i = 0; i < 12; ++i) {
        ptrs[i] = h.out[i].data();
    }
    Sequencer& seq = h.seq();
    seq.renderBlock(ptrs.data(), 64, 120.0f, 44100.0f); // first block: tempo set up

    const AllocationCounter::Counts c = AllocationCounter::during([&] {
        for (int round = 0; round < 3; ++round) {
            seq.requestPlay(0);
            seq.midiEvent(10, 0x9E, 61, 100);
            for (int n = 0; n < 40; ++n) {
                seq.midiEvent(n, static_cast<std::uint8_t>(0x90 | (n % 14)),
                              static_cast<std::uint8_t>(40 + n), 90);
            }
            seq.midiEvent(0, 0x99, 62, 100);
            seq.midiEvent(0, 0xE0, 0, 64); // pitch bend: ignored
            for (const int frames : {1, 64, 512, 4096, 100000}) {
                seq.renderBlock(ptrs.data(), frames, round == 1 ? 97.0f : 0.0f, 48000.0f);
            }
            for (int n = 0; n < 40; ++n) {
                seq.midiEvent(0, static_cast<std::uint8_t>(0x80 | (n % 14)),
                              static_cast<std::uint8_t>(40 + n), 0);
            }
            seq.requestStop();
            seq.requestPlay(1); // the last request of several counts
            seq.renderBlock(ptrs.data(), 64, 120.0f, 44100.0f);
            seq.requestStop();
            seq.midiEvent(0, 0xB4, 123, 0);
            seq.renderBlock(ptrs.data(), 8192, 120.0f, 44100.0f);
        }
    });
    EXPECT_EQ(c.allocations, 0);
    EXPECT_EQ(c.frees, 0);
    EXPECT_EQ(c.locks, 0);
    EXPECT_EQ(seq.liveVoices, 0); // everything ran and ended
}
