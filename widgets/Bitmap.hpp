// A bitmap of the skin, shared by reference count: every control that shows it holds a
// BitmapPtr, and the owner that loaded it holds one more. Bitmaps with several frames stack
// them vertically; a control draws one frame by its vertical offset.
//
// Sizes and offsets are in layout units. A skin bitmap has a picture per scale
// (resources::kScalePercents); drawing takes the one for the canvas's scale, decoded on first
// use, so nothing is stretched. A scale without a picture of its own borrows the nearest
// larger one (the canvas resamples it). Pictures are decoded under a lock: editors of
// different instances may draw on different threads.
#pragma once

#include "platform/Canvas.hpp"
#include "platform/Image.hpp"

#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace quovent {

class Bitmap;
using BitmapPtr = std::shared_ptr<const Bitmap>;

class Bitmap {
public:
    // The embedded resource with this id. Never null: a missing resource gives an empty
    // bitmap (0 x 0) that draws nothing, so a broken skin shows gaps instead of failing.
    static BitmapPtr fromResource(int id);
    // PNG data in memory, a picture at 100 %; an empty bitmap when it cannot be decoded.
    static BitmapPtr fromPng(std::span<const unsigned char> data, int id = 0);
    // An image already in memory (tests, generated pictures), at the image's own scale.
    static BitmapPtr fromImage(std::shared_ptr<const platform::Image> image, int id = 0);

    explicit Bitmap(std::shared_ptr<const platform::Image> image, int id);
    // A resource: `width` x `height` units, pictures decoded from resources::png on demand.
    Bitmap(int id, int width, int height);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    bool empty() const noexcept { return width_ == 0 || height_ == 0; }
    int resourceId() const noexcept { return id_; }
    // The picture the bitmap was made from (fromPng, fromImage); null for a resource.
    const platform::Image* image() const noexcept { return image_.get(); }

    // Draws the part of the bitmap that starts at offset, with the size of dest, into dest.
    void draw(platform::Canvas& canvas, Rect dest, Point offset = {}) const;
    // Draws frame number `frame` (frames of frameHeight units stacked from the top) into
    // dest; frames past the last are clamped to it.
    void drawFrame(platform::Canvas& canvas, Rect dest, int frame, int frameHeight) const;

private:
    // One scale's picture: the whole strip and, where frames do not start on whole pixels
    // of it (150 %), the frames cut out one by one as they are first drawn.
    struct Picture {
        int requestedPercent = 0;
        std::shared_ptr<const platform::Image> strip;
        int frameHeight = 0;
        std::vector<std::shared_ptr<const platform::Image>> frames;
    };
    std::shared_ptr<const platform::Image> stripFor(platform::Scale scale) const;
    std::shared_ptr<const platform::Image> frameFor(platform::Scale scale, int frame,
                                                    int frameHeight) const;
    Picture& pictureLocked(platform::Scale scale) const;

    std::shared_ptr<const platform::Image> image_;
    int id_;
    int width_ = 0;
    int height_ = 0;
    bool resource_ = false;
    mutable std::mutex mutex_;
    mutable std::vector<Picture> pictures_;
};

} // namespace quovent
