// The skin's bitmaps, embedded in the binary as PNG data and looked up by resource id
// (128..163) and scale. Every bitmap is drawn once per scale the editor offers, so no
// picture is ever stretched. No file is read at run time.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace quovent::resources {

// The scales the skin is drawn at, in percent of its layout size, smallest first.
inline constexpr std::array<int, 3> kScalePercents{100, 150, 200};

// The PNG bytes of a bitmap resource at a scale; empty when there is no resource with that
// id or no picture at that scale. At 100 % a picture has the layout's size; at a scale s
// its width is round(width x s) and its frames, stacked as at 100 %, are
// round(frame height x s) pixels apart.
std::span<const unsigned char> png(int id, int scalePercent = 100) noexcept;

} // namespace quovent::resources
