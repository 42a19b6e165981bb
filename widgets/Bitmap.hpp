// A bitmap of the skin, shared by reference count: every control that shows it holds a
// BitmapPtr, and the owner that loaded it holds one more. Bitmaps with several frames stack
// them vertically; a control draws one frame by its vertical offset.
#pragma once

#include "platform/Canvas.hpp"
#include "platform/Image.hpp"

#include <memory>
#include <span>

namespace quovent {

class Bitmap;
using BitmapPtr = std::shared_ptr<const Bitmap>;

class Bitmap {
public:
    // The embedded resource with this id. Never null: a missing or undecodable resource
    // gives an empty bitmap (0 x 0) that draws nothing, so a broken skin shows gaps
    // instead of failing.
    static BitmapPtr fromResource(int id);
    // PNG data in memory; an empty bitmap when it cannot be decoded.
    static BitmapPtr fromPng(std::span<const unsigned char> data, int id = 0);
    // An image already in memory (tests, generated pictures).
    static BitmapPtr fromImage(std::shared_ptr<const platform::Image> image, int id = 0);

    explicit Bitmap(std::shared_ptr<const platform::Image> image, int id);

    int width() const noexcept { return image_ ? image_->width() : 0; }
    int height() const noexcept { return image_ ? image_->height() : 0; }
    bool empty() const noexcept { return width() == 0 || height() == 0; }
    int resourceId() const noexcept { return id_; }
    const platform::Image* image() const noexcept { return image_.get(); }

    // Draws the part of the bitmap that starts at offset, with the size of dest, into dest.
    void draw(platform::Canvas& canvas, Rect dest, Point offset = {}) const;
    // Draws frame number `frame` (frames of frameHeight pixels stacked from the top) into
    // dest; frames past the last are clamped to it.
    void drawFrame(platform::Canvas& canvas, Rect dest, int frame, int frameHeight) const;

private:
    std::shared_ptr<const platform::Image> image_;
    int id_;
};

} // namespace quovent
