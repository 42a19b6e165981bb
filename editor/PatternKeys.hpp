// The twelve pattern keys and the two bank buttons: built when the window opens, lit for the
// current key and bank. Editor thread only.
#pragma once

#include "engine/PatternBank.hpp"
#include "widgets/ToggleButton.hpp"

#include <array>

namespace quovent {

class FrameWindow;
class ValueListener;

class PatternKeys {
public:
    static constexpr int kKeyTag = 137;
    static constexpr int kBankTag = 161;
    static constexpr int kPitch = 16;
    static constexpr int kBankGap = 6;

    // origin: the first key's top-left corner.
    void build(FrameWindow& frame, Point origin, ValueListener& listener, const BitmapPtr& keys,
               const BitmapPtr& banks);
    void detach() noexcept;

    // Lights the current key and bank only.
    void show(const PatternBank& bank);
    // The index of one of the keys (0..11) or bank buttons (0..1), or -1.
    int keyOf(const Control* control) const noexcept;
    int bankOf(const Control* control) const noexcept;
    ToggleButton* key(int k) const { return keys_.at(static_cast<std::size_t>(k)); }
    ToggleButton* bank(int b) const { return banks_.at(static_cast<std::size_t>(b)); }

private:
    std::array<ToggleButton*, PatternBank::kKeys> keys_{};
    std::array<ToggleButton*, PatternBank::kBanks> banks_{};
};

} // namespace quovent
