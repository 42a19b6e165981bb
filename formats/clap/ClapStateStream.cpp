#include "formats/clap/ClapStateStream.hpp"

#include "formats/clap/ClapCapacities.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace quovent {

bool ClapStateStream::readAll(const clap::IStream* stream, std::size_t maxBytes,
                              std::string& text) {
    if (stream == nullptr || stream->read == nullptr) {
        return false;
    }
    std::string read;
    for (;;) {
        // One chunk past the limit shows a stream that is too long.
        const std::size_t start = read.size();
        const std::size_t asked = std::min(capacity::kClapStreamChunk, maxBytes + 1 - start);
        read.resize(start + asked);
        const std::int64_t got = stream->read(stream, read.data() + start, asked);
        if (got < 0 || static_cast<std::uint64_t>(got) > asked) {
            return false;
        }
        read.resize(start + static_cast<std::size_t>(got));
        if (read.size() > maxBytes) {
            return false;
        }
        if (got == 0) {
            break;
        }
    }
    text = std::move(read);
    return true;
}

bool ClapStateStream::writeAll(const clap::OStream* stream, std::string_view text) noexcept {
    if (stream == nullptr || stream->write == nullptr) {
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t asked = std::min(capacity::kClapStreamChunk, text.size() - done);
        const std::int64_t written = stream->write(stream, text.data() + done, asked);
        if (written <= 0 || static_cast<std::uint64_t>(written) > asked) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace quovent
