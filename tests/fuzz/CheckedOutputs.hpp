// The twelve outputs of an instrument block as a host hands them over, and what every block
// must pass: each sample finite and at most +24 dBFS for each voice the pool can hold, the
// outputs replaced or added into as the block asks, nothing touched past the block (that
// memory is poisoned, so AddressSanitizer reports any read or write of it). A fingerprint of
// the sound lets two runs of one script be compared, and silence is told exactly.
//
// The checks are the oracle, not code under test: they are compiled without the fuzzer's
// coverage and compare hooks (tests/fuzz/CMakeLists.txt). One input at a time, on one thread.
#pragma once

#include "instrument/Instrument.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace quovent::fuzz {

class CheckedOutputs {
public:
    static constexpr int kMaxFrames = capacity::kRenderFrames;

    CheckedOutputs();

    // One block of 0..kMaxFrames frames (clamped), checked as it comes out; a failed check
    // aborts the program, saying why. How the host hands the block over comes from the low
    // bits of layout: bit 0 adds into the outputs rather than replacing them, bit 1 takes
    // note-offs from the block's start, bits 2..3 pick the outputs (all twelve; none at all;
    // the first pair only; all but output 5).
    void process(Instrument& instrument, int frames, std::span<const InstrumentEvent> events,
                 double tempo, unsigned layout = 0);

    // Whether every output the last block wrote was exactly zero.
    bool lastBlockSilent() const noexcept { return silent_; }
    // What the blocks since the last restart sounded like: equal for equal sound.
    std::uint64_t fingerprint() const noexcept { return fingerprint_; }
    void restartFingerprint() noexcept { fingerprint_ = 0; }

private:
    std::unique_ptr<float[]> storage_;
    std::array<float*, Instrument::kOutputs> channels_{};
    std::uint64_t fingerprint_ = 0;
    bool silent_ = true;
};

} // namespace quovent::fuzz
