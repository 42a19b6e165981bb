// The instrument's editor: a view over an Instrument. While its window is open it owns the
// window and the controls that show and edit the instrument's model; it builds them from
// the model, edits the model through the instrument's operations and reports parameter
// edits to the instrument, which tells the plug-in format. Every control reports to
// valueChanged, which dispatches on the control's tag (and, for the tags two kinds of
// control share, on the control itself).
//
// Threads: the window and its controls belong to the editor thread. The host may save and
// restore the instrument's state from any thread; the instrument's model lock keeps those
// apart from the editor thread's work, which lets go of it whenever it waits or calls the
// host. A restore never touches a control: the next idle shows the new model. The audio
// thread never touches a control or the lock: idle() copies what it changed (lamps, Play,
// tempo, voice count) into the controls.
#pragma once

#include "editor/BankCommands.hpp"
#include "editor/ClipboardOperations.hpp"
#include "editor/EditorBase.hpp"
#include "editor/EditorZoom.hpp"
#include "editor/HeadlessDialogs.hpp"
#include "editor/HostServices.hpp"
#include "editor/PatternKeys.hpp"
#include "editor/SampleBaseDisplay.hpp"
#include "editor/SampleBrowser.hpp"
#include "editor/SlotRowView.hpp"
#include "editor/WidgetDialogs.hpp"
#include "engine/PatternRow.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/ModelLock.hpp"
#include "platform/WindowSystem.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"
#include "widgets/SplashControl.hpp"
#include "widgets/StepSwitchHorizontal.hpp"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quovent {

