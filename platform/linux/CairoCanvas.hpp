// The drawing interface on cairo. Everything is drawn into memory: a window's canvas is its
// back buffer, shown by the window's present hook on flush; offscreen canvases are plain
// image surfaces.
// Text goes through cairo's own font selection, which asks fontconfig, so "Arial" becomes
// Liberation Sans where that is installed and the default sans face otherwise.
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

    // Takes over one reference to the surface.
    CairoCanvas(cairo_surface_t* surface, int width, int height, Hooks hooks = {});
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    void fillRect(Rect area, Color color) override;
    void strokeRect(Rect area, Color color) override;
    void drawLine(Point from, Point to, Color color) override;
    void drawImage(const Image& image, Rect dest, Point source) override;
    void drawText(std::string_view text, Rect area, const TextStyle& style) override;
    int textWidth(std::string_view text, int font, int fontStyle) override;
    int lineHeight(int font, int fontStyle) override;
    std::unique_ptr<Canvas> createOffscreen(int width, int height) override;
    void drawCanvas(Canvas& offscreen, Point dest) override;
    void setClip(Rect area) override;
    void resetClip() override;
    void flush() override;

    cairo_surface_t* surface() const noexcept { return surface_; }

    // The area drawn since the last flush.
    Rect damage() const noexcept { return damage_; }

    // Valid UTF-8 unchanged; anything else read as Latin-1 and converted.
    static std::string toUtf8(std::string_view text);

private:
    // A context in an error state draws nothing ever again: start a fresh one.
    cairo_t* context();
    void selectFont(cairo_t* cr, int font, int fontStyle);
    void setColor(cairo_t* cr, Color c);
    bool usable() const { return !hooks_.alive || hooks_.alive(); }
    void addDamage(Rect area) noexcept;

    cairo_surface_t* surface_;
    cairo_t* cr_ = nullptr;
    int width_;
    int height_;
    Hooks hooks_;
    Rect damage_;
};

} // namespace quovent::platform::linux_x11
