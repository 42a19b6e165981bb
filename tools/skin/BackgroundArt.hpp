// The window background (657 x 590): panels, wells, grooves and every painted label.
#pragma once

#include "tools/skin/Painter.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <vector>

namespace quovent::skin {

void paintBackground(const Painter& p);

// The ink box of every text the background paints at a scale, in pixels, for checking that
// labels stay clear of the controls; the logo is left out, since it lies under the logo's
// invisible click area.
std::vector<Rect> backgroundTextBoxes(platform::Scale scale = platform::Scale{});

// A unit rectangle of the window in the background's pixels at a scale.
Rect pixelRect(Rect units, platform::Scale scale);

// The about picture shown over the top area when the logo is clicked (615 x 77).
void paintSplash(const Painter& p);

} // namespace quovent::skin
