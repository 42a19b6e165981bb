// Small drawing helpers over a cairo context that keep the skin crisp: rectangles on whole
// pixels, 1 px lines on half-pixel centres, hinted text on whole-pixel baselines.
//
// Every coordinate is in layout units; the painter draws at a scale. Rectangles, lines and
// rounded boxes map each edge to a pixel edge as the editor's canvas does (so a 1-unit line
// is one or two whole pixels at 150 %, never a blurred 1.5), text is set at the font size
// times the scale on a whole-pixel baseline. Curves drawn straight through cairo() are in
// units too: the context carries the scale.
#pragma once

#include "platform/Scale.hpp"
#include "tools/skin/Palette.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

namespace quovent::skin {

enum class Align { left, centre, right };

struct Font {
    double size = 9;
    bool bold = false;
};

class Painter {
public:
    // Draws through cr at `scale`, with the unit origin where cr's current origin is (the
    // top-left pixel of a frame). Adds the scale to cr's matrix.
    explicit Painter(cairo_t* cr, platform::Scale scale = platform::Scale{});

    platform::Scale scale() const noexcept { return scale_; }

    // From now on, append the ink box of every text drawn (in device pixels) to `boxes`.
    void recordTextInto(std::vector<Rect>* boxes) noexcept { textBoxes_ = boxes; }

    cairo_t* cairo() const noexcept { return cr_; }

    void setColour(Colour c) const;

    // Filled pixel rectangle.
    void fill(int x, int y, int w, int h, Colour c) const;
    // Vertical linear gradient over a pixel rectangle, top colour to bottom colour.
    void fillGradient(int x, int y, int w, int h, Colour top, Colour bottom) const;
    // 1 px outline lying on the rectangle's outermost pixels.
    void outline(int x, int y, int w, int h, Colour c) const;
    void hline(int x0, int x1, int y, Colour c) const; // pixels x0 .. x1-1 of row y
    void vline(int x, int y0, int y1, Colour c) const; // pixels y0 .. y1-1 of column x

    void fillRound(int x, int y, int w, int h, double r, Colour c) const;
    void fillRoundGradient(int x, int y, int w, int h, double r, Colour top, Colour bottom) const;
    void strokeRound(int x, int y, int w, int h, double r, Colour c) const;

    // A recessed well: dark fill, darker top edge, lit lower lip.
    void well(int x, int y, int w, int h, double r = 2) const;
    // A raised button cap; pressed caps are dark and flat.
    void cap(int x, int y, int w, int h, bool pressed, double r = 2) const;

    // Advance width in units.
    double textWidth(std::string_view s, Font f) const;
    // Text on a whole-pixel baseline; x is the left edge, centre or right edge by `align`.
    void text(double x, int baseline, std::string_view s, Font f, Colour c,
              Align align = Align::left) const;
    // Text read from bottom to top, its baseline on column `x`, centred on `centreY`.
    void textUp(int x, double centreY, std::string_view s, Font f, Colour c) const;

    // The sans-serif face used throughout: Liberation Sans, else DejaVu Sans.
    static const std::string& family();
    // Frees cairo's and fontconfig's process-wide caches; call once, after the last
    // surface is gone, so that leak checkers see a clean exit.
    static void releaseFontCaches();

private:
    // Work in pixels (the frame's origin kept) until the scope ends.
    class PixelSpace {
    public:
        explicit PixelSpace(const Painter& p) : cr_(p.cr_) {
            cairo_save(cr_);
            cairo_set_matrix(cr_, &p.pixelMatrix_);
        }
        ~PixelSpace() { cairo_restore(cr_); }
        PixelSpace(const PixelSpace&) = delete;
        PixelSpace& operator=(const PixelSpace&) = delete;

    private:
        cairo_t* cr_;
    };

    // The pixel box of a unit rectangle.
    struct Box {
        int x, y, w, h;
    };
    Box box(int x, int y, int w, int h) const noexcept;
    // Path of a rounded rectangle in pixels; with `stroke` true it is inset by half the
    // stroke width so that the stroke covers exactly the outer pixels.
    void roundPath(const Box& b, double r, bool stroke) const;
    double strokeWidth() const noexcept;
    // Font at the scaled size; call in pixel space.
    void selectFont(Font f) const;

    void record(double x0, double y0, double x1, double y1) const;

    cairo_t* cr_;
    platform::Scale scale_;
    cairo_matrix_t pixelMatrix_{};
    std::vector<Rect>* textBoxes_ = nullptr;
};

} // namespace quovent::skin
