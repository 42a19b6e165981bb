// The controls' mouse behaviour and drawing on the display-free backend: knob modes and
// math, slider free click, fine mode and clamping, switch bands, buttons, indicators, text
// displays and the splash picture.
#include "StubFrame.hpp"

#include "widgets/Knob.hpp"
#include "widgets/KnobMode.hpp"
#include "widgets/MomentaryButton.hpp"
#include "widgets/SplashControl.hpp"
#include "widgets/StepSwitchHorizontal.hpp"
#include "widgets/StepSwitchVertical.hpp"
#include "widgets/StripIndicator.hpp"
#include "widgets/TextDisplay.hpp"
#include "widgets/ToggleButton.hpp"
#include "widgets/VerticalSlider.hpp"

#include <algorithm>
#include <cmath>

namespace quovent::test {
namespace {

constexpr unsigned kLeft = mouse::kLeft;

class ControlsTest : public StubFrameTest {
protected:
    void TearDown() override { setKnobMode(kCircularMode); }

    Knob* addKnob(Rect r = {100, 100, 130, 130}) {
        auto* k =
            frame->add(std::make_unique<Knob>(r, &listener, 153, solidBitmap(30, 30 * 37), 37));
        k->setDefaultValue(0.75f);
        return k;
    }
};

TEST_F(ControlsTest, LinearKnobMovesByOneTwoHundredthOfTheRangePerPixel) {
    setKnobMode(kLinearMode);
    Knob* knob = addKnob();
    knob->setValue(0.5f);
    // Right 10, then up 10 more: 20 pixels.
    press({115, 115}, kLeft, {{{125, 115}, kLeft}, {{125, 105}, kLeft}, {{125, 105}, 0}});
    EXPECT_FLOAT_EQ(knob->value(), 0.6f);
    ASSERT_EQ(listener.reports.size(), 2u) << "one report per change";
    EXPECT_FLOAT_EQ(listener.reports[0].value, 0.55f);
    EXPECT_EQ(listener.reports[0].tag, 153);
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 153", "end 153"}));

    // Left/down lowers it; the value stops at the minimum.
    press({115, 115}, kLeft, {{{15, 215}, kLeft}, {{15, 215}, 0}});
    EXPECT_FLOAT_EQ(knob->value(), 0.0f);

    // A range other than 0..1 scales the step.
    knob->setMin(-2.0f);
    knob->setMax(2.0f);
    knob->setValue(0.0f);
    press({115, 115}, kLeft, {{{125, 115}, kLeft}, {{125, 115}, 0}});
    EXPECT_FLOAT_EQ(knob->value(), 0.2f);
}

TEST_F(ControlsTest, ShiftMakesALinearDragOneAndAHalfTimesSlowerFromWhereItWasPressed) {
    setKnobMode(kLinearMode);
    Knob* knob = addKnob();
    knob->setValue(0.2f);
    const unsigned shift = kLeft | mouse::kShift;
    // 20 px plain (+0.1), then shift goes down at x 135 and 30 px more (+0.1).
    press({115, 115}, kLeft,
          {{{135, 115}, kLeft}, {{135, 115}, shift}, {{165, 115}, shift}, {{165, 115}, 0}});
    EXPECT_NEAR(knob->value(), 0.4f, 1e-6);
}

TEST_F(ControlsTest, KnobModeAndAltChooseBetweenAngleAndLinear) {
    Knob* knob = addKnob();
    // Centre (115, 115). Straight up is the middle of the sweep in angle mode.
    const auto dragUpFromRight = [&](unsigned buttons) {
        knob->setValue(0.1f);
        press({120, 115}, buttons, {{{115, 80}, buttons}, {{115, 80}, 0}});
        return knob->value();
    };
    setKnobMode(kCircularMode);
    EXPECT_NEAR(dragUpFromRight(kLeft), 0.5f, 1e-6) << "angle";
    EXPECT_NEAR(dragUpFromRight(kLeft | mouse::kAlt), 0.1f + 30 * 0.005f, 1e-6) << "alt: linear";
    setKnobMode(kLinearMode);
    EXPECT_NEAR(dragUpFromRight(kLeft), 0.1f + 30 * 0.005f, 1e-6) << "linear";
    EXPECT_NEAR(dragUpFromRight(kLeft | mouse::kAlt), 0.5f, 1e-6) << "alt: angle";
}

TEST_F(ControlsTest, AngleMapsTwoHundredSeventyDegreesFromLowerLeftClockwise) {
    Knob* knob = addKnob({0, 0, 100, 100});                     // centre (50, 50)
    EXPECT_NEAR(knob->valueFromAngle({0, 100}), 0.0f, 1e-6);    // 225 degrees
    EXPECT_NEAR(knob->valueFromAngle({0, 50}), 1.0f / 6, 1e-6); // 180 degrees
    EXPECT_NEAR(knob->valueFromAngle({50, 0}), 0.5f, 1e-6);     // straight up
    EXPECT_NEAR(knob->valueFromAngle({100, 100}), 1.0f, 1e-6);  // -45 degrees
    EXPECT_NEAR(knob->valueFromAngle({40, 100}), 0.0f, 1e-6) << "gap, nearer the minimum";
    EXPECT_NEAR(knob->valueFromAngle({60, 100}), 1.0f, 1e-6) << "gap, nearer the maximum";

    // Crossing the gap must not jump across the range.
    EXPECT_EQ(Knob::wrapAngleStep(0.95f, 0.05f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(Knob::wrapAngleStep(0.05f, 0.95f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(Knob::wrapAngleStep(0.40f, 0.60f, 0.0f, 1.0f), 0.60f);

    knob->setValue(0.95f);
    setKnobMode(kCircularMode);
    press({90, 90}, kLeft, {{{40, 100}, kLeft}, {{40, 100}, 0}});
    EXPECT_EQ(knob->value(), 1.0f) << "dragged past the maximum into the gap";
}

TEST_F(ControlsTest, APressOverBeforeItIsServedActsAtItsOwnPointWithItsOwnModifiers) {
    // quickClick leaves the pointer elsewhere and every button and key up by the time the
    // press is served: the first pass must go by the press event alone.
    auto* button = frame->add(std::make_unique<MomentaryButton>(Rect{10, 10, 50, 30}, &listener,
                                                                136, solidBitmap(40, 40)));
    Knob* knob = addKnob(); // default 0.75
    auto* across = frame->add(std::make_unique<StepSwitchHorizontal>(
        Rect{200, 10, 253, 26}, &listener, 151, solidBitmap(53, 80), 5));
    quickClick({30, 20});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f})) << "pressed, then released";
    EXPECT_EQ(button->value(), 0.0f);
    quickClick({128, 128}, kLeft | mouse::kControl);
    EXPECT_EQ(knob->value(), 0.75f);
    quickClick({200 + 35, 18});
    EXPECT_EQ(across->value(), 0.75f);
    quickClick({200 + 35, 18}, mouse::kRight);
    EXPECT_EQ(across->value(), 0.75f) << "the left button only";
    EXPECT_EQ(host.idles, 2) << "one pass each for the button and the switch";
}

TEST_F(ControlsTest, AQuickSecondClickIsHandledAfterTheFirstAndAHeldOneKeepsItsDrag) {
    host.serve = frame.get(); // the modal idle serves the window, as the editor's does
    auto* toggle = frame->add(
        std::make_unique<ToggleButton>(Rect{60, 10, 80, 30}, &listener, 143, solidBitmap(20, 40)));
    auto* button = frame->add(std::make_unique<MomentaryButton>(Rect{10, 10, 50, 30}, &listener,
                                                                136, solidBitmap(40, 40)));
    // Two taps on the button queued before one idle: two presses, each reported 1 then 0.
    ws->buttons = 0;
    postClick({30, 20}, kLeft);
    postClick({30, 20}, kLeft);
    frame->idle();
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(button->value(), 0.0f);

    // A tap on the button, then a press on the toggle that is still held: the button's
    // loop ends at its release although a button is down, and the toggle gets its press.
    listener.reports.clear();
    postClick({30, 20}, kLeft);
    platform::Event press;
    press.type = platform::EventType::MouseDown;
    press.position = {70, 20};
    press.button = 1;
    press.modifiers = kLeft;
    ws->post(*window, press);
    ws->buttons = kLeft;
    ws->pointerOnScreen = {30, 20};
    frame->idle();
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(toggle->value(), 1.0f);
    EXPECT_LT(host.idles, 10);
    host.serve = nullptr;
}

TEST_F(ControlsTest, KnobDrawsTheIntegerPartOfValueTimesFramesMinusOne) {
    Knob* knob = addKnob();
    knob->setValue(0.999f);
    EXPECT_EQ(knob->frameIndex(), 35);
    knob->setValue(1.0f);
    EXPECT_EQ(knob->frameIndex(), 36);
    knob->setValue(0.5f);
    calls().clear();
    knob->draw(window->canvas());
    // The knob's own frame (the frame's background under it comes first, from (100, 100)).
    const auto image = std::find_if(calls().begin(), calls().end(), [](const DrawCall& c) {
        return c.kind == DrawCall::Kind::Image && c.viaOffscreen && c.from.x == 0;
    });
    ASSERT_NE(image, calls().end());
    EXPECT_EQ(image->from, (Point{0, 18 * 30})) << "frame 18 of 30 pixels";
}

class SliderTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        // The editor's volume slider: groove 12 x 55 with an 18 pixel handle at (449, 84).
        slider = frame->add(std::make_unique<VerticalSlider>(
            Rect{49, 84, 61, 139}, &listener, 141, solidBitmap(12, 55), solidBitmap(11, 18)));
    }
    VerticalSlider* slider = nullptr;
};

TEST_F(SliderTest, FreeClickPutsTheHandleCentreUnderThePointerAndClamps) {
    EXPECT_EQ(slider->travel(), 37);
    click({55, 84 + 9}); // centre of a handle at the top
    EXPECT_FLOAT_EQ(slider->value(), 1.0f);
    EXPECT_EQ(slider->handleTop(), 84);
    click({55, 84 + 9 + 37}); // centre of a handle at the bottom
    EXPECT_FLOAT_EQ(slider->value(), 0.0f);
    click({55, 84 + 9 + 10});
    EXPECT_NEAR(slider->value(), 1.0f - 10.0f / 37, 1e-6);
    // Far above and below the groove: held at the ends on every pass.
    press({55, 100}, kLeft, {{{55, 0}, kLeft}, {{55, 400}, kLeft}, {{55, 400}, 0}});
    EXPECT_EQ(slider->value(), 0.0f);
    const std::vector<float> v = listener.values();
    EXPECT_EQ(v[v.size() - 2], 1.0f);
    EXPECT_EQ(v.back(), 0.0f);
}

TEST_F(SliderTest, ShiftMovesOneTenthFromTheValueWhenShiftWentDown) {
    const unsigned shift = kLeft | mouse::kShift;
    // Handle centred at the middle (value 0.5 at y 84 + 9 + 18.5), shift there, 37 px down.
    press({55, 111}, kLeft, {{{55, 111}, shift}, {{55, 148}, shift}, {{55, 148}, 0}});
    const float atShift = 1.0f - (111 - 9 - 84) / 37.0f;
    EXPECT_NEAR(slider->value(), atShift - 0.1f, 1e-5);
}

TEST_F(SliderTest, WithoutFreeClickOnlyAPressOnTheHandleGrabsItWhereItWasPressed) {
    slider->setFreeClick(false);
    slider->setValue(1.0f); // handle 84..102
    click({55, 130});
    EXPECT_EQ(slider->value(), 1.0f);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_TRUE(host.edits.empty()) << "an ignored press is no edit";
    // Grabbed 4 px below its top and moved 10 px down.
    press({55, 88}, kLeft, {{{55, 98}, kLeft}, {{55, 98}, 0}});
    EXPECT_NEAR(slider->value(), 1.0f - 10.0f / 37, 1e-6);
}

TEST_F(SliderTest, DrawsGrooveAndHandleOffscreenAndCopiesThemInOnePiece) {
    slider->setValue(0.0f);
    calls().clear();
    slider->draw(window->canvas());
    ASSERT_EQ(calls().front().kind, DrawCall::Kind::Canvas);
    EXPECT_EQ(calls().front().rect, (Rect{49, 84, 61, 139}));
    std::vector<Rect> images;
    for (const DrawCall& c : calls()) {
        if (c.kind == DrawCall::Kind::Image) {
            images.push_back(c.rect);
        }
    }
    // Frame background under the slider, the groove, the handle at the bottom.
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[1], (Rect{49, 84, 61, 139}));
    EXPECT_EQ(images[2], (Rect{49, 84 + 37, 60, 139}));
}

