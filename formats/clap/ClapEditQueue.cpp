#include "formats/clap/ClapEditQueue.hpp"

namespace quovent {

namespace {

constexpr std::size_t kReserve = capacity::kClapEditReserve;

clap::EventHeader headerOf(std::uint32_t size, std::uint16_t type) noexcept {
    return {size, 0, clap::kCoreEventSpace, type, 0};
}

} // namespace

bool ClapEditQueue::push(const Edit& edit, std::size_t keepFree) noexcept {
    const std::size_t written = written_.load(std::memory_order_relaxed);
    const std::size_t used = written - read_.load(std::memory_order_acquire);
    if (kCapacity - used <= keepFree) {
        return false;
    }
    ring_[written % kCapacity] = edit;
    written_.store(written + 1, std::memory_order_release);
    return true;
}

void ClapEditQueue::began(ParameterId id) noexcept {
    const int index = ParameterTable::indexOf(id);
    if (index < 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(index);
    open_[i] = push({clap::kEventParamGestureBegin, id, 0.0f}, kReserve);
    dropped_[i] = false;
}

void ClapEditQueue::edited(ParameterId id, float value) noexcept {
    const int index = ParameterTable::indexOf(id);
    if (index < 0 || !open_[static_cast<std::size_t>(index)]) {
        return;
    }
    if (!push({clap::kEventParamValue, id, value}, kReserve)) {
        dropped_[static_cast<std::size_t>(index)] = true;
    }
}

// The reserve holds two slots for each open gesture, so these pushes always find room.
void ClapEditQueue::ended(ParameterId id, float current) noexcept {
    const int index = ParameterTable::indexOf(id);
    if (index < 0 || !open_[static_cast<std::size_t>(index)]) {
        return;
    }
    const auto i = static_cast<std::size_t>(index);
    if (dropped_[i]) {
        push({clap::kEventParamValue, id, current}, 0);
    }
    push({clap::kEventParamGestureEnd, id, 0.0f}, 0);
    open_[i] = false;
    dropped_[i] = false;
}

bool ClapEditQueue::empty() const noexcept {
    return read_.load(std::memory_order_relaxed) == written_.load(std::memory_order_acquire);
}

void ClapEditQueue::drain(const clap::OutputEvents* out) noexcept {
    if (out == nullptr || out->try_push == nullptr) {
        return;
    }
    std::size_t read = read_.load(std::memory_order_relaxed);
    const std::size_t written = written_.load(std::memory_order_acquire);
    for (; read < written; ++read) {
        const Edit& edit = ring_[read % kCapacity];
        bool taken = false;
        if (edit.type == clap::kEventParamValue) {
            const clap::EventParamValue value{headerOf(sizeof(clap::EventParamValue), edit.type),
                                              edit.id,
                                              nullptr,
                                              -1,
                                              -1,
                                              -1,
                                              -1,
                                              edit.value};
            taken = out->try_push(out, &value.header);
        } else {
            const clap::EventParamGesture gesture{
                headerOf(sizeof(clap::EventParamGesture), edit.type), edit.id};
            taken = out->try_push(out, &gesture.header);
        }
        if (!taken) {
            break;
        }
    }
    read_.store(read, std::memory_order_release);
}

} // namespace quovent
