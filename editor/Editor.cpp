// The editor object: window lifecycle, idle, control dispatch and the StepEdit keys.
#include "editor/Editor.hpp"

#include "editor/TextStyle.hpp"
#include "platform/UserSettings.hpp"
#include "widgets/KnobMode.hpp"

#include <algorithm>

#include <cstdio>

namespace quovent {

namespace {
constexpr int kKnobFrames = 37;
constexpr int kStepEditPositions = 5;
constexpr int kPatternKeysLeft = 394;
constexpr int kPatternKeysTop = 45;
// Modal idle pacing, milliseconds: below kBusyIdle since the last host idle each pass sleeps
// kIdleSleep; the host hears its idle at most every kHostIdleGap.
constexpr std::uint32_t kBusyIdle = 100;
constexpr std::uint32_t kHostIdleGap = 50;
constexpr int kIdleSleep = 4;

std::string wholeNumber(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
    return text;
}
} // namespace

Editor::Editor(Instrument& instrument, HostServices& host)
    : instrument_(instrument), host_(host), lock_(instrument.lock()),
      sampleBrowser_(headlessDialogs_, [this] { return samplesPerStep(); }),
      clipboardOperations_(instrument.sequencer(), clipboardRow, copySourceSlot, sampleBrowser_),
      windowSystem_([] { return platform::createNativeWindowSystem(); }), zoom_([this] {
          if (hostScale_ > 0.0) {
              return hostScale_;
          }
          // Asked before the first open: a connection of its own, closed again at once.
          const auto system = windowSystem_();
          return desktopFactor(system.get());
      }) {
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        rows_[static_cast<std::size_t>(i)] =
            std::make_unique<SlotRowView>(*this, sequencer().slots().slot(i));
    }
    sampleBrowser_.setView(this);
    clipboardOperations_.setView(this);
    bitmap(kBackground);
}

Editor::~Editor() {
    close();
    sampleBrowser_.setView(nullptr);
    clipboardOperations_.setView(nullptr);
}

SampleDialogs& Editor::dialogs() noexcept {
    if (widgetDialogs_ != nullptr) {
        return *widgetDialogs_;
    }
    return headlessDialogs_;
}

double Editor::samplesPerStep() const {
    return instrument_.samplesPerStep();
}

bool Editor::setStepEditModeFromKey(int character) {
    switch (character) {
    case 'v':
        instrument_.stepEditMode = 0.0f;
        return true;
    case 't':
        instrument_.stepEditMode = 0.25f;
        return true;
    case 'f':
        instrument_.stepEditMode = 0.5f;
        return true;
    case 'r':
        instrument_.stepEditMode = 0.75f;
        return true;
    case 'p':
        instrument_.stepEditMode = 1.0f;
        return true;
    default:
        return false;
    }
}

EditorRect Editor::rectAt(int percent) {
    const platform::Scale scale{percent};
    EditorRect r;
    r.bottom = static_cast<std::int16_t>(scale.toPixels(kHeight));
    r.right = static_cast<std::int16_t>(scale.toPixels(kWidth));
    return r;
}

int Editor::zoom() const {
    if (requestedZoom_ != 0) {
        return requestedZoom_;
    }
    return frame_ != nullptr ? openZoom_ : zoom_.preferred();
}

EditorRect Editor::getRect() const {
    ModelLock::Scope hold(lock_);
    answeredZoom_ = zoom();
    return rectAt(answeredZoom_);
}

const BitmapPtr& Editor::bitmap(int id) {
    static const BitmapPtr kNone = Bitmap::fromImage(nullptr);
    if (id < kFirstBitmap || id > kLastBitmap) {
        return kNone;
    }
    BitmapPtr& b = bitmaps_[static_cast<std::size_t>(id - kFirstBitmap)];
    if (!b) {
        b = Bitmap::fromResource(id); // an id without a picture (152) gives an empty bitmap
    }
    return b;
}

