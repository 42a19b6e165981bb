#include "formats/vst3/Vst3Component.hpp"

#include "formats/vst3/Vst3AbiView.hpp"
#include "formats/vst3/Vst3NoteEvents.hpp"
#include "formats/vst3/Vst3Parameters.hpp"
#include "formats/vst3/Vst3StateStream.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

using namespace vst3;

namespace {

// More queues or events than any host sends in one block are not looked at.
constexpr int32 kMaxParameterQueues = 4 * ParameterTable::kCount;
constexpr int32 kMaxBlockEvents = 4096;

template <typename Interface> tresult answer(Interface* object, void** obj) {
    object->addRef();
    *obj = object;
    return kResultOk;
}

float tempoOf(const ProcessContext* context) noexcept {
    if (context == nullptr || (context->state & ProcessContext::kTempoValid) == 0) {
        return Vst3Component::kDefaultTempo;
    }
    const double bpm = context->tempo;
    // Anything a host could mean lies far inside float's range.
    return std::isfinite(bpm) && bpm > 0.0 && bpm < 1.0e6 ? static_cast<float>(bpm)
                                                          : Vst3Component::kDefaultTempo;
}

} // namespace

Vst3Component::Vst3Component() {
    const auto& table = ParameterTable::all();
    for (std::size_t i = 0; i < table.size(); ++i) {
        plainValues_[i] = table[i].defaultValue;
    }
}

Vst3Component::~Vst3Component() {
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

tresult Vst3Component::setInstanceState(IBStream* state) {
    std::string text;
    if (!Vst3StateStream::readAll(state, capacity::kVst3StateBytes, text)) {
        return kResultFalse;
    }
    state_ = std::move(text);
    return kResultOk;
}

tresult Vst3Component::getInstanceState(IBStream* state) {
    return Vst3StateStream::writeAll(state, state_) ? kResultOk : kResultFalse;
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
    tempo_ = tempoOf(data->processContext);
    readParameterChanges(data->inputParameterChanges);
    readEvents(data->inputEvents, data->numSamples);
    writeSilence(*data);
    return kResultOk;
}

// Automation: the last value of each parameter's queue in the block.
void Vst3Component::readParameterChanges(IParameterChanges* changes) noexcept {
    if (changes == nullptr) {
        return;
    }
    const int32 queues = std::min(changes->getParameterCount(), kMaxParameterQueues);
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr) {
            continue;
        }
        const int index = ParameterTable::indexOf(queue->getParameterId());
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        if (index < 0 || points <= 0 || queue->getPoint(points - 1, &offset, &value) != kResultOk ||
            !std::isfinite(value)) {
            continue;
        }
        const auto& info = ParameterTable::all()[static_cast<std::size_t>(index)];
        plainValues_[static_cast<std::size_t>(index)] = ParameterTable::fromNormalized(info, value);
    }
}

void Vst3Component::readEvents(IEventList* events, int frames) noexcept {
    if (events == nullptr || !buses_.eventInputActive()) {
        return;
    }
    const int32 count = std::min(events->getEventCount(), kMaxBlockEvents);
    for (int32 i = 0; i < count; ++i) {
        Event event{};
        Vst3MidiMessage message;
        if (events->getEvent(i, &event) == kResultOk &&
            Vst3NoteEvents::toMidi(event, frames, message)) {
            // The instrument core takes the message here once it is bound.
            static_cast<void>(message);
        }
    }
}

void Vst3Component::writeSilence(const ProcessData& data) noexcept {
    const int buses = std::min(data.numOutputs, capacity::kVst3OutputBuses);
    const auto frames = static_cast<std::size_t>(data.numSamples);
    for (int b = 0; b < buses; ++b) {
        AudioBusBuffers& bus = data.outputs[b];
        const int channels = std::clamp(bus.numChannels, 0, capacity::kVst3BusChannels);
        for (int c = 0; c < channels && bus.channelBuffers32 != nullptr; ++c) {
            Sample32* samples = bus.channelBuffers32[c];
            if (samples != nullptr) {
                std::fill(samples, samples + frames, 0.0f);
            }
        }
        bus.silenceFlags = (uint64{1} << channels) - 1;
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
    const int index = ParameterTable::indexOf(id);
    if (index < 0) {
        return 0.0;
    }
    const auto i = static_cast<std::size_t>(index);
    return ParameterTable::toNormalized(ParameterTable::all()[i], plainValues_[i].load());
}

tresult QUOVENT_VST3_CALL Vst3Component::setParamNormalized(ParamID id, ParamValue value) {
    const int index = ParameterTable::indexOf(id);
    if (index < 0 || std::isnan(value)) {
        return kInvalidArgument;
    }
    const auto i = static_cast<std::size_t>(index);
    plainValues_[i] = ParameterTable::fromNormalized(ParameterTable::all()[i], value);
    return kResultOk;
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

IPlugView* QUOVENT_VST3_CALL Vst3Component::createView(FIDString /*name*/) {
    return nullptr;
}

uint32 QUOVENT_VST3_CALL Vst3Component::getProcessContextRequirements() {
    return IProcessContextRequirements::kNeedTempo;
}

} // namespace quovent
