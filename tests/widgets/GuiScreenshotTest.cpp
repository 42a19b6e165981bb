// A frame holding a background and one control of each kind, photographed from the screen
// into the build folder (with the pop-up menu and the file dialog open too), and a frame
// whose X server goes away in the middle of a drag.

#include "platform/ChildProcess.hpp"
#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/FileSelector.hpp"
#include "widgets/Knob.hpp"
#include "widgets/KnobMode.hpp"
#include "widgets/MenuWindow.hpp"
#include "widgets/MessageDialog.hpp"
#include "widgets/MomentaryButton.hpp"
#include "widgets/PopupMenu.hpp"
#include "widgets/SplashControl.hpp"
#include "widgets/StepSwitchHorizontal.hpp"
#include "widgets/StepSwitchVertical.hpp"
#include "widgets/StripIndicator.hpp"
#include "widgets/TextDisplay.hpp"
#include "widgets/ToggleButton.hpp"
#include "widgets/VerticalSlider.hpp"

#include "GuiFixture.hpp"
#include "RecordingListener.hpp"
#include "TestSkin.hpp"
#include "platform/linux/X11WindowSystem.hpp"

#include <cstdio>

namespace quovent::test {
namespace {

TEST_F(GuiTest, ScreenshotOfEveryControlKind) {
    RecordingListener listener;
    auto* title = frame->add(std::make_unique<TextDisplay>(Rect{20, 44, 300, 62}, &listener, 0,
                                                           skin::displayBack(280, 18)));
    title->setText("        Set some dir with wav's..");
    title->setFont(6);
    title->setTextColor(colors::kBlue);
    title->setHoriAlign(0);
    // A button with rounded (transparent) corners lying on the field, as a slot's folder
    // button lies on its name field: the corners must show the field, not the panel.
    frame->add(std::make_unique<MomentaryButton>(Rect{21, 46, 41, 60}, &listener, 132,
                                                 skin::button(20, 14, "...")));
    auto* bpm = frame->add(
        std::make_unique<ValueDisplay>(Rect{320, 44, 380, 62}, &listener, 0, BitmapPtr{},
                                       displayStyle::kSunkenFrame | displayStyle::kShadowText));
    bpm->setMax(300.0f);
    bpm->setValue(120.0f);
    bpm->setValueToText([](float v) {
        char t[16];
        std::snprintf(t, sizeof t, "%.0f", static_cast<double>(v));
        return std::string(t);
    });
    bpm->setFont(3);
    bpm->setBackColor({30, 34, 40, 255});
    bpm->setTextColor({255, 200, 60, 255});
    bpm->setFrameColor({10, 10, 10, 255});
    bpm->setShadowColor({0, 0, 0, 255});
    auto* menu = frame->add(std::make_unique<PopupMenu>(Rect{400, 44, 520, 62}, &listener, 148));
    for (const char* t : {"copy pattern", "paste pattern", "-", "-Gclear clipboard", "init pattern",
                          "-Tlanes", "Vol", "Tune", "Freq"}) {
        menu->addEntry(t);
    }
    menu->setValue(4.0f);
    menu->setFont(2);
    menu->setBackColor({220, 220, 225, 255});
    menu->setStyle(displayStyle::kSunkenFrame | displayStyle::kRaisedFrame);
    auto* menuButton = frame->add(std::make_unique<PopupMenu>(
        Rect{530, 47, 548, 59}, &listener, 200, skin::menuButton(18, 12, false),
        skin::menuButton(18, 12, true), displayStyle::kNoText));
    menuButton->addEntry("copy sample");

    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{40, 150, 70, 180}, &listener, 153, skin::knob(30, 37), 37));
    knob->setValue(0.6f);
    auto* pan = frame->add(
        std::make_unique<Knob>(Rect{90, 155, 110, 175}, &listener, 157, skin::knob(20, 37), 37));
    pan->setValue(0.5f);
    auto* slider = frame->add(std::make_unique<VerticalSlider>(
        Rect{140, 135, 152, 190}, &listener, 141, skin::groove(12, 55), skin::handle(11, 18)));
    slider->setValue(0.7f);
    auto* slider2 = frame->add(std::make_unique<VerticalSlider>(
        Rect{165, 135, 177, 190}, &listener, 142, skin::groove(12, 55), skin::handle(11, 18)));
    slider2->setValue(0.2f);
    auto* hswitch = frame->add(std::make_unique<StepSwitchHorizontal>(
        Rect{200, 140, 253, 156}, &listener, 151,
        skin::switchStrip(53, 16, {"V", "T", "F", "R", "P"}, true), 5));
    hswitch->setValue(0.5f);
    auto* vswitch = frame->add(std::make_unique<StepSwitchVertical>(
        Rect{280, 140, 306, 180}, &listener, 156,
        skin::switchStrip(26, 40, {"OFF", "LP", "BP", "HP"}, false), 4));
    vswitch->setValue(1.0f / 3.0f);
    auto* toggle = frame->add(std::make_unique<ToggleButton>(Rect{330, 145, 352, 167}, &listener,
                                                             143, skin::lamp(22, 22)));
    toggle->setValue(1.0f);
    frame->add(std::make_unique<ToggleButton>(Rect{360, 145, 382, 167}, &listener, 144,
                                              skin::lamp(22, 22)));
    frame->add(std::make_unique<MomentaryButton>(Rect{400, 145, 440, 165}, &listener, 135,
                                                 skin::button(40, 20, "PREV")));
    auto* pressed = frame->add(std::make_unique<MomentaryButton>(
        Rect{445, 145, 485, 165}, &listener, 136, skin::button(40, 20, "NEXT")));
    pressed->setValue(1.0f);
    auto* lamp = frame->add(std::make_unique<StripIndicator>(Rect{510, 150, 522, 162}, &listener,
                                                             150, skin::lamp(12, 12), 2));
    lamp->setValue(1.0f);
    frame->add(std::make_unique<SplashControl>(Rect{230, 7, 350, 27}, &listener, 149,
                                               skin::splash(400, 120), Rect{120, 250, 520, 370}));
    frame->setDirty();
    input.pump(5);
    saveEditor("widgets-screenshot.png");

