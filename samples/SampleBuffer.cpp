// Storage of a slot's sample. Decoding a file lives in SampleLoader.cpp.
#include "samples/SampleBuffer.hpp"

#include "samples/SampleLoader.hpp"
#include "samples/WavFile.hpp"

#include <algorithm>
#include <new>

namespace quovent {

constexpr std::array<float, 65536> kPcm16Values = [] {
    std::array<float, 65536> values{};
    for (int u = 0; u < 65536; ++u) {
        values[static_cast<std::size_t>(u)] = SampleView::scale16(static_cast<std::int16_t>(u));
    }
    return values;
}();

namespace {

std::size_t wholePages(std::size_t bytes) noexcept {
    const std::size_t page = platform::ZeroedMemory::pageSize();
    return (bytes + page - 1) / page * page;
}

constexpr std::size_t kFloatBytes = sizeof(float) * SampleBuffer::kStorage;
constexpr std::size_t kShortBytes = sizeof(std::int16_t) * SampleBuffer::kStorage;

// Each array starts on a page of its own, so whole pages of one can be given back alone.
std::size_t totalBytes() noexcept {
    return 2 * wholePages(kFloatBytes) + 2 * wholePages(kShortBytes);
}

template <typename T> void storeRelaxed(std::byte* array, int i, T v) noexcept {
    std::atomic_ref<T>(reinterpret_cast<T*>(array)[i]).store(v, std::memory_order_relaxed);
}

} // namespace

SampleBuffer::SampleBuffer() : memory_(totalBytes()) {
    if (memory_.data() == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t floats = wholePages(kFloatBytes);
    const std::size_t shorts = wholePages(kShortBytes);
    offsets_ = {0, floats, 2 * floats, 2 * floats + shorts};
    for (int a = 0; a < kArrays; ++a) {
        arrays_[a] = memory_.data() + offsets_[a];
    }
}

bool SampleBuffer::loadSample(const char* path) noexcept {
    WavFile wav;
    return wav.openRead(path) && SampleLoader::load(wav, *this);
}

SampleView SampleBuffer::view() const noexcept {
    const std::uint32_t layout = layout_.load(std::memory_order_relaxed);
    const bool mono = (layout & kMono) != 0;
    SampleView v;
    v.wide_ = (layout & ~kMono) == static_cast<std::uint32_t>(Storage::Float);
    v.left_ = reinterpret_cast<float*>(arrays_[kLeft]);
    v.right_ = reinterpret_cast<float*>(arrays_[mono ? kLeft : kRight]);
    v.left16_ = reinterpret_cast<std::int16_t*>(arrays_[kLeft16]);
    v.right16_ = reinterpret_cast<std::int16_t*>(arrays_[mono ? kLeft16 : kRight16]);
    return v;
}

bool SampleBuffer::uses(std::uint32_t layout, int array) noexcept {
    const bool wide = (layout & ~kMono) == static_cast<std::uint32_t>(Storage::Float);
    const bool mono = (layout & kMono) != 0;
    switch (array) {
    case kLeft:
        return wide;
    case kRight:
        return wide && !mono;
    case kLeft16:
        return !wide;
    default:
        return !wide && !mono;
    }
}

void SampleBuffer::noteWritten(int array, int frame) noexcept {
    written_[array] = std::max(written_[array], frame + 1);
}

void SampleBuffer::zeroFrames(int array, int from, int to) noexcept {
    for (int i = from; i < to; ++i) {
        if (array < kLeft16) {
            storeRelaxed(arrays_[array], i, 0.0f);
        } else {
            storeRelaxed(arrays_[array], i, std::int16_t{0});
        }
    }
}

void SampleBuffer::forget(int array, int from) noexcept {
    const int to = written_[array];
    if (from >= to) {
        return;
    }
    // Whole pages go back to the system (they read as zero again); the frames on the pages
    // at either end are written as zeros.
    const std::size_t size = array < kLeft16 ? sizeof(float) : sizeof(std::int16_t);
    const std::size_t page = platform::ZeroedMemory::pageSize();
    const std::size_t base = offsets_[array];
    const std::size_t pagesFrom =
        (base + size * static_cast<std::size_t>(from) + page - 1) / page * page;
    const std::size_t pagesTo = (base + size * static_cast<std::size_t>(to)) / page * page;
    if (pagesFrom < pagesTo && memory_.releasePages(pagesFrom, pagesTo - pagesFrom)) {
        zeroFrames(array, from, static_cast<int>((pagesFrom - base) / size));
        zeroFrames(array, static_cast<int>((pagesTo - base) / size), to);
    } else {
        zeroFrames(array, from, to);
    }
    written_[array] = from;
}

void SampleBuffer::clearSample() noexcept {
    // The guard frame behind the last one is zero from creation on and never written.
    for (int a = 0; a < kArrays; ++a) {
        forget(a, 0);
    }
}

void SampleBuffer::beginLoad(Storage storage, bool mono) noexcept {
    target_ = layoutOf(storage, mono);
}

void SampleBuffer::setFrame16(int i, std::int16_t left, std::int16_t right) noexcept {
    storeRelaxed(arrays_[kLeft16], i, left);
    noteWritten(kLeft16, i);
    if ((target_ & kMono) == 0) {
        storeRelaxed(arrays_[kRight16], i, right);
        noteWritten(kRight16, i);
    }
}

void SampleBuffer::setFrame(int i, float left, float right) noexcept {
    storeRelaxed(arrays_[kLeft], i, left);
    noteWritten(kLeft, i);
    if ((target_ & kMono) == 0) {
        storeRelaxed(arrays_[kRight], i, right);
        noteWritten(kRight, i);
    }
}

void SampleBuffer::finishLoad(int decoded, int frames) noexcept {
    const int valid = std::clamp(decoded, 0, std::clamp(frames, 0, kCapacity));
    for (int a = 0; a < kArrays; ++a) {
        if (uses(target_, a)) {
            forget(a, valid);
        }
    }
    layout_.store(target_, std::memory_order_relaxed);
    // Voices that took their view before the switch read zeros from here on.
    for (int a = 0; a < kArrays; ++a) {
        if (!uses(target_, a)) {
            forget(a, 0);
        }
    }
}

void SampleBuffer::setFrameCount(int frames) noexcept {
    frameCount_.store(std::clamp(frames, 0, kCapacity), std::memory_order_relaxed);
}

} // namespace quovent
