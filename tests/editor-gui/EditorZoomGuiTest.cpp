// The editor at every zoom, end to end, on an X server of the test's own (a screen large
// enough for 200 %, and a resource database no other test reads), through the plug-in entry
// (Vst2EditorFixture). The pointer and keys are real (XTest) and land on the window's pixels,
// so at 200 % a press at unit (x, y) is a press at pixel (2x, 2y).
//
// What it shows: screenshots at each zoom (build/editor-zoom-<percent>.png) that agree with
// the 100 % picture once scaled down; labels that fit their fields and menu rows; the same
// model values from the same gestures at every zoom; the desktop's factor read from Xft.dpi
// and the environment; a host that refuses to resize leaving a usable window.
#include "platform/UserSettings.hpp"
#include "platform/linux/CairoCanvas.hpp"
#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/MenuWindow.hpp"

#include "tests/editor-gui/Vst2EditorFixture.hpp"
#include "tests/support/TestWav.hpp"
#include "tests/widgets/PrivateXServer.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using platform::Scale;
using Picture = EditorWindowFixture::Picture;

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 1300;

// How a zoomed picture compares with the 100 % one once each 100 % pixel takes the average
// of the zoomed pixels its unit covers: the mean difference per channel (0..255) and the
// share of pixels off by more than a quarter of the range on some channel (text, whose
// hinting differs by size, makes most of those).
struct Agreement {
    double meanDifference = 0;
    double farOff = 0;
};

Agreement compare(const Picture& one, const Picture& zoomed, Scale scale) {
    Agreement a;
    long total = 0;
    long far = 0;
    long count = 0;
    for (int y = 0; y < one.height; ++y) {
        for (int x = 0; x < one.width; ++x) {
            const Rect area = scale.toPixels(Rect{x, y, x + 1, y + 1});
            if (area.right > zoomed.width || area.bottom > zoomed.height) {
                continue;
            }
            std::array<long, 3> sum{};
            for (int v = area.top; v < area.bottom; ++v) {
                for (int u = area.left; u < area.right; ++u) {
                    const std::uint32_t p = zoomed.at(u, v);
                    sum[0] += (p >> 16) & 0xFF;
                    sum[1] += (p >> 8) & 0xFF;
                    sum[2] += p & 0xFF;
                }
            }
            const long n = static_cast<long>(area.width()) * area.height();
            const std::uint32_t q = one.at(x, y);
            const std::array<long, 3> ref{(q >> 16) & 0xFF, (q >> 8) & 0xFF, q & 0xFF};
            bool isFar = false;
            for (int c = 0; c < 3; ++c) {
                const long d = std::labs(sum[static_cast<std::size_t>(c)] / n -
                                         ref[static_cast<std::size_t>(c)]);
                total += d;
                isFar = isFar || d > 64;
            }
            far += isFar ? 1 : 0;
            ++count;
        }
    }
    a.meanDifference = static_cast<double>(total) / (3.0 * static_cast<double>(count));
    a.farOff = static_cast<double>(far) / static_cast<double>(count);
    return a;
}

// What a set of gestures left in the model, compared between zooms.
struct Outcome {
    std::vector<bool> painted;
    std::vector<float> lane;
    float knobByAngle = 0;
    float knobLinear = 0;
    float slider = 0;
    float fineSlider = 0;
    std::vector<bool> pasted;
    std::string dropped;
    int output = 0;
    int pattern = 0;
    int lanePicked = 0;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

class EditorZoomGuiTest : public Vst2EditorFixture {
protected:
    void SetUp() override {
        server = std::make_unique<PrivateXServer>(kScreenWidth, kScreenHeight);
        if (server->display().empty()) {
            GTEST_SKIP() << "Xvfb could not be started";
        }
        Vst2EditorFixture::SetUp();
    }
    void TearDown() override {
        Vst2EditorFixture::TearDown();
        server.reset();
    }

