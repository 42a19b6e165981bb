// The instrument's stable parameters: what a host may show, automate and save for every
// format that declares parameters (LV2 control ports, VST 3 parameters). Each entry keeps its
// numeric id, symbol and meaning for good: projects saved by hosts refer to them.
//
// Values are plain values: 0..1 control values for the continuous settings (the model's own
// numbers), 0..3 for the filter type, 0/1 for the toggles, 1..6 for the output pair.
//
// Threads: the table is constant and built at compile time; any thread may read it, the
// audio thread included.
#pragma once

#include "platform/Capacities.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quovent {

using ParameterId = std::uint32_t;

// What a slot parameter sets. The numbers are part of the ids (id = 100 x slot + field).
enum class SlotField : int {
    Volume = 1,
    Length = 2,
    Tune = 3,
    Freq = 4,
    Res = 5,
    Pan = 6,
    Filter = 7,
    Mute = 8,
    Solo = 9,
    Output = 10,
};

enum class ParameterKind : int {
    Continuous, // any value from minimum to maximum
    Toggle,     // 0 or 1
    Choice,     // whole numbers from minimum to maximum, each with a label
};

struct ParameterInfo {
    static constexpr std::size_t kTextBytes = 24;
    static constexpr std::size_t kMaxLabels = capacity::kOutputPairs;

    ParameterId id = 0;
    int slot = -1; // 0..7; -1 for a sequencer-wide parameter
    SlotField field = SlotField::Volume;
    ParameterKind kind = ParameterKind::Continuous;
    std::array<char, kTextBytes> symbol{};    // "slot1_volume": a C identifier (LV2 port symbol)
    std::array<char, kTextBytes> name{};      // "Slot 1 Volume"
    std::array<char, kTextBytes> shortName{}; // "Volume"
    std::string_view unit;                    // empty when the value has none
    float minimum = 0.0f;
    float maximum = 1.0f;
    float defaultValue = 0.0f;
    // Labels of a choice's or toggle's values, from the minimum up; empty otherwise.
    std::array<std::string_view, kMaxLabels> labels{};
    int labelCount = 0;

    std::string_view symbolText() const noexcept { return symbol.data(); }
    std::string_view nameText() const noexcept { return name.data(); }
    std::string_view shortNameText() const noexcept { return shortName.data(); }
    // Steps between minimum and maximum: 0 for a continuous value.
    int stepCount() const noexcept {
        return kind == ParameterKind::Continuous ? 0 : static_cast<int>(maximum - minimum);
    }
};

// A value as text for a host to show: at most 31 characters and a closing zero.
struct ValueText {
    static constexpr std::size_t kBytes = 32;
    std::array<char, kBytes> bytes{};
    std::string_view view() const noexcept { return bytes.data(); }
};

class ParameterTable {
public:
    static constexpr int kSlotFields = 10;
    static constexpr int kCount = capacity::kRowSlots * kSlotFields + 1;
    static constexpr ParameterId kShuffle = 1;
    static constexpr ParameterId kNone = 0;

    static constexpr ParameterId slotParameter(int slot, SlotField field) noexcept {
        return static_cast<ParameterId>(100 * (slot + 1) + static_cast<int>(field));
    }

    // Every parameter in a fixed order: the eight slots' ten fields each, slot by slot in
    // field order, then Shuffle. A format may number its ports or parameters by this order.
    static const std::array<ParameterInfo, kCount>& all() noexcept;
    // The entry of an id; null for an id that names no parameter.
    static const ParameterInfo* find(ParameterId id) noexcept;
    // Position of an id in all(); -1 for none.
    static int indexOf(ParameterId id) noexcept;

    // A plain value made safe for the model: NaN gives false (no value), anything else is
    // clamped into the range and, for toggles and choices, rounded to the nearest whole
    // value.
    static bool sanitise(const ParameterInfo& info, float& value) noexcept;
    // 0..1 across the range, and back (clamped; NaN gives the default).
    static double toNormalized(const ParameterInfo& info, float plain) noexcept;
    static float fromNormalized(const ParameterInfo& info, double normalized) noexcept;

    // A plain value as hosts show it: a choice's or toggle's label ("Low-pass", "On"), else
    // the number with two decimals ("0.65"). Made safe as sanitise does (NaN: the default).
    static ValueText valueText(const ParameterInfo& info, float plain) noexcept;
    // What a user typed: a label in any letter case or a number, blanks around it ignored;
    // the plain value, made safe. Nothing for anything else (an infinity too).
    static std::optional<float> valueFromText(const ParameterInfo& info,
                                              std::string_view text) noexcept;
};

} // namespace quovent
