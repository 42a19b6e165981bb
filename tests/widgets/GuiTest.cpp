// Every control kind driven through real X11 windows with real pointer and key events:
// quick clicks on buttons, knob, slider, switches and splash, a knob drag, pop-up menus and
// a file dropped by an XDND source. The controls' logic is ControlsTest's; the built-in
// dialogs with real events are tests/dialogs'.

#include "widgets/Knob.hpp"
#include "widgets/KnobMode.hpp"
#include "widgets/MenuWindow.hpp"
#include "widgets/MomentaryButton.hpp"
#include "widgets/PopupMenu.hpp"
#include "widgets/SplashControl.hpp"
#include "widgets/StepSwitchHorizontal.hpp"
#include "widgets/StepSwitchVertical.hpp"
#include "widgets/TextDisplay.hpp"
#include "widgets/ToggleButton.hpp"
#include "widgets/VerticalSlider.hpp"

#include "GuiFixture.hpp"
#include "RecordingListener.hpp"
#include "TestSkin.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/XdndSource.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace quovent::test {

namespace {

namespace fs = std::filesystem;

// A text field that takes dropped files, as a slot's name field does.
class DropField : public TextDisplay {
public:
    using TextDisplay::TextDisplay;
    bool acceptsDrop(int type) const override { return type == platform::DropData::kFiles; }
    bool onDrop(DrawContext& /*context*/, const platform::DropData& data, Point where) override {
        paths = data.items;
        at = where;
        setText(data.items.empty() ? "" : data.items.front());
        return true;
    }
    std::vector<std::string> paths;
    Point at;
};

class ControlsGuiTest : public GuiTest {
protected:
    void TearDown() override {
        setKnobMode(kCircularMode);
        GuiTest::TearDown();
    }
    RecordingListener listener;
};

TEST_F(ControlsGuiTest, LinearKnobDragMovesOneTwoHundredthOfTheRangePerPixel) {
    setKnobMode(kLinearMode);
    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{100, 100, 130, 130}, &listener, 153, skin::knob(30, 37), 37));
    knob->setValue(0.3f);
    const Point c = centre(knob->rect());
    drag({c, {c.x + 15, c.y}, {c.x + 40, c.y}, {c.x + 40, c.y - 10}});
    EXPECT_NEAR(knob->value(), 0.3f + 50 * 0.005f, 1e-5);
    EXPECT_EQ(listener.reports.size(), 3u);
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 153", "end 153"}));
}

// Every control kind gets a click whose press and release are both queued before one idle
// of the host, with either button and with modifiers, and acts as if the button had been
// held that long.
TEST_F(ControlsGuiTest, QuickClicksBeforeOneIdleActOnEveryControlKind) {
    auto* kick = frame->add(std::make_unique<MomentaryButton>(Rect{20, 40, 60, 60}, &listener, 136,
                                                              skin::button(40, 20, "NEXT")));
    auto* toggle = frame->add(
        std::make_unique<ToggleButton>(Rect{80, 40, 102, 62}, &listener, 143, skin::lamp(22, 22)));
    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{100, 100, 130, 130}, &listener, 153, skin::knob(30, 37), 37));
    knob->setDefaultValue(1.0f);
    auto* slider = frame->add(std::make_unique<VerticalSlider>(
        Rect{200, 100, 212, 155}, &listener, 141, skin::groove(12, 55), skin::handle(11, 18)));
    slider->setDefaultValue(0.65f);
    auto* across = frame->add(std::make_unique<StepSwitchHorizontal>(
        Rect{300, 40, 353, 56}, &listener, 151,
        skin::switchStrip(53, 16, {"V", "T", "F", "R", "P"}, true), 5));
    auto* down = frame->add(std::make_unique<StepSwitchVertical>(
        Rect{380, 40, 406, 80}, &listener, 156,
        skin::switchStrip(26, 40, {"OFF", "LP", "BP", "HP"}, false), 4));
    auto* splash = frame->add(std::make_unique<SplashControl>(
        Rect{230, 7, 350, 27}, nullptr, 149, skin::splash(400, 120), Rect{120, 300, 520, 420}));

    input.quickClick(centre(kick->rect()));
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f}));
    input.quickClick(centre(toggle->rect()));
    EXPECT_EQ(toggle->value(), 1.0f);
    input.quickClick(centre(toggle->rect()), 1, {XK_Shift_L});
    EXPECT_EQ(toggle->value(), 0.0f);
    input.quickClick(centre(toggle->rect()), 3);
    EXPECT_EQ(toggle->value(), 0.0f) << "a toggle takes the left button only";
    input.quickClick({115, 100}); // straight above the centre: the middle of the sweep
    EXPECT_FLOAT_EQ(knob->value(), 0.5f);
    input.quickClick({115, 125}, 1, {XK_Control_L});
    EXPECT_EQ(knob->value(), 1.0f) << "control + left: the default";
    input.quickClick({105, 110}, 1, {XK_Alt_L}); // alt: linear, and a click moves nothing
    EXPECT_EQ(knob->value(), 1.0f);
    input.quickClick({206, 100 + 9 + 10});
    EXPECT_NEAR(slider->value(), 1.0f - 10.0f / 37.0f, 1e-5);
    input.quickClick({206, 150}, 1, {XK_Control_L});
    EXPECT_EQ(slider->value(), 0.65f);
    input.quickClick({300 + 35, 48});
    EXPECT_EQ(across->value(), 0.75f);
    input.quickClick({300 + 5, 48}, 1, {XK_Control_L});
    EXPECT_EQ(across->value(), 0.5f);
    input.quickClick({390, 40 + 25});
    EXPECT_FLOAT_EQ(down->value(), 2.0f / 3.0f);
    input.quickClick({240, 15}, 3);
    EXPECT_TRUE(splash->isShown());
    input.quickClick({300, 350});
    EXPECT_FALSE(splash->isShown());
    const auto begins = std::count_if(host.edits.begin(), host.edits.end(),
                                      [](const std::string& e) { return e.starts_with("begin"); });
    EXPECT_EQ(static_cast<std::size_t>(begins) * 2, host.edits.size()) << "brackets paired";
}

