// A decoded bitmap in memory: 32-bit premultiplied ARGB pixels in native byte order, rows
// packed (stride = width x 4). This is the layout cairo calls ARGB32, so a backend can draw
// the pixels without converting them; the stub backend only needs the size.
// An image is drawn for a scale (Scale.hpp): a picture made for 200 % has two pixels per
// layout unit. Width and height are in pixels.
#pragma once

#include "platform/Geometry.hpp"
#include "platform/Scale.hpp"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quovent::platform {

class Image {
public:
    // A transparent image; sizes outside 0..kImageSide give an empty image.
    Image(int width, int height, Scale scale = Scale{});

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int stride() const noexcept { return width_ * 4; }
    bool empty() const noexcept { return width_ == 0 || height_ == 0; }
    Scale scale() const noexcept { return scale_; }
    void setScale(Scale scale) noexcept { scale_ = scale; }

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
    Scale scale_;
    std::vector<std::uint32_t> pixels_;
};

// Decodes PNG data (implemented by the drawing backend). Null for data that is not a PNG
// image, is truncated, or is larger than kImageSide on a side.
std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data);
// The same, for a picture drawn for `scale`.
std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data, Scale scale);
// Width and height a PNG's header declares, read without decoding; false when the data does
// not start like a PNG image.
bool pngSize(std::span<const unsigned char> data, int& width, int& height) noexcept;

} // namespace quovent::platform