TEST_F(ControlsTest, SwitchesPickTheirBandAndReportEachChange) {
    auto* h = frame->add(std::make_unique<StepSwitchHorizontal>(Rect{143, 35, 196, 51}, &listener,
                                                                151, solidBitmap(53, 80), 5));
    auto* v = frame->add(std::make_unique<StepSwitchVertical>(Rect{258, 87, 284, 127}, &listener,
                                                              156, solidBitmap(26, 160), 4));
    EXPECT_EQ(h->positionAt({143, 40}), 0);
    EXPECT_EQ(h->positionAt({153, 40}), 0); // 10 / 53 * 5 < 1
    EXPECT_EQ(h->positionAt({154, 40}), 1);
    EXPECT_EQ(h->positionAt({196, 40}), 4) << "right edge";
    EXPECT_EQ(h->positionAt({300, 40}), 4);
    EXPECT_EQ(v->positionAt({260, 96}), 0);
    EXPECT_EQ(v->positionAt({260, 97}), 1);
    EXPECT_EQ(v->positionAt({260, 127}), 3);
    EXPECT_EQ(v->positionAt({260, 50}), 0);

    press({145, 40}, kLeft,
          {{{160, 40}, kLeft}, {{161, 40}, kLeft}, {{190, 40}, kLeft}, {{190, 40}, 0}});
    EXPECT_EQ(listener.values(), (std::vector<float>{0.25f, 1.0f})) << "no report without a change";
    EXPECT_EQ(h->position(), 4);
    click({260, 110});
    EXPECT_FLOAT_EQ(v->value(), 2.0f / 3.0f);
}

