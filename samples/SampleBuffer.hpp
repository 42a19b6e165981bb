// A slot's sample: two channels of fixed capacity whose storage never moves or changes size.
//
// Storage: a 16-bit file is kept as its 16-bit values and scaled on reading (exactly the
// float that s / 32768 x 1.15 gives), every other depth as floats on that scale; a mono
// file fills one channel, which both sides read. The arrays come from zeroed memory whose
// pages cost nothing until written, and the buffer remembers how far each array has been
// written, so clearing and reloading touch only that part and give back what a smaller
// sample no longer needs. An empty slot holds no memory; a loaded one about what its file
// holds.
//
// Threads: one thread at a time loads and clears (the editor's, or a host thread restoring
// a saved state under the editor's model lock; "editor thread" below); the audio thread
// reads frames and the frame count at the same time. Every shared access goes through relaxed
// atomics, so a voice may hear a mix of old and new audio (or silence) while a load is under way
// but never reads outside the arrays: frameCount never exceeds capacity::kSampleFrames and one zero
// guard frame sits behind the last frame for the interpolating reader.
#pragma once

#include "platform/Capacities.hpp"
#include "platform/ZeroedMemory.hpp"

#include <array>
#include <atomic>
#include <cstdint>

namespace quovent {

// Every 16-bit sample value on the buffer's scale, indexed by the value's bits (entry u is
// the value whose bits are u): s / 32768 x 1.15 computed in double and rounded once, as the
// float arrays have always been filled. Made when the program is built; a lookup costs a
// voice less per frame than the conversion.
extern const std::array<float, 65536> kPcm16Values;

// The arrays as one reader sees them: taken once (per block on the audio thread), so the
// storage kind is looked up once rather than per frame.
class SampleView {
public:
    // Frame i (0 <= i < SampleBuffer::kStorage) of each channel, on the 1.15 scale.
    float left(int i) const noexcept { return wide_ ? load(left_[i]) : from16(load(left16_[i])); }
    float right(int i) const noexcept {
        return wide_ ? load(right_[i]) : from16(load(right16_[i]));
    }

    // Frames [from, from + count) of both channels as (left, right) pairs into to[0, 2 x
    // count), the storage kind looked up once for them all; from + count <= kStorage.
    void copyInterleaved(int from, int count, float* to) const noexcept {
        // Unrolled: the relaxed loads keep each value a load and a store of its own, so the
        // loop's own counting is a large part of the work.
        if (wide_) {
#pragma GCC unroll 4
            for (int i = 0; i < count; ++i, to += 2) {
                to[0] = load(left_[from + i]);
                to[1] = load(right_[from + i]);
            }
            return;
        }
#pragma GCC unroll 4
        for (int i = 0; i < count; ++i, to += 2) {
            to[0] = from16(load(left16_[from + i]));
            to[1] = from16(load(right16_[from + i]));
        }
    }

    static constexpr double kFullScale = 1.15;
    // A 16-bit value on the buffer's scale (kPcm16Values).
    static float from16(std::int16_t s) noexcept {
        return kPcm16Values[static_cast<std::uint16_t>(s)];
    }
    static constexpr float scale16(int s) noexcept {
        return static_cast<float>(static_cast<double>(s) * (kFullScale / 32768.0));
    }

private:
    friend class SampleBuffer;

    static float load(float& f) noexcept {
        return std::atomic_ref<float>(f).load(std::memory_order_relaxed);
    }
    static std::int16_t load(std::int16_t& s) noexcept {
        return std::atomic_ref<std::int16_t>(s).load(std::memory_order_relaxed);
    }

    float* left_ = nullptr;
    float* right_ = nullptr;
    std::int16_t* left16_ = nullptr;
    std::int16_t* right16_ = nullptr;
    bool wide_ = true;
};

class SampleBuffer {
public:
    static constexpr int kCapacity = capacity::kSampleFrames;
    static constexpr int kStorage = capacity::kSampleFrames + capacity::kSampleGuardFrames;
    static constexpr double kFullScale = SampleView::kFullScale;

    // How the frames of a sample are kept.
    enum class Storage : std::uint32_t { Float = 0, Pcm16 = 1 };

    // Throws std::bad_alloc when the system gives no memory for the arrays (the instance
    // then runs without its model).
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

    // Any thread: the arrays as they are laid out now.
    SampleView view() const noexcept;
    // Any thread. Frame i of each channel, 0 <= i < kStorage.
    float left(int i) const noexcept { return view().left(i); }
    float right(int i) const noexcept { return view().right(i); }

    // ---- Editor thread: writing a sample (the loader) -------------------------------------
    // Chooses the arrays the following frames go to. Readers keep the present layout until
    // finishLoad(); a buffer starts out as stereo floats.
    void beginLoad(Storage storage, bool mono) noexcept;
    // Frame i, 0 <= i < kCapacity (the guard frame stays zero). The right value is dropped
    // for a mono sample.
    void setFrame16(int i, std::int16_t left, std::int16_t right) noexcept;
    void setFrame(int i, float left, float right) noexcept;
    // After frames [0, decoded) were written for a sample of `frames` frames: the rest of
    // the sample is silence, nothing past it stays in memory, readers move to the new
    // layout, and the arrays it does not use are given back.
    void finishLoad(int decoded, int frames) noexcept;
    void setFrameCount(int frames) noexcept;
    void setSampleRate(std::uint32_t rate) noexcept {
        sampleRate_.store(rate, std::memory_order_relaxed);
    }

private:
    enum Array { kLeft, kRight, kLeft16, kRight16, kArrays };
    static constexpr std::uint32_t kMono = 2; // layout bit beside the Storage value

    static std::uint32_t layoutOf(Storage storage, bool mono) noexcept {
        return static_cast<std::uint32_t>(storage) | (mono ? kMono : 0);
    }
    static bool uses(std::uint32_t layout, int array) noexcept;
    void noteWritten(int array, int frame) noexcept;
    void zeroFrames(int array, int from, int to) noexcept;
    // Frames [from, written) of an array read as zero afterwards; written becomes from.
    void forget(int array, int from) noexcept;

    platform::ZeroedMemory memory_;
    std::array<std::byte*, kArrays> arrays_{};
    std::array<std::size_t, kArrays> offsets_{};
    std::array<int, kArrays> written_{}; // editor thread: frames that may be non-zero
    std::uint32_t target_ = 0;           // editor thread: the layout being written
    std::atomic<std::uint32_t> layout_{0};
    std::atomic<int> frameCount_{0};
    std::atomic<std::uint32_t> sampleRate_{0};
};

} // namespace quovent
