#include "formats/vst2/Vst2Plugin.hpp"

#include "editor/Editor.hpp"
#include "formats/vst2/HostFileSelection.hpp"
#include "platform/Capacities.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace quovent {

namespace {
constexpr const char* kParameterName = "noname";
// Requested at the start of every block; only the tempo is read.
constexpr std::int32_t kBlockTimeRequest =
    vst::kVstTransportChanged | vst::kVstTransportPlaying | vst::kVstTempoValid;

// The host's tempo as it gives it (the instrument judges it); 0 when it gives no record.
double tempoOf(const vst::VstTimeInfo* time) noexcept {
    return time != nullptr ? time->tempo : 0.0;
}
} // namespace

Vst2Plugin::Vst2Plugin(vst::HostCallback hostCallback)
    : ExtendedEffectBase(hostCallback, kPrograms, kParams) {
    if (hostCallback != nullptr) {
        canHostDo("sizeWindow"); // asked for the host's sake; a zoom change asks to resize
        setNumInputs(0);
        setNumOutputs(capacity::kOutputs);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        // Both process entries work: the replacing one clears the outputs first. Hosts that
        // only take plug-ins announcing it (Ardour 7 refuses the others) need the flag.
        canProcessReplacing(true);
        setUniqueID(PluginInfo::kVst2UniqueId);
        // The whole state goes into the host's project as one chunk (getChunk, setChunk).
        programsAreChunks(true);
    }
    try {
        auto editor = std::make_unique<Editor>(instrument_, *this);
        sequencerEditor_ = editor.get();
        setEditor(std::move(editor));
    } catch (const std::bad_alloc&) {
        sequencerEditor_ = nullptr; // plays without an editor
    }
    instrument_.setListener(this);
}

Vst2Plugin::~Vst2Plugin() {
    instrument_.setListener(nullptr);
    // The editor holds this object as its HostServices: it goes while that is still whole.
    sequencerEditor_ = nullptr;
    releaseEditor();
    // A selection still open (the editor went without closing it) is closed for the host,
    // which may hold allocations for it.
    if (fileSelection_ != nullptr) {
        closeFileSelector(fileSelection_->record());
    }
}

// ---- Parameters: the current slot's six automated settings -------------------------------

namespace {
// The parameter indexes and the slot settings behind them.
constexpr std::pair<std::int32_t, SlotField> kIndexFields[] = {
    {Vst2Plugin::kParamVolume, SlotField::Volume}, {Vst2Plugin::kParamLength, SlotField::Length},
    {Vst2Plugin::kParamTune, SlotField::Tune},     {Vst2Plugin::kParamFreq, SlotField::Freq},
    {Vst2Plugin::kParamRes, SlotField::Res},       {Vst2Plugin::kParamPan, SlotField::Pan},
};
} // namespace

ParameterId Vst2Plugin::parameterAt(std::int32_t index) const noexcept {
    const Slot* const slot =
        sequencerEditor_ != nullptr ? sequencerEditor_->currentSlot() : nullptr;
    if (slot == nullptr) {
        return ParameterTable::kNone;
    }
    for (const auto& [i, field] : kIndexFields) {
        if (i == index) {
            return ParameterTable::slotParameter(slot->index(), field);
        }
    }
    return ParameterTable::kNone;
}

std::int32_t Vst2Plugin::indexOf(ParameterId id) noexcept {
    const ParameterInfo* const info = ParameterTable::find(id);
    for (const auto& [i, field] : kIndexFields) {
        if (info != nullptr && info->slot >= 0 && info->field == field) {
            return i;
        }
    }
    return -1;
}

void Vst2Plugin::setParameter(std::int32_t index, float value) noexcept {
    // Stored as a control value, 0..1. The host's value is untrusted: NaN is no value (the
    // setting keeps what it had), anything else outside 0..1, infinities included, is taken
    // as the nearer end.
    instrument_.setParameter(parameterAt(index), value);
}

float Vst2Plugin::getParameter(std::int32_t index) noexcept {
    const ParameterId id = parameterAt(index);
    return id != ParameterTable::kNone ? instrument_.parameter(id) : 0.0f;
}

