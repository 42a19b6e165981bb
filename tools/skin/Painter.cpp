// Drawing helpers for the skin generator.
#include "tools/skin/Painter.hpp"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quovent::skin {

namespace {

// True when fontconfig resolves `family` to that very family rather than a substitute.
bool fontInstalled(const char* family) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (pattern == nullptr) {
        return false;
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match != nullptr) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
            found = std::string_view(reinterpret_cast<const char*>(name)) == family;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

// Sizes in pixels computed from units carry rounding noise (13.5 / 1.5 * 1.5); a hair
// above a whole pixel is that pixel.
constexpr double kMetricSlack = 1e-6;

} // namespace

Painter::Painter(cairo_t* cr, platform::Scale scale) : cr_(cr), scale_(scale) {
    // Grey antialiasing and full hinting: glyph stems land on whole pixels, and the bitmaps
    // carry no subpixel colour fringes that would depend on the screen they end up on.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    cairo_get_matrix(cr_, &pixelMatrix_);
    if (scale_.percent() != 100) {
        cairo_scale(cr_, scale_.factor(), scale_.factor());
    }
}

const std::string& Painter::family() {
    static const std::string chosen = [] {
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans"}) {
            if (fontInstalled(candidate)) {
                return std::string(candidate);
            }
        }
        return std::string("sans-serif");
    }();
    return chosen;
}

void Painter::releaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

void Painter::record(double x0, double y0, double x1, double y1) const {
    // Device coordinates, widened to whole pixels.
    cairo_user_to_device(cr_, &x0, &y0);
    cairo_user_to_device(cr_, &x1, &y1);
    textBoxes_->push_back(Rect{static_cast<int>(std::floor(std::min(x0, x1))),
                               static_cast<int>(std::floor(std::min(y0, y1))),
                               static_cast<int>(std::ceil(std::max(x0, x1))),
                               static_cast<int>(std::ceil(std::max(y0, y1)))});
}

Painter::Box Painter::box(int x, int y, int w, int h) const noexcept {
    const int left = scale_.toPixels(x);
    const int top = scale_.toPixels(y);
    return {left, top, scale_.toPixels(x + w) - left, scale_.toPixels(y + h) - top};
}

double Painter::strokeWidth() const noexcept {
    return std::max(1.0, std::round(scale_.factor()));
}

void Painter::setColour(Colour c) const {
    cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
}

void Painter::fill(int x, int y, int w, int h, Colour c) const {
    const PixelSpace pixels(*this);
    const Box b = box(x, y, w, h);
    setColour(c);
    cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
    cairo_fill(cr_);
}

void Painter::fillGradient(int x, int y, int w, int h, Colour top, Colour bottom) const {
    const PixelSpace pixels(*this);
    const Box b = box(x, y, w, h);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
    cairo_pattern_add_color_stop_rgba(gradient, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(gradient, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr_, gradient);
    cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
    cairo_fill(cr_);
    cairo_pattern_destroy(gradient);
}

void Painter::outline(int x, int y, int w, int h, Colour c) const {
    hline(x, x + w, y, c);
    hline(x, x + w, y + h - 1, c);
    vline(x, y + 1, y + h - 1, c);
    vline(x + w - 1, y + 1, y + h - 1, c);
}

void Painter::hline(int x0, int x1, int y, Colour c) const {
    fill(x0, y, x1 - x0, 1, c);
}

void Painter::vline(int x, int y0, int y1, Colour c) const {
    fill(x, y0, 1, y1 - y0, c);
}

void Painter::roundPath(const Box& b, double r, bool stroke) const {
    double x = b.x;
    double y = b.y;
    double w = b.w;
    double h = b.h;
    if (stroke) {
        const double half = strokeWidth() / 2;
        x += half;
        y += half;
        w -= 2 * half;
        h -= 2 * half;
    }
    constexpr double pi = std::numbers::pi;
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr_, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr_, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr_, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr_);
}

void Painter::fillRound(int x, int y, int w, int h, double r, Colour c) const {
    const PixelSpace pixels(*this);
    setColour(c);
    roundPath(box(x, y, w, h), r * scale_.factor(), false);
    cairo_fill(cr_);
}

