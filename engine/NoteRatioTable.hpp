// The process-wide note ratio table, shared by every instance of the loaded library. Entry n
// holds 2^((n - 60) / 12) as a float.
//
// Threads: filled once while the library loads, before any instance exists, and only read
// afterwards, from any thread. Entries are relaxed atomics so that a refill (tests) while an
// audio thread reads stays well defined.
#pragma once

#include "platform/Capacities.hpp"
#include "platform/Relaxed.hpp"

namespace quovent {

class NoteRatioTable {
public:
    // Refills all 128 entries by repeated multiplication at double precision upward and
    // downward from entry 60, each rounded to float; the results equal the correctly
    // rounded powers of two.
    static void fill() noexcept;

    // Ratio of MIDI note n; n is masked to 0..127.
    static float ratio(int note) noexcept { return entries_[note & 0x7f].load(); }

    // Ratio of a slot's tune setting (0..1): whole semitones from an octave down to an
    // octave up, entry int(tune * 24 + 48) masked to 0..127.
    static float tuneRatio(float tune) noexcept { return ratio(truncate(tune * 24.0f + 48.0f)); }

    // Integer part of a table position computed from a setting. A setting far outside 0..1
    // (host automation may send anything) must not reach an undefined float-to-int
    // conversion: such positions, and NaN, give 0 before the 0..127 mask.
    static int truncate(float position) noexcept {
        constexpr float kLimit = 1.0e6f;
        return position > -kLimit && position < kLimit ? static_cast<int>(position) : 0;
    }

    // Multiplier of the release value of MIDI note-offs (each sequencer keeps its own):
    // 1.0 for a new instance, kNoteOffScaleAfterRate once the host has set a sample rate.
    static constexpr float kNoteOffScale = 1.0f;
    static constexpr float kNoteOffScaleAfterRate = 0.092879817f; // bits 0x3dbe37c6

private:
    static Relaxed<float> entries_[capacity::kMidiNotes];
};

} // namespace quovent
