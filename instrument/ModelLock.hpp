// Serialises the editor thread's work on the model with the host's state saves and restores,
// which hosts make from whatever thread they like (Ardour runs plug-in editors on a thread of
// their own and restores sessions from its GUI thread). The audio thread never takes it: it
// reads only relaxed settings and sample frames, which a restore rewrites in place.
//
// The lock is re-entrant for the thread that holds it, because the editor's calls nest (the
// host's idle serves a click whose control runs a modal loop, which runs the modal idle;
// open closes a window that is open). While the editor
// waits (a modal loop's sleep, any call into the host) it lets go completely through
// Released, so a save or restore from another thread never waits for a dialog to end and
// the host cannot deadlock on a lock of its own that it holds while calling us.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quovent {

class ModelLock {
public:
    void lock();
    void unlock();

    // Held for a scope; nests on the owning thread.
    class Scope {
    public:
        explicit Scope(ModelLock& lock) : lock_(lock) { lock_.lock(); }
        ~Scope() { lock_.unlock(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ModelLock& lock_;
    };

    // Let go for a scope, however deeply the calling thread holds the lock, and take it back
    // to the same depth afterwards. Does nothing on a thread that does not hold it.
    class Released {
    public:
        explicit Released(ModelLock& lock) : lock_(lock), depth_(lock.releaseAll()) {}
        ~Released() { lock_.reacquire(depth_); }
        Released(const Released&) = delete;
        Released& operator=(const Released&) = delete;

    private:
        ModelLock& lock_;
        int depth_;
    };

private:
    int releaseAll();
    void reacquire(int depth);

    std::mutex mutex_;
    std::condition_variable free_;
    std::thread::id owner_;
    int depth_ = 0;
};

} // namespace quovent
