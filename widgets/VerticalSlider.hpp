// A vertical slider: a groove bitmap with a handle bitmap on it, the handle at the top for
// the maximum. It is drawn offscreen and copied in one piece so the handle never flickers.
// A left press puts the handle's centre under the pointer and drags it (free click; with
// free click off only a press on the handle grabs it, at the pressed point). Shift makes the
// drag ten times finer from the moment it is pressed. Control + left sets the default.
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class VerticalSlider : public Control {
public:
    VerticalSlider(Rect size, ValueListener* listener, int tag, BitmapPtr groove, BitmapPtr handle);

    void onMouseDown(DrawContext& context, Point where) override;
    bool onWheel(DrawContext& context, Point where, float distance) override;

    void setFreeClick(bool on) noexcept { freeClick_ = on; }
    bool freeClick() const noexcept { return freeClick_; }
    const BitmapPtr& handle() const noexcept { return handle_; }

    // Pixels the handle's top travels between the maximum (top) and the minimum.
    int travel() const noexcept;
    // The handle's top edge for the current value, in frame coordinates.
    int handleTop() const noexcept;
    // The value whose handle top would be at `top` (frame coordinates), unclamped.
    float valueForHandleTop(float top) const noexcept;

    static constexpr float kFineDivisor = 10.0f;

protected:
    void paint(DrawContext& context) override;

private:
    int handleHeight() const noexcept;

    BitmapPtr handle_;
    bool freeClick_ = true;
};

} // namespace quovent
