#include "engine/PatternRow.hpp"

namespace quovent {

namespace {
constexpr float kTwoSemitonesUp = 0.12246215f;   // 2^(2/12) - 1
constexpr float kTwoSemitonesDown = 0.89089864f; // 2^(-2/12)
constexpr float kLowerHalfSlope = 0.21820273f;   // (1 - kTwoSemitonesDown) / 0.5
} // namespace

PatternRow::PatternRow() noexcept {
    clearSteps();
    initLanes();
}

bool PatternRow::anyStepOn() const noexcept {
    for (const auto& on : stepOn_) {
        if (on != 0) {
            return true;
        }
    }
    return false;
}

float PatternRow::stepPitchRatio(int i) const noexcept {
    const float t = lane(Lane::Tune, i);
    if (t >= 0.5f) {
        return 1.0f + (t - 0.5f) * 2.0f * kTwoSemitonesUp;
    }
    return kTwoSemitonesDown + t * kLowerHalfSlope;
}

void PatternRow::clearSteps() noexcept {
    for (auto& on : stepOn_) {
        on = 0;
    }
}

void PatternRow::initLane(int k) noexcept {
    for (auto& v : lanes_[k]) {
        v = kLaneDefault[k];
    }
}

void PatternRow::initLanes() noexcept {
    for (int k = 0; k < kLanes; ++k) {
        initLane(k);
    }
}

void PatternRow::copyAllFrom(const PatternRow& other) noexcept {
    stepOn_ = other.stepOn_;
    copyLanesFrom(other);
}

void PatternRow::copyLanesFrom(const PatternRow& other) noexcept {
    for (int k = 0; k < kLanes; ++k) {
        copyLaneFrom(k, other);
    }
}

void PatternRow::copyLaneFrom(int k, const PatternRow& other) noexcept {
    lanes_[k] = other.lanes_[k];
}

} // namespace quovent
