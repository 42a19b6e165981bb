// Storage of a slot's sample. Decoding a file lives in SampleLoader.cpp.
#include "samples/SampleBuffer.hpp"

#include "samples/SampleLoader.hpp"
#include "samples/WavFile.hpp"

#include <algorithm>

namespace quovent {

SampleBuffer::SampleBuffer()
    : left_(std::make_unique<float[]>(kStorage)), right_(std::make_unique<float[]>(kStorage)) {}

bool SampleBuffer::loadSample(const char* path) noexcept {
    WavFile wav;
    return wav.openRead(path) && SampleLoader::load(wav, *this);
}

void SampleBuffer::clearSample() noexcept {
    // The guard frame behind the last one is zero from creation on and never written.
    for (int i = 0; i < kCapacity; ++i) {
        setFrame(i, 0.0f, 0.0f);
    }
}

void SampleBuffer::setFrameCount(int frames) noexcept {
    frameCount_.store(std::clamp(frames, 0, kCapacity), std::memory_order_relaxed);
}

} // namespace quovent
