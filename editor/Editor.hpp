// The instrument's editor object. It owns the sequencer model for the instance's whole
// life and, while its window is open, the controls that show and edit it.
// Editor thread, except where a member says otherwise.
#pragma once

#include "editor/ClipboardOperations.hpp"
#include "editor/EditorBase.hpp"
#include "editor/HeadlessDialogs.hpp"
#include "editor/HostServices.hpp"
#include "editor/SampleBrowser.hpp"
#include "engine/PatternRow.hpp"
#include "engine/Sequencer.hpp"

#include <array>

namespace quovent {

class Editor : public EditorBase {
public:
    static constexpr int kWidth = 657;
    static constexpr int kHeight = 590;

    explicit Editor(HostServices& host);

    EditorRect getRect() const override;
    bool open(void* parent) override;
    void close() override;
    void idle() override;
    int onKeyDown(const KeyCode& key) override;
    int setKnobMode(int mode) override;
    bool isOpen() const override { return false; }

    HostServices& host() noexcept { return host_; }
    Sequencer& sequencer() noexcept { return sequencer_; }
    const Sequencer& sequencer() const noexcept { return sequencer_; }

    // The slot whose control reported last: the target of the host's setParameter.
    Slot* currentSlot() const noexcept { return currentSlot_; }
    void setCurrentSlot(Slot* slot) noexcept { currentSlot_ = slot; }

    SampleBrowser& sampleBrowser() noexcept { return sampleBrowser_; }
    ClipboardOperations& clipboardOperations() noexcept { return clipboardOperations_; }

    // Samples per step at the host's rate and the last tempo the audio thread saw.
    double samplesPerStep() const;

    // Model side of the controls; the window shows the results.
    // Solo: the first solo saves every slot's active flag and leaves only its slot active;
    // further solos add their slot; releasing the last solo restores the saved flags.
    void setSolo(int slot, bool on);
    // A pattern key or bank while playing stops the old pattern and starts the new one.
    void selectPatternKey(int key);
    void selectPatternBank(int bank);
    // The Play button: the current pattern's note-on or note-off on MIDI channel 15.
    void setPlaying(bool on);
    // The StepEdit shortcuts v, t, f, r, p (lower case only). True when the key was used.
    bool setStepEditModeFromKey(int character);

    float stepEditMode = 0.0f;
    // Edited lane: integer part of stepEditMode x 4 (0 Vol .. 4 Pan).
    int stepEditLane() const noexcept { return static_cast<int>(stepEditMode * 4.0f); }
    std::array<int, capacity::kRowSlots> savedActive{1, 1, 1, 1, 1, 1, 1, 1};
    int copySourceSlot = -1;
    int shownNoteCount = 0;
    PatternRow clipboardRow;

private:
    static constexpr int kPatternChannel = 14; // MIDI channel 15
    static constexpr int kFirstPatternNote = 60;
    void sendPatternNote(bool on);

    HostServices& host_;
    Sequencer sequencer_;
    Slot* currentSlot_ = nullptr;
    HeadlessDialogs headlessDialogs_;
    SampleBrowser sampleBrowser_;
    ClipboardOperations clipboardOperations_;
};

} // namespace quovent
