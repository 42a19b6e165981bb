// Display-free window system for tests.
#include "platform/stub/StubWindowSystem.hpp"

#include <algorithm>

namespace quovent::platform::stub {

StubWindow::StubWindow(StubWindowSystem& system_, Kind kind_, Rect screenRect_,
                       WindowHandler& handler_)
    : handler(handler_), system(system_), kind(kind_), id(system_.nextId_++),
      screenRect(screenRect_), stubCanvas(screenRect_.width(), screenRect_.height()) {
    system.windows_.push_back(this);
}

StubWindow::~StubWindow() {
    system.forget(this);
}

Point StubWindow::pointer() {
    return {system.pointerOnScreen.x - screenRect.left, system.pointerOnScreen.y - screenRect.top};
}

void StubWindow::discardMouseEvents() {
    std::erase_if(system.queue_, [this](const StubWindowSystem::Pending& p) {
        return p.window == id &&
               (p.event.type == EventType::MouseDown || p.event.type == EventType::MouseUp);
    });
}

bool StubWindow::isAlive() const {
    return !destroyed && system.connected;
}

StubWindowSystem::~StubWindowSystem() {
    // Windows outliving their system would point at freed memory; the toolkit destroys its
    // windows first, and a test that does not is wrong.
    for (StubWindow* w : windows_) {
        w->destroyed = true;
    }
}

std::unique_ptr<Window> StubWindowSystem::createChild(NativeWindow /*parent*/, Rect rect,
                                                      WindowHandler& handler) {
    auto w = std::make_unique<StubWindow>(*this, StubWindow::Kind::Child, rect, handler);
    w->shown = true;
    return w;
}

std::unique_ptr<Window> StubWindowSystem::createPopup(Rect rect, WindowHandler& handler) {
    return std::make_unique<StubWindow>(*this, StubWindow::Kind::Popup, rect, handler);
}

std::unique_ptr<Window> StubWindowSystem::createDialog(Window* /*owner*/, Rect rect,
                                                       std::string_view title,
                                                       WindowHandler& handler) {
    auto w = std::make_unique<StubWindow>(*this, StubWindow::Kind::Dialog, rect, handler);
    w->title = std::string(title);
    return w;
}

int StubWindowSystem::serveEvents() {
    if (!connected) {
        return -1;
    }
    // Events posted while dispatching wait for the next call, as on a real display where
    // they arrive after this pass. A call made from inside a handler (a control's modal
    // loop) goes on with the events still waiting, as the display's one queue does.
    const std::uint64_t limit = nextSequence_;
    int served = 0;
    while (!queue_.empty() && queue_.front().sequence < limit) {
        const Pending p = queue_.front();
        queue_.pop_front();
        auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const StubWindow* w) { return w->id == p.window; });
        if (it == windows_.end() || (*it)->destroyed) {
            continue;
        }
        (*it)->handler.onEvent(p.event);
        ++served;
    }
    return served;
}

unsigned StubWindowSystem::mouseButtons() {
    if (onQuery) {
        onQuery();
    }
    return connected ? buttons : 0;
}

void StubWindowSystem::sleep(int milliseconds) {
    now += static_cast<std::uint32_t>(milliseconds);
    sleptMilliseconds += milliseconds;
}

void StubWindowSystem::post(StubWindow& window, Event event) {
    queue_.push_back({window.id, event, nextSequence_++});
}

void StubWindowSystem::click(StubWindow& window, Point where, int button, unsigned modifiers) {
    Event press;
    press.type = EventType::MouseDown;
    press.position = where;
    press.button = button;
    press.modifiers = modifiers | mouse::bitOf(button);
    post(window, press);
    Event release = press;
    release.type = EventType::MouseUp;
    release.modifiers = modifiers & ~mouse::bitOf(button);
    post(window, release);
}

StubWindow* StubWindowSystem::lastWindow(StubWindow::Kind kind) const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if ((*it)->kind == kind) {
            return *it;
        }
    }
    return nullptr;
}

void StubWindowSystem::forget(StubWindow* window) {
    std::erase(windows_, window);
    std::erase_if(queue_, [window](const Pending& p) { return p.window == window->id; });
}

} // namespace quovent::platform::stub
