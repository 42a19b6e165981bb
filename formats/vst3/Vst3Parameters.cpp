#include "formats/vst3/Vst3Parameters.hpp"

#include "formats/vst3/Vst3Strings.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace quovent {

namespace {

using namespace vst3;

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
    const ValueText value =
        ParameterTable::valueText(*entry, ParameterTable::fromNormalized(*entry, normalized));
    Vst3Strings::copy(value.view(), text, 128);
    return kResultOk;
}

tresult Vst3Parameters::fromString(ParamID id, const TChar* text, ParamValue* normalized) noexcept {
    const quovent::ParameterInfo* entry = find(id);
    std::array<char, ValueText::kBytes> ascii{};
    const auto read = Vst3Strings::toAscii(text, 128, ascii.data(), ascii.size());
    if (entry == nullptr || normalized == nullptr || !read) {
        return kInvalidArgument;
    }
    const std::optional<float> plain = ParameterTable::valueFromText(*entry, *read);
    if (!plain) {
        return kResultFalse;
    }
    *normalized = ParameterTable::toNormalized(*entry, *plain);
    return kResultOk;
}

} // namespace quovent
