// A window system without a display, for tests of the toolkit's logic: windows are records,
// events are posted by the test and dispatched by serveEvents, the mouse state and the
// pointer are whatever the test sets, and the clock only moves when someone sleeps.
#pragma once

#include "platform/WindowSystem.hpp"
#include "platform/stub/StubCanvas.hpp"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quovent::platform::stub {

class StubWindowSystem;

class StubWindow final : public Window {
public:
    enum class Kind { Child, Popup, Dialog };

    StubWindow(StubWindowSystem& system, Kind kind, Rect screenRect, WindowHandler& handler);
    ~StubWindow() override;

    NativeWindow nativeHandle() const override { return id; }
    Rect bounds() const override { return {0, 0, screenRect.width(), screenRect.height()}; }
    void show() override { shown = true; }
    void hide() override { shown = false; }
    void invalidate(Rect area) override { invalidated.push_back(area); }
    Canvas& canvas() override { return stubCanvas; }
    Point pointer() override;
    Point toScreen(Point p) override { return {p.x + screenRect.left, p.y + screenRect.top}; }
    void takeFocus() override { focused = true; }
    bool grabInput() override {
        grabbed = true;
        return true;
    }
    void releaseInput() override { grabbed = false; }
    void discardMouseEvents() override;
    void setDropTarget(bool on) override { dropTarget = on; }
    bool isAlive() const override;

    WindowHandler& handler;
    StubWindowSystem& system;
    Kind kind;
    NativeWindow id;
    Rect screenRect;
    std::string title;
    bool shown = false;
    bool focused = false;
    bool grabbed = false;
    bool dropTarget = false;
    bool destroyed = false; // the test pretends the native window went away
    std::vector<Rect> invalidated;
    StubCanvas stubCanvas;
};

class StubWindowSystem final : public WindowSystem {
public:
    StubWindowSystem() = default;
    ~StubWindowSystem() override;

    std::unique_ptr<Window> createChild(NativeWindow parent, Rect rect,
                                        WindowHandler& handler) override;
    std::unique_ptr<Window> createPopup(Rect rect, WindowHandler& handler) override;
    std::unique_ptr<Window> createDialog(Window* owner, Rect rect, std::string_view title,
                                         WindowHandler& handler) override;
    int serveEvents() override;
    bool isConnected() const override { return connected; }
    unsigned mouseButtons() override;
    Rect screenBounds() override { return screen; }
    std::uint32_t tickCount() override { return now; }
    void sleep(int milliseconds) override;

    // Queues an event for the window; serveEvents dispatches it.
    void post(StubWindow& window, Event event);
    // Queues a press and a release of a button at a point of the window; modifiers: the
    // shift, control and alt bits held through both.
    void click(StubWindow& window, Point where, int button = 1, unsigned modifiers = 0);

    // Windows alive now, oldest first.
    const std::vector<StubWindow*>& windows() const noexcept { return windows_; }
    StubWindow* lastWindow(StubWindow::Kind kind) const;

    unsigned buttons = 0;
    Point pointerOnScreen;
    // Called by mouseButtons before it answers, so a test can move the pointer and change
    // the buttons at each pass of a control's tracking loop.
    std::function<void()> onQuery;
    bool connected = true;
    std::uint32_t now = 1000;
    int sleptMilliseconds = 0;
    Rect screen{0, 0, 1280, 1024};

private:
    friend class StubWindow;
    struct Pending {
        NativeWindow window;
        Event event;
        std::uint64_t sequence;
    };
    void forget(StubWindow* window);

    std::vector<StubWindow*> windows_;
    std::deque<Pending> queue_;
    std::uint64_t nextSequence_ = 0;
    NativeWindow nextId_ = 100;
};

} // namespace quovent::platform::stub
