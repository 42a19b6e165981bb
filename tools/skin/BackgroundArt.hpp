// The window background (657 x 590): panels, wells, grooves and every painted label.
#pragma once

#include "tools/skin/Painter.hpp"

namespace quovent::skin {

void paintBackground(const Painter& p);

// The about picture shown over the top area when the logo is clicked (615 x 77).
void paintSplash(const Painter& p);

} // namespace quovent::skin