void Painter::fillRoundGradient(int x, int y, int w, int h, double r, Colour top,
                                Colour bottom) const {
    const PixelSpace pixels(*this);
    const Box b = box(x, y, w, h);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
    cairo_pattern_add_color_stop_rgba(gradient, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(gradient, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr_, gradient);
    roundPath(b, r * scale_.factor(), false);
    cairo_fill(cr_);
    cairo_pattern_destroy(gradient);
}

void Painter::strokeRound(int x, int y, int w, int h, double r, Colour c) const {
    const PixelSpace pixels(*this);
    setColour(c);
    cairo_set_line_width(cr_, strokeWidth());
    roundPath(box(x, y, w, h), r * scale_.factor(), true);
    cairo_stroke(cr_);
}

void Painter::well(int x, int y, int w, int h, double r) const {
    fillRound(x, y, w, h, r, palette::wellLip);
    fillRound(x, y, w, h - 1, r, palette::wellShadow);
    fillRound(x + 1, y + 1, w - 2, h - 2, std::max(0.0, r - 1), palette::well);
}

void Painter::cap(int x, int y, int w, int h, bool pressed, double r) const {
    fillRound(x, y, w, h, r, palette::edgeDark);
    if (pressed) {
        fillRoundGradient(x + 1, y + 1, w - 2, h - 2, std::max(0.0, r - 1), palette::capPressedTop,
                          palette::capPressedBottom);
        hline(x + 2, x + w - 2, y + 1, palette::wellShadow);
    } else {
        fillRoundGradient(x + 1, y + 1, w - 2, h - 2, std::max(0.0, r - 1), palette::capTop,
                          palette::capBottom);
        hline(x + 2, x + w - 2, y + 1, palette::capHighlight);
    }
}

void Painter::selectFont(Font f) const {
    cairo_select_font_face(cr_, family().c_str(), CAIRO_FONT_SLANT_NORMAL,
                           f.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, f.size * scale_.factor());
}

double Painter::textWidth(std::string_view s, Font f) const {
    const PixelSpace pixels(*this);
    selectFont(f);
    const std::string text(s);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    return extents.x_advance / scale_.factor();
}

void Painter::text(double x, int baseline, std::string_view s, Font f, Colour c,
                   Align align) const {
    const PixelSpace pixels(*this);
    selectFont(f);
    const std::string text(s);
    cairo_text_extents_t ink;
    cairo_text_extents(cr_, text.c_str(), &ink);
    const double width = ink.x_advance;
    double left = x * scale_.factor();
    if (align == Align::centre) {
        left -= width / 2;
    } else if (align == Align::right) {
        left -= width;
    }
    left = std::round(left);
    const int base = scale_.toPixels(baseline);
    if (textBoxes_ != nullptr) {
        const double x0 = left + ink.x_bearing;
        const double y0 = base + ink.y_bearing;
        record(x0, y0, x0 + ink.width, y0 + ink.height);
    }
    setColour(c);
    cairo_move_to(cr_, left, base);
    cairo_show_text(cr_, text.c_str());
    cairo_new_path(cr_);
}

void Painter::textUp(int x, double centreY, std::string_view s, Font f, Colour c) const {
    // Hinting only works on upright glyphs, so the text is drawn upright into a scratch
    // image and that image is turned by exactly a quarter turn: pixels map one to one.
    const Font device{f.size * scale_.factor(), f.bold};
    const int width =
        static_cast<int>(std::ceil(textWidth(s, f) * scale_.factor() - kMetricSlack)) + 2;
    const int ascent = static_cast<int>(std::ceil(device.size - kMetricSlack));
    const int height = ascent + 3;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* scratchContext = cairo_create(scratch);
    const Painter upright(scratchContext);
    upright.text(1, ascent, s, device, c);
    cairo_destroy(scratchContext);

    const PixelSpace pixels(*this);
    // Upright (u, v) lands at (column - ascent + v, bottom - u): the baseline becomes column.
    const int column = scale_.toPixels(x);
    const int bottom = static_cast<int>(std::lround(centreY * scale_.factor() + width / 2.0));
    if (textBoxes_ != nullptr) {
        selectFont(f);
        const std::string text(s);
        cairo_text_extents_t ink;
        cairo_text_extents(cr_, text.c_str(), &ink);
        // Upright ink spans u = 1 + x_bearing .. + width, v = ascent + y_bearing .. + height.
        const double u0 = 1 + ink.x_bearing;
        const double v0 = ascent + ink.y_bearing;
        record(column - ascent + v0, bottom - (u0 + ink.width), column - ascent + v0 + ink.height,
               bottom - u0);
    }
    cairo_matrix_t turn;
    cairo_matrix_init(&turn, 0, -1, 1, 0, column - ascent, bottom);
    cairo_transform(cr_, &turn);
    cairo_set_source_surface(cr_, scratch, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_surface_destroy(scratch);
}

} // namespace quovent::skin
