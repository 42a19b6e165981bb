// Storage of a slot's sample. Loading from a file lives in SampleLoader.cpp.
#include "samples/SampleBuffer.hpp"

#include <algorithm>

namespace quovent {

SampleBuffer::SampleBuffer()
    : left_(std::make_unique<float[]>(kStorage)), right_(std::make_unique<float[]>(kStorage)) {}

void SampleBuffer::clearSample() noexcept {
    for (int i = 0; i < kStorage; ++i) {
        setFrame(i, 0.0f, 0.0f);
    }
}

void SampleBuffer::setFrameCount(int frames) noexcept {
    frameCount_.store(std::clamp(frames, 0, kCapacity), std::memory_order_relaxed);
}

} // namespace quovent
