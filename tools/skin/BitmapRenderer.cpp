// Renders one bitmap resource of the skin.
#include "tools/skin/BitmapRenderer.hpp"

#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/ControlArt.hpp"

namespace quovent::skin {

int pixelWidth(const BitmapLayout& layout, platform::Scale scale) noexcept {
    return scale.toPixels(layout.width);
}

int framePitch(const BitmapLayout& layout, platform::Scale scale) noexcept {
    return scale.toPixels(layout.frameHeight);
}

std::string bitmapFileName(int id, platform::Scale scale) {
    std::string name = "bitmap-" + std::to_string(id);
    if (scale.percent() != 100) {
        name += "@" + std::to_string(scale.percent());
    }
    return name + ".png";
}

cairo_surface_t* renderBitmap(const BitmapLayout& layout, platform::Scale scale,
                              std::vector<Rect>* textBoxes) {
    const int width = pixelWidth(layout, scale);
    const int pitch = framePitch(layout, scale);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, pitch * layout.frames);
    cairo_t* cr = cairo_create(surface);
    bool known = true;
    for (int frame = 0; frame < layout.frames && known; ++frame) {
        // Each frame draws in its own clipped box, so no frame spills into its neighbour.
        cairo_save(cr);
        cairo_rectangle(cr, 0, frame * pitch, width, pitch);
        cairo_clip(cr);
        cairo_translate(cr, 0, frame * pitch);
        Painter painter(cr, scale);
        painter.recordTextInto(textBoxes);
        if (layout.id == 128) {
            paintBackground(painter);
        } else if (layout.id == 149) {
            paintSplash(painter);
        } else {
            known = paintControlFrame(layout.id, painter, frame);
        }
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (!known) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

} // namespace quovent::skin
