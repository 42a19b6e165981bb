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

// The host's tempo as it gives it (the instrument judges it); 0 when it gives none.
double tempoOf(const ProcessContext* context) noexcept {
    if (context == nullptr || (context->state & ProcessContext::kTempoValid) == 0) {
        return 0.0;
    }
    return context->tempo;
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

// Hosts deactivate and activate again when they stop their audio: nothing sounds on.
tresult QUOVENT_VST3_CALL Vst3Component::setActive(TBool state) {
    if (state != 0) {
        instrument_.reset();
    }
    return kResultOk;
}

// All-or-nothing: a stream that fails, is too long or holds no groove the instrument takes
// leaves the instance as it was.
tresult Vst3Component::setInstanceState(IBStream* state) {
    try {
        std::string text;
        if (!Vst3StateStream::readAll(state, Instrument::kMaxStateBytes, text) ||
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
    if (!mode || !block || setup->symbolicSampleSize != kSample32 ||
        !instrument_.setSampleRate(setup->sampleRate)) {
        return kInvalidArgument;
    }
    maxBlockFrames_ = setup->maxSamplesPerBlock;
    sampleRate_ = setup->sampleRate;
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
    eventCount_ = 0;
    readParameterChanges(data->inputParameterChanges);
    readEvents(data->inputEvents, data->numSamples);
    findOutputs(*data);
    ProcessBlock block;
    block.outputs = channels_.data();
    block.outputCount = Instrument::kOutputs;
    block.frames = data->numSamples;
    block.events = {events_.data(), eventCount_};
    block.tempo = tempoOf(data->processContext);
    instrument_.process(block);
    writeSilenceFlags(*data);
    return kResultOk;
}

// Automation: every point of every queue of one of our parameters (the instrument clamps the
// values and orders the points; points of one frame keep the queue's order, so its later
// point wins).
void Vst3Component::readParameterChanges(IParameterChanges* changes) noexcept {
    if (changes == nullptr) {
        return;
    }
    const int32 queues = std::min(changes->getParameterCount(), kMaxParameterQueues);
    std::size_t points = 0;
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        const quovent::ParameterInfo* const info =
            queue != nullptr ? ParameterTable::find(queue->getParameterId()) : nullptr;
        if (info == nullptr) {
            continue;
        }
        const int32 count = std::min(queue->getPointCount(), int32{kMaxBlockPoints});
        for (int32 i = 0; i < count && points < kMaxBlockPoints; ++i) {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (queue->getPoint(i, &offset, &value) != kResultOk || std::isnan(value)) {
                continue;
            }
            events_[eventCount_++] = InstrumentEvent::parameterChange(
                offset, info->id, ParameterTable::fromNormalized(*info, value));
            ++points;
        }
    }
}

// Note events as MIDI messages at their frames.
void Vst3Component::readEvents(IEventList* events, int frames) noexcept {
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
        events_[eventCount_++] = InstrumentEvent::midiMessage(message.frame, message.status,
                                                              message.data1, message.data2);
    }
}

void Vst3Component::findOutputs(const ProcessData& data) noexcept {
    const int buses = std::min(data.numOutputs, capacity::kVst3OutputBuses);
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
        channels_[static_cast<std::size_t>(ch)] = samples;
    }
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
            if (samples == nullptr ||
                std::all_of(samples, samples + frames, [](float s) { return s == 0.0f; })) {
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

// ---- InstrumentListener: the editor's edits, in whole gestures ------------------------------

void Vst3Component::parameterEditBegan(ParameterId id) {
    if (componentHandler_ != nullptr) {
        componentHandler_->beginEdit(id);
    }
}

void Vst3Component::parameterEdited(ParameterId id, float value) {
    const quovent::ParameterInfo* const info = ParameterTable::find(id);
    if (componentHandler_ != nullptr && info != nullptr) {
        componentHandler_->performEdit(id, ParameterTable::toNormalized(*info, value));
    }
}

void Vst3Component::parameterEditEnded(ParameterId id) {
    if (componentHandler_ != nullptr) {
        componentHandler_->endEdit(id);
    }
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
