#include "engine/SlotBank.hpp"

namespace quovent {

SlotBank::SlotBank() {
    for (int i = 0; i < kSlots; ++i) {
        slots_[i] = std::make_unique<Slot>(i);
    }
}

} // namespace quovent
