#include "instrument/Instrument.hpp"

#include "instrument/BankFile.hpp"
#include "platform/NativePath.hpp"
#include "samples/SampleDirectory.hpp"
#include "samples/WavFile.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

namespace {
constexpr int kRowSlots = capacity::kRowSlots;

bool isRowSlot(int slot) noexcept {
    return slot >= 0 && slot < kRowSlots;
}

// The host's tempo as the sequencer takes it: 0 for none. Anything a host could mean lies far
// inside float's range; the sequencer bounds it further.
float usableTempo(double bpm) noexcept {
    constexpr double kLargest = 1.0e6;
    return bpm > 0.0 && std::isfinite(bpm) ? static_cast<float>(std::min(bpm, kLargest)) : 0.0f;
}

// Whether an event ends the piece of the block before it: parameter changes act at their
// frame, and so do note-offs (a note-on of velocity 0 too) and controller 123 unless they
// act from the block's start. Note-ons start at their frame within a piece anyway.
bool actsAtItsFrame(const InstrumentEvent& e, ProcessBlock::NoteOffs noteOffs) noexcept {
    if (e.kind == InstrumentEvent::Kind::Parameter) {
        return true;
    }
    if (noteOffs == ProcessBlock::NoteOffs::AtBlockStart) {
        return false;
    }
    const int kind = e.midi[0] & 0xF0;
    return kind == 0x80 || (kind == 0x90 && (e.midi[2] & 0x7F) == 0) ||
           (kind == 0xB0 && e.midi[1] == Sequencer::kAllNotesOff);
}
} // namespace

Instrument::Instrument()
    : scratch_(
          std::make_unique<float[]>(static_cast<std::size_t>(kOutputs) * capacity::kRenderFrames)) {
}

// ---- Audio thread -----------------------------------------------------------------------

void Instrument::process(const ProcessBlock& block) noexcept {
    const int frames = std::max(block.frames, 0);
    hostTempo_ = usableTempo(block.tempo);
    std::array<float*, kOutputs> host{};
    for (int c = 0; c < kOutputs && block.outputs != nullptr && c < block.outputCount; ++c) {
        host[static_cast<std::size_t>(c)] = block.outputs[c];
    }
    if (block.mix == ProcessBlock::Mix::Replace) {
        for (float* channel : host) {
            if (channel != nullptr) {
                std::fill_n(channel, frames, 0.0f);
            }
        }
    }
    // The block in pieces: an event that acts at its own frame ends the piece before that
    // frame, so each piece starts with the events of its first frame and takes the note-ons
    // of its other frames at their offsets. A block of no frames only carries out its events.
    const std::span<const InstrumentEvent> events = blockEvents_.order(block.events, frames);
    std::size_t next = 0;  // the first event not carried out
    std::size_t split = 0; // the first event that may end a piece
    int position = 0;
    do {
        int end = std::min(frames, position + capacity::kRenderFrames);
        while (split < events.size() && (events[split].frame <= position ||
                                         !actsAtItsFrame(events[split], block.noteOffs))) {
            ++split;
        }
        if (split < events.size()) {
            end = std::min(end, static_cast<int>(events[split].frame));
        }
        for (; next < events.size() && (events[next].frame < end || frames == 0); ++next) {
            carryOut(events[next], events[next].frame - position);
        }
        if (end > position) {
            renderPiece(host, position, end - position);
        }
        position = end;
    } while (position < frames);
}

void Instrument::carryOut(const InstrumentEvent& e, int delta) noexcept {
    if (e.kind == InstrumentEvent::Kind::Parameter) {
        setParameter(e.parameter, e.value);
    } else {
        sequencer_.midiEvent(delta, e.midi[0], e.midi[1], e.midi[2]);
    }
}

void Instrument::renderPiece(const std::array<float*, kOutputs>& host, int start,
                             int frames) noexcept {
    std::array<float*, kOutputs> piece{};
    for (std::size_t c = 0; c < piece.size(); ++c) {
        if (host[c] != nullptr) {
            piece[c] = host[c] + start;
        } else {
            piece[c] = scratch_.get() + c * capacity::kRenderFrames;
            std::fill_n(piece[c], frames, 0.0f);
        }
    }
    sequencer_.renderBlock(piece.data(), frames, hostTempo_.load(), sampleRate());
}

float Instrument::tempo() const noexcept {
    const float seen = sequencer_.tempo;
    return seen > 0.0f ? seen : Sequencer::kDefaultTempo;
}

// ---- Host settings ----------------------------------------------------------------------

// Note-offs take the scale that follows a rate once a host has set one, usable or not (so
// VST 2 projects keep their sound).
bool Instrument::setSampleRate(double rate) noexcept {
    sequencer_.useNoteOffScaleAfterRate();
    if (!adoptSampleRate(rate)) {
        return false;
    }
    restretchSyncSlots();
    return true;
}

