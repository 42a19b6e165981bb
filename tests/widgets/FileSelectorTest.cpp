// File selection: the built-in dialog's listing and choices, the dialog driven by keys and
// clicks on the display-free backend, the host's selector, and the desktop program route
// with a stand-in program.
#include "StubFrame.hpp"

#include "tests/support/ScratchDirectory.hpp"
#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/DesktopFileDialog.hpp"
#include "widgets/FileDialogModel.hpp"
#include "widgets/FileSelector.hpp"
#include "widgets/MessageDialog.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using platform::EventType;
using platform::Key;

class SampleTree : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"b.wav", "A.WAV", "notes.txt", ".hidden.wav", "sub/x.wav"}) {
            fs::create_directories((root / f).parent_path());
            std::ofstream(root / f) << "x";
        }
        fs::create_directories(root / "Zdir");
    }

    FileSelectRequest request(FileSelectCommand command) const {
        FileSelectRequest r;
        r.command = command;
        r.initialPath = root.string();
        r.types = {{"Wave file", "wav"}};
        return r;
    }
    static std::vector<std::string> names(const FileDialogModel& m) {
        std::vector<std::string> out;
        for (const auto& e : m.entries()) {
            out.push_back(e.directory ? e.name + "/" : e.name);
        }
        return out;
    }

    const ScratchDirectory scratch{"quovent-files"};
    const fs::path root = scratch.path();
};

TEST_F(SampleTree, ListsDirectoriesFirstThenMatchingFilesByNameIgnoringCase) {
    FileDialogModel m(request(FileSelectCommand::Load));
    EXPECT_EQ(m.directory(), root.string());
    EXPECT_EQ(names(m), (std::vector<std::string>{"sub/", "Zdir/", "A.WAV", "b.wav"}));
    ASSERT_EQ(m.filters().size(), 2u);
    EXPECT_EQ(m.filters()[0].label, "Wave file (*.wav)");
    EXPECT_EQ(m.filters()[1].label, "Any Type (*.*)");
    m.setFilter(1);
    EXPECT_EQ(names(m), (std::vector<std::string>{"sub/", "Zdir/", "A.WAV", "b.wav", "notes.txt"}));

    FileSelectRequest two = request(FileSelectCommand::Load);
    two.types.push_back({"AIFF", "aif"});
    FileDialogModel m2(two);
    ASSERT_EQ(m2.filters().size(), 4u);
    EXPECT_EQ(m2.filters()[2].label, "All Types: (*.wav;*.aif)");

    FileDialogModel dirs(request(FileSelectCommand::Directory));
    EXPECT_EQ(names(dirs), (std::vector<std::string>{"sub/", "Zdir/"}));
}

TEST_F(SampleTree, EachCommandChoosesItsOwnKindOfResult) {
    FileDialogModel load(request(FileSelectCommand::Load));
    EXPECT_FALSE(load.accept()) << "nothing selected";
    load.select(0);
    EXPECT_FALSE(load.activate()) << "a directory opens";
    EXPECT_EQ(load.directory(), (root / "sub").string());
    load.select(0);
    ASSERT_TRUE(load.activate());
    EXPECT_EQ(load.results(), (std::vector<std::string>{(root / "sub/x.wav").string()}));

    FileDialogModel multi(request(FileSelectCommand::MultipleLoad));
    multi.select(2, true);
    multi.select(3, true);
    multi.select(0, true); // a directory is never part of the choice and clears the files
    EXPECT_FALSE(multi.accept());
    multi.select(2, true);
    multi.select(3, true);
    ASSERT_TRUE(multi.accept());
    EXPECT_EQ(multi.results(),
              (std::vector<std::string>{(root / "A.WAV").string(), (root / "b.wav").string()}));

    FileDialogModel save(request(FileSelectCommand::Save));
    save.setName("bad/name.wav");
    EXPECT_FALSE(save.accept());
    save.setName("Zdir");
    EXPECT_FALSE(save.accept()) << "the name of a directory opens it";
    EXPECT_EQ(save.directory(), (root / "Zdir").string());
    save.setName("new.wav");
    ASSERT_TRUE(save.accept());
    EXPECT_EQ(save.results(), (std::vector<std::string>{(root / "Zdir/new.wav").string()}));
    save.setName(std::string(1100, 'n'));
    EXPECT_FALSE(save.accept()) << "longer than the request's path buffer";

    FileDialogModel dir(request(FileSelectCommand::Directory));
    ASSERT_TRUE(dir.accept());
    EXPECT_EQ(dir.results(), (std::vector<std::string>{root.string()}));
    dir.select(1);
    ASSERT_TRUE(dir.accept());
    EXPECT_EQ(dir.results(), (std::vector<std::string>{(root / "Zdir").string()}));
}

