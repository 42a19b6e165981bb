// The sixteen steps of one slot in one pattern: an on flag and five modulation lanes
// (Vol, Tune, Freq, Res, Pan) per step, all control values 0..1.
//
// Threads: the editor thread writes steps and lanes while the audio thread reads them at
// block and step boundaries; every entry is a relaxed atomic.
#pragma once

#include "platform/Capacities.hpp"
#include "platform/Relaxed.hpp"

#include <array>

namespace quovent {

enum class Lane : int { Vol = 0, Tune = 1, Freq = 2, Res = 3, Pan = 4 };

class PatternRow {
public:
    static constexpr int kSteps = capacity::kSteps;
    static constexpr int kLanes = capacity::kLanes;
    // Reset values of the lanes, in lane order.
    static constexpr std::array<float, kLanes> kLaneDefault{1.0f, 0.5f, 1.0f, 1.0f, 0.5f};

    PatternRow() noexcept;

    // Playback accessors for step i (0..15).
    bool stepOn(int i) const noexcept { return stepOn_[i] != 0; }
    bool anyStepOn() const noexcept;
    float lane(int k, int i) const noexcept { return lanes_[k][i]; }
    float lane(Lane k, int i) const noexcept { return lane(static_cast<int>(k), i); }
    float stepGain(int i) const noexcept { return lane(Lane::Vol, i); }
    // 0 gives two semitones down, 0.5 unity, 1 two semitones up; linear within each half.
    float stepPitchRatio(int i) const noexcept;
    // 0.02 .. 1.0
    float stepCutoffScale(int i) const noexcept { return 0.02f + 0.98f * lane(Lane::Freq, i); }
    float stepResonanceScale(int i) const noexcept { return lane(Lane::Res, i); }
    float stepPan(int i) const noexcept { return lane(Lane::Pan, i); }

    // Editing.
    void setStep(int i, bool on) noexcept { stepOn_[i] = on ? 1 : 0; }
    void setLane(int k, int i, float value) noexcept { lanes_[k][i] = value; }
    void setLane(Lane k, int i, float value) noexcept { setLane(static_cast<int>(k), i, value); }
    void clearSteps() noexcept;
    void initLane(int k) noexcept;
    void initLanes() noexcept;
    void copyAllFrom(const PatternRow& other) noexcept;
    void copyLanesFrom(const PatternRow& other) noexcept;
    void copyLaneFrom(int k, const PatternRow& other) noexcept;

private:
    std::array<Relaxed<int>, kSteps> stepOn_;
    std::array<std::array<Relaxed<float>, kSteps>, kLanes> lanes_;
};

} // namespace quovent
