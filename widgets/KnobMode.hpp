// The toolkit-wide knob mode the host chooses (effSetEditKnobMode): 0 circular, 1 relative
// circular, 2 linear. Shared by every instance in the process; editors on different host
// threads may read it, so it is a relaxed atomic.
#pragma once

namespace quovent {

inline constexpr int kCircularMode = 0;
inline constexpr int kRelativeCircularMode = 1;
inline constexpr int kLinearMode = 2;

void setKnobMode(int mode) noexcept;
int knobMode() noexcept;

} // namespace quovent
