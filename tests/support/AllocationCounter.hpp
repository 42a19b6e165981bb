// Counts what the calling thread asks of the heap and of locks while a counter lives: the
// proof that audio-thread code (a format's process call and everything it reaches) neither
// allocates, frees nor waits for a lock.
//
// A program that links quovent_test_allocations gets, for the whole process, replacements
// that forward to the C library and count on threads with a live counter:
//   - malloc, calloc, realloc, reallocarray, free, aligned_alloc, posix_memalign, memalign,
//     valloc and pvalloc;
//   - every form of operator new and operator delete (through the above);
//   - pthread mutex, read-write lock and spin lock acquisitions and semaphore waits, the
//     tried and timed ones included: a try_lock on the audio thread counts as a lock.
// They are the program's own definitions, so they stand in for the C and C++ libraries'
// wherever those are called from: the program's code, the runtime libraries themselves
// (std::string, strdup, fopen) and plug-ins the program loads. Threads without a counter
// are not counted, so a host thread may allocate and lock while the audio thread is watched.
//
// Under AddressSanitizer, ThreadSanitizer or MemorySanitizer the sanitizer owns those
// functions. Allocations and frees are then counted through its allocator's hooks, and locks
// are not counted (countsLocks() is false), so a real-time test still runs and checks what
// it can under the sanitizer. (ThreadSanitizer's runtime does not report posix_memalign to
// the hooks.)
//
// Use, on the thread whose work is under test:
//
//     const auto counts = AllocationCounter::during([&] { effect->processReplacing(...); });
//     EXPECT_EQ(counts, AllocationCounter::Counts{});
//
// or a counter object over a scope, read with counts() or ended with stop(). Make what the
// work needs (buffers, events, strings) before counting starts, and make no gtest assertion
// inside the counted scope: a failure message allocates. Counters nest, each seeing its own
// scope. Every member on the thread that made the counter. Linux only.
#pragma once

#include <ostream>
#include <utility>

namespace quovent::test {

class AllocationCounter {
public:
    struct Counts {
        long allocations = 0; // malloc family and operator new
        long frees = 0;       // free and operator delete of memory (not of nullptr)
        // (A realloc of a block counts as a new one and a free, as the sanitizers see it.)
        long locks = 0; // lock acquisitions and semaphore waits, tried ones too

        friend bool operator==(const Counts&, const Counts&) = default;
        friend std::ostream& operator<<(std::ostream& out, const Counts& c) {
            return out << c.allocations << " allocations, " << c.frees << " frees, " << c.locks
                       << " locks";
        }
    };

    // Starts counting on the calling thread.
    AllocationCounter() noexcept;
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // What the thread did since the counter was made, or until stop().
    Counts counts() const noexcept;
    // Ends the counting; counts() keeps what was seen.
    Counts stop() noexcept;

    // What the calling thread did while `work` ran.
    template <typename Work> static Counts during(Work&& work) {
        AllocationCounter counter;
        std::forward<Work>(work)();
        return counter.stop();
    }

    // False where a sanitizer runtime owns the lock functions: Counts::locks stays 0.
    static bool countsLocks() noexcept;

private:
    Counts start_;
    Counts end_;
    bool running_ = true;
};

} // namespace quovent::test