void Vst2Plugin::parameterEdited(ParameterId id, float value) {
    // The editor has made the edited slot the current one, so the index addresses it.
    const std::int32_t index = indexOf(id);
    if (index >= 0) {
        callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
    }
}

// ---- The state in the host's project ----------------------------------------------------------

std::int32_t Vst2Plugin::getChunk(void** data, bool /*isPreset*/) {
    if (data == nullptr) {
        return 0;
    }
    // Saved and published under the model lock: two host threads saving at once each get a
    // whole text. An unchanged state keeps its buffer, and the one before a change stays
    // alive, so a text handed to one thread is not rewritten while another saves.
    ModelLock::Scope hold(instrument_.lock());
    std::string text = instrument_.saveState();
    if (text != chunk_) {
        previousChunk_ = std::move(chunk_);
        chunk_ = std::move(text);
    }
    *data = chunk_.data();
    return static_cast<std::int32_t>(chunk_.size());
}

std::int32_t Vst2Plugin::setChunk(void* data, std::intptr_t byteSize, bool /*isPreset*/) {
    // The instrument refuses a size beyond what a state can be before it reads a byte: the
    // host's buffer may be far shorter than it claims.
    if (data == nullptr || byteSize <= 0) {
        return 0;
    }
    const std::string_view text(static_cast<const char*>(data), static_cast<std::size_t>(byteSize));
    return instrument_.restoreState(text).ok ? 1 : 0;
}

// ---- The host's file selector ----------------------------------------------------------------

bool Vst2Plugin::hasHostFileSelector() {
    return canHostDo("openFileSelector") && canHostDo("closeFileSelector");
}

int Vst2Plugin::openHostFileSelector(FileSelectRequest& request) {
    request.results.clear();
    if (fileSelection_ != nullptr) {
        // The previous selection was never closed: close it before the record goes.
        closeFileSelector(fileSelection_->record());
        fileSelection_.reset();
        fileSelectionRequest_ = nullptr;
    }
    auto selection = std::make_unique<HostFileSelection>(request);
    HostFileSelection& current = *selection;
    fileSelection_ = std::move(selection);
    fileSelectionRequest_ = &request;
    request.results = current.results(openFileSelector(current.record()));
    return static_cast<int>(request.results.size());
}

void Vst2Plugin::closeHostFileSelector(FileSelectRequest& request) {
    if (fileSelection_ == nullptr || fileSelectionRequest_ != &request) {
        return;
    }
    closeFileSelector(fileSelection_->record());
    fileSelection_.reset();
    fileSelectionRequest_ = nullptr;
}

// ---- Audio thread ---------------------------------------------------------------------------

