// Writes a part of an X screen to a PNG file, so GUI tests leave pictures people can look at.
#pragma once

#include "platform/Geometry.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quovent::test {

// True when the picture was written. Only the part of the area on the screen is taken.
inline bool captureScreenPng(Display* dpy, Rect area, const std::string& path) {
    XSync(dpy, False);
    const int screen = DefaultScreen(dpy);
    area.left = std::max(area.left, 0);
    area.top = std::max(area.top, 0);
    area.right = std::min(area.right, DisplayWidth(dpy, screen));
    area.bottom = std::min(area.bottom, DisplayHeight(dpy, screen));
    if (area.width() <= 0 || area.height() <= 0) {
        return false;
    }
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), area.left, area.top,
                              static_cast<unsigned>(area.width()),
                              static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, area.width(), area.height());
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        return static_cast<std::uint32_t>(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
    };
    for (int y = 0; y < area.height(); ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < area.width(); ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            row[x] = (channel(p, image->red_mask) << 16) | (channel(p, image->green_mask) << 8) |
                     channel(p, image->blue_mask);
        }
    }
    cairo_surface_mark_dirty(s);
    const bool written = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    XDestroyImage(image);
    return written;
}

} // namespace quovent::test
