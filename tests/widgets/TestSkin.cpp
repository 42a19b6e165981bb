// Cairo-drawn test bitmaps.
#include "TestSkin.hpp"

#include <cairo.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>

namespace quovent::test::skin {
namespace {

BitmapPtr draw(int width, int height, const std::function<void(cairo_t*)>& painter) {
    auto image = std::make_shared<platform::Image>(width, height);
    cairo_surface_t* s =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(image->pixels()),
                                            CAIRO_FORMAT_ARGB32, width, height, image->stride());
    cairo_t* cr = cairo_create(s);
    painter(cr);
    cairo_destroy(cr);
    cairo_surface_finish(s);
    cairo_surface_destroy(s);
    return Bitmap::fromImage(std::move(image));
}

void rgb(cairo_t* cr, int r, int g, int b, double a = 1.0) {
    cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, a);
}

void roundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -std::numbers::pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, std::numbers::pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, std::numbers::pi / 2, std::numbers::pi);
    cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 1.5 * std::numbers::pi);
    cairo_close_path(cr);
}

void label(cairo_t* cr, const std::string& text, double cx, double cy, double size, bool bold) {
    cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t te;
    cairo_text_extents(cr, text.c_str(), &te);
    cairo_move_to(cr, cx - te.x_advance / 2, cy + te.height / 2);
    cairo_show_text(cr, text.c_str());
}

} // namespace

BitmapPtr background(int width, int height) {
    return draw(width, height, [=](cairo_t* cr) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, height);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.30, 0.33, 0.38);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.14, 0.15, 0.18);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
        // A darker strip per row of controls, with a hairline, as a skin would have.
        for (int y = 40; y + 70 < height; y += 90) {
            rgb(cr, 0, 0, 0, 0.25);
            roundRect(cr, 8, y, width - 16, 76, 6);
            cairo_fill(cr);
            rgb(cr, 255, 255, 255, 0.08);
            cairo_rectangle(cr, 12, y + 75, width - 24, 1);
            cairo_fill(cr);
        }
        rgb(cr, 230, 230, 235);
        label(cr, "widget toolkit", width / 2.0, 18, 14, true);
    });
}

BitmapPtr knob(int size, int frames) {
    return draw(size, size * frames, [=](cairo_t* cr) {
        const double c = size / 2.0;
        const double r = size / 2.0 - 2;
        for (int f = 0; f < frames; ++f) {
            const double y = f * size;
            const double v = frames > 1 ? static_cast<double>(f) / (frames - 1) : 0.0;
            const double start = 0.75 * std::numbers::pi; // lower left, clockwise on screen
            const double end = start + v * 1.5 * std::numbers::pi;
            cairo_pattern_t* p = cairo_pattern_create_radial(c - 3, y + c - 3, 1, c, y + c, r);
            cairo_pattern_add_color_stop_rgb(p, 0, 0.55, 0.57, 0.62);
            cairo_pattern_add_color_stop_rgb(p, 1, 0.20, 0.21, 0.24);
            cairo_set_source(cr, p);
            cairo_arc(cr, c, y + c, r - 3, 0, 2 * std::numbers::pi);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
            cairo_set_line_width(cr, 2.5);
            rgb(cr, 60, 60, 70);
            cairo_arc(cr, c, y + c, r, start, start + 1.5 * std::numbers::pi);
            cairo_stroke(cr);
            rgb(cr, 255, 170, 40);
            cairo_arc(cr, c, y + c, r, start, std::max(end, start + 0.01));
            cairo_stroke(cr);
            rgb(cr, 250, 250, 250);
            cairo_set_line_width(cr, 2);
            cairo_move_to(cr, c + std::cos(end) * (r * 0.3), y + c + std::sin(end) * (r * 0.3));
            cairo_line_to(cr, c + std::cos(end) * (r - 4), y + c + std::sin(end) * (r - 4));
            cairo_stroke(cr);
        }
    });
}

BitmapPtr groove(int width, int height) {
    return draw(width, height, [=](cairo_t* cr) {
        rgb(cr, 10, 10, 12);
        roundRect(cr, width / 2.0 - 2, 2, 4, height - 4, 2);
        cairo_fill(cr);
        rgb(cr, 255, 255, 255, 0.25);
        for (int y = 6; y < height - 4; y += 6) {
            cairo_rectangle(cr, 0, y, 2, 1);
            cairo_rectangle(cr, width - 2, y, 2, 1);
        }
        cairo_fill(cr);
    });
}

