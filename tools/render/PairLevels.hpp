// Peak and RMS level of each of the six output pairs over the whole render.
#pragma once

#include <array>
#include <cstdint>

namespace quovent::render {

class PairLevels {
public:
    static constexpr int kPairs = 6;

    // The twelve output channels of one block.
    void add(const float* const* outputs, int frames);

    double peak(int pair) const { return peak_[pair]; } // 0..; 1 is full scale
    double rms(int pair) const;                         // over both channels
    static double decibels(double level);               // dBFS; -inf for 0

private:
    std::array<double, kPairs> peak_{};
    std::array<double, kPairs> energy_{};
    std::int64_t frames_ = 0;
};

} // namespace quovent::render