std::int32_t Vst2Plugin::processEvents(vst::VstEvents* events) noexcept {
    if (events == nullptr) {
        return 1;
    }
    // The list is as long as numEvents says, not as the declared array: walk a pointer. Its
    // events belong to the next block; a second list before it adds to the first.
    vst::VstEvent* const* const list = events->events;
    const std::int32_t count = events->numEvents;
    for (std::int32_t i = 0; i < count && eventCount_ < events_.size(); ++i) {
        const vst::VstEvent* const event = list[i];
        if (event == nullptr || event->type != vst::kVstMidiType) {
            continue;
        }
        const auto* const midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
        events_[eventCount_++] = InstrumentEvent::midiMessage(
            midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
            static_cast<std::uint8_t>(midi->midiData[1]),
            static_cast<std::uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void Vst2Plugin::process(float** /*inputs*/, float** outputs, std::int32_t sampleFrames) noexcept {
    render(outputs, sampleFrames, ProcessBlock::Mix::Add);
}

// The replacing entry owns the buffers' contents: hosts may hand over buffers that still
// hold an earlier block.
void Vst2Plugin::processReplacing(float** /*inputs*/, float** outputs,
                                  std::int32_t sampleFrames) noexcept {
    render(outputs, sampleFrames, ProcessBlock::Mix::Replace);
}

// Note-offs act from the start of their block, as projects made with earlier releases were
// heard. A record created without a host declares fewer outputs, so the host hands over fewer
// buffers: the instrument reads only as many as the record declares.
void Vst2Plugin::render(float** outputs, std::int32_t sampleFrames,
                        ProcessBlock::Mix mix) noexcept {
    ProcessBlock block;
    block.outputs = outputs;
    block.outputCount = std::clamp(effect_.numOutputs, 0, capacity::kOutputs);
    block.frames = sampleFrames;
    block.events = {events_.data(), eventCount_};
    block.tempo = sampleFrames > 0 ? tempoOf(getTimeInfo(kBlockTimeRequest)) : 0.0;
    block.mix = mix;
    block.noteOffs = ProcessBlock::NoteOffs::AtBlockStart;
    instrument_.process(block);
    eventCount_ = 0;
}

// ---- Control thread -------------------------------------------------------------------------

void Vst2Plugin::setSampleRate(float rate) {
    ExtendedEffectBase::setSampleRate(rate);
    instrument_.setSampleRate(rate);
}

void Vst2Plugin::setBlockSizeAndSampleRate(std::int32_t blockSize, float sampleRate) {
    ExtendedEffectBase::setBlockSizeAndSampleRate(blockSize, sampleRate);
    instrument_.adoptSampleRate(sampleRate);
}

// The host starts its audio again: nothing of the time before sounds on.
void Vst2Plugin::resume() {
    instrument_.reset();
    eventCount_ = 0;
    wantEvents(1);
}

float Vst2Plugin::hostTempo() {
    const double bpm = tempoOf(getTimeInfo(vst::kVstTempoValid));
    return bpm > 0.0 && std::isfinite(bpm) ? static_cast<float>(bpm) : 0.0f;
}

// ---- Texts ------------------------------------------------------------------------------------
// Every text fits the buffer the interface guarantees for its request (checked in the header).

namespace {
// The text with its zero into a buffer the interface guarantees is large enough.
void copyText(std::string_view text, char* out) noexcept {
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
}
} // namespace

void Vst2Plugin::getProgramName(char* name) {
    copyText(PluginInfo::kWebAddress, name);
}

bool Vst2Plugin::getProgramNameIndexed(std::int32_t /*category*/, std::int32_t /*index*/,
                                       char* text) {
    getProgramName(text);
    return true;
}

void Vst2Plugin::getParameterDisplay(std::int32_t /*index*/, char* text) {
    text[0] = '\0';
}

void Vst2Plugin::getParameterName(std::int32_t /*index*/, char* text) {
    std::memcpy(text, kParameterName, std::strlen(kParameterName) + 1);
}

bool Vst2Plugin::getEffectName(char* name) {
    copyText(PluginInfo::kName, name);
    return true;
}

bool Vst2Plugin::getVendorString(char* text) {
    copyText(PluginInfo::kVendor, text);
    return true;
}

bool Vst2Plugin::getProductString(char* text) {
    copyText(PluginInfo::kDescription, text);
    return true;
}

bool Vst2Plugin::getOutputProperties(std::int32_t index, vst::VstPinProperties* props) {
    // Every index is answered, also beyond the twelve outputs: pins 2n and 2n+1 form pair
    // n+1, and a pin past the last pair is named as the pair it would form.
    props->flags = vst::kVstPinIsActive | vst::kVstPinIsStereo;
    const int pair = index / 2;
    if (index >= 0 && pair < capacity::kOutputPairs) {
        copyText(PluginInfo::kOutputPairNames[static_cast<std::size_t>(pair)], props->label);
    } else {
        std::snprintf(props->label, sizeof props->label, "quov %1d", pair + 1);
    }
    return true;
}

std::int32_t Vst2Plugin::canDo(const char* text) {
    if (text == nullptr) {
        return -1;
    }
    const std::string_view asked(text);
    return asked == "receiveVstEvents" || asked == "receiveVstMidiEvent" ? 1 : -1;
}

} // namespace quovent
