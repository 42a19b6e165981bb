#include "tests/fuzz/GrooveSnapshot.hpp"

#include <bit>
#include <functional>

namespace quovent::fuzz {

namespace {

constexpr int kSlotNumbers = 17;
constexpr std::size_t kNumbers = 4 + capacity::kRowSlots * kSlotNumbers +
                                 std::size_t{capacity::kPatterns} * capacity::kRowSlots *
                                     capacity::kSteps * (1 + capacity::kLanes);

std::uint32_t bits(float v) {
    return std::bit_cast<std::uint32_t>(v);
}
std::uint32_t bits(int v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

// Flattened: the accessors inlined into the loops, whatever the sanitizers make of them.
__attribute__((flatten)) GrooveSnapshot GrooveSnapshot::of(const Instrument& instrument) {
    GrooveSnapshot s;
    s.numbers_.resize(kNumbers);
    s.texts_.reserve(std::size_t{2} * capacity::kRowSlots);
    std::uint32_t* out = s.numbers_.data();
    const Sequencer& seq = instrument.sequencer();
    *out++ = bits(seq.shuffleAmount.load());
    *out++ = bits(instrument.stepEditMode.load());
    *out++ = bits(seq.patterns().bank());
    *out++ = bits(seq.patterns().key());
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        const Slot& slot = seq.slots().slot(i);
        for (const float v :
             {slot.volume.load(), slot.length.load(), slot.tune.load(), slot.freq.load(),
              slot.res.load(), slot.pan.load(), slot.syncIncrement.load()}) {
            *out++ = bits(v);
        }
        for (const int v :
             {slot.filterMode.load(), slot.outputPair.load(), slot.active.load(), slot.solo.load(),
              slot.sync.load(), slot.fileIndex, slot.directory.fileCount(),
              slot.sampleMissing() ? 1 : 0, slot.sample.frameCount()}) {
            *out++ = bits(v);
        }
        *out++ = slot.sample.sampleRate();
        s.texts_.push_back(slot.samplePath());
        s.texts_.push_back(slot.directory.directory());
    }
    for (int p = 0; p < capacity::kPatterns; ++p) {
        for (int r = 0; r < capacity::kRowSlots; ++r) {
            const PatternRow& row = seq.patterns().row(p, r);
            for (int i = 0; i < capacity::kSteps; ++i) {
                *out++ = row.stepOn(i) ? 1 : 0;
                for (int k = 0; k < capacity::kLanes; ++k) {
                    *out++ = bits(row.lane(k, i));
                }
            }
        }
    }
    return s;
}

std::uint64_t GrooveSnapshot::hash() const {
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    for (const std::uint32_t n : numbers_) {
        mix(n);
    }
    for (const std::string& t : texts_) {
        mix(std::hash<std::string>{}(t));
    }
    return h;
}

} // namespace quovent::fuzz
