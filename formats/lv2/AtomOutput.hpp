// Writes one block's output sequence: patch:Set replies naming a file property and its
// current path, which hosts show beside their file choosers. A reply that does not fit in
// what is left of the host's buffer is not started, so the sequence stays well formed and the
// caller can send it in a later block.
//
// Made on the instantiating thread (the forge maps its types there); begin, writeSet and end
// on the audio thread, where they never allocate, lock or throw.
#pragma once

#include "formats/lv2/Urids.hpp"

#include <lv2/atom/forge.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quovent::lv2 {

class AtomOutput {
public:
    AtomOutput(const LV2_URID_Map& map, const Urids& urids);

    // Bytes a reply with a path of pathLength bytes (without the zero) takes in the sequence.
    static constexpr std::size_t replyBytes(std::size_t pathLength) noexcept {
        constexpr std::size_t kFixed =
            8 /* time */ + 16 /* object */ + 8 + 16 /* property */ + 8 + 8 /* value header */;
        return kFixed + ((pathLength + 1 + 7) & ~std::size_t{7});
    }

    // Starts an empty sequence in the port's buffer. The host put the buffer's capacity in its
    // atom size; limit, when not 0, is the host's sequence size, which bounds it as well. A
    // buffer too small for a sequence (or none) takes no replies.
    void begin(void* port, std::size_t limit) noexcept;
    bool writeSet(int property, std::string_view path) noexcept;
    void end() noexcept;

private:
    const Urids& urids_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame sequence_{};
    bool open_ = false;
};

} // namespace quovent::lv2