TEST_F(ControlsTest, MomentaryButtonReportsOnEveryPassAndZeroOnRelease) {
    auto* b = frame->add(std::make_unique<MomentaryButton>(Rect{10, 10, 45, 24}, &listener, 135,
                                                           solidBitmap(35, 28)));
    click({20, 15});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f}));
    listener.reports.clear();
    // Held, dragged off the button and back.
    press({20, 15}, kLeft, {{{100, 100}, kLeft}, {{20, 15}, kLeft}, {{20, 15}, 0}});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(b->value(), 0.0f);
    listener.reports.clear();
    click({20, 15}, mouse::kRight);
    EXPECT_TRUE(listener.reports.empty()) << "left button only";
}

TEST_F(ControlsTest, ToggleButtonFlipsAndReportsOnce) {
    auto* t = frame->add(
        std::make_unique<ToggleButton>(Rect{10, 10, 32, 32}, &listener, 143, solidBitmap(22, 44)));
    click({20, 20});
    EXPECT_EQ(t->value(), 1.0f);
    EXPECT_FALSE(t->isDirty()) << "drawn at once";
    click({20, 20});
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_TRUE(host.edits.empty());
}

TEST_F(ControlsTest, StripIndicatorRoundsAndCountsValuesAboveOneAsOne) {
    StripIndicator s({0, 0, 10, 7}, nullptr, 150, solidBitmap(10, 14), 2);
    s.setValue(0.49f);
    EXPECT_EQ(s.frameIndex(), 0);
    s.setValue(0.5f);
    EXPECT_EQ(s.frameIndex(), 1);
    s.setValue(7.0f);
    EXPECT_EQ(s.frameIndex(), 1);
    s.setValue(-3.0f);
    EXPECT_EQ(s.frameIndex(), 0);
    s.setValue(NAN);
    EXPECT_EQ(s.frameIndex(), 0);
}

