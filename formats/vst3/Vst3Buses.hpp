// The instrument's buses as the component announces them: no audio input, six stereo audio
// outputs named as the VST 2 plug-in's pins ("quov 1" the main bus, the others auxiliary), and
// one event input of 16 MIDI channels. Keeps which buses the host has activated.
//
// Threads: the host's control thread; activation is not called while processing.
#pragma once

#include "formats/vst3/Vst3AbiProcessing.hpp"
#include "formats/vst3/Vst3Capacities.hpp"

#include <array>

namespace quovent {

class Vst3Buses {
public:
    Vst3Buses();

    static vst3::int32 count(vst3::MediaType type, vst3::BusDirection dir) noexcept;
    // kInvalidArgument for a bus that does not exist or a null record.
    static vst3::tresult info(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                              vst3::BusInfo* bus) noexcept;
    // Only the one arrangement the buses have: no inputs, every output stereo.
    static bool acceptsArrangement(const vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                   const vst3::SpeakerArrangement* outputs,
                                   vst3::int32 numOuts) noexcept;
    static vst3::tresult arrangement(vst3::BusDirection dir, vst3::int32 index,
                                     vst3::SpeakerArrangement* arr) noexcept;

    vst3::tresult activate(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                           bool state) noexcept;
    bool outputActive(int index) const noexcept;
    bool eventInputActive() const noexcept { return eventInputActive_; }

private:
    std::array<bool, capacity::kVst3OutputBuses> outputActive_{};
    bool eventInputActive_ = true;
};

} // namespace quovent
