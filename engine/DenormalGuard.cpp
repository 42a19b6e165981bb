#include "engine/DenormalGuard.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define QUOVENT_HAVE_MXCSR 1
#endif

namespace quovent {

#ifdef QUOVENT_HAVE_MXCSR
namespace {
constexpr unsigned int kFlushToZero = 0x8000;      // MXCSR.FTZ
constexpr unsigned int kDenormalsAreZero = 0x0040; // MXCSR.DAZ
} // namespace

DenormalGuard::DenormalGuard() noexcept : saved_(_mm_getcsr()) {
    _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
}

DenormalGuard::~DenormalGuard() {
    _mm_setcsr(saved_);
}
#else
// Elsewhere the explicit flushes in the filter and the gain smoothing do the work alone.
DenormalGuard::DenormalGuard() noexcept = default;
DenormalGuard::~DenormalGuard() = default;
#endif

} // namespace quovent
