// The sample dialogs as the user meets them: the built-in folder dialog, message boxes and
// file selector opened through WidgetDialogs inside a frame in a plain parent window (the
// host's stand-in), answered with real pointer and key events, and the sample operations
// run end to end with them over a temporary directory of WAV files.
#include "editor/SampleBrowser.hpp"
#include "editor/WidgetDialogs.hpp"
#include "engine/Slot.hpp"
#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/FileSelector.hpp"

#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include "GuiFixture.hpp"
#include "TestSkin.hpp"

#include <X11/Xutil.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace quovent::test {

namespace {

namespace fs = std::filesystem;

class NameView : public SampleNameView {
public:
    void showSampleText(const char* text) override { shown = text; }
    std::string shown;
};

class DialogsGuiTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        FileSelector::setDefaultBackend(DialogBackend::BuiltIn);
        fs::create_directories(root / "config");
        // The stored sample base and the file selector's start both stay in the sandbox.
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        if (const char* home = std::getenv("HOME")) {
            savedHome = home;
        }
        ::setenv("HOME", root.c_str(), 1);
        dialogs.emplace(*frame, DialogBackend::BuiltIn);
    }
    void TearDown() override {
        dialogs.reset();
        if (savedHome) {
            ::setenv("HOME", savedHome->c_str(), 1);
        }
        GuiTest::TearDown();
    }

    // ---- Script steps for the modal loops ----------------------------------------------------
    static XInput::Step fileDialogUp() {
        return [] { return BuiltinFileDialog::active() != nullptr; };
    }
    static XInput::Step boxUp() {
        return [] { return BuiltinMessageDialog::active() != nullptr; };
    }
    // Lets a few passes go by so that the window is mapped and the last event handled.
    static XInput::Step settle(int passes = 10) {
        return [passes, n = 0]() mutable { return ++n > passes; };
    }
    XInput::Step clickAt(const std::function<Rect()>& where) {
        return [this, where] {
            input.clickOnScreen(centre(where()));
            return true;
        };
    }
    XInput::Step press(KeySym sym) {
        return [this, sym] {
            input.tap(sym);
            return true;
        };
    }
    // Clicks the listed entry of that name in the open file dialog.
    XInput::Step clickEntry(const std::string& name) {
        return clickAt([name] {
            const auto& entries = BuiltinFileDialog::active()->model().entries();
            const auto it = std::find_if(entries.begin(), entries.end(),
                                         [&](const auto& e) { return e.name == name; });
            EXPECT_NE(it, entries.end()) << name;
            return BuiltinFileDialog::active()->entryScreenRect(
                static_cast<int>(it - entries.begin()));
        });
    }
    XInput::Step clickOk() {
        return clickAt([] { return BuiltinFileDialog::active()->okScreenRect(); });
    }
    XInput::Step clickUp() {
        return clickAt([] { return BuiltinFileDialog::active()->upScreenRect(); });
    }
    XInput::Step clickButton(int index) {
        return clickAt([index] { return BuiltinMessageDialog::active()->buttonScreenRect(index); });
    }
    XInput::Step check(const std::function<void()>& f) {
        return [f] {
            f();
            return true;
        };
    }
    // The directory the open file dialog lists now.
    static std::string listed() { return BuiltinFileDialog::active()->model().directory(); }

    // The top-level window of ours with this title and the window it is transient for.
    std::optional<::Window> transientOwnerOf(const std::string& title) {
        for (const ::Window w : windowsTitled(title)) {
            if (::Window to = 0; XGetTransientForHint(dpy, w, &to) != 0) {
                return to;
            }
        }
        return std::nullopt;
    }

    void makeKit() {
        fs::create_directories(root / "kit");
        fs::create_directories(root / "loops");
        TestWav::constant(64, 1000).write(root / "kit" / "a.wav");
        TestWav::constant(64, 2000).write(root / "kit" / "b.wav");
        TestWav::constant(64, 3000).write(root / "kit" / "c.wav");
        std::ofstream(root / "kit" / "notes.txt") << "x";
    }

    const ScratchDirectory scratch{"quovent-dialogs"};
    const fs::path root = scratch.path();
    std::optional<std::string> savedHome;
    std::optional<WidgetDialogs> dialogs;
};

TEST_F(DialogsGuiTest, FolderDialogEntersADirectoryByKeyAndChoosesItWithOk) {
    makeKit();
    fs::create_directories(root / "kit" / "inner");
    input.play({fileDialogUp(), settle(20), check([this] { EXPECT_EQ(listed(), root.string()); }),
                // Select "kit" and open it with Enter; OK then takes the directory listed.
                clickEntry("kit"), settle(), press(XK_Return), settle(),
                check([this] { EXPECT_EQ(listed(), (root / "kit").string()); }), clickOk()});
    EXPECT_EQ(dialogs->chooseFolder("Select the SampleBase Directory", ""),
              (root / "kit").string());
    EXPECT_EQ(BuiltinFileDialog::active(), nullptr);

    // A directory selected in the list is chosen by OK without entering it; Escape cancels.
    input.play({fileDialogUp(), settle(20), clickEntry("loops"), settle(), clickOk()});
    EXPECT_EQ(dialogs->chooseFolder("Select a Sample Directory", root.string()),
              (root / "loops").string());
    input.play({fileDialogUp(), settle(20), press(XK_Escape)});
    EXPECT_EQ(dialogs->chooseFolder("Select a Sample Directory", root.string()), std::nullopt);
}

