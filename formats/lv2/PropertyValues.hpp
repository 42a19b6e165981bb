// The file properties' current paths as the audio thread knows them, with the replies it
// owes the host: patch:Get asks for one, and every change the worker reports (or a refusal,
// which repeats the old value) owes one. Fixed storage, so keeping and answering never
// allocates.
//
// Audio thread (run, the worker's responses); restore and instantiate, which hosts never run
// beside it, write it too.
#pragma once

#include "formats/lv2/Capacities.hpp"

#include <array>
#include <cstdint>
#include <string_view>

namespace quovent::lv2 {

class PropertyValues {
public:
    // False (and nothing kept) for an index out of range or a path too long to keep.
    bool set(int property, std::string_view path) noexcept;
    std::string_view value(int property) const noexcept;

    void owe(int property) noexcept; // an index, or AtomInputHandler::kAllProperties
    bool owed(int property) const noexcept;
    void paid(int property) noexcept;
    bool anyOwed() const noexcept { return owed_ != 0; }

private:
    std::array<std::array<char, capacity::kPathBytes>, capacity::kProperties> paths_{};
    std::array<std::uint16_t, capacity::kProperties> lengths_{};
    std::uint32_t owed_ = 0; // bit n: a reply for property n
};

} // namespace quovent::lv2
