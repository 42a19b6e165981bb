#include "engine/NoteVoiceGroup.hpp"
#include "engine/VoiceFilter.hpp"

#include "engine/VectorLanes.hpp"
#include "platform/CpuFeatures.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace quovent {

namespace sse2 {

namespace {
#include "engine/VoiceLanes.inc"

// After the lane helpers it uses.
#include "engine/NoteVoiceKernel.inc"
} // namespace

} // namespace sse2

// Everything of this kernel, its copies of the kernel's helpers included, is compiled for
// AVX2 and has internal linkage, so no baseline function is ever replaced by an AVX2 one.
QUOVENT_AVX2_BEGIN
namespace avx2 {

namespace {
#include "engine/VoiceLanes.inc"

// After the lane helpers it uses.
#include "engine/NoteVoiceKernel.inc"
} // namespace

} // namespace avx2
QUOVENT_AVX2_END

namespace {

bool hasAvx2() noexcept {
    static const bool has = CpuFeatures::avx2();
    return has;
}

std::atomic<NoteVoiceGroup::Kernel> chosen{NoteVoiceGroup::best()};

} // namespace

int NoteVoiceGroup::lanes(Kernel kernel) noexcept {
    switch (kernel) {
    case Kernel::Sse2:
        return sse2::kLanes;
    case Kernel::Avx2:
        return avx2::kLanes;
    case Kernel::Scalar:
        break;
    }
    return 1;
}

bool NoteVoiceGroup::runs(Kernel kernel) noexcept {
    return kernel != Kernel::Avx2 || hasAvx2();
}

NoteVoiceGroup::Kernel NoteVoiceGroup::best() noexcept {
    return hasAvx2() ? Kernel::Avx2 : Kernel::Sse2;
}

NoteVoiceGroup::Kernel NoteVoiceGroup::current() noexcept {
    return chosen.load(std::memory_order_relaxed);
}

void NoteVoiceGroup::use(Kernel kernel) noexcept {
    chosen.store(runs(kernel) ? kernel : best(), std::memory_order_relaxed);
}

void NoteVoiceGroup::render(Kernel kernel, NoteLane* lanes, bool* ended, int count,
                            int frames) noexcept {
    switch (kernel) {
    case Kernel::Sse2:
        sse2::render(lanes, ended, count, frames);
        return;
    case Kernel::Avx2:
        avx2::render(lanes, ended, count, frames);
        return;
    case Kernel::Scalar:
        break;
    }
    for (int j = 0; j < count; ++j) {
        ended[j] = lanes[j].filtered ? lanes[j].frames<true>(0, frames)
                                     : lanes[j].frames<false>(0, frames);
    }
}

} // namespace quovent
