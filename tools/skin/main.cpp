// quovent-skin: draws every bitmap resource of the editor and writes it as
// <dir>/bitmap-<id>.png. The PNGs are committed; the plug-in build only embeds them.
#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/BitmapRenderer.hpp"
#include "tools/skin/Painter.hpp"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-directory>\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    int failures = 0;
    for (const quovent::skin::BitmapLayout& layout : quovent::skin::bitmapLayouts) {
        cairo_surface_t* surface = quovent::skin::renderBitmap(layout);
        const std::string path = directory + "/bitmap-" + std::to_string(layout.id) + ".png";
        if (surface == nullptr) {
            std::fprintf(stderr, "no picture for bitmap %d\n", layout.id);
            ++failures;
            continue;
        }
        if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failures;
        }
        cairo_surface_destroy(surface);
    }
    // Labels painted into the background must not end up under a control.
    const auto controls = quovent::skin::layout::controlRects();
    for (const quovent::skin::Rect& box : quovent::skin::backgroundTextBoxes()) {
        for (const quovent::skin::Rect& control : controls) {
            if (box.overlaps(control)) {
                std::fprintf(
                    stderr,
                    "background text (%d,%d)-(%d,%d) lies under the control at (%d,%d)-(%d,%d)\n",
                    box.left, box.top, box.right, box.bottom, control.left, control.top,
                    control.right, control.bottom);
                ++failures;
            }
        }
    }
    quovent::skin::Painter::releaseFontCaches();
    return failures == 0 ? 0 : 1;
}
