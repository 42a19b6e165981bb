// The skin's bitmaps, embedded in the binary as PNG data and looked up by resource id
// (128..163). No file is read at run time.
#pragma once

#include <cstddef>
#include <span>

namespace quovent::resources {

// The PNG bytes of a bitmap resource; empty when there is no resource with that id.
std::span<const unsigned char> png(int id) noexcept;

} // namespace quovent::resources