class Editor final : public EditorBase,
                     public FrameHost,
                     public ValueListener,
                     private SampleBrowser::View,
                     private ClipboardOperations::View {
public:
    static constexpr int kWidth = 657;
    static constexpr int kHeight = 590;
    // The frame starts 3 pixels down: the window is 657 x 587 at the parent's origin.
    static constexpr Rect kFrameRect{0, 3, kWidth, kHeight};
    static constexpr int kBackground = 128;
    static constexpr int kFirstBitmap = 128;
    static constexpr int kLastBitmap = 163;
    static constexpr float kDefaultBpm = 120.0f;
    // Texts written into the displays start with eight blanks.
    static constexpr const char* kTextIndent = "        ";
    // The pattern menu's own items come first; a separator and one item per zoom follow.
    static constexpr int kFirstZoomItem =
        static_cast<int>(ClipboardOperations::kPatternMenuItems.size()) + 1;

    using WindowSystemFactory = std::function<std::unique_ptr<platform::WindowSystem>()>;

    Editor(Instrument& instrument, HostServices& host);
    ~Editor() override;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    EditorRect getRect() const override;
    bool open(void* parent) override;
    void close() override;
    void idle() override;
    int onKeyDown(const KeyCode& key) override;
    int setKnobMode(int mode) override;
    bool isOpen() const override { return frame_ != nullptr; }
    bool hasWindow() const override { return platform::hasNativeWindowSystem(); }

    // FrameHost: the modal idle of tracking loops, menus and dialogs; edit brackets; keys
    // typed into the window.
    void doIdle() override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;
    // A drag over a control that sets a parameter is also that parameter's edit gesture.
    void beginEdit(const Control& control) override;
    void endEdit(const Control& control) override;
    bool onKeyDown(const platform::KeyEvent& key) override;
    using EditorBase::onKeyUp;
    using FrameHost::onKeyUp;
    bool hasHostFileSelector() override;
    int openHostFileSelector(FileSelectRequest& request) override;
    void closeHostFileSelector(FileSelectRequest& request) override;

    // ValueListener: what each control's change does.
    void valueChanged(DrawContext* context, Control& control) override;

    // Tests open the window on another window system (the display-free stub).
    void setWindowSystemFactory(WindowSystemFactory factory) { windowSystem_ = std::move(factory); }

    // The zoom of the open window, in percent; the zoom the next window opens at while
    // closed. getRect answers the window's size at this zoom.
    int zoom() const;
    // The user picks a zoom (the pattern menu's zoom items): kept in the settings; an open
    // window asks the host for its new size and is rebuilt at the zoom when the host agrees,
    // else the zoom applies from the next open on (the user is told).
    void chooseZoom(int percent);
    // The host tells the scale of its window (a VST 3 host's content scale: 1.5 for 150 %):
    // it stands for the desktop's factor from now on, so the window opens at the nearest
    // offered zoom unless the user chose one. An open window asks the host for its new size
    // and is rebuilt at the new zoom when the host agrees. 0 goes back to the desktop's.
    void setHostScale(double factor);
    FrameWindow* frame() const noexcept { return frame_.get(); }
    // The skin bitmap with this id, loaded once and kept; empty for an id without a picture.
    const BitmapPtr& bitmap(int id);

    // Shows a text (after eight blanks) in the sample base display while the window is open.
    void showSampleBaseText(const std::string& text) override;
    // Marks the Notes and BPM readouts for redrawing (they share the sample base's row).
    void redrawReadouts() override;
    // Loads the current pattern into every row's step buttons and lights its key.
    void showCurrentPattern() override;
    void showSlotSettings(int slot) override;
    void showSlotControls(int slot) override;
    void showShuffle() override;

    HostServices& host() noexcept { return host_; }
    Instrument& instrument() noexcept { return instrument_; }
    Sequencer& sequencer() noexcept { return instrument_.sequencer(); }
    const Sequencer& sequencer() const noexcept { return instrument_.sequencer(); }

    // The slot whose control reported last: the slot VST 2's parameters address. Null until
    // one did. Any thread may read it (a host's parameter call on its audio thread).
    Slot* currentSlot() const noexcept { return currentSlot_.load(std::memory_order_acquire); }
    void setCurrentSlot(Slot* slot) noexcept {
        currentSlot_.store(slot, std::memory_order_release);
    }

    SampleBrowser& sampleBrowser() noexcept { return sampleBrowser_; }
    ClipboardOperations& clipboardOperations() noexcept { return clipboardOperations_; }
    // The dialogs questions go to now: the window's while it is open, else the headless ones.
    SampleDialogs& dialogs() noexcept;

    // Samples per step at the host's rate and the last tempo the audio thread saw.
    double samplesPerStep() const;

    // The StepEdit shortcuts v, t, f, r, p (lower case only). True when the key was used.
    bool setStepEditModeFromKey(int character);
    // Edited lane (0 Vol .. 4 Pan), as the instrument keeps it.
    int stepEditLane() const noexcept { return instrument_.stepEditLane(); }
    int copySourceSlot = -1;
    int shownNoteCount = 0;
    PatternRow clipboardRow;

    // Controls of the open window (null while closed); the frame owns them.
    SampleBaseDisplay* sampleBaseDisplay = nullptr;
    MomentaryButton* sampleBaseButton = nullptr;
    MomentaryButton* importButton = nullptr;
    MomentaryButton* exportButton = nullptr;
    StepSwitchHorizontal* stepEditSwitch = nullptr;
    Knob* shuffleKnob = nullptr;
    ValueDisplay* bpmDisplay = nullptr;
    ValueDisplay* notesDisplay = nullptr;
    PopupMenu* patternMenu = nullptr;
    ToggleButton* playButton = nullptr;
    SplashControl* splash = nullptr;
    PatternKeys patternKeys;
    SlotRowView& row(int slot) { return *rows_.at(static_cast<std::size_t>(slot)); }
    // The lane the step buttons show changed: redisplay every step button.
    void showStepEditMode();
    // Every control from the model: slot rows, step buttons, pattern keys, StepEdit, Shuffle.
    void showModel();
    // What a restore or the host changed since the window last showed the model.
    void showModelChanges();

private:
    void buildTopControls();
    void buildReadouts();
    void checkZoomItem();
    // The window's size (getRect) at a zoom.
    static EditorRect rectAt(int percent);
    // Asks the host to resize its window for a zoom; true when it did.
    bool askHostForSize(int percent);
    // Moves an open window to a zoom: asks the host for the size, then rebuilds the window
    // in the same parent. False when the host keeps the window at its size.
    bool rezoom(int percent);
    // The host's scale where it gave one, else what the window system says of the desktop.
    double desktopFactor(platform::WindowSystem* system) const;
    void detachControls();
    void setTempoDisplay(float bpm);
    // The idle work shared by the host's idle and the modal idle.
    void refresh();
    // Offers each slot restored with a missing sample for relocation (host idle only).
    void offerRelocations();
    // Copies what the audio thread changed into the controls.
    void showAudioState();
    // The row (0..count-1) one of whose controls is `control`; -1 for none.
    int rowOf(const Control& control) const;
    // A momentary button reports on every pass while held; its action runs once per press.
    bool pressStarts(const Control& control);
    void dispatchSlotControl(Control& control, int tag, float value);
    // The parameter a control sets (a slot row's control by its tag, or Shuffle); kNone for
    // a control that sets none.
    ParameterId parameterOf(const Control& control) const;
    void edit(ParameterId id, float value);
    void redraw(DrawContext* context, Control* control);
    void setSoloFromButton(int slot, float value);

    Instrument& instrument_;
    std::atomic<Slot*> currentSlot_{nullptr};
    HostServices& host_;
    ModelLock& lock_; // the instrument's; getRect reads the open window's zoom under it too
    HeadlessDialogs headlessDialogs_;
    // The window's dialogs. The host may close the window from inside one of them, so the
    // dialogs of a closed window are kept until the next close (or the end) instead of
    // being deleted under their own feet.
    std::unique_ptr<WidgetDialogs> widgetDialogs_;
    std::unique_ptr<WidgetDialogs> closedDialogs_;
    SampleBrowser sampleBrowser_;
    ClipboardOperations clipboardOperations_;
    BankCommands bankCommands_{*this};

    WindowSystemFactory windowSystem_;
    mutable EditorZoom zoom_;
    int openZoom_ = 0;             // the open window's zoom
    int requestedZoom_ = 0;        // the zoom getRect answers while the host is asked to resize
    mutable int answeredZoom_ = 0; // the zoom getRect answered last
    double hostScale_ = 0.0;       // the host's content scale; 0 while it gave none
    void* parent_ = nullptr;       // the host's window of the open editor
    std::unique_ptr<FrameWindow> frame_;
    std::array<BitmapPtr, kLastBitmap - kFirstBitmap + 1> bitmaps_;
    std::array<std::unique_ptr<SlotRowView>, capacity::kRowSlots> rows_;
    const Control* heldButton_ = nullptr;
    std::uint32_t lastIdleTick_ = 0;
    bool inHostIdle_ = false;
    // The stored sample base could not be read at open; the next host idle says so.
    bool tellReadFailure_ = false;
    float shownTempo_ = 0.0f;
    // The instrument's change counts as the open window last showed them: a restore or a
    // host's parameter change is shown at the next host idle.
    unsigned shownStateChanges_ = 0;
    unsigned shownHostChanges_ = 0;
    bool relocating_ = false;
    // Counts opens, so a relocation pass sees when the host closed or reopened the window
    // from inside one of its dialogs.
    unsigned openCount_ = 0;
};

} // namespace quovent
