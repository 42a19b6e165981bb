#include "engine/NoteVoiceGroup.hpp"

#include "engine/VoiceFilter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace quovent {

#if defined(__GNUC__) || defined(__clang__)

namespace {

// Four lanes; comparisons give all-ones masks in I4, and a cast between the two types
// reinterprets the bits.
using F4 = float __attribute__((vector_size(16)));
using I4 = std::int32_t __attribute__((vector_size(16)));

constexpr int kLanes = NoteVoiceGroup::kLanes;

QUOVENT_ALWAYS_INLINE F4 splat(float x) noexcept {
    return F4{x, x, x, x};
}

QUOVENT_ALWAYS_INLINE F4 select(I4 mask, F4 a, F4 b) noexcept {
    return reinterpret_cast<F4>((reinterpret_cast<I4>(a) & mask) |
                                (reinterpret_cast<I4>(b) & ~mask));
}

QUOVENT_ALWAYS_INLINE I4 selectInt(I4 mask, I4 a, I4 b) noexcept {
    return (a & mask) | (b & ~mask);
}

// |x| < smallest normal: the exponent bits are all zero (flushDenormal's test).
QUOVENT_ALWAYS_INLINE I4 tiny(F4 x) noexcept {
    const F4 magnitude = reinterpret_cast<F4>(reinterpret_cast<I4>(x) & 0x7fffffff);
    return magnitude < splat(std::numeric_limits<float>::min());
}

QUOVENT_ALWAYS_INLINE F4 flush(F4 x) noexcept {
    return reinterpret_cast<F4>(reinterpret_cast<I4>(x) & ~tiny(x));
}

// Not a normal finite number: zero, denormal, infinity or NaN (flushAbnormal's test).
QUOVENT_ALWAYS_INLINE I4 abnormal(F4 x) noexcept {
    const F4 magnitude = reinterpret_cast<F4>(reinterpret_cast<I4>(x) & 0x7fffffff);
    return ~((magnitude >= splat(std::numeric_limits<float>::min())) &
             (magnitude <= splat(std::numeric_limits<float>::max())));
}

QUOVENT_ALWAYS_INLINE F4 smooth(F4 value, F4 target, float rate) noexcept {
    const F4 v = reinterpret_cast<F4>(reinterpret_cast<I4>(value) & ~abnormal(value));
    return v + (target - v) * rate;
}

#if defined(__SSE__)
QUOVENT_ALWAYS_INLINE int signs(I4 m) noexcept {
    return _mm_movemask_ps(reinterpret_cast<__m128>(m));
}
#else
QUOVENT_ALWAYS_INLINE int signs(I4 m) noexcept {
    return (m[0] != 0 ? 1 : 0) | (m[1] != 0 ? 2 : 0) | (m[2] != 0 ? 4 : 0) | (m[3] != 0 ? 8 : 0);
}
#endif
QUOVENT_ALWAYS_INLINE bool any(I4 m) noexcept {
    return signs(m) != 0;
}
QUOVENT_ALWAYS_INLINE bool all(I4 m) noexcept {
    return signs(m) == 0xF;
}

// One channel of the four voices' filters, as VoiceFilter::step does it per voice.
struct FilterLanes {
    F4 x1, x2, y1, y2;

