// Cairo drawing: rectangles, lines, bitmaps, text, offscreen surfaces.
#include "platform/linux/CairoCanvas.hpp"

#include "platform/FontTable.hpp"

#include <algorithm>
#include <cmath>

namespace quovent::platform::linux_x11 {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8Sequence(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (cc & 0x3Fu);
    }
    // Overlong forms, surrogates and values past Unicode are not valid UTF-8.
    static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

// Pixel metrics divided by the scale carry rounding noise (13.5 / 1.5 = 9.000000001): a
// hair below a whole unit is that unit, not the next.
constexpr double kMetricSlack = 1e-6;

} // namespace

std::string CairoCanvas::toUtf8(std::string_view text) {
    bool valid = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Sequence(text, i);
        if (n == 0 || text[i] == '\0') {
            valid = false;
            break;
        }
        i += n;
    }
    if (valid) {
        std::string out(text);
        // One line: line breaks and tabs are shown as blanks, not as missing glyphs.
        for (char& c : out) {
            if (static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
        return out;
    }
    std::string out;
    out.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0) {
            break;
        }
        if (c < 0x20) {
            out.push_back(' ');
        } else if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

CairoCanvas::CairoCanvas(cairo_surface_t* surface, int width, int height, Hooks hooks, Scale scale,
                         Point origin)
    : surface_(surface), width_(width), height_(height), hooks_(std::move(hooks)), scale_(scale),
      origin_(origin) {}

CairoCanvas::~CairoCanvas() {
    if (cr_ != nullptr) {
        cairo_destroy(cr_);
    }
    cairo_surface_destroy(surface_);
}

Point CairoCanvas::pixelSize(int width, int height, Scale scale, Point origin) noexcept {
    return {scale.pixelLength(origin.x, width), scale.pixelLength(origin.y, height)};
}

Rect CairoCanvas::toPixels(Rect area) const noexcept {
    // Through the window's grid, then relative to this canvas's own first pixel.
    const Rect inWindow = scale_.toPixels(area.offset(origin_.x, origin_.y));
    const Point first = scale_.toPixels(origin_);
    return inWindow.offset(-first.x, -first.y);
}

cairo_t* CairoCanvas::context() {
    if (cr_ != nullptr && cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr_);
        cr_ = nullptr;
    }
    if (cr_ == nullptr) {
        cr_ = cairo_create(surface_);
    }
    return cr_;
}

void CairoCanvas::addDamage(Rect pixels) noexcept {
    const Rect size = toPixels({0, 0, width_, height_});
    const Rect r = pixels.intersection(size);
    if (r.empty()) {
        return;
    }
    damage_ = damage_.empty()
                  ? r
                  : Rect{std::min(damage_.left, r.left), std::min(damage_.top, r.top),
                         std::max(damage_.right, r.right), std::max(damage_.bottom, r.bottom)};
}

void CairoCanvas::setColor(cairo_t* cr, Color c) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

void CairoCanvas::fillRect(Rect area, Color color) {
    const Rect p = toPixels(area);
    if (area.empty() || p.empty() || !usable()) {
        return;
    }
    cairo_t* cr = context();
    setColor(cr, color);
    cairo_rectangle(cr, p.left, p.top, p.width(), p.height());
    cairo_fill(cr);
    addDamage(p);
}

void CairoCanvas::strokeRect(Rect area, Color color) {
    if (area.empty()) {
        return;
    }
    // Four one-unit strips: exact pixels whatever the antialiasing.
    fillRect({area.left, area.top, area.right, area.top + 1}, color);
    fillRect({area.left, area.bottom - 1, area.right, area.bottom}, color);
    fillRect({area.left, area.top, area.left + 1, area.bottom}, color);
    fillRect({area.right - 1, area.top, area.right, area.bottom}, color);
}

void CairoCanvas::drawLine(Point from, Point to, Color color) {
    if (!usable()) {
        return;
    }
    if (from.x == to.x || from.y == to.y) {
        fillRect({std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                  std::max(from.y, to.y) + 1},
                 color);
        return;
    }
    // A slanted line through the centres of the end units, one unit wide.
    const Rect a = toPixels(Rect::sized(from.x, from.y, 1, 1));
    const Rect b = toPixels(Rect::sized(to.x, to.y, 1, 1));
    const double width = std::max(1.0, std::round(scale_.factor()));
    cairo_t* cr = context();
    setColor(cr, color);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_move_to(cr, (a.left + a.right) / 2.0, (a.top + a.bottom) / 2.0);
    cairo_line_to(cr, (b.left + b.right) / 2.0, (b.top + b.bottom) / 2.0);
    cairo_stroke(cr);
    const int pad = static_cast<int>(width) + 1;
    addDamage({std::min(a.left, b.left) - pad, std::min(a.top, b.top) - pad,
               std::max(a.right, b.right) + pad, std::max(a.bottom, b.bottom) + pad});
}

