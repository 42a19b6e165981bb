// Software blending on a DIB section, GDI text through a coverage mask.
#include "platform/win32/GdiCanvas.hpp"

#include "platform/FontTable.hpp"
#include "platform/win32/FontCache.hpp"
#include "platform/win32/WideText.hpp"

#include <algorithm>
#include <cmath>

namespace quovent::platform::win32 {
namespace {

// x * y / 255 rounded the way the Linux drawing library rounds its 8-bit products.
constexpr std::uint32_t mul8(std::uint32_t x, std::uint32_t y) noexcept {
    const std::uint32_t t = x * y + 0x80;
    return ((t >> 8) + t) >> 8;
}

// A colour as the Linux canvas turns it into a premultiplied pixel: through 16-bit shorts,
// then the high byte.
std::uint32_t solidPixel(Color c) noexcept {
    // The values are never negative, so adding a half and truncating is the Linux library's
    // own rounding to the nearest, kept exactly.
    const double a = c.a / 255.0;
    const auto channel = [a](std::uint8_t v) {
        // NOLINTNEXTLINE(bugprone-incorrect-roundings)
        return static_cast<std::uint32_t>(v / 255.0 * a * 65535.0 + 0.5) >> 8;
    };
    // NOLINTNEXTLINE(bugprone-incorrect-roundings)
    const auto alpha = static_cast<std::uint32_t>(a * 65535.0 + 0.5) >> 8;
    return (alpha << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

constexpr double kMetricSlack = 1e-6;

} // namespace

std::uint32_t GdiCanvas::over(std::uint32_t source, std::uint32_t dest) noexcept {
    const std::uint32_t inverse = 255 - (source >> 24);
    if (inverse == 0) {
        return source;
    }
    if (source == 0) {
        return dest; // the transparent parts of the skin: most pixels of a control
    }
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFF;
        const std::uint32_t d = (dest >> shift) & 0xFF;
        out |= std::min<std::uint32_t>(255, s + mul8(d, inverse)) << shift;
    }
    return out;
}

GdiCanvas::Surface GdiCanvas::createSurface(int width, int height) {
    Surface s;
    if (width <= 0 || height <= 0) {
        return s;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows, like the toolkit's images
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (s.bitmap == nullptr || bits == nullptr) {
        return {};
    }
    s.pixels = static_cast<std::uint32_t*>(bits); // zeroed by the system
    s.width = width;
    s.height = height;
    return s;
}

GdiCanvas::GdiCanvas(Surface surface, bool owns, FontCache& fonts, int width, int height,
                     Scale scale, Point origin, std::function<void(Rect)> present)
    : surface_(surface), owns_(owns), fonts_(fonts), width_(width), height_(height), scale_(scale),
      origin_(origin), present_(std::move(present)), clip_{0, 0, surface.width, surface.height} {}

GdiCanvas::~GdiCanvas() {
    if (owns_ && surface_.bitmap != nullptr) {
        DeleteObject(surface_.bitmap);
    }
}

Rect GdiCanvas::toPixels(Rect area) const noexcept {
    const Rect inWindow = scale_.toPixels(area.offset(origin_.x, origin_.y));
    const Point first = scale_.toPixels(origin_);
    return inWindow.offset(-first.x, -first.y);
}

Rect GdiCanvas::clipped(Rect pixels) const noexcept {
    return pixels.intersection(clip_).intersection({0, 0, surface_.width, surface_.height});
}

void GdiCanvas::addDamage(Rect pixels) noexcept {
    const Rect r = pixels.intersection({0, 0, surface_.width, surface_.height});
    if (r.empty()) {
        return;
    }
    damage_ = damage_.empty()
                  ? r
                  : Rect{std::min(damage_.left, r.left), std::min(damage_.top, r.top),
                         std::max(damage_.right, r.right), std::max(damage_.bottom, r.bottom)};
}

void GdiCanvas::blendPixel(int x, int y, std::uint32_t value) noexcept {
    std::uint32_t& d = surface_.pixels[static_cast<std::ptrdiff_t>(y) * surface_.width + x];
    d = over(value, d);
}

void GdiCanvas::fillRect(Rect area, Color color) {
    if (area.empty() || surface_.pixels == nullptr) {
        return;
    }
    const Rect p = clipped(toPixels(area));
    if (p.empty()) {
        return;
    }
    GdiFlush(); // GDI may still be writing text into the surface
    const std::uint32_t value = solidPixel(color);
    for (int y = p.top; y < p.bottom; ++y) {
        std::uint32_t* row = surface_.pixels + static_cast<std::ptrdiff_t>(y) * surface_.width;
        for (int x = p.left; x < p.right; ++x) {
            row[x] = over(value, row[x]);
        }
    }
    addDamage(p);
}

void GdiCanvas::strokeRect(Rect area, Color color) {
    if (area.empty()) {
        return;
    }
    fillRect({area.left, area.top, area.right, area.top + 1}, color);
    fillRect({area.left, area.bottom - 1, area.right, area.bottom}, color);
    fillRect({area.left, area.top, area.left + 1, area.bottom}, color);
    fillRect({area.right - 1, area.top, area.right, area.bottom}, color);
}

void GdiCanvas::drawLine(Point from, Point to, Color color) {
    if (from.x == to.x || from.y == to.y) {
        fillRect({std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                  std::max(from.y, to.y) + 1},
                 color);
        return;
    }
    if (surface_.pixels == nullptr) {
        return;
    }
    // A slanted line through the centres of the end units, as wide as a unit.
    const Rect a = toPixels(Rect::sized(from.x, from.y, 1, 1));
    const Rect b = toPixels(Rect::sized(to.x, to.y, 1, 1));
    const int width = std::max(1, static_cast<int>(std::lround(scale_.factor())));
    const double x0 = (a.left + a.right) / 2.0;
    const double y0 = (a.top + a.bottom) / 2.0;
    const double x1 = (b.left + b.right) / 2.0;
    const double y1 = (b.top + b.bottom) / 2.0;
    const int steps = static_cast<int>(std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0))));
    const std::uint32_t value = solidPixel(color);
    GdiFlush();
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0.0 : static_cast<double>(i) / steps;
        const int cx = static_cast<int>(std::floor(x0 + (x1 - x0) * t - width / 2.0 + 0.5));
        const int cy = static_cast<int>(std::floor(y0 + (y1 - y0) * t - width / 2.0 + 0.5));
        const Rect dot = clipped(Rect::sized(cx, cy, width, width));
        for (int y = dot.top; y < dot.bottom; ++y) {
            for (int x = dot.left; x < dot.right; ++x) {
                blendPixel(x, y, value);
            }
        }
    }
    addDamage({std::min(a.left, b.left) - width, std::min(a.top, b.top) - width,
               std::max(a.right, b.right) + width, std::max(a.bottom, b.bottom) + width});
}

