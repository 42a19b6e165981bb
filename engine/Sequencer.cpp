#include "engine/Sequencer.hpp"

namespace quovent {

double Sequencer::samplesPerStep(float sampleRate) const noexcept {
    const float bpm = tempo > 0.0f ? tempo.load() : kDefaultTempo;
    return static_cast<double>(sampleRate) / bpm * 15.0;
}

// Placeholders until the MIDI handling and block renderer exist.
void Sequencer::midiEvent(int, std::uint8_t, std::uint8_t, std::uint8_t) noexcept {}
void Sequencer::renderBlock(float* const*, int, float, float) noexcept {}
void Sequencer::postNoteOn(int, int, int) noexcept {}
void Sequencer::postNoteOff(int, int, float) noexcept {}

} // namespace quovent
