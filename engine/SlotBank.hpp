// The sixteen slots. Slots 0..7 have rows in the editor; MIDI also reaches slots 8..13.
#pragma once

#include "engine/Slot.hpp"

#include <array>
#include <memory>

namespace quovent {

class SlotBank {
public:
    static constexpr int kSlots = capacity::kSlots;

    SlotBank();

    Slot& slot(int i) noexcept { return *slots_[i]; }
    const Slot& slot(int i) const noexcept { return *slots_[i]; }

private:
    std::array<std::unique_ptr<Slot>, kSlots> slots_;
};

} // namespace quovent
