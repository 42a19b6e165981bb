// The sequencer's whole model: slots, patterns, voices and the sequencer-wide settings.
// The instrument owns one for the instance's whole life, so it plays and answers MIDI
// whether or not an editor exists.
//
// Threads: settings shared between the editor thread and the audio thread are relaxed
// 32-bit values. The voice pool belongs to the audio thread.
#pragma once

#include "engine/BlockContext.hpp"
#include "engine/NoteRatioTable.hpp"
#include "engine/PatternBank.hpp"
#include "engine/SlotBank.hpp"
#include "engine/TransportRequest.hpp"
#include "engine/VoicePool.hpp"

#include <cstdint>

namespace quovent {

class Sequencer {
public:
    static constexpr float kDefaultTempo = 120.0f;
    // Host tempos are taken within these bounds (BPM); 0 or anything not a positive number
    // means the host has none. The upper bound keeps a step at 15 frames or more even at
    // the lowest accepted rate, so one frame never crosses more than one step boundary.
    static constexpr float kMinTempo = 1.0f;
    static constexpr float kMaxTempo = 1000.0f;
    // Host rates outside these bounds (Hz) are taken as the nearer bound.
    static constexpr float kMinSampleRate = 1000.0f;
    static constexpr float kMaxSampleRate = 1.0e6f;
    static constexpr int kPatternChannel = 14; // MIDI channel 15: pattern notes
    static constexpr int kDrumChannel = 9;     // MIDI channel 10: slots 1..8 at their own pitch
    static constexpr int kIgnoredChannel = 15; // MIDI channel 16
    static constexpr int kFirstPatternNote = 60;
    static constexpr int kFirstDrumNote = 60;
    static constexpr int kAllNotesOff = 123;

    SlotBank& slots() noexcept { return slots_; }
    const SlotBank& slots() const noexcept { return slots_; }
    PatternBank& patterns() noexcept { return patterns_; }
    const PatternBank& patterns() const noexcept { return patterns_; }
    VoicePool& voices() noexcept { return voices_; }

    // Play button state: 1 while the pattern the editor started plays. Set at once by the
    // editor's requests (so the button answers a click even while the host renders no
    // blocks), then by the audio thread when it carries a request out, and cleared by MIDI
    // that stops that pattern (its pattern note-off, CC 123).
    Relaxed<int> playing{0};
    Relaxed<float> shuffleAmount{0.0f};
    // Last host tempo seen by the audio thread, BPM; 0 until the first block.
    Relaxed<float> tempo{0.0f};
    // Live voice count as of the end of the last block, for the editor's Notes readout.
    Relaxed<int> liveVoices{0};

    // The host has set a sample rate: MIDI note-offs from now on release with the scale
    // that follows a rate (NoteRatioTable::kNoteOffScaleAfterRate). Per instance: another
    // instance's creation or rate change leaves this one's as it is.
    void useNoteOffScaleAfterRate() noexcept {
        noteOffScale_ = NoteRatioTable::kNoteOffScaleAfterRate;
    }
    float noteOffScale() const noexcept { return noteOffScale_; }

    // A host rate within kMinSampleRate..kMaxSampleRate: the nearer bound for one outside,
    // the lower one for NaN.
    static float usableSampleRate(float rate) noexcept;

    // Samples per sixteenth-note step at the given host rate; the tempo counts as 120
    // until the audio thread has seen one.
    double samplesPerStep(float sampleRate) const noexcept;

    // Audio thread: one MIDI message of the host's event list (status and two data bytes),
    // deltaFrames into the coming block. Any bytes are safe: what is not a note or
    // controller 123 is ignored.
    void midiEvent(int deltaFrames, std::uint8_t status, std::uint8_t data1,
                   std::uint8_t data2) noexcept;
    // Audio thread: renders one block, adding into the twelve outputs. hostTempo is the
    // host's tempo in BPM, or 0 when the host gave none (then 120).
    void renderBlock(float* const* outputs, int frames, float hostTempo, float sampleRate) noexcept;

    // Editor thread (one writer at a time: a restore of the host's saved state also selects
    // the pattern, under the editor's model lock): the Play button and the pattern keys.
    // requestPlay plays pattern p (0..23) from its start at velocity 127, in place of
    // whatever the editor played before; requestStop stops what the editor started. The
    // audio thread carries out the latest request at the start of its next block, as a
    // pattern note-off and note-on at delta 0 would.
    void requestPlay(int pattern) noexcept;
    void requestStop() noexcept;

    // The host stopped and restarts the audio: no voice sounds any more, no editor request
    // waits, no key is held and the Play button is dark. The groove stays as it is. Called
    // where the audio thread is not rendering (or on it, between blocks).
    void reset() noexcept;

private:
    void noteOn(int note, int velocity, int deltaFrames, int channel) noexcept;
    void noteOff(int note, int channel, float release) noexcept;
    void allNotesOff() noexcept;
    // Release value of a MIDI note-off on this channel, from the tune of the slot with the
    // channel's index.
    float releaseFor(int channel) const noexcept;
    Voice makeVoice(int slot, int channel, int note, int velocity, int deltaFrames) const noexcept;
    void applyRequest() noexcept;
    void stopPattern(int pattern) noexcept;
    void updateTempo(float hostTempo, float rate) noexcept;
    void renderVoices(const BlockContext& block) noexcept;

    SlotBank slots_;
    PatternBank patterns_;
    VoicePool voices_;
    TransportRequest request_;
    // Audio thread: the pattern the editor's last request started and that still plays (no
    // MIDI stopped it), -1 for none.
    int editorPattern_ = -1;
    // Audio thread: the host rate of the last block (new voices' filters start with it) and
    // the rate the sync increments were last computed for.
    float hostRate_ = 44100.0f;
    float syncRate_ = 0.0f;
    Relaxed<float> noteOffScale_{NoteRatioTable::kNoteOffScale};
};

} // namespace quovent
