// The 24 patterns, their selection by key (0..11) and bank (0..1), and the clipboard
// pattern of the pattern menu. Pattern p is also pattern note 60 + p on MIDI channel 15.
//
// Threads: the editor thread selects key and bank; the audio thread reads the current
// pattern number when a pattern note-off arrives. Both are relaxed atomics.
#pragma once

#include "engine/Pattern.hpp"

namespace quovent {

class PatternBank {
public:
    static constexpr int kPatterns = capacity::kPatterns;
    static constexpr int kKeys = capacity::kPatternKeys;
    static constexpr int kBanks = capacity::kPatternBanks;

    int key() const noexcept { return key_; }
    int bank() const noexcept { return bank_; }
    int currentPattern() const noexcept { return key() + kKeys * bank(); }

    // Out-of-range selections are ignored.
    void selectKey(int key) noexcept;
    void selectBank(int bank) noexcept;

    Pattern& pattern(int p) noexcept { return patterns_[p]; }
    const Pattern& pattern(int p) const noexcept { return patterns_[p]; }
    PatternRow& row(int p, int slot) noexcept { return patterns_[p].row(slot); }
    const PatternRow& row(int p, int slot) const noexcept { return patterns_[p].row(slot); }
    PatternRow& currentRow(int slot) noexcept { return row(currentPattern(), slot); }

    Pattern& clipboard() noexcept { return clipboard_; }

private:
    Relaxed<int> bank_{0};
    Relaxed<int> key_{0};
    std::array<Pattern, kPatterns> patterns_;
    Pattern clipboard_;
};

} // namespace quovent