    // With the menu open below its control.
    const Point at{460, 53};
    input.move(at);
    input.play({[] { return MenuWindow::active() != nullptr; },
                [this] {
                    input.button(1, false);
                    const Rect item = MenuWindow::active()->itemScreenRect(7);
                    input.moveToScreen({item.left + 10, item.top + 5});
                    return true;
                },
                [this] {
                    saveEditor("widgets-menu-screenshot.png");
                    input.tap(XK_Escape);
                    return true;
                }});
    input.button(1, true);
    ASSERT_TRUE(input.pumpUntil([this] { return input.scriptDone(); }));

    // And the file dialog.
    FileSelectRequest request;
    request.title = "Select a Sample";
    request.initialPath = QUOVENT_BUILD_DIR;
    int waited = 0;
    input.play(
        {[] { return BuiltinFileDialog::active() != nullptr; }, [&] { return ++waited > 10; },
         [this] {
             input.tap(XK_Down);
             input.tap(XK_Down);
             return true;
         },
         [&] { return ++waited > 20; },
         [this] {
             saveScreen(BuiltinFileDialog::active()->screenRect(), "widgets-dialog-screenshot.png");
             input.tap(XK_Escape);
             return true;
         }});
    FileSelector selector(*frame, FileSelector::Backend::BuiltIn);
    EXPECT_EQ(selector.run(request), 0);

    // And a message box.
    input.play({[] { return BuiltinMessageDialog::active() != nullptr; },
                [&] { return ++waited > 30; },
                [this] {
                    saveScreen(BuiltinMessageDialog::active()->screenRect(),
                               "widgets-message-screenshot.png");
                    input.tap(XK_Escape);
                    return true;
                }});
    MessageDialog box(*frame, DialogBackend::BuiltIn);
    EXPECT_EQ(box.show("quovent v1.0",
                       "The sample file /samples/drums/kick 01.wav cannot be found. Do you want "
                       "to locate it?",
                       MessageDialog::Style::YesNo),
              MessageDialog::Answer::No);
    EXPECT_TRUE(listener.reports.empty());
}

// The X server goes away while a control tracks the mouse: the loop ends, the frame can be
// deleted, and the process lives on.
TEST(GuiServerTest, LosingTheServerDuringADragEndsTheLoop) {
    platform::ChildProcess server;
    if (platform::ChildProcess::findProgram("Xvfb").empty()) {
        GTEST_SKIP() << "Xvfb not installed";
    }
    ASSERT_TRUE(server.start(
        {"Xvfb", "-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"}));
    for (int i = 0; i < 500 && server.output().find('\n') == std::string::npos; ++i) {
        server.poll();
        usleep(10000);
    }
    ASSERT_NE(server.output().find('\n'), std::string::npos) << "Xvfb did not start";
    const std::string name = ":" + server.output().substr(0, server.output().find('\n'));

    // The host's window, kept by the server after its client leaves.
    Display* hostDisplay = XInput::openDisplay(name.c_str());
    ASSERT_NE(hostDisplay, nullptr);
    const Window parent =
        XCreateSimpleWindow(hostDisplay, DefaultRootWindow(hostDisplay), 0, 0, 200, 200, 0, 0, 0);
    XMapWindow(hostDisplay, parent);
    XSetCloseDownMode(hostDisplay, RetainPermanent);
    XInput input(hostDisplay, {}, {});
    input.moveToScreen({50, 50});

    GuiHost host;
    std::unique_ptr<FrameWindow> frame;
    host.frame = &frame;
    host.input = &input;
    frame = FrameWindow::open(platform::linux_x11::X11WindowSystem::open(name.c_str()), host,
                              parent, Rect{0, 0, 200, 200}, skin::background(200, 200));
    ASSERT_NE(frame, nullptr);
    RecordingListener listener;
    frame->add(std::make_unique<Knob>(Rect{30, 30, 70, 70}, &listener, 153, skin::knob(40, 5), 5));
    frame->idle();
    input.button(1, true); // held until the server dies
    XCloseDisplay(hostDisplay);

    input.play({[&] { return host.idles > 3; },
                [&] {
                    server.kill();
                    return true;
                }});
    for (int i = 0; i < 200 && !input.scriptDone(); ++i) {
        frame->idle();
        usleep(2000);
    }
    EXPECT_TRUE(input.scriptDone()) << "the drag never started";
    EXPECT_TRUE(frame->isClosing());
    EXPECT_LT(host.idles, 50) << "the tracking loop kept going without a server";
    EXPECT_EQ(frame->windowSystem().serveEvents(), -1);
    EXPECT_EQ(frame->mouseButtons(), 0u);
    frame.reset();
}

} // namespace
} // namespace quovent::test
