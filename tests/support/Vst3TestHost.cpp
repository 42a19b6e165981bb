#include "tests/support/Vst3TestHost.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace quovent::test {

using namespace vst3;

// ---- Vst3Module ------------------------------------------------------------------------------

std::string Vst3Module::bundlePath() {
    return QUOVENT_VST3_BUNDLE_PATH;
}

std::string Vst3Module::binaryPath() {
    return QUOVENT_VST3_BINARY_PATH;
}

Vst3Module::Vst3Module(const std::string& binary)
    : library_(std::make_unique<PluginLibrary>(binary)) {
    auto* getFactory = reinterpret_cast<GetFactoryProc>(library_->symbol("GetPluginFactory"));
    if (getFactory == nullptr) {
        throw std::runtime_error(binary + " has no GetPluginFactory");
    }
    entered_ = enterVst3Module(*library_);
    if (!entered_) {
        throw std::runtime_error(binary + ": the module entry refused");
    }
    factory_ = getFactory();
    if (factory_ == nullptr) {
        exitVst3Module(*library_);
        throw std::runtime_error(binary + ": GetPluginFactory answered null");
    }
}

Vst3Module::~Vst3Module() {
    for (FUnknown* other : {static_cast<FUnknown*>(factory2_), static_cast<FUnknown*>(factory3_)}) {
        if (other != nullptr) {
            other->release();
        }
    }
    factory_->release();
    exitVst3Module(*library_);
}

IPluginFactory2* Vst3Module::factory2() {
    if (factory2_ == nullptr &&
        factory_->queryInterface(IPluginFactory2::iid.bytes,
                                 reinterpret_cast<void**>(&factory2_)) != kResultOk) {
        factory2_ = nullptr;
    }
    return factory2_;
}

IPluginFactory3* Vst3Module::factory3() {
    if (factory3_ == nullptr &&
        factory_->queryInterface(IPluginFactory3::iid.bytes,
                                 reinterpret_cast<void**>(&factory3_)) != kResultOk) {
        factory3_ = nullptr;
    }
    return factory3_;
}

Uid Vst3Module::audioModuleClass() const {
    for (int32 i = 0; i < factory_->countClasses(); ++i) {
        PClassInfo info{};
        if (factory_->getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kVstAudioEffectClass) == 0) {
            Uid id{};
            std::memcpy(id.bytes, info.cid, sizeof(id.bytes));
            return id;
        }
    }
    throw std::runtime_error("the factory has no audio module class");
}

// ---- Vst3OutputBuffers -----------------------------------------------------------------------

Vst3OutputBuffers::Vst3OutputBuffers(int frames, float fill) : AudioBuffers(frames, fill) {
    for (int b = 0; b < kBuses; ++b) {
        buses_[static_cast<std::size_t>(b)].numChannels = 2;
        buses_[static_cast<std::size_t>(b)].channelBuffers32 = outputs() + 2 * b;
    }
}

// ---- Vst3Instance ----------------------------------------------------------------------------

Vst3Instance::Vst3Instance(Vst3Module& module, std::optional<Uid> cid) {
    const Uid classId = cid ? *cid : module.audioModuleClass();
    if (module.factory()->createInstance(classId.bytes, IComponent::iid.bytes,
                                         reinterpret_cast<void**>(&component_)) != kResultOk ||
        component_ == nullptr) {
        throw std::runtime_error("the factory made no component");
    }
    if (component_->initialize(&host_) != kResultOk) {
        component_->release();
        throw std::runtime_error("the component refused to initialize");
    }
    // As hosts do: the controller is queried from the component first.
    if (component_->queryInterface(IAudioProcessor::iid.bytes,
                                   reinterpret_cast<void**>(&processor_)) != kResultOk ||
        component_->queryInterface(IEditController::iid.bytes,
                                   reinterpret_cast<void**>(&controller_)) != kResultOk) {
        throw std::runtime_error("the component has no processor or controller");
    }
    controller_->setComponentHandler(&handler_);
}

Vst3Instance::~Vst3Instance() {
    if (processing_) {
        processor_->setProcessing(0);
        component_->setActive(0);
    }
    if (controller_ != nullptr) {
        controller_->setComponentHandler(nullptr);
        controller_->release();
    }
    if (processor_ != nullptr) {
        processor_->release();
    }
    component_->terminate();
    component_->release();
}

tresult Vst3Instance::setUp(double sampleRate, int32 maxBlock) {
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sampleRate};
    tresult result = processor_->setupProcessing(&setup);
    if (result != kResultOk) {
        return result;
    }
    sampleRate_ = sampleRate;
    result = component_->setActive(1);
    if (result != kResultOk) {
        return result;
    }
    result = processor_->setProcessing(1);
    processing_ = result == kResultOk;
    return result;
}

tresult Vst3Instance::process(Vst3OutputBuffers& out, IEventList* events,
                              IParameterChanges* changes, ProcessContext* context) {
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = out.frames();
    data.numOutputs = Vst3OutputBuffers::kBuses;
    data.outputs = out.buses();
    data.inputParameterChanges = changes;
    data.inputEvents = events;
    data.processContext = context;
    return processor_->process(&data);
}

tresult Vst3Instance::processAtTempo(Vst3OutputBuffers& out, double bpm, IEventList* events) {
    ProcessContext context{};
    context.state = ProcessContext::kTempoValid;
    context.sampleRate = sampleRate_;
    context.tempo = bpm;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    return process(out, events, nullptr, &context);
}

std::optional<std::string> Vst3Instance::state() {
    Vst3MemoryStream stream;
    if (component_->getState(&stream) != kResultOk) {
        return std::nullopt;
    }
    return stream.bytes();
}

tresult Vst3Instance::setState(const std::string& bytes) {
    Vst3MemoryStream stream(bytes);
    return component_->setState(&stream);
}

} // namespace quovent::test
