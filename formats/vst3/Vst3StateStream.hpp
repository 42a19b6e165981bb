// The instance's state through a host's byte stream (IBStream): read whole, up to a limit, or
// written whole, in as many calls as the stream needs. A stream that fails, answers more bytes
// than asked or runs past the limit is refused and the text given in is left as it was, so a
// refused state changes nothing.
//
// Threads: the host's control threads, never the audio thread (reading allocates).
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace quovent {

class Vst3StateStream {
public:
    // Everything from the stream's position to its end into text; false (text untouched) for
    // a null or failing stream or one longer than maxBytes.
    static bool readAll(vst3::IBStream* stream, std::size_t maxBytes, std::string& text);
    // All of text into the stream (short writes are continued); false when the stream refuses
    // any of it.
    static bool writeAll(vst3::IBStream* stream, std::string_view text);
};

} // namespace quovent
