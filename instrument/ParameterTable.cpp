#include "instrument/ParameterTable.hpp"

#include "instrument/PluginInfo.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace quovent {

namespace {

using Text = std::array<char, ParameterInfo::kTextBytes>;

struct FieldSpec {
    SlotField field;
    ParameterKind kind;
    const char* symbol; // joined to "slotN_"
    const char* name;   // joined to "Slot N "
    float minimum;
    float maximum;
    float defaultValue; // a new slot's setting
};

// Defaults as a freshly created slot holds them (engine/Slot.hpp).
constexpr std::array<FieldSpec, ParameterTable::kSlotFields> kFields{{
    {SlotField::Volume, ParameterKind::Continuous, "volume", "Volume", 0.0f, 1.0f, 0.65f},
    {SlotField::Length, ParameterKind::Continuous, "length", "Length", 0.0f, 1.0f, 1.0f},
    {SlotField::Tune, ParameterKind::Continuous, "tune", "Tune", 0.0f, 1.0f, 0.5f},
    {SlotField::Freq, ParameterKind::Continuous, "freq", "Freq", 0.0f, 1.0f, 1.0f},
    {SlotField::Res, ParameterKind::Continuous, "res", "Res", 0.0f, 1.0f, 0.0f},
    {SlotField::Pan, ParameterKind::Continuous, "pan", "Pan", 0.0f, 1.0f, 0.5f},
    {SlotField::Filter, ParameterKind::Choice, "filter", "Filter", 0.0f, 3.0f, 0.0f},
    {SlotField::Mute, ParameterKind::Toggle, "mute", "Mute", 0.0f, 1.0f, 0.0f},
    {SlotField::Solo, ParameterKind::Toggle, "solo", "Solo", 0.0f, 1.0f, 0.0f},
    {SlotField::Output, ParameterKind::Choice, "output", "Output", 1.0f,
     static_cast<float>(capacity::kOutputPairs), 1.0f},
}};

constexpr std::array<std::string_view, 4> kFilterLabels{"Off", "Low-pass", "Band-pass",
                                                        "High-pass"};
constexpr std::array<std::string_view, 2> kToggleLabels{"Off", "On"};
// The output pairs as the host names the pins.
constexpr std::array<std::string_view, capacity::kOutputPairs> kOutputLabels =
    PluginInfo::kOutputPairNames;

constexpr Text join(const char* a, int number, const char* b) {
    Text out{};
    std::size_t n = 0;
    for (const char* p = a; *p != '\0'; ++p) {
        out[n++] = *p;
    }
    if (number >= 0) {
        out[n++] = static_cast<char>('0' + number);
    }
    for (const char* p = b; *p != '\0'; ++p) {
        out[n++] = *p;
    }
    return out;
}

template <std::size_t N>
constexpr void setLabels(ParameterInfo& info, const std::array<std::string_view, N>& labels) {
    for (std::size_t i = 0; i < N; ++i) {
        info.labels[i] = labels[i];
    }
    info.labelCount = static_cast<int>(N);
}

constexpr ParameterInfo slotEntry(int slot, const FieldSpec& spec) {
    ParameterInfo info;
    info.id = ParameterTable::slotParameter(slot, spec.field);
    info.slot = slot;
    info.field = spec.field;
    info.kind = spec.kind;
    info.symbol = join("slot", slot + 1, "_");
    info.name = join("Slot ", slot + 1, " ");
    // Appended after the prefixes above.
    Text symbol = join(info.symbol.data(), -1, spec.symbol);
    Text name = join(info.name.data(), -1, spec.name);
    info.symbol = symbol;
    info.name = name;
    info.shortName = join(spec.name, -1, "");
    info.minimum = spec.minimum;
    info.maximum = spec.maximum;
    info.defaultValue = spec.defaultValue;
    if (spec.field == SlotField::Filter) {
        setLabels(info, kFilterLabels);
    } else if (spec.field == SlotField::Output) {
        setLabels(info, kOutputLabels);
    } else if (spec.kind == ParameterKind::Toggle) {
        setLabels(info, kToggleLabels);
    }
    return info;
}

constexpr std::array<ParameterInfo, ParameterTable::kCount> makeTable() {
    std::array<ParameterInfo, ParameterTable::kCount> table{};
    std::size_t i = 0;
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        for (const FieldSpec& spec : kFields) {
            table[i++] = slotEntry(s, spec);
        }
    }
    ParameterInfo& shuffle = table[i];
    shuffle.id = ParameterTable::kShuffle;
    shuffle.symbol = join("shuffle", -1, "");
    shuffle.name = join("Shuffle", -1, "");
    shuffle.shortName = shuffle.name;
    shuffle.minimum = 0.0f;
    shuffle.maximum = 1.0f;
    shuffle.defaultValue = 0.0f;
    return table;
}