bool Editor::open(void* parent) {
    ModelLock::Scope hold(lock_);
    if (frame_ != nullptr) {
        // Hosts do not always pair open and close: a second open rebuilds the window in
        // the (possibly new) parent.
        close();
    }
    auto system = windowSystem_();
    if (system != nullptr) {
        // The desktop and the settings may have changed since the host last asked.
        zoom_.refresh(desktopFactor(system.get()));
        system->setScale(platform::Scale{zoom_.preferred()});
    }
    const int zoom = system != nullptr ? system->scale().percent() : 100;
    frame_ = FrameWindow::open(std::move(system), *this,
                               reinterpret_cast<platform::NativeWindow>(parent), kFrameRect,
                               bitmap(kBackground));
    if (frame_ == nullptr) {
        return false;
    }
    openZoom_ = zoom;
    parent_ = parent;
    ++openCount_;
    // The controls are built from the model as it is now.
    shownStateChanges_ = instrument_.stateChanges();
    shownHostChanges_ = instrument_.hostParameterChanges();
    lastIdleTick_ = frame_->windowSystem().tickCount();
    widgetDialogs_ = std::make_unique<WidgetDialogs>(*frame_);
    sampleBrowser_.setDialogs(*widgetDialogs_);
    buildTopControls();
    patternKeys.build(*frame_, {kPatternKeysLeft, kPatternKeysTop}, *this, bitmap(137),
                      bitmap(161));
    buildReadouts();
    for (auto& r : rows_) {
        r->build(*frame_);
    }
    // Read once every control exists; a failure is told from the first host idle, when the
    // host shows the window, never from a modal loop inside this call.
    tellReadFailure_ = sampleBrowser_.readSampleBase();
    showCurrentPattern();
    float hostBpm = 0.0f;
    {
        ModelLock::Released out(lock_);
        hostBpm = host_.hostTempo();
    }
    if (frame_ == nullptr) {
        return false; // the host closed the window while it was asked the tempo
    }
    setTempoDisplay(hostBpm > 0.0f ? hostBpm : kDefaultBpm);
    shownTempo_ = sequencer().tempo;
    shownNoteCount = sequencer().liveVoices;
    notesDisplay->setValue(static_cast<float>(shownNoteCount));
    playButton->setValue(sequencer().playing != 0 ? 1.0f : 0.0f);
    frame_->setDirty();
    if (answeredZoom_ != 0 && answeredZoom_ != openZoom_) {
        // The host sized its window by an older answer.
        askHostForSize(openZoom_);
    }
    return true;
}

void Editor::buildTopControls() {
    FrameWindow& f = *frame_;
    sampleBaseDisplay =
        f.add(std::make_unique<SampleBaseDisplay>(Rect{366, 11, 629, 30}, bitmap(145)));
    sampleBaseButton =
        f.add(std::make_unique<MomentaryButton>(Rect{366, 12, 388, 28}, this, 130, bitmap(130)));
    importButton =
        f.add(std::make_unique<MomentaryButton>(Rect{75, 16, 116, 36}, this, 159, bitmap(159)));
    exportButton =
        f.add(std::make_unique<MomentaryButton>(Rect{33, 16, 74, 36}, this, 160, bitmap(160)));
    stepEditSwitch = f.add(std::make_unique<StepSwitchHorizontal>(Rect{143, 35, 196, 51}, this, 151,
                                                                  bitmap(151), kStepEditPositions));
    stepEditSwitch->setValue(instrument_.stepEditMode);
    shuffleKnob =
        f.add(std::make_unique<Knob>(Rect{65, 52, 85, 72}, this, 162, bitmap(162), kKnobFrames));
    shuffleKnob->setDefaultValue(0.0f);
    shuffleKnob->setValue(sequencer().shuffleAmount);
}

void Editor::buildReadouts() {
    FrameWindow& f = *frame_;
    auto readout = [&](Rect r) {
        auto* d = f.add(std::make_unique<ValueDisplay>(r, this, 0, bitmap(146)));
        textStyle::apply(*d, textStyle::kCentre);
        d->setValueToText(wholeNumber);
        d->setMax(1.0e6f); // counts and tempos, not control values
        return d;
    };
    bpmDisplay = readout({602, 14, 627, 26});
    notesDisplay = readout({577, 14, 602, 26});
    patternMenu = f.add(std::make_unique<PopupMenu>(Rect{373, 46, 391, 58}, this, 148, bitmap(148),
                                                    bitmap(163), displayStyle::kNoText));
    for (const char* item : ClipboardOperations::kPatternMenuItems) {
        patternMenu->addEntry(item);
    }
    patternMenu->addEntry("-");
    for (const int percent : EditorZoom::kOffered) {
        patternMenu->addEntry(EditorZoom::menuText(percent));
    }
    checkZoomItem();
    playButton =
        f.add(std::make_unique<ToggleButton>(Rect{264, 33, 321, 71}, this, 158, bitmap(158)));
    splash = f.add(std::make_unique<SplashControl>(Rect{230, 7, 350, 27}, this, 149, bitmap(149),
                                                   Rect{21, 0, 632, 77}));
}

