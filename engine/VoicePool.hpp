// The fixed pool of 128 voices. Live voices occupy entries 0..count-1 in start order.
// Audio thread only: the editor's note starts and stops reach it through the command queue.
#pragma once

#include "engine/Voice.hpp"
#include "platform/Capacities.hpp"

#include <array>

namespace quovent {

class VoicePool {
public:
    static constexpr int kCapacity = capacity::kVoices;

    int count() const noexcept { return count_; }
    int freeEntries() const noexcept { return kCapacity - count_; }

    // Copies the voice in at the end. A full pool refuses the start (false) rather than
    // cutting off a voice that is sounding.
    bool append(const Voice& voice) noexcept;
    Voice& get(int i) noexcept { return voices_[i]; }
    const Voice& get(int i) const noexcept { return voices_[i]; }
    void markFinished(int i) noexcept { voices_[i].finished = 1; }
    // Removes every finished voice; the survivors keep their order.
    void removeFinished() noexcept;
    // Every voice gone at once, without a fade (the host has stopped the audio).
    void clear() noexcept { count_ = 0; }

    // Stop length from a release value: (release + pitchRatio) x 1800 frames when that sum
    // is above 1, else 1800.
    static std::int32_t stopLength(float pitchRatio, float release) noexcept;
    // Every voice with this key and channel starts (or restarts) its stop countdown.
    void stopMatching(int key, int channel, float release) noexcept;
    // Every voice: countdown = pitchRatio x 1800.
    void stopAll() noexcept;

private:
    std::array<Voice, kCapacity> voices_{};
    int count_ = 0;
};

} // namespace quovent
