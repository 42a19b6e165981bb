// A slot's sample: two float arrays of fixed capacity that never move or change size.
//
// Threads: the editor thread loads and clears; the audio thread reads frames and the frame
// count at the same time. Every shared access goes through relaxed atomics, so a voice may
// hear a mix of old and new audio while a load is under way but never reads outside the
// arrays: frameCount never exceeds capacity::kSampleFrames and one zero guard frame sits
// behind the last frame for the interpolating reader.
#pragma once

#include "platform/Capacities.hpp"

#include <atomic>
#include <cstdint>
#include <memory>

namespace quovent {

class SampleBuffer {
public:
    static constexpr int kCapacity = capacity::kSampleFrames;
    static constexpr int kStorage = capacity::kSampleFrames + capacity::kSampleGuardFrames;

    SampleBuffer();
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    // Editor thread. Reads a WAV file into the arrays; false (and nothing changed) when the
    // file cannot be opened as a WAV file or holds an encoding that cannot be decoded.
    bool loadSample(const char* path) noexcept;
    // Editor thread. Silences every frame; frameCount stays as it is.
    void clearSample() noexcept;

    int frameCount() const noexcept { return frameCount_.load(std::memory_order_relaxed); }
    std::uint32_t sampleRate() const noexcept {
        return sampleRate_.load(std::memory_order_relaxed);
    }

    // Any thread. Frame i of each channel, 0 <= i < kStorage.
    float left(int i) const noexcept { return loadFrame(left_[i]); }
    float right(int i) const noexcept { return loadFrame(right_[i]); }

    // Editor thread: used by the loader. 0 <= i < kCapacity: the guard frame stays zero.
    void setFrameCount(int frames) noexcept;
    void setSampleRate(std::uint32_t rate) noexcept {
        sampleRate_.store(rate, std::memory_order_relaxed);
    }
    void setFrame(int i, float l, float r) noexcept {
        storeFrame(left_[i], l);
        storeFrame(right_[i], r);
    }

private:
    static float loadFrame(float& f) noexcept {
        return std::atomic_ref<float>(f).load(std::memory_order_relaxed);
    }
    static void storeFrame(float& f, float v) noexcept {
        std::atomic_ref<float>(f).store(v, std::memory_order_relaxed);
    }

    std::unique_ptr<float[]> left_;
    std::unique_ptr<float[]> right_;
    std::atomic<int> frameCount_{0};
    std::atomic<std::uint32_t> sampleRate_{0};
};

} // namespace quovent
