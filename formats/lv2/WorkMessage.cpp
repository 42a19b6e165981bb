#include "formats/lv2/WorkMessage.hpp"

#include <cstring>

namespace quovent::lv2 {

std::size_t WorkMessage::encode(Buffer& out) const noexcept {
    if (property < 0 || property >= capacity::kProperties || path.size() >= capacity::kPathBytes) {
        return 0;
    }
    const Header header{static_cast<std::uint32_t>(kind), property, accepted ? 1U : 0U,
                        static_cast<std::uint32_t>(path.size())};
    std::memcpy(out.data(), &header, sizeof header);
    if (!path.empty()) {
        std::memcpy(out.data() + sizeof header, path.data(), path.size());
    }
    out[sizeof header + path.size()] = 0;
    return sizeof header + path.size() + 1;
}

std::optional<WorkMessage> WorkMessage::decode(const void* data, std::size_t size) noexcept {
    Header header{};
    if (data == nullptr || size < sizeof header + 1) {
        return std::nullopt;
    }
    std::memcpy(&header, data, sizeof header);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const bool knownKind = header.kind == static_cast<std::uint32_t>(Kind::SetRequest) ||
                           header.kind == static_cast<std::uint32_t>(Kind::SetAnswer);
    if (!knownKind || header.property < 0 || header.property >= capacity::kProperties ||
        header.accepted > 1 || header.pathBytes >= capacity::kPathBytes ||
        size != sizeof header + header.pathBytes + 1 ||
        bytes[sizeof header + header.pathBytes] != 0 ||
        std::memchr(bytes + sizeof header, 0, header.pathBytes) != nullptr) {
        return std::nullopt;
    }
    WorkMessage message;
    message.kind = static_cast<Kind>(header.kind);
    message.property = header.property;
    message.accepted = header.accepted == 1;
    message.path =
        std::string_view(reinterpret_cast<const char*>(bytes + sizeof header), header.pathBytes);
    return message;
}

} // namespace quovent::lv2
