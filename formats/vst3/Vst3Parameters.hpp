// The instrument's stable parameter table (instrument/ParameterTable) as VST 3 parameters:
// the table's ids are the parameter ids, its order their indexes, and normalized values run
// 0..1 across each range. Toggles and choices are stepped; choices are shown as lists of
// their labels.
//
// Threads: any; nothing here allocates (the texts are written into the host's fields), so the
// audio thread may convert values too.
#pragma once

#include "formats/vst3/Vst3AbiController.hpp"
#include "instrument/ParameterTable.hpp"

namespace quovent {

class Vst3Parameters {
public:
    static vst3::int32 count() noexcept { return ParameterTable::kCount; }
    // kInvalidArgument for an index outside the table or a null record.
    static vst3::tresult info(vst3::int32 index, vst3::ParameterInfo* out) noexcept;

    // The entry of a parameter id, or null.
    static const quovent::ParameterInfo* find(vst3::ParamID id) noexcept;

    // Plain values of unknown ids pass unchanged, as the interface asks.
    static vst3::ParamValue toPlain(vst3::ParamID id, vst3::ParamValue normalized) noexcept;
    static vst3::ParamValue toNormalized(vst3::ParamID id, vst3::ParamValue plain) noexcept;

    // The value's text: the label of a toggle or choice, two decimals of a continuous value.
    static vst3::tresult toString(vst3::ParamID id, vst3::ParamValue normalized,
                                  vst3::String128 text) noexcept;
    // A label (any letter case) or a plain number, as the host's user typed it.
    static vst3::tresult fromString(vst3::ParamID id, const vst3::TChar* text,
                                    vst3::ParamValue* normalized) noexcept;
};

} // namespace quovent