TEST_F(ControlsGuiTest, ThePressEventCarriesItsButtonsAndModifiers) {
    // A window of our own on a second connection, recording what the platform delivers.
    struct Recorder : platform::WindowHandler {
        void onEvent(const platform::Event& e) override {
            if (e.type == platform::EventType::MouseDown ||
                e.type == platform::EventType::MouseUp) {
                events.push_back(e);
            }
        }
        std::vector<platform::Event> events;
    } recorder;
    auto system = platform::createNativeWindowSystem();
    ASSERT_NE(system, nullptr);
    auto window = system->createChild(parent, Rect{0, 500, 100, 550}, recorder);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 5; ++i) {
        system->serveEvents();
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, parent, DefaultRootWindow(dpy), 50, 525, &x, &y, &child);
    input.moveToScreen({x, y});
    input.key(XK_Control_L, true);
    input.button(3, true);
    input.button(1, true);
    input.button(1, false);
    input.button(3, false);
    input.key(XK_Control_L, false);
    std::this_thread::sleep_for(XInput::kSlowHostIdle);
    system->serveEvents();
    ASSERT_EQ(recorder.events.size(), 4u);
    const unsigned ctrl = mouse::kControl;
    EXPECT_EQ(recorder.events[0].modifiers, ctrl | mouse::kRight);
    EXPECT_EQ(recorder.events[1].modifiers, ctrl | mouse::kRight | mouse::kLeft);
    EXPECT_EQ(recorder.events[2].modifiers, ctrl | mouse::kRight) << "a release without its button";
    EXPECT_EQ(recorder.events[3].modifiers, ctrl);
    EXPECT_EQ(recorder.events[3].button, 3);
}

class MenuGuiTest : public ControlsGuiTest {
protected:
    void SetUp() override {
        ControlsGuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        menu = frame->add(std::make_unique<PopupMenu>(Rect{300, 60, 318, 72}, &listener, 148,
                                                      skin::menuButton(18, 12, false),
                                                      skin::menuButton(18, 12, true)));
        menu->setStyle(displayStyle::kNoText);
        for (const char* t : {"copy pattern", "paste pattern", "-", "-Ggreyed", "init pattern"}) {
            menu->addEntry(t);
        }
        toggle = frame->add(std::make_unique<ToggleButton>(Rect{300, 200, 322, 222}, &listener, 143,
                                                           skin::lamp(22, 22)));
    }
    XInput::Step clickItem(int index) {
        return [this, index] {
            const Rect r = MenuWindow::active()->itemScreenRect(index);
            input.clickOnScreen(centre(r));
            return true;
        };
    }
    XInput::Step menuOpen() {
        return [] { return MenuWindow::active() != nullptr; };
    }
    PopupMenu* menu = nullptr;
    ToggleButton* toggle = nullptr;
};

TEST_F(MenuGuiTest, ChoosingAnItemReportsItsIndex) {
    press({305, 65}, {menuOpen(), input.buttonStep(1, false), clickItem(4)});
    EXPECT_EQ(MenuWindow::active(), nullptr);
    EXPECT_EQ(listener.values(), (std::vector<float>{4.0f}));
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 148", "end 148"}));
    // The right button opens and chooses too.
    press({305, 65}, {menuOpen(), input.buttonStep(3, false), clickItem(1)}, 3);
    EXPECT_EQ(listener.values(), (std::vector<float>{4.0f, 1.0f}));
}

