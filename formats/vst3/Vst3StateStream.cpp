#include "formats/vst3/Vst3StateStream.hpp"

#include "formats/vst3/Vst3Capacities.hpp"

#include <algorithm>
#include <optional>
#include <utility>

namespace quovent {

using namespace vst3;

namespace {

// The bytes from the stream's position to its end, when the stream can say (it seeks).
// The position is left where it was.
std::optional<std::size_t> bytesLeft(IBStream* stream) {
    int64 start = 0;
    int64 end = 0;
    if (stream->tell(&start) != kResultOk ||
        stream->seek(0, IBStream::kIBSeekEnd, &end) != kResultOk) {
        return std::nullopt;
    }
    int64 back = 0;
    if (stream->seek(start, IBStream::kIBSeekSet, &back) != kResultOk || back != start ||
        end < start) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(end - start);
}

} // namespace

// A stream that knows its length is read to exactly that length, so a stream that answers an
// error when asked to read at its end still gives its state. One that does not is read until a
// read brings nothing; an error right after a short read is taken as that end too.
bool Vst3StateStream::readAll(IBStream* stream, std::size_t maxBytes, std::string& text) {
    if (stream == nullptr) {
        return false;
    }
    const std::optional<std::size_t> length = bytesLeft(stream);
    if (length && *length > maxBytes) {
        return false;
    }
    std::string read;
    bool lastShort = false;
    for (;;) {
        // One byte more than the limit allows shows a stream that is too long.
        const std::size_t wanted = length ? *length - read.size() : maxBytes + 1 - read.size();
        if (wanted == 0) {
            break;
        }
        const auto asked = static_cast<int32>(
            std::min<std::size_t>(wanted, static_cast<std::size_t>(capacity::kVst3StreamChunk)));
        const std::size_t start = read.size();
        read.resize(start + static_cast<std::size_t>(asked));
        int32 got = 0;
        const tresult result = stream->read(read.data() + start, asked, &got);
        if (result != kResultOk) {
            if (!lastShort || length) {
                return false;
            }
            read.resize(start);
            break;
        }
        if (got < 0 || got > asked) {
            return false;
        }
        read.resize(start + static_cast<std::size_t>(got));
        if (read.size() > maxBytes) {
            return false;
        }
        if (got == 0) {
            break;
        }
        lastShort = got < asked;
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
        if (stream->write(bytes, asked, &written) != kResultOk || written <= 0 || written > asked) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace quovent
