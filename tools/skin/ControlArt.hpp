// Pictures of the control bitmaps, one frame at a time.
#pragma once

#include "tools/skin/Painter.hpp"

namespace quovent::skin {

// Paints frame `frame` of control bitmap `id` with its top-left corner at the origin.
// Returns false for an id that is not a control bitmap.
bool paintControlFrame(int id, const Painter& p, int frame);

// Angle of a 37-frame knob, in degrees clockwise from 12 o'clock (-135 .. +135).
double knobAngle(int frame, int frames);

} // namespace quovent::skin
