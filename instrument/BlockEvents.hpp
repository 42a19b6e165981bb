// The events of one block in the order the instrument carries them out: by frame, equal
// frames in the order the host gave them, every frame clamped into the block. A host's list
// already in that order is used where it lies; any other is copied into storage kept for
// this and sorted there, so ordering never allocates.
//
// Audio thread only (one instance per instrument).
#pragma once

#include "instrument/InstrumentEvent.hpp"
#include "platform/Capacities.hpp"

#include <array>
#include <cstdint>
#include <span>

namespace quovent {

class BlockEvents {
public:
    static constexpr int kCapacity = capacity::kBlockEvents;

    // The first kCapacity events of the list, ordered; valid until the next call. A block
    // of no frames puts every event at frame 0.
    std::span<const InstrumentEvent> order(std::span<const InstrumentEvent> events,
                                           int frames) noexcept;

private:
    struct Entry {
        InstrumentEvent event;
        std::int32_t position; // in the host's list: the tie-break for equal frames
    };

    std::array<Entry, kCapacity> sorting_{};
    std::array<InstrumentEvent, kCapacity> ordered_{};
};

} // namespace quovent
