// The skin's bitmap resources: id, width and frame layout (frames stacked vertically).
#pragma once

#include <array>

namespace quovent::skin {

struct BitmapLayout {
    int id;
    int width;
    int frameHeight;
    int frames;

    constexpr int height() const noexcept { return frameHeight * frames; }
};

inline constexpr std::array<BitmapLayout, 30> bitmapLayouts{{
    {128, 657, 590, 1}, // background
    {130, 22, 16, 2},   // Sample Base folder button
    {131, 20, 34, 70},  // step button: 35 "on" levels, then 35 "off" levels
    {132, 22, 14, 2},   // slot folder button
    {135, 35, 14, 2},   // PREV
    {136, 35, 14, 2},   // NEXT
    {137, 16, 15, 2},   // pattern key
    {139, 36, 14, 1},   // output selector background
    {140, 163, 14, 1},  // sample name display background
    {141, 12, 55, 1},   // slider groove
    {142, 11, 18, 1},   // slider handle
    {143, 22, 22, 2},   // mute
    {144, 22, 22, 2},   // solo
    {145, 263, 19, 1},  // Sample Base display background
    {146, 20, 13, 1},   // Notes and BPM display background
    {147, 13, 50, 2},   // slot select bar
    {148, 18, 12, 2},   // pattern and slot menu button
    {149, 615, 77, 1},  // splash picture
    {150, 10, 7, 2},    // slot activity lamp
    {151, 53, 16, 5},   // StepEdit switch
    {153, 30, 30, 37},  // FREQ and RES knob
    {155, 49, 15, 2},   // LOOP
    {156, 26, 40, 4},   // filter type switch
    {157, 20, 20, 37},  // PAN knob
    {158, 57, 38, 2},   // Play
    {159, 41, 20, 2},   // Import
    {160, 41, 20, 2},   // Export
    {161, 16, 15, 2},   // pattern bank button
    {162, 20, 20, 37},  // Shuffle knob
    {163, 18, 12, 1},   // menu button while its menu is open
}};

} // namespace quovent::skin
