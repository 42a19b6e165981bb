// A switch with n positions drawn from n frames; value = position / (n - 1). A left press
// and drag pick the position from the pointer; control + left sets the default value. The
// two concrete switches differ only in how a point maps to a position.
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class StepSwitch : public Control {
public:
    // frameHeight 0 means the control's height.
    StepSwitch(Rect size, ValueListener* listener, int tag, BitmapPtr background, int positions,
               int frameHeight = 0);

    void onMouseDown(DrawContext& context, Point where) override;

    int positions() const noexcept { return positions_; }
    // The position the current value stands for (nearest).
    int position() const noexcept;
    // The position a pointer at `where` (frame coordinates) picks, within 0..n-1.
    virtual int positionAt(Point where) const = 0;

protected:
    void paint(DrawContext& context) override;
    int frameHeight() const noexcept { return frameHeight_; }
    // The band a coordinate falls in, `offset` pixels into a length cut into n bands.
    int band(int offset, int length) const noexcept;

private:
    float valueOf(int position) const noexcept;

    int positions_;
    int frameHeight_;
};

} // namespace quovent