TEST_F(SampleTree, TheRootKeepsTheDialogBelowItAndUpReturnsToWhereItCameFrom) {
    FileSelectRequest r = request(FileSelectCommand::Directory);
    r.rootPath = root.string();
    r.initialPath = "/"; // outside the root: starts at the root instead
    FileDialogModel m(r);
    EXPECT_EQ(m.directory(), root.string());
    EXPECT_FALSE(m.canGoUp());
    EXPECT_FALSE(m.enter("/"));
    ASSERT_TRUE(m.enter((root / "sub").string()));
    ASSERT_TRUE(m.up());
    EXPECT_EQ(m.directory(), root.string());
    EXPECT_EQ(m.selected(), 0) << "sub/ selected again";

    FileSelectRequest s = request(FileSelectCommand::Save);
    s.initialPath = (root / "b.wav").string();
    FileDialogModel save(s);
    EXPECT_EQ(save.directory(), root.string());
    EXPECT_EQ(save.name(), "b.wav");
}

class SelectorTest : public StubFrameTest {
protected:
    void SetUp() override {
        StubFrameTest::SetUp();
        for (const char* f : {"kick.wav", "snare.wav"}) {
            std::ofstream(root / f) << "x";
        }
        fs::create_directories(root / "more");
        req.initialPath = root.string();
        req.title = "Select a Sample";
        req.types = {{"Wave file", "wav"}};
        FileSelector::setDesktopProgram({});
    }
    void TearDown() override { FileSelector::setDesktopProgram({}); }

    StubWindow* dialog() const { return ws->lastWindow(StubWindow::Kind::Dialog); }
    void key(Key k, std::uint32_t c = 0) {
        platform::Event e;
        e.type = EventType::KeyDown;
        e.key.key = k;
        e.key.character = c;
        ws->post(*dialog(), e);
    }
    void clickAt(Rect screen, std::uint32_t time) {
        platform::Event e;
        e.type = EventType::MouseDown;
        e.button = 1;
        e.time = time;
        e.position = {screen.left + 3 - dialog()->screenRect.left,
                      screen.top + 3 - dialog()->screenRect.top};
        ws->post(*dialog(), e);
    }
    // Runs `action` once the dialog is up; a guard cancels one that never closes.
    void whileOpen(const std::function<void()>& action) {
        int idles = 0;
        bool done = false;
        host.onIdle = [this, action, idles, done]() mutable {
            ++idles;
            if (!done && dialog() != nullptr) {
                done = true;
                action();
            } else if (idles > 500 && dialog() != nullptr) {
                key(Key::Escape);
                ADD_FAILURE() << "dialog still open";
            }
        };
    }
    std::string writeProgram(const std::string& body) {
        const fs::path p = root / "fake-zenity";
        std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
        ::chmod(p.c_str(), 0755);
        return p.string();
    }

    const ScratchDirectory scratch{"quovent-selector"};
    const fs::path root = scratch.path();
    FileSelectRequest req;
};

TEST_F(SelectorTest, BuiltInDialogChoosesByKeys) {
    FileSelector selector(*frame, FileSelector::Backend::BuiltIn);
    std::string title;
    whileOpen([&] {
        title = dialog()->title;
        EXPECT_TRUE(dialog()->focused);
        key(Key::Down); // more/
        key(Key::Down); // kick.wav
        key(Key::Down); // snare.wav
        key(Key::Return);
    });
    EXPECT_EQ(selector.run(req), 1);
    EXPECT_EQ(selector.used(), FileSelector::Used::BuiltIn);
    EXPECT_EQ(title, "Select a Sample");
    EXPECT_EQ(req.results, (std::vector<std::string>{(root / "snare.wav").string()}));
    EXPECT_EQ(dialog(), nullptr) << "closed";

    whileOpen([&] { key(Key::Escape); });
    EXPECT_EQ(selector.run(req), 0);
    EXPECT_TRUE(req.results.empty());
    whileOpen([&] {
        platform::Event e;
        e.type = EventType::CloseRequest;
        ws->post(*dialog(), e);
    });
    EXPECT_EQ(selector.run(req), 0);
}

TEST_F(SelectorTest, BuiltInDialogChoosesByDoubleClickAndSavesATypedName) {
    FileSelector selector(*frame, FileSelector::Backend::BuiltIn);
    whileOpen([&] {
        const Rect kick = BuiltinFileDialog::active()->entryScreenRect(1);
        clickAt(kick, 1000);
        clickAt(kick, 1200);
    });
    ASSERT_EQ(selector.run(req), 1);
    EXPECT_EQ(req.results[0], (root / "kick.wav").string());

    req.command = FileSelectCommand::Save;
    whileOpen([&] {
        for (char c : std::string("loop.wav")) {
            key(Key::Character, static_cast<std::uint32_t>(c));
        }
        key(Key::Backspace);
        key(Key::Character, 'V');
        clickAt(BuiltinFileDialog::active()->okScreenRect(), 5000);
    });
    ASSERT_EQ(selector.run(req), 1);
    EXPECT_EQ(req.results[0], (root / "loop.waV").string());
}

