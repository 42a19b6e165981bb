// What the processor's vector units offer, looked up at run time, and the markers that
// compile a stretch of code for AVX2 while the rest of the program stays on the baseline
// (SSE2 on both x86 targets). The engine's voice kernels use these so that engine/ itself
// needs no preprocessor conditions.
#pragma once

#include <immintrin.h>

// Functions defined between these markers are compiled for AVX2 (without FMA: a fused
// multiply-add would round differently from the baseline code). Headers must be included
// before QUOVENT_AVX2_BEGIN so that their inline functions keep the baseline target.
#if defined(__clang__)
#define QUOVENT_AVX2_BEGIN                                                                         \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define QUOVENT_AVX2_END _Pragma("clang attribute pop")
#else
#define QUOVENT_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define QUOVENT_AVX2_END _Pragma("GCC pop_options")
#endif

namespace quovent {

class CpuFeatures {
public:
    // The processor runs AVX2 and the operating system saves the wide registers.
    static bool avx2() noexcept {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }
};

} // namespace quovent
