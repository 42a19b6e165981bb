// Looks up the embedded skin bitmaps by resource id.
#include "resources/Resources.hpp"

#include "resources/EmbeddedBitmap.hpp"

namespace quovent::resources {

std::span<const unsigned char> png(int id) noexcept {
    for (const EmbeddedBitmap& bitmap : embeddedBitmaps()) {
        if (bitmap.id == id) {
            return {bitmap.data, bitmap.size};
        }
    }
    return {};
}

} // namespace quovent::resources
