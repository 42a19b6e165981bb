// The drawing interface on cairo. Everything is drawn into memory: a window's canvas is its
// back buffer, shown by the window's present hook on flush; offscreen canvases are plain
// image surfaces.
// Text goes through cairo's own font selection, which asks fontconfig, so "Arial" becomes
// Liberation Sans where that is installed and the default sans face otherwise.
// Scale: callers speak in units; this class maps them to pixels of its surface. A canvas
// knows where its unit origin lies in the window (offscreens for a control sit at the
// control's corner), so a unit edge lands on the same pixel whichever canvas draws it.
#pragma once

#include "platform/Canvas.hpp"

#include <cairo.h>
#include <functional>

namespace quovent::platform::linux_x11 {

class CairoCanvas final : public Canvas {
public:
    // What a window canvas needs from its window: present copies the area drawn since the
    // last flush to the screen; alive says whether the window and its connection still
    // exist (once they are gone every call draws nothing, while the object stays valid for
    // the code still holding it).
    struct Hooks {
        std::function<void(Rect)> present;
        std::function<bool()> alive;
    };

    // Takes over one reference to the surface, which must be pixelSize(...) large. width and
    // height are in units; origin is the canvas's unit origin in the window's units.
    CairoCanvas(cairo_surface_t* surface, int width, int height, Hooks hooks = {},
                Scale scale = Scale{}, Point origin = {});
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

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

    cairo_surface_t* surface() const noexcept { return surface_; }

    // The area drawn since the last flush, in pixels of the surface.
    Rect damage() const noexcept { return damage_; }
    // Pixels of the surface a unit rectangle of this canvas covers.
    Rect toPixels(Rect area) const noexcept;
    // Pixel size of a canvas of width x height units whose origin lies at `origin`.
    static Point pixelSize(int width, int height, Scale scale, Point origin) noexcept;
    // Where drawText puts the ink of the text, in pixels of the surface (for checks that
    // no label is cut off); empty for an empty text.
    Rect textInkBox(std::string_view text, Rect area, const TextStyle& style);

    // Valid UTF-8 unchanged; anything else read as Latin-1 and converted.
    static std::string toUtf8(std::string_view text);

private:
    // A context in an error state draws nothing ever again: start a fresh one.
    cairo_t* context();
    static void selectFont(cairo_t* cr, int font, int fontStyle, double scale);
    // A text as it is set: the glyphs drawn, the room before them (pixels) and their
    // extents at the canvas's scale.
    struct Shaped {
        std::string glyphs;
        double indent = 0.0;
        cairo_text_extents_t te{};
        cairo_font_extents_t fe{};
    };
    Shaped shape(cairo_t* cr, const std::string& utf8, int font, int fontStyle) const;
    // Pen position of the line's start (whole pixels), the indent before the glyphs and
    // the baseline, for a text laid out in the pixel rectangle as drawText does.
    struct Placement {
        double x;
        double indent;
        double baseline;
    };
    static Placement place(Rect pixels, TextAlign align, const Shaped& shaped);
    void setColor(cairo_t* cr, Color c);
    bool usable() const { return !hooks_.alive || hooks_.alive(); }
    void addDamage(Rect pixels) noexcept;
    // A pixel length in units, rounded up.
    int unitsUp(double pixels) const noexcept;

    cairo_surface_t* surface_;
    cairo_t* cr_ = nullptr;
    int width_;
    int height_;
    Hooks hooks_;
    Scale scale_;
    Point origin_;
    Rect damage_; // pixels
};

} // namespace quovent::platform::linux_x11
