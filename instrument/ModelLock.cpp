// The re-entrant model lock: an owner and a depth guarded by a plain mutex.
#include "instrument/ModelLock.hpp"

namespace quovent {

void ModelLock::lock() {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(mutex_);
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    free_.wait(guard, [this] { return depth_ == 0; });
    owner_ = self;
    depth_ = 1;
}

void ModelLock::unlock() {
    std::unique_lock<std::mutex> guard(mutex_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
        return; // not ours: a mismatched unlock must not free another thread's hold
    }
    if (--depth_ == 0) {
        owner_ = std::thread::id();
        guard.unlock();
        free_.notify_one();
    }
}

int ModelLock::releaseAll() {
    std::unique_lock<std::mutex> guard(mutex_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
        return 0;
    }
    const int held = depth_;
    depth_ = 0;
    owner_ = std::thread::id();
    guard.unlock();
    free_.notify_one();
    return held;
}

void ModelLock::reacquire(int depth) {
    if (depth <= 0) {
        return;
    }
    std::unique_lock<std::mutex> guard(mutex_);
    free_.wait(guard, [this] { return depth_ == 0; });
    owner_ = std::this_thread::get_id();
    depth_ = depth;
}

} // namespace quovent
