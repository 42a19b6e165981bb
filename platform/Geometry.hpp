// Points, rectangles and colours in window pixels, shared by the window system, the drawing
// interface and the widget toolkit. Rectangles are left/top/right/bottom with the right and
// bottom edges one past the last pixel, as the control layout writes them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quovent {

struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect sized(int left, int top, int width, int height) noexcept {
        return {left, top, left + width, top + height};
    }

    constexpr int width() const noexcept { return right - left; }
    constexpr int height() const noexcept { return bottom - top; }
    constexpr bool empty() const noexcept { return right <= left || bottom <= top; }
    constexpr Point origin() const noexcept { return {left, top}; }

    // Edges included on every side: a press on the right or bottom border still hits the
    // control, as the layout's rectangles are meant to be closed.
    constexpr bool contains(Point p) const noexcept {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    // Half-open test for pixel areas (drawing, hit tests of menu rows).
    constexpr bool containsPixel(Point p) const noexcept {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr bool intersects(const Rect& o) const noexcept {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    constexpr Rect offset(int dx, int dy) const noexcept {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    constexpr Rect inset(int d) const noexcept {
        return {left + d, top + d, right - d, bottom - d};
    }
    constexpr Rect intersection(const Rect& o) const noexcept {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    friend bool operator==(const Color&, const Color&) = default;
};

namespace colors {
inline constexpr Color kBlack{0, 0, 0, 255};
inline constexpr Color kWhite{255, 255, 255, 255};
inline constexpr Color kGrey{127, 127, 127, 255};
inline constexpr Color kLightGrey{212, 208, 200, 255};
inline constexpr Color kDarkGrey{64, 64, 64, 255};
inline constexpr Color kBlue{0, 0, 255, 255};
inline constexpr Color kYellow{255, 255, 0, 255};
inline constexpr Color kTransparent{0, 0, 0, 0};
} // namespace colors

} // namespace quovent
