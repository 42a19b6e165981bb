// The vectors the voice kernels are written in, one namespace per instruction set: SSE2 (four
// lanes; every x86 processor the plug-in runs on) and AVX2 (eight lanes, compiled for AVX2 only
// inside its markers and used only where the processor has it). Each namespace gives
//   kLanes              the number of lanes,
//   F, I                float and 32-bit integer vectors of kLanes lanes,
//   D, L                double and 64-bit integer vectors of kLanes / 2 lanes,
//   int signs(I)        the lanes' sign bits as a bit mask, lane 0 lowest,
//   I clampIndex(I, t)  lanes in [0, t] as they are, any other lane some value in [0, t]
//                       (0 <= t < 32768): an index kept inside an array whatever it was,
//   F lower(F a, F b), F higher(F a, F b)
//                       a < b ? a : b and a > b ? a : b per lane (b where either is NaN),
// which the kernels' bodies (VoiceLanes.inc and the kernels included after it) expect.
#pragma once

#include "engine/NoteLane.hpp"
#include "platform/CpuFeatures.hpp"

#include <cstdint>

namespace quovent {

namespace sse2 {

inline constexpr int kLanes = 4;
using F = float __attribute__((vector_size(16)));
using I = std::int32_t __attribute__((vector_size(16)));
using D = double __attribute__((vector_size(16)));
using L = std::int64_t __attribute__((vector_size(16)));

QUOVENT_ALWAYS_INLINE int signs(I m) noexcept {
    return _mm_movemask_ps(reinterpret_cast<__m128>(m));
}

// SSE2 has no 32-bit minimum and maximum; the 16-bit ones serve. Both halves of a lane go
// to [0, t]: the high half, being at most 0 afterwards, to 0, so the lane is its low half.
QUOVENT_ALWAYS_INLINE I clampIndex(I i, int top) noexcept {
    const __m128i low = _mm_max_epi16(reinterpret_cast<__m128i>(i), _mm_setzero_si128());
    return reinterpret_cast<I>(_mm_min_epi16(low, _mm_set1_epi32(top)));
}

QUOVENT_ALWAYS_INLINE F lower(F a, F b) noexcept {
    return reinterpret_cast<F>(
        _mm_min_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
}
QUOVENT_ALWAYS_INLINE F higher(F a, F b) noexcept {
    return reinterpret_cast<F>(
        _mm_max_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
}

} // namespace sse2

QUOVENT_AVX2_BEGIN
namespace avx2 {

inline constexpr int kLanes = 8;
using F = float __attribute__((vector_size(32)));
using I = std::int32_t __attribute__((vector_size(32)));
using D = double __attribute__((vector_size(32)));
using L = std::int64_t __attribute__((vector_size(32)));

QUOVENT_ALWAYS_INLINE int signs(I m) noexcept {
    return _mm256_movemask_ps(reinterpret_cast<__m256>(m));
}

QUOVENT_ALWAYS_INLINE I clampIndex(I i, int top) noexcept {
    const __m256i low = _mm256_max_epi32(reinterpret_cast<__m256i>(i), _mm256_setzero_si256());
    return reinterpret_cast<I>(_mm256_min_epi32(low, _mm256_set1_epi32(top)));
}

QUOVENT_ALWAYS_INLINE F lower(F a, F b) noexcept {
    return reinterpret_cast<F>(
        _mm256_min_ps(reinterpret_cast<__m256>(a), reinterpret_cast<__m256>(b)));
}
QUOVENT_ALWAYS_INLINE F higher(F a, F b) noexcept {
    return reinterpret_cast<F>(
        _mm256_max_ps(reinterpret_cast<__m256>(a), reinterpret_cast<__m256>(b)));
}

} // namespace avx2
QUOVENT_AVX2_END

} // namespace quovent
