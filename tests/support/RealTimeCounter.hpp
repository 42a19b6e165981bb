// Counts the allocations (global operator new) and mutex locks (pthread_mutex_lock) of the
// thread that asks, for tests of the audio path's real-time promise. Linking
// RealTimeCounter.cpp into a test program replaces operator new and interposes
// pthread_mutex_lock for the whole process, the plug-ins it loads included, so it goes into a
// program of its own. Sanitizer runtimes bring their own versions of both: under a sanitizer
// nothing is replaced and available() is false.
#pragma once

namespace quovent::test {

class RealTimeCounter {
public:
    static bool available() noexcept;

    // Counts this thread's allocations and locks while it lives.
    RealTimeCounter() noexcept;
    ~RealTimeCounter();
    RealTimeCounter(const RealTimeCounter&) = delete;
    RealTimeCounter& operator=(const RealTimeCounter&) = delete;

    long allocations() const noexcept;
    long locks() const noexcept;
};

} // namespace quovent::test
