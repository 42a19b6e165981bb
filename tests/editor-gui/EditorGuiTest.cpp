// The editor window end to end. The instrument is created through the plug-in entry with a
// host callback of this test, its editor opened with effEditOpen in a plain X11 window that
// stands in for the host's, and driven by effEditIdle in a loop as a host does. The pointer
// and keys are real (XTest); while a control tracks the mouse, the editor's modal idle calls
// audioMasterIdle, where the test plays the next step of its script.
#include "editor/Editor.hpp"
#include "host/InstrumentPlugin.hpp"
#include "host/PluginMain.hpp"
#include "widgets/MenuWindow.hpp"

#include <gtest/gtest.h>

#include "tests/widgets/ScreenCapture.hpp"
#include "tests/widgets/XdndSource.hpp"

// After gtest and the toolkit: Xlib defines macros such as None and Status.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using Step = std::function<bool()>;

constexpr int kBlock = 512;
constexpr int kChannels = 12;

Point centre(Rect r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A 16-bit mono WAV file of a constant level.
void writeWav(const fs::path& path, int frames, std::int16_t level) {
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto dataBytes = static_cast<std::uint32_t>(frames * 2);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(44100 * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (int i = 0; i < frames; ++i) {
        u16(static_cast<std::uint16_t>(level));
    }
}

Display* openDisplay() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* d = XOpenDisplay(nullptr)) {
            return d;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

class EditorGuiTest : public ::testing::Test {
protected:
    static inline EditorGuiTest* current = nullptr;

    static std::intptr_t QUOVENT_VSTCALL callback(vst::AEffect* /*effect*/, std::int32_t opcode,
                                                  std::int32_t /*index*/, std::intptr_t /*value*/,
                                                  void* /*ptr*/, float /*opt*/) {
        switch (opcode) {
        case vst::audioMasterVersion:
            return 2400;
        case vst::audioMasterIdle:
            if (current != nullptr) {
                ++current->hostIdles;
                current->step();
            }
            return 0;
        case vst::audioMasterGetTime:
            return current != nullptr ? reinterpret_cast<std::intptr_t>(&current->time) : 0;
        default:
            return 0;
        }
    }

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display (the test suite runs these under xvfb-run)";
        }
        current = this;
        time.tempo = 120.0;
        time.sampleRate = 44100.0;
        time.flags = vst::kVstTempoValid;
        dpy = openDisplay();
        ASSERT_NE(dpy, nullptr);
        int a = 0;
        int b = 0;
        int c = 0;
        int d = 0;
        ASSERT_TRUE(XTestQueryExtension(dpy, &a, &b, &c, &d));
        const int screen = DefaultScreen(dpy);
        parent = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 700, 620, 0,
                                     BlackPixel(dpy, screen), WhitePixel(dpy, screen));
        XSelectInput(dpy, parent, StructureNotifyMask);
        XMapWindow(dpy, parent);
        for (XEvent e;;) {
            XNextEvent(dpy, &e);
            if (e.type == MapNotify) {
                break;
            }
        }
        effect = pluginMain(&callback);
        ASSERT_NE(effect, nullptr);
        dispatch(vst::effOpen);
        dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(vst::effSetBlockSize, 0, kBlock);
        dispatch(vst::effMainsChanged, 0, 1);
        plugin = static_cast<InstrumentPlugin*>(EffectBase::fromEffect(effect));
        editor = plugin->sequencerEditor();
        ASSERT_NE(editor, nullptr);
        openEditor();
    }

    void TearDown() override {
        if (dpy == nullptr) {
            return;
        }
        for (unsigned b = 1; b <= 3; ++b) {
            XTestFakeButtonEvent(dpy, b, False, CurrentTime);
        }
        for (KeySym k : {XK_Shift_L, XK_Control_L, XK_Alt_L}) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), False, CurrentTime);
        }
        XSync(dpy, False);
        if (effect != nullptr) {
            dispatch(vst::effEditClose);
            dispatch(vst::effClose);
        }
        XDestroyWindow(dpy, parent);
        XCloseDisplay(dpy);
        current = nullptr;
        if (!tempDir.empty()) {
            fs::remove_all(tempDir);
        }
    }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void openEditor() {
        ASSERT_EQ(dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        pump(5);
    }
    void step() {
        if (!script.empty() && script.front()()) {
            script.pop_front();
        }
    }
    // The host's idle, n times.
    void pump(int n) {
        for (int i = 0; i < n; ++i) {
            dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    bool pumpUntil(const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    Point screen(Point p) {
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(dpy, static_cast<Window>(editor->frame()->window().nativeHandle()),
                              DefaultRootWindow(dpy), p.x, p.y, &x, &y, &child);
        return {x, y};
    }
    void moveToScreen(Point s) {
        XTestFakeMotionEvent(dpy, -1, s.x, s.y, CurrentTime);
        XSync(dpy, False);
    }
    void move(Point p) { moveToScreen(screen(p)); }
    void button(unsigned b, bool down) {
        XTestFakeButtonEvent(dpy, b, down ? True : False, CurrentTime);
        XSync(dpy, False);
    }
    void tap(KeySym sym) {
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), True, CurrentTime);
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), False, CurrentTime);
        XSync(dpy, False);
    }
    Step moveStep(Point p) {
        return [this, p] {
            move(p);
            return true;
        };
    }
    Step buttonStep(unsigned b, bool down) {
        return [this, b, down] {
            button(b, down);
            return true;
        };
    }
    Step menuOpen() {
        return [] { return MenuWindow::active() != nullptr; };
    }
    Step clickItem(int index) {
        return [this, index] {
            moveToScreen(centre(MenuWindow::active()->itemScreenRect(index)));
            button(1, true);
            button(1, false);
            return true;
        };
    }
    // A press with the script to play while the control tracks it; a control without a
    // loop returns at once, and the script then goes on from the test's own idle loop.
    void press(Point at, std::deque<Step> steps, unsigned b = 1) {
        move(at);
        script = std::move(steps);
        button(b, true);
        int idles = 0;
        ASSERT_TRUE(pumpUntil([&] {
            if (++idles > 10) {
                step();
            }
            return script.empty();
        })) << "script stalled";
        pump(3);
    }
    void click(Point at, unsigned b = 1) { press(at, {buttonStep(b, false)}, b); }

    // Geometry of the layout.
    static Point stepPoint(int slot, int step, int dy = 17) {
        return {44 + 20 * step + 10, 101 + 62 * slot + dy};
    }
    static Point soloPoint(int slot) { return {382, 126 + 62 * slot}; }
    static Point slotMenuPoint(int slot) { return {353, 89 + 62 * slot}; }

    PatternRow& row(int slot) { return editor->sequencer().patterns().currentRow(slot); }
    Slot& slot(int s) { return editor->sequencer().slots().slot(s); }

    // Renders n blocks; the peak of each stereo pair.
    std::array<float, kChannels / 2> render(int blocks) {
        std::vector<float> samples(static_cast<std::size_t>(kChannels * kBlock));
        std::array<float*, kChannels> outputs{};
        std::array<float, kChannels / 2> peak{};
        for (int c = 0; c < kChannels; ++c) {
            outputs[static_cast<std::size_t>(c)] = samples.data() + c * kBlock;
        }
        for (int b = 0; b < blocks; ++b) {
            effect->processReplacing(effect, nullptr, outputs.data(), kBlock);
            for (int c = 0; c < kChannels; ++c) {
                for (int i = 0; i < kBlock; ++i) {
                    float& p = peak[static_cast<std::size_t>(c / 2)];
                    p = std::max(p, std::abs(outputs[static_cast<std::size_t>(c)][i]));
                }
            }
        }
        return peak;
    }

    fs::path makeSample() {
        tempDir = fs::temp_directory_path() / ("quovent-editor-gui-" + std::to_string(getpid()));
        fs::create_directories(tempDir);
        const fs::path wav = tempDir / "kick.wav";
        writeWav(wav, 44100, 16000);
        return wav;
    }

    void saveScreen(Rect area, const std::string& path);

    Display* dpy = nullptr;
    Window parent = 0;
    vst::AEffect* effect = nullptr;
    InstrumentPlugin* plugin = nullptr;
    Editor* editor = nullptr;
    vst::VstTimeInfo time{};
    std::deque<Step> script;
    int hostIdles = 0;
    fs::path tempDir;
};

