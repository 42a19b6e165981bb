// Bitmap loading and frame drawing.
#include "widgets/Bitmap.hpp"

#include "resources/Resources.hpp"

#include <algorithm>

namespace quovent {

BitmapPtr Bitmap::fromResource(int id) {
    return fromPng(resources::png(id), id);
}

BitmapPtr Bitmap::fromPng(std::span<const unsigned char> data, int id) {
    std::shared_ptr<const platform::Image> image;
    if (!data.empty()) {
        image = platform::decodePng(data);
    }
    return std::make_shared<const Bitmap>(std::move(image), id);
}

BitmapPtr Bitmap::fromImage(std::shared_ptr<const platform::Image> image, int id) {
    return std::make_shared<const Bitmap>(std::move(image), id);
}

Bitmap::Bitmap(std::shared_ptr<const platform::Image> image, int id)
    : image_(std::move(image)), id_(id) {}

void Bitmap::draw(platform::Canvas& canvas, Rect dest, Point offset) const {
    if (empty() || dest.empty()) {
        return;
    }
    canvas.drawImage(*image_, dest, offset);
}

void Bitmap::drawFrame(platform::Canvas& canvas, Rect dest, int frame, int frameHeight) const {
    if (empty() || frameHeight <= 0) {
        return;
    }
    const int frames = std::max(1, height() / frameHeight);
    const int f = std::clamp(frame, 0, frames - 1);
    draw(canvas, dest, {0, f * frameHeight});
}

} // namespace quovent
