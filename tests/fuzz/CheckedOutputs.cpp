#include "tests/fuzz/CheckedOutputs.hpp"

#include "tests/fuzz/FuzzKit.hpp"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quovent::fuzz {

namespace {

// Each voice stays within +24 dBFS (its filter restarts from silence beyond that), and up to
// the pool's capacity of them may sound into one output.
constexpr float kMaxLevel = 15.85f * capacity::kVoices;
constexpr std::size_t kChannelFrames = CheckedOutputs::kMaxFrames;

struct Scan {
    bool bad = false;
    bool silent = true;
};

// One channel's frames: out of range or not finite, silent, and into the fingerprint. On
// the bits alone and branch-free, so it costs a few instructions a sample: below the sign,
// the bits of a float order as its magnitude does, with infinity and NaN above every finite
// value. It reads only the block's own frames of our own buffer, so the sanitizers have
// nothing to watch here.
__attribute__((no_sanitize("address", "undefined"))) Scan
scan(const float* channel, int frames, std::uint64_t& sum, std::uint64_t& weighted) {
    constexpr std::uint32_t kMaxBits = std::bit_cast<std::uint32_t>(kMaxLevel);
    constexpr std::uint32_t kMagnitude = 0x7FFFFFFFu;
    std::uint32_t over = 0;
    std::uint32_t sound = 0;
    std::uint64_t a = sum;
    std::uint64_t b = weighted;
    for (int i = 0; i < frames; ++i) {
        std::uint32_t v;
        std::memcpy(&v, channel + i, sizeof v);
        over |= static_cast<std::uint32_t>((v & kMagnitude) > kMaxBits);
        sound |= v & kMagnitude;
        a += v;
        b += a;
    }
    sum = a;
    weighted = b;
    return {over != 0, sound == 0};
}

[[noreturn]] void report(const float* channel, int c, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (!(std::fabs(channel[i]) <= kMaxLevel)) {
            std::fprintf(stderr, "output %d, frame %d of %d: %g\n", c, i, frames,
                         static_cast<double>(channel[i]));
            fail(std::isfinite(channel[i]) ? "an output sample is above +24 dBFS for every voice"
                                           : "an output sample is not finite");
        }
    }
    fail("an output sample is out of range");
}

} // namespace

CheckedOutputs::CheckedOutputs()
    : storage_(std::make_unique<float[]>(Instrument::kOutputs * kChannelFrames)) {
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        channels_[c] = storage_.get() + c * kChannelFrames;
    }
}

void CheckedOutputs::process(Instrument& instrument, int frames,
                             std::span<const InstrumentEvent> events, double tempo,
                             unsigned layout) {
    frames = std::clamp(frames, 0, kMaxFrames);
    const bool add = (layout & 1) != 0;
    // The host's buffers: all, none, the first pair, or all but a null sixth.
    const unsigned buffers = (layout >> 2) & 3;
    const int count = buffers == 1 ? 0 : buffers == 2 ? 2 : Instrument::kOutputs;
    std::array<float*, Instrument::kOutputs> given = channels_;
    given[5] = buffers == 3 ? nullptr : given[5];
    // What replacing must overwrite (all bits set: a NaN), and what adding must leave the
    // sound alone on.
    const int before = add ? 0 : 0xFF;
    for (float* channel : channels_) {
        std::memset(channel, before, static_cast<std::size_t>(frames) * sizeof(float));
        ASAN_POISON_MEMORY_REGION(channel + frames, (kChannelFrames - frames) * sizeof(float));
    }
    ProcessBlock block;
    block.outputs = count == 0 ? nullptr : given.data();
    block.outputCount = count;
    block.frames = frames;
    block.events = events;
    block.tempo = tempo;
    block.mix = add ? ProcessBlock::Mix::Add : ProcessBlock::Mix::Replace;
    block.noteOffs =
        (layout & 2) != 0 ? ProcessBlock::NoteOffs::AtBlockStart : ProcessBlock::NoteOffs::AtFrame;
    instrument.process(block);
    for (float* channel : channels_) {
        ASAN_UNPOISON_MEMORY_REGION(channel + frames, (kChannelFrames - frames) * sizeof(float));
    }

    silent_ = true;
    std::uint64_t sum = 0;
    std::uint64_t weighted = 0;
    for (int c = 0; c < count; ++c) {
        const float* channel = given[static_cast<std::size_t>(c)];
        if (channel == nullptr) {
            continue;
        }
        const Scan s = scan(channel, frames, sum, weighted);
        if (s.bad) {
            report(channel, c, frames);
        }
        silent_ = silent_ && s.silent;
    }
    fingerprint_ = (fingerprint_ ^ sum ^ (weighted << 1)) * 1099511628211ull + frames;
}

} // namespace quovent::fuzz
