#include "formats/vst3/Vst3Buses.hpp"

#include "formats/vst3/Vst3Strings.hpp"
#include "instrument/PluginInfo.hpp"

#include <string_view>

namespace quovent {

namespace {

using namespace vst3;

constexpr std::array<std::string_view, capacity::kVst3OutputBuses> kOutputNames =
    PluginInfo::kOutputPairNames;
constexpr std::string_view kEventInputName = "MIDI In";

bool isAudioOutput(MediaType type, BusDirection dir) noexcept {
    return type == kAudio && dir == kOutput;
}
bool isEventInput(MediaType type, BusDirection dir) noexcept {
    return type == kEvent && dir == kInput;
}

} // namespace

// Every output starts active, so that a host that never activates buses still gets all
// twelve channels, as from the VST 2 plug-in.
Vst3Buses::Vst3Buses() {
    outputActive_.fill(true);
}

int32 Vst3Buses::count(MediaType type, BusDirection dir) noexcept {
    if (isAudioOutput(type, dir)) {
        return capacity::kVst3OutputBuses;
    }
    return isEventInput(type, dir) ? 1 : 0;
}

tresult Vst3Buses::info(MediaType type, BusDirection dir, int32 index, BusInfo* bus) noexcept {
    if (bus == nullptr || index < 0 || index >= count(type, dir)) {
        return kInvalidArgument;
    }
    *bus = BusInfo{};
    bus->mediaType = type;
    bus->direction = dir;
    bus->flags = BusInfo::kDefaultActive;
    if (type == kAudio) {
        bus->channelCount = capacity::kVst3BusChannels;
        bus->busType = index == 0 ? kMain : kAux;
        Vst3Strings::copy(kOutputNames[static_cast<std::size_t>(index)], bus->name);
    } else {
        bus->channelCount = capacity::kVst3EventChannels;
        bus->busType = kMain;
        Vst3Strings::copy(kEventInputName, bus->name);
    }
    return kResultOk;
}

bool Vst3Buses::acceptsArrangement(const SpeakerArrangement* inputs, int32 numIns,
                                   const SpeakerArrangement* outputs, int32 numOuts) noexcept {
    static_cast<void>(inputs);
    if (numIns != 0 || numOuts != capacity::kVst3OutputBuses || outputs == nullptr) {
        return false;
    }
    for (int32 i = 0; i < numOuts; ++i) {
        if (outputs[i] != SpeakerArr::kStereo) {
            return false;
        }
    }
    return true;
}

tresult Vst3Buses::arrangement(BusDirection dir, int32 index, SpeakerArrangement* arr) noexcept {
    if (arr == nullptr || dir != kOutput || index < 0 || index >= capacity::kVst3OutputBuses) {
        return kInvalidArgument;
    }
    *arr = SpeakerArr::kStereo;
    return kResultOk;
}

tresult Vst3Buses::activate(MediaType type, BusDirection dir, int32 index, bool state) noexcept {
    if (index < 0 || index >= count(type, dir)) {
        return kInvalidArgument;
    }
    if (type == kAudio) {
        outputActive_[static_cast<std::size_t>(index)] = state;
    } else {
        eventInputActive_ = state;
    }
    return kResultOk;
}

bool Vst3Buses::outputActive(int index) const noexcept {
    return index >= 0 && index < capacity::kVst3OutputBuses &&
           outputActive_[static_cast<std::size_t>(index)];
}

} // namespace quovent
