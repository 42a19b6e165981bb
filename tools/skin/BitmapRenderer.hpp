// Renders one bitmap resource of the skin into an ARGB32 image surface.
#pragma once

#include "tools/skin/BitmapTable.hpp"

#include <cairo.h>

namespace quovent::skin {

// The image of `layout`, frames stacked from the top; null for an id the skin has no
// picture for. The caller destroys the surface.
cairo_surface_t* renderBitmap(const BitmapLayout& layout);

} // namespace quovent::skin
