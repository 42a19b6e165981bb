#include "tests/support/RealTimeCounter.hpp"

#include <atomic>
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
std::atomic<long> allocationCount{0};
std::atomic<long> lockCount{0};
} // namespace

#ifndef QUOVENT_SANITIZED
#include <dlfcn.h>
#include <pthread.h>

namespace {
void* counted(std::size_t n) {
    if (countingHere) {
        allocationCount.fetch_add(1, std::memory_order_relaxed);
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
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted(n);
    } catch (...) {
        return nullptr;
    }
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
        lockCount.fetch_add(1, std::memory_order_relaxed);
    }
    return real(m);
}
#endif

namespace quovent::test {

bool RealTimeCounter::available() noexcept {
#ifdef QUOVENT_SANITIZED
    return false;
#else
    return true;
#endif
}

RealTimeCounter::RealTimeCounter() noexcept {
    allocationCount = 0;
    lockCount = 0;
    countingHere = true;
}

RealTimeCounter::~RealTimeCounter() {
    countingHere = false;
}

long RealTimeCounter::allocations() const noexcept {
    return allocationCount.load();
}

long RealTimeCounter::locks() const noexcept {
    return lockCount.load();
}

} // namespace quovent::test
