#include "engine/VoicePool.hpp"

namespace quovent {

namespace {
constexpr float kStopFrames = 1800.0f;
}

bool VoicePool::append(const Voice& voice) noexcept {
    if (count_ >= kCapacity) {
        return false;
    }
    voices_[count_++] = voice;
    return true;
}

void VoicePool::removeFinished() noexcept {
    int kept = 0;
    for (int i = 0; i < count_; ++i) {
        if (voices_[i].finished == 0) {
            if (kept != i) {
                voices_[kept] = voices_[i];
            }
            ++kept;
        }
    }
    count_ = kept;
}

std::int32_t VoicePool::stopLength(float pitchRatio, float release) noexcept {
    const float x = release + pitchRatio;
    return x > 1.0f ? static_cast<std::int32_t>(x * kStopFrames)
                    : static_cast<std::int32_t>(kStopFrames);
}

void VoicePool::stopMatching(int key, int channel, float release) noexcept {
    for (int i = 0; i < count_; ++i) {
        Voice& v = voices_[i];
        if (v.note == key && v.channel == channel) {
            v.stopCountdown = stopLength(v.pitchRatio, release);
        }
    }
}

void VoicePool::stopAll() noexcept {
    for (int i = 0; i < count_; ++i) {
        voices_[i].stopCountdown = static_cast<std::int32_t>(voices_[i].pitchRatio * kStopFrames);
    }
}

} // namespace quovent
