// The background's painted labels stay clear of every control, so no control bitmap hides
// a label and no label shows through a control's transparent corners.
#include "tools/skin/BackgroundArt.hpp"
#include "tools/skin/Painter.hpp"
#include "tools/skin/SkinLayout.hpp"

#include <gtest/gtest.h>

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
    const std::vector<Rect> labels = quovent::skin::backgroundTextBoxes();
    // The slot rows alone carry a number and five control names each.
    EXPECT_GE(labels.size(), 8u * 6u);
    const std::vector<Rect> controls = quovent::skin::layout::controlRects();
    for (const Rect& label : labels) {
        for (const Rect& control : controls) {
            EXPECT_FALSE(label.overlaps(control))
                << "label (" << label.left << "," << label.top << ")-(" << label.right << ","
                << label.bottom << ") under control (" << control.left << "," << control.top
                << ")-(" << control.right << "," << control.bottom << ")";
        }
    }
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