void Editor::checkZoomItem() {
    if (patternMenu == nullptr) {
        return;
    }
    // The user's choice (which may wait for the next open), else the zoom shown.
    const int chosen = zoom_.chosen() != 0 ? zoom_.chosen() : openZoom_;
    for (std::size_t i = 0; i < EditorZoom::kOffered.size(); ++i) {
        patternMenu->setChecked(kFirstZoomItem + static_cast<int>(i),
                                EditorZoom::kOffered[i] == chosen);
    }
}

bool Editor::askHostForSize(int percent) {
    const EditorRect r = rectAt(percent);
    // Some hosts ask for the rectangle while they resize: it answers the new size then.
    requestedZoom_ = percent;
    bool resized = false;
    {
        ModelLock::Released out(lock_);
        resized = host_.resizeWindow(r.right - r.left, r.bottom - r.top);
    }
    requestedZoom_ = 0;
    if (resized) {
        answeredZoom_ = percent;
    }
    return resized;
}

void Editor::chooseZoom(int percent) {
    if (!EditorZoom::isOffered(percent)) {
        return;
    }
    const bool kept = zoom_.choose(percent);
    checkZoomItem();
    if (!kept) {
        dialogs().showMessage("The zoom could not be saved in " + UserSettings::zoomFile() +
                              "; it holds until the host is closed.");
    }
    if (frame_ == nullptr || openZoom_ == percent) {
        return;
    }
    if (!rezoom(percent)) {
        dialogs().showMessage("The host keeps the editor's window at its size. " +
                              EditorZoom::menuText(percent) +
                              " applies the next time the editor is opened.");
    }
}

bool Editor::rezoom(int percent) {
    const FrameWindow* asked = frame_.get();
    if (!askHostForSize(percent)) {
        return false;
    }
    // The host may have closed and opened the editor itself while resizing.
    if (frame_ != nullptr && frame_.get() == asked && openZoom_ != percent) {
        void* parent = parent_;
        close(); // a frame in use by a menu's loop goes once that loop has unwound
        open(parent);
    }
    return true;
}

void Editor::setHostScale(double factor) {
    ModelLock::Scope hold(lock_);
    hostScale_ = factor > 0.0 ? factor : 0.0;
    if (frame_ == nullptr) {
        zoom_.refresh(hostScale_); // 0: the desktop is asked again when next needed
        return;
    }
    zoom_.refresh(desktopFactor(&frame_->windowSystem()));
    checkZoomItem();
    const int percent = zoom_.preferred();
    if (percent != openZoom_) {
        rezoom(percent);
    }
}

double Editor::desktopFactor(platform::WindowSystem* system) const {
    if (hostScale_ > 0.0) {
        return hostScale_;
    }
    return system != nullptr ? system->desktopScale() : 1.0;
}

void Editor::close() {
    ModelLock::Scope hold(lock_);
    if (frame_ == nullptr) {
        return;
    }
    detachControls();
    sampleBrowser_.setDialogs(headlessDialogs_);
    closedDialogs_ = std::move(widgetDialogs_);
    FrameWindow::dispose(std::move(frame_));
}

void Editor::detachControls() {
    for (auto& r : rows_) {
        r->detach();
    }
    patternKeys.detach();
    sampleBaseDisplay = nullptr;
    sampleBaseButton = importButton = exportButton = nullptr;
    stepEditSwitch = nullptr;
    shuffleKnob = nullptr;
    bpmDisplay = notesDisplay = nullptr;
    patternMenu = nullptr;
    playButton = nullptr;
    splash = nullptr;
    heldButton_ = nullptr;
    tellReadFailure_ = false;
}

void Editor::setTempoDisplay(float bpm) {
    if (bpmDisplay != nullptr) {
        bpmDisplay->setValue(bpm);
    }
}

void Editor::showAudioState() {
    if (notesDisplay == nullptr || playButton == nullptr) {
        return; // the window is still being built
    }
    const int voices = sequencer().liveVoices;
    if (voices != shownNoteCount) {
        shownNoteCount = voices;
        notesDisplay->setValue(static_cast<float>(voices));
    }
    for (auto& r : rows_) {
        r->showLamp();
    }
    playButton->setValue(sequencer().playing != 0 ? 1.0f : 0.0f);
    const float tempo = sequencer().tempo;
    if (tempo != shownTempo_) {
        shownTempo_ = tempo;
        if (tempo > 0.0f) {
            setTempoDisplay(tempo);
        }
    }
}

