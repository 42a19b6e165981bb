// Bitmaps for GUI tests, drawn with cairo: a panel background and one strip per control kind,
// laid out like the skin's (frames stacked vertically), good enough to judge the rendering.
#pragma once

#include "widgets/Bitmap.hpp"

#include <string>
#include <vector>

namespace quovent::test::skin {

BitmapPtr background(int width, int height);
BitmapPtr knob(int size, int frames);
BitmapPtr groove(int width, int height);
BitmapPtr handle(int width, int height);
BitmapPtr button(int width, int height, const std::string& label); // frames: up, down
BitmapPtr lamp(int width, int height);                             // frames: off, on
BitmapPtr switchStrip(int width, int height, const std::vector<std::string>& labels,
                      bool horizontal); // one frame per position, height each
BitmapPtr displayBack(int width, int height);
BitmapPtr menuButton(int width, int height, bool open);
BitmapPtr splash(int width, int height);

} // namespace quovent::test::skin
