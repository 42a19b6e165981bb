// The audio thread keeps its real-time promise while a host thread restores and saves the
// state: rendering and MIDI on the audio thread allocate nothing, free nothing and take no
// lock, however often the state is replaced under them. The allocation counter watches the
// audio thread only (the restoring thread allocates and locks, as it may).
#include "ChunkTestSupport.hpp"
#include "formats/vst2/PluginMain.hpp"
#include "tests/support/AllocationCounter.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace quovent::test {
namespace {

vst::VstTimeInfo timeInfo{};

std::intptr_t QUOVENT_VSTCALL timeHost(vst::AEffect*, std::int32_t opcode, std::int32_t,
                                       std::intptr_t, void*, float) {
    if (opcode == vst::audioMasterVersion) {
        return 2400;
    }
    return opcode == vst::audioMasterGetTime ? reinterpret_cast<std::intptr_t>(&timeInfo) : 0;
}

TEST(ChunkRealTime, TheAudioThreadNeitherAllocatesNorLocksWhileTheStateIsReplaced) {
    // The counters see this thread's allocations and locks.
    {
        std::mutex m;
        int* volatile kept = nullptr; // volatile: the compiler may not drop the pair
        const AllocationCounter::Counts c = AllocationCounter::during([&] {
            kept = new int(1);
            delete kept;
            m.lock();
            m.unlock();
        });
        ASSERT_EQ(c.allocations, 1);
        if (AllocationCounter::countsLocks()) {
            ASSERT_EQ(c.locks, 1);
        }
    }
    timeInfo.tempo = 140.0;
    timeInfo.flags = vst::kVstTempoValid;
    ScratchDir dir;
    std::string state = richState(dir.path());
    vst::AEffect* effect = pluginMain(&timeHost);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);

    std::atomic<bool> done{false};
    std::atomic<int> restores{0};
    std::thread host([&] {
        while (!done) {
            if (effect->dispatcher(effect, vst::effSetChunk, 0,
                                   static_cast<std::intptr_t>(state.size()), state.data(),
                                   0.0f) == 1) {
                ++restores;
            }
            void* data = nullptr;
            effect->dispatcher(effect, vst::effGetChunk, 0, 0, static_cast<void*>(&data), 0.0f);
        }
    });

    // Events and buffers are made before counting starts.
    AudioBuffers out(256);
    EventList on{{0, 0x9e, 73, 100}, {3, 0x9e, 60, 100}, {5, 0x90, 48, 90}, {7, 0x99, 62, 90}};
    EventList off{{0, 0x8e, 73, 0}, {0, 0x8e, 60, 0}, {0, 0x80, 48, 0}};
    vst::VstEvents* const onList = on.events();
    vst::VstEvents* const offList = off.events();
    AllocationCounter audioThread;
    for (int block = 0; block < 400000 && (block < 400 || restores < 5); ++block) {
        if (block % 100 == 0) {
            effect->dispatcher(effect, vst::effProcessEvents, 0, 0, onList, 0.0f);
        }
        if (block % 100 == 60) {
            effect->dispatcher(effect, vst::effProcessEvents, 0, 0, offList, 0.0f);
        }
        effect->processReplacing(effect, nullptr, out.outputs(), out.frames());
        effect->process(effect, nullptr, out.outputs(), out.frames());
    }
    const AllocationCounter::Counts c = audioThread.stop();
    done = true;
    host.join();
    EXPECT_GE(restores.load(), 5) << "the state was replaced while the blocks rendered";
    EXPECT_EQ(c.allocations, 0);
    EXPECT_EQ(c.frees, 0);
    EXPECT_EQ(c.locks, 0);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

} // namespace
} // namespace quovent::test
