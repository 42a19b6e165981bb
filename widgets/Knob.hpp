// A knob drawn from a strip of n frames; the frame shown is the integer part of the
// normalised value x (n - 1). A left drag turns it, by angle or linearly according to the
// toolkit's knob mode (alt inverts the choice); control + left sets the default value.
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class Knob : public Control {
public:
    // frameHeight 0 means the control's height.
    Knob(Rect size, ValueListener* listener, int tag, BitmapPtr background, int frames,
         int frameHeight = 0);

    void onMouseDown(DrawContext& context, Point where) override;
    bool onWheel(DrawContext& context, Point where, float distance) override;

    int frames() const noexcept { return frames_; }
    int frameIndex() const noexcept;

    // Pixels of rightward or upward movement that sweep the whole range in linear mode.
    static constexpr float kLinearRangePixels = 200.0f;
    // How much slower a linear drag goes while shift is held.
    static constexpr float kFineFactor = 1.5f;

    // The value the pointer's angle around the centre stands for: 225 degrees (lower left)
    // is the minimum, the range runs 270 degrees clockwise to the maximum; points in the
    // gap at the bottom take the nearer end.
    float valueFromAngle(Point where) const;
    // One step of an angle drag: a step that would lower the value by more than half the
    // range is the pointer crossing the gap past the maximum, so the value stays at the
    // maximum; likewise a jump upwards keeps the minimum.
    static float wrapAngleStep(float previous, float next, float min, float max);

protected:
    void paint(DrawContext& context) override;

private:
    void dragLinear(DrawContext& context, unsigned pressed);
    void dragAngle(DrawContext& context);

    int frames_;
    int frameHeight_;
};

} // namespace quovent
