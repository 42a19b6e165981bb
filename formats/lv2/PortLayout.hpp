// The plug-in's port indices, fixed for good: sessions and hosts refer to them. The atom
// input, the atom output, twelve audio outputs (six stereo pairs, left before right), then
// one control input per parameter in ParameterTable::all() order. Constant; any thread.
#pragma once

#include "instrument/ParameterTable.hpp"
#include "platform/Capacities.hpp"

#include <cstdint>

namespace quovent::lv2 {

class PortLayout {
public:
    static constexpr std::uint32_t kControlIn = 0; // MIDI, time:Position, patch messages
    static constexpr std::uint32_t kNotifyOut = 1; // patch replies
    static constexpr std::uint32_t kFirstAudioOut = 2;
    static constexpr std::uint32_t kAudioOuts = quovent::capacity::kOutputs;
    static constexpr std::uint32_t kFirstParameter = kFirstAudioOut + kAudioOuts;
    static constexpr std::uint32_t kParameters = ParameterTable::kCount;
    static constexpr std::uint32_t kPortCount = kFirstParameter + kParameters;

    static constexpr bool isAudioOut(std::uint32_t port) noexcept {
        return port >= kFirstAudioOut && port < kFirstParameter;
    }
    static constexpr bool isParameter(std::uint32_t port) noexcept {
        return port >= kFirstParameter && port < kPortCount;
    }
    // Output pair 1..6 of an audio output port, and whether it is the right channel.
    static constexpr int outputPair(std::uint32_t port) noexcept {
        return static_cast<int>(port - kFirstAudioOut) / 2 + 1;
    }
    static constexpr bool isRight(std::uint32_t port) noexcept {
        return (port - kFirstAudioOut) % 2 == 1;
    }
};

} // namespace quovent::lv2
