// Pixel storage of decoded bitmaps.
#include "platform/Image.hpp"

#include "platform/Capacities.hpp"

#include <cstring>

namespace quovent::platform {

Image::Image(int width, int height, Scale scale) : scale_(scale) {
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

std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data, Scale scale) {
    std::shared_ptr<const Image> decoded = decodePng(data);
    if (!decoded || decoded->scale() == scale) {
        return decoded;
    }
    // Once per picture and scale: the copy costs less than a decoder interface per scale.
    auto image = std::make_shared<Image>(*decoded);
    image->setScale(scale);
    return image;
}

bool pngSize(std::span<const unsigned char> data, int& width, int& height) noexcept {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t kHeaderEnd = 24; // signature, chunk length and type, width, height
    if (data.size() < kHeaderEnd || std::memcmp(data.data(), kSignature, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0) {
        return false;
    }
    const auto big = [&](std::size_t at) {
        return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
               (std::uint32_t{data[at + 2]} << 8) | std::uint32_t{data[at + 3]};
    };
    const std::uint32_t w = big(16);
    const std::uint32_t h = big(20);
    const auto limit = static_cast<std::uint32_t>(capacity::kImageSide);
    if (w == 0 || h == 0 || w > limit || h > limit) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

std::uint32_t Image::premultiply(Color c) noexcept {
    const auto mul = [a = c.a](std::uint8_t v) {
        return static_cast<std::uint32_t>((v * a + 127) / 255);
    };
    return (static_cast<std::uint32_t>(c.a) << 24) | (mul(c.r) << 16) | (mul(c.g) << 8) | mul(c.b);
}

} // namespace quovent::platform
