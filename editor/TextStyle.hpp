// The one text style of the editor's readouts: blue text in font 6 (Arial 9) over the
// display's background bitmap, no frame drawn.
#pragma once

#include "widgets/ValueDisplay.hpp"

namespace quovent::textStyle {

inline constexpr Color kGrey{127, 127, 127, 255};
inline constexpr Color kBlue{0, 0, 255, 255};
inline constexpr Color kYellow{255, 255, 0, 255};
inline constexpr int kFont = 6;
inline constexpr int kLeft = 0;
inline constexpr int kCentre = 1;

inline void apply(ValueDisplay& display, int align, Color frame = kGrey) {
    display.setFont(kFont);
    display.setTextColor(kBlue);
    display.setBackColor(kGrey);
    display.setFrameColor(frame);
    display.setHoriAlign(align);
}

} // namespace quovent::textStyle
