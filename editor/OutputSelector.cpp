// The output pair field.
#include "editor/OutputSelector.hpp"

#include "editor/TextStyle.hpp"

namespace quovent {

OutputSelector::OutputSelector(Rect size, ValueListener* listener, BitmapPtr background, Slot& slot)
    : TextDisplay(size, listener, kTag, std::move(background)), slot_(slot) {
    textStyle::apply(*this, textStyle::kCentre);
    show();
}

std::string OutputSelector::format(int pair) {
    return "Out: " + std::to_string(pair);
}

void OutputSelector::show() {
    setText(format(slot_.outputPair));
}

void OutputSelector::onMouseDown(DrawContext& context, Point /*where*/) {
    const unsigned b = mouseButtons();
    if (b == platform::mouse::kLeft) {
        slot_.outputPairDown();
    } else if (b == platform::mouse::kRight) {
        slot_.outputPairUp();
    } else {
        return;
    }
    show();
    update(context);
    report(&context);
}

} // namespace quovent