void EditorGuiTest::saveScreen(Rect area, const std::string& path) {
    EXPECT_TRUE(test::captureScreenPng(dpy, area, path)) << path;
}

TEST_F(EditorGuiTest, DragsPaintStepsAndWriteLaneValues) {
    // A left drag from step 1 over the first eight steps of slot 1 turns them on.
    std::deque<Step> drag;
    for (int k = 1; k < 8; ++k) {
        drag.push_back(moveStep(stepPoint(0, k)));
    }
    drag.push_back(buttonStep(1, false));
    press(stepPoint(0, 0), drag);
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        EXPECT_EQ(row(0).stepOn(k), k < 8) << "step " << k;
    }
    StepButton* first = editor->row(0).steps().button(0);
    EXPECT_FLOAT_EQ(first->value(), StepButton::shownValue(true, 1.0f));
    EXPECT_FLOAT_EQ(editor->row(0).steps().button(8)->value(), StepButton::shownValue(false, 1.0f));
    // Starting on an on step turns them off again.
    press(stepPoint(0, 6), {moveStep(stepPoint(0, 7)), buttonStep(1, false)});
    EXPECT_TRUE(row(0).stepOn(5));
    EXPECT_FALSE(row(0).stepOn(6));
    EXPECT_FALSE(row(0).stepOn(7));

    // The t key typed into the window selects the Tune lane.
    tap(XK_t);
    ASSERT_TRUE(pumpUntil([this] { return editor->stepEditLane() == 1; }));
    EXPECT_FLOAT_EQ(editor->stepEditSwitch->value(), 0.25f);
    // A right drag along the top edge writes 1.0 into the Tune lane of every step passed,
    // then lower down 0.0.
    press(stepPoint(1, 0, 0),
          {moveStep(stepPoint(1, 1, 0)), moveStep(stepPoint(1, 2, 0)),
           moveStep(stepPoint(1, 3, 40)), buttonStep(3, false)},
          3);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 0), 1.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 1), 1.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 3), 0.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 4), 0.5f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Vol, 0), 1.0f);
    EXPECT_FALSE(row(1).stepOn(0));

    // The host's key opcode switches lanes as well; upper case does nothing.
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'p'), 1);
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'V'), 0);
    EXPECT_EQ(editor->stepEditLane(), 4);
    pump(3);
    EXPECT_FLOAT_EQ(editor->stepEditSwitch->value(), 1.0f);
    EXPECT_FLOAT_EQ(editor->row(1).steps().button(0)->value(), StepButton::shownValue(false, 0.5f));
}

