// Frame window logic on the display-free backend: dispatch order, dirty tracking, the modal
// view, ownership of controls and loops that must end when the frame goes away.
#include "StubFrame.hpp"

#include "widgets/Knob.hpp"
#include "widgets/ToggleButton.hpp"
#include "widgets/ValueDisplay.hpp"

namespace quovent::test {
namespace {

// A control that records the presses it gets and counts its deletion.
class Probe : public Control {
public:
    Probe(Rect r, int tag, std::vector<int>& hits, int* deleted = nullptr)
        : Control(r, nullptr, tag), hits_(hits), deleted_(deleted) {}
    ~Probe() override {
        if (deleted_ != nullptr) {
            ++*deleted_;
        }
    }
    void onMouseDown(DrawContext& /*context*/, Point /*where*/) override { hits_.push_back(tag()); }
    bool acceptsDrop(int type) const override { return takesDrops && type == 0; }
    bool onDrop(DrawContext& /*c*/, const platform::DropData& data, Point where) override {
        dropped = data.items;
        droppedAt = where;
        return true;
    }
    bool takesDrops = false;
    std::vector<std::string> dropped;
    Point droppedAt;

protected:
    void paint(DrawContext& context) override {
        context.fillRect(rect(), colors::kBlack);
        ++paints;
    }

public:
    int paints = 0;

private:
    std::vector<int>& hits_;
    int* deleted_;
};

TEST_F(StubFrameTest, PressesGoToTheLastAddedEnabledControlEdgesIncluded) {
    std::vector<int> hits;
    auto* lower = frame->add(std::make_unique<Probe>(Rect{10, 10, 50, 50}, 1, hits));
    auto* upper = frame->add(std::make_unique<Probe>(Rect{30, 30, 70, 70}, 2, hits));
    static_cast<void>(lower);

    click({40, 40});   // overlap: the later control lies on top
    click({10, 10});   // top-left corner of the lower one
    click({70, 70});   // bottom-right corner is part of the control too
    click({200, 200}); // nothing there
    upper->setMouseEnabled(false);
    click({40, 40}); // a disabled control lets the press through
    EXPECT_EQ(hits, (std::vector<int>{2, 1, 2, 1}));
}

TEST_F(StubFrameTest, ModalViewTakesOnlyPressesInsideIt) {
    std::vector<int> hits;
    frame->add(std::make_unique<Probe>(Rect{0, 0, 400, 300}, 1, hits));
    Probe modal({100, 100, 200, 200}, 9, hits);
    frame->setModalView(&modal);
    click({150, 150});
    click({20, 20}); // outside the view: nobody, not even the control beneath
    frame->setModalView(nullptr);
    click({20, 20});
    EXPECT_EQ(hits, (std::vector<int>{9, 1}));
}

TEST_F(StubFrameTest, UpdateDrawsOnlyWhatIsDirtyAndWhatLiesOnTopOfIt) {
    std::vector<int> hits;
    auto* a = frame->add(std::make_unique<Probe>(Rect{0, 0, 20, 20}, 1, hits));
    auto* b = frame->add(std::make_unique<Probe>(Rect{100, 0, 120, 20}, 2, hits));
    auto* cover = frame->add(std::make_unique<Probe>(Rect{10, 10, 30, 30}, 3, hits));
    frame->update(); // the new frame is dirty: everything
    EXPECT_EQ(a->paints + b->paints + cover->paints, 3);

    frame->update();
    EXPECT_EQ(a->paints + b->paints + cover->paints, 3) << "nothing changed";

    a->setValue(0.5f);
    frame->update();
    EXPECT_EQ(a->paints, 2);
    EXPECT_EQ(b->paints, 1);
    EXPECT_EQ(cover->paints, 2) << "drawn again because a was drawn over it";

    Probe modal({0, 0, 50, 50}, 9, hits);
    frame->setModalView(&modal);
    b->setValue(0.7f);
    frame->update();
    EXPECT_EQ(b->paints, 1) << "only the modal view is drawn while it is shown";
    EXPECT_EQ(modal.paints, 1);
    frame->setModalView(nullptr);
    frame->update();
    EXPECT_EQ(b->paints, 2) << "taking the view away repaints the whole frame";
    EXPECT_EQ(a->paints, 3);
}

TEST_F(StubFrameTest, DirtyMeansDifferentFromTheValueDrawnLast) {
    ToggleButton c({0, 0, 10, 10}, nullptr, 1, solidBitmap(10, 20));
    EXPECT_TRUE(c.isDirty()) << "never drawn";
    c.draw(window->canvas());
    EXPECT_FALSE(c.isDirty());
    c.setValue(0.0f);
    EXPECT_FALSE(c.isDirty()) << "same value as drawn";
    c.setValue(1.0f);
    EXPECT_TRUE(c.isDirty());
    c.setValue(0.0f);
    EXPECT_FALSE(c.isDirty()) << "back to the value on screen";
    c.setDirty();
    EXPECT_TRUE(c.isDirty()) << "appearance changed";
    c.update(window->canvas());
    EXPECT_FALSE(c.isDirty());
}

TEST_F(StubFrameTest, DeletingTheFrameDeletesEveryControlAndRemoveHandsOneBack) {
    std::vector<int> hits;
    int deleted = 0;
    auto* kept = frame->add(std::make_unique<Probe>(Rect{0, 0, 5, 5}, 1, hits, &deleted));
    frame->add(std::make_unique<Probe>(Rect{0, 0, 5, 5}, 2, hits, &deleted));
    frame->add(std::make_unique<Probe>(Rect{0, 0, 5, 5}, 3, hits, &deleted));
    std::unique_ptr<Control> taken = frame->removeControl(kept);
    EXPECT_EQ(taken.get(), kept);
    EXPECT_EQ(kept->frame(), nullptr);
    EXPECT_EQ(frame->controlCount(), 2u);
    EXPECT_EQ(frame->removeControl(kept), nullptr) << "not in the frame any more";
    frame.reset();
    EXPECT_EQ(deleted, 2);
    taken.reset();
    EXPECT_EQ(deleted, 3);
}

TEST_F(StubFrameTest, DropGoesToTheTopControlThatTakesDrops) {
    std::vector<int> hits;
    auto* field = frame->add(std::make_unique<Probe>(Rect{0, 0, 100, 20}, 1, hits));
    field->takesDrops = true;
    frame->add(std::make_unique<Probe>(Rect{0, 0, 20, 20}, 2, hits)); // a button on the field
    platform::WindowHandler& handler = window->handler;
    EXPECT_TRUE(handler.acceptsDrop({5, 5}, platform::DropData::kFiles));
    EXPECT_FALSE(handler.acceptsDrop({5, 5}, platform::DropData::kText));
    EXPECT_FALSE(handler.acceptsDrop({200, 5}, platform::DropData::kFiles));

    platform::DropData data;
    data.items = {"/tmp/a.wav"};
    platform::Event e;
    e.type = platform::EventType::Drop;
    e.position = {5, 5};
    e.drop = &data;
    ws->post(*window, e);
    frame->idle();
    EXPECT_EQ(field->dropped, data.items);
    EXPECT_EQ(field->droppedAt, (Point{5, 5}));
}

TEST_F(StubFrameTest, KeysGoToTheHostAndAClickTakesTheFocus) {
    std::vector<int> hits;
    frame->add(std::make_unique<Probe>(Rect{0, 0, 20, 20}, 1, hits));
    click({5, 5});
    EXPECT_TRUE(window->focused);
    platform::Event e;
    e.type = platform::EventType::KeyDown;
    e.key.character = 'v';
    ws->post(*window, e);
    frame->idle();
    ASSERT_EQ(host.keys.size(), 1u);
    EXPECT_EQ(host.keys[0].character, 'v');
}

TEST_F(StubFrameTest, PressesWhileAControlTracksAreNotDispatched) {
    std::vector<int> hits;
    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{0, 0, 20, 20}, &listener, 5, solidBitmap(20, 200), 10));
    frame->add(std::make_unique<Probe>(Rect{100, 100, 120, 120}, 7, hits));
    static_cast<void>(knob);
    int idle = 0;
    host.onIdle = [&] {
        if (++idle == 1) {
            // A click elsewhere arrives while the knob still follows the mouse.
            platform::Event e;
            e.type = platform::EventType::MouseDown;
            e.position = {110, 110};
            e.button = 1;
            ws->post(*window, e);
            frame->idle(); // the editor's modal idle serves the window
        } else {
            ws->buttons = 0;
        }
    };
    press({10, 10}, mouse::kLeft);
    EXPECT_TRUE(hits.empty());
}

