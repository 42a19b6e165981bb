// The drawing interface: everything the toolkit paints goes through these few calls. A
// canvas is either a window's (drawing shows on screen after flush) or an offscreen surface
// of a given size that is later copied into a window's canvas in one piece, so that a
// control made of several layers never flickers.
//
// Every coordinate and size here is in layout units. A canvas has a scale (Scale.hpp) and
// its backend turns units into pixels: rectangles and lines by their mapped edges, text at
// the font size times the scale, pictures from the image drawn for that scale.
#pragma once

#include "platform/Geometry.hpp"
#include "platform/Image.hpp"
#include "platform/Scale.hpp"

#include <memory>
#include <string_view>

namespace quovent::platform {

enum class TextAlign { Left = 0, Center = 1, Right = 2 };

struct TextStyle {
    int font = 0;      // font table id; outside 0..7 means 0
    int fontStyle = 0; // kFontBold | kFontItalic | kFontUnderline
    Color color = colors::kBlack;
    TextAlign align = TextAlign::Left;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Size in units.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Pixels per unit; an offscreen canvas has the scale of the canvas that made it.
    virtual Scale scale() const = 0;

    virtual void fillRect(Rect area, Color color) = 0;
    // A one-pixel outline just inside the rectangle.
    virtual void strokeRect(Rect area, Color color) = 0;
    // A one-pixel line covering both end points.
    virtual void drawLine(Point from, Point to, Color color) = 0;
    // Copies the part of the image that starts at source (units of the image, which has a
    // scale of its own) and has the size of dest into dest, blending by the image's alpha.
    // Parts outside the image draw nothing. An image of the canvas's scale is copied pixel
    // for pixel; one of another scale is resampled (a fallback: the skin has a set of
    // pictures per scale).
    virtual void drawImage(const Image& image, Rect dest, Point source) = 0;
    // Text on one line, vertically centred in the rectangle and clipped to it; no prefix
    // characters are interpreted. Bytes that are not UTF-8 are taken as Latin-1.
    virtual void drawText(std::string_view text, Rect area, const TextStyle& style) = 0;
    // Advance width of the text in units, rounded up.
    virtual int textWidth(std::string_view text, int font, int fontStyle) = 0;
    // Height of a line of the font (ascent + descent) in units, rounded up.
    virtual int lineHeight(int font, int fontStyle) = 0;

    // A transparent offscreen canvas for `area` of this canvas: the area's size, its own
    // origin at (0, 0), and pixels that line up with this canvas's pixels once it is drawn
    // back at the area's top-left corner (at 150 % a unit is one or two pixels wide by where
    // it lies, so the offscreen has to know where it goes).
    virtual std::unique_ptr<Canvas> createOffscreen(Rect area) = 0;
    // Copies an offscreen canvas made by createOffscreen with its top-left corner at dest
    // (the corner of the area it was made for).
    virtual void drawCanvas(Canvas& offscreen, Point dest) = 0;

    // Drawing is limited to the area until resetClip.
    virtual void setClip(Rect area) = 0;
    virtual void resetClip() = 0;
    // Pushes what was drawn to the screen (window canvases).
    virtual void flush() = 0;
};

} // namespace quovent::platform
