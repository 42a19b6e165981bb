#include "formats/clap/ClapParameters.hpp"

#include "instrument/ParameterTable.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace quovent {

namespace {

void copyText(std::string_view text, char* out, std::size_t capacity) noexcept {
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

} // namespace

float ClapParameters::toPlain(double value) noexcept {
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::isnan(value) ? value : std::clamp(value, -kLargest, kLargest));
}

std::uint32_t ClapParameters::count() noexcept {
    return static_cast<std::uint32_t>(ParameterTable::kCount);
}

bool ClapParameters::info(std::uint32_t index, clap::ParamInfo* out) noexcept {
    if (out == nullptr || index >= count()) {
        return false;
    }
    const ParameterInfo& entry = ParameterTable::all()[index];
    *out = clap::ParamInfo{};
    out->id = entry.id;
    out->flags = clap::kParamIsAutomatable;
    if (entry.kind != ParameterKind::Continuous) {
        out->flags |= clap::kParamIsStepped;
    }
    if (entry.kind == ParameterKind::Choice) {
        out->flags |= clap::kParamIsEnum;
    }
    copyText(entry.nameText(), out->name, sizeof(out->name));
    out->min_value = entry.minimum;
    out->max_value = entry.maximum;
    out->default_value = entry.defaultValue;
    return true;
}

bool ClapParameters::valueToText(clap::Id id, double value, char* out,
                                 std::uint32_t capacity) noexcept {
    const ParameterInfo* entry = ParameterTable::find(id);
    if (entry == nullptr || out == nullptr || capacity == 0) {
        return false;
    }
    copyText(ParameterTable::valueText(*entry, toPlain(value)).view(), out, capacity);
    return true;
}

bool ClapParameters::textToValue(clap::Id id, const char* text, double* out) noexcept {
    const ParameterInfo* entry = ParameterTable::find(id);
    if (entry == nullptr || text == nullptr || out == nullptr) {
        return false;
    }
    const std::optional<float> plain = ParameterTable::valueFromText(*entry, text);
    if (!plain) {
        return false;
    }
    *out = *plain;
    return true;
}

} // namespace quovent