TEST_F(StubFrameTest, ClosingTheEditorDuringADragEndsTheLoopAndFreesTheFrameAfterIt) {
    auto* knob = frame->add(
        std::make_unique<Knob>(Rect{0, 0, 20, 20}, &listener, 5, solidBitmap(20, 200), 10));
    static_cast<void>(knob);
    int idles = 0;
    // The host closes the editor from inside the modal idle; the button stays down forever.
    host.onIdle = [&] {
        if (++idles == 3) {
            FrameWindow::dispose(std::move(frame));
        }
        ASSERT_LT(idles, 100) << "the tracking loop did not notice the frame closing";
    };
    ws->pointerOnScreen = {10, 10};
    ws->buttons = mouse::kLeft;
    platform::Event e;
    e.type = platform::EventType::MouseDown;
    e.position = {10, 10};
    e.button = 1;
    ws->post(*window, e);
    FrameWindow* raw = frame.get();
    raw->idle(); // deleted on the way out; ASan reports any use after that
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(idles, 3);
    EXPECT_EQ(host.edits, (std::vector<std::string>{"begin 5", "end 5"}));
}

TEST_F(StubFrameTest, AControlIsDrawnOverWhatLiesBeneathItNotOverTheBareBackground) {
    const BitmapPtr fieldPicture = solidBitmap(100, 14, colors::kYellow);
    auto* field = frame->add(
        std::make_unique<ValueDisplay>(Rect{40, 80, 140, 94}, nullptr, 137, fieldPicture));
    auto* button = frame->add(
        std::make_unique<ToggleButton>(Rect{40, 80, 62, 94}, nullptr, 132, solidBitmap(22, 28)));
    static_cast<void>(field);
    calls().clear();
    button->draw(window->canvas());
    // The field's picture is painted under the button, where it is on screen.
    const auto under = std::find_if(calls().begin(), calls().end(), [&](const DrawCall& c) {
        return c.kind == DrawCall::Kind::Image && c.image == fieldPicture->image();
    });
    ASSERT_NE(under, calls().end());
    EXPECT_EQ(under->rect, (Rect{40, 80, 140, 94}));
    EXPECT_EQ(calls().front().rect, (Rect{40, 80, 62, 94})) << "copied in one piece";
}

TEST_F(StubFrameTest, PaintingDrawsBackgroundThenControlsInOrder) {
    auto* display = frame->add(std::make_unique<ValueDisplay>(Rect{10, 10, 60, 30}, nullptr, 0));
    display->setValue(0.25f);
    calls().clear();
    platform::Event e;
    e.type = platform::EventType::Paint;
    e.area = {0, 0, 400, 300};
    ws->post(*window, e);
    frame->idle();
    ASSERT_GE(calls().size(), 3u);
    EXPECT_EQ(calls()[0].kind, DrawCall::Kind::Image);
    EXPECT_EQ(calls()[0].rect, (Rect{0, 0, 400, 300}));
    const auto text = std::find_if(calls().begin(), calls().end(), [](const DrawCall& c) {
        return c.kind == DrawCall::Kind::Text;
    });
    ASSERT_NE(text, calls().end());
    EXPECT_EQ(text->text, "0.25");
    EXPECT_FALSE(display->isDirty());
}

} // namespace
} // namespace quovent::test
