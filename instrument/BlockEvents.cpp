#include "instrument/BlockEvents.hpp"

#include <algorithm>

namespace quovent {

std::span<const InstrumentEvent> BlockEvents::order(std::span<const InstrumentEvent> events,
                                                    int frames) noexcept {
    const auto count = std::min<std::size_t>(events.size(), kCapacity);
    const std::int32_t last = std::max(frames - 1, 0);
    const auto inBlock = [last](std::int32_t frame) { return std::clamp(frame, 0, last); };
    bool ordered = true;
    std::int32_t previous = 0;
    for (std::size_t i = 0; i < count && ordered; ++i) {
        const std::int32_t frame = events[i].frame;
        ordered = frame >= previous && frame == inBlock(frame);
        previous = frame;
    }
    if (ordered) {
        return events.first(count);
    }
    for (std::size_t i = 0; i < count; ++i) {
        Entry& entry = sorting_[i];
        entry.event = events[i];
        entry.event.frame = inBlock(entry.event.frame);
        entry.position = static_cast<std::int32_t>(i);
    }
    // std::sort works in place; the position makes equal frames keep the host's order.
    std::sort(sorting_.begin(), sorting_.begin() + static_cast<std::ptrdiff_t>(count),
              [](const Entry& a, const Entry& b) {
                  return a.event.frame != b.event.frame ? a.event.frame < b.event.frame
                                                        : a.position < b.position;
              });
    for (std::size_t i = 0; i < count; ++i) {
        ordered_[i] = sorting_[i].event;
    }
    return {ordered_.data(), count};
}

} // namespace quovent
