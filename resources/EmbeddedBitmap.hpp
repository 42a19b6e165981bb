// The table of PNG images compiled into the binary; the source defining it is generated at
// build time from resources/bitmap-<id>.png and resources/bitmap-<id>@<percent>.png.
#pragma once

#include <cstddef>
#include <span>

namespace quovent::resources {

struct EmbeddedBitmap {
    int id;
    int scalePercent;
    const unsigned char* data;
    std::size_t size;
};

// Every embedded bitmap, by ascending id and, within an id, ascending scale.
std::span<const EmbeddedBitmap> embeddedBitmaps() noexcept;

} // namespace quovent::resources