    // The same gestures at any zoom; what they did to the model.
    Outcome gestures() {
        Outcome o;
        // Paint: a left drag over the first eight steps of slot 1, at changing heights.
        std::vector<Point> path{stepPoint(0, 0)};
        for (int k = 1; k < 8; ++k) {
            path.push_back(stepPoint(0, k, 3 + 4 * k));
        }
        drag(path);
        for (int k = 0; k < 10; ++k) {
            o.painted.push_back(row(0).stepOn(k));
        }
        // A right drag writes the height of the pointer into the lane of every step passed.
        drag({stepPoint(1, 0, 0), stepPoint(1, 1, 5), stepPoint(1, 2, 11), stepPoint(1, 3, 23),
              stepPoint(1, 4, 33)},
             3);
        for (int k = 0; k < 6; ++k) {
            o.lane.push_back(row(1).lane(Lane::Vol, k));
        }
        // FREQ of slot 3 by angle; RES of slot 3 linearly after the host's knob mode 2.
        const Rect freq = editor->row(2).freq->rect();
        const Point fc = centre(freq);
        drag({{fc.x - 8, fc.y + 6},
              {fc.x - 9, fc.y - 3},
              {fc.x + 2, fc.y - 12},
              {fc.x + 11, fc.y - 4}});
        o.knobByAngle = editor->row(2).freq->value();
        dispatch(vst::effSetEditKnobMode, 0, 2);
        const Point rc = centre(editor->row(2).res->rect());
        drag({rc, {rc.x + 7, rc.y}, {rc.x + 13, rc.y - 9}, {rc.x + 13, rc.y - 21}});
        o.knobLinear = editor->row(2).res->value();
        dispatch(vst::effSetEditKnobMode, 0, 0);
        // The VOL slider of slot 4: a drag, then a fine move with shift.
        const Rect vol = editor->row(3).volume->rect();
        drag({{vol.left + 6, vol.top + 30},
              {vol.left + 6, vol.top + 17},
              {vol.left + 5, vol.top + 12}});
        o.slider = editor->row(3).volume->value();
        press({vol.left + 6, vol.top + 12},
              {input.keyStep(XK_Shift_L, true), input.moveStep({vol.left + 6, vol.top + 22}),
               input.moveStep({vol.left + 6, vol.top + 33}), input.buttonStep(1, false),
               input.keyStep(XK_Shift_L, false)});
        o.fineSlider = editor->row(3).volume->value();
        // Menus: "copy whole seq" from slot 1's menu, "paste whole seq" into slot 5.
        press(centre(editor->row(0).menu->rect()),
              {menuOpen(), input.buttonStep(1, false), clickItem(11)});
        press(centre(editor->row(4).menu->rect()),
              {menuOpen(), input.buttonStep(1, false), clickItem(12)});
        for (int k = 0; k < 10; ++k) {
            o.pasted.push_back(row(4).stepOn(k));
        }
        // A file dropped on slot 6's name field.
        const fs::path wav = scratch.path() / "kick.wav";
        TestWav::constant(4410, 12000).write(wav);
        EXPECT_TRUE(dropFile(wav, centre(editor->row(5).name->rect())));
        o.dropped = editor->row(5).name->text();
        EXPECT_EQ(slot(5).samplePath(), fs::canonical(wav).string());
        EXPECT_EQ(slot(5).sample.frameCount(), 4410);
        EXPECT_TRUE(Slot::isPlaceholder(slot(4).samplePath())) << "no other slot";
        // The output field: two right clicks up, one left click down.
        const Point out = centre(editor->row(6).output->rect());
        click(out, 3);
        click(out, 3);
        click({out.x + 9, out.y - 3}, 1);
        o.output = slot(6).outputPair;
        // A pattern key and the StepEdit switch.
        click({394 + 16 * 5 + 3, 50});
        o.pattern = editor->sequencer().patterns().currentPattern();
        click({143 + 33, 43});
        o.lanePicked = editor->stepEditLane();
        return o;
    }

