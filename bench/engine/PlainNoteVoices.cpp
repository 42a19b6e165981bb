#include "PlainNoteVoices.hpp"

#include "engine/DenormalGuard.hpp"
#include "engine/Playback.hpp"

#include <type_traits>

namespace quovent::bench {

namespace {
constexpr int kValues16 = 1 << 16; // every 16-bit value
} // namespace

PlainNoteVoices::PlainNoteVoices(Sequencer& seq, const std::array<Sample, 8>& samples,
                                 float* const* outputs)
    : values16_(kValues16) {
    for (int s = -kValues16 / 2; s < kValues16 / 2; ++s) {
        values16_[static_cast<std::uint16_t>(s)] = static_cast<float>(s * (1.15 / 32768.0));
    }
    VoicePool& pool = seq.voices();
    for (int i = 0; i < pool.count(); ++i) {
        const Voice& voice = pool.get(i);
        const Slot& slot = seq.slots().slot(voice.slot);
        const VoiceFilter& f = voice.filterLeft;
        PlainVoice v;
        v.sample = &samples[static_cast<std::size_t>(voice.slot)];
        v.outLeft = outputs[2 * slot.outputPair - 2];
        v.outRight = outputs[2 * slot.outputPair - 1];
        v.position = voice.position;
        v.increment = Playback::increment(slot, voice.pitchRatio, 1.0f, f.sampleRate);
        v.end = static_cast<float>(slot.sample.frameCount());
        v.gain = voice.gain * voice.velocityGain;
        v.leftGain = voice.leftGain;
        v.rightGain = voice.rightGain;
        if (f.type != VoiceFilter::kNone) {
            v.a0 = f.a0;
            v.a1 = f.a1;
            v.a2 = f.a2;
            v.b0 = f.b0;
            v.b1 = f.b1;
            v.b2 = f.b2;
            v.outputScale = f.type == VoiceFilter::kBandPass ? 2.0f : 1.0f;
        }
        v.left = {f.x1, f.x2, f.y1, f.y2};
        const VoiceFilter& g = voice.filterRight;
        v.right = {g.x1, g.x2, g.y1, g.y2};
        voices_.push_back(v);
    }
}

void PlainNoteVoices::render(int frames) noexcept {
    const DenormalGuard denormals; // as the engine renders its blocks
    for (PlainVoice& v : voices_) {
        if (v.position + (static_cast<float>(frames) + 1.0f) * v.increment + 2.0f >= v.end) {
            v.position = 0.0f;
        }
        if (v.sample->left16.empty()) {
            renderVoice(v, v.sample->left.data(), v.sample->right.data(), frames);
        } else {
            renderVoice(v, v.sample->left16.data(), v.sample->right16.data(), frames);
        }
    }
}

template <class T>
void PlainNoteVoices::renderVoice(PlainVoice& voice, const T* left, const T* right,
                                  int frames) noexcept {
    const float* table = values16_.data();
    // A local copy, so that the stores into the outputs cannot alias its fields.
    const PlainVoice v = voice;
    float position = v.position;
    Channel l = v.left;
    Channel r = v.right;
    for (int k = 0; k < frames; ++k) {
        position += v.increment;
        const int i = static_cast<int>(position);
        const float f = position - static_cast<float>(i);
        float l0, l1, r0, r1;
        if constexpr (std::is_same_v<T, float>) {
            l0 = left[i];
            l1 = left[i + 1];
            r0 = right[i];
            r1 = right[i + 1];
        } else {
            l0 = table[static_cast<std::uint16_t>(left[i])];
            l1 = table[static_cast<std::uint16_t>(left[i + 1])];
            r0 = table[static_cast<std::uint16_t>(right[i])];
            r1 = table[static_cast<std::uint16_t>(right[i + 1])];
        }
        const float xl = (1.0f - f) * l0 + f * l1;
        const float xr = (1.0f - f) * r0 + f * r1;
        const float yl = (v.b0 * xl + v.b1 * l.x1 + v.b2 * l.x2 - v.a1 * l.y1 - v.a2 * l.y2) / v.a0;
        const float yr = (v.b0 * xr + v.b1 * r.x1 + v.b2 * r.x2 - v.a1 * r.y1 - v.a2 * r.y2) / v.a0;
        l = {xl, l.x1, yl, l.y1};
        r = {xr, r.x1, yr, r.y1};
        v.outLeft[k] += yl * v.outputScale * v.gain * v.leftGain;
        v.outRight[k] += yr * v.outputScale * v.gain * v.rightGain;
    }
    voice.position = position;
    voice.left = l;
    voice.right = r;
}

} // namespace quovent::bench
