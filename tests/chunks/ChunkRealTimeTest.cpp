// The audio thread keeps its real-time promise while a host thread restores and saves the
// state: rendering and MIDI on the audio thread allocate nothing and take no lock, however
// often the state is replaced under them. Allocations and locks are counted per thread (the
// restoring thread allocates and locks, as it may); the program replaces operator new and
// interposes pthread_mutex_lock, so under a sanitizer the test is skipped.
#include "ChunkTestSupport.hpp"
#include "formats/vst2/PluginMain.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUOVENT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define QUOVENT_SANITIZED 1
#endif
#endif

namespace {
[[maybe_unused]] thread_local bool countingHere = false;
std::atomic<long> allocations{0};
std::atomic<long> locks{0};
} // namespace

#ifndef QUOVENT_SANITIZED
#include <dlfcn.h>
#include <pthread.h>

namespace {
void* counted(std::size_t n) {
    if (countingHere) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
} // namespace

void* operator new(std::size_t n) {
    return counted(n);
}
void* operator new[](std::size_t n) {
    return counted(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

extern "C" __attribute__((visibility("default"))) int pthread_mutex_lock(pthread_mutex_t* m) {
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (countingHere) {
        locks.fetch_add(1, std::memory_order_relaxed);
    }
    return real(m);
}
#endif

namespace quovent::test {
namespace {

[[maybe_unused]] vst::VstTimeInfo timeInfo{};

[[maybe_unused]] std::intptr_t QUOVENT_VSTCALL timeHost(vst::AEffect*, std::int32_t opcode,
                                                        std::int32_t, std::intptr_t, void*, float) {
    if (opcode == vst::audioMasterVersion) {
        return 2400;
    }
    return opcode == vst::audioMasterGetTime ? reinterpret_cast<std::intptr_t>(&timeInfo) : 0;
}

TEST(ChunkRealTime, TheAudioThreadNeitherAllocatesNorLocksWhileTheStateIsReplaced) {
#ifdef QUOVENT_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime owns operator new and pthread_mutex_lock";
#else
    // The counters see this thread's allocations and locks.
    {
        std::mutex m;
        countingHere = true;
        delete new int(1);
        m.lock();
        m.unlock();
        countingHere = false;
        ASSERT_EQ(allocations.exchange(0), 1);
        ASSERT_EQ(locks.exchange(0), 1);
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
    countingHere = true;
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
    countingHere = false;
    done = true;
    host.join();
    EXPECT_GE(restores.load(), 5) << "the state was replaced while the blocks rendered";
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(locks.load(), 0);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
#endif
}

} // namespace
} // namespace quovent::test
