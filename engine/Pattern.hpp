// One pattern: a row of sixteen steps for each of the eight slots with a row.
#pragma once

#include "engine/PatternRow.hpp"

#include <array>

namespace quovent {

class Pattern {
public:
    static constexpr int kRows = capacity::kRowSlots;

    PatternRow& row(int slot) noexcept { return rows_[slot]; }
    const PatternRow& row(int slot) const noexcept { return rows_[slot]; }

private:
    std::array<PatternRow, kRows> rows_;
};

} // namespace quovent