TEST_F(EditorGuiTest, AWavDroppedOnTheNameFieldLoadsIntoTheSlot) {
    const fs::path wav = makeSample();
    const auto target = static_cast<Window>(editor->frame()->window().nativeHandle());
    XdndSource source(dpy, "file://" + wav.string() + "\r\n");
    const auto rootPos = [&](Point p) {
        const Point s = screen(p);
        return static_cast<long>((s.x << 16) | s.y);
    };
    const auto settle = [&](const std::function<bool()>& until) {
        return pumpUntil([&] {
            source.serve();
            return until();
        });
    };
    source.send(target, "XdndEnter", 5L << 24, static_cast<long>(source.atom("text/uri-list")), 0,
                0);
    source.send(target, "XdndPosition", 0, rootPos(centre(editor->row(0).name->rect())),
                CurrentTime, static_cast<long>(source.atom("XdndActionCopy")));
    ASSERT_TRUE(settle([&] { return source.statuses == 1; }));
    EXPECT_TRUE(source.accepted);
    source.send(target, "XdndDrop", 0, CurrentTime, 0, 0);
    ASSERT_TRUE(settle([&] { return source.finished; }));
    EXPECT_TRUE(source.finishedAccepted);

    EXPECT_EQ(slot(0).samplePath(), fs::canonical(wav).string());
    EXPECT_EQ(slot(0).sample.frameCount(), 44100);
    const std::string shown = editor->row(0).name->text();
    EXPECT_NE(shown.find(": kick.wav"), std::string::npos) << shown;
    EXPECT_EQ(slot(1).samplePath(), Slot::kPlaceholderPath);
}

