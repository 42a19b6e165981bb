// The sixteen slots. Slots 0..7 have rows in the editor; MIDI also reaches slots 8..13.
#pragma once

#include "engine/Slot.hpp"

#include <array>
#include <cstdint>
#include <memory>

namespace quovent {

class SlotBank {
public:
    static constexpr int kSlots = capacity::kSlots;

    SlotBank();

    Slot& slot(int i) noexcept { return *slots_[i]; }
    const Slot& slot(int i) const noexcept { return *slots_[i]; }

    // Bit i set: slot i sounds nothing now. While any row slot's solo is lit, exactly the row
    // slots without solo are silent; otherwise the muted ones are. Slots without a row have
    // no solo and follow their mute alone. Worked out from the flags as they are, so the
    // solo and mute settings are single values any thread may write.
    std::uint32_t silentSlots() const noexcept;

private:
    std::array<std::unique_ptr<Slot>, kSlots> slots_;
};

} // namespace quovent
