// The editor's edits on their way to the host: gesture begins, plain values and gesture ends,
// pushed by the editor thread and handed to the host as output events by the next process or
// flush. A ring of fixed size with one writer and one reader (the host never runs process and
// flush at once), so neither side allocates or locks.
//
// A full ring drops a drag's values, never its begin or end: room for every open gesture's
// end (and its last value, when a value of it was dropped) is kept, and a gesture whose begin
// found no room is left out whole, so the host always hears whole gestures.
//
// Threads: began/edited/ended on the editor thread; drain on the audio thread (process) or
// the main thread (flush while not active), one at a time.
#pragma once

#include "formats/clap/ClapAbiBase.hpp"
#include "formats/clap/ClapCapacities.hpp"
#include "instrument/ParameterTable.hpp"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quovent {

class ClapEditQueue {
public:
    static constexpr std::size_t kCapacity = capacity::kClapEditQueue;

    void began(ParameterId id) noexcept;
    void edited(ParameterId id, float value) noexcept;
    // `current` is the parameter's value now: sent before the end when a value was dropped.
    void ended(ParameterId id, float current) noexcept;

    // Pushes what waits, in order, until the host's list is full; the rest waits on.
    void drain(const clap::OutputEvents* out) noexcept;
    bool empty() const noexcept;

private:
    struct Edit {
        std::uint16_t type = 0; // clap::EventType
        ParameterId id = 0;
        float value = 0.0f;
    };

    bool push(const Edit& edit, std::size_t keepFree) noexcept;

    std::array<Edit, kCapacity> ring_{};
    std::atomic<std::size_t> written_{0}; // edits pushed so far (writer)
    std::atomic<std::size_t> read_{0};    // edits handed over so far (reader)
    // Writer only, by table index: the gestures whose begin went in, and those of them that
    // lost a value.
    std::array<bool, ParameterTable::kCount> open_{};
    std::array<bool, ParameterTable::kCount> dropped_{};
};

} // namespace quovent
