// The drawing interface on a 32-bit DIB section (premultiplied BGRA in memory, the same word
// layout as the toolkit's images). Rectangles, lines and pictures are blended in software
// with the same rounding as the Linux canvas, so both editors give equal pixels; text is set
// by GDI in the font table's faces (through FontCache) as a coverage mask and then blended in
// the text colour, so it shows on transparent offscreen canvases too.
// Scale: callers speak in units; a canvas knows where its unit origin lies in the window, so
// a unit edge lands on the same pixel whichever canvas draws it.
#pragma once

#include "platform/Canvas.hpp"

#include <windows.h>

#include <functional>
#include <string>

namespace quovent::platform::win32 {

class FontCache;

class GdiCanvas final : public Canvas {
public:
    // A 32-bit top-down DIB section of the given pixel size, zeroed (transparent black).
    struct Surface {
        HBITMAP bitmap = nullptr;
        std::uint32_t* pixels = nullptr;
        int width = 0;
        int height = 0;
    };
    static Surface createSurface(int width, int height);

    // present: shows the area (pixels) drawn since the last flush; null for offscreens.
    // owns: whether the canvas deletes the surface's bitmap.
    GdiCanvas(Surface surface, bool owns, FontCache& fonts, int width, int height, Scale scale,
              Point origin, std::function<void(Rect)> present);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    Scale scale() const override { return scale_; }
    void fillRect(Rect area, Color color) override;
    void strokeRect(Rect area, Color color) override;
    void drawLine(Point from, Point to, Color color) override;
    void drawImage(const Image& image, Rect dest, Point source) override;
    void drawText(std::string_view text, Rect area, const TextStyle& style) override;
    int textWidth(std::string_view text, int font, int fontStyle) override;
    int lineHeight(int font, int fontStyle) override;
    std::unique_ptr<Canvas> createOffscreen(Rect area) override;
    void drawCanvas(Canvas& offscreen, Point dest) override;
    void setClip(Rect area) override;
    void resetClip() override;
    void flush() override;

    const Surface& surface() const noexcept { return surface_; }
    Rect toPixels(Rect area) const noexcept;
    // Valid UTF-8 as UTF-16, anything else read as Latin-1; control characters as blanks.
    static std::wstring toWide(std::string_view text);
    // a OVER b on premultiplied pixels, rounded as the Linux canvas rounds.
    static std::uint32_t over(std::uint32_t source, std::uint32_t dest) noexcept;

private:
    struct Shaped {
        std::wstring glyphs;
        double indent = 0.0; // pixels of leading blanks kept at their 100 % width
        int advance = 0;     // pixels
        int ascent = 0;
        int descent = 0;
    };
    Shaped shape(const std::wstring& text, int font, int fontStyle) const;
    void blendPixel(int x, int y, std::uint32_t value) noexcept;
    void addDamage(Rect pixels) noexcept;
    Rect clipped(Rect pixels) const noexcept;
    int unitsUp(double pixels) const noexcept;

    Surface surface_;
    bool owns_;
    FontCache& fonts_;
    int width_;
    int height_;
    Scale scale_;
    Point origin_;
    std::function<void(Rect)> present_;
    Rect clip_;   // pixels
    Rect damage_; // pixels
};

} // namespace quovent::platform::win32