TEST_F(ControlsTest, ValueDisplayDrawsByItsStyleBits) {
    auto* d = frame->add(std::make_unique<ValueDisplay>(Rect{10, 10, 60, 30}, nullptr, 0));
    const auto texts = [&] {
        calls().clear();
        d->draw(window->canvas());
        std::vector<DrawCall> t;
        for (const DrawCall& c : calls()) {
            if (c.kind == DrawCall::Kind::Text) {
                t.push_back(c);
            }
        }
        return t;
    };
    d->setValue(3.14159f);
    d->setHoriAlign(0);
    auto t = texts();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].text, "3.14");
    EXPECT_EQ(t[0].rect.left, 11) << "left aligned text starts one pixel in";

    d->setValueToText([](float v) { return std::to_string(static_cast<int>(v * 100)); });
    d->setStyle(displayStyle::kShadowText);
    t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].rect, t[1].rect.offset(1, 1)) << "shadow first, one pixel down-right";
    EXPECT_EQ(t[1].text, "314");

    d->setStyle(displayStyle::kNoText | displayStyle::kSunkenFrame);
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(std::count_if(calls().begin(), calls().end(),
                            [](const DrawCall& c) { return c.kind == DrawCall::Kind::Line; }),
              4);
    d->setStyle(displayStyle::kNoDraw);
    texts();
    EXPECT_TRUE(calls().empty());

    // A background bitmap replaces the fill.
    auto* withBitmap = frame->add(
        std::make_unique<ValueDisplay>(Rect{10, 40, 30, 53}, nullptr, 0, solidBitmap(20, 13)));
    calls().clear();
    withBitmap->draw(window->canvas());
    EXPECT_TRUE(std::none_of(calls().begin(), calls().end(),
                             [](const DrawCall& c) { return c.kind == DrawCall::Kind::FillRect; }));
}

