// The drawing interface: everything the toolkit paints goes through these few calls. A
// canvas is either a window's (drawing shows on screen after flush) or an offscreen surface
// of a given size that is later copied into a window's canvas in one piece, so that a
// control made of several layers never flickers.
#pragma once

#include "platform/Geometry.hpp"
#include "platform/Image.hpp"

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

    virtual int width() const = 0;
    virtual int height() const = 0;

    virtual void fillRect(Rect area, Color color) = 0;
    // A one-pixel outline just inside the rectangle.
    virtual void strokeRect(Rect area, Color color) = 0;
    // A one-pixel line covering both end points.
    virtual void drawLine(Point from, Point to, Color color) = 0;
    // Copies the part of the image that starts at source and has the size of dest into
    // dest, blending by the image's alpha. Parts outside the image draw nothing.
    virtual void drawImage(const Image& image, Rect dest, Point source) = 0;
    // Text on one line, vertically centred in the rectangle and clipped to it; no prefix
    // characters are interpreted. Bytes that are not UTF-8 are taken as Latin-1.
    virtual void drawText(std::string_view text, Rect area, const TextStyle& style) = 0;
    virtual int textWidth(std::string_view text, int font, int fontStyle) = 0;
    // Height of a line of the font (ascent + descent), in pixels.
    virtual int lineHeight(int font, int fontStyle) = 0;

    // A transparent offscreen canvas of the given size, with its own origin at (0, 0).
    virtual std::unique_ptr<Canvas> createOffscreen(int width, int height) = 0;
    // Copies an offscreen canvas made by createOffscreen with its top-left corner at dest.
    virtual void drawCanvas(Canvas& offscreen, Point dest) = 0;

    // Drawing is limited to the area until resetClip.
    virtual void setClip(Rect area) = 0;
    virtual void resetClip() = 0;
    // Pushes what was drawn to the screen (window canvases).
    virtual void flush() = 0;
};

} // namespace quovent::platform
