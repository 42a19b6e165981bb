#include "engine/NoteRatioTable.hpp"

namespace quovent {

namespace {
constexpr int kUnityNote = 60;
constexpr double kSemitoneUp = 1.059463094359;
constexpr double kSemitoneDown = 0.9438743126819565;

// Filled once at load so that a table is usable even before any instance exists.
struct InitialFill {
    InitialFill() noexcept { NoteRatioTable::fill(); }
};
} // namespace

Relaxed<float> NoteRatioTable::entries_[capacity::kMidiNotes];

void NoteRatioTable::fill() noexcept {
    double value = 1.0;
    entries_[kUnityNote] = 1.0f;
    for (int n = kUnityNote + 1; n < capacity::kMidiNotes; ++n) {
        value *= kSemitoneUp;
        entries_[n] = static_cast<float>(value);
    }
    value = 1.0;
    for (int n = kUnityNote - 1; n >= 0; --n) {
        value *= kSemitoneDown;
        entries_[n] = static_cast<float>(value);
    }
}

namespace {
const InitialFill initialFill;
}

} // namespace quovent
