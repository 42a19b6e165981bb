#include "engine/Sequencer.hpp"

#include "engine/DenormalGuard.hpp"
#include "engine/NoteRatioTable.hpp"
#include "engine/NoteVoiceRenderer.hpp"
#include "engine/PatternVoiceRenderer.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

namespace {
constexpr int kNoteOn = 0x90;
constexpr int kNoteOff = 0x80;
constexpr int kController = 0xB0;
constexpr int kRowSlots = capacity::kRowSlots;
constexpr int kLastPatternNote = Sequencer::kFirstPatternNote + capacity::kPatterns - 1;
constexpr int kLastDrumNote = Sequencer::kFirstDrumNote + kRowSlots - 1;
constexpr float kVelocityScale = 1.0f / 254.0f; // velocity 127 gives 0.5
constexpr int kEditorVelocity = 127;            // patterns started with the Play button

// The note-off key of slot s's voice of pattern note m: 60 uses 60..67, 61 uses 68..75.
int patternKey(int note, int s) noexcept {
    return 8 * note - 420 + s;
}

float tempoOf(float hostTempo) noexcept {
    if (!(hostTempo > 0.0f) || !std::isfinite(hostTempo)) {
        return Sequencer::kDefaultTempo;
    }
    return std::clamp(hostTempo, Sequencer::kMinTempo, Sequencer::kMaxTempo);
}

float shuffleOf(float amount) noexcept {
    if (!(amount > 0.0f)) {
        return 0.0f; // also NaN
    }
    return std::min(amount, 1.0f);
}
} // namespace

float Sequencer::usableSampleRate(float rate) noexcept {
    if (!(rate > kMinSampleRate)) {
        return kMinSampleRate; // also NaN
    }
    return std::min(rate, kMaxSampleRate);
}

double Sequencer::samplesPerStep(float sampleRate) const noexcept {
    const float bpm = tempo > 0.0f ? tempo.load() : kDefaultTempo;
    // Multiplied before dividing, so a whole number of samples comes out whole (48 kHz at
    // 90 BPM is exactly 8000, where dividing first gives a hair more and steps a frame late).
    return static_cast<double>(sampleRate) * 15.0 / bpm;
}

// ---- MIDI -------------------------------------------------------------------------------

void Sequencer::midiEvent(int deltaFrames, std::uint8_t status, std::uint8_t data1,
                          std::uint8_t data2) noexcept {
    const int channel = status & 0x0F;
    const int kind = status & 0xF0;
    if (kind == kNoteOn || kind == kNoteOff) {
        const int note = data1 & 0x7F;
        const int velocity = data2 & 0x7F;
        if (kind == kNoteOff || velocity == 0) {
            noteOff(note, channel, releaseFor(channel));
        } else {
            noteOn(note, velocity, deltaFrames, channel);
        }
    } else if (kind == kController && data1 == kAllNotesOff) {
        allNotesOff();
    }
}

float Sequencer::releaseFor(int channel) const noexcept {
    const float tune = slots_.slot(channel).tune;
    const int index = NoteRatioTable::truncate(tune * 24.0f - 12.0f + 60.0f);
    return noteOffScale_ * NoteRatioTable::ratio(index) - 1.0f;
}

Voice Sequencer::makeVoice(int slot, int channel, int note, int velocity,
                           int deltaFrames) const noexcept {
    Voice v;
    v.slot = slot;
    v.channel = channel;
    v.note = note;
    v.velocityGain = static_cast<float>(velocity) * kVelocityScale;
    v.startDelta = deltaFrames;
    const int type = VoiceFilter::typeForMode(slots_.slot(slot).filterMode);
    for (VoiceFilter* f : {&v.filterLeft, &v.filterRight}) {
        f->setType(type);
        f->setSampleRate(hostRate_);
    }
    return v;
}

