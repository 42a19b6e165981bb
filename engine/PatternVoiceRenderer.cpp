#include "engine/PatternVoiceRenderer.hpp"

#include "engine/NoteVoiceGroup.hpp"
#include "engine/Playback.hpp"

#include "engine/VectorLanes.hpp"
#include "platform/CpuFeatures.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace quovent {

namespace {

constexpr int kSteps = PatternRow::kSteps;
constexpr int kStopResonanceFrames = 200; // a stopping voice's resonance falls this often

int nextStep(int c) noexcept {
    return (c + 1) % kSteps;
}

// The slot settings, read once per block.
struct SlotView {
    SampleView sample;
    Playback::Outputs out;
    float volume;
    float pan;
    float freqSquared;
    float res;
    float end; // play length, frames
    int type;
    float hostRate;
};

// The running values of the voice, in locals while the frames run.
struct PatternRun {
    double clock;
    float position;
    float fadeGain;
    float gain;
    float leftGain;
    float rightGain;
    float stepGain;
    float stepPan;
    float stepRatio;
    float heldLeft;
    float heldRight;
    float resonanceFade;
    float increment;
    float cutoff; // filter inputs of the step
    float resonance;
    float gainTarget; // smoothing targets of the step
    float leftTarget;
    float rightTarget;
    std::int32_t stopFadedFrames;
    int step;
    bool sounding;
};

void setFilters(VoiceFilter& left, VoiceFilter& right, float cutoff, float resonance) noexcept {
    left.setCoefficients(cutoff, resonance);
    right.setCoefficients(cutoff, resonance);
}

void stepFilterInputs(PatternRun& r, const SlotView& s, const PatternRow& row, int c) noexcept {
    r.cutoff = s.freqSquared * row.stepCutoffScale(c);
    r.resonance = row.stepResonanceScale(c) * s.res;
}

void stepTargets(PatternRun& r, const SlotView& s) noexcept {
    r.gainTarget = r.stepGain * s.volume;
    r.leftTarget = Playback::panLeft(s.pan) * Playback::panLeft(r.stepPan);
    r.rightTarget = Playback::panRight(r.stepPan) * Playback::panRight(s.pan);
}

// Takes step n's gain, pan and pitch (and the increment that follows from them).
void takeStepValues(PatternRun& r, const Slot& slot, const SlotView& s, const PatternRow& row,
                    float pitchRatio, int n) noexcept {
    r.stepGain = row.stepGain(n);
    r.stepPan = row.stepPan(n);
    r.stepRatio = row.stepPitchRatio(n);
    r.increment = Playback::increment(slot, pitchRatio, r.stepRatio, s.hostRate);
    stepTargets(r, s);
}

// The sample starts from its beginning at full level, gains set at once.
void trigger(PatternRun& r) noexcept {
    r.position = 0.0f;
    r.fadeGain = 1.0f;
    r.gain = r.gainTarget;
    r.leftGain = r.leftTarget;
    r.rightGain = r.rightTarget;
    r.sounding = true;
}

SlotView viewSlot(const Slot& slot, const BlockContext& block) noexcept {
    SlotView s{};
    s.sample = slot.sample.view();
    s.out = Playback::outputPair(block.outputs, slot.outputPair);
    s.volume = slot.volume;
    s.pan = slot.pan;
    const float freq = slot.freq;
    s.freqSquared = freq * freq;
    s.res = slot.res;
    s.end = static_cast<float>(Playback::playLength(slot.length, slot.sample.frameCount()));
    s.type = VoiceFilter::typeForMode(slot.filterMode);
    s.hostRate = block.hostRate;
    return s;
}

PatternRun load(const Voice& v) noexcept {
    PatternRun r{};
    r.clock = v.patternPosition;
    r.position = v.position;
    r.fadeGain = v.fadeGain;
    r.gain = v.gain;
    r.leftGain = v.leftGain;
    r.rightGain = v.rightGain;
    r.stepGain = v.stepGain;
    r.stepPan = v.stepPan;
    r.stepRatio = v.stepRatio;
    r.heldLeft = v.heldLeft;
    r.heldRight = v.heldRight;
    r.resonanceFade = v.resonanceFade;
    r.stopFadedFrames = v.stopFadedFrames;
    r.step = v.step;
    r.sounding = v.sounding != 0;
    return r;
}

void store(const PatternRun& r, Voice& v) noexcept {
    v.patternPosition = r.clock;
    v.position = r.position;
    v.fadeGain = r.fadeGain;
    v.gain = r.gain;
    v.leftGain = r.leftGain;
    v.rightGain = r.rightGain;
    v.stepGain = r.stepGain;
    v.stepPan = r.stepPan;
    v.stepRatio = r.stepRatio;
    v.heldLeft = r.heldLeft;
    v.heldRight = r.heldRight;
    v.resonanceFade = r.resonanceFade;
    v.stopFadedFrames = r.stopFadedFrames;
    v.step = r.step;
    v.sounding = r.sounding ? 1 : 0;
}

// Brings the clock into the pattern: after a tempo rise (shorter steps) or blocks that were
// skipped it may lie beyond 16 steps, and no step past 15 may ever be looked up.
double wrapClock(double clock, double period) noexcept {
    if (clock >= 0.0 && clock < period) {
        return clock;
    }
    const double wrapped = std::fmod(clock, period);
    return wrapped >= 0.0 && wrapped < period ? wrapped : 0.0;
}

// The fade before a step that is on starts 1800 x increment frames before its boundary,
// and before the end of the play length as long before that.
double fadeStartBefore(double boundary, const PatternRun& r) noexcept {
    return boundary - static_cast<double>(r.increment * Playback::kFadeFrames);
}
float fadeStartBefore(const SlotView& s, const PatternRun& r) noexcept {
    return s.end - r.increment * Playback::kFadeFrames;
}

// Step boundaries after a frame: every one that the clock reached, each on the shuffled
// grid. nextOn and boundary belong to the step the voice is in and move on with it.
void crossBoundaries(PatternRun& r, VoiceFilter& fl, VoiceFilter& fr, const Slot& slot,
                     const SlotView& s, const PatternRow& row, const Voice& voice,
                     const BlockContext& block, bool& nextOn, double& boundary) noexcept {
    const double sps = block.samplesPerStep;
    const double period = kSteps * sps;
    for (int guard = 0; guard < kSteps && r.clock >= boundary; ++guard) {
        const int n = nextStep(r.step);
        takeStepValues(r, slot, s, row, voice.pitchRatio, n);
        stepFilterInputs(r, s, row, n);
        setFilters(fl, fr, r.cutoff, r.resonance);
        if (nextOn) {
            trigger(r);
        }
        if (n == 0) {
            r.clock -= period; // the pattern loops
        }
        r.step = n;
        nextOn = row.stepOn(nextStep(n));
        boundary = PatternVoiceRenderer::boundaryAfter(n, sps, block.shuffleDelay);
    }
}

// The frames of one rendered block. kFiltered selects the variant with the filter.
template <bool kFiltered>
bool runFrames(PatternRun& run, VoiceFilter& filterLeft, VoiceFilter& filterRight, const Slot& slot,
               const SlotView& s, const PatternRow& row, const Voice& voice,
               const BlockContext& block, int start, bool stopping) noexcept {
    PatternRun r = run;
    VoiceFilter fl = filterLeft;
    VoiceFilter fr = filterRight;
    const float velocity = voice.velocityGain;

    bool nextOn = !stopping && row.stepOn(nextStep(r.step));
    double boundary =
        PatternVoiceRenderer::boundaryAfter(r.step, block.samplesPerStep, block.shuffleDelay);
    double fadeFromStep = fadeStartBefore(boundary, r);
    float fadeFromEnd = fadeStartBefore(s, r);
    bool ended = false;

    for (int k = start; k < block.frames; ++k) {
        if (stopping || (nextOn && fadeFromStep < r.clock + 1.0) || fadeFromEnd < r.position ||
            r.fadeGain < 1.0f) {
            r.fadeGain *= Playback::kFadeFactor;
            if (stopping && ++r.stopFadedFrames % kStopResonanceFrames == 0) {
                r.resonanceFade *= r.fadeGain;
                setFilters(fl, fr, r.cutoff, r.resonance * r.resonanceFade);
            }
            if (r.fadeGain < Playback::kFadeCut) {
                r.fadeGain = 0.0f;
                r.sounding = false;
                if (stopping) {
                    ended = true;
                    break;
                }
            }
        }
        if (r.sounding && r.position < s.end) {
            Playback::read(s.sample, r.position, r.heldLeft, r.heldRight);
        }
        r.gain = Playback::smooth(r.gain, r.gainTarget, Playback::kGainRate);
        r.leftGain = Playback::smooth(r.leftGain, r.leftTarget, Playback::kPanRate);
        r.rightGain = Playback::smooth(r.rightGain, r.rightTarget, Playback::kPanRate);
        float l = r.heldLeft * r.gain * velocity * r.fadeGain * r.leftGain;
        float rr = r.heldRight * r.gain * velocity * r.fadeGain * r.rightGain;
        if constexpr (kFiltered) {
            l = fl.step(l);
            rr = fr.step(rr);
        }
        if (s.out.left != nullptr) {
            s.out.left[k] += l;
            s.out.right[k] += rr;
        }
        r.position += r.increment;
        r.clock += 1.0;

        if (stopping || r.clock < boundary) {
            continue;
        }
        crossBoundaries(r, fl, fr, slot, s, row, voice, block, nextOn, boundary);
        fadeFromStep = fadeStartBefore(boundary, r);
        fadeFromEnd = fadeStartBefore(s, r);
    }
    run = r;
    filterLeft = fl;
    filterRight = fr;
    return ended;
}

// One voice of a group: its running values and filters, and what its frames read.
struct GroupLane {
    PatternRun* run;
    VoiceFilter* left;
    VoiceFilter* right;
    const Slot* slot;
    const SlotView* view;
    const PatternRow* row;
    const Voice* voice;
};

} // namespace

