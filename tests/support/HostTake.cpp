#include "tests/support/HostTake.hpp"

#include "instrument/Instrument.hpp"
#include "tests/support/StereoWav.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace quovent::test {

std::string TakeComparison::summary() const {
    return std::to_string(offset) + " frames late; largest difference " + std::to_string(worst) +
           " (peak " + std::to_string(peak) + ") over " + std::to_string(compared) + " frames";
}

StereoTake HostTake::render(const std::string& groove, const std::vector<InstrumentEvent>& events,
                            int rate, std::int64_t frames, ProcessBlock::NoteOffs noteOffs,
                            int block, int firstBlock) {
    Instrument instrument;
    instrument.setSampleRate(rate);
    StereoTake take;
    if (!instrument.restoreState(groove).ok || block < 1) {
        return take;
    }
    constexpr int kOutputs = Instrument::kOutputs;
    std::vector<float> samples(static_cast<std::size_t>(kOutputs) *
                               static_cast<std::size_t>(block));
    std::array<float*, kOutputs> channels{};
    for (int c = 0; c < kOutputs; ++c) {
        channels[static_cast<std::size_t>(c)] =
            samples.data() + static_cast<std::ptrdiff_t>(c) * block;
    }
    std::vector<InstrumentEvent> inBlock;
    auto next = events.begin();
    for (std::int64_t start = 0; start < frames;) {
        const int length = static_cast<int>(std::min<std::int64_t>(
            start == 0 && firstBlock > 0 ? firstBlock : block, frames - start));
        inBlock.clear();
        for (; next != events.end() && next->frame < start + length; ++next) {
            inBlock.push_back(*next);
            inBlock.back().frame = static_cast<std::int32_t>(next->frame - start);
        }
        ProcessBlock piece;
        piece.outputs = channels.data();
        piece.outputCount = kOutputs;
        piece.frames = length;
        piece.events = inBlock;
        piece.tempo = 120.0;
        piece.noteOffs = noteOffs;
        instrument.process(piece);
        take.left.insert(take.left.end(), channels[0], channels[0] + length);
        take.right.insert(take.right.end(), channels[1], channels[1] + length);
        start += length;
    }
    return take;
}

void HostTake::add(StereoTake& sum, const StereoTake& take) {
    if (sum.left.empty()) {
        sum = take;
        return;
    }
    for (std::size_t i = 0; i < std::min(sum.left.size(), take.left.size()); ++i) {
        sum.left[i] += take.left[i];
        sum.right[i] += take.right[i];
    }
}

TakeComparison HostTake::compare(const StereoTake& host, const StereoTake& reference) {
    TakeComparison result;
    const std::size_t hostOnset = firstSound(host.left, kOnsetThreshold);
    const std::size_t refOnset = firstSound(reference.left, kOnsetThreshold);
    if (hostOnset >= host.left.size() || refOnset >= reference.left.size() ||
        host.right.size() != host.left.size() || reference.right.size() != reference.left.size()) {
        return result;
    }
    result.offset = static_cast<std::int64_t>(hostOnset) - static_cast<std::int64_t>(refOnset);
    const std::int64_t from = std::max<std::int64_t>(0, -result.offset);
    const std::int64_t to =
        std::min<std::int64_t>(static_cast<std::int64_t>(reference.left.size()),
                               static_cast<std::int64_t>(host.left.size()) - result.offset);
    for (std::int64_t i = from; i < to; ++i) {
        result.peak = std::max(result.peak, std::fabs(reference.left[static_cast<std::size_t>(i)]));
    }
    for (std::int64_t i = from; i < to; ++i) {
        const auto r = static_cast<std::size_t>(i);
        const auto h = static_cast<std::size_t>(i + result.offset);
        const float difference = std::max(std::fabs(host.left[h] - reference.left[r]),
                                          std::fabs(host.right[h] - reference.right[r]));
        if (difference > result.peak * kRelativeBound && result.firstBad < 0) {
            result.firstBad = i;
        }
        result.worst = std::max(result.worst, difference);
    }
    result.compared = std::max<std::int64_t>(0, to - from);
    return result;
}

} // namespace quovent::test
