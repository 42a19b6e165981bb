// What the editor asks of the pattern it plays (the Play button and the pattern keys), on
// its way from the editor thread to the audio thread: "play pattern p from its start" or
// "stop". A request says the state the user wants, not the note-ons and note-offs to get
// there, so only the latest one counts: a newer request replaces one the audio thread has
// not taken yet. However many arrive between two blocks, also while the host renders none,
// nothing piles up or is dropped and the audio side ends in the state asked for last.
//
// One 32-bit word carries the request with a serial number, so the audio thread tells a new
// request from one it has already carried out. One writer at a time (the editor thread, or
// a restore under the editor's model lock) publishes it with a release store; one reader
// (the audio thread) takes it with an acquire load. No lock, no allocation.
#pragma once

#include <atomic>
#include <cstdint>

namespace quovent {

class TransportRequest {
public:
    enum class Action : std::uint32_t { Stop = 0, Play = 1 };

    struct Request {
        Action action = Action::Stop;
        int pattern = 0; // the pattern to play, 0..255 (Play only)
    };

    // Editor thread.
    void post(Action action, int pattern) noexcept {
        serial_ = (serial_ + 1) & kSerialMask;
        if (serial_ == 0) {
            serial_ = 1; // 0 stands for "nothing posted yet"
        }
        const std::uint32_t word = serial_ << kSerialShift |
                                   static_cast<std::uint32_t>(action) << kActionShift |
                                   (static_cast<std::uint32_t>(pattern) & kPatternMask);
        word_.store(word, std::memory_order_release);
    }

    // Audio thread. True, with the latest request, when one was posted since the last take.
    bool take(Request& request) noexcept {
        const std::uint32_t word = word_.load(std::memory_order_acquire);
        if (word == taken_) {
            return false;
        }
        taken_ = word;
        request.action = static_cast<Action>(word >> kActionShift & 1u);
        request.pattern = static_cast<int>(word & kPatternMask);
        return true;
    }

private:
    static constexpr std::uint32_t kPatternMask = 0xFF;
    static constexpr std::uint32_t kActionShift = 8;
    static constexpr std::uint32_t kSerialShift = 9;
    // 23 bits: a request is mistaken for the one taken before only if a multiple of 2^23 - 1
    // others came between two blocks and it asks for the same action on the same pattern.
    static constexpr std::uint32_t kSerialMask = (1u << (32 - kSerialShift)) - 1;

    std::atomic<std::uint32_t> word_{0};
    std::uint32_t serial_ = 0;            // editor thread
    alignas(64) std::uint32_t taken_ = 0; // audio thread: the word last carried out
};

} // namespace quovent
