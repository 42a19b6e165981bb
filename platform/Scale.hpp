// The scale of a window, a canvas or a picture: how many screen pixels one unit of the
// layout takes, in percent (100: one pixel per unit). The toolkit and the editor work in
// units only; the backends multiply when they draw and divide when they read the pointer.
//
// A unit coordinate x maps to the pixel edge floor(x * percent / 100 + 1/2). Every edge of a
// rectangle is mapped on its own, so rectangles that touch in units touch in pixels (no gap,
// no overlap), and at 150 % a 15-unit control covers 22 or 23 pixels by where it lies. The
// pixel p belongs to the unit whose pixels hold it, so toUnits(toPixels(x)) == x.
#pragma once

#include "platform/Geometry.hpp"

namespace quovent::platform {

class Scale {
public:
    static constexpr int kMinPercent = 50;
    static constexpr int kMaxPercent = 400;

    // Percentages outside kMinPercent..kMaxPercent are clamped.
    constexpr explicit Scale(int percent = 100) noexcept
        : percent_(percent < kMinPercent   ? kMinPercent
                   : percent > kMaxPercent ? kMaxPercent
                                           : percent) {}

    constexpr int percent() const noexcept { return percent_; }
    constexpr double factor() const noexcept { return percent_ / 100.0; }
    // True for 100 %, 200 %, 300 %...: every unit edge falls on a pixel edge, exactly.
    constexpr bool whole() const noexcept { return percent_ % 100 == 0; }

    // The pixel edge of a unit coordinate.
    constexpr int toPixels(int units) const noexcept {
        return floorDiv(units * percent_ + 50, 100);
    }
    constexpr Point toPixels(Point p) const noexcept { return {toPixels(p.x), toPixels(p.y)}; }
    constexpr Rect toPixels(Rect r) const noexcept {
        return {toPixels(r.left), toPixels(r.top), toPixels(r.right), toPixels(r.bottom)};
    }
    // The unit whose pixels hold pixel p (the largest x with toPixels(x) <= p).
    constexpr int toUnits(int pixel) const noexcept { return floorDiv(pixel * 100 + 49, percent_); }
    constexpr Point toUnits(Point p) const noexcept { return {toUnits(p.x), toUnits(p.y)}; }
    // The smallest unit rectangle whose pixels cover a pixel rectangle.
    constexpr Rect unitsCovering(Rect pixels) const noexcept {
        if (pixels.empty()) {
            return {};
        }
        return {toUnits(pixels.left), toUnits(pixels.top), toUnits(pixels.right - 1) + 1,
                toUnits(pixels.bottom - 1) + 1};
    }
    // Pixels taken by a length of units starting at unit coordinate `from`.
    constexpr int pixelLength(int from, int units) const noexcept {
        return toPixels(from + units) - toPixels(from);
    }

    friend constexpr bool operator==(const Scale&, const Scale&) = default;

private:
    static constexpr int floorDiv(int a, int b) noexcept {
        const int q = a / b;
        return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
    }

    int percent_;
};

} // namespace quovent::platform
