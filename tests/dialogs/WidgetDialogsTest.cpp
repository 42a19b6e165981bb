// WidgetDialogs without a display: what reaches the host's file selector (the relocation
// request and the close after every run; never a folder choice, which goes to our own dialog
// held below its root) and what happens when the host closes the editor while a dialog is
// open.
#include "editor/WidgetDialogs.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quovent;

namespace {

class SelectorHost : public FrameHost {
public:
    void doIdle() override {
        ++idles;
        if (onIdle) {
            onIdle();
        }
    }
    void beginEdit(int /*tag*/) override {}
    void endEdit(int /*tag*/) override {}
    bool hasHostFileSelector() override { return offered; }
    int openHostFileSelector(FileSelectRequest& request) override {
        seen.push_back(request);
        opened.push_back(&request);
        request.results = answer;
        return static_cast<int>(answer.size());
    }
    void closeHostFileSelector(FileSelectRequest& request) override { closed.push_back(&request); }

    bool offered = true;
    std::vector<std::string> answer;
    std::vector<FileSelectRequest> seen;
    std::vector<const FileSelectRequest*> opened, closed;
    std::function<void()> onIdle;
    int idles = 0;
};

class WidgetDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto stub = std::make_unique<platform::stub::StubWindowSystem>();
        system = stub.get();
        frame = FrameWindow::open(std::move(stub), host, 1, Rect{0, 0, 200, 100}, nullptr);
        ASSERT_NE(frame, nullptr);
    }

    platform::stub::StubWindowSystem* system = nullptr;
    SelectorHost host;
    std::unique_ptr<FrameWindow> frame;
};

} // namespace

TEST_F(WidgetDialogsTest, ALocatedFileComesFromTheHostsSelectorWhichIsClosedEveryTime) {
    WidgetDialogs dialogs(*frame, DialogBackend::BuiltIn);
    host.answer = {"/new/kick.wav"};
    EXPECT_EQ(dialogs.chooseWavFile(), "/new/kick.wav");
    ASSERT_EQ(host.seen.size(), 1u);
    const FileSelectRequest& request = host.seen[0];
    EXPECT_EQ(request.command, FileSelectCommand::Load);
    ASSERT_EQ(request.types.size(), 1u);
    EXPECT_EQ(request.types[0].name, "wav file");
    EXPECT_EQ(request.types[0].extension, "wav");
    EXPECT_EQ(request.title, "");
    EXPECT_EQ(request.initialPath, "");
    EXPECT_EQ(host.closed, host.opened); // closed with the request it was opened with

    // Cancelled: nothing, and still closed.
    host.answer = {};
    EXPECT_EQ(dialogs.chooseWavFile(), std::nullopt);
    EXPECT_EQ(host.closed.size(), 2u);
    // An empty path is no choice.
    host.answer = {""};
    EXPECT_EQ(dialogs.chooseWavFile(), std::nullopt);
    EXPECT_EQ(host.closed.size(), 3u);
}

TEST_F(WidgetDialogsTest, FolderChoicesUseOurOwnDialogHeldBelowTheRootNeverTheHosts) {
    char pattern[] = "/tmp/quovent-folders-XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    WidgetDialogs dialogs(*frame, DialogBackend::BuiltIn);
    host.answer = {"/elsewhere"};
    std::vector<std::string> titles;
    const auto answerWith = [&](platform::Key key) {
        host.onIdle = [this, key, &titles] {
            platform::stub::StubWindow* dialog =
                system->lastWindow(platform::stub::StubWindow::Kind::Dialog);
            if (dialog != nullptr) {
                titles.push_back(dialog->title);
                platform::Event e;
                e.type = platform::EventType::KeyDown;
                e.key.key = key;
                system->post(*dialog, e);
                host.onIdle = nullptr;
            }
        };
    };
    answerWith(platform::Key::Return); // the folder the dialog starts in: the root
    EXPECT_EQ(dialogs.chooseFolder("Select a Sample Directory", root), root);
    answerWith(platform::Key::Escape);
    EXPECT_EQ(dialogs.chooseFolder("Select the SampleBase Directory", ""), std::nullopt);
    EXPECT_EQ(titles, (std::vector<std::string>{"Select a Sample Directory",
                                                "Select the SampleBase Directory"}));
    EXPECT_TRUE(host.seen.empty()) << "the host's selector is for files only";
    EXPECT_TRUE(host.closed.empty());
    ::rmdir(root.c_str());
}

TEST_F(WidgetDialogsTest, AnEditorClosedDuringAQuestionDeclinesItAndEveryLaterOne) {
    host.offered = false;
    auto dialogs = std::make_unique<WidgetDialogs>(*frame, DialogBackend::BuiltIn);
    FrameWindow& open = *frame;
    host.onIdle = [&] {
        host.onIdle = nullptr;
        FrameWindow::dispose(std::move(frame)); // the host closes the editor
    };
    {
        // As in the editor, the question comes from inside the frame's own event handling.
        FrameWindow::BusyScope inUse(open);
        EXPECT_FALSE(dialogs->askYesNo("missing: /a.wav relocate ??"));
        EXPECT_EQ(frame, nullptr);
        EXPECT_TRUE(open.isClosing());
        const int idles = host.idles;
        host.offered = true;
        EXPECT_FALSE(dialogs->askYesNo("missing: /b.wav relocate ??"));
        EXPECT_EQ(dialogs->chooseWavFile(), std::nullopt);
        EXPECT_EQ(dialogs->chooseFolder("Select a Sample Directory", ""), std::nullopt);
        dialogs->showMessage("failed to read registry");
        EXPECT_EQ(host.idles, idles); // nothing was shown
        EXPECT_TRUE(host.seen.empty());
    }
}
