// The instrument's model lock: nesting on the owning thread, exclusion of other threads, and a
// full release for a scope that gives the lock back at the depth it was held.
#include "instrument/ModelLock.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quovent {
namespace {

// Whether another thread takes the lock within 100 ms. If it cannot, the calling thread (the
// owner) lets go `owned` times so the other thread can end.
bool otherThreadGetsIn(ModelLock& lock, int owned) {
    std::atomic<bool> got{false};
    std::thread other([&] {
        const ModelLock::Scope hold(lock);
        got = true;
    });
    for (int i = 0; i < 50 && !got; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const bool result = got;
    for (int i = 0; i < owned && !result; ++i) {
        lock.unlock();
    }
    other.join();
    return result;
}

TEST(ModelLock, NestsForItsOwnerAndKeepsOthersOutUntilTheOutermostScopeEnds) {
    ModelLock lock;
    {
        ModelLock::Scope outer(lock);
        {
            ModelLock::Scope inner(lock); // would deadlock if it did not nest
        }
        std::atomic<bool> got{false};
        std::thread other([&] {
            ModelLock::Scope hold(lock);
            got = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(got) << "the outer scope still holds it";
        {
            // Released lets the other thread in even from two levels deep.
            ModelLock::Scope again(lock);
            ModelLock::Released out(lock);
            other.join();
            EXPECT_TRUE(got);
        }
        // Back at depth one: the inner release gave back both levels, the scope one.
    }
    EXPECT_TRUE(otherThreadGetsIn(lock, 2));
}

TEST(ModelLock, AReleaseOnAThreadThatDoesNotHoldItChangesNothing) {
    ModelLock lock;
    lock.lock();
    std::thread stranger([&] {
        ModelLock::Released out(lock);
        lock.unlock(); // not the owner's: ignored
    });
    stranger.join();
    EXPECT_FALSE(otherThreadGetsIn(lock, 1)) << "still held by its owner";
}

} // namespace
} // namespace quovent