TEST_F(SelectorTest, TheHostsSelectorIsUsedWhenItOffersOneAndIsClosedAfterwards) {
    host.hostSelector = true;
    host.hostResults = {"/samples/from-host.wav"};
    {
        FileSelector selector(*frame);
        EXPECT_EQ(selector.run(req), 1);
        EXPECT_EQ(selector.used(), FileSelector::Used::Host);
        EXPECT_EQ(req.results, host.hostResults);
        EXPECT_EQ(host.hostCloses, 0);
    }
    EXPECT_EQ(host.hostCloses, 1);
}

TEST_F(SelectorTest, DesktopProgramGetsTheRequestAndItsOutputIsTheResult) {
    const std::string program =
        writeProgram("printf '%s\\n' \"$@\" > \"" + (root / "args").string() +
                     "\"\nsleep 0.1\necho /samples/picked.wav\nexit 0");
    FileSelector::setDesktopProgram(program);
    FileSelector selector(*frame, FileSelector::Backend::Desktop);
    EXPECT_EQ(selector.run(req), 1);
    EXPECT_EQ(selector.used(), FileSelector::Used::Desktop);
    EXPECT_EQ(req.results, (std::vector<std::string>{"/samples/picked.wav"}));
    std::ifstream args(root / "args");
    std::vector<std::string> lines;
    for (std::string line; std::getline(args, line);) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"--file-selection", "--title=Select a Sample",
                                               "--filename=" + root.string() + "/",
                                               "--file-filter=Wave file (*.wav) | *.wav *.WAV",
                                               "--file-filter=Any Type (*.*) | *"}));
    EXPECT_GT(host.idles, 0) << "the editor kept being served while the program ran";
}

TEST_F(SelectorTest, ARootedRequestGoesToTheBuiltInDialogAndNeverToTheHost) {
    // The desktop's dialog could leave the root: it is not even started.
    FileSelector::setDesktopProgram(writeProgram("echo /elsewhere\nexit 0"));
    host.hostSelector = true;
    req.command = FileSelectCommand::Directory;
    req.rootPath = root.string();
    req.initialPath = root.string();
    FileSelector selector(*frame, FileSelector::Backend::Desktop);
    whileOpen([&] { key(Key::Return); }); // the root itself
    EXPECT_EQ(selector.runOwnDialog(req), 1);
    EXPECT_EQ(selector.used(), FileSelector::Used::BuiltIn);
    EXPECT_EQ(req.results, (std::vector<std::string>{root.string()}));
    // Without a root the desktop's dialog is used, and still not the host's.
    req.rootPath = "/";
    EXPECT_EQ(selector.runOwnDialog(req), 1);
    EXPECT_EQ(selector.used(), FileSelector::Used::Desktop);
    EXPECT_EQ(req.results, (std::vector<std::string>{"/elsewhere"}));
    selector.close();
    EXPECT_EQ(host.hostCloses, 0) << "the host never saw a request";
}

TEST_F(SelectorTest, AFailingDesktopProgramFallsBackToTheBuiltInDialog) {
    FileSelector::setDesktopProgram(writeProgram("exit 5"));
    FileSelector selector(*frame, FileSelector::Backend::Desktop);
    whileOpen([&] { key(Key::Escape); });
    EXPECT_EQ(selector.run(req), 0);
    EXPECT_EQ(selector.used(), FileSelector::Used::BuiltIn);

    FileSelector::setDesktopProgram(writeProgram("exit 1")); // the user cancelled
    FileSelector cancelled(*frame, FileSelector::Backend::Desktop);
    EXPECT_EQ(cancelled.run(req), 0);
    EXPECT_EQ(cancelled.used(), FileSelector::Used::Desktop);
}

