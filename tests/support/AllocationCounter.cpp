// The counting behind AllocationCounter: per-thread tallies, and the process-wide replacements
// (or, under a sanitizer, its allocator hooks) that feed them. The replacements run on every
// thread, before main and during thread start-up too, so they use nothing but the thread's
// own counters, which need no initialisation, and the C library's allocator functions.
#include "tests/support/AllocationCounter.hpp"

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUOVENT_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define QUOVENT_SANITIZER_ALLOCATOR 1
#endif
#endif

namespace quovent::test {

namespace {

struct Tally {
    long allocations;
    long frees;
    long locks;
    int counters; // live counters on the thread
};

// Initial-exec: reaching it never calls into the dynamic loader, which may allocate.
__attribute__((tls_model("initial-exec"))) thread_local Tally tally{};

[[maybe_unused]] void countAllocation() noexcept {
    if (tally.counters > 0) {
        ++tally.allocations;
    }
}

[[maybe_unused]] void countFree(const volatile void* p) noexcept {
    if (p != nullptr && tally.counters > 0) {
        ++tally.frees;
    }
}

[[maybe_unused]] void countLock() noexcept {
    if (tally.counters > 0) {
        ++tally.locks;
    }
}

AllocationCounter::Counts now() noexcept {
    return {tally.allocations, tally.frees, tally.locks};
}

} // namespace

AllocationCounter::AllocationCounter() noexcept : start_(now()) {
    ++tally.counters;
}

AllocationCounter::~AllocationCounter() {
    stop();
}

AllocationCounter::Counts AllocationCounter::counts() const noexcept {
    const Counts until = running_ ? now() : end_;
    return {until.allocations - start_.allocations, until.frees - start_.frees,
            until.locks - start_.locks};
}

AllocationCounter::Counts AllocationCounter::stop() noexcept {
    if (running_) {
        end_ = now();
        running_ = false;
        --tally.counters;
    }
    return counts();
}

} // namespace quovent::test

#ifdef QUOVENT_SANITIZER_ALLOCATOR

// The sanitizer's allocator serves every allocation and tells its hooks.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*,
                                                                              std::size_t),
                                                         void (*onFree)(const volatile void*));

namespace {

void onAllocation(const volatile void* /*p*/, std::size_t /*size*/) {
    quovent::test::countAllocation();
}

void onFree(const volatile void* p) {
    quovent::test::countFree(p);
}

[[maybe_unused]] const bool hooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(&onAllocation, &onFree) != 0;

} // namespace

bool quovent::test::AllocationCounter::countsLocks() noexcept {
    return false;
}

#else

#include <dlfcn.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>

#define QUOVENT_INTERPOSE extern "C" __attribute__((visibility("default")))

// The C library's allocator under the names it keeps for allocators that wrap it.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* p, std::size_t size);
extern "C" void* __libc_memalign(std::size_t alignment, std::size_t size);
extern "C" void __libc_free(void* p);

