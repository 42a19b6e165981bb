// Building and lighting the pattern keys.
#include "editor/PatternKeys.hpp"

#include "widgets/FrameWindow.hpp"

namespace quovent {

namespace {
constexpr int kHeight = 15;

template <typename Array> int indexOf(const Array& buttons, const Control* control) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == control) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
} // namespace

void PatternKeys::build(FrameWindow& frame, Point origin, ValueListener& listener,
                        const BitmapPtr& keys, const BitmapPtr& banks) {
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        const Rect r =
            Rect::sized(origin.x + kPitch * static_cast<int>(k), origin.y, kPitch, kHeight);
        keys_[k] = frame.add(std::make_unique<ToggleButton>(r, &listener, kKeyTag, keys));
    }
    const int bankLeft = origin.x + kPitch * PatternBank::kKeys + kBankGap;
    for (std::size_t b = 0; b < banks_.size(); ++b) {
        const Rect r =
            Rect::sized(bankLeft + kPitch * static_cast<int>(b), origin.y, kPitch, kHeight);
        banks_[b] = frame.add(std::make_unique<ToggleButton>(r, &listener, kBankTag, banks));
    }
}

void PatternKeys::detach() noexcept {
    keys_.fill(nullptr);
    banks_.fill(nullptr);
}

void PatternKeys::show(const PatternBank& bank) {
    if (keys_[0] == nullptr) {
        return;
    }
    for (int k = 0; k < PatternBank::kKeys; ++k) {
        keys_[static_cast<std::size_t>(k)]->setValue(k == bank.key() ? 1.0f : 0.0f);
    }
    for (int b = 0; b < PatternBank::kBanks; ++b) {
        banks_[static_cast<std::size_t>(b)]->setValue(b == bank.bank() ? 1.0f : 0.0f);
    }
}

int PatternKeys::keyOf(const Control* control) const noexcept {
    return indexOf(keys_, control);
}

int PatternKeys::bankOf(const Control* control) const noexcept {
    return indexOf(banks_, control);
}

} // namespace quovent
