// The editor's window: a child of the host's window holding the controls over a background
// bitmap. It dispatches mouse presses, wheel turns, keys and file drops to its controls,
// repaints on expose and redraws dirty controls on update. Deleting it deletes every control.
//
// The host drives it: idle() serves pending window events without waiting and redraws what
// changed. Loops that keep the editor thread (tracking, menus, dialogs) call doIdle() once
// per pass, which reaches the owner's modal idle and through it the host; since the host may
// close the editor from there, a frame that is in use is only disposed of when the
// outermost use ends (see dispose). Editor thread only.
#pragma once

#include "platform/WindowSystem.hpp"
#include "widgets/Bitmap.hpp"
#include "widgets/Control.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quovent {

class FrameHost;

class FrameWindow final : private platform::WindowHandler {
public:
    // Creates the frame's window as a child of `parent`, placed at the parent's origin with
    // the size of rect (right - left by bottom - top). Null when the window system is
    // missing or the window cannot be made.
    static std::unique_ptr<FrameWindow> open(std::unique_ptr<platform::WindowSystem> system,
                                             FrameHost& host, platform::NativeWindow parent,
                                             Rect rect, BitmapPtr background);
    ~FrameWindow() override;
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    // Deletes the frame now, or, while a loop inside it is still running (the host closed
    // the editor from a modal idle), hides it and deletes it when that loop has unwound.
    static void dispose(std::unique_ptr<FrameWindow> frame);

    // Adds a control on top of those already there; the frame owns it from now on.
    Control* addControl(std::unique_ptr<Control> control);
    template <typename T> T* add(std::unique_ptr<T> control) {
        T* raw = control.get();
        addControl(std::move(control));
        return raw;
    }
    // Takes a control out of the frame and hands it back (dropping the result deletes it).
    std::unique_ptr<Control> removeControl(Control* control);
    bool contains(const Control* control) const;
    std::size_t controlCount() const noexcept { return controls_.size(); }
    Control* control(std::size_t index) const { return controls_.at(index).get(); }
    // The control a press at `where` goes to: the last added whose rectangle holds the
    // point (edges included) and whose mouse is enabled.
    Control* controlAt(Point where) const;

    // Serves the pending window events (zero timeout), then redraws what is dirty.
    void idle();
    // Redraws: only the modal view while one is shown; everything when the frame is dirty;
    // otherwise each dirty control (and the controls lying on top of it).
    void update();
    // Paints the background, every control and the modal view.
    void paint();
    void setDirty(bool dirty = true) noexcept { dirty_ = dirty; }
    bool isDirty() const noexcept { return dirty_; }

    // A view shown over everything that alone receives the mouse (a splash picture); null
    // restores the frame. The frame does not own it.
    void setModalView(Control* view);
    Control* modalView() const noexcept { return modalView_; }

    // Mouse buttons and modifiers (platform::mouse bits) and the pointer position in frame
    // coordinates, as a control handling a press should see them. Until the press's first
    // modal idle they are those of the press event itself, so a press already released by
    // the time it is handled (a quick tap served by a slow host idle) still acts as if the
    // button had been held that long. After that they are read now, except that once the
    // press's release has been served no button counts as held, even if one is down again
    // (a second click, which is handled as a press of its own when the first one ends).
    unsigned mouseButtons();
    Point mousePosition();
    // The owner's modal idle.
    void doIdle();
    // True once the frame is being closed or its window or display is gone: every loop
    // inside the frame ends when it sees this.
    bool isClosing() const;

    FrameHost& host() const noexcept { return host_; }
    platform::WindowSystem& windowSystem() const noexcept { return *system_; }
    platform::Window& window() const noexcept { return *window_; }
    DrawContext& context() const { return window_->canvas(); }
    Rect rect() const noexcept { return rect_; }
    const BitmapPtr& background() const noexcept { return background_; }
    // Paints what lies under a control (the frame's background and the controls added
    // before it that overlap it) into a canvas whose origin is the control's top-left
    // corner, so that a control with transparent parts shows what is beneath it.
    void paintBehind(DrawContext& canvas, const Control& control) const;

    // Marks the frame as in use by a loop; the last scope to end deletes a frame that was
    // disposed of meanwhile, so nothing may touch the frame after its scope ends.
    class BusyScope {
    public:
        explicit BusyScope(FrameWindow& frame) noexcept;
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        FrameWindow& frame_;
    };

    // Runs a modal window (menu, dialog) until `finished` says so: serves the events of
    // every window, calls the modal idle once per pass and sleeps when nothing happened.
    // False when it ended because the frame, the window or the display went away. The
    // caller holds a BusyScope and an InputBlock.
    bool runModal(const platform::Window& window, const std::function<bool()>& finished);
    // A dialog's place in screen coordinates: centred over the frame, kept on the screen.
    Rect centredOnScreen(int width, int height);

    // Holds back presses, wheel turns and drops from the controls while a control handles
    // a press or a menu or dialog of the frame is open. A press that follows the release of
    // the press being handled (a quick second click) is kept and handed out afterwards.
    class InputBlock {
    public:
        explicit InputBlock(FrameWindow& frame) noexcept : frame_(frame) { ++frame_.blocked_; }
        ~InputBlock() { --frame_.blocked_; }
        InputBlock(const InputBlock&) = delete;
        InputBlock& operator=(const InputBlock&) = delete;

    private:
        FrameWindow& frame_;
    };
    bool inputBlocked() const noexcept { return blocked_ > 0; }

private:
    FrameWindow(std::unique_ptr<platform::WindowSystem> system, FrameHost& host, Rect rect,
                BitmapPtr background);

    void onEvent(const platform::Event& event) override;
    bool acceptsDrop(Point where, int type) override;
    void mouseDown(const platform::Event& event);
    void mouseUp();
    // Hands one press to the control under it. released: its release has been served.
    void dispatchPress(const platform::Event& event, bool released);
    void wheel(Point where, int delta);
    void drop(Point where, const platform::DropData& data);
    Control* dropTargetAt(Point where, int type) const;

    std::unique_ptr<platform::WindowSystem> system_;
    std::unique_ptr<platform::Window> window_;
    FrameHost& host_;
    Rect rect_;
    BitmapPtr background_;
    std::vector<std::unique_ptr<Control>> controls_;
    Control* modalView_ = nullptr;

    // The press a control is handling (see mouseButtons).
    struct Press {
        bool active = false;
        bool fresh = false; // no modal idle has run since the press was handed out
        bool released = false;
        unsigned buttons = 0;
        Point position;
    };
    Press press_;
    // A press that arrived after the handled press was released, handed out when that one
    // ends, and whether its own release has arrived too.
    std::optional<platform::Event> pendingPress_;
    bool pendingReleased_ = false;

    bool dirty_ = false;
    int blocked_ = 0;
    bool closing_ = false;
    bool selfOwned_ = false;
    int busy_ = 0;
};

} // namespace quovent
