#include "host/InstrumentPlugin.hpp"

#include "editor/Editor.hpp"
#include "engine/NoteRatioTable.hpp"
#include "host/HostFileSelection.hpp"
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

// The host's tempo in BPM, 0 when it gives none (the sequencer then counts 120). A tempo
// that is not a positive finite number is no tempo.
float tempoOf(const vst::VstTimeInfo* time) noexcept {
    if (time == nullptr || !(time->tempo > 0.0 && std::isfinite(time->tempo))) {
        return 0.0f;
    }
    return static_cast<float>(time->tempo);
}
} // namespace

InstrumentPlugin::InstrumentPlugin(vst::HostCallback hostCallback)
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
        setUniqueID(kUniqueId);
        // The whole state goes into the host's project as one chunk (getChunk, setChunk).
        programsAreChunks(true);
    }
    try {
        auto editor = std::make_unique<Editor>(*this);
        sequencerEditor_ = editor.get();
        setEditor(std::move(editor));
    } catch (const std::bad_alloc&) {
        sequencerEditor_ = nullptr; // runs without editor and model
    }
    NoteRatioTable::resetNoteOffScale();
    NoteRatioTable::fill();
}

InstrumentPlugin::~InstrumentPlugin() {
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

Relaxed<float>* InstrumentPlugin::parameterField(std::int32_t index) const noexcept {
    if (sequencerEditor_ == nullptr) {
        return nullptr;
    }
    Slot* const slot = sequencerEditor_->currentSlot();
    if (slot == nullptr) {
        return nullptr;
    }
    switch (index) {
    case kParamVolume:
        return &slot->volume;
    case kParamLength:
        return &slot->length;
    case kParamTune:
        return &slot->tune;
    case kParamFreq:
        return &slot->freq;
    case kParamRes:
        return &slot->res;
    case kParamPan:
        return &slot->pan;
    default:
        return nullptr;
    }
}

void InstrumentPlugin::setParameter(std::int32_t index, float value) noexcept {
    // Stored as a control value, 0..1; nothing is recomputed or redrawn. The host's value is
    // untrusted: NaN is no value (the setting keeps what it had), anything else outside
    // 0..1, infinities included, is taken as the nearer end.
    Relaxed<float>* const field = parameterField(index);
    if (field != nullptr && !std::isnan(value)) {
        field->store(std::clamp(value, 0.0f, 1.0f));
    }
}

float InstrumentPlugin::getParameter(std::int32_t index) noexcept {
    const Relaxed<float>* const field = parameterField(index);
    return field != nullptr ? field->load() : 0.0f;
}

void InstrumentPlugin::setParameterAutomated(std::int32_t index, float value) {
    ExtendedEffectBase::setParameterAutomated(index, value);
}

// ---- The state in the host's project ----------------------------------------------------------

std::int32_t InstrumentPlugin::getChunk(void** data, bool /*isPreset*/) {
    if (data == nullptr || sequencerEditor_ == nullptr) {
        return 0;
    }
    sequencerEditor_->saveState(chunk_);
    *data = chunk_.data();
    return static_cast<std::int32_t>(chunk_.size());
}

std::int32_t InstrumentPlugin::setChunk(void* data, std::intptr_t byteSize, bool /*isPreset*/) {
    // A size beyond what a state can be is refused before a byte is read: the host's
    // buffer may be far shorter than it claims.
    if (data == nullptr || byteSize <= 0 || sequencerEditor_ == nullptr ||
        static_cast<std::uintmax_t>(byteSize) > capacity::kBankFileBytes) {
        return 0;
    }
    const std::string_view text(static_cast<const char*>(data), static_cast<std::size_t>(byteSize));
    return sequencerEditor_->restoreState(text) ? 1 : 0;
}

// ---- The host's file selector ----------------------------------------------------------------

bool InstrumentPlugin::hasHostFileSelector() {
    return canHostDo("openFileSelector") && canHostDo("closeFileSelector");
}

int InstrumentPlugin::openHostFileSelector(FileSelectRequest& request) {
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

void InstrumentPlugin::closeHostFileSelector(FileSelectRequest& request) {
    if (fileSelection_ == nullptr || fileSelectionRequest_ != &request) {
        return;
    }
    closeFileSelector(fileSelection_->record());
    fileSelection_.reset();
    fileSelectionRequest_ = nullptr;
}

// ---- Audio thread ---------------------------------------------------------------------------

std::int32_t InstrumentPlugin::processEvents(vst::VstEvents* events) noexcept {
    if (events == nullptr || sequencerEditor_ == nullptr) {
        return 1;
    }
    Sequencer& sequencer = sequencerEditor_->sequencer();
    // The list is as long as numEvents says, not as the declared array: walk a pointer.
    vst::VstEvent* const* const list = events->events;
    const std::int32_t count = events->numEvents;
    for (std::int32_t i = 0; i < count; ++i) {
        const vst::VstEvent* const event = list[i];
        if (event == nullptr || event->type != vst::kVstMidiType) {
            continue;
        }
        const auto* const midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
        sequencer.midiEvent(midi->deltaFrames, static_cast<std::uint8_t>(midi->midiData[0]),
                            static_cast<std::uint8_t>(midi->midiData[1]),
                            static_cast<std::uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void InstrumentPlugin::process(float** /*inputs*/, float** outputs,
                               std::int32_t sampleFrames) noexcept {
    render(outputs, sampleFrames);
}

void InstrumentPlugin::processReplacing(float** /*inputs*/, float** outputs,
                                        std::int32_t sampleFrames) noexcept {
    if (outputs == nullptr || sampleFrames <= 0) {
        return;
    }
    // The replacing entry owns the buffers' contents: hosts may hand over buffers that still
    // hold an earlier block.
    const int channels = std::clamp(effect_.numOutputs, 0, capacity::kOutputs);
    for (int c = 0; c < channels; ++c) {
        if (outputs[c] != nullptr) {
            std::fill_n(outputs[c], sampleFrames, 0.0f);
        }
    }
    render(outputs, sampleFrames);
}

void InstrumentPlugin::render(float** outputs, std::int32_t sampleFrames) noexcept {
    if (sequencerEditor_ == nullptr || outputs == nullptr || sampleFrames <= 0) {
        return;
    }
    // The sequencer writes all twelve channels. A record created without a host declares
    // fewer, so the host hands over fewer buffers: render nothing rather than write past them.
    if (effect_.numOutputs < capacity::kOutputs) {
        return;
    }
    for (int c = 0; c < capacity::kOutputs; ++c) {
        if (outputs[c] == nullptr) {
            return;
        }
    }
    const float tempo = tempoOf(getTimeInfo(kBlockTimeRequest));
    sequencerEditor_->sequencer().renderBlock(outputs, sampleFrames, tempo, sampleRate());
}

// ---- Control thread -------------------------------------------------------------------------

void InstrumentPlugin::setSampleRate(float rate) {
    ExtendedEffectBase::setSampleRate(rate);
    NoteRatioTable::noteOffScaleForSampleRate();
    if (sequencerEditor_ == nullptr) {
        return;
    }
    // Synchronised slots stretch their sample over a number of steps, which last a number
    // of frames that depends on the rate.
    Sequencer& sequencer = sequencerEditor_->sequencer();
    const double samplesPerStep = sequencer.samplesPerStep(sampleRate());
    for (int i = 0; i < capacity::kSlots; ++i) {
        Slot& slot = sequencer.slots().slot(i);
        if (slot.sync != 0) {
            slot.updateSyncIncrement(samplesPerStep);
        }
    }
}

void InstrumentPlugin::resume() {
    wantEvents(1);
}

float InstrumentPlugin::hostTempo() {
    return tempoOf(getTimeInfo(vst::kVstTempoValid));
}

// ---- Texts ------------------------------------------------------------------------------------
// Every text fits the buffer the interface guarantees for its request (checked in the header).

void InstrumentPlugin::getProgramName(char* name) {
    std::memcpy(name, kWebAddress, std::strlen(kWebAddress) + 1);
}

bool InstrumentPlugin::getProgramNameIndexed(std::int32_t /*category*/, std::int32_t /*index*/,
                                             char* text) {
    getProgramName(text);
    return true;
}

void InstrumentPlugin::getParameterDisplay(std::int32_t /*index*/, char* text) {
    text[0] = '\0';
}

void InstrumentPlugin::getParameterName(std::int32_t /*index*/, char* text) {
    std::memcpy(text, kParameterName, std::strlen(kParameterName) + 1);
}

bool InstrumentPlugin::getEffectName(char* name) {
    std::memcpy(name, kEffectName, std::strlen(kEffectName) + 1);
    return true;
}

bool InstrumentPlugin::getVendorString(char* text) {
    std::memcpy(text, kVendorString, std::strlen(kVendorString) + 1);
    return true;
}

bool InstrumentPlugin::getProductString(char* text) {
    std::memcpy(text, kProductString, std::strlen(kProductString) + 1);
    return true;
}

bool InstrumentPlugin::getOutputProperties(std::int32_t index, vst::VstPinProperties* props) {
    // Every index is answered, also beyond the twelve outputs: pins 2n and 2n+1 form pair n+1.
    props->flags = vst::kVstPinIsActive | vst::kVstPinIsStereo;
    std::snprintf(props->label, sizeof props->label, "quov %1d", index / 2 + 1);
    return true;
}

std::int32_t InstrumentPlugin::canDo(const char* text) {
    if (text == nullptr) {
        return -1;
    }
    const std::string_view asked(text);
    return asked == "receiveVstEvents" || asked == "receiveVstMidiEvent" ? 1 : -1;
}

} // namespace quovent
