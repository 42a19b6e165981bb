#include "formats/vst3/Vst3StateStream.hpp"

#include "formats/vst3/Vst3Capacities.hpp"

#include <algorithm>
#include <utility>

namespace quovent {

using namespace vst3;

bool Vst3StateStream::readAll(IBStream* stream, std::size_t maxBytes, std::string& text) {
    if (stream == nullptr) {
        return false;
    }
    std::string read;
    for (;;) {
        // One byte more than the limit allows shows a stream that is too long.
        const std::size_t room = maxBytes + 1 - read.size();
        const auto asked = static_cast<int32>(
            std::min<std::size_t>(room, static_cast<std::size_t>(capacity::kVst3StreamChunk)));
        const std::size_t start = read.size();
        read.resize(start + static_cast<std::size_t>(asked));
        int32 got = 0;
        if (stream->read(read.data() + start, asked, &got) != kResultOk || got < 0 || got > asked) {
            return false;
        }
        read.resize(start + static_cast<std::size_t>(got));
        if (read.size() > maxBytes) {
            return false;
        }
        // A short read is the stream's end: some hosts' streams answer an error when asked
        // again at the end.
        if (got < asked) {
            break;
        }
    }
    text = std::move(read);
    return true;
}

bool Vst3StateStream::writeAll(IBStream* stream, std::string_view text) {
    if (stream == nullptr) {
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const auto asked = static_cast<int32>(std::min<std::size_t>(
            text.size() - done, static_cast<std::size_t>(capacity::kVst3StreamChunk)));
        int32 written = 0;
        // The interface takes a non-const buffer; the stream only reads it.
        void* bytes = const_cast<char*>(text.data() + done);
        if (stream->write(bytes, asked, &written) != kResultOk || written != asked) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace quovent
