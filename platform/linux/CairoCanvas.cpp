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

CairoCanvas::CairoCanvas(cairo_surface_t* surface, int width, int height, Hooks hooks)
    : surface_(surface), width_(width), height_(height), hooks_(std::move(hooks)) {}

CairoCanvas::~CairoCanvas() {
    if (cr_ != nullptr) {
        cairo_destroy(cr_);
    }
    cairo_surface_destroy(surface_);
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

void CairoCanvas::addDamage(Rect area) noexcept {
    const Rect r = area.intersection({0, 0, width_, height_});
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
    if (area.empty() || !usable()) {
        return;
    }
    cairo_t* cr = context();
    setColor(cr, color);
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
    cairo_fill(cr);
    addDamage(area);
}

void CairoCanvas::strokeRect(Rect area, Color color) {
    if (area.empty()) {
        return;
    }
    // Four one-pixel strips: exact pixels whatever the antialiasing.
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
    cairo_t* cr = context();
    setColor(cr, color);
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr);
    addDamage({std::min(from.x, to.x) - 1, std::min(from.y, to.y) - 1, std::max(from.x, to.x) + 2,
               std::max(from.y, to.y) + 2});
}

void CairoCanvas::drawImage(const Image& image, Rect dest, Point source) {
    if (image.empty() || dest.empty() || !usable()) {
        return;
    }
    // Only the part of dest that maps into the image.
    Rect d = dest;
    d.left = std::max(d.left, dest.left - source.x);
    d.top = std::max(d.top, dest.top - source.y);
    d.right = std::min(d.right, dest.left - source.x + image.width());
    d.bottom = std::min(d.bottom, dest.top - source.y + image.height());
    if (d.empty()) {
        return;
    }
    // cairo only reads the pixels of a source surface; the const_cast does not lead to a
    // write. The surface lives only for this call and the context drops its pattern before
    // it is destroyed, so cairo keeps no pointer into the image.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels()));
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        data, CAIRO_FORMAT_ARGB32, image.width(), image.height(), image.stride());
    cairo_t* cr = context();
    cairo_set_source_surface(cr, s, dest.left - source.x, dest.top - source.y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, d.left, d.top, d.width(), d.height());
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_surface_destroy(s);
    addDamage(d);
}

void CairoCanvas::selectFont(cairo_t* cr, int font, int fontStyle) {
    const FontEntry& entry = fontEntry(font);
    const bool bold = entry.bold || (fontStyle & kFontBold) != 0;
    const bool italic = (fontStyle & kFontItalic) != 0;
    cairo_select_font_face(cr, entry.face,
                           italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, entry.pixelSize);
}

void CairoCanvas::drawText(std::string_view text, Rect area, const TextStyle& style) {
    if (text.empty() || area.empty() || !usable()) {
        return;
    }
    const std::string utf8 = toUtf8(text);
    cairo_t* cr = context();
    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
    cairo_clip(cr);
    selectFont(cr, style.font, style.fontStyle);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr, utf8.c_str(), &te);
    double x = area.left;
    if (style.align == TextAlign::Center) {
        x = area.left + (area.width() - te.x_advance) / 2.0;
    } else if (style.align == TextAlign::Right) {
        x = area.right - te.x_advance;
    }
    // Centre the line (ascent + descent) vertically; whole pixels keep glyphs crisp.
    const double baseline =
        std::round(area.top + (area.height() - (fe.ascent + fe.descent)) / 2.0 + fe.ascent);
    x = std::round(x);
    setColor(cr, style.color);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, utf8.c_str());
    if ((style.fontStyle & kFontUnderline) != 0) {
        cairo_rectangle(cr, x, baseline + 1, te.x_advance, 1);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    addDamage(area);
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
    selectFont(cr, font, fontStyle);
    cairo_text_extents_t te;
    cairo_text_extents(cr, utf8.c_str(), &te);
    cairo_restore(cr);
    return static_cast<int>(std::ceil(te.x_advance));
}

int CairoCanvas::lineHeight(int font, int fontStyle) {
    if (!usable()) {
        return fontEntry(font).pixelSize + 2;
    }
    cairo_t* cr = context();
    cairo_save(cr);
    selectFont(cr, font, fontStyle);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_restore(cr);
    return static_cast<int>(std::ceil(fe.ascent + fe.descent));
}

std::unique_ptr<Canvas> CairoCanvas::createOffscreen(int width, int height) {
    if (width <= 0 || height <= 0 || !usable()) {
        return nullptr;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return std::make_unique<CairoCanvas>(s, width, height);
}

void CairoCanvas::drawCanvas(Canvas& offscreen, Point dest) {
    auto* other = dynamic_cast<CairoCanvas*>(&offscreen);
    if (other == nullptr || !usable()) {
        return;
    }
    if (other->cr_ != nullptr) {
        cairo_surface_flush(other->surface_);
    }
    cairo_t* cr = context();
    cairo_set_source_surface(cr, other->surface_, dest.x, dest.y);
    cairo_rectangle(cr, dest.x, dest.y, other->width_, other->height_);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    addDamage(Rect::sized(dest.x, dest.y, other->width_, other->height_));
}

void CairoCanvas::setClip(Rect area) {
    if (!usable()) {
        return;
    }
    cairo_t* cr = context();
    cairo_reset_clip(cr);
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
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
