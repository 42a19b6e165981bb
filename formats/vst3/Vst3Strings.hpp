// Text between the instrument's UTF-8 strings and the interface's fixed-size fields: 8-bit
// fields (class and factory records) and UTF-16 fields (String128, the unicode class record).
// Every copy stops one unit short of the field and terminates it, so a long text is cut,
// never written past the field.
//
// Threads: any; nothing here allocates, so the audio thread may use it too.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

#include <cstddef>
#include <optional>
#include <string_view>

namespace quovent {

class Vst3Strings {
public:
    // Copies text into an 8-bit field of `size` bytes.
    static void copy(std::string_view text, vst3::char8* field, std::size_t size) noexcept;
    // Copies UTF-8 text into a UTF-16 field of `units` code units; a character that does not
    // fit whole is left out, and bytes that are no UTF-8 become U+FFFD.
    static void copy(std::string_view text, vst3::char16* field, std::size_t units) noexcept;

    template <std::size_t N> static void copy(std::string_view text, vst3::char8 (&field)[N]) {
        copy(text, field, N);
    }
    template <std::size_t N> static void copy(std::string_view text, vst3::char16 (&field)[N]) {
        copy(text, field, N);
    }

    // A host's zero-terminated UTF-16 text, read for at most `units` code units, as ASCII
    // into out (which holds capacity bytes, the terminating zero included). Nullopt for a
    // null text, a character beyond ASCII or a text longer than out.
    static std::optional<std::string_view> toAscii(const vst3::char16* text, std::size_t units,
                                                   char* out, std::size_t capacity) noexcept;
};

} // namespace quovent