TEST_F(MenuGuiTest, AQuickClickWithEitherButtonOpensTheMenuForAChoice) {
    input.play({menuOpen(), clickItem(1)});
    input.quickClick({305, 65});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f}));
    input.play({menuOpen(), clickItem(4)});
    input.quickClick({305, 65}, 3, {XK_Shift_L});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 4.0f}));
    EXPECT_EQ(MenuWindow::active(), nullptr);
    EXPECT_TRUE(input.scriptDone());
}

TEST_F(MenuGuiTest, DismissingReportsNothingAndTheClosingClickReachesNoControl) {
    menu->setValue(1.0f);
    // A click on the toggle while the menu is open closes the menu only.
    press({305, 65},
          {menuOpen(), input.buttonStep(1, false), input.moveStep(centre(toggle->rect())),
           input.buttonStep(1, true), input.buttonStep(1, false)});
    input.pump(10);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(toggle->value(), 0.0f);
    // Escape.
    press({305, 65}, {menuOpen(), input.buttonStep(1, false), [this] {
                          input.tap(XK_Escape);
                          return true;
                      }});
    EXPECT_EQ(MenuWindow::active(), nullptr);
    // Releasing on a separator or a greyed item chooses nothing; the menu stays.
    press({305, 65}, {menuOpen(), input.buttonStep(1, false), clickItem(2), clickItem(3), [this] {
                          EXPECT_NE(MenuWindow::active(), nullptr);
                          input.tap(XK_Escape);
                          return true;
                      }});
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(menu->value(), 1.0f);
}

TEST_F(ControlsGuiTest, AWindowDestroyedUnderADragEndsTheLoop) {
    setKnobMode(kLinearMode);
    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{100, 100, 130, 130}, &listener, 153, skin::knob(30, 37), 37));
    static_cast<void>(knob);
    // The host destroys its window (and with it ours) while the button is still down.
    input.move({115, 115});
    input.play({input.moveStep({120, 115}), [this] {
                    XDestroyWindow(dpy, parent);
                    XSync(dpy, False);
                    parent = 0;
                    return true;
                }});
    input.button(1, true);
    ASSERT_TRUE(input.pumpUntil([this] { return input.scriptDone(); }));
    EXPECT_TRUE(frame->isClosing());
    EXPECT_LT(host.idles, 100);
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 153", "end 153"}));
    input.button(1, false);
    frame->idle(); // still safe to serve and to delete
}

TEST_F(ControlsGuiTest, ADroppedFileArrivesAsItsResolvedPathWithType0) {
    const ScratchDirectory scratch{"quovent-drop"};
    const fs::path& dir = scratch.path();
    std::ofstream(dir / "my kick.wav") << "RIFF";
    fs::create_symlink(dir / "my kick.wav", dir / "link.wav");
    auto* field = frame->add(std::make_unique<DropField>(Rect{40, 300, 240, 314}, &listener, 137,
                                                         skin::displayBack(200, 14)));
    const auto target = static_cast<Window>(frame->window().nativeHandle());

    // The frame's window announces itself as a version 5 target.
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XdndSource source(dpy, "# from a test\r\nfile://" + dir.string() + "/link%2Ewav\r\n");
    ASSERT_EQ(XGetWindowProperty(dpy, target, source.atom("XdndAware"), 0, 1, False, XA_ATOM, &type,
                                 &format, &count, &after, &data),
              Success);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*reinterpret_cast<long*>(data), 5);
    XFree(data);

    const auto rootPos = [&](Point p) {
        const Point s = input.screen(p);
        return static_cast<long>((s.x << 16) | s.y);
    };
    const auto settle = [&](const std::function<bool()>& until) {
        return input.pumpUntil([&] {
            source.serve();
            return until();
        });
    };
    source.send(target, "XdndEnter", 5L << 24, static_cast<long>(source.atom("text/uri-list")), 0,
                0);
    // Over an empty part of the frame: refused.
    source.send(target, "XdndPosition", 0, rootPos({400, 400}), CurrentTime,
                static_cast<long>(source.atom("XdndActionCopy")));
    ASSERT_TRUE(settle([&] { return source.statuses == 1; }));
    EXPECT_FALSE(source.accepted);
    // Over the field: accepted as a copy.
    source.send(target, "XdndPosition", 0, rootPos({60, 305}), CurrentTime,
                static_cast<long>(source.atom("XdndActionCopy")));
    ASSERT_TRUE(settle([&] { return source.statuses == 2; }));
    EXPECT_TRUE(source.accepted);
    EXPECT_EQ(source.action, source.atom("XdndActionCopy"));
    source.send(target, "XdndDrop", 0, CurrentTime, 0, 0);
    ASSERT_TRUE(settle([&] { return source.finished; }));
    EXPECT_TRUE(source.finishedAccepted);
    EXPECT_EQ(field->paths,
              (std::vector<std::string>{fs::canonical(dir / "my kick.wav").string()}));
    EXPECT_EQ(field->at, (Point{60, 305}));
}

} // namespace
} // namespace quovent::test
