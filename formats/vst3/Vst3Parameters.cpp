#include "formats/vst3/Vst3Parameters.hpp"

#include "formats/vst3/Vst3Strings.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>

namespace quovent {

namespace {

using namespace vst3;

constexpr std::size_t kValueText = 32; // a number or a label, with its zero

bool sameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// A host's double as the table's float; beyond float's range it saturates (the table clamps
// it anyway), NaN stays NaN.
float toFloat(double value) noexcept {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (value > kLargest) {
        return std::numeric_limits<float>::max();
    }
    if (value < -kLargest) {
        return -std::numeric_limits<float>::max();
    }
    return static_cast<float>(value);
}

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

const quovent::ParameterInfo* Vst3Parameters::find(ParamID id) noexcept {
    return ParameterTable::find(id);
}

tresult Vst3Parameters::info(int32 index, vst3::ParameterInfo* out) noexcept {
    if (out == nullptr || index < 0 || index >= count()) {
        return kInvalidArgument;
    }
    const quovent::ParameterInfo& entry = ParameterTable::all()[static_cast<std::size_t>(index)];
    *out = vst3::ParameterInfo{};
    out->id = entry.id;
    Vst3Strings::copy(entry.nameText(), out->title);
    Vst3Strings::copy(entry.shortNameText(), out->shortTitle);
    Vst3Strings::copy(entry.unit, out->units);
    out->stepCount = entry.stepCount();
    out->defaultNormalizedValue = ParameterTable::toNormalized(entry, entry.defaultValue);
    out->unitId = kRootUnitId;
    out->flags = vst3::ParameterInfo::kCanAutomate;
    if (entry.kind == ParameterKind::Choice) {
        out->flags |= vst3::ParameterInfo::kIsList;
    }
    return kResultOk;
}

ParamValue Vst3Parameters::toPlain(ParamID id, ParamValue normalized) noexcept {
    const quovent::ParameterInfo* entry = find(id);
    return entry == nullptr ? normalized : ParameterTable::fromNormalized(*entry, normalized);
}

ParamValue Vst3Parameters::toNormalized(ParamID id, ParamValue plain) noexcept {
    const quovent::ParameterInfo* entry = find(id);
    if (entry == nullptr) {
        return plain;
    }
    return ParameterTable::toNormalized(*entry, toFloat(plain));
}

tresult Vst3Parameters::toString(ParamID id, ParamValue normalized, String128 text) noexcept {
    const quovent::ParameterInfo* entry = find(id);
    if (entry == nullptr || text == nullptr) {
        return kInvalidArgument;
    }
    const float plain = ParameterTable::fromNormalized(*entry, normalized);
    if (entry->labelCount > 0) {
        const int label =
            std::clamp(static_cast<int>(plain - entry->minimum), 0, entry->labelCount - 1);
        Vst3Strings::copy(entry->labels[static_cast<std::size_t>(label)], text, 128);
        return kResultOk;
    }
    std::array<char, kValueText> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size() - 1, plain,
                                            std::chars_format::fixed, 2);
    if (error != std::errc{}) {
        return kInternalError;
    }
    Vst3Strings::copy(
        std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())), text, 128);
    return kResultOk;
}

tresult Vst3Parameters::fromString(ParamID id, const TChar* text, ParamValue* normalized) noexcept {
    const quovent::ParameterInfo* entry = find(id);
    std::array<char, kValueText> ascii{};
    const auto read = Vst3Strings::toAscii(text, 128, ascii.data(), ascii.size());
    if (entry == nullptr || normalized == nullptr || !read) {
        return kInvalidArgument;
    }
    const std::string_view typed = trimmed(*read);
    for (int i = 0; i < entry->labelCount; ++i) {
        if (sameIgnoringCase(typed, entry->labels[static_cast<std::size_t>(i)])) {
            *normalized =
                ParameterTable::toNormalized(*entry, entry->minimum + static_cast<float>(i));
            return kResultOk;
        }
    }
    double plain = 0.0;
    const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), plain);
    if (error != std::errc{} || end != typed.data() + typed.size() || typed.empty() ||
        !std::isfinite(plain)) {
        return kResultFalse;
    }
    *normalized = ParameterTable::toNormalized(*entry, toFloat(plain));
    return kResultOk;
}

} // namespace quovent