bool Instrument::adoptSampleRate(double rate) noexcept {
    if (!usableSampleRate(rate)) {
        return false;
    }
    sampleRate_ = static_cast<float>(rate);
    return true;
}

void Instrument::restretchSyncSlots() noexcept {
    // Synchronised slots stretch their sample over a number of steps, which last a number
    // of frames that depends on the rate.
    const double sps = samplesPerStep();
    for (int i = 0; i < capacity::kSlots; ++i) {
        Slot& slot = sequencer_.slots().slot(i);
        if (slot.sync != 0) {
            slot.updateSyncIncrement(sps);
        }
    }
}

// ---- Parameters -------------------------------------------------------------------------

void Instrument::store(const ParameterInfo& info, float value) noexcept {
    if (info.id == ParameterTable::kShuffle) {
        sequencer_.shuffleAmount = value;
        return;
    }
    Slot& slot = sequencer_.slots().slot(info.slot);
    switch (info.field) {
    case SlotField::Volume:
        slot.volume = value;
        break;
    case SlotField::Length:
        slot.length = value;
        break;
    case SlotField::Tune:
        slot.tune = value;
        // A synchronised slot's tune picks the steps its sample lasts.
        if (slot.sync != 0) {
            slot.updateSyncIncrement(samplesPerStep());
        }
        break;
    case SlotField::Freq:
        slot.freq = value;
        break;
    case SlotField::Res:
        slot.res = value;
        break;
    case SlotField::Pan:
        slot.pan = value;
        break;
    case SlotField::Filter:
        slot.filterMode = static_cast<int>(value);
        break;
    case SlotField::Mute:
        slot.active = value != 0.0f ? 0 : 1;
        break;
    case SlotField::Solo:
        // Which slots sound follows at the next block (SlotBank::silentSlots): the mute
        // flags stay the user's own.
        slot.solo = value != 0.0f ? 1 : 0;
        break;
    case SlotField::Output:
        slot.setOutputPair(static_cast<int>(value));
        break;
    }
}

bool Instrument::setParameter(ParameterId id, float value) noexcept {
    const ParameterInfo* info = ParameterTable::find(id);
    if (info == nullptr || !ParameterTable::sanitise(*info, value)) {
        return false;
    }
    store(*info, value);
    hostChanges_ = hostChanges_ + 1;
    return true;
}

float Instrument::parameter(ParameterId id) const noexcept {
    const ParameterInfo* info = ParameterTable::find(id);
    if (info == nullptr) {
        return 0.0f;
    }
    if (info->id == ParameterTable::kShuffle) {
        return sequencer_.shuffleAmount;
    }
    const Slot& slot = sequencer_.slots().slot(info->slot);
    switch (info->field) {
    case SlotField::Volume:
        return slot.volume;
    case SlotField::Length:
        return slot.length;
    case SlotField::Tune:
        return slot.tune;
    case SlotField::Freq:
        return slot.freq;
    case SlotField::Res:
        return slot.res;
    case SlotField::Pan:
        return slot.pan;
    case SlotField::Filter:
        return static_cast<float>(slot.filterMode.load());
    case SlotField::Mute:
        return slot.active != 0 ? 0.0f : 1.0f;
    case SlotField::Solo:
        return slot.solo != 0 ? 1.0f : 0.0f;
    case SlotField::Output:
        return static_cast<float>(slot.outputPair.load());
    }
    return 0.0f;
}

void Instrument::beginParameterEdit(ParameterId id) {
    const int index = ParameterTable::indexOf(id);
    if (index < 0 || gestures_[static_cast<std::size_t>(index)]) {
        return;
    }
    gestures_[static_cast<std::size_t>(index)] = true;
    if (listener_ != nullptr) {
        ModelLock::Released out(lock_);
        listener_->parameterEditBegan(id);
    }
}

void Instrument::editParameter(ParameterId id, float value) {
    const ParameterInfo* info = ParameterTable::find(id);
    if (info == nullptr || !ParameterTable::sanitise(*info, value)) {
        return;
    }
    store(*info, value);
    if (listener_ == nullptr) {
        return;
    }
    const bool inGesture = gestures_[static_cast<std::size_t>(ParameterTable::indexOf(id))];
    ModelLock::Released out(lock_);
    if (!inGesture) {
        listener_->parameterEditBegan(id);
    }
    listener_->parameterEdited(id, value);
    if (!inGesture) {
        listener_->parameterEditEnded(id);
    }
}

void Instrument::endParameterEdit(ParameterId id) {
    const int index = ParameterTable::indexOf(id);
    if (index < 0 || !gestures_[static_cast<std::size_t>(index)]) {
        return;
    }
    gestures_[static_cast<std::size_t>(index)] = false;
    if (listener_ != nullptr) {
        ModelLock::Released out(lock_);
        listener_->parameterEditEnded(id);
    }
}

