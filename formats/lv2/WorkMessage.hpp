// The messages between run() and the worker, as plain bytes the host copies through its
// queue: a request to set a file property to a path, and the worker's answer with the
// property's path afterwards (the new one, or the old one when the file was refused).
// Encoding and decoding check every size; nothing read from the queue is trusted.
//
// Any thread; never allocates, locks or throws.
#pragma once

#include "formats/lv2/Capacities.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quovent::lv2 {

class WorkMessage {
public:
    enum class Kind : std::uint32_t {
        SetRequest = 1, // run -> worker: set property to path
        SetAnswer = 2,  // worker -> run: property is now path (accepted says whether changed)
    };
    using Buffer = std::array<std::uint8_t, capacity::kWorkMessageBytes>;

    Kind kind = Kind::SetRequest;
    int property = 0;
    bool accepted = false;
    std::string_view path; // points into the decoded bytes

    // The message's size in out, or 0 when it cannot be encoded (property out of range, path
    // too long).
    std::size_t encode(Buffer& out) const noexcept;
    static std::optional<WorkMessage> decode(const void* data, std::size_t size) noexcept;

private:
    struct Header {
        std::uint32_t kind;
        std::int32_t property;
        std::uint32_t accepted;
        std::uint32_t pathBytes; // without the zero that follows the path
    };
    static_assert(sizeof(Header) + capacity::kPathBytes <= capacity::kWorkMessageBytes);
};

} // namespace quovent::lv2