void GdiCanvas::drawImage(const Image& image, Rect dest, Point source) {
    if (image.empty() || dest.empty() || surface_.pixels == nullptr) {
        return;
    }
    const Rect d = toPixels(dest);
    GdiFlush();
    if (image.scale() == scale_) {
        // Pixel for pixel: the source corner is a pixel of the image's own grid.
        const Point at{d.left - image.scale().toPixels(source.x),
                       d.top - image.scale().toPixels(source.y)};
        const Rect shown =
            clipped(d.intersection(Rect::sized(at.x, at.y, image.width(), image.height())));
        for (int y = shown.top; y < shown.bottom; ++y) {
            const std::uint32_t* src =
                image.pixels() + static_cast<std::ptrdiff_t>(y - at.y) * image.width() - at.x;
            std::uint32_t* row = surface_.pixels + static_cast<std::ptrdiff_t>(y) * surface_.width;
            for (int x = shown.left; x < shown.right; ++x) {
                row[x] = over(src[x], row[x]);
            }
        }
        addDamage(shown);
        return;
    }
    // A picture of another scale (no skin set for this scale): nearest pixel, a fallback.
    const double ratio = image.scale().factor() / scale_.factor();
    const double atX = d.left - source.x * scale_.factor();
    const double atY = d.top - source.y * scale_.factor();
    const Rect shown = clipped(d);
    for (int y = shown.top; y < shown.bottom; ++y) {
        const int sy = static_cast<int>(std::floor((y + 0.5 - atY) * ratio));
        if (sy < 0 || sy >= image.height()) {
            continue;
        }
        for (int x = shown.left; x < shown.right; ++x) {
            const int sx = static_cast<int>(std::floor((x + 0.5 - atX) * ratio));
            if (sx >= 0 && sx < image.width()) {
                blendPixel(x, y, image.pixel(sx, sy));
            }
        }
    }
    addDamage(shown);
}

