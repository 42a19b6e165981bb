// Pixel storage of decoded bitmaps.
#include "platform/Image.hpp"

#include "platform/Capacities.hpp"

namespace quovent::platform {

Image::Image(int width, int height) {
    if (width <= 0 || height <= 0 || width > capacity::kImageSide ||
        height > capacity::kImageSide) {
        return;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
}

std::uint32_t Image::pixel(int x, int y) const noexcept {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void Image::setPixel(int x, int y, Color c) noexcept {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = premultiply(c);
}

void Image::fill(Rect area, Color c) noexcept {
    const Rect r = area.intersection({0, 0, width_, height_});
    const std::uint32_t v = premultiply(c);
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(x)] = v;
        }
    }
}

std::uint32_t Image::premultiply(Color c) noexcept {
    const auto mul = [a = c.a](std::uint8_t v) {
        return static_cast<std::uint32_t>((v * a + 127) / 255);
    };
    return (static_cast<std::uint32_t>(c.a) << 24) | (mul(c.r) << 16) | (mul(c.g) << 8) | mul(c.b);
}

} // namespace quovent::platform