void Editor::refresh() {
    if (frame_ == nullptr) {
        return;
    }
    showAudioState();
    if (inHostIdle_) {
        return;
    }
    frame_->idle();
}

void Editor::idle() {
    ModelLock::Scope hold(lock_);
    // Nested in the modal idle's host idle, only the audio state is copied: the control
    // that runs the loop may rely on the others staying as they are.
    if (frame_ != nullptr && !inHostIdle_) {
        showModelChanges();
    }
    refresh();
    // Messages and questions only from the host's own idle, with nothing of ours running:
    // each runs a modal loop of its own, in which the host may even close the window.
    if (frame_ != nullptr && !inHostIdle_ && tellReadFailure_ && !frame_->inputBlocked()) {
        tellReadFailure_ = false;
        sampleBrowser_.reportReadFailure();
    }
    if (frame_ != nullptr && !inHostIdle_ && !frame_->inputBlocked()) {
        offerRelocations();
    }
}

void Editor::doIdle() {
    ModelLock::Scope hold(lock_);
    if (frame_ == nullptr) {
        return;
    }
    platform::WindowSystem& system = frame_->windowSystem();
    std::uint32_t now = system.tickCount();
    refresh();
    if (now - lastIdleTick_ < kBusyIdle) {
        {
            ModelLock::Released out(lock_); // a save or restore may run meanwhile
            system.sleep(kIdleSleep);
        }
        now += kIdleSleep;
        if (now - lastIdleTick_ < kHostIdleGap) {
            return;
        }
    }
    lastIdleTick_ = now;
    inHostIdle_ = true;
    {
        ModelLock::Released out(lock_);
        host_.masterIdle(); // may close the window
    }
    inHostIdle_ = false;
}

void Editor::beginEdit(int tag) {
    ModelLock::Released out(lock_);
    host_.beginEdit(tag);
}

void Editor::endEdit(int tag) {
    ModelLock::Released out(lock_);
    host_.endEdit(tag);
}

void Editor::beginEdit(const Control& control) {
    beginEdit(control.tag());
    if (const ParameterId id = parameterOf(control); id != ParameterTable::kNone) {
        instrument_.beginParameterEdit(id);
    }
}

void Editor::endEdit(const Control& control) {
    if (const ParameterId id = parameterOf(control); id != ParameterTable::kNone) {
        instrument_.endParameterEdit(id);
    }
    endEdit(control.tag());
}

bool Editor::hasHostFileSelector() {
    ModelLock::Released out(lock_);
    return host_.hasHostFileSelector();
}

int Editor::openHostFileSelector(FileSelectRequest& request) {
    ModelLock::Released out(lock_);
    return host_.openHostFileSelector(request);
}

void Editor::closeHostFileSelector(FileSelectRequest& request) {
    ModelLock::Released out(lock_);
    host_.closeHostFileSelector(request);
}

void Editor::offerRelocations() {
    if (relocating_) {
        return;
    }
    relocating_ = true;
    for (int s = 0; s < capacity::kRowSlots && frame_ != nullptr; ++s) {
        Slot& slot = sequencer().slots().slot(s);
        if (!instrument_.relocationPending(s)) {
            continue;
        }
        instrument_.setRelocationPending(s, false);
        if (!slot.sampleMissing()) {
            continue; // another sample was set meanwhile
        }
        const unsigned asked = openCount_;
        sampleBrowser_.relocateMissingSample(slot);
        if (frame_ == nullptr || openCount_ != asked) {
            // The host closed the window during the question: that was no answer of the
            // user's, so the slot is offered again when the window next opens.
            instrument_.setRelocationPending(s, slot.sampleMissing());
            break;
        }
    }
    relocating_ = false;
}

int Editor::onKeyDown(const KeyCode& key) {
    ModelLock::Scope hold(lock_);
    if (!setStepEditModeFromKey(key.character)) {
        return 0;
    }
    instrument_.markEdited();
    showStepEditMode();
    return 1;
}

bool Editor::onKeyDown(const platform::KeyEvent& key) {
    if (key.key != platform::Key::Character || key.modifiers != 0 ||
        !setStepEditModeFromKey(static_cast<int>(key.character))) {
        return false;
    }
    instrument_.markEdited();
    showStepEditMode();
    return true;
}

void Editor::showStepEditMode() {
    if (stepEditSwitch == nullptr) {
        return;
    }
    stepEditSwitch->setValue(instrument_.stepEditMode);
    stepEditSwitch->setDirty();
    showCurrentPattern();
}

