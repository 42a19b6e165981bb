#include "tests/support/AtomSequenceBuilder.hpp"

#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/time/time.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace quovent::test {

namespace {
void require(LV2_Atom_Forge_Ref ref) {
    if (ref == 0) {
        throw std::length_error("the atom sequence buffer is full");
    }
}
LV2_URID mapped(LV2_URID_Map* map, std::string_view uri) {
    return map->map(map->handle, std::string(uri).c_str());
}
} // namespace

AtomSequenceBuilder::AtomSequenceBuilder(LV2_URID_Map* map, std::size_t capacityBytes)
    : map_(map), storage_((capacityBytes + 7) / 8, 0) {
    lv2_atom_forge_init(&forge_, map_);
    clear();
}

void AtomSequenceBuilder::clear() {
    lv2_atom_forge_set_buffer(&forge_, data(), capacity());
    frame_ = {};
    require(lv2_atom_forge_sequence_head(&forge_, &frame_, 0));
}

void AtomSequenceBuilder::midi(std::int64_t frame, std::initializer_list<std::uint8_t> bytes) {
    event(frame, mapped(map_, LV2_MIDI__MidiEvent), std::data(bytes),
          static_cast<std::uint32_t>(bytes.size()));
}

void AtomSequenceBuilder::tempo(std::int64_t frame, float beatsPerMinute) {
    LV2_Atom_Forge_Frame object{};
    require(lv2_atom_forge_frame_time(&forge_, frame));
    require(lv2_atom_forge_object(&forge_, &object, 0, mapped(map_, LV2_TIME__Position)));
    require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_TIME__beatsPerMinute)));
    require(lv2_atom_forge_float(&forge_, beatsPerMinute));
    lv2_atom_forge_pop(&forge_, &object);
}

void AtomSequenceBuilder::patchSet(std::int64_t frame, std::string_view property,
                                   std::string_view path, std::string_view subject) {
    LV2_Atom_Forge_Frame object{};
    require(lv2_atom_forge_frame_time(&forge_, frame));
    require(lv2_atom_forge_object(&forge_, &object, 0, mapped(map_, LV2_PATCH__Set)));
    if (!subject.empty()) {
        require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_PATCH__subject)));
        require(lv2_atom_forge_urid(&forge_, mapped(map_, subject)));
    }
    require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_PATCH__property)));
    require(lv2_atom_forge_urid(&forge_, mapped(map_, property)));
    require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_PATCH__value)));
    require(lv2_atom_forge_path(&forge_, path.data(), static_cast<std::uint32_t>(path.size())));
    lv2_atom_forge_pop(&forge_, &object);
}

void AtomSequenceBuilder::patchGet(std::int64_t frame, std::string_view property,
                                   std::string_view subject) {
    LV2_Atom_Forge_Frame object{};
    require(lv2_atom_forge_frame_time(&forge_, frame));
    require(lv2_atom_forge_object(&forge_, &object, 0, mapped(map_, LV2_PATCH__Get)));
    if (!subject.empty()) {
        require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_PATCH__subject)));
        require(lv2_atom_forge_urid(&forge_, mapped(map_, subject)));
    }
    if (!property.empty()) {
        require(lv2_atom_forge_key(&forge_, mapped(map_, LV2_PATCH__property)));
        require(lv2_atom_forge_urid(&forge_, mapped(map_, property)));
    }
    lv2_atom_forge_pop(&forge_, &object);
}

void AtomSequenceBuilder::event(std::int64_t frame, LV2_URID type, const void* body,
                                std::uint32_t size) {
    require(lv2_atom_forge_frame_time(&forge_, frame));
    require(lv2_atom_forge_atom(&forge_, size, type));
    if (size > 0) {
        require(lv2_atom_forge_write(&forge_, body, size));
    }
}

void AtomSequenceBuilder::raw(const void* bytes, std::size_t size) {
    if (size == 0) {
        return;
    }
    require(lv2_atom_forge_raw(&forge_, bytes, static_cast<std::uint32_t>(size)));
}

void AtomSequenceBuilder::declareSize(std::uint32_t size) {
    sequence()->atom.size = size;
}

void AtomSequenceBuilder::declareUnit(LV2_URID unit) {
    sequence()->body.unit = unit;
}

LV2_Atom_Sequence* AtomSequenceBuilder::sequence() noexcept {
    return reinterpret_cast<LV2_Atom_Sequence*>(data());
}

std::size_t AtomSequenceBuilder::usedBytes() noexcept {
    return sizeof(LV2_Atom) + sequence()->atom.size;
}

} // namespace quovent::test