// ---- Operations on the model ------------------------------------------------------------

// The requests say what the user asked for (play this pattern from its start, or stop), so
// the audio side ends in that state however many clicks come before its next block.
void Instrument::playCurrentPatternIfPlaying() noexcept {
    if (sequencer_.playing != 0) {
        sequencer_.requestPlay(sequencer_.patterns().currentPattern());
    }
}

void Instrument::selectPatternKey(int key) noexcept {
    if (key < 0 || key >= PatternBank::kKeys) {
        return;
    }
    sequencer_.patterns().selectKey(key);
    playCurrentPatternIfPlaying();
}

void Instrument::selectPatternBank(int bank) noexcept {
    if (bank < 0 || bank >= PatternBank::kBanks) {
        return;
    }
    sequencer_.patterns().selectBank(bank);
    playCurrentPatternIfPlaying();
}

void Instrument::selectPattern(int bank, int key) noexcept {
    PatternBank& patterns = sequencer_.patterns();
    if (bank < 0 || bank >= PatternBank::kBanks || key < 0 || key >= PatternBank::kKeys) {
        return;
    }
    const bool changed = bank != patterns.bank() || key != patterns.key();
    patterns.selectBank(bank);
    patterns.selectKey(key);
    if (changed) {
        playCurrentPatternIfPlaying();
    }
}

void Instrument::setPlaying(bool on) noexcept {
    if (on) {
        sequencer_.requestPlay(sequencer_.patterns().currentPattern());
    } else {
        sequencer_.requestStop();
    }
}

// ---- The state --------------------------------------------------------------------------

std::string Instrument::saveState(const StatePaths* statePaths) const {
    ModelLock::Scope hold(lock_);
    return BankFile::stateText(*this, statePaths);
}

BankImportResult Instrument::restoreState(std::string_view text, const StatePaths* statePaths) {
    if (text.size() > kMaxStateBytes) {
        BankImportResult refused;
        refused.error = "state: larger than " + std::to_string(kMaxStateBytes) + " bytes";
        return refused;
    }
    ModelLock::Scope hold(lock_);
    BankImportResult result = BankFile::restoreState(*this, text, statePaths);
    if (!result.ok) {
        return result;
    }
    for (int s = 0; s < kRowSlots; ++s) {
        relocationPending_[static_cast<std::size_t>(s)] =
            sequencer_.slots().slot(s).sampleMissing();
    }
    stateChanges_ = stateChanges_ + 1;
    return result;
}

BankImportResult Instrument::importBank(const std::filesystem::path& file) {
    ModelLock::Scope hold(lock_);
    BankImportResult result = BankFile::importBank(*this, file);
    if (result.ok) {
        stateChanges_ = stateChanges_ + 1;
    }
    return result;
}

BankExportResult Instrument::exportBank(const std::filesystem::path& file) const {
    ModelLock::Scope hold(lock_);
    return BankFile::exportBank(*this, file);
}

std::string Instrument::loadSlotSample(int s, const std::string& path) {
    if (!isRowSlot(s)) {
        return "no such slot";
    }
    if (path.empty() || path.find('\0') != std::string::npos ||
        path.size() > capacity::kBankSamplePath) {
        return "not a usable path";
    }
    if (!platform::NativePath::fromUtf8(path).is_absolute()) {
        return path + ": not an absolute path";
    }
    ModelLock::Scope hold(lock_);
    Slot& slot = sequencer_.slots().slot(s);
    // The buffer changes only when the whole file could be read.
    if (!slot.sample.loadSample(path.c_str())) {
        WavFile wav;
        const bool opened = wav.openRead(path.c_str());
        const char* why = wav.lastError() != nullptr ? wav.lastError() : "cannot be read";
        return path + ": " + (opened ? "an encoding that cannot be decoded" : why);
    }
    slot.assignSamplePath(path);
    slot.directory.forget();
    slot.fileIndex = 0;
    if (slot.directory.setDirectory(SampleDirectory::parentOf(path)) && slot.directory.scan() > 0) {
        slot.fileIndex = std::max(0, slot.directory.indexOf(path));
    }
    if (slot.sync != 0) {
        slot.updateSyncIncrement(samplesPerStep());
    }
    relocationPending_[static_cast<std::size_t>(s)] = false;
    stateChanges_ = stateChanges_ + 1;
    return {};
}

bool Instrument::relocationPending(int slot) const noexcept {
    return isRowSlot(slot) && relocationPending_[static_cast<std::size_t>(slot)];
}

void Instrument::setRelocationPending(int slot, bool pending) noexcept {
    if (isRowSlot(slot)) {
        relocationPending_[static_cast<std::size_t>(slot)] = pending;
    }
}

} // namespace quovent
