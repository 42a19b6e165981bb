// The audio path's real-time promise: rendering blocks, handling MIDI and carrying out the
// editor's play requests allocate nothing and take no lock. This program replaces the global
// operator new and delete and interposes pthread_mutex_lock to count both while the
// audio-thread work runs. Sanitizer runtimes bring their own versions of these, so under a
// sanitizer the counting is left out and the test skipped.
#include "EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUOVENT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define QUOVENT_SANITIZED 1
#endif
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> locks{0};
} // namespace

#ifndef QUOVENT_SANITIZED
#include <dlfcn.h>
#include <pthread.h>

namespace {
void* countedAlloc(std::size_t n, std::size_t align = 0) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    const std::size_t size = n == 0 ? 1 : n;
    if (align > alignof(std::max_align_t)) {
        return std::aligned_alloc(align, (size + align - 1) / align * align);
    }
    return std::malloc(size);
}
void* orThrow(void* p) {
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
} // namespace

void* operator new(std::size_t n) {
    return orThrow(countedAlloc(n));
}
void* operator new[](std::size_t n) {
    return orThrow(countedAlloc(n));
}
void* operator new(std::size_t n, std::align_val_t a) {
    return orThrow(countedAlloc(n, static_cast<std::size_t>(a)));
}
void* operator new[](std::size_t n, std::align_val_t a) {
    return orThrow(countedAlloc(n, static_cast<std::size_t>(a)));
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return countedAlloc(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return countedAlloc(n);
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
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

extern "C" __attribute__((visibility("default"))) int pthread_mutex_lock(pthread_mutex_t* m) {
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (counting.load(std::memory_order_relaxed)) {
        locks.fetch_add(1, std::memory_order_relaxed);
    }
    return real(m);
}
#endif

using namespace quovent;
using namespace quovent::test;

namespace {

int* volatile sink = nullptr;

struct Counted {
    long allocations;
    long locks;
};

template <typename F> Counted countWhile(F&& work) {
    allocations = 0;
    locks = 0;
    counting = true;
    work();
    counting = false;
    return {allocations.load(), locks.load()};
}

} // namespace

TEST(RealTime, TheCountersSeeAllocationsAndLocks) {
#ifdef QUOVENT_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime owns operator new and pthread_mutex_lock";
#else
    std::mutex m;
    const Counted c = countWhile([&] {
        sink = new int(3);
        delete sink;
        const std::lock_guard<std::mutex> hold(m);
    });
    EXPECT_EQ(c.allocations, 1);
    EXPECT_EQ(c.locks, 1);
#endif
}

TEST(RealTime, BlocksMidiAndEditorRequestsAllocateNothingAndNeverLock) {
#ifdef QUOVENT_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime owns operator new and pthread_mutex_lock";
#else
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

    const Counted c = countWhile([&] {
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
    EXPECT_EQ(c.locks, 0);
    EXPECT_EQ(seq.liveVoices, 0); // everything ran and ended
#endif
}
