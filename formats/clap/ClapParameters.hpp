// The instrument's stable parameters as CLAP parameters: the table's ids, plain values over
// each range, automatable; toggles and choices stepped, choices also enumerations of their
// labels. Texts both ways are the table's.
//
// Constant table: any thread (the interface asks from the main thread).
#pragma once

#include "formats/clap/ClapAbiExtensions.hpp"

#include <cstdint>

namespace quovent {

class ClapParameters {
public:
    // A host's double as the table's float: beyond float's range it saturates (the
    // instrument clamps it into the parameter's range anyway); NaN stays NaN, no value.
    static float toPlain(double value) noexcept;

    static std::uint32_t count() noexcept;
    // False for an index past the table or a null record.
    static bool info(std::uint32_t index, clap::ParamInfo* out) noexcept;
    // The value's text, cut to the buffer and always closed with a zero; false for an
    // unknown id, a null buffer or one of no bytes.
    static bool valueToText(clap::Id id, double value, char* out, std::uint32_t capacity) noexcept;
    // What the user typed as a plain value; false for an unknown id, null pointers or a text
    // the table does not read.
    static bool textToValue(clap::Id id, const char* text, double* out) noexcept;
};

} // namespace quovent
