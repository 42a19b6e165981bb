#include "tools/render/PairLevels.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quovent::render {

void PairLevels::add(const float* const* outputs, int frames) {
    for (int p = 0; p < kPairs; ++p) {
        for (int c = 2 * p; c <= 2 * p + 1; ++c) {
            for (int i = 0; i < frames; ++i) {
                const double v = outputs[c][i];
                peak_[p] = std::max(peak_[p], std::abs(v));
                energy_[p] += v * v;
            }
        }
    }
    frames_ += frames;
}

double PairLevels::rms(int pair) const {
    return frames_ == 0 ? 0.0 : std::sqrt(energy_[pair] / (2.0 * static_cast<double>(frames_)));
}

double PairLevels::decibels(double level) {
    return level > 0.0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
}

} // namespace quovent::render