int Editor::setKnobMode(int mode) {
    quovent::setKnobMode(mode);
    return 1;
}

// ---- Views ----------------------------------------------------------------------------

void Editor::showSampleBaseText(const std::string& text) {
    if (sampleBaseDisplay == nullptr) {
        return;
    }
    sampleBaseDisplay->setText(kTextIndent + text);
    sampleBaseDisplay->setDirty();
}

void Editor::redrawReadouts() {
    if (bpmDisplay != nullptr) {
        bpmDisplay->setDirty();
        notesDisplay->setDirty();
    }
}

void Editor::showCurrentPattern() {
    for (auto& r : rows_) {
        r->steps().show();
    }
    patternKeys.show(sequencer().patterns());
}

void Editor::showModelChanges() {
    if (instrument_.stateChanges() != shownStateChanges_) {
        showModel();
        return;
    }
    const unsigned hostChanges = instrument_.hostParameterChanges();
    if (hostChanges != shownHostChanges_) {
        shownHostChanges_ = hostChanges;
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            showSlotControls(s);
        }
        showShuffle();
    }
}

void Editor::showModel() {
    shownStateChanges_ = instrument_.stateChanges();
    shownHostChanges_ = instrument_.hostParameterChanges();
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        showSlotSettings(s);
    }
    showShuffle();
    // Sets the StepEdit switch and shows the current pattern's lane and keys.
    showStepEditMode();
    redrawReadouts();
}

void Editor::showSlotSettings(int slot) {
    if (slot >= 0 && slot < capacity::kRowSlots) {
        row(slot).showSettings();
    }
}

void Editor::showSlotControls(int slot) {
    if (slot >= 0 && slot < capacity::kRowSlots) {
        row(slot).showControls();
    }
}

void Editor::showShuffle() {
    if (shuffleKnob != nullptr) {
        shuffleKnob->setValue(sequencer().shuffleAmount);
        shuffleKnob->setDirty();
    }
}

// ---- Dispatch -------------------------------------------------------------------------

int Editor::rowOf(const Control& control) const {
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        if (rows_[static_cast<std::size_t>(i)]->owns(&control)) {
            return i;
        }
    }
    return -1;
}

bool Editor::pressStarts(const Control& control) {
    // The press ends with the release's report, not with a 0 reported while the pointer is
    // outside the button: coming back in is still the same press.
    const auto* button = dynamic_cast<const MomentaryButton*>(&control);
    const bool released = button == nullptr || !button->isHeld();
    if (control.value() == 0.0f) {
        if (heldButton_ == &control && released) {
            heldButton_ = nullptr;
        }
        return false;
    }
    if (heldButton_ == &control) {
        return false;
    }
    heldButton_ = &control;
    return true;
}

void Editor::redraw(DrawContext* context, Control* control) {
    if (context != nullptr && control != nullptr && frame_ != nullptr && control->isDirty()) {
        control->update(*context);
    }
}

ParameterId Editor::parameterOf(const Control& control) const {
    if (&control == shuffleKnob) {
        return ParameterTable::kShuffle;
    }
    const int s = rowOf(control);
    if (s < 0) {
        return ParameterTable::kNone;
    }
    const SlotRowView& r = *rows_[static_cast<std::size_t>(s)];
    const std::pair<const Control*, SlotField> fields[] = {
        {r.volume, SlotField::Volume},     {r.length, SlotField::Length}, {r.tune, SlotField::Tune},
        {r.freq, SlotField::Freq},         {r.res, SlotField::Res},       {r.pan, SlotField::Pan},
        {r.filterType, SlotField::Filter}, {r.mute, SlotField::Mute},     {r.solo, SlotField::Solo},
        {r.output, SlotField::Output},
    };
    for (const auto& [c, field] : fields) {
        if (c == &control) {
            return ParameterTable::slotParameter(s, field);
        }
    }
    return ParameterTable::kNone;
}

void Editor::edit(ParameterId id, float value) {
    const ParameterInfo* info = ParameterTable::find(id);
    if (info != nullptr && info->slot >= 0) {
        setCurrentSlot(&sequencer().slots().slot(info->slot));
    }
    instrument_.editParameter(id, value);
}