    // A state with something in every kind of control, for pictures and label checks.
    void showcase() {
        for (int beat = 0; beat < 4; ++beat) {
            row(0).setStep(4 * beat, true);
            row(1).setStep(4 * beat + 2, true);
            row(1).setLane(Lane::Vol, 4 * beat + 2, 0.25f * static_cast<float>(beat + 1));
        }
        row(2).setLane(Lane::Vol, 5, 0.3f);
        editor->showCurrentPattern();
        for (int s = 0; s < 6; ++s) {
            slot(s).outputPair = s + 1;
            editor->row(s).showSettings();
        }
        slot(1).showSampleText("        03 : snare.wav");
        editor->showSampleBaseText("/home/musician/Samples/Drums");
        editor->sequencer().liveVoices = 128;
        time.tempo = 174.0;
        editor->sequencer().tempo = 174.0f;
        input.pump(10);
    }

    static std::string shot(int percent) {
        return "editor-zoom-" + std::to_string(percent) + ".png";
    }

    std::unique_ptr<PrivateXServer> server;
};

TEST_F(EditorZoomGuiTest, ScreenshotsAtEveryZoomAgreeWithTheOneAt100) {
    std::map<int, Picture> pictures;
    for (const int percent : EditorZoom::kOffered) {
        SCOPED_TRACE(percent);
        openInstance(percent);
        ASSERT_EQ(scale().percent(), percent);
        showcase();
        pictures[percent] = saveEditor(shot(percent));
    }
    const Picture& one = pictures[100];
    ASSERT_EQ(one.width, 657);
    for (const int percent : {150, 200}) {
        SCOPED_TRACE(percent);
        const Picture& zoomed = pictures[percent];
        ASSERT_EQ(zoomed.width, Scale{percent}.toPixels(657));
        const Agreement a = compare(one, zoomed, Scale{percent});
        std::printf("zoom %d: mean difference %.2f, %.2f %% of pixels far off\n", percent,
                    a.meanDifference, 100.0 * a.farOff);
        // At 200 % every unit is a 2 x 2 block and the pictures agree closely; at 150 % a
        // unit is one or two pixels wide by where it lies, which blurs the averages a little.
        EXPECT_LT(a.meanDifference, percent == 200 ? 3.0 : 6.0);
        EXPECT_LT(a.farOff, percent == 200 ? 0.02 : 0.04);
    }
}

TEST_F(EditorZoomGuiTest, NoLabelIsCutOffAtAnyZoom) {
    for (const int percent : EditorZoom::kOffered) {
        SCOPED_TRACE(percent);
        openInstance(percent);
        showcase();
        auto& canvas =
            dynamic_cast<platform::linux_x11::CairoCanvas&>(editor->frame()->window().canvas());
        int checked = 0;
        for (std::size_t i = 0; i < editor->frame()->controlCount(); ++i) {
            const auto* display = dynamic_cast<const ValueDisplay*>(editor->frame()->control(i));
            if (display == nullptr ||
                (display->style() & (displayStyle::kNoText | displayStyle::kNoDraw)) != 0) {
                continue;
            }
            const std::string text = display->displayText();
            if (text.find_first_not_of(' ') == std::string::npos) {
                continue;
            }
            platform::TextStyle style;
            style.font = display->font();
            style.fontStyle = display->fontStyle();
            style.align = display->horiAlign() == 0   ? platform::TextAlign::Left
                          : display->horiAlign() == 2 ? platform::TextAlign::Right
                                                      : platform::TextAlign::Center;
            Rect area = display->rect();
            const Rect field = canvas.toPixels(area);
            if (style.align == platform::TextAlign::Left) {
                area.left += 1;
            }
            const Rect ink = canvas.textInkBox(text, area, style);
            EXPECT_EQ(ink.intersection(field), ink)
                << '"' << text << "\" in (" << field.left << "," << field.top << ")-("
                << field.right << "," << field.bottom << ")";
            // Nor hidden under a control drawn over the field (a folder button lies on the
            // left end of the name and sample base fields; the blanks keep text clear).
            for (std::size_t j = i + 1; j < editor->frame()->controlCount(); ++j) {
                const Control* above = editor->frame()->control(j);
                if (dynamic_cast<const SplashControl*>(above) == nullptr &&
                    above->rect().intersects(display->rect())) {
                    EXPECT_TRUE(ink.intersection(canvas.toPixels(above->rect())).empty())
                        << '"' << text << "\" under the control with tag " << above->tag();
                }
            }
            ++checked;
        }
        EXPECT_GE(checked, 8 + 8 + 3) << "names, outputs, readouts and the sample base";

        // Every item of the pattern menu fits its row.
        press(centre(editor->patternMenu->rect()),
              {menuOpen(),
               [&] {
                   const MenuWindow& menu = *MenuWindow::active();
                   auto& c = dynamic_cast<platform::linux_x11::CairoCanvas&>(
                       const_cast<platform::Window*>(menu.window())->canvas());
                   for (int k = 0; k < menu.model().size(); ++k) {
                       const MenuItem& item = menu.model().item(k);
                       if (item.kind == MenuItem::Kind::Separator) {
                           continue;
                       }
                       Rect r = menu.layout().items[static_cast<std::size_t>(k)];
                       const Rect row = c.toPixels(r);
                       r.left += MenuModel::kTextInset;
                       platform::TextStyle style;
                       style.font = menu.font();
                       const Rect ink = c.textInkBox(item.text, r, style);
                       EXPECT_EQ(ink.intersection(row), ink) << item.text;
                   }
                   saveScreen(scale().toPixels(menu.screenRect()),
                              "editor-zoom-menu-" + std::to_string(percent) + ".png");
                   input.tap(XK_Escape);
                   return true;
               },
               input.buttonStep(1, false)});
    }
}

TEST_F(EditorZoomGuiTest, RealPointerEventsAt200GiveTheValuesTheyGiveAt100) {
    std::map<int, Outcome> outcomes;
    for (const int percent : EditorZoom::kOffered) {
        SCOPED_TRACE(percent);
        openInstance(percent);
        outcomes[percent] = gestures();
    }
    const Outcome& one = outcomes[100];
    // The gestures did something worth comparing.
    EXPECT_EQ(one.painted,
              (std::vector<bool>{true, true, true, true, true, true, true, true, false, false}));
    EXPECT_FLOAT_EQ(one.lane[0], 1.0f);
    EXPECT_FLOAT_EQ(one.lane[3], 11.0f / 34.0f);
    EXPECT_FLOAT_EQ(one.lane[5], 1.0f) << "a step not passed keeps its value";
    EXPECT_NE(one.knobByAngle, 1.0f);
    EXPECT_NEAR(one.knobLinear, 34.0f / 200.0f, 1e-5f) << "34 units right and up";
    EXPECT_EQ(one.pasted, one.painted);
    EXPECT_NE(one.dropped.find("kick.wav"), std::string::npos) << one.dropped;
    EXPECT_EQ(one.output, 2);
    EXPECT_EQ(one.pattern, 5);
    EXPECT_EQ(one.lanePicked, 3);
    for (const int percent : {150, 200}) {
        EXPECT_TRUE(outcomes[percent] == one) << percent;
    }
}

TEST_F(EditorZoomGuiTest, TheDesktopFactorComesFromXftDpiThenTheEnvironment) {
    const auto xrdb = [](const std::string& resources) {
        const std::string command = "xrdb " + resources + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    };
    const auto desktop = [] {
        auto system = platform::createNativeWindowSystem();
        return system ? system->desktopScale() : -1.0;
    };
    const auto answered = [this] {
        openInstance(0); // follow the desktop
        return rectSize();
    };
    std::ofstream(scratch.path() / "dpi") << "Xft.dpi: 144\n";
    ASSERT_TRUE(xrdb("-merge " + (scratch.path() / "dpi").string()));
    EXPECT_DOUBLE_EQ(desktop(), 1.5);
    EXPECT_EQ(answered(), (Size{986, 885}));
    EXPECT_EQ(scale().percent(), 150);
    ::setenv("GDK_SCALE", "2", 1);
    EXPECT_DOUBLE_EQ(desktop(), 1.5) << "the display's own setting comes first";

    ASSERT_TRUE(xrdb("-remove"));
    EXPECT_DOUBLE_EQ(desktop(), 2.0);
    EXPECT_EQ(answered(), (Size{1314, 1180}));
    ::unsetenv("GDK_SCALE");
    ::setenv("QT_SCALE_FACTOR", "1.6", 1);
    EXPECT_DOUBLE_EQ(desktop(), 1.6);
    EXPECT_EQ(answered(), (Size{986, 885}));
    ::unsetenv("QT_SCALE_FACTOR");
    // Which factor wins over which, nonsense values and a kept choice: DesktopScaleTest and
    // EditorZoomTest.
}

TEST_F(EditorZoomGuiTest, AZoomChosenFromThePatternMenuResizesOrWaitsForTheNextOpen) {
    // A host that refuses: the choice is kept and told, the window stays as it was.
    openInstance(200);
    press(centre(editor->patternMenu->rect()),
          {menuOpen(), input.buttonStep(1, false), clickItem(Editor::kFirstZoomItem), // Zoom 100 %
           [&] { return BuiltinMessageDialog::active() != nullptr; },
           [&] {
               // The message box at the window's zoom, for a look.
               const Rect r = BuiltinMessageDialog::active()->screenRect();
               saveScreen(scale().toPixels(r), "editor-zoom-message-200.png");
               input.tap(XK_Return);
               return true;
           }});
    ASSERT_TRUE(input.pumpUntil([] { return BuiltinMessageDialog::active() == nullptr; }));
    ASSERT_EQ(sizeRequests.size(), 1u);
    EXPECT_EQ(sizeRequests[0], (Size{657, 590}));
    EXPECT_EQ(scale().percent(), 200);
    EXPECT_EQ(rectSize(), (Size{1314, 1180}));
    click(stepPoint(2, 3));
    EXPECT_TRUE(row(2).stepOn(3)) << "the window still works";
    int kept = 0;
    ASSERT_EQ(UserSettings::readZoom(kept), UserSettings::ReadResult::Found);
    EXPECT_EQ(kept, 100);
    dispatch(vst::effEditClose);
    EXPECT_EQ(rectSize(), (Size{657, 590}));
    resizeParent({657, 590});
    openEditor();
    EXPECT_EQ(scale().percent(), 100);
    EXPECT_TRUE(row(2).stepOn(3));

    // A host that resizes: the window is rebuilt at once, and works at its new zoom.
    hostResizes = true;
    press(centre(editor->patternMenu->rect()),
          {menuOpen(), input.buttonStep(1, false), clickItem(Editor::kFirstZoomItem + 1)});
    ASSERT_EQ(sizeRequests.size(), 2u);
    EXPECT_EQ(sizeRequests[1], (Size{986, 885}));
    EXPECT_EQ(scale().percent(), 150);
    EXPECT_EQ(rectSize(), (Size{986, 885}));
    click(stepPoint(2, 4));
    EXPECT_TRUE(row(2).stepOn(4));
    saveEditor("editor-zoom-rebuilt.png");
}

TEST_F(EditorZoomGuiTest, TheBuiltInFileDialogScalesWithTheWindow) {
    openInstance(200);
    std::string title;
    press(centre(editor->importButton->rect()),
          {input.buttonStep(1, false), [] { return BuiltinFileDialog::active() != nullptr; },
           [&] {
               const Rect r = BuiltinFileDialog::active()->screenRect();
               // The dialog's units are the window's: twice the pixels on the screen.
               EXPECT_GE(scale().toPixels(r).width(), 2 * r.width());
               saveScreen(scale().toPixels(r), "editor-zoom-file-200.png");
               input.tap(XK_Escape);
               return true;
           }});
    ASSERT_TRUE(input.pumpUntil([] { return BuiltinFileDialog::active() == nullptr; }));
    click(stepPoint(0, 0));
    EXPECT_TRUE(row(0).stepOn(0));
}

} // namespace
} // namespace quovent::test
