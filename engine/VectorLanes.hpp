// The vectors the voice kernels are written in, one namespace per instruction set: SSE2 (four
// lanes; every x86 processor the plug-in runs on) and AVX2 (eight lanes, compiled for AVX2 only
// inside its markers and used only where the processor has it). Each namespace gives
//   kLanes              the number of lanes,
//   F, I                float and 32-bit integer vectors of kLanes lanes,
//   D, L                double and 64-bit integer vectors of kLanes / 2 lanes,
//   int signs(I)        the lanes' sign bits as a bit mask, lane 0 lowest,
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

} // namespace avx2
QUOVENT_AVX2_END

} // namespace quovent
