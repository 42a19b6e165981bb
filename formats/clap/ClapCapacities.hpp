// The fixed sizes of the CLAP binding, in one place.
#pragma once

#include "instrument/ParameterTable.hpp"
#include "platform/Capacities.hpp"

#include <cstddef>
#include <cstdint>

namespace quovent::capacity {

inline constexpr int kClapOutputPorts = kOutputPairs; // stereo ports "quov 1".."quov 6"
inline constexpr int kClapPortChannels = 2;
inline constexpr int kClapMidiChannels = 16; // a note's channel 0..15 is its MIDI channel
// Editor edits waiting for the host's next process or flush; beyond this a drag's values are
// dropped (its last value still comes before its end).
inline constexpr std::size_t kClapEditQueue = 1024;
// Slots kept free for the ends of open gestures (and each one's last value).
inline constexpr std::size_t kClapEditReserve =
    2 * static_cast<std::size_t>(ParameterTable::kCount);
static_assert(kClapEditQueue > 2 * kClapEditReserve);
// The editor's idle period, milliseconds: the host's timer (Linux) or the thread's timer
// (Windows) calls the editor this often.
inline constexpr std::uint32_t kClapGuiIdleMilliseconds = 20;
// GUI scales a host may set; outside these the call is refused.
inline constexpr double kClapMinGuiScale = 0.25;
inline constexpr double kClapMaxGuiScale = 8.0;
// Bytes moved through a state stream per call.
inline constexpr std::size_t kClapStreamChunk = 65536;

} // namespace quovent::capacity
