// quovent-skin: draws every bitmap resource of the editor at every scale the editor offers
// and writes it as <dir>/bitmap-<id>.png (100 %) or <dir>/bitmap-<id>@<percent>.png. The PNGs
// are committed; the plug-in build only embeds them.
#include "resources/Resources.hpp"
#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/BitmapRenderer.hpp"
#include "tools/skin/Painter.hpp"

#include <cstdio>
#include <string>

namespace {

using quovent::platform::Scale;
using quovent::skin::Rect;

// Labels painted into the background must not end up under a control, at any scale.
int checkLabels(Scale scale) {
    int failures = 0;
    const auto controls = quovent::skin::layout::controlRects();
    for (const Rect& box : quovent::skin::backgroundTextBoxes(scale)) {
        for (const Rect& control : controls) {
            const Rect c = quovent::skin::pixelRect(control, scale);
            if (box.overlaps(c)) {
                std::fprintf(stderr,
                             "at %d %%: background text (%d,%d)-(%d,%d) lies under the control "
                             "at (%d,%d)-(%d,%d)\n",
                             scale.percent(), box.left, box.top, box.right, box.bottom,
                             control.left, control.top, control.right, control.bottom);
                ++failures;
            }
        }
    }
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-directory>\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    int failures = 0;
    for (const int percent : quovent::resources::kScalePercents) {
        const Scale scale{percent};
        for (const quovent::skin::BitmapLayout& layout : quovent::skin::bitmapLayouts) {
            cairo_surface_t* surface = quovent::skin::renderBitmap(layout, scale);
            const std::string path =
                directory + "/" + quovent::skin::bitmapFileName(layout.id, scale);
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
        failures += checkLabels(scale);
    }
    quovent::skin::Painter::releaseFontCaches();
    return failures == 0 ? 0 : 1;
}
