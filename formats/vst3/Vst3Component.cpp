#include "formats/vst3/Vst3Component.hpp"

#include "formats/vst3/Vst3AbiView.hpp"
#include "formats/vst3/Vst3NoteEvents.hpp"
#include "formats/vst3/Vst3Parameters.hpp"
#include "formats/vst3/Vst3PlugView.hpp"
#include "formats/vst3/Vst3StateStream.hpp"
#include "platform/WindowSystem.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace quovent {

using namespace vst3;

namespace {

// More queues than any host sends in one block are not looked at.
constexpr int32 kMaxParameterQueues = 4 * ParameterTable::kCount;

template <typename Interface> tresult answer(Interface* object, void** obj) {
    object->addRef();
    *obj = object;
    return kResultOk;
}

// The host's tempo in BPM; 0 when it gives none (the instrument then counts 120).
float tempoOf(const ProcessContext* context) noexcept {
    if (context == nullptr || (context->state & ProcessContext::kTempoValid) == 0) {
        return 0.0f;
    }
    const double bpm = context->tempo;
    // Anything a host could mean lies far inside float's range.
    return std::isfinite(bpm) && bpm > 0.0 && bpm < 1.0e6 ? static_cast<float>(bpm) : 0.0f;
}

} // namespace

Vst3Component::Vst3Component() {
    instrument_.setListener(this);
}

Vst3Component::~Vst3Component() {
    instrument_.setListener(nullptr);
    terminate();
}