void Sequencer::noteOn(int note, int velocity, int deltaFrames, int channel) noexcept {
    if (channel == kIgnoredChannel) {
        return;
    }
    if (channel == kPatternChannel) {
        if (note < kFirstPatternNote || note > kLastPatternNote) {
            return;
        }
        // All eight or none: a pattern missing some of its slots would play out of shape.
        if (voices_.freeEntries() < kRowSlots) {
            return;
        }
        for (int s = 0; s < kRowSlots; ++s) {
            Voice v =
                makeVoice(s, Voice::kPatternChannel, patternKey(note, s), velocity, deltaFrames);
            v.pattern = note - kFirstPatternNote;
            v.patternVoice = 1;
            voices_.append(v);
        }
        return;
    }
    if (channel == kDrumChannel) {
        if (note >= kFirstDrumNote && note <= kLastDrumNote) {
            voices_.append(makeVoice(note - kFirstDrumNote, channel, note, velocity, deltaFrames));
        }
        return;
    }
    Voice v = makeVoice(channel, channel, note, velocity, deltaFrames);
    v.pitchRatio = NoteRatioTable::ratio(note);
    voices_.append(v); // a full pool refuses it; the key still counts as held
    if (channel < kRowSlots) {
        Slot& slot = slots_.slot(channel);
        slot.heldNotes = slot.heldNotes + 1;
        slot.lamp = 1;
    }
}

void Sequencer::noteOff(int note, int channel, float release) noexcept {
    if (channel == kIgnoredChannel) {
        return;
    }
    if (channel == kPatternChannel) {
        // The note stops the editor's pattern too when it is the same one: the Play button
        // then goes dark with its voices.
        if (editorPattern_ >= 0 && note == kFirstPatternNote + editorPattern_) {
            editorPattern_ = -1;
            playing = 0;
        }
        for (int s = 0; s < kRowSlots; ++s) {
            voices_.stopMatching(patternKey(note, s), Voice::kPatternChannel, release);
        }
        return;
    }
    if (channel == kDrumChannel) {
        if (note >= kFirstDrumNote && note <= kLastDrumNote) {
            voices_.stopMatching(note, channel, release);
        }
        return;
    }
    voices_.stopMatching(note, channel, release);
    if (channel < kRowSlots) {
        Slot& slot = slots_.slot(channel);
        const int held = slot.heldNotes - 1;
        if (held <= 0) {
            slot.lamp = 0;
            slot.heldNotes = 0;
        } else {
            slot.heldNotes = held;
        }
    }
}

void Sequencer::allNotesOff() noexcept {
    editorPattern_ = -1;
    playing = 0;
    voices_.stopAll();
    for (int s = 0; s < kRowSlots; ++s) {
        slots_.slot(s).heldNotes = 0; // the lamps stay as they are until the next note-off
    }
}

// ---- The editor's requests ------------------------------------------------------------------

void Sequencer::requestPlay(int pattern) noexcept {
    // Shown at once, and published after: whatever the audio thread wrote before it takes
    // this request, it writes the requested state when it carries it out.
    playing = 1;
    request_.post(TransportRequest::Action::Play, std::clamp(pattern, 0, capacity::kPatterns - 1));
}

void Sequencer::requestStop() noexcept {
    playing = 0;
    request_.post(TransportRequest::Action::Stop, 0);
}

void Sequencer::reset() noexcept {
    voices_.clear();
    TransportRequest::Request dropped;
    request_.take(dropped);
    editorPattern_ = -1;
    playing = 0;
    for (int s = 0; s < kRowSlots; ++s) {
        slots_.slot(s).heldNotes = 0;
        slots_.slot(s).lamp = 0;
    }
    liveVoices = 0;
}

void Sequencer::stopPattern(int pattern) noexcept {
    const int note = kFirstPatternNote + pattern;
    for (int s = 0; s < kRowSlots; ++s) {
        voices_.stopMatching(patternKey(note, s), Voice::kPatternChannel, 0.0f);
    }
}

