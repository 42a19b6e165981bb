// Builds the atom sequence a host puts on a plug-in's atom input for one block: MIDI events,
// time:Position with a tempo, patch:Set and patch:Get messages, and, for hostile input, any
// atom, raw bytes and a false sequence size. The buffer is 8-byte aligned and its size is
// fixed when made, so connecting it to a port and filling it never moves it.
#pragma once

#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace quovent::test {

class AtomSequenceBuilder {
public:
    AtomSequenceBuilder(LV2_URID_Map* map, std::size_t capacityBytes);

    void clear(); // an empty sequence timed in frames

    void midi(std::int64_t frame, std::initializer_list<std::uint8_t> bytes);
    void tempo(std::int64_t frame, float beatsPerMinute);
    // property and subject are URIs; an empty subject leaves patch:subject out.
    void patchSet(std::int64_t frame, std::string_view property, std::string_view path,
                  std::string_view subject = {});
    // An empty property asks for every property.
    void patchGet(std::int64_t frame, std::string_view property = {},
                  std::string_view subject = {});
    // One event whose atom has the given type and body.
    void event(std::int64_t frame, LV2_URID type, const void* body, std::uint32_t size);
    // Bytes appended to the sequence's body as they are (counted in its size).
    void raw(const void* bytes, std::size_t size);
    // Overwrites the sequence header's size or its time unit.
    void declareSize(std::uint32_t size);
    void declareUnit(LV2_URID unit);

    LV2_Atom_Sequence* sequence() noexcept;
    std::uint8_t* data() noexcept { return reinterpret_cast<std::uint8_t*>(storage_.data()); }
    std::size_t capacity() const noexcept { return storage_.size() * sizeof(std::uint64_t); }
    // The header and body as the sequence's size says.
    std::size_t usedBytes() noexcept;
    LV2_Atom_Forge& forge() noexcept { return forge_; }
    LV2_URID_Map* map() const noexcept { return map_; }

private:
    LV2_URID_Map* map_;
    std::vector<std::uint64_t> storage_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame frame_{};
};

} // namespace quovent::test
