// A decoded bitmap in memory: 32-bit premultiplied ARGB pixels in native byte order, rows
// packed (stride = width x 4). This is the layout cairo calls ARGB32, so a backend can draw
// the pixels without converting them; the stub backend only needs the size.
#pragma once

#include "platform/Geometry.hpp"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quovent::platform {

class Image {
public:
    // A transparent image; sizes outside 0..kImageSide give an empty image.
    Image(int width, int height);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int stride() const noexcept { return width_ * 4; }
    bool empty() const noexcept { return width_ == 0 || height_ == 0; }

    std::uint32_t* pixels() noexcept { return pixels_.data(); }
    const std::uint32_t* pixels() const noexcept { return pixels_.data(); }
    // Premultiplied pixel at (x, y); 0 outside the image.
    std::uint32_t pixel(int x, int y) const noexcept;
    void setPixel(int x, int y, Color c) noexcept;
    void fill(Rect area, Color c) noexcept;

    static std::uint32_t premultiply(Color c) noexcept;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// Decodes PNG data (implemented by the drawing backend). Null for data that is not a PNG
// image, is truncated, or is larger than kImageSide on a side.
std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data);

} // namespace quovent::platform
