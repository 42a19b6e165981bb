// Renders one bitmap resource of the skin into an ARGB32 image surface, at a scale.
#pragma once

#include "platform/Scale.hpp"
#include "tools/skin/BitmapTable.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <cairo.h>

#include <string>
#include <vector>

namespace quovent::skin {

// Pixel size of a bitmap at a scale: width round(width x s); frames stacked
// round(frameHeight x s) pixels apart, each drawn from its own top pixel row.
int pixelWidth(const BitmapLayout& layout, platform::Scale scale) noexcept;
int framePitch(const BitmapLayout& layout, platform::Scale scale) noexcept;

// The image of `layout`, frames stacked from the top; null for an id the skin has no
// picture for. The caller destroys the surface. With `textBoxes`, the pixel ink box of
// every text drawn is appended to it (for checks that no label is cut off).
cairo_surface_t* renderBitmap(const BitmapLayout& layout, platform::Scale scale = platform::Scale{},
                              std::vector<Rect>* textBoxes = nullptr);

// The file a bitmap is kept in: bitmap-<id>.png at 100 %, bitmap-<id>@<percent>.png else.
std::string bitmapFileName(int id, platform::Scale scale);

} // namespace quovent::skin
