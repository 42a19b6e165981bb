#include "formats/lv2/AtomOutput.hpp"

#include <algorithm>

namespace quovent::lv2 {

AtomOutput::AtomOutput(const LV2_URID_Map& map, const Urids& urids) : urids_(urids) {
    lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(&map));
}

void AtomOutput::begin(void* port, std::size_t limit) noexcept {
    open_ = false;
    if (port == nullptr) {
        return;
    }
    auto* atom = static_cast<LV2_Atom*>(port);
    std::size_t capacity = atom->size;
    if (limit != 0) {
        capacity = std::min(capacity, limit);
    }
    if (capacity < sizeof(LV2_Atom_Sequence)) {
        atom->size = 0; // an empty chunk: no sequence fits
        return;
    }
    lv2_atom_forge_set_buffer(
        &forge_, static_cast<std::uint8_t*>(port),
        static_cast<std::uint32_t>(std::min<std::size_t>(capacity, UINT32_MAX)));
    open_ = lv2_atom_forge_sequence_head(&forge_, &sequence_, 0) != 0;
}

bool AtomOutput::writeSet(int property, std::string_view path) noexcept {
    if (!open_ || property < 0 || property >= capacity::kProperties) {
        return false;
    }
    if (forge_.size - forge_.offset < replyBytes(path.size())) {
        return false;
    }
    LV2_Atom_Forge_Frame object{};
    const auto length = static_cast<std::uint32_t>(path.size());
    const bool written =
        lv2_atom_forge_frame_time(&forge_, 0) != 0 &&
        lv2_atom_forge_object(&forge_, &object, 0, urids_.patchSet) != 0 &&
        lv2_atom_forge_key(&forge_, urids_.patchProperty) != 0 &&
        lv2_atom_forge_urid(&forge_, urids_.properties[static_cast<std::size_t>(property)]) != 0 &&
        lv2_atom_forge_key(&forge_, urids_.patchValue) != 0 &&
        lv2_atom_forge_path(&forge_, path.data(), length) != 0;
    lv2_atom_forge_pop(&forge_, &object);
    return written;
}

void AtomOutput::end() noexcept {
    if (open_) {
        lv2_atom_forge_pop(&forge_, &sequence_);
        open_ = false;
    }
}

} // namespace quovent::lv2
