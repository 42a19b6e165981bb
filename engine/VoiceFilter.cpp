#include "engine/VoiceFilter.hpp"

namespace quovent {

int VoiceFilter::typeForMode(int filterMode) noexcept {
    switch (filterMode) {
    case 1:
        return kLowPass;
    case 2:
        return kBandPass;
    case 3:
        return kHighPass;
    default:
        return kNone;
    }
}

void VoiceFilter::setType(int t) noexcept {
    if (t == type) {
        return;
    }
    type = t;
    lastType = -1;
    computeCoefficients();
}

void VoiceFilter::setCoefficients(float cutoff, float resonance) noexcept {
    if (cutoff == lastCutoff && resonance == lastRes && lastType == type) {
        return;
    }
    lastCutoff = cutoff;
    lastRes = resonance;
    lastType = type;
    computeCoefficients();
}

void VoiceFilter::computeCoefficients() noexcept {
    // Filled in with the engine work.
}

float VoiceFilter::process(float x) noexcept { return x; }

} // namespace quovent
