// Renders one bitmap resource of the skin.
#include "tools/skin/BitmapRenderer.hpp"

#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/ControlArt.hpp"

namespace quovent::skin {

cairo_surface_t* renderBitmap(const BitmapLayout& layout) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, layout.width, layout.height());
    cairo_t* cr = cairo_create(surface);
    bool known = true;
    for (int frame = 0; frame < layout.frames && known; ++frame) {
        // Each frame draws in its own clipped box, so no frame spills into its neighbour.
        cairo_save(cr);
        cairo_rectangle(cr, 0, frame * layout.frameHeight, layout.width, layout.frameHeight);
        cairo_clip(cr);
        cairo_translate(cr, 0, frame * layout.frameHeight);
        const Painter painter(cr);
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
