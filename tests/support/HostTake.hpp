// What a host played, held against what the instrument itself renders for the same groove and
// events: the host's first output pair, shifted by one constant offset (the host's own
// latency, found from the first onset), must equal the reference sample for sample, so that
// a note a frame late anywhere shows as a difference.
#pragma once

#include "instrument/InstrumentEvent.hpp"
#include "instrument/ProcessBlock.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace quovent::test {

struct StereoTake {
    std::vector<float> left;
    std::vector<float> right;
};

struct TakeComparison {
    std::int64_t offset = -1;   // host frames after the reference's; -1: no onset in one
    float peak = 0.0f;          // of the reference over the compared frames
    float worst = 0.0f;         // largest difference between the two after the offset
    std::int64_t firstBad = -1; // reference frame of the first difference above the bound
    std::int64_t compared = 0;  // frames compared

    // "N frames late; largest difference D (peak P) over F frames", for a test's log.
    std::string summary() const;
};

class HostTake {
public:
    static constexpr float kOnsetThreshold = 1.0e-5f;
    // A difference this far below the reference's peak is rounding in the host's mix.
    static constexpr float kRelativeBound = 1.0e-3f;

    // Pair 1 of the instrument restored with `groove` at `rate`, the events (frames from the
    // start) in blocks of `block` frames, the first `firstBlock` long (a host's cycle that
    // began before the song), under a format's note-off rule.
    static StereoTake render(const std::string& groove, const std::vector<InstrumentEvent>& events,
                             int rate, std::int64_t frames, ProcessBlock::NoteOffs noteOffs,
                             int block, int firstBlock);
    // Adds `take` into `sum` (sized to it when empty): instances mixed on one bus.
    static void add(StereoTake& sum, const StereoTake& take);
    // The host's take against the reference: the offset from their first onsets, then every
    // frame both have.
    static TakeComparison compare(const StereoTake& host, const StereoTake& reference);
};

} // namespace quovent::test