void Sequencer::applyRequest() noexcept {
    TransportRequest::Request r;
    if (!request_.take(r)) {
        return;
    }
    // Whatever the editor started before stops first, also when the same pattern plays
    // again: it then starts over from its first step.
    if (editorPattern_ >= 0) {
        stopPattern(editorPattern_);
        editorPattern_ = -1;
    }
    if (r.action == TransportRequest::Action::Play) {
        const int before = voices_.count();
        noteOn(kFirstPatternNote + r.pattern, kEditorVelocity, 0, kPatternChannel);
        // A pool without room for eight more voices starts none: the button then goes dark.
        if (voices_.count() > before) {
            editorPattern_ = r.pattern;
        }
    }
    playing = editorPattern_ >= 0 ? 1 : 0;
}

// ---- Blocks -----------------------------------------------------------------------------

void Sequencer::updateTempo(float hostTempo, float rate) noexcept {
    const float bpm = tempoOf(hostTempo);
    if (bpm == tempo && rate == syncRate_) {
        return;
    }
    tempo = bpm;
    syncRate_ = rate;
    // Every slot, not only those the editor has shown: a slot set up before the window
    // first opened must follow the tempo too.
    const double sps = samplesPerStep(rate);
    for (int i = 0; i < SlotBank::kSlots; ++i) {
        Slot& slot = slots_.slot(i);
        if (slot.sync != 0) {
            slot.updateSyncIncrement(sps);
        }
    }
}

void Sequencer::renderVoices(const BlockContext& block) noexcept {
    const int count = voices_.count();
    for (int i = 0; i < count; ++i) {
        // A rate change reaches running voices' filters here.
        voices_.get(i).filterLeft.setSampleRate(block.hostRate);
        voices_.get(i).filterRight.setSampleRate(block.hostRate);
    }
    for (int i = 0; i < count;) {
        if (voices_.get(i).patternVoice != 0) {
            // Pattern voices that follow each other render as a run too.
            Voice* run[PatternVoiceRenderer::kMaxRun];
            const Slot* runSlots[PatternVoiceRenderer::kMaxRun];
            const PatternRow* rows[PatternVoiceRenderer::kMaxRun];
            bool ended[PatternVoiceRenderer::kMaxRun] = {};
            int n = 0;
            while (n < PatternVoiceRenderer::kMaxRun && i + n < count &&
                   voices_.get(i + n).patternVoice != 0) {
                Voice& p = voices_.get(i + n);
                run[n] = &p;
                runSlots[n] = &slots_.slot(p.slot);
                rows[n] = &patterns_.row(p.pattern, p.slot);
                ++n;
            }
            PatternVoiceRenderer::renderRun(run, runSlots, rows, ended, n, block);
            for (int j = 0; j < n; ++j) {
                if (ended[j]) {
                    voices_.markFinished(i + j);
                }
            }
            i += n;
            continue;
        }
        // Note voices that follow each other render as a run, side by side where they can.
        Voice* run[NoteVoiceRenderer::kMaxRun];
        const Slot* runSlots[NoteVoiceRenderer::kMaxRun];
        bool ended[NoteVoiceRenderer::kMaxRun] = {};
        int n = 0;
        while (n < NoteVoiceRenderer::kMaxRun && i + n < count &&
               voices_.get(i + n).patternVoice == 0) {
            run[n] = &voices_.get(i + n);
            runSlots[n] = &slots_.slot(run[n]->slot);
            ++n;
        }
        NoteVoiceRenderer::renderRun(run, runSlots, ended, n, block);
        for (int j = 0; j < n; ++j) {
            if (ended[j]) {
                voices_.markFinished(i + j);
            }
        }
        i += n;
    }
    voices_.removeFinished();
}

void Sequencer::renderBlock(float* const* outputs, int frames, float hostTempo,
                            float sampleRate) noexcept {
    const DenormalGuard denormals;
    const float rate = usableSampleRate(sampleRate);
    hostRate_ = rate;
    applyRequest();
    updateTempo(hostTempo, rate);
    if (frames > 0) {
        BlockContext block;
        block.outputs = outputs;
        block.frames = frames;
        block.hostRate = rate;
        block.samplesPerStep = samplesPerStep(rate);
        block.shuffleDelay = block.samplesPerStep * shuffleOf(shuffleAmount) * 0.5;
        block.silentSlots = slots_.silentSlots();
        renderVoices(block);
    }
    liveVoices = voices_.count();
}

} // namespace quovent