// ---- FUnknown ------------------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3Component::queryInterface(const TUID id, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    if (sameUid(id, FUnknown::iid) || sameUid(id, IPluginBase::iid) ||
        sameUid(id, IComponent::iid)) {
        return answer(static_cast<IComponent*>(this), obj);
    }
    if (sameUid(id, IAudioProcessor::iid)) {
        return answer(static_cast<IAudioProcessor*>(this), obj);
    }
    if (sameUid(id, IEditController::iid)) {
        return answer(static_cast<IEditController*>(this), obj);
    }
    if (sameUid(id, IProcessContextRequirements::iid)) {
        return answer(static_cast<IProcessContextRequirements*>(this), obj);
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 QUOVENT_VST3_CALL Vst3Component::addRef() {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 QUOVENT_VST3_CALL Vst3Component::release() {
    const uint32 left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

// ---- IPluginBase ---------------------------------------------------------------------------

// Hosts initialize the object once as component and often once more as controller: the second
// call is answered kResultFalse and changes nothing.
tresult QUOVENT_VST3_CALL Vst3Component::initialize(FUnknown* context) {
    if (initialized_) {
        return kResultFalse;
    }
    if (context != nullptr) {
        context->addRef();
    }
    hostContext_ = context;
    initialized_ = true;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Component::terminate() {
    setComponentHandler(nullptr);
    if (hostContext_ != nullptr) {
        hostContext_->release();
        hostContext_ = nullptr;
    }
    initialized_ = false;
    return kResultOk;
}

// ---- IComponent ----------------------------------------------------------------------------

// The controller is this object: there is no separate controller class.
tresult QUOVENT_VST3_CALL Vst3Component::getControllerClassId(TUID /*classId*/) {
    return kNotImplemented;
}

tresult QUOVENT_VST3_CALL Vst3Component::setIoMode(IoMode /*mode*/) {
    return kNotImplemented;
}

int32 QUOVENT_VST3_CALL Vst3Component::getBusCount(MediaType type, BusDirection dir) {
    return Vst3Buses::count(type, dir);
}

tresult QUOVENT_VST3_CALL Vst3Component::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                    BusInfo* bus) {
    return Vst3Buses::info(type, dir, index, bus);
}

// No input is routed to an output: there are no inputs.
tresult QUOVENT_VST3_CALL Vst3Component::getRoutingInfo(RoutingInfo* inInfo, RoutingInfo* outInfo) {
    return inInfo == nullptr || outInfo == nullptr ? kInvalidArgument : kNotImplemented;
}

tresult QUOVENT_VST3_CALL Vst3Component::activateBus(MediaType type, BusDirection dir, int32 index,
                                                     TBool state) {
    return buses_.activate(type, dir, index, state != 0);
}

tresult QUOVENT_VST3_CALL Vst3Component::setActive(TBool /*state*/) {
    return kResultOk;
}

// All-or-nothing: a stream that fails, is too long or holds no groove the instrument takes
// leaves the instance as it was.
tresult Vst3Component::setInstanceState(IBStream* state) {
    try {
        std::string text;
        if (!Vst3StateStream::readAll(state, capacity::kVst3StateBytes, text) ||
            !instrument_.restoreState(text).ok) {
            return kResultFalse;
        }
    } catch (const std::bad_alloc&) {
        return kResultFalse;
    }
    // Every parameter may have changed: the host reads them again.
    if (componentHandler_ != nullptr) {
        componentHandler_->restartComponent(kParamValuesChanged);
    }
    return kResultOk;
}

tresult Vst3Component::getInstanceState(IBStream* state) {
    if (state == nullptr) {
        return kInvalidArgument;
    }
    try {
        return Vst3StateStream::writeAll(state, instrument_.saveState()) ? kResultOk : kResultFalse;
    } catch (const std::bad_alloc&) {
        return kResultFalse;
    }
}

// ---- IAudioProcessor -----------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3Component::setBusArrangements(SpeakerArrangement* inputs,
                                                            int32 numIns,
                                                            SpeakerArrangement* outputs,
                                                            int32 numOuts) {
    return Vst3Buses::acceptsArrangement(inputs, numIns, outputs, numOuts) ? kResultTrue
                                                                           : kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3Component::getBusArrangement(BusDirection dir, int32 index,
                                                           SpeakerArrangement* arr) {
    return Vst3Buses::arrangement(dir, index, arr);
}

tresult QUOVENT_VST3_CALL Vst3Component::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3Component::setupProcessing(ProcessSetup* setup) {
    if (setup == nullptr) {
        return kInvalidArgument;
    }
    if (processing_) {
        return kResultFalse;
    }
    const bool mode = setup->processMode >= kRealtime && setup->processMode <= kOffline;
    const bool block =
        setup->maxSamplesPerBlock > 0 && setup->maxSamplesPerBlock <= capacity::kVst3MaxBlockFrames;
    const bool rate = std::isfinite(setup->sampleRate) &&
                      setup->sampleRate >= capacity::kVst3MinSampleRate &&
                      setup->sampleRate <= capacity::kVst3MaxSampleRate;
    if (!mode || !block || !rate || setup->symbolicSampleSize != kSample32) {
        return kInvalidArgument;
    }
    try {
        scratch_.assign(static_cast<std::size_t>(Instrument::kOutputs) *
                            static_cast<std::size_t>(setup->maxSamplesPerBlock),
                        0.0f);
    } catch (const std::bad_alloc&) {
        setUp_ = false;
        return kOutOfMemory;
    }
    maxBlockFrames_ = setup->maxSamplesPerBlock;
    sampleRate_ = setup->sampleRate;
    instrument_.setSampleRate(static_cast<float>(sampleRate_));
    setUp_ = true;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Component::setProcessing(TBool state) {
    processing_ = state != 0;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Component::process(ProcessData* data) noexcept {
    if (data == nullptr) {
        return kInvalidArgument;
    }
    if (!setUp_) {
        return kNotInitialized;
    }
    const bool buffers =
        data->numOutputs == 0 || (data->numOutputs > 0 && data->outputs != nullptr);
    if (data->symbolicSampleSize != kSample32 || data->numSamples < 0 ||
        data->numSamples > maxBlockFrames_ || !buffers) {
        return kInvalidArgument;
    }
    const float bpm = tempoOf(data->processContext);
    tempo_ = bpm > 0.0f ? bpm : kDefaultTempo;
    instrument_.setTempo(bpm);
    readParameterChanges(data->inputParameterChanges, data->numSamples);
    readEvents(data->inputEvents, data->numSamples);
    prepareOutputs(*data);
    renderBlock(data->numSamples);
    writeSilenceFlags(*data);
    return kResultOk;
}

// Automation: every point of every queue (NaN is no value; infinities are the ends of the
// range), in frame order (points of one frame in the order
// read, so a queue's later point wins).
void Vst3Component::readParameterChanges(IParameterChanges* changes, int frames) noexcept {
    pointCount_ = 0;
    if (changes == nullptr) {
        return;
    }
    const int32 lastFrame = std::max(frames - 1, 0);
    const int32 queues = std::min(changes->getParameterCount(), kMaxParameterQueues);
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr) {
            continue;
        }
        const ParamID id = queue->getParameterId();
        const quovent::ParameterInfo* const info = ParameterTable::find(id);
        if (info == nullptr) {
            continue;
        }
        const int32 points = std::min(queue->getPointCount(), int32{kMaxBlockPoints});
        for (int32 i = 0; i < points && pointCount_ < kMaxBlockPoints; ++i) {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (queue->getPoint(i, &offset, &value) != kResultOk || std::isnan(value)) {
                continue;
            }
            const Point point{std::clamp(offset, int32{0}, lastFrame), id,
                              ParameterTable::fromNormalized(*info, value)};
            // Insertion keeps equal frames in reading order; hosts send points in order,
            // so this is a walk to the end.
            int at = pointCount_;
            while (at > 0 && points_[static_cast<std::size_t>(at - 1)].frame > point.frame) {
                points_[static_cast<std::size_t>(at)] = points_[static_cast<std::size_t>(at - 1)];
                --at;
            }
            points_[static_cast<std::size_t>(at)] = point;
            ++pointCount_;
        }
    }
}

// Note events as MIDI messages, in frame order (equal frames in list order).
void Vst3Component::readEvents(IEventList* events, int frames) noexcept {
    eventCount_ = 0;
    if (events == nullptr || !buses_.eventInputActive()) {
        return;
    }
    const int32 count = std::min(events->getEventCount(), int32{kMaxBlockEvents});
    for (int32 i = 0; i < count; ++i) {
        Event event{};
        Vst3MidiMessage message;
        if (events->getEvent(i, &event) != kResultOk ||
            !Vst3NoteEvents::toMidi(event, frames, message)) {
            continue;
        }
        int at = eventCount_;
        while (at > 0 && events_[static_cast<std::size_t>(at - 1)].frame > message.frame) {
            events_[static_cast<std::size_t>(at)] = events_[static_cast<std::size_t>(at - 1)];
            --at;
        }
        events_[static_cast<std::size_t>(at)] = message;
        ++eventCount_;
    }
}

void Vst3Component::prepareOutputs(const ProcessData& data) noexcept {
    const int buses = std::min(data.numOutputs, capacity::kVst3OutputBuses);
    const auto frames = static_cast<std::size_t>(data.numSamples);
    for (int ch = 0; ch < Instrument::kOutputs; ++ch) {
        const int b = ch / capacity::kVst3BusChannels;
        const int c = ch % capacity::kVst3BusChannels;
        float* samples = nullptr;
        if (b < buses) {
            const AudioBusBuffers& bus = data.outputs[b];
            if (c < bus.numChannels && bus.channelBuffers32 != nullptr) {
                samples = bus.channelBuffers32[c];
            }
        }
        if (samples == nullptr) {
            samples = scratch_.data() +
                      static_cast<std::size_t>(ch) * static_cast<std::size_t>(maxBlockFrames_);
        }
        channels_[static_cast<std::size_t>(ch)] = samples;
        std::fill(samples, samples + frames, 0.0f);
    }
}

// The block in pieces between automation points: each piece starts with the values of the
// points at its first frame and its note events. The instrument takes a note-off when it
// hears it, so a piece gets only the events of its own frames. Without automation the block
// is one piece, rendered as the VST 2 plug-in renders it. A block of no frames only sets
// values and passes on its notes (starting at the next block's first frame).
void Vst3Component::renderBlock(int frames) noexcept {
    int point = 0;
    int event = 0;
    int start = 0;
    do {
        while (point < pointCount_ && points_[static_cast<std::size_t>(point)].frame <= start) {
            const Point& p = points_[static_cast<std::size_t>(point)];
            instrument_.setParameter(p.id, p.value);
            ++point;
        }
        const int end =
            point < pointCount_ ? points_[static_cast<std::size_t>(point)].frame : frames;
        while (event < eventCount_ &&
               (events_[static_cast<std::size_t>(event)].frame < end || end == 0)) {
            const Vst3MidiMessage& m = events_[static_cast<std::size_t>(event)];
            instrument_.midiEvent(m.frame - start, m.status, m.data1, m.data2);
            ++event;
        }
        if (end > start) {
            std::array<float*, Instrument::kOutputs> piece{};
            for (std::size_t ch = 0; ch < piece.size(); ++ch) {
                piece[ch] = channels_[ch] + start;
            }
            instrument_.render(piece.data(), end - start);
        }
        start = end;
    } while (start < frames);
}

// A channel is flagged silent when every sample of it is 0.
void Vst3Component::writeSilenceFlags(const ProcessData& data) noexcept {
    const int buses = std::min(data.numOutputs, capacity::kVst3OutputBuses);
    const auto frames = static_cast<std::size_t>(data.numSamples);
    for (int b = 0; b < buses; ++b) {
        AudioBusBuffers& bus = data.outputs[b];
        const int channels = std::clamp(bus.numChannels, 0, capacity::kVst3BusChannels);
        uint64 silent = 0;
        for (int c = 0; c < channels; ++c) {
            const float* samples =
                channels_[static_cast<std::size_t>(b) * capacity::kVst3BusChannels +
                          static_cast<std::size_t>(c)];
            if (std::all_of(samples, samples + frames, [](float s) { return s == 0.0f; })) {
                silent |= uint64{1} << c;
            }
        }
        bus.silenceFlags = silent;
    }
}

// ---- IEditController -----------------------------------------------------------------------

// The component's state is this object's already.
tresult QUOVENT_VST3_CALL Vst3Component::setComponentState(IBStream* /*state*/) {
    return kResultOk;
}

// The controller keeps nothing of its own: everything lives in the component's state.
tresult Vst3Component::setControllerState(IBStream* /*state*/) {
    return kResultOk;
}

tresult Vst3Component::getControllerState(IBStream* /*state*/) {
    return kResultOk;
}

int32 QUOVENT_VST3_CALL Vst3Component::getParameterCount() {
    return Vst3Parameters::count();
}

tresult QUOVENT_VST3_CALL Vst3Component::getParameterInfo(int32 paramIndex,
                                                          vst3::ParameterInfo* info) {
    return Vst3Parameters::info(paramIndex, info);
}

tresult QUOVENT_VST3_CALL Vst3Component::getParamStringByValue(ParamID id,
                                                               ParamValue valueNormalized,
                                                               String128 string) {
    return Vst3Parameters::toString(id, valueNormalized, string);
}

tresult QUOVENT_VST3_CALL Vst3Component::getParamValueByString(ParamID id, TChar* string,
                                                               ParamValue* valueNormalized) {
    return Vst3Parameters::fromString(id, string, valueNormalized);
}

ParamValue QUOVENT_VST3_CALL Vst3Component::normalizedParamToPlain(ParamID id,
                                                                   ParamValue valueNormalized) {
    return Vst3Parameters::toPlain(id, valueNormalized);
}

ParamValue QUOVENT_VST3_CALL Vst3Component::plainParamToNormalized(ParamID id,
                                                                   ParamValue plainValue) {
    return Vst3Parameters::toNormalized(id, plainValue);
}

ParamValue QUOVENT_VST3_CALL Vst3Component::getParamNormalized(ParamID id) {
    const quovent::ParameterInfo* const info = ParameterTable::find(id);
    return info != nullptr ? ParameterTable::toNormalized(*info, instrument_.parameter(id)) : 0.0;
}

tresult QUOVENT_VST3_CALL Vst3Component::setParamNormalized(ParamID id, ParamValue value) {
    const quovent::ParameterInfo* const info = ParameterTable::find(id);
    if (info == nullptr || std::isnan(value)) {
        return kInvalidArgument;
    }
    return instrument_.setParameter(id, ParameterTable::fromNormalized(*info, value))
               ? kResultOk
               : kInvalidArgument;
}

tresult QUOVENT_VST3_CALL Vst3Component::setComponentHandler(IComponentHandler* handler) {
    if (handler != nullptr) {
        handler->addRef();
    }
    if (componentHandler_ != nullptr) {
        componentHandler_->release();
    }
    componentHandler_ = handler;
    return kResultOk;
}

// ---- InstrumentListener: the editor's edits ---------------------------------------------------

// A host records and automates an edit only inside beginEdit/endEdit: a click that sets a
// value at once (a toggle, a menu choice) comes without a gesture of its own and is wrapped in
// one here.
void Vst3Component::parameterEditBegan(ParameterId id) {
    const int index = ParameterTable::indexOf(id);
    if (componentHandler_ == nullptr || index < 0) {
        return;
    }
    gestures_[static_cast<std::size_t>(index)] = true;
    componentHandler_->beginEdit(id);
}

void Vst3Component::parameterEdited(ParameterId id, float value) {
    const quovent::ParameterInfo* const info = ParameterTable::find(id);
    const int index = ParameterTable::indexOf(id);
    if (componentHandler_ == nullptr || info == nullptr || index < 0) {
        return;
    }
    const bool inGesture = gestures_[static_cast<std::size_t>(index)];
    if (!inGesture) {
        componentHandler_->beginEdit(id);
    }
    componentHandler_->performEdit(id, ParameterTable::toNormalized(*info, value));
    if (!inGesture) {
        componentHandler_->endEdit(id);
    }
}

void Vst3Component::parameterEditEnded(ParameterId id) {
    const int index = ParameterTable::indexOf(id);
    if (componentHandler_ == nullptr || index < 0) {
        return;
    }
    gestures_[static_cast<std::size_t>(index)] = false;
    componentHandler_->endEdit(id);
}

IPlugView* QUOVENT_VST3_CALL Vst3Component::createView(FIDString name) {
    if (name == nullptr || std::strcmp(name, kEditorViewType) != 0 || view_ != nullptr ||
        !platform::hasNativeWindowSystem()) {
        return nullptr;
    }
    auto* view = new (std::nothrow) Vst3PlugView(*this);
    view_ = view;
    return view;
}

void Vst3Component::viewGone(const Vst3PlugView* view) noexcept {
    if (view_ == view) {
        view_ = nullptr;
    }
}

uint32 QUOVENT_VST3_CALL Vst3Component::getProcessContextRequirements() {
    return IProcessContextRequirements::kNeedTempo;
}

} // namespace quovent
