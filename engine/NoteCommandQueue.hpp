// Note starts and stops from the editor thread (Play button, pattern keys) on their way to
// the audio thread, which owns the voice pool. A fixed ring with one producer (the editor
// thread) and one consumer (the audio thread): no lock, no allocation. The producer
// publishes an entry with a release store of the head, the consumer takes it after an
// acquire load, and hands the entry back with a release store of the tail.
#pragma once

#include "platform/Capacities.hpp"

#include <array>
#include <atomic>
#include <cstdint>

namespace quovent {

struct NoteCommand {
    enum class Kind : std::int32_t { NoteOn, NoteOff };
    Kind kind = Kind::NoteOn;
    std::int32_t note = 0;
    std::int32_t velocity = 0;
    std::int32_t channel = 0;
    float release = 0.0f; // note-offs only
};

class NoteCommandQueue {
public:
    static constexpr std::uint32_t kCapacity = capacity::kEditorCommands;
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the ring index wraps by masking");

    // Producer thread. False, and the command dropped, when the queue is full.
    bool push(const NoteCommand& command) noexcept {
        const std::uint32_t head = head_.load(std::memory_order_relaxed);
        const std::uint32_t tail = tail_.load(std::memory_order_acquire);
        if (head - tail >= kCapacity) {
            return false;
        }
        entries_[head & (kCapacity - 1)] = command;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer thread. False when nothing is waiting.
    bool pop(NoteCommand& command) noexcept {
        const std::uint32_t tail = tail_.load(std::memory_order_relaxed);
        const std::uint32_t head = head_.load(std::memory_order_acquire);
        if (tail == head) {
            return false;
        }
        command = entries_[tail & (kCapacity - 1)];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<NoteCommand, kCapacity> entries_{};
    // Apart, so the two threads do not share a cache line for their counters.
    alignas(64) std::atomic<std::uint32_t> head_{0};
    alignas(64) std::atomic<std::uint32_t> tail_{0};
};

} // namespace quovent
