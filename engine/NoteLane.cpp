#include "engine/NoteLane.hpp"

namespace quovent {

bool NoteLane::prepare(Voice& voice, const Slot& slot, const BlockContext& block) noexcept {
    increment = Playback::increment(slot, voice.pitchRatio, 1.0f, block.hostRate);
    if (!Playback::playable(increment)) {
        return false;
    }
    const Playback::Outputs out = Playback::outputPair(block.outputs, slot.outputPair);
    const float pan = slot.pan;
    sample = slot.sample.view();
    outLeft = out.left;
    outRight = out.right;
    // The fade toward the end of the play length starts 1800 x increment frames before it;
    // the sound then goes on past that end, fading, until the fade has died away. Only the
    // end of the sample's data stops it earlier.
    const int frames = slot.sample.frameCount();
    end = static_cast<float>(frames);
    fadeFrom = static_cast<float>(Playback::playLength(slot.length, frames)) -
               increment * Playback::kFadeFrames;
    volume = slot.volume;
    leftTarget = Playback::panLeft(pan);
    rightTarget = Playback::panRight(pan);
    velocity = voice.velocityGain;
    active = block.sounds(slot.index());

    const int type = VoiceFilter::typeForMode(slot.filterMode);
    const float freq = slot.freq;
    const float res = slot.res;
    for (VoiceFilter* f : {&voice.filterLeft, &voice.filterRight}) {
        f->setType(type);
        f->setCoefficients(freq * freq, res);
        f->flushState();
    }
    filtered = type != VoiceFilter::kNone;
    filterLeft = voice.filterLeft;
    filterRight = voice.filterRight;

    position = voice.position;
    fadeGain = voice.fadeGain;
    gain = voice.gain;
    leftGain = voice.leftGain;
    rightGain = voice.rightGain;
    countdown = voice.stopCountdown;
    settled = false;
    start = Playback::takeStartFrame(voice, block.frames);
    return true;
}

void NoteLane::finish(Voice& voice) const noexcept {
    voice.position = position;
    voice.fadeGain = fadeGain;
    voice.gain = gain;
    voice.leftGain = leftGain;
    voice.rightGain = rightGain;
    voice.stopCountdown = countdown;
    voice.filterLeft = filterLeft;
    voice.filterRight = filterRight;
}

} // namespace quovent
