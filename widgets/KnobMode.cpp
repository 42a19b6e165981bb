// Storage of the process-wide knob mode.
#include "widgets/KnobMode.hpp"

#include "platform/Relaxed.hpp"

namespace quovent {
namespace {
Relaxed<int> gKnobMode{kCircularMode};
} // namespace

void setKnobMode(int mode) noexcept {
    gKnobMode.store(mode);
}

int knobMode() noexcept {
    return gKnobMode.load();
}

} // namespace quovent
