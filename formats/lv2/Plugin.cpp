#include "formats/lv2/Plugin.hpp"

#include "formats/lv2/AtomInput.hpp"
#include "formats/lv2/HostStatePaths.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "instrument/ParameterTable.hpp"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace quovent::lv2 {

std::unique_ptr<Plugin> Plugin::create(double sampleRate, const LV2_Feature* const* features) {
    HostFeatures host = HostFeatures::find(features);
    if (host.map == nullptr) {
        return nullptr; // without URIDs not even the log can be written to
    }
    Urids urids;
    if (!urids.mapAll(*host.map)) {
        return nullptr;
    }
    const HostLog log(host.log, urids);
    if (const std::string missing = host.missing(); !missing.empty()) {
        log.error("the host does not give the required feature(s) " + missing);
        return nullptr;
    }
    if (!Instrument::usableSampleRate(sampleRate)) {
        log.error("the host gives no usable sample rate");
        return nullptr;
    }
    host.readOptions(urids);
    return std::unique_ptr<Plugin>(new Plugin(sampleRate, host, urids));
}

Plugin::Plugin(double sampleRate, const HostFeatures& features, const Urids& urids)
    : sampleRate_(sampleRate), features_(features), urids_(urids), log_(features_.log, urids_),
      output_(*features_.map, urids_), state_(urids_), files_(instrument_) {
    instrument_.setSampleRate(sampleRate);
}

void Plugin::connectPort(std::uint32_t port, void* data) noexcept {
    if (port == PortLayout::kControlIn) {
        controlIn_ = data;
    } else if (port == PortLayout::kNotifyOut) {
        notifyOut_ = data;
    } else if (PortLayout::isAudioOut(port)) {
        audioOuts_[port - PortLayout::kFirstAudioOut] = static_cast<float*>(data);
    } else if (PortLayout::isParameter(port)) {
        parameterPorts_[port - PortLayout::kFirstParameter] = static_cast<const float*>(data);
    }
}

// The host starts its audio again: nothing of the time before sounds on. Controls the host
// changed while inactive differ from the last values read, so they are applied at the next
// block.
void Plugin::activate() noexcept {
    instrument_.reset();
}

void Plugin::run(std::uint32_t frames) noexcept {
    eventCount_ = 0;
    applyParameters();
    output_.begin(notifyOut_, features_.sequenceSize);
    if (controlIn_ != nullptr) {
        AtomInput::read(controlIn_, inputBytes(), frames, urids_, *this);
    }
    payReplies();
    output_.end();
    ProcessBlock block;
    block.outputs = audioOuts_.data();
    block.outputCount = static_cast<int>(audioOuts_.size());
    block.frames = static_cast<int>(std::min<std::uint32_t>(frames, INT_MAX));
    block.events = {events_.data(), eventCount_};
    block.tempo = hostTempo_;
    instrument_.process(block);
}

std::size_t Plugin::inputBytes() const noexcept {
    return features_.sequenceSize != 0 ? features_.sequenceSize
                                       : std::numeric_limits<std::size_t>::max();
}

void Plugin::applyParameters() noexcept {
    const auto& table = ParameterTable::all();
    for (std::size_t i = 0; i < parameterPorts_.size(); ++i) {
        if (parameterPorts_[i] == nullptr) {
            continue;
        }
        const float raw = *parameterPorts_[i];
        const auto bits = std::bit_cast<std::uint32_t>(raw);
        if (parametersRead_ && bits == parameterBits_[i]) {
            continue;
        }
        parameterBits_[i] = bits;
        float value = raw;
        if (!adoptPorts_ && ParameterTable::sanitise(table[i], value) &&
            (parametersRead_ || value != instrument_.parameter(table[i].id)) &&
            eventCount_ < events_.size()) {
            events_[eventCount_++] = InstrumentEvent::parameterChange(0, table[i].id, value);
        }
    }
    parametersRead_ = true;
    adoptPorts_ = false;
}

void Plugin::payReplies() noexcept {
    for (int i = 0; i < capacity::kProperties && values_.anyOwed(); ++i) {
        if (!values_.owed(i)) {
            continue;
        }
        if (!output_.writeSet(i, values_.value(i))) {
            return; // the buffer is full: the rest in the next block
        }
        values_.paid(i);
    }
}

