// The groove as a plain value: the eight row slots, all 24 patterns and the sequencer-wide
// settings, as a groove bank document (docs/bank-format.md) holds them. Reading a document
// fills one of these; only a value that passed every check is applied to the model.
//
// Its defaults are those of a freshly created instrument, so that whatever a document
// leaves out comes out as in a new instance. About 70 KB: allocate it, do not put it on a
// small stack.
#pragma once

#include "engine/PatternRow.hpp"
#include "platform/Capacities.hpp"

#include <array>
#include <string>

namespace quovent {

struct SlotDocument {
    std::string samplePath; // full path; empty for no sample
    float volume = 0.65f;
    float length = 1.0f;
    float tune = 0.5f;
    float freq = 1.0f;
    float res = 0.0f;
    float pan = 0.5f;
    int filterMode = 0;
    int outputPair = 1;
    bool active = true;
    bool sync = false;
};

struct RowDocument {
    std::array<bool, capacity::kSteps> stepOn{};
    std::array<std::array<float, capacity::kSteps>, capacity::kLanes> lanes{};

    RowDocument() {
        for (int k = 0; k < capacity::kLanes; ++k) {
            lanes[static_cast<std::size_t>(k)].fill(PatternRow::kLaneDefault[k]);
        }
    }
};

struct GrooveDocument {
    static constexpr const char* kFormat = "quovent-bank";
    // The version written, and the oldest one still read: a reader reads every version from
    // kFirstVersion to its own kVersion, so the state in saved projects stays readable.
    static constexpr int kVersion = 1;
    static constexpr int kFirstVersion = 1;
    // The lanes' member names in a pattern row, in lane order.
    static constexpr std::array<const char*, capacity::kLanes> kLaneNames{"vol", "tune", "freq",
                                                                          "res", "pan"};

    float shuffleAmount = 0.0f;
    float stepEditMode = 0.0f;
    int bank = 0;
    int key = 0;
    std::array<SlotDocument, capacity::kRowSlots> slots;
    std::array<std::array<RowDocument, capacity::kRowSlots>, capacity::kPatterns> patterns;
};

} // namespace quovent