void CairoCanvas::drawImage(const Image& image, Rect dest, Point source) {
    if (image.empty() || dest.empty() || !usable()) {
        return;
    }
    const Rect d = toPixels(dest);
    // cairo only reads the pixels of a source surface; the const_cast does not lead to a
    // write. The surface lives only for this call and the context drops its pattern before
    // it is destroyed, so cairo keeps no pointer into the image.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels()));
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        data, CAIRO_FORMAT_ARGB32, image.width(), image.height(), image.stride());
    cairo_t* cr = context();
    Rect shown; // the pixels of d that the image covers
    if (image.scale() == scale_) {
        // Pixel for pixel: the source corner is a pixel of the image's own grid.
        const Point at{d.left - image.scale().toPixels(source.x),
                       d.top - image.scale().toPixels(source.y)};
        shown = d.intersection(Rect::sized(at.x, at.y, image.width(), image.height()));
        cairo_set_source_surface(cr, s, at.x, at.y);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    } else {
        // A picture of another scale (no skin set for this scale): resampled to fit.
        const double ratio = scale_.factor() / image.scale().factor();
        const double atX = d.left - source.x * scale_.factor();
        const double atY = d.top - source.y * scale_.factor();
        shown =
            d.intersection({static_cast<int>(std::floor(atX)), static_cast<int>(std::floor(atY)),
                            static_cast<int>(std::ceil(atX + image.width() * ratio)),
                            static_cast<int>(std::ceil(atY + image.height() * ratio))});
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(s);
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, 1.0 / ratio, 1.0 / ratio);
        cairo_matrix_translate(&m, -atX, -atY);
        cairo_pattern_set_matrix(pattern, &m);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
        // The fill stops at the picture's edge; padding keeps that edge from fading out.
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
    }
    if (!shown.empty()) {
        cairo_rectangle(cr, shown.left, shown.top, shown.width(), shown.height());
        cairo_fill(cr);
        addDamage(shown);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_surface_destroy(s);
}

