#include "engine/Sequencer.hpp"

namespace quovent {

double Sequencer::samplesPerStep(float sampleRate) const noexcept {
    const float bpm = tempo > 0.0f ? tempo.load() : kDefaultTempo;
    return static_cast<double>(sampleRate) / bpm * 15.0;
}

} // namespace quovent
