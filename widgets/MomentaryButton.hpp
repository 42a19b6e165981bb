// A button that is on only while it is held: frame 0 released, frame 1 pressed. While the
// left button is held the value is the opposite of the value at the press when the pointer
// is over the button, else the value at the press; it is reported on every pass, and on
// release the value goes back to 0 and is reported once more.
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class MomentaryButton : public Control {
public:
    MomentaryButton(Rect size, ValueListener* listener, int tag, BitmapPtr background);

    void onMouseDown(DrawContext& context, Point where) override;
    // True while a press is being tracked; false again for the report of its release, so
    // a listener can act once per press whatever the pointer does in between.
    bool isHeld() const noexcept { return held_; }

protected:
    void paint(DrawContext& context) override;

private:
    bool held_ = false;
};

} // namespace quovent