TEST_F(ControlsTest, TextDisplayKeepsAtMost255BytesAndNeverSplitsACharacter) {
    TextDisplay d({0, 0, 10, 10}, nullptr, 0);
    d.setText(std::string(300, 'a'));
    EXPECT_EQ(d.text().size(), 255u);
    std::string s(254, 'a');
    s += "\xc3\xa9"; // é straddles the limit
    d.setText(s);
    EXPECT_EQ(d.text().size(), 254u);
    d.setDirty(false);
    d.setText(d.text());
    EXPECT_FALSE(d.isDirty()) << "same text";
}

TEST_F(ControlsTest, SplashShowsAsModalViewUntilTheNextClickOnIt) {
    auto* splash = frame->add(std::make_unique<SplashControl>(
        Rect{230, 7, 350, 27}, &listener, 149, solidBitmap(200, 77), Rect{21, 0, 221, 77}));
    std::vector<int> none;
    click({240, 10});
    EXPECT_TRUE(splash->isShown());
    ASSERT_NE(frame->modalView(), nullptr);
    EXPECT_EQ(frame->modalView()->rect(), (Rect{21, 0, 221, 77}));
    click({300, 200}); // outside the picture: nothing
    EXPECT_TRUE(splash->isShown());
    click({100, 50});
    EXPECT_FALSE(splash->isShown());
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f}));
    click({240, 10});
    frame->removeControl(splash); // deleting a shown splash must not leave a dangling view
    EXPECT_EQ(frame->modalView(), nullptr);
    frame->update();
}

} // namespace
} // namespace quovent::test
