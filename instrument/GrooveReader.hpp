// Reads groove bank document text (docs/bank-format.md) into a GrooveDocument, checking every
// field. Touches no model: what it fills is applied only when the whole text passed.
//
// Any thread; no shared state.
#pragma once

#include "instrument/GrooveDocument.hpp"
#include "instrument/StatePaths.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace quovent {

class GrooveReader {
public:
    // Parses and checks the text into out. Empty when the text is a valid document,
    // otherwise why it was refused, naming the field ("patterns[3].rows[2].vol[7]: ...").
    // Relative sample paths are taken relative to baseDirectory; with an empty base every
    // sample path must be absolute (the host's saved state has no file a relative path could
    // be relative to) once statePaths, when given, has mapped it back. out is valid only when
    // the answer is empty.
    static std::string read(std::string_view text, const std::filesystem::path& baseDirectory,
                            GrooveDocument& out, const StatePaths* statePaths = nullptr);
};

} // namespace quovent