void CairoCanvas::selectFont(cairo_t* cr, int font, int fontStyle, double scale) {
    const FontEntry& entry = fontEntry(font);
    const bool bold = entry.bold || (fontStyle & kFontBold) != 0;
    const bool italic = (fontStyle & kFontItalic) != 0;
    cairo_select_font_face(cr, entry.face,
                           italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    // The font is set at the scaled size, not magnified: glyphs stay sharp.
    cairo_set_font_size(cr, entry.pixelSize * scale);
}

CairoCanvas::Shaped CairoCanvas::shape(cairo_t* cr, const std::string& utf8, int font,
                                       int fontStyle) const {
    Shaped s;
    s.glyphs = utf8;
    const std::size_t blanks = utf8.find_first_not_of(' ');
    if (scale_.percent() != 100 && blanks != 0 && blanks != std::string::npos) {
        // Leading blanks are layout, not text: the editor indents a field's text past the
        // button lying on its left end with them. They keep their width at 100 % (hinting
        // makes a small blank relatively wider than a large one), so the indent stays the
        // same number of units at every scale.
        selectFont(cr, font, fontStyle, 1.0);
        cairo_text_extents_t te;
        cairo_text_extents(cr, utf8.substr(0, blanks).c_str(), &te);
        s.indent = te.x_advance * scale_.factor();
        s.glyphs = utf8.substr(blanks);
    }
    selectFont(cr, font, fontStyle, scale_.factor());
    cairo_font_extents(cr, &s.fe);
    cairo_text_extents(cr, s.glyphs.c_str(), &s.te);
    return s;
}

CairoCanvas::Placement CairoCanvas::place(Rect pixels, TextAlign align, const Shaped& s) {
    const double advance = s.indent + s.te.x_advance;
    double x = pixels.left;
    if (align == TextAlign::Center) {
        x = pixels.left + (pixels.width() - advance) / 2.0;
    } else if (align == TextAlign::Right) {
        x = pixels.right - advance;
    }
    // Centre the line (ascent + descent) vertically; whole pixels keep glyphs crisp.
    const double baseline = std::round(
        pixels.top + (pixels.height() - (s.fe.ascent + s.fe.descent)) / 2.0 + s.fe.ascent);
    return {std::round(x), std::round(s.indent), baseline};
}

void CairoCanvas::drawText(std::string_view text, Rect area, const TextStyle& style) {
    const Rect p = toPixels(area);
    if (text.empty() || area.empty() || p.empty() || !usable()) {
        return;
    }
    const std::string utf8 = toUtf8(text);
    cairo_t* cr = context();
    cairo_save(cr);
    cairo_rectangle(cr, p.left, p.top, p.width(), p.height());
    cairo_clip(cr);
    const Shaped shaped = shape(cr, utf8, style.font, style.fontStyle);
    const Placement at = place(p, style.align, shaped);
    setColor(cr, style.color);
    cairo_move_to(cr, at.x + at.indent, at.baseline);
    cairo_show_text(cr, shaped.glyphs.c_str());
    if ((style.fontStyle & kFontUnderline) != 0) {
        const double thickness = std::max(1.0, std::round(scale_.factor()));
        cairo_rectangle(cr, at.x, at.baseline + thickness, at.indent + shaped.te.x_advance,
                        thickness);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    addDamage(p);
}

Rect CairoCanvas::textInkBox(std::string_view text, Rect area, const TextStyle& style) {
    if (text.empty() || !usable()) {
        return {};
    }
    const std::string utf8 = toUtf8(text);
    cairo_t* cr = context();
    cairo_save(cr);
    const Shaped shaped = shape(cr, utf8, style.font, style.fontStyle);
    cairo_restore(cr);
    const cairo_text_extents_t& te = shaped.te;
    if (te.width <= 0 || te.height <= 0) {
        return {};
    }
    const Placement at = place(toPixels(area), style.align, shaped);
    const double left = at.x + at.indent + te.x_bearing;
    return {static_cast<int>(std::floor(left)),
            static_cast<int>(std::floor(at.baseline + te.y_bearing)),
            static_cast<int>(std::ceil(left + te.width)),
            static_cast<int>(std::ceil(at.baseline + te.y_bearing + te.height))};
}

int CairoCanvas::unitsUp(double pixels) const noexcept {
    if (scale_.percent() == 100) {
        return static_cast<int>(std::ceil(pixels));
    }
    return static_cast<int>(std::ceil(pixels / scale_.factor() - kMetricSlack));
}

int CairoCanvas::textWidth(std::string_view text, int font, int fontStyle) {
    if (text.empty()) {
        return 0;
    }
    if (!usable()) {
        return static_cast<int>(text.size()) * fontEntry(font).pixelSize / 2;
    }
    const std::string utf8 = toUtf8(text);
    cairo_t* cr = context();
    cairo_save(cr);
    const Shaped shaped = shape(cr, utf8, font, fontStyle);
    cairo_restore(cr);
    return unitsUp(shaped.indent + shaped.te.x_advance);
}

int CairoCanvas::lineHeight(int font, int fontStyle) {
    if (!usable()) {
        return fontEntry(font).pixelSize + 2;
    }
    cairo_t* cr = context();
    cairo_save(cr);
    selectFont(cr, font, fontStyle, scale_.factor());
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_restore(cr);
    return unitsUp(fe.ascent + fe.descent);
}

std::unique_ptr<Canvas> CairoCanvas::createOffscreen(Rect area) {
    if (area.empty() || !usable()) {
        return nullptr;
    }
    const Point origin{origin_.x + area.left, origin_.y + area.top};
    const Point size = pixelSize(area.width(), area.height(), scale_, origin);
    if (size.x <= 0 || size.y <= 0) {
        return nullptr;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.x, size.y);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return std::make_unique<CairoCanvas>(s, area.width(), area.height(), Hooks{}, scale_, origin);
}

void CairoCanvas::drawCanvas(Canvas& offscreen, Point dest) {
    auto* other = dynamic_cast<CairoCanvas*>(&offscreen);
    if (other == nullptr || !usable()) {
        return;
    }
    if (other->cr_ != nullptr) {
        cairo_surface_flush(other->surface_);
    }
    const Rect d = toPixels(Rect::sized(dest.x, dest.y, other->width_, other->height_));
    const int w = cairo_image_surface_get_width(other->surface_);
    const int h = cairo_image_surface_get_height(other->surface_);
    cairo_t* cr = context();
    cairo_set_source_surface(cr, other->surface_, d.left, d.top);
    cairo_rectangle(cr, d.left, d.top, w, h);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    addDamage(Rect::sized(d.left, d.top, w, h));
}

void CairoCanvas::setClip(Rect area) {
    if (!usable()) {
        return;
    }
    const Rect p = toPixels(area);
    cairo_t* cr = context();
    cairo_reset_clip(cr);
    cairo_rectangle(cr, p.left, p.top, p.width(), p.height());
    cairo_clip(cr);
}

void CairoCanvas::resetClip() {
    if (usable()) {
        cairo_reset_clip(context());
    }
}

void CairoCanvas::flush() {
    if (!usable()) {
        return;
    }
    cairo_surface_flush(surface_);
    const Rect area = damage_;
    damage_ = {};
    if (hooks_.present && !area.empty()) {
        hooks_.present(area);
    }
}

} // namespace quovent::platform::linux_x11
