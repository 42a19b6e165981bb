// Building a slot row and showing the slot's settings in it.
#include "editor/SlotRowView.hpp"

#include "editor/ClipboardOperations.hpp"
#include "editor/Editor.hpp"
#include "widgets/FrameWindow.hpp"

#include <array>

namespace quovent {

namespace {
constexpr int kKnobFrames = 37;
constexpr int kFilterPositions = 4;
constexpr float kFilterSteps = 3.0f;

// A rectangle relative to the row's origin.
Rect at(Point o, int left, int top, int right, int bottom) {
    return {o.x + left, o.y + top, o.x + right, o.y + bottom};
}
} // namespace

SlotRowView::SlotRowView(Editor& editor, Slot& slot)
    : editor_(editor), slot_(slot), steps_(editor, slot.index()) {}

SlotRowView::~SlotRowView() {
    detach();
}

void SlotRowView::build(FrameWindow& frame) {
    if (frame_ == &frame) {
        return;
    }
    frame_ = &frame;
    const Point o{kLeft, kTop + kPitch * slot_.index()};
    Editor& e = editor_;

    filterType = frame.add(std::make_unique<StepSwitchVertical>(at(o, 529, 7, 555, 47), &e, 156,
                                                                e.bitmap(156), kFilterPositions));
    filterType->setDefaultValue(0.0f);

    menu = frame.add(std::make_unique<PopupMenu>(at(o, 315, 3, 333, 15), &e, 200, e.bitmap(148),
                                                 e.bitmap(163), displayStyle::kNoText));
    for (const char* item : ClipboardOperations::kSlotMenuItems) {
        menu->addEntry(item);
    }

    lamp = frame.add(
        std::make_unique<StripIndicator>(at(o, 588, 11, 598, 18), &e, 150, e.bitmap(150), 2));
    freq = frame.add(
        std::make_unique<Knob>(at(o, 469, 23, 499, 53), &e, 153, e.bitmap(153), kKnobFrames));
    freq->setDefaultValue(1.0f);
    pan = frame.add(
        std::make_unique<Knob>(at(o, 580, 22, 600, 42), &e, 157, e.bitmap(157), kKnobFrames));
    pan->setDefaultValue(0.5f);
    res = frame.add(
        std::make_unique<Knob>(at(o, 499, 23, 529, 53), &e, 154, e.bitmap(153), kKnobFrames));
    res->setDefaultValue(0.0f);
    previous = frame.add(
        std::make_unique<MomentaryButton>(at(o, 184, 2, 219, 16), &e, 135, e.bitmap(135)));
    next = frame.add(
        std::make_unique<MomentaryButton>(at(o, 219, 2, 254, 16), &e, 136, e.bitmap(136)));
    name = frame.add(
        std::make_unique<SampleNameDisplay>(at(o, 16, 3, 179, 17), e.bitmap(140), e, slot_));
    folder = frame.add(
        std::make_unique<SlotFolderButton>(at(o, 16, 3, 38, 17), e.bitmap(132), e, slot_));
    output = frame.add(
        std::make_unique<OutputSelector>(at(o, 561, 44, 597, 58), &e, e.bitmap(139), slot_));
    loop =
        frame.add(std::make_unique<ToggleButton>(at(o, 259, 2, 308, 17), &e, 155, e.bitmap(155)));
    steps_.build(frame, {o.x + 12, o.y + 29}, e.bitmap(131));
    volume = frame.add(std::make_unique<VerticalSlider>(at(o, 420, 4, 432, 59), &e, 141,
                                                        e.bitmap(141), e.bitmap(142)));
    volume->setDefaultValue(0.65f);
    length = frame.add(std::make_unique<VerticalSlider>(at(o, 390, 4, 402, 59), &e, 142,
                                                        e.bitmap(141), e.bitmap(142)));
    length->setDefaultValue(1.0f);
    tune = frame.add(std::make_unique<VerticalSlider>(at(o, 450, 4, 462, 59), &e, 145,
                                                      e.bitmap(141), e.bitmap(142)));
    tune->setDefaultValue(0.5f);
    mute =
        frame.add(std::make_unique<ToggleButton>(at(o, 342, 11, 364, 33), &e, 143, e.bitmap(143)));
    solo =
        frame.add(std::make_unique<ToggleButton>(at(o, 342, 35, 364, 57), &e, 144, e.bitmap(144)));
    select =
        frame.add(std::make_unique<ToggleButton>(at(o, -2, 8, 11, 58), &e, 147, e.bitmap(147)));

    slot_.setNameView(this);
    showSettings();
}

void SlotRowView::detach() {
    if (frame_ == nullptr) {
        return;
    }
    slot_.setNameView(nullptr);
    steps_.detach();
    frame_ = nullptr;
    filterType = nullptr;
    menu = nullptr;
    lamp = nullptr;
    freq = pan = res = nullptr;
    previous = next = nullptr;
    name = nullptr;
    folder = nullptr;
    output = nullptr;
    loop = nullptr;
    volume = length = tune = nullptr;
    mute = solo = select = nullptr;
}

void SlotRowView::showSettings() {
    showControls();
    if (frame_ != nullptr) {
        slot_.showSampleName(slot_.samplePath());
    }
}

void SlotRowView::showControls() {
    if (frame_ == nullptr) {
        return;
    }
    filterType->setValue(static_cast<float>(slot_.filterMode) / kFilterSteps);
    freq->setValue(slot_.freq);
    pan->setValue(slot_.pan);
    res->setValue(slot_.res);
    output->show();
    loop->setValue(slot_.sync != 0 ? 1.0f : 0.0f);
    volume->setValue(slot_.volume);
    length->setValue(slot_.length);
    tune->setValue(slot_.tune);
    mute->setValue(slot_.active != 0 ? 0.0f : 1.0f);
    solo->setValue(slot_.solo != 0 ? 1.0f : 0.0f);
    select->setValue(slot_.selected != 0 ? 1.0f : 0.0f);
    showLamp();
    steps_.show();
}

void SlotRowView::showSampleText(const char* text) {
    if (name != nullptr) {
        name->setText(text);
    }
}

bool SlotRowView::owns(const Control* control) const noexcept {
    if (control == nullptr || frame_ == nullptr) {
        return false;
    }
    const std::array<const Control*, 18> mine{filterType, menu,   lamp, freq,   pan,    res,
                                              previous,   next,   name, folder, output, loop,
                                              volume,     length, tune, mute,   solo,   select};
    for (const Control* c : mine) {
        if (c == control) {
            return true;
        }
    }
    return steps_.stepOf(control) >= 0;
}

bool SlotRowView::showLamp() {
    if (lamp == nullptr) {
        return false;
    }
    const float lit = slot_.lamp != 0 ? 1.0f : 0.0f;
    if (lamp->value() == lit) {
        return false;
    }
    lamp->setValue(lit);
    return true;
}

} // namespace quovent
