// A canvas that records every drawing call instead of drawing, for tests of what the
// toolkit paints. Text metrics are fixed: 6 units per byte, line height = font size + 2.
// Calls are recorded in units, as the toolkit makes them; the scale is only reported.
#pragma once

#include "platform/Canvas.hpp"

#include <string>
#include <vector>

namespace quovent::platform::stub {

struct DrawCall {
    enum class Kind { FillRect, StrokeRect, Line, Image, Text, Canvas, Clip, ResetClip, Flush };
    Kind kind = Kind::FillRect;
    Rect rect;  // FillRect, StrokeRect, Image (dest), Text, Canvas (dest and size), Clip
    Point from; // Line start; Image source offset
    Point to;   // Line end
    Color color;
    const Image* image = nullptr;
    std::string text;
    TextStyle style;
    bool viaOffscreen = false; // copied in from an offscreen canvas by drawCanvas
};

class StubCanvas final : public Canvas {
public:
    StubCanvas(int width, int height, Scale scale = Scale{})
        : width_(width), height_(height), scale_(scale) {}

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

    std::vector<DrawCall> calls;
    int offscreensCreated = 0;

private:
    int width_;
    int height_;
    Scale scale_;
};

} // namespace quovent::platform::stub
