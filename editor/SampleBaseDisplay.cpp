// The sample base text field.
#include "editor/SampleBaseDisplay.hpp"

#include "editor/TextStyle.hpp"

namespace quovent {

SampleBaseDisplay::SampleBaseDisplay(Rect size, BitmapPtr background)
    : TextDisplay(size, nullptr, kTag, std::move(background)) {
    textStyle::apply(*this, textStyle::kLeft);
    setMouseEnabled(false);
}

} // namespace quovent
