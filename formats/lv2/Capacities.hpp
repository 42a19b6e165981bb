// Every fixed capacity of the LV2 binding in one place. The audio thread never allocates, so
// what it keeps for the host's messages is sized from these numbers when an instance is made.
#pragma once

#include "platform/Capacities.hpp"

#include <cstddef>
#include <cstdint>

namespace quovent::lv2::capacity {

// The file properties: the groove bank and the eight slots' samples.
inline constexpr int kSlotProperties = quovent::capacity::kRowSlots;
inline constexpr int kProperties = 1 + kSlotProperties;

// One property's path in bytes, including the terminating zero. A longer path in a message
// or a state is refused; it is far beyond what the bank document keeps for a sample.
inline constexpr std::size_t kPathBytes = quovent::capacity::kFileSelectorPath;

// One message to or from the worker: a small header and one path. Hosts keep their worker
// queues at a few kilobytes, so a message stays well below 4096 bytes.
inline constexpr std::size_t kWorkMessageBytes = 16 + kPathBytes;

// The atom buffers asked of the host (resize-port minimumSize): room for a reply to every
// property at full path length on the output, and for a host's or a UI's longest patch:Set.
inline constexpr std::uint32_t kAtomBufferBytes = 16384;

// Entries of the host's option list read at most.
inline constexpr int kOptions = 256;

} // namespace quovent::lv2::capacity
