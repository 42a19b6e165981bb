// Fixture for the toolkit's GUI tests: a frame opened on its own connection in the shared
// fixture's host window, driven with the real pointer, buttons and keys (XInput) on the
// fixture's connection. The test drives the frame as a host does: idle() with a zero timeout
// in a loop; the controls' own loops call the host's modal idle, which serves the frame and
// plays the next step of the input's script.
#pragma once

#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include "TestSkin.hpp"

// After the toolkit: Xlib defines macros such as None and Status.
#include "tests/support/EditorWindowFixture.hpp"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quovent::test {

namespace mouse = platform::mouse;

class GuiHost : public FrameHost {
public:
    void doIdle() override {
        ++idles;
        if (frame != nullptr && *frame) {
            (*frame)->idle();
        }
        if (input != nullptr) {
            input->step();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void beginEdit(int tag) override { edits.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { edits.push_back("end " + std::to_string(tag)); }
    bool onKeyDown(const platform::KeyEvent& key) override {
        keys.push_back(key);
        return true;
    }

    std::unique_ptr<FrameWindow>* frame = nullptr;
    // Whose script the modal idles play.
    XInput* input = nullptr;
    int idles = 0;
    std::vector<std::string> edits;
    std::vector<platform::KeyEvent> keys;
};

class GuiTest : public EditorWindowFixture {
protected:
    static constexpr Rect kFrameRect{0, 0, 640, 480};

    void setUpEditor() override {
        openParent({700, 560});
        host.frame = &frame;
        host.input = &input;
        frame = FrameWindow::open(platform::createNativeWindowSystem(), host, parent, kFrameRect,
                                  background());
        ASSERT_NE(frame, nullptr);
        layoutWidth = kFrameRect.width();
        attach([this] { frame->idle(); }, std::chrono::seconds(2));
        input.pump(5);
    }
    void tearDownEditor() override { frame.reset(); }

    static BitmapPtr background() {
        return skin::background(kFrameRect.width(), kFrameRect.height());
    }

    GuiHost host;
    std::unique_ptr<FrameWindow> frame;
};

} // namespace quovent::test
