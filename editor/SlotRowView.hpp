// The controls of one slot row while the window is open: filter switch, slot menu, lamp,
// knobs, sample stepping, name and output fields, LOOP, the step buttons, sliders, mute,
// solo and select bar. It shows the slot's settings and is the slot's sample name view.
// Editor thread only; the audio thread's lamp state is copied in by the editor's idle.
#pragma once

#include "editor/OutputSelector.hpp"
#include "editor/SampleNameDisplay.hpp"
#include "editor/SlotFolderButton.hpp"
#include "editor/StepButtonRow.hpp"
#include "engine/SampleNameView.hpp"
#include "widgets/Knob.hpp"
#include "widgets/MomentaryButton.hpp"
#include "widgets/PopupMenu.hpp"
#include "widgets/StepSwitchVertical.hpp"
#include "widgets/StripIndicator.hpp"
#include "widgets/ToggleButton.hpp"
#include "widgets/VerticalSlider.hpp"

namespace quovent {

class Editor;

class SlotRowView final : public SampleNameView {
public:
    static constexpr int kLeft = 29;
    static constexpr int kTop = 80;
    static constexpr int kPitch = 62;

    SlotRowView(Editor& editor, Slot& slot);
    ~SlotRowView() override;
    SlotRowView(const SlotRowView&) = delete;
    SlotRowView& operator=(const SlotRowView&) = delete;

    // Builds the row's controls into the frame at the row's origin and becomes the slot's
    // name view. A second call for the same frame does nothing.
    void build(FrameWindow& frame);
    // The frame is going: forget the controls and stop showing the name.
    void detach();
    bool built() const noexcept { return frame_ != nullptr; }

    // Every control from the slot's settings (a reopened window shows the model).
    void showSettings();
    // The same, but the sample name display keeps its text.
    void showControls();
    // The sample name display's text.
    void showSampleText(const char* text) override;
    // The activity lamp from the slot's lamp state; true when it changed.
    bool showLamp();

    // True for every control of the row, step buttons included.
    bool owns(const Control* control) const noexcept;
    Slot& slot() const noexcept { return slot_; }
    StepButtonRow& steps() noexcept { return steps_; }

    StepSwitchVertical* filterType = nullptr;
    PopupMenu* menu = nullptr;
    StripIndicator* lamp = nullptr;
    Knob* freq = nullptr;
    Knob* pan = nullptr;
    Knob* res = nullptr;
    MomentaryButton* previous = nullptr;
    MomentaryButton* next = nullptr;
    SampleNameDisplay* name = nullptr;
    SlotFolderButton* folder = nullptr;
    OutputSelector* output = nullptr;
    ToggleButton* loop = nullptr;
    VerticalSlider* volume = nullptr;
    VerticalSlider* length = nullptr;
    VerticalSlider* tune = nullptr;
    ToggleButton* mute = nullptr;
    ToggleButton* solo = nullptr;
    ToggleButton* select = nullptr;

private:
    Editor& editor_;
    Slot& slot_;
    StepButtonRow steps_;
    FrameWindow* frame_ = nullptr;
};

} // namespace quovent