namespace sse2 {

namespace {
#include "engine/VoiceLanes.inc"

// After the lane helpers it uses.
#include "engine/PatternVoiceKernel.inc"
} // namespace

} // namespace sse2

// Everything of this kernel, its copies of the kernel's helpers included, is compiled for
// AVX2 and has internal linkage, so no baseline function is ever replaced by an AVX2 one.
QUOVENT_AVX2_BEGIN
namespace avx2 {

namespace {
#include "engine/VoiceLanes.inc"

// After the lane helpers it uses.
#include "engine/PatternVoiceKernel.inc"
} // namespace

} // namespace avx2
QUOVENT_AVX2_END

int PatternVoiceRenderer::stepAt(double clock, double samplesPerStep,
                                 double shuffleDelay) noexcept {
    const double r = clock / samplesPerStep;
    int c = r >= 0.0 ? (r < kSteps ? static_cast<int>(r) : kSteps - 1) : 0;
    while (c > 0 && clock < boundaryAfter(c - 1, samplesPerStep, shuffleDelay)) {
        --c;
    }
    while (c < kSteps - 1 && clock >= boundaryAfter(c, samplesPerStep, shuffleDelay)) {
        ++c;
    }
    return c;
}

namespace {

// A voice between its block's set-up and its frames.
struct Prepared {
    PatternRun r;
    SlotView s;
    int start;
    bool stopping;
};

// The block's set-up. False when no frames are to be rendered; ended then tells whether the
// voice has ended.
bool prepare(Voice& voice, const Slot& slot, const PatternRow& row, const BlockContext& block,
             Prepared& p, bool& ended) noexcept {
    p.start = Playback::takeStartFrame(voice, block.frames);
    const double period = kSteps * block.samplesPerStep;
    p.stopping = voice.stopCountdown != 0;
    const bool stopping = p.stopping;
    voice.patternPosition = wrapClock(voice.patternPosition, period);
    ended = false;

    // A row without steps or a muted slot sounds nothing, but the voice keeps its place.
    const float increment =
        Playback::increment(slot, voice.pitchRatio, voice.stepRatio, block.hostRate);
    if (!row.anyStepOn() || !block.sounds(slot.index()) || !Playback::playable(increment)) {
        if (stopping) {
            ended = true;
            return false;
        }
        voice.patternPosition = wrapClock(voice.patternPosition + (block.frames - p.start), period);
        return false;
    }

    p.s = viewSlot(slot, block);
    const SlotView& s = p.s;
    PatternRun& r = p.r;
    r = load(voice);
    r.increment = increment;
    // A stopped voice stays on the step it was stopped in: no further boundaries pass.
    if (!stopping) {
        r.step = PatternVoiceRenderer::stepAt(r.clock, block.samplesPerStep, block.shuffleDelay);
    }
    stepFilterInputs(r, s, row, r.step);
    stepTargets(r, s);
    for (VoiceFilter* f : {&voice.filterLeft, &voice.filterRight}) {
        f->setType(s.type);
        f->setCoefficients(r.cutoff, stopping ? r.resonance * r.resonanceFade : r.resonance);
        f->flushState();
    }
    // The step under the clock sounds when the voice is silent: the first step of a new
    // voice. A stopped voice starts nothing.
    if (!stopping && row.stepOn(r.step) && !r.sounding) {
        takeStepValues(r, slot, s, row, voice.pitchRatio, r.step);
        r.gain = r.gainTarget;
        r.leftGain = r.leftTarget;
        r.rightGain = r.rightTarget;
        r.sounding = true;
    }
    return true;
}

bool runOne(Prepared& p, Voice& voice, const Slot& slot, const PatternRow& row,
            const BlockContext& block) noexcept {
    return p.s.type == VoiceFilter::kNone
               ? runFrames<false>(p.r, voice.filterLeft, voice.filterRight, slot, p.s, row, voice,
                                  block, p.start, p.stopping)
               : runFrames<true>(p.r, voice.filterLeft, voice.filterRight, slot, p.s, row, voice,
                                 block, p.start, p.stopping);
}

void finish(Prepared& p, Voice& voice, const BlockContext& block) noexcept {
    if (p.stopping) {
        p.r.clock = wrapClock(p.r.clock, kSteps * block.samplesPerStep);
    }
    store(p.r, voice);
}

// Whether a prepared voice can join a group: it renders the whole block, is not stopping
// (a stop's resonance fade stays on the one-voice path) and both its filters have the same
// coefficients (the group keeps one set per voice).
bool groupable(const Prepared& p, const Voice& voice) noexcept {
    const VoiceFilter& l = voice.filterLeft;
    const VoiceFilter& r = voice.filterRight;
    return p.start == 0 && !p.stopping && l.type == r.type && l.a0 == r.a0 && l.a1 == r.a1 &&
           l.a2 == r.a2 && l.b0 == r.b0 && l.b1 == r.b1 && l.b2 == r.b2;
}

} // namespace