TEST_F(DialogsGuiTest, ARootedFolderDialogCannotLeaveTheRoot) {
    makeKit();
    const fs::path kitRoot = root / "kit";
    fs::create_directories(kitRoot / "inner");
    input.play({fileDialogUp(), settle(20), check([&] { EXPECT_EQ(listed(), kitRoot.string()); }),
                // Neither the up button nor Backspace go above the root.
                clickUp(), settle(), press(XK_BackSpace), settle(),
                check([&] { EXPECT_EQ(listed(), kitRoot.string()); }),
                // Below it and back up again is allowed, but no further.
                clickEntry("inner"), settle(), press(XK_Return), settle(),
                check([&] { EXPECT_EQ(listed(), (kitRoot / "inner").string()); }), clickUp(),
                settle(), clickUp(), settle(),
                check([&] { EXPECT_EQ(listed(), kitRoot.string()); }), press(XK_Escape)});
    EXPECT_EQ(dialogs->chooseFolder("Select a Sample Directory", kitRoot.string()), std::nullopt);
    // Right away, OK chooses the root itself.
    input.play({fileDialogUp(), settle(20), clickUp(), settle(), clickOk()});
    EXPECT_EQ(dialogs->chooseFolder("Select a Sample Directory", kitRoot.string()),
              kitRoot.string());
}

TEST_F(DialogsGuiTest, MessageBoxesCarryTheCaptionStayAboveTheHostAndAnswer) {
    std::optional<::Window> owner;
    input.play({boxUp(), settle(),
                check([&] { owner = transientOwnerOf(WidgetDialogs::kCaption); }), clickButton(0)});
    EXPECT_TRUE(dialogs->askYesNo("missing: /x/kick.wav relocate ??"));
    ASSERT_TRUE(owner.has_value());
    EXPECT_EQ(*owner, parent); // the host's top-level window, not the frame inside it

    input.play({boxUp(), settle(), press(XK_Escape)});
    EXPECT_FALSE(dialogs->askYesNo("missing: /x/kick.wav relocate ??"));
    input.play({boxUp(), settle(), clickButton(1)});
    EXPECT_FALSE(dialogs->askYesNo("missing: /x/kick.wav relocate ??"));

    int idlesBefore = host.idles;
    input.play({boxUp(), settle(), clickButton(0)});
    dialogs->showMessage("failed to write to registry");
    EXPECT_EQ(BuiltinMessageDialog::active(), nullptr);
    // The frame and the host were served while the box was up.
    EXPECT_GT(host.idles, idlesBefore + 10);
}

TEST_F(DialogsGuiTest, SampleOperationsRunEndToEndWithTheBuiltInDialogs) {
    makeKit();
    Slot slot{0};
    NameView nameView;
    slot.setNameView(&nameView);
    SampleBrowser browser(*dialogs, [] { return 5512.5; });

    // The sample base: the folder dialog starts in the home folder; OK takes it.
    input.play({fileDialogUp(), settle(20), clickOk()});
    browser.chooseSampleBase();
    ASSERT_EQ(browser.sampleBasePath(), root.string());

    // A slot folder below the base: "kit" holds three WAV files; the first is loaded.
    input.play({fileDialogUp(), settle(20), clickUp(), settle(),
                check([this] { EXPECT_EQ(listed(), root.string()); }), clickEntry("kit"), settle(),
                clickOk()});
    browser.browseSampleDirectory(slot);
    ASSERT_TRUE(slot.directory.hasFileList());
    EXPECT_EQ(slot.directory.fileCount(), 3);
    EXPECT_EQ(slot.samplePath(), (root / "kit" / "a.wav").string());
    EXPECT_NEAR(slot.sample.left(0), 1000.0f / 32768.0f * 1.15f, 1e-6f);

    // A missing file: the question is answered Yes, the file located in the built-in
    // selector (it starts in the home folder), loaded, and its directory remembered.
    const std::string missing = (root / "gone" / "b.wav").string();
    input.play({boxUp(), settle(), clickButton(0), fileDialogUp(), settle(20), clickEntry("kit"),
                settle(), press(XK_Return), settle(), clickEntry("b.wav"), settle(),
                press(XK_Return)});
    EXPECT_TRUE(browser.loadWithRelocation(slot, missing));
    EXPECT_EQ(slot.samplePath(), (root / "kit" / "b.wav").string());
    EXPECT_EQ(browser.relocationDirectory(), (root / "kit").string());
    EXPECT_NEAR(slot.sample.left(0), 2000.0f / 32768.0f * 1.15f, 1e-6f);

    // The next missing file is found in the remembered directory without a question.
    input.play({});
    EXPECT_TRUE(browser.loadWithRelocation(slot, (root / "gone" / "c.wav").string()));
    EXPECT_EQ(slot.samplePath(), (root / "kit" / "c.wav").string());

    // No to the question keeps the audio.
    input.play({boxUp(), settle(), clickButton(1)});
    EXPECT_FALSE(browser.loadWithRelocation(slot, (root / "gone" / "zz.wav").string()));
    EXPECT_NEAR(slot.sample.left(0), 3000.0f / 32768.0f * 1.15f, 1e-6f);
}

} // namespace
} // namespace quovent::test
