// The fixed sizes of the VST 3 binding, in one place.
#pragma once

#include "platform/Capacities.hpp"

#include <cstddef>
#include <cstdint>

namespace quovent::capacity {

inline constexpr int kVst3OutputBuses = kOutputPairs; // stereo buses "quov 1".."quov 6"
inline constexpr int kVst3BusChannels = 2;
inline constexpr int kVst3EventChannels = 16; // MIDI channels of the one event input bus
// Largest block a host may announce in setupProcessing; larger is refused as absurd.
inline constexpr std::int32_t kVst3MaxBlockFrames = 1 << 16;
// Automation points and note events one block takes; more are not looked at.
inline constexpr int kVst3BlockPoints = 1024;
inline constexpr int kVst3BlockEvents = 4096;
// The editor's idle period, milliseconds: the host's run loop (Linux) or the thread's timer
// (Windows) calls the view this often; lamps and the play position follow at this rate.
inline constexpr int kVst3ViewIdleMilliseconds = 20;
// Content scales a host may set; outside these the call is refused.
inline constexpr float kVst3MinContentScale = 0.25f;
inline constexpr float kVst3MaxContentScale = 8.0f;
// Bytes read from a stream per call.
inline constexpr std::int32_t kVst3StreamChunk = 65536;

} // namespace quovent::capacity
