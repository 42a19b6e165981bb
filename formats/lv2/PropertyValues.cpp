#include "formats/lv2/PropertyValues.hpp"

#include "formats/lv2/AtomInputHandler.hpp"

#include <cstring>

namespace quovent::lv2 {

namespace {
constexpr bool inRange(int property) noexcept {
    return property >= 0 && property < capacity::kProperties;
}
constexpr std::uint32_t bitOf(int property) noexcept {
    return std::uint32_t{1} << static_cast<unsigned>(property);
}
static_assert(capacity::kProperties <= 32, "one owed bit per property");
static_assert(capacity::kPathBytes <= UINT16_MAX, "lengths are kept in 16 bits");
} // namespace

bool PropertyValues::set(int property, std::string_view path) noexcept {
    if (!inRange(property) || path.size() >= capacity::kPathBytes) {
        return false;
    }
    const auto i = static_cast<std::size_t>(property);
    if (!path.empty()) {
        std::memcpy(paths_[i].data(), path.data(), path.size());
    }
    paths_[i][path.size()] = '\0';
    lengths_[i] = static_cast<std::uint16_t>(path.size());
    return true;
}

std::string_view PropertyValues::value(int property) const noexcept {
    if (!inRange(property)) {
        return {};
    }
    const auto i = static_cast<std::size_t>(property);
    return {paths_[i].data(), lengths_[i]};
}

void PropertyValues::owe(int property) noexcept {
    if (property == AtomInputHandler::kAllProperties) {
        owed_ = bitOf(capacity::kProperties) - 1;
    } else if (inRange(property)) {
        owed_ |= bitOf(property);
    }
}

bool PropertyValues::owed(int property) const noexcept {
    return inRange(property) && (owed_ & bitOf(property)) != 0;
}

void PropertyValues::paid(int property) noexcept {
    if (inRange(property)) {
        owed_ &= ~bitOf(property);
    }
}

} // namespace quovent::lv2