TEST_F(SelectorTest, ClosingTheEditorKillsTheDesktopProgram) {
    FileSelector::setDesktopProgram(writeProgram("exec sleep 30"));
    int idles = 0;
    host.onIdle = [&] {
        if (++idles == 3) {
            FrameWindow::dispose(std::move(frame));
        }
    };
    const auto start = std::chrono::steady_clock::now();
    {
        FileSelector selector(*frame, FileSelector::Backend::Desktop);
        EXPECT_EQ(selector.run(req), 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(frame, nullptr);
}

TEST_F(SelectorTest, MessageBoxesAnswerByKeyAndAQuestionThatCannotBeAskedIsNo) {
    MessageDialog box(*frame, DialogBackend::BuiltIn);
    using Answer = MessageDialog::Answer;
    using Style = MessageDialog::Style;
    const auto answer = [&](platform::Key k, std::uint32_t c, Style style) {
        int idles = 0;
        std::string title;
        host.onIdle = [&] {
            if (++idles == 1) {
                title = dialog()->title;
                key(k, c);
            }
        };
        const Answer a = box.show("quovent v1.0", "failed to read registry", style);
        EXPECT_EQ(title, "quovent v1.0");
        return a;
    };
    EXPECT_EQ(answer(Key::Return, 0, Style::YesNo), Answer::Yes);
    EXPECT_EQ(answer(Key::Escape, 0, Style::YesNo), Answer::No);
    EXPECT_EQ(answer(Key::Character, 'n', Style::YesNo), Answer::No);
    EXPECT_EQ(answer(Key::Character, 'y', Style::YesNo), Answer::Yes);
    EXPECT_EQ(answer(Key::Escape, 0, Style::Error), Answer::Ok);
    EXPECT_EQ(box.used(), MessageDialog::Used::BuiltIn);

    host.onIdle = [&] { FrameWindow::dispose(std::move(frame)); };
    EXPECT_EQ(box.show("quovent v1.0", "Locate the file?", Style::YesNo), Answer::No);
    EXPECT_EQ(frame, nullptr);
}

TEST_F(SelectorTest, MessageBoxesGoToTheDesktopProgramWhenThereIsOne) {
    const fs::path args = root / "args";
    FileSelector::setDesktopProgram(
        writeProgram("printf '%s\\n' \"$@\" > \"" + args.string() + "\"\nexit 1"));
    MessageDialog box(*frame, DialogBackend::Desktop);
    EXPECT_EQ(box.show("quovent v1.0", "Remove <all> & more?", MessageDialog::Style::YesNo),
              MessageDialog::Answer::No);
    EXPECT_EQ(box.used(), MessageDialog::Used::Desktop);
    std::ifstream in(args);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"--question", "--title=quovent v1.0",
                                               "--text=Remove <all> & more?", "--no-markup"}));
    EXPECT_EQ(MessageDialog::arguments("/usr/bin/kdialog", "c", "t", MessageDialog::Style::Error),
              (std::vector<std::string>{"/usr/bin/kdialog", "--title", "c", "--error", "t"}));
}

TEST(MessageWrapTest, LinesBreakAtBlanksAndLineBreaks) {
    const auto measure = [](std::string_view t) { return static_cast<int>(t.size()) * 10; };
    EXPECT_EQ(BuiltinMessageDialog::wrap("one two three four", 90, measure),
              (std::vector<std::string>{"one two", "three", "four"}));
    EXPECT_EQ(BuiltinMessageDialog::wrap("a\n\nb averyveryverylongword c", 60, measure),
              (std::vector<std::string>{"a", "", "b", "averyveryverylongword", "c"}));
}

TEST(DesktopDialogTest, KdialogArgumentsAndOutputParsing) {
    FileSelectRequest r;
    r.command = FileSelectCommand::MultipleLoad;
    r.title = "Pick";
    r.initialPath = "/samples";
    r.types = {{"Wave", "wav"}, {"AIFF", "aif"}};
    DesktopFileDialog k("/usr/bin/kdialog");
    EXPECT_EQ(k.flavour(), DesktopFileDialog::Flavour::Kdialog);
    const std::string filter = "*.wav *.WAV|Wave (*.wav)\n"
                               "*.aif *.AIF|AIFF (*.aif)\n"
                               "*.wav *.WAV *.aif *.AIF|All Types: (*.wav;*.aif)\n"
                               "*|Any Type (*.*)";
    EXPECT_EQ(k.arguments(r), (std::vector<std::string>{"/usr/bin/kdialog", "--title", "Pick",
                                                        "--multiple", "--separate-output",
                                                        "--getopenfilename", "/samples", filter}));
    r.command = FileSelectCommand::Directory;
    EXPECT_EQ(k.arguments(r).back(), "/samples");

    EXPECT_EQ(DesktopFileDialog::parseOutput("/a.wav\n/b.wav\n", true),
              (std::vector<std::string>{"/a.wav", "/b.wav"}));
    EXPECT_EQ(DesktopFileDialog::parseOutput("/a.wav\n/b.wav\n", false),
              (std::vector<std::string>{"/a.wav"}));
    EXPECT_EQ(DesktopFileDialog::parseOutput(
                  "Gtk-WARNING blah\n/" + std::string(1100, 'x') + "\n/ok.wav\r\n", true),
              (std::vector<std::string>{"/ok.wav"}));
}

} // namespace
} // namespace quovent::test