TEST_F(EditorGuiTest, PlayStartsThePatternOnTheSlotsOutputPair) {
    const fs::path wav = makeSample();
    editor->sampleBrowser().openSampleFile(slot(0), wav.string());
    ASSERT_GT(slot(0).sample.frameCount(), 0);
    pump(3);
    EXPECT_NE(editor->row(0).name->text().find("kick.wav"), std::string::npos);
    click(stepPoint(0, 0));
    ASSERT_TRUE(row(0).stepOn(0));
    // A right click on the output field takes the next pair.
    click({608, 131}, 3);
    EXPECT_EQ(slot(0).outputPair, 2);
    EXPECT_EQ(editor->row(0).output->text(), "Out: 2");

    click({292, 52}); // Play
    EXPECT_EQ(editor->sequencer().playing, 1);
    const auto peak = render(20);
    EXPECT_GT(peak[1], 0.05f);
    EXPECT_EQ(peak[0], 0.0f);
    EXPECT_EQ(peak[2], 0.0f);
    // The Notes readout follows the live voices on the next idle.
    pump(2);
    EXPECT_EQ(editor->notesDisplay->value(), static_cast<float>(editor->sequencer().liveVoices));
    EXPECT_GT(editor->notesDisplay->value(), 0.0f);

    // A pattern key while playing moves to that pattern and keeps the Play button lit.
    click({394 + 16 * 2 + 8, 52});
    EXPECT_EQ(editor->sequencer().patterns().currentPattern(), 2);
    EXPECT_EQ(editor->playButton->value(), 1.0f);
    EXPECT_EQ(editor->patternKeys.key(2)->value(), 1.0f);
    EXPECT_EQ(editor->patternKeys.key(0)->value(), 0.0f);

    click({292, 52}); // Play off
    EXPECT_EQ(editor->sequencer().playing, 0);
    render(40);
    pump(2);
    EXPECT_EQ(editor->notesDisplay->value(), 0.0f);
    EXPECT_EQ(editor->playButton->value(), 0.0f);
}

TEST_F(EditorGuiTest, SoloLeavesOnlySoloedSlotsAndTheLastReleaseRestoresMutes) {
    click({382, 102 + 62 * 3}); // mute slot 4
    EXPECT_EQ(slot(3).active, 0);
    click(soloPoint(1));
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(slot(s).active, s == 1 ? 1 : 0) << s;
        EXPECT_EQ(editor->row(s).mute->value(), s == 1 ? 0.0f : 1.0f) << s;
    }
    click(soloPoint(2));
    EXPECT_EQ(slot(2).active, 1);
    click(soloPoint(1)); // released while slot 3 stays soloed: slot 2 is muted
    EXPECT_EQ(slot(1).active, 0);
    EXPECT_EQ(editor->row(1).mute->value(), 1.0f);
    click(soloPoint(2)); // the last solo: the mutes from before come back
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(slot(s).active, s == 3 ? 0 : 1) << s;
        EXPECT_EQ(editor->row(s).mute->value(), s == 3 ? 1.0f : 0.0f) << s;
        EXPECT_EQ(editor->row(s).solo->value(), 0.0f) << s;
    }
}