namespace {

using quovent::test::countAllocation;
using quovent::test::countFree;
using quovent::test::countLock;

std::size_t pageSize() noexcept {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The next definition of a function this program replaces, looked up once. The slot is
// constant-initialised, so no guard (which might take a lock itself) protects it.
template <typename Function> Function next(std::atomic<Function>& slot, const char* name) noexcept {
    Function f = slot.load(std::memory_order_acquire);
    if (f == nullptr) {
        f = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
        if (f == nullptr) {
            std::abort();
        }
        slot.store(f, std::memory_order_release);
    }
    return f;
}

void* allocateForNew(std::size_t size, std::size_t alignment) {
    for (;;) {
        void* p = alignment > alignof(std::max_align_t)
                      ? aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                      : malloc(size == 0 ? 1 : size);
        if (p != nullptr) {
            return p;
        }
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* allocateForNew(std::size_t size, std::size_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateForNew(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

bool quovent::test::AllocationCounter::countsLocks() noexcept {
    return true;
}

// ---- The C library's allocator ---------------------------------------------------------------

QUOVENT_INTERPOSE void* malloc(std::size_t size) noexcept {
    countAllocation();
    return __libc_malloc(size);
}

QUOVENT_INTERPOSE void* calloc(std::size_t count, std::size_t size) noexcept {
    countAllocation();
    return __libc_calloc(count, size);
}

// Counted as the sanitizers' allocators do it: a new block for the size, the old one freed.
QUOVENT_INTERPOSE void* realloc(void* p, std::size_t size) noexcept {
    if (p == nullptr || size != 0) {
        countAllocation();
    }
    countFree(p);
    return __libc_realloc(p, size);
}

QUOVENT_INTERPOSE void* reallocarray(void* p, std::size_t count, std::size_t size) noexcept {
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(p, count * size);
}

QUOVENT_INTERPOSE void free(void* p) noexcept {
    countFree(p);
    __libc_free(p);
}

QUOVENT_INTERPOSE void* memalign(std::size_t alignment, std::size_t size) noexcept {
    countAllocation();
    return __libc_memalign(alignment, size);
}

QUOVENT_INTERPOSE void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    countAllocation();
    return __libc_memalign(alignment, size);
}

QUOVENT_INTERPOSE int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    countAllocation();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}

QUOVENT_INTERPOSE void* valloc(std::size_t size) noexcept {
    countAllocation();
    return __libc_memalign(pageSize(), size);
}

QUOVENT_INTERPOSE void* pvalloc(std::size_t size) noexcept {
    countAllocation();
    const std::size_t page = pageSize();
    return __libc_memalign(page, (size + page - 1) / page * page);
}

// ---- operator new and delete -----------------------------------------------------------------

// Every form of operator new allocates through the counted malloc or aligned_alloc.
#define QUOVENT_NEW(params, args, ...)                                                             \
    void* operator new params __VA_ARGS__ {                                                        \
        return allocateForNew args;                                                                \
    }                                                                                              \
    void* operator new[] params __VA_ARGS__ {                                                      \
        return allocateForNew args;                                                                \
    }

QUOVENT_NEW((std::size_t size), (size, 0))
QUOVENT_NEW((std::size_t size, std::align_val_t a), (size, static_cast<std::size_t>(a)))
QUOVENT_NEW((std::size_t size, const std::nothrow_t& tag), (size, 0, tag), noexcept)
QUOVENT_NEW((std::size_t size, std::align_val_t a, const std::nothrow_t& tag),
            (size, static_cast<std::size_t>(a), tag), noexcept)

// Every form of operator delete frees through the counted free.
#define QUOVENT_DELETE(...)                                                                        \
    void operator delete(void* p __VA_OPT__(, ) __VA_ARGS__) noexcept {                            \
        free(p);                                                                                   \
    }                                                                                              \
    void operator delete[](void* p __VA_OPT__(, ) __VA_ARGS__) noexcept {                          \
        free(p);                                                                                   \
    }

QUOVENT_DELETE()
QUOVENT_DELETE(std::size_t)
QUOVENT_DELETE(std::align_val_t)
QUOVENT_DELETE(std::size_t, std::align_val_t)
QUOVENT_DELETE(const std::nothrow_t&)
QUOVENT_DELETE(std::align_val_t, const std::nothrow_t&)

// ---- Locks -----------------------------------------------------------------------------------

// A lock function forwarded to the next definition (the C library's), the call counted.
// The semaphore waits are cancellation points, declared without noexcept.
#define QUOVENT_LOCK(name, params, args, ...)                                                      \
    QUOVENT_INTERPOSE int name params __VA_ARGS__ {                                                \
        using Function = int params __VA_ARGS__;                                                   \
        static std::atomic<Function*> real{nullptr};                                               \
        countLock();                                                                               \
        return next(real, #name) args;                                                             \
    }

QUOVENT_LOCK(pthread_mutex_lock, (pthread_mutex_t * m), (m), noexcept)
QUOVENT_LOCK(pthread_mutex_trylock, (pthread_mutex_t * m), (m), noexcept)
QUOVENT_LOCK(pthread_mutex_timedlock, (pthread_mutex_t * m, const timespec* t), (m, t), noexcept)
QUOVENT_LOCK(pthread_mutex_clocklock, (pthread_mutex_t * m, clockid_t c, const timespec* t),
             (m, c, t), noexcept)
QUOVENT_LOCK(pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l), noexcept)
QUOVENT_LOCK(pthread_rwlock_tryrdlock, (pthread_rwlock_t * l), (l), noexcept)
QUOVENT_LOCK(pthread_rwlock_timedrdlock, (pthread_rwlock_t * l, const timespec* t), (l, t),
             noexcept)
QUOVENT_LOCK(pthread_rwlock_clockrdlock, (pthread_rwlock_t * l, clockid_t c, const timespec* t),
             (l, c, t), noexcept)
QUOVENT_LOCK(pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l), noexcept)
QUOVENT_LOCK(pthread_rwlock_trywrlock, (pthread_rwlock_t * l), (l), noexcept)
QUOVENT_LOCK(pthread_rwlock_timedwrlock, (pthread_rwlock_t * l, const timespec* t), (l, t),
             noexcept)
QUOVENT_LOCK(pthread_rwlock_clockwrlock, (pthread_rwlock_t * l, clockid_t c, const timespec* t),
             (l, c, t), noexcept)
QUOVENT_LOCK(pthread_spin_lock, (pthread_spinlock_t * l), (l), noexcept)
QUOVENT_LOCK(pthread_spin_trylock, (pthread_spinlock_t * l), (l), noexcept)
QUOVENT_LOCK(sem_wait, (sem_t * s), (s))
QUOVENT_LOCK(sem_trywait, (sem_t * s), (s), noexcept)
QUOVENT_LOCK(sem_timedwait, (sem_t * s, const timespec* t), (s, t))
QUOVENT_LOCK(sem_clockwait, (sem_t * s, clockid_t c, const timespec* t), (s, c, t))

#endif
