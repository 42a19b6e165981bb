// The background's painted labels stay clear of every control, so no control bitmap hides
// a label and no label shows through a control's transparent corners; and no label painted
// into any picture is cut off by its frame, at any scale.
#include "resources/Resources.hpp"
#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/BitmapRenderer.hpp"
#include "tools/skin/Painter.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using quovent::skin::Rect;

// cairo and fontconfig keep process-wide font caches; freeing them after the last test
// keeps the leak checker's report about this code only.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override { quovent::skin::Painter::releaseFontCaches(); }
};
const auto* const fontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

TEST(SkinArt, BackgroundLabelsStayClearOfTheControls) {
    for (const int percent : quovent::resources::kScalePercents) {
        SCOPED_TRACE(percent);
        const quovent::platform::Scale scale{percent};
        const std::vector<Rect> labels = quovent::skin::backgroundTextBoxes(scale);
        // The slot rows alone carry a number and five control names each.
        EXPECT_GE(labels.size(), 8u * 6u);
        const std::vector<Rect> controls = quovent::skin::layout::controlRects();
        const Rect window = quovent::skin::pixelRect(
            {0, 0, quovent::skin::layout::windowWidth, quovent::skin::layout::windowHeight}, scale);
        for (const Rect& label : labels) {
            EXPECT_TRUE(label.left >= 0 && label.top >= 0 && label.right <= window.right &&
                        label.bottom <= window.bottom);
            for (const Rect& unitControl : controls) {
                const Rect control = quovent::skin::pixelRect(unitControl, scale);
                EXPECT_FALSE(label.overlaps(control))
                    << "label (" << label.left << "," << label.top << ")-(" << label.right << ","
                    << label.bottom << ") under control (" << control.left << "," << control.top
                    << ")-(" << control.right << "," << control.bottom << ")";
            }
        }
    }
}

// Button captions, switch positions, the splash's lines: every text of a picture lies
// inside the frame it was drawn for, so none is cut at a frame's edge.
TEST(SkinArt, NoLabelIsCutByItsFrameAtAnyScale) {
    int labels = 0;
    for (const int percent : quovent::resources::kScalePercents) {
        const quovent::platform::Scale scale{percent};
        for (const quovent::skin::BitmapLayout& layout : quovent::skin::bitmapLayouts) {
            SCOPED_TRACE(std::to_string(layout.id) + " at " + std::to_string(percent));
            std::vector<Rect> boxes;
            cairo_surface_t* picture = quovent::skin::renderBitmap(layout, scale, &boxes);
            ASSERT_NE(picture, nullptr);
            cairo_surface_destroy(picture);
            const int width = quovent::skin::pixelWidth(layout, scale);
            const int pitch = quovent::skin::framePitch(layout, scale);
            for (const Rect& box : boxes) {
                const int frame = box.top / pitch;
                EXPECT_TRUE(box.left >= 0 && box.right <= width && box.top >= frame * pitch &&
                            box.bottom <= (frame + 1) * pitch)
                    << "text (" << box.left << "," << box.top << ")-(" << box.right << ","
                    << box.bottom << ") in frame " << frame;
            }
            labels += static_cast<int>(boxes.size());
        }
    }
    EXPECT_GT(labels, 3 * 20) << "captions of buttons and switches at each scale";
}

TEST(SkinArt, EveryControlLiesInsideTheWindow) {
    using namespace quovent::skin::layout;
    const Rect window{0, 0, windowWidth, windowHeight};
    for (const Rect& control : controlRects()) {
        EXPECT_TRUE(control.left >= window.left && control.top >= window.top &&
                    control.right <= window.right && control.bottom <= window.bottom);
    }
}

} // namespace
