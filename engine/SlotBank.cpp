#include "engine/SlotBank.hpp"

namespace quovent {

SlotBank::SlotBank() {
    for (int i = 0; i < kSlots; ++i) {
        slots_[i] = std::make_unique<Slot>(i);
    }
}

std::uint32_t SlotBank::silentSlots() const noexcept {
    bool soloLit = false;
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        soloLit = soloLit || slot(i).solo != 0;
    }
    std::uint32_t silent = 0;
    for (int i = 0; i < kSlots; ++i) {
        const Slot& s = slot(i);
        const bool sounds = soloLit && i < capacity::kRowSlots ? s.solo != 0 : s.active != 0;
        silent |= sounds ? 0U : 1U << i;
    }
    return silent;
}

} // namespace quovent