std::wstring GdiCanvas::toWide(std::string_view text) {
    std::string line(text.substr(0, text.find('\0')));
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' '; // one line: breaks and tabs are blanks, not missing glyphs
        }
    }
    if (auto wide = WideText::fromUtf8(line)) {
        return *wide;
    }
    std::wstring latin1;
    latin1.reserve(line.size());
    for (const char c : line) {
        latin1.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return latin1;
}

GdiCanvas::Shaped GdiCanvas::shape(const std::wstring& text, int font, int fontStyle) const {
    Shaped s;
    s.glyphs = text;
    const std::size_t blanks = text.find_first_not_of(L' ');
    if (scale_.percent() != 100 && blanks != 0 && blanks != std::wstring::npos) {
        // Leading blanks are layout (the editor indents a field's text past a button with
        // them): they keep their 100 % width in units at every scale.
        HDC dc = fonts_.select(font, fontStyle, 100);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(blanks), &size);
        s.indent = size.cx * scale_.factor();
        s.glyphs = text.substr(blanks);
    }
    HDC dc = fonts_.select(font, fontStyle, scale_.percent());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    s.ascent = tm.tmAscent;
    s.descent = tm.tmDescent;
    SIZE size{};
    GetTextExtentPoint32W(dc, s.glyphs.c_str(), static_cast<int>(s.glyphs.size()), &size);
    s.advance = size.cx;
    return s;
}

void GdiCanvas::drawText(std::string_view text, Rect area, const TextStyle& style) {
    const Rect p = toPixels(area);
    if (text.empty() || area.empty() || p.empty() || surface_.pixels == nullptr) {
        return;
    }
    const Shaped s = shape(toWide(text), style.font, style.fontStyle);
    const double advance = s.indent + s.advance;
    double x = p.left;
    if (style.align == TextAlign::Center) {
        x = p.left + (p.width() - advance) / 2.0;
    } else if (style.align == TextAlign::Right) {
        x = p.right - advance;
    }
    const int penX = static_cast<int>(std::lround(x));
    const int indent = static_cast<int>(std::lround(s.indent));
    const int baseline = static_cast<int>(
        std::lround(p.top + (p.height() - (s.ascent + s.descent)) / 2.0 + s.ascent));
    const Rect shown = clipped(p);
    if (shown.empty()) {
        return;
    }
    std::uint32_t* mask = fonts_.mask(shown.width(), shown.height());
    if (mask == nullptr) {
        return;
    }
    HDC dc = fonts_.select(style.font, style.fontStyle, scale_.percent());
    ExtTextOutW(dc, penX + indent - shown.left, baseline - shown.top, 0, nullptr, s.glyphs.c_str(),
                static_cast<UINT>(s.glyphs.size()), nullptr);
    GdiFlush();
    const int stride = fonts_.maskStride();
    for (int y = 0; y < shown.height(); ++y) {
        const std::uint32_t* row = mask + static_cast<std::ptrdiff_t>(y) * stride;
        for (int xx = 0; xx < shown.width(); ++xx) {
            const std::uint32_t m = row[xx];
            const std::uint32_t coverage = std::max({(m >> 16) & 0xFF, (m >> 8) & 0xFF, m & 0xFF});
            if (coverage == 0) {
                continue;
            }
            Color c = style.color;
            c.a = static_cast<std::uint8_t>(mul8(c.a, coverage));
            blendPixel(shown.left + xx, shown.top + y, solidPixel(c));
        }
    }
    if ((style.fontStyle & kFontUnderline) != 0) {
        const int thickness = std::max(1, static_cast<int>(std::lround(scale_.factor())));
        const Rect line =
            clipped(Rect::sized(penX, baseline + thickness, indent + s.advance, thickness));
        const std::uint32_t value = solidPixel(style.color);
        for (int y = line.top; y < line.bottom; ++y) {
            for (int xx = line.left; xx < line.right; ++xx) {
                blendPixel(xx, y, value);
            }
        }
    }
    addDamage(shown);
}

