// The host's side of an editor under test on a real X server: the display (the test is
// skipped without one), a host window, real pointer and key input (XInput) in the editor's
// units at whatever zoom its window has, waiting, file drops and screenshots. A plug-in
// format's test supplies only how its editor is embedded into the host window (parent,
// parentId()) and, through attach(), what one turn of its host's loop is (the editor's idle,
// its timer); the editor's modal loops call back into the host, where the test plays
// input.step().
//
// Derived fixtures set up in setUpEditor() and take down in tearDownEditor(): both run only
// with a display, the second before the host window and the display go. X11 only; every call
// on the test's thread. Include after the toolkit's headers: Xlib defines macros such as None
// and Status.
#pragma once

#include "platform/Scale.hpp"

#include <gtest/gtest.h>

#include "tests/support/XInput.hpp"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace quovent::test {

class EditorWindowFixture : public ::testing::Test {
public:
    struct Size {
        int width = 0;
        int height = 0;
        friend bool operator==(const Size&, const Size&) = default;
        friend std::ostream& operator<<(std::ostream& out, const Size& s) {
            return out << s.width << " x " << s.height;
        }
    };

    // A picture of the screen as 0xRRGGBB pixels, row after row.
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels;
        std::uint32_t at(int x, int y) const {
            return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)];
        }
    };

protected:
    // The editor's layout at 100 %: the host window's size unless a test asks for another.
    static constexpr Size kEditorSize{657, 590};

    void SetUp() override;
    void TearDown() override;
    virtual void setUpEditor() {}
    virtual void tearDownEditor() {}

    // A new host window of `pixels` (the last one destroyed), mapped and waited for.
    void openParent(Size pixels = kEditorSize);
    void closeParent();
    // As a host that follows the editor's size requests.
    void resizeParent(Size pixels);
    // The host window's X11 id as the plug-in interfaces carry it: in a pointer.
    void* parentId() const;

    // Input goes to the editor's window from now on, and one idle of it is `serve`.
    void attach(XInput::Idle serve, std::chrono::milliseconds patience = std::chrono::seconds(5));

    // The host window's children, bottom first; the editor's window is the first of them.
    std::vector<Window> editorWindows() const;
    Window editorWindow() const;
    Size editorSize() const; // in pixels
    // The editor window's width against layoutWidth, which points are units of.
    platform::Scale zoom() const;
    // The mapped top-level windows titled `title`: the editor's message boxes and dialogs.
    std::vector<Window> windowsTitled(const std::string& title) const;

    static Point centre(Rect r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // A press at `at` with the script to play while the control tracks it.
    void press(Point at, XInput::Script steps, unsigned b = 1);
    void click(Point at, unsigned b = 1) { press(at, {input.buttonStep(b, false)}, b); }
    // A press at the path's first point, moved through the others and released at the last.
    void drag(const std::vector<Point>& path, unsigned b = 1);
    // A left click held for a few idles, as a person holding it briefly.
    void heldClick(Point at, int idles = 5) {
        press(at, {XInput::waitIdles(idles), input.buttonStep(1, false)});
    }

    // Drags `file` from a file manager onto `at` of the editor's window and drops it there:
    // success when the editor took both the position and the drop.
    ::testing::AssertionResult dropFile(const std::filesystem::path& file, Point at);

    // Pictures into the build folder as `name`: the editor's window (`units` of it, when not
    // empty), or an area of the screen in pixels. Each answers the picture taken.
    Picture saveEditor(const std::string& name, Rect units = {});
    Picture saveScreen(Rect pixels, const std::string& name);

    Display* dpy = nullptr;
    Window parent = 0;
    XInput input;
    int layoutWidth = kEditorSize.width; // units across the editor's window
};

} // namespace quovent::test
