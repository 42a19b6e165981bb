#include "tools/render/WaveformPicture.hpp"

#include "tools/render/PairLevels.hpp"

#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace quovent::render {

namespace {

constexpr int kHeader = 36;
constexpr int kStrip = 96;
constexpr int kGap = 6;
constexpr int kMargin = 8;
constexpr int kHeight = kHeader + WaveformPicture::kPairs * (kStrip + kGap) + kMargin;

struct Colour {
    double r, g, b;
};
constexpr Colour kBackground{0.11, 0.12, 0.14};
constexpr Colour kStripBackground{0.16, 0.17, 0.20};
constexpr Colour kGrid{0.26, 0.28, 0.32};
constexpr Colour kLeft{0.31, 0.77, 0.69};
constexpr Colour kRight{0.90, 0.60, 0.29};
constexpr Colour kText{0.86, 0.87, 0.89};
constexpr Colour kQuiet{0.50, 0.52, 0.56};

void setColour(cairo_t* cr, const Colour& c) {
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

} // namespace

WaveformPicture::WaveformPicture(std::int64_t totalFrames)
    : totalFrames_(std::max<std::int64_t>(totalFrames, 1)) {
    for (auto& c : columns_) {
        c.assign(kWidth, Column{});
    }
}

void WaveformPicture::add(const float* const* outputs, int frames, std::int64_t firstFrame) {
    for (int i = 0; i < frames; ++i) {
        const std::int64_t x =
            std::min<std::int64_t>((firstFrame + i) * kWidth / totalFrames_, kWidth - 1);
        for (int p = 0; p < kPairs; ++p) {
            Column& c = columns_[p][static_cast<std::size_t>(x)];
            const float l = std::abs(outputs[static_cast<std::size_t>(2 * p)][i]);
            const float r = std::abs(outputs[static_cast<std::size_t>(2 * p + 1)][i]);
            c.leftPeak = std::max(c.leftPeak, l);
            c.rightPeak = std::max(c.rightPeak, r);
            peak_[p] = std::max({peak_[p], l, r});
        }
    }
}

std::string WaveformPicture::write(const std::string& path, const std::string& title,
                                   const std::vector<std::int64_t>& barFrames) const {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    setColour(cr, kBackground);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14.0);
    setColour(cr, kText);
    cairo_move_to(cr, kMargin, kHeader - 12);
    cairo_show_text(cr, title.c_str());
    cairo_set_font_size(cr, 12.0);
    cairo_set_line_width(cr, 1.0);

    for (int p = 0; p < kPairs; ++p) {
        const double top = kHeader + p * (kStrip + kGap);
        const double centre = top + kStrip / 2.0;
        const double half = kStrip / 2.0 - 4.0;
        setColour(cr, kStripBackground);
        cairo_rectangle(cr, 0, top, kWidth, kStrip);
        cairo_fill(cr);
        setColour(cr, kGrid);
        for (const std::int64_t bar : barFrames) {
            const double x = std::floor(static_cast<double>(bar) * kWidth / totalFrames_) + 0.5;
            cairo_move_to(cr, x, top);
            cairo_line_to(cr, x, top + kStrip);
        }
        cairo_move_to(cr, 0, centre + 0.5);
        cairo_line_to(cr, kWidth, centre + 0.5);
        cairo_stroke(cr);

        // Left channel upward, right channel downward; full scale reaches the strip's edge.
        for (int side = 0; side < 2; ++side) {
            setColour(cr, side == 0 ? kLeft : kRight);
            for (int x = 0; x < kWidth; ++x) {
                const Column& c = columns_[p][static_cast<std::size_t>(x)];
                const double v = std::min(1.0f, side == 0 ? c.leftPeak : c.rightPeak) * half;
                if (v >= 0.5) {
                    cairo_move_to(cr, x + 0.5, centre);
                    cairo_line_to(cr, x + 0.5, side == 0 ? centre - v : centre + v);
                }
            }
            cairo_stroke(cr);
        }

        char label[96];
        if (peak_[p] > 0.0f) {
            std::snprintf(label, sizeof label, "pair %d  (outputs %d/%d)   peak %.1f dBFS", p + 1,
                          2 * p + 1, 2 * p + 2, PairLevels::decibels(peak_[p]));
            setColour(cr, kText);
        } else {
            std::snprintf(label, sizeof label, "pair %d  (outputs %d/%d)   silent", p + 1,
                          2 * p + 1, 2 * p + 2);
            setColour(cr, kQuiet);
        }
        cairo_move_to(cr, kMargin, top + 15);
        cairo_show_text(cr, label);
    }
    cairo_destroy(cr);

    const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
    const cairo_status_t status = cairo_surface_write_to_png(surface, temporary.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        ::unlink(temporary.c_str());
        return path + ": " + cairo_status_to_string(status);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return path + ": " + std::strerror(error);
    }
    return {};
}

} // namespace quovent::render
