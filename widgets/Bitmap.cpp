// Bitmap loading, the picture for each scale, and frame drawing.
#include "widgets/Bitmap.hpp"

#include "resources/Resources.hpp"

#include <algorithm>
#include <cstring>

namespace quovent {

namespace {

// A resource's picture for a scale: its own, else the nearest larger one, else the largest.
std::shared_ptr<const platform::Image> decodeResource(int id, int percent) {
    std::span<const unsigned char> data = resources::png(id, percent);
    int chosen = percent;
    if (data.empty()) {
        for (const int offered : resources::kScalePercents) {
            chosen = offered;
            data = resources::png(id, offered);
            if (offered >= percent && !data.empty()) {
                break;
            }
        }
    }
    if (data.empty()) {
        return nullptr;
    }
    return platform::decodePng(data, platform::Scale{chosen});
}

// Rows [top, top + height) of an image as an image of its own.
std::shared_ptr<const platform::Image> cutRows(const platform::Image& strip, int top, int height) {
    auto part = std::make_shared<platform::Image>(strip.width(), height, strip.scale());
    if (part->empty() || top < 0 || top + height > strip.height()) {
        return part;
    }
    std::memcpy(part->pixels(), strip.pixels() + static_cast<std::ptrdiff_t>(top) * strip.width(),
                static_cast<std::size_t>(height) * static_cast<std::size_t>(strip.stride()));
    return part;
}

} // namespace

BitmapPtr Bitmap::fromResource(int id) {
    int width = 0;
    int height = 0;
    if (!platform::pngSize(resources::png(id), width, height)) {
        return std::make_shared<const Bitmap>(nullptr, id);
    }
    return std::make_shared<const Bitmap>(id, width, height);
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
    : image_(std::move(image)), id_(id) {
    if (image_ && !image_->empty()) {
        const platform::Scale s = image_->scale();
        width_ = s.toUnits(image_->width() - 1) + 1;
        height_ = s.toUnits(image_->height() - 1) + 1;
    }
}

Bitmap::Bitmap(int id, int width, int height)
    : id_(id), width_(width), height_(height), resource_(true) {}

Bitmap::Picture& Bitmap::pictureLocked(platform::Scale scale) const {
    for (Picture& p : pictures_) {
        if (p.requestedPercent == scale.percent()) {
            return p;
        }
    }
    Picture& p = pictures_.emplace_back();
    p.requestedPercent = scale.percent();
    p.strip = resource_ ? decodeResource(id_, scale.percent()) : image_;
    return p;
}

std::shared_ptr<const platform::Image> Bitmap::stripFor(platform::Scale scale) const {
    if (!resource_) {
        return image_;
    }
    const std::lock_guard lock(mutex_);
    return pictureLocked(scale).strip;
}

std::shared_ptr<const platform::Image> Bitmap::frameFor(platform::Scale scale, int frame,
                                                        int frameHeight) const {
    const std::lock_guard lock(mutex_);
    Picture& p = pictureLocked(scale);
    if (!p.strip || p.strip->empty()) {
        return nullptr;
    }
    const int frames = std::max(1, height_ / frameHeight);
    const int pitch = p.strip->height() / frames;
    if (p.frameHeight != frameHeight) {
        p.frameHeight = frameHeight;
        p.frames.assign(static_cast<std::size_t>(frames), nullptr);
    }
    auto& cut = p.frames[static_cast<std::size_t>(frame)];
    if (!cut) {
        cut = cutRows(*p.strip, frame * pitch, pitch);
    }
    return cut;
}

void Bitmap::draw(platform::Canvas& canvas, Rect dest, Point offset) const {
    if (empty() || dest.empty()) {
        return;
    }
    if (const auto strip = stripFor(canvas.scale())) {
        canvas.drawImage(*strip, dest, offset);
    }
}

void Bitmap::drawFrame(platform::Canvas& canvas, Rect dest, int frame, int frameHeight) const {
    if (empty() || frameHeight <= 0) {
        return;
    }
    const int frames = std::max(1, height() / frameHeight);
    const int f = std::clamp(frame, 0, frames - 1);
    const auto strip = stripFor(canvas.scale());
    if (!strip) {
        return;
    }
    // Frames are stacked round(frameHeight x scale) pixels apart. Where that is exactly
    // frameHeight x scale (whole scales), a frame starts at its unit offset; otherwise it is
    // cut out, so that a frame never shows a row of its neighbour.
    const bool evenPitch =
        strip->height() % frames == 0 &&
        strip->height() / frames == strip->scale().toPixels(frameHeight) &&
        strip->scale().toPixels(frameHeight) * 100 == frameHeight * strip->scale().percent();
    if (evenPitch || frames == 1) {
        draw(canvas, dest, {0, f * frameHeight});
        return;
    }
    if (strip->height() % frames != 0) {
        draw(canvas, dest, {0, f * frameHeight}); // not a strip of equal frames: best effort
        return;
    }
    if (const auto cut = frameFor(canvas.scale(), f, frameHeight)) {
        canvas.drawImage(*cut, dest, {});
    }
}

} // namespace quovent
