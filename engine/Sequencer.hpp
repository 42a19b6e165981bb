// The sequencer's whole model: slots, patterns, voices and the sequencer-wide settings.
// The editor object owns one for the instance's whole life, so the instrument plays and
// answers MIDI whether or not its window is open.
//
// Threads: settings shared between the editor thread and the audio thread are relaxed
// 32-bit values. The voice pool belongs to the audio thread.
#pragma once

#include "engine/PatternBank.hpp"
#include "engine/SlotBank.hpp"
#include "engine/VoicePool.hpp"

#include <cstdint>

namespace quovent {

class Sequencer {
public:
    static constexpr float kDefaultTempo = 120.0f;

    SlotBank& slots() noexcept { return slots_; }
    const SlotBank& slots() const noexcept { return slots_; }
    PatternBank& patterns() noexcept { return patterns_; }
    const PatternBank& patterns() const noexcept { return patterns_; }
    VoicePool& voices() noexcept { return voices_; }

    // Play button state; set by the editor, cleared also by MIDI (pattern note-off, CC 123).
    Relaxed<int> playing{0};
    Relaxed<float> shuffleAmount{0.0f};
    // Last host tempo seen by the audio thread, BPM; 0 until the first block.
    Relaxed<float> tempo{0.0f};
    // Live voice count as of the end of the last block, for the editor's Notes readout.
    Relaxed<int> liveVoices{0};

    // Samples per sixteenth-note step at the given host rate; the tempo counts as 120
    // until the audio thread has seen one.
    double samplesPerStep(float sampleRate) const noexcept;

    // Audio thread: one MIDI message of the host's event list (status and two data bytes),
    // deltaFrames into the coming block.
    void midiEvent(int deltaFrames, std::uint8_t status, std::uint8_t data1,
                   std::uint8_t data2) noexcept;
    // Audio thread: renders one block, adding into the twelve outputs. hostTempo is the
    // host's tempo in BPM, or 0 when the host gave none (then 120).
    void renderBlock(float* const* outputs, int frames, float hostTempo,
                     float sampleRate) noexcept;

    // Editor thread: note starts and stops of the Play button and the pattern keys, handed
    // to the audio thread and applied at the start of the next block.
    void postNoteOn(int note, int velocity, int channel) noexcept;
    void postNoteOff(int note, int channel, float release) noexcept;

private:
    SlotBank slots_;
    PatternBank patterns_;
    VoicePool voices_;
};

} // namespace quovent