int GdiCanvas::unitsUp(double pixels) const noexcept {
    if (scale_.percent() == 100) {
        return static_cast<int>(std::ceil(pixels));
    }
    return static_cast<int>(std::ceil(pixels / scale_.factor() - kMetricSlack));
}

int GdiCanvas::textWidth(std::string_view text, int font, int fontStyle) {
    if (text.empty()) {
        return 0;
    }
    const Shaped s = shape(toWide(text), font, fontStyle);
    return unitsUp(s.indent + s.advance);
}

int GdiCanvas::lineHeight(int font, int fontStyle) {
    HDC dc = fonts_.select(font, fontStyle, scale_.percent());
    TEXTMETRICW tm{};
    if (dc == nullptr || !GetTextMetricsW(dc, &tm)) {
        return fontEntry(font).pixelSize + 2;
    }
    return unitsUp(tm.tmAscent + tm.tmDescent);
}

std::unique_ptr<Canvas> GdiCanvas::createOffscreen(Rect area) {
    if (area.empty()) {
        return nullptr;
    }
    const Point origin{origin_.x + area.left, origin_.y + area.top};
    const Surface s = createSurface(scale_.pixelLength(origin.x, area.width()),
                                    scale_.pixelLength(origin.y, area.height()));
    if (s.pixels == nullptr) {
        return nullptr;
    }
    return std::make_unique<GdiCanvas>(s, true, fonts_, area.width(), area.height(), scale_, origin,
                                       nullptr);
}

void GdiCanvas::drawCanvas(Canvas& offscreen, Point dest) {
    auto* other = dynamic_cast<GdiCanvas*>(&offscreen);
    if (other == nullptr || other->surface_.pixels == nullptr || surface_.pixels == nullptr) {
        return;
    }
    const Rect d = toPixels(Rect::sized(dest.x, dest.y, other->width_, other->height_));
    const Rect whole = Rect::sized(d.left, d.top, other->surface_.width, other->surface_.height);
    const Rect shown = clipped(whole);
    GdiFlush();
    for (int y = shown.top; y < shown.bottom; ++y) {
        const std::uint32_t* src = other->surface_.pixels +
                                   static_cast<std::ptrdiff_t>(y - d.top) * other->surface_.width -
                                   d.left;
        std::uint32_t* row = surface_.pixels + static_cast<std::ptrdiff_t>(y) * surface_.width;
        for (int x = shown.left; x < shown.right; ++x) {
            row[x] = over(src[x], row[x]);
        }
    }
    addDamage(whole);
}

void GdiCanvas::setClip(Rect area) {
    clip_ = toPixels(area).intersection({0, 0, surface_.width, surface_.height});
}

void GdiCanvas::resetClip() {
    clip_ = {0, 0, surface_.width, surface_.height};
}

void GdiCanvas::flush() {
    const Rect area = damage_;
    damage_ = {};
    if (present_ && !area.empty()) {
        present_(area);
    }
}

} // namespace quovent::platform::win32
