// Writes the model as groove bank document text (docs/bank-format.md): the eight row slots,
// all 24 patterns and the sequencer-wide settings. Float settings are written as the
// shortest decimal text that reads back as the same float.
//
// The caller holds the instrument's model lock, so no edit lands halfway through.
#pragma once

#include "engine/Sequencer.hpp"
#include "instrument/StatePaths.hpp"

#include <filesystem>
#include <string>

namespace quovent {

class GrooveWriter {
public:
    // What to do with a sample path that is not UTF-8 (which JSON cannot carry).
    enum class Paths {
        Checked,  // refuse the whole text: a bank file must name its samples exactly
        Replaced, // replace the stray bytes: the host's saved state must never be lost
    };

    // Writes the text; sample paths beside or below baseDirectory are written relative to it
    // (an empty base writes every path absolute, as statePaths maps it when given). Empty on
    // success, else why it failed (only with Paths::Checked).
    static std::string write(const Sequencer& sequencer, float stepEditMode,
                             const std::filesystem::path& baseDirectory, Paths paths,
                             std::string& text, const StatePaths* statePaths = nullptr);
};

} // namespace quovent
