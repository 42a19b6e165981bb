#include "instrument/ParameterTable.hpp"

#include <algorithm>
#include <cmath>

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
constexpr std::array<std::string_view, capacity::kOutputPairs> kOutputLabels{
    "quov 1", "quov 2", "quov 3", "quov 4", "quov 5", "quov 6"};

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
    float value = static_cast<float>(info.minimum + n * (static_cast<double>(info.maximum) -
                                                         info.minimum));
    sanitise(info, value);
    return value;
}

} // namespace quovent