void Editor::valueChanged(DrawContext* context, Control& control) {
    const int tag = control.tag();
    const float value = control.value();
    instrument_.markEdited();
    switch (tag) {
    case 130:
        if (pressStarts(control)) {
            sampleBrowser_.chooseSampleBase();
            redrawReadouts();
        }
        redraw(context, sampleBaseButton);
        return;
    case 159:
        if (pressStarts(control)) {
            bankCommands_.importBank();
        }
        redraw(context, importButton);
        return;
    case 160:
        if (pressStarts(control)) {
            bankCommands_.exportBank();
        }
        redraw(context, exportButton);
        return;
    case 148: {
        const int item = static_cast<int>(value);
        const int zoomIndex = item - kFirstZoomItem;
        if (zoomIndex >= 0 && zoomIndex < static_cast<int>(EditorZoom::kOffered.size())) {
            chooseZoom(EditorZoom::kOffered[static_cast<std::size_t>(zoomIndex)]);
        } else {
            clipboardOperations_.patternMenu(item);
        }
        return;
    }
    case 151:
        instrument_.stepEditMode = value;
        showCurrentPattern();
        return;
    case 158:
        instrument_.setPlaying(static_cast<int>(value) != 0);
        return;
    case 161:
        instrument_.selectPatternBank(patternKeys.bankOf(&control));
        showCurrentPattern();
        return;
    case 162:
        edit(ParameterTable::kShuffle, value);
        return;
    case 201:
        if (Slot* slot = currentSlot()) {
            sampleBrowser_.selectFromList(*slot, static_cast<int>(value));
        }
        return;
    case 137:
        if (const int key = patternKeys.keyOf(&control); key >= 0) {
            instrument_.selectPatternKey(key);
            showCurrentPattern();
            if (sequencer().playing != 0 && playButton != nullptr) {
                playButton->setValue(1.0f);
            }
        }
        return;
    default:
        dispatchSlotControl(control, tag, value);
    }
}

void Editor::dispatchSlotControl(Control& control, int tag, float value) {
    const int s = rowOf(control);
    if (s < 0) {
        return;
    }
    SlotRowView& r = row(s);
    Slot& slot = r.slot();
    switch (tag) {
    case 131: {
        const int step = r.steps().stepOf(&control);
        if (step >= 0) {
            const StepButton& button = *r.steps().button(step);
            const int lane = stepEditLane();
            PatternRow& pattern = sequencer().patterns().currentRow(s);
            pattern.setStep(step, button.on());
            pattern.setLane(lane, step, button.laneValue(lane));
        }
        break;
    }
    case 132:
        if (&control == r.folder && pressStarts(control)) {
            sampleBrowser_.browseSampleDirectory(slot);
            redraw(frame_ != nullptr ? &frame_->context() : nullptr, r.name);
        }
        break;
    case 135:
        if (&control == r.previous && pressStarts(control)) {
            sampleBrowser_.previousSample(slot);
        } else if (&control == r.output) {
            // The selector has set the pair already; the instrument tells the host.
            edit(ParameterTable::slotParameter(s, SlotField::Output),
                 static_cast<float>(slot.outputPair.load()));
        }
        break;
    case 136:
        if (pressStarts(control)) {
            sampleBrowser_.nextSample(slot);
        }
        break;
    case 141:
    case 142:
    case 145:
    case 153:
    case 154:
    case 157:
        // The instrument also stretches a synchronised slot's sample for a new tune.
        edit(parameterOf(control), value);
        break;
    case 143:
        edit(ParameterTable::slotParameter(s, SlotField::Mute), slot.active != 0 ? 1.0f : 0.0f);
        break;
    case 144:
        setSoloFromButton(s, value);
        break;
    case 147:
        // The select bar is read by "copy selected slots" and "paste selected slots".
        slot.selected = value != 0.0f ? 1 : 0;
        break;
    case 155:
        slot.setSync(slot.sync == 0, samplesPerStep());
        r.steps().show();
        break;
    case 156:
        edit(ParameterTable::slotParameter(s, SlotField::Filter),
             static_cast<float>(Slot::filterModeFromValue(value)));
        break;
    case 200:
        clipboardOperations_.slotMenu(s, static_cast<int>(value), stepEditLane());
        break;
    default:
        break;
    }
}

void Editor::setSoloFromButton(int s, float value) {
    edit(ParameterTable::slotParameter(s, SlotField::Solo),
         static_cast<int>(value) != 0 ? 1.0f : 0.0f);
    // The model decided every slot's active flag; the mute and solo buttons show it.
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        SlotRowView& r = row(i);
        if (r.mute != nullptr) {
            r.mute->setValue(r.slot().active != 0 ? 0.0f : 1.0f);
            r.solo->setValue(r.slot().solo != 0 ? 1.0f : 0.0f);
        }
    }
}

} // namespace quovent
