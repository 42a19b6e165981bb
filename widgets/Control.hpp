// Base of every control: a rectangle in frame coordinates, a value between a minimum and a
// maximum, the tag the listener dispatches on, a background bitmap, and the dirty state that
// decides what the frame redraws. Controls that follow the mouse run their own tracking loop
// on the editor thread (see Control::Tracking). Editor thread only.
#pragma once

#include "platform/Event.hpp"
#include "widgets/Bitmap.hpp"
#include "widgets/ValueListener.hpp"

#include <functional>
#include <limits>

namespace quovent {

class FrameWindow;

class Control {
public:
    Control(Rect size, ValueListener* listener, int tag, BitmapPtr background = {});
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Draws the control now and remembers the value drawn.
    void draw(DrawContext& context);
    // Draws the control now if it is dirty.
    void update(DrawContext& context);

    // A press of a mouse button at `where` (frame coordinates). Controls read the buttons
    // and modifiers themselves through mouseButtons(): on the first pass of their loop
    // (before the first modal idle) those of the press itself, afterwards the state now,
    // so a loop started by a press that is already over runs once and ends.
    virtual void onMouseDown(DrawContext& /*context*/, Point /*where*/) {}
    // A turn of the mouse wheel over the control; true when used.
    virtual bool onWheel(DrawContext& /*context*/, Point /*where*/, float /*distance*/) {
        return false;
    }
    // Whether a drop of this type (DropData::kFiles, kText) would be taken.
    virtual bool acceptsDrop(int /*type*/) const { return false; }
    virtual bool onDrop(DrawContext& /*context*/, const platform::DropData& /*data*/,
                        Point /*where*/) {
        return false;
    }

    float value() const noexcept { return value_; }
    // Sets the value without reporting; the control becomes dirty when the value differs
    // from the one drawn last.
    virtual void setValue(float value);
    float min() const noexcept { return min_; }
    float max() const noexcept { return max_; }
    void setMin(float v) noexcept { min_ = v; }
    void setMax(float v) noexcept { max_ = v; }
    float defaultValue() const noexcept { return default_; }
    void setDefaultValue(float v) noexcept { default_ = v; }
    float wheelStep() const noexcept { return wheelStep_; }
    void setWheelStep(float v) noexcept { wheelStep_ = v; }
    // Keeps the value within minimum..maximum.
    void bounceValue();

    int tag() const noexcept { return tag_; }
    void setTag(int tag) noexcept { tag_ = tag; }
    ValueListener* listener() const noexcept { return listener_; }
    void setListener(ValueListener* listener) noexcept { listener_ = listener; }
    const Rect& rect() const noexcept { return rect_; }
    void setRect(Rect r);
    int width() const noexcept { return rect_.width(); }
    int height() const noexcept { return rect_.height(); }
    const BitmapPtr& background() const noexcept { return background_; }
    void setBackground(BitmapPtr bitmap);
    bool mouseEnabled() const noexcept { return mouseEnabled_; }
    void setMouseEnabled(bool on) noexcept { mouseEnabled_ = on; }

    // True when the value differs from the one drawn last or the appearance changed.
    bool isDirty() const noexcept { return dirty_ || value_ != lastDrawn_; }
    void setDirty(bool dirty = true) noexcept;

    // The frame holding the control; null before it is added.
    FrameWindow* frame() const noexcept { return frame_; }

protected:
    // Paints the control; the frame's background under the rectangle is already in place
    // when drawn through drawLayered.
    virtual void paint(DrawContext& context);
    // Called when the frame lets go of the control (removed, or the frame is deleted).
    virtual void detaching(FrameWindow& /*frame*/) {}

    // Paints into an offscreen surface of the control's size, starting from what lies
    // under the control (the frame's background and overlapped controls), and copies the
    // result to the context in one piece. Every paint goes through here, or draws at
    // drawOrigin().
    void drawLayered(DrawContext& context, const std::function<void(DrawContext&)>& painter);
    // The control's top-left corner in the canvas being painted.
    Point drawOrigin() const noexcept;
    // Frame `index` of the background bitmap, frames of the control's height, at (0, 0).
    void paintFrame(DrawContext& canvas, int index) const;

    // Calls the listener.
    void report(DrawContext* context);
    // Draws the changed control at once, then calls the listener.
    void showAndReport(DrawContext& context);
    // A wheel turn: the value moves by the wheel step per notch within minimum..maximum,
    // inside begin/end-edit brackets; a change is shown and reported. Answers true (used).
    bool turnByWheel(DrawContext& context, float distance);

    // Mouse state through the frame: 0 and the last position when not in a frame.
    unsigned mouseButtons() const;
    Point mousePosition() const;

    // Brackets a drag: the host hears beginEdit with the tag at construction and endEdit
    // when the loop ends. next() runs the modal idle once and says whether the loop may go
    // on (false once the frame is closing or its window or display is gone).
    class Tracking {
    public:
        explicit Tracking(Control& control);
        ~Tracking();
        Tracking(const Tracking&) = delete;
        Tracking& operator=(const Tracking&) = delete;
        bool next();
        bool alive() const;

    private:
        Control& control_;
    };

private:
    friend class FrameWindow;
    // Paints a control into a canvas whose top-left corner is `origin` in frame coordinates.
    static void paintShifted(Control& control, DrawContext& canvas, Point origin);

    Rect rect_;
    ValueListener* listener_;
    int tag_;
    BitmapPtr background_;
    float value_ = 0.0f;
    float min_ = 0.0f;
    float max_ = 1.0f;
    float default_ = 0.5f;
    float wheelStep_ = 0.1f;
    // Never equal to any value before the first draw, so a control starts dirty.
    float lastDrawn_ = std::numeric_limits<float>::quiet_NaN();
    bool mouseEnabled_ = true;
    bool dirty_ = false;
    FrameWindow* frame_ = nullptr;
};

} // namespace quovent