constexpr std::array<ParameterInfo, ParameterTable::kCount> kTable = makeTable();

} // namespace

const std::array<ParameterInfo, ParameterTable::kCount>& ParameterTable::all() noexcept {
    return kTable;
}

int ParameterTable::indexOf(ParameterId id) noexcept {
    if (id == kShuffle) {
        return kCount - 1;
    }
    const int slot = static_cast<int>(id / 100) - 1;
    const int field = static_cast<int>(id % 100);
    if (slot < 0 || slot >= capacity::kRowSlots || field < 1 || field > kSlotFields) {
        return -1;
    }
    return slot * kSlotFields + field - 1;
}

const ParameterInfo* ParameterTable::find(ParameterId id) noexcept {
    const int i = indexOf(id);
    return i < 0 ? nullptr : &kTable[static_cast<std::size_t>(i)];
}

bool ParameterTable::sanitise(const ParameterInfo& info, float& value) noexcept {
    if (std::isnan(value)) {
        return false;
    }
    value = std::clamp(value, info.minimum, info.maximum);
    if (info.kind != ParameterKind::Continuous) {
        value = std::round(value);
    }
    return true;
}

double ParameterTable::toNormalized(const ParameterInfo& info, float plain) noexcept {
    float value = plain;
    if (!sanitise(info, value)) {
        value = info.defaultValue;
    }
    return (static_cast<double>(value) - info.minimum) /
           (static_cast<double>(info.maximum) - info.minimum);
}

float ParameterTable::fromNormalized(const ParameterInfo& info, double normalized) noexcept {
    if (std::isnan(normalized)) {
        return info.defaultValue;
    }
    const double n = std::clamp(normalized, 0.0, 1.0);
    float value =
        static_cast<float>(info.minimum + n * (static_cast<double>(info.maximum) - info.minimum));
    sanitise(info, value);
    return value;
}

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view text) noexcept {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

ValueText ParameterTable::valueText(const ParameterInfo& info, float plain) noexcept {
    ValueText text;
    float value = plain;
    if (!sanitise(info, value)) {
        value = info.defaultValue;
    }
    if (info.labelCount > 0) {
        const int label =
            std::clamp(static_cast<int>(value - info.minimum), 0, info.labelCount - 1);
        const std::string_view name = info.labels[static_cast<std::size_t>(label)];
        std::copy_n(name.data(), std::min(name.size(), ValueText::kBytes - 1), text.bytes.data());
        return text;
    }
    // A sanitised value lies within the range, so two decimals always fit.
    std::to_chars(text.bytes.data(), text.bytes.data() + ValueText::kBytes - 1, value,
                  std::chars_format::fixed, 2);
    return text;
}

std::optional<float> ParameterTable::valueFromText(const ParameterInfo& info,
                                                   std::string_view text) noexcept {
    const std::string_view typed = trimmed(text);
    for (int i = 0; i < info.labelCount; ++i) {
        if (sameIgnoringCase(typed, info.labels[static_cast<std::size_t>(i)])) {
            return info.minimum + static_cast<float>(i);
        }
    }
    double number = 0.0;
    const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), number);
    if (typed.empty() || error != std::errc{} || end != typed.data() + typed.size() ||
        !std::isfinite(number)) {
        return std::nullopt;
    }
    float value = static_cast<float>(
        std::clamp(number, -static_cast<double>(std::numeric_limits<float>::max()),
                   static_cast<double>(std::numeric_limits<float>::max())));
    sanitise(info, value);
    return value;
}

} // namespace quovent