bool PatternVoiceRenderer::render(Voice& voice, const Slot& slot, const PatternRow& row,
                                  const BlockContext& block) noexcept {
    Prepared p;
    bool ended = false;
    if (!prepare(voice, slot, row, block, p, ended)) {
        return ended;
    }
    ended = runOne(p, voice, slot, row, block);
    finish(p, voice, block);
    return ended;
}

void PatternVoiceRenderer::renderRun(Voice* const* voices, const Slot* const* slots,
                                     const PatternRow* const* rows, bool* ended, int count,
                                     const BlockContext& block) noexcept {
    Prepared prepared[kMaxRun];
    bool plays[kMaxRun] = {};
    const int n = count < kMaxRun ? count : kMaxRun;
    for (int i = 0; i < n; ++i) {
        plays[i] = prepare(*voices[i], *slots[i], *rows[i], block, prepared[i], ended[i]);
    }
    // In pool order: runs of voices that can share a group, single voices between them.
    const NoteVoiceGroup::Kernel kernel = NoteVoiceGroup::current();
    const int width = NoteVoiceGroup::lanes(kernel);
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && j - i < width && plays[j] && groupable(prepared[j], *voices[j])) {
            ++j;
        }
        if (j - i >= 2) {
            GroupLane lanes[kMaxRun];
            for (int k = i; k < j; ++k) {
                Voice& v = *voices[k];
                lanes[k - i] = {&prepared[k].r,
                                &v.filterLeft,
                                &v.filterRight,
                                slots[k],
                                &prepared[k].s,
                                rows[k],
                                &v};
            }
            const NoteVoiceGroup::Kernel k = j - i <= sse2::kLanes && width > sse2::kLanes
                                                 ? NoteVoiceGroup::Kernel::Sse2
                                                 : kernel;
            if (k == NoteVoiceGroup::Kernel::Avx2) {
                avx2::render(lanes, j - i, block);
            } else {
                sse2::render(lanes, j - i, block);
            }
            i = j;
            continue;
        }
        if (plays[i]) {
            ended[i] = runOne(prepared[i], *voices[i], *slots[i], *rows[i], block);
        }
        ++i;
    }
    for (int i = 0; i < n; ++i) {
        if (plays[i]) {
            finish(prepared[i], *voices[i], block);
        }
    }
}

} // namespace quovent
