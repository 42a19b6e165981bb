// An on/off button: frame 0 for value 0, frame 1 for value 1. A left click toggles it,
// draws it at once and reports.
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class ToggleButton : public Control {
public:
    ToggleButton(Rect size, ValueListener* listener, int tag, BitmapPtr background);

    void onMouseDown(DrawContext& context, Point where) override;

protected:
    void paint(DrawContext& context) override;
};

} // namespace quovent
