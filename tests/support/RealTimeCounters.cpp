#include "tests/support/RealTimeCounters.hpp"

#include <atomic>
#include <cstddef>
#include <cstdlib>
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
thread_local bool countingHere = false;
std::atomic<long> allocations{0};
std::atomic<long> locks{0};
} // namespace

#ifndef QUOVENT_SANITIZED
#include <dlfcn.h>
#include <pthread.h>

// Default visibility: a library loaded at run time must find these in the program.
#define QUOVENT_EXPORTED __attribute__((visibility("default")))

namespace {
void* counted(std::size_t n, std::size_t align = 0) {
    if (countingHere) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    const std::size_t size = n == 0 ? 1 : n;
    void* p = align > alignof(std::max_align_t)
                  ? std::aligned_alloc(align, (size + align - 1) / align * align)
                  : std::malloc(size);
    return p;
}
void* orThrow(void* p) {
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
} // namespace

QUOVENT_EXPORTED void* operator new(std::size_t n) {
    return orThrow(counted(n));
}
QUOVENT_EXPORTED void* operator new[](std::size_t n) {
    return orThrow(counted(n));
}
QUOVENT_EXPORTED void* operator new(std::size_t n, std::align_val_t a) {
    return orThrow(counted(n, static_cast<std::size_t>(a)));
}
QUOVENT_EXPORTED void* operator new[](std::size_t n, std::align_val_t a) {
    return orThrow(counted(n, static_cast<std::size_t>(a)));
}
QUOVENT_EXPORTED void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
QUOVENT_EXPORTED void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
QUOVENT_EXPORTED void operator delete(void* p) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete[](void* p) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
QUOVENT_EXPORTED void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

extern "C" QUOVENT_EXPORTED int pthread_mutex_lock(pthread_mutex_t* m) {
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (countingHere) {
        locks.fetch_add(1, std::memory_order_relaxed);
    }
    return real(m);
}
#endif

namespace quovent::test {

bool realTimeCountingAvailable() noexcept {
#ifdef QUOVENT_SANITIZED
    return false;
#else
    return true;
#endif
}

void startCountingThisThread() noexcept {
    allocations = 0;
    locks = 0;
    countingHere = true;
}

RealTimeCount stopCountingThisThread() noexcept {
    countingHere = false;
    return {allocations.load(), locks.load()};
}

} // namespace quovent::test