void Plugin::midiEvent(int frame, std::uint8_t status, std::uint8_t data1,
                       std::uint8_t data2) noexcept {
    if (eventCount_ < events_.size()) {
        events_[eventCount_++] = InstrumentEvent::midiMessage(frame, status, data1, data2);
    }
}

void Plugin::tempo(double beatsPerMinute) noexcept {
    hostTempo_ = beatsPerMinute;
}

void Plugin::setProperty(int property, std::string_view path) noexcept {
    WorkMessage request;
    request.kind = WorkMessage::Kind::SetRequest;
    request.property = property;
    request.path = path;
    const std::size_t size = request.encode(request_);
    const bool scheduled =
        size != 0 && features_.schedule->schedule_work(features_.schedule->handle,
                                                       static_cast<std::uint32_t>(size),
                                                       request_.data()) == LV2_WORKER_SUCCESS;
    if (!scheduled) {
        values_.owe(property); // refused: the reply repeats the value kept
    }
}

void Plugin::getProperty(int property) noexcept {
    values_.owe(property);
}

LV2_Worker_Status Plugin::work(LV2_Worker_Respond_Function respond,
                               LV2_Worker_Respond_Handle handle, std::uint32_t size,
                               const void* data) {
    const std::optional<WorkMessage> request = WorkMessage::decode(data, size);
    if (!request || request->kind != WorkMessage::Kind::SetRequest || respond == nullptr) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
    const FileProperties::SetResult result = files_.set(request->property, request->path);
    if (!result.accepted) {
        log_.warning(PluginUris::propertyLabel(request->property) + ": refused '" +
                     std::string(request->path) + "': " + result.reason);
    }
    const FileProperties::Paths paths = files_.paths();
    answer(respond, handle, request->property, result.accepted,
           paths[static_cast<std::size_t>(request->property)]);
    if (result.accepted && request->property == PluginUris::kBankProperty) {
        for (int i = 0; i < capacity::kProperties; ++i) { // a bank brings every slot's sample
            if (i != PluginUris::kBankProperty) {
                answer(respond, handle, i, true, paths[static_cast<std::size_t>(i)]);
            }
        }
    }
    return LV2_WORKER_SUCCESS;
}

void Plugin::answer(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                    int property, bool accepted, const std::string& path) const {
    WorkMessage message;
    message.kind = WorkMessage::Kind::SetAnswer;
    message.property = property;
    message.accepted = accepted;
    message.path = path;
    WorkMessage::Buffer bytes{};
    if (const std::size_t size = message.encode(bytes); size != 0) {
        respond(handle, static_cast<std::uint32_t>(size), bytes.data());
    }
}

LV2_Worker_Status Plugin::workResponse(std::uint32_t size, const void* data) noexcept {
    const std::optional<WorkMessage> answer = WorkMessage::decode(data, size);
    if (!answer || answer->kind != WorkMessage::Kind::SetAnswer) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
    values_.set(answer->property, answer->path);
    values_.owe(answer->property);
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                              const LV2_Feature* const* features) const {
    if (store == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const HostStatePaths paths(features);
    return state_.save(store, handle, paths, files_.paths(), instrument_.saveState(&paths));
}

LV2_State_Status Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                 const LV2_Feature* const* features) {
    if (retrieve == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const HostStatePaths statePaths(features);
    const StateIo::Read read = state_.read(retrieve, handle, statePaths);
    if (read.status != LV2_STATE_SUCCESS) {
        log_.warning("state refused, nothing changed: " + read.reason);
        return read.status;
    }
    if (const std::string refused =
            files_.restore(read.groove, read.paths[PluginUris::kBankProperty], statePaths);
        !refused.empty()) {
        log_.warning("state refused, nothing changed: " + refused);
        return LV2_STATE_ERR_UNKNOWN;
    }
    const FileProperties::Paths paths = files_.paths();
    for (int i = 0; i < capacity::kProperties; ++i) {
        values_.set(i, paths[static_cast<std::size_t>(i)]);
    }
    values_.owe(AtomInputHandler::kAllProperties); // the host's file choosers show the state's
    adoptPorts_ = true;
    return LV2_STATE_SUCCESS;
}

} // namespace quovent::lv2
