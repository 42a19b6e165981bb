// Test fixture: a frame window on the display-free backend, with a host that runs a script
// of pointer moves and button changes, one step per modal idle, the way a user moves the
// mouse while a control tracks it.
#pragma once

#include "RecordingListener.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quovent::test {

using platform::stub::DrawCall;
using platform::stub::StubWindow;
using platform::stub::StubWindowSystem;
namespace mouse = platform::mouse;

inline BitmapPtr solidBitmap(int width, int height, Color color = colors::kGrey) {
    auto image = std::make_shared<platform::Image>(width, height);
    image->fill({0, 0, width, height}, color);
    return Bitmap::fromImage(std::move(image));
}

class ScriptedHost : public FrameHost {
public:
    // One pointer position and button state per modal idle.
    struct Step {
        Point pointer;
        unsigned buttons;
    };

    void doIdle() override {
        ++idles;
        if (!steps.empty() && system != nullptr) {
            system->pointerOnScreen = steps.front().pointer;
            system->buttons = steps.front().buttons;
            steps.pop_front();
        }
        if (onIdle) {
            onIdle();
        }
        if (serve != nullptr) {
            serve->idle(); // as the editor's modal idle does: the window's events are served
        }
    }
    void beginEdit(int tag) override { edits.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { edits.push_back("end " + std::to_string(tag)); }
    bool onKeyDown(const platform::KeyEvent& key) override {
        keys.push_back(key);
        return true;
    }
    bool hasHostFileSelector() override { return hostSelector; }
    int openHostFileSelector(FileSelectRequest& request) override {
        request.results = hostResults;
        return static_cast<int>(hostResults.size());
    }
    void closeHostFileSelector(FileSelectRequest& /*request*/) override { ++hostCloses; }

    StubWindowSystem* system = nullptr;
    // When set, every modal idle serves this frame's window.
    FrameWindow* serve = nullptr;
    std::deque<Step> steps;
    std::function<void()> onIdle;
    int idles = 0;
    std::vector<std::string> edits;
    std::vector<platform::KeyEvent> keys;
    bool hostSelector = false;
    std::vector<std::string> hostResults;
    int hostCloses = 0;
};

class StubFrameTest : public ::testing::Test {
protected:
    static constexpr Rect kFrameRect{0, 0, 400, 300};

    void SetUp() override {
        auto system = std::make_unique<StubWindowSystem>();
        ws = system.get();
        host.system = ws;
        frame = FrameWindow::open(std::move(system), host, 1, kFrameRect,
                                  solidBitmap(kFrameRect.width(), kFrameRect.height()));
        ASSERT_NE(frame, nullptr);
        window = ws->lastWindow(StubWindow::Kind::Child);
    }

    // A press at `where` with the given buttons held; the script then plays out during
    // the control's tracking loop. The pointer's screen position equals frame position.
    void press(Point where, unsigned buttons, std::vector<ScriptedHost::Step> script = {}) {
        ws->pointerOnScreen = where;
        ws->buttons = buttons;
        host.steps.assign(script.begin(), script.end());
        platform::Event e;
        e.type = platform::EventType::MouseDown;
        e.position = where;
        e.button = (buttons & mouse::kRight) != 0 && (buttons & mouse::kLeft) == 0 ? 3 : 1;
        e.modifiers = buttons;
        ws->post(*window, e);
        frame->idle();
        ws->buttons = 0;
    }

    // A click released at once: the first look after the press sees no button.
    void click(Point where, unsigned buttons = mouse::kLeft) {
        press(where, buttons, {{where, 0}});
    }

    // A press and its release both queued before one host idle, the button already up by
    // then (a tap, a fast click): buttons is the state of the press, modifiers included.
    void postClick(Point where, unsigned buttons) {
        const int button = (buttons & mouse::kLeft) != 0    ? 1
                           : (buttons & mouse::kRight) != 0 ? 3
                                                            : 2;
        ws->click(*window, where, button, buttons & mouse::kModifiers);
    }
    void quickClick(Point where, unsigned buttons = mouse::kLeft) {
        ws->pointerOnScreen = {kFrameRect.right - 1, kFrameRect.bottom - 1}; // moved on since
        ws->buttons = 0;
        postClick(where, buttons);
        frame->idle();
    }

    std::vector<DrawCall>& calls() { return window->stubCanvas.calls; }

    StubWindowSystem* ws = nullptr;
    StubWindow* window = nullptr;
    ScriptedHost host;
    RecordingListener listener;
    std::unique_ptr<FrameWindow> frame;
};

} // namespace quovent::test
