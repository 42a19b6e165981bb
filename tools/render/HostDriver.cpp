#include "tools/render/HostDriver.hpp"

#include "formats/vst2/PluginMain.hpp"
#include "formats/vst2/Vst2Plugin.hpp"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace quovent::render {

namespace {

constexpr intptr_t kHostVersion = 2400;
constexpr const char* kHostName = "quovent-render";

} // namespace

std::unique_ptr<HostDriver> HostDriver::open(float sampleRate, int blockSize, std::string& error) {
    std::unique_ptr<HostDriver> d(new HostDriver());
    d->sampleRate_ = sampleRate;
    d->blockSize_ = blockSize;
    d->silence_.assign(static_cast<std::size_t>(blockSize), 0.0f);
    d->inputs_ = {d->silence_.data(), d->silence_.data()};

    vst::AEffect* effect = pluginMain(&HostDriver::callback);
    if (effect == nullptr || effect->magic != vst::kEffectMagic) {
        error = "the instrument could not be created";
        return nullptr;
    }
    d->effect_ = effect;
    effect->user = d.get(); // the callback finds this driver through the record
    if (effect->numOutputs != kOutputs) {
        error = "the instrument reports " + std::to_string(effect->numOutputs) +
                " outputs instead of " + std::to_string(kOutputs);
        return nullptr;
    }
    // The object pointer is the instance; a host-side tool of this project may look inside.
    auto* instrument = static_cast<Vst2Plugin*>(effect->object);
    d->instrument_ = &instrument->instrument();
    d->dispatch(vst::effOpen, 0, 0, nullptr, 0.0f);
    d->dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
    d->dispatch(vst::effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    return d;
}

HostDriver::~HostDriver() {
    if (effect_ != nullptr) {
        dispatch(vst::effMainsChanged, 0, 0, nullptr, 0.0f);
        dispatch(vst::effClose, 0, 0, nullptr, 0.0f);
    }
}

intptr_t HostDriver::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void HostDriver::resume() {
    dispatch(vst::effMainsChanged, 0, 1, nullptr, 0.0f);
}

void HostDriver::process(const std::vector<BlockEvent>& events, float* const* outputs, int frames,
                         const Transport& transport) {
    if (!events.empty()) {
        midiEvents_.assign(events.size(), vst::VstMidiEvent{});
        // VstEvents ends in an open array of event pointers; the words are sized so that the
        // record and all pointers fit, aligned as the record needs.
        const std::size_t bytes =
            offsetof(vst::VstEvents, events) + events.size() * sizeof(vst::VstEvent*);
        eventList_.assign((bytes + sizeof(std::uintptr_t) - 1) / sizeof(std::uintptr_t), 0);
        auto* list = reinterpret_cast<vst::VstEvents*>(eventList_.data());
        auto* pointers = reinterpret_cast<vst::VstEvent**>(reinterpret_cast<unsigned char*>(list) +
                                                           offsetof(vst::VstEvents, events));
        list->numEvents = static_cast<int32_t>(events.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            vst::VstMidiEvent& m = midiEvents_[i];
            m.type = vst::kVstMidiType;
            m.byteSize = static_cast<int32_t>(sizeof(vst::VstMidiEvent));
            m.deltaFrames = events[i].deltaFrames;
            for (std::size_t b = 0; b < 3; ++b) {
                m.midiData[b] = static_cast<char>(events[i].bytes[b]);
            }
            pointers[i] = reinterpret_cast<vst::VstEvent*>(&m);
        }
        dispatch(vst::effProcessEvents, 0, 0, list, 0.0f);
    }

    time_ = vst::VstTimeInfo{};
    time_.samplePos = transport.samplePos;
    time_.sampleRate = sampleRate_;
    time_.ppqPos = transport.ppqPos;
    time_.tempo = transport.tempo;
    time_.barStartPos = std::floor(transport.ppqPos / 4.0) * 4.0;
    time_.timeSigNumerator = 4;
    time_.timeSigDenominator = 4;
    time_.flags = vst::kVstTransportPlaying | vst::kVstPpqPosValid | vst::kVstTempoValid |
                  vst::kVstBarsValid | vst::kVstTimeSigValid;
    effect_->process(effect_, inputs_.data(), const_cast<float**>(outputs), frames);
}

intptr_t HostDriver::callback(vst::AEffect* effect, int32_t opcode, int32_t /*index*/,
                              intptr_t /*value*/, void* ptr, float /*opt*/) {
    // The version request comes before the record exists; everything else finds its driver.
    auto* self = effect != nullptr ? static_cast<HostDriver*>(effect->user) : nullptr;
    switch (opcode) {
    case vst::audioMasterVersion:
        return kHostVersion;
    case vst::audioMasterWantMidi:
        if (self != nullptr) {
            self->midiRequested_ = true;
        }
        return 1;
    case vst::audioMasterGetTime:
        if (self == nullptr) {
            return 0;
        }
        ++self->timeRequests_;
        return reinterpret_cast<intptr_t>(&self->time_);
    case vst::audioMasterGetSampleRate:
        return self != nullptr ? static_cast<intptr_t>(self->sampleRate_) : 0;
    case vst::audioMasterGetBlockSize:
        return self != nullptr ? self->blockSize_ : 0;
    case vst::audioMasterGetVendorString:
    case vst::audioMasterGetProductString:
        if (ptr != nullptr) {
            std::strncpy(static_cast<char*>(ptr), kHostName, vst::kVstMaxVendorStrLen - 1);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace quovent::render
