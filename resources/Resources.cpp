// Looks up the embedded skin bitmaps by resource id and scale.
#include "resources/Resources.hpp"

#include "resources/EmbeddedBitmap.hpp"

namespace quovent::resources {

std::span<const unsigned char> png(int id, int scalePercent) noexcept {
    for (const EmbeddedBitmap& bitmap : embeddedBitmaps()) {
        if (bitmap.id == id && bitmap.scalePercent == scalePercent) {
            return {bitmap.data, bitmap.size};
        }
    }
    return {};
}

} // namespace quovent::resources
