// The table of PNG images compiled into the binary; the source defining it is generated at
// build time from resources/bitmap-<id>.png.
#pragma once

#include <cstddef>
#include <span>

namespace quovent::resources {

struct EmbeddedBitmap {
    int id;
    const unsigned char* data;
    std::size_t size;
};

// Every embedded bitmap, in ascending id order.
std::span<const EmbeddedBitmap> embeddedBitmaps() noexcept;

} // namespace quovent::resources
