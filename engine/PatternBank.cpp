#include "engine/PatternBank.hpp"

namespace quovent {

void PatternBank::selectKey(int key) noexcept {
    if (key >= 0 && key < kKeys) {
        key_ = key;
    }
}

void PatternBank::selectBank(int bank) noexcept {
    if (bank >= 0 && bank < kBanks) {
        bank_ = bank;
    }
}

} // namespace quovent