TEST_F(EditorGuiTest, MenusCopyPasteAndInitialise) {
    for (int k = 0; k < 4; ++k) {
        row(0).setStep(k, true);
    }
    row(0).setLane(Lane::Vol, 2, 0.25f);
    editor->showCurrentPattern();
    // "copy whole seq" in slot 1's menu, "paste whole seq" in slot 3's.
    press(slotMenuPoint(0), {menuOpen(), buttonStep(1, false), clickItem(11)});
    press(slotMenuPoint(2), {menuOpen(), buttonStep(1, false), clickItem(12)});
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        EXPECT_EQ(row(2).stepOn(k), k < 4) << k;
    }
    EXPECT_FLOAT_EQ(row(2).lane(Lane::Vol, 2), 0.25f);
    EXPECT_FLOAT_EQ(editor->row(2).steps().button(2)->value(), StepButton::shownValue(true, 0.25f));
    // "init full pattern" in the pattern menu clears every row of the pattern.
    press({382, 52}, {menuOpen(), buttonStep(1, false), clickItem(2)});
    for (int s = 0; s < 8; ++s) {
        EXPECT_FALSE(row(s).anyStepOn()) << s;
    }
    EXPECT_FLOAT_EQ(editor->row(2).steps().button(2)->value(), StepButton::shownValue(false, 1.0f));
}

TEST_F(EditorGuiTest, ReopeningShowsTheSameStateAndLeaksNothing) {
    std::deque<Step> drag;
    for (int k = 1; k < 5; ++k) {
        drag.push_back(moveStep(stepPoint(4, k)));
    }
    drag.push_back(buttonStep(1, false));
    press(stepPoint(4, 0), drag);
    click({608, 131 + 62 * 5}, 3);
    click({382, 102 + 62 * 6});
    dispatch(vst::effEditKeyDown, 'f');
    slot(7).volume = 0.2f;
    for (int i = 0; i < 12; ++i) {
        dispatch(vst::effEditClose);
        EXPECT_FALSE(editor->isOpen());
        if (i % 3 == 0) {
            // Hosts do not always pair open and close.
            ASSERT_EQ(dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        }
        openEditor();
    }
    EXPECT_EQ(editor->row(4).steps().button(3)->value(), StepButton::shownValue(true, 1.0f));
    EXPECT_EQ(editor->row(5).output->text(), "Out: 2");
    EXPECT_EQ(editor->row(6).mute->value(), 1.0f);
    EXPECT_EQ(editor->stepEditSwitch->value(), 0.5f);
    EXPECT_EQ(editor->row(7).volume->value(), 0.2f);
    EXPECT_EQ(editor->bpmDisplay->displayText(), "120");
    // And the reopened window still works.
    click(stepPoint(4, 6));
    EXPECT_TRUE(row(4).stepOn(6));
}

TEST_F(EditorGuiTest, ScreenshotOfTheWholeEditor) {
    std::deque<Step> drag;
    for (int k = 1; k < 6; ++k) {
        drag.push_back(moveStep(stepPoint(0, k, 4 * k)));
    }
    drag.push_back(buttonStep(1, false));
    press(stepPoint(0, 0), drag);
    for (int k = 0; k < PatternRow::kSteps; k += 4) {
        row(1).setStep(k, true);
        row(2).setStep(k + 2, true);
        row(2).setLane(Lane::Vol, k + 2, 0.25f * static_cast<float>(k / 4 + 1));
    }
    row(3).setLane(Lane::Vol, 5, 0.3f);
    editor->showCurrentPattern();
    slot(1).showSampleText("        03 : snare.wav");
    click(soloPoint(2));
    click({292, 52});
    render(2);
    pump(10);
    const Point origin = screen({0, 0});
    saveScreen(Rect::sized(origin.x, origin.y, Editor::kWidth, Editor::kHeight - 3),
               QUOVENT_BUILD_DIR "/editor-screenshot.png");
}

} // namespace
} // namespace quovent::test
