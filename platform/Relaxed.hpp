// A single 32-bit setting shared between the editor thread and the audio thread.
//
// Each value is written and read whole; a reader sees either the old or the new value and
// never a torn one. Relaxed ordering is all that is needed (no other memory is published
// through these values) and costs nothing on x86, while keeping thread sanitizer runs clean.
#pragma once

#include <atomic>

namespace quovent {

template <typename T> class Relaxed {
    static_assert(std::atomic<T>::is_always_lock_free, "shared settings must be lock free");

public:
    constexpr Relaxed() noexcept : value_(T{}) {}
    constexpr Relaxed(T initial) noexcept : value_(initial) {} // NOLINT: implicit on purpose
    Relaxed(const Relaxed& other) noexcept : value_(other.load()) {}
    Relaxed& operator=(const Relaxed& other) noexcept {
        store(other.load());
        return *this;
    }
    Relaxed& operator=(T v) noexcept {
        store(v);
        return *this;
    }
    operator T() const noexcept { return load(); } // NOLINT: reads like the plain value

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

} // namespace quovent