    // The output times scale (2 for the band-pass); a lane whose output runs away
    // (VoiceFilter::kRunawayLevel) is cleared and gives 0, as VoiceFilter::step does.
    QUOVENT_ALWAYS_INLINE F4 step(F4 in, const F4* c, F4 scale) noexcept {
        const F4 x = flush(in);
        const F4 y = (c[3] * x + c[4] * x1 + c[5] * x2 - c[1] * y1 - c[2] * y2) / c[0];
        y2 = y1;
        x2 = x1;
        x1 = x;
        const I4 died = tiny(y);
        y1 = select(died, splat(0.0f), y);
        // Flushed inputs are never -0, so both are 0 exactly when their bits are.
        const I4 silent = (reinterpret_cast<I4>(x1) | reinterpret_cast<I4>(x2)) == I4{0, 0, 0, 0};
        y2 = select(died & silent, splat(0.0f), y2);
        const F4 out = y * scale;
        const F4 magnitude = reinterpret_cast<F4>(reinterpret_cast<I4>(out) & 0x7fffffff);
        const I4 runaway = ~(magnitude <= splat(VoiceFilter::kRunawayLevel));
        if (any(runaway)) {
            const F4 zero = splat(0.0f);
            x1 = select(runaway, zero, x1);
            x2 = select(runaway, zero, x2);
            y1 = select(runaway, zero, y1);
            y2 = select(runaway, zero, y2);
            return select(runaway, zero, out);
        }
        return out;
    }
};

// The lanes' values, gathered from and scattered to the NoteLanes.
struct Group {
    F4 position, increment, end, fadeFrom, fadeGain, velocity;
    F4 gain, leftGain, rightGain, volume, leftTarget, rightTarget;
    F4 coefficients[6]; // a0, a1, a2, b0, b1, b2
    F4 outputScale;     // 2 for the band-pass, else 1
    I4 countdown, filtered, alive;
    FilterLanes left, right;
    SampleView sample[kLanes];
    float* outLeft[kLanes];
    float* outRight[kLanes];
};

void load(Group& g, const NoteLane* lanes, int count) noexcept {
    for (int j = 0; j < kLanes; ++j) {
        // Lanes beyond count idle: never alive, reading frame 0 of the first voice's sample.
        const bool used = j < count;
        const NoteLane& n = lanes[used ? j : 0];
        g.position[j] = used ? n.position : 0.0f;
        g.increment[j] = used ? n.increment : 0.0f;
        g.end[j] = used ? n.end : 1.0f;
        g.fadeFrom[j] = used ? n.fadeFrom : 1.0f;
        g.fadeGain[j] = used ? n.fadeGain : 1.0f;
        g.velocity[j] = n.velocity;
        g.gain[j] = n.gain;
        g.leftGain[j] = n.leftGain;
        g.rightGain[j] = n.rightGain;
        g.volume[j] = n.volume;
        g.leftTarget[j] = n.leftTarget;
        g.rightTarget[j] = n.rightTarget;
        g.countdown[j] = used ? n.countdown : 0;
        g.alive[j] = used ? -1 : 0;
        const bool filtered = used && n.filtered;
        g.filtered[j] = filtered ? -1 : 0;
        // An unfiltered lane runs a pass-through section on zero state; its result is not
        // used, and the voice's own filter state is left as it was.
        const VoiceFilter& fl = n.filterLeft;
        const VoiceFilter& fr = n.filterRight;
        g.coefficients[0][j] = filtered ? fl.a0 : 1.0f;
        g.coefficients[1][j] = filtered ? fl.a1 : 0.0f;
        g.coefficients[2][j] = filtered ? fl.a2 : 0.0f;
        g.coefficients[3][j] = filtered ? fl.b0 : 1.0f;
        g.coefficients[4][j] = filtered ? fl.b1 : 0.0f;
        g.coefficients[5][j] = filtered ? fl.b2 : 0.0f;
        g.outputScale[j] = filtered && fl.type == VoiceFilter::kBandPass ? 2.0f : 1.0f;
        g.left.x1[j] = filtered ? fl.x1 : 0.0f;
        g.left.x2[j] = filtered ? fl.x2 : 0.0f;
        g.left.y1[j] = filtered ? fl.y1 : 0.0f;
        g.left.y2[j] = filtered ? fl.y2 : 0.0f;
        g.right.x1[j] = filtered ? fr.x1 : 0.0f;
        g.right.x2[j] = filtered ? fr.x2 : 0.0f;
        g.right.y1[j] = filtered ? fr.y1 : 0.0f;
        g.right.y2[j] = filtered ? fr.y2 : 0.0f;
        g.sample[j] = n.sample;
        g.outLeft[j] = used ? n.outLeft : nullptr;
        g.outRight[j] = used ? n.outRight : nullptr;
    }
}

void store(const Group& g, NoteLane* lanes, int count) noexcept {
    for (int j = 0; j < count; ++j) {
        NoteLane& n = lanes[j];
        n.position = g.position[j];
        n.fadeGain = g.fadeGain[j];
        n.gain = g.gain[j];
        n.leftGain = g.leftGain[j];
        n.rightGain = g.rightGain[j];
        n.countdown = g.countdown[j];
        if (n.filtered) {
            n.filterLeft.x1 = g.left.x1[j];
            n.filterLeft.x2 = g.left.x2[j];
            n.filterLeft.y1 = g.left.y1[j];
            n.filterLeft.y2 = g.left.y2[j];
            n.filterRight.x1 = g.right.x1[j];
            n.filterRight.x2 = g.right.x2[j];
            n.filterRight.y1 = g.right.y1[j];
            n.filterRight.y2 = g.right.y2[j];
        }
    }
}

// Frame values of the four lanes from their samples, built in registers (a vector
// assembled through memory would stall on every frame).
QUOVENT_ALWAYS_INLINE void gather(const SampleView* sample, I4 index, F4& left0, F4& left1,
                                  F4& right0, F4& right1) noexcept {
    const SampleView& s0 = sample[0];
    const SampleView& s1 = sample[1];
    const SampleView& s2 = sample[2];
    const SampleView& s3 = sample[3];
    const int i0 = index[0];
    const int i1 = index[1];
    const int i2 = index[2];
    const int i3 = index[3];
    left0 = F4{s0.left(i0), s1.left(i1), s2.left(i2), s3.left(i3)};
    left1 = F4{s0.left(i0 + 1), s1.left(i1 + 1), s2.left(i2 + 1), s3.left(i3 + 1)};
    right0 = F4{s0.right(i0), s1.right(i1), s2.right(i2), s3.right(i3)};
    right1 = F4{s0.right(i0 + 1), s1.right(i1 + 1), s2.right(i2 + 1), s3.right(i3 + 1)};
}

// All lanes in use add into the same two distinct buffers (the usual case: most slots
// stay on output pair 1). Otherwise each lane adds on its own, in lane order.
bool sharesOnePair(const Group& g) noexcept {
    if (g.outLeft[0] == nullptr || g.outLeft[0] == g.outRight[0]) {
        return false;
    }
    for (int j = 1; j < kLanes; ++j) {
        const bool idle = g.alive[j] == 0 && g.outLeft[j] == nullptr;
        if (!idle && (g.outLeft[j] != g.outLeft[0] || g.outRight[j] != g.outRight[0])) {
            return false;
        }
    }
    return true;
}

// Frames from now on in which no voice in use can start a fade or reach its end: each is
// at full level without a stop countdown, and its position, growing by the increment plus
// at most two units in the last place per frame, stays below its fade start and its end.
// In such frames only the position moves among the control values.
int quietFrames(const F4& position, const F4& increment, const F4& fadeFrom, const F4& end,
                const F4& fadeGain, const I4& countdown, const I4& alive, int limit) noexcept {
    double frames = limit;
    for (int j = 0; j < kLanes; ++j) {
        if (alive[j] == 0) {
            continue;
        }
        if (countdown[j] != 0 || !(fadeGain[j] >= 1.0f)) {
            return 0;
        }
        const double p = position[j];
        const double stop = std::min(fadeFrom[j], end[j]);
        const double magnitude = std::max({std::fabs(p), std::fabs(stop), 1.0});
        const double step = increment[j] + magnitude * 0x1p-22;
        const double room = (stop - p) / step - 1.0;
        if (!(room > 0.0)) {
            return 0;
        }
        frames = std::min(frames, room);
    }
    return static_cast<int>(frames);
}

// The frames of the block; the voices that ended are marked in g.alive. The running values
// live in locals for the loop so that they stay in registers.
void run(Group& g, int frames) noexcept {
    const F4 zero = splat(0.0f);
    const F4 one = splat(1.0f);
    const I4 none = I4{0, 0, 0, 0};
    constexpr int kLast = SampleBuffer::kCapacity - 1;
    constexpr int kMinQuiet = 32;      // shorter quiet stretches are not worth the check
    constexpr int kRecheckAfter = 256; // a fading voice fades for about 1700 frames
    const F4 capacity = splat(static_cast<float>(SampleBuffer::kCapacity));
    const F4 negativeZero = splat(-0.0f);
    F4 increment = g.increment;
    const F4 end = g.end;
    const F4 fadeFrom = g.fadeFrom;
    const F4 velocity = g.velocity;
    const F4 volume = g.volume;
    const F4 leftTarget = g.leftTarget;
    const F4 rightTarget = g.rightTarget;
    const F4 outputScale = g.outputScale;
    const I4 filtered = g.filtered;
    const F4* coefficients = g.coefficients;
    float* const sharedLeft = g.outLeft[0];
    float* const sharedRight = g.outRight[0];
    const bool shared = sharesOnePair(g);
    F4 position = g.position;
    F4 fadeGain = g.fadeGain;
    F4 gain = g.gain;
    F4 leftGain = g.leftGain;
    F4 rightGain = g.rightGain;
    I4 countdown = g.countdown;
    I4 alive = g.alive;
    FilterLanes left = g.left;
    FilterLanes right = g.right;
    bool settled = false;

    // Everything of a frame after the fade and the position step: read, gains, filter,
    // output.
    // In quiet frames every position lies in the sample (lanes not in use are parked at 0);
    // elsewhere it is clamped as Playback::read does.
    auto sound = [&](int k, bool quiet) __attribute__((always_inline)) {
        I4 index;
        F4 f;
        if (quiet) {
            index = __builtin_convertvector(position, I4);
            f = position - __builtin_convertvector(index, F4);
        } else {
            const F4 p = select(position >= zero, position, zero);
            const I4 inside = p < capacity;
            const F4 pc = select(inside, p, zero);
            index =
                selectInt(inside, __builtin_convertvector(pc, I4), I4{kLast, kLast, kLast, kLast});
            f = select(inside, pc - __builtin_convertvector(index, F4), one);
        }
        F4 l0;
        F4 l1;
        F4 r0;
        F4 r1;
        gather(g.sample, index, l0, l1, r0, r1);
        const F4 l = (one - f) * l0 + f * l1;
        const F4 r = (one - f) * r0 + f * r1;

        if (!settled) {
            const F4 gainNext = smooth(gain, volume, Playback::kGainRate);
            const F4 leftNext = smooth(leftGain, leftTarget, Playback::kPanRate);
            const F4 rightNext = smooth(rightGain, rightTarget, Playback::kPanRate);
            settled = all((gainNext == gain) & (leftNext == leftGain) & (rightNext == rightGain));
            gain = gainNext;
            leftGain = leftNext;
            rightGain = rightNext;
        }
        const F4 a = gain * velocity * fadeGain;
        const F4 fl = select(filtered, left.step(l, coefficients, outputScale), l);
        const F4 fr = select(filtered, right.step(r, coefficients, outputScale), r);
        const F4 outL = fl * a * leftGain;
        const F4 outR = fr * a * rightGain;
        if (shared) {
            // One pair for all: sum in lane order in a register, one store per output.
            // A lane that has ended adds -0, which changes no value.
            const F4 sumL = select(alive, outL, negativeZero);
            const F4 sumR = select(alive, outR, negativeZero);
            sharedLeft[k] = (((sharedLeft[k] + sumL[0]) + sumL[1]) + sumL[2]) + sumL[3];
            sharedRight[k] = (((sharedRight[k] + sumR[0]) + sumR[1]) + sumR[2]) + sumR[3];
            return;
        }
        for (int j = 0; j < kLanes; ++j) {
            if (alive[j] != 0 && g.outLeft[j] != nullptr) {
                g.outLeft[j][k] += outL[j];
                g.outRight[j][k] += outR[j];
            }
        }
    };

    int recheck = 0;
    for (int k = 0; k < frames;) {
        if (k >= recheck) {
            const int quiet = quietFrames(position, increment, fadeFrom, end, fadeGain, countdown,
                                          alive, frames - k);
            if (quiet >= kMinQuiet) {
                for (const int stop = k + quiet; k < stop; ++k) {
                    position += increment;
                    sound(k, true);
                }
                continue;
            }
            recheck = k + kRecheckAfter;
        }

        // Fade, stop countdown and the end of the play length.
        const I4 fading = (countdown != none) | (fadeFrom < position) | (fadeGain < one);
        fadeGain = select(fading, fadeGain * Playback::kFadeFactor, fadeGain);
        const I4 cut = fading & (fadeGain < splat(Playback::kFadeCut));
        fadeGain = select(cut, zero, fadeGain);
        countdown = selectInt(cut, none, countdown);
        const I4 counting = fading & ~cut;
        countdown += counting; // -1 where counting
        I4 ended = cut | (counting & (countdown == none));
        position = select(ended, position, position + increment);
        ended |= position >= end;
        ended &= alive;
        if (any(ended)) {
            alive &= ~ended;
            if (!any(alive)) {
                break;
            }
            // Park the lane: it reads frame 0 from now on and adds nothing.
            position = select(alive, position, zero);
            increment = select(alive, increment, zero);
        }
        sound(k, false);
        ++k;
    }
    g.position = position;
    g.fadeGain = fadeGain;
    g.gain = gain;
    g.leftGain = leftGain;
    g.rightGain = rightGain;
    g.countdown = countdown;
    g.alive = alive;
    g.left = left;
    g.right = right;
}

} // namespace

void NoteVoiceGroup::render(NoteLane* lanes, bool* ended, int count, int frames) noexcept {
    Group g;
    load(g, lanes, count);
    run(g, frames);
    store(g, lanes, count);
    for (int j = 0; j < count; ++j) {
        ended[j] = g.alive[j] == 0;
    }
}

#else

// Without vector extensions the voices render one after another, which gives the same.
void NoteVoiceGroup::render(NoteLane* lanes, bool* ended, int count, int frames) noexcept {
    for (int j = 0; j < count; ++j) {
        ended[j] = lanes[j].filtered ? lanes[j].frames<true>(0, frames)
                                     : lanes[j].frames<false>(0, frames);
    }
}

#endif

} // namespace quovent
