#include "engine/NoteVoiceRenderer.hpp"

#include "engine/Playback.hpp"

namespace quovent {

namespace {

// The per-block constants of one note voice.
struct NoteBlock {
    const SampleBuffer* sample;
    Playback::Outputs out;
    float increment;
    float end;      // the play length, frames
    float fadeFrom; // the fade toward the end begins past this position
    float volume;
    float leftTarget;
    float rightTarget;
    float velocity;
    bool active;
};

// The voice's running values, kept in locals while the frames run.
struct NoteRun {
    float position;
    float fadeGain;
    float gain;
    float leftGain;
    float rightGain;
    std::int32_t countdown;
};

// Runs frames [start, frames); true when the voice ended. kFiltered selects the filtered
// variant at compile time so that the unfiltered loop carries no filter code.
template <bool kFiltered>
bool runFrames(const NoteBlock& b, NoteRun& r, VoiceFilter& fl, VoiceFilter& fr, int start,
               int frames) noexcept {
    NoteRun s = r;
    VoiceFilter left = fl;
    VoiceFilter right = fr;
    bool ended = false;
    for (int k = start; k < frames; ++k) {
        if (s.countdown != 0 || b.fadeFrom < s.position || s.fadeGain < 1.0f) {
            s.fadeGain *= Playback::kFadeFactor;
            if (s.fadeGain < Playback::kFadeCut) {
                s.fadeGain = 0.0f;
                s.countdown = 0;
                ended = true;
                break;
            }
            if (--s.countdown == 0) {
                ended = true;
                break;
            }
        }
        s.position += b.increment;
        if (s.position >= b.end) {
            ended = true; // the play length is played out
            break;
        }
        if (!b.active) {
            continue;
        }
        float l = 0.0f;
        float rr = 0.0f;
        Playback::read(*b.sample, s.position, l, rr);
        s.gain = Playback::smooth(s.gain, b.volume, Playback::kGainRate);
        s.leftGain = Playback::smooth(s.leftGain, b.leftTarget, Playback::kPanRate);
        s.rightGain = Playback::smooth(s.rightGain, b.rightTarget, Playback::kPanRate);
        const float a = s.gain * b.velocity * s.fadeGain;
        if constexpr (kFiltered) {
            l = left.step(l);
            rr = right.step(rr);
        }
        if (b.out.left != nullptr) {
            b.out.left[k] += l * a * s.leftGain;
            b.out.right[k] += rr * a * s.rightGain;
        }
    }
    r = s;
    fl = left;
    fr = right;
    return ended;
}

} // namespace

bool NoteVoiceRenderer::render(Voice& voice, const Slot& slot, const BlockContext& block) noexcept {
    const float increment = Playback::increment(slot, voice.pitchRatio, 1.0f, block.hostRate);
    if (!Playback::playable(increment)) {
        return true;
    }
    const int length = Playback::playLength(slot.length, slot.sample.frameCount());
    const float pan = slot.pan;
    NoteBlock b{};
    b.sample = &slot.sample;
    b.out = Playback::outputPair(block.outputs, slot.outputPair);
    b.increment = increment;
    b.end = static_cast<float>(length);
    b.fadeFrom = b.end - increment * Playback::kFadeFrames;
    b.volume = slot.volume;
    b.leftTarget = Playback::panLeft(pan);
    b.rightTarget = Playback::panRight(pan);
    b.velocity = voice.velocityGain;
    b.active = slot.active != 0;

    const int type = VoiceFilter::typeForMode(slot.filterMode);
    const float freq = slot.freq;
    const float res = slot.res;
    for (VoiceFilter* f : {&voice.filterLeft, &voice.filterRight}) {
        f->setType(type);
        f->setCoefficients(freq * freq, res);
        f->flushState();
    }

    const int start = Playback::takeStartFrame(voice, block.frames);
    NoteRun r{voice.position, voice.fadeGain,  voice.gain,
              voice.leftGain, voice.rightGain, voice.stopCountdown};
    const bool ended =
        type == VoiceFilter::kNone
            ? runFrames<false>(b, r, voice.filterLeft, voice.filterRight, start, block.frames)
            : runFrames<true>(b, r, voice.filterLeft, voice.filterRight, start, block.frames);
    voice.position = r.position;
    voice.fadeGain = r.fadeGain;
    voice.gain = r.gain;
    voice.leftGain = r.leftGain;
    voice.rightGain = r.rightGain;
    voice.stopCountdown = r.countdown;
    return ended;
}

} // namespace quovent
