// The host's state streams: the whole groove text written out, and read back to the end.
// Streams may move fewer bytes than asked at any call; a stream that answers an error, or
// more bytes than it was asked for, has failed.
//
// Main thread. Both may allocate (the text).
#pragma once

#include "formats/clap/ClapAbiBase.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace quovent {

class ClapStateStream {
public:
    // Reads until the stream's end into `text`; false when the stream fails or holds more
    // than maxBytes (found out one chunk past the limit, never by reading it all).
    static bool readAll(const clap::IStream* stream, std::size_t maxBytes, std::string& text);
    // False when the stream fails or stops taking bytes before the end.
    static bool writeAll(const clap::OStream* stream, std::string_view text) noexcept;
};

} // namespace quovent