BitmapPtr handle(int width, int height) {
    return draw(width, height, [=](cairo_t* cr) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, height);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.92, 0.92, 0.95);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.56, 0.60);
        cairo_set_source(cr, p);
        roundRect(cr, 0.5, 0.5, width - 1, height - 1, 2);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        rgb(cr, 40, 40, 40);
        cairo_rectangle(cr, 2, height / 2.0 - 0.5, width - 4, 1);
        cairo_fill(cr);
    });
}

BitmapPtr button(int width, int height, const std::string& text) {
    return draw(width, height * 2, [=](cairo_t* cr) {
        for (int f = 0; f < 2; ++f) {
            const double y = f * height;
            rgb(cr, f == 0 ? 90 : 50, f == 0 ? 95 : 55, f == 0 ? 105 : 62);
            roundRect(cr, 1, y + 1, width - 2, height - 2, 3);
            cairo_fill_preserve(cr);
            rgb(cr, 20, 20, 20);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            rgb(cr, f == 0 ? 235 : 255, f == 0 ? 235 : 200, f == 0 ? 235 : 80);
            label(cr, text, width / 2.0 + f, y + height / 2.0 + f, 10, true);
        }
    });
}

BitmapPtr lamp(int width, int height) {
    return draw(width, height * 2, [=](cairo_t* cr) {
        for (int f = 0; f < 2; ++f) {
            const double y = f * height;
            const double r = std::min(width, height) / 2.0 - 1;
            rgb(cr, f == 0 ? 60 : 80, f == 0 ? 20 : 255, f == 0 ? 20 : 90);
            cairo_arc(cr, width / 2.0, y + height / 2.0, r, 0, 2 * std::numbers::pi);
            cairo_fill(cr);
        }
    });
}

BitmapPtr switchStrip(int width, int height, const std::vector<std::string>& labels,
                      bool horizontal) {
    const int n = static_cast<int>(labels.size());
    return draw(width, height * n, [=](cairo_t* cr) {
        for (int f = 0; f < n; ++f) {
            const double y0 = f * height;
            rgb(cr, 30, 32, 36);
            roundRect(cr, 0.5, y0 + 0.5, width - 1, height - 1, 3);
            cairo_fill(cr);
            for (int i = 0; i < n; ++i) {
                const double x = horizontal ? i * static_cast<double>(width) / n : 0;
                const double y = horizontal ? y0 : y0 + i * static_cast<double>(height) / n;
                const double w = horizontal ? static_cast<double>(width) / n : width;
                const double h = horizontal ? height : static_cast<double>(height) / n;
                if (i == f) {
                    rgb(cr, 255, 170, 40);
                    roundRect(cr, x + 1.5, y + 1.5, w - 3, h - 3, 2);
                    cairo_fill(cr);
                }
                rgb(cr, i == f ? 20 : 200, i == f ? 20 : 200, i == f ? 20 : 205);
                label(cr, labels[static_cast<std::size_t>(i)], x + w / 2, y + h / 2, 8, true);
            }
        }
    });
}

BitmapPtr displayBack(int width, int height) {
    return draw(width, height, [=](cairo_t* cr) {
        rgb(cr, 200, 215, 190);
        cairo_paint(cr);
        rgb(cr, 0, 0, 0, 0.35);
        cairo_rectangle(cr, 0, 0, width, 1);
        cairo_rectangle(cr, 0, 0, 1, height);
        cairo_fill(cr);
    });
}

BitmapPtr menuButton(int width, int height, bool open) {
    return draw(width, height, [=](cairo_t* cr) {
        rgb(cr, open ? 255 : 90, open ? 170 : 95, open ? 40 : 105);
        roundRect(cr, 0.5, 0.5, width - 1, height - 1, 2);
        cairo_fill(cr);
        rgb(cr, 20, 20, 20);
        cairo_move_to(cr, width / 2.0 - 4, height / 2.0 - 2);
        cairo_line_to(cr, width / 2.0 + 4, height / 2.0 - 2);
        cairo_line_to(cr, width / 2.0, height / 2.0 + 3);
        cairo_close_path(cr);
        cairo_fill(cr);
    });
}

BitmapPtr splash(int width, int height) {
    return draw(width, height, [=](cairo_t* cr) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, width, height);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.95, 0.55, 0.10);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.60, 0.10, 0.35);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
        rgb(cr, 255, 255, 255);
        label(cr, "splash picture", width / 2.0, height / 2.0, 22, true);
    });
}

} // namespace quovent::test::skin
