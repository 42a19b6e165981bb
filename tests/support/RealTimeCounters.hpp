// Counts the heap allocations (operator new) and mutex locks (pthread_mutex_lock) the calling
// thread makes while a piece of audio-thread work runs, also inside a plug-in library the
// program loaded. Link the object library quovent_test_realtime into a test program of its
// own: it replaces the global operator new and delete and interposes pthread_mutex_lock, and
// the program must export them (ENABLE_EXPORTS) for a loaded library to call them. Sanitizer
// runtimes bring their own, so there counting is unavailable and tests skip.
#pragma once

namespace quovent::test {

struct RealTimeCount {
    long allocations = 0;
    long locks = 0;
};

bool realTimeCountingAvailable() noexcept;

void startCountingThisThread() noexcept;
RealTimeCount stopCountingThisThread() noexcept;

template <typename F> RealTimeCount countOnThisThread(F&& work) {
    startCountingThisThread();
    work();
    return stopCountingThisThread();
}

} // namespace quovent::test
