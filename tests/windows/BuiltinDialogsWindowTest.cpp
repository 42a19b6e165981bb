// The toolkit's own message box on the Win32 backend (the fallback when the system's cannot
// be shown): an owned window with the caption, answered by real clicks and keys from xdotool
// while its modal loop serves the thread's messages and the host's idle.
#include "tests/windows/EditorHostWindow.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"
#include "widgets/MessageDialog.hpp"

namespace quovent::test {
namespace {

class ScriptedHost : public FrameHost {
public:
    void doIdle() override {
        if (frame != nullptr) {
            frame->idle();
        }
        if (onIdle) {
            onIdle();
        }
        // A dialog the script did not end is closed as a user would, so no test waits for
        // ever: about ten seconds of idles.
        if (++idles > 5000 && idles % 500 == 0) {
            if (HWND w = FindWindowW(nullptr, L"quovent v1.0")) {
                PostMessageW(w, WM_CLOSE, 0, 0);
            }
        }
        Sleep(1);
    }
    int idles = 0;
    void beginEdit(int /*tag*/) override {}
    void endEdit(int /*tag*/) override {}
    FrameWindow* frame = nullptr;
    std::function<void()> onIdle;
};

class BuiltinDialogsWindowTest : public EditorHostWindow {
protected:
    void SetUp() override {
        EditorHostWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        auto picture = std::make_shared<platform::Image>(400, 300);
        picture->fill({0, 0, 400, 300}, Color{60, 60, 70, 255});
        frame = FrameWindow::open(platform::createNativeWindowSystem(), host,
                                  reinterpret_cast<platform::NativeWindow>(parent),
                                  {0, 0, 400, 300}, Bitmap::fromImage(picture));
        ASSERT_NE(frame, nullptr);
        host.frame = frame.get();
        pump(100);
    }
    void TearDown() override {
        host.frame = nullptr;
        frame.reset();
        EditorHostWindow::TearDown();
    }
    // Clicks the middle of a screen rectangle (units of the toolkit's scale, 100 % here).
    void clickScreen(Rect r) {
        xdotool("mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                std::to_string((r.top + r.bottom) / 2) + " click 1");
    }

    ScriptedHost host;
    std::unique_ptr<FrameWindow> frame;
};

TEST_F(BuiltinDialogsWindowTest, TheMessageBoxIsAnOwnedWindowAnsweredByAClickAndAKey) {
    MessageDialog box(*frame, DialogBackend::BuiltIn);
    bool found = false;
    HWND owner = nullptr;
    int idles = 0;
    host.onIdle = [&] {
        BuiltinMessageDialog* active = BuiltinMessageDialog::active();
        if (active == nullptr || ++idles != 20) {
            return;
        }
        const HWND shown = FindWindowW(nullptr, L"quovent v1.0");
        owner = shown != nullptr ? GetWindow(shown, GW_OWNER) : nullptr;
        found = shown != nullptr;
        clickScreen(active->buttonScreenRect(1));
    };
    EXPECT_EQ(
        box.show("quovent v1.0", "missing: C:\\kick.wav relocate ??", MessageDialog::Style::YesNo),
        MessageDialog::Answer::No);
    EXPECT_EQ(box.used(), MessageDialog::Used::BuiltIn);
    EXPECT_TRUE(found) << "a window with the caption";
    EXPECT_EQ(owner, parent) << "owned by the host's window: kept above it";

    idles = 0;
    host.onIdle = [&] {
        if (BuiltinMessageDialog::active() != nullptr && ++idles == 20) {
            xdotool("key Return");
        }
    };
    EXPECT_EQ(box.show("quovent v1.0", "Locate it?", MessageDialog::Style::YesNo),
              MessageDialog::Answer::Yes);
    EXPECT_EQ(BuiltinMessageDialog::active(), nullptr);
}

} // namespace
} // namespace quovent::test
