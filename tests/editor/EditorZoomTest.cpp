// The editor's zoom on the display-free backend: the size it answers before and while open,
// where the default comes from (the desktop, rounded to an offer), the kept choice, the
// pattern menu's zoom items, and what a host that agrees to or refuses a resize leads to.
#include "editor/EditorZoom.hpp"
#include "FakeHost.hpp"
#include "editor/Editor.hpp"
#include "platform/UserSettings.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "widgets/FileSelector.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quovent::test {
namespace {

using platform::stub::StubWindow;
using platform::stub::StubWindowSystem;
namespace fs = std::filesystem;

// A host that answers the resize request as told and records what it was asked, and what
// the editor's rectangle said while the request was on.
class ResizingHost : public FakeHost {
public:
    using FakeHost::FakeHost;
    bool resizeWindow(int width, int height) override {
        requests.emplace_back(width, height);
        if (editor != nullptr) {
            const EditorRect r = editor->getRect();
            rectDuringRequest = {r.right - r.left, r.bottom - r.top};
        }
        return agrees;
    }
    bool agrees = true;
    Editor* editor = nullptr;
    std::vector<std::pair<int, int>> requests;
    std::pair<int, int> rectDuringRequest{};
};

class EditorZoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        // Messages go to a desktop dialog program that only writes down what it was told.
        const fs::path program = root / "fake-zenity";
        std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << (root / "log").string()
                               << "'\nexit 0\n";
        ::chmod(program.c_str(), 0755);
        FileSelector::setDesktopProgram(program.string());
        FileSelector::setDefaultBackend(DialogBackend::Desktop);
        host.editor = &editor;
        useDesktop(1.0);
    }
    void TearDown() override {
        editor.close();
        FileSelector::setDefaultBackend(DialogBackend::Automatic);
        FileSelector::setDesktopProgram({});
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // Every window system the editor makes reports this desktop factor.
    void useDesktop(double factor) {
        editor.setWindowSystemFactory([this, factor] {
            auto s = std::make_unique<StubWindowSystem>();
            s->desktop = factor;
            system = s.get();
            return s;
        });
    }
    std::pair<int, int> size(const Editor& e) const {
        const EditorRect r = e.getRect();
        return {r.right - r.left, r.bottom - r.top};
    }
    StubWindow* window() const { return system->lastWindow(StubWindow::Kind::Child); }
    void chooseFromMenu(int percent) {
        int index = Editor::kFirstZoomItem;
        while (EditorZoom::kOffered[static_cast<std::size_t>(index - Editor::kFirstZoomItem)] !=
               percent) {
            ++index;
        }
        editor.patternMenu->setValue(static_cast<float>(index));
        editor.valueChanged(nullptr, *editor.patternMenu);
    }
    std::string told() {
        std::ostringstream text;
        text << std::ifstream(root / "log").rdbuf();
        fs::remove(root / "log");
        return text.str();
    }
    int checkedZoom() const {
        for (std::size_t i = 0; i < EditorZoom::kOffered.size(); ++i) {
            const int item = Editor::kFirstZoomItem + static_cast<int>(i);
            if (editor.patternMenu->model().item(item).checked) {
                return EditorZoom::kOffered[i];
            }
        }
        return 0;
    }

    const ScratchDirectory scratch{"quovent-zoom"};
    const fs::path root = scratch.path();
    Instrument instrument;
    ResizingHost host{instrument};
    Editor editor{instrument, host};
    StubWindowSystem* system = nullptr;
};

TEST(EditorZoomChoice, DesktopFactorsRoundToTheNearestOffer) {
    EXPECT_EQ(EditorZoom::nearestOffered(1.0), 100);
    EXPECT_EQ(EditorZoom::nearestOffered(1.2), 100);
    EXPECT_EQ(EditorZoom::nearestOffered(1.25), 150) << "halfway goes to the larger";
    EXPECT_EQ(EditorZoom::nearestOffered(1.5), 150);
    EXPECT_EQ(EditorZoom::nearestOffered(1.75), 200);
    EXPECT_EQ(EditorZoom::nearestOffered(3.0), 200);
    EXPECT_EQ(EditorZoom::nearestOffered(0.5), 100);
    EXPECT_EQ(EditorZoom::menuText(150), "Zoom 150 %");
}

// The size a fresh editor answers before opening: the desktop's factor rounded to an offer,
// unless a valid choice was kept.
TEST_F(EditorZoomTest, TheRectangleBeforeOpeningFollowsTheDesktopUnlessAChoiceWasKept) {
    const auto sizeOnDesktop = [this](double factor) {
        Instrument otherInstrument;
        ResizingHost otherHost{otherInstrument};
        Editor other(otherInstrument, otherHost);
        other.setWindowSystemFactory([factor] {
            auto s = std::make_unique<StubWindowSystem>();
            s->desktop = factor;
            return s;
        });
        return size(other);
    };
    EXPECT_EQ(size(editor), (std::pair{657, 590}));
    for (const auto& [desktop, expected] :
         {std::pair{1.5, std::pair{986, 885}}, std::pair{1.75, std::pair{1314, 1180}},
          std::pair{1.1, std::pair{657, 590}}}) {
        EXPECT_EQ(sizeOnDesktop(desktop), expected) << desktop;
    }
    ASSERT_TRUE(UserSettings::writeZoom(150));
    EXPECT_EQ(sizeOnDesktop(2.0), (std::pair{986, 885}));
    for (const char* stored : {"abc", "175", "150 %", "", "99999999999"}) {
        std::ofstream(UserSettings::zoomFile()) << stored << "\n";
        EXPECT_EQ(sizeOnDesktop(2.0), (std::pair{1314, 1180})) << '"' << stored << '"';
    }
}

