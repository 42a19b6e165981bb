// Everything of an instrument's groove that its saved state holds (every slot setting and
// sample path, every pattern row, Shuffle, StepEdit, the selected pattern) and what a restore
// makes of it (sample lengths and rates, missing marks, sync increments, file lists), as one
// plain value: taken and compared in microseconds, where writing the state text costs
// milliseconds. Floats are kept as their bits, so NaN and -0 compare as what they are. Part
// of the oracle, compiled without the fuzzer's coverage (see CMakeLists.txt).
#pragma once

#include "instrument/Instrument.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace quovent::fuzz {

class GrooveSnapshot {
public:
    static GrooveSnapshot of(const Instrument& instrument);

    bool operator==(const GrooveSnapshot&) const = default;

    // FNV-1a over the whole value: equal snapshots give equal hashes.
    std::uint64_t hash() const;

private:
    std::vector<std::uint32_t> numbers_;
    std::vector<std::string> texts_;
};

} // namespace quovent::fuzz