TEST_F(EditorZoomTest, TheWindowOpensAtTheZoomWithTheLayoutInItsOwnUnits) {
    useDesktop(2.0);
    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(editor.zoom(), 200);
    EXPECT_EQ(window()->scale(), platform::Scale{200});
    EXPECT_EQ(window()->bounds(), (Rect{0, 0, 657, 587}));
    EXPECT_EQ(size(editor), (std::pair{1314, 1180}));
    // Rectangles stay those of the layout; only the window's pixels grow.
    EXPECT_EQ(editor.row(7).steps().button(15)->rect(), (Rect{344, 101 + 434, 364, 135 + 434}));
    EXPECT_EQ(editor.frame()->controlAt({354, 118})->tag(), 131);
    EXPECT_EQ(editor.patternMenu->entryCount(), Editor::kFirstZoomItem + 3);
    EXPECT_EQ(editor.patternMenu->model().item(Editor::kFirstZoomItem - 1).kind,
              MenuItem::Kind::Separator);
    EXPECT_EQ(editor.patternMenu->entry(Editor::kFirstZoomItem + 2), "Zoom 200 %");
    EXPECT_EQ(checkedZoom(), 200);
    EXPECT_TRUE(host.requests.empty()) << "the host sized its window by the same answer";
}

TEST_F(EditorZoomTest, AChosenZoomIsKeptAndTheWindowIsRebuiltWhenTheHostResizes) {
    ASSERT_TRUE(editor.open(nullptr));
    ASSERT_EQ(editor.zoom(), 100);
    editor.row(2).steps().button(4)->setValue(0.25f);
    editor.sequencer().patterns().currentRow(2).setStep(4, true);
    chooseFromMenu(200);

    int stored = 0;
    ASSERT_EQ(UserSettings::readZoom(stored), UserSettings::ReadResult::Found);
    EXPECT_EQ(stored, 200);
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0], (std::pair{1314, 1180}));
    EXPECT_EQ(host.rectDuringRequest, (std::pair{1314, 1180}));
    // A new window at the new zoom, built from the model.
    EXPECT_EQ(editor.zoom(), 200);
    EXPECT_EQ(window()->scale(), platform::Scale{200});
    EXPECT_TRUE(editor.row(2).steps().button(4)->on());
    EXPECT_EQ(checkedZoom(), 200);
    EXPECT_TRUE(told().empty());
    // Choosing the zoom in force asks nothing.
    chooseFromMenu(200);
    EXPECT_EQ(host.requests.size(), 1u);
}

TEST_F(EditorZoomTest, ARefusedResizeKeepsTheWindowAndAppliesAtTheNextOpen) {
    host.agrees = false;
    ASSERT_TRUE(editor.open(nullptr));
    const FrameWindow* before = editor.frame();
    chooseFromMenu(150);
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0], (std::pair{986, 885}));
    EXPECT_EQ(editor.frame(), before);
    EXPECT_EQ(editor.zoom(), 100);
    EXPECT_EQ(size(editor), (std::pair{657, 590})) << "the open window keeps its size";
    EXPECT_NE(told().find("Zoom 150 % applies the next time"), std::string::npos);
    EXPECT_EQ(checkedZoom(), 150) << "the choice is shown";
    // Still usable: a control report reaches the model.
    editor.shuffleKnob->setValue(0.4f);
    editor.valueChanged(nullptr, *editor.shuffleKnob);
    EXPECT_EQ(editor.sequencer().shuffleAmount, 0.4f);

    editor.close();
    EXPECT_EQ(size(editor), (std::pair{986, 885}));
    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(window()->scale(), platform::Scale{150});
    EXPECT_EQ(host.requests.size(), 1u) << "the host already heard the new size";
}

TEST_F(EditorZoomTest, AZoomThatCannotBeSavedIsToldAndHoldsForTheSession) {
    std::ofstream(root / "blocker") << "a file, so no folder can be made inside";
    ::setenv("XDG_CONFIG_HOME", (root / "blocker").c_str(), 1);
    ASSERT_TRUE(editor.open(nullptr));
    chooseFromMenu(200);
    EXPECT_NE(told().find("could not be saved"), std::string::npos);
    EXPECT_EQ(editor.zoom(), 200);
    editor.close();
    EXPECT_EQ(size(editor), (std::pair{1314, 1180}));
}

} // namespace
} // namespace quovent::test
